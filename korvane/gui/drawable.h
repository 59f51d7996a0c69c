// Something the GUI draws into a graphic stream inside its own rectangle.
#pragma once

#include "korvane/core/export.h"
#include "korvane/core/geometry.h"

namespace kvKorvaneV10_0_3 {

namespace kvGS {
class KCGraphicStreamBinaryWriter;
}

// [gui-thread]
class KORVANE_API CDrawable {
public:
    CDrawable() = default;
    CDrawable(const CDrawable&) = default;
    CDrawable& operator=(const CDrawable&) = default;
    virtual ~CDrawable();

    // Appends the drawing commands of the object. Default: none.
    virtual void GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer);
    virtual void SetDrawableRect(const KURect<short>& rect) { m_drawableRect = rect; }
    [[nodiscard]] const KURect<short>& GetDrawableRect() const { return m_drawableRect; }

private:
    KURect<short> m_drawableRect;
};

}  // namespace kvKorvaneV10_0_3
