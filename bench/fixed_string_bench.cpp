// Fixed-capacity strings against std::string with snprintf for the same texts.
#include "korvane/core/fixed_string.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

namespace {

using kvKorvaneV10_0_3::KCFixedString;

void AppendFixed(benchmark::State& state) {
    for (auto _ : state) {
        KCFixedString<255> s("Band ");
        s << 3 << ": "
          << "Frequency " << 1234567U << " Hz";
        benchmark::DoNotOptimize(s.c_str());
    }
}
BENCHMARK(AppendFixed)->Name("fixed_string.append_text_and_ints/korvane");

void AppendStd(benchmark::State& state) {
    for (auto _ : state) {
        std::string s("Band ");
        char number[32];
        std::snprintf(number, sizeof number, "%d", 3);
        s += number;
        s += ": ";
        s += "Frequency ";
        std::snprintf(number, sizeof number, "%u", 1234567U);
        s += number;
        s += " Hz";
        benchmark::DoNotOptimize(s.c_str());
    }
}
BENCHMARK(AppendStd)->Name("fixed_string.append_text_and_ints/peer:std::string+snprintf");

void FormatDoubleFixed(benchmark::State& state) {
    double v = 0.123456789;
    for (auto _ : state) {
        KCFixedString<63> s;
        s << v;
        benchmark::DoNotOptimize(s.c_str());
        v += 1.0;
    }
}
BENCHMARK(FormatDoubleFixed)->Name("fixed_string.format_double/korvane");

void FormatDoubleStd(benchmark::State& state) {
    double v = 0.123456789;
    for (auto _ : state) {
        char text[32];
        std::snprintf(text, sizeof text, "%.*f", 10, v);
        std::string s(text);
        benchmark::DoNotOptimize(s.c_str());
        v += 1.0;
    }
}
BENCHMARK(FormatDoubleStd)->Name("fixed_string.format_double/peer:std::string+snprintf");

void CopyFixed(benchmark::State& state) {
    const KCFixedString<127> source("a parameter name of ordinary length");
    for (auto _ : state) {
        KCFixedString<127> copy(source);  // NOLINT(performance-unnecessary-copy-initialization)
        benchmark::DoNotOptimize(copy.c_str());
    }
}
BENCHMARK(CopyFixed)->Name("fixed_string.copy_127/korvane");

void CopyStd(benchmark::State& state) {
    const std::string source("a parameter name of ordinary length");
    for (auto _ : state) {
        std::string copy(source);  // NOLINT(performance-unnecessary-copy-initialization)
        benchmark::DoNotOptimize(copy.c_str());
    }
}
BENCHMARK(CopyStd)->Name("fixed_string.copy_127/peer:std::string");

}  // namespace
