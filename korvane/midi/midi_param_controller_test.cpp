// The controller table: events to controllers and values, application, learn, table bounds.
#include "korvane/midi/midi_param_controller.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace {

using namespace kvKorvaneV10_0_3::kvMIDI;

KorvaneMidiEvent Event(unsigned int type, int channel, unsigned char byte1, unsigned char byte2) {
    const unsigned char data[4] = {byte1, byte2, 0, 0};
    return {0, 0, type, channel, data, 0};
}

TEST(MidiEventValue, FollowsTheEventType) {
    EXPECT_EQ(MidiParamController::EventValue(Event(eMidiNoteOff, 0, 60, 100)), 0);
    EXPECT_EQ(MidiParamController::EventValue(Event(eMidiNoteOn, 0, 60, 1)), 127);
    EXPECT_EQ(MidiParamController::EventValue(Event(eMidiNoteOn, 0, 60, 0)), 0);
    EXPECT_EQ(MidiParamController::EventValue(Event(eMidiControlChange, 0, 7, 99)), 99);
    EXPECT_EQ(MidiParamController::EventValue(Event(eMidiPitchBend, 0, 0x00, 0x40)), 0);
    EXPECT_EQ(MidiParamController::EventValue(Event(eMidiPitchBend, 0, 0x7F, 0x7F)), 8191);
    EXPECT_EQ(MidiParamController::EventValue(Event(eMidiPitchBend, 0, 0x00, 0x00)), -8192);
}

TEST(MidiEventBytes, ChannelMessagesBecomeEvents) {
    const KorvaneMidiEvent cc = KorvaneMidiEvent::FromBytes(0xB3, 74, 100);
    EXPECT_EQ(cc.GetMidiEventType(), eMidiControlChange);
    EXPECT_EQ(cc.GetChannel(), 3);
    EXPECT_EQ(cc.GetData()[0], 74);
    EXPECT_EQ(cc.GetData()[1], 100);
    EXPECT_EQ(cc.GetEventDataLength(), 2U);
    const KorvaneMidiEvent pressure = KorvaneMidiEvent::FromBytes(0xD0, 90);
    EXPECT_EQ(pressure.GetMidiEventType(), eMidiChannelPressure);
    EXPECT_EQ(MidiParamController::EventValue(pressure), 90) << "one data byte is the value";
    EXPECT_EQ(pressure.GetEventDataLength(), 1U);
    EXPECT_EQ(KorvaneMidiEvent::FromBytes(0xF8, 0).GetMidiEventType(), eMidiNoEvent);
    EXPECT_EQ(KorvaneMidiEvent::FromBytes(0x40, 0).GetMidiEventType(), eMidiNoEvent);
    EXPECT_EQ(KorvaneMidiEvent::FromBytes(0x90, 60, 1).GetMidiEventType(), eMidiNoteOn);
}

TEST(MidiTable, SizesPerEventType) {
    EXPECT_EQ(MidiParamController::TableSize(eMidiNoteOn), 128);
    EXPECT_EQ(MidiParamController::TableSize(eMidiNoteOff), 128);
    EXPECT_EQ(MidiParamController::TableSize(eMidiPolyPressure), 128);
    EXPECT_EQ(MidiParamController::TableSize(eMidiControlChange), 128);
    EXPECT_EQ(MidiParamController::TableSize(eMidiProgramChange), 1);
    EXPECT_EQ(MidiParamController::TableSize(eMidiChannelPressure), 1);
    EXPECT_EQ(MidiParamController::TableSize(eMidiPitchBend), 1);
    EXPECT_EQ(MidiParamController::TableSize(eMidiNoEvent), 0);
    EXPECT_EQ(MidiParamController::TableSize(8), 0);
}

