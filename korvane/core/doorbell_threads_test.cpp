// Tests of KCBoostDoorbell: early rings are kept, waiters are woken, rings are consumed.
#include "korvane/core/doorbell.h"

#include "korvane/core/sleep.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace kvKorvaneV10_0_3::kvThread {
namespace {

TEST(Doorbell, RingBeforeTheWaitIsKeptAndRingsCollapseIntoOne) {
    KCBoostDoorbell bell;
    EXPECT_EQ(bell.Notify(), eNoErr);
    EXPECT_EQ(bell.Notify(), eNoErr);
    EXPECT_EQ(bell.AwaitNotify(), eNoErr);  // returns at once: the ring was kept

    // The two rings were one: a second wait blocks until the next ring.
    std::atomic<bool> returned{false};
    std::thread waiter([&] {
        EXPECT_EQ(bell.AwaitNotify(), eNoErr);
        returned = true;
    });
    sleep_milliseconds(100);
    EXPECT_FALSE(returned.load());
    EXPECT_EQ(bell.Notify(), eNoErr);
    waiter.join();
    EXPECT_TRUE(returned.load());
}

TEST(Doorbell, TwoBellsPlayPingPongWithoutLosingARing) {
    KCBoostDoorbell ping;
    KCBoostDoorbell pong;
    constexpr int kRounds = 500;
    int returnedBalls = 0;
    std::thread partner([&] {
        for (int i = 0; i < kRounds; ++i) {
            ASSERT_EQ(ping.AwaitNotify(), eNoErr);
            ASSERT_EQ(pong.Notify(), eNoErr);
        }
    });
    for (int i = 0; i < kRounds; ++i) {
        ASSERT_EQ(ping.Notify(), eNoErr);
        ASSERT_EQ(pong.AwaitNotify(), eNoErr);
        ++returnedBalls;
    }
    partner.join();
    EXPECT_EQ(returnedBalls, kRounds);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::kvThread
