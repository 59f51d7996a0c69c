// kvhost render: an audio file through the plug-in's native processing, block by block on the
// reference host, with parameter changes and automation applied at block boundaries.
#include "host/kvhost/audio_output.h"
#include "host/kvhost/automation_script.h"
#include "host/kvhost/kvhost.h"

#include "korvane/dsp/on_the_fly_src.h"

#include <sndfile.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <limits>
#include <sstream>

namespace KorvaneHost::kvhost {

namespace kv = kvKorvaneV10_0_3;
namespace fs = std::filesystem;

namespace {

constexpr const char* kHelp =
    "usage: kvhost render BUNDLE --in IN --out OUT [options]\n"
    "\n"
    "Runs the audio file IN through the plug-in and writes OUT (its format from the extension:\n"
    "wav, flac, aiff/aif, ogg). OUT is written under a temporary name beside it and renamed at\n"
    "the end; it may not be IN.\n"
    "\n"
    "options:\n"
    "  --preset NAME|FILE    a factory preset by name, or the first preset of an xps/yps file\n"
    "  --set NAME=VALUE      a parameter's real-world value (repeatable, applied in order after\n"
    "                        the preset); a discrete parameter also takes its display text\n"
    "  --automation SCRIPT   a YAML automation script, applied at block boundaries\n"
    "  --rate HZ             converts IN to HZ (high-quality converter) before processing\n"
    "  --block FRAMES        frames per processing block (default 512)\n";

constexpr int kDefaultBlock = 512;
constexpr long long kMaxBlock = 1 << 20;

struct Level {
    double peak = 0.0;
    double sumSquares = 0.0;
    std::size_t count = 0;
    void Add(const float* samples, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) {
            const double s = samples[i];
            peak = std::max(peak, std::abs(s));
            sumSquares += s * s;
        }
        count += n;
    }
    static std::string Db(double linear) {
        return linear > 0.0 ? FormatFixed(20.0 * std::log10(linear), 2) + " dBFS" : "-inf dBFS";
    }
    [[nodiscard]] std::string PeakText() const { return Db(peak); }
    [[nodiscard]] std::string RmsText() const {
        return Db(count == 0 ? 0.0 : std::sqrt(sumSquares / static_cast<double>(count)));
    }
};

// The bar on a terminal once the render has taken a second; cleared at the end.
class Progress {
public:
    explicit Progress(std::int64_t total) : m_total(total), m_terminal(::isatty(2) == 1) {}
    ~Progress() { Clear(); }
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    void Update(std::int64_t done) {
        if (!m_terminal || m_total <= 0) {
            return;
        }
        const auto now = std::chrono::steady_clock::now();
        if (now - m_start < std::chrono::seconds(1) ||
            (m_shown && now - m_last < std::chrono::milliseconds(100))) {
            return;
        }
        m_shown = true;
        m_last = now;
        constexpr int kWidth = 40;
        const double fraction = static_cast<double>(done) / static_cast<double>(m_total);
        const int filled = static_cast<int>(fraction * kWidth);
        std::cerr << "\r[" << std::string(static_cast<std::size_t>(filled), '#')
                  << std::string(static_cast<std::size_t>(kWidth - filled), ' ') << "] "
                  << FormatFixed(fraction * 100.0, 0) << "%" << std::flush;
    }

    // Removes the bar, so that what is printed next starts a clean line.
    void Clear() {
        if (m_shown) {
            std::cerr << "\r" << std::string(60, ' ') << "\r" << std::flush;
            m_shown = false;
        }
        m_terminal = false;
    }

private:
    std::int64_t m_total;
    bool m_terminal;
    bool m_shown = false;
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point m_last;
};

// The whole input, interleaved.
struct Audio {
    std::vector<float> samples;
    int channels = 0;
    int rate = 0;
    sf_count_t frames = 0;
};

Status ReadAudio(const std::string& path, Audio& out) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr) {
        return Error{path, std::string("cannot read audio: ") + sf_strerror(nullptr)};
    }
    out.channels = info.channels;
    out.rate = info.samplerate;
    out.frames = info.frames;
    if (info.frames > std::numeric_limits<int>::max() / std::max(1, info.channels)) {
        sf_close(file);
        return Error{path, "too long to render in one piece"};
    }
    out.samples.resize(static_cast<std::size_t>(info.frames) *
                       static_cast<std::size_t>(info.channels));
    const sf_count_t read = sf_readf_float(file, out.samples.data(), info.frames);
    sf_close(file);
    if (read != info.frames) {
        return Error{path, "cannot read audio: the file ends early"};
    }
    return std::nullopt;
}

