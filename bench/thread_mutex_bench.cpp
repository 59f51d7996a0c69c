// Uncontended obtain/release of ThreadMutexInited against std::recursive_mutex, the peer a
// user would otherwise reach for; the side-by-side benchmark reports the ratio.
#include "korvane/core/thread_mutex.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <mutex>

namespace {

using korvane::kvThread::ThreadMutexInited;
using Clock = std::chrono::steady_clock;

constexpr int kBatch = 1000;

void BM_ThreadMutexInited(benchmark::State& state) {
    ThreadMutexInited m;
    m.init();
    for (auto _ : state) {
        m.obtain();
        benchmark::ClobberMemory();
        m.release();
    }
}
BENCHMARK(BM_ThreadMutexInited)->Name("thread_mutex.uncontended_obtain_release/korvane");

void BM_StdRecursiveMutex(benchmark::State& state) {
    std::recursive_mutex m;
    for (auto _ : state) {
        m.lock();
        benchmark::ClobberMemory();
        m.unlock();
    }
}
BENCHMARK(BM_StdRecursiveMutex)
    ->Name("thread_mutex.uncontended_obtain_release/peer:std::recursive_mutex");

// Both in one run, batch by batch, so that frequency changes and neighbours hit both alike.
void BM_ThreadMutexInitedVsStdRecursiveMutex(benchmark::State& state) {
    ThreadMutexInited ours;
    ours.init();
    std::recursive_mutex peer;
    Clock::duration oursTime{};
    Clock::duration peerTime{};
    for (auto _ : state) {
        auto start = Clock::now();
        for (int i = 0; i < kBatch; ++i) {
            ours.obtain();
            benchmark::ClobberMemory();
            ours.release();
        }
        oursTime += Clock::now() - start;
        start = Clock::now();
        for (int i = 0; i < kBatch; ++i) {
            peer.lock();
            benchmark::ClobberMemory();
            peer.unlock();
        }
        peerTime += Clock::now() - start;
    }
    const double ops = static_cast<double>(state.iterations()) * kBatch;
    const auto ns = [ops](Clock::duration d) {
        return std::chrono::duration<double, std::nano>(d).count() / ops;
    };
    state.counters["korvane_ns"] = ns(oursTime);
    state.counters["std_ns"] = ns(peerTime);
    state.counters["ratio"] = ns(oursTime) / ns(peerTime);
}
BENCHMARK(BM_ThreadMutexInitedVsStdRecursiveMutex);

}  // namespace
