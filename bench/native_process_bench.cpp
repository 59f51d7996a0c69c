// One audio block of the example EQ's native processing, called through the reference host
// (posted chains applied, process memory handed over, the function called) against calling
// the same function directly on memory of its own (the limit).
#include "examples/eq/kv_eq_process.h"
#include "host/reference_host.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace {

namespace PM = kvKorvaneV10_0_3::ProcessMemory;
using namespace kvexample;

constexpr int kFrames = 256;

// A gentle band per section (b0 b1 b2 a1 a2) and unity output gain.
std::vector<float> Coefficients() {
    std::vector<float> coefs;
    for (int band = 0; band < kEQBands; ++band) {
        const float r = 0.9F - 0.1F * static_cast<float>(band);
        coefs.insert(coefs.end(), {1.0F, -1.2F * r, 0.5F * r * r, -1.1F * r, 0.45F * r * r});
    }
    coefs.push_back(1.0F);
    return coefs;
}

struct Audio {
    std::vector<float> left = std::vector<float>(kFrames);
    std::vector<float> right = std::vector<float>(kFrames);
    std::vector<float> outLeft = std::vector<float>(kFrames);
    std::vector<float> outRight = std::vector<float>(kFrames);
    const float* ins[2] = {left.data(), right.data()};
    float* outs[2] = {outLeft.data(), outRight.data()};
    Audio() {
        for (int i = 0; i < kFrames; ++i) {
            left[static_cast<std::size_t>(i)] = static_cast<float>(std::sin(0.03 * i));
            right[static_cast<std::size_t>(i)] = static_cast<float>(std::cos(0.05 * i));
        }
    }
};

void ThroughHost(benchmark::State& state) {
    KorvaneHost::ReferenceHost host;
    if (host.SizeSpace(PM::eCoefsSpace, kEQCoefCount) != 0 ||
        host.SizeSpace(PM::eStatesSpace, kEQStateWords) != 0 ||
        host.SetNativeProcess(KvEQ_Process, 2, 2) != 0) {
        state.SkipWithError("the host refused the layout");
        return;
    }
    const std::vector<float> coefs = Coefficients();
    for (int i = 0; i < kEQCoefCount; ++i) {
        (void)host.WriteDouble(PM::eCoefsSpace, i, coefs[static_cast<std::size_t>(i)]);
    }
    Audio audio;
    for (auto _ : state) {
        if (host.ProcessAudio(audio.ins, audio.outs, kFrames) != 0) {
            state.SkipWithError("processing failed");
            return;
        }
        benchmark::DoNotOptimize(audio.outLeft.data());
    }
    state.SetItemsProcessed(state.iterations() * kFrames);
}
BENCHMARK(ThroughHost)->Name("process.eq_native_block_256/korvane");

void Direct(benchmark::State& state) {
    const std::vector<float> coefs = Coefficients();
    std::vector<float> states(kEQStateWords, 0.0F);
    KSNativeProcessMemory memory{};
    memory.structSize = sizeof memory;
    memory.wordSize = 4;
    memory.coefs = coefs.data();
    memory.numCoefs = kEQCoefCount;
    memory.states = states.data();
    memory.numStates = kEQStateWords;
    Audio audio;
    for (auto _ : state) {
        if (KvEQ_Process(&memory, audio.ins, 2, audio.outs, 2, kFrames) != 0) {
            state.SkipWithError("processing failed");
            return;
        }
        benchmark::DoNotOptimize(audio.outLeft.data());
    }
    state.SetItemsProcessed(state.iterations() * kFrames);
}
BENCHMARK(Direct)->Name("process.eq_native_block_256/limit:direct_call");

}  // namespace
