// Tests of the fixed-capacity strings: truncation, formatting, searches, editing, comparisons.
#include "korvane/core/fixed_string.h"

#include "korvane/core/testing/locale_guard.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <map>
#include <sstream>
#include <string>

namespace kvKorvaneV10_0_3 {
namespace {

// True when the string is terminated at its end and within its buffer.
bool WellFormed(const KCFixedStringBase& s) {
    return *s.end() == 0 && s.length() <= s.capacity() && std::strlen(s.c_str()) <= s.length();
}

TEST(FixedString, TruncatesAtCapacityAndStaysTerminated) {
    const std::string forty(40, 'x');
    KCFixedString<31> s;
    s = forty.c_str();
    EXPECT_EQ(s.length(), 31U);
    EXPECT_EQ(std::string(s.c_str()), forty.substr(0, 31));
    EXPECT_TRUE(WellFormed(s));

    // Appending to a full string changes nothing.
    s << "more" << 'c' << 42 << true;
    s.append('z', 3);
    EXPECT_EQ(std::string(s.c_str()), forty.substr(0, 31));
    EXPECT_TRUE(WellFormed(s));

    // k free places take k characters.
    KCFixedString<8> t("abcde");
    t.append('-', 10);
    EXPECT_STREQ(t.c_str(), "abcde---");

    // The constructors copy text and suffix, both truncated, nulls ignored.
    EXPECT_STREQ(KCFixedString<6>("abc", "defgh").c_str(), "abcdef");
    EXPECT_STREQ(KCFixedString<6>(nullptr, "xy").c_str(), "xy");
    EXPECT_STREQ(KCFixedString<6>("abcdef", 3U).c_str(), "abc");
    EXPECT_STREQ(KCFixedString<31>(-42LL).c_str(), "-42");
    KCFixedString<15> base("longer than six");
    EXPECT_STREQ(KCFixedString<6>(base, "z").c_str(), "longer");
    EXPECT_STREQ(KCFixedString<15>(KCFixedString<15>("ab"), "cd").c_str(), "abcd");

    // append(first, last) stops at an embedded NUL; assign replaces.
    const char raw[] = {'a', 'b', 0, 'c', 'd'};
    KCFixedString<15> r("old");
    r.assign(raw, raw + sizeof raw);
    EXPECT_STREQ(r.c_str(), "ab");
    EXPECT_EQ(r.length(), 2U);
    r.assign(static_cast<const char*>(nullptr));
    EXPECT_TRUE(r.empty());
    r = 'q';
    EXPECT_STREQ(r.c_str(), "q");
}

TEST(FixedString, CopyAndAssignmentRespectCapacity) {
    KCFixedString<15> a("fifteen chars..");
    KCFixedString<15> b(a);  // NOLINT(performance-unnecessary-copy-initialization)
    EXPECT_EQ(b, a);
    EXPECT_NE(b.c_str(), a.c_str());  // owns its own buffer

    KCFixedString<4> small;
    small = a;
    EXPECT_STREQ(small.c_str(), "fift");

    KCFixedString<15> c("x");
    c = a;
    EXPECT_EQ(c, a);
    const KCFixedString<15>& self = c;
    c = self;
    EXPECT_EQ(c, a);

    // Wrapping an external buffer empties it.
    char buffer[8] = "garbage";
    KCFixedStringBase wrapped(buffer, 7);
    EXPECT_TRUE(wrapped.empty());
    EXPECT_EQ(buffer[0], 0);
    wrapped << "0123456789";
    EXPECT_STREQ(buffer, "0123456");

    KCFixedStringPair<3, 7> pair("key", "value");
    EXPECT_STREQ(pair.first.c_str(), "key");
    EXPECT_STREQ(pair.second.c_str(), "value");
    EXPECT_EQ(pair.first.capacity(), 3U);
}

TEST(FixedString, IndexClampsToTerminatorSlot) {
    KCFixedString<5> s("abc");
    EXPECT_EQ(s[1], 'b');
    EXPECT_EQ(&s[5 + 10], s.c_str() + 5);
    EXPECT_EQ(&s[5], s.c_str() + 5);
    const KCFixedString<5>& cs = s;
    EXPECT_EQ(&cs[UINT_MAX], cs.c_str() + 5);
    s[0] = 'X';
    EXPECT_STREQ(s.c_str(), "Xbc");
}

TEST(FixedString, SubstrTakesPositionAndSignedCount) {
    const KCFixedString<15> s("abcdef");
    EXPECT_STREQ(s.substr(2, -1).c_str(), "cde");
    EXPECT_STREQ(s.substr(2, 2).c_str(), "cd");
    EXPECT_STREQ(s.substr(2, 100).c_str(), "cdef");
    EXPECT_STREQ(s.substr(0, -10).c_str(), "");
    EXPECT_STREQ(s.substr(6, 3).c_str(), "");
    EXPECT_STREQ(KCFixedString<15>("abc").substr(10, 3).c_str(), "");
    EXPECT_EQ(s.substr(1, 3).capacity(), 15U);
}

TEST(FixedString, FormatsNumbers) {
    KCFixedString<63> s;
    s << static_cast<int>(INT_MIN);
    EXPECT_STREQ(s.c_str(), "-2147483648");
    s.clear() << LLONG_MIN;
    EXPECT_STREQ(s.c_str(), "-9223372036854775808");
    s.clear() << ULLONG_MAX;
    EXPECT_STREQ(s.c_str(), "18446744073709551615");
    s.clear() << static_cast<short>(-7) << ' ' << 0U << ' ' << 12UL << ' ' << -3L;
    EXPECT_STREQ(s.c_str(), "-7 0 12 -3");
    s.clear() << 1.5F;
    EXPECT_STREQ(s.c_str(), "1.50000");
    s.clear() << 1.5;
    EXPECT_STREQ(s.c_str(), "1.5000000000");
    s.clear() << PDoubleWithPrecision(2.0 / 3.0, 2);
    EXPECT_STREQ(s.c_str(), "0.67");
    s.clear() << PDoubleWithPrecision(0.1, -1);
    EXPECT_STREQ(s.c_str(), "0.10000000000000000555");
    s.clear() << false << true;
    EXPECT_STREQ(s.c_str(), "falsetrue");

    s.clear().append_uint(255, 16).append_uint(5, 2).append_uint(35, 36).append_uint(0, 8);
    EXPECT_STREQ(s.c_str(), "FF101Z0");

    // The floating forms pass through a scratch buffer that keeps 31 characters.
    s.clear() << 1e30;
    EXPECT_EQ(s.length(), 31U);
    EXPECT_STREQ(s.c_str(), "1000000000000000019884624838656");
}

TEST(FixedString, TruncatedNumbersKeepLeastSignificantDigits) {
    KCFixedString<5> s("abc");
    s << 12345;
    EXPECT_STREQ(s.c_str(), "abc45");

    KCFixedString<4> n("x");
    n << -9876;  // the sign takes one place, two digits fit
    EXPECT_STREQ(n.c_str(), "x-76");

    KCFixedString<3> full("abc");
    full << 7;
    EXPECT_STREQ(full.c_str(), "abc");
    EXPECT_TRUE(WellFormed(full));
}

TEST(FixedString, HexPointerAndFourCC) {
    KCFixedString<63> s;
    const unsigned char bytes[] = {0x01, 0x02};
    s.append_hex_binary(bytes, 2);
    EXPECT_STREQ(s.c_str(), "0201");

    const std::uint32_t word = 0xDEADBEEFU;  // little-endian bytes read in natural order
    unsigned char wordBytes[4];
    std::memcpy(wordBytes, &word, 4);
    s.clear().append_hex_binary(wordBytes, 4);
    EXPECT_STREQ(s.c_str(), "DEADBEEF");

    // NOLINTNEXTLINE(performance-no-int-to-ptr): a fixed address makes the digits known
    s.clear() << reinterpret_cast<const void*>(static_cast<std::uintptr_t>(0x12AB));
    EXPECT_STREQ(s.c_str(), "(*00000000000012AB)");
    int local = 0;
    s.clear() << static_cast<const void*>(&local);
    EXPECT_EQ(s.length(), 2U + 16U + 1U);

    s.clear() << KCFourCC("XPst") << KCFourCC(0x41424344U);
    EXPECT_STREQ(s.c_str(), "XPstABCD");

    KCFixedString<10> r;
    r.append_random_chars(4);
    EXPECT_EQ(r.length(), 4U);
    EXPECT_EQ(r.find_first_not_of("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"),
              KCFixedStringBase::npos);
    r.append_random_chars(100);
    EXPECT_EQ(r.length(), 10U);
}

TEST(FixedString, ParsesNumbersAndBools) {
    int i = 0;
    long l = 0;
    unsigned int u = 0;
    long long ll = 0;
    unsigned long long ull = 0;
    double d = 0;
    float f = 0;
    KCFixedString<31>("-123xyz") >> i >> l >> ll;
    EXPECT_EQ(i, -123);
    EXPECT_EQ(l, -123L);
    EXPECT_EQ(ll, -123LL);
    KCFixedString<31>("4000000000") >> u;
    EXPECT_EQ(u, 4000000000U);
    KCFixedString<31>("18446744073709551615") >> ull;
    EXPECT_EQ(ull, ULLONG_MAX);
    KCFixedString<31>("2.5e3") >> d >> f;
    EXPECT_DOUBLE_EQ(d, 2500.0);
    EXPECT_FLOAT_EQ(f, 2500.0F);

    bool b = false;
    KCFixedString<15>("YES") >> b;
    EXPECT_TRUE(b);
    KCFixedString<15>("abc") >> b;
    EXPECT_TRUE(b);  // unchanged
    KCFixedString<15>("False") >> b;
    EXPECT_FALSE(b);
    KCFixedString<15>("1") >> b;
    EXPECT_TRUE(b);
    KCFixedString<15>("yess") >> b;
    EXPECT_TRUE(b);
    KCFixedString<15>("") >> b;
    EXPECT_TRUE(b);
    KCFixedString<15>("nO") >> b;
    EXPECT_FALSE(b);
    KCFixedString<15>("TRUE") >> b;
    EXPECT_TRUE(b);
    KCFixedString<15>("0") >> b;
    EXPECT_FALSE(b);
}

class FixedStringSearch : public ::testing::Test {
protected:
    const KCFixedString<31> s{"a/b/c"};
};

TEST_F(FixedStringSearch, FindLooksForwardFromItsStart) {
    EXPECT_EQ(s.find('/'), 1U);
    EXPECT_EQ(s.find('z'), KCFixedStringBase::npos);
    EXPECT_EQ(s.find(""), KCFixedStringBase::npos);
    EXPECT_EQ(s.find(nullptr), KCFixedStringBase::npos);
    EXPECT_EQ(s.find("/c"), 3U);
    EXPECT_EQ(s.find("/", 2), 3U);
    EXPECT_EQ(s.find("/", 4), KCFixedStringBase::npos);
    EXPECT_EQ(s.find("b/c", 3), KCFixedStringBase::npos);  // fewer characters remain
    EXPECT_EQ(s.find("a/b/c/"), KCFixedStringBase::npos);
}

TEST_F(FixedStringSearch, RfindFindsTheLastMatch) {
    EXPECT_EQ(s.rfind('/'), 3U);
    EXPECT_EQ(s.rfind(""), KCFixedStringBase::npos);
    EXPECT_EQ(s.rfind("/"), 3U);
    EXPECT_EQ(s.rfind("a/b/c"), 0U);
}

TEST_F(FixedStringSearch, FindCaseInsensitiveIgnoresCaseFromItsStart) {
    EXPECT_EQ(s.find_case_insensitive("B/C"), 2U);
    EXPECT_EQ(KCFixedString<15>("ABab").find_case_insensitive("ab", 1), 2U);
}

TEST_F(FixedStringSearch, FindLastOfAndLastNotOfTreatStartAsALowerBound) {
    EXPECT_EQ(s.find_last_of("/", 0), 3U);
    EXPECT_EQ(s.find_last_of("/", 3), 3U);
    EXPECT_EQ(s.find_last_of("/", 4), KCFixedStringBase::npos);
    EXPECT_EQ(s.find_last_of("/", 99), KCFixedStringBase::npos);
    EXPECT_EQ(s.find_last_not_of("c", 0), 3U);
    EXPECT_EQ(s.find_last_not_of("/bc", 1), KCFixedStringBase::npos);
}

TEST_F(FixedStringSearch, FindFirstOfAndFirstNotOfStartAtTheirPosition) {
    EXPECT_EQ(s.find_first_of("/c", 2), 3U);
    EXPECT_EQ(s.find_first_of("xyz"), KCFixedStringBase::npos);
    EXPECT_EQ(s.find_first_not_of("a/"), 2U);
    EXPECT_EQ(s.find_first_not_of("a/", 5), KCFixedStringBase::npos);
}

TEST_F(FixedStringSearch, BeginsWithAndEndsWithCompareTheEnds) {
    EXPECT_TRUE(s.begins_with(""));
    EXPECT_TRUE(s.ends_with(""));
    EXPECT_TRUE(KCFixedString<3>().begins_with(""));
    EXPECT_TRUE(s.begins_with("a/"));
    EXPECT_FALSE(s.begins_with("/b"));
    EXPECT_TRUE(s.ends_with("/c"));
    EXPECT_FALSE(s.ends_with("b/"));
    EXPECT_FALSE(KCFixedString<15>("ab").ends_with("abc"));
    EXPECT_FALSE(KCFixedString<15>("ab").begins_with("abc"));
}

TEST(FixedString, EditsInPlace) {
    KCFixedString<15> s("hello");
    s.erase(-2, 5);
    EXPECT_STREQ(s.c_str(), "hel");
    s = "hello";
    s.erase(1, 2);
    EXPECT_STREQ(s.c_str(), "hlo");
    s.erase(3, 1).erase(0, 0).erase(-10, 1);
    EXPECT_STREQ(s.c_str(), "hlo");

    s = "a1b2c3";
    s.erase_all_of("123");
    EXPECT_STREQ(s.c_str(), "abc");
    s = "a1b2c3";
    s.erase_all_not_of("123");
    EXPECT_STREQ(s.c_str(), "123");
    s = "aa1aa";
    s.erase_all_of("a");
    EXPECT_STREQ(s.c_str(), "1");

    s = "a.b.c";
    EXPECT_EQ(s.replace('.', '/'), 2U);
    EXPECT_STREQ(s.c_str(), "a/b/c");
    EXPECT_EQ(s.replace('/', static_cast<const char*>(nullptr)), 2U);
    EXPECT_STREQ(s.c_str(), "abc");
    EXPECT_EQ(s.replace('b', "<-->"), 1U);
    EXPECT_STREQ(s.c_str(), "a<-->c");

    KCFixedString<7> t("x.y.z");
    EXPECT_EQ(t.replace('.', "---"), 2U);  // the second substitution is cut at capacity
    EXPECT_STREQ(t.c_str(), "x---y--");
    EXPECT_TRUE(WellFormed(t));

    s = "AbC";
    EXPECT_STREQ(s.to_lower().c_str(), "abc");
    EXPECT_STREQ(s.to_upper().c_str(), "ABC");
    EXPECT_STREQ(s.reverse().c_str(), "CBA");
    char range[] = "12345";
    KCFixedStringBase::reverse(range + 1, range + 4);
    EXPECT_STREQ(range, "14325");
}

// "é" is two bytes and "€" three: a cut steps back to the start of the character it would split.
TEST(FixedString, Utf8CutLengthNeverEndsInsideACharacter) {
    const struct {
        const char* text;
        std::size_t limit;
        std::size_t expected;
    } rows[] = {
        {"abc", 5, 3},           {"abc", 3, 3},           {"abc", 2, 2},
        {"a\xC3\xA9", 2, 1},     {"a\xC3\xA9", 3, 3},     {"\xE2\x82\xAC!", 1, 0},
        {"\xE2\x82\xAC!", 2, 0}, {"\xE2\x82\xAC!", 3, 3}, {"", 0, 0},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(KUUtf8CutLength(row.text, row.limit), row.expected)
            << row.text << " at " << row.limit;
    }
}

TEST(FixedString, LowerCaseCopyLowersLettersOnlyAndAgreesWithToLower) {
    struct Case {
        std::string text;
        std::string lower;
    };
    const Case cases[] = {
        {"", ""},
        {"States", "states"},
        {"XPS", "xps"},
        {"already lower", "already lower"},
        {"MiXeD 123 _-.!", "mixed 123 _-.!"},
        {std::string("A\0B", 3), std::string("a\0b", 3)},  // the whole view, past a NUL
        {"\xC4\xD6", "\xC4\xD6"},                          // bytes above 0x7F are kept
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ToLowerCopy(c.text), c.lower);
        if (c.text.find('\0') == std::string::npos) {
            KCFixedString<31> s(c.text.c_str());
            EXPECT_EQ(std::string(s.to_lower().c_str()), c.lower);
        }
    }
}

TEST(FixedString, DirectBufferWrites) {
    KCFixedString<7> s("abc");
    std::strcpy(s.peek(), "wxyz");
    s.reposition_end();
    EXPECT_EQ(s.length(), 4U);
    EXPECT_STREQ(s.c_str(), "wxyz");

    std::memcpy(s.peek(), "1234567", 7);
    EXPECT_EQ(s.resize(100), 7U);
    EXPECT_STREQ(s.c_str(), "1234567");
    EXPECT_EQ(s.resize(2), 2U);
    EXPECT_STREQ(s.c_str(), "12");

    // No NUL within capacity: the end stays and is terminated again.
    std::memcpy(s.peek(), "ABCDEFG", 7);
    s.reposition_end();
    EXPECT_EQ(s.length(), 2U);
    EXPECT_TRUE(WellFormed(s));

    char out[4] = {'#', '#', '#', '#'};
    KCFixedString<15>("abcdef").copy_to_buffer(sizeof out, out);
    EXPECT_STREQ(out, "abc");
    KCFixedString<15>("z").copy_to_buffer(sizeof out, out);
    EXPECT_STREQ(out, "z");
    KCFixedString<15>("q").copy_to_buffer(0, out);
    EXPECT_STREQ(out, "z");
}

TEST(FixedString, ComparisonsAndOrdering) {
    const KCFixedString<15> plain("abc");
    const KCFixedString<15> high("\xE9t\xE9");
    // compare() sees 0xE9 above 'a'; operator< sees it as negative, below 'a'.
    EXPECT_EQ(high.compare(plain), 1);
    EXPECT_EQ(plain.compare(high), -1);
    EXPECT_TRUE(high < plain);
    EXPECT_FALSE(plain < high);

    EXPECT_EQ(plain.compare("abc"), 0);
    EXPECT_EQ(plain.compare("abd"), -1);
    EXPECT_EQ(plain.compare("ab"), 1);
    EXPECT_EQ(plain.compare(static_cast<const char*>(nullptr)), 1);
    EXPECT_EQ(plain.case_insensitive_compare("ABC"), 0);
    EXPECT_LT(plain.case_insensitive_compare("ABD"), 0);
    EXPECT_GT(plain.case_insensitive_compare(KCFixedString<3>("AB")), 0);
    EXPECT_EQ(plain.case_insensitive_compare(static_cast<const char*>(nullptr)), 1);

    EXPECT_TRUE(KCFixedString<15>("ab") < plain);
    EXPECT_FALSE(plain < plain);
    EXPECT_TRUE(plain == std::string("abc"));
    EXPECT_TRUE(plain != std::string("abc\0", 4));
    EXPECT_TRUE(plain == KCFixedString<3>("abc"));
    EXPECT_TRUE(plain != "ab");
    EXPECT_FALSE(plain == static_cast<const char*>(nullptr));

    std::map<KCFixedString<15>, int> byName{{"b", 2}, {"a", 1}, {"\xE9", 3}};
    EXPECT_STREQ(byName.begin()->first.c_str(), "\xE9");
}

TEST(FixedString, StreamOperators) {
    KCFixedString<31> s("v=");
    std::stringstream stream;
    stream << 3 << '/' << 4;
    s << stream << std::string(" ok");
    EXPECT_STREQ(s.c_str(), "v=3/4 ok");

    std::ostringstream os;
    os << s << '|';
    EXPECT_EQ(os.str(), "v=3/4 ok|");

    KCFixedString<15> a("x");
    a << KCFixedString<3>("yz") << "!";
    EXPECT_STREQ(a.c_str(), "xyz!");

    // "Www Mmm dd hh:mm:ss yyyy"
    KCFixedString<63> date;
    date << PCurrentDateAndTime();
    ASSERT_EQ(date.length(), 24U);
    EXPECT_EQ(date[3], ' ');
    EXPECT_EQ(date[7], ' ');
    EXPECT_EQ(date[13], ':');
    EXPECT_EQ(date[16], ':');
    EXPECT_EQ(date.find_first_not_of("0123456789", 20), KCFixedStringBase::npos);
    EXPECT_NE(KCFixedString<31>("SunMonTueWedThuFriSat").find(date.substr(0, 3).c_str()),
              KCFixedStringBase::npos);
}

using FixedStringInCommaLocale = test_support::CommaLocaleTest;

// A host's setlocale must not turn the decimal point of written or read numbers into a comma.
TEST_F(FixedStringInCommaLocale, NumbersWriteAndReadWithAPoint) {
    KCFixedString<63> s;
    s << 2.25;
    EXPECT_STREQ(s.c_str(), "2.2500000000");
    s.clear() << -1.5F;
    EXPECT_STREQ(s.c_str(), "-1.50000");
    s.clear() << PDoubleWithPrecision(0.1, -1);
    EXPECT_STREQ(s.c_str(), "0.10000000000000000555");
    s.clear() << PDoubleWithPrecision(2.0 / 3.0, 2);
    EXPECT_STREQ(s.c_str(), "0.67");

    double d = 0;
    float f = 0;
    KCFixedString<31>("  -2.5e3xyz") >> d >> f;
    EXPECT_EQ(d, -2500.0);
    EXPECT_EQ(f, -2500.0F);
    KCFixedString<31>("0.1") >> d >> f;
    EXPECT_EQ(d, 0.1);
    EXPECT_EQ(f, 0.1F) << "rounded once, straight to a float";
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
