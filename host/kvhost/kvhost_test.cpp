// kvhost run as a user runs it: the built binary as a child process on the example EQ's bundle,
// with audio files written and read here through libsndfile.
#include "host/testing/child_process.h"

#include "korvane/fm/fm_test_support.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <numbers>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using KorvaneHost::testing::Outcome;
using KorvaneHost::testing::RunChild;
using kvKorvaneV10_0_3::FM::testing::ReadAll;
using kvKorvaneV10_0_3::FM::testing::ScopedEnv;
using kvKorvaneV10_0_3::FM::testing::TempFolder;

constexpr int kRate = 48000;

struct Audio {
    std::vector<float> samples;  // interleaved
    int channels = 0;
    int rate = 0;
    sf_count_t frames = 0;
};

// A stereo sine, both channels alike, at `amplitude`.
void WriteSine(const std::string& path, double freq, double seconds, double amplitude,
               int format = SF_FORMAT_WAV | SF_FORMAT_PCM_24) {
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = 2;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    const auto frames = static_cast<std::size_t>(seconds * kRate);
    std::vector<float> samples(frames * 2);
    for (std::size_t n = 0; n < frames; ++n) {
        const auto s = static_cast<float>(
            amplitude * std::sin(2.0 * std::numbers::pi * freq * static_cast<double>(n) / kRate));
        samples[2 * n] = s;
        samples[2 * n + 1] = s;
    }
    ASSERT_EQ(sf_writef_float(file, samples.data(), static_cast<sf_count_t>(frames)),
              static_cast<sf_count_t>(frames));
    sf_close(file);
}

Audio ReadAudio(const std::string& path) {
    Audio audio;
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    EXPECT_NE(file, nullptr) << path << ": " << sf_strerror(nullptr);
    if (file == nullptr) {
        return audio;
    }
    audio.channels = info.channels;
    audio.rate = info.samplerate;
    audio.frames = info.frames;
    audio.samples.resize(static_cast<std::size_t>(info.frames * info.channels));
    EXPECT_EQ(sf_readf_float(file, audio.samples.data(), info.frames), info.frames);
    sf_close(file);
    return audio;
}

// RMS of channel `channel` from `skip` frames on (past the filters' settling), in dB.
double RmsDb(const Audio& audio, int channel, sf_count_t skip) {
    double sum = 0.0;
    std::size_t n = 0;
    for (sf_count_t f = skip; f < audio.frames; ++f) {
        const double s = audio.samples[static_cast<std::size_t>(f * audio.channels + channel)];
        sum += s * s;
        ++n;
    }
    return n == 0 ? -1000.0 : 10.0 * std::log10(sum / static_cast<double>(n));
}

class Kvhost : public ::testing::Test {
protected:
    void SetUp() override {
        WriteSine(In(), 1000.0, 1.0, 0.25);
        inBytes = ReadAll(In());
    }

    void TearDown() override {
        // Nothing kvhost did may have changed the input.
        EXPECT_EQ(ReadAll(In()), inBytes);
    }

    [[nodiscard]] std::string In() const { return tmp.Path("in.wav"); }
    [[nodiscard]] std::string Path(const std::string& leaf) const { return tmp.Path(leaf); }

    Outcome Kv(const std::vector<std::string>& args) const {
        std::vector<std::string> command{KVHOST_BINARY};
        command.insert(command.end(), args.begin(), args.end());
        return RunChild(command, tmp.Path());
    }

    // Renders the input with `extra` arguments into `leaf`; the output read back.
    Audio Render(const std::string& leaf, const std::vector<std::string>& extra,
                 const std::string& input = "") {
        std::vector<std::string> args{"render", KVEQ_BUNDLE, "--in", input.empty() ? In() : input,
                                      "--out",  Path(leaf)};
        args.insert(args.end(), extra.begin(), extra.end());
        const Outcome run = Kv(args);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.err, "");
        return ReadAudio(Path(leaf));
    }

    [[nodiscard]] std::set<std::string> Files() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(tmp.Path())) {
            names.insert(entry.path().filename().string());
        }
        return names;
    }

    // A refused command: the exit code, one line "kvhost: ...<fragment>...", and no file left
    // behind (nor a temporary one).
    void ExpectRefused(const std::vector<std::string>& args, int exitCode,
                       const std::string& fragment) {
        const std::set<std::string> before = Files();
        const Outcome run = Kv(args);
        EXPECT_EQ(run.exitCode, exitCode) << fragment;
        EXPECT_TRUE(run.err.starts_with("kvhost: ")) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_TRUE(run.err.ends_with("\n")) << run.err;
        EXPECT_NE(run.err.find(fragment), std::string::npos) << run.err;
        EXPECT_EQ(Files(), before) << fragment;
    }

    TempFolder tmp;
    // The preset folders, apart from the audio files.
    TempFolder data;
    ScopedEnv shared{"KORVANE_SHARED_DATA_DIR", data.Path("shared")};
    ScopedEnv user{"XDG_DATA_HOME", data.Path("user")};
    std::string inBytes;
};

