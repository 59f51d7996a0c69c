// What the example EQ's render benchmarks share: sixty seconds of stereo 48 kHz source audio, the
// gain ramp that changes band 1 every block, and the limit they are measured against (the EQ's
// four sections as a plain loop).
#pragma once

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstddef>
#include <numbers>
#include <random>
#include <vector>

namespace KorvaneBench::EqRender {

constexpr int kRate = 48000;
constexpr int kSeconds = 60;
constexpr std::size_t kFrames = static_cast<std::size_t>(kRate) * kSeconds;
constexpr int kBlock = 512;
// Band 1's gain is automated between these, in decibels.
constexpr double kRampLowDb = -10.0;
constexpr double kRampHighDb = 2.0;

// The source, made once: white noise and a logarithmic sweep from 20 Hz to 20 kHz, each at
// about -12 dBFS, different noise on each channel.
struct Source {
    std::vector<float> left = std::vector<float>(kFrames);
    std::vector<float> right = std::vector<float>(kFrames);
    Source() {
        std::mt19937 random(2026);
        std::uniform_real_distribution<float> noise(-0.25F, 0.25F);
        const double rate = std::log(20000.0 / 20.0) / kSeconds;
        for (std::size_t n = 0; n < kFrames; ++n) {
            const double t = static_cast<double>(n) / kRate;
            // The phase of a sweep whose frequency is 20 Hz * e^(rate t).
            const double phase = 2.0 * std::numbers::pi * 20.0 * (std::exp(rate * t) - 1.0) / rate;
            const auto sweep = static_cast<float>(0.25 * std::sin(phase));
            left[n] = sweep + noise(random);
            right[n] = sweep + noise(random);
        }
    }
};

inline const Source& TheSource() {
    static const Source source;
    return source;
}

struct Output {
    std::vector<float> left = std::vector<float>(kFrames);
    std::vector<float> right = std::vector<float>(kFrames);
};

// Band 1's gain for the `block`th block since the start: one step of the gain's resolution
// (0.1 dB) per block, up from kRampLowDb to kRampHighDb and back (1.28 s each way), so that
// every block carries coefficients different from the last block's.
inline double RampDb(std::size_t block) {
    constexpr double stepDb = 0.1;
    const auto steps = static_cast<std::size_t>(std::lround((kRampHighDb - kRampLowDb) / stepDb));
    const std::size_t position = block % (2 * steps);
    const std::size_t step = position < steps ? position : 2 * steps - position;
    return kRampLowDb + stepDb * static_cast<double>(step);
}

// The limit: the EQ's four sections with fixed coefficients as a plain loop over the source.
void PlainLoop(benchmark::State& state);

}  // namespace KorvaneBench::EqRender
