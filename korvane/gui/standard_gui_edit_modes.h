// The GUI designer's overlay: while a mode is on, pointer and keys move and resize controls
// instead of changing parameters, and the new layout can be written out as description XML.
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"
#include "korvane/core/geometry.h"
#include "korvane/gui/pvm/event_data.h"

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace kvKorvaneV10_0_3 {

class CStandardGUI_X;
class KCGUIControl;
class KCControlPageTableList;

namespace XML {
class CXMLElement;
}
namespace PluginViewManager {
struct KSMenu;
}

enum class EEditMode : int {
    eOff = 0,
    eMoveResize,  // drag a control to move it, its bottom-right corner to resize it
};

// The items of the designer's menu (their user data).
enum EEditMenuItem : std::intptr_t {
    eEditMenuMoveResize = 1,  // checked while on; choosing it turns the mode off
    eEditMenuSnapToGrid,      // checked while snapping; toggles kDefaultSnapGrid and off
    eEditMenuSelectAll,
    eEditMenuWriteLayout,      // the layout (WriteControlRectsToXML) to the output
    eEditMenuWritePageTables,  // the pages (WritePageTablesToXML) to the output
    eEditMenuWriteParameters,  // the algorithm's parameter list to the output
    eEditMenuWritePreset,      // the algorithm's present settings as a preset to the output
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
    // The grid the menu's "Snap to Grid" turns on.
    static constexpr short kDefaultSnapGrid = 8;
    // The page table type the menu writes.
    static constexpr const char* kPageTableType = "Visibility";
    // Where the menu's dumps go: what ("Control_List", "PageTables", "ParamXML" or "Preset")
    // and the XML text.
    using KTOutput = std::function<void(const char* what, const std::string& xml)>;

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
    // A right-button press shows the designer's menu instead (DoEditPopupMenu).
    // Arrow keys move the selected controls; other keys are taken and do nothing.
    virtual bool Key(const PluginViewManager::KCEventData& event);
    // Ends a drag under way where it is (the window lost the activation).
    void Cancel();

    [[nodiscard]] bool IsDragging() const { return m_dragging; }
    [[nodiscard]] bool IsResizing() const { return m_dragging && m_resizing; }

    // Appends to `list` (a "Control_List") one "cCONTROLLER" per control with its "Name" and
    // "ControlRect": the layout to paste back into the description.
    void WriteControlRectsToXML(XML::CXMLElement& list) const;

    // Snapping: with a grid of n > 0 pixels a dragged control's top-left corner (or, when
    // resized, its bottom-right corner) lands on multiples of n; 0 (the default) is off. The
    // arrow keys still nudge by pixels. A negative grid is taken as 0.
    void SetSnapGrid(short grid) { m_snapGrid = grid > 0 ? grid : 0; }
    [[nodiscard]] short GetSnapGrid() const { return m_snapGrid; }

    // The GUI's pages as one page table of type `type`: one page per page name, in the order
    // the controls first name them, listing the controls on it in control order; "pageSize"
    // is the largest page's count. Controls without a page are on every page and not listed.
    void BuildPageTables(KCControlPageTableList& tables, const char* type) const;
    // The same, appended to `parent` as a "PageTables" element to paste into the description.
    void WritePageTablesToXML(XML::CXMLElement& parent, const char* type) const;

    // The designer's menu: "Move and Resize", "Snap to Grid", a separator, "Select All",
    // "Write Layout", "Write Page Tables", "Write Parameters", "Write Preset" (the writes
    // disabled without an output; the last two also without an algorithm).
    KTErr SetEditPopupMenu(PluginViewManager::KSMenu* menu) const;
    // Carries out an item; eValueNotFound for another value, eWrongObjectState for a write
    // without an output (or parameters or a preset without an algorithm); the errors of
    // capturing the preset.
    KTErr ApplyEditMenuItem(std::intptr_t item);
    // Builds the menu, shows it at the event's place (ActivatePopup) and applies the choice;
    // eUserCanceled when dismissed.
    KTErr DoEditPopupMenu(const PluginViewManager::KCEventData& event);
    // Replaces the output of the menu's writes; empty: none.
    void SetOutput(KTOutput output) { m_output = std::move(output); }

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
    // Where the press was and where the grabbed corner was then: snapping places the corner
    // from the whole motion, so rounding never accumulates.
    KCPoint2D<short> m_press;
    KCPoint2D<short> m_grabbedCorner;
    short m_snapGrid = 0;
    KTOutput m_output;
};

}  // namespace kvKorvaneV10_0_3
