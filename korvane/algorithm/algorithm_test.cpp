// cALGORITHM without a host: parameter writes, drags, display refresh, setups, chunks and the
// state the shell drives.
#include "korvane/algorithm/algorithm.h"

#include "korvane/algorithm/testing/test_algorithm.h"
#include "korvane/core/error_codes.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace kvKorvaneV10_0_3 {
namespace {

using test_support::TestAlgorithm;

struct RecordingListener : KCAlgorithmListener {
    std::vector<EPluginSetup> modified;
    std::vector<EPluginSetup> activated;
    std::vector<std::string> titles;
    std::vector<bool> sideChain;
    void PresetModified(EPluginSetup setup) override { modified.push_back(setup); }
    void ActiveSetupChanged(EPluginSetup setup) override { activated.push_back(setup); }
    void SetupTitleChanged(EPluginSetup /*setup*/, const KCFixedStringBase& title) override {
        titles.emplace_back(title.c_str());
    }
    void ActiveSideChainChanged(bool active) override { sideChain.push_back(active); }
};

class Algorithm : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(alg.FinishCreate(), 0);
        alg.Broadcaster()->AddListener(&listener);
    }
    void TearDown() override { alg.Broadcaster()->RemoveListener(&listener); }

    TestAlgorithm alg;
    RecordingListener listener;
};

TEST_F(Algorithm, FinishCreateBuildsAndScalesTheParameters) {
    EXPECT_TRUE(alg.IsCreated());
    ASSERT_EQ(alg.GetNumParams(), TestAlgorithm::kCount);
    EXPECT_EQ(alg.GetParamState(TestAlgorithm::kGain), 500);
    EXPECT_EQ(alg.GetParamRealWorld(TestAlgorithm::kGain), 0.0);
    EXPECT_EQ(alg.GetParamState(99), 0.0);
    EXPECT_EQ(alg.GetParamIDFromName("Mode"), 1);
    EXPECT_EQ(alg.GetParamIDFromName("Nope"), -1);
    EXPECT_EQ(alg.GetSampleRate(), 44100);
    EXPECT_EQ(alg.GetActiveSetup(), eSetupA);
    EXPECT_TRUE(alg.IsUpdateAlgRequired());
}

// Descriptions name their display function: every built-in name must resolve.
TEST_F(Algorithm, EveryBuiltInDisplayFunctionCanBeNamed) {
    for (const char* name :
         {"DisplayFloat0", "DisplayFloat1", "DisplayFloat2", "DisplayFloat3", "DisplayFloat4",
          "DisplayFloat0WithHz", "DisplayFloat1WithHz", "DisplayGainWithDB", "DisplayRatioFloat2",
          "DisplayVuHold", "DisplayOnOff", "DisplayInOut", "DisplayInOutDefaultIn",
          "DisplayInOutDefaultOut", "DisplayPhaseDefaultPlus", "DisplayNothing", "DisplayTheSame",
          "DisplayRealWorldString"}) {
        EXPECT_EQ(alg.GetDisplayFunctionsMap().count(KCFixedString<63>(name)), 1U) << name;
    }
}

