// The standard GUI's pointer modes besides dragging a control: toolbar buttons, the selection
// rectangle, draw mode across several controls, and the pointer hidden during a drag.
#include "korvane/gui/standard_gui.h"

#include <algorithm>

namespace kvKorvaneV10_0_3 {

using PluginViewManager::KCEventData;
using BUFFER_HEADER = KPAPI_PROCESS_MEMORY::BUFFER_HEADER;

namespace {

bool IsDrawControl(const KCGUIControl& control) {
    return control.IsRegisteredToType(eRegMouseDrawVertical) ||
           control.IsRegisteredToType(eRegMouseDrawHorizontal);
}

// The registration answering to `type` for the pixels-to-state conversion; the first one when
// none does.
unsigned int DrawRegistration(const KCGUIControl& control, ERegisterType type) {
    const auto& registrations = control.GetRegistrations();
    for (unsigned int i = 0; i < registrations.size(); ++i) {
        if (registrations[i].HasParam() && registrations[i].AnswersTo(type)) {
            return i;
        }
    }
    return 0;
}

bool Holds(const KURect<short>& rect, KCPoint2D<short> point) {
    return point.x >= rect.left && point.x < rect.right && point.y >= rect.top &&
           point.y < rect.bottom;
}

}  // namespace

void CStandardGUI_X::SetPluginView(PluginViewManager::KCPluginViewAbs* view) {
    if (view == m_view) {
        return;
    }
    if (m_view != nullptr && m_cursorHidden) {
        (void)m_view->SetCursorHidden(false);
    }
    m_view = view;
    if (m_view != nullptr && m_cursorHidden) {
        (void)m_view->SetCursorHidden(true);
    }
}

X_CToolbarButton* CStandardGUI_X::GetToolbarButtonAt(KCPoint2D<short> point) const {
    // The last button is on top.
    const auto found =
        std::find_if(m_buttons.rbegin(), m_buttons.rend(),
                     [point](const auto& button) { return Holds(button->GetRect(), point); });
    return found == m_buttons.rend() ? nullptr : found->get();
}

// ------------------------------------------------------------------ press

void CStandardGUI_X::BeginPress(const KCEventData& event) {
    m_mouseDownLocation = event.GetMouseLocation();
    m_pressedButton = nullptr;
    m_selectingRect = false;
    m_selectionAtPress.clear();
    m_drawMode = false;
    m_drawnControls.clear();
    if (m_view != nullptr) {
        (void)m_view->SetPointerCaptured(true);
    }
}

bool CStandardGUI_X::StartPointerModeOnNothing(const KCEventData& event) {
    if (ModifyToolBarControlsOnMouseDown(event)) {
        return true;
    }
    if (!event.GetMouseButtonPressed(PluginViewManager::eLeftButton) ||
        GetGUIFlag(eGUIFlagNoSelectRect)) {
        return false;
    }
    // With Shift the rectangle adds to what is selected; otherwise it starts from nothing.
    if (event.GetKeyModifiers(eModShift)) {
        m_selectionAtPress = GetSelectedControls();
    } else {
        m_selection.ClearSelection();
    }
    m_selectingRect = true;
    return true;
}

void CStandardGUI_X::StartPointerModeOnControl(KCGUIControl& control, const KCEventData& event) {
    if (!event.GetMouseButtonPressed(PluginViewManager::eLeftButton)) {
        return;
    }
    m_drawMode = IsDrawControl(control);
    if (ShouldHideCursor(control, event)) {
        m_cursorHidden = true;
        if (m_view != nullptr) {
            (void)m_view->SetCursorHidden(true);
        }
    }
}

bool CStandardGUI_X::OpenRTMidiMenu(KCGUIControl& control, const KCEventData& event) {
    if (!event.GetMouseButtonPressed(PluginViewManager::eRightButton) ||
        !control.HasRTMidiPopupMenu()) {
        return false;
    }
    // A dismissed menu or a refused learn leaves the table as it was; nothing to report here.
    static_cast<void>(control.DoRTMidiControlPopupMenu(event));
    return true;
}

bool CStandardGUI_X::ShouldHideCursor(const KCGUIControl& control, const KCEventData& event) const {
    // The pointer stays where a drag does not move it with the value, and where the user
    // draws with it.
    return event.GetMouseButtonPressed(PluginViewManager::eLeftButton) && !m_drawMode &&
           !control.GetControlFlag(eCtrlDisplayCursor) &&
           (control.IsRegisteredToType(eRegMouseVertical) ||
            control.IsRegisteredToType(eRegMouseHorizontal));
}

bool CStandardGUI_X::ModifyToolBarControlsOnMouseDown(const KCEventData& event) {
    m_pressedButton = GetToolbarButtonAt(event.GetMouseLocation());
    return m_pressedButton != nullptr;
}

// ------------------------------------------------------------------ move

void CStandardGUI_X::UpdateSelectRect(const KCEventData& event) {
    const KCPoint2D<short> at = event.GetMouseLocation();
    KURect<short> rect(std::min(m_mouseDownLocation.y, at.y), std::min(m_mouseDownLocation.x, at.x),
                       std::max(m_mouseDownLocation.y, at.y),
                       std::max(m_mouseDownLocation.x, at.x));
    // Only the part inside the GUI: the pointer may leave the view while captured.
    rect.left = std::max(rect.left, m_rect.left);
    rect.top = std::max(rect.top, m_rect.top);
    rect.right = std::max(rect.left, std::min(rect.right, m_rect.right));
    rect.bottom = std::max(rect.top, std::min(rect.bottom, m_rect.bottom));
    SetSelectRect(rect);
    UpdateControlsSelectionToSelectionRect(rect, &event);
}

void CStandardGUI_X::UpdateControlsSelectionToSelectionRect(const KURect<short>& rect,
                                                            const KCEventData* event) {
    m_selection.ClearSelection();
    for (KCGUIControl* control : m_selectionAtPress) {
        m_selection.Select(control);
    }
    if (rect.Width() <= 0 || rect.Height() <= 0) {
        return;
    }
    for (const auto& control : m_controls) {
        if (control->DoYouIntersect(rect, event)) {
            m_selection.Select(control.get());
        }
    }
}

void CStandardGUI_X::ModifyControlsOnMouseDraw(const KCEventData& event) {
    const KSMouseDelta delta = MouseDelta_Calculate(m_lastMouseLocation, event.GetMouseLocation());
    for (KCGUIControl* control : CreateClickedList(event.GetMouseLocation(), &event)) {
        if (!IsDrawControl(*control)) {
            continue;
        }
        const bool pressed = std::any_of(
            m_dragAccumulators.begin(), m_dragAccumulators.end(),
            [control](const KSDragAccumulator& entry) { return entry.control == control; });
        // A control first reached by drawing opens its gesture here; the release closes it.
        if (!pressed && std::find(m_drawnControls.begin(), m_drawnControls.end(), control) ==
                            m_drawnControls.end()) {
            control->Touch();
            m_drawnControls.push_back(control);
        }
        double horizontal = 0.0;
        double vertical = 0.0;
        const double dx =
            delta.dx == 0.0
                ? 0.0
                : control->PixelsToStateDelta(delta.dx, horizontal,
                                              DrawRegistration(*control, eRegMouseDrawHorizontal));
        const double dy = delta.dy == 0.0 ? 0.0
                                          : control->PixelsToStateDelta(
                                                delta.dy, vertical,
                                                DrawRegistration(*control, eRegMouseDrawVertical));
        BUFFER_HEADER* chain = control->MouseDraw(event, dx, dy, nullptr);
        ExecuteAndDisposeBuffer(&chain);
    }
}

// ------------------------------------------------------------------ release

std::vector<KCGUIControl*> CStandardGUI_X::EndPointerModes(const KCEventData& event) {
    if (m_selectingRect) {
        // The selection the rectangle made stays; the rectangle goes.
        m_selectingRect = false;
        m_selectionAtPress.clear();
        SetSelectRect(KURect<short>());
    }
    if (m_pressedButton != nullptr) {
        if (!m_drawMode) {
            ModifyToolBarControlsOnMouseUp(event);
        }
        m_pressedButton = nullptr;
    }
    std::vector<KCGUIControl*> drawn;
    if (m_drawMode) {
        for (KCGUIControl* control : m_drawnControls) {
            control->Release();
        }
        drawn.swap(m_drawnControls);
        m_drawMode = false;
    }
    if (m_view != nullptr) {
        (void)m_view->SetPointerCaptured(false);
    }
    return drawn;
}

int CStandardGUI_X::ModifyToolBarControlsOnMouseUp(const KCEventData& event) {
    // Like any button: a release that slid off the button cancels the click.
    if (m_pressedButton == nullptr ||
        !Holds(m_pressedButton->GetRect(), event.GetMouseLocation())) {
        return 0;
    }
    return m_pressedButton->Execute(*this, event.GetMouseLocation());
}

void CStandardGUI_X::ShowCursorAfterGesture(const KCPoint2D<short>* where) {
    if (!m_cursorHidden) {
        return;
    }
    m_cursorHidden = false;
    if (m_view != nullptr) {
        if (where != nullptr) {
            (void)m_view->WarpPointer(*where);
        }
        (void)m_view->SetCursorHidden(false);
    }
}

}  // namespace kvKorvaneV10_0_3
