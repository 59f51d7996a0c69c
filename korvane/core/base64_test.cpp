// Tests of the Base64 codec against a literal reading of the layout rule: round trips of every
// length 0..200 and of random blocks, the line layout, tolerant decoding, the in-place forms.
#include "korvane/core/base64.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using kvKorvaneV10_0_3::KCBase64;

using kvKorvaneV10_0_3::eMemNullPointer;
using kvKorvaneV10_0_3::eNoErr;
using kvKorvaneV10_0_3::Utils::KCStMemObj;
using Bytes = std::vector<unsigned char>;

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The Part's rule, one group at a time: a line feed after the group that begins at every input
// offset that is a multiple of 57.
std::string ReferenceEncode(const Bytes& in) {
    std::string out;
    for (std::size_t i = 0; i < in.size(); i += 3) {
        const unsigned int b0 = in[i];
        const unsigned int b1 = i + 1 < in.size() ? in[i + 1] : 0;
        const unsigned int b2 = i + 2 < in.size() ? in[i + 2] : 0;
        const unsigned int v = b0 << 16 | b1 << 8 | b2;
        out += kAlphabet[v >> 18 & 63];
        out += kAlphabet[v >> 12 & 63];
        out += i + 1 < in.size() ? kAlphabet[v >> 6 & 63] : '=';
        out += i + 2 < in.size() ? kAlphabet[v & 63] : '=';
        if (i % 57 == 0) {
            out += '\n';
        }
    }
    return out;
}

Bytes RandomBytes(std::mt19937& rng, std::size_t n) {
    std::uniform_int_distribution<int> byte(0, 255);
    Bytes out(n);
    for (auto& b : out) {
        b = static_cast<unsigned char>(byte(rng));
    }
    return out;
}

Bytes FromText(const std::string& s) {
    return {s.begin(), s.end()};
}

std::string Encode(const Bytes& in) {
    std::string out = "stale";
    EXPECT_EQ(KCBase64::Encode(in, out), eNoErr);
    return out;
}

Bytes Decode(const std::string& text) {
    Bytes out = {1, 2, 3};
    EXPECT_EQ(KCBase64::Decode(text, out), eNoErr);
    return out;
}

KCStMemObj MemOf(const Bytes& b) {
    return {b.data(), static_cast<unsigned int>(b.size())};
}

Bytes BytesOf(const KCStMemObj& m) {
    const auto* p = static_cast<const unsigned char*>(m.ptr);
    return m.size == 0 ? Bytes() : Bytes(p, p + m.size);
}

TEST(Base64, PartExamples) {
    EXPECT_EQ(Encode(FromText("abc")), "YWJj\n");
    EXPECT_EQ(Decode("YW Jj"), FromText("abc"));
    EXPECT_EQ(Encode(FromText("a")), "YQ==\n");
    EXPECT_EQ(Encode(FromText("ab")), "YWI=\n");
    EXPECT_EQ(Encode(FromText("abcd")), "YWJj\nZA==");
    EXPECT_EQ(Encode({}), "");
    EXPECT_EQ(Decode(""), Bytes());
    EXPECT_EQ(KCBase64::size_for_encoding(0), 0U);
    EXPECT_EQ(KCBase64::size_for_encoding(1), 4U);
    EXPECT_EQ(KCBase64::size_for_encoding(3), 4U);
    EXPECT_EQ(KCBase64::size_for_encoding(4), 8U);
    EXPECT_EQ(KCBase64::size_for_encoding(0xFFFFFFFFU), 5726623060ULL);  // no 32-bit wrap
}

TEST(Base64, EveryLengthUpTo200MatchesTheRuleAndRoundTrips) {
    std::mt19937 rng(200);
    for (std::size_t n = 0; n <= 200; ++n) {
        const Bytes in = RandomBytes(rng, n);
        const std::string text = Encode(in);
        ASSERT_EQ(text, ReferenceEncode(in)) << n;
        ASSERT_EQ(text.size(), KCBase64::encoded_length(n)) << n;
        ASSERT_EQ(Decode(text), in) << n;

        // Raw pointer overload and the in-place forms agree.
        std::string viaPointer;
        ASSERT_EQ(KCBase64::Encode(in.data(), static_cast<unsigned int>(n), viaPointer), eNoErr);
        ASSERT_EQ(viaPointer, text);
        KCStMemObj m = MemOf(in);
        ASSERT_EQ(KCBase64::EncodeInPlace(m), eNoErr);
        ASSERT_EQ(std::string(static_cast<const char*>(m.ptr), m.size), text) << n;
        ASSERT_EQ(KCBase64::DecodeInPlace(m), eNoErr);
        ASSERT_EQ(BytesOf(m), in) << n;
    }
}

TEST(Base64, LineLayout) {
    std::mt19937 rng(57);
    for (const std::size_t n : {1U, 3U, 4U, 57U, 60U, 61U, 114U, 115U, 117U, 118U, 1000U, 5700U}) {
        const std::string text = Encode(RandomBytes(rng, n));
        // Split into lines; the last piece is what follows the final line feed.
        std::vector<std::string> lines;
        std::size_t start = 0;
        for (std::size_t lf; (lf = text.find('\n', start)) != std::string::npos; start = lf + 1) {
            lines.push_back(text.substr(start, lf - start));
        }
        const std::string rest = text.substr(start);
        ASSERT_FALSE(lines.empty()) << n;
        EXPECT_EQ(lines[0].size(), 4U) << n;
        for (std::size_t i = 1; i < lines.size(); ++i) {
            EXPECT_EQ(lines[i].size(), 76U) << n << " line " << i;
        }
        EXPECT_LT(rest.size(), 76U) << n;
        // A trailing line feed exactly when the last group begins at a multiple of 57.
        const std::size_t lastGroup = (n - 1) / 3 * 3;
        EXPECT_EQ(rest.empty(), lastGroup % 57 == 0) << n;
    }
    // 16 bytes (a KC16BytesID): 4 characters, a line feed and 20 characters.
    const std::string id = Encode(Bytes(16, 0x5A));
    ASSERT_EQ(id.size(), 25U);
    EXPECT_EQ(id[4], '\n');
    EXPECT_EQ(id.find('\n', 5), std::string::npos);
}

