// Sixty seconds of stereo 48 kHz audio through the example EQ's four bands, three ways in one
// run: the library's path (the EQ created on the reference host, one band's gain ramped every
// block through the real-world entry, its chain posted and applied before the block), the same
// four sections in a plain loop with fixed coefficients (the limit), and sox applying four
// equalizer bands to the same audio read from a WAV file (a peer, timed as a child process).
#include "bench/eq_render_bench.h"
#include "examples/eq/kv_eq.h"
#include "examples/eq/kv_eq_process.h"
#include "host/reference_host.h"
#include "korvane/fm/path.h"
#include "korvane/rm/resource_manager.h"

#include <benchmark/benchmark.h>

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;  // NOLINT(readability-redundant-declaration): posix_spawn's argument

namespace {

using namespace kvKorvaneV10_0_3;
using kvexample::KvEQ;
namespace PM = ProcessMemory;
using namespace KorvaneBench::EqRender;

// Four audible bells; band 1's gain is the one automated (from -10 to +2 dB and back, its fixed
// value -4 dB in the middle), the others stay put.
struct BandSetting {
    double freq;
    double gainDb;
    double q;
};
constexpr BandSetting kSettings[KvEQ::kBands] = {
    {120.0, 4.0, 0.7}, {500.0, -4.0, 1.0}, {2500.0, 3.0, 1.4}, {8000.0, 5.0, 0.7}};
constexpr unsigned int kRampBand = 1;

// The EQ from its module's container on a reference host, as a host sets it up, with the
// bands at kSettings and every chain applied.
class EQOnHost {
public:
    EQOnHost() = default;
    EQOnHost(const EQOnHost&) = delete;
    EQOnHost& operator=(const EQOnHost&) = delete;
    ~EQOnHost() {
        // Clean-up of a finished measurement: failures change no result.
        m_eq.reset();
        if (m_container != nullptr) {
            (void)RM::CloseResContainer(m_container);
        }
        if (m_managerStarted) {
            (void)RM::Dispose();
        }
    }

    // False when any step fails.
    bool Open() {
        if (RM::Init(0x200, "KorvaneLib") != eNoErr) {
            return false;
        }
        m_managerStarted = true;
        if (RM::OpenResContainer(FM::KCStPath(KVEQ_MODULE), 0, m_container) != eNoErr) {
            return false;
        }
        KorvaneComponentInfo info;
        info.componentType = KCFourCC("KvEQ");
        info.componentSubType = KCFourCC("ster");
        m_eq = std::make_unique<KvEQ>(info, m_container);
        m_eq->SetExecCallBack(KorvaneHost::ReferenceHost::Callback(), m_host.Refcon());
        if (m_eq->FinishCreate() != 0 || m_eq->InitProcessCode() != 0 ||
            m_host.SizeSpace(PM::eCoefsSpace, static_cast<int>(m_eq->GetCoefsNum())) != eNoErr ||
            m_host.SizeSpace(PM::eStatesSpace, static_cast<int>(m_eq->GetStatesNum())) != eNoErr) {
            return false;
        }
        m_eq->InitData();
        m_eq->InitInstanceData();
        m_eq->SetSampleRate(kRate);
        m_eq->InitAlg(true);
        if (m_host.LoadNativeProcess(RM::GetHMODULE(m_container),
                                     m_eq->GetProcessFuncName().c_str(), m_eq->GetNumInputs(),
                                     m_eq->GetNumOutputs()) != eNoErr) {
            return false;
        }
        for (unsigned int band = 0; band < KvEQ::kBands; ++band) {
            const BandSetting& s = kSettings[band];
            if (!Post(KvEQ::kType + band, KvEQ::kBell) || !Post(KvEQ::kFreq + band, s.freq) ||
                !Post(KvEQ::kGain + band, s.gainDb) || !Post(KvEQ::kQ + band, s.q) ||
                !Post(KvEQ::kOn + band, 1.0)) {
                return false;
            }
        }
        (void)m_host.ProcessBlock();
        return m_host.PendingChains() == 0;
    }

    // Sets a parameter as automation would and posts its chain; false when the post fails.
    // `changed` tells whether the EQ built a chain at all.
    bool Post(unsigned int index, double realWorld, bool* changed = nullptr) {
        BUFFER_HEADER* chain = m_eq->UpdateParamRequestRealWorld(index, realWorld);
        if (changed != nullptr) {
            *changed = chain != nullptr;
        }
        return chain == nullptr || m_eq->SendAndFreeBuffers(chain, PM::eSelPostChain, true) == 0;
    }

