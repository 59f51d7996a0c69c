// Clamped integers and flag words.
#include "korvane/core/ranged.h"

#include "korvane/core/bit_vector.h"

#include <gtest/gtest.h>

#include <climits>

namespace kvKorvaneV10_0_3 {
namespace {

TEST(Ranged, ConstructionAndClamping) {
    TRanged<int> r(0, 10, 15);
    EXPECT_EQ(r.Value(), 10);
    const TRanged<int> inverted(5, 1, 3);
    EXPECT_EQ(inverted.RangeMin(), 0);
    EXPECT_EQ(inverted.RangeMax(), 0);
    EXPECT_EQ(inverted.Value(), 0);
    ++r;
    EXPECT_EQ(r.Value(), 10);
    r -= 25;
    EXPECT_EQ(r.Value(), 0);
    EXPECT_EQ((r--).Value(), 0);
    r = 7;
    EXPECT_EQ(static_cast<int>(r), 7);
    r += -3;
    EXPECT_EQ(r.Value(), 4);
    EXPECT_TRUE(r.InRange(10));
    EXPECT_FALSE(r.InRange(11));

    // Steps near the limits of int saturate instead of overflowing.
    TRanged<int> full(INT_MIN, INT_MAX, INT_MAX - 1);
    full += INT_MAX;
    EXPECT_EQ(full.Value(), INT_MAX);
    full -= INT_MAX;
    full -= INT_MAX;
    full -= INT_MAX;
    EXPECT_EQ(full.Value(), INT_MIN);

    TRanged<int> copy;
    copy = r;
    EXPECT_EQ(copy.RangeMax(), 10);
    EXPECT_EQ(copy.Value(), 4);
}

TEST(Ranged, NarrowAndWiden) {
    TRanged<int> r(0, 10, 8);
    r.NarrowRange(TRanged<int>(20, 30, 20));  // no overlap: unchanged
    EXPECT_EQ(r.RangeMin(), 0);
    EXPECT_EQ(r.RangeMax(), 10);
    r.NarrowRange(TRanged<int>(2, 6, 2));
    EXPECT_EQ(r.RangeMin(), 2);
    EXPECT_EQ(r.RangeMax(), 6);
    EXPECT_EQ(r.Value(), 6);
    r.WidenRange(TRanged<int>(-5, 3, 0));
    EXPECT_EQ(r.RangeMin(), -5);
    EXPECT_EQ(r.RangeMax(), 6);
    EXPECT_EQ(r.Value(), 6);
    r.SetRange(TRanged<int>(0, 4, 0));
    EXPECT_EQ(r.Value(), 4);
}

TEST(BitVector, BitsByNumber) {
    TBitVector<unsigned int> bits;
    bits.Set(12);
    bits.Set(31);
    bits.Set(32);  // beyond the word: ignored
    EXPECT_TRUE(bits.IsSet(12));
    EXPECT_TRUE(bits.IsSet(31));
    EXPECT_FALSE(bits.IsSet(32));
    EXPECT_EQ(bits.Word(), 0x80001000U);
    bits.Clear(31);
    EXPECT_EQ(bits.Word(), 0x1000U);
    TBitVector<short> shorts(static_cast<short>(-1));
    shorts.Clear(15);
    EXPECT_EQ(shorts.Word(), 0x7FFF);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