TEST_F(Algorithm, UpdateParamStateCountsOnlyRealChanges) {
    EXPECT_EQ(alg.UpdateParamState(TestAlgorithm::kGain, 1000.5), nullptr);
    EXPECT_EQ(alg.UpdateParamState(TestAlgorithm::kGain, -0.1), nullptr);
    EXPECT_EQ(alg.UpdateParamState(TestAlgorithm::kGain, 500), nullptr);  // unchanged
    EXPECT_EQ(alg.updateParamCalls, 0);
    EXPECT_TRUE(listener.modified.empty());

    alg.UpdateParamState(TestAlgorithm::kGain, 750);
    EXPECT_EQ(alg.updateParamCalls, 1);
    EXPECT_DOUBLE_EQ(alg.GetParamRealWorld(TestAlgorithm::kGain), 12.0);
    EXPECT_EQ(listener.modified, std::vector<EPluginSetup>{eSetupA});

    // A state step too small to move the quantised value only asks for a display refresh.
    alg.GetParam(TestAlgorithm::kGain).SetUpdateLevel(0);
    alg.UpdateParamState(TestAlgorithm::kGain, 750.5);
    EXPECT_EQ(alg.updateParamCalls, 1);
    EXPECT_EQ(alg.GetParam(TestAlgorithm::kGain).GetUpdateLevel(), 3);

    // Discrete states are quantised.
    alg.UpdateParamState(TestAlgorithm::kMode, 1.4);
    EXPECT_EQ(alg.GetParamState(TestAlgorithm::kMode), 1.0);

    // "AlwaysUpdate" and "DisplayOnlyParam" count even when nothing changes; the latter does not
    // mark the preset modified.
    const auto before = listener.modified.size();
    alg.UpdateParamState(TestAlgorithm::kAlways, 0);
    alg.UpdateParamState(TestAlgorithm::kMeter, 0);
    EXPECT_EQ(alg.updateParamCalls, 4);
    alg.UpdateParamState(TestAlgorithm::kMeter, 300);
    EXPECT_EQ(listener.modified.size(), before);

    // A parameter that needs a reset counts once.
    alg.GetParam(TestAlgorithm::kGain).SetNeedToReset(true);
    alg.UpdateParamState(TestAlgorithm::kGain, 750);
    alg.UpdateParamState(TestAlgorithm::kGain, 750);
    EXPECT_EQ(alg.updateParamCalls, 6);
}

// A pending reset makes an unchanged state count: the plug-in hears of it, but the typed value
// stays as it is (no move onto the 0.1 dB grid) and the preset is not marked modified.
TEST_F(Algorithm, APendingResetReachesTheHookWithoutEditingTheValue) {
    alg.UpdateParamRealWorld(TestAlgorithm::kGain, 6.25);
    const double state = alg.GetParamState(TestAlgorithm::kGain);
    const int calls = alg.updateParamCalls;
    const auto edits = listener.modified.size();

    alg.GetParam(TestAlgorithm::kGain).SetNeedToReset(true);
    alg.GetParam(TestAlgorithm::kGain).SetUpdateLevel(0);
    alg.UpdateParamState(TestAlgorithm::kGain, state);
    EXPECT_EQ(alg.updateParamCalls, calls + 1);
    EXPECT_EQ(alg.GetParamRealWorld(TestAlgorithm::kGain), 6.25);
    EXPECT_EQ(listener.modified.size(), edits);
    EXPECT_FALSE(alg.GetParam(TestAlgorithm::kGain).IsNeedToReset());
    EXPECT_EQ(alg.GetParam(TestAlgorithm::kGain).GetUpdateLevel(), 3);

    alg.UpdateParamState(TestAlgorithm::kGain, state);
    EXPECT_EQ(alg.updateParamCalls, calls + 1) << "the reset is spent";
}

TEST_F(Algorithm, RealWorldWritesAndRequests) {
    alg.UpdateParamRealWorld(TestAlgorithm::kGain, 6.25);
    EXPECT_DOUBLE_EQ(alg.GetParamRealWorld(TestAlgorithm::kGain), 6.25);
    EXPECT_NEAR(alg.GetParamState(TestAlgorithm::kGain), 630.2083, 1e-3);
    EXPECT_EQ(alg.updateParamCalls, 1);
    alg.UpdateParamRealWorld(TestAlgorithm::kGain, 6.25);
    EXPECT_EQ(alg.updateParamCalls, 1);

    // A request is limited onto the scale first.
    alg.UpdateParamRequestRealWorld(TestAlgorithm::kGain, 99);
    EXPECT_DOUBLE_EQ(alg.GetParamRealWorld(TestAlgorithm::kGain), 24);

    double reset = -1;
    alg.SetParamResetState(TestAlgorithm::kMode, reset);
    EXPECT_EQ(reset, 2);
    EXPECT_EQ(alg.GetParamState(TestAlgorithm::kMode), 2);

    ETranslateTextRetType result = eTranslateTextAccepted;
    alg.UpdateParamFromText(TestAlgorithm::kGain, KCFixedString<15>("-3"), result);
    EXPECT_EQ(result, eTranslateTextAccepted);
    EXPECT_DOUBLE_EQ(alg.GetParamRealWorld(TestAlgorithm::kGain), -3);
    alg.UpdateParamFromText(TestAlgorithm::kGain, KCFixedString<15>("40"), result);
    EXPECT_EQ(result, eTranslateTextRejected);
    EXPECT_DOUBLE_EQ(alg.GetParamRealWorld(TestAlgorithm::kGain), -3);
}

