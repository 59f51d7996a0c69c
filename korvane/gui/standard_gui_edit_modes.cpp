// The designer's edit modes: controls moved and resized by hand, the layout written out.
#include "korvane/gui/standard_gui_edit_modes.h"

#include "korvane/gui/standard_gui.h"
#include "korvane/xml/xml_element.h"
#include "korvane/xml/xml_values.h"

#include <algorithm>
#include <cstdlib>

namespace kvKorvaneV10_0_3 {

using PluginViewManager::KCEventData;

void CKorvaneEditModes_X::SetMode(EEditMode mode) {
    if (mode == EEditMode::eOff) {
        Cancel();
    }
    m_mode = mode;
    m_gui.SetNeedToRedrawGUI();
}

void CKorvaneEditModes_X::Cancel() {
    m_dragging = false;
    m_resizing = false;
    m_grabbed = nullptr;
}

bool CKorvaneEditModes_X::MouseDown(const KCEventData& event) {
    if (!IsOn()) {
        return false;
    }
    const KCPoint2D<short> at = event.GetMouseLocation();
    KCGUIControl* control = m_gui.GetClickedControl(at, &event);
    const bool extend = event.GetKeyModifiers(eModShift);
    if (control == nullptr) {
        if (!extend) {
            m_gui.DeSelectAllControls();
        }
        return true;
    }
    // A plain press on a selected control moves the whole selection.
    if (extend || !control->IsSelected()) {
        m_gui.GetSelectionHome().AdjustSelectionToClick(control, extend);
    }
    const KURect<short> rect = control->GetControlRect();
    m_resizing = std::abs(at.x - rect.right) <= kResizeHandle &&
                 std::abs(at.y - rect.bottom) <= kResizeHandle;
    m_dragging = true;
    m_grabbed = control;
    m_last = at;
    m_gui.SetNeedToRedrawGUI();
    return true;
}

bool CKorvaneEditModes_X::MouseMove(const KCEventData& event) {
    if (!IsOn()) {
        return false;
    }
    if (!m_dragging || m_grabbed == nullptr) {
        return true;
    }
    const KCPoint2D<short> at = event.GetMouseLocation();
    if (m_resizing) {
        // The corner follows the pointer's motion, wherever on the handle it was taken.
        const KURect<short> rect = m_grabbed->GetControlRect();
        const int width = std::max<int>(kMinimumSize, rect.Width() + at.x - m_last.x);
        const int height = std::max<int>(kMinimumSize, rect.Height() + at.y - m_last.y);
        m_grabbed->Resize(width, height);
        m_gui.SetNeedToRedrawGUI();
    } else {
        MoveSelection(at.x - m_last.x, at.y - m_last.y);
    }
    m_last = at;
    return true;
}

bool CKorvaneEditModes_X::MouseUp(const KCEventData& event) {
    if (!IsOn()) {
        return false;
    }
    if (m_dragging) {
        MouseMove(event);
    }
    Cancel();
    return true;
}

bool CKorvaneEditModes_X::Key(const KCEventData& event) {
    if (!IsOn()) {
        return false;
    }
    const int step = event.GetKeyModifiers(eModShift) ? kShiftKeyStep : 1;
    switch (event.GetKeyCode()) {
        case PluginViewManager::eKeyLeft:
            MoveSelection(-step, 0);
            break;
        case PluginViewManager::eKeyRight:
            MoveSelection(step, 0);
            break;
        case PluginViewManager::eKeyUp:
            MoveSelection(0, -step);
            break;
        case PluginViewManager::eKeyDown:
            MoveSelection(0, step);
            break;
        default:
            break;
    }
    return true;
}

void CKorvaneEditModes_X::MoveSelection(int dx, int dy) {
    if (dx == 0 && dy == 0) {
        return;
    }
    for (KCGUIControl* control : m_gui.GetSelectedControls()) {
        control->Move(dx, dy);
    }
    m_gui.SetNeedToRedrawGUI();
}

void CKorvaneEditModes_X::WriteControlRectsToXML(XML::CXMLElement& list) const {
    m_gui.DoOnAllControls([&list](KCGUIControl& control) {
        XML::CXMLElement* element = list.AddSubElement("cCONTROLLER");
        element->SetAttrib("Name", control.GetName().c_str());
        XML::WriteToXML_KURect(element->AddSubElement("ControlRect"), control.GetControlRect());
    });
}

}  // namespace kvKorvaneV10_0_3
