// One controller's slots and value scaling, and the latching of a controlled parameter.
#include "korvane/midi/midi_controller.h"
#include "korvane/midi/controlled_param.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>

namespace {

using kvKorvaneV10_0_3::kvMIDI::ControlledParam;
using kvKorvaneV10_0_3::kvMIDI::MidiController;

TEST(MidiControllerSlots, KeepAttachedParamsSortedAndRefuseDuplicatesAndANinth) {
    MidiController c;
    EXPECT_FALSE(c.HasMappedParams());
    for (const int p : {40, 3, 17, 0, 699, 5, 8, 1}) {
        EXPECT_TRUE(c.AddParam(p)) << p;
    }
    EXPECT_EQ(c.GetControlledParams(), (std::array<int, 8>{0, 1, 3, 5, 8, 17, 40, 699}));
    EXPECT_FALSE(c.AddParam(2)) << "a ninth parameter";
    EXPECT_FALSE(c.AddParam(3)) << "already attached";

    EXPECT_TRUE(c.RemoveParam(5));
    EXPECT_FALSE(c.RemoveParam(5));
    EXPECT_EQ(c.GetControlledParams(), (std::array<int, 8>{0, 1, 3, 8, 17, 40, 699, -1}));
    EXPECT_TRUE(c.AddParam(2));
    EXPECT_EQ(c.GetControlledParams(), (std::array<int, 8>{0, 1, 2, 3, 8, 17, 40, 699}));
    EXPECT_EQ(c.GetNumMappedParams(), 8);
    c.RemoveAllParams();
    EXPECT_EQ(c.GetNumMappedParams(), 0);
}

TEST(MidiControllerSlots, RefuseIndicesOutsideTheParameterTable) {
    MidiController c;
    EXPECT_FALSE(c.AddParam(MidiController::kMaxParamIndex));
    EXPECT_FALSE(c.AddParam(100000));
    EXPECT_FALSE(c.AddParam(-1));
    EXPECT_FALSE(c.HasMappedParams());
    EXPECT_FALSE(c.RemoveParam(-1)) << "-1 marks an empty slot, it is no parameter";
    EXPECT_FALSE(c.ControlsParam(-1));
}

TEST(MidiControllerScaling, MapsTheInputRangeOntoTheOutputRange) {
    MidiController c;
    EXPECT_NEAR(c.GetScaledVal(64), 64.0 / 127.0, 1e-12);
    EXPECT_NEAR(c.GetScaledVal(64), 0.504, 1e-3);
    EXPECT_EQ(c.GetScaledVal(0), 0.0) << "momentary by default: the minimum counts";
    EXPECT_EQ(c.GetScaledVal(127), 1.0);

    c.SetOutputScale(0.25, 0.75);
    EXPECT_NEAR(c.GetScaledVal(127), 0.75, 1e-12);
    EXPECT_TRUE(c.SetScale(100, 0));
    EXPECT_NEAR(c.GetScaledVal(100), 0.25, 1e-12) << "a reversed input range";
    EXPECT_NEAR(c.GetScaledVal(0), 0.75, 1e-12);
}

TEST(MidiControllerScaling, NotMomentaryIgnoresTheInputMinimum) {
    MidiController c;
    c.SetMomentary(false);
    EXPECT_EQ(c.GetScaledVal(0), MidiController::kIgnore);
    EXPECT_EQ(c.GetScaledVal(127), 1.0);
    EXPECT_EQ(c.GetScaledVal(-5), MidiController::kIgnore) << "clamped onto the minimum";
}

TEST(MidiControllerScaling, AnEmptyInputRangeIsIgnored) {
    MidiController c;
    ASSERT_TRUE(c.SetScale(10, 20));
    EXPECT_FALSE(c.SetScale(7, 7));
    EXPECT_EQ(c.GetMinInputVal(), 10);
    EXPECT_EQ(c.GetMaxInputVal(), 20);
    for (const int v : {0, 7, 10, 15, 20, 127}) {
        const double p = c.GetScaledVal(v);
        EXPECT_TRUE(std::isfinite(p)) << v;
        EXPECT_GE(p, 0.0) << v;
        EXPECT_LE(p, 1.0) << v;
    }
}

TEST(MidiControllerScaling, ValuesOutsideTheInputRangeAreClampedIntoIt) {
    MidiController c;  // 0..127
    EXPECT_EQ(c.GetScaledVal(8191), 1.0) << "a full pitch bend on a 0..127 mapping";
    EXPECT_EQ(c.GetScaledVal(-8192), 0.0);
    ASSERT_TRUE(c.SetScale(std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
    EXPECT_NEAR(c.GetScaledVal(0), 0.5, 1e-9) << "the widest range does not overflow";
}

TEST(MidiControllerScaling, ResetRestoresTheDefaultsOfItsType) {
    MidiController c;
    c.SetInfo({3, 0, kvKorvaneV10_0_3::kvMIDI::eMidiPitchBend});
    ASSERT_TRUE(c.AddParam(4));
    c.SetMomentary(false);
    c.SetOutputScale(0.5, 0.6);
    c.Reset();
    EXPECT_FALSE(c.HasMappedParams());
    EXPECT_EQ(c.GetMinInputVal(), -8192);
    EXPECT_EQ(c.GetMaxInputVal(), 8191);
    EXPECT_TRUE(c.IsMomentary());
    EXPECT_EQ(c.GetMaxOutputVal(), 1.0);
    EXPECT_EQ(c.GetInfo().channel, 3);
}

TEST(ControlledParamState, PositionsMapOntoTheStateRangeWithinIt) {
    ControlledParam p;
    p.SetStateScale(0, 1000);
    p.SetStateFromNormalized(0.25);
    EXPECT_EQ(p.GetState(), 250.0);
    EXPECT_EQ(p.GetStateNormalized(), 0.25);
    p.SetStateFromNormalized(1.5);
    EXPECT_EQ(p.GetState(), 1000.0) << "an output range past 1 stays within the states";
    p.SetStateFromNormalized(-0.5);
    EXPECT_EQ(p.GetState(), 0.0);

    p.SetStateScale(0, 4);
    p.SetStateStep(1.0);
    p.SetStateFromNormalized(0.6);
    EXPECT_EQ(p.GetState(), 2.0) << "a discrete parameter lands on a whole state";
    p.SetReversed();
    p.SetStateFromNormalized(1.0);
    EXPECT_EQ(p.GetState(), 0.0);

    p.SetStateScale(3, 3);
    EXPECT_EQ(p.GetStateNormalized(), 0.0) << "an empty range divides by nothing";
}

TEST(ControlledParamState, LatchingTurnsPressesIntoAToggle) {
    ControlledParam p;
    p.SetStateScale(0, 1000);
    p.SetLatching(true);
    p.SetState(1000.0);
    p.SetStateFromNormalized(1.0);  // pressed
    EXPECT_EQ(p.GetState(), 0.0);
    p.SetStateFromNormalized(0.0);  // released
    EXPECT_EQ(p.GetState(), 0.0);
    p.SetStateFromNormalized(1.0);
    EXPECT_EQ(p.GetState(), 1000.0);
    p.SetStateFromNormalized(0.0);
    EXPECT_EQ(p.GetState(), 1000.0);

    // The rule itself: below the middle the value is taken as it is.
    p.SetState(100.0);
    EXPECT_EQ(p.GetState(300.0), 300.0);
    EXPECT_EQ(p.GetState(400.0), 400.0);
    p.SetState(700.0);
    EXPECT_EQ(p.GetState(400.0), 1000.0);
}

}  // namespace