TEST(Base64, RandomBlocksRoundTrip) {
    std::mt19937 rng(12345);
    std::uniform_int_distribution<std::size_t> length(0, 70000);
    for (int round = 0; round < 40; ++round) {
        const Bytes in = RandomBytes(rng, length(rng));
        const std::string text = Encode(in);
        ASSERT_EQ(text, ReferenceEncode(in));
        ASSERT_EQ(Decode(text), in);
        KCStMemObj m = MemOf(in);
        ASSERT_EQ(KCBase64::EncodeInPlace(m), eNoErr);
        ASSERT_EQ(KCBase64::DecodeInPlace(m), eNoErr);
        ASSERT_EQ(BytesOf(m), in);
    }
}

TEST(Base64, DecodingSkipsJunkAnywhere) {
    std::mt19937 rng(7);
    const std::string junk = " \t\r\n\x01\x7F\x80\xFF-_.*!\"\\";
    std::uniform_int_distribution<std::size_t> pick(0, junk.size() - 1);
    std::uniform_int_distribution<int> coin(0, 3);
    for (std::size_t n = 0; n < 300; n += 7) {
        const Bytes in = RandomBytes(rng, n);
        const std::string clean = Encode(in);
        std::string dirty;
        for (const char c : clean) {
            while (coin(rng) == 0) {
                dirty += junk[pick(rng)];
            }
            dirty += c;
        }
        dirty += junk;
        ASSERT_EQ(Decode(dirty), in) << n;
        KCStMemObj m(dirty.data(), static_cast<unsigned int>(dirty.size()));
        ASSERT_EQ(KCBase64::DecodeInPlace(m), eNoErr);
        ASSERT_EQ(BytesOf(m), in) << n;
    }
    EXPECT_EQ(Decode("!!! ... \n\n"), Bytes());
    EXPECT_EQ(Decode("Y\nW\r\nJ\tj"), FromText("abc"));
}

TEST(Base64, PaddingAndPartialGroups) {
    // Unpadded text: a final group of two or three characters still yields its bytes.
    EXPECT_EQ(Decode("YQ"), FromText("a"));
    EXPECT_EQ(Decode("YWI"), FromText("ab"));
    EXPECT_EQ(Decode("YWJjZA"), FromText("abcd"));
    EXPECT_EQ(Decode("Y"), Bytes());  // one character carries no whole byte
    // Padding ends the bytes of its group; groups after it decode normally (concatenations).
    EXPECT_EQ(Decode("YQ==YWJj"), FromText("aabc"));
    EXPECT_EQ(Decode("YQ==\nYWI=\n"), FromText("aab"));
    EXPECT_EQ(Decode("===="), Bytes());
    EXPECT_EQ(Decode("Y==="), Bytes());
    EXPECT_EQ(Decode("YQ=x"), FromText("a"));  // after '=' nothing in the group counts
    EXPECT_EQ(Decode("Y Q = ="), FromText("a"));
}

TEST(Base64, DecodeInPlaceOfTheEncoderOutputRestoresTheBytes) {
    std::mt19937 rng(99);
    const Bytes in = RandomBytes(rng, 1000);
    const std::string text = Encode(in);
    ASSERT_NE(text.find('\n'), std::string::npos);
    KCStMemObj m(text.data(), static_cast<unsigned int>(text.size()));
    const unsigned int capacity = m.allocatedSize;
    ASSERT_EQ(KCBase64::DecodeInPlace(m), eNoErr);
    EXPECT_EQ(BytesOf(m), in);
    EXPECT_EQ(m.allocatedSize, capacity);

    KCStMemObj empty;
    EXPECT_EQ(KCBase64::DecodeInPlace(empty), eNoErr);
    EXPECT_EQ(KCBase64::EncodeInPlace(empty), eNoErr);
    EXPECT_EQ(empty.size, 0U);
}

TEST(Base64, NullSourcesAreReportedNotRead) {
    std::string text = "old";
    EXPECT_EQ(KCBase64::Encode(nullptr, 5, text), eMemNullPointer);
    EXPECT_TRUE(text.empty());
    EXPECT_EQ(KCBase64::Encode(nullptr, 0, text), eNoErr);
    Bytes out = {1};
    EXPECT_EQ(KCBase64::Decode(nullptr, 5, out), eMemNullPointer);
    EXPECT_TRUE(out.empty());
}

TEST(Base64, OutputsAreReplacedNotAppended) {
    std::string text(1000, 'z');
    ASSERT_EQ(KCBase64::Encode(FromText("abc"), text), eNoErr);
    EXPECT_EQ(text, "YWJj\n");
    Bytes bytes(1000, 7);
    ASSERT_EQ(KCBase64::Decode(std::string("YWJj"), bytes), eNoErr);
    EXPECT_EQ(bytes, FromText("abc"));
}

}  // namespace
