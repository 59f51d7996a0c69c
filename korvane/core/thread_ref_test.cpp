// Tests of KCThreadRef's value semantics and the current thread's id.
#include "korvane/core/thread_ref.h"

#include <gtest/gtest.h>

#include <thread>

namespace kvKorvaneV10_0_3::kvThread {
namespace {

TEST(ThreadRef, ComparesIdsAsUnsignedWordsAndZeroMeansNoThread) {
    const KCThreadRef none;
    EXPECT_TRUE(none.is_invalid());
    EXPECT_EQ(static_cast<unsigned int>(none), 0U);

    const KCThreadRef low(7);
    const KCThreadRef high(0x80000000U);  // negative if compared as signed
    EXPECT_FALSE(low.is_invalid());
    EXPECT_TRUE(low < high);
    EXPECT_TRUE(high > low);
    EXPECT_FALSE(high < low);
    EXPECT_TRUE(low != high);

    KCThreadRef copy;
    copy = high;
    EXPECT_TRUE(copy == high);
    EXPECT_EQ(static_cast<unsigned int>(copy), 0x80000000U);
}

TEST(ThreadRef, EachThreadHasItsOwnStableId) {
    const KCThreadRef self = GetCurrentThreadRef();
    EXPECT_FALSE(self.is_invalid());
    EXPECT_EQ(GetCurrentThreadRef(), self);

    KCThreadRef other;
    std::thread([&other] { other = GetCurrentThreadRef(); }).join();
    EXPECT_FALSE(other.is_invalid());
    EXPECT_NE(other, self);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::kvThread
