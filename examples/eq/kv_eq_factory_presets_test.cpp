// The example EQ's factory presets, shipped in its bundle as the Presets/1000 resource, and its
// load and save menus driven by a scripted user: a factory preset chosen from the menu reaches
// the parameters and the processing, and a user preset saved from the menu loads back.
#include "examples/eq/kv_eq.h"
#include "examples/eq/kv_eq_test_support.h"

#include "host/reference_host.h"
#include "korvane/presets/presets_manager.h"
#include "korvane/presets/presets_test_support.h"
#include "korvane/rm/resource_manager.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using namespace kvKorvaneV10_0_3;
using kvexample::KvEQ;
using Lines = std::vector<std::string>;
namespace PM = ProcessMemory;

class KvEQFactoryPresets : public ::testing::Test {
protected:
    void SetUp() override {
        kvexample::testing::OpenEQOnHost(KVEQ_BUNDLE, host, container, eq);
        ASSERT_FALSE(HasFatalFailure());
        manager = &Preset::testing::ManagerOf(*eq);
        pub = CPublicAlg(*eq);
    }
    void TearDown() override {
        eq.reset();
        if (container != nullptr) {
            EXPECT_EQ(RM::CloseResContainer(container), eNoErr);
        }
        EXPECT_EQ(RM::Dispose(), eNoErr);
    }
    // The shell brings the processing up to date after a preset.
    void Process() {
        BUFFER_HEADER* all = eq->UpdateAlg();
        eq->SendAndFreeBuffers(all, PM::eSelExecuteChain, true);
        host.ProcessBlock();
    }
    std::vector<double> Coefficients() {
        std::vector<double> values;
        values.reserve(KvEQ::kCoefCount);
        for (int c = 0; c < static_cast<int>(KvEQ::kCoefCount); ++c) {
            values.push_back(host.ReadCoefficient(c).value_or(-1e300));
        }
        return values;
    }

    Preset::testing::SettingsSandbox sandbox;
    Preset::testing::ScriptedUser user;
    KorvaneHost::ReferenceHost host;
    KTResContainerType* container = nullptr;
    std::unique_ptr<KvEQ> eq;
    Preset::CPresetsManager* manager = nullptr;
    CPublicAlg pub;
    KCPoint2D<short> where{0, 0};
};

TEST_F(KvEQFactoryPresets, TheBundleHoldsTheFactoryPresets) {
    EXPECT_TRUE(manager->IsPresetFileInResource());
    FM::KCStPath path;
    ASSERT_EQ(manager->CreatePathToFactoryPresetFile(path), eNoErr);
    EXPECT_EQ(path, FM::KCStPath(KVEQ_BUNDLE));
    ASSERT_EQ(manager->ReadFactoryPresets(pub), eNoErr);
    EXPECT_EQ(manager->GetFactoryPresetsFile().GetFormat(), Preset::ePresetsFormatResource);
    EXPECT_EQ(manager->GetNumFactoryPresets(), 4U);
    KCFixedString<255> name;
    ASSERT_EQ(manager->GetFactoryPresetName(3, name), eNoErr);
    EXPECT_EQ(name, "Rumble Cut");
}

TEST_F(KvEQFactoryPresets, AFactoryPresetChosenFromTheMenuReachesTheProcessing) {
    ASSERT_EQ(manager->LoadFactoryPresetToPluginByName(pub, "Flat", true), eNoErr);
    Process();
    const std::vector<double> flat = Coefficients();

    user.choices = {"Bright Air"};
    ASSERT_EQ(manager->LoadPresetMenu(pub, where, false), eNoErr);
    ASSERT_EQ(user.shown.size(), 1U);
    EXPECT_EQ(user.shown[0],
              (Lines{"Open Preset File...", "(Paste Preset)", "-", "[Factory Presets:]", "*Flat",
                     "-", "Warm Lows", "Bright Air", "[Corrective]", "Rumble Cut"}));
    EXPECT_DOUBLE_EQ(eq->GetParamRealWorld(KvEQ::kFreq + 3), 10000.0);
    EXPECT_DOUBLE_EQ(eq->GetParamRealWorld(KvEQ::kGain + 3), 4.0);
    EXPECT_DOUBLE_EQ(eq->GetParamRealWorld(KvEQ::kType + 3), KvEQ::kHighShelf);
    EXPECT_DOUBLE_EQ(eq->GetParamRealWorld(KvEQ::kOutputGain), -2.0);
    EXPECT_EQ(manager->GetCurrentPreset().GetPresetName(), "Bright Air");
    Process();
    EXPECT_NE(Coefficients(), flat) << "the processing follows the preset";
    EXPECT_EQ(host.Misuse().Count(), 0U);
}

TEST_F(KvEQFactoryPresets, AUserPresetSavedFromTheMenuLoadsBack) {
    ASSERT_EQ(manager->LoadFactoryPresetToPluginByName(pub, "Warm Lows", true), eNoErr);
    BUFFER_HEADER* chain = eq->UpdateParamRequestRealWorld(KvEQ::kGain + 0, 5.5);
    eq->SendAndFreeBuffers(chain, PM::eSelPostChain, true);

    user.choices = {"Put Into Preset Menu As..."};
    user.names = {"Warmer"};
    ASSERT_EQ(manager->SavePresetMenu(pub, where, false), eNoErr);
    EXPECT_EQ(user.shown[0][4], "Save Factory Preset - \"Warm Lows\"");

    ASSERT_EQ(manager->LoadFactoryPresetToPluginByName(pub, "Flat", true), eNoErr);
    EXPECT_DOUBLE_EQ(eq->GetParamRealWorld(KvEQ::kGain + 0), 0.0);
    user.choices = {"Warmer"};
    ASSERT_EQ(manager->LoadPresetMenu(pub, where, false), eNoErr);
    EXPECT_EQ(user.shown[1].back(), "Warmer");
    EXPECT_DOUBLE_EQ(eq->GetParamRealWorld(KvEQ::kGain + 0), 5.5);
    EXPECT_DOUBLE_EQ(eq->GetParamRealWorld(KvEQ::kFreq + 0), 120.0);
}

}  // namespace
