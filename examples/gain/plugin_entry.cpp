// The module's two entry points, looked up by name: the host creates the algorithm through
// KvGain_Create and runs the audio through KvGain_Process, which ProcessXML names.
#include "kv_gain.h"

#include "korvane/core/error_codes.h"
#include "korvane/process/native_process.h"

#include <cstdint>

extern "C" __attribute__((visibility("default"))) korvane::cALGORITHM* KvGain_Create(
    const korvane::KorvaneComponentInfo* info, KTResContainerType** resources) {
    if (info == nullptr || resources == nullptr) {
        return nullptr;
    }
    return new kvgain::KvGain(*info, *resources);
}

// Every output channel is its input times the factor (an input and an output may share a
// buffer); as many outputs as inputs.
extern "C" __attribute__((visibility("default"))) std::int32_t KvGain_Process(
    const KSNativeProcessMemory* memory, const float* const* inputs, std::int32_t numInputs,
    float* const* outputs, std::int32_t numOutputs, std::int32_t frames) {
    if (memory == nullptr || inputs == nullptr || outputs == nullptr) {
        return korvane::eMemNullPointer;
    }
    if (memory->wordSize != 4 || memory->numCoefs < 1 || memory->coefs == nullptr) {
        return korvane::eMemBuffTooShort;
    }
    if (numInputs != numOutputs) {
        return korvane::eIncompatibleNumOfIOs;
    }
    // Every channel is checked before any is written, so a refused call changes nothing.
    for (std::int32_t channel = 0; channel < numOutputs; ++channel) {
        if (inputs[channel] == nullptr || outputs[channel] == nullptr) {
            return korvane::eMemNullPointer;
        }
    }
    const float factor = memory->coefs[kvgain::KvGain::kFactorCoef];
    for (std::int32_t channel = 0; channel < numOutputs; ++channel) {
        const float* in = inputs[channel];
        float* out = outputs[channel];
        for (std::int32_t i = 0; i < frames; ++i) {
            out[i] = in[i] * factor;
        }
    }
    return 0;
}
