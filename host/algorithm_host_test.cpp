// A plug-in algorithm through its whole life cycle against the reference host, in the float and
// the 24-bit fixed-point process formats.
#include "host/reference_host.h"
#include "host/testing/algorithm_start.h"

#include "korvane/algorithm/testing/test_algorithm.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

using KorvaneHost::testing::ConnectAndInit;

using kvKorvaneV10_0_3::BUFFER_HEADER;
using kvKorvaneV10_0_3::eActiveSetup;
using kvKorvaneV10_0_3::eSetupA;
using kvKorvaneV10_0_3::eSetupB;
using kvKorvaneV10_0_3::KCFixedString;
using kvKorvaneV10_0_3::test_support::TestAlgorithm;
namespace PM = kvKorvaneV10_0_3::ProcessMemory;
using KorvaneHost::ReferenceHost;

class AlgorithmOnHost : public ::testing::TestWithParam<bool> {
protected:
    AlgorithmOnHost()
        : host(GetParam() ? KorvaneHost::Fixed24Config() : KorvaneHost::Float32Config()) {}

    // The shell's order: callback, create, process code, data, instance data, initial chain.
    void RunLifeCycle() {
        ASSERT_EQ(host.SizeSpace(PM::eCoefsSpace, TestAlgorithm::kCount), 0);
        ASSERT_EQ(host.SizeSpace(PM::eStatesSpace, 16), 0);
        ASSERT_TRUE(ConnectAndInit(host, alg));
        EXPECT_EQ(alg.InitAlg(true), nullptr);
    }

    // Each coefficient holds its parameter's state / 1024 in the process format.
    void ExpectCoefficientsMatchStates() {
        const double tolerance = GetParam() ? 1.0 / (1 << 23) : 1e-6;
        for (unsigned int i = 0; i < TestAlgorithm::kCount; ++i) {
            const auto value = host.ReadCoefficient(static_cast<int>(i));
            ASSERT_TRUE(value.has_value());
            EXPECT_NEAR(*value, TestAlgorithm::CoefValue(alg.GetParamState(i)), tolerance)
                << "coefficient " << i;
        }
    }

    ReferenceHost host;
    TestAlgorithm alg;
};

TEST_P(AlgorithmOnHost, LifeCycleLandsTheInitialCoefficients) {
    RunLifeCycle();
    EXPECT_EQ(alg.GetDSPWordSize(), host.Config().wordSize);
    EXPECT_TRUE(alg.Process().IsProcessReady());
    ExpectCoefficientsMatchStates();
    EXPECT_EQ(host.LiveBuffers(), 0U) << "the initial chain was freed";
    EXPECT_EQ(host.Misuse().Count(), 0U);
}

TEST_P(AlgorithmOnHost, ParameterChangesArePostedAndAppliedAtTheNextBlock) {
    RunLifeCycle();
    BUFFER_HEADER* chain = alg.UpdateParamState(TestAlgorithm::kGain, 750);
    ASSERT_NE(chain, nullptr);
    EXPECT_EQ(chain->space, PM::eCoefsSpace);
    EXPECT_EQ(chain->offset, static_cast<int>(TestAlgorithm::kGain));
    EXPECT_EQ(alg.SendAndFreeBuffers(chain, PM::eSelPostChain, true), 0);
    EXPECT_EQ(chain, nullptr);
    EXPECT_NEAR(*host.ReadCoefficient(TestAlgorithm::kGain), TestAlgorithm::CoefValue(500), 1e-6)
        << "a posted chain waits for the processing block";
    EXPECT_EQ(host.ProcessBlock(), 1);
    ExpectCoefficientsMatchStates();

    // Unchanged values produce no chain at all.
    EXPECT_EQ(alg.UpdateParamState(TestAlgorithm::kGain, 750), nullptr);
    EXPECT_EQ(host.LiveBuffers(), 0U);
}

TEST_P(AlgorithmOnHost, BypassSendsTheBypassImage) {
    RunLifeCycle();
    alg.SetProcessActive(true);
    alg.SetBypass(true);
    BUFFER_HEADER* chain = alg.UpdateParamState(TestAlgorithm::kMode, 2);
    ASSERT_NE(chain, nullptr);
    alg.SendAndFreeBuffers(chain, PM::eSelExecuteChain, true);
    EXPECT_EQ(*host.ReadCoefficient(TestAlgorithm::kMode), 0.0) << "the bypass image is silent";
    alg.SetBypass(false);
    BUFFER_HEADER* all = alg.UpdateAlg();
    alg.SendAndFreeBuffers(all, PM::eSelExecuteChain, true);
    ExpectCoefficientsMatchStates();
}

