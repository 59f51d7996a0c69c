// Views without a display: the headless kind, the timers every view has, and what this platform
// does not offer. These run before any window view in this executable, so they also see that
// nothing has connected to a display.
#include "korvane/gui/pvm/plugin_view.h"

#include "korvane/gs/gs_writer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace kvKorvaneV10_0_3::PluginViewManager {
namespace {

struct FakeClock {
    std::uint64_t now = 1'000'000;
    KTMicroClock Clock() {
        return [this] { return now; };
    }
};

TEST(PluginView, HeadlessViewsRenderWithoutConnectingToADisplay) {
    KCPluginViewCreateOptions options;
    options.headless = true;
    options.width = 30;
    options.height = 20;
    std::unique_ptr<KCPluginView> view;
    ASSERT_EQ(CreatePluginView(options, view), eNoErr);
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(view->IsHeadless());
    EXPECT_EQ(view->GetNativeView(), 0U);

    kvGS::KCGraphicStreamBinaryWriter w;
    kvGS::SGSStream stream;
    stream.rect = {0, 0, 30, 20};
    {
        kvGS::KCStGSStreamStructWriter guard(w, stream);
        w.DrawSolidRect(KCRGBAColor{0, 0, 255, 255}, KURect<short>(5, 5, 15, 25));
    }
    ASSERT_EQ(view->Draw(static_cast<const char*>(w.GetStream().ptr), w.GetStream().size), eNoErr);
    EXPECT_EQ(view->GetRenderer().GetPixel(10, 10), 0xFF0000FFU);
    EXPECT_EQ(view->GetRenderer().GetPixel(1, 1), 0U);

    // Pointer requests on a view without a pointer change nothing outside it.
    EXPECT_EQ(view->SetPointerCaptured(true), eNoErr);
    EXPECT_EQ(view->SetCursorHidden(true), eNoErr);
    EXPECT_TRUE(view->IsPointerCaptured());
    EXPECT_TRUE(view->IsCursorHidden());

    RunEventLoopFor(5);
    EXPECT_FALSE(IsDisplayConnected());
    EXPECT_EQ(GetEventLoopFileDescriptor(), -1);
}

TEST(PluginView, SizesThatAreNotPositiveMakeNoView) {
    KCPluginViewCreateOptions options;
    options.headless = true;
    options.width = 0;
    options.height = 10;
    std::unique_ptr<KCPluginView> view;
    EXPECT_EQ(CreatePluginView(options, view), eGMInvalidImage);
    EXPECT_EQ(view, nullptr);
    options.width = 10;
    ASSERT_EQ(CreatePluginView(options, view), eNoErr);
    EXPECT_EQ(view->Resize(-1, 5), eGMInvalidImage);
    EXPECT_EQ(view->Resize(40, 50), eNoErr);
    EXPECT_EQ(view->GetViewBounds().right, 40);
    EXPECT_EQ(view->GetViewBounds().bottom, 50);
}

TEST(PluginView, WebViewsDragAndDropAndTouchAreNotSupported) {
    KCPluginViewCreateOptions options;
    options.headless = true;
    options.width = options.height = 10;
    std::unique_ptr<KCPluginView> view;
    ASSERT_EQ(CreatePluginView(options, view), eNoErr);
    EXPECT_EQ(view->CreateWebView("about:blank"), eOperatingSystemNotSupported);
    EXPECT_EQ(view->RegisterForDragAndDrop(), eOperatingSystemNotSupported);
    EXPECT_EQ(view->EnableTouch(), eOperatingSystemNotSupported);
}

TEST(ViewTimers, RunWhenDueOnTheirOwnClockAndStopWhenAsked) {
    FakeClock clock;
    KCViewTimers timers(clock.Clock());
    int fast = 0;
    int slow = 0;
    const int fastId = timers.Start(10'000, [&] { ++fast; });
    const int slowId = timers.Start(25'000, [&] { ++slow; });
    EXPECT_NE(fastId, slowId);
    EXPECT_EQ(timers.NextDeadline(), clock.now + 10'000);
    EXPECT_EQ(timers.RunDue(), 0);

    clock.now += 10'000;
    EXPECT_EQ(timers.RunDue(), 1);
    EXPECT_EQ(fast, 1);
    // A late turn runs once, not once for each period missed.
    clock.now += 50'000;
    EXPECT_EQ(timers.RunDue(), 2);
    EXPECT_EQ(fast, 2);
    EXPECT_EQ(slow, 1);
    EXPECT_EQ(timers.NextDeadline(), clock.now + 10'000);

    timers.Stop(fastId);
    EXPECT_FALSE(timers.IsRunning(fastId));
    clock.now += 30'000;
    EXPECT_EQ(timers.RunDue(), 1);
    EXPECT_EQ(fast, 2);
    timers.StopAll();
    EXPECT_EQ(timers.NextDeadline(), KCViewTimers::kNoDeadline);
}

TEST(ViewTimers, ACallbackMayStopItselfAndAnotherDueTimer) {
    FakeClock clock;
    KCViewTimers timers(clock.Clock());
    int first = 0;
    int second = 0;
    int secondId = 0;
    int firstId = 0;
    firstId = timers.Start(1000, [&] {
        ++first;
        timers.Stop(firstId);
        timers.Stop(secondId);
    });
    secondId = timers.Start(1000, [&] { ++second; });
    clock.now += 5000;
    EXPECT_EQ(timers.RunDue(), 1);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 0);
    EXPECT_EQ(timers.Count(), 0U);
}

TEST(ViewTimers, TheLoopTimeoutFollowsTheFirstDueTimerOfAnyView) {
    FakeClock clock;
    KCPluginViewCreateOptions options;
    options.headless = true;
    options.width = options.height = 10;
    options.clock = clock.Clock();
    std::unique_ptr<KCPluginView> a;
    std::unique_ptr<KCPluginView> b;
    ASSERT_EQ(CreatePluginView(options, a), eNoErr);
    ASSERT_EQ(CreatePluginView(options, b), eNoErr);
    EXPECT_EQ(GetEventLoopTimeoutMs(), -1);
    int ran = 0;
    a->GetTimers().Start(40'000, [&] { ++ran; });
    b->GetTimers().Start(15'500, [&] { ++ran; });
    EXPECT_EQ(GetEventLoopTimeoutMs(), 16);  // rounded up: the poll must not wake early
    clock.now += 15'500;
    EXPECT_EQ(GetEventLoopTimeoutMs(), 0);
    EXPECT_EQ(DispatchEvents(), eNoErr);
    EXPECT_EQ(ran, 1);
    b.reset();  // a disposed view's timers are gone with it
    EXPECT_EQ(GetEventLoopTimeoutMs(), 25);
}

TEST(ViewTimers, FunctionsPostedWithoutADisplayRunAtTheNextDispatch) {
    int ran = 0;
    PostToGUIThread([&] { ++ran; });
    EXPECT_EQ(GetEventLoopTimeoutMs(), 0);
    EXPECT_EQ(DispatchEvents(), eNoErr);
    EXPECT_EQ(ran, 1);
    EXPECT_EQ(DispatchEvents(), eNoErr);
    EXPECT_EQ(ran, 1);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::PluginViewManager
