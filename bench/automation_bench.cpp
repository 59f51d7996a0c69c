// A burst of host automation: 1,000 host values on a control whose lead has three followers,
// each value posted to the reference host as one chain, against the limit of the same four
// UpdateParamState calls per value chained and posted by hand.
#include "host/reference_host.h"

#include "korvane/algorithm/testing/automation_test_algorithm.h"

#include <benchmark/benchmark.h>

namespace {

using kvKorvaneV10_0_3::BUFFER_HEADER;
using kvKorvaneV10_0_3::test_support::AutomationTestAlgorithm;
namespace PM = kvKorvaneV10_0_3::ProcessMemory;

constexpr int kBurst = 1000;
constexpr const char* kDescription = R"(<GUIXML><Control_List>
  <cCONTROLLER Name="Group" Class="Automation"><ParameterList>
    <Param Name="A"/><Param Name="B"/><Param Name="C"/><Param Name="Gain"/>
  </ParameterList></cCONTROLLER>
</Control_List></GUIXML>)";
constexpr unsigned int kParams[] = {AutomationTestAlgorithm::kA, AutomationTestAlgorithm::kB,
                                    AutomationTestAlgorithm::kC, AutomationTestAlgorithm::kGain};
// The lead swings between 300 and 700; the followers sit 100, -100 and 200 from it.
constexpr double kOffsets[] = {0, 100, -100, 200};

bool SetUp(KorvaneHost::ReferenceHost& host, AutomationTestAlgorithm& alg) {
    if (host.SizeSpace(PM::eCoefsSpace, AutomationTestAlgorithm::kLinkCount) !=
        kvKorvaneV10_0_3::eNoErr) {
        return false;
    }
    alg.SetExecCallBack(KorvaneHost::ReferenceHost::Callback(), host.Refcon());
    alg.FinishCreate();
    alg.InitData();
    alg.InitInstanceData();
    for (unsigned int i = 0; i < 4; ++i) {
        BUFFER_HEADER* chain = alg.UpdateParamState(kParams[i], 300 + kOffsets[i]);
        alg.SendAndFreeBuffers(chain, PM::eSelPostChain, true);
    }
    host.ProcessBlock();
    return true;
}

void AutomationBurst(benchmark::State& state) {
    KorvaneHost::ReferenceHost host;
    AutomationTestAlgorithm alg(kDescription);
    if (!SetUp(host, alg) || alg.GetNumAutomationControllers() != 1) {
        state.SkipWithError("the set-up failed");
        return;
    }
    for (auto _ : state) {
        for (int n = 0; n < kBurst; ++n) {
            alg.SetControllerValue(0, (n & 1) != 0 ? 300 : 700);
        }
        host.ProcessBlock();
    }
    state.SetItemsProcessed(state.iterations() * kBurst);
}
BENCHMARK(AutomationBurst)->Name("automation.burst_1000_lead_3_followers/korvane");

void PlainChanges(benchmark::State& state) {
    KorvaneHost::ReferenceHost host;
    AutomationTestAlgorithm alg(kDescription);
    if (!SetUp(host, alg)) {
        state.SkipWithError("the set-up failed");
        return;
    }
    for (auto _ : state) {
        for (int n = 0; n < kBurst; ++n) {
            const double lead = (n & 1) != 0 ? 300 : 700;
            BUFFER_HEADER* chain = nullptr;
            for (unsigned int i = 0; i < 4; ++i) {
                chain = alg.ChainBufs(chain, alg.UpdateParamState(kParams[i], lead + kOffsets[i]));
            }
            alg.SendAndFreeBuffers(chain, PM::eSelPostChain, true);
        }
        host.ProcessBlock();
    }
    state.SetItemsProcessed(state.iterations() * kBurst);
}
BENCHMARK(PlainChanges)
    ->Name("automation.burst_1000_lead_3_followers/limit:4000_update_param_state");

}  // namespace