    KorvaneHost::ReferenceHost& Host() { return m_host; }

private:
    KorvaneHost::ReferenceHost m_host;
    KTResContainerType* m_container = nullptr;
    std::unique_ptr<KvEQ> m_eq;
    bool m_managerStarted = false;
};

void ThroughLibrary(benchmark::State& state) {
    EQOnHost eq;
    if (!eq.Open()) {
        state.SkipWithError("the EQ could not be set up on the host");
        return;
    }
    const Source& source = TheSource();
    Output out;
    std::size_t block = 0;  // runs on across iterations, so the ramp never repeats a value
    for (auto _ : state) {
        std::size_t changes = 0;
        for (std::size_t start = 0; start < kFrames; start += kBlock, ++block) {
            bool changed = false;
            if (!eq.Post(KvEQ::kGain + kRampBand, RampDb(block), &changed)) {
                state.SkipWithError("posting the gain's chain failed");
                return;
            }
            changes += changed ? 1 : 0;
            const float* ins[2] = {source.left.data() + start, source.right.data() + start};
            float* outs[2] = {out.left.data() + start, out.right.data() + start};
            if (eq.Host().ProcessAudio(ins, outs, kBlock) != eNoErr) {
                state.SkipWithError("processing failed");
                return;
            }
        }
        // Every block must have carried new coefficients, or the case measures less than it says.
        if (changes != kFrames / kBlock) {
            state.SkipWithError("a block went without a coefficient change");
            return;
        }
        benchmark::DoNotOptimize(out.left.data());
        benchmark::DoNotOptimize(out.right.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kFrames));
}

}  // namespace

namespace KorvaneBench::EqRender {
namespace {

// The limit: the sections the EQ runs (transposed direct form II in double precision within a
// block, float coefficients and states between blocks), written as a plain loop.
void PlainSections(const float* k, float* states, const float* in, float* out, int frames) {
    double s1[kvexample::kEQBands];
    double s2[kvexample::kEQBands];
    for (int band = 0; band < kvexample::kEQBands; ++band) {
        s1[band] = states[2 * band];
        s2[band] = states[2 * band + 1];
    }
    const double gain = k[kvexample::kEQOutputGainCoef];
    for (int i = 0; i < frames; ++i) {
        double x = in[i];
        for (int band = 0; band < kvexample::kEQBands; ++band) {
            const float* c = k + band * kvexample::kEQCoefsPerBand;
            const double y = c[0] * x + s1[band];
            s1[band] = c[1] * x - c[3] * y + s2[band];
            s2[band] = c[2] * x - c[4] * y;
            x = y;
        }
        out[i] = static_cast<float>(x * gain);
    }
    for (int band = 0; band < kvexample::kEQBands; ++band) {
        states[2 * band] = static_cast<float>(s1[band]);
        states[2 * band + 1] = static_cast<float>(s2[band]);
    }
}

}  // namespace

void PlainLoop(benchmark::State& state) {
    // The coefficients the library delivers for the fixed settings, read back from the host.
    std::vector<float> coefs(kvexample::kEQCoefCount);
    {
        EQOnHost eq;
        if (!eq.Open()) {
            state.SkipWithError("the EQ could not be set up on the host");
            return;
        }
        for (int i = 0; i < kvexample::kEQCoefCount; ++i) {
            const auto value = eq.Host().ReadCoefficient(i);
            if (!value) {
                state.SkipWithError("a coefficient could not be read");
                return;
            }
            coefs[static_cast<std::size_t>(i)] = static_cast<float>(*value);
        }
    }
    const Source& source = TheSource();
    Output out;
    std::vector<float> states(kvexample::kEQStateCount, 0.0F);
    constexpr int perChannel = kvexample::kEQBands * kvexample::kEQStatesPerBand;
    for (auto _ : state) {
        for (std::size_t start = 0; start < kFrames; start += kBlock) {
            PlainSections(coefs.data(), states.data(), source.left.data() + start,
                          out.left.data() + start, kBlock);
            PlainSections(coefs.data(), states.data() + perChannel, source.right.data() + start,
                          out.right.data() + start, kBlock);
        }
        benchmark::DoNotOptimize(out.left.data());
        benchmark::DoNotOptimize(out.right.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kFrames));
}

}  // namespace KorvaneBench::EqRender

