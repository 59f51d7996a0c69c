// The state chunk through cALGORITHM: both setups, names and the active setup survive, flags
// are honoured, and a chunk of another version loads what matches.
#include "korvane/presets/presets_manager.h"

#include "korvane/algorithm/testing/test_algorithm.h"
#include "korvane/core/testing/locale_guard.h"
#include "korvane/presets/preset_alg.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3::Preset {
namespace {

using test_support::TestAlgorithm;

// Records LimitLoadedRealWorld calls and caps the gain at 12 dB there.
class LimitingAlgorithm : public TestAlgorithm {
public:
    void LimitLoadedRealWorld(unsigned int index, EPluginSetup setup) override {
        limited.emplace_back(index, setup);
        if (index == kGain && GetParam(kGain).GetRealWorld(setup) > 12.0) {
            GetParam(kGain).SetRealWorldAndUpdate(12.0, setup);
        }
    }
    std::vector<std::pair<unsigned int, EPluginSetup>> limited;
};

struct LoadListener : KCAlgorithmListener {
    explicit LoadListener(const cALGORITHM& owner) : alg(owner) {}
    void PresetLoaded(const CPresetInfo& preset) override {
        loaded.emplace_back(preset.GetPresetName().c_str());
        lockHeld.push_back(alg.AlgLock().is_locked_by_cur_thread());
    }
    const cALGORITHM& alg;
    std::vector<std::string> loaded;
    std::vector<bool> lockHeld;
};

std::string ChunkOf(cALGORITHM& alg) {
    Utils::KCStMemObj chunk;
    EXPECT_EQ(alg.GetChunk(kPresetChunkID.Value(), chunk, false), eNoErr);
    return {static_cast<const char*>(chunk.ptr), chunk.size};
}

int Apply(cALGORITHM& alg, const std::string& text) {
    const Utils::KCStConstMemObj data(text.data(), static_cast<unsigned int>(text.size()));
    return alg.SetChunk(kPresetChunkID.Value(), data);
}

class StateChunk : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(source.FinishCreate(), 0);
        ASSERT_EQ(target.FinishCreate(), 0);
        ASSERT_NE(target.GetPresetsManager(), nullptr) << "the library installs the manager";
        target.Broadcaster()->AddListener(&listener);
    }
    void TearDown() override { target.Broadcaster()->RemoveListener(&listener); }

    TestAlgorithm source;
    LimitingAlgorithm target;
    LoadListener listener{target};
};

TEST_F(StateChunk, BothSetupsNamesAndTheActiveSetupRoundTrip) {
    source.UpdateParamRealWorld(TestAlgorithm::kGain, 6.5);
    source.UpdateParamState(TestAlgorithm::kMode, 2);
    source.UpdateParamRealWorld(TestAlgorithm::kDragged, 1234.5);
    source.SetSetupName(KCFixedString<15>("Verse"), eSetupA);
    source.CopySetup();
    source.ToggleActiveSetup(eSetupB);
    source.UpdateParamRealWorld(TestAlgorithm::kGain, -3.25);
    source.UpdateParamState(TestAlgorithm::kMode, 1);
    source.SetSetupName(KCFixedString<15>("Chorus"), eSetupB);
    const std::string chunk = ChunkOf(source);
    unsigned int size = 0;
    EXPECT_EQ(source.GetChunkSize(kPresetChunkID.Value(), false, size), eNoErr);
    EXPECT_EQ(size, chunk.size());

    ASSERT_EQ(Apply(target, chunk), eNoErr);
    EXPECT_EQ(target.GetActiveSetup(), eSetupB);
    EXPECT_EQ(target.GetSetupName(eSetupA), "Verse");
    EXPECT_EQ(target.GetSetupName(eSetupB), "Chorus");
    for (const EPluginSetup setup : {eSetupA, eSetupB}) {
        for (unsigned int i = 0; i < source.GetNumParams(); ++i) {
            EXPECT_EQ(target.GetParam(i).GetRealWorld(setup),
                      source.GetParam(i).GetRealWorld(setup))
                << i << " in setup " << setup;
            EXPECT_DOUBLE_EQ(target.GetParam(i).GetState(setup), source.GetParam(i).GetState(setup))
                << i << " in setup " << setup;
        }
    }
    EXPECT_EQ(ChunkOf(target), chunk) << "applying and taking again changes nothing";
    EXPECT_EQ(listener.loaded.size(), 1U);
    EXPECT_EQ(target.GetParam(TestAlgorithm::kGain).GetUpdateLevel(), 3) << "display refreshed";
    EXPECT_TRUE(target.IsUpdateAlgRequired());
    EXPECT_EQ(target.limited.size(), 2 * target.GetNumParams()) << "every loaded value";
}

// The chunk a host stores is the same bytes, and loads the same values, whatever its locale.
TEST_F(StateChunk, TheSameInADecimalCommaLocale) {
    source.UpdateParamRealWorld(TestAlgorithm::kGain, -3.25);
    source.UpdateParamRealWorld(TestAlgorithm::kDragged, 1234.5);
    const std::string classic = ChunkOf(source);

    const test_support::ScopedProcessLocale comma(test_support::kCommaLocale);
    if (!comma.Installed()) {
        GTEST_SKIP() << test_support::kCommaLocale << " is not installed";
    }
    EXPECT_EQ(ChunkOf(source), classic);
    ASSERT_EQ(Apply(target, classic), eNoErr);
    for (unsigned int i = 0; i < source.GetNumParams(); ++i) {
        EXPECT_EQ(target.GetParam(i).GetRealWorld(eSetupA),
                  source.GetParam(i).GetRealWorld(eSetupA))
            << i;
    }
}

