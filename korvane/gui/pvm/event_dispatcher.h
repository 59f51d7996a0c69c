// KCEventDispatcher: turns a view's raw input (what any windowing system reports) into the
// event record and the calls of KCViewEventReceiver, keeping button state, click counts and
// the pointer's history between events.
#pragma once

#include "korvane/core/export.h"
#include "korvane/gui/pvm/event_data.h"
#include "korvane/gui/pvm/event_receiver.h"
#include "korvane/gui/pvm/micro_clock.h"

#include <array>
#include <cstdint>

namespace kvKorvaneV10_0_3::PluginViewManager {

using KTModifierState = std::array<bool, eModCount>;

// The raw input kinds IsNeedToBlockMouseEvent judges.
enum class EMouseInput : std::uint8_t { ePress, eRelease, eMotion, eWheel };

// One per view. [gui-thread]
class KORVANE_API KCEventDispatcher {
public:
    static constexpr std::uint64_t kDefaultDoubleClickMicroseconds = 500'000;
    static constexpr int kDefaultDoubleClickDistance = 4;

    // Without a clock the steady system clock is used. The receiver is not owned and may be
    // null (input is then only tracked).
    explicit KCEventDispatcher(KCViewEventReceiver* receiver = nullptr, KTMicroClock clock = {});

    void SetReceiver(KCViewEventReceiver* receiver) { m_receiver = receiver; }
    void SetClock(KTMicroClock clock);
    // Two presses of one button make a double click when the second comes within `us` of the
    // first and within `pixels` of it on each axis; a third makes a triple click.
    void SetDoubleClickTime(std::uint64_t us) { m_doubleClickTime = us; }
    void SetDoubleClickDistance(int pixels) { m_doubleClickDistance = pixels; }

    // Each returns true when the GUI was called (Key: when the GUI used the key; a wheel turn
    // of 0 notches is not delivered). Locations are in view coordinates. The click count of
    // the latest press stays on the record, so its release and drag carry it too.
    bool ButtonPress(KEMouseButton button, KCEventData::Point location,
                     const KTModifierState& modifiers);
    bool ButtonRelease(KEMouseButton button, KCEventData::Point location,
                       const KTModifierState& modifiers);
    bool Motion(KCEventData::Point location, const KTModifierState& modifiers);
    // `notches` positive away from the user.
    bool Wheel(KCEventData::Point location, int notches, const KTModifierState& modifiers);
    bool Key(KEKeyCode code, char32_t character, const KTModifierState& modifiers);
    // The view lost the keyboard focus or the pointer grab: a press in progress ends through
    // the mouse-up path, since its release will never arrive.
    bool FocusLost();
    // The program moved the pointer to `location` (a relative drag re-centring it): the next
    // motion's delta counts from there. The GUI is not called.
    void Warp(KCEventData::Point location);
    // The view's size changed: the GUI hears of its new place in the parent.
    void ViewResized(const KURect<int>& bounds);

    // True for input that must not reach the GUI: a press while another button is held (the
    // GUI follows one gesture at a time), and a release of a button that is not the one
    // pressed (a press outside the view, or one that focus loss already ended).
    [[nodiscard]] bool IsNeedToBlockMouseEvent(EMouseInput input, KEMouseButton button) const;

    [[nodiscard]] const KCEventData& GetEventData() const { return m_event; }
    // True between a delivered press and its release (or focus loss).
    [[nodiscard]] bool IsMouseButtonDown() const { return m_pressed != eButtonCount; }

private:
    // Sets the pressed-button flags for a button message: only `button`, when it is down.
    void SetMouseButtonPressed(KEMouseButton button, bool down);
    KEClickCount CountClick(KEMouseButton button, KCEventData::Point location);
    void Prepare(KCEventData::Point location, const KTModifierState& modifiers);
    std::uint64_t Now() const;

    KCViewEventReceiver* m_receiver;
    KTMicroClock m_clock;
    std::uint64_t m_doubleClickTime = kDefaultDoubleClickMicroseconds;
    int m_doubleClickDistance = kDefaultDoubleClickDistance;

    KCEventData m_event;
    KEMouseButton m_pressed = eButtonCount;  // eButtonCount: none
    // The previous press, for counting clicks.
    KEMouseButton m_lastPressButton = eButtonCount;
    KCEventData::Point m_lastPressLocation;
    std::uint64_t m_lastPressTime = 0;
    KEClickCount m_lastClickCount = eNoClick;
};

}  // namespace kvKorvaneV10_0_3::PluginViewManager