// The input at `rate` through the library's converter, its delay removed so that the output
// lines up with the input: round(frames x rate / input rate) frames.
Status ConvertRate(Audio& audio, int rate) {
    if (rate == audio.rate || audio.frames == 0) {
        audio.rate = rate;
        return std::nullopt;
    }
    kv::KCOnTheFlySRC src;
    if (const KTErr err = src.Init(audio.rate, rate, kv::eSRC_HighQuality, audio.channels);
        err != kv::eNoErr) {
        return Error{"--rate " + std::to_string(rate),
                     "the converter cannot go from " + std::to_string(audio.rate) + " Hz to " +
                         std::to_string(rate) + " Hz (1 to 8 channels, rates above 2000 Hz)"};
    }
    const int inFrames = static_cast<int>(audio.frames);
    const int converted = src.RateConvertLength(inFrames);
    std::vector<float> out(static_cast<std::size_t>(converted) *
                           static_cast<std::size_t>(audio.channels));
    int latency = 0;
    if (const KTErr err = src.Convert(audio.samples.data(), out.data(), inFrames, &latency);
        err != kv::eNoErr) {
        return Error{"--rate " + std::to_string(rate), "conversion failed", kExitFailure};
    }
    const auto frames =
        static_cast<sf_count_t>(std::llround(static_cast<double>(inFrames) * rate / audio.rate));
    const auto start = static_cast<std::size_t>(std::clamp(latency, 0, converted));
    const auto available = static_cast<sf_count_t>(converted) - static_cast<sf_count_t>(start);
    const auto channels = static_cast<std::size_t>(audio.channels);
    audio.samples.assign(static_cast<std::size_t>(frames) * channels, 0.0F);
    std::copy_n(out.begin() + static_cast<std::ptrdiff_t>(start * channels),
                static_cast<std::size_t>(std::min(frames, available)) * channels,
                audio.samples.begin());
    audio.frames = frames;
    audio.rate = rate;
    return std::nullopt;
}

// Refuses an output that is the input, also through links.
Status CheckPaths(const std::string& in, const std::string& out) {
    std::error_code ec;
    if (!fs::exists(in, ec)) {
        return Error{in, "cannot read audio: no such file"};
    }
    if (fs::exists(out, ec)) {
        if (fs::equivalent(in, out, ec)) {
            return Error{out, "is the input file; choose another output"};
        }
        if (fs::is_directory(out, ec)) {
            return Error{out, "is a folder"};
        }
    } else if (fs::weakly_canonical(out, ec) == fs::canonical(in, ec)) {
        return Error{out, "is the input file; choose another output"};
    }
    const fs::path folder = fs::path(out).has_parent_path() ? fs::path(out).parent_path() : ".";
    if (!fs::is_directory(folder, ec)) {
        return Error{out, "its folder does not exist"};
    }
    return std::nullopt;
}

struct Lane {
    const AutomationLane* lane = nullptr;
    unsigned int param = 0;
    std::optional<double> applied;
};

}  // namespace