TEST_F(Algorithm, DragsReachTheProcessingOnlyWithTheFinalSet) {
    const unsigned int f = TestAlgorithm::kDragged;
    EXPECT_EQ(alg.DragParam(f, 1001), nullptr);
    alg.DragParam(f, 600);
    alg.DragParam(f, 700);
    EXPECT_EQ(alg.updateParamCalls, 0);
    EXPECT_EQ(alg.GetParamState(f), 700);
    EXPECT_EQ(alg.GetParam(f).GetDragStartState(), 500) << "the drag remembers where it began";
    // The final set counts although the state already is 700, and ends the drag.
    alg.UpdateParamState(f, 700);
    EXPECT_EQ(alg.updateParamCalls, 1);
    EXPECT_EQ(alg.GetParam(f).GetDragStartState(), -1.0);
    EXPECT_FALSE(listener.modified.empty());
    // Display-only parameters cannot be dragged.
    alg.DragParam(TestAlgorithm::kMeter, 100);
    EXPECT_EQ(alg.GetParamState(TestAlgorithm::kMeter), 0);
}

TEST_F(Algorithm, IdleRefreshTriesTheLockAndClearsWhatItShowed) {
    alg.UpdateParamState(TestAlgorithm::kGain, 750);
    EXPECT_EQ(alg.DoIdle(3), 0);
    EXPECT_EQ(alg.GetParamValueString(TestAlgorithm::kGain), "12.0 dB");
    EXPECT_EQ(alg.GetParam(TestAlgorithm::kGain).GetUpdateLevel(), 0);
    const int shown = alg.displayCalls;
    EXPECT_EQ(alg.DoIdle(3), 0);
    EXPECT_EQ(alg.displayCalls, shown) << "nothing pending, nothing refreshed";

    alg.UpdateParamState(TestAlgorithm::kGain, 250);
    std::atomic<bool> held{false};
    std::atomic<bool> done{false};
    std::thread holder([&] {
        alg.LockAlg();
        held = true;
        while (!done) {
            std::this_thread::yield();
        }
        alg.UnLockAlg();
    });
    while (!held) {
        std::this_thread::yield();
    }
    EXPECT_EQ(alg.UpdateDisplay(TestAlgorithm::kGain), kAlgLockBusy);
    EXPECT_EQ(alg.DoIdle(3), kAlgLockBusy);
    EXPECT_EQ(alg.GetParamValueString(TestAlgorithm::kGain), "12.0 dB") << "untouched while busy";
    done = true;
    holder.join();
    EXPECT_EQ(alg.GetParam(TestAlgorithm::kGain).GetUpdateLevel(), 3) << "still pending";
    EXPECT_EQ(alg.DoIdle(3), 0);
    EXPECT_EQ(alg.GetParamValueString(TestAlgorithm::kGain), "-12.0 dB");
}

