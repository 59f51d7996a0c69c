// MIDI control of a plug-in algorithm on the reference host: learn, events turned into
// parameter updates posted to the host, gestures announced to automation.
#include "host/reference_host.h"
#include "host/testing/algorithm_start.h"

#include "korvane/algorithm/testing/test_algorithm.h"
#include "korvane/core/error_codes.h"
#include "korvane/core/thread_mutex.h"
#include "korvane/midi/midi_control.h"
#include "korvane/midi/midi_event.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using KorvaneHost::testing::ConnectAndInit;

using namespace kvKorvaneV10_0_3;
using kvMIDI::KorvaneMidiEvent;
using test_support::TestAlgorithm;
namespace PM = ProcessMemory;
using KorvaneHost::ReferenceHost;

// Records the gestures automation hears, in order ("T1" touch of parameter 1, "R1" release).
class MidiTestAlgorithm : public TestAlgorithm {
public:
    explicit MidiTestAlgorithm(bool listener = true) { SetProperty(eAlgIsMidiListener, listener); }
    void Touch(unsigned int index) override { gestures.push_back("T" + std::to_string(index)); }
    void Release(unsigned int index) override { gestures.push_back("R" + std::to_string(index)); }
    void MidiSendToProcessSelf(const KSMidiMessage& message) override {
        EXPECT_FALSE(AlgLock().is_locked_by_cur_thread()) << "passed on outside the lock";
        passedOn.push_back(message);
    }
    std::vector<std::string> gestures;
    std::vector<KSMidiMessage> passedOn;
};

KorvaneMidiEvent CC(int number, int value, int channel = 0) {
    return KorvaneMidiEvent::FromBytes(static_cast<unsigned char>(0xB0 | channel),
                                       static_cast<unsigned char>(number),
                                       static_cast<unsigned char>(value));
}

class MidiOnHost : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(host.SizeSpace(PM::eCoefsSpace, TestAlgorithm::kCount), 0);
        ASSERT_EQ(host.SizeSpace(PM::eStatesSpace, 16), 0);
        ASSERT_TRUE(ConnectAndInit(host, alg));
        EXPECT_EQ(alg.InitAlg(true), nullptr);
        host.ProcessBlock();
    }

    // Learns `param` from controller `number`.
    void Learn(unsigned int param, int number) {
        ASSERT_EQ(alg.StartMidiLearn(param), eNoErr);
        EXPECT_EQ(alg.GetMidiLearnParam(), static_cast<int>(param));
        EXPECT_EQ(alg.MidiProcessInput(CC(number, 5)), 0) << "the learning event sets nothing";
        EXPECT_EQ(alg.GetMidiLearnParam(), -1);
    }

    ReferenceHost host;
    MidiTestAlgorithm alg;
};

TEST_F(MidiOnHost, ALearnedControllerMovesItsParameterThroughTheHost) {
    const double before = alg.GetParamState(TestAlgorithm::kGain);
    Learn(TestAlgorithm::kGain, 74);
    EXPECT_EQ(alg.GetParamState(TestAlgorithm::kGain), before);
    EXPECT_TRUE(alg.gestures.empty());

    EXPECT_EQ(alg.MidiProcessInput(CC(74, 127, 6)), 1) << "on any channel";
    EXPECT_EQ(alg.GetParamState(TestAlgorithm::kGain), 1000.0);
    EXPECT_NEAR(alg.GetParamRealWorld(TestAlgorithm::kGain), 24.0, 1e-9);
    EXPECT_EQ(host.PendingChains(), 1U) << "the chain is posted, not executed";
    EXPECT_EQ(host.ProcessBlock(), 1);
    EXPECT_NEAR(*host.ReadCoefficient(TestAlgorithm::kGain), TestAlgorithm::CoefValue(1000), 1e-6);
    EXPECT_EQ(alg.gestures, (std::vector<std::string>{"T0", "R0"}));

    EXPECT_EQ(alg.MidiProcessInput(CC(74, 0)), 1);
    EXPECT_EQ(alg.GetParamState(TestAlgorithm::kGain), 0.0);
    EXPECT_EQ(alg.MidiProcessInput(CC(75, 127)), 0) << "another controller";
    EXPECT_EQ(alg.GetParamState(TestAlgorithm::kGain), 0.0);
    EXPECT_EQ(host.LiveBuffers(), 0U);
    EXPECT_EQ(host.Misuse().Count(), 0U);
}

