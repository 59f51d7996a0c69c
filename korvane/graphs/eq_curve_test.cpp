// The frequency axis and the single and cascade curves, checked against direct evaluation of
// each section, incremental updates against a fresh computation.
#include "korvane/graphs/eq_curve.h"

#include "korvane/graphs/filter_design.h"
#include "korvane/graphs/testing/response.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

namespace kvKorvaneV10_0_3 {
namespace {

constexpr int kRate = 48000;
constexpr int kPoints = 201;

// 20 Hz .. 20 kHz over the 0..1000 states, as a logarithmic frequency parameter maps them.
struct LogFrequency {
    double StateToRealWorld(double state) const { return 20.0 * std::pow(1000.0, state / 1000.0); }
};

double Frequency(int k, int n) {
    return LogFrequency{}.StateToRealWorld(k * 1000.0 / (n - 1));
}

// One band: a section with its own cache, placed on the axis at its frequency.
struct Band {
    std::vector<std::int16_t> cache = std::vector<std::int16_t>(kPoints, 0);
};

void Place(BIQUAD& bq, std::int16_t* cache, double f) {
    bq.curve = cache;
    bq.position =
        static_cast<std::int32_t>(std::lround(1000.0 * std::log(f / 20.0) / std::log(1000.0)));
}

struct Axis {
    std::vector<KCPoint2D<float>> points = std::vector<KCPoint2D<float>>(kPoints);
    std::vector<TKorvaneComplex<double>> z1 = std::vector<TKorvaneComplex<double>>(kPoints);
    std::vector<TKorvaneComplex<double>> z2 = std::vector<TKorvaneComplex<double>>(kPoints);
    Axis() {
        KUInit_ZPlain_Axes(kPoints, points.data(), LogFrequency{}, z1.data(), z2.data(), kRate,
                           0.0);
    }
};

TEST(EqCurve, AxisFollowsTheParameterScale) {
    Axis axis;
    for (int k : {0, 1, 77, 200}) {
        const double w = 2.0 * std::numbers::pi * Frequency(k, kPoints) / kRate;
        EXPECT_EQ(axis.points[k].x, std::round(k * 5.0));
        EXPECT_EQ(axis.points[k].y, 0.0f);
        EXPECT_NEAR(axis.z1[k].re, std::cos(w), 1e-12);
        EXPECT_NEAR(axis.z1[k].im, -std::sin(w), 1e-12);
        EXPECT_NEAR(axis.z2[k].re, std::cos(2 * w), 1e-12);
        EXPECT_NEAR(axis.z2[k].im, -std::sin(2 * w), 1e-12);
    }
    // Short points round the state and the start level; one point sits at state 0.
    std::vector<KCPoint2D<short int>> shorts(7);
    KUInit_ZPlain_Axes(7, shorts.data(), LogFrequency{}, nullptr, nullptr, kRate, -12.6);
    EXPECT_EQ(shorts[1], (KCPoint2D<short int>(167, -13)));
    EXPECT_EQ(shorts[6], (KCPoint2D<short int>(1000, -13)));
    KCPoint2D<float> single(5.0f, 5.0f);
    TKorvaneComplex<double> z1, z2;
    KUInit_ZPlain_Axes(1, &single, LogFrequency{}, &z1, &z2, kRate, 3.0);
    EXPECT_EQ(single, (KCPoint2D<float>(0.0f, 3.0f)));
    EXPECT_NEAR(z1.re, std::cos(2.0 * std::numbers::pi * 20.0 / kRate), 1e-12);
    KUInit_ZPlain_Axes(0, &single, LogFrequency{}, &z1, &z2, kRate, 9.0);
    EXPECT_EQ(single.y, 3.0f);
}

TEST(EqCurve, SingleSectionCurveIsItsResponseInDecibels) {
    Axis axis;
    BIQUAD bell;
    ComputeMitraBiquad(false, 1000.0, 2.0, 9.0, bell, kRate);
    Place(bell, nullptr, 1000.0);
    ComputeSingleBiquadCurve(kPoints, bell, axis.points.data(), axis.z1.data(), axis.z2.data(),
                             10.0);
    EXPECT_EQ(bell.curveValid, 1);
    const int k0 = static_cast<int>(std::trunc(bell.position * (kPoints - 1) * 0.001 + 0.5));
    EXPECT_NEAR(axis.points[k0].y, 9.0, 1e-4);  // at the section's own frequency
    for (int k : {0, 50, 150, 200}) {
        const double w = 2.0 * std::numbers::pi * Frequency(k, kPoints) / kRate;
        EXPECT_NEAR(axis.points[k].y, testing::GainDb(bell, w), 1e-4);
    }
    // A valid curve is not recomputed.
    axis.points[0].y = 77.0f;
    ComputeSingleBiquadCurve(kPoints, bell, axis.points.data(), axis.z1.data(), axis.z2.data(),
                             10.0);
    EXPECT_EQ(axis.points[0].y, 77.0f);

    // A notch's zero is floored, and short points truncate toward zero.
    std::vector<KCPoint2D<short int>> shorts(kPoints);
    BIQUAD notch;
    ComputeMitraBandPS(false, 20.0, 1.0, notch, kRate);
    notch.position = 0;
    notch.omega = 2.0 * std::numbers::pi * 20.0 / kRate;
    ComputeSingleBiquadCurve(kPoints, notch, shorts.data(), axis.z1.data(), axis.z2.data(), 10.0);
    EXPECT_EQ(shorts[0].y, -50);
    const double w = 2.0 * std::numbers::pi * Frequency(60, kPoints) / kRate;
    EXPECT_EQ(shorts[60].y, static_cast<short>(std::trunc(testing::GainDb(notch, w))));
    bell.curveValid = 0;
    ComputeSingleBiquadCurve<float>(kPoints, bell, nullptr, axis.z1.data(), axis.z2.data(), 10.0);
    EXPECT_EQ(bell.curveValid, 0);
}

// Bell bands at the given frequencies and gains.
std::vector<BIQUAD> Bands(std::vector<Band>& caches, const std::vector<double>& gains) {
    static constexpr double kFreqs[] = {40, 90, 200, 450, 1000, 2200, 4800, 8000, 12000, 16000};
    std::vector<BIQUAD> bands(gains.size());
    for (std::size_t i = 0; i < gains.size(); ++i) {
        ComputeMitraBiquad(true, kFreqs[i], 3.0, gains[i], bands[i], kRate);
        Place(bands[i], caches[i].cache.data(), kFreqs[i]);
    }
    return bands;
}

TEST(EqCurve, CascadeCurveSumsTheBandsAndUpdatesIncrementally) {
    const std::vector<double> gains = {6, -9, 3, 12, -4, 0, 8, -15, 2, 5};
    std::vector<Band> caches(gains.size());
    std::vector<BIQUAD> bands = Bands(caches, gains);
    Axis axis;
    EXPECT_EQ(Compute_Eq_Curve(kPoints, 10, bands.data(), axis.points.data(), axis.z1.data(),
                               axis.z2.data(), 10.0),
              0);
    for (int k = 0; k < kPoints; ++k) {
        const double w = 2.0 * std::numbers::pi * Frequency(k, kPoints) / kRate;
        double total = 0;
        for (const BIQUAD& bq : bands) {
            EXPECT_EQ(bq.curveValid, 1);
            total += testing::GainDb(bq, w);
        }
        // Each band's truncation, or its stopped tail, is worth less than 1 dB.
        EXPECT_NEAR(axis.points[k].y, total, 10.0) << k;
        EXPECT_LT(std::fabs(axis.points[k].y - total), 10.0);
    }
    // The 0 dB band contributes nothing and its walk zeroes its cache at once.
    for (std::int16_t c : caches[5].cache) {
        EXPECT_EQ(c, 0);
    }
    // A narrow high band lifts only the points near it.
    EXPECT_EQ(caches[9].cache[0], 0);
    EXPECT_GT(caches[9].cache[kPoints - 12], 0);

    // Change one band: the incremental result equals a computation from scratch.
    ComputeMitraBiquad(true, 450.0, 8.0, -10.0, bands[3], kRate);
    Compute_Eq_Curve(kPoints, 10, bands.data(), axis.points.data(), axis.z1.data(), axis.z2.data(),
                     10.0);
    std::vector<Band> freshCaches(gains.size());
    std::vector<BIQUAD> fresh = Bands(freshCaches, gains);
    ComputeMitraBiquad(true, 450.0, 8.0, -10.0, fresh[3], kRate);
    Axis freshAxis;
    Compute_Eq_Curve(kPoints, 10, fresh.data(), freshAxis.points.data(), freshAxis.z1.data(),
                     freshAxis.z2.data(), 10.0);
    for (int k = 0; k < kPoints; ++k) {
        EXPECT_EQ(axis.points[k].y, freshAxis.points[k].y) << k;
    }
    // Back to flat: every band at 0 dB leaves the start level.
    for (BIQUAD& bq : bands) {
        ComputeMitraBiquad(true, 1000.0, 1.0, 0.0, bq, kRate);
    }
    Compute_Eq_Curve(kPoints, 10, bands.data(), axis.points.data(), axis.z1.data(), axis.z2.data(),
                     10.0);
    for (const auto& p : axis.points) {
        EXPECT_EQ(p.y, 0.0f);
    }
}

TEST(EqCurve, CascadeEdgeCases) {
    std::vector<Band> caches(2);
    std::vector<BIQUAD> bands = Bands(caches, {6.5, -6.5});
    Axis axis;
    // No points, no sections or no axis: nothing happens and the flags stay cleared.
    EXPECT_EQ(Compute_Eq_Curve<float>(kPoints, 2, bands.data(), nullptr, axis.z1.data(),
                                      axis.z2.data(), 10.0),
              0);
    EXPECT_EQ(Compute_Eq_Curve(kPoints, 0, bands.data(), axis.points.data(), axis.z1.data(),
                               axis.z2.data(), 10.0),
              0);
    EXPECT_EQ(Compute_Eq_Curve(0, 2, bands.data(), axis.points.data(), axis.z1.data(),
                               axis.z2.data(), 10.0),
              0);
    EXPECT_EQ(bands[0].curveValid, 0);

    // Positions outside 0..1000 land on the ends of the axis.
    bands[0].position = -400;
    bands[1].position = 1700;
    bands[1].curve = nullptr;  // a section without a cache is left out
    std::vector<KCPoint2D<short int>> shorts(kPoints);
    Compute_Eq_Curve(kPoints, 2, bands.data(), shorts.data(), axis.z1.data(), axis.z2.data(), 10.0);
    // The centre is evaluated at the band's own frequency, not at the axis point.
    EXPECT_EQ(shorts[0].y, 6);
    EXPECT_EQ(caches[0].cache[0], 6);
    EXPECT_EQ(bands[1].curveValid, 0);
    EXPECT_EQ(shorts[kPoints - 1].y, 0);

    // A one-point axis holds the centre value alone.
    KCPoint2D<float> one;
    std::int16_t cache = 0;
    BIQUAD bell;
    ComputeMitraBiquad(false, 1000.0, 1.0, 4.4, bell, kRate);
    bell.curve = &cache;
    bell.position = 500;
    Compute_Eq_Curve(1, 1, &bell, &one, axis.z1.data(), axis.z2.data(), 10.0);
    EXPECT_EQ(one.y, 4.0f);
    EXPECT_EQ(cache, 4);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
