// Automation through the reference host: host values reach the coefficients, the other controls
// on moved parameters hear the new values, and every gesture the host sees begins and ends once,
// whether a drag is cancelled, the setup changes meanwhile or the plug-in goes away.
#include "host/reference_host.h"
#include "host/testing/algorithm_start.h"

#include "korvane/algorithm/testing/automation_test_algorithm.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <vector>

namespace {

using KorvaneHost::testing::ConnectAndInit;

using kvKorvaneV10_0_3::eActiveSetup;
using kvKorvaneV10_0_3::eNoErr;
using kvKorvaneV10_0_3::test_support::AutomationTestAlgorithm;
namespace PM = kvKorvaneV10_0_3::ProcessMemory;
using KorvaneHost::MisuseKind;
using KorvaneHost::ReferenceHost;

// "Group" (A leading B and C) and a control of B's own.
constexpr const char* kDescription = R"(<GUIXML><Control_List>
  <cCONTROLLER Name="Group" Class="Automation"><Flags><Automatable/></Flags>
    <ParameterList><Param Name="A"/><Param Name="B"/><Param Name="C"/></ParameterList>
  </cCONTROLLER>
  <cCONTROLLER Name="Bee" Class="Automation"><ParameterList><Param Name="B"/></ParameterList></cCONTROLLER>
  <cCONTROLLER Name="Gain" Class="Automation"><ParameterList><Param Name="Gain"/></ParameterList></cCONTROLLER>
</Control_List></GUIXML>)";
constexpr int kGroup = 0;
constexpr int kBee = 1;
constexpr int kGainControl = 2;
constexpr unsigned int kA = AutomationTestAlgorithm::kA;
constexpr unsigned int kB = AutomationTestAlgorithm::kB;
constexpr unsigned int kC = AutomationTestAlgorithm::kC;

class AutomationOnHost : public ::testing::Test {
protected:
    void Create(bool touchReleaseOnLoad = false) {
        ASSERT_EQ(host.SizeSpace(PM::eCoefsSpace, AutomationTestAlgorithm::kLinkCount), eNoErr);
        alg.SetNotifyTouchReleaseOnPresetLoad(touchReleaseOnLoad);
        ASSERT_TRUE(ConnectAndInit(host, alg));
        alg.InitAlg(true);
        host.Events().Clear();
    }

    // A change from elsewhere (the GUI), delivered and freed.
    void Set(unsigned int index, double state, bool request = false) {
        auto* chain = request ? alg.UpdateParamRequestState(index, state)
                              : alg.UpdateParamState(index, state);
        ASSERT_EQ(alg.SendAndFreeBuffers(chain, PM::eSelPostChain, true), 0);
    }

    // Touches and releases per control index, in arrival order.
    std::map<std::int64_t, std::vector<int>> Gestures() {
        std::map<std::int64_t, std::vector<int>> out;
        for (const auto& e : host.Events().All()) {
            if (e.selector == PM::eSelAutomationTouch || e.selector == PM::eSelAutomationRelease) {
                out[e.a].push_back(e.selector);
            }
        }
        return out;
    }

    // Every gesture closed, none reported twice.
    void ExpectPaired() {
        EXPECT_EQ(host.CloseGestures(), 0U);
        EXPECT_EQ(host.Misuse().Count(MisuseKind::UnpairedTouch), 0U);
        EXPECT_EQ(host.Misuse().Count(MisuseKind::UnpairedRelease), 0U);
        for (const auto& [index, seq] : Gestures()) {
            for (std::size_t i = 0; i < seq.size(); ++i) {
                EXPECT_EQ(seq[i], i % 2 == 0 ? PM::eSelAutomationTouch : PM::eSelAutomationRelease)
                    << "control " << index << " event " << i;
            }
            EXPECT_EQ(seq.size() % 2, 0U) << "control " << index;
        }
    }

    ReferenceHost host;
    AutomationTestAlgorithm alg{kDescription};
};

