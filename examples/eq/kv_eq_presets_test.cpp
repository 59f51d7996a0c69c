// The example EQ's state chunk on the reference host: every parameter of both setups, the setup
// names and the active setup reach a second instance, whose processing follows; a chunk with
// fewer parameters loads what it has.
#include "examples/eq/kv_eq.h"

#include "host/reference_host.h"
#include "korvane/fm/path.h"
#include "korvane/presets/presets_manager.h"
#include "korvane/rm/resource_manager.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

namespace {

using namespace kvKorvaneV10_0_3;
using kvexample::KvEQ;
namespace PM = ProcessMemory;

// One EQ on its own reference host.
struct HostedEQ {
    explicit HostedEQ(KTResContainerType*& container) {
        KorvaneComponentInfo info;
        info.componentType = KCFourCC("KvEQ");
        info.componentSubType = KCFourCC("ster");
        eq = std::make_unique<KvEQ>(info, container);
        eq->SetExecCallBack(KorvaneHost::ReferenceHost::Callback(), host.Refcon());
        EXPECT_EQ(eq->FinishCreate(), 0);
        EXPECT_EQ(eq->InitProcessCode(), 0);
        // The host sizes process memory from the description.
        EXPECT_EQ(host.SizeSpace(PM::eCoefsSpace, static_cast<int>(eq->GetCoefsNum())), eNoErr);
        EXPECT_EQ(host.SizeSpace(PM::eStatesSpace, static_cast<int>(eq->GetStatesNum())), eNoErr);
        eq->InitData();
        eq->InitInstanceData();
        eq->InitAlg(true);
    }
    void Set(unsigned int index, double realWorld) {
        BUFFER_HEADER* chain = eq->UpdateParamRequestRealWorld(index, realWorld);
        eq->SendAndFreeBuffers(chain, PM::eSelPostChain, true);
        host.ProcessBlock();
    }
    std::string Chunk() {
        Utils::KCStMemObj chunk;
        EXPECT_EQ(eq->GetChunk(kPresetChunkID.Value(), chunk, false), eNoErr);
        return {static_cast<const char*>(chunk.ptr), chunk.size};
    }
    int Load(const std::string& text) {
        const Utils::KCStConstMemObj data(text.data(), static_cast<unsigned int>(text.size()));
        const int err = eq->SetChunk(kPresetChunkID.Value(), data);
        // The shell brings the processing up to date after a chunk.
        BUFFER_HEADER* all = eq->UpdateAlg();
        eq->SendAndFreeBuffers(all, PM::eSelExecuteChain, true);
        host.ProcessBlock();
        return err;
    }

    KorvaneHost::ReferenceHost host;
    std::unique_ptr<KvEQ> eq;
};

class KvEQChunk : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(RM::Init(0x200, "KorvaneLib"), eNoErr);
        ASSERT_EQ(RM::OpenResContainer(FM::KCStPath(KVEQ_BUNDLE), 0, container), eNoErr);
        source = std::make_unique<HostedEQ>(container);
        target = std::make_unique<HostedEQ>(container);
    }
    void TearDown() override {
        source.reset();
        target.reset();
        EXPECT_EQ(RM::CloseResContainer(container), eNoErr);
        EXPECT_EQ(RM::Dispose(), eNoErr);
    }

    KTResContainerType* container = nullptr;
    std::unique_ptr<HostedEQ> source;
    std::unique_ptr<HostedEQ> target;
};

TEST_F(KvEQChunk, EveryParameterOfBothSetupsReachesTheOtherInstance) {
    KvEQ& eq = *source->eq;
    for (unsigned int band = 0; band < KvEQ::kBands; ++band) {
        source->Set(KvEQ::kFreq + band, 50.0 * (band + 1) * (band + 1));
        source->Set(KvEQ::kGain + band, -6.3 + 3.1 * band);
        source->Set(KvEQ::kQ + band, 0.5 + band);
        source->Set(KvEQ::kType + band, band);
    }
    source->Set(KvEQ::kOn + 2, 0);
    source->Set(KvEQ::kOutputGain, -2.5);
    eq.SetSetupName(KCFixedString<15>("Warm"), eSetupA);
    eq.CopySetup();
    eq.ToggleActiveSetup(eSetupB);
    source->Set(KvEQ::kGain + 0, 9.9);
    source->Set(KvEQ::kFreq + 3, 15000);
    eq.SetSetupName(KCFixedString<15>("Bright"), eSetupB);
    const std::string chunk = source->Chunk();

    ASSERT_EQ(target->Load(chunk), eNoErr);
    KvEQ& copy = *target->eq;
    EXPECT_EQ(copy.GetActiveSetup(), eSetupB);
    EXPECT_EQ(copy.GetSetupName(eSetupA), "Warm");
    EXPECT_EQ(copy.GetSetupName(eSetupB), "Bright");
    for (const EPluginSetup setup : {eSetupA, eSetupB}) {
        for (unsigned int i = 0; i < eq.GetNumParams(); ++i) {
            EXPECT_EQ(copy.GetParam(i).GetRealWorld(setup), eq.GetParam(i).GetRealWorld(setup))
                << eq.GetParamName(i) << " in setup " << setup;
        }
    }
    // The second host's process memory holds what the first one's does.
    for (int c = 0; c < static_cast<int>(KvEQ::kCoefCount); ++c) {
        const auto ours = source->host.ReadCoefficient(c);
        const auto theirs = target->host.ReadCoefficient(c);
        ASSERT_TRUE(ours.has_value() && theirs.has_value());
        EXPECT_NEAR(*theirs, *ours, 1e-9 * std::max(1.0, std::fabs(*ours))) << "coefficient " << c;
    }
    EXPECT_EQ(target->Chunk(), chunk);
    EXPECT_EQ(target->host.Misuse().Count(), 0U);
}

TEST_F(KvEQChunk, AChunkWithFewerParametersLoadsWhatItHas) {
    target->Set(KvEQ::kOutputGain, 4.0);
    const double qBefore = target->eq->GetParamRealWorld(KvEQ::kQ + 1);
    // An earlier version knew only the four frequencies and the first gain.
    ASSERT_EQ(target->Load("<Preset Name='Old'><PresetData Setup='SETUP_A'>"
                           "<Parameters Type='RealWorld'>100 200 300 400 -3</Parameters>"
                           "</PresetData></Preset>"),
              eNoErr);
    KvEQ& eq = *target->eq;
    EXPECT_DOUBLE_EQ(eq.GetParamRealWorld(KvEQ::kFreq + 3), 400.0);
    EXPECT_DOUBLE_EQ(eq.GetParamRealWorld(KvEQ::kGain + 0), -3.0);
    EXPECT_DOUBLE_EQ(eq.GetParamRealWorld(KvEQ::kOutputGain), 4.0) << "kept";
    EXPECT_EQ(eq.GetParamRealWorld(KvEQ::kQ + 1), qBefore) << "kept";
    const auto* manager = dynamic_cast<const Preset::CPresetsManager*>(eq.GetPresetsManager());
    ASSERT_NE(manager, nullptr);
    EXPECT_EQ(manager->GetCurrentPreset().GetPresetName(), "Old");
}

}  // namespace
