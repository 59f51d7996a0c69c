// Second-order section designers, the all-pass frequency substitutions and the Butterworth
// low-pass, high-pass and band-pass cascades.
#include "korvane/graphs/filter_design.h"

#include "korvane/graphs/gain_conversion.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

namespace kvKorvaneV10_0_3 {

namespace {

constexpr double kPi = std::numbers::pi;
// Designs at w = 0 put poles on the unit circle; a frequency of 0 (or below) designs a hair
// above DC instead (about 0.005 Hz at 48 kHz).
constexpr double kMinOmega = 2.0 * kPi * 1e-7;
// Just under pi/2, so tan() of a bandwidth never wraps into negative values.
constexpr double kMaxHalfBandwidth = 1.5676547341413052;

double DesignOmega(double f, int sampleRate) {
    return std::max(Translate_Frequency(f, sampleRate), kMinOmega);
}

// A non-positive or NaN Q is taken as the widest band rather than dividing by zero.
double SafeQ(double q) {
    return q > 1e-4 ? q : 1e-4;
}

double SafeGainDb(double gainDb) {
    if (std::isnan(gainDb)) {
        return 0.0;
    }
    return std::clamp(gainDb, -144.0, 144.0);
}

void Set(BIQUAD& out, double b0, double b1, double b2, double a1, double a2) {
    out.b0 = b0;
    out.b1 = b1;
    out.b2 = b2;
    out.a1 = a1;
    out.a2 = a2;
    out.shift = 0;
    out.curveValid = 0;
}

void SetUnity(BIQUAD& out) {
    Set(out, 1.0, 0.0, 0.0, 0.0, 0.0);
}

// Every gain design starts alike: the design omega goes into `out` and the gain is made safe.
// False, with `out` a unity section, at 0 dB, where every such design is a plain wire.
bool StartGainDesign(double f, int sampleRate, double& gainDb, BIQUAD& out) {
    out.omega = DesignOmega(f, sampleRate);
    gainDb = SafeGainDb(gainDb);
    if (gainDb == 0.0) {
        SetUnity(out);
        return false;
    }
    return true;
}

// The coefficient that puts a first-order all-pass at -90 degrees at w.
double AllpassAlpha(double omega) {
    const double c = std::cos(omega);
    if (c == 0.0) {
        return 0.0;
    }
    return (std::sin(omega) - 1.0) / c;
}

double BetaFromHalfBandwidth(double halfBandwidth) {
    const double t = std::tan(halfBandwidth);
    return (1.0 - t) / (1.0 + t);
}

// The feedback coefficients of the second-order all-pass built from the first-order one with
// coefficient alpha and the bandwidth that Q gives.
struct AllpassCoefs {
    double a1;
    double a2;
};
AllpassCoefs SecondOrderAllpass(double alpha, double Q) {
    const double beta =
        BetaFromHalfBandwidth(std::min(std::atan(0.5) / SafeQ(Q), kMaxHalfBandwidth));
    const double d = 1.0 / (alpha * alpha * beta + 1.0);
    return {2.0 * d * alpha * (beta + 1.0), (alpha * alpha + beta) * d};
}

// Blends the 20 dB design N/D of one section to (lN + (1 - l)D) / ((1 - l)N + lD), a0 = 1.
void Blend(BIQUAD& bq, double lambda) {
    const double l1 = 1.0 - lambda;
    const double w = l1 * bq.b0 + lambda;
    const BIQUAD n = bq;
    Set(bq, (lambda * n.b0 + l1) / w, (lambda * n.b1 + l1 * n.a1) / w,
        (lambda * n.b2 + l1 * n.a2) / w, (l1 * n.b1 + lambda * n.a1) / w,
        (l1 * n.b2 + lambda * n.a2) / w);
}

// 1/2 (1 + G) + 1/2 (1 - G) A(z) around w with the all-pass bandwidth 2 * halfBandwidth.
void MitraBell(bool blend, double omega, double halfBandwidth, double gain, BIQUAD& out) {
    const double beta = BetaFromHalfBandwidth(halfBandwidth);
    const double g = blend ? 10.0 : gain;
    const double p = (1.0 - g) * 0.5;
    const double m = (1.0 + g) * 0.5;
    const double c = -std::cos(omega) * (beta + 1.0);
    Set(out, p * beta + m, c, m * beta + p, c, beta);
    if (blend) {
        Blend(out, (10.0 * gain - 1.0) / (9.0 * (gain + 1.0)));
    }
}

// A section from an analog (s^2, s, 1) numerator and denominator by s = K(1 - z^-1)/(1 + z^-1).
void BilinearOrder2(const double n[3], const double d[3], double k, BIQUAD& out) {
    const double k2 = k * k;
    const double a0 = d[0] * k2 + d[1] * k + d[2];
    Set(out, (n[0] * k2 + n[1] * k + n[2]) / a0, 2.0 * (n[2] - n[0] * k2) / a0,
        (n[0] * k2 - n[1] * k + n[2]) / a0, 2.0 * (d[2] - d[0] * k2) / a0,
        (d[0] * k2 - d[1] * k + d[2]) / a0);
}

// The same for (n0 s + n1) / (d0 s + d1).
void BilinearOrder1(const double n[2], const double d[2], double k, BIQUAD& out) {
    const double a0 = d[0] * k + d[1];
    Set(out, (n[0] * k + n[1]) / a0, (n[1] - n[0] * k) / a0, 0.0, (d[1] - d[0] * k) / a0, 0.0);
}

// A band-pass section with numerator B(1, 0, -1) and analog denominator s^2 - sum s + product.
void BandpassSection(double sum, double product, double k, double b, BIQUAD& out) {
    const double k2 = k * k;
    const double a0 = k2 - sum * k + product;
    Set(out, b / a0, 0.0, -b / a0, 2.0 * (product - k2) / a0, (k2 + sum * k + product) / a0);
}

void Substitute(const BIQUAD& proto, BIQUAD& out, double alpha) {
    const double aa = alpha * alpha;
    const double den = proto.a2 * aa + proto.a1 * alpha + 1.0;
    const double d = den != 0.0 ? 1.0 / den : 1.0;
    const BIQUAD p = proto;
    out.b0 = (p.b0 + p.b1 * alpha + p.b2 * aa) * d;
    out.b1 = (2.0 * p.b0 * alpha + (aa + 1.0) * p.b1 + 2.0 * p.b2 * alpha) * d;
    out.b2 = (p.b0 * aa + p.b1 * alpha + p.b2) * d;
    out.a1 = ((aa + 1.0) * p.a1 + 2.0 * alpha + 2.0 * p.a2 * alpha) * d;
    out.a2 = (p.a1 * alpha + aa + p.a2) * d;
    out.shift = p.shift;
    out.curveValid = 0;
}

}  // namespace

double Ord1_Ph(double omega) {
    return AllpassAlpha(omega);
}

double O1_Allp_90deg(double omega) {
    double alpha = AllpassAlpha(omega);
    if (std::fabs(alpha) > 1.0) {
        alpha = (-1.0 - std::sin(omega)) / std::cos(omega);
    }
    return alpha;
}

double Ord1Ph2(double omegaA, double omegaB) {
    const double den = 1.0 - std::cos(omegaA + omegaB);
    if (den == 0.0) {
        return 0.0;
    }
    return (std::cos(omegaA) - std::cos(omegaB)) / den;
}

void BiquadBilinear(const BIQUAD& proto, BIQUAD& out, double f, int sampleRate) {
    const double omega = DesignOmega(f, sampleRate);
    Substitute(proto, out, O1_Allp_90deg(omega));
    out.omega = omega;
}

void BiquadBilinearPreWarp(const BIQUAD& proto, BIQUAD& out, double f, int sampleRate,
                           double protoF) {
    const double omega = DesignOmega(f, sampleRate);
    const double omegaP = 2.0 * kPi * std::min(protoF, 0.49999999);
    Substitute(proto, out, Ord1Ph2(omegaP, omega));
    out.omega = omega;
}

void Shelv(bool blend, bool high, double f, double gainDb, BIQUAD& out, int sampleRate) {
    if (!StartGainDesign(f, sampleRate, gainDb, out)) {
        return;
    }
    const double omega = out.omega;
    const double alpha = O1_Allp_90deg(omega);
    const double k = dbToGain(gainDb);
    const double g = blend ? 10.0 : k;
    const double h = (high ? -0.5 : 0.5) * (g - 1.0);
    const double m = (g + 1.0) * 0.5;
    Set(out, h * alpha + m, m * alpha + h, 0.0, alpha, 0.0);
    if (blend) {
        Blend(out, (10.0 * k - 1.0) / ((k + 1.0) * (g - 1.0)));
    }
}

void ShelvCf(bool high, double f, double gainDb, BIQUAD& out, int sampleRate) {
    if (!StartGainDesign(f, sampleRate, gainDb, out)) {
        return;
    }
    const double omega = out.omega;
    const double k = dbToGain(gainDb);
    double r = (k - 1.0) / (k + 1.0);
    const double c = std::sqrt(1.0 - r * r);
    double h = (1.0 - k) * 0.5;
    // With h = (1 - K)/2 the all-pass term lifts Nyquist (the high shelf); the low shelf
    // negates both h and r, which keeps the mid gain at f.
    if (!high) {
        h = -h;
        r = -r;
    }
    const double alpha =
        (r - std::cos(-omega)) / (-c * std::sin(-omega) + 1.0 - r * std::cos(-omega));
    const double m = (1.0 + k) * 0.5;
    Set(out, alpha * h + m, alpha * m + h, 0.0, alpha, 0.0);
}

void ResShelv(int mode, double f, double gainDb, double Q, BIQUAD& out, int sampleRate) {
    if (!StartGainDesign(f, sampleRate, gainDb, out)) {
        return;
    }
    const double omega = out.omega;
    Q = SafeQ(Q);
    double g = 1.0;
    double a = std::pow(10.0, gainDb / 40.0);
    if (mode != 0) {
        g = dbToGain(gainDb);
        a = std::pow(10.0, -gainDb / 40.0);
    }
    const double k = std::tan(omega * 0.5);
    const double k2 = k * k;
    const double sa = std::sqrt(a);
    const double q1 = k / (sa * Q);
    const double q2 = sa * k / Q;
    const double d = 1.0 / (q1 + k2 + 1.0 / a);
    const double e = d * g;
    Set(out, (q2 + k2 + a) * e, 2.0 * e * (k2 - a), (k2 - q2 + a) * e, 2.0 * d * (k2 - 1.0 / a),
        (k2 - q1 + 1.0 / a) * d);
}

void ComputeMitraBiquad(bool blend, double f, double Q, double gainDb, BIQUAD& out,
                        int sampleRate) {
    if (!StartGainDesign(f, sampleRate, gainDb, out)) {
        return;
    }
    const double omega = out.omega;
    MitraBell(blend, omega, std::min(omega / SafeQ(Q) * 0.5, 1.5), dbToGain(gainDb), out);
}

void MitraBellWithRefSR(int type, double f, double Q, double gainDb, BIQUAD& out, int refSampleRate,
                        int sampleRate) {
    if (!StartGainDesign(f, sampleRate, gainDb, out)) {
        return;
    }
    const double omega = out.omega;
    if (refSampleRate <= 0) {
        refSampleRate = sampleRate;
    }
    // The all-pass bell's 90-degree points lie exactly 2 * halfBandwidth apart, so the band
    // the reference design has in Hz is kept by scaling that width by the rate ratio.
    const double refHalf = std::min(DesignOmega(f, refSampleRate) / SafeQ(Q) * 0.5, 1.5);
    double half = refHalf;
    if (sampleRate > 0) {
        half = std::min(refHalf * refSampleRate / static_cast<double>(sampleRate), 1.5);
    }
    MitraBell(type != 0, omega, half, dbToGain(gainDb), out);
}

void Ord2APPh(double f, double f2, double c, BIQUAD& out, int sampleRate) {
    const double omega = DesignOmega(f, sampleRate);
    out.omega = omega;
    c = std::isnan(c) ? 0.0 : std::clamp(c, -1.0, 1.0);
    const double c1 = -std::cos(omega);
    const double omega2 = -Translate_Frequency(f2, sampleRate);
    const double cr = std::cos(omega2);
    const double ci = std::sin(omega2);
    const double wr = cr * cr - ci * ci;
    const double wi = 2.0 * cr * ci;
    const double s = -std::sqrt(1.0 - c * c);
    const double t1 = cr * s * c1 + ci * c1 * c;
    const double u = ci * c1 - t1 - (s * wr + wi * c);
    const double v = cr * c1 + 1.0 - (cr * c1 * c - ci * s * c1) - (wr * c - s * wi);
    const double den = u * u + v * v;
    double a2 = 0.0;
    if (den > 0.0) {
        a2 = ((s + t1 - ci * c1 - wi) * u + (cr * c1 * c - s * c1 * ci + c - cr * c1 - wr) * v) /
             den;
    }
    const double a1 = (a2 + 1.0) * c1;
    Set(out, a2, a1, 1.0, a1, a2);
}

void SGBell(double f, double gainDb, double Q, BIQUAD& out, int sampleRate) {
    if (!StartGainDesign(f, sampleRate, gainDb, out)) {
        return;
    }
    const double k = dbToGain(gainDb);
    const double iq = 1.0 / SafeQ(Q);
    // The band edge is taken below the clamped centre: above Nyquist both would coincide.
    f = DesignOmega(f, sampleRate) * sampleRate / (2.0 * kPi);
    Ord2APPh(f, f / ((std::sqrt(iq * iq + 4.0) + iq) * 0.5), (1.0 - k) * (1.0 - k) / (k * k - 1.0),
             out, sampleRate);
    const BIQUAD a = out;
    Set(out, (a.b0 * (1.0 - k) + 1.0 + k) * 0.5, (a.a1 * (1.0 + k) + (1.0 - k) * a.b1) * 0.5,
        (a.a2 * (1.0 + k) + a.b2 * (1.0 - k)) * 0.5, a.a1, a.a2);
}

void ComputeMitraBandPS(bool bandPass, double f, double Q, BIQUAD& out, int sampleRate) {
    const double omega = DesignOmega(f, sampleRate);
    const double beta = BetaFromHalfBandwidth(std::min(omega / SafeQ(Q) * 0.5, kMaxHalfBandwidth));
    const double s = bandPass ? -1.0 : 1.0;
    const double a1 = -(beta + 1.0) * std::cos(omega);
    Set(out, (s * beta + 1.0) * 0.5, (s + 1.0) * a1 * 0.5, (s + beta) * 0.5, a1, beta);
}

void O2Butterworth(bool high, double f, BIQUAD& out, int sampleRate) {
    BIQUAD proto;
    if (high) {
        proto.b0 = 0.292893218813453;
        proto.b1 = -0.585786437626906;
        proto.b2 = 0.292893218813453;
    } else {
        proto.b0 = 0.292893218813452;
        proto.b1 = 0.585786437626904;
        proto.b2 = 0.292893218813452;
    }
    proto.a1 = 0.0;
    proto.a2 = 0.17157287525381;
    BiquadBilinear(proto, out, f, sampleRate);
}

int ButterworthOrd(bool high, int order, double f, double e, int sampleRate, BIQUAD* out) {
    if (out == nullptr || order <= 0) {
        return 0;
    }
    if (!(e > 0.0) || !std::isfinite(e)) {
        e = 1.0;
    }
    const double k = 1.0 / std::tan(DesignOmega(f, sampleRate) * 0.5);
    const double scale = std::pow(e, 2.0 / order);
    int written = 0;
    for (int i = 1; i <= order / 2; ++i) {
        const double theta = (2.0 * i + order - 1.0) * kPi / (2.0 * order);
        const double den[3] = {1.0, -2.0 * std::cos(theta) / scale, 1.0};
        const double lowNum[3] = {0.0, 0.0, 1.0};
        const double highNum[3] = {1.0, 0.0, 0.0};
        BilinearOrder2(high ? highNum : lowNum, den, k, out[written++]);
    }
    if (order % 2 != 0) {
        const double den[2] = {1.0, 1.0};
        const double lowNum[2] = {0.0, 1.0};
        const double highNum[2] = {1.0, 0.0};
        BilinearOrder1(high ? highNum : lowNum, den, k, out[written++]);
    }
    return written;
}

void CalcWarpedBandpassParams(double fc, int sampleRate, double Q, double* omega0, double* q) {
    const double sr = sampleRate > 0 ? static_cast<double>(sampleRate) : 1.0;
    const double iq = 1.0 / SafeQ(Q);
    const double w0 = 2.0 * sr * std::tan(DesignOmega(fc, sampleRate) * 0.5);
    const double fl = std::max(fc, 0.0) * (std::sqrt(iq * iq + 4.0) - iq) * 0.5;
    const double wl = 2.0 * sr * std::tan(DesignOmega(fl, sampleRate) * 0.5);
    const double width = std::fabs(w0 * w0 / wl - wl);
    if (omega0 != nullptr) {
        *omega0 = w0;
    }
    if (q != nullptr) {
        *q = width > 0.0 ? w0 / width : 1e12;
    }
}

void findResonatorRoots(TKorvaneComplex<double> p, double omega0, double q,
                        TKorvaneComplex<double> roots[2]) {
    if (roots == nullptr) {
        return;
    }
    const std::complex<double> bp = std::complex<double>(p.re, p.im) * (omega0 / q);
    const std::complex<double> root = std::sqrt(bp * bp - 4.0 * omega0 * omega0);
    const std::complex<double> r1 = (bp + root) * 0.5;
    const std::complex<double> r2 = (bp - root) * 0.5;
    roots[0] = {r1.real(), r1.imag()};
    roots[1] = {r2.real(), r2.imag()};
}

int Calc_Bandpass_ButterworthBiquads(double fc, int sampleRate, int order, double Q, BIQUAD* out) {
    if (out == nullptr || order <= 0) {
        return 0;
    }
    double w0 = 0.0;
    double q = 1.0;
    CalcWarpedBandpassParams(fc, sampleRate, Q, &w0, &q);
    const double k = 2.0 * (sampleRate > 0 ? sampleRate : 1);
    const double b = k * w0 / q;
    TKorvaneComplex<double> roots[2];
    int done = 0;
    if (order % 2 != 0) {
        findResonatorRoots({-1.0, 0.0}, w0, q, roots);
        const std::complex<double> product = std::complex<double>(roots[0].re, roots[0].im) *
                                             std::complex<double>(roots[1].re, roots[1].im);
        BandpassSection(roots[0].re + roots[1].re, product.real(), k, b, out[done++]);
    }
    for (int i = 0; done < order; ++i) {
        const double phi = (2.0 * i + order + 1.0) * kPi / (2.0 * order);
        findResonatorRoots({-std::fabs(std::cos(phi)), std::sin(phi)}, w0, q, roots);
        for (const auto& r : roots) {
            BandpassSection(2.0 * r.re, r.re * r.re + r.im * r.im, k, b, out[done++]);
        }
    }
    return done;
}

void Ord3_CutFilter(bool high, double f, double Q, BIQUAD& out1, BIQUAD& out2, int sampleRate) {
    const double omega = DesignOmega(f, sampleRate);
    const double alpha = AllpassAlpha(omega);
    const auto [ap1, ap2] = SecondOrderAllpass(alpha, Q);
    const double s = high ? -1.0 : 1.0;
    Set(out1, 1.0, s, 0.0, alpha, 0.0);
    const double edge = s * 0.5 * (s * ap2 + alpha);
    const double mid =
        s * 0.5 * ((alpha * ap2 + ap1) * s + alpha * ap1 + 1.0 - s * (s * ap2 + alpha));
    Set(out2, edge, mid, edge, ap1, ap2);
}

void Ord1_AP(double f, BIQUAD& out, int sampleRate) {
    const double omega = DesignOmega(f, sampleRate);
    out.omega = omega;
    const double alpha = AllpassAlpha(omega);
    Set(out, alpha, 1.0, 0.0, alpha, 0.0);
}

void Ord2_AP(double f, double Q, BIQUAD& out, int sampleRate) {
    const double omega = DesignOmega(f, sampleRate);
    const auto [a1, a2] = SecondOrderAllpass(O1_Allp_90deg(omega), Q);
    Set(out, a2, a1, 1.0, a1, a2);
}

void Get_S_Domain_Filter_With_DC_Cutoff_And_Infinty_Gains(double omega0, double Q, double gainDc,
                                                          double gainMid, double gainInf,
                                                          double num[3], double den[3]) {
    if (num == nullptr || den == nullptr) {
        return;
    }
    omega0 = omega0 > 1e-12 ? omega0 : 1e-12;
    Q = SafeQ(Q);
    num[0] = gainInf / (omega0 * omega0);
    num[1] = gainMid / (omega0 * Q);
    num[2] = gainDc;
    den[0] = 1.0 / (omega0 * omega0);
    den[1] = 1.0 / (omega0 * Q);
    den[2] = 1.0;
}

}  // namespace kvKorvaneV10_0_3
