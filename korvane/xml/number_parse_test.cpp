// Tests of the locale-independent number parsers, KUAtof against strtod on generated text.
#include "korvane/xml/number_parse.h"

#include "korvane/core/testing/locale_guard.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <limits>
#include <random>
#include <string>

namespace kvKorvaneV10_0_3 {
namespace {

TEST(KUAtoi, CodesAndStoredValues) {
    long long v = 7;
    EXPECT_EQ(KUAtoi(" \t-42", v), eNoErr);
    EXPECT_EQ(v, -42);
    EXPECT_EQ(KUAtoi("+17", v), eNoErr);
    EXPECT_EQ(v, 17);
    EXPECT_EQ(KUAtoi("", v), eNotANumber);
    EXPECT_EQ(KUAtoi("-", v), eNotANumber);
    EXPECT_EQ(KUAtoi("x1", v), eNotANumber);
    EXPECT_EQ(KUAtoi(nullptr, v), eNotANumber);
    // The digits read are stored even when text follows.
    EXPECT_EQ(KUAtoi("12ab", v), eNotJustANumber);
    EXPECT_EQ(v, 12);
    EXPECT_EQ(KUAtoi("12 ", v), eNotJustANumber);
    EXPECT_EQ(KUAtoi("--1", v), eNotANumber);
    // Only tabs and spaces are skipped in front.
    EXPECT_EQ(KUAtoi("\n5", v), eNotANumber);
}

TEST(KUAtoi, SixtyFourBitLimitsParseAndOverflowSaturates) {
    long long wide = 0;
    EXPECT_EQ(KUAtoi("9223372036854775807", wide), eNoErr);
    EXPECT_EQ(wide, std::numeric_limits<long long>::max());
    EXPECT_EQ(KUAtoi("-9223372036854775808", wide), eNoErr);
    EXPECT_EQ(wide, std::numeric_limits<long long>::min());
    // 64-bit overflow saturates instead of wrapping.
    EXPECT_EQ(KUAtoi("9223372036854775808", wide), eOutOfRangeNumber);
    EXPECT_EQ(wide, std::numeric_limits<long long>::max());
    EXPECT_EQ(KUAtoi("-99999999999999999999999", wide), eOutOfRangeNumber);
    EXPECT_EQ(wide, std::numeric_limits<long long>::min());
}

TEST(KUAtoi, NarrowerWidthsReportOverflowAndKeepTheTruncatedValue) {
    int i = 0;
    EXPECT_EQ(KUAtoi("2147483647", i), eNoErr);
    EXPECT_EQ(i, 2147483647);
    EXPECT_EQ(KUAtoi("2147483648", i), eOutOfRangeNumber);
    EXPECT_EQ(i, static_cast<int>(2147483648LL));  // the truncated value is still stored
    short s = 0;
    EXPECT_EQ(KUAtoi("-32768", s), eNoErr);
    EXPECT_EQ(s, -32768);
    EXPECT_EQ(KUAtoi("32768", s), eOutOfRangeNumber);
    EXPECT_EQ(s, static_cast<short>(32768));
    signed char c = 0;
    EXPECT_EQ(KUAtoi("127", c), eNoErr);
    EXPECT_EQ(c, 127);
    EXPECT_EQ(KUAtoi("128", c), eOutOfRangeNumber);
    EXPECT_EQ(KUAtoi("1x", c), eNotJustANumber);
}

TEST(KUAtoi, UnsignedRefusesNegativesButAcceptsMinusZero) {
    unsigned long long u = 0;
    EXPECT_EQ(KUAtoi("18446744073709551615", u), eNoErr);
    EXPECT_EQ(u, std::numeric_limits<unsigned long long>::max());
    EXPECT_EQ(KUAtoi("18446744073709551616", u), eOutOfRangeNumber);
    EXPECT_EQ(KUAtoi("-1", u), eOutOfRangeNumber);
    EXPECT_EQ(KUAtoi("-0", u), eNoErr);
    EXPECT_EQ(u, 0U);
}

TEST(KUAtof, FormsAndLimits) {
    EXPECT_EQ(KUAtof("0.1"), 0.1);
    EXPECT_EQ(KUAtof("  -2.5"), -2.5);
    EXPECT_EQ(KUAtof("+1e3"), 1000.0);
    EXPECT_EQ(KUAtof("1E-2"), 0.01);
    EXPECT_EQ(KUAtof(".5"), 0.5);
    EXPECT_EQ(KUAtof("5."), 5.0);
    EXPECT_EQ(KUAtof("12abc"), 12.0);
    EXPECT_EQ(KUAtof("3e"), 3.0);  // an exponent without digits is not part of the number
    EXPECT_EQ(KUAtof(""), 0.0);
    EXPECT_EQ(KUAtof("abc"), 0.0);
    EXPECT_EQ(KUAtof("."), 0.0);
    EXPECT_EQ(KUAtof(nullptr), 0.0);
    // The comma is never a decimal separator.
    EXPECT_EQ(KUAtof("1,5"), 1.0);
    EXPECT_TRUE(std::signbit(KUAtof("-0")));
    EXPECT_EQ(KUAtof("0e999999999999"), 0.0);  // never 0 * infinity
    EXPECT_TRUE(std::isinf(KUAtof("1e400")));
    EXPECT_EQ(KUAtof("1e-400"), 0.0);
    EXPECT_EQ(KUAtof("1e99999999999999999999"), std::numeric_limits<double>::infinity());
    // Digits beyond 2^56 move the exponent (integer part) or are dropped (fraction).
    EXPECT_NEAR(KUAtof("123456789012345678901234567890") / 1.2345678901234568e29, 1.0, 1e-15);
    EXPECT_NEAR(KUAtof("0.12345678901234567890123456789"), 0.12345678901234568, 1e-16);
    EXPECT_GT(KUAtof("4.9406564584124654e-324"), 0.0);
}

long long UlpDistance(double a, double b) {
    if (a == b) {
        return 0;
    }
    if (std::isnan(a) || std::isnan(b)) {
        return std::numeric_limits<long long>::max();
    }
    std::int64_t ia = 0;
    std::int64_t ib = 0;
    std::memcpy(&ia, &a, sizeof(a));
    std::memcpy(&ib, &b, sizeof(b));
    // Map the sign-magnitude bit patterns onto one monotonic integer line.
    ia = ia < 0 ? std::numeric_limits<std::int64_t>::min() - ia : ia;
    ib = ib < 0 ? std::numeric_limits<std::int64_t>::min() - ib : ib;
    return std::llabs(ia - ib);
}

TEST(KUAtof, AgreesWithStrtodOnAGeneratedCorpus) {
    // The C library is the reference only in the "C" locale.
    const test_support::ScopedProcessLocale c("C");
    ASSERT_TRUE(c.Installed());
    std::mt19937_64 rng(20261206);
    const char* formats[] = {"%.17g", "%.6g", "%.20g", "%.3e", "%.15g", "%.10f"};
    std::uniform_real_distribution<double> moderate(-1e6, 1e6);
    long long worst = 0;
    std::string worstText;
    char buffer[512];
    constexpr int kCount = 1200000;
    for (int i = 0; i < kCount; ++i) {
        double d = 0;
        if (i % 2 == 0) {
            const std::uint64_t bits = rng();
            std::memcpy(&d, &bits, sizeof(d));
            if (!std::isfinite(d)) {
                continue;
            }
        } else {
            d = moderate(rng);
        }
        const char* format = formats[i % 6];
        if (i % 6 == 5 && std::fabs(d) > 1e15) {
            format = "%.17g";  // keep fixed notation to readable lengths
        }
        std::snprintf(buffer, sizeof(buffer), format, d);
        const long long u = UlpDistance(KUAtof(buffer), std::strtod(buffer, nullptr));
        if (u > worst) {
            worst = u;
            worstText = buffer;
        }
    }
    std::cout << "KUAtof worst distance from strtod: " << worst << " ulp at " << worstText
              << std::endl;
    RecordProperty("worst_ulp", static_cast<int>(worst));
    EXPECT_LE(worst, 16) << worstText;
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
