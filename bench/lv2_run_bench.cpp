// The example EQ as an LV2 host runs it: its LV2 module opened by path, one instance at 48 kHz,
// sixty seconds of stereo audio through run() block by block with band 1's gain port changed
// before every block, against the EQ's four sections as a plain loop (the limit).
#include "bench/eq_render_bench.h"
#include "host/lv2/lv2_plugin.h"

#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <lv2/core/lv2.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using namespace KorvaneBench::EqRender;

// The EQ's LV2 module and one instance of it, every port connected.
class Lv2Instance {
public:
    Lv2Instance() = default;
    Lv2Instance(const Lv2Instance&) = delete;
    Lv2Instance& operator=(const Lv2Instance&) = delete;
    ~Lv2Instance() {
        if (m_handle != nullptr) {
            m_descriptor->deactivate(m_handle);
            m_descriptor->cleanup(m_handle);
        }
        if (m_module != nullptr) {
            dlclose(m_module);
        }
    }

    // The instance with its control ports at their initial values, active; false when any step
    // fails. `gainPort` is band 1's gain's port index afterwards.
    bool Open() {
        KorvaneLv2::Lv2Plugin reference;
        if (!reference.Open(std::string(KVEQ_LV2_BUNDLE) + "/KvEQ.bundle", kRate).empty() ||
            reference.NumInputs() != 2 || reference.NumOutputs() != 2) {
            return false;
        }
        const auto& controls = reference.Controls();
        m_firstControl = static_cast<std::uint32_t>(reference.NumInputs() + reference.NumOutputs());
        for (std::size_t i = 0; i < controls.size(); ++i) {
            m_controls.push_back(static_cast<float>(controls[i].initial));
            if (controls[i].symbol == "band_1") {
                m_gainPort = m_firstControl + static_cast<std::uint32_t>(i);
            }
        }
        if (m_gainPort == 0) {
            return false;
        }
        m_reported.assign(controls.size(), 0.0F);

        m_module =
            dlopen((std::string(KVEQ_LV2_BUNDLE) + "/KvEQ_lv2.so").c_str(), RTLD_NOW | RTLD_LOCAL);
        if (m_module == nullptr) {
            return false;
        }
        const auto entry =
            reinterpret_cast<LV2_Descriptor_Function>(dlsym(m_module, "lv2_descriptor"));
        m_descriptor = entry != nullptr ? entry(0) : nullptr;
        if (m_descriptor == nullptr) {
            return false;
        }
        const LV2_Feature* const features[] = {nullptr};
        m_handle = m_descriptor->instantiate(m_descriptor, kRate, KVEQ_LV2_BUNDLE, features);
        if (m_handle == nullptr) {
            return false;
        }
        // Ports: audio in, audio out, the controls' inputs, their outputs, the latency output.
        const auto numControls = static_cast<std::uint32_t>(m_controls.size());
        for (std::uint32_t i = 0; i < numControls; ++i) {
            m_descriptor->connect_port(m_handle, m_firstControl + i, &m_controls[i]);
            m_descriptor->connect_port(m_handle, m_firstControl + numControls + i, &m_reported[i]);
        }
        m_descriptor->connect_port(m_handle, m_firstControl + 2 * numControls, &m_latency);
        m_descriptor->activate(m_handle);
        return true;
    }

    // Band 1's gain port, the value the plug-in last reported for it (its output port), and one
    // block of audio run through the instance.
    void SetGain(double db) { m_controls[m_gainPort - m_firstControl] = static_cast<float>(db); }
    [[nodiscard]] float ReportedGain() const { return m_reported[m_gainPort - m_firstControl]; }
    void Run(const float* left, const float* right, float* outLeft, float* outRight) {
        m_descriptor->connect_port(m_handle, 0, const_cast<float*>(left));
        m_descriptor->connect_port(m_handle, 1, const_cast<float*>(right));
        m_descriptor->connect_port(m_handle, 2, outLeft);
        m_descriptor->connect_port(m_handle, 3, outRight);
        m_descriptor->run(m_handle, kBlock);
    }

private:
    void* m_module = nullptr;
    const LV2_Descriptor* m_descriptor = nullptr;
    LV2_Handle m_handle = nullptr;
    std::vector<float> m_controls;
    std::vector<float> m_reported;
    float m_latency = 0.0F;
    std::uint32_t m_firstControl = 0;
    std::uint32_t m_gainPort = 0;
};

void ThroughLv2(benchmark::State& state) {
    Lv2Instance instance;
    if (!instance.Open()) {
        state.SkipWithError("the EQ's LV2 instance could not be set up");
        return;
    }
    const Source& source = TheSource();
    Output out;
    std::size_t block = 0;  // runs on across iterations, so the ramp never repeats a value
    // Changes the plug-in applied, as its output port shows them: blocks come faster here than
    // in real time, and the control thread applies the latest value of a port, not each one.
    std::size_t applied = 0;
    float reported = instance.ReportedGain();
    for (auto _ : state) {
        for (std::size_t start = 0; start < kFrames; start += kBlock, ++block) {
            instance.SetGain(RampDb(block));
            instance.Run(source.left.data() + start, source.right.data() + start,
                         out.left.data() + start, out.right.data() + start);
            if (instance.ReportedGain() != reported) {
                reported = instance.ReportedGain();
                ++applied;
            }
        }
        benchmark::DoNotOptimize(out.left.data());
        benchmark::DoNotOptimize(out.right.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kFrames));
    state.counters["applied_per_block"] =
        static_cast<double>(applied) /
        static_cast<double>(state.iterations() * static_cast<std::int64_t>(kFrames / kBlock));
}

// The process's CPU time: the instance's control thread, which applies the changes, counts too.
BENCHMARK(ThroughLv2)
    ->Name("lv2.run_eq_60s_stereo_48k/korvane")
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();
BENCHMARK(PlainLoop)
    ->Name("lv2.run_eq_60s_stereo_48k/limit:plain_biquad_loop")
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();

}  // namespace
