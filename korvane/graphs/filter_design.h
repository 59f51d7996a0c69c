// Designers of second-order sections from musical parameters (frequency in Hz, gain in dB,
// Q), the frequency transformations they share, and the Butterworth helpers.
#pragma once

#include "korvane/core/export.h"
#include "korvane/graphs/biquad.h"

namespace kvKorvaneV10_0_3 {

// Every designer writes the coefficients of `out`, clears its shift and curve-valid flag and
// keeps its curve and position; "w stored" means it also sets out.omega. Frequencies are
// clamped just under Nyquist; gains of exactly 0 dB give the unity section.

// First-order low (high = false) or high shelf, gain at DC (or Nyquist); w stored. With blend
// the 20 dB design is blended to the wanted gain, which changes the slope but not the gains.
// [any-thread]
KORVANE_API void Shelv(bool blend, bool high, double f, double gainDb, BIQUAD& out, int sampleRate);
// First-order shelf whose gain at f is half the shelf gain in dB; w stored. [any-thread]
KORVANE_API void ShelvCf(bool high, double f, double gainDb, BIQUAD& out, int sampleRate);
// Second-order shelf: mode != 0 a low shelf (gain at DC), mode 0 a high shelf; w stored.
// [any-thread]
KORVANE_API void ResShelv(int mode, double f, double gainDb, double Q, BIQUAD& out, int sampleRate);
// Bell with gain at f from a second-order all-pass, bandwidth w/Q between its 90-degree
// points; with blend the 20 dB design blended to the exact centre gain; w stored. [any-thread]
KORVANE_API void ComputeMitraBiquad(bool blend, double f, double Q, double gainDb, BIQUAD& out,
                                    int sampleRate);
// The bell of ComputeMitraBiquad (type != 0: blended) with the bandwidth in Hz it has at
// refSampleRate, made at sampleRate; w stored. See docs/filters.md. [any-thread]
KORVANE_API void MitraBellWithRefSR(int type, double f, double Q, double gainDb, BIQUAD& out,
                                    int refSampleRate, int sampleRate);
// Bell from Ord2APPh: gain at f, half the gain in dB at the lower band edge; w stored. [any-thread]
KORVANE_API void SGBell(double f, double gainDb, double Q, BIQUAD& out, int sampleRate);
// Band-pass (unity at f) or notch (zero at f), w not stored. [any-thread]
KORVANE_API void ComputeMitraBandPS(bool bandPass, double f, double Q, BIQUAD& out, int sampleRate);
// Second-order Butterworth low- or high-pass, -3 dB at f; w stored. [any-thread]
KORVANE_API void O2Butterworth(bool high, double f, BIQUAD& out, int sampleRate);
// Butterworth of any order as order/2 second-order sections then, for an odd order, one
// first-order section; e scales the prototype (1 for Butterworth, non-positive taken as 1).
// Returns the number of sections written to out (order <= 0: none). [any-thread]
KORVANE_API int ButterworthOrd(bool high, int order, double f, double e, int sampleRate,
                               BIQUAD* out);
// Butterworth band-pass of the given order around fc (order sections, each numerator
// B(1, 0, -1)); Q sets the -3 dB edges. Returns the number of sections written. [any-thread]
KORVANE_API int Calc_Bandpass_ButterworthBiquads(double fc, int sampleRate, int order, double Q,
                                                 BIQUAD* out);
// Third-order cut as a first-order section (out1) and a second-order one (out2); Q = 1 is
// Butterworth. [any-thread]
KORVANE_API void Ord3_CutFilter(bool high, double f, double Q, BIQUAD& out1, BIQUAD& out2,
                                int sampleRate);
// First-order all-pass, phase -90 degrees at f; w stored. [any-thread]
KORVANE_API void Ord1_AP(double f, BIQUAD& out, int sampleRate);
// Second-order all-pass, phase -180 degrees at f; w not stored. [any-thread]
KORVANE_API void Ord2_AP(double f, double Q, BIQUAD& out, int sampleRate);
// Second-order all-pass with phase -180 degrees at f and cos(phase) = c at f2; w stored.
// [any-thread]
KORVANE_API void Ord2APPh(double f, double f2, double c, BIQUAD& out, int sampleRate);

// Moves a prototype designed around w = pi/2 to f by an all-pass substitution (DC and Nyquist
// stay put); w stored in out. [any-thread]
KORVANE_API void BiquadBilinear(const BIQUAD& proto, BIQUAD& out, double f, int sampleRate);
// The same for a prototype designed around protoF (a fraction of the sample rate). [any-thread]
KORVANE_API void BiquadBilinearPreWarp(const BIQUAD& proto, BIQUAD& out, double f, int sampleRate,
                                       double protoF);
// The substitution coefficient that moves pi/2 to w (|alpha| <= 1), without the |alpha| > 1
// alternative (Ord1_Ph), and the one that moves wa to wb (Ord1Ph2). [any-thread]
KORVANE_API double O1_Allp_90deg(double omega);
KORVANE_API double Ord1_Ph(double omega);
KORVANE_API double Ord1Ph2(double omegaA, double omegaB);

// Pre-warped centre w0 (rad/s) and the band-pass q of a band around fc with quality Q. [any-thread]
KORVANE_API void CalcWarpedBandpassParams(double fc, int sampleRate, double Q, double* omega0,
                                          double* q);
// The two roots of s^2 - (w0 / q) p s + w0^2 = 0: where a low-pass pole p goes in a band-pass.
// [any-thread]
KORVANE_API void findResonatorRoots(TKorvaneComplex<double> p, double omega0, double q,
                                    TKorvaneComplex<double> roots[2]);
// An analog section in (s^2, s, 1) order with the given gains at DC, at w0 (in quadrature
// with DC - infinity) and at infinity. [any-thread]
KORVANE_API void Get_S_Domain_Filter_With_DC_Cutoff_And_Infinty_Gains(double omega0, double Q,
                                                                      double gainDc, double gainMid,
                                                                      double gainInf, double num[3],
                                                                      double den[3]);

}  // namespace kvKorvaneV10_0_3
