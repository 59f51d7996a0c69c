// Meters of a plug-in algorithm read from the reference host's state memory at idle time, in
// the float and the 24-bit fixed-point process formats.
#include "host/reference_host.h"
#include "host/testing/algorithm_start.h"

#include "korvane/algorithm/testing/meter_test_algorithm.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

using KorvaneHost::testing::ConnectAndInit;

using kvKorvaneV10_0_3::eSetupB;
using kvKorvaneV10_0_3::KCMeterManager;
using kvKorvaneV10_0_3::KCParamExtensionMeter;
using kvKorvaneV10_0_3::test_support::MeterTestAlgorithm;
namespace PM = kvKorvaneV10_0_3::ProcessMemory;
using KorvaneHost::HostConfig;
using KorvaneHost::ReferenceHost;

constexpr int kStates = 64;

HostConfig LimitedConfig(bool fixed) {
    HostConfig config = fixed ? KorvaneHost::Fixed24Config() : KorvaneHost::Float32Config();
    config.maxReadCount = static_cast<std::int32_t>(KCMeterManager::kMaxBatch);
    return config;
}

std::vector<unsigned int> Consecutive(unsigned int n, unsigned int first) {
    std::vector<unsigned int> offsets;
    for (unsigned int i = 0; i < n; ++i) {
        offsets.push_back(first + i);
    }
    return offsets;
}

class MetersOnHost : public ::testing::TestWithParam<bool> {
protected:
    // 51 meters on the consecutive states 2 ... 52, each with clip.
    MetersOnHost() : host(LimitedConfig(GetParam())), alg(Consecutive(51, 2), true) {}

    void Start(bool ready = true) {
        ASSERT_EQ(host.SizeSpace(PM::eCoefsSpace, MeterTestAlgorithm::kCount), 0);
        ASSERT_EQ(host.SizeSpace(PM::eStatesSpace, kStates), 0);
        ASSERT_TRUE(ConnectAndInit(host, alg, ready ? "InitInstanceData" : "FinishCreate"));
        if (ready) {
            alg.SetProcessActive(true);
        }
    }

    // What the process leaves in state `offset`; within every format's range.
    static double Level(unsigned int offset) { return static_cast<double>(offset) / 128.0; }

    double Value(unsigned int meter) const {
        double value = -1;
        EXPECT_EQ(alg.GetMeterManager().GetMeterValue(meter, &value, nullptr), 0);
        return value;
    }

    ReferenceHost host;
    MeterTestAlgorithm alg;
};

TEST_P(MetersOnHost, FiftyOneMetersReadAsFiftyAndOne) {
    Start();
    for (int offset = 0; offset < kStates; ++offset) {
        ASSERT_EQ(host.WriteDouble(PM::eStatesSpace, offset, Level(offset)), 0);
    }
    const auto reads = host.CallCount(PM::eSelExecuteChain);
    EXPECT_EQ(alg.DoIdle(0), 0);
    EXPECT_EQ(host.CallCount(PM::eSelExecuteChain) - reads, 2U);
    EXPECT_TRUE(host.Misuse().All().empty());
    const KCMeterManager& meters = alg.GetMeterManager();
    ASSERT_EQ(meters.GetNumMeters(), 51U);
    for (unsigned int i = 0; i < 51; ++i) {
        EXPECT_NEAR(Value(i), Level(meters.GetExtensionMeter(i)->GetReadOffset()), 1e-6) << i;
    }
    EXPECT_EQ(host.LiveBuffers(), 0U);
}

TEST_P(MetersOnHost, ReadsWithResetLeaveTheResetValueInTheProcess) {
    Start();
    for (unsigned int i = 0; i < alg.GetMeterManager().GetNumMeters(); ++i) {
        KCParamExtensionMeter* meter = alg.GetMeterManager().GetExtensionMeter(i);
        meter->SetReadWithReset(true);
        meter->SetReadResetValues(0.125, 0.25);
    }
    ASSERT_EQ(host.WriteDouble(PM::eStatesSpace, 2, 0.5), 0);
    ASSERT_EQ(host.WriteDouble(PM::eStatesSpace, 52, 0.75), 0);
    EXPECT_EQ(alg.DoIdle(0), 0);
    EXPECT_NEAR(Value(0), 0.5, 1e-6);
    EXPECT_NEAR(Value(50), 0.75, 1e-6);
    EXPECT_NEAR(host.ReadDouble(PM::eStatesSpace, 2).value_or(-1), 0.125, 1e-6);
    EXPECT_NEAR(host.ReadDouble(PM::eStatesSpace, 52).value_or(-1), 0.125, 1e-6);
    // The next read sees the measurement the reset started.
    EXPECT_EQ(alg.DoIdle(0), 0);
    EXPECT_NEAR(Value(0), 0.125, 1e-6);
}

