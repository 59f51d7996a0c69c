// Hover state of a control: whether the pointer is over it and what happened while it was.
#pragma once

#include "korvane/core/export.h"

namespace kvKorvaneV10_0_3 {

// [gui-thread]
class KORVANE_API KCMouseHover {
public:
    KCMouseHover() = default;
    KCMouseHover(const KCMouseHover&) = default;
    KCMouseHover& operator=(const KCMouseHover&) = default;
    virtual ~KCMouseHover();

    virtual void SetMouseHover() { m_hover = true; }
    virtual void ClearMouseHover() {
        m_hover = false;
        m_keyOnHover = false;
    }
    virtual void SetKeyOnHover(bool on) { m_keyOnHover = on; }
    virtual void SetMouseDownOnHover() { m_downOnHover = m_hover; }
    virtual void SetMouseUpOnHover() { m_downOnHover = false; }

    [[nodiscard]] bool IsMouseHover() const { return m_hover; }
    [[nodiscard]] bool IsKeyOnHover() const { return m_keyOnHover; }
    // The button went down while the pointer was over the control and is not yet up.
    [[nodiscard]] bool IsMouseDownOnHover() const { return m_downOnHover; }
    // Back to no hover at all.
    void ResetHover() {
        m_hover = false;
        m_keyOnHover = false;
        m_downOnHover = false;
    }

private:
    bool m_hover = false;
    bool m_keyOnHover = false;
    bool m_downOnHover = false;
};

}  // namespace kvKorvaneV10_0_3
