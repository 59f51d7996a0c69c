// The benchmarks' one main: runs everything with the console reporter, then prints, for every
// group "<group>/<implementation>" that has a "korvane" member, how fast ours is against each
// other member (peer CPU time / our CPU time: above 1 ours is faster). Benchmark files register
// under such names and define no main of their own.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            // With repetitions the median stands for the benchmark; otherwise its one run.
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.error_occurred || (run.run_type != Run::RT_Iteration && !median)) {
                continue;
            }
            const std::string name = run.run_name.str();
            const auto slash = name.find('/');
            if (slash == std::string::npos) {
                continue;
            }
            const std::string group = name.substr(0, slash);
            std::string impl = name.substr(slash + 1);
            impl = impl.substr(0, impl.find('/'));
            Entry& entry = m_times[group][impl];
            if (median || !entry.fromMedian) {
                entry = {run.GetAdjustedCPUTime(), median};
            }
            if (m_order.empty() || m_order.back() != group) {
                m_order.push_back(group);
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        bool header = false;
        for (const std::string& group : m_order) {
            const auto& impls = m_times[group];
            const auto ours = impls.find("korvane");
            if (ours == impls.end() || ours->second.time <= 0) {
                continue;
            }
            if (!header) {
                std::printf(
                    "\nSpeed of korvane against each peer (peer CPU time / korvane CPU time):\n");
                header = true;
            }
            for (const auto& [impl, entry] : impls) {
                if (impl != "korvane") {
                    std::printf("  %-24s korvane vs %-10s %6.2fx\n", group.c_str(), impl.c_str(),
                                entry.time / ours->second.time);
                }
            }
        }
        std::fflush(stdout);
    }

private:
    struct Entry {
        double time = 0;
        bool fromMedian = false;
    };
    std::map<std::string, std::map<std::string, Entry>> m_times;
    std::vector<std::string> m_order;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