TEST_F(Algorithm, SetupsToggleCopyAndName) {
    EXPECT_FALSE(alg.ChangeActiveSetup(eActiveSetup));
    alg.UpdateParamState(TestAlgorithm::kGain, 900);
    alg.GetParam(TestAlgorithm::kGain).SetDisabledMode(1, eSetupA);
    alg.SetSetupName(KCFixedString<31>("Loud"), eActiveSetup);
    EXPECT_EQ(listener.titles, std::vector<std::string>{"Loud"});
    alg.CopySetup();
    const auto& gain = alg.GetParam(TestAlgorithm::kGain);
    EXPECT_EQ(gain.GetState(eSetupB), 900);
    EXPECT_EQ(gain.GetRealWorld(eSetupB), gain.GetRealWorld(eSetupA));
    EXPECT_EQ(gain.GetDisabledMode(eSetupB), 1);
    EXPECT_EQ(alg.GetSetupName(eSetupB), "Loud");
    EXPECT_EQ(listener.modified.back(), eSetupB);

    EXPECT_EQ(alg.ToggleActiveSetup(eActiveSetup), eSetupB);
    EXPECT_EQ(alg.GetActiveSetup(), eSetupB);
    EXPECT_EQ(alg.GetPassiveSetup(), eSetupA);
    EXPECT_EQ(listener.activated, std::vector<EPluginSetup>{eSetupB});
    alg.UpdateParamState(TestAlgorithm::kGain, 100);
    EXPECT_EQ(gain.GetState(eSetupA), 900) << "changes go to the active setup only";
    EXPECT_TRUE(alg.ChangeActiveSetup(eSetupA));
    EXPECT_EQ(alg.GetParamState(TestAlgorithm::kGain), 900);
    EXPECT_EQ(alg.ToggleActiveSetup(eSetupA), eSetupA) << "already active";
    alg.ClearSetupName(eSetupA);
    EXPECT_EQ(alg.GetSetupName(eSetupA), "");

    EXPECT_EQ(cALGORITHM::SetupToSetupString(eActiveSetup), "CURRENT_SETUP");
    EXPECT_EQ(cALGORITHM::SetupToSetupString(eSetupB), "SETUP_B");
    EXPECT_EQ(cALGORITHM::SetupStringToSetup("SETUP_A"), eSetupA);
    EXPECT_EQ(cALGORITHM::SetupStringToSetup("CURRENT_SETUP"), eActiveSetup);
    EXPECT_EQ(cALGORITHM::SetupStringToSetup("setup_b"), eActiveSetup);
}

TEST_F(Algorithm, StatesLoadFromBuffers) {
    const std::int32_t states[] = {800, -1, 250};
    alg.UpdateParamState(TestAlgorithm::kMode, 1);
    alg.UpdateParamState(TestAlgorithm::kDragged, 900);
    EXPECT_EQ(alg.LoadStatesFromBuffer(states, 3, eSetupB), 0);
    const auto& params = alg.GetParamVector();
    EXPECT_EQ(params[TestAlgorithm::kGain].GetState(eSetupB), 800);
    EXPECT_DOUBLE_EQ(params[TestAlgorithm::kGain].GetRealWorld(eSetupB), 14.4);
    EXPECT_EQ(params[TestAlgorithm::kMode].GetState(eSetupB), 0) << "-1 keeps the state";
    EXPECT_EQ(params[TestAlgorithm::kMeter].GetState(eSetupB), 250);
    EXPECT_EQ(params[TestAlgorithm::kDragged].GetState(eSetupB), 0) << "missing: reset state";
    EXPECT_EQ(params[TestAlgorithm::kDragged].GetState(eSetupA), 900) << "setup A untouched";

    // An unknown code loads into setup A; 'curS' into the active one.
    alg.LoadSetupFromBuffer(states, KCFourCC("zzzz"), 1);
    EXPECT_EQ(params[TestAlgorithm::kGain].GetState(eSetupA), 800);
    alg.ToggleActiveSetup(eSetupB);
    const std::int32_t one[] = {100};
    alg.LoadSetupFromBuffer(one, kCurrentSetupBuffer, 1);
    EXPECT_EQ(params[TestAlgorithm::kGain].GetState(eSetupB), 100);
    EXPECT_EQ(alg.LoadStatesFromBuffer(nullptr, 5, eSetupA), 0) << "no buffer: reset states";
    EXPECT_EQ(params[TestAlgorithm::kMode].GetState(eSetupA), 2);
}

