// Evaluation of a section against plain complex arithmetic, numerator headroom, pole safety
// and the numerator re-solve.
#include "korvane/graphs/biquad.h"

#include "korvane/graphs/filter_design.h"
#include "korvane/graphs/testing/response.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <limits>
#include <numbers>

namespace kvKorvaneV10_0_3 {
namespace {

using testing::Response;

constexpr double kPi = std::numbers::pi;

TKorvaneComplex<double> Z(double omega, int power) {
    return {std::cos(-power * omega), std::sin(-power * omega)};
}

BIQUAD Section(double b0, double b1, double b2, double a1, double a2) {
    BIQUAD bq;
    bq.b0 = b0;
    bq.b1 = b1;
    bq.b2 = b2;
    bq.a1 = a1;
    bq.a2 = a2;
    return bq;
}

TEST(Biquad, FrequencyClampAndEvaluationMatchComplexArithmetic) {
    EXPECT_DOUBLE_EQ(Translate_Frequency(30000, 48000), 2.0 * kPi * 0.49999999);
    EXPECT_DOUBLE_EQ(Translate_Frequency(12000, 48000), kPi / 2.0);
    EXPECT_EQ(Translate_Frequency(-5, 48000), 0.0);
    EXPECT_EQ(Translate_Frequency(std::numeric_limits<double>::quiet_NaN(), 48000), 0.0);
    EXPECT_EQ(Translate_Frequency(1000, -48000), 0.0);
    EXPECT_DOUBLE_EQ(Translate_Frequency(1000, 0), 2.0 * kPi * 0.49999999);

    BIQUAD bq = Section(0.8, -0.3, 0.45, -0.9, 0.35);
    for (int shift : {0, 3}) {
        bq.shift = static_cast<std::int16_t>(shift);
        for (double w : {0.0, 0.1, 1.3, 2.9, kPi}) {
            const std::complex<double> h = Response(bq, w);
            EXPECT_NEAR(BiquadSqMag(Z(w, 1), Z(w, 2), bq), std::norm(h), 1e-12 * std::norm(h));
            // The phase of D/N: minus the phase of H, up to a whole turn.
            const double phase = BiquadPhase(Z(w, 1), Z(w, 2), bq);
            EXPECT_NEAR(std::remainder(phase + std::arg(h), 2.0 * kPi), 0.0, 1e-12);
        }
    }
}

TEST(Biquad, NormalisationHalvesTheNumeratorAndKeepsTheResponse) {
    BIQUAD bq = Section(4, -6, 3, -0.5, 0.2);
    const BIQUAD before = bq;
    EXPECT_EQ(Normalise_EqSec(&bq), 2);
    EXPECT_EQ(bq.shift, 2);
    EXPECT_EQ(bq.b0, 1.0);
    EXPECT_EQ(bq.b1, -1.5);
    EXPECT_EQ(bq.b2, 0.75);
    for (double w : {0.0, 0.7, 2.5}) {
        EXPECT_DOUBLE_EQ(BiquadSqMag(Z(w, 1), Z(w, 2), bq), BiquadSqMag(Z(w, 1), Z(w, 2), before));
    }
    BIQUAD small = Section(1.5, 2.0, -0.1, 0, 0);
    EXPECT_EQ(Normalise_EqSec(&small), 0);
    EXPECT_EQ(small.b1, 2.0);
    // A non-finite numerator would never fit: it is left alone instead of looping forever.
    BIQUAD broken = Section(std::numeric_limits<double>::infinity(), 0, 0, 0, 0);
    broken.shift = 5;
    EXPECT_EQ(Normalise_EqSec(&broken), 0);
    EXPECT_EQ(broken.shift, 0);
    EXPECT_EQ(Normalise_EqSec(nullptr), 0);

    BIQUAD sections[3];
    sections[0].shift = 2;
    sections[1].shift = 3;
    sections[2].shift = 1;
    EXPECT_EQ(TotalShifts(3, 10, sections), 6);
    EXPECT_EQ(TotalShifts(3, 4, sections), 4);
    EXPECT_EQ(TotalShifts(2, 10, sections), 5);
    EXPECT_EQ(TotalShifts(0, 10, sections), 0);
    EXPECT_EQ(TotalShifts(3, 10, nullptr), 0);
}

TEST(Biquad, StabilityFixMovesRealPolesInsideAndLeavesComplexOnes) {
    auto roots = [](double a1, double a2) {
        const double d = std::sqrt(a1 * a1 - 4 * a2);
        return std::pair{(-a1 - d) / 2, (d - a1) / 2};
    };
    // Poles at 1.25 and 0.5: the outer one is mirrored to 0.8, then pulled to rMin.
    double a1 = -(1.25 + 0.5), a2 = 1.25 * 0.5;
    FixBiquadStability(&a1, &a2, 0.9, 1.0);
    auto [r1, r2] = roots(a1, a2);
    EXPECT_NEAR(r1, 0.5, 1e-12);
    EXPECT_NEAR(r2, 0.8, 1e-12);
    // Poles at -0.97 and 0.3 with rMin 0.95: the first becomes -0.95.
    a1 = -(-0.97 + 0.3);
    a2 = -0.97 * 0.3;
    FixBiquadStability(&a1, &a2, 0.95, 1.0);
    std::tie(r1, r2) = roots(a1, a2);
    EXPECT_NEAR(r1, -0.95, 1e-12);
    EXPECT_NEAR(r2, 0.3, 1e-12);
    // A pole exactly on the unit circle mirrors onto itself; it still ends inside.
    a1 = -(1.0 + 0.2);
    a2 = 0.2;
    FixBiquadStability(&a1, &a2, 0.99, 1.0);
    std::tie(r1, r2) = roots(a1, a2);
    EXPECT_NEAR(r2, 0.99, 1e-12);
    // Complex poles are not touched, even outside the circle.
    a1 = -1.0;
    a2 = 1.2;
    FixBiquadStability(&a1, &a2, 0.9, 1.0);
    EXPECT_EQ(a1, -1.0);
    EXPECT_EQ(a2, 1.2);
    FixBiquadStability(nullptr, &a2, 0.9, 1.0);
}

TEST(Biquad, ModifiedNumeratorKeepsDcAndTheMagnitudeAtItsPoint) {
    BIQUAD bell;
    ComputeMitraBiquad(false, 2000.0, 1.5, 8.0, bell, 48000);
    bell.shift = 1;
    bell.position = 321;
    const double w = 0.9;
    for (double g : {0.5, 1.0, 2.0}) {
        const BIQUAD m = ModifyBQNom(bell, g, Z(w, 1), Z(w, 2));
        EXPECT_NEAR(m.b0 + m.b1 + m.b2, bell.b0 + bell.b1 + bell.b2, 1e-12);
        EXPECT_NEAR(m.b0 - m.b1 + m.b2, g * (bell.b0 - bell.b1 + bell.b2), 1e-12);
        const std::complex<double> z = std::polar(1.0, -w);
        const double target = std::abs(bell.b0 + bell.b1 * z + bell.b2 * z * z);
        auto magnitude = [&](double shiftB0) {
            return std::abs(m.b0 + shiftB0 + m.b1 * z + (m.b2 - shiftB0) * z * z);
        };
        if (g < 2.0) {
            EXPECT_NEAR(magnitude(0.0), target, 1e-12);
        } else {
            // Doubling Nyquist cannot keep this magnitude: the closest one is taken.
            EXPECT_GT(magnitude(0.0), target);
            EXPECT_LT(magnitude(0.0), magnitude(0.01));
            EXPECT_LT(magnitude(0.0), magnitude(-0.01));
        }
        EXPECT_EQ(m.a1, bell.a1);
        EXPECT_EQ(m.a2, bell.a2);
        EXPECT_EQ(m.shift, 1);
        EXPECT_EQ(m.position, 321);
        EXPECT_EQ(m.omega, bell.omega);
    }
    // At DC the point adds nothing: the numerator splits evenly and stays finite.
    const BIQUAD dc = ModifyBQNom(bell, 2.0, Z(0, 1), Z(0, 2));
    EXPECT_TRUE(std::isfinite(dc.b0) && std::isfinite(dc.b2));
    EXPECT_NEAR(dc.b0 + dc.b1 + dc.b2, bell.b0 + bell.b1 + bell.b2, 1e-12);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
