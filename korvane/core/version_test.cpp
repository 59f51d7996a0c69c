// Tests of version numbers: parsing, text, packed forms and comparisons.
#include "korvane/core/version.h"

#include <gtest/gtest.h>

namespace kvKorvaneV10_0_3 {
namespace {

std::string Str(const KCVersion& v, unsigned int depth) {
    return v.GetString(depth).c_str();
}

TEST(Version, PartExample) {
    const KCVersion v("9.3.1");
    EXPECT_EQ(v.Major(), 9U);
    EXPECT_EQ(v.Minor(), 3U);
    EXPECT_EQ(v.Revision(), 1U);
    EXPECT_EQ(v.InternalStage(), 0U);
    EXPECT_EQ(Str(v, 3), "9.3.1");
    EXPECT_EQ(v.GetVersionAsBinaryNumber(), 0x09030100U);
    EXPECT_EQ(v.GetVersionAsAUShellNumber(), 0x090301U);
    EXPECT_FALSE(KCVersion::less(KCVersion(9, 3, 5), KCVersion(9, 3, 7), 2));
    EXPECT_TRUE(KCVersion::less(KCVersion(9, 3, 5), KCVersion(9, 3, 7), 3));
}

TEST(Version, ReadFromStringStopsAtTheFirstFailure) {
    KCVersion v;
    EXPECT_EQ(v.ReadFromString("10.0.3.7"), 4U);
    EXPECT_EQ(v, KCVersion(10, 0, 3, 7));
    EXPECT_EQ(v.ReadFromString("1.2.3.4.5"), 4U);
    EXPECT_EQ(v, KCVersion(1, 2, 3, 4));
    EXPECT_EQ(v.ReadFromString("7"), 1U);
    EXPECT_EQ(v, KCVersion(7));
    // The fields read before a failure are kept, the rest are zero (including earlier values).
    v = KCVersion(5, 5, 5, 5);
    EXPECT_EQ(v.ReadFromString("2.x.9"), 1U);
    EXPECT_EQ(v, KCVersion(2));
    EXPECT_EQ(v.ReadFromString("2.3."), 2U);
    EXPECT_EQ(v, KCVersion(2, 3));
    EXPECT_EQ(v.ReadFromString("2.3 .4"), 2U);  // the '.' must follow the number directly
    EXPECT_EQ(v, KCVersion(2, 3));
    EXPECT_EQ(v.ReadFromString("2,3"), 1U);
    EXPECT_EQ(v, KCVersion(2));
    EXPECT_EQ(v.ReadFromString("v2.3"), 0U);
    EXPECT_TRUE(v.Empty());
    EXPECT_EQ(v.ReadFromString(""), 0U);
    EXPECT_EQ(v.ReadFromString(nullptr), 0U);
    EXPECT_TRUE(v.Empty());
    // As a stream extraction: leading white space and '+' are accepted.
    EXPECT_EQ(v.ReadFromString("  4. +5.\t6"), 3U);
    EXPECT_EQ(v, KCVersion(4, 5, 6));
    // A negative or overflowing number is a failure, not a wrapped or saturated value.
    EXPECT_EQ(v.ReadFromString("1.-2.3"), 1U);
    EXPECT_EQ(v, KCVersion(1));
    EXPECT_EQ(v.ReadFromString("1.4294967296"), 1U);
    EXPECT_EQ(v, KCVersion(1));
    EXPECT_EQ(v.ReadFromString("4294967295.0"), 2U);
    EXPECT_EQ(v.Major(), 4294967295U);
}

TEST(Version, GetStringDepths) {
    const KCVersion v(10, 20, 30, 40);
    EXPECT_EQ(Str(v, 0), "");
    EXPECT_EQ(Str(v, 1), "10");
    EXPECT_EQ(Str(v, 2), "10.20");
    EXPECT_EQ(Str(v, 4), "10.20.30.40");
    EXPECT_EQ(Str(v, 9), "10.20.30.40");
    const KCVersion big(4294967295U, 4294967295U, 4294967295U, 4294967295U);
    EXPECT_EQ(Str(big, 4), "4294967295.4294967295.4294967295.4294967295");
    // Text and parsing round trip.
    EXPECT_EQ(KCVersion(Str(big, 4).c_str()), big);
}

TEST(Version, PackedForms) {
    KCVersion v;
    v.SetVersionFromBinaryNumber(0x0A000307U);
    EXPECT_EQ(v, KCVersion(10, 0, 3, 7));
    EXPECT_EQ(v.GetVersionAsBinaryNumber(), 0x0A000307U);
    EXPECT_EQ(v.GetVersionAsAUShellNumber(), 0x0A0003U);
    // Fields are not masked: a value above 255 overlaps its neighbour.
    const KCVersion wide(1, 0x1FF, 0x100, 0);
    EXPECT_EQ(wide.GetVersionAsBinaryNumber(), 0x01FF0000U);
    EXPECT_EQ(wide.GetVersionAsAUShellNumber(), 0x0001FF00U);
}

TEST(Version, ComparisonsAreLexicographic) {
    EXPECT_LT(KCVersion(1, 9, 9, 9), KCVersion(2, 0, 0, 0));
    EXPECT_LT(KCVersion(2, 0, 0, 0), KCVersion(2, 0, 0, 1));
    EXPECT_LE(KCVersion(2, 0, 0, 1), KCVersion(2, 0, 0, 1));
    EXPECT_FALSE(KCVersion(2, 1) < KCVersion(2, 0, 9));
    EXPECT_GT(KCVersion(3), KCVersion(2, 99));
    EXPECT_NE(KCVersion(3), KCVersion(3, 0, 0, 1));
    EXPECT_TRUE(KCVersion().Empty());
    EXPECT_FALSE(KCVersion(0, 0, 0, 1).Empty());

    const KCVersion a(1, 2, 3, 4);
    const KCVersion b(1, 2, 4, 0);
    EXPECT_FALSE(KCVersion::less(a, b, 0));
    EXPECT_FALSE(KCVersion::less(a, b, 1));
    EXPECT_FALSE(KCVersion::less(a, b, 2));
    EXPECT_TRUE(KCVersion::less(a, b, 3));
    EXPECT_TRUE(KCVersion::less(a, b, 4));
    EXPECT_TRUE(KCVersion::less(a, b, 100));
    EXPECT_FALSE(KCVersion::less(b, a, 4));
    EXPECT_FALSE(KCVersion::less(a, a, 4));
    EXPECT_TRUE(KCVersion::less(KCVersion(1, 2, 3, 4), KCVersion(1, 2, 3, 5), 4));
    EXPECT_FALSE(KCVersion::less(KCVersion(1, 2, 3, 4), KCVersion(1, 2, 3, 5), 3));
}

TEST(Version, ReferenceAccessorsWrite) {
    KCVersion v;
    v.Major() = 3;
    v.InternalStage() = 9;
    EXPECT_EQ(Str(v, 4), "3.0.0.9");
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
