// State <-> real-world conversions through the parameter record against the same arithmetic
// written inline (the limit: what the conversion costs without the record and its dispatch).
#include "korvane/algorithm/param_base.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace {

using namespace kvKorvaneV10_0_3;

constexpr int kValues = 1024;

std::vector<double> States() {
    std::vector<double> states(kValues);
    for (int i = 0; i < kValues; ++i) {
        states[i] = (i * 977) % 1001;
    }
    return states;
}

double QuantizeFraction(double y, double res, double inv) {
    const double whole = std::floor(y);
    return whole + std::floor((y - whole) * inv + 0.5) * res;
}

template <typename Fn>
void Run(benchmark::State& state, const std::vector<double>& in, Fn fn) {
    for (auto _ : state) {
        double sum = 0;
        for (double x : in) {
            sum += fn(x);
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kValues);
}

KCParam_Base Linear() {
    KCParam_Base p;
    p.SetScaleLin(-24, 24, 0.01);
    return p;
}

KCParam_Base Logarithmic() {
    KCParam_Base p;
    p.SetScaleLog(20, 20000, 0.01);
    return p;
}

KCParam_Base Ranges() {
    KCParam_Base p;
    p.SetScale(0, 0, 0.01, 1001, 0, KCFixedString<31>("linearRanges"), nullptr, nullptr,
               {0, 250, 500, 750, 1000}, {0, 1, 10, 100, 1000});
    return p;
}

void LinearToRealWorld(benchmark::State& s) {
    const auto p = Linear();
    Run(s, States(), [&](double x) { return p.StateToRealWorld(x); });
}
BENCHMARK(LinearToRealWorld)->Name("scale.linear_state_to_real_world/korvane");

void LinearToRealWorldBare(benchmark::State& s) {
    const double a = -24;
    const double b = 0.048;
    Run(s, States(), [&](double x) { return QuantizeFraction(a + b * x, 0.01, 100.0); });
}
BENCHMARK(LinearToRealWorldBare)->Name("scale.linear_state_to_real_world/limit:inline_arithmetic");

void LinearToState(benchmark::State& s) {
    const auto p = Linear();
    Run(s, States(), [&](double x) { return p.RealWorldToState(x * 0.048 - 24); });
}
BENCHMARK(LinearToState)->Name("scale.linear_real_world_to_state/korvane");

void LinearToStateBare(benchmark::State& s) {
    Run(s, States(), [&](double x) { return ((x * 0.048 - 24) + 24) / 0.048; });
}
BENCHMARK(LinearToStateBare)->Name("scale.linear_real_world_to_state/limit:inline_arithmetic");

void LogToRealWorld(benchmark::State& s) {
    const auto p = Logarithmic();
    Run(s, States(), [&](double x) { return p.StateToRealWorld(x); });
}
BENCHMARK(LogToRealWorld)->Name("scale.log_state_to_real_world/korvane");

void LogToRealWorldBare(benchmark::State& s) {
    const double b = std::pow(1000.0, 0.001);
    Run(s, States(), [&](double x) { return QuantizeFraction(20 * std::pow(b, x), 0.01, 100.0); });
}
BENCHMARK(LogToRealWorldBare)->Name("scale.log_state_to_real_world/limit:inline_arithmetic");

void LogToState(benchmark::State& s) {
    const auto p = Logarithmic();
    Run(s, States(), [&](double x) { return p.RealWorldToState(20 + x * 19.98); });
}
BENCHMARK(LogToState)->Name("scale.log_real_world_to_state/korvane");

void LogToStateBare(benchmark::State& s) {
    const double lnb = std::log(std::pow(1000.0, 0.001));
    Run(s, States(), [&](double x) { return std::log((20 + x * 19.98) / 20) / lnb; });
}
BENCHMARK(LogToStateBare)->Name("scale.log_real_world_to_state/limit:inline_arithmetic");

void RangesToRealWorld(benchmark::State& s) {
    const auto p = Ranges();
    Run(s, States(), [&](double x) { return p.StateToRealWorld(x); });
}
BENCHMARK(RangesToRealWorld)->Name("scale.ranges_state_to_real_world/korvane");

void RangesToRealWorldBare(benchmark::State& s) {
    const double sp[] = {0, 250, 500, 750, 1000};
    const double rw[] = {0, 1, 10, 100, 1000};
    Run(s, States(), [&](double x) {
        int i = 1;
        while (i < 4 && sp[i] < x) {
            ++i;
        }
        const double v = rw[i - 1] + (x - sp[i - 1]) * (rw[i] - rw[i - 1]) / (sp[i] - sp[i - 1]);
        return QuantizeFraction(v, 0.01, 100.0);
    });
}
BENCHMARK(RangesToRealWorldBare)->Name("scale.ranges_state_to_real_world/limit:inline_arithmetic");

void RangesToState(benchmark::State& s) {
    const auto p = Ranges();
    Run(s, States(), [&](double x) { return p.RealWorldToState(x); });
}
BENCHMARK(RangesToState)->Name("scale.ranges_real_world_to_state/korvane");

void RangesToStateBare(benchmark::State& s) {
    const double sp[] = {0, 250, 500, 750, 1000};
    const double rw[] = {0, 1, 10, 100, 1000};
    Run(s, States(), [&](double x) {
        int i = 1;
        while (i < 4 && rw[i] < x) {
            ++i;
        }
        return sp[i - 1] + (x - rw[i - 1]) * (sp[i] - sp[i - 1]) / (rw[i] - rw[i - 1]);
    });
}
BENCHMARK(RangesToStateBare)->Name("scale.ranges_real_world_to_state/limit:inline_arithmetic");

}  // namespace
