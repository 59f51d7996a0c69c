// One idle tick of 64 meters — the batched read through the reference host, peak and release
// of each meter, the trim proposal — against a plain loop doing the same arithmetic over the
// same states held in a local array (the limit: no host, no buffer, no listener).
#include "host/reference_host.h"

#include "korvane/algorithm/meter_manager.h"
#include "korvane/algorithm/testing/meter_test_algorithm.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {

using kvKorvaneV10_0_3::BUFFER_HEADER;
using kvKorvaneV10_0_3::KCMeterManager;
using kvKorvaneV10_0_3::test_support::MeterTestAlgorithm;
namespace PM = kvKorvaneV10_0_3::ProcessMemory;

constexpr unsigned int kMeters = 64;

std::vector<unsigned int> Offsets() {
    std::vector<unsigned int> offsets;
    for (unsigned int i = 0; i < kMeters; ++i) {
        offsets.push_back(i);
    }
    return offsets;
}

// Auto-trim on every meter and a release on every display, so each tick does all the work.
void Prepare(MeterTestAlgorithm& alg) {
    KCMeterManager& meters = alg.GetMeterManager();
    for (unsigned int i = 0; i < meters.GetNumMeters(); ++i) {
        meters.GetExtensionMeter(i)->SetReleaseCoefs(0.9, 0.99);
        (void)meters.AutoTrimRegister(i, 12.0);
    }
}

void Tick(MeterTestAlgorithm& alg, int n) {
    alg.nowMs += 16.0;  // a 60 Hz idle timer
    // Levels move every tick, so each display releases.
    KCMeterManager& meters = alg.GetMeterManager();
    meters.ReadFromDSP();
    if ((n & 1) != 0) {
        meters.ResetAllValue();
    }
    meters.UpdateDisplay();
}

void MetersThroughHost(benchmark::State& state) {
    KorvaneHost::ReferenceHost host;
    MeterTestAlgorithm alg(Offsets());
    if (host.SizeSpace(PM::eStatesSpace, kMeters) != kvKorvaneV10_0_3::eNoErr ||
        host.SizeSpace(PM::eCoefsSpace, MeterTestAlgorithm::kCount) != kvKorvaneV10_0_3::eNoErr) {
        state.SkipWithError("the host refused the spaces");
        return;
    }
    for (unsigned int i = 0; i < kMeters; ++i) {
        (void)host.WriteDouble(PM::eStatesSpace, static_cast<int>(i), 0.01 * (i + 1));
    }
    alg.SetExecCallBack(KorvaneHost::ReferenceHost::Callback(), host.Refcon());
    alg.FinishCreate();
    alg.InitData();
    Prepare(alg);
    int n = 0;
    for (auto _ : state) {
        Tick(alg, ++n);
    }
    benchmark::DoNotOptimize(alg.GetMeterManager().AutoTrimGet());
    state.SetItemsProcessed(state.iterations() * kMeters);
}
BENCHMARK(MetersThroughHost)->Name("meters.idle_tick_64/korvane");

// The library's share alone: a host callback that hands out one static buffer holding the
// states and accepts every execution, so no host work is measured.
int MinimalHost(int selector, int /*refcon*/, void* a, void* /*b*/, void* c) {
    static BUFFER_HEADER header;
    static float data[kMeters] = {};
    if (selector == PM::eSelNewBuffer) {
        header = *static_cast<BUFFER_HEADER*>(a);
        header.data = data;
        *static_cast<BUFFER_HEADER**>(c) = &header;
        return 0;
    }
    return selector <= PM::eSelFreeChain ? 0 : -1;
}

void MetersLibraryOnly(benchmark::State& state) {
    MeterTestAlgorithm alg(Offsets());
    alg.SetExecCallBack(MinimalHost, 0);
    alg.FinishCreate();
    alg.InitData();
    Prepare(alg);
    int n = 0;
    for (auto _ : state) {
        Tick(alg, ++n);
    }
    benchmark::DoNotOptimize(alg.GetMeterManager().AutoTrimGet());
    state.SetItemsProcessed(state.iterations() * kMeters);
}
BENCHMARK(MetersLibraryOnly)->Name("meters.idle_tick_64/korvane_library_only");

struct PlainMeter {
    double value = 0;
    double peak = 0;
    double shown = 0;
    double last = 0;
};

void MetersPlainLoop(benchmark::State& state) {
    std::vector<float> states(kMeters);
    for (unsigned int i = 0; i < kMeters; ++i) {
        states[i] = static_cast<float>(0.01 * (i + 1));
    }
    std::vector<PlainMeter> meters(kMeters);
    const double low = std::pow(10.0, -12.0 / 20.0);
    const double high = std::pow(10.0, 12.0 / 20.0);
    const double floor = std::pow(10.0, -144.0 / 20.0);
    double now = 1000.0;
    double trim = 0.0;
    int n = 0;
    for (auto _ : state) {
        now += 16.0;
        benchmark::DoNotOptimize(states.data());
        for (unsigned int i = 0; i < kMeters; ++i) {
            PlainMeter& m = meters[i];
            m.value = states[i];
            m.peak = std::max(m.peak, m.value);
        }
        if ((++n & 1) != 0) {
            for (PlainMeter& m : meters) {
                m.value = floor;
                m.shown = floor;
            }
        }
        double loudest = -1.0;
        for (PlainMeter& m : meters) {
            if (std::fabs(m.value - m.shown) > 0.0001) {
                const double coef = m.value > m.shown ? 0.9 : 0.99;
                const double k = std::clamp(std::pow(coef, std::max(now - m.last, 0.0)),
                                            std::numeric_limits<double>::min(), 1.0);
                m.last = now;
                m.shown += (m.value - m.shown) * k;
            }
            const double top = std::max(m.peak, loudest);
            loudest = top < low ? low : std::min(high, top);
        }
        trim = -20.0 * std::log10(loudest);
        benchmark::DoNotOptimize(trim);
    }
    state.SetItemsProcessed(state.iterations() * kMeters);
}
BENCHMARK(MetersPlainLoop)->Name("meters.idle_tick_64/plain_loop_limit");

}  // namespace
