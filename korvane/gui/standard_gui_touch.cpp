// Touch input and the window's activation: a finger follows the mouse paths as one gesture, a
// pinch moves the pinch registrations, and a window that loses the activation ends whatever
// gesture was under way, so the host never sees a touch without its release.
#include "korvane/gui/standard_gui.h"

#include "korvane/gui/standard_gui_edit_modes.h"

#include <algorithm>
#include <cstdlib>

namespace kvKorvaneV10_0_3 {

using PluginViewManager::KCEventData;
using BUFFER_HEADER = KPAPI_PROCESS_MEMORY::BUFFER_HEADER;

namespace {

// The registration a drag on `type` converts with; the first when none answers to it.
unsigned int TouchRegistration(const KCGUIControl& control, ERegisterType type) {
    const auto& registrations = control.GetRegistrations();
    for (unsigned int i = 0; i < registrations.size(); ++i) {
        if (registrations[i].HasParam() && registrations[i].AnswersTo(type)) {
            return i;
        }
    }
    return 0;
}

}  // namespace

// ------------------------------------------------------------------ one finger

void CStandardGUI_X::DoSingleTouch(KCEventData& event, ETouchPhase phase) {
    switch (phase) {
        case eTouchDown:
            DoSingleTouchDown(event);
            break;
        case eTouchMove:
            DoSingleTouchMove(event);
            break;
        case eTouchUp:
        case eTouchCancel:
            DoSingleTouchUp(event);
            break;
    }
}

void CStandardGUI_X::DoSingleTouchDown(KCEventData& event) {
    if (m_mouseCaptured || IsTouchActive() || m_editModes->IsOn()) {
        return;
    }
    // The controls read a touch as a press of the left button.
    event.SetMouseButtonPressed(PluginViewManager::eLeftButton, true);
    event.SetMouseDownLocation(event.GetMouseLocation());
    if (event.GetMouseClickCount() == PluginViewManager::eNoClick) {
        event.SetMouseClickCount(PluginViewManager::eSingleClick);
    }
    m_touchEvent = event;
    m_lastEvent = event;
    m_touchDown = true;
    m_lastTouchLocation = event.GetMouseLocation();
    KCGUIControl* control = GetClickedControl(event.GetMouseLocation(), &event);
    if (control == nullptr) {
        m_selection.ClearSelection();
        m_pressedButton = GetToolbarButtonAt(event.GetMouseLocation());
        return;
    }
    m_selection.AdjustSelectionToClick(control, false);
    m_touchControl = control;
    m_touchAccumulator = {control, 0.0, 0.0};
    m_longPressPending = true;
    m_touchDownTime = m_clock();
    BUFFER_HEADER* chain = control->TouchDown(event);
    ExecuteAndDisposeBuffer(&chain);
}

void CStandardGUI_X::DoSingleTouchMove(KCEventData& event) {
    if (!m_touchDown) {
        return;
    }
    event.SetMouseButtonPressed(PluginViewManager::eLeftButton, true);
    event.SetMouseDownLocation(m_touchEvent.GetMouseDownLocation());
    m_touchEvent = event;
    m_lastEvent = event;
    const KSMouseDelta delta = MouseDelta_Calculate(m_lastTouchLocation, event.GetMouseLocation());
    m_lastTouchLocation = event.GetMouseLocation();
    const KCPoint2D<short> from = event.GetMouseDownLocation();
    const KCPoint2D<short> at = event.GetMouseLocation();
    if (std::abs(at.x - from.x) > kLongPressSlop || std::abs(at.y - from.y) > kLongPressSlop) {
        m_longPressPending = false;  // a finger that travels is dragging, not holding
    }
    if (m_touchControl == nullptr || (delta.dx == 0.0 && delta.dy == 0.0)) {
        return;
    }
    KCGUIControl& control = *m_touchControl;
    const double dx = delta.dx == 0.0 ? 0.0
                                      : control.PixelsToStateDelta(
                                            delta.dx, m_touchAccumulator.horizontal,
                                            TouchRegistration(control, eRegMouseHorizontal));
    const double dy =
        delta.dy == 0.0 ? 0.0
                        : control.PixelsToStateDelta(delta.dy, m_touchAccumulator.vertical,
                                                     TouchRegistration(control, eRegMouseVertical));
    if (dx == 0.0 && dy == 0.0 && control.HasParams()) {
        return;  // a discrete parameter still collecting toward its next state
    }
    BUFFER_HEADER* chain = control.TouchDrag(event, dx, dy);
    ExecuteAndDisposeBuffer(&chain);
}

void CStandardGUI_X::DoSingleTouchUp(KCEventData& event) {
    if (!m_touchDown) {
        return;
    }
    m_touchDown = false;
    m_longPressPending = false;
    event.SetMouseButtonPressed(PluginViewManager::eLeftButton, false);
    event.SetMouseDownLocation(m_touchEvent.GetMouseDownLocation());
    m_lastEvent = event;
    if (m_pressedButton != nullptr) {
        ModifyToolBarControlsOnMouseUp(event);
        m_pressedButton = nullptr;
    }
    KCGUIControl* control = m_touchControl;
    m_touchControl = nullptr;
    if (control == nullptr) {
        return;
    }
    // TouchUp ends the drag and releases the gesture TouchDown opened.
    BUFFER_HEADER* chain = control->TouchUp(event);
    ExecuteAndDisposeBuffer(&chain);
    CloseUndoStep({control});
}

bool CStandardGUI_X::CheckTouchLongPress() {
    if (!m_longPressPending || !m_touchDown || m_touchControl == nullptr ||
        m_clock() - m_touchDownTime < kLongPressDelayUs) {
        return false;
    }
    m_longPressPending = false;
    BUFFER_HEADER* chain = m_touchControl->TouchLongDown(m_touchEvent);
    ExecuteAndDisposeBuffer(&chain);
    return true;
}

// ------------------------------------------------------------------ fingers and pinch

void CStandardGUI_X::DoTouch(const std::vector<KSTouchPoint>& touches) {
    if (touches.empty()) {
        return;
    }
    const auto finger = [&touches](int id) {
        return std::find_if(touches.begin(), touches.end(),
                            [id](const KSTouchPoint& t) { return t.id == id; });
    };
    if (m_firstFinger < 0) {
        const KSTouchPoint& first = touches.front();
        if (first.phase != eTouchDown) {
            return;  // a finger that landed before we listened
        }
        m_firstFinger = first.id;
        m_pinching = false;
    }
    const auto first = finger(m_firstFinger);
    const auto second = std::find_if(touches.begin(), touches.end(), [this](const KSTouchPoint& t) {
        return t.id != m_firstFinger;
    });
    const bool firstEnds =
        first != touches.end() && (first->phase == eTouchUp || first->phase == eTouchCancel);
    if (!m_pinching && second != touches.end() && first != touches.end() &&
        second->phase != eTouchUp && second->phase != eTouchCancel && !firstEnds) {
        // A second finger: the single touch ends where the first finger is, and both pinch.
        KCEventData up = m_touchEvent;
        up.SetMouseLocation(first->location);
        DoSingleTouchUp(up);
        m_pinching = true;
        m_pinchA = first->location;
        m_pinchB = second->location;
        return;
    }
    if (m_pinching) {
        const bool ends = firstEnds || (second != touches.end() && (second->phase == eTouchUp ||
                                                                    second->phase == eTouchCancel));
        if (first != touches.end() && second != touches.end() && !ends) {
            const int spreadX0 = std::abs(m_pinchA.x - m_pinchB.x);
            const int spreadY0 = std::abs(m_pinchA.y - m_pinchB.y);
            const int spreadX1 = std::abs(first->location.x - second->location.x);
            const int spreadY1 = std::abs(first->location.y - second->location.y);
            KSPinchGesture gesture;
            gesture.center = {static_cast<short>((first->location.x + second->location.x) / 2),
                              static_cast<short>((first->location.y + second->location.y) / 2)};
            gesture.dx = spreadX1 - spreadX0;
            gesture.dy = spreadY1 - spreadY0;
            m_pinchA = first->location;
            m_pinchB = second->location;
            if (gesture.dx != 0.0 || gesture.dy != 0.0) {
                bool handled = false;
                DoPinchGesture(gesture, handled);
            }
        }
        if (firstEnds) {
            m_firstFinger = -1;
            m_pinching = false;
        }
        return;
    }
    if (first == touches.end()) {
        return;
    }
    KCEventData event = m_touchEvent;
    event.SetMouseLocation(first->location);
    DoSingleTouch(event, first->phase);
    if (firstEnds) {
        m_firstFinger = -1;
    }
}

void CStandardGUI_X::DoPinchGesture(const KSPinchGesture& gesture, bool& handled) {
    handled = false;
    if (m_mouseCaptured || m_touchDown || m_editModes->IsOn()) {
        return;
    }
    KCEventData event;
    event.SetMouseLocation(gesture.center);
    KCGUIControl* control = GetClickedControl(gesture.center, &event);
    if (control == nullptr || (!control->IsRegisteredToType(eRegTouchPinchVertical) &&
                               !control->IsRegisteredToType(eRegTouchPinchHorizontal))) {
        return;
    }
    handled = true;
    control->Touch();
    BUFFER_HEADER* chain = control->TouchPinchGesture(gesture.dx, gesture.dy);
    ExecuteAndDisposeBuffer(&chain);
    for (KCParamRegistrationData& r : control->Registrations()) {
        BUFFER_HEADER* finish = r.FinishDragParam();
        ExecuteAndDisposeBuffer(&finish);
    }
    control->Release();
    CloseUndoStep({control});
}

// ------------------------------------------------------------------ window

void CStandardGUI_X::ActivateWindow(PluginViewManager::KCPluginViewAbs* view) {
    if (view != nullptr) {
        SetPluginView(view);
    }
    m_windowActive = true;
    SetNeedToRedrawGUI();
}

void CStandardGUI_X::DeactivateWindow() {
    m_windowActive = false;
    m_editModes->Cancel();
    // The pointer is not sent back onto a window that is no longer active.
    ShowCursorAfterGesture(nullptr);
    if (m_mouseCaptured) {
        KCEventData up = m_lastEvent;
        up.ClearMouseButtons();
        DoMouseUp(up);
    }
    if (m_touchDown) {
        KCEventData up = m_touchEvent;
        DoSingleTouchUp(up);
    }
    m_firstFinger = -1;
    m_pinching = false;
    KCEventData away = m_lastEvent;
    for (const auto& control : m_controls) {
        if (control->IsMouseHover()) {
            BUFFER_HEADER* chain = control->MouseOver(away, false, nullptr);
            ExecuteAndDisposeBuffer(&chain);
        }
    }
}

void CStandardGUI_X::ResetPluginView() {
    DeactivateWindow();
    SetPluginView(nullptr);
}

void CStandardGUI_X::SetEditModes(std::unique_ptr<CKorvaneEditModes_X> modes) {
    m_editModes->Cancel();
    m_editModes =
        modes != nullptr ? std::move(modes) : std::make_unique<CKorvaneEditModes_X>(*this);
}

}  // namespace kvKorvaneV10_0_3
