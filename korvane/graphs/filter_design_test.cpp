// Designers checked against an independent evaluation of their responses: gains at DC,
// Nyquist and the design frequency, band edges, all-pass magnitude and pole radii.
#include "korvane/graphs/filter_design.h"

#include "korvane/graphs/testing/response.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <limits>
#include <numbers>
#include <vector>

namespace kvKorvaneV10_0_3 {
namespace {

using testing::Crossing;
using testing::Gain;
using testing::kRates;
using testing::OmegaOf;
using testing::PoleRadius;
using testing::Response;

constexpr double kPi = std::numbers::pi;
constexpr double kFreqs[] = {60.0, 1000.0, 8000.0, 18000.0};
constexpr double kGains[] = {-30.0, -6.0, 3.0, 12.0};

double Db(double g) {
    return std::pow(10.0, g / 20.0);
}

bool IsUnity(const BIQUAD& bq) {
    return bq.b0 == 1.0 && bq.b1 == 0.0 && bq.b2 == 0.0 && bq.a1 == 0.0 && bq.a2 == 0.0;
}

TEST(FilterDesign, FirstOrderShelvesHoldTheirGainsAtDcNyquistAndTheirFrequency) {
    for (int sr : kRates) {
        for (double f : kFreqs) {
            const double w = OmegaOf(f, sr);
            for (double g : kGains) {
                const double k = Db(g);
                SCOPED_TRACE(::testing::Message() << sr << " Hz, " << f << " Hz, " << g << " dB");
                for (bool blend : {false, true}) {
                    BIQUAD low, high;
                    Shelv(blend, false, f, g, low, sr);
                    Shelv(blend, true, f, g, high, sr);
                    EXPECT_NEAR(Gain(low, 0.0), k, 1e-9 * k);
                    EXPECT_NEAR(Gain(low, kPi), 1.0, 1e-9);
                    EXPECT_NEAR(Gain(high, 0.0), 1.0, 1e-9);
                    EXPECT_NEAR(Gain(high, kPi), k, 1e-9 * k);
                    EXPECT_LT(PoleRadius(low), 1.0);
                    EXPECT_LT(PoleRadius(high), 1.0);
                    EXPECT_DOUBLE_EQ(low.omega, w);
                    if (!blend) {
                        // The all-pass is at -90 degrees at f: the power is the mean of both ends.
                        EXPECT_NEAR(std::norm(Response(low, w)), (1.0 + k * k) / 2.0, 1e-9 * k * k);
                    }
                }
                BIQUAD lowCf, highCf;
                ShelvCf(false, f, g, lowCf, sr);
                ShelvCf(true, f, g, highCf, sr);
                EXPECT_NEAR(Gain(lowCf, 0.0), k, 1e-9 * k);
                EXPECT_NEAR(Gain(lowCf, kPi), 1.0, 1e-9);
                EXPECT_NEAR(Gain(highCf, 0.0), 1.0, 1e-9);
                EXPECT_NEAR(Gain(highCf, kPi), k, 1e-9 * k);
                EXPECT_NEAR(testing::GainDb(lowCf, w), g / 2.0, 1e-6);
                EXPECT_NEAR(testing::GainDb(highCf, w), g / 2.0, 1e-6);
                EXPECT_LT(PoleRadius(lowCf), 1.0);
                EXPECT_LT(PoleRadius(highCf), 1.0);
            }
        }
    }
    BIQUAD flat;
    flat.b0 = 3.0;
    flat.shift = 2;
    flat.curveValid = 1;
    Shelv(true, false, 1000.0, 0.0, flat, 48000);
    EXPECT_TRUE(IsUnity(flat));
    EXPECT_EQ(flat.shift, 0);
    EXPECT_EQ(flat.curveValid, 0);
    ShelvCf(true, 1000.0, 0.0, flat, 48000);
    EXPECT_TRUE(IsUnity(flat));
}

TEST(FilterDesign, ResonantShelvesLiftTheirSideAndCrossHalfTheGainAtF) {
    for (int sr : kRates) {
        for (double f : kFreqs) {
            for (double g : kGains) {
                for (double q : {0.5, 0.707, 2.0}) {
                    SCOPED_TRACE(::testing::Message() << sr << " " << f << " " << g << " " << q);
                    const double k = Db(g);
                    BIQUAD low, high;
                    ResShelv(1, f, g, q, low, sr);
                    ResShelv(0, f, g, q, high, sr);
                    EXPECT_NEAR(Gain(low, 0.0), k, 1e-7 * k);
                    EXPECT_NEAR(Gain(low, kPi), 1.0, 1e-7);
                    EXPECT_NEAR(Gain(high, 0.0), 1.0, 1e-7);
                    EXPECT_NEAR(Gain(high, kPi), k, 1e-7 * k);
                    EXPECT_NEAR(testing::GainDb(low, OmegaOf(f, sr)), g / 2.0, 1e-6);
                    EXPECT_NEAR(testing::GainDb(high, OmegaOf(f, sr)), g / 2.0, 1e-6);
                    EXPECT_LT(PoleRadius(low), 1.0);
                    EXPECT_LT(PoleRadius(high), 1.0);
                }
            }
        }
    }
    BIQUAD flat;
    ResShelv(1, 1000.0, 0.0, 1.0, flat, 48000);
    EXPECT_TRUE(IsUnity(flat));
}

// The two frequencies around w where |H|^2 crosses `level`.
template <typename Fn>
std::pair<double, double> Edges(Fn sqMag, double w, double level) {
    return {Crossing(sqMag, 1e-9, w, level), Crossing(sqMag, w, kPi, level)};
}

TEST(FilterDesign, AllPassBellsHaveTheirGainAtTheCentreAndTheirBandwidth) {
    for (int sr : kRates) {
        for (double f : kFreqs) {
            const double w = OmegaOf(f, sr);
            for (double g : kGains) {
                const double k = Db(g);
                for (double q : {0.7, 4.0}) {
                    SCOPED_TRACE(::testing::Message() << sr << " " << f << " " << g << " " << q);
                    for (bool blend : {false, true}) {
                        BIQUAD bell;
                        ComputeMitraBiquad(blend, f, q, g, bell, sr);
                        EXPECT_NEAR(Gain(bell, w), k, 1e-9 * k);
                        EXPECT_NEAR(Gain(bell, 0.0), 1.0, 1e-9);
                        EXPECT_NEAR(Gain(bell, kPi), 1.0, 1e-9);
                        EXPECT_LT(PoleRadius(bell), 1.0);
                        EXPECT_DOUBLE_EQ(bell.omega, w);
                        if (!blend && std::min(w / q, 3.0) < 2.0 * std::min(w, kPi - w)) {
                            // 90-degree points of the all-pass: power (1 + K^2) / 2, w/Q apart.
                            auto sq = [&](double x) { return std::norm(Response(bell, x)); };
                            const auto [lo, hi] = Edges(sq, w, (1.0 + k * k) / 2.0);
                            EXPECT_NEAR(hi - lo, w / q, 1e-6 * w);
                        }
                    }
                    BIQUAD sg;
                    SGBell(f, g, q, sg, sr);
                    EXPECT_NEAR(Gain(sg, w), k, 1e-9 * k);
                    EXPECT_NEAR(Gain(sg, 0.0), 1.0, 1e-9);
                    EXPECT_LT(PoleRadius(sg), 1.0);
                    // Half the gain in dB at the lower band edge.
                    const double f2 = f / ((std::sqrt(1.0 / (q * q) + 4.0) + 1.0 / q) / 2.0);
                    EXPECT_NEAR(std::norm(Response(sg, OmegaOf(f2, sr))), k, 1e-7 * k);
                }
            }
        }
    }
    BIQUAD bell;
    ComputeMitraBiquad(true, 1000.0, 1.0, 0.0, bell, 48000);
    EXPECT_TRUE(IsUnity(bell));
    ComputeMitraBiquad(true, 1000.0, 1.0, 6.0, bell, 48000);
    EXPECT_NEAR(Gain(bell, bell.omega), std::pow(10.0, 6.0 / 20.0), 1e-12);
    SGBell(1000.0, 0.0, 1.0, bell, 48000);
    EXPECT_TRUE(IsUnity(bell));
}

TEST(FilterDesign, BellWithReferenceRateKeepsGainAndBandwidthInHertz) {
    for (int ref : {44100, 48000}) {
        for (int sr : kRates) {
            for (double f : {200.0, 3000.0, 12000.0}) {
                for (int type : {0, 1}) {
                    SCOPED_TRACE(::testing::Message() << ref << " -> " << sr << ", " << f);
                    const double k = Db(9.0);
                    BIQUAD atRef, mapped, direct;
                    ComputeMitraBiquad(type != 0, f, 2.0, 9.0, atRef, ref);
                    MitraBellWithRefSR(type, f, 2.0, 9.0, mapped, ref, sr);
                    ComputeMitraBiquad(type != 0, f, 2.0, 9.0, direct, sr);
                    const double w = OmegaOf(f, sr);
                    EXPECT_NEAR(Gain(mapped, w), k, 1e-9 * k);
                    EXPECT_NEAR(Gain(mapped, 0.0), 1.0, 1e-9);
                    EXPECT_LT(PoleRadius(mapped), 1.0);
                    if (sr == ref) {
                        EXPECT_NEAR(mapped.a1, direct.a1, 1e-15);
                        EXPECT_NEAR(mapped.a2, direct.a2, 1e-15);
                        EXPECT_NEAR(mapped.b0, direct.b0, 1e-15);
                    }
                    if (type == 0) {
                        const double level = (1.0 + k * k) / 2.0;
                        auto sqRef = [&](double x) { return std::norm(Response(atRef, x)); };
                        auto sqMapped = [&](double x) { return std::norm(Response(mapped, x)); };
                        const auto [rl, rh] = Edges(sqRef, OmegaOf(f, ref), level);
                        const auto [ml, mh] = Edges(sqMapped, w, level);
                        EXPECT_NEAR((mh - ml) * sr, (rh - rl) * ref, 1e-6 * f * 2 * kPi);
                    }
                }
            }
        }
    }
    BIQUAD flat;
    MitraBellWithRefSR(0, 1000.0, 1.0, 0.0, flat, 48000, 96000);
    EXPECT_TRUE(IsUnity(flat));
}

TEST(FilterDesign, BandPassAndNotchAreComplementaryAroundTheirFrequency) {
    for (int sr : kRates) {
        for (double f : kFreqs) {
            const double w = OmegaOf(f, sr);
            for (double q : {0.5, 1.0, 10.0}) {
                SCOPED_TRACE(::testing::Message() << sr << " " << f << " " << q);
                BIQUAD bp, notch;
                ComputeMitraBandPS(true, f, q, bp, sr);
                ComputeMitraBandPS(false, f, q, notch, sr);
                EXPECT_NEAR(Gain(bp, w), 1.0, 1e-9);
                EXPECT_NEAR(Gain(bp, 0.0), 0.0, 1e-9);
                EXPECT_NEAR(Gain(bp, kPi), 0.0, 1e-9);
                EXPECT_NEAR(Gain(notch, w), 0.0, 1e-9);
                EXPECT_NEAR(Gain(notch, 0.0), 1.0, 1e-9);
                EXPECT_NEAR(Gain(notch, kPi), 1.0, 1e-9);
                for (double x : {0.3 * w, w * 1.1, 0.5 * (w + kPi)}) {
                    EXPECT_NEAR(std::norm(Response(bp, x)) + std::norm(Response(notch, x)), 1.0,
                                1e-9);
                }
                if (w / q < 2.0 * std::min(w, kPi - w)) {
                    auto sq = [&](double x) { return std::norm(Response(bp, x)); };
                    const auto [lo, hi] = Edges(sq, w, 0.5);
                    EXPECT_NEAR(hi - lo, w / q, 1e-6 * w);
                }
                EXPECT_LT(PoleRadius(bp), 1.0);
            }
        }
    }
}

// |H|^2 of the digital Butterworth low-pass made by the bilinear transform.
double ButterworthSq(double w, double wc, int order, bool high) {
    double r = std::tan(w / 2.0) / std::tan(wc / 2.0);
    if (high) {
        r = 1.0 / r;
    }
    return 1.0 / (1.0 + std::pow(r, 2.0 * order));
}

TEST(FilterDesign, ButterworthCascadesFollowTheButterworthMagnitude) {
    for (int sr : kRates) {
        for (double f : {100.0, 1000.0, 10000.0}) {
            const double wc = OmegaOf(f, sr);
            for (bool high : {false, true}) {
                SCOPED_TRACE(::testing::Message() << sr << " " << f << " high " << high);
                BIQUAD o2;
                O2Butterworth(high, f, o2, sr);
                EXPECT_NEAR(std::norm(Response(o2, wc)), 0.5, 1e-9);
                EXPECT_NEAR(Gain(o2, 0.0), high ? 0.0 : 1.0, 1e-9);
                EXPECT_NEAR(Gain(o2, kPi), high ? 1.0 : 0.0, 1e-9);
                EXPECT_LT(PoleRadius(o2), 1.0);
                for (int order = 1; order <= 7; ++order) {
                    std::vector<BIQUAD> cascade(4);
                    const int n = ButterworthOrd(high, order, f, 1.0, sr, cascade.data());
                    ASSERT_EQ(n, (order + 1) / 2);
                    cascade.resize(n);
                    for (double x : {0.2 * wc, wc, 1.7 * wc, 0.5 * (wc + kPi)}) {
                        EXPECT_NEAR(std::norm(Response(cascade, x)),
                                    ButterworthSq(x, wc, order, high), 1e-9)
                            << "order " << order;
                    }
                    if (order == 2) {
                        EXPECT_NEAR(std::abs(Response(cascade, 1.3 * wc) - Response(o2, 1.3 * wc)),
                                    0.0, 1e-9);
                    }
                    for (const BIQUAD& s : cascade) {
                        EXPECT_LT(PoleRadius(s), 1.0);
                    }
                }
            }
        }
    }
    // At a quarter of the rate the substitution is the identity: the prototype itself.
    BIQUAD quarter;
    O2Butterworth(false, 12000.0, quarter, 48000);
    EXPECT_NEAR(quarter.b0, 0.292893218813452, 1e-15);
    EXPECT_NEAR(quarter.b1, 0.585786437626904, 1e-15);
    EXPECT_NEAR(quarter.a1, 0.0, 1e-15);
    EXPECT_NEAR(quarter.a2, 0.17157287525381, 1e-15);
    BIQUAD none;
    EXPECT_EQ(ButterworthOrd(false, 0, 1000.0, 1.0, 48000, &none), 0);
    EXPECT_EQ(ButterworthOrd(false, 3, 1000.0, 1.0, 48000, nullptr), 0);
}

TEST(FilterDesign, ButterworthBandPassPeaksAtItsCentreWithHalfPowerEdges) {
    for (int sr : kRates) {
        for (double fc : {250.0, 2000.0, 9000.0}) {
            for (double q : {0.7, 3.0}) {
                for (int order = 1; order <= 5; ++order) {
                    SCOPED_TRACE(::testing::Message()
                                 << sr << " " << fc << " " << q << " " << order);
                    std::vector<BIQUAD> cascade(order);
                    ASSERT_EQ(Calc_Bandpass_ButterworthBiquads(fc, sr, order, q, cascade.data()),
                              order);
                    const double fl = fc * (std::sqrt(1.0 / (q * q) + 4.0) - 1.0 / q) / 2.0;
                    // Edges pre-warped: the upper one is where the analog upper edge maps.
                    const double wl = 2.0 * sr * std::tan(kPi * fl / sr);
                    const double w0 = 2.0 * sr * std::tan(kPi * fc / sr);
                    const double fh = std::atan(w0 * w0 / wl / (2.0 * sr)) * sr / kPi;
                    EXPECT_NEAR(std::abs(Response(cascade, OmegaOf(fc, sr))), 1.0, 1e-8);
                    EXPECT_NEAR(std::norm(Response(cascade, OmegaOf(fl, sr))), 0.5, 1e-8);
                    EXPECT_NEAR(std::norm(Response(cascade, OmegaOf(fh, sr))), 0.5, 1e-8);
                    EXPECT_NEAR(std::abs(Response(cascade, 0.0)), 0.0, 1e-12);
                    EXPECT_NEAR(std::abs(Response(cascade, kPi)), 0.0, 1e-12);
                    for (const BIQUAD& s : cascade) {
                        EXPECT_LT(PoleRadius(s), 1.0);
                    }
                }
            }
        }
    }
}

TEST(FilterDesign, ThirdOrderCutIsPowerComplementaryAndButterworthAtQOne) {
    for (int sr : kRates) {
        for (double f : {80.0, 1500.0, 12000.0}) {
            const double wc = OmegaOf(f, sr);
            for (double q : {1.0, 0.6, 2.0}) {
                SCOPED_TRACE(::testing::Message() << sr << " " << f << " " << q);
                // Poles a few thousandths from z = 1 (80 Hz at 192 kHz) cost about 8 digits.
                const double tol = 1e-7;
                std::vector<BIQUAD> low(2), high(2);
                Ord3_CutFilter(false, f, q, low[0], low[1], sr);
                Ord3_CutFilter(true, f, q, high[0], high[1], sr);
                EXPECT_NEAR(std::abs(Response(low, 0.0)), 1.0, tol);
                EXPECT_NEAR(std::abs(Response(low, kPi)), 0.0, tol);
                EXPECT_NEAR(std::abs(Response(high, 0.0)), 0.0, tol);
                EXPECT_NEAR(std::abs(Response(high, kPi)), 1.0, tol);
                for (double x : {0.3 * wc, wc, 2.0 * wc}) {
                    EXPECT_NEAR(std::norm(Response(low, x)) + std::norm(Response(high, x)), 1.0,
                                tol);
                    if (q == 1.0) {
                        EXPECT_NEAR(std::norm(Response(low, x)), ButterworthSq(x, wc, 3, false),
                                    tol);
                    }
                }
                EXPECT_LT(PoleRadius(low[0]), 1.0);
                EXPECT_LT(PoleRadius(low[1]), 1.0);
            }
        }
    }
}

TEST(FilterDesign, AllPassesHaveUnitMagnitudeAndTheirPhaseAtF) {
    for (int sr : kRates) {
        for (double f : kFreqs) {
            const double w = OmegaOf(f, sr);
            SCOPED_TRACE(::testing::Message() << sr << " " << f);
            BIQUAD ap1, ap2, aph;
            Ord1_AP(f, ap1, sr);
            Ord2_AP(f, 0.8, ap2, sr);
            Ord2APPh(f, 0.6 * f, -0.3, aph, sr);
            for (double x : {0.01, 0.5 * w, w, 2.0, 3.1}) {
                EXPECT_NEAR(Gain(ap1, x), 1.0, 1e-10);
                EXPECT_NEAR(Gain(ap2, x), 1.0, 1e-10);
                EXPECT_NEAR(Gain(aph, x), 1.0, 1e-10);
            }
            EXPECT_NEAR(std::abs(Response(ap1, w) - std::complex<double>(0.0, -1.0)), 0.0, 1e-9);
            EXPECT_NEAR(std::abs(Response(ap2, w) + 1.0), 0.0, 1e-9);
            EXPECT_NEAR(std::abs(Response(aph, w) + 1.0), 0.0, 1e-9);
            EXPECT_NEAR(std::cos(std::arg(Response(aph, OmegaOf(0.6 * f, sr)))), -0.3, 1e-9);
            EXPECT_LT(PoleRadius(ap1), 1.0);
            EXPECT_LT(PoleRadius(ap2), 1.0);
            EXPECT_LT(PoleRadius(aph), 1.0);
        }
    }
}

TEST(FilterDesign, SubstitutionsMoveThePrototypeAndKeepDcAndNyquist) {
    BIQUAD proto;
    proto.b0 = 0.7;
    proto.b1 = -0.2;
    proto.b2 = 0.3;
    proto.a1 = 0.1;
    proto.a2 = 0.4;
    for (int sr : kRates) {
        for (double f : kFreqs) {
            const double w = OmegaOf(f, sr);
            BIQUAD moved, warped;
            BiquadBilinear(proto, moved, f, sr);
            BiquadBilinearPreWarp(proto, warped, f, sr, 0.1);
            EXPECT_DOUBLE_EQ(moved.omega, w);
            EXPECT_NEAR(std::abs(Response(moved, w) - Response(proto, kPi / 2)), 0.0, 1e-9);
            EXPECT_NEAR(std::abs(Response(warped, w) - Response(proto, 0.2 * kPi)), 0.0, 1e-9);
            for (const BIQUAD& bq : {moved, warped}) {
                EXPECT_NEAR(std::abs(Response(bq, 0.0) - Response(proto, 0.0)), 0.0, 1e-9);
                EXPECT_NEAR(std::abs(Response(bq, kPi) - Response(proto, kPi)), 0.0, 1e-9);
            }
            EXPECT_LE(std::fabs(O1_Allp_90deg(w)), 1.0);
        }
    }
    EXPECT_EQ(O1_Allp_90deg(kPi / 2), 0.0);
    EXPECT_EQ(Ord1Ph2(kPi / 2, kPi / 2), 0.0);
    EXPECT_EQ(Ord1Ph2(0.0, 0.0), 0.0);

    // The product of two first-order sections responds as both in series.
    BIQUAD s1, s2, product;
    Shelv(false, false, 300.0, 6.0, s1, 48000);
    Ord1_AP(5000.0, s2, 48000);
    DoubleOrd1(s1, s2, product);
    for (double x : {0.01, 0.4, 1.9}) {
        EXPECT_NEAR(std::abs(Response(product, x) - Response(s1, x) * Response(s2, x)), 0.0, 1e-12);
    }
}

TEST(FilterDesign, AnalogHelpersSolveTheirEquations) {
    double num[3], den[3];
    Get_S_Domain_Filter_With_DC_Cutoff_And_Infinty_Gains(2000.0, 0.8, 2.0, 3.0, 0.5, num, den);
    auto analog = [&](double w) {
        const std::complex<double> s(0.0, w);
        return (num[0] * s * s + num[1] * s + num[2]) / (den[0] * s * s + den[1] * s + den[2]);
    };
    EXPECT_NEAR(std::abs(analog(1e-6) - 2.0), 0.0, 1e-9);
    EXPECT_NEAR(std::abs(analog(1e15) - 0.5), 0.0, 1e-9);
    // At w0 the mid gain adds to the DC-infinity difference in quadrature.
    EXPECT_NEAR(std::abs(analog(2000.0) - std::complex<double>(3.0, -(2.0 - 0.5) * 0.8)), 0.0,
                1e-9);

    TKorvaneComplex<double> roots[2];
    const TKorvaneComplex<double> pole(-0.5, 0.8);
    findResonatorRoots(pole, 3000.0, 2.0, roots);
    for (const auto& r : roots) {
        const std::complex<double> s(r.re, r.im);
        const std::complex<double> value =
            s * s - (3000.0 / 2.0) * std::complex<double>(pole.re, pole.im) * s + 3000.0 * 3000.0;
        EXPECT_LT(std::abs(value), 1e-6 * 3000.0 * 3000.0);
    }
    double w0 = 0, q = 0;
    CalcWarpedBandpassParams(1000.0, 48000, 2.0, &w0, &q);
    EXPECT_NEAR(w0, 2.0 * 48000 * std::tan(kPi * 1000.0 / 48000), 1e-9);
    EXPECT_GT(q, 1.9);
    EXPECT_LT(q, 2.1);
}

TEST(FilterDesign, OutOfRangeArgumentsStillGiveFiniteStableSections) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (double f : {0.0, -100.0, nan, 30000.0, inf}) {
        for (double q : {0.0, -1.0, nan, 1e-9}) {
            for (double g : {nan, inf, -inf, 6.0}) {
                std::vector<BIQUAD> all(16);
                Shelv(true, false, f, g, all[0], 48000);
                ShelvCf(true, f, g, all[1], 48000);
                ResShelv(1, f, g, q, all[2], 48000);
                ComputeMitraBiquad(true, f, q, g, all[3], 48000);
                MitraBellWithRefSR(1, f, q, g, all[4], 0, 48000);
                SGBell(f, g, q, all[5], 48000);
                ComputeMitraBandPS(true, f, q, all[6], 48000);
                O2Butterworth(true, f, all[7], 48000);
                ButterworthOrd(false, 3, f, 0.0, 48000, &all[8]);
                Calc_Bandpass_ButterworthBiquads(f, 48000, 2, q, &all[10]);
                Ord3_CutFilter(false, f, q, all[12], all[13], 48000);
                Ord2_AP(f, q, all[14], 48000);
                Ord2APPh(f, f, nan, all[15], 48000);
                for (std::size_t i = 0; i < all.size(); ++i) {
                    const BIQUAD& bq = all[i];
                    SCOPED_TRACE(::testing::Message()
                                 << "section " << i << " f " << f << " q " << q << " g " << g);
                    EXPECT_TRUE(std::isfinite(bq.b0) && std::isfinite(bq.b1) &&
                                std::isfinite(bq.b2) && std::isfinite(bq.a1) &&
                                std::isfinite(bq.a2));
                    EXPECT_LE(PoleRadius(bq), 1.0);
                }
            }
        }
    }
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
