// Tests of the inline fixed-capacity vector.
#include "korvane/core/fixed_vector.h"

#include "korvane/core/fixed_string.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

using kvKorvaneV10_0_3::KCFixedVector;

using kvKorvaneV10_0_3::KCFixedString;

TEST(FixedVector, CountIsClampedToTheCapacity) {
    const KCFixedString<31> x("x");
    const KCFixedVector<KCFixedString<31>, 3> v(5, x);
    EXPECT_EQ(v.count, 3U);
    EXPECT_EQ(v.size(), 3U);
    for (unsigned int i = 0; i < 3; ++i) {
        EXPECT_STREQ(v[i].c_str(), "x");
    }
    const KCFixedVector<int, 3> two(2, 7);
    EXPECT_EQ(two.count, 2U);
    EXPECT_EQ(two[0], 7);
    EXPECT_EQ(two[1], 7);
    EXPECT_EQ(two[2], 0);  // unused slots are value-initialised
    EXPECT_TRUE((KCFixedVector<int, 3>().empty()));
    static_assert(sizeof(KCFixedVector<int, 3>) == sizeof(unsigned int) + 3 * sizeof(int));
}

TEST(FixedVector, CopyAndMoveTakeAllSlots) {
    KCFixedVector<KCFixedString<63>, 3> a(1, KCFixedString<63>("first"));
    a[1] = "beyond the count";
    KCFixedVector<KCFixedString<63>, 3> b(a);
    EXPECT_EQ(b.count, 1U);
    EXPECT_STREQ(b[0].c_str(), "first");
    EXPECT_STREQ(b[1].c_str(), "beyond the count");

    KCFixedVector<KCFixedString<63>, 3> c;
    c = a;
    EXPECT_EQ(c.count, 1U);
    EXPECT_STREQ(c[1].c_str(), "beyond the count");
    KCFixedVector<KCFixedString<63>, 3> d(std::move(c));
    EXPECT_STREQ(d[0].c_str(), "first");
    KCFixedVector<KCFixedString<63>, 3> e;
    e = std::move(d);
    EXPECT_EQ(e.count, 1U);
    EXPECT_STREQ(e[1].c_str(), "beyond the count");
    // The strings' pointers must point into their own copies.
    a[0] = "changed";
    EXPECT_STREQ(e[0].c_str(), "first");
    auto& alias = e;
    e = alias;
    EXPECT_STREQ(e[0].c_str(), "first");
}

TEST(FixedVector, PushBackAndIteration) {
    KCFixedVector<int, 3> v;
    EXPECT_TRUE(v.push_back(1));
    EXPECT_TRUE(v.push_back(2));
    EXPECT_TRUE(v.push_back(3));
    EXPECT_FALSE(v.push_back(4));
    int sum = 0;
    for (const int x : v) {
        sum += x;
    }
    EXPECT_EQ(sum, 6);
    EXPECT_EQ((KCFixedVector<int, 3>::capacity()), 3U);
}

}  // namespace
