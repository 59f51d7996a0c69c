// KvEQ's native processing: four biquad sections in series per channel, then the output gain,
// over the coefficients the library delivered to process memory.
#pragma once

#include "korvane/process/native_process.h"

#include <cstdint>

namespace kvexample {

// The process memory layout the function reads.
constexpr int kEQCoefsPerBand = 5;  // b0 b1 b2 a1 a2
constexpr int kEQBands = 4;
constexpr int kEQOutputGainCoef = kEQBands * kEQCoefsPerBand;
constexpr int kEQCoefCount = kEQOutputGainCoef + 1;
constexpr int kEQChannels = 2;
constexpr int kEQStatesPerBand = 2;  // transposed direct form II
constexpr int kEQStateCount = kEQChannels * kEQBands * kEQStatesPerBand;
// After the sections' states: the largest output sample since the level meter last read it
// (the meter reads it with reset, which puts 0 back).
constexpr int kEQPeakState = kEQStateCount;
constexpr int kEQStateWords = kEQPeakState + 1;

}  // namespace kvexample

// Stereo in, stereo out (an input and an output channel may share a buffer). eMemBuffTooShort
// when the memory is smaller than the layout above or its words are not 4 bytes,
// eIncompatibleNumOfIOs for fewer than two channels either way, eMemNullPointer for a missing
// array or channel.
extern "C" __attribute__((visibility("default"))) std::int32_t KvEQ_Process(
    const KSNativeProcessMemory* memory, const float* const* inputs, std::int32_t numInputs,
    float* const* outputs, std::int32_t numOutputs, std::int32_t frames);
