// The GUI designer's overlay: while a mode is on, pointer and keys move and resize controls
// instead of changing parameters, and the new layout can be written out as description XML.
#pragma once

#include "korvane/core/export.h"
#include "korvane/core/geometry.h"
#include "korvane/gui/pvm/event_data.h"

#include <vector>

namespace kvKorvaneV10_0_3 {

class CStandardGUI_X;
class KCGUIControl;

namespace XML {
class CXMLElement;
}

enum class EEditMode : int {
    eOff = 0,
    eMoveResize,  // drag a control to move it, its bottom-right corner to resize it
};

// [gui-thread], like its GUI.
class KORVANE_API CKorvaneEditModes_X {
public:
    // A press this close (pixels) to a control's bottom-right corner resizes it.
    static constexpr short kResizeHandle = 6;
    // A control is never resized below this width and height.
    static constexpr short kMinimumSize = 4;
    // Arrow keys move the selection by one pixel, by this many with Shift.
    static constexpr short kShiftKeyStep = 10;

    explicit CKorvaneEditModes_X(CStandardGUI_X& gui) : m_gui(gui) {}
    CKorvaneEditModes_X(const CKorvaneEditModes_X&) = delete;
    CKorvaneEditModes_X& operator=(const CKorvaneEditModes_X&) = delete;
    virtual ~CKorvaneEditModes_X() = default;

    [[nodiscard]] EEditMode GetMode() const { return m_mode; }
    // Turning the mode off ends a drag under way.
    void SetMode(EEditMode mode);
    [[nodiscard]] bool IsOn() const { return m_mode != EEditMode::eOff; }

    // Each returns true when it took the event (always while on), and the GUI then does
    // nothing more with it. A press on a control selects it (Shift adds it) and starts moving
    // the selection, or resizing the control from its corner; a press on nothing clears the
    // selection. Moves follow the pointer; the release ends the drag.
    virtual bool MouseDown(const PluginViewManager::KCEventData& event);
    virtual bool MouseMove(const PluginViewManager::KCEventData& event);
    virtual bool MouseUp(const PluginViewManager::KCEventData& event);
    // Arrow keys move the selected controls; other keys are taken and do nothing.
    virtual bool Key(const PluginViewManager::KCEventData& event);
    // Ends a drag under way where it is (the window lost the activation).
    void Cancel();

    [[nodiscard]] bool IsDragging() const { return m_dragging; }
    [[nodiscard]] bool IsResizing() const { return m_dragging && m_resizing; }

    // Appends to `list` (a "Control_List") one "cCONTROLLER" per control with its "Name" and
    // "ControlRect": the layout to paste back into the description.
    void WriteControlRectsToXML(XML::CXMLElement& list) const;

protected:
    // Moves every selected control by (dx, dy) and asks for a redraw.
    void MoveSelection(int dx, int dy);

private:
    CStandardGUI_X& m_gui;
    EEditMode m_mode = EEditMode::eOff;
    bool m_dragging = false;
    bool m_resizing = false;
    KCGUIControl* m_grabbed = nullptr;
    KCPoint2D<short> m_last;
};

}  // namespace kvKorvaneV10_0_3
