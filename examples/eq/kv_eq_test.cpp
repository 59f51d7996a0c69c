// The example EQ loaded from both kinds of container and run against the reference host: the
// coefficients in process memory must be the sections designed for the values set.
#include "examples/eq/kv_eq.h"

#include "examples/eq/kv_eq_test_support.h"
#include "host/reference_host.h"
#include "korvane/core/thread_mutex.h"
#include "korvane/fm/path.h"
#include "korvane/graphs/gain_conversion.h"
#include "korvane/graphs/graph_data.h"
#include "korvane/rm/resource_manager.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace kvKorvaneV10_0_3;
using kvexample::KvEQ;
namespace PM = ProcessMemory;

class KvEQOnHost : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override { kvexample::testing::OpenEQOnHost(GetParam(), host, container, eq); }

    void TearDown() override {
        eq.reset();
        EXPECT_EQ(RM::CloseResContainer(container), eNoErr);
        EXPECT_EQ(RM::Dispose(), eNoErr);
    }

    // Sets a parameter by real-world value as a GUI would and lets the audio thread apply it.
    void Set(unsigned int index, double realWorld) {
        BUFFER_HEADER* chain = eq->UpdateParamRequestRealWorld(index, realWorld);
        eq->SendAndFreeBuffers(chain, PM::eSelPostChain, true);
        host.ProcessBlock();
    }

    // The host's coefficients of `band` equal the section designed from the parameters' values.
    void ExpectBand(unsigned int band) {
        const auto rw = [&](unsigned int first) { return eq->GetParamRealWorld(first + band); };
        const BIQUAD expected =
            KvEQ::DesignBand(static_cast<int>(rw(KvEQ::kType)), rw(KvEQ::kFreq), rw(KvEQ::kGain),
                             rw(KvEQ::kQ), rw(KvEQ::kOn) != 0, eq->GetSampleRate());
        const double coefs[] = {expected.b0, expected.b1, expected.b2, expected.a1, expected.a2};
        for (unsigned int c = 0; c < KvEQ::kCoefsPerBand; ++c) {
            const auto stored =
                host.ReadCoefficient(static_cast<int>(band * KvEQ::kCoefsPerBand + c));
            ASSERT_TRUE(stored.has_value());
            EXPECT_NEAR(*stored, coefs[c], 1e-6 * std::max(1.0, std::fabs(coefs[c])))
                << "band " << band << " coefficient " << c;
        }
    }

    // The points of the curve the window draws: the graph data is the 0 dB line, then one
    // segment per pixel column, each ending where the next begins.
    std::vector<KCPoint2D<float>> Curve() {
        const kvThread::ThreadMutexLock lock(eq->AlgLock());
        const KCGraphDataBase* graph = eq->GetParamGraphData(KvEQ::kOutputGain);
        if (graph == nullptr || graph->GetGraphData() == nullptr || graph->GetGraphSize() < 2) {
            return {};
        }
        const auto* lines = static_cast<const sLineDescription*>(graph->GetGraphData());
        std::vector<KCPoint2D<float>> points{lines[1].from};
        for (std::size_t k = 1; k < graph->GetGraphSize(); ++k) {
            points.push_back(lines[k].to);
        }
        return points;
    }

    KTResContainerType* container = nullptr;
    KorvaneHost::ReferenceHost host;
    std::unique_ptr<KvEQ> eq;
};

TEST_P(KvEQOnHost, ReadsItsDescriptionFromTheContainer) {
    EXPECT_EQ(eq->GetAlgName(), "Korvane Parametric EQ");
    EXPECT_EQ(eq->GetUndoLevel(), 50);
    EXPECT_FALSE(eq->ShouldSuspendProcess());
    ASSERT_EQ(eq->GetNumParams(), 23U);
    EXPECT_EQ(eq->GetParamName(KvEQ::kFreq + 2), "Freq_2");
    EXPECT_EQ(eq->GetParamName(KvEQ::kBypass), "Bypass");
    EXPECT_NEAR(eq->GetParamRealWorld(KvEQ::kFreq), 1000, 1e-9);
    EXPECT_EQ(eq->GetParamNumStates(KvEQ::kType), 5);
    unsigned int first = 0;
    unsigned int size = 0;
    ASSERT_TRUE(eq->GetParamArray("Gain", first, size));
    EXPECT_EQ(first, KvEQ::kGain);
    EXPECT_EQ(size, KvEQ::kBands);
    char name[16];
    eq->GetAlgNameOfLength(10, name);
    EXPECT_STREQ(name, "Korvane EQ");
}

