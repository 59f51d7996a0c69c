// Decibel, gain-stage and time conversions, including their limits.
#include "korvane/graphs/gain_conversion.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

namespace kvKorvaneV10_0_3 {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(GainConversion, DecibelsAndTheirFloors) {
    EXPECT_DOUBLE_EQ(dbToGain(20.0), 10.0);
    EXPECT_DOUBLE_EQ(dbToGain(-6.0), std::pow(10.0, -0.3));
    EXPECT_EQ(dbToGainWithOff(-60.0, -60.0), 0.0);
    EXPECT_DOUBLE_EQ(dbToGainWithOff(-59.0, -60.0), dbToGain(-59.0));
    EXPECT_EQ(GainTodb(0.0), -144.0);
    EXPECT_EQ(GainTodb(1.0), 0.0);
    EXPECT_EQ(GainTodb(-2.0), -144.0);
    EXPECT_EQ(GainTodb(kNaN), -144.0);
    EXPECT_NEAR(GainTodb(6.4e-8), 20.0 * std::log10(6.4e-8), 1e-12);
    for (double db : {-40.0, -3.0, 0.5, 18.0}) {
        EXPECT_NEAR(GainTodb(dbToGain(db)), db, 1e-12);
    }
}

TEST(GainConversion, GainStagesKeepTheGainBelowOneAndTheProductExact) {
    double value = 0.0;
    int stage = -1;
    dbToGainStage(&value, &stage);
    EXPECT_EQ(value, 0.5);
    EXPECT_EQ(stage, 1);
    for (double db : {12.0, -20.0, 6.0, 60.0}) {
        value = db;
        dbToGainStage(&value, &stage);
        EXPECT_LE(value, 1.0);
        EXPECT_GE(stage, 1);
        EXPECT_NEAR(std::ldexp(value, stage), dbToGain(db), 1e-12 * dbToGain(db));
    }
    value = 12.0;
    dbToGainStage(&value, &stage);
    EXPECT_NEAR(value, 0.995, 0.001);
    EXPECT_EQ(stage, 2);

    float g = -1.0f;
    gainToGainStage(&g, &stage);
    EXPECT_EQ(g, -0.5f);
    EXPECT_EQ(stage, 1);
    g = 0.25f;
    gainToGainStage(&g, &stage);
    EXPECT_EQ(g, 0.125f);
    EXPECT_EQ(stage, 1);
    g = -3.0f;
    gainToGainStage(&g, &stage);
    EXPECT_EQ(g, -0.75f);
    EXPECT_EQ(stage, 2);
    // -1 is reachable in fixed point, +1 is not.
    g = 2.0f;
    gainToGainStage(&g, &stage);
    EXPECT_EQ(g, 0.5f);
    EXPECT_EQ(stage, 2);
    g = -2.0f;
    gainToGainStage(&g, &stage);
    EXPECT_EQ(g, -1.0f);
    EXPECT_EQ(stage, 1);
    g = std::numeric_limits<float>::infinity();
    gainToGainStage(&g, &stage);
    EXPECT_EQ(g, 0.0f);
    EXPECT_EQ(stage, 1);
    g = std::numeric_limits<float>::max();
    gainToGainStage(&g, &stage);
    EXPECT_LT(std::fabs(g), 1.0f);
    EXPECT_EQ(stage, 128);
    dbToGainStage(nullptr, &stage);
    gainToGainStage(&g, nullptr);
}

TEST(GainConversion, TimesInSamplesAndSmoothingCoefficients) {
    EXPECT_EQ(msToSamples(10.0, 48000), 480);
    EXPECT_EQ(msToSamples(0.01, 44100), 0);
    EXPECT_EQ(msToSamples(0.0113, 44100), 0);
    EXPECT_EQ(msToSamples(1.0, 44100), 44);
    EXPECT_EQ(msToSamples(kNaN, 48000), 0);
    EXPECT_EQ(msToSamples(1e300, 48000), INT_MAX);
    // After N samples of a step the smoothed value has covered 1 - 1/e of it.
    const double coef = msToDspCoef(10.0, 48000);
    EXPECT_NEAR(std::pow(coef, 480.0), std::exp(-1.0), 1e-9);
    EXPECT_EQ(msToDspCoef(0.0, 48000), 0.0);
    EXPECT_EQ(msToDspCoef(-1.0, 48000), 0.0);
    EXPECT_EQ(msToDspCoef(5.0, 0), 0.0);
    EXPECT_EQ(msToDspCoef(kNaN, 48000), 0.0);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