TEST_F(Algorithm, ChunksWithoutAPresetsManager) {
    // The library's presets layer may have given the algorithm one in FinishCreate.
    alg.SetPresetsManager(nullptr);
    EXPECT_EQ(alg.GetNumChunks(), 1U);
    KCFourCC id;
    EXPECT_EQ(alg.GetIndexedChunkID(0, id), 0);
    EXPECT_EQ(id, kPresetChunkID);
    EXPECT_EQ(alg.GetIndexedChunkID(1, id), eIllegalChunkIndex);
    Utils::KCStMemObj out;
    EXPECT_EQ(alg.GetChunk(kPrefChunkID.Value(), out, false), 0);
    EXPECT_EQ(out.size, 0U);
    EXPECT_EQ(alg.GetChunk(kPresetChunkID.Value(), out, false), -1);
    EXPECT_EQ(alg.GetChunk(0x41424344U, out, false), -1);
    unsigned int size = 7;
    EXPECT_EQ(alg.GetChunkSize(kPresetChunkID.Value(), false, size), -1);
    EXPECT_EQ(size, 0U);
    const Utils::KCStConstMemObj data("<x/>", 4);
    EXPECT_EQ(alg.SetChunk(kPrefChunkID.Value(), data), 0);
    EXPECT_EQ(alg.SetChunk(kPresetChunkID.Value(), data), -1);
    EXPECT_EQ(alg.SetChunk(0x41424344U, data), -1);
}

// Stands in for the presets layer: a fixed chunk, remembering what it was given.
struct FakePresetsManager : KCPresetsManagerAbs {
    int PrepareChunk(cALGORITHM& /*alg*/, Utils::KCStMemObj& out, bool /*flag*/) override {
        return out.Assign(text.data(), static_cast<unsigned int>(text.size()));
    }
    int ApplyChunk(cALGORITHM& /*alg*/, const Utils::KCStConstMemObj& chunk) override {
        applied.assign(static_cast<const char*>(chunk.ptr), chunk.size);
        return 0;
    }
    void CopySetupData(EPluginSetup from, EPluginSetup to) override {
        copies.emplace_back(from, to);
    }
    std::string text = "<Preset/>";
    std::string applied;
    std::vector<std::pair<EPluginSetup, EPluginSetup>> copies;
};

// Notes when the algorithm asks it to obey text commands, and how far the algorithm was set up.
class FakeRedisReporter : public KCRedisReporterAbs {
public:
    explicit FakeRedisReporter(cALGORITHM& alg) : m_alg(alg) {}
    void RunIdleCommands() override {}
    void ReportRuntimeDetail(const char* /*field*/, const char* /*value*/) override {}
    bool StartListening() override {
        listening = true;
        readyWhenListening = m_alg.IsInstanceDataReady();
        return true;
    }
    void StopListening() override { listening = false; }
    [[nodiscard]] bool IsConnected() const override { return true; }
    bool listening = false;
    bool readyWhenListening = false;

private:
    cALGORITHM& m_alg;
};

TEST(AlgorithmRedisReporting, CommandsAreObeyedOnlyOnceTheInstanceIsSetUp) {
    static FakeRedisReporter* made = nullptr;
    const auto previous =
        KCRedisReporterAbs::SetFactory([](cALGORITHM& alg) -> std::unique_ptr<KCRedisReporterAbs> {
            auto reporter = std::make_unique<FakeRedisReporter>(alg);
            made = reporter.get();
            return reporter;
        });
    TestAlgorithm alg;
    ASSERT_EQ(alg.FinishCreate(), 0);
    KCRedisReporterAbs::SetFactory(previous);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(alg.GetRedisReporter(), made);
    EXPECT_FALSE(made->listening) << "reporting, but not obeying, before the instance data";
    ASSERT_EQ(alg.InitProcessCode(), 0);
    alg.InitData();
    EXPECT_FALSE(made->listening);
    alg.InitInstanceData();
    EXPECT_TRUE(made->listening);
    EXPECT_TRUE(made->readyWhenListening);
    alg.Dispose();
    EXPECT_EQ(alg.GetRedisReporter(), nullptr);
}

