// Tests of ThreadMutexInited on one thread: the uninitialised no-ops, init/uninit and recursion.
#include "korvane/core/thread_mutex.h"

#include <gtest/gtest.h>

namespace kvKorvaneV10_0_3::kvThread {
namespace {

TEST(ThreadMutex, UninitialisedMutexIgnoresEveryOperation) {
    ThreadMutexInited m;
    EXPECT_FALSE(m.is_init());
    m.obtain();
    m.release();
    m.release();  // unbalanced release must not crash either
    EXPECT_TRUE(m.tryobtain());
    EXPECT_FALSE(m.is_locked_by_cur_thread());
    m.uninit();
    EXPECT_FALSE(m.is_init());
}

TEST(ThreadMutex, InitTwiceKeepsOneMutexAndRecursionCountsLevels) {
    ThreadMutexInited m;
    ASSERT_TRUE(m.init());
    m.obtain();
    ASSERT_TRUE(m.init());  // must not replace the held mutex
    EXPECT_TRUE(m.is_locked_by_cur_thread());

    EXPECT_TRUE(m.tryobtain());
    m.obtain();
    m.release();
    m.release();
    EXPECT_TRUE(m.is_locked_by_cur_thread());
    m.release();
    EXPECT_FALSE(m.is_locked_by_cur_thread());
    m.release();  // one too many: ignored
    EXPECT_FALSE(m.is_locked_by_cur_thread());

    {
        const ThreadMutexLock lock(m);
        EXPECT_TRUE(m.is_locked_by_cur_thread());
        {
            const ThreadMutexLock nested(m);  // a nested scope gives up only its own level
        }
        EXPECT_TRUE(m.is_locked_by_cur_thread());
    }
    EXPECT_FALSE(m.is_locked_by_cur_thread());
}

// A scoped lock reads the owner id once for both ends; on a mutex not yet initialised both
// ends do nothing, as obtain() and release() do.
TEST(ThreadMutex, ScopedLockOnAnUninitialisedMutexDoesNothing) {
    ThreadMutexInited m;
    {
        const ThreadMutexLock lock(m);
        EXPECT_FALSE(m.is_locked_by_cur_thread());
    }
    ASSERT_TRUE(m.init());
    m.obtain();
    { const ThreadMutexLock lock(m); }
    EXPECT_TRUE(m.is_locked_by_cur_thread());  // the level taken outside the scope stays
    m.release();
    EXPECT_FALSE(m.is_locked_by_cur_thread());
}

TEST(ThreadMutex, DeepRecursionNeedsAsManyReleases) {
    ThreadMutexInited m;
    ASSERT_TRUE(m.init());
    constexpr int kLevels = 10000;
    for (int i = 0; i < kLevels; ++i) {
        if ((i & 1) != 0) {
            m.obtain();
        } else {
            ASSERT_TRUE(m.tryobtain());
        }
    }
    for (int i = 1; i < kLevels; ++i) {
        m.release();
        ASSERT_TRUE(m.is_locked_by_cur_thread()) << "freed after " << i << " releases";
    }
    m.release();
    EXPECT_FALSE(m.is_locked_by_cur_thread());
    // Taken again from the start, the count starts over.
    m.obtain();
    m.release();
    EXPECT_FALSE(m.is_locked_by_cur_thread());
}

TEST(ThreadMutex, UninitWhileHeldAndReinitGiveAFreshMutex) {
    ThreadMutexInited m;
    ASSERT_TRUE(m.init());
    m.obtain();
    m.obtain();
    m.uninit();
    EXPECT_FALSE(m.is_init());
    EXPECT_FALSE(m.is_locked_by_cur_thread());

    ASSERT_TRUE(m.init());
    EXPECT_FALSE(m.is_locked_by_cur_thread());
    EXPECT_TRUE(m.tryobtain());
    m.release();
    // The destructor of a held mutex must not trip over the lock.
    ThreadMutexInited held;
    ASSERT_TRUE(held.init());
    held.obtain();
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::kvThread