TEST_P(KvEQOnHost, SizesAndChannelsComeFromTheProcessDescription) {
    EXPECT_EQ(eq->GetCoefsNum(), KvEQ::kCoefCount);
    EXPECT_EQ(eq->GetStatesNum(), 17U);
    EXPECT_EQ(eq->GetNumInputs(), 2);
    EXPECT_EQ(eq->GetNumOutputs(), 2);
    EXPECT_EQ(eq->GetMaxSampleRate(), 192000);
    EXPECT_EQ(eq->GetProcessFuncName(), "KvEQ_Process");
    EXPECT_EQ(eq->GetDSPReqRes().processor,
              PM::SProcessorSpec(PM::eProcessorFamilyx86, PM::eProcessorGeneric));
}

TEST_P(KvEQOnHost, CoefficientsInProcessMemoryMatchTheDesignedSections) {
    for (unsigned int band = 0; band < KvEQ::kBands; ++band) {
        ExpectBand(band);  // initial: bells at 1 kHz, 0 dB
    }
    Set(KvEQ::kFreq + 0, 120);
    Set(KvEQ::kGain + 0, 6);
    Set(KvEQ::kQ + 0, 2);
    Set(KvEQ::kType + 1, KvEQ::kLowShelf);
    Set(KvEQ::kGain + 1, -4.5);
    Set(KvEQ::kFreq + 1, 250);
    Set(KvEQ::kType + 2, KvEQ::kHighShelf);
    Set(KvEQ::kGain + 2, 3);
    Set(KvEQ::kFreq + 2, 8000);
    Set(KvEQ::kType + 3, KvEQ::kLowCut);
    Set(KvEQ::kFreq + 3, 40);
    for (unsigned int band = 0; band < KvEQ::kBands; ++band) {
        ExpectBand(band);
    }
    // A band switched off becomes a unity section; the output gain is linear.
    Set(KvEQ::kOn + 0, 0);
    ExpectBand(0);
    EXPECT_NEAR(*host.ReadCoefficient(static_cast<int>(KvEQ::kBands * KvEQ::kCoefsPerBand)), 1.0,
                1e-6);
    Set(KvEQ::kOutputGain, -6);
    EXPECT_NEAR(*host.ReadCoefficient(static_cast<int>(KvEQ::kOutputGainCoef)), dbToGain(-6), 1e-6);
    EXPECT_EQ(host.LiveBuffers(), 0U);
    EXPECT_EQ(host.Misuse().Count(), 0U);
}

TEST_P(KvEQOnHost, BypassSendsUnitySectionsAndComesBack) {
    eq->SetProcessActive(true);
    Set(KvEQ::kGain + 0, 12);
    Set(KvEQ::kBypass, 1);
    EXPECT_TRUE(eq->GetBypass());
    EXPECT_NEAR(*host.ReadCoefficient(0), 1.0, 1e-6) << "b0 of a unity section";
    EXPECT_NEAR(*host.ReadCoefficient(3), 0.0, 1e-6);
    Set(KvEQ::kBypass, 0);
    ExpectBand(0);
    // A new sample rate is applied by the next whole-algorithm update.
    ASSERT_EQ(eq->ChangeSampleRate(96000), 0);
    BUFFER_HEADER* all = eq->UpdateAlg();
    eq->SendAndFreeBuffers(all, PM::eSelExecuteChain, true);
    ExpectBand(0);
    EXPECT_EQ(eq->GetSampleRate(), 96000);
}

// The curve is display data: a burst of changes, as automation moving a band every block makes,
// is drawn by the next idle refresh with the last values, as a full update would draw it.
TEST_P(KvEQOnHost, TheCurveCatchesUpWithABurstOfChangesAtTheNextIdle) {
    eq->DoIdle(eUpdateLevelRefresh);  // nothing left pending from the start
    const std::vector<KCPoint2D<float>> flat = Curve();
    ASSERT_EQ(flat.size(), static_cast<std::size_t>(KvEQ::kCurveWidth));
    for (int step = 1; step <= 100; ++step) {
        Set(KvEQ::kGain + 1, 0.12 * step);
    }
    eq->DoIdle(eUpdateLevelRefresh);
    const std::vector<KCPoint2D<float>> raised = Curve();
    EXPECT_TRUE(raised != flat) << "band 2 raised by 12 dB";
    BUFFER_HEADER* all = eq->UpdateAlg();
    eq->SendAndFreeBuffers(all, PM::eSelExecuteChain, true);
    EXPECT_EQ(Curve(), raised) << "the refresh drew the last value";

    // The output gain moves the whole curve, also at the next refresh.
    Set(KvEQ::kOutputGain, -6);
    eq->DoIdle(eUpdateLevelRefresh);
    const std::vector<KCPoint2D<float>> lowered = Curve();
    ASSERT_EQ(lowered.size(), raised.size());
    for (std::size_t k = 0; k < lowered.size(); k += 50) {
        EXPECT_GT(lowered[k].y, raised[k].y) << "point " << k << " is drawn lower";
    }
}

