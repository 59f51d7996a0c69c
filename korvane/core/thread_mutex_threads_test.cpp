// Tests of ThreadMutexInited across threads: exclusion, try-lock and ownership.
#include "korvane/core/thread_mutex.h"

#include "korvane/core/atomic_lock.h"

#include <gtest/gtest.h>

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