TEST_P(MetersOnHost, NothingIsReadBeforeTheProcessIsReady) {
    Start(false);
    alg.SetProcessActive(true);
    EXPECT_EQ(alg.DoIdle(0), 0);
    EXPECT_EQ(host.CallCount(PM::eSelNewBuffer), 0U);
    EXPECT_EQ(host.CallCount(PM::eSelExecuteChain), 0U);
    // ReadVU keeps its value too.
    EXPECT_EQ(alg.ReadVU(2, 0, 0.5), 0.5);
    EXPECT_EQ(host.CallCount(PM::eSelExecuteChain), 0U);
}

TEST_P(MetersOnHost, AStoppedProcessDropsTheMetersToTheFloorAndIsNotRead) {
    Start();
    ASSERT_EQ(host.WriteDouble(PM::eStatesSpace, 2, 0.5), 0);
    EXPECT_EQ(alg.DoIdle(0), 0);
    EXPECT_NEAR(Value(0), 0.5, 1e-6);
    alg.SetProcessActive(false);
    const auto reads = host.CallCount(PM::eSelExecuteChain);
    EXPECT_EQ(alg.DoIdle(0), 0);
    EXPECT_EQ(host.CallCount(PM::eSelExecuteChain), reads);
    EXPECT_LT(Value(0), 1e-6);
    double peak = 1;
    ASSERT_EQ(alg.GetMeterManager().GetMeterPeak(0, &peak), 0);
    EXPECT_LT(peak, 1e-6);
}

TEST_P(MetersOnHost, ASetupSwitchResetsPeaksAndClips) {
    Start();
    ASSERT_EQ(host.WriteDouble(PM::eStatesSpace, 2, 0.75), 0);
    EXPECT_EQ(alg.DoIdle(0), 0);
    ASSERT_EQ(host.WriteDouble(PM::eStatesSpace, 2, 0.25), 0);
    EXPECT_EQ(alg.DoIdle(0), 0);
    double peak = 0;
    ASSERT_EQ(alg.GetMeterManager().GetMeterPeak(0, &peak), 0);
    EXPECT_NEAR(peak, 0.75, 1e-6);
    alg.ToggleActiveSetup(eSetupB);
    EXPECT_EQ(alg.DoIdle(0), 0);
    ASSERT_EQ(alg.GetMeterManager().GetMeterPeak(0, &peak), 0);
    EXPECT_NEAR(peak, 0.25, 1e-6);
}

TEST_P(MetersOnHost, TheDisplayReleasesTowardsTheValueAtIdle) {
    Start();
    KCParamExtensionMeter* meter = alg.GetMeterManager().GetExtensionMeter(0);
    meter->SetReleaseCoefs(0.5, 0.99);
    *meter->ReleaseTime() = alg.nowMs;
    meter->SetDisplayedValue(0.75);
    ASSERT_EQ(host.WriteDouble(PM::eStatesSpace, 2, 0.0), 0);
    double shown = 0.75;
    for (int i = 0; i < 4; ++i) {
        alg.nowMs += 20.0;
        EXPECT_EQ(alg.DoIdle(0), 0);
        EXPECT_LT(meter->GetDisplayedValue(), shown);
        EXPECT_GT(meter->GetDisplayedValue(), 0.0);
        shown = meter->GetDisplayedValue();
        EXPECT_TRUE(meter->NeedsUpdate());
    }
}

TEST_P(MetersOnHost, ResetAllClipTellsTheHost) {
    Start();
    ASSERT_EQ(host.WriteDouble(PM::eStatesSpace, 2, 0.9), 0);
    auto* meter = static_cast<kvKorvaneV10_0_3::KCParamExtensionMeterWithClip*>(
        alg.GetMeterManager().GetExtensionMeter(0));
    meter->SetClipLevel(0.8);
    EXPECT_EQ(alg.DoIdle(0), 0);
    int clip = 0;
    ASSERT_EQ(alg.GetMeterManager().GetMeterValue(0, nullptr, &clip), 0);
    EXPECT_EQ(clip, 1);
    ASSERT_EQ(host.WriteDouble(PM::eStatesSpace, 2, 0.1), 0);
    EXPECT_EQ(alg.DoIdle(0), 0);
    alg.ResetAllClip();
    ASSERT_EQ(alg.GetMeterManager().GetMeterValue(0, nullptr, &clip), 0);
    EXPECT_EQ(clip, 0);
    EXPECT_EQ(host.Events().Of(PM::eSelResetAllClip).size(), 1U);
}

