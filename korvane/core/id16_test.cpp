// Tests of the 16-byte identifier.
#include "korvane/core/id16.h"

#include <gtest/gtest.h>

#include <string>

namespace kvKorvaneV10_0_3 {
namespace {

constexpr char kRaw[17] = "\x01\x23\x45\x67\x89\xAB\xCD\xEF\x00\x11\x22\x33\x44\x55\x66\x77";

TEST(Id16, DefaultIsZero) {
    KC16BytesID id;
    EXPECT_TRUE(id.IsDefault());
    EXPECT_EQ(std::string(id.getRawID(), 16), std::string(16, '\0'));
    EXPECT_TRUE(KC16BytesID(nullptr).IsDefault());
    KC16BytesID raw(kRaw);
    EXPECT_FALSE(raw.IsDefault());
    raw.clear();
    EXPECT_TRUE(raw.IsDefault());
}

TEST(Id16, ComparesAllBytesUnsigned) {
    const KC16BytesID a(kRaw);
    KC16BytesID b(a);
    EXPECT_EQ(a, b);
    char other[16];
    std::copy(kRaw, kRaw + 16, other);
    other[15] = 0x78;
    b = KC16BytesID(other);
    EXPECT_NE(a, b);
    EXPECT_TRUE(a < b);
    EXPECT_FALSE(b < a);
    other[0] = static_cast<char>(0x80);  // larger than 0x01 when compared unsigned
    EXPECT_TRUE(a < KC16BytesID(other));
    EXPECT_FALSE(a < a);
}

TEST(Id16, EncodeLayoutAndRoundTrip) {
    const KC16BytesID id(kRaw);
    const std::string text = id.Encode();
    ASSERT_EQ(text.size(), 25U);
    EXPECT_EQ(text.substr(0, 5), "ASNF\n");
    EXPECT_EQ(text.find('\n', 5), std::string::npos);
    KC16BytesID back;
    EXPECT_EQ(back.Decode(text), eNoErr);
    EXPECT_EQ(back, id);
    EXPECT_EQ(KC16BytesID().Encode(), "AAAA\nAAAAAAAAAAAAAAAAAA==");
}

TEST(Id16, DecodeZeroesFirstAndNeverWritesPastSixteenBytes) {
    KC16BytesID id(kRaw);
    EXPECT_EQ(id.Decode("YWJj"), eValueWrongSize);  // 3 bytes
    EXPECT_EQ(std::string(id.getRawID(), 16), std::string("abc") + std::string(13, '\0'));

    // 30 bytes of text: only the first 16 are taken.
    const std::string longText = "QUJDREVGR0hJSktMTU5PUFFSU1RVVldYWVo=";
    EXPECT_EQ(id.Decode(longText), eValueWrongSize);
    EXPECT_EQ(std::string(id.getRawID(), 16), "ABCDEFGHIJKLMNOP");

    EXPECT_EQ(id.Decode(""), eValueWrongSize);
    EXPECT_TRUE(id.IsDefault());
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