TEST_F(MidiOnHost, OneControllerMovesSeveralParametersEachWithItsGesture) {
    Learn(TestAlgorithm::kGain, 1);
    Learn(TestAlgorithm::kMode, 1);
    Learn(TestAlgorithm::kDragged, 1);
    EXPECT_EQ(alg.MidiProcessInput(CC(1, 64)), 3);
    EXPECT_NEAR(alg.GetParamState(TestAlgorithm::kGain), 1000.0 * 64 / 127, 1e-9);
    EXPECT_EQ(alg.GetParamState(TestAlgorithm::kMode), 1.0) << "a discrete state";
    EXPECT_NEAR(alg.GetParamState(TestAlgorithm::kDragged), 1000.0 * 64 / 127, 1e-9);
    EXPECT_EQ(alg.gestures, (std::vector<std::string>{"T0", "R0", "T1", "R1", "T4", "R4"}));
    host.ProcessBlock();
    for (const unsigned int i :
         {TestAlgorithm::kGain, TestAlgorithm::kMode, TestAlgorithm::kDragged}) {
        EXPECT_NEAR(*host.ReadCoefficient(static_cast<int>(i)),
                    TestAlgorithm::CoefValue(alg.GetParamState(i)), 1e-6)
            << i;
    }
}

TEST_F(MidiOnHost, LearningIsRefusedForParametersTheAlgorithmDoesNotHave) {
    EXPECT_EQ(alg.StartMidiLearn(TestAlgorithm::kCount), eOutOfRangeNumber);
    EXPECT_EQ(alg.StartMidiLearn(700), eOutOfRangeNumber);
    EXPECT_EQ(alg.StartMidiLearn(0xFFFFFFFFU), eOutOfRangeNumber);
    EXPECT_EQ(alg.StartMidiLearn(TestAlgorithm::kMeter), eOutOfRangeNumber)
        << "a display-only parameter is no control";
    EXPECT_EQ(alg.GetMidiLearnParam(), -1);

    ASSERT_EQ(alg.StartMidiLearn(TestAlgorithm::kGain), eNoErr);
    alg.StopMidiLearn();
    EXPECT_EQ(alg.MidiProcessInput(CC(9, 100)), 0);
    EXPECT_EQ(alg.MidiProcessInput(CC(9, 100)), 0) << "nothing was attached";
}

TEST_F(MidiOnHost, LatchingTogglesFromTheStateTheParameterHas) {
    Learn(TestAlgorithm::kGain, 64);
    {
        const kvThread::ThreadMutexLock lock(alg.AlgLock());
        auto* control = dynamic_cast<kvMIDI::KCMidiControl*>(alg.GetMidiControl());
        ASSERT_NE(control, nullptr);
        control->Table().GetParam(TestAlgorithm::kGain)->SetLatching(true);
    }
    // Moved elsewhere to the top: the next press turns it off, the release keeps it off.
    BUFFER_HEADER* chain = alg.UpdateParamState(TestAlgorithm::kGain, 900);
    EXPECT_EQ(alg.SendAndFreeBuffers(chain, PM::eSelPostChain, true), 0);
    EXPECT_EQ(alg.MidiProcessInput(CC(64, 127)), 1);
    EXPECT_EQ(alg.GetParamState(TestAlgorithm::kGain), 0.0);
    EXPECT_EQ(alg.MidiProcessInput(CC(64, 0)), 1);
    EXPECT_EQ(alg.GetParamState(TestAlgorithm::kGain), 0.0);
    EXPECT_EQ(alg.MidiProcessInput(CC(64, 127)), 1);
    EXPECT_EQ(alg.GetParamState(TestAlgorithm::kGain), 1000.0);
    EXPECT_EQ(alg.MidiProcessInput(CC(64, 0)), 1);
    EXPECT_EQ(alg.GetParamState(TestAlgorithm::kGain), 1000.0);
}