int RunRender(const std::vector<std::string>& args) {
    if (WantsHelp(args)) {
        std::cout << kHelp;
        return kExitOK;
    }
    Arguments parsed;
    if (auto err = ParseArguments(
            args, {"--in", "--out", "--preset", "--set", "--automation", "--rate", "--block"}, {},
            parsed)) {
        return Report(*err);
    }
    if (parsed.positional.size() != 1) {
        return Report({"render", parsed.positional.empty() ? "missing BUNDLE" : "one BUNDLE only",
                       kExitUsage});
    }
    const auto in = parsed.Last("--in");
    const auto out = parsed.Last("--out");
    if (!in) {
        return Report({"render", "missing --in IN", kExitUsage});
    }
    if (!out) {
        return Report({"render", "missing --out OUT", kExitUsage});
    }
    int block = kDefaultBlock;
    if (const auto text = parsed.Last("--block")) {
        const auto value = ParseInteger(*text);
        if (!value || *value < 1 || *value > kMaxBlock) {
            return Report({"--block " + *text,
                           "expected a whole number of frames, 1 ... " + std::to_string(kMaxBlock),
                           kExitUsage});
        }
        block = static_cast<int>(*value);
    }
    std::optional<int> rate;
    if (const auto text = parsed.Last("--rate")) {
        const auto value = ParseInteger(*text);
        if (!value || *value <= 0 || *value > 1'000'000) {
            return Report({"--rate " + *text, "expected a sample rate in Hz", kExitUsage});
        }
        rate = static_cast<int>(*value);
    }
    const auto format = OutputFormat(*out);
    if (!format) {
        return Report(
            {*out, "unknown output format (use .wav, .flac, .aiff, .aif or .ogg)", kExitUsage});
    }
    if (auto err = CheckPaths(*in, *out)) {
        return Report(*err);
    }

    Audio audio;
    if (auto err = ReadAudio(*in, audio)) {
        return Report(*err);
    }
    Level levelIn;
    levelIn.Add(audio.samples.data(), audio.samples.size());
    if (rate) {
        if (auto err = ConvertRate(audio, *rate)) {
            return Report(*err);
        }
    }

    Plugin plugin;
    if (auto err = plugin.Open(parsed.positional.front(), audio.rate)) {
        return Report(*err);
    }
    if (const auto preset = parsed.Last("--preset")) {
        if (auto err = plugin.LoadPreset(*preset)) {
            return Report(*err);
        }
    }
    for (const std::string& assignment : parsed.All("--set")) {
        if (auto err = plugin.SetFromText(assignment)) {
            return Report(*err);
        }
    }

    std::optional<AutomationScript> script;
    std::vector<Lane> lanes;
    if (const auto path = parsed.Last("--automation")) {
        std::ifstream file(*path, std::ios::binary);
        if (!file) {
            return Report({*path, "cannot read the automation script"});
        }
        std::stringstream text;
        text << file.rdbuf();
        AutomationError error;
        script = AutomationScript::Parse(text.str(), audio.rate, error);
        if (!script) {
            std::string where = *path;
            if (error.line > 0) {
                where += ":" + std::to_string(error.line);
                if (error.column > 0) {
                    where += ":" + std::to_string(error.column);
                }
            }
            return Report(
                {where, error.message.empty() ? "not a valid automation script" : error.message});
        }
        for (const AutomationLane& lane : script->Lanes()) {
            Lane entry;
            entry.lane = &lane;
            if (auto err = plugin.FindParam(lane.parameter, entry.param)) {
                err->what = *path + ": " + err->what;
                return Report(*err);
            }
            // Names match without regard to case: two lanes may name one parameter.
            for (const Lane& earlier : lanes) {
                if (earlier.param == entry.param) {
                    return Report(
                        {*path + ": " + lane.parameter,
                         "a second lane for the parameter of lane " + earlier.lane->parameter});
                }
            }
            // Every value is checked before the render starts, so a bad one late in the script
            // does not end a long render halfway.
            double low = 0.0;
            double high = 0.0;
            plugin.ParamRange(entry.param, low, high);
            const double slack = 1e-9 * std::max(1.0, std::abs(high - low));
            for (const AutomationPoint& point : lane.points) {
                if (point.value < low - slack || point.value > high + slack) {
                    return Report(
                        {*path + ": " + lane.parameter + "=" + FormatNumber(point.value),
                         "out of range " + FormatNumber(low) + " ... " + FormatNumber(high)});
                }
            }
            lanes.push_back(entry);
        }
    }

    kv::cALGORITHM& alg = plugin.Alg();
    const int numIn = alg.GetNumInputs();
    const int numOut = alg.GetNumOutputs();
    if (numOut < 1) {
        return Report({plugin.Name(), "the plug-in has no audio outputs", kExitFailure});
    }
    PendingOutput output;
    if (auto err = output.Create(*out, *format, numOut, audio.rate)) {
        return Report(*err);
    }

    const auto blockSize = static_cast<std::size_t>(block);
    std::vector<std::vector<float>> inputs(static_cast<std::size_t>(std::max(numIn, 0)),
                                           std::vector<float>(blockSize));
    std::vector<std::vector<float>> outputs(static_cast<std::size_t>(numOut),
                                            std::vector<float>(blockSize));
    std::vector<const float*> inPointers;
    std::vector<float*> outPointers;
    inPointers.reserve(inputs.size());
    outPointers.reserve(outputs.size());
    for (auto& channel : inputs) {
        inPointers.push_back(channel.data());
    }
    for (auto& channel : outputs) {
        outPointers.push_back(channel.data());
    }
    std::vector<float> interleaved(blockSize * static_cast<std::size_t>(numOut));
    Level levelOut;
    Progress progress(audio.frames);
    const auto started = std::chrono::steady_clock::now();
    const auto fileChannels = static_cast<std::size_t>(audio.channels);

    for (sf_count_t start = 0; start < audio.frames; start += block) {
        const int frames = static_cast<int>(std::min<sf_count_t>(block, audio.frames - start));
        for (Lane& lane : lanes) {
            const auto value = AutomationScript::ValueAt(*lane.lane, start);
            if (value && value != lane.applied) {
                if (auto err = plugin.SetParam(lane.param, *value)) {
                    progress.Clear();
                    err->what = "automation at frame " + std::to_string(start) + ": " + err->what;
                    return Report(*err);
                }
                lane.applied = value;
            }
        }
        // A file with fewer channels than the plug-in's inputs feeds its last channel to the
        // rest (a mono file into a stereo plug-in).
        for (std::size_t c = 0; c < inputs.size(); ++c) {
            const std::size_t source = std::min(c, fileChannels - 1);
            for (int i = 0; i < frames; ++i) {
                inputs[c][static_cast<std::size_t>(i)] =
                    audio.samples[(static_cast<std::size_t>(start) + static_cast<std::size_t>(i)) *
                                      fileChannels +
                                  source];
            }
        }
        if (const KTErr err =
                plugin.Host().ProcessAudio(inPointers.data(), outPointers.data(), frames);
            err != kv::eNoErr) {
            progress.Clear();
            return Report({plugin.Name(),
                           "processing failed at frame " + std::to_string(start) + " (" +
                               std::to_string(err) + ")",
                           kExitFailure});
        }
        for (int i = 0; i < frames; ++i) {
            for (std::size_t c = 0; c < outputs.size(); ++c) {
                interleaved[static_cast<std::size_t>(i) * outputs.size() + c] =
                    outputs[c][static_cast<std::size_t>(i)];
            }
        }
        const std::size_t count = static_cast<std::size_t>(frames) * outputs.size();
        levelOut.Add(interleaved.data(), count);
        if (auto err = output.Write(interleaved.data(), frames)) {
            progress.Clear();
            return Report(*err);
        }
        progress.Update(start + frames);
        // Nothing reads the host's notification log here; cleared per block, it cannot grow
        // with the length of the render.
        plugin.Host().Events().Clear();
    }
    progress.Clear();
    if (auto err = output.Commit()) {
        return Report(*err);
    }
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const double seconds = static_cast<double>(audio.frames) / audio.rate;
    std::cout << "rendered " << *out << '\n';
    PrintTable(
        std::cout,
        {{"frames", std::to_string(audio.frames) + " at " + std::to_string(audio.rate) +
                        " Hz, block " + std::to_string(block)},
         {"audio", FormatFixed(seconds, 3) + " s"},
         {"real-time factor",
          wall > 0.0 ? FormatFixed(seconds / wall, 1) + "x (" + FormatFixed(wall, 3) + " s)" : "-"},
         {"peak in / out", levelIn.PeakText() + " / " + levelOut.PeakText()},
         {"RMS in / out", levelIn.RmsText() + " / " + levelOut.RmsText()}});
    return kExitOK;
}

}  // namespace KorvaneHost::kvhost
