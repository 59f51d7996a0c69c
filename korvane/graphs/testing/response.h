// Reference evaluation of sections for tests: the frequency response by plain complex
// arithmetic and the pole radii, independent of the library's own evaluation.
#pragma once

#include "korvane/graphs/biquad.h"

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

namespace kvKorvaneV10_0_3::testing {

inline constexpr int kRates[] = {44100, 48000, 88200, 96000, 192000};

inline double OmegaOf(double f, int sr) {
    return 2.0 * std::numbers::pi * f / sr;
}

inline std::complex<double> Response(const BIQUAD& bq, double omega) {
    const std::complex<double> z1 = std::polar(1.0, -omega);
    const std::complex<double> num =
        (bq.b0 + bq.b1 * z1 + bq.b2 * z1 * z1) * std::ldexp(1.0, bq.shift);
    return num / (1.0 + bq.a1 * z1 + bq.a2 * z1 * z1);
}

inline std::complex<double> Response(const std::vector<BIQUAD>& cascade, double omega) {
    std::complex<double> h = 1.0;
    for (const BIQUAD& bq : cascade) {
        h *= Response(bq, omega);
    }
    return h;
}

inline double Gain(const BIQUAD& bq, double omega) {
    return std::abs(Response(bq, omega));
}

inline double GainDb(const BIQUAD& bq, double omega) {
    return 20.0 * std::log10(Gain(bq, omega));
}

// The larger magnitude of the roots of z^2 + a1 z + a2 (below 1: stable).
inline double PoleRadius(const BIQUAD& bq) {
    const std::complex<double> root = std::sqrt(std::complex<double>(bq.a1 * bq.a1 - 4.0 * bq.a2));
    return std::max(std::abs((-bq.a1 + root) * 0.5), std::abs((-bq.a1 - root) * 0.5));
}

// The frequency in (lo, hi) where |H|^2 crosses `level`, by bisection on a monotonic stretch.
template <typename Fn>
double Crossing(Fn sqMag, double lo, double hi, double level) {
    const bool rising = sqMag(hi) > sqMag(lo);
    for (int i = 0; i < 200; ++i) {
        const double mid = 0.5 * (lo + hi);
        if ((sqMag(mid) < level) == rising) {
            lo = mid;
        } else {
            hi = mid;
        }
    }
    return 0.5 * (lo + hi);
}

}  // namespace kvKorvaneV10_0_3::testing