TEST(MidiTable, EventsWithoutATableOrOnABadChannelHaveNoController) {
    MidiParamController table(10);
    for (const unsigned int type : {0U, 8U, 15U, 1000U, 0xFFFFFFFFU}) {
        EXPECT_EQ(table.GetController(Event(type, 0, 1, 1)), nullptr) << type;
    }
    for (const int channel : {16, 17, 255, -1}) {
        EXPECT_EQ(table.GetController(Event(eMidiControlChange, channel, 1, 1)), nullptr)
            << channel;
    }
    EXPECT_EQ(table.GetController(0, eMidiControlChange, 128), nullptr);
    EXPECT_EQ(table.GetController(0, eMidiControlChange, -1), nullptr);
    EXPECT_EQ(table.GetController(0, static_cast<MidiEventType>(9), 0), nullptr);
    EXPECT_FALSE(table.SendMidiController(Event(100, 0, 1, 1)));
}

TEST(MidiTable, ControllersAreFoundByTypeAndNumberOnEveryChannel) {
    MidiParamController table(10);
    MidiController* cc74 = table.GetController(0, eMidiControlChange, 74);
    ASSERT_NE(cc74, nullptr);
    EXPECT_EQ(cc74->GetInfo().number, 74);
    EXPECT_EQ(cc74->GetInfo().type, eMidiControlChange);
    EXPECT_EQ(table.GetController(Event(eMidiControlChange, 15, 74, 0)), cc74);
    EXPECT_NE(table.GetController(0, eMidiPolyPressure, 74), cc74);
    EXPECT_EQ(table.GetController(Event(eMidiNoteOff, 0, 60, 0)),
              table.GetController(Event(eMidiNoteOn, 0, 60, 100)))
        << "a note-off reaches the note-on controller of its note";
    MidiController* bend = table.GetController(0, eMidiPitchBend, 0);
    ASSERT_NE(bend, nullptr);
    EXPECT_EQ(table.GetController(Event(eMidiPitchBend, 2, 0x12, 0x40)), bend)
        << "byte 1 of a pitch bend is its low bits, not a number";
    EXPECT_EQ(bend->GetMinInputVal(), -8192);
    EXPECT_EQ(bend->GetMaxInputVal(), 8191);
    const unsigned char data[4] = {7, 0, 0, 0};
    EXPECT_EQ(table.GetController(0, eMidiControlChange, data),
              table.GetController(0, eMidiControlChange, 7));
}

TEST(MidiTable, ParameterIndicesOutsideTheTableAreRefused) {
    MidiParamController table(-1);  // every one of the 700
    EXPECT_EQ(table.GetParam(MidiParamController::kNumControlled), nullptr);
    EXPECT_EQ(table.GetParam(-1), nullptr);
    ASSERT_NE(table.GetParam(699), nullptr);
    EXPECT_EQ(table.GetParam(699)->GetIndex(), 699);
    EXPECT_FALSE(table.StartMidiLearn(MidiParamController::kNumControlled));
    EXPECT_FALSE(table.StartMidiLearn(-1));
    EXPECT_EQ(table.GetLearnedParam(), -1);

    MidiParamController small(3);
    EXPECT_FALSE(small.StartMidiLearn(3)) << "past the algorithm's parameters";
    EXPECT_TRUE(small.StartMidiLearn(2));
    EXPECT_EQ(MidiParamController(5000).GetNumParams(), MidiParamController::kNumControlled);
}

TEST(MidiApply, AnEventMovesEveryAttachedParameter) {
    MidiParamController table(20);
    MidiController* cc = table.GetController(0, eMidiControlChange, 1);
    ASSERT_NE(cc, nullptr);
    ASSERT_TRUE(cc->AddParam(4));
    ASSERT_TRUE(cc->AddParam(9));
    table.GetParam(9)->SetStateScale(0, 4);
    table.ClearMidiChanged();

    ASSERT_TRUE(table.SendMidiController(Event(eMidiControlChange, 5, 1, 127)));
    EXPECT_EQ(table.GetParam(4)->GetState(), 1000.0);
    EXPECT_EQ(table.GetParam(9)->GetState(), 4.0);
    EXPECT_EQ(table.GetChangedParams(), (std::array<int, 8>{4, 9, -1, -1, -1, -1, -1, -1}));
    EXPECT_EQ(table.GetChangedMidi().GetChannel(), 5);
    EXPECT_TRUE(table.HasMidiChanged());

    EXPECT_FALSE(table.SendMidiController(Event(eMidiControlChange, 0, 2, 127)))
        << "a controller without parameters sets nothing";
    cc->SetMomentary(false);
    EXPECT_FALSE(table.SendMidiController(Event(eMidiControlChange, 0, 1, 0)));
    EXPECT_EQ(table.GetParam(4)->GetState(), 1000.0) << "ignored minimum";

    EXPECT_FALSE(table.IsLatching(*cc));
    table.GetParam(9)->SetLatching(true);
    EXPECT_TRUE(table.IsLatching(*cc)) << "one latching parameter makes the controller toggle";
    EXPECT_FALSE(table.IsLatching(*table.GetController(0, eMidiControlChange, 2)));
}