TEST_F(Kvhost, InfoDescribesTheEQ) {
    const Outcome run = Kv({"info", KVEQ_BUNDLE});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    // Parameters with range, unit, default and its display; the component; presets; process.
    for (const char* text :
         {"Gain_0      -18 ... 18    dB    0        0.0 dB", "Freq_3      20 ... 20000", "1000 Hz",
          "Type_2      0 ... 4             0        Bell", "Bypass", "KvEQ  ster", "Band 1",
          "Warm Lows", "Rumble Cut", "KvEQ_Process", "x86/Generic"}) {
        EXPECT_NE(run.out.find(text), std::string::npos) << text << "\n" << run.out;
    }
}

TEST_F(Kvhost, HelpForTheToolAndEachCommand) {
    const Outcome top = Kv({"--help"});
    EXPECT_EQ(top.exitCode, 0);
    for (const char* command : {"info", "render", "gui", "presets", "scan"}) {
        EXPECT_NE(top.out.find(command), std::string::npos) << command;
        const Outcome help = Kv({command, "--help"});
        EXPECT_EQ(help.exitCode, 0) << command;
        EXPECT_TRUE(help.out.starts_with(std::string("usage: kvhost ") + command)) << help.out;
    }
    EXPECT_EQ(Kv({}).exitCode, 1);
    ExpectRefused({"rendr"}, 1, "did you mean render");
}

