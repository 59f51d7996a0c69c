// Tests of calendar dates: construction, validity, arithmetic and its limits, text both ways.
#include "korvane/core/date.h"

#include <gtest/gtest.h>
#include <boost/date_time/gregorian/gregorian.hpp>

#include <climits>
#include <random>
#include <string>

namespace kvKorvaneV10_0_3::Utils {
namespace {

std::string Text(const KCDate& d, char sep = '-') {
    return d.toString(sep).c_str();
}

KCDate Parsed(const char* text) {
    KCDate d;
    d.fromString(text);
    return d;
}

TEST(Date, TodayIsTheLocalDay) {
    const boost::gregorian::date before = boost::gregorian::day_clock::local_day();
    const KCDate today;
    const boost::gregorian::date after = boost::gregorian::day_clock::local_day();
    EXPECT_TRUE(today.IsValid());
    EXPECT_TRUE(today.GetDate() == before || today.GetDate() == after);
}

TEST(Date, FieldsAndValidity) {
    const KCDate d(2018, 6, 27);
    EXPECT_TRUE(d.IsValid());
    EXPECT_EQ(d.Year(), 2018);
    EXPECT_EQ(d.Month(), 6);
    EXPECT_EQ(d.Day(), 27);
    EXPECT_TRUE(KCDate(2020, 2, 29).IsValid());
    for (const KCDate& bad :
         {KCDate(2019, 2, 29), KCDate(2018, 13, 1), KCDate(2018, 0, 1), KCDate(2018, 4, 31),
          KCDate(2018, 1, 0), KCDate(1399, 12, 31), KCDate(10000, 1, 1), KCDate(1900, 2, 29)}) {
        EXPECT_FALSE(bad.IsValid());
        EXPECT_FALSE(bad.IsValidSelf());
        EXPECT_EQ(bad.Year(), 0);
        EXPECT_EQ(bad.Month(), 0);
        EXPECT_EQ(bad.Day(), 0);
        EXPECT_EQ(Text(bad), "");
    }
    EXPECT_TRUE(KCDate(2000, 2, 29).IsValid());
    EXPECT_TRUE(KCDate(1400, 1, 1).IsValid());
    EXPECT_TRUE(KCDate(9999, 12, 31).IsValid());
}

TEST(Date, Comparisons) {
    const KCDate a(2018, 6, 27);
    const KCDate b(2018, 6, 28);
    EXPECT_TRUE(a < b);
    EXPECT_TRUE(a <= b);
    EXPECT_TRUE(b > a);
    EXPECT_TRUE(b >= a);
    EXPECT_TRUE(a != b);
    EXPECT_TRUE(a == KCDate(2018, 6, 27));
    EXPECT_TRUE(a <= KCDate(2018, 6, 27));
    EXPECT_TRUE(a >= KCDate(2018, 6, 27));
    // Invalid dates are equal to each other and sort after every valid date.
    const KCDate bad(2018, 2, 30);
    EXPECT_TRUE(bad == KCDate(2019, 2, 29));
    EXPECT_TRUE(KCDate(9999, 12, 31) < bad);
    EXPECT_FALSE(bad < a);
    EXPECT_TRUE(bad > a);
}

TEST(Date, ArithmeticFollowsTheGregorianCalendar) {
    KCDate d(2018, 12, 31);
    d.add_days(1);
    EXPECT_EQ(Text(d), "2019-01-01");
    d.add_days(-366);
    EXPECT_EQ(Text(d), "2017-12-31");
    d = KCDate(2020, 2, 28);
    d.add_days(1);
    EXPECT_EQ(Text(d), "2020-02-29");
    d.add_weeks(2);
    EXPECT_EQ(Text(d), "2020-03-14");
    d.add_weeks(-52);
    EXPECT_EQ(Text(d), "2019-03-16");

    d = KCDate(2018, 1, 31);
    d.add_months(1);
    EXPECT_EQ(Text(d), "2018-02-28");  // no February 31st: the month's last day
    d = KCDate(2018, 4, 30);
    d.add_months(1);
    EXPECT_EQ(Text(d), "2018-05-31");  // a month's last day stays the last day
    d = KCDate(2019, 2, 28);
    d.add_months(1);
    EXPECT_EQ(Text(d), "2019-03-31");
    d = KCDate(2018, 4, 15);
    d.add_months(-4);
    EXPECT_EQ(Text(d), "2017-12-15");
    d.add_months(25);
    EXPECT_EQ(Text(d), "2020-01-15");

    d = KCDate(2020, 2, 29);
    d.add_years(1);
    EXPECT_EQ(Text(d), "2021-02-28");
    d = KCDate(2016, 2, 29);
    d.add_years(4);
    EXPECT_EQ(Text(d), "2020-02-29");
    d.add_years(-620);
    EXPECT_EQ(Text(d), "1400-02-28");  // 1400 is no leap year: the month's last day
}

TEST(Date, DayCountsOfWholeCycles) {
    // 400 Gregorian years hold exactly 146097 days; the century from 1800-03-01 (no 1900-02-29)
    // holds 36524, the one from 1900-03-01 (with 2000-02-29) 36525.
    KCDate a(2000, 1, 1);
    KCDate b(2000, 1, 1);
    a.add_years(400);
    b.add_days(146097);
    EXPECT_EQ(a, b);
    KCDate c(1800, 3, 1);
    c.add_days(36524);
    EXPECT_EQ(Text(c), "1900-03-01");
    c.add_days(36525);
    EXPECT_EQ(Text(c), "2000-03-01");
    // One day at a time across leap days, month and year ends agrees with one big step.
    KCDate step(1999, 12, 30);
    for (int i = 0; i < 1000; ++i) {
        KCDate prev = step;
        step.add_days(1);
        ASSERT_TRUE(prev < step);
    }
    KCDate big(1999, 12, 30);
    big.add_days(1000);
    EXPECT_EQ(step, big);
    big.add_days(-1000);
    EXPECT_EQ(Text(big), "1999-12-30");
}

TEST(Date, ArithmeticBeyondTheRangeMakesTheDateInvalid) {
    KCDate d(9999, 12, 31);
    d.add_days(1);
    EXPECT_FALSE(d.IsValid());
    d.add_days(-1);  // stays invalid
    EXPECT_FALSE(d.IsValid());

    d = KCDate(1400, 1, 1);
    d.add_days(-1);
    EXPECT_FALSE(d.IsValid());

    // Counts large enough to wrap Boost's own arithmetic around.
    for (const int n : {INT_MAX, INT_MIN, INT_MAX / 2, INT_MIN / 2, 100000}) {
        KCDate y(2018, 6, 27);
        y.add_years(n);
        EXPECT_FALSE(y.IsValid()) << n;
        KCDate m(2018, 6, 27);
        m.add_months(n);
        EXPECT_FALSE(m.IsValid()) << n;
        KCDate w(2018, 6, 27);
        w.add_weeks(n);
        EXPECT_EQ(w.IsValid(), n == 100000) << n;  // 100000 weeks reach the year 3935
        KCDate dd(2018, 6, 27);
        dd.add_days(n);
        EXPECT_EQ(dd.IsValid(), n == 100000) << n;
        if (n == 100000) {
            EXPECT_EQ(Text(dd), "2292-04-11");
            EXPECT_EQ(Text(w), "3935-01-09");
        }
    }
    d = KCDate(9999, 12, 1);
    d.add_months(1);
    EXPECT_FALSE(d.IsValid());
    d = KCDate(1400, 1, 31);
    d.add_months(-1);
    EXPECT_FALSE(d.IsValid());
    d = KCDate(1400, 12, 31);
    d.add_months(-11);
    EXPECT_EQ(Text(d), "1400-01-31");
}

TEST(Date, ToStringForms) {
    const KCDate d(2018, 6, 27);
    EXPECT_EQ(Text(d, '-'), "2018-06-27");
    EXPECT_EQ(Text(d, 0), "20180627");
    EXPECT_EQ(Text(d, '/'), "2018/06/27");
    EXPECT_EQ(Text(KCDate(1400, 1, 1), '.'), "1400.01.01");
}

TEST(Date, FromStringReadsTheToStringForms) {
    std::mt19937 rng(3);
    KCDate d(1400, 1, 1);
    for (int i = 0; i < 2000; ++i) {
        for (const char sep : {'\0', '-', '/', '.', ' ', ':', 'x'}) {
            KCDate back;
            ASSERT_TRUE(back.fromString(d.toString(sep).c_str())) << Text(d) << " " << sep;
            ASSERT_EQ(back, d);
        }
        d.add_days(static_cast<int>(rng() % 1500));
    }
}

TEST(Date, FromStringExtrasAndRejections) {
    EXPECT_EQ(Text(Parsed("  2018-6-7 \n")), "2018-06-07");
    EXPECT_EQ(Text(Parsed("2018-Jun-27")), "2018-06-27");
    EXPECT_EQ(Text(Parsed("2018 dec 01")), "2018-12-01");
    EXPECT_EQ(Text(Parsed("20200229")), "2020-02-29");

    KCDate d(2018, 6, 27);
    for (const char* bad : {"",
                            "   ",
                            "2018",
                            "2018-06",
                            "2018-06-27x",
                            "2018-06/27",
                            "2018--06-27",
                            "18-06-27",
                            "201806270",
                            "2018062",
                            "2019-02-29",
                            "20190229",
                            "2018-13-01",
                            "2018-00-10",
                            "2018-06-00",
                            "2018-123-1",
                            "2018-06-123",
                            "1399-12-31",
                            "2018-Jum-27",
                            "-2018-06-27",
                            "2018-06-27T10:00",
                            "2018-06-27 12"}) {
        d = KCDate(2018, 6, 27);
        EXPECT_FALSE(d.fromString(bad)) << bad;
        EXPECT_FALSE(d.IsValid()) << bad;
    }
    EXPECT_FALSE(d.fromString(nullptr));
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::Utils