TEST_P(KvEQOnHost, TheHostAutomatesTheBandsAndAllGainsTogether) {
    // The host sees the six controls made for it, not the window's controls that share the
    // description.
    ASSERT_EQ(eq->GetNumAutomationControllers(), 6U);
    EXPECT_EQ(eq->GetAutomationControlIndexByName("Freq 1"), -1);
    EXPECT_EQ(eq->GetAutomationControlIndexByName("Output"), -1);
    EXPECT_EQ(eq->GetAutomationControlIndexByName("Gain 1 Value"), -1);
    for (unsigned int i = 0; i < eq->GetNumAutomationControllers(); ++i) {
        ControllerAutomationInfoVer9 info{};
        info.version = 9;
        ASSERT_EQ(eq->GetControlAutomationInfo(i, &info), 0) << i;
        EXPECT_TRUE(info.automatable) << "every control the host sees is automatable: " << i;
    }
    for (unsigned int band = 0; band < KvEQ::kBands; ++band) {
        const KCAutomationControl* control = eq->GetAutomationControl(band);
        EXPECT_EQ(control->GetName(), ("Band " + std::to_string(band + 1)).c_str());
        EXPECT_EQ(control->GetLeadParamID(), KvEQ::kGain + band);
    }
    const int all = eq->GetAutomationControlIndexByName("All Gains");
    ASSERT_EQ(all, 4);
    EXPECT_EQ(eq->GetNumRegisteredParamsForControl(4), KvEQ::kBands);

    // Band 3 a little higher than the others; moving all gains keeps it higher.
    BUFFER_HEADER* chain = eq->UpdateParamRequestState(KvEQ::kGain + 2, 700);
    eq->SendAndFreeBuffers(chain, PM::eSelPostChain, true);
    host.ProcessBlock();
    host.Events().Clear();
    ASSERT_EQ(eq->SetControllerValue(4, 600), eNoErr);
    host.ProcessBlock();
    for (unsigned int band = 0; band < KvEQ::kBands; ++band) {
        EXPECT_EQ(eq->GetParamState(KvEQ::kGain + band), band == 2 ? 800 : 600) << band;
        ExpectBand(band);
    }
    // Each band's own control hears its new value; the group does not hear itself.
    const auto values = host.Events().Of(PM::eSelAutomationValue);
    ASSERT_EQ(values.size(), KvEQ::kBands);
    for (unsigned int band = 0; band < KvEQ::kBands; ++band) {
        EXPECT_EQ(values[band].a, band);
        EXPECT_EQ(values[band].value, band == 2 ? 800 : 600);
    }

    // The band type is a discrete lead: the host works in its five states.
    const int type = eq->GetAutomationControlIndexByName("Band 1 Type");
    ControllerAutomationInfoVer9 info;
    info.version = 9;
    ASSERT_EQ(eq->GetControlAutomationInfo(static_cast<unsigned int>(type), &info), 0);
    EXPECT_EQ(info.numStates, 5);
    EXPECT_STREQ(info.valueString, "Bell");
    ASSERT_EQ(eq->SetControllerValue(static_cast<unsigned int>(type), 2), eNoErr);
    host.ProcessBlock();
    ExpectBand(0);
    ASSERT_EQ(eq->GetControlAutomationInfo(static_cast<unsigned int>(type), &info), 0);
    EXPECT_STREQ(info.valueString, "High Shelf");
    EXPECT_EQ(info.currentValue, 2);
    EXPECT_EQ(host.LiveBuffers(), 0U);
    EXPECT_EQ(host.Misuse().Count(), 0U);
}

INSTANTIATE_TEST_SUITE_P(Containers, KvEQOnHost, ::testing::Values(KVEQ_BUNDLE, KVEQ_MODULE),
                         [](const auto& info) {
                             return std::string(info.index == 0 ? "Bundle" : "Module");
                         });

}  // namespace