TEST_F(Kvhost, ABandsGainBoostsASineAtItsFrequency) {
    // Band 1 sits at 1 kHz by default: a bell of +6 dB there, the other bands flat.
    const Audio in = ReadAudio(In());
    const Outcome run =
        Kv({"render", KVEQ_BUNDLE, "--in", In(), "--out", Path("boost.wav"), "--set", "Gain_0=6"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    // The summary: length, and the input's levels (a 0.25 sine: -12.04 dBFS peak, 3.01 dB less
    // RMS).
    for (const char* text :
         {"48000 at 48000 Hz, block 512", "1.000 s", "real-time factor",
          "peak in / out     -12.04 dBFS / ", "RMS in / out      -15.05 dBFS / "}) {
        EXPECT_NE(run.out.find(text), std::string::npos) << text << "\n" << run.out;
    }
    const Audio out = ReadAudio(Path("boost.wav"));
    ASSERT_EQ(out.frames, in.frames);
    ASSERT_EQ(out.channels, 2);
    EXPECT_EQ(out.rate, kRate);
    for (int c = 0; c < 2; ++c) {
        EXPECT_NEAR(RmsDb(out, c, kRate / 10) - RmsDb(in, c, kRate / 10), 6.0, 0.1);
    }
    // A cut at another frequency, after a preset: band 2 moved to 2 kHz with -12 dB.
    WriteSine(Path("two.wav"), 2000.0, 1.0, 0.25);
    const Audio two = ReadAudio(Path("two.wav"));
    const Audio cut =
        Render("cut.wav", {"--preset", "Flat", "--set", "Freq_1=2000", "--set", "Gain_1=-12"},
               Path("two.wav"));
    EXPECT_NEAR(RmsDb(cut, 0, kRate / 10) - RmsDb(two, 0, kRate / 10), -12.0, 0.15);
}

TEST_F(Kvhost, SetsApplyAfterThePresetInTheirOrder) {
    const Audio in = ReadAudio(In());
    const Audio warm = Render("warm.wav", {"--preset", "Warm Lows"});
    // The preset shapes the sound (its output gain alone is -1 dB).
    EXPECT_GT(std::abs(RmsDb(warm, 0, kRate / 10) - RmsDb(in, 0, kRate / 10)), 0.5);
    // Its output gain overridden: exactly 6 dB more than the preset's -1 dB; a later --set of
    // the same parameter wins.
    const Audio louder = Render(
        "louder.wav", {"--preset", "Warm Lows", "--set", "OutputGain=-3", "--set", "OutputGain=5"});
    EXPECT_NEAR(RmsDb(louder, 0, kRate / 10) - RmsDb(warm, 0, kRate / 10), 6.0, 0.02);
    // A discrete parameter takes its display text.
    const Audio shelf = Render(
        "shelf.wav", {"--set", "Type_0=Low Shelf", "--set", "Gain_0=6", "--set", "Freq_0=100"});
    EXPECT_NEAR(RmsDb(shelf, 0, kRate / 10) - RmsDb(in, 0, kRate / 10), 0.0, 0.5);
}

TEST_F(Kvhost, BypassAndFlatGiveTheInputBack) {
    const Audio in = ReadAudio(In());
    for (const auto& extra : std::vector<std::vector<std::string>>{
             {}, {"--set", "Bypass=1", "--set", "Gain_0=12"}, {"--preset", "Flat"}}) {
        const Audio out = Render("same.wav", extra);
        ASSERT_EQ(out.samples.size(), in.samples.size());
        for (std::size_t i = 0; i < in.samples.size(); ++i) {
            ASSERT_NEAR(out.samples[i], in.samples[i], 1e-6) << "sample " << i;
        }
    }
}

TEST_F(Kvhost, BlockSizesGiveTheSameOutput) {
    const std::vector<std::string> settings{"--set", "Gain_0=6", "--set", "Q_0=3"};
    const Audio reference = Render("b512.wav", settings);
    // The same block size again: the very same samples.
    EXPECT_EQ(Render("again.wav", settings).samples, reference.samples);
    // Other sizes: the EQ keeps its section states in float words between blocks, so a block
    // boundary rounds them; nothing else may differ (2e-6 is about -114 dBFS).
    for (const char* block : {"1", "64", "1000", "48000"}) {
        std::vector<std::string> args = settings;
        args.insert(args.end(), {"--block", block});
        const Audio out = Render("b.wav", args);
        ASSERT_EQ(out.samples.size(), reference.samples.size()) << block;
        float worst = 0.0F;
        for (std::size_t i = 0; i < out.samples.size(); ++i) {
            worst = std::max(worst, std::abs(out.samples[i] - reference.samples[i]));
        }
        EXPECT_LT(worst, 2e-6F) << "block " << block;
    }
}

TEST_F(Kvhost, RateConvertsBeforeProcessing) {
    const Audio in = ReadAudio(In());
    for (const int rate : {44100, 96000, 22050}) {
        const std::string leaf = "rate" + std::to_string(rate) + ".wav";
        const Audio out = Render(leaf, {"--rate", std::to_string(rate)});
        EXPECT_EQ(out.rate, rate);
        EXPECT_EQ(out.frames, std::llround(static_cast<double>(in.frames) * rate / kRate));
        // The converter keeps a 1 kHz tone's level.
        EXPECT_NEAR(RmsDb(out, 0, rate / 10), RmsDb(in, 0, kRate / 10), 0.1) << rate;
    }
    // The plug-in runs at the new rate: band 1's bell is still at 1 kHz.
    const Audio boosted = Render("rate_boost.wav", {"--rate", "44100", "--set", "Gain_0=6"});
    EXPECT_NEAR(RmsDb(boosted, 0, 4410) - RmsDb(in, 0, kRate / 10), 6.0, 0.15);
}

TEST_F(Kvhost, OutputFormatsFollowTheExtension) {
    for (const auto& [leaf, major] :
         std::vector<std::pair<std::string, int>>{{"o.flac", SF_FORMAT_FLAC},
                                                  {"o.aiff", SF_FORMAT_AIFF},
                                                  {"o.aif", SF_FORMAT_AIFF},
                                                  {"o.ogg", SF_FORMAT_OGG},
                                                  {"o.wav", SF_FORMAT_WAV}}) {
        const Audio out = Render(leaf, {});
        EXPECT_EQ(out.frames, kRate) << leaf;
        SF_INFO info{};
        SNDFILE* file = sf_open(Path(leaf).c_str(), SFM_READ, &info);
        ASSERT_NE(file, nullptr) << leaf;
        EXPECT_EQ(info.format & SF_FORMAT_TYPEMASK, major) << leaf;
        sf_close(file);
    }
}

TEST_F(Kvhost, BadInputIsRefusedOnOneLineAndLeavesNoOutput) {
    const std::string bundle = KVEQ_BUNDLE;
    const std::string out = Path("out.wav");
    const auto render = [&](std::vector<std::string> extra) {
        std::vector<std::string> args{"render", bundle, "--in", In(), "--out", out};
        args.insert(args.end(), extra.begin(), extra.end());
        return args;
    };
    // Bundles: missing, not a bundle, without its module, with a module that is no module.
    ExpectRefused({"render", Path("Missing.bundle"), "--in", In(), "--out", out}, 2,
                  "no such bundle");
    ExpectRefused({"info", tmp.Path()}, 2, "not a bundle");
    fs::create_directories(Path("Broken"));
    fs::copy(bundle, Path("Broken/KvEQ.bundle"), fs::copy_options::recursive);
    fs::remove(Path("Broken/KvEQ.bundle/Contents/Linux64/KvEQ.so"));
    ExpectRefused({"render", Path("Broken/KvEQ.bundle"), "--in", In(), "--out", out}, 2,
                  "corrupt bundle: no module");
    tmp.Write("Broken/KvEQ.bundle/Contents/Linux64/KvEQ.so", "not a shared object");
    ExpectRefused({"info", Path("Broken/KvEQ.bundle")}, 2, "cannot load the module");
    // A module without the creation function named after its bundle.
    fs::create_directories(Path("Renamed"));
    fs::copy(bundle, Path("Renamed/Other.bundle"), fs::copy_options::recursive);
    fs::rename(Path("Renamed/Other.bundle/Contents/Linux64/KvEQ.so"),
               Path("Renamed/Other.bundle/Contents/Linux64/Other.so"));
    ExpectRefused({"info", Path("Renamed/Other.bundle")}, 2,
                  "corrupt bundle: the module exports no Other_Create");
    fs::create_directories(Path("NoInfo"));
    fs::copy(bundle, Path("NoInfo/KvEQ.bundle"), fs::copy_options::recursive);
    fs::remove_all(Path("NoInfo/KvEQ.bundle/Contents/Resources/InfoXML"));
    ExpectRefused({"info", Path("NoInfo/KvEQ.bundle")}, 2, "corrupt bundle: [Not a plugin]");

    // Parameters: unknown (closest names suggested), out of range, malformed.
    ExpectRefused(render({"--set", "Gian_0=3"}), 2,
                  "Gian_0: no such parameter (did you mean Gain_0");
    ExpectRefused(render({"--set", "Gain_0=18.5"}), 2, "Gain_0=18.5: out of range -18 ... 18");
    ExpectRefused(render({"--set", "Freq_0=10"}), 2, "out of range 20 ... 20000");
    ExpectRefused(render({"--set", "Type_0=Notch"}), 2, "not a number nor one of Bell");
    ExpectRefused(render({"--set", "Gain_0"}), 1, "expected NAME=VALUE");
    ExpectRefused(render({"--preset", "Warm Low"}), 2,
                  "no such factory preset (did you mean Warm Lows");

    // Audio: unreadable input, unknown output format, the output being the input.
    tmp.Write("noise.wav", "RIFF but not really");
    ExpectRefused({"render", bundle, "--in", Path("noise.wav"), "--out", out}, 2,
                  "cannot read audio");
    ExpectRefused({"render", bundle, "--in", Path("none.wav"), "--out", out}, 2,
                  "cannot read audio");
    ExpectRefused({"render", bundle, "--in", In(), "--out", Path("out.mp9")}, 1,
                  "unknown output format");
    ExpectRefused({"render", bundle, "--in", In(), "--out", In()}, 2, "is the input file");
    fs::create_symlink(In(), Path("link.wav"));
    ExpectRefused({"render", bundle, "--in", In(), "--out", Path("link.wav")}, 2,
                  "is the input file");
    ExpectRefused({"render", bundle, "--in", In(), "--out", tmp.Path() + "/./in.wav"}, 2,
                  "is the input file");

    // Options: unknown, missing value, missing argument, bad numbers.
    ExpectRefused(render({"--bogus"}), 1, "--bogus: unknown option");
    ExpectRefused(render({"--block"}), 1, "--block: missing value");
    ExpectRefused(render({"--block", "0"}), 1, "--block 0");
    ExpectRefused(render({"--rate", "fast"}), 1, "--rate fast");
    ExpectRefused(render({"--rate", "1000"}), 2, "the converter cannot go");
    ExpectRefused({"render", bundle, "--in", In()}, 1, "missing --out");
    ExpectRefused({"render", bundle, "--out", out}, 1, "missing --in");
    ExpectRefused({"render", "--in", In(), "--out", out}, 1, "missing BUNDLE");

    // Automation: a script of the wrong shape is refused at its line and column, a lane of
    // an unknown parameter with the closest names, a value out of range before anything is
    // rendered.
    tmp.Write("sweep.yaml",
              "Gain_0:\n  - {time: 0s, value: 0}\n  - {time: 1s, value: 6, ramp: true}\n");
    ExpectRefused(render({"--automation", Path("sweep.yaml")}), 2, Path("sweep.yaml") + ":1:1");
    ExpectRefused(render({"--automation", Path("absent.yaml")}), 2,
                  "cannot read the automation script");
    tmp.Write("unknown.yaml", "- parameter: Gian_0\n  sweep: {from: 0, to: 6, end: 1s}\n");
    ExpectRefused(render({"--automation", Path("unknown.yaml")}), 2, "Gain_0");
    tmp.Write("range.yaml", "- parameter: Gain_0\n  sweep: {from: 0, to: 60, end: 1s}\n");
    ExpectRefused(render({"--automation", Path("range.yaml")}), 2, "Gain_0=60: out of range");
    tmp.Write("twice.yaml",
              "- parameter: Gain_0\n  sweep: {from: -6, to: 6, end: 1s}\n"
              "- parameter: gain_0\n  points:\n    - {time: 0, value: 0}\n");
    ExpectRefused(render({"--automation", Path("twice.yaml")}), 2,
                  "gain_0: a second lane for the parameter of lane Gain_0");
    EXPECT_FALSE(fs::exists(out));
}

TEST_F(Kvhost, AutomationMovesParametersAtBlockBoundaries) {
    const Audio in = ReadAudio(In());
    // The output gain jumps from -12 dB to 0 dB at 0.5 s, exactly on a block boundary.
    tmp.Write("jump.yaml",
              "- parameter: OutputGain\n  points:\n    - {time: 0, value: -12}\n"
              "    - {time: 24064 samples, value: 0}\n");
    const Audio jump = Render("jump.wav", {"--automation", Path("jump.yaml"), "--block", "512"});
    ASSERT_EQ(jump.frames, in.frames);
    double before = 0.0;
    double after = 0.0;
    for (sf_count_t f = 0; f < jump.frames; ++f) {
        const auto at = static_cast<std::size_t>(2 * f);
        const double ratio =
            std::abs(in.samples[at]) > 0.05 ? jump.samples[at] / in.samples[at] : 0;
        if (f < 24064 && ratio != 0) {
            before = std::max(before, ratio);
        } else if (ratio != 0) {
            after = std::max(after, ratio);
        }
    }
    EXPECT_NEAR(20.0 * std::log10(before), -12.0, 0.01);
    EXPECT_NEAR(20.0 * std::log10(after), 0.0, 0.01);

    // A ramp from -24 dB to 0 dB over the second: the level rises block by block.
    tmp.Write("ramp.yaml", "- parameter: OutputGain\n  sweep: {from: -24, to: 0, end: 1s}\n");
    const Audio ramp = Render("ramp.wav", {"--automation", Path("ramp.yaml")});
    auto blockPeak = [&](sf_count_t block) {
        float peak = 0.0F;
        for (sf_count_t f = block * 4800; f < (block + 1) * 4800; ++f) {
            peak = std::max(peak, std::abs(ramp.samples[static_cast<std::size_t>(2 * f)]));
        }
        return peak;
    };
    for (sf_count_t b = 1; b < 10; ++b) {
        EXPECT_GT(blockPeak(b), blockPeak(b - 1)) << "tenth " << b;
    }
    // Halfway, about -12 dB below the input's 0.25 peak.
    EXPECT_NEAR(20.0 * std::log10(blockPeak(5) / 0.25), -12.0 + 1.2, 1.5);
}

TEST_F(Kvhost, GenerateWritesTheSameSweepEveryTime) {
    const Outcome run = Kv({"generate", Path("a.wav"), "--seconds", "2", "--rate", "44100"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const Audio a = ReadAudio(Path("a.wav"));
    EXPECT_EQ(a.frames, 88200);
    EXPECT_EQ(a.rate, 44100);
    ASSERT_EQ(a.channels, 2);
    float peak = 0.0F;
    for (const float s : a.samples) {
        peak = std::max(peak, std::abs(s));
    }
    // The sweep's -12 dBFS with the noise on top, never more.
    EXPECT_GT(peak, 0.24F);
    EXPECT_LT(peak, 0.27F);
    // The channels share the sweep and differ by their noise.
    EXPECT_NE(a.samples[2000], a.samples[2001]);
    EXPECT_NEAR(a.samples[2000], a.samples[2001], 0.04);
    // The sweep rises: zero crossings are far denser in the last tenth than in the first.
    auto crossings = [&](sf_count_t from, sf_count_t to) {
        int count = 0;
        for (sf_count_t f = from + 1; f < to; ++f) {
            const float x = a.samples[static_cast<std::size_t>(2 * (f - 1))];
            const float y = a.samples[static_cast<std::size_t>(2 * f)];
            count += (x < -0.05F && y >= -0.05F) ? 1 : 0;
        }
        return count;
    };
    EXPECT_GT(crossings(79380, 88200), 20 * crossings(0, 8820));
    const Outcome again = Kv({"generate", Path("b.wav"), "--seconds", "2", "--rate", "44100"});
    ASSERT_EQ(again.exitCode, 0) << again.err;
    EXPECT_EQ(ReadAll(Path("a.wav")), ReadAll(Path("b.wav")));

    ExpectRefused({"generate", Path("c.mp3")}, 1, "unknown audio format");
    ExpectRefused({"generate", Path("c.wav"), "--seconds", "0"}, 1, "--seconds 0");
    ExpectRefused({"generate", Path("c.wav"), "--channels", "9"}, 1, "--channels 9");
    ExpectRefused({"generate"}, 1, "missing OUT");
}

TEST_F(Kvhost, GuiWritesThePictureOfTheWindow) {
    const Outcome dark = Kv({"gui", KVEQ_BUNDLE, "--png", Path("dark.png")});
    ASSERT_EQ(dark.exitCode, 0) << dark.err;
    const Outcome light = Kv(
        {"gui", KVEQ_BUNDLE, "--png", Path("light.png"), "--skin", "Light", "--set", "Gain_1=9"});
    ASSERT_EQ(light.exitCode, 0) << light.err;
    for (const char* leaf : {"dark.png", "light.png"}) {
        const std::string png = ReadAll(Path(leaf));
        ASSERT_GT(png.size(), 24U);
        EXPECT_EQ(png.substr(1, 3), "PNG");
        // IHDR: width and height, big-endian, at bytes 16 and 20; the window is 600 x 360.
        const auto word = [&png](std::size_t at) {
            return (static_cast<unsigned>(static_cast<unsigned char>(png[at])) << 24U) |
                   (static_cast<unsigned>(static_cast<unsigned char>(png[at + 1])) << 16U) |
                   (static_cast<unsigned>(static_cast<unsigned char>(png[at + 2])) << 8U) |
                   static_cast<unsigned>(static_cast<unsigned char>(png[at + 3]));
        };
        EXPECT_EQ(word(16), 600U) << leaf;
        EXPECT_EQ(word(20), 360U) << leaf;
    }
    EXPECT_NE(ReadAll(Path("dark.png")), ReadAll(Path("light.png")));
    // A preset moves the knobs.
    const Outcome warm =
        Kv({"gui", KVEQ_BUNDLE, "--png", Path("warm.png"), "--preset", "Warm Lows"});
    ASSERT_EQ(warm.exitCode, 0) << warm.err;
    EXPECT_NE(ReadAll(Path("warm.png")), ReadAll(Path("dark.png")));
    ExpectRefused({"gui", KVEQ_BUNDLE, "--png", Path("x.png"), "--preset", "Warm Highs"}, 2,
                  "Warm Lows");
    ExpectRefused({"gui", KVEQ_BUNDLE, "--png", Path("x.png"), "--skin", "Sepia"}, 2,
                  "no such skin (skins: Dark, Light, Studio)");
    ExpectRefused({"gui", KVEQ_BUNDLE}, 1, "missing --png");
}

TEST_F(Kvhost, PresetsAreListedShownSavedAndLoaded) {
    const Outcome list = Kv({"presets", KVEQ_BUNDLE, "list"});
    ASSERT_EQ(list.exitCode, 0) << list.err;
    EXPECT_NE(list.out.find("Factory presets\n  Flat\n  Warm Lows\n  Bright Air\n  Rumble Cut\n"),
              std::string::npos)
        << list.out;

    const Outcome show = Kv({"presets", KVEQ_BUNDLE, "show", "Warm Lows"});
    ASSERT_EQ(show.exitCode, 0) << show.err;
    EXPECT_NE(show.out.find("Type_0      1      Low Shelf"), std::string::npos) << show.out;
    EXPECT_NE(show.out.find("OutputGain  -1     -1.0 dB"), std::string::npos) << show.out;

    // Saved by name into the preset folder, then found by that name.
    const Outcome save = Kv({"presets", KVEQ_BUNDLE, "save", "Mine", "--set", "Gain_2=4.5"});
    ASSERT_EQ(save.exitCode, 0) << save.err;
    EXPECT_TRUE(fs::exists(data.Path("shared/Korvane Audio/Plug-In Settings/Mine.xps")));
    const Outcome again = Kv({"presets", KVEQ_BUNDLE, "show", "Mine"});
    ASSERT_EQ(again.exitCode, 0) << again.err;
    EXPECT_NE(again.out.find("Gain_2      4.5    4.5 dB"), std::string::npos) << again.out;
    EXPECT_NE(Kv({"presets", KVEQ_BUNDLE, "list"}).out.find("Mine.xps"), std::string::npos);

    // Saved to a path; loading it tells what changed, and it drives a render.
    const Outcome saved = Kv({"presets", KVEQ_BUNDLE, "save", Path("loud.xps"), "--preset", "Flat",
                              "--set", "OutputGain=6"});
    ASSERT_EQ(saved.exitCode, 0) << saved.err;
    const Outcome load = Kv({"presets", KVEQ_BUNDLE, "load", Path("loud.xps")});
    ASSERT_EQ(load.exitCode, 0) << load.err;
    const auto line = load.out.find("\n  OutputGain ");
    ASSERT_NE(line, std::string::npos) << load.out;
    const std::string changed = load.out.substr(line + 1, load.out.find('\n', line + 1) - line);
    EXPECT_NE(changed.find("0.0 dB"), std::string::npos) << changed;
    EXPECT_NE(changed.find("6.0 dB"), std::string::npos) << changed;
    EXPECT_EQ(load.out.find("Gain_0"), std::string::npos) << load.out;
    const Audio in = ReadAudio(In());
    const Audio loud = Render("loud.wav", {"--preset", Path("loud.xps")});
    EXPECT_NEAR(RmsDb(loud, 0, kRate / 10) - RmsDb(in, 0, kRate / 10), 6.0, 0.02);

    ExpectRefused({"presets", KVEQ_BUNDLE, "show", "Nope"}, 2, "no such factory preset");
    ExpectRefused({"presets", KVEQ_BUNDLE, "load", Path("nope.xps")}, 2, "no such preset file");
    ExpectRefused({"presets", KVEQ_BUNDLE, "lsit"}, 1, "did you mean list");
}

TEST_F(Kvhost, ScanPrintsAcceptsAndRejectsWithReasons) {
    fs::create_directories(Path("Plugins"));
    fs::copy(KVEQ_BUNDLE, Path("Plugins/KvEQ.bundle"), fs::copy_options::recursive);
    fs::copy(KVEQ_BUNDLE, Path("Plugins/Hollow.bundle"), fs::copy_options::recursive);
    fs::remove_all(Path("Plugins/Hollow.bundle/Contents/Resources/InfoXML"));
    const Outcome run = Kv({"scan", Path("Plugins")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("Accepted (1 components)"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("KvEQ.bundle  KvEQ  ster      Korvane EQ  KvEQ-ster-Kvne"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("Hollow.bundle  [Not a plugin]"), std::string::npos) << run.out;
    ExpectRefused({"scan", Path("Nowhere")}, 2, "not a folder");
}

}  // namespace