// A host that bounds reads below the manager's batch: the refused reads are split until they fit.
TEST_P(MetersOnHost, AHostWithALowerReadLimitStillGetsEveryMeterRead) {
    HostConfig config = LimitedConfig(GetParam());
    config.maxReadCount = 20;
    ReferenceHost small(config);
    MeterTestAlgorithm meters(Consecutive(51, 2), true);
    ASSERT_EQ(small.SizeSpace(PM::eCoefsSpace, MeterTestAlgorithm::kCount), 0);
    ASSERT_EQ(small.SizeSpace(PM::eStatesSpace, kStates), 0);
    ASSERT_TRUE(ConnectAndInit(small, meters));
    meters.SetProcessActive(true);
    for (int offset = 0; offset < kStates; ++offset) {
        ASSERT_EQ(small.WriteDouble(PM::eStatesSpace, offset, Level(offset)), 0);
    }
    // 50 is refused, 25 too, 12 + 13 fit twice; then the lone 51st.
    EXPECT_EQ(meters.DoIdle(0), 0);
    EXPECT_EQ(small.CallCount(PM::eSelExecuteChain), 5U);
    const KCMeterManager& manager = meters.GetMeterManager();
    for (unsigned int i = 0; i < manager.GetNumMeters(); ++i) {
        double value = -1;
        ASSERT_EQ(manager.GetMeterValue(i, &value, nullptr), 0);
        EXPECT_NEAR(value, Level(manager.GetExtensionMeter(i)->GetReadOffset()), 1e-6) << i;
    }
    EXPECT_EQ(small.LiveBuffers(), 0U);
}

// --- The kept read chain: ReadMetersSend / ReadMetersReceive.

TEST_P(MetersOnHost, TheKeptChainReadsEveryMeterAndIsReusedWithoutNewBuffers) {
    Start();
    KCMeterManager& meters = alg.GetMeterManager();
    for (int offset = 0; offset < kStates; ++offset) {
        ASSERT_EQ(host.WriteDouble(PM::eStatesSpace, offset, Level(offset)), 0);
    }
    PM::BUFFER_HEADER* chain = meters.ReadMetersSend();
    ASSERT_NE(chain, nullptr);
    // 51 consecutive meters: 50 + 1, joined in one chain and executed in one call.
    EXPECT_EQ(alg.GetMetersBuffers().NumBuffers(), 2U);
    EXPECT_EQ(host.LiveBuffers(), 2U);
    const auto allocations = host.CallCount(PM::eSelNewBuffer);
    const auto reads = host.CallCount(PM::eSelExecuteChain);
    const auto frees = host.CallCount(PM::eSelFreeChain);
    ASSERT_EQ(alg.SendBuffers(chain, PM::eSelExecuteChain), 0);
    meters.ReadMetersReceive();
    for (unsigned int i = 0; i < 51; ++i) {
        EXPECT_NEAR(Value(i), Level(meters.GetExtensionMeter(i)->GetReadOffset()), 1e-6) << i;
    }
    // The next reads use the same buffers and see the new levels.
    for (int pass = 0; pass < 3; ++pass) {
        ASSERT_EQ(host.WriteDouble(PM::eStatesSpace, 2, 0.0625 * (pass + 1)), 0);
        ASSERT_EQ(host.WriteDouble(PM::eStatesSpace, 52, 0.5 - 0.0625 * pass), 0);
        ASSERT_EQ(meters.ReadMetersSend(), chain);
        ASSERT_EQ(alg.SendBuffers(chain, PM::eSelExecuteChain), 0);
        meters.ReadMetersReceive();
        EXPECT_NEAR(Value(0), 0.0625 * (pass + 1), 1e-6);
        EXPECT_NEAR(Value(50), 0.5 - 0.0625 * pass, 1e-6);
    }
    EXPECT_EQ(host.CallCount(PM::eSelNewBuffer), allocations);
    EXPECT_EQ(host.CallCount(PM::eSelExecuteChain) - reads, 4U);
    EXPECT_EQ(host.CallCount(PM::eSelFreeChain), frees);
    EXPECT_EQ(host.LiveBuffers(), 2U);
    EXPECT_TRUE(host.Misuse().All().empty());
}

