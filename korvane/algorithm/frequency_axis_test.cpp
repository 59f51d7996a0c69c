// A parameter record as the frequency scale of a curve axis: the axis follows its scale.
#include "korvane/algorithm/control_param.h"
#include "korvane/graphs/eq_curve.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace kvKorvaneV10_0_3 {
namespace {

static_assert(KFrequencyScale<sCONTROL_PARAM>);

TEST(FrequencyAxis, FollowsALogarithmicParameter) {
    sCONTROL_PARAM freq;
    freq.SetScaleLog(20, 20000, 0.01);
    std::vector<KCPoint2D<short int>> points(11);
    std::vector<TKorvaneComplex<double>> z1(11), z2(11);
    KUInit_ZPlain_Axes(11, points.data(), freq, z1.data(), z2.data(), 48000, 0.0);
    for (int k : {0, 5, 10}) {
        const double w = 2.0 * std::numbers::pi * freq.StateToRealWorld(k * 100.0) / 48000;
        EXPECT_EQ(points[k].x, k * 100);
        EXPECT_NEAR(z1[k].re, std::cos(w), 1e-12);
        EXPECT_NEAR(z2[k].im, -std::sin(2.0 * w), 1e-12);
    }
    // The middle of a 20 Hz .. 20 kHz log scale is about 632 Hz.
    EXPECT_NEAR(std::acos(z1[5].re) * 48000 / (2.0 * std::numbers::pi), 632.5, 1.0);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
