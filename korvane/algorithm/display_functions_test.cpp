// Built-in display functions: numeric ones append within capacity, word ones replace.
#include "korvane/algorithm/display_functions.h"

#include "korvane/core/testing/locale_guard.h"

#include <gtest/gtest.h>

namespace kvKorvaneV10_0_3 {
namespace {

using Fn = void (*)(double, double, KCFixedStringBase&);

std::string Show(Fn fn, double realWorld, const char* before = "") {
    KCFixedString<127> out(before);
    fn(0.0, realWorld, out);
    return out.c_str();
}

TEST(DisplayFunctions, NumericFormsAppend) {
    EXPECT_EQ(Show(DisplayFloat0, 2.5), "2");
    EXPECT_EQ(Show(DisplayFloat1, 1.25, "v="), "v=1.2");
    EXPECT_EQ(Show(DisplayFloat2, -0.005), "-0.01");
    EXPECT_EQ(Show(DisplayFloat3, 1.0), "1.000");
    EXPECT_EQ(Show(DisplayFloat4, 3.14159265), "3.1416");
    EXPECT_EQ(Show(DisplayFloat0WithHz, 999.6), "1000 Hz");
    EXPECT_EQ(Show(DisplayFloat1WithHz, 440), "440.0 Hz");
    EXPECT_EQ(Show(DisplayGainWithDB, -6.02), "-6.0 dB");
    EXPECT_EQ(Show(DisplayRatioFloat2, 4), "4.00:1");
    EXPECT_EQ(Show(DisplayVuHold, -99.9, "old"), "-Inf");
    EXPECT_EQ(Show(DisplayVuHold, -99.8), "-99.8");
    EXPECT_EQ(Show(DisplayVuHold, -500), "-Inf");

    // At most 31 characters of a number survive, and never more than the string holds.
    KCFixedString<127> wide;
    DisplayFloat4(0, 1e40, wide);
    EXPECT_EQ(wide.length(), 31U);
    KCFixedString<4> narrow;
    DisplayFloat1WithHz(0, 1234.5, narrow);
    EXPECT_EQ(narrow, "1234");
}

using DisplayFunctionsInCommaLocale = test_support::CommaLocaleTest;

// Display strings read like text entry: a point, whatever locale the host set.
TEST_F(DisplayFunctionsInCommaLocale, NumbersShowAPoint) {
    EXPECT_EQ(Show(DisplayFloat1, 1.25, "v="), "v=1.2");
    EXPECT_EQ(Show(DisplayFloat2, 2.25), "2.25");
    EXPECT_EQ(Show(DisplayFloat4, 3.14159265), "3.1416");
    EXPECT_EQ(Show(DisplayFloat1WithHz, 440), "440.0 Hz");
    EXPECT_EQ(Show(DisplayGainWithDB, -6.02), "-6.0 dB");
    EXPECT_EQ(Show(DisplayRatioFloat2, 4), "4.00:1");
    EXPECT_EQ(Show(DisplayVuHold, -99.8), "-99.8");
}

TEST(DisplayFunctions, WordFormsReplace) {
    EXPECT_EQ(Show(DisplayOnOff, 0, "x"), "Off");
    EXPECT_EQ(Show(DisplayOnOff, 0.5, "x"), "On");
    EXPECT_EQ(Show(DisplayInOut, -1), "Out");
    EXPECT_EQ(Show(DisplayInOut, 1), "In");
    EXPECT_EQ(Show(DisplayInOutDefaultIn, 0.9), "In");
    EXPECT_EQ(Show(DisplayInOutDefaultIn, 1), "Out");
    EXPECT_EQ(Show(DisplayInOutDefaultOut, 0), "Out");
    EXPECT_EQ(Show(DisplayInOutDefaultOut, -1.5), "In");
    EXPECT_EQ(Show(DisplayPhaseDefaultPlus, 1.7), "-");
    EXPECT_EQ(Show(DisplayPhaseDefaultPlus, 2), "+");
    EXPECT_EQ(Show(DisplayNothing, 5, "gone"), "");
    EXPECT_EQ(Show(DisplayTheSame, 5, "kept"), "kept");
}

TEST(DisplayFunctions, RealWorldStringIndexesTheBoundStrings) {
    const std::vector<KCFixedString<127>> strings{"Low", "High"};
    const DisplayRealWorldString show(&strings);
    KCFixedString<63> out("old");
    show(0, 1.7, out);
    EXPECT_EQ(out, "High");
    show(0, 2, out);
    EXPECT_EQ(out, "");
    out = "old";
    show(0, -1, out);
    EXPECT_EQ(out, "");
    out = "old";
    DisplayRealWorldString unbound;
    unbound(0, 0, out);
    EXPECT_EQ(out, "");
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