namespace {

// --- The peer -------------------------------------------------------------------------------

void PutLE(std::string& bytes, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) {
        bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFFU));
    }
}

// The source as a 32-bit float stereo WAV file in the temporary folder, removed again at the
// end of the measurement.
class SourceWav {
public:
    SourceWav() {
        const Source& source = TheSource();
        m_path = std::filesystem::temp_directory_path() /
                 ("korvane_render_bench_" + std::to_string(::getpid()) + ".wav");
        constexpr std::uint32_t dataBytes = kFrames * 2 * sizeof(float);
        std::string header;
        header += "RIFF";
        PutLE(header, 4 + 26 + 12 + 8 + dataBytes, 4);
        header += "WAVEfmt ";
        PutLE(header, 18, 4);
        PutLE(header, 3, 2);  // IEEE float
        PutLE(header, 2, 2);
        PutLE(header, kRate, 4);
        PutLE(header, kRate * 2 * sizeof(float), 4);
        PutLE(header, 2 * sizeof(float), 2);
        PutLE(header, 32, 2);
        PutLE(header, 0, 2);
        header += "fact";
        PutLE(header, 4, 4);
        PutLE(header, kFrames, 4);
        header += "data";
        PutLE(header, dataBytes, 4);
        std::vector<float> interleaved(2 * kFrames);
        for (std::size_t n = 0; n < kFrames; ++n) {
            interleaved[2 * n] = source.left[n];
            interleaved[2 * n + 1] = source.right[n];
        }
        std::ofstream out(m_path, std::ios::binary);
        out.write(header.data(), static_cast<std::streamsize>(header.size()));
        // The machine is little-endian, as the format is.
        out.write(reinterpret_cast<const char*>(interleaved.data()),
                  static_cast<std::streamsize>(interleaved.size() * sizeof(float)));
        m_written = static_cast<bool>(out);
    }
    SourceWav(const SourceWav&) = delete;
    SourceWav& operator=(const SourceWav&) = delete;
    ~SourceWav() {
        std::error_code ignored;
        std::filesystem::remove(m_path, ignored);
    }

    [[nodiscard]] bool Written() const { return m_written; }
    [[nodiscard]] const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
    bool m_written = false;
};

std::string Number(double value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return {text, result.ptr};
}

// sox reading the WAV file, four equalizer bands with the EQ's fixed settings, no dither, the
// result discarded (-n). Returns the child's exit status; its CPU time and the wall time.
int RunSox(const std::filesystem::path& wav, double& cpuSeconds, double& wallSeconds) {
    std::vector<std::string> args = {"sox", "-q", "-D", wav.string(), "-n"};
    for (const BandSetting& s : kSettings) {
        args.insert(args.end(), {"equalizer", Number(s.freq), Number(s.q) + "q", Number(s.gainDb)});
    }
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, "sox", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        return -1;
    }
    int status = 0;
    rusage usage{};
    if (::wait4(pid, &status, 0, &usage) != pid) {
        return -1;
    }
    wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
    };
    cpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void Sox(benchmark::State& state) {
    const SourceWav wav;
    if (!wav.Written()) {
        state.SkipWithError("the WAV file could not be written");
        return;
    }
    double cpuTotal = 0.0;
    for (auto _ : state) {
        double cpu = 0.0;
        double wall = 0.0;
        if (RunSox(wav.Path(), cpu, wall) != 0) {
            state.SkipWithError("sox did not run (is it installed?)");
            return;
        }
        cpuTotal += cpu;
        state.SetIterationTime(wall);
    }
    // The ratio table takes this in place of the benchmark's own CPU time, which is only the
    // waiting parent's.
    state.counters["child_cpu_s"] =
        benchmark::Counter(cpuTotal, benchmark::Counter::kAvgIterations);
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kFrames));
}

BENCHMARK(ThroughLibrary)->Name("render.eq_60s_stereo_48k/korvane")->Unit(benchmark::kMillisecond);
BENCHMARK(PlainLoop)
    ->Name("render.eq_60s_stereo_48k/limit:plain_biquad_loop")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(Sox)
    ->Name("render.eq_60s_stereo_48k/sox_equalizer_x4")
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime();

}  // namespace