TEST(AlgorithmPresetsManager, TheFactoryMadeManagerCarriesTheChunk) {
    static FakePresetsManager* made = nullptr;
    const auto previous = KCPresetsManagerAbs::SetFactory(
        [](cALGORITHM& /*alg*/) -> std::unique_ptr<KCPresetsManagerAbs> {
            auto manager = std::make_unique<FakePresetsManager>();
            made = manager.get();
            return manager;
        });
    TestAlgorithm alg;
    EXPECT_EQ(alg.GetPresetsManager(), nullptr) << "made in FinishCreate";
    ASSERT_EQ(alg.FinishCreate(), 0);
    KCPresetsManagerAbs::SetFactory(previous);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(alg.GetPresetsManager(), made);

    Utils::KCStMemObj out;
    EXPECT_EQ(alg.GetChunk(kPresetChunkID.Value(), out, false), 0);
    EXPECT_EQ(std::string(static_cast<const char*>(out.ptr), out.size), "<Preset/>");
    unsigned int size = 0;
    EXPECT_EQ(alg.GetChunkSize(kPresetChunkID.Value(), false, size), 0);
    EXPECT_EQ(size, 9U);
    made->text.clear();
    EXPECT_EQ(alg.GetChunk(kPresetChunkID.Value(), out, false), kAlgEmptyChunk);
    const Utils::KCStConstMemObj data("<x/>", 4);
    EXPECT_EQ(alg.SetChunk(kPresetChunkID.Value(), data), 0);
    EXPECT_EQ(made->applied, "<x/>");
    alg.CopySetup();
    ASSERT_EQ(made->copies.size(), 1U);
    EXPECT_EQ(made->copies[0].second, eSetupB);
}

TEST_F(Algorithm, SampleRateChangesAreBoundedAndAskForAnUpdate) {
    alg.ClearUpdateAlgRequired();
    EXPECT_EQ(alg.ChangeSampleRate(44100), 0);
    EXPECT_FALSE(alg.IsUpdateAlgRequired()) << "the same rate needs no update";
    alg.SetMaxSampleRate(96000);
    EXPECT_EQ(alg.ChangeSampleRate(192000), kAlgSampleRateTooHigh);
    EXPECT_EQ(alg.ChangeSampleRate(0), eOutOfRangeNumber);
    EXPECT_EQ(alg.GetSampleRate(), 44100);
    EXPECT_EQ(alg.ChangeSampleRate(48000), 0);
    EXPECT_TRUE(alg.IsUpdateAlgRequired());
}

TEST_F(Algorithm, UpdateAlgClearsTheRequestAndReportsTheSideChain) {
    ASSERT_EQ(alg.ChangeSampleRate(48000), 0);
    alg.UpdateAlg();
    EXPECT_FALSE(alg.IsUpdateAlgRequired());
    EXPECT_EQ(alg.updateAlgCalls, 1);
    EXPECT_EQ(listener.sideChain, std::vector<bool>{false});
}

TEST_F(Algorithm, BypassChangesAreFlaggedOnlyWhileProcessing) {
    alg.SetBypass(true);
    EXPECT_TRUE(alg.GetBypass());
    EXPECT_FALSE(alg.IsBypassChanged()) << "only while processing";
    alg.SetProcessActive(true);
    alg.SetBypass(false);
    EXPECT_TRUE(alg.IsBypassChanged());
    alg.UpdateAlg();
    EXPECT_FALSE(alg.IsBypassChanged());
}

TEST_F(Algorithm, ChannelCountsDecideTheShape) {
    EXPECT_TRUE(alg.IsStereo());
    alg.SetNumInputs(3);
    EXPECT_EQ(alg.SetNumSideChainInputs(1), 0);
    EXPECT_TRUE(alg.IsStereo()) << "a side-chain input does not count as a main input";
    alg.SetNumOutputs(1);
    EXPECT_FALSE(alg.IsStereo());
    alg.SetNumInputs(2);
    EXPECT_TRUE(alg.IsMono());
    alg.SetNumOutputs(2);
    EXPECT_TRUE(alg.IsMono2Stereo());
}

TEST_F(Algorithm, ThroughDelayIsReportedForCompensation) {
    alg.SetThroughDelay(64);
    KCDelayInfo info;
    alg.GetDelayInfo(info);
    EXPECT_EQ(info.throughDelay, 64);
    EXPECT_EQ(info.compensationDelay, 64);
}

TEST_F(Algorithm, TheDontSuspendPropertyKeepsProcessingRunning) {
    EXPECT_TRUE(alg.ShouldSuspendProcess());
    alg.SetProperty(eAlgDontSuspendProcess, true);
    EXPECT_FALSE(alg.ShouldSuspendProcess());
}

