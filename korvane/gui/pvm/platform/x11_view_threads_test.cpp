// Posting to the GUI thread from other threads: a post wakes the loop's poll, and every posted
// function runs once, on the GUI thread, in each poster's order.
#include "korvane/gui/pvm/plugin_view.h"

#include "korvane/gui/pvm/platform/xvfb_test_support.h"

#include <gtest/gtest.h>
#include <poll.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

namespace kvKorvaneV10_0_3::PluginViewManager {
namespace {

std::unique_ptr<KCPluginView> ConnectedView(testing::XTestClient& client) {
    KCPluginViewCreateOptions options;
    options.parent = client.TopLevel(0, 0, 40, 40);
    options.width = options.height = 40;
    std::unique_ptr<KCPluginView> view;
    EXPECT_EQ(CreatePluginView(options, view), eNoErr);
    return view;
}

TEST(X11ViewThreads, APostFromAnotherThreadWakesTheLoopsPoll) {
    testing::XTestClient client;
    ASSERT_TRUE(client.Ok());
    auto view = ConnectedView(client);
    ASSERT_NE(view, nullptr);
    RunEventLoopFor(20);  // nothing left to read
    ASSERT_EQ(GetEventLoopTimeoutMs(), -1);

    const std::thread::id gui = std::this_thread::get_id();
    std::atomic<bool> ranOnGUI{false};
    std::thread poster([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        PostToGUIThread([&] { ranOnGUI = std::this_thread::get_id() == gui; });
    });
    const auto start = std::chrono::steady_clock::now();
    pollfd wait{GetEventLoopFileDescriptor(), POLLIN, 0};
    const int ready = poll(&wait, 1, 5000);
    const auto waited = std::chrono::steady_clock::now() - start;
    poster.join();
    EXPECT_EQ(ready, 1);
    EXPECT_LT(waited, std::chrono::seconds(2));
    EXPECT_FALSE(ranOnGUI);
    EXPECT_EQ(DispatchEvents(), eNoErr);
    EXPECT_TRUE(ranOnGUI);
}

TEST(X11ViewThreads, EveryPostRunsOnceInEachPostersOrder) {
    testing::XTestClient client;
    ASSERT_TRUE(client.Ok());
    auto view = ConnectedView(client);
    ASSERT_NE(view, nullptr);
    constexpr int kThreads = 4;
    constexpr int kPosts = 500;
    // Touched only on the GUI thread.
    std::vector<std::vector<int>> seen(kThreads);
    std::vector<std::thread> posters;
    posters.reserve(kThreads);
    for (int t = 0; t < kThreads; ++t) {
        posters.emplace_back([t, &seen] {
            for (int i = 0; i < kPosts; ++i) {
                PostToGUIThread([t, i, &seen] { seen[static_cast<std::size_t>(t)].push_back(i); });
            }
        });
    }
    const auto done = [&] {
        for (const auto& s : seen) {
            if (s.size() < kPosts) {
                return false;
            }
        }
        return true;
    };
    const bool finished = testing::RunUntil(done, 10'000);
    for (auto& p : posters) {
        p.join();
    }
    RunEventLoopFor(20);
    ASSERT_TRUE(finished);
    for (const auto& s : seen) {
        ASSERT_EQ(s.size(), static_cast<std::size_t>(kPosts));
        for (int i = 0; i < kPosts; ++i) {
            EXPECT_EQ(s[static_cast<std::size_t>(i)], i);
        }
    }
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::PluginViewManager
