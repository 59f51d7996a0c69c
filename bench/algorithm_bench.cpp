// A parameter change end to end — UpdateParamState, the plug-in's coefficient, a buffer from the
// reference host, posted and freed — against its irreducible core: an uncontended lock plus the
// scale function (the limit).
#include "host/reference_host.h"

#include "korvane/algorithm/scale.h"
#include "korvane/algorithm/testing/test_algorithm.h"
#include "korvane/core/thread_mutex.h"

#include <benchmark/benchmark.h>

namespace {

using kvKorvaneV10_0_3::BUFFER_HEADER;
using kvKorvaneV10_0_3::test_support::TestAlgorithm;
namespace PM = kvKorvaneV10_0_3::ProcessMemory;

void ParamChangeToHost(benchmark::State& state) {
    KorvaneHost::ReferenceHost host;
    TestAlgorithm alg;
    if (host.SizeSpace(PM::eCoefsSpace, TestAlgorithm::kCount) != kvKorvaneV10_0_3::eNoErr) {
        state.SkipWithError("the host refused the coefficient space");
        return;
    }
    alg.SetExecCallBack(KorvaneHost::ReferenceHost::Callback(), host.Refcon());
    alg.FinishCreate();
    alg.InitData();
    alg.InitInstanceData();
    int n = 0;
    for (auto _ : state) {
        BUFFER_HEADER* chain = alg.UpdateParamState(TestAlgorithm::kGain, (n & 1) != 0 ? 250 : 750);
        alg.SendAndFreeBuffers(chain, PM::eSelPostChain, true);
        if ((++n & 255) == 0) {
            host.ProcessBlock();  // keeps the queue short, as the audio thread would
        }
    }
}
BENCHMARK(ParamChangeToHost)->Name("algorithm.param_change_posted_to_host/korvane");

// The library's share alone: the same change through a host callback that hands out one
// static buffer and accepts every delivery, so no host work is measured.
int MinimalHost(int selector, int /*refcon*/, void* a, void* /*b*/, void* c) {
    static BUFFER_HEADER header;
    static unsigned char data[64];
    if (selector == PM::eSelNewBuffer) {
        header = *static_cast<BUFFER_HEADER*>(a);
        header.data = data;
        *static_cast<BUFFER_HEADER**>(c) = &header;
        return 0;
    }
    // Deliveries and frees succeed; queries are refused, so the library keeps its defaults.
    return selector <= PM::eSelFreeChain ? 0 : -1;
}

void ParamChangeLibraryOnly(benchmark::State& state) {
    TestAlgorithm alg;
    alg.SetExecCallBack(MinimalHost, 0);
    alg.FinishCreate();
    alg.InitData();
    alg.InitInstanceData();
    int n = 0;
    for (auto _ : state) {
        BUFFER_HEADER* chain =
            alg.UpdateParamState(TestAlgorithm::kGain, (n++ & 1) != 0 ? 250 : 750);
        alg.SendAndFreeBuffers(chain, PM::eSelPostChain, true);
    }
}
BENCHMARK(ParamChangeLibraryOnly)->Name("algorithm.param_change_library_share/korvane");

void LockAndScale(benchmark::State& state) {
    kvKorvaneV10_0_3::kvThread::ThreadMutexInited lock;
    lock.init();
    kvKorvaneV10_0_3::sSCALE_INFO info;
    info.a = -24;
    info.b = 0.048;
    info.resolution = 0.1;
    info.inverseResolution = 10;
    int n = 0;
    for (auto _ : state) {
        lock.obtain();
        benchmark::DoNotOptimize(
            kvKorvaneV10_0_3::LinearScale((n++ & 1) != 0 ? 250.0 : 750.0, &info));
        lock.release();
    }
}
BENCHMARK(LockAndScale)->Name("algorithm.param_change_posted_to_host/limit:lock+scale");
BENCHMARK(LockAndScale)->Name("algorithm.param_change_library_share/limit:lock+scale");

}  // namespace
