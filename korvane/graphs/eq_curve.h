// Magnitude curves of sections and cascades on a display axis: the shared frequency axis and
// the incremental cascade curve that recomputes only the sections that changed.
#pragma once

#include "korvane/core/export.h"
#include "korvane/core/geometry.h"
#include "korvane/graphs/biquad.h"

#include <cmath>
#include <concepts>
#include <type_traits>

namespace kvKorvaneV10_0_3 {

// Anything that maps a 0..1000 state to a frequency in Hz, such as a parameter record.
template <typename P>
concept KFrequencyScale = requires(const P& p, double state) {
    { p.StateToRealWorld(state) } -> std::convertible_to<double>;
};

namespace curve_detail {

// A double as a point coordinate: floats as they are, short ints saturated (NaN as 0).
template <typename T>
T ToCoordinate(double v) {
    if constexpr (std::is_floating_point_v<T>) {
        return static_cast<T>(v);
    } else {
        if (std::isnan(v)) {
            return 0;
        }
        return static_cast<T>(v < -32768.0 ? -32768.0 : (v > 32767.0 ? 32767.0 : v));
    }
}

}  // namespace curve_detail

// Builds an n-point axis spread evenly over the parameter's 0..1000 states, so it is exactly
// as logarithmic as the parameter: x = state, y = y0, and e^-jw, e^-2jw per point in z1, z2
// (any of the three arrays may be null). A single point sits at state 0. [any-thread]
template <typename T, KFrequencyScale P>
void KUInit_ZPlain_Axes(int n, KCPoint2D<T>* points, const P& freqParam,
                        TKorvaneComplex<double>* z1, TKorvaneComplex<double>* z2, int sampleRate,
                        double y0) {
    const double step = n > 1 ? 1000.0 / (n - 1) : 0.0;
    for (int k = 0; k < n; ++k) {
        const double s = k * step;
        const double omega = Translate_Frequency(freqParam.StateToRealWorld(s), sampleRate);
        if (z1 != nullptr) {
            z1[k] = {std::cos(-omega), std::sin(-omega)};
        }
        if (z2 != nullptr) {
            z2[k] = {std::cos(-2.0 * omega), std::sin(-2.0 * omega)};
        }
        if (points != nullptr) {
            points[k].x = curve_detail::ToCoordinate<T>(std::round(s));
            points[k].y = curve_detail::ToCoordinate<T>(std::round(y0));
        }
    }
}

// One section's curve, scale * log10 |H|^2 (scale 10: dB), into points[k].y, evaluated at the
// section's own w at its axis position; only when points is non-null and the curve is not
// valid, then marks it valid. Short values truncate toward zero. [any-thread]
template <typename T>
void ComputeSingleBiquadCurve(int n, BIQUAD& bq, KCPoint2D<T>* points,
                              const TKorvaneComplex<double>* z1, const TKorvaneComplex<double>* z2,
                              double scale);

// Keeps points[k].y as the sum of every section's whole-number contribution, each cached in
// the section's curve array: only sections with a cache and a cleared flag are recomputed,
// walking outward from their centre until the contribution truncates to 0. Returns 0.
// [any-thread]
template <typename T>
int Compute_Eq_Curve(int n, int nSections, BIQUAD* sections, KCPoint2D<T>* points,
                     const TKorvaneComplex<double>* z1, const TKorvaneComplex<double>* z2,
                     double scale);

extern template KORVANE_API void ComputeSingleBiquadCurve<float>(int, BIQUAD&, KCPoint2D<float>*,
                                                                 const TKorvaneComplex<double>*,
                                                                 const TKorvaneComplex<double>*,
                                                                 double);
extern template KORVANE_API void ComputeSingleBiquadCurve<short int>(int, BIQUAD&,
                                                                     KCPoint2D<short int>*,
                                                                     const TKorvaneComplex<double>*,
                                                                     const TKorvaneComplex<double>*,
                                                                     double);
extern template KORVANE_API int Compute_Eq_Curve<float>(int, int, BIQUAD*, KCPoint2D<float>*,
                                                        const TKorvaneComplex<double>*,
                                                        const TKorvaneComplex<double>*, double);
extern template KORVANE_API int Compute_Eq_Curve<short int>(int, int, BIQUAD*,
                                                            KCPoint2D<short int>*,
                                                            const TKorvaneComplex<double>*,
                                                            const TKorvaneComplex<double>*, double);

}  // namespace kvKorvaneV10_0_3
