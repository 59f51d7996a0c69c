// Tests of ThreadConditionSignal: time-outs, one and all waiters woken, and the mutex's state
// around the waits.
#include "korvane/core/condition_signal.h"

#include "korvane/core/sleep.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace kvKorvaneV10_0_3::kvThread {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::seconds;

// Opens the protected mutex to the tests, as a user's derived class would.
class Condition : public ThreadConditionSignal {
public:
    using ThreadConditionSignal::is_broadcasting;
    using ThreadConditionSignal::obtain_mutex;
    using ThreadConditionSignal::release_mutex;
    using ThreadConditionSignal::tryobtain_mutex;

    // Blocks until `count` threads have announced (under the mutex) that they wait.
    void AwaitWaiters(int count) {
        for (;;) {
            obtain_mutex();
            const bool all = ready == count;
            release_mutex();
            if (all) {
                return;
            }
            sleep_milliseconds(1);
        }
    }

    int ready = 0;  // guarded by the mutex
};

bool FreeForOtherThreads(Condition& c) {
    bool got = false;
    std::thread([&] {
        got = c.tryobtain_mutex();
        if (got) {
            c.release_mutex();
        }
    }).join();
    return got;
}

TEST(ConditionSignal, TimeOutsReturnFalseAndNegativeOnesDoNotWait) {
    Condition c;
    c.obtain_mutex();
    auto start = Clock::now();
    EXPECT_FALSE(c.await_condition(0));
    EXPECT_FALSE(c.await_condition(500));       // rounds to 0 ms
    EXPECT_FALSE(c.await_condition(-2000000));  // must not turn into "forever"
    EXPECT_FALSE(c.await_condition(1000));
    EXPECT_FALSE(c.await_condition(50000));
    const auto waited = Clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(51));
    EXPECT_LT(waited, seconds(20));
    // The caller holds the mutex again after every time-out.
    EXPECT_FALSE(FreeForOtherThreads(c));
    c.release_mutex();
    EXPECT_TRUE(FreeForOtherThreads(c));

    // A signal nobody waits for is not kept for a later waiter.
    c.signal_condition_single();
    c.signal_condition_broadcast();
    EXPECT_FALSE(c.is_broadcasting());
    c.obtain_mutex();
    EXPECT_FALSE(c.await_condition(20000));
    c.release_mutex();
}

TEST(ConditionSignal, SignalWakesOneWaiterAndBroadcastTheRest) {
    Condition c;
    constexpr int kWaiters = 4;
    std::atomic<int> woken{0};
    std::vector<std::thread> waiters;
    waiters.reserve(kWaiters);
    for (int i = 0; i < kWaiters; ++i) {
        waiters.emplace_back([&] {
            c.obtain_mutex();
            ++c.ready;
            // Time-outs far beyond the test: a wake-up before them is a signal.
            if (c.await_condition(60 * 1000 * 1000)) {
                ++woken;
            }
            c.release_mutex();
        });
    }
    c.AwaitWaiters(kWaiters);

    c.signal_condition_single();
    while (woken.load() == 0) {
        sleep_milliseconds(1);
    }
    sleep_milliseconds(100);  // room for a wrongly woken second waiter to show up
    EXPECT_EQ(woken.load(), 1);

    c.obtain_mutex();
    c.signal_condition_broadcast();
    // Every woken waiter has left its wait but none can have returned: we hold the mutex.
    EXPECT_FALSE(c.is_broadcasting());
    EXPECT_EQ(woken.load(), 1);
    c.release_mutex();
    for (auto& t : waiters) {
        t.join();
    }
    EXPECT_EQ(woken.load(), kWaiters);
}

TEST(ConditionSignal, RepeatedSignalsToOneWaiterLeaveNothingBehind) {
    Condition c;
    std::thread waiter([&] {
        c.obtain_mutex();
        ++c.ready;
        EXPECT_TRUE(c.await_condition());
        c.release_mutex();
    });
    c.AwaitWaiters(1);
    c.signal_condition_single();
    c.signal_condition_single();
    c.signal_condition_single();
    waiter.join();

    c.obtain_mutex();
    EXPECT_FALSE(c.await_condition(20000));
    c.release_mutex();
}

TEST(ConditionSignal, WaitGivesUpEveryLevelOfTheMutexAndRestoresThem) {
    Condition c;
    std::atomic<bool> signalled{false};
    std::thread waiter([&] {
        c.obtain_mutex();
        c.obtain_mutex();
        ++c.ready;
        while (!signalled.load()) {
            c.await_condition();
        }
        // Both levels are back: one release leaves the mutex held.
        c.release_mutex();
        EXPECT_FALSE(FreeForOtherThreads(c));
        c.release_mutex();
        EXPECT_TRUE(FreeForOtherThreads(c));
    });
    c.AwaitWaiters(1);  // only possible if the wait released both levels
    c.obtain_mutex();
    signalled = true;
    c.signal_condition_broadcast();
    c.release_mutex();
    waiter.join();

    // A caller that does not hold the mutex still waits and comes back without it.
    EXPECT_FALSE(c.await_condition(2000));
    EXPECT_TRUE(FreeForOtherThreads(c));
}

TEST(ConditionSignal, ProducerAndConsumerHandOverEveryItem) {
    Condition c;
    constexpr int kItems = 2000;
    int queued = 0;  // guarded by the condition's mutex
    int consumed = 0;
    std::thread consumer([&] {
        c.obtain_mutex();
        while (consumed < kItems) {
            while (queued == 0) {
                c.await_condition();  // untimed: a lost wake-up hangs here
            }
            --queued;
            ++consumed;
        }
        c.release_mutex();
    });
    for (int i = 0; i < kItems; ++i) {
        c.obtain_mutex();
        ++queued;
        c.release_mutex();
        c.signal_condition_single();
    }
    consumer.join();
    EXPECT_EQ(consumed, kItems);
    EXPECT_EQ(queued, 0);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::kvThread
