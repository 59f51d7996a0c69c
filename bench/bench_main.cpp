// The benchmark executable's main: runs every benchmark, then prints the ratio of the
// library's time to each peer's or limit's time measured in the same run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const auto& run : runs) {
            if (run.error_occurred || run.run_type != Run::RT_Iteration) {
                continue;
            }
            const std::string name = run.benchmark_name();
            const auto slash = name.find('/');
            if (slash == std::string::npos) {
                continue;
            }
            // Arguments after a second slash belong to the case ("crc/4096/korvane").
            const auto last = name.rfind('/');
            // CPU time: the benchmarks are single-threaded, and it is steadier on a busy machine.
            m_times[name.substr(0, last)][name.substr(last + 1)] = run.GetAdjustedCPUTime();
        }
    }

    void PrintRatios() const {
        std::printf("\n%-44s %-30s %10s\n", "case", "compared with", "ratio");
        for (const auto& [name, times] : m_times) {
            const auto ours = times.find("korvane");
            if (ours == times.end()) {
                continue;
            }
            for (const auto& [who, time] : times) {
                if (who == "korvane" || time <= 0.0) {
                    continue;
                }
                std::printf("%-44s %-30s %10.3f\n", name.c_str(), who.c_str(), ours->second / time);
            }
        }
        std::printf(
            "(ratio = library CPU time / compared CPU time; below 1 the library is faster)\n");
    }

private:
    std::map<std::string, std::map<std::string, double>> m_times;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
