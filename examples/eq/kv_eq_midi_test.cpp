// The example EQ's parameters are MIDI-learnable: a learned controller moves a band on the
// reference host, and the mapping travels with the EQ's state chunk.
#include "examples/eq/kv_eq.h"
#include "examples/eq/kv_eq_test_support.h"

#include "host/reference_host.h"
#include "korvane/core/thread_mutex.h"
#include "korvane/midi/midi_control.h"
#include "korvane/midi/midi_event.h"
#include "korvane/presets/presets_manager.h"
#include "korvane/presets/presets_test_support.h"
#include "korvane/rm/resource_manager.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace kvKorvaneV10_0_3;
using kvexample::KvEQ;
using kvMIDI::KorvaneMidiEvent;
namespace PM = ProcessMemory;

KorvaneMidiEvent CC(int number, int value) {
    return KorvaneMidiEvent::FromBytes(0xB0, static_cast<unsigned char>(number),
                                       static_cast<unsigned char>(value));
}

// The EQ with its parameter updates recorded, each with whether the algorithm lock was held.
class WatchedEQ : public KvEQ {
public:
    using KvEQ::KvEQ;
    std::vector<std::pair<unsigned int, bool>> updates;

protected:
    BUFFER_HEADER* UpdateParamSelf(unsigned int index) KV_REQUIRES(AlgLock()) override {
        updates.emplace_back(index, AlgLock().is_locked_by_cur_thread());
        return KvEQ::UpdateParamSelf(index);
    }
};

class KvEQMidi : public ::testing::Test {
protected:
    void SetUp() override { kvexample::testing::OpenEQOnHost(KVEQ_BUNDLE, host, container, eq); }
    void TearDown() override {
        eq.reset();
        copy.reset();
        EXPECT_EQ(RM::CloseResContainer(container), eNoErr);
        EXPECT_EQ(RM::Dispose(), eNoErr);
    }

    // The coefficients of band 0 on `on` equal the section designed from `alg`'s values.
    static void ExpectBand0(KvEQ& alg, KorvaneHost::ReferenceHost& on) {
        const auto rw = [&](unsigned int first) { return alg.GetParamRealWorld(first); };
        const BIQUAD expected =
            KvEQ::DesignBand(static_cast<int>(rw(KvEQ::kType)), rw(KvEQ::kFreq), rw(KvEQ::kGain),
                             rw(KvEQ::kQ), rw(KvEQ::kOn) != 0, alg.GetSampleRate());
        const double coefs[] = {expected.b0, expected.b1, expected.b2, expected.a1, expected.a2};
        for (unsigned int c = 0; c < KvEQ::kCoefsPerBand; ++c) {
            const auto stored = on.ReadCoefficient(static_cast<int>(c));
            ASSERT_TRUE(stored.has_value());
            EXPECT_NEAR(*stored, coefs[c], 1e-6 * std::max(1.0, std::fabs(coefs[c])))
                << "coefficient " << c;
        }
    }

    // The EQ's table, to set what learning does not (choices, note output).
    template <class F>
    void WithTable(F&& change) {
        const kvThread::ThreadMutexLock lock(eq->AlgLock());
        auto* control = dynamic_cast<kvMIDI::KCMidiControl*>(eq->GetMidiControl());
        ASSERT_NE(control, nullptr);
        change(control->Table());
    }

    Preset::testing::SettingsSandbox sandbox;
    Preset::testing::ScriptedUser user;
    KTResContainerType* container = nullptr;
    KorvaneHost::ReferenceHost host;
    std::unique_ptr<WatchedEQ> eq;
    KorvaneHost::ReferenceHost copyHost;
    std::unique_ptr<KvEQ> copy;
};

TEST_F(KvEQMidi, ALearnedControllerMovesABand) {
    EXPECT_TRUE(eq->IsMidiListener()) << "its description asks for MIDI";
    ASSERT_EQ(eq->StartMidiLearn(KvEQ::kGain), eNoErr);
    EXPECT_EQ(eq->MidiProcessInput(CC(20, 1)), 0);
    EXPECT_EQ(eq->GetMidiLearnParam(), -1);

    EXPECT_EQ(eq->MidiProcessInput(CC(20, 127)), 1);
    EXPECT_NEAR(eq->GetParamRealWorld(KvEQ::kGain), 18.0, 1e-9);
    host.ProcessBlock();
    ExpectBand0(*eq, host);
    EXPECT_EQ(eq->MidiProcessInput(CC(20, 0)), 1);
    EXPECT_NEAR(eq->GetParamRealWorld(KvEQ::kGain), -18.0, 1e-9);
    host.ProcessBlock();
    ExpectBand0(*eq, host);
    EXPECT_EQ(host.Misuse().Count(), 0U);
}

TEST_F(KvEQMidi, TheMappingTravelsWithTheStateChunk) {
    ASSERT_EQ(eq->StartMidiLearn(KvEQ::kFreq), eNoErr);
    ASSERT_EQ(eq->MidiProcessInput(CC(21, 1)), 0);
    Utils::KCStMemObj chunk;
    ASSERT_EQ(eq->GetChunk(kPresetChunkID.Value(), chunk, false), eNoErr);
    const std::string text(static_cast<const char*>(chunk.ptr), chunk.size);
    EXPECT_NE(text.find("<Control "), std::string::npos) << text;

    kvexample::testing::CreateEQOnHost(container, copyHost, copy);
    ASSERT_FALSE(HasFatalFailure());
    const Utils::KCStConstMemObj data(text.data(), static_cast<unsigned int>(text.size()));
    ASSERT_EQ(copy->SetChunk(kPresetChunkID.Value(), data), eNoErr);
    EXPECT_EQ(copy->MidiProcessInput(CC(21, 127)), 1);
    EXPECT_NEAR(copy->GetParamRealWorld(KvEQ::kFreq), 20000.0, 1e-6);
    copyHost.ProcessBlock();
    ExpectBand0(*copy, copyHost);
}

