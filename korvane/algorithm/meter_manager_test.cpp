// The meter manager on its own: batching, resets, clip, trim; and the algorithm's release law
// and meter hooks without a host.
#include "korvane/algorithm/meter_manager.h"

#include "korvane/algorithm/testing/meter_test_algorithm.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

namespace kvKorvaneV10_0_3 {
namespace {

using test_support::MeterTestAlgorithm;

struct RecordingListener : KCMeterManager::Listener {
    struct Batch {
        std::vector<unsigned int> offsets;
        bool withReset = false;
    };
    std::vector<Batch> batches;
    std::vector<double> trims;
    std::vector<unsigned int> displayed;
    int forcedClip = -1;  // -1: leave the manager's verdict

    void ReadMeters(KCMeterManager::sMeter* batch, unsigned int count, bool withReset) override {
        Batch b;
        b.withReset = withReset;
        for (unsigned int i = 0; i < count; ++i) {
            b.offsets.push_back(batch[i].meter->GetReadOffset());
        }
        batches.push_back(b);
    }
    void Meters_ExecuteTrim(double dB) override { trims.push_back(dB); }
    void UpdateMeterDisplay(unsigned int paramIndex, KCParamExtensionMeter* meter) override {
        displayed.push_back(paramIndex);
        meter->SetNeedsUpdate(false);
    }
    void GetClipValue_Self(unsigned int /*paramIndex*/, int& clip) const override {
        if (forcedClip >= 0) {
            clip = forcedClip;
        }
    }
    void GetParamLabelString(unsigned int paramIndex, KCFixedStringBase& label) const override {
        label = paramIndex == 7 ? "Output" : "Other";
    }
};

class MeterManagerTest : public ::testing::Test {
protected:
    MeterManagerTest() { manager.FinishCreate(&listener); }

    KCParamExtensionMeter* Add(unsigned int offset, unsigned int paramIndex, bool clip = false) {
        std::unique_ptr<KCParamExtensionMeter> meter(clip ? new KCParamExtensionMeterWithClip()
                                                          : new KCParamExtensionMeter());
        meter->SetReadOffset(offset);
        meters.push_back(std::move(meter));
        manager.AddMeter(meters.back().get(), paramIndex);
        return meters.back().get();
    }

