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
    host.SizeSpace(PM::eCoefsSpace, TestAlgorithm::kCount);
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

}  // namespace