TEST(MidiApply, APitchBendOnASevenBitMappingStaysInTheParameterRange) {
    MidiParamController table(4);
    MidiController* bend = table.GetController(0, eMidiPitchBend, 0);
    ASSERT_TRUE(bend->SetScale(0, 127));
    ASSERT_TRUE(bend->AddParam(1));
    ASSERT_TRUE(table.SendMidiController(Event(eMidiPitchBend, 0, 0x7F, 0x7F)));
    EXPECT_EQ(table.GetParam(1)->GetState(), 1000.0);
    ASSERT_TRUE(table.SendMidiController(Event(eMidiPitchBend, 0, 0x00, 0x00)));
    EXPECT_EQ(table.GetParam(1)->GetState(), 0.0);
}

TEST(MidiLearn, TheNextControllerEventAttachesTheLearnedParameter) {
    MidiParamController table(20);
    ASSERT_TRUE(table.GetController(0, eMidiControlChange, 3)->AddParam(7));
    ASSERT_TRUE(table.StartMidiLearn(7));
    EXPECT_TRUE(table.IsLearning(7));
    EXPECT_FALSE(table.GetController(0, eMidiControlChange, 3)->ControlsParam(7))
        << "learning detaches the parameter first";

    EXPECT_FALSE(table.SendMidiController(Event(eMidiControlChange, 0, 3, 64)))
        << "nothing is applied while learning";
    EXPECT_FALSE(table.SendMidiForLearning(Event(eMidiNoteOn, 0, 60, 100)));
    EXPECT_FALSE(table.SendMidiForLearning(Event(eMidiNoteOff, 0, 60, 0)));
    EXPECT_FALSE(table.SendMidiForLearning(Event(eMidiControlChange, 16, 3, 64)));
    EXPECT_TRUE(table.IsLearning(7));

    ASSERT_TRUE(table.SendMidiForLearning(Event(eMidiControlChange, 9, 21, 64)));
    EXPECT_EQ(table.GetLearnedParam(), -1);
    const MidiController* learned = table.GetController(0, eMidiControlChange, 21);
    EXPECT_TRUE(learned->ControlsParam(7));
    EXPECT_EQ(learned->GetInfo().channel, 9);
    EXPECT_FALSE(table.SendMidiForLearning(Event(eMidiControlChange, 0, 22, 64)))
        << "learning ended";
}

TEST(MidiLearn, AFullControllerKeepsLearning) {
    MidiParamController table(20);
    MidiController* cc = table.GetController(0, eMidiControlChange, 5);
    for (int p = 0; p < 8; ++p) {
        ASSERT_TRUE(cc->AddParam(p));
    }
    ASSERT_TRUE(table.StartMidiLearn(12));
    EXPECT_FALSE(table.SendMidiForLearning(Event(eMidiControlChange, 0, 5, 1)));
    EXPECT_TRUE(table.IsLearning(12));
    table.StopMidiLearn();
    EXPECT_EQ(table.GetLearnedParam(), -1);
}

