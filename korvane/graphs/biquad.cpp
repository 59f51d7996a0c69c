// Evaluation of one section on the unit circle, numerator headroom and pole-safety fixes.
#include "korvane/graphs/biquad.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kvKorvaneV10_0_3 {

namespace {

struct Parts {
    double nr, ni, dr, di;
};

Parts Evaluate(const TKorvaneComplex<double>& z1, const TKorvaneComplex<double>& z2,
               const BIQUAD& bq) {
    return {bq.b0 + bq.b1 * z1.re + bq.b2 * z2.re, bq.b1 * z1.im + bq.b2 * z2.im,
            1.0 + bq.a1 * z1.re + bq.a2 * z2.re, bq.a1 * z1.im + bq.a2 * z2.im};
}

}  // namespace

double Translate_Frequency(double f, int sampleRate) {
    const double ratio = f / static_cast<double>(sampleRate);
    if (!(ratio > 0.0)) {
        return 0.0;
    }
    return 2.0 * std::numbers::pi * std::min(ratio, 0.49999999);
}

double BiquadSqMag(const TKorvaneComplex<double>& z1, const TKorvaneComplex<double>& z2,
                   const BIQUAD& bq) {
    const Parts p = Evaluate(z1, z2, bq);
    const double scale = std::ldexp(1.0, bq.shift);
    return (p.nr * p.nr + p.ni * p.ni) * scale * scale / (p.dr * p.dr + p.di * p.di);
}

double BiquadPhase(const TKorvaneComplex<double>& z1, const TKorvaneComplex<double>& z2,
                   const BIQUAD& bq) {
    const Parts p = Evaluate(z1, z2, bq);
    return std::atan2(p.di, p.dr) - std::atan2(p.ni, p.nr);
}

int Normalise_EqSec(BIQUAD* bq) {
    if (bq == nullptr) {
        return 0;
    }
    const double m = std::max({std::fabs(bq->b0), std::fabs(bq->b1), std::fabs(bq->b2)});
    int count = 0;
    if (std::isfinite(m)) {
        double factor = 1.0;
        while (m * factor > 2.0) {
            factor *= 0.5;
            ++count;
        }
        bq->b0 *= factor;
        bq->b1 *= factor;
        bq->b2 *= factor;
    }
    bq->shift = static_cast<std::int16_t>(count);
    return count;
}

int TotalShifts(int n, int maxShift, const BIQUAD* sections) {
    int sum = 0;
    for (int i = 0; sections != nullptr && i < n; ++i) {
        sum += sections[i].shift;
    }
    return std::min(sum, maxShift);
}

void FixBiquadStability(double* a1, double* a2, double rMin, double rMax) {
    if (a1 == nullptr || a2 == nullptr) {
        return;
    }
    const double disc = *a1 * *a1 - 4.0 * *a2;
    if (!(disc >= 0.0)) {
        return;
    }
    const double root = std::sqrt(disc);
    auto fix = [rMin, rMax](double r) {
        if (std::fabs(r) >= rMax && r != 0.0) {
            r = 1.0 / r;
        }
        // A mirrored root can still sit on or near the unit circle (r = 1, or rMax < 1).
        if (std::fabs(r) > rMin) {
            r = std::copysign(rMin, r);
        }
        return r;
    };
    const double r1 = fix((-*a1 - root) * 0.5);
    const double r2 = fix((root - *a1) * 0.5);
    *a1 = -(r1 + r2);
    *a2 = r1 * r2;
}

BIQUAD ModifyBQNom(const BIQUAD& bq, double g, const TKorvaneComplex<double>& z1,
                   const TKorvaneComplex<double>& z2) {
    BIQUAD out = bq;
    const double dc = bq.b0 + bq.b1 + bq.b2;
    const double nyq = bq.b0 - bq.b1 + bq.b2;
    const double b1 = (dc - g * nyq) * 0.5;
    const double s = (dc + g * nyq) * 0.5;
    // N' = b0' P + R with P = 1 - z2 and R = b1' z1 + S z2; |N'|^2 = |N|^2 is quadratic in b0'.
    const double nr = bq.b0 + bq.b1 * z1.re + bq.b2 * z2.re;
    const double ni = bq.b1 * z1.im + bq.b2 * z2.im;
    const double pr = 1.0 - z2.re;
    const double pi = -z2.im;
    const double rr = b1 * z1.re + s * z2.re;
    const double ri = b1 * z1.im + s * z2.im;
    const double qa = pr * pr + pi * pi;
    const double qb = 2.0 * (pr * rr + pi * ri);
    const double qc = rr * rr + ri * ri - (nr * nr + ni * ni);
    double b0 = s * 0.5;  // at DC (z2 = 1) the point adds no condition: keep b0' = b2'
    if (qa > 1e-300) {
        b0 = (std::sqrt(std::max(qb * qb - 4.0 * qa * qc, 0.0)) - qb) / (2.0 * qa);
    }
    out.b0 = b0;
    out.b1 = b1;
    out.b2 = s - b0;
    out.curveValid = 0;
    return out;
}

void DoubleOrd1(const BIQUAD& s1, const BIQUAD& s2, BIQUAD& out) {
    const double b0 = s1.b0 * s2.b0;
    const double b1 = s1.b1 * s2.b0 + s2.b1 * s1.b0;
    const double b2 = s1.b1 * s2.b1;
    const double a1 = s1.a1 + s2.a1;
    const double a2 = s1.a1 * s2.a1;
    out.b0 = b0;
    out.b1 = b1;
    out.b2 = b2;
    out.a1 = a1;
    out.a2 = a2;
    out.shift = static_cast<std::int16_t>(s1.shift + s2.shift);
    out.curveValid = 0;
}

}  // namespace kvKorvaneV10_0_3
