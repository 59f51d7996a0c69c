// One second-order IIR section as designers produce it and processing code consumes it, its
// evaluation on the unit circle, and the fixed-point headroom and pole-safety fixes.
#pragma once

#include "korvane/core/export.h"

#include <cstddef>
#include <cstdint>

namespace kvKorvaneV10_0_3 {

// A complex number as two plain values (real first), kept trivially copyable for the axis
// tables that curves share.
template <typename T>
struct TKorvaneComplex {
    T re{};
    T im{};

    constexpr TKorvaneComplex() = default;
    constexpr TKorvaneComplex(T real, T imag) : re(real), im(imag) {}
    constexpr bool operator==(const TKorvaneComplex&) const = default;
};

// H(z) = 2^shift * (b0 + b1 z^-1 + b2 z^-2) / (1 + a1 z^-1 + a2 z^-2): a0 is 1 and the
// denominator terms are added, so the recursion is y = b.x - a1 y[n-1] - a2 y[n-2].
// Sections live in contiguous arrays; the curve cache belongs to the caller.
struct BIQUAD {
    double b0 = 1.0;
    double b1 = 0.0;
    double b2 = 0.0;
    double a1 = 0.0;
    double a2 = 0.0;
    std::int16_t* curve = nullptr;  // this section's curve contribution, one value per point
    std::int16_t curveValid = 0;    // 0: the curve functions must recompute the contribution
    std::int16_t shift = 0;         // the numerator is scaled by 2^shift when evaluated
    double omega = 0.0;             // centre, radians per sample, where a designer stores it
    std::int32_t position = 0;      // per mille of the display axis, set by the caller
};

// The field order is fixed; with a native 64-bit pointer the alignment of omega makes the
// section 72 bytes rather than 64 (see docs/filters.md).
static_assert(offsetof(BIQUAD, curve) == 40 && offsetof(BIQUAD, curveValid) == 48 &&
              offsetof(BIQUAD, shift) == 50 && offsetof(BIQUAD, omega) == 56 &&
              offsetof(BIQUAD, position) == 64);
static_assert(sizeof(BIQUAD) == 72, "BIQUAD layout changed");

// 2*pi*min(f / sr, 0.49999999): just under Nyquist. Negative, NaN or rate-less inputs give 0.
// [any-thread]
KORVANE_API double Translate_Frequency(double f, int sampleRate);

// |H|^2 at z1 = e^-jw, z2 = e^-2jw, shift included. [any-thread]
KORVANE_API double BiquadSqMag(const TKorvaneComplex<double>& z1, const TKorvaneComplex<double>& z2,
                               const BIQUAD& bq);
// atan2(Im D, Re D) - atan2(Im N, Re N): the phase of D/N in radians. [any-thread]
KORVANE_API double BiquadPhase(const TKorvaneComplex<double>& z1, const TKorvaneComplex<double>& z2,
                               const BIQUAD& bq);

// Halves the numerator until max |b| <= 2, stores the number of halvings as the shift and
// returns it; |H| is unchanged. A non-finite numerator is left alone with shift 0. [any-thread]
KORVANE_API int Normalise_EqSec(BIQUAD* bq);
// min(sum of the first n shifts, maxShift); 0 for no sections. [any-thread]
KORVANE_API int TotalShifts(int n, int maxShift, const BIQUAD* sections);

// Moves the real poles of z^2 + a1 z + a2 into a safe range: a root at |r| >= rMax is mirrored
// to 1/r, then any root above rMin is pulled to +-rMin. Complex poles are left unchanged.
// [any-thread]
KORVANE_API void FixBiquadStability(double* a1, double* a2, double rMin, double rMax);

// A copy of bq with a new numerator: same DC value, Nyquist value times g, same numerator
// magnitude at (z1, z2). Where that magnitude cannot be reached the closest is taken.
// [any-thread]
KORVANE_API BIQUAD ModifyBQNom(const BIQUAD& bq, double g, const TKorvaneComplex<double>& z1,
                               const TKorvaneComplex<double>& z2);

// The product of two first-order sections as one second-order section. [any-thread]
KORVANE_API void DoubleOrd1(const BIQUAD& s1, const BIQUAD& s2, BIQUAD& out);

}  // namespace kvKorvaneV10_0_3
