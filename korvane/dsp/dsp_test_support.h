// A direct evaluation of the converter's windowed-sinc formula for the tests: tables of its own,
// the whole input held at once (no ring), one output frame after another.
#pragma once

#include <cmath>
#include <cstddef>
#include <numbers>
#include <vector>

namespace kvKorvaneV10_0_3::testing {

inline double ReferenceI0(double x) {
    double sum = 1.0;
    double term = 1.0;
    for (int k = 1; k < 500 && term > 1e-20 * sum; ++k) {
        term *= (x / 2) * (x / 2) / (static_cast<double>(k) * k);
        sum += term;
    }
    return sum;
}

// `in` holds `channels` interleaved channels. The stream as the converter sees it: 2h + 18
// silent frames, the input, then silence; output k is centred between frames h and h + 1 of the
// window that starts where k - 1 outputs have advanced it. Only every `every`-th output frame is
// evaluated (the others are NaN), to keep long sweeps short.
inline std::vector<float> ReferenceConvert(const std::vector<float>& in, int channels, int inRate,
                                           int outRate, int h, double cutoff, int outLength,
                                           int every = 1) {
    std::vector<double> sinc(static_cast<std::size_t>(h + 1) * 1000);
    sinc[0] = 1.0;
    for (std::size_t k = 1; k < sinc.size(); ++k) {
        const double x = static_cast<double>(k) * cutoff * std::numbers::pi / 1000;
        sinc[k] = std::sin(x) / x;
    }
    std::vector<double> window(static_cast<std::size_t>(h) + 1, 1.0);
    for (int i = 0; i < h; ++i) {
        const int j = static_cast<int>(std::floor(i * 5000.0 / h + 0.5));
        const double u = 1.0 - j / 5000.0;
        window[static_cast<std::size_t>(i)] =
            static_cast<float>(ReferenceI0(20 * std::sqrt(1 - u * u)) / ReferenceI0(20));
    }
    int step = 1000;
    double gain = cutoff;
    if (outRate < inRate) {
        step = static_cast<int>(std::floor(1000.0 * outRate / inRate + 0.5));
        gain = cutoff * outRate / inRate;
    }
    const double increment = static_cast<double>(inRate) / outRate;
    const long long frames = static_cast<long long>(in.size()) / channels;
    const long long lead = 2LL * h + 18;
    const auto sample = [&](long long frame, int ch) -> double {
        const long long i = frame - lead;
        return i >= 0 && i < frames ? in[static_cast<std::size_t>(i * channels + ch)] : 0.0;
    };
    std::vector<float> out(static_cast<std::size_t>(outLength) * channels, std::nanf(""));
    long long read = 0;
    double fraction = 0.0;
    for (int k = 0; k < outLength; ++k) {
        const int off = static_cast<int>(step * fraction);
        for (int ch = 0; ch < channels && k % every == 0; ++ch) {
            double sum = 0.0;
            for (int j = 0; j <= 2 * h; ++j) {
                const double c = j <= h ? window[j] * sinc[(h - j) * step + off]
                                        : window[2 * h - j] * sinc[(j - h) * step - off];
                sum += static_cast<float>(sample(read + j, ch)) * c;
            }
            out[static_cast<std::size_t>(k) * channels + ch] = static_cast<float>(sum * gain);
        }
        const double p = increment + fraction;
        const double n = std::floor(p);
        fraction = p - n;
        read += static_cast<long long>(n);
    }
    return out;
}

// The polyphase mode's filter evaluated exactly (no phase table, double precision): a
// Kaiser-windowed sinc over 2M taps passing 20 kHz and stopping from 23.5 kHz at a lower rate of
// 44.1 kHz (scaled with it), 125 dB. 2M - 1 silent frames precede the input; output k is centred
// at frame M - 1 + fraction of its window.
inline std::vector<float> ReferencePolyphase(const std::vector<float>& in, int channels, int inRate,
                                             int outRate, int m, int outLength, int every = 1) {
    const double low = inRate < outRate ? inRate : outRate;
    const double fc = (20000.0 + 23500.0) / 2 / 44100.0 * low / inRate;
    const double beta = 0.1102 * (125.0 - 8.7);
    const auto kernel = [&](double u) {
        const double r = u / m;
        if (r * r >= 1.0) {
            return 0.0;
        }
        const double x = 2 * fc * u;
        const double sinc =
            x == 0.0 ? 1.0 : std::sin(std::numbers::pi * x) / (std::numbers::pi * x);
        return 2 * fc * sinc * ReferenceI0(beta * std::sqrt(1 - r * r)) / ReferenceI0(beta);
    };
    const double increment = static_cast<double>(inRate) / outRate;
    const long long frames = static_cast<long long>(in.size()) / channels;
    const long long lead = 2LL * m - 1;
    std::vector<float> out(static_cast<std::size_t>(outLength) * channels, std::nanf(""));
    long long read = 0;
    double fraction = 0.0;
    for (int k = 0; k < outLength; ++k) {
        for (int ch = 0; ch < channels && k % every == 0; ++ch) {
            double sum = 0.0;
            for (int j = 0; j < 2 * m; ++j) {
                const long long i = read + j - lead;
                if (i >= 0 && i < frames) {
                    sum += in[static_cast<std::size_t>(i * channels + ch)] *
                           kernel(j - (m - 1) - fraction);
                }
            }
            out[static_cast<std::size_t>(k) * channels + ch] = static_cast<float>(sum);
        }
        const double p = increment + fraction;
        const double n = std::floor(p);
        fraction = p - n;
        read += static_cast<long long>(n);
    }
    return out;
}

}  // namespace kvKorvaneV10_0_3::testing
