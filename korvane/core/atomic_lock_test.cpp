// Tests of KCAtomicLock's try count and retry pause on one thread.
#include "korvane/core/atomic_lock.h"

#include <gtest/gtest.h>

#include <chrono>

namespace kvKorvaneV10_0_3::kvThread {
namespace {

using Clock = std::chrono::steady_clock;

TEST(AtomicLock, OneTryNeverWaitsAndCopiesCarryTheState) {
    KCAtomicLock lock;
    EXPECT_FALSE(lock.is_held());
    ASSERT_TRUE(lock.obtain(1));
    EXPECT_TRUE(lock.is_held());

    const auto start = Clock::now();
    EXPECT_FALSE(lock.obtain(1));
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(900));  // no one-second pause

    KCAtomicLock copy(lock);
    EXPECT_TRUE(copy.is_held());
    lock.release();
    EXPECT_FALSE(lock.is_held());
    EXPECT_TRUE(copy.is_held());
    copy = lock;
    EXPECT_FALSE(copy.is_held());

    lock.release();  // releasing a free lock leaves it free
    EXPECT_TRUE(lock.obtain(1));
}

TEST(AtomicLock, ThreeTriesOnAHeldLockPauseTwice) {
    KCAtomicLock lock;
    ASSERT_TRUE(lock.obtain(1));
    const auto start = Clock::now();
    EXPECT_FALSE(lock.obtain(3));
    const auto waited = Clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(1990));
    EXPECT_LT(waited, std::chrono::seconds(30));
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::kvThread