TEST_F(AutomationOnHost, HostValuesReachTheCoefficientsAndTheOtherControls) {
    Create();
    Set(kB, 300, true);
    host.ProcessBlock();
    host.Events().Clear();
    ASSERT_EQ(alg.SetControllerValue(kGroup, 200), eNoErr);
    EXPECT_EQ(host.PendingChains(), 1U) << "one posted chain for the lead and its followers";
    host.ProcessBlock();
    for (const unsigned int i : {kA, kB, kC}) {
        const auto coef = host.ReadCoefficient(static_cast<int>(i));
        ASSERT_TRUE(coef.has_value());
        EXPECT_NEAR(*coef, AutomationTestAlgorithm::CoefValue(alg.GetParamState(i)), 1e-6) << i;
    }
    EXPECT_EQ(alg.GetParamState(kB), 500);
    const auto values = host.Events().Of(PM::eSelAutomationValue);
    ASSERT_EQ(values.size(), 1U) << "the group itself is not echoed";
    EXPECT_EQ(values[0].a, kBee);
    EXPECT_EQ(values[0].value, 500);
    EXPECT_EQ(host.LiveBuffers(), 0U);
    EXPECT_EQ(host.Misuse().Count(), 0U);
}

TEST_F(AutomationOnHost, ACancelledDragEndsItsGesture) {
    Create();
    alg.Touch(kA);
    alg.DragParam(kA, 300);
    alg.DragParam(kA, 400);
    alg.CancelDragParam(kA);
    EXPECT_EQ(alg.GetParamState(kA), 0);
    const auto all = host.Events().All();
    ASSERT_EQ(all.size(), 3U);
    EXPECT_EQ(all[1].selector, PM::eSelAutomationValue);
    EXPECT_EQ(all[1].value, 0) << "the host hears the value the drag went back to";
    ExpectPaired();
}

TEST_F(AutomationOnHost, ASetupChangeInTheMiddleOfAGestureKeepsItPaired) {
    Create(true);
    Set(kA, 100);
    Set(kB, 150);
    alg.CopySetup();  // B starts equal to A
    alg.Touch(kA);
    ASSERT_EQ(alg.SetControllerValue(kGroup, 600), eNoErr);
    EXPECT_EQ(alg.GetParamState(kB), 650);
    alg.ToggleActiveSetup(eActiveSetup);  // back to 100 / 150 in the other setup
    EXPECT_EQ(alg.GetParamState(kA), 100);
    // The next host delta starts from the switched setup's value.
    ASSERT_EQ(alg.SetControllerValue(kGroup, 200), eNoErr);
    EXPECT_EQ(alg.GetParamState(kB), 250);
    // A state load with touch and release around it, while the gesture still runs.
    const std::int32_t states[] = {-1, -1, -1, -1, -1, 300};
    alg.LoadStatesFromBuffer(states, 6, eActiveSetup);
    alg.Release(kA);
    ExpectPaired();
    EXPECT_EQ(host.LiveBuffers(), 0U);
    const auto gestures = Gestures();
    ASSERT_TRUE(gestures.contains(kGroup));
    EXPECT_EQ(gestures.at(kGroup).size(), 2U) << "the load did not touch the running gesture";
    EXPECT_EQ(gestures.at(kBee).size(), 2U);
}

TEST_F(AutomationOnHost, DisposingInTheMiddleOfAGestureReleasesIt) {
    Create();
    alg.Touch(kA);
    alg.Touch(AutomationTestAlgorithm::kGain);
    alg.Touch(AutomationTestAlgorithm::kGain);
    EXPECT_EQ(host.OpenGestures(), (std::vector<std::int64_t>{kGroup, kGainControl}));
    alg.Dispose();
    EXPECT_TRUE(host.OpenGestures().empty());
    alg.Release(AutomationTestAlgorithm::kGain);  // the GUI's late release finds nothing open
    ExpectPaired();
}

TEST_F(AutomationOnHost, DestroyingWithoutDisposeStillReleases) {
    {
        AutomationTestAlgorithm other{kDescription};
        ASSERT_TRUE(ConnectAndInit(host, other, "FinishCreate"));
        other.Touch(kA);
        EXPECT_EQ(host.OpenGestures().size(), 1U);
    }
    ExpectPaired();
}

}  // namespace