TEST(MidiRemoval, NotesAreKeptOrRemovedOnRequest) {
    MidiParamController table(20);
    ASSERT_TRUE(table.GetController(0, eMidiNoteOn, 60)->AddParam(2));
    ASSERT_TRUE(table.GetController(0, eMidiControlChange, 1)->AddParam(2));
    ASSERT_TRUE(table.GetController(0, eMidiControlChange, 2)->AddParam(3));
    table.RemoveParamFromAllControlsExceptNotes(2);
    EXPECT_TRUE(table.NoteHasMappedParams(60));
    EXPECT_EQ(table.GetControllerList(eMidiControlChange).size(), 1U);
    table.RemoveAllMappedNotes();
    EXPECT_FALSE(table.NoteHasMappedParams(60));
    EXPECT_EQ(table.GetControllerList(eMidiControlChange).size(), 1U);
    table.RemoveAllMappedParams();
    EXPECT_TRUE(table.GetControllerList(eMidiControlChange).empty());

    ASSERT_TRUE(table.GetController(0, eMidiControlChange, 1)->SetScale(10, 20));
    table.GetParam(3)->SetLatching(true);
    table.ResetAllMappings();
    EXPECT_EQ(table.GetController(0, eMidiControlChange, 1)->GetMinInputVal(), 0);
    EXPECT_FALSE(table.GetParam(3)->GetIsLatching());
}

TEST(MidiLookup, NoteControllersAndAParametersControllersByTypeAndChannel) {
    MidiParamController table(20);
    MidiController* note60 = table.GetController(0, eMidiNoteOn, 60);
    MidiController* note62 = table.GetController(0, eMidiNoteOn, 62);
    MidiController* cc1 = table.GetController(0, eMidiControlChange, 1);
    MidiController* cc7 = table.GetController(0, eMidiControlChange, 7);
    ASSERT_TRUE(note60->AddParam(4));
    ASSERT_TRUE(note62->AddParam(5));
    ASSERT_TRUE(cc1->AddParam(4));
    ASSERT_TRUE(cc7->AddParam(4));
    ASSERT_TRUE(cc7->AddParam(6));
    note62->SetInfo({3, 62, eMidiNoteOn});
    cc7->SetInfo({3, 7, eMidiControlChange});

    const auto all = table.GetNoteControllerList(-1);
    ASSERT_EQ(all.size(), 2U);
    EXPECT_EQ(all[0], note60);
    EXPECT_EQ(all[1], note62);
    const auto onThree = table.GetNoteControllerList(3);
    ASSERT_EQ(onThree.size(), 1U);
    EXPECT_EQ(onThree[0], note62);
    EXPECT_TRUE(table.GetNoteControllerList(9).empty());
    EXPECT_TRUE(table.NoteHasMappedParams(-1, 62));
    EXPECT_TRUE(table.NoteHasMappedParams(3, 62));
    EXPECT_FALSE(table.NoteHasMappedParams(0, 62)) << "set up on channel 3";
    EXPECT_FALSE(table.NoteHasMappedParams(-1, 61));
    EXPECT_FALSE(table.NoteHasMappedParams(-1, 128));

    std::vector<ControllerInfo> found;
    EXPECT_EQ(table.FindParamInControllerType(found, 4, eMidiControlChange, -1), 2);
    ASSERT_EQ(found.size(), 2U);
    EXPECT_EQ(found[0].number, 1);
    EXPECT_EQ(found[1].number, 7);
    EXPECT_EQ(found[1].channel, 3);
    EXPECT_EQ(found[1].type, eMidiControlChange);
    // Appends; a channel filter keeps only what was set up there.
    EXPECT_EQ(table.FindParamInControllerType(found, 4, eMidiControlChange, 3), 1);
    ASSERT_EQ(found.size(), 3U);
    EXPECT_EQ(found[2].number, 7);
    // A note off searches the note controllers; other types and unknown ones find nothing.
    found.clear();
    EXPECT_EQ(table.FindParamInControllerType(found, 4, eMidiNoteOff, -1), 1);
    ASSERT_EQ(found.size(), 1U);
    EXPECT_EQ(found[0].number, 60);
    EXPECT_EQ(table.FindParamInControllerType(found, 4, eMidiPitchBend, -1), 0);
    EXPECT_EQ(table.FindParamInControllerType(found, 4, 99, -1), 0);
    EXPECT_EQ(table.FindParamInControllerType(found, 4, -1, -1), 0);
    EXPECT_EQ(table.FindParamInControllerType(found, 5, eMidiControlChange, -1), 0);
    EXPECT_EQ(found.size(), 1U);
}

}  // namespace
