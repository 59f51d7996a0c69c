// Tests of ThreadMutexInited across threads: exclusion, try-lock and ownership.
#include "korvane/core/thread_mutex.h"

#include "korvane/core/atomic_lock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

namespace kvKorvaneV10_0_3::kvThread {
namespace {

bool TryFromOtherThread(ThreadMutexInited& m) {
    bool got = false;
    std::thread([&] {
        got = m.tryobtain();
        if (got) {
            EXPECT_EQ(m.is_locked_by_cur_thread(), m.is_init());
            m.release();
        }
    }).join();
    return got;
}

TEST(ThreadMutexThreads, OtherThreadsSeeTheLockUntilTheLastLevelIsReleased) {
    ThreadMutexInited m;
    ASSERT_TRUE(m.init());
    m.obtain();
    m.obtain();
    EXPECT_FALSE(TryFromOtherThread(m));

    bool otherThinksItHolds = true;
    std::thread([&] {
        otherThinksItHolds = m.is_locked_by_cur_thread();
        m.release();  // not the owner: must not unlock
    }).join();
    EXPECT_FALSE(otherThinksItHolds);
    EXPECT_TRUE(m.is_locked_by_cur_thread());
    EXPECT_FALSE(TryFromOtherThread(m));

    m.release();
    EXPECT_FALSE(TryFromOtherThread(m));
    m.release();
    EXPECT_TRUE(TryFromOtherThread(m));

    ThreadMutexInited never;
    never.obtain();
    EXPECT_TRUE(TryFromOtherThread(never));
}

TEST(ThreadMutexThreads, ObtainExcludesOtherThreadsAndNests) {
    ThreadMutexInited m;
    ASSERT_TRUE(m.init());
    constexpr int kThreads = 4;
    constexpr int kRounds = 20000;
    long counter = 0;  // plain on purpose: the mutex is what keeps it consistent
    std::vector<std::thread> threads;
    threads.reserve(kThreads);
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < kRounds; ++i) {
                const ThreadMutexLock outer(m);
                const ThreadMutexLock inner(m);
                const long seen = counter;
                counter = seen + 1;
            }
        });
    }
    for (auto& t : threads) {
        t.join();
    }
    EXPECT_EQ(counter, static_cast<long>(kThreads) * kRounds);
    EXPECT_TRUE(TryFromOtherThread(m));
}

TEST(ThreadMutexThreads, SleepingWaitersAreWokenOneAfterAnother) {
    ThreadMutexInited m;
    ASSERT_TRUE(m.init());
    constexpr int kWaiters = 3;
    m.obtain();
    std::atomic<int> started{0};
    std::atomic<int> inside{0};
    std::atomic<int> maxInside{0};
    std::atomic<int> done{0};
    std::vector<std::thread> threads;
    threads.reserve(kWaiters);
    for (int t = 0; t < kWaiters; ++t) {
        threads.emplace_back([&] {
            started.fetch_add(1);
            m.obtain();
            const int now = inside.fetch_add(1) + 1;
            int seen = maxInside.load();
            while (now > seen && !maxInside.compare_exchange_weak(seen, now)) {
            }
            EXPECT_TRUE(m.is_locked_by_cur_thread());
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            inside.fetch_sub(1);
            m.release();
            EXPECT_FALSE(m.is_locked_by_cur_thread());
            done.fetch_add(1);
        });
    }
    while (started.load() < kWaiters) {
        std::this_thread::yield();
    }
    // Long enough for every waiter to give up spinning and go to sleep.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(done.load(), 0);
    m.release();
    for (auto& t : threads) {
        t.join();
    }
    EXPECT_EQ(done.load(), kWaiters);
    EXPECT_EQ(maxInside.load(), 1);
    EXPECT_TRUE(TryFromOtherThread(m));
}

TEST(ThreadMutexThreads, AThreadNeverInheritsTheOwnershipOfAnEndedOne) {
    ThreadMutexInited m;
    ASSERT_TRUE(m.init());
    // The first thread ends while holding the lock; the next one may well reuse its stack,
    // descriptor or kernel id, but it must not pass for the owner.
    std::thread([&] { m.obtain(); }).join();
    bool nextHolds = true;
    bool nextGot = true;
    std::thread([&] {
        nextHolds = m.is_locked_by_cur_thread();
        m.release();  // must not unlock on the ended owner's behalf
        nextGot = m.tryobtain();
    }).join();
    EXPECT_FALSE(nextHolds);
    EXPECT_FALSE(nextGot);
    EXPECT_FALSE(m.is_locked_by_cur_thread());
    EXPECT_FALSE(TryFromOtherThread(m));
}

TEST(ThreadMutexThreads, OnceFreshOwnerIdsRunOutOnlyEndedThreadsIdsAreGivenAgain) {
    const std::uint32_t mine = lock_detail::CurrentOwnerId();
    const std::uint32_t saved = lock_detail::SetLastOwnerIdForTesting(lock_detail::kOwnerMask - 2);
    std::uint32_t ended = 0;
    std::thread([&] { ended = lock_detail::CurrentOwnerId(); }).join();
    EXPECT_EQ(ended, lock_detail::kOwnerMask - 1);

    // The last fresh id goes to a thread that holds a lock until the end of the test.
    ThreadMutexInited m;
    ASSERT_TRUE(m.init());
    std::atomic<bool> holding{false};
    std::atomic<bool> done{false};
    std::uint32_t holder = 0;
    std::thread keeper([&] {
        holder = lock_detail::CurrentOwnerId();
        m.obtain();
        holding = true;
        while (!done) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        m.release();
    });
    while (!holding) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(holder, lock_detail::kOwnerMask);

    // No fresh id is left: the next thread gets an ended thread's, never a live one's, and
    // the keeper's lock stays exclusive.
    std::uint32_t reused = 0;
    bool got = true;
    std::thread([&] {
        reused = lock_detail::CurrentOwnerId();
        got = m.tryobtain();
    }).join();
    EXPECT_NE(reused, holder);
    EXPECT_NE(reused, mine);
    EXPECT_NE(reused, 0U);
    EXPECT_FALSE(got);
    done = true;
    keeper.join();
    lock_detail::SetLastOwnerIdForTesting(saved);
}

TEST(ThreadMutexThreads, AReleasedLockIsNoLongerHeldByItsFormerOwner) {
    ThreadMutexInited m;
    ASSERT_TRUE(m.init());
    m.obtain();
    m.release();
    std::atomic<bool> taken{false};
    std::atomic<bool> checked{false};
    std::thread other([&] {
        m.obtain();
        taken.store(true);
        while (!checked.load()) {
            std::this_thread::yield();
        }
        m.release();
    });
    while (!taken.load()) {
        std::this_thread::yield();
    }
    EXPECT_FALSE(m.is_locked_by_cur_thread());
    m.release();  // not the owner any more: ignored
    EXPECT_FALSE(m.tryobtain());
    checked.store(true);
    other.join();
    EXPECT_TRUE(m.tryobtain());
    EXPECT_TRUE(m.is_locked_by_cur_thread());
    m.release();
}

TEST(AtomicLockThreads, UnlimitedTriesSucceedOnceAnotherThreadReleases) {
    KCAtomicLock lock;
    ASSERT_TRUE(lock.obtain(1));
    bool got = false;
    std::thread waiter([&] { got = lock.obtain(0); });
    lock.release();
    waiter.join();
    EXPECT_TRUE(got);
    EXPECT_TRUE(lock.is_held());
    EXPECT_FALSE(lock.obtain(1));
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::kvThread