TEST_P(MetersOnHost, TheKeptChainWritesTheResetValuesBeforeEveryRead) {
    Start();
    KCMeterManager& meters = alg.GetMeterManager();
    // Two runs of different kinds of read: state 2 resets, 3 ... 52 do not.
    KCParamExtensionMeter* first = meters.GetExtensionMeter(0);
    first->SetReadWithReset(true);
    first->SetReadResetValues(0.125, 0.25);
    for (int pass = 0; pass < 2; ++pass) {
        ASSERT_EQ(host.WriteDouble(PM::eStatesSpace, 2, 0.5 + pass * 0.25), 0);
        ASSERT_EQ(host.WriteDouble(PM::eStatesSpace, 3, 0.375), 0);
        PM::BUFFER_HEADER* chain = meters.ReadMetersSend();
        ASSERT_NE(chain, nullptr);
        ASSERT_EQ(alg.SendBuffers(chain, PM::eSelExecuteChain), 0);
        meters.ReadMetersReceive();
        EXPECT_NEAR(Value(0), 0.5 + pass * 0.25, 1e-6);
        EXPECT_NEAR(Value(1), 0.375, 1e-6);
        EXPECT_NEAR(host.ReadDouble(PM::eStatesSpace, 2).value_or(-1), 0.125, 1e-6);
        EXPECT_NEAR(host.ReadDouble(PM::eStatesSpace, 3).value_or(-1), 0.375, 1e-6);
    }
    EXPECT_EQ(alg.GetMetersBuffers().NumBuffers(), 2U);  // 1 with reset, 50 without
}

TEST_P(MetersOnHost, TheKeptChainFollowsChangedOffsetsAndRefreshRequests) {
    Start();
    KCMeterManager& meters = alg.GetMeterManager();
    ASSERT_NE(meters.ReadMetersSend(), nullptr);
    ASSERT_EQ(host.LiveBuffers(), 2U);
    const auto allocations = host.CallCount(PM::eSelNewBuffer);
    // The last meter moves next to the others' end: one run of 50 and one of 1 still, but
    // at state 60.
    ASSERT_EQ(alg.SetMeterReadOffset(MeterTestAlgorithm::MeterParam(50), 60), 0);
    ASSERT_EQ(host.WriteDouble(PM::eStatesSpace, 60, 0.875), 0);
    PM::BUFFER_HEADER* chain = meters.ReadMetersSend();
    ASSERT_NE(chain, nullptr);
    EXPECT_GT(host.CallCount(PM::eSelNewBuffer), allocations);
    EXPECT_EQ(host.LiveBuffers(), 2U);  // the old chain was freed
    ASSERT_EQ(alg.SendBuffers(chain, PM::eSelExecuteChain), 0);
    meters.ReadMetersReceive();
    EXPECT_NEAR(Value(50), 0.875, 1e-6);
    // Nothing the algorithm can see changed, but it is asked to: built again.
    const auto before = host.CallCount(PM::eSelNewBuffer);
    alg.RequestRefreshMetersBuffers();
    ASSERT_NE(meters.ReadMetersSend(), nullptr);
    EXPECT_EQ(host.CallCount(PM::eSelNewBuffer) - before, 2U);
    EXPECT_EQ(host.LiveBuffers(), 2U);
    // Asked once: the send after it reuses the chain.
    ASSERT_NE(meters.ReadMetersSend(), nullptr);
    EXPECT_EQ(host.CallCount(PM::eSelNewBuffer) - before, 2U);
    EXPECT_EQ(alg.RefreshMetersBuffers(), 0);
    EXPECT_EQ(host.CallCount(PM::eSelNewBuffer) - before, 4U);
    EXPECT_EQ(host.LiveBuffers(), 2U);
    EXPECT_TRUE(host.Misuse().All().empty());
}

