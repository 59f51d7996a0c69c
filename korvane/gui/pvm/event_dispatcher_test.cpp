#include "korvane/gui/pvm/event_dispatcher.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3::PluginViewManager {
namespace {

// What the GUI saw: the call and a copy of the record at that moment.
struct Call {
    std::string what;
    KCEventData event;
};

class Recorder : public KCViewEventReceiver {
public:
    void DoMouseDown(KCEventData& event) override { calls.push_back({"down", event}); }
    void DoMouseMove(KCEventData& event) override { calls.push_back({"move", event}); }
    void DoMouseUp(KCEventData& event) override { calls.push_back({"up", event}); }
    void DoMouseWheel(KCEventData& event) override { calls.push_back({"wheel", event}); }
    void DoKey(KCEventData& event, bool& handled) override {
        calls.push_back({"key", event});
        handled = event.GetKeyCode() == eKeyEnter;
    }
    [[nodiscard]] const KCEventData& Last() const { return calls.back().event; }

    std::vector<Call> calls;
};

class DispatcherTest : public ::testing::Test {
protected:
    Recorder gui;
    std::uint64_t now = 10'000'000;
    KCEventDispatcher dispatcher{&gui, [this] { return now; }};
    const KTModifierState none{};
    const KTModifierState shift{false, false, true, false};
};

TEST_F(DispatcherTest, ADragCarriesItsOriginDeltasAndButton) {
    ASSERT_TRUE(dispatcher.Motion({5, 5}, none));
    ASSERT_TRUE(dispatcher.ButtonPress(eLeftButton, {10, 20}, shift));
    EXPECT_TRUE(dispatcher.IsMouseButtonDown());
    const KCEventData& down = gui.Last();
    EXPECT_EQ(gui.calls.back().what, "down");
    EXPECT_EQ(down.GetMouseDownLocation(), (KCEventData::Point{10, 20}));
    EXPECT_EQ(down.GetMouseOldLocation(), (KCEventData::Point{5, 5}));
    EXPECT_TRUE(down.GetMouseButtonPressed(eLeftButton));
    EXPECT_FALSE(down.GetMouseButtonPressed(eRightButton));
    EXPECT_TRUE(down.GetKeyModifiers(eModShift));
    EXPECT_EQ(down.GetMouseClickCount(), eSingleClick);

    ASSERT_TRUE(dispatcher.Motion({13, 16}, none));
    ASSERT_TRUE(dispatcher.Motion({20, 10}, none));
    const KCEventData& drag = gui.Last();
    EXPECT_EQ(drag.GetMouseDelta(), (KCEventData::Point{7, -6}));
    EXPECT_EQ(drag.GetMouseDistanceFromDragStart(), (KCEventData::Point{10, -10}));
    EXPECT_TRUE(drag.GetMouseButtonPressed(eLeftButton));
    EXPECT_FALSE(drag.GetKeyModifiers(eModShift)) << "modifiers are those of each event";

    ASSERT_TRUE(dispatcher.ButtonRelease(eLeftButton, {21, 10}, none));
    const KCEventData& up = gui.Last();
    EXPECT_EQ(gui.calls.back().what, "up");
    EXPECT_FALSE(up.GetMouseButtonPressed(eLeftButton));
    EXPECT_EQ(up.GetMouseDownLocation(), (KCEventData::Point{10, 20}));
    EXPECT_FALSE(dispatcher.IsMouseButtonDown());
}

TEST_F(DispatcherTest, AWarpMovesTheDeltasOriginWithoutTellingTheGUI) {
    ASSERT_TRUE(dispatcher.ButtonPress(eLeftButton, {10, 20}, none));
    ASSERT_TRUE(dispatcher.Motion({30, 5}, none));
    const std::size_t calls = gui.calls.size();
    dispatcher.Warp({100, 100});
    EXPECT_EQ(gui.calls.size(), calls);
    EXPECT_TRUE(dispatcher.IsMouseButtonDown()) << "the drag goes on";
    ASSERT_TRUE(dispatcher.Motion({103, 96}, none));
    EXPECT_EQ(gui.Last().GetMouseDelta(), (KCEventData::Point{3, -4}));
    EXPECT_EQ(gui.Last().GetMouseDownLocation(), (KCEventData::Point{10, 20}));
}

TEST_F(DispatcherTest, CountsClicksWithinTimeAndDistanceOfTheSameButton) {
    const auto click = [&](KEMouseButton button, KCEventData::Point at) {
        EXPECT_TRUE(dispatcher.ButtonPress(button, at, none));
        const KEClickCount count = gui.Last().GetMouseClickCount();
        EXPECT_TRUE(dispatcher.ButtonRelease(button, at, none));
        EXPECT_EQ(gui.Last().GetMouseClickCount(), count) << "the release carries the count";
        return count;
    };
    EXPECT_EQ(click(eLeftButton, {50, 50}), eSingleClick);
    now += 300'000;
    EXPECT_EQ(click(eLeftButton, {53, 46}), eDoubleClick);
    now += 100'000;
    EXPECT_EQ(click(eLeftButton, {53, 46}), eTripleClick);
    now += 100'000;
    EXPECT_EQ(click(eLeftButton, {53, 46}), eSingleClick) << "a fourth starts over";

    now += 500'001;
    EXPECT_EQ(click(eLeftButton, {53, 46}), eSingleClick) << "too late";
    now += 1'000;
    EXPECT_EQ(click(eLeftButton, {58, 46}), eSingleClick) << "too far";
    now += 1'000;
    EXPECT_EQ(click(eRightButton, {58, 46}), eSingleClick) << "another button";

    dispatcher.SetDoubleClickTime(50);
    dispatcher.SetDoubleClickDistance(0);
    now += 50;
    EXPECT_EQ(click(eRightButton, {58, 46}), eDoubleClick);
    now += 10;
    EXPECT_EQ(click(eRightButton, {58, 47}), eSingleClick);
}

TEST_F(DispatcherTest, KeepsOneButtonAtATimeAndBlocksStrayReleases) {
    EXPECT_TRUE(dispatcher.IsNeedToBlockMouseEvent(EMouseInput::eRelease, eLeftButton))
        << "a release without a press (pressed outside the view)";
    EXPECT_FALSE(dispatcher.ButtonRelease(eLeftButton, {1, 1}, none));
    EXPECT_TRUE(gui.calls.empty());

    ASSERT_TRUE(dispatcher.ButtonPress(eRightButton, {1, 1}, none));
    EXPECT_TRUE(dispatcher.IsNeedToBlockMouseEvent(EMouseInput::ePress, eLeftButton));
    EXPECT_FALSE(dispatcher.ButtonPress(eLeftButton, {2, 2}, none));
    EXPECT_FALSE(dispatcher.ButtonRelease(eLeftButton, {2, 2}, none));
    EXPECT_FALSE(dispatcher.IsNeedToBlockMouseEvent(EMouseInput::eMotion, eLeftButton));
    EXPECT_TRUE(dispatcher.IsNeedToBlockMouseEvent(EMouseInput::ePress, eButtonCount));
    ASSERT_EQ(gui.calls.size(), 1U);
    EXPECT_TRUE(gui.Last().GetMouseButtonPressed(eRightButton));

    ASSERT_TRUE(dispatcher.ButtonRelease(eRightButton, {3, 3}, none));
    // Each button message leaves only its own button set; a release clears them all.
    ASSERT_TRUE(dispatcher.ButtonPress(eMiddleButton, {3, 3}, none));
    EXPECT_TRUE(gui.Last().GetMouseButtonPressed(eMiddleButton));
    EXPECT_FALSE(gui.Last().GetMouseButtonPressed(eRightButton));
    EXPECT_FALSE(gui.Last().GetMouseButtonPressed(eLeftButton));
}

TEST_F(DispatcherTest, FocusLostDuringAPressEndsItThroughMouseUp) {
    EXPECT_FALSE(dispatcher.FocusLost()) << "nothing pressed: nothing to end";
    ASSERT_TRUE(dispatcher.ButtonPress(eLeftButton, {30, 40}, none));
    ASSERT_TRUE(dispatcher.Motion({35, 45}, none));
    ASSERT_TRUE(dispatcher.FocusLost());
    EXPECT_EQ(gui.calls.back().what, "up");
    EXPECT_EQ(gui.Last().GetMouseLocation(), (KCEventData::Point{35, 45}));
    EXPECT_EQ(gui.Last().GetMouseDelta(), (KCEventData::Point{0, 0}));
    EXPECT_FALSE(gui.Last().GetMouseButtonPressed(eLeftButton));
    EXPECT_FALSE(dispatcher.IsMouseButtonDown());

    // The real release arrives later: it must not reach the GUI a second time.
    const std::size_t calls = gui.calls.size();
    EXPECT_FALSE(dispatcher.ButtonRelease(eLeftButton, {35, 45}, none));
    EXPECT_EQ(gui.calls.size(), calls);
    // Nor does a press straight after count as a double click of the interrupted one.
    ASSERT_TRUE(dispatcher.ButtonPress(eLeftButton, {35, 45}, none));
    EXPECT_EQ(gui.Last().GetMouseClickCount(), eSingleClick);
}

TEST_F(DispatcherTest, DeliversWheelNotchesAndKeysWithTheirModifiers) {
    ASSERT_TRUE(dispatcher.Wheel({4, 4}, -2, shift));
    EXPECT_EQ(gui.calls.back().what, "wheel");
    EXPECT_EQ(gui.Last().GetMouseWheelDelta(), -2);
    EXPECT_EQ(gui.Last().GetMouseLocation(), (KCEventData::Point{4, 4}));
    EXPECT_TRUE(gui.Last().GetKeyModifiers(eModShift));
    EXPECT_FALSE(dispatcher.Wheel({4, 4}, 0, none));
    ASSERT_TRUE(dispatcher.Motion({5, 4}, none));
    EXPECT_EQ(gui.Last().GetMouseWheelDelta(), 0) << "a wheel delta does not stick to later events";

    const KTModifierState primary{true, false, false, false};
    EXPECT_FALSE(dispatcher.Key(eKeyCharacter, U'z', primary));
    EXPECT_EQ(gui.Last().GetKeyChar(), U'z');
    EXPECT_TRUE(gui.Last().GetKeyModifiers(eModPrimary));
    EXPECT_TRUE(dispatcher.Key(eKeyEnter, 0, none)) << "the GUI used Enter";
    EXPECT_EQ(gui.Last().GetKeyCode(), eKeyEnter);

    KCEventDispatcher detached;
    EXPECT_FALSE(detached.ButtonPress(eLeftButton, {1, 1}, none));
    EXPECT_TRUE(detached.IsMouseButtonDown()) << "tracked even with no GUI attached";
    EXPECT_FALSE(detached.FocusLost());
    EXPECT_FALSE(detached.IsMouseButtonDown());
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::PluginViewManager
