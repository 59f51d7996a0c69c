// KvEQ's native processing. Sections run in double precision within a block; their states are
// kept in the process's float words between blocks.
#include "examples/eq/kv_eq_process.h"

#include "korvane/core/error_codes.h"

#include <algorithm>
#include <cmath>

using namespace kvexample;

std::int32_t KvEQ_Process(const KSNativeProcessMemory* memory, const float* const* inputs,
                          std::int32_t numInputs, float* const* outputs, std::int32_t numOutputs,
                          std::int32_t frames) {
    namespace kv = kvKorvaneV10_0_3;
    if (memory == nullptr || inputs == nullptr || outputs == nullptr) {
        return kv::eMemNullPointer;
    }
    if (memory->wordSize != 4 || memory->numCoefs < kEQCoefCount ||
        memory->numStates < kEQStateWords || memory->coefs == nullptr ||
        memory->states == nullptr) {
        return kv::eMemBuffTooShort;
    }
    if (numInputs < kEQChannels || numOutputs < kEQChannels) {
        return kv::eIncompatibleNumOfIOs;
    }
    const float* k = memory->coefs;
    const double gain = k[kEQOutputGainCoef];
    float peak = memory->states[kEQPeakState];
    for (int channel = 0; channel < kEQChannels; ++channel) {
        const float* in = inputs[channel];
        float* out = outputs[channel];
        if (in == nullptr || out == nullptr) {
            return kv::eMemNullPointer;
        }
        float* states = memory->states + channel * kEQBands * kEQStatesPerBand;
        double s1[kEQBands];
        double s2[kEQBands];
        for (int band = 0; band < kEQBands; ++band) {
            s1[band] = states[band * kEQStatesPerBand];
            s2[band] = states[band * kEQStatesPerBand + 1];
        }
        for (int i = 0; i < frames; ++i) {
            double x = in[i];
            for (int band = 0; band < kEQBands; ++band) {
                const float* c = k + band * kEQCoefsPerBand;
                // y = b0 x + s1;  s1 = b1 x - a1 y + s2;  s2 = b2 x - a2 y
                const double y = c[0] * x + s1[band];
                s1[band] = c[1] * x - c[3] * y + s2[band];
                s2[band] = c[2] * x - c[4] * y;
                x = y;
            }
            out[i] = static_cast<float>(x * gain);
            peak = std::max(peak, std::fabs(out[i]));
        }
        for (int band = 0; band < kEQBands; ++band) {
            states[band * kEQStatesPerBand] = static_cast<float>(s1[band]);
            states[band * kEQStatesPerBand + 1] = static_cast<float>(s2[band]);
        }
    }
    memory->states[kEQPeakState] = peak;
    return 0;
}
