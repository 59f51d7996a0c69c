// Sample-rate conversion of stereo 44.1 -> 48 kHz, streamed in blocks of one second, in output
// frames per second: each of the library's modes (the polyphase one with the kernel the processor
// allows) against libsamplerate (sinc fastest and sinc
// medium), speexdsp (quality 5) and soxr (high quality). The peers keep their own delay lines;
// ours is fed frame by frame as a real-time caller would.
#include "korvane/dsp/on_the_fly_src.h"

#include <benchmark/benchmark.h>
#include <samplerate.h>
#include <soxr.h>
#include <speex/speex_resampler.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

namespace {

using kvKorvaneV10_0_3::E_SRC_Flags;
using kvKorvaneV10_0_3::KCOnTheFlySRC;

constexpr int kInRate = 44100;
constexpr int kOutRate = 48000;
constexpr int kChannels = 2;
constexpr int kFrames = kInRate;  // one second a block
// Room for a block's output and whatever a peer releases early.
constexpr int kOutCapacity = kOutRate + 4096;

const std::vector<float>& Input() {
    static const std::vector<float> data = [] {
        std::vector<float> v(static_cast<std::size_t>(kFrames) * kChannels);
        for (int n = 0; n < kFrames; ++n) {
            const double t = static_cast<double>(n) / kInRate;
            v[static_cast<std::size_t>(n) * 2] =
                static_cast<float>(0.5 * std::sin(2 * std::numbers::pi * 997 * t));
            v[static_cast<std::size_t>(n) * 2 + 1] =
                static_cast<float>(0.5 * std::sin(2 * std::numbers::pi * 15011 * t));
        }
        return v;
    }();
    return data;
}

void OutputFrames(benchmark::State& state, std::int64_t frames) {
    state.counters["frames/s"] =
        benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
}

void Korvane(benchmark::State& state, E_SRC_Flags mode) {
    KCOnTheFlySRC src(kInRate, kOutRate, mode, kChannels);
    if (!src.IsValid()) {
        state.SkipWithError("converter refused the settings");
        return;
    }
    std::vector<float> out(static_cast<std::size_t>(kOutCapacity) * kChannels);
    const float* in = Input().data();
    std::int64_t produced = 0;
    int need = 1;
    for (auto _ : state) {
        float* o = out.data();
        for (int i = 0; i < kFrames; ++i) {
            src.ReadSample(in + static_cast<std::size_t>(i) * kChannels);
            if (--need > 0) {
                continue;
            }
            do {
                src.OutSample(need, o);
                o += kChannels;
            } while (need == 0);
        }
        produced += (o - out.data()) / kChannels;
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    OutputFrames(state, produced);
}

void LibSamplerate(benchmark::State& state, int converter) {
    int error = 0;
    SRC_STATE* src = src_new(converter, kChannels, &error);
    if (src == nullptr) {
        state.SkipWithError("src_new failed");
        return;
    }
    std::vector<float> out(static_cast<std::size_t>(kOutCapacity) * kChannels);
    std::int64_t produced = 0;
    for (auto _ : state) {
        SRC_DATA data{};
        data.data_in = Input().data();
        data.input_frames = kFrames;
        data.data_out = out.data();
        data.output_frames = kOutCapacity;
        data.src_ratio = static_cast<double>(kOutRate) / kInRate;
        while (data.input_frames > 0) {
            if (src_process(src, &data) != 0) {
                state.SkipWithError("src_process failed");
                break;
            }
            produced += data.output_frames_gen;
            data.data_in += data.input_frames_used * kChannels;
            data.input_frames -= data.input_frames_used;
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    src_delete(src);
    OutputFrames(state, produced);
}

void Speex(benchmark::State& state) {
    int error = 0;
    SpeexResamplerState* st = speex_resampler_init(kChannels, kInRate, kOutRate, 5, &error);
    if (st == nullptr) {
        state.SkipWithError("speex_resampler_init failed");
        return;
    }
    std::vector<float> out(static_cast<std::size_t>(kOutCapacity) * kChannels);
    std::int64_t produced = 0;
    for (auto _ : state) {
        spx_uint32_t inLength = kFrames;
        spx_uint32_t outLength = kOutCapacity;
        speex_resampler_process_interleaved_float(st, Input().data(), &inLength, out.data(),
                                                  &outLength);
        produced += outLength;
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    speex_resampler_destroy(st);
    OutputFrames(state, produced);
}

void Soxr(benchmark::State& state) {
    soxr_error_t error = nullptr;
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    soxr_t s = soxr_create(kInRate, kOutRate, kChannels, &error, &io, &quality, nullptr);
    if (error != nullptr) {
        state.SkipWithError("soxr_create failed");
        return;
    }
    std::vector<float> out(static_cast<std::size_t>(kOutCapacity) * kChannels);
    std::int64_t produced = 0;
    for (auto _ : state) {
        std::size_t done = 0;
        std::size_t made = 0;
        soxr_process(s, Input().data(), kFrames, &done, out.data(), kOutCapacity, &made);
        produced += static_cast<std::int64_t>(made);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    soxr_delete(s);
    OutputFrames(state, produced);
}

// Every mode is its own case with the peers beside it, so the ratio table shows each.
void Register(const char* name, E_SRC_Flags mode) {
    const std::string base = std::string("src_44k1_48k_stereo_") + name;
    benchmark::RegisterBenchmark((base + "/korvane").c_str(), Korvane, mode);
    benchmark::RegisterBenchmark((base + "/peer:libsamplerate_sinc_fastest").c_str(), LibSamplerate,
                                 SRC_SINC_FASTEST);
    benchmark::RegisterBenchmark((base + "/peer:libsamplerate_sinc_medium").c_str(), LibSamplerate,
                                 SRC_SINC_MEDIUM_QUALITY);
    benchmark::RegisterBenchmark((base + "/peer:speexdsp_q5").c_str(), Speex);
    benchmark::RegisterBenchmark((base + "/peer:soxr_hq").c_str(), Soxr);
}

const bool kRegistered = [] {
    Register("standard", kvKorvaneV10_0_3::eSRC_Standard);
    Register("high", kvKorvaneV10_0_3::eSRC_HighQuality);
    Register("low", kvKorvaneV10_0_3::eSRC_LowQuality);
    Register("polyphase", kvKorvaneV10_0_3::eSRC_Polyphase);
    return true;
}();

}  // namespace
