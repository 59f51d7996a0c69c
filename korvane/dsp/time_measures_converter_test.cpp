// Musical and clock time: the derived lengths, the conversions both ways, the note multiplier
// and the refusal of every value that would be divided by zero.
#include "korvane/dsp/time_measures_converter.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kvKorvaneV10_0_3 {
namespace {

TEST(TimeMeasuresConverter, DerivesLengthsFromTempoAndSignature) {
    const KUTimeMeasuresConverter common;
    EXPECT_DOUBLE_EQ(common.GetNumOfSamplesInOneBeat(), 22050.0);
    EXPECT_DOUBLE_EQ(common.GetNumOfTicksInOneBeat(), 960.0);
    EXPECT_DOUBLE_EQ(common.GetNumOfSamplesInOneTick(), 22.96875);
    EXPECT_DOUBLE_EQ(common.GetNumOfSamplesInOneBar(), 88200.0);

    const KUTimeMeasuresConverter sixEight(48000, 120, 1, 6, 8, eNoteNormal);
    EXPECT_DOUBLE_EQ(sixEight.GetNumOfTicksInOneBeat(), 480.0);
    EXPECT_DOUBLE_EQ(sixEight.GetNumOfSamplesInOneTick(), 25.0);
    EXPECT_DOUBLE_EQ(sixEight.GetNumOfSamplesInOneBeat(), 12000.0);
    EXPECT_DOUBLE_EQ(sixEight.GetNumOfSamplesInOneBar(), 72000.0);

    // A resolution of 2 halves the tempo: twice the samples per beat.
    const KUTimeMeasuresConverter halved(48000, KCMusicInfo{120, 2, 6, 8}, eNoteNormal);
    EXPECT_DOUBLE_EQ(halved.GetNumOfSamplesInOneBeat(), 24000.0);
}

TEST(TimeMeasuresConverter, MultiplierAppliesOnlyBelowOneBar) {
    KUTimeMeasuresConverter c;
    c.SetNoteLengthModifiers(eNoteDotted);
    double samples = 0;
    ASSERT_EQ(c.ConvertMeasuresDetailsToSamples({0, 1, 0}, samples), eNoErr);
    EXPECT_DOUBLE_EQ(samples, 33075.0);
    ASSERT_EQ(c.ConvertMeasuresDetailsToSamples({0, 3, 0}, samples), eNoErr);
    EXPECT_DOUBLE_EQ(samples, 66150.0);
    ASSERT_EQ(c.ConvertMeasuresDetailsToSamples({2, 0, 10}, samples), eNoErr);
    EXPECT_DOUBLE_EQ(samples, 2 * 88200.0 + 1.5 * 10 * 22.96875);
}

TEST(TimeMeasuresConverter, SamplesToMeasureInvertsExactly) {
    for (const eNoteLengths length : {eNoteNormal, eNoteDotted, eNoteTriplet}) {
        KUTimeMeasuresConverter c(48000, 97, 1, 7, 8, length);
        const KSMeasuresDetails in{5, 1, 123.25};
        double samples = 0;
        ASSERT_EQ(c.ConvertMeasuresDetailsToSamples(in, samples), eNoErr);
        KSMeasuresDetails out;
        ASSERT_EQ(c.ConvertSamplesToMeasure(samples, out, false), eNoErr);
        EXPECT_EQ(out.bars, 5);
        EXPECT_EQ(out.beats, 1);
        EXPECT_NEAR(out.ticks, 123.25, 1e-6) << length;
    }
}

TEST(TimeMeasuresConverter, SamplesToMeasureRoundsToNearestBeat) {
    const KUTimeMeasuresConverter c;  // 22050 samples a beat, 960 ticks
    KSMeasuresDetails out;
    ASSERT_EQ(c.ConvertSamplesToMeasure(22050.0 * 2 + 22.96875 * 479, out, true), eNoErr);
    EXPECT_EQ(out.bars, 0);
    EXPECT_EQ(out.beats, 2);
    EXPECT_EQ(out.ticks, 0);
    ASSERT_EQ(c.ConvertSamplesToMeasure(22050.0 * 2 + 22.96875 * 480, out, true), eNoErr);
    EXPECT_EQ(out.beats, 3);
    // Half a beat before the bar line carries into the next bar.
    ASSERT_EQ(c.ConvertSamplesToMeasure(88200.0 + 22050.0 * 3.6, out, true), eNoErr);
    EXPECT_EQ(out.bars, 2);
    EXPECT_EQ(out.beats, 0);
}

TEST(TimeMeasuresConverter, ClockTimeBothWays) {
    const KUTimeMeasuresConverter c(48000, 120, 1, 4, 4, eNoteNormal);
    double samples = 0;
    ASSERT_EQ(c.ConvertSTimeHMSmToSamples({1, 2, 3, 500}, samples), eNoErr);
    EXPECT_DOUBLE_EQ(samples, (3600.0 + 120 + 3.5) * 48000);
    KSTimeHMSm t;
    ASSERT_EQ(c.ConvertSamplesToKSTimeHMSm(samples + 10, t), eNoErr);
    EXPECT_EQ(t.hours, 1);
    EXPECT_EQ(t.minutes, 2);
    EXPECT_EQ(t.seconds, 3);
    EXPECT_EQ(t.milliseconds, 500);
}

TEST(TimeMeasuresConverter, FragmentOfAGrid) {
    KUTimeMeasuresConverter c;  // 4/4: an eighth note is 11025 samples
    double out = 0;
    ASSERT_EQ(c.ConvertFragmentTimeMeasuresWithDiffrentGridSeperetor(out, 3, 8), eNoErr);
    EXPECT_DOUBLE_EQ(out, 3 * 11025.0);
    c.SetNoteLengthModifiers(eNoteTriplet);
    ASSERT_EQ(c.ConvertFragmentTimeMeasuresWithDiffrentGridSeperetor(out, 1, 8), eNoErr);
    EXPECT_NEAR(out, 11025.0 * 2 / 3, 1e-3);
}

// Every value some conversion divides by: each refused with eOutOfRangeNumber, outputs kept.
TEST(TimeMeasuresConverter, RefusesEveryZeroDivisor) {
    struct Case {
        const char* what;
        KUTimeMeasuresConverter converter;
    };
    const Case cases[] = {
        {"tempo", KUTimeMeasuresConverter(44100, 0, 1, 4, 4, eNoteNormal)},
        {"resolution", KUTimeMeasuresConverter(44100, 120, 0, 4, 4, eNoteNormal)},
        {"denominator", KUTimeMeasuresConverter(44100, 120, 1, 4, 0, eNoteNormal)},
        {"numerator", KUTimeMeasuresConverter(44100, 120, 1, 0, 4, eNoteNormal)},
        {"sample rate", KUTimeMeasuresConverter(0, 120, 1, 4, 4, eNoteNormal)},
        {"NaN tempo", KUTimeMeasuresConverter(44100, std::nan(""), 1, 4, 4, eNoteNormal)},
        {"note length", KUTimeMeasuresConverter(44100, 120, 1, 4, 4, eNoteLengths(7))},
    };
    for (const auto& c : cases) {
        double samples = -1;
        KSMeasuresDetails m{-1, -1, -1};
        double fragment = -1;
        EXPECT_EQ(c.converter.ConvertMeasuresDetailsToSamples({1, 1, 1}, samples),
                  eOutOfRangeNumber)
            << c.what;
        EXPECT_EQ(c.converter.ConvertSamplesToMeasure(1000, m, false), eOutOfRangeNumber) << c.what;
        EXPECT_EQ(c.converter.ConvertFragmentTimeMeasuresWithDiffrentGridSeperetor(fragment, 1, 4),
                  eOutOfRangeNumber)
            << c.what;
        EXPECT_EQ(samples, -1) << c.what;
        EXPECT_EQ(m.bars, -1) << c.what;
        EXPECT_EQ(fragment, -1) << c.what;
    }
    // Clock time needs only the sample rate besides the tempo fields.
    KSTimeHMSm t{-1, -1, -1, -1};
    EXPECT_EQ(cases[4].converter.ConvertSamplesToKSTimeHMSm(1000, t), eOutOfRangeNumber);
    EXPECT_EQ(t.hours, -1);
    double s = 0;
    EXPECT_EQ(cases[6].converter.ConvertSTimeHMSmToSamples({0, 0, 1, 0}, s), eNoErr);

    const KUTimeMeasuresConverter good;
    double out = -1;
    EXPECT_EQ(good.ConvertFragmentTimeMeasuresWithDiffrentGridSeperetor(out, 1, 0),
              eOutOfRangeNumber);
    EXPECT_EQ(good.ConvertFragmentTimeMeasuresWithDiffrentGridSeperetor(out, 0, 4),
              eOutOfRangeNumber);
    EXPECT_EQ(out, -1);
}

TEST(TimeMeasuresConverter, UnusableTempoKeepsDerivedValues) {
    KUTimeMeasuresConverter c(48000, 120, 1, 6, 8, eNoteNormal);
    c.SetTempo(0);
    EXPECT_DOUBLE_EQ(c.GetNumOfSamplesInOneBeat(), 12000.0);
    EXPECT_DOUBLE_EQ(c.GetNumOfSamplesInOneBar(), 72000.0);
    c.SetTempo(60);
    EXPECT_DOUBLE_EQ(c.GetNumOfSamplesInOneBeat(), 24000.0);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
