// The parameter record: defaults, value updates, validation, text entry and value strings.
#include "korvane/algorithm/param_base.h"

#include "korvane/algorithm/control_param.h"
#include "korvane/algorithm/display_functions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace kvKorvaneV10_0_3 {
namespace {

const KCFixedString<31> kState("state");
const KCFixedString<31> kDouble("double");
const KCFixedString<31> kRealWorld("RealWorld");
const KCFixedString<31> kRealWorldExact("RealWorldExact");
const KCFixedString<31> kUnknown("whatever");

TEST(ParamDefaults, TypesOfInitialAndResetValues) {
    KCParam_Base p;
    p.SetScaleLin(-24, 24, 0.1);
    EXPECT_EQ(p.SetScaleDefaults(0, kState, 0.5, kDouble), 0);
    EXPECT_DOUBLE_EQ(p.GetInitialState(), 500);
    EXPECT_DOUBLE_EQ(p.GetInitialRealWorld(), 0.0);
    EXPECT_DOUBLE_EQ(p.GetResetState(), 0);
    EXPECT_DOUBLE_EQ(p.GetResetRealWorld(), -24);
    for (auto setup : {eSetupA, eSetupB}) {
        EXPECT_DOUBLE_EQ(p.GetState(setup), 500);
        EXPECT_DOUBLE_EQ(p.GetRealWorld(setup), 0.0);
    }

    // Real-world initial values land on the nearest state; the exact form keeps the fraction.
    p.SetScaleDefaults(6.0, kRealWorld, 6.0, kRealWorldExact);
    EXPECT_DOUBLE_EQ(p.GetResetState(), 625);
    EXPECT_NEAR(p.GetInitialState(), 625, 1e-9);
    p.SetScaleDefaults(0, kUnknown, 3.0, kRealWorld);
    EXPECT_DOUBLE_EQ(p.GetResetState(), p.GetInitialState()) << "unknown reset type copies initial";
    EXPECT_DOUBLE_EQ(p.GetInitialState(), std::round((3.0 + 24) / 0.048));

    // Out-of-range values are clamped onto the scale.
    p.SetScaleDefaults(2.0, kDouble, 5000, kState);
    EXPECT_DOUBLE_EQ(p.GetInitialState(), 1000);
    EXPECT_DOUBLE_EQ(p.GetResetState(), 1000);
    p.SetScaleDefaults(0, kState, 100, kRealWorld);
    EXPECT_DOUBLE_EQ(p.GetInitialState(), 1000);
    EXPECT_DOUBLE_EQ(p.GetInitialRealWorld(), 24);
}

TEST(ParamDefaults, UnknownInitialTypeKeepsTheState) {
    KCParam_Base p;
    p.SetScaleToggle(4);
    p.SetScaleDefaults(0, kState, 2, kState);
    p.SetScaleDefaults(0, kState, 99, kUnknown);
    EXPECT_DOUBLE_EQ(p.GetInitialState(), 2);
    EXPECT_DOUBLE_EQ(p.GetInitialRealWorld(), 2);
}

TEST(ParamValues, StateUpdatesKeepPreciseRealWorldValues) {
    KCParam_Base p;
    p.SetScaleLin(0, 100, 0.001);
    // A real-world value typed with more precision than the state grid...
    p.SetRealWorldAndUpdate(12.3456, eSetupA);
    const double state = p.GetState(eSetupA);
    EXPECT_NEAR(state, 123.456, 1e-9);
    // ...survives setting the very state it maps to.
    p.SetStateAndUpdate(state, eSetupA);
    EXPECT_DOUBLE_EQ(p.GetRealWorld(eSetupA), 12.3456);
    EXPECT_EQ(p.GetUpdateLevel(), 3);
    // A different state recomputes it through the scale.
    p.SetStateAndUpdate(500, eSetupA);
    EXPECT_DOUBLE_EQ(p.GetRealWorld(eSetupA), 50.0);
    EXPECT_FALSE(p.DoesNewStateChangeRealWorld(eSetupA, 500));
    EXPECT_TRUE(p.DoesNewStateChangeRealWorld(eSetupA, 510));
    // Setup B is independent.
    EXPECT_DOUBLE_EQ(p.GetState(eSetupB), 0.0);
    p.CopySetup(eSetupA, eSetupB);
    EXPECT_DOUBLE_EQ(p.GetRealWorld(eSetupB), 50.0);

    p.SetRealWorldAndUpdate(20, eSetupB);
    EXPECT_NEAR(p.UpdateStateFromRealWorld(eSetupB), 200, 1e-9);
    p.SetRealWorldInitialValue(30);
    EXPECT_NEAR(p.GetInitialState(), 300, 1e-9);
    p.SetRealWorldResetValue(40);
    EXPECT_NEAR(p.GetResetState(), 400, 1e-9);
}

TEST(ParamValues, NoScaleFunctionMeansZeroEverywhere) {
    KCParam_Base p;
    EXPECT_EQ(p.StateToRealWorld(300), 0.0);
    EXPECT_EQ(p.RealWorldToState(3), 0.0);
    EXPECT_TRUE(p.ValidateRealWorld(0.0));
    EXPECT_FALSE(p.ValidateRealWorld(0.1));
    double r = 55;
    p.LimitRealWorld(r);
    EXPECT_EQ(r, 0.0);
    p.SetStateAndUpdate(300, eSetupA);
    EXPECT_EQ(p.GetState(eSetupA), 300);
    EXPECT_EQ(p.GetRealWorld(eSetupA), 0.0);
}

TEST(ParamValues, ValidateAndLimitRealWorld) {
    KCParam_Base p;
    p.SetScaleLin(-24, 24, 0.1);
    double r = 30;
    p.LimitRealWorld(r);
    EXPECT_DOUBLE_EQ(r, 24);
    r = -100;
    p.LimitRealWorld(r);
    EXPECT_DOUBLE_EQ(r, -24);
    EXPECT_TRUE(p.ValidateRealWorld(24.0000005));
    EXPECT_FALSE(p.ValidateRealWorld(24.00001));
    EXPECT_FALSE(p.ValidateRealWorld(std::numeric_limits<double>::quiet_NaN()));

    // A descending scale validates with its ends swapped.
    KCParam_Base down;
    down.SetScaleLin(10, -10, 0.1);
    EXPECT_TRUE(down.ValidateRealWorld(-10));
    EXPECT_TRUE(down.ValidateRealWorld(10));
    EXPECT_FALSE(down.ValidateRealWorld(11));
}

TEST(ParamValues, SanityOfNegativeTextEntry) {
    KCParam_Base p;
    p.SetScaleLin(-60, 0, 0.1);
    EXPECT_EQ(p.SanityTests(), 0);
    p.SetFlag(eParamFlagPositiveTextEntryToNegative, true);
    EXPECT_EQ(p.SanityTests(), 0);
    p.SetScaleLin(-60, 6, 0.1);
    EXPECT_EQ(p.SanityTests(), -1);
    p.SetScaleToggle(2);
    EXPECT_EQ(p.SanityTests(), -1);
}

TEST(ParamStrings, ValueStringThroughTheDisplayFunction) {
    KCParam_Base p;
    p.SetScaleLin(-24, 24, 0.1);
    p.SetRealWorldAndUpdate(-3.25, eSetupB);
    p.UpdateValueString(eSetupB);
    EXPECT_EQ(p.GetValueString(), "") << "no display function: nothing happens";
    p.SetDisplayFunc(DisplayGainWithDB);
    p.SetValueString("stale");
    p.UpdateValueString(eSetupB);
    EXPECT_EQ(p.GetValueString(), "-3.2 dB");  // printf rounds -3.25 to even
    // With the keep bit the display function appends to what is there.
    p.SetFlag(eParamFlagKeepValueString, true);
    p.UpdateValueString(eSetupB);
    EXPECT_EQ(p.GetValueString(), "-3.2 dB-3.2 dB");

    KCFixedString<63> out("x=");
    p.TranslateValueString(1000, out);
    EXPECT_EQ(out, "x=24.0 dB");
    KCParam_Base bare;
    bare.TranslateValueString(500, out);
    EXPECT_EQ(out, "x=24.0 dB") << "without a display function out stays as it is";
}

TEST(ParamStrings, DisplayStringsFollowTheRecordThroughCopies) {
    std::vector<KCParam_Base> params(1);
    params[0].SetScaleToggle(2);
    params[0].SetDisplayStrings({"Low", "High"});
    params[0].UseDisplayStrings();
    params[0].SetStateAndUpdate(1, eSetupA);
    // Growing the vector moves the record; the copy must show its own strings.
    for (int i = 0; i < 40; ++i) {
        params.emplace_back();
    }
    params[0].UpdateValueString(eSetupA);
    EXPECT_EQ(params[0].GetValueString(), "High");
    KCParam_Base copy(params[0]);
    params.clear();
    copy.SetStateAndUpdate(0, eSetupA);
    copy.UpdateValueString(eSetupA);
    EXPECT_EQ(copy.GetValueString(), "Low");
}

TEST(ParamFlags, KeywordsMapToBits) {
    EXPECT_EQ(ParamFlagBitFromName("NoDisplay"), 1);
    EXPECT_EQ(ParamFlagBitFromName("Drag"), 3);
    EXPECT_EQ(ParamFlagBitFromName("DontUpdateWhileDrag"), 3);
    EXPECT_EQ(ParamFlagBitFromName("DontRecordUndo"), 16);
    EXPECT_EQ(ParamFlagBitFromName("nodisplay"), -1);
    EXPECT_EQ(ParamFlagBitFromName(nullptr), -1);
    EXPECT_STREQ(ParamFlagName(13), "CyclicContinious");
    EXPECT_EQ(ParamFlagName(15), nullptr);
    KCParam_Base p;
    p.SetFlags(TBitVector<unsigned int>(0x1000U));
    sCONTROL_PARAM c;
    c.SetFlags(p.GetFlags());
    EXPECT_FALSE(c.IsDiscreteParamCyclic());
    EXPECT_FALSE(c.IsContiniousParamCyclic());
    c.SetUnused(true);
    c.SetLab(true);
    EXPECT_EQ(c.GetFlags().Word(), 0x1000U | 0x800U | 0x4000U);
}

// A discrete state past the last one would make a table scale wrap to an unrelated entry.
TEST(ParamValues, DiscreteStatesAreQuantisedAndStopAtTheLastState) {
    KCParam_Base ranges;
    ASSERT_EQ(ranges.SetScale(0, 0, 1, 0, 0, KCFixedString<31>("toggleRanges"), nullptr, nullptr,
                              {}, {10, 20, 40}),
              0);
    ranges.SetStateAndUpdate(1000, eSetupA);
    EXPECT_EQ(ranges.GetState(eSetupA), 2);
    EXPECT_EQ(ranges.GetRealWorld(eSetupA), 40);
    ranges.SetStateAndUpdate(0.7, eSetupB);
    EXPECT_EQ(ranges.GetState(eSetupB), 1);
    EXPECT_EQ(ranges.GetRealWorld(eSetupB), 20);
    ranges.SetStateAndUpdate(-5, eSetupB);
    EXPECT_EQ(ranges.GetState(eSetupB), 0);

    KCParam_Base map;
    ASSERT_EQ(map.SetScale(0, 0, 1, 0, 0, KCFixedString<31>("toggleMap"), nullptr, nullptr,
                           {0, 1, 2}, {5, 7, 9}),
              0);
    map.SetStateAndUpdate(1000, eSetupA);
    EXPECT_EQ(map.GetState(eSetupA), 2);
    EXPECT_EQ(map.GetRealWorld(eSetupA), 9);
    // A map whose states are spread out ends at its largest state.
    ASSERT_EQ(map.SetScale(0, 0, 1, 0, 0, KCFixedString<31>("toggleMap"), nullptr, nullptr,
                           {0, 5, 10}, {5, 7, 9}),
              0);
    map.SetStateAndUpdate(1000, eSetupA);
    EXPECT_EQ(map.GetState(eSetupA), 10);
    EXPECT_EQ(map.GetRealWorld(eSetupA), 9);
    // The highest state is worked out when the scale is set: copies keep it, and it follows
    // the scale set last.
    const KCParam_Base mapCopy(map);
    EXPECT_EQ(mapCopy.GetMaxState(), 10);
    map.SetScaleLin(0, 100, 0.1);
    EXPECT_EQ(map.GetMaxState(), 1000);
    map.SetStateAndUpdate(700, eSetupA);
    EXPECT_EQ(map.GetState(eSetupA), 700);

    KCParam_Base toggle;
    ASSERT_EQ(toggle.SetScaleToggle(3), 0);
    toggle.SetStateAndUpdate(7, eSetupA);
    EXPECT_EQ(toggle.GetState(eSetupA), 2);
    EXPECT_EQ(toggle.GetMaxState(), 2);

    KCParam_Base linear;
    ASSERT_EQ(linear.SetScaleLin(0, 100, 0.1), 0);
    linear.SetStateAndUpdate(1200.5, eSetupA);
    EXPECT_EQ(linear.GetState(eSetupA), 1000);
    linear.SetStateAndUpdate(12.25, eSetupA);  // continuous states are not quantised
    EXPECT_EQ(linear.GetState(eSetupA), 12.25);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