TEST(MidiToProcess, ARealtimeListenerHearsNotesTransposedAndUnmappedEvents) {
    MidiTestAlgorithm alg;
    alg.SetProperty(eAlgIsMidiRealtime, true);
    ASSERT_EQ(alg.FinishCreate(), 0);
    {
        const kvThread::ThreadMutexLock lock(alg.AlgLock());
        auto* control = dynamic_cast<kvMIDI::KCMidiControl*>(alg.GetMidiControl());
        ASSERT_NE(control, nullptr);
        EXPECT_TRUE(control->Table().GetShouldSendToProcess());
        kvMIDI::MidiController* key = control->Table().GetController(0, kvMIDI::eMidiNoteOn, 36);
        ASSERT_TRUE(key->AddParam(TestAlgorithm::kMode));
        ASSERT_TRUE(key->SetTransposedNote(12));
        key->SetChoiceID(1);
        key->SetMomentary(false);
    }
    // The key switch selects its choice and sounds as note 12; its release moves nothing
    // but is passed on too, so the note is stopped.
    EXPECT_EQ(alg.MidiProcessInput(KorvaneMidiEvent::FromBytes(0x93, 36, 100)), 1);
    EXPECT_EQ(alg.GetParamState(TestAlgorithm::kMode), 1.0);
    EXPECT_EQ(alg.MidiProcessInput(KorvaneMidiEvent::FromBytes(0x83, 36, 0)), 0);
    ASSERT_EQ(alg.passedOn.size(), 2U);
    for (const KSMidiMessage& m : alg.passedOn) {
        EXPECT_EQ(m.channel, 3);
        EXPECT_EQ(m.data[0], 12);
    }
    EXPECT_EQ(alg.passedOn[0].type, static_cast<unsigned int>(kvMIDI::eMidiNoteOn));
    EXPECT_EQ(alg.passedOn[0].data[1], 100);
    EXPECT_EQ(alg.passedOn[1].type, static_cast<unsigned int>(kvMIDI::eMidiNoteOff));

    // An unmapped controller goes on; once learned, its events are the mapping's.
    alg.passedOn.clear();
    EXPECT_EQ(alg.MidiProcessInput(CC(74, 20)), 0);
    ASSERT_EQ(alg.passedOn.size(), 1U);
    EXPECT_EQ(alg.passedOn[0].data[0], 74);
    EXPECT_EQ(alg.passedOn[0].data[1], 20);
    ASSERT_EQ(alg.StartMidiLearn(TestAlgorithm::kGain), eNoErr);
    EXPECT_EQ(alg.MidiProcessInput(CC(74, 20)), 0);
    EXPECT_EQ(alg.MidiProcessInput(CC(74, 30)), 1);
    EXPECT_EQ(alg.passedOn.size(), 1U);
}

TEST(MidiToProcess, AKeyHeldThroughLoadedMappingsStopsTheNoteItStarted) {
    MidiTestAlgorithm alg;
    alg.SetProperty(eAlgIsMidiRealtime, true);
    ASSERT_EQ(alg.FinishCreate(), 0);
    KSMidiMapping keySwitch;
    keySwitch.param = static_cast<int>(TestAlgorithm::kMode);
    keySwitch.eventType = kvMIDI::eMidiNoteOn;
    keySwitch.number = 36;
    keySwitch.transposedNote = 12;
    {
        const kvThread::ThreadMutexLock lock(alg.AlgLock());
        alg.GetMidiControl()->SetMappings({keySwitch});
    }
    EXPECT_EQ(alg.MidiProcessInput(KorvaneMidiEvent::FromBytes(0x92, 36, 100)), 1);
    // Mappings loaded while the key is held: the same key, no transposition.
    keySwitch.transposedNote = -1;
    {
        const kvThread::ThreadMutexLock lock(alg.AlgLock());
        alg.GetMidiControl()->SetMappings({keySwitch});
    }
    static_cast<void>(alg.MidiProcessInput(KorvaneMidiEvent::FromBytes(0x82, 36, 0)));
    static_cast<void>(alg.MidiProcessInput(KorvaneMidiEvent::FromBytes(0x92, 36, 100)));
    ASSERT_EQ(alg.passedOn.size(), 3U);
    EXPECT_EQ(alg.passedOn[0].data[0], 12);
    EXPECT_EQ(alg.passedOn[1].type, static_cast<unsigned int>(kvMIDI::eMidiNoteOff));
    EXPECT_EQ(alg.passedOn[1].channel, 2);
    EXPECT_EQ(alg.passedOn[1].data[0], 12) << "the note that sounds is the one stopped";
    EXPECT_EQ(alg.passedOn[2].data[0], 36) << "a new press follows the loaded mappings";
}

TEST(MidiToProcess, AListenerThatIsNotRealtimeKeepsEverything) {
    MidiTestAlgorithm alg;
    ASSERT_EQ(alg.FinishCreate(), 0);
    EXPECT_EQ(alg.MidiProcessInput(KorvaneMidiEvent::FromBytes(0x90, 60, 100)), 0);
    EXPECT_EQ(alg.MidiProcessInput(CC(74, 20)), 0);
    EXPECT_TRUE(alg.passedOn.empty());
}

TEST(MidiTableOwnership, OnlyMidiListenersGetATable) {
    MidiTestAlgorithm plain(false);
    ASSERT_EQ(plain.FinishCreate(), 0);
    EXPECT_EQ(plain.StartMidiLearn(TestAlgorithm::kGain), eSomeThingNotInitailzed);
    EXPECT_EQ(plain.MidiProcessInput(CC(1, 1)), 0);
    EXPECT_EQ(plain.GetMidiLearnParam(), -1);

    MidiTestAlgorithm listener;
    ASSERT_EQ(listener.FinishCreate(), 0);
    EXPECT_EQ(listener.StartMidiLearn(TestAlgorithm::kGain), eNoErr);
    listener.SetMidiControl(nullptr);
    EXPECT_EQ(listener.GetMidiLearnParam(), -1);
    EXPECT_EQ(listener.MidiProcessInput(CC(1, 1)), 0);
}

}  // namespace