    std::vector<std::unique_ptr<KCParamExtensionMeter>> meters;
    RecordingListener listener;
    KCMeterManager manager;
};

TEST_F(MeterManagerTest, ReadsRunsOfConsecutiveOffsetsAsOneBatch) {
    Add(10, 0);
    Add(11, 1);
    Add(12, 2);
    Add(20, 3);
    manager.ReadFromDSP();
    ASSERT_EQ(listener.batches.size(), 2U);
    EXPECT_EQ(listener.batches[0].offsets, (std::vector<unsigned int>{10, 11, 12}));
    EXPECT_EQ(listener.batches[1].offsets, (std::vector<unsigned int>{20}));
}

TEST_F(MeterManagerTest, SplitsALongRunAtTheBatchLimit) {
    for (unsigned int i = 0; i < 51; ++i) {
        Add(100 + i, i);
    }
    manager.ReadFromDSP();
    ASSERT_EQ(listener.batches.size(), 2U);
    EXPECT_EQ(listener.batches[0].offsets.size(), KCMeterManager::kMaxBatch);
    EXPECT_EQ(listener.batches[1].offsets, (std::vector<unsigned int>{150}));
}

TEST_F(MeterManagerTest, ABatchEndsWhereTheKindOfReadChanges) {
    Add(0, 0)->SetReadWithReset(true);
    Add(1, 1)->SetReadWithReset(true);
    Add(2, 2);
    Add(3, 3)->SetReadWithReset(true);
    Add(7, 4);
    Add(8, 5);
    manager.ReadFromDSP();
    ASSERT_EQ(listener.batches.size(), 4U);
    EXPECT_EQ(listener.batches[0].offsets, (std::vector<unsigned int>{0, 1}));
    EXPECT_TRUE(listener.batches[0].withReset);
    EXPECT_EQ(listener.batches[1].offsets, (std::vector<unsigned int>{2}));
    EXPECT_FALSE(listener.batches[1].withReset);
    // A meter that reads with reset is reset even when a plain one sits right before it.
    EXPECT_EQ(listener.batches[2].offsets, (std::vector<unsigned int>{3}));
    EXPECT_TRUE(listener.batches[2].withReset);
    EXPECT_EQ(listener.batches[3].offsets, (std::vector<unsigned int>{7, 8}));
    EXPECT_FALSE(listener.batches[3].withReset);
}

TEST_F(MeterManagerTest, OptimizeSortsByOffsetKeepingEqualOffsetsInOrder) {
    Add(20, 0);
    Add(11, 1);
    Add(10, 2);
    Add(11, 3);
    manager.OptimizeMeterOrder();
    EXPECT_EQ(manager.GetMeterIndex(2), 0);
    EXPECT_EQ(manager.GetMeterIndex(1), 1);
    EXPECT_EQ(manager.GetMeterIndex(3), 2);
    EXPECT_EQ(manager.GetMeterIndex(0), 3);
    manager.ReadFromDSP();
    // 10, 11 then a repeated 11 breaks the run; 20 stands alone.
    ASSERT_EQ(listener.batches.size(), 3U);
    EXPECT_EQ(listener.batches[0].offsets, (std::vector<unsigned int>{10, 11}));
}

TEST_F(MeterManagerTest, IndexesOutOfRangeAndMissingMetersAreRefused) {
    Add(0, 4);
    double value = 0;
    EXPECT_EQ(manager.GetMeterIndex(5), -1);
    EXPECT_EQ(manager.GetExtensionMeter(1), nullptr);
    EXPECT_EQ(manager.GetMeterValue(1, &value, nullptr), -1);
    EXPECT_EQ(manager.GetMeterPeak(1, &value), -1);
    EXPECT_EQ(manager.ResetPeak(1), -1);
    EXPECT_EQ(manager.SetMeterReadOffset(1, 3), -1);
    EXPECT_EQ(manager.AutoTrimRegister(1, 12), -1);
    // A meter without clip cannot reset one.
    EXPECT_EQ(manager.ResetClip(0), -1);
}

TEST_F(MeterManagerTest, PeakHoldsUntilResetOrHoldTime) {
    KCParamExtensionMeter* meter = Add(0, 0);
    meter->SetReadMultiplier(2.0);
    meter->SetValueFromProcess(0.4, 100);
    meter->SetValueFromProcess(0.1, 200);
    double value = 0;
    double peak = 0;
    double when = 0;
    ASSERT_EQ(manager.GetMeterValue(0, &value, nullptr), 0);
    ASSERT_EQ(manager.GetMeterPeak(0, &peak), 0);
    ASSERT_EQ(manager.GetMeterLastPeakTime(0, &when), 0);
    EXPECT_DOUBLE_EQ(value, 0.2);
    EXPECT_DOUBLE_EQ(peak, 0.8);
    EXPECT_DOUBLE_EQ(when, 100);
    manager.SetFloorGain(MeterDBToGain(KCMeterManager::kFloorDB));
    manager.ResetAllPeak();
    ASSERT_EQ(manager.GetMeterPeak(0, &peak), 0);
    EXPECT_NEAR(MeterGainToDB(peak), -144.0, 1e-9);

    meter->SetPeakHoldMs(50);
    meter->SetValueFromProcess(0.5, 300);  // peak 1.0 at 300
    meter->SetValueFromProcess(0.1, 340);  // still held
    ASSERT_EQ(manager.GetMeterPeak(0, &peak), 0);
    EXPECT_DOUBLE_EQ(peak, 1.0);
    meter->SetValueFromProcess(0.1, 360);  // hold over: the peak follows the value
    ASSERT_EQ(manager.GetMeterPeak(0, &peak), 0);
    EXPECT_DOUBLE_EQ(peak, 0.2);
}

TEST_F(MeterManagerTest, ClipStaysUntilResetAndTheListenerDecides) {
    auto* meter = static_cast<KCParamExtensionMeterWithClip*>(Add(0, 0, true));
    Add(1, 1);
    meter->SetClipLevel(1.0);
    int clip = -5;
    double value = 0;
    meter->SetValueFromProcess(1.5, 0);
    meter->SetValueFromProcess(0.5, 10);
    ASSERT_EQ(manager.GetMeterValue(0, &value, &clip), 0);
    EXPECT_EQ(clip, 1);
    EXPECT_EQ(manager.ResetClip(0), 0);
    ASSERT_EQ(manager.GetMeterValue(0, &value, &clip), 0);
    EXPECT_EQ(clip, 0);
    // Disabled detection never clips.
    meter->SetClipDetectionEnabled(false);
    meter->SetValueFromProcess(3.0, 20);
    ASSERT_EQ(manager.GetMeterValue(0, &value, &clip), 0);
    EXPECT_EQ(clip, 0);
    // A meter without clip answers 0 unless the listener says otherwise.
    ASSERT_EQ(manager.GetMeterValue(1, &value, &clip), 0);
    EXPECT_EQ(clip, 0);
    listener.forcedClip = 1;
    ASSERT_EQ(manager.GetMeterValue(1, &value, &clip), 0);
    EXPECT_EQ(clip, 1);
}

TEST_F(MeterManagerTest, InfoCarriesTheIndexAndTheParameterLabel) {
    Add(0, 3);
    KCParamExtensionMeter* meter = Add(1, 7);
    KorvaneMeterInfo described;
    described.index = 99;
    described.kind = 2;
    described.channel = 1;
    meter->SetInfo(described);
    KorvaneMeterInfo info;
    ASSERT_EQ(manager.GetMeterInfo(1, info), 0);
    EXPECT_EQ(info.index, 1);
    EXPECT_EQ(info.kind, 2);
    EXPECT_EQ(info.channel, 1);
    EXPECT_STREQ(info.name.c_str(), "Output");
}

class AutoTrimTest : public MeterManagerTest {
protected:
    AutoTrimTest() {
        meter = Add(0, 0);
        EXPECT_EQ(manager.AutoTrimRegister(0, 12.0), 0);
    }
    KCParamExtensionMeter* meter = nullptr;
};

TEST_F(AutoTrimTest, ProposesTheGainThatBringsThePeakToZeroDB) {
    meter->SetValueFromProcess(2.0, 0);
    manager.UpdateDisplay();
    EXPECT_NEAR(manager.AutoTrimGet(), -6.0206, 1e-3);
    manager.AutoTrimExecute();
    ASSERT_EQ(listener.trims.size(), 1U);
    EXPECT_NEAR(listener.trims[0], -6.1206, 1e-3);
}

TEST_F(AutoTrimTest, APeakBelowTheLowBoundProposesTheBound) {
    meter->SetValueFromProcess(0.01, 0);  // -40 dB, below -12 dB
    manager.UpdateDisplay();
    EXPECT_NEAR(manager.AutoTrimGet(), 12.0, 1e-9);
    meter->SetValueFromProcess(100.0, 1);  // +40 dB, above +12 dB
    manager.UpdateDisplay();
    EXPECT_NEAR(manager.AutoTrimGet(), -12.0, 1e-9);
}

TEST_F(AutoTrimTest, ExecutingTwiceTrimsOnce) {
    meter->SetValueFromProcess(2.0, 0);
    manager.UpdateDisplay();
    manager.AutoTrimExecute();
    manager.AutoTrimExecute();  // a double click
    ASSERT_EQ(listener.trims.size(), 1U);
    double total = 0;
    for (double dB : listener.trims) {
        total += dB;
    }
    EXPECT_NEAR(total, -6.1206, 1e-3);
}

TEST_F(AutoTrimTest, TheNextReadResetsPeaksAndTheProposal) {
    manager.SetFloorGain(MeterDBToGain(KCMeterManager::kFloorDB));
    meter->SetValueFromProcess(2.0, 0);
    manager.UpdateDisplay();
    manager.AutoTrimExecute();
    EXPECT_TRUE(manager.IsTrimExecuted());
    manager.ReadFromDSP();
    EXPECT_FALSE(manager.IsTrimExecuted());
    EXPECT_EQ(manager.AutoTrimGet(), 0.0);
    double peak = 1;
    ASSERT_EQ(manager.GetMeterPeak(0, &peak), 0);
    EXPECT_LT(peak, 1e-6);
    // A new measurement can be executed again.
    meter->SetValueFromProcess(0.5, 10);
    manager.UpdateDisplay();
    manager.AutoTrimExecute();
    ASSERT_EQ(listener.trims.size(), 2U);
    EXPECT_NEAR(listener.trims[1], 6.0206 - 0.1, 1e-3);
}

TEST_F(AutoTrimTest, ResetClearsTheProposalAndPeaks) {
    meter->SetValueFromProcess(2.0, 0);
    manager.UpdateDisplay();
    manager.AutoTrimReset(true);
    EXPECT_EQ(manager.AutoTrimGet(), 0.0);
    manager.AutoTrimExecute();
    EXPECT_TRUE(listener.trims.empty());
}

// ------------------------------------------------------------------ the algorithm's side

class AlgorithmMetersTest : public ::testing::Test {
protected:
    AlgorithmMetersTest() : alg({5, 3, 4}, true) { EXPECT_EQ(alg.FinishCreate(), 0); }
    MeterTestAlgorithm alg;
};

TEST_F(AlgorithmMetersTest, FinishCreateFindsTheMetersAndInitDataSortsThem) {
    const KCMeterManager& meters = alg.GetMeterManager();
    ASSERT_EQ(meters.GetNumMeters(), 3U);
    EXPECT_EQ(meters.GetMeterIndex(MeterTestAlgorithm::MeterParam(0)), 0);
    EXPECT_EQ(meters.GetMeterIndex(MeterTestAlgorithm::kGain), -1);
    EXPECT_NEAR(MeterGainToDB(meters.GetFloorGain()), -144.0, 1e-9);
    ASSERT_EQ(alg.InitData(), 0);
    EXPECT_EQ(meters.GetMeterIndex(MeterTestAlgorithm::MeterParam(1)), 0);  // offset 3
    EXPECT_EQ(meters.GetMeterIndex(MeterTestAlgorithm::MeterParam(2)), 1);  // offset 4
    EXPECT_EQ(meters.GetMeterIndex(MeterTestAlgorithm::MeterParam(0)), 2);  // offset 5
    EXPECT_EQ(alg.ResetPeak(MeterTestAlgorithm::kGain), -1);
}

TEST_F(AlgorithmMetersTest, ReleaseFollowsTheDecayLaw) {
    alg.nowMs = 1010.0;
    double last = 1000.0;
    // Falling with 0.9 over 10 ms: k = 0.9^10.
    const double shown = alg.ReleaseVU(1.0, 0.0, &last, 0.5, 0.9);
    EXPECT_NEAR(shown, 1.0 - std::pow(0.9, 10.0), 1e-12);
    EXPECT_EQ(last, 1010.0);
    // Rising uses the rise coefficient.
    last = 1000.0;
    EXPECT_NEAR(alg.ReleaseVU(0.0, 1.0, &last, 0.5, 0.9), std::pow(0.5, 10.0), 1e-12);
    // Within the dead band nothing moves and the time is kept.
    last = 5.0;
    EXPECT_EQ(alg.ReleaseVU(0.5, 0.50005, &last, 0.5, 0.9), 0.5);
    EXPECT_EQ(last, 5.0);
}

TEST_F(AlgorithmMetersTest, ANonFiniteValueJumpsInsteadOfStickingTheDisplay) {
    const double floor = alg.GetMeterManager().GetFloorGain();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    alg.nowMs = 1010.0;
    double last = 1000.0;
    // A non-finite target has nothing to release towards: the floor.
    EXPECT_EQ(alg.ReleaseVU(0.5, nan, &last, 0.5, 0.9), floor);
    EXPECT_EQ(last, 1010.0);
    EXPECT_EQ(alg.ReleaseVU(0.5, inf, &last, 0.5, 0.9), floor);
    EXPECT_EQ(alg.ReleaseVU(0.5, -inf, &last, 0.5, 0.9), floor);
    // A non-finite display (a NaN read, or inf followed by a finite one) takes the target.
    EXPECT_EQ(alg.ReleaseVU(nan, 0.25, &last, 0.5, 0.9), 0.25);
    EXPECT_EQ(alg.ReleaseVU(inf, 0.25, &last, 0.5, 0.9), 0.25);
    EXPECT_EQ(alg.ReleaseVU(-inf, 0.25, &last, 0.5, 0.9), 0.25);
}

TEST_F(AlgorithmMetersTest, ADisplayRecoversFromANaNReadAndStopsAskingForUpdates) {
    KCParamExtensionMeter* meter = alg.GetMeterManager().GetExtensionMeter(0);
    meter->SetReleaseCoefs(0.5, 0.9);
    *meter->ReleaseTime() = alg.nowMs;
    meter->SetValueFromProcess(std::numeric_limits<double>::quiet_NaN(), alg.nowMs);
    meter->SetNeedsUpdate(true);
    alg.nowMs += 10.0;
    alg.GetMeterManager().UpdateDisplay();
    EXPECT_EQ(meter->GetDisplayedValue(), alg.GetMeterManager().GetFloorGain());
    EXPECT_FALSE(meter->NeedsUpdate());
    // The next real value is released towards as usual.
    meter->SetValueFromProcess(0.5, alg.nowMs);
    meter->SetNeedsUpdate(true);
    alg.nowMs += 10.0;
    alg.GetMeterManager().UpdateDisplay();
    const double shown = meter->GetDisplayedValue();
    ASSERT_TRUE(std::isfinite(shown));
    EXPECT_GT(shown, 0.0);
    EXPECT_LT(shown, 0.5);
    EXPECT_TRUE(meter->NeedsUpdate());
}

TEST_F(AlgorithmMetersTest, WithoutACoefficientTheDisplayFollowsAtOnce) {
    alg.nowMs = 1010.0;
    double last = 1000.0;
    EXPECT_EQ(alg.ReleaseVU(1.0, 0.25, &last, 0.0, 0.0), 0.25);
    EXPECT_EQ(last, 1010.0);
    EXPECT_EQ(alg.ReleaseVU(0.25, 1.0, &last, 0.0, 0.0), 1.0);
    // Only the direction without a coefficient jumps.
    last = 1000.0;
    EXPECT_EQ(alg.ReleaseVU(1.0, 0.25, &last, 0.5, 0.0), 0.25);
    last = 1000.0;
    EXPECT_NEAR(alg.ReleaseVU(0.25, 1.0, &last, 0.5, 0.0), 0.25 + 0.75 * std::pow(0.5, 10.0),
                1e-12);
    // A meter left at its default coefficients settles in one idle pass instead of asking for
    // an update forever.
    KCParamExtensionMeter* meter = alg.GetMeterManager().GetExtensionMeter(0);
    meter->SetValueFromProcess(0.5, alg.nowMs);
    meter->SetNeedsUpdate(true);
    alg.nowMs += 10.0;
    alg.GetMeterManager().UpdateDisplay();
    EXPECT_EQ(meter->GetDisplayedValue(), meter->GetCurrentValue());
    EXPECT_FALSE(meter->NeedsUpdate());
}

TEST_F(AlgorithmMetersTest, ReleaseStaysFiniteWhenTheClockStepsBack) {
    alg.nowMs = 1000.0;
    double last = 6000.0;  // later than now
    double shown = 1.0;
    for (int i = 0; i < 3; ++i) {
        const double before = shown;
        shown = alg.ReleaseVU(shown, 0.0, &last, 0.0, 0.9);
        ASSERT_TRUE(std::isfinite(shown));
        EXPECT_LE(shown, before);
        EXPECT_GE(shown, 0.0);
        alg.nowMs += 5.0;
    }
}

TEST_F(AlgorithmMetersTest, ReleaseStaysFiniteWithADecayAboveOne) {
    alg.nowMs = 1000.0;
    double last = 0.0;
    double shown = 1.0;
    for (int i = 0; i < 3; ++i) {
        const double before = shown;
        shown = alg.ReleaseVU(shown, 0.25, &last, 0.0, 1.5);
        ASSERT_TRUE(std::isfinite(shown));
        EXPECT_LE(shown, before);
        EXPECT_GE(shown, 0.25);
        alg.nowMs += 100.0;
    }
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