TEST_F(Algorithm, PluginInfoQueriesAreUnsupportedByDefault) {
    bool flag = false;
    EXPECT_EQ(alg.GetPluginInfo_bool(1, flag, 0), kAlgInfoNotSupported);
    EXPECT_EQ(alg.GetPluginInfo_bool_Private(flag, 0), -1);
}

TEST_F(Algorithm, MessagesReachThePluginUnderTheLock) {
    char ok[] = "hello";
    char refused[] = "!no";
    EXPECT_EQ(alg.ReceiveMessage(ok, KCFourCC("Msg1")), 0);
    EXPECT_EQ(alg.lastMessageId, KCFourCC("Msg1"));
    EXPECT_EQ(alg.ReceiveMessage(refused, KCFourCC("Msg2")), -1);
}

TEST_F(Algorithm, PerIndexConversionsAndStepping) {
    EXPECT_DOUBLE_EQ(alg.StateToRealWorld(TestAlgorithm::kGain, 2000), 24);
    EXPECT_DOUBLE_EQ(alg.RealWorldToState(TestAlgorithm::kGain, -100), 0);
    EXPECT_EQ(alg.OffsetToNextDifferentState(TestAlgorithm::kMode, 0), 0);
    alg.UpdateParamState(TestAlgorithm::kMode, 2);
    EXPECT_EQ(alg.OffsetToNextDifferentState(TestAlgorithm::kMode, 1), -2) << "wraps to 0";
    // 0.1 dB steps span about two states of 0.048 dB; the step lands on the next value exactly.
    const double step = alg.OffsetToNextDifferentState(TestAlgorithm::kGain, 1);
    EXPECT_GT(step, 2.0);
    EXPECT_LT(step, 3.0);
    EXPECT_NEAR(alg.StateToRealWorld(TestAlgorithm::kGain, 500 + step), 0.1, 1e-9);
    EXPECT_EQ(alg.UpdateMouseDeltaStep(TestAlgorithm::kGain, 3), 9);
    EXPECT_TRUE(alg.DoParamsMatch(TestAlgorithm::kMeter, TestAlgorithm::kAlways, eActiveSetup));
}

struct LeavingListener : KCAlgorithmListener {
    KCAlgorithmBroadcaster* broadcaster = nullptr;
    int calls = 0;
    void PresetModified(EPluginSetup /*setup*/) override {
        ++calls;
        broadcaster->RemoveListener(this);
    }
};

TEST(AlgorithmBroadcaster, AListenerLeavingDuringAnEventDoesNotHideTheNext) {
    KCAlgorithmBroadcaster broadcaster;
    LeavingListener leaving;
    leaving.broadcaster = &broadcaster;
    RecordingListener staying;
    broadcaster.AddListener(&leaving);
    broadcaster.AddListener(&leaving);  // kept once
    broadcaster.AddListener(&staying);
    broadcaster.PresetModified(eSetupA);
    broadcaster.PresetModified(eSetupB);
    EXPECT_EQ(leaving.calls, 1);
    EXPECT_EQ(staying.modified, (std::vector<EPluginSetup>{eSetupA, eSetupB}));
    EXPECT_FALSE(broadcaster.HasListener(&leaving));
}

// Logs its calls in a shared order and runs its script on its first call only.
struct ScriptedListener : KCAlgorithmListener {
    int id = 0;
    std::vector<int>* order = nullptr;
    std::function<void()> script;
    void PresetModified(EPluginSetup /*setup*/) override {
        order->push_back(id);
        if (script) {
            std::exchange(script, nullptr)();
        }
    }
};

