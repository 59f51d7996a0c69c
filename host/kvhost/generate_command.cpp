// kvhost generate: test audio to render from, so that nothing has to be downloaded: a
// logarithmic sine sweep over the audible range with a little noise under it.
#include "host/kvhost/audio_output.h"
#include "host/kvhost/kvhost.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <numbers>
#include <vector>

namespace KorvaneHost::kvhost {

namespace fs = std::filesystem;

namespace {

constexpr const char* kHelp =
    "usage: kvhost generate OUT [--seconds S] [--rate HZ] [--channels N]\n"
    "\n"
    "Writes test audio to OUT (its format from the extension: .wav, .flac, .aiff, .ogg): a\n"
    "sine sweep from 20 Hz to 20 kHz at -12 dBFS with white noise at -36 dBFS under it, the same\n"
    "on every channel apart from the noise, which differs per channel.\n"
    "\n"
    "  --seconds S    length, 0.1 to 600 (default 6)\n"
    "  --rate HZ      sample rate, 8000 to 384000 (default 48000)\n"
    "  --channels N   1 to 8 (default 2)\n";

constexpr double kSweepLevel = 0.25;    // -12 dBFS
constexpr double kNoiseLevel = 0.0158;  // -36 dBFS
constexpr double kLowHz = 20.0;
constexpr double kHighHz = 20000.0;
constexpr double kFadeSeconds = 0.01;

// A small, fixed generator, so that every run writes the same file.
class Noise {
public:
    explicit Noise(std::uint64_t seed) : m_state(seed | 1U) {}
    // Uniform in [-1, 1).
    double Next() {
        m_state ^= m_state << 13U;
        m_state ^= m_state >> 7U;
        m_state ^= m_state << 17U;
        return static_cast<double>(m_state >> 11U) * 0x1.0p-52 - 1.0;
    }

private:
    std::uint64_t m_state;
};

}  // namespace

int RunGenerate(const std::vector<std::string>& args) {
    if (WantsHelp(args)) {
        std::cout << kHelp;
        return kExitOK;
    }
    Arguments parsed;
    if (auto err = ParseArguments(args, {"--seconds", "--rate", "--channels"}, {}, parsed)) {
        return Report(*err);
    }
    if (parsed.positional.size() != 1) {
        return Report(
            {"generate", parsed.positional.empty() ? "missing OUT" : "one OUT only", kExitUsage});
    }
    double seconds = 6.0;
    long long rate = 48000;
    long long channels = 2;
    if (const auto text = parsed.Last("--seconds")) {
        const auto value = ParseDouble(*text);
        if (!value || !(*value >= 0.1 && *value <= 600.0)) {
            return Report({"--seconds " + *text, "expected 0.1 to 600", kExitUsage});
        }
        seconds = *value;
    }
    if (const auto text = parsed.Last("--rate")) {
        const auto value = ParseInteger(*text);
        if (!value || *value < 8000 || *value > 384000) {
            return Report({"--rate " + *text, "expected 8000 to 384000 Hz", kExitUsage});
        }
        rate = *value;
    }
    if (const auto text = parsed.Last("--channels")) {
        const auto value = ParseInteger(*text);
        if (!value || *value < 1 || *value > 8) {
            return Report({"--channels " + *text, "expected 1 to 8", kExitUsage});
        }
        channels = *value;
    }
    const fs::path out(parsed.positional.front());
    const auto format = OutputFormat(out);
    if (!format) {
        return Report(
            {out.string(), "unknown audio format (use .wav, .flac, .aiff or .ogg)", kExitUsage});
    }
    std::error_code ec;
    if (out.has_parent_path() && !fs::is_directory(out.parent_path(), ec)) {
        return Report({out.string(), "its folder does not exist"});
    }

    PendingOutput output;
    if (auto err =
            output.Create(out, *format, static_cast<int>(channels), static_cast<int>(rate))) {
        return Report(*err);
    }
    const auto frames =
        static_cast<std::int64_t>(std::llround(seconds * static_cast<double>(rate)));
    const auto fade = static_cast<std::int64_t>(kFadeSeconds * static_cast<double>(rate));
    // The sweep's phase is the integral of its exponentially rising frequency.
    const double growth = std::log(kHighHz / kLowHz);
    const double duration = static_cast<double>(frames) / static_cast<double>(rate);
    std::vector<Noise> noise;
    for (long long c = 0; c < channels; ++c) {
        noise.emplace_back(0x9E3779B97F4A7C15ULL * static_cast<std::uint64_t>(c + 1));
    }
    constexpr std::int64_t kChunk = 4096;
    std::vector<float> interleaved(static_cast<std::size_t>(kChunk * channels));
    for (std::int64_t start = 0; start < frames; start += kChunk) {
        const std::int64_t count = std::min(kChunk, frames - start);
        for (std::int64_t i = 0; i < count; ++i) {
            const std::int64_t n = start + i;
            const double t = static_cast<double>(n) / static_cast<double>(rate);
            const double phase = 2.0 * std::numbers::pi * kLowHz * duration / growth *
                                 (std::exp(growth * t / duration) - 1.0);
            const double gain = std::min(
                {1.0, static_cast<double>(n) / static_cast<double>(std::max<std::int64_t>(fade, 1)),
                 static_cast<double>(frames - 1 - n) /
                     static_cast<double>(std::max<std::int64_t>(fade, 1))});
            const double sweep = kSweepLevel * std::sin(phase);
            for (long long c = 0; c < channels; ++c) {
                const double sample =
                    gain * (sweep + kNoiseLevel * noise[static_cast<std::size_t>(c)].Next());
                interleaved[static_cast<std::size_t>(i * channels + c)] =
                    static_cast<float>(sample);
            }
        }
        if (auto err = output.Write(interleaved.data(), count)) {
            return Report(*err);
        }
    }
    if (auto err = output.Commit()) {
        return Report(*err);
    }
    std::cout << "wrote " << out.string() << ": " << FormatFixed(duration, 3) << " s, " << rate
              << " Hz, " << channels << (channels == 1 ? " channel" : " channels") << "\n";
    return kExitOK;
}

}  // namespace KorvaneHost::kvhost
