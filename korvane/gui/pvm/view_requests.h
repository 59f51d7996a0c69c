// What the portable GUI asks of the native view it is shown in: holding the pointer during a
// gesture, hiding it while a control is dragged, and putting it back afterwards. KCPluginView
// carries the requests out on a display; KCRecordingView only records them, for tests and for
// GUIs drawn without a display.
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"
#include "korvane/core/geometry.h"

namespace kvKorvaneV10_0_3::PluginViewManager {

// [gui-thread]
class KORVANE_API KCPluginViewAbs {
public:
    KCPluginViewAbs() = default;
    KCPluginViewAbs(const KCPluginViewAbs&) = delete;
    KCPluginViewAbs& operator=(const KCPluginViewAbs&) = delete;
    virtual ~KCPluginViewAbs();

    // Keeps the pointer's input in the view (true) from a press until its release, so a drag
    // that leaves the view still reaches the GUI.
    virtual KTErr SetPointerCaptured(bool captured) = 0;
    // Hides (true) or shows the pointer. Requests do not nest: the last one holds.
    virtual KTErr SetCursorHidden(bool hidden) = 0;
    // Moves the pointer to `where`, in view coordinates.
    virtual KTErr WarpPointer(KCPoint2D<short> where) = 0;
};

// A view that keeps what was asked of it. [gui-thread]
class KORVANE_API KCRecordingView : public KCPluginViewAbs {
public:
    KCRecordingView() = default;
    KTErr SetPointerCaptured(bool captured) override;
    KTErr SetCursorHidden(bool hidden) override;
    KTErr WarpPointer(KCPoint2D<short> where) override;

    [[nodiscard]] bool IsCaptured() const { return m_captured; }
    [[nodiscard]] bool IsCursorHidden() const { return m_hidden; }
    // How often the pointer was hidden (a request while hidden counts too).
    [[nodiscard]] int GetHideCount() const { return m_hides; }
    // Where the pointer was last moved to; false when it never was.
    [[nodiscard]] bool GetCursorPosition(KCPoint2D<short>& where) const;

private:
    bool m_captured = false;
    bool m_hidden = false;
    int m_hides = 0;
    bool m_moved = false;
    KCPoint2D<short> m_position;
};

}  // namespace kvKorvaneV10_0_3::PluginViewManager
