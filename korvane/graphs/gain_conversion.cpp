// Decibel, gain-stage and time-constant conversions.
#include "korvane/graphs/gain_conversion.h"

#include <climits>
#include <cmath>

namespace kvKorvaneV10_0_3 {

double dbToGain(double dB) {
    return std::pow(10.0, dB * 0.05);
}

double dbToGainWithOff(double dB, double off) {
    return dB <= off ? 0.0 : dbToGain(dB);
}

double GainTodb(double g) {
    if (!(g >= 6.31e-8)) {
        return -144.0;
    }
    return 20.0 * std::log10(g);
}

void dbToGainStage(double* value, int* stage) {
    if (value == nullptr || stage == nullptr) {
        return;
    }
    double g = dbToGain(*value);
    int s = 0;
    if (std::isnan(g)) {
        g = 0.0;
    }
    // An infinite gain would never halve below 1; the largest finite one needs 1024 halvings.
    while (g > 1.0 && s < 1100) {
        g *= 0.5;
        ++s;
    }
    if (std::isinf(g)) {
        g = 1.0;
    }
    if (s == 0) {
        g *= 0.5;
        s = 1;
    }
    *value = g;
    *stage = s;
}

void gainToGainStage(float* g, int* stage) {
    if (g == nullptr || stage == nullptr) {
        return;
    }
    float v = *g;
    if (!std::isfinite(v)) {
        v = 0.0f;
    }
    int s = 0;
    while (std::fabs(v) >= 1.0f && v != -1.0f) {
        v *= 0.5f;
        ++s;
    }
    if (s == 0) {
        v *= 0.5f;
        s = 1;
    }
    *g = v;
    *stage = s;
}

double msToDspCoef(double ms, int sampleRate) {
    const double samples = ms * sampleRate * 0.001;
    if (!(samples > 0.0)) {
        return 0.0;
    }
    return std::pow(0.36787944117, 1.0 / samples);
}

int msToSamples(double ms, int sampleRate) {
    const double samples = std::round(ms * sampleRate * 0.001);
    if (std::isnan(samples)) {
        return 0;
    }
    if (samples >= static_cast<double>(INT_MAX)) {
        return INT_MAX;
    }
    if (samples <= static_cast<double>(INT_MIN)) {
        return INT_MIN;
    }
    return static_cast<int>(samples);
}

}  // namespace kvKorvaneV10_0_3
