// An EQ curve of 10 bands on a 1000-point axis when one band changes: the incremental cascade
// curve against recomputing every band at every point (the naive peer) and against evaluating
// only the changed band at every point (the limit).
#include "korvane/graphs/eq_curve.h"
#include "korvane/graphs/filter_design.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

using namespace kvKorvaneV10_0_3;

constexpr int kPoints = 1000;
constexpr int kBands = 10;
constexpr int kRate = 48000;
constexpr double kFreqs[kBands] = {40, 90, 200, 450, 1000, 2200, 4800, 8000, 12000, 16000};

struct LogFrequency {
    double StateToRealWorld(double state) const { return 20.0 * std::pow(1000.0, state / 1000.0); }
};

// Ten bells with their caches on one axis, the curve computed once.
struct Eq {
    std::vector<KCPoint2D<float>> points = std::vector<KCPoint2D<float>>(kPoints);
    std::vector<TKorvaneComplex<double>> z1 = std::vector<TKorvaneComplex<double>>(kPoints);
    std::vector<TKorvaneComplex<double>> z2 = std::vector<TKorvaneComplex<double>>(kPoints);
    std::vector<std::int16_t> caches = std::vector<std::int16_t>(kPoints * kBands);
    BIQUAD bands[kBands];

    Eq() {
        KUInit_ZPlain_Axes(kPoints, points.data(), LogFrequency{}, z1.data(), z2.data(), kRate,
                           0.0);
        for (int i = 0; i < kBands; ++i) {
            ComputeMitraBiquad(true, kFreqs[i], 3.0, (i % 2 != 0 ? -6.0 : 6.0), bands[i], kRate);
            bands[i].curve = &caches[i * kPoints];
            bands[i].position = static_cast<std::int32_t>(
                std::lround(1000.0 * std::log(kFreqs[i] / 20.0) / std::log(1000.0)));
        }
        Compute_Eq_Curve(kPoints, kBands, bands, points.data(), z1.data(), z2.data(), 10.0);
    }

    // The user moves band i's gain: a new design, its cached curve invalid.
    BIQUAD& Change(std::int64_t iteration) {
        BIQUAD& bq = bands[iteration % kBands];
        const double gain = (iteration / kBands) % 2 != 0 ? 4.5 : 7.5;
        ComputeMitraBiquad(true, kFreqs[iteration % kBands], 3.0, gain, bq, kRate);
        return bq;
    }
};

double Level(const Eq& eq, const BIQUAD& bq, int k) {
    return 10.0 * std::log10(std::max(BiquadSqMag(eq.z1[k], eq.z2[k], bq), 1e-10));
}

void Incremental(benchmark::State& state) {
    Eq eq;
    std::int64_t i = 0;
    for (auto _ : state) {
        eq.Change(i++);
        Compute_Eq_Curve(kPoints, kBands, eq.bands, eq.points.data(), eq.z1.data(), eq.z2.data(),
                         10.0);
        benchmark::DoNotOptimize(eq.points.data());
        benchmark::ClobberMemory();
    }
}

void EveryBandEveryPoint(benchmark::State& state) {
    Eq eq;
    std::int64_t i = 0;
    for (auto _ : state) {
        eq.Change(i++);
        for (int k = 0; k < kPoints; ++k) {
            double y = 0.0;
            for (const BIQUAD& bq : eq.bands) {
                y += Level(eq, bq, k);
            }
            eq.points[k].y = static_cast<float>(y);
        }
        benchmark::DoNotOptimize(eq.points.data());
        benchmark::ClobberMemory();
    }
}

void ChangedBandEveryPoint(benchmark::State& state) {
    Eq eq;
    std::int64_t i = 0;
    for (auto _ : state) {
        const BIQUAD& bq = eq.Change(i++);
        for (int k = 0; k < kPoints; ++k) {
            eq.points[k].y += static_cast<float>(Level(eq, bq, k));
        }
        benchmark::DoNotOptimize(eq.points.data());
        benchmark::ClobberMemory();
    }
}

}  // namespace

BENCHMARK(Incremental)->Name("eq_curve.one_band_changed/korvane");
BENCHMARK(EveryBandEveryPoint)->Name("eq_curve.one_band_changed/peer:every_band_every_point");
BENCHMARK(ChangedBandEveryPoint)->Name("eq_curve.one_band_changed/limit:changed_band_every_point");