TEST_F(StateChunk, FlagsValidationAndOtherVersions) {
    auto& gain = target.GetParam(TestAlgorithm::kGain);
    auto& mode = target.GetParam(TestAlgorithm::kMode);
    auto& freq = target.GetParam(TestAlgorithm::kDragged);
    mode.SetFlag(eParamFlagDontReadFromPreset, true);
    const double modeBefore = mode.GetRealWorld(eSetupA);
    const double freqBefore = freq.GetRealWorld(eSetupA);
    const double triggerBefore = target.GetParam(TestAlgorithm::kAlways).GetRealWorld(eSetupA);

    // An older version with three parameters, one value out of range.
    ASSERT_EQ(Apply(target,
                    "<Preset Name='Old'><PresetData Setup='SETUP_A'>"
                    "<Parameters Type='RealWorld'>100 2 -10</Parameters></PresetData></Preset>"),
              eNoErr);
    EXPECT_DOUBLE_EQ(gain.GetRealWorld(eSetupA), 12.0) << "brought onto the scale, then limited";
    EXPECT_EQ(mode.GetRealWorld(eSetupA), modeBefore) << "DontReadFromPreset";
    EXPECT_DOUBLE_EQ(target.GetParam(TestAlgorithm::kMeter).GetRealWorld(eSetupA), -10.0);
    EXPECT_EQ(target.GetParam(TestAlgorithm::kAlways).GetRealWorld(eSetupA), triggerBefore)
        << "parameters beyond the chunk keep their values";
    EXPECT_EQ(freq.GetRealWorld(eSetupA), freqBefore);
    ASSERT_EQ(listener.loaded.size(), 1U);
    EXPECT_EQ(listener.loaded[0], "Old");

    // A newer version with more parameters, states only, and values that are no numbers.
    gain.SetFlag(eParamFlagAvoidValidation, true);
    ASSERT_EQ(Apply(target,
                    "<Preset Name='New'><PresetData Setup='SETUP_B'>"
                    "<Parameters>900 1 0 1 250 777 888</Parameters></PresetData>"
                    "<PresetData Setup='SETUP_A'><Parameters Type='RealWorld'>"
                    "30 * 1e999</Parameters></PresetData></Preset>"),
              eNoErr);
    EXPECT_DOUBLE_EQ(gain.GetState(eSetupB), 900.0);
    EXPECT_DOUBLE_EQ(freq.GetState(eSetupB), 250.0);
    EXPECT_DOUBLE_EQ(gain.GetRealWorld(eSetupA), 12.0)
        << "AvoidValidation loads 30, the plug-in limits";
    EXPECT_DOUBLE_EQ(target.GetParam(TestAlgorithm::kMeter).GetRealWorld(eSetupA), -10.0)
        << "a value that is no number is skipped";
    ASSERT_EQ(Apply(target,
                    "<Preset Name='NaN'><PresetData Setup='SETUP_A'>"
                    "<Parameters Type='RealWorld'>nan 1 inf</Parameters></PresetData></Preset>"),
              eNoErr);
    EXPECT_DOUBLE_EQ(gain.GetRealWorld(eSetupA), 12.0)
        << "not a number is no value, also where validation is skipped";

    // What does not parse changes nothing.
    const std::string before = ChunkOf(target);
    EXPECT_NE(Apply(target, "<Preset Name='Broken'><PresetData>"), eNoErr);
    EXPECT_NE(Apply(target, "not xml at all"), eNoErr);
    EXPECT_EQ(Apply(target, "<Other/>"), eXMLElementMissing);
    EXPECT_EQ(ChunkOf(target), before);
    EXPECT_EQ(listener.loaded.size(), 3U);
}

TEST_F(StateChunk, ParametersLeftOutOfPresetsAreMissingValues) {
    source.GetParam(TestAlgorithm::kMeter).SetFlag(eParamFlagDontSaveToPreset, true);
    CPresetInfo preset;
    ASSERT_EQ(SavePresetFromAlg(CPublicAlg(source), preset), eNoErr);
    const auto* a = preset.GetSetupPresetData(eSetupA);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->realWorldKinds[TestAlgorithm::kMeter], eValueMissing);
    EXPECT_EQ(a->states[TestAlgorithm::kMeter], -1);
    EXPECT_EQ(preset.GetGenericType(), source.GetAlgType());

    target.GetParam(TestAlgorithm::kMeter).SetRealWorldAndUpdate(-42.0, eSetupA);
    ASSERT_EQ(LoadPresetToAlg(CPublicAlg(target), preset, false), eNoErr);
    EXPECT_DOUBLE_EQ(target.GetParam(TestAlgorithm::kMeter).GetRealWorld(eSetupA), -42.0);
    EXPECT_TRUE(listener.loaded.empty()) << "no update asked";
}

// Listeners are registered and notified under the algorithm lock, so a load on one thread
// never walks the listener list while the GUI thread registers.
TEST_F(StateChunk, PresetLoadedReachesListenersWithTheAlgorithmLockHeld) {
    CPresetInfo preset;
    preset.SetPresetName("Loud");
    ASSERT_EQ(SavePresetFromAlg(CPublicAlg(source), preset), eNoErr);
    ASSERT_EQ(LoadPresetToAlg(CPublicAlg(target), preset, true), eNoErr);
    ASSERT_EQ(listener.loaded.size(), 1U);
    EXPECT_EQ(listener.loaded[0], "Loud");
    EXPECT_TRUE(listener.lockHeld[0]);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::Preset
