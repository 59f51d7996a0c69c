// Single-section and incremental cascade curves.
#include "korvane/graphs/eq_curve.h"

#include <cmath>
#include <cstdint>

namespace kvKorvaneV10_0_3 {

namespace {

// The point nearest the section's axis position; positions outside 0..1000 land on the ends.
int CentreIndex(int n, const BIQUAD& bq) {
    const double k = std::trunc(bq.position * static_cast<double>(n - 1) * 0.001 + 0.5);
    return static_cast<int>(k < 0.0 ? 0.0 : (k > n - 1 ? n - 1 : k));
}

double SqMagAtOmega(const BIQUAD& bq) {
    const TKorvaneComplex<double> z1(std::cos(-bq.omega), std::sin(-bq.omega));
    const TKorvaneComplex<double> z2(std::cos(-2.0 * bq.omega), std::sin(-2.0 * bq.omega));
    return BiquadSqMag(z1, z2, bq);
}

// scale * log10 of |H|^2 floored; a NaN response (a zero denominator) counts as the floor.
double Level(double sqMag, double floor, double scale) {
    return scale * std::log10(sqMag > floor ? sqMag : floor);
}

std::int16_t Contribution(double sqMag, double scale) {
    return curve_detail::ToCoordinate<std::int16_t>(std::trunc(Level(sqMag, 1e-5, scale)));
}

template <typename T>
T SingleValue(double level) {
    if constexpr (std::is_floating_point_v<T>) {
        return static_cast<T>(level);
    } else {
        return curve_detail::ToCoordinate<T>(std::trunc(level));
    }
}

// Sums stay exact for short points: the arithmetic wraps like the 16-bit processing does, so
// subtracting a contribution always restores the previous value.
template <typename T>
void Add(T& y, int delta) {
    if constexpr (std::is_floating_point_v<T>) {
        y += static_cast<T>(delta);
    } else {
        y = static_cast<T>(static_cast<std::uint16_t>(y + delta));
    }
}

}  // namespace

template <typename T>
void ComputeSingleBiquadCurve(int n, BIQUAD& bq, KCPoint2D<T>* points,
                              const TKorvaneComplex<double>* z1, const TKorvaneComplex<double>* z2,
                              double scale) {
    if (points == nullptr || bq.curveValid != 0 || n <= 0 || z1 == nullptr || z2 == nullptr) {
        return;
    }
    const int k0 = CentreIndex(n, bq);
    points[k0].y = SingleValue<T>(Level(SqMagAtOmega(bq), 1e-5, scale));
    for (int k = 0; k < n; ++k) {
        if (k != k0) {
            points[k].y = SingleValue<T>(Level(BiquadSqMag(z1[k], z2[k], bq), 1e-10, scale));
        }
    }
    bq.curveValid = 1;
}

template <typename T>
int Compute_Eq_Curve(int n, int nSections, BIQUAD* sections, KCPoint2D<T>* points,
                     const TKorvaneComplex<double>* z1, const TKorvaneComplex<double>* z2,
                     double scale) {
    if (points == nullptr || sections == nullptr || n <= 0 || z1 == nullptr || z2 == nullptr) {
        return 0;
    }
    for (int i = 0; i < nSections; ++i) {
        BIQUAD& bq = sections[i];
        std::int16_t* cache = bq.curve;
        if (bq.curveValid != 0 || cache == nullptr) {
            continue;
        }
        for (int k = 0; k < n; ++k) {
            Add(points[k].y, -cache[k]);
        }
        const int k0 = CentreIndex(n, bq);
        std::int16_t c = Contribution(SqMagAtOmega(bq), scale);
        cache[k0] = c;
        Add(points[k0].y, c);

        int k = k0 - 1;
        for (std::int16_t prev = c; k >= 0 && prev != 0; --k) {
            prev = Contribution(BiquadSqMag(z1[k], z2[k], bq), scale);
            cache[k] = prev;
            Add(points[k].y, prev);
        }
        for (; k >= 0; --k) {
            cache[k] = 0;
        }

        k = k0 + 1;
        for (std::int16_t prev = c; k < n && prev != 0; ++k) {
            prev = Contribution(BiquadSqMag(z1[k], z2[k], bq), scale);
            cache[k] = prev;
            Add(points[k].y, prev);
        }
        for (; k < n; ++k) {
            cache[k] = 0;
        }
        bq.curveValid = 1;
    }
    return 0;
}

template KORVANE_API void ComputeSingleBiquadCurve<float>(int, BIQUAD&, KCPoint2D<float>*,
                                                          const TKorvaneComplex<double>*,
                                                          const TKorvaneComplex<double>*, double);
template KORVANE_API void ComputeSingleBiquadCurve<short int>(int, BIQUAD&, KCPoint2D<short int>*,
                                                              const TKorvaneComplex<double>*,
                                                              const TKorvaneComplex<double>*,
                                                              double);
template KORVANE_API int Compute_Eq_Curve<float>(int, int, BIQUAD*, KCPoint2D<float>*,
                                                 const TKorvaneComplex<double>*,
                                                 const TKorvaneComplex<double>*, double);
template KORVANE_API int Compute_Eq_Curve<short int>(int, int, BIQUAD*, KCPoint2D<short int>*,
                                                     const TKorvaneComplex<double>*,
                                                     const TKorvaneComplex<double>*, double);

}  // namespace kvKorvaneV10_0_3
