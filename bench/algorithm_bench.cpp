// A parameter change end to end — UpdateParamState, the plug-in's coefficient, a buffer from the
// reference host, posted and freed — against its irreducible core: an uncontended lock plus the
// scale function (the limit).
#include "host/reference_host.h"

#include "korvane/algorithm/scale.h"
#include "korvane/algorithm/testing/link_test_algorithm.h"
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

// A link pass: one change of a member of an active "Relative" group of eight moves the other
// seven, against the limit of the same eight parameters set one by one with no group. No host
// callback in either case, so only the library's work is measured.
using kvKorvaneV10_0_3::test_support::LinkTestAlgorithm;
constexpr unsigned int kGroupSize = 8;

void AddEightMembers(std::vector<kvKorvaneV10_0_3::sCONTROL_PARAM>& params, bool linked) {
    const auto first = static_cast<unsigned int>(params.size());
    const kvKorvaneV10_0_3::sCONTROL_PARAM member = params[LinkTestAlgorithm::kA];
    for (unsigned int i = 0; i < kGroupSize; ++i) {
        params.push_back(member);
        if (linked) {
            LinkTestAlgorithm::Join(params, first + i, {1});
        }
    }
    if (linked) {
        LinkTestAlgorithm::Control(params, LinkTestAlgorithm::kSwitch, {1}, "Relative");
    }
}

void LinkPassOfEight(benchmark::State& state) {
    LinkTestAlgorithm alg([](auto& params) { AddEightMembers(params, true); });
    alg.FinishCreate();
    alg.UpdateParamState(LinkTestAlgorithm::kSwitch, 1);
    const unsigned int first = LinkTestAlgorithm::kLinkCount;
    int n = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(alg.UpdateParamState(first, (n++ & 1) != 0 ? 250 : 750));
        if ((n & 1023) == 0) {
            alg.processed.clear();
        }
    }
}
BENCHMARK(LinkPassOfEight)->Name("algorithm.link_pass_of_8/korvane");

void EightPlainChanges(benchmark::State& state) {
    LinkTestAlgorithm alg([](auto& params) { AddEightMembers(params, false); });
    alg.FinishCreate();
    const unsigned int first = LinkTestAlgorithm::kLinkCount;
    int n = 0;
    for (auto _ : state) {
        const double value = (n++ & 1) != 0 ? 250 : 750;
        for (unsigned int i = 0; i < kGroupSize; ++i) {
            benchmark::DoNotOptimize(alg.UpdateParamState(first + i, value));
        }
        if ((n & 1023) == 0) {
            alg.processed.clear();
        }
    }
}
BENCHMARK(EightPlainChanges)->Name("algorithm.link_pass_of_8/limit:8_plain_changes");

}  // namespace
