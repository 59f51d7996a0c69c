// Decibel, gain-stage and time-constant conversions shared by filter designs and the
// processing code they feed.
#pragma once

#include "korvane/core/export.h"

namespace kvKorvaneV10_0_3 {

// 10^(dB / 20). [any-thread]
KORVANE_API double dbToGain(double dB);
// 0 when dB <= off (the "off" position of a gain control), else dbToGain(dB). [any-thread]
KORVANE_API double dbToGainWithOff(double dB, double off);
// 20 log10(g), floored at -144 dB below 6.31e-8 (negative and NaN gains included). [any-thread]
KORVANE_API double GainTodb(double g);

// *value holds dB on entry and a gain in (0, 1] on return, with 2^*stage the factor taken out;
// the stage is at least 1 so +1.0 never reaches the fixed-point processing. [any-thread]
KORVANE_API void dbToGainStage(double* value, int* stage);
// Halves *g until |g| < 1 (or g == -1, which fixed point can hold), stage at least 1.
// A non-finite gain becomes 0 at stage 1. [any-thread]
KORVANE_API void gainToGainStage(float* g, int* stage);

// e^(-1 / N) with N = ms * sr / 1000 samples: a one-pole smoothing coefficient; 0 when the time
// is not positive. [any-thread]
KORVANE_API double msToDspCoef(double ms, int sampleRate);
// round(ms * sr / 1000), saturated to the int range; 0 for NaN. [any-thread]
KORVANE_API int msToSamples(double ms, int sampleRate);

}  // namespace kvKorvaneV10_0_3