TEST_P(MetersOnHost, AReceiveStoresOnlyTheAnswerOfASend) {
    Start(false);
    KCMeterManager& meters = alg.GetMeterManager();
    // Not ready: nothing to send, nothing built.
    EXPECT_EQ(meters.ReadMetersSend(), nullptr);
    EXPECT_EQ(alg.RefreshMetersBuffers(), kvKorvaneV10_0_3::eSomeThingNotInitailzed);
    EXPECT_EQ(host.CallCount(PM::eSelNewBuffer), 0U);
    ASSERT_EQ(alg.InitProcessCode(), 0);
    ASSERT_EQ(alg.InitData(), 0);
    ASSERT_EQ(host.WriteDouble(PM::eStatesSpace, 2, 0.5), 0);
    // Built, read, but no send since: the refresh left nothing to receive.
    ASSERT_EQ(alg.RefreshMetersBuffers(), 0);
    ASSERT_EQ(alg.SendBuffers(alg.GetMetersBuffers().Chain(), PM::eSelExecuteChain), 0);
    meters.ReadMetersReceive();
    EXPECT_NEAR(Value(0), 0.0, 1e-12);
    PM::BUFFER_HEADER* chain = meters.ReadMetersSend();
    ASSERT_EQ(alg.SendBuffers(chain, PM::eSelExecuteChain), 0);
    meters.ReadMetersReceive();
    EXPECT_NEAR(Value(0), 0.5, 1e-6);
    // A second receive of the same answer stores nothing: the peak reset stays.
    meters.ResetAllPeak();
    meters.ReadMetersReceive();
    double peak = 1;
    ASSERT_EQ(meters.GetMeterPeak(0, &peak), 0);
    EXPECT_LT(peak, 1e-6);
}

TEST_P(MetersOnHost, ReadMeterSelfConvertsEveryValueRead) {
    Start();
    std::vector<unsigned int> seen;
    // A process that keeps squared levels.
    alg.readMeter = [&seen](unsigned int param, double raw) {
        seen.push_back(param);
        return std::sqrt(raw);
    };
    ASSERT_EQ(host.WriteDouble(PM::eStatesSpace, 2, 0.25), 0);
    // The idle reads ...
    EXPECT_EQ(alg.DoIdle(0), 0);
    EXPECT_NEAR(Value(0), 0.5, 1e-6);
    ASSERT_EQ(seen.size(), 51U);
    EXPECT_EQ(seen.front(), MeterTestAlgorithm::MeterParam(0));
    // ... and the kept chain, before the multiplier.
    ASSERT_EQ(alg.GetMeterManager().SetMeterReadMultiplier(0, 2.0), 0);
    ASSERT_EQ(host.WriteDouble(PM::eStatesSpace, 2, 0.0625), 0);
    KCMeterManager& meters = alg.GetMeterManager();
    ASSERT_EQ(alg.SendBuffers(meters.ReadMetersSend(), PM::eSelExecuteChain), 0);
    meters.ReadMetersReceive();
    EXPECT_NEAR(Value(0), 0.5, 1e-6);
    EXPECT_EQ(seen.size(), 102U);
}

// The kept chain on a host that bounds reads below the batch, and its release with the
// algorithm.
TEST_P(MetersOnHost, TheKeptChainIsSplitForALowReadLimitAndFreedWithTheAlgorithm) {
    HostConfig config = LimitedConfig(GetParam());
    config.maxReadCount = 20;
    ReferenceHost small(config);
    {
        MeterTestAlgorithm meters(Consecutive(51, 2), true);
        ASSERT_EQ(small.SizeSpace(PM::eCoefsSpace, MeterTestAlgorithm::kCount), 0);
        ASSERT_EQ(small.SizeSpace(PM::eStatesSpace, kStates), 0);
        ASSERT_TRUE(ConnectAndInit(small, meters, "InitData"));
        for (int offset = 0; offset < kStates; ++offset) {
            ASSERT_EQ(small.WriteDouble(PM::eStatesSpace, offset, Level(offset)), 0);
        }
        KCMeterManager& manager = meters.GetMeterManager();
        PM::BUFFER_HEADER* chain = manager.ReadMetersSend();
        ASSERT_NE(chain, nullptr);
        // 50 and 25 refused; 12 + 13 + 12 + 13, then the 51st.
        EXPECT_EQ(meters.GetMetersBuffers().NumBuffers(), 5U);
        EXPECT_EQ(meters.GetMetersBuffers().NumMetersRead(), 51U);
        EXPECT_EQ(small.LiveBuffers(), 5U);
        ASSERT_EQ(meters.SendBuffers(chain, PM::eSelExecuteChain), 0);
        manager.ReadMetersReceive();
        for (unsigned int i = 0; i < manager.GetNumMeters(); ++i) {
            double value = -1;
            ASSERT_EQ(manager.GetMeterValue(i, &value, nullptr), 0);
            EXPECT_NEAR(value, Level(manager.GetExtensionMeter(i)->GetReadOffset()), 1e-6) << i;
        }
    }
    EXPECT_EQ(small.LiveBuffers(), 0U);
}

INSTANTIATE_TEST_SUITE_P(Formats, MetersOnHost, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Fixed24" : "Float32"; });

}  // namespace
