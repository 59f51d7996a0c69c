#include "korvane/gui/pvm/event_dispatcher.h"

#include <cstdlib>
#include <utility>

namespace kvKorvaneV10_0_3::PluginViewManager {

KCEventDispatcher::KCEventDispatcher(KCViewEventReceiver* receiver, KTMicroClock clock)
    : m_receiver(receiver), m_clock(std::move(clock)) {}

void KCEventDispatcher::SetClock(KTMicroClock clock) {
    m_clock = std::move(clock);
}

std::uint64_t KCEventDispatcher::Now() const {
    return m_clock ? m_clock() : SteadyMicroseconds();
}

void KCEventDispatcher::Prepare(KCEventData::Point location, const KTModifierState& modifiers) {
    m_event.SetMouseLocation(location);
    m_event.SetAllKeyModifiers(modifiers.data());
    m_event.SetMouseWheelDelta(0);
    m_event.SetKey(eKeyNone, 0);
}

void KCEventDispatcher::SetMouseButtonPressed(KEMouseButton button, bool down) {
    m_event.ClearMouseButtons();
    if (down) {
        m_event.SetMouseButtonPressed(button, true);
    }
}

KEClickCount KCEventDispatcher::CountClick(KEMouseButton button, KCEventData::Point location) {
    const std::uint64_t now = Now();
    const bool close = std::abs(location.x - m_lastPressLocation.x) <= m_doubleClickDistance &&
                       std::abs(location.y - m_lastPressLocation.y) <= m_doubleClickDistance;
    const bool soon = now >= m_lastPressTime && now - m_lastPressTime <= m_doubleClickTime;
    KEClickCount count = eSingleClick;
    if (button == m_lastPressButton && close && soon && m_lastClickCount != eNoClick &&
        m_lastClickCount < eTripleClick) {
        count = static_cast<KEClickCount>(m_lastClickCount + 1);
    }
    m_lastPressButton = button;
    m_lastPressLocation = location;
    m_lastPressTime = now;
    m_lastClickCount = count;
    return count;
}

bool KCEventDispatcher::IsNeedToBlockMouseEvent(EMouseInput input, KEMouseButton button) const {
    switch (input) {
        case EMouseInput::ePress:
            return button >= eButtonCount || IsMouseButtonDown();
        case EMouseInput::eRelease:
            return button >= eButtonCount || button != m_pressed;
        case EMouseInput::eMotion:
        case EMouseInput::eWheel:
            return false;
    }
    return true;
}

bool KCEventDispatcher::ButtonPress(KEMouseButton button, KCEventData::Point location,
                                    const KTModifierState& modifiers) {
    if (IsNeedToBlockMouseEvent(EMouseInput::ePress, button)) {
        return false;
    }
    Prepare(location, modifiers);
    m_event.SetMouseDownLocation(location);
    m_event.SetMouseClickCount(CountClick(button, location));
    SetMouseButtonPressed(button, true);
    m_pressed = button;
    if (m_receiver == nullptr) {
        return false;
    }
    m_receiver->DoMouseDown(m_event);
    return true;
}

bool KCEventDispatcher::ButtonRelease(KEMouseButton button, KCEventData::Point location,
                                      const KTModifierState& modifiers) {
    if (IsNeedToBlockMouseEvent(EMouseInput::eRelease, button)) {
        return false;
    }
    Prepare(location, modifiers);
    SetMouseButtonPressed(button, false);
    m_pressed = eButtonCount;
    if (m_receiver == nullptr) {
        return false;
    }
    m_receiver->DoMouseUp(m_event);
    return true;
}

bool KCEventDispatcher::Motion(KCEventData::Point location, const KTModifierState& modifiers) {
    Prepare(location, modifiers);
    if (m_receiver == nullptr) {
        return false;
    }
    m_receiver->DoMouseMove(m_event);
    return true;
}

bool KCEventDispatcher::Wheel(KCEventData::Point location, int notches,
                              const KTModifierState& modifiers) {
    Prepare(location, modifiers);
    m_event.SetMouseWheelDelta(notches);
    if (m_receiver == nullptr || notches == 0) {
        return false;
    }
    m_receiver->DoMouseWheel(m_event);
    return true;
}

bool KCEventDispatcher::Key(KEKeyCode code, char32_t character, const KTModifierState& modifiers) {
    m_event.SetAllKeyModifiers(modifiers.data());
    m_event.SetMouseWheelDelta(0);
    m_event.SetKey(code, character);
    if (m_receiver == nullptr) {
        return false;
    }
    bool handled = false;
    m_receiver->DoKey(m_event, handled);
    return handled;
}

void KCEventDispatcher::Warp(KCEventData::Point location) {
    m_event.SetMouseLocation(location);
    m_event.SetMouseLocation(location);
}

void KCEventDispatcher::ViewResized(const KURect<int>& bounds) {
    if (m_receiver != nullptr) {
        m_receiver->DoResizeViewPluginRect(bounds);
    }
}

bool KCEventDispatcher::FocusLost() {
    // A later press must not count as a second click of one made before the focus went.
    m_lastClickCount = eNoClick;
    if (!IsMouseButtonDown()) {
        return false;
    }
    m_event.SetMouseLocation(m_event.GetMouseLocation());
    m_event.SetMouseWheelDelta(0);
    SetMouseButtonPressed(m_pressed, false);
    m_pressed = eButtonCount;
    if (m_receiver == nullptr) {
        return false;
    }
    m_receiver->DoMouseUp(m_event);
    return true;
}

}  // namespace kvKorvaneV10_0_3::PluginViewManager