// Listeners that change the list during an event: the event reaches each listener registered
// when its turn comes exactly once, in registration order, and none that left before its turn
// (it may be gone). Alone first (the direct path), then behind another listener (the walk).
TEST(AlgorithmBroadcaster, ListenersChangingTheListAreNeitherSkippedNorCalledTwice) {
    struct Case {
        const char* name;
        std::function<void(KCAlgorithmBroadcaster&, ScriptedListener (&)[4])> script;
        std::vector<int> first;   // calls of the event whose script changes the list
        std::vector<int> second;  // calls of the next event
    };
    const std::vector<Case> cases = {
        {"joins another", [](auto& b, auto& l) { b.AddListener(&l[2]); }, {1, 2}, {1, 2}},
        {"replaced by another",
         [](auto& b, auto& l) {
             b.RemoveListener(&l[1]);
             b.AddListener(&l[2]);
         },
         {1, 2},
         {2}},
        {"leaves and rejoins",
         [](auto& b, auto& l) {
             b.RemoveListener(&l[1]);
             b.AddListener(&l[1]);
         },
         {1},
         {1}},
        {"rejoins behind newcomers",
         [](auto& b, auto& l) {
             b.RemoveListener(&l[1]);
             b.AddListener(&l[2]);
             b.AddListener(&l[1]);
             b.AddListener(&l[3]);
         },
         {1, 2, 3},
         {2, 1, 3}},
        {"leaves", [](auto& b, auto& l) { b.RemoveListener(&l[1]); }, {1}, {}},
    };
    for (const bool behindAnother : {false, true}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (behindAnother ? ", behind another" : ", alone"));
            KCAlgorithmBroadcaster broadcaster;
            std::vector<int> order;
            ScriptedListener listeners[4];
            for (int i = 0; i < 4; ++i) {
                listeners[i].id = i;
                listeners[i].order = &order;
            }
            if (behindAnother) {
                broadcaster.AddListener(&listeners[0]);
            }
            broadcaster.AddListener(&listeners[1]);
            listeners[1].script = [&] { c.script(broadcaster, listeners); };
            std::vector<int> first = c.first;
            std::vector<int> second = c.second;
            if (behindAnother) {
                first.insert(first.begin(), 0);
                second.insert(second.begin(), 0);
            }
            broadcaster.PresetModified(eSetupA);
            EXPECT_EQ(order, first);
            order.clear();
            broadcaster.PresetModified(eSetupA);
            EXPECT_EQ(order, second);
        }
    }
}

// A listener may also drop one still to be called (it may be gone), and its newcomer follows.
TEST(AlgorithmBroadcaster, AListenerDroppedBeforeItsTurnIsNotCalled) {
    KCAlgorithmBroadcaster broadcaster;
    std::vector<int> order;
    ScriptedListener listeners[12];
    for (int i = 0; i < 12; ++i) {
        listeners[i].id = i;
        listeners[i].order = &order;
        broadcaster.AddListener(&listeners[i]);  // more than the walk keeps on the stack
    }
    broadcaster.RemoveListener(&listeners[11]);
    listeners[3].script = [&] {
        broadcaster.RemoveListener(&listeners[2]);  // already called
        broadcaster.RemoveListener(&listeners[5]);
        broadcaster.AddListener(&listeners[11]);
    };
    broadcaster.PresetModified(eSetupB);
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4, 6, 7, 8, 9, 10, 11}));
}

TEST(ComponentTypeLists, ParseAndDecideNativeProcessing) {
    const auto codes = KCComponentTypeLists::Parse("Abcd, Efgh,,toolong x Ijkl");
    ASSERT_EQ(codes.size(), 3U);
    EXPECT_EQ(codes[1], KCFourCC("Efgh"));
    KCComponentTypeLists::SetNativeTypes({KCFourCC("Natv")});
    KCComponentTypeLists::SetNetShellTypes({KCFourCC("NetS")});
    KorvaneComponentInfo info;
    info.componentType = KCFourCC("Natv");
    info.shortName = "Native EQ";
    const TestAlgorithm native(info);
    EXPECT_TRUE(native.IsNative());
    EXPECT_FALSE(native.IsNetShell());
    EXPECT_EQ(native.GetAlgName(), "Native EQ");
    char name[7];
    native.GetAlgNameOfLength(6, name);
    EXPECT_STREQ(name, "Native");
    info.componentType = KCFourCC("NetS");
    EXPECT_TRUE(TestAlgorithm(info).IsNetShell());
    KCComponentTypeLists::SetNativeTypes({});
    KCComponentTypeLists::SetNetShellTypes({});
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
