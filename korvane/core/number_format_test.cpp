// The locale-free number texts against the C library in the "C" locale: the same bytes out, the
// same values and ends read back.
#include "korvane/core/number_format.h"

#include "korvane/core/testing/locale_guard.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3 {
namespace {

const std::vector<double> kValues = {
    0.0,    -0.0,    1.0,      0.1,       2.25,         -3.25,        0.5,    1.5,
    2.5,    -2.5,    1e-7,     999.9999,  123456.125,   1e21,         -1e300, 1e-300,
    5e-324, DBL_MAX, HUGE_VAL, -HUGE_VAL, std::nan(""), -std::nan("")};

std::string Printf(const char* format, int precision, double value) {
    std::vector<char> text(2000);
    const int n = std::snprintf(text.data(), text.size(), format, precision, value);
    return {text.data(), static_cast<std::size_t>(n)};
}

TEST(NumberFormat, WritesWhatPrintfWritesInTheCLocale) {
    const test_support::ScopedProcessLocale c("C");
    ASSERT_TRUE(c.Installed());
    for (const double v : kValues) {
        for (const int p : {-1, 0, 1, 2, 5, 6, 10, 17, 20, 40, 1100}) {
            EXPECT_EQ(KUFormatFixed(v, p), Printf("%.*f", p, v)) << v << " %.*f " << p;
            EXPECT_EQ(KUFormatGeneral(v, p), Printf("%.*g", p, v)) << v << " %.*g " << p;
        }
    }
    EXPECT_EQ(KUFormatInteger(-9223372036854775807LL - 1), "-9223372036854775808");
    EXPECT_EQ(KUFormatInteger(18446744073709551615ULL), "18446744073709551615");
    EXPECT_EQ(KUFormatHex(0xBAADF00DU, 8), "BAADF00D");
    EXPECT_EQ(KUFormatHex(0xAU, 4), "000A");
    EXPECT_EQ(KUFormatHex(0x12345U, 2), "12345");
}

TEST(NumberFormat, BufferFormsCutLikeSnprintf) {
    const test_support::ScopedProcessLocale c("C");
    ASSERT_TRUE(c.Installed());
    for (const std::size_t size : {0U, 1U, 5U, 32U, 2000U}) {
        for (const double v : {1e30, -2.25, 1e-300}) {
            for (const int p : {3, 20, 1100}) {
                std::vector<char> ours(size + 1, 'x');
                std::vector<char> theirs(size + 1, 'x');
                EXPECT_EQ(
                    KUFormatFixed(ours.data(), size, v, p),
                    static_cast<std::size_t>(std::snprintf(theirs.data(), size, "%.*f", p, v)));
                EXPECT_EQ(ours, theirs) << v << " %.*f " << p << " in " << size;
                std::vector<char> general(size + 1, 'x');
                std::vector<char> printed(size + 1, 'x');
                EXPECT_EQ(
                    KUFormatGeneral(general.data(), size, v, p),
                    static_cast<std::size_t>(std::snprintf(printed.data(), size, "%.*g", p, v)));
                EXPECT_EQ(general, printed) << v << " %.*g " << p << " in " << size;
            }
        }
    }
}

TEST(NumberFormat, ReadsWhatStrtodReadsInTheCLocale) {
    const test_support::ScopedProcessLocale c("C");
    ASSERT_TRUE(c.Installed());
    const std::string manyDigits(400, '7');
    const std::vector<std::string> texts = {"2.5e3",
                                            "  \t\n-0.1x",
                                            "+1.5",
                                            "--1",
                                            "+-1",
                                            "-",
                                            "",
                                            "abc",
                                            ".5",
                                            "5.",
                                            "1e",
                                            "1e+",
                                            "1,5",
                                            "0x1p3",
                                            "-0X1.8p1",
                                            "0x",
                                            "0xg",
                                            "inf",
                                            "-Infinity",
                                            "INFx",
                                            "nan",
                                            "-NaN",
                                            "1e400",
                                            "-1e400",
                                            "1e-400",
                                            "-1e-400",
                                            "4e-320",
                                            "0x1p-2000",
                                            "0x1p2000",
                                            manyDigits,
                                            manyDigits + "e-5",
                                            "0." + manyDigits + "e-400",
                                            "0.000" + manyDigits,
                                            "3.4028236e38",
                                            "1e-46"};
    for (const std::string& text : texts) {
        char* cEnd = nullptr;
        const double expected = std::strtod(text.c_str(), &cEnd);
        const char* end = nullptr;
        const double value = KUParseLeadingDouble(text.c_str(), &end);
        EXPECT_EQ(end - text.c_str(), cEnd - text.c_str()) << text;
        EXPECT_EQ(std::isnan(value), std::isnan(expected)) << text;
        if (!std::isnan(expected)) {
            EXPECT_EQ(value, expected) << text;
        }
        EXPECT_EQ(std::signbit(value), std::signbit(expected)) << text;

        const float expectedFloat = std::strtof(text.c_str(), &cEnd);
        const float valueFloat = KUParseLeadingFloat(text.c_str(), &end);
        EXPECT_EQ(end - text.c_str(), cEnd - text.c_str()) << text;
        EXPECT_EQ(std::isnan(valueFloat), std::isnan(expectedFloat)) << text;
        if (!std::isnan(expectedFloat)) {
            EXPECT_EQ(valueFloat, expectedFloat) << text;
        }
    }
    EXPECT_EQ(KUParseLeadingDouble(nullptr), 0.0);
}

using NumberFormatInCommaLocale = test_support::CommaLocaleTest;

TEST_F(NumberFormatInCommaLocale, APointWhateverTheLocale) {
    EXPECT_EQ(KUFormatFixed(2.25, 10), "2.2500000000");
    EXPECT_EQ(KUFormatGeneral(-1234.5, 6), "-1234.5");
    char text[16];
    KUFormatFixed(text, sizeof text, 0.5, 1);
    EXPECT_STREQ(text, "0.5");
    EXPECT_EQ(KUParseLeadingDouble("-3.25"), -3.25);
    EXPECT_EQ(KUParseLeadingFloat("0.1"), 0.1F);
    const char* end = nullptr;
    EXPECT_EQ(KUParseLeadingDouble("3,25", &end), 3.0) << "a comma ends the number";
    EXPECT_STREQ(end, ",25");
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
