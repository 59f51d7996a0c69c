// Redis reporting: every parameter of a 700-parameter plug-in reported as one hash each, against
// pipelined HMSETs of the same prepared hashes over the same connection (what a load generator
// sends), both into a redis-server the benchmark starts itself.
#include "korvane/algorithm/testing/test_algorithm.h"
#include "korvane/redis/redis_reporter.h"
#include "korvane/redis/redis_test_server.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace kvKorvaneV10_0_3;

constexpr int kParams = 700;

class WidePlugin : public test_support::TestAlgorithm {
protected:
    int BuildParameterList() override {
        auto& params = GetParamVector();
        params.resize(kParams);
        for (int i = 0; i < kParams; ++i) {
            params[i].SetName(("P" + std::to_string(i)).c_str());
            params[i].SetScaleLin(-24, 24, 0.1);
        }
        return 0;
    }
};

// One server for both cases, started on first use; null when redis-server is missing.
Redis::testing::RedisTestServer* Server() {
    static Redis::testing::RedisTestServer* server = [] {
        if (std::system("command -v redis-server > /dev/null 2>&1") != 0) {
            return static_cast<Redis::testing::RedisTestServer*>(nullptr);
        }
        static Redis::testing::RedisTestServer started;
        return started.Running() ? &started : nullptr;
    }();
    return server;
}

struct Reporting {
    Reporting() {
        plugin.FinishCreate();
        // The benchmark owns its reporter.
        Redis::KCKorvaneRedisReporter::set_config_file_for_new_reporters(
            Server()->ConfigPath().c_str());
        KorvaneComponentInfo info;
        info.pluginName = "Wide";
        reporter = std::make_unique<Redis::KCPluginRedisReporter>(info, &plugin);
        Redis::KCKorvaneRedisReporter::set_config_file_for_new_reporters("");
    }
    WidePlugin plugin;
    std::unique_ptr<Redis::KCPluginRedisReporter> reporter;
};

void ReportParams(benchmark::State& state) {
    if (Server() == nullptr) {
        state.SkipWithError("redis-server is not installed or did not start");
        return;
    }
    Reporting r;
    for (auto _ : state) {
        r.reporter->report_params("id");
    }
    state.SetItemsProcessed(state.iterations() * kParams);
}
BENCHMARK(ReportParams)->Name("redis.report_700_params/korvane")->Unit(benchmark::kMillisecond);

void PipelinedHmset(benchmark::State& state) {
    if (Server() == nullptr) {
        state.SkipWithError("redis-server is not installed or did not start");
        return;
    }
    Reporting r;
    Redis::KCRedisClient& client = r.reporter->client();
    // The same hashes, prepared once: only sending them is measured.
    std::vector<std::pair<std::string, Redis::KTRedisStack>> hashes;
    {
        const kvThread::ThreadMutexLock lock(r.plugin.AlgLock());
        for (unsigned int i = 0; i < kParams; ++i) {
            client.clear_stack();
            r.reporter->append_param_to_stack(i);
            hashes.emplace_back(
                std::string(r.reporter->instance_name()) + ":params:" + std::to_string(i),
                client.stack());
        }
        client.clear_stack();
    }
    for (auto _ : state) {
        for (const auto& [key, stack] : hashes) {
            client.set_hash_from_stack_pending(key.c_str(), stack);
        }
        client.commit_pending_commands();
    }
    state.SetItemsProcessed(state.iterations() * kParams);
}
BENCHMARK(PipelinedHmset)
    ->Name("redis.report_700_params/peer:pipelined_hmset")
    ->Unit(benchmark::kMillisecond);

}  // namespace