TEST_P(AlgorithmOnHost, SetupSwitchesAndNamesReachTheHost) {
    RunLifeCycle();
    host.Events().Clear();
    alg.ToggleActiveSetup(eActiveSetup);
    EXPECT_EQ(alg.GetActiveSetup(), eSetupB);
    const auto brackets = host.Events().Of(PM::eSelSetupSwitchBracket);
    ASSERT_EQ(brackets.size(), 2U);
    EXPECT_EQ(brackets[0].a, 1);
    EXPECT_EQ(brackets[1].a, 0);

    alg.SetSetupName(KCFixedString<31>("Verse"), eSetupA);
    BUFFER_HEADER* chain = alg.UpdateParamState(TestAlgorithm::kGain, 900);
    EXPECT_EQ(alg.FreeBuffers(chain), 0);
    const auto shell = host.Events().Of(PM::eSelShellListener);
    ASSERT_GE(shell.size(), 2U);
    EXPECT_EQ(shell[0].a, -1);
    EXPECT_EQ(shell[0].b, 2) << "setup title changed";
    EXPECT_EQ(shell.back().b, 1) << "preset modified";

    BUFFER_HEADER* all = alg.UpdateAlg();
    EXPECT_FALSE(host.Events().Of(PM::eSelSideChainActivity).empty());
    EXPECT_EQ(host.LiveBuffers(), TestAlgorithm::kCount) << "UpdateAlg's chain is the caller's";
    alg.FreeBuffers(all);
    EXPECT_EQ(host.LiveBuffers(), 0U);
    EXPECT_EQ(host.Misuse().Count(), 0U);
}

TEST_P(AlgorithmOnHost, ReadsStatesBackThroughTheHost) {
    RunLifeCycle();
    ASSERT_EQ(host.WriteInt(PM::eStatesSpace, 3, 1234), 0);
    EXPECT_EQ(alg.ReadVU(3, 0, std::int32_t{7}), 1234);
    alg.ReadVU(3, 1, std::int32_t{0});
    EXPECT_EQ(*host.ReadInt(PM::eStatesSpace, 3), 0) << "the reset form writes its value";
    EXPECT_EQ(alg.Process().InitOneState(5, std::int32_t{-9}), 0);
    host.ProcessBlock();
    EXPECT_EQ(*host.ReadInt(PM::eStatesSpace, 5), -9);
    EXPECT_EQ(host.LiveBuffers(), 0U);
}

TEST_P(AlgorithmOnHost, MuteDelayAndDspCoefficientsArePosted) {
    RunLifeCycle();
    EXPECT_EQ(alg.SetMute(true), 0);
    EXPECT_EQ(alg.SetDelay(128), 0);
    EXPECT_EQ(alg.GetThroughDelay(), 128);
    alg.GetParam(TestAlgorithm::kGain).SetStateAndUpdate(100, eSetupA);  // behind the host's back
    EXPECT_EQ(alg.UpdateDSPCoefs(true), nullptr);
    EXPECT_EQ(host.PendingChains(), 3U);
    EXPECT_EQ(host.ProcessBlock(), 3);
    EXPECT_EQ(*host.ReadInt(PM::eStatesSpace, 0), 1);
    EXPECT_EQ(*host.ReadInt(PM::eStatesSpace, 1), 128);
    ExpectCoefficientsMatchStates();
    // Not sent: built and freed all the same.
    EXPECT_EQ(alg.UpdateDSPCoefs(false), nullptr);
    EXPECT_EQ(host.PendingChains(), 0U);
    EXPECT_EQ(host.LiveBuffers(), 0U);
}

INSTANTIATE_TEST_SUITE_P(Formats, AlgorithmOnHost, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Fixed24" : "Float32"; });

TEST(AlgorithmWithoutHost, NothingIsMadeBeforeTheProcessIsReady) {
    TestAlgorithm alg;
    alg.FinishCreate();
    EXPECT_EQ(alg.UpdateParamState(TestAlgorithm::kGain, 800), nullptr);
    EXPECT_EQ(alg.ReadVU(0, 0, 7.5), 7.5);
    EXPECT_EQ(alg.SetMute(true), 0);
    EXPECT_EQ(alg.InitAlg(true), nullptr);
}

}  // namespace
