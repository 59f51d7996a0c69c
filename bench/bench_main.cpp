// The benchmark executable's main: runs every benchmark, then prints the ratio of the
// library's time to each peer's or limit's time measured in the same run (the medians when
// the runs are repeated).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const auto& run : runs) {
            // With repetitions the median stands for the case; it is reported after the runs.
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.error_occurred || (run.run_type != Run::RT_Iteration && !median)) {
                continue;
            }
            // The case and who ran it, without the "manual_time" of a case timed by hand.
            auto runName = run.run_name;
            runName.time_type.clear();
            const std::string name = runName.str();
            const auto slash = name.find('/');
            if (slash == std::string::npos) {
                continue;
            }
            // Arguments after a second slash belong to the case ("crc/4096/korvane").
            const auto last = name.rfind('/');
            // CPU time: the benchmarks are single-threaded, and it is steadier on a busy machine.
            double cpu = run.GetAdjustedCPUTime();
            // A peer run as a child process reports the child's CPU time per iteration, in
            // seconds; the benchmark's own CPU time is only the waiting parent's.
            if (const auto child = run.counters.find("child_cpu_s"); child != run.counters.end()) {
                cpu = child->second.value * benchmark::GetTimeUnitMultiplier(run.time_unit);
            }
            m_times[name.substr(0, last)][name.substr(last + 1)] = cpu;
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
    // The library runs in hosts with several threads. glibc skips the atomic operations of its
    // mutexes (and of malloc's arenas) while a process has never started a second thread, a
    // state no plug-in sees: one thread started and joined puts every case on a host's path.
    std::thread([] {}).join();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