TEST_F(KvEQMidi, AMovedControllerUpdatesUnderTheLockAndTheHostSeesOneGesture) {
    ASSERT_EQ(eq->StartMidiLearn(KvEQ::kGain), eNoErr);
    ASSERT_EQ(eq->MidiProcessInput(CC(30, 3)), 0);
    host.Events().Clear();
    eq->updates.clear();

    EXPECT_EQ(eq->MidiProcessInput(CC(30, 127)), 1);
    EXPECT_NEAR(eq->GetParamRealWorld(KvEQ::kGain), 18.0, 1e-9);
    EXPECT_EQ(eq->updates, (std::vector<std::pair<unsigned int, bool>>{{KvEQ::kGain, true}}));
    // Band 1's gain is automated by its own control and by the group of all gains: each
    // control leading it hears one complete gesture.
    std::map<std::int64_t, std::vector<int>> perControl;
    for (const auto& e : host.Events().All()) {
        if (e.selector == PM::eSelAutomationTouch || e.selector == PM::eSelAutomationValue ||
            e.selector == PM::eSelAutomationRelease) {
            perControl[e.a].push_back(e.selector);
        }
    }
    // The window's display of band 1's gain is the window's, not a control of the host's.
    EXPECT_EQ(perControl.size(), 2U);
    EXPECT_TRUE(perControl.contains(0) && perControl.contains(4)) << "Band 1 and All Gains";
    for (const auto& [control, selectors] : perControl) {
        EXPECT_EQ(selectors, (std::vector<int>{PM::eSelAutomationTouch, PM::eSelAutomationValue,
                                               PM::eSelAutomationRelease}))
            << "control " << control;
    }
    EXPECT_TRUE(host.OpenGestures().empty());

    EXPECT_EQ(host.ProcessBlock(), 1);
    ExpectBand0(*eq, host);
    EXPECT_EQ(host.CloseGestures(), 0U);
    EXPECT_EQ(host.Misuse().Count(), 0U);
}

TEST_F(KvEQMidi, MappingsSurviveAUserPresetAndAPresetWithoutThemKeepsThem) {
    Preset::CPresetsManager& manager = Preset::testing::ManagerOf(*eq);
    const CPublicAlg pub(*eq);
    const KCPoint2D<short> where{0, 0};
    ASSERT_EQ(eq->StartMidiLearn(KvEQ::kFreq), eNoErr);
    ASSERT_EQ(eq->MidiProcessInput(CC(21, 1)), 0);
    // A key switch on note 36 picks the high shelf for band 0 and does not sound.
    WithTable([](kvMIDI::MidiParamController& table) {
        kvMIDI::MidiController* key = table.GetController(0, kvMIDI::eMidiNoteOn, 36);
        ASSERT_TRUE(key->AddParam(KvEQ::kType));
        key->SetMomentary(false);
        key->SetChoiceID(KvEQ::kHighShelf);
        ASSERT_TRUE(key->SetTransposedNote(24));
        key->DisableNoteOutput();
    });
    ASSERT_FALSE(HasFatalFailure());

    user.choices = {"Put Into Preset Menu As..."};
    user.names = {"Mapped"};
    ASSERT_EQ(manager.SavePresetMenu(pub, where, false), eNoErr);
    WithTable([](kvMIDI::MidiParamController& table) { table.ResetAllMappings(); });
    EXPECT_EQ(eq->MidiProcessInput(CC(21, 127)), 0) << "the mappings are gone";

    user.choices = {"Mapped"};
    ASSERT_EQ(manager.LoadPresetMenu(pub, where, false), eNoErr);
    EXPECT_EQ(eq->MidiProcessInput(CC(21, 127)), 1);
    EXPECT_NEAR(eq->GetParamRealWorld(KvEQ::kFreq), 20000.0, 1e-6);
    EXPECT_EQ(eq->MidiProcessInput(KorvaneMidiEvent::FromBytes(0x90, 36, 90)), 1);
    EXPECT_EQ(eq->GetParamRealWorld(KvEQ::kType), KvEQ::kHighShelf);
    WithTable([](kvMIDI::MidiParamController& table) {
        const kvMIDI::MidiController* key = table.GetController(0, kvMIDI::eMidiNoteOn, 36);
        EXPECT_FALSE(key->IsMomentary());
        EXPECT_EQ(key->GetTransposedNote(), 24);
        EXPECT_FALSE(key->HasNoteOutput());
    });

    // The factory presets were written without mappings: their values load, the mappings stay.
    ASSERT_EQ(manager.LoadFactoryPresetToPluginByName(pub, "Warm Lows", true), eNoErr);
    EXPECT_DOUBLE_EQ(eq->GetParamRealWorld(KvEQ::kFreq), 120.0);
    EXPECT_EQ(eq->MidiProcessInput(CC(21, 0)), 1);
    EXPECT_NEAR(eq->GetParamRealWorld(KvEQ::kFreq), 20.0, 1e-6);
    EXPECT_EQ(host.Misuse().Count(), 0U);
}

}  // namespace
