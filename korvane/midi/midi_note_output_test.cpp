// What the table passes on to the processing (notes transposed or held back, mapped events
// consumed), and controllers with a choice.
#include "korvane/midi/midi_param_controller.h"

#include <gtest/gtest.h>

namespace {

using namespace kvKorvaneV10_0_3::kvMIDI;

KorvaneMidiEvent Event(unsigned int type, int channel, unsigned char byte1, unsigned char byte2) {
    const unsigned char data[4] = {byte1, byte2, 0, 0};
    return {7, 1234, type, channel, data, 99};
}

TEST(MidiTransposedNote, OnlyNotesAreRewrittenAndOnlyWithANote) {
    MidiController controller;
    EXPECT_FALSE(controller.HasTransposedNote());
    EXPECT_FALSE(controller.SetTransposedNote(128));
    EXPECT_FALSE(controller.SetTransposedNote(-2));
    EXPECT_FALSE(controller.HasTransposedNote()) << "a refused note changes nothing";

    KorvaneMidiEvent plain = Event(eMidiNoteOn, 0, 36, 90);
    EXPECT_TRUE(controller.SetMidiEventWithTransposedNote(plain));
    EXPECT_EQ(plain.GetData()[0], 36) << "no transposed note: the note stays";

    ASSERT_TRUE(controller.SetTransposedNote(0));
    EXPECT_TRUE(controller.HasTransposedNote()) << "note 0 is a note";
    for (const unsigned int type : {eMidiNoteOn, eMidiNoteOff, eMidiPolyPressure}) {
        KorvaneMidiEvent note = Event(type, 5, 36, 90);
        EXPECT_TRUE(controller.SetMidiEventWithTransposedNote(note)) << type;
        EXPECT_EQ(note.GetData()[0], 0) << type;
        EXPECT_EQ(note.GetData()[1], 90) << "the velocity stays";
        EXPECT_EQ(note.GetChannel(), 5);
        EXPECT_EQ(note.GetTimeStamp(), 1234U);
    }
    KorvaneMidiEvent cc = Event(eMidiControlChange, 0, 36, 90);
    EXPECT_TRUE(controller.SetMidiEventWithTransposedNote(cc));
    EXPECT_EQ(cc.GetData()[0], 36) << "a controller number is no note";
}

TEST(MidiTransposedNote, DisabledNoteOutputHoldsNotesBackAndResetRestoresIt) {
    MidiController controller;
    ASSERT_TRUE(controller.SetTransposedNote(48));
    controller.DisableNoteOutput();
    EXPECT_FALSE(controller.HasNoteOutput());
    KorvaneMidiEvent note = Event(eMidiNoteOn, 0, 36, 90);
    EXPECT_FALSE(controller.SetMidiEventWithTransposedNote(note));
    KorvaneMidiEvent bend = Event(eMidiPitchBend, 0, 0, 64);
    EXPECT_TRUE(controller.SetMidiEventWithTransposedNote(bend)) << "only notes are held back";

    controller.Reset();
    EXPECT_TRUE(controller.HasNoteOutput());
    EXPECT_FALSE(controller.HasTransposedNote());
    EXPECT_FALSE(controller.HasChoiceID());
}

// A table that passes events on, with a key switch on note 36: it selects a state of
// parameter 3 (0..5), plays note 24 instead of itself; note 37 sounds as it is.
class MidiToProcess : public ::testing::Test {
protected:
    void SetUp() override {
        table.SetShouldSendToProcess(true);
        table.GetParam(3)->SetStateScale(0, 5);
        table.GetParam(3)->SetStateStep(1.0);
        MidiController* key = table.GetController(0, eMidiNoteOn, 36);
        ASSERT_NE(key, nullptr);
        ASSERT_TRUE(key->AddParam(3));
        ASSERT_TRUE(key->SetTransposedNote(24));
        key->SetMomentary(false);
        key->SetChoiceID(2);
    }

    // The event passed on for `in`, or nothing.
    bool Pass(const KorvaneMidiEvent& in, KorvaneMidiEvent& out) {
        return table.GetEventToProcess(in, out);
    }

    MidiParamController table{16};
};

TEST_F(MidiToProcess, NotesGoOnThroughTheControllerOfTheirNote) {
    KorvaneMidiEvent out;
    for (const unsigned int type : {eMidiNoteOn, eMidiNoteOff, eMidiPolyPressure}) {
        ASSERT_TRUE(Pass(Event(type, 9, 36, 100), out)) << type;
        EXPECT_EQ(out.GetRawType(), type);
        EXPECT_EQ(out.GetChannel(), 9);
        EXPECT_EQ(out.GetData()[0], 24) << "the key switch's note, also for its release";
        EXPECT_EQ(out.GetData()[1], 100);
        EXPECT_EQ(out.GetHeader(), 7);
        EXPECT_EQ(out.GetExtra(), 99U);
    }
    ASSERT_TRUE(Pass(Event(eMidiNoteOn, 0, 37, 100), out));
    EXPECT_EQ(out.GetData()[0], 37) << "a note without settings sounds as it is";

    table.GetController(0, eMidiNoteOn, 36)->DisableNoteOutput();
    EXPECT_FALSE(Pass(Event(eMidiNoteOn, 0, 36, 100), out));
    EXPECT_FALSE(Pass(Event(eMidiNoteOff, 0, 36, 0), out)) << "nor its release";
    EXPECT_TRUE(Pass(Event(eMidiNoteOn, 0, 37, 100), out));
}

TEST_F(MidiToProcess, MappedEventsAreConsumedAndUnmappedOnesGoOnUnchanged) {
    KorvaneMidiEvent out;
    ASSERT_TRUE(Pass(Event(eMidiControlChange, 2, 74, 50), out));
    EXPECT_EQ(out.GetData()[0], 74);
    EXPECT_EQ(out.GetData()[1], 50);
    EXPECT_EQ(out.GetChannel(), 2);

    ASSERT_TRUE(table.StartMidiLearn(5));
    ASSERT_TRUE(table.SendMidiForLearning(Event(eMidiControlChange, 2, 74, 50)));
    EXPECT_FALSE(Pass(Event(eMidiControlChange, 2, 74, 50), out)) << "learned: consumed";
    EXPECT_TRUE(Pass(Event(eMidiControlChange, 2, 75, 50), out));

    EXPECT_FALSE(Pass(Event(eMidiControlChange, 16, 75, 50), out)) << "no controller";
    EXPECT_FALSE(Pass(Event(eMidiNoteOn, 16, 60, 50), out));
    EXPECT_FALSE(Pass(Event(eMidiNoteOn, 0, 200, 50), out)) << "no such note";
    EXPECT_FALSE(Pass(Event(9, 0, 1, 1), out)) << "a type without a table";

    table.SetShouldSendToProcess(false);
    EXPECT_FALSE(Pass(Event(eMidiNoteOn, 0, 37, 100), out));
    EXPECT_FALSE(Pass(Event(eMidiControlChange, 2, 75, 50), out));
}

// Holds key 36 (sounding as 24), lets `change` alter the mappings, then releases it with
// `release`: the release must stop note 24.
template <class Change>
void ExpectReleaseStopsTheTransposedNote(MidiParamController& table, Change change,
                                         const KorvaneMidiEvent& release) {
    KorvaneMidiEvent out;
    ASSERT_TRUE(table.GetEventToProcess(Event(eMidiNoteOn, 3, 36, 100), out));
    ASSERT_EQ(out.GetData()[0], 24);
    change(table);
    ASSERT_TRUE(table.GetEventToProcess(Event(eMidiPolyPressure, 3, 36, 40), out));
    EXPECT_EQ(out.GetData()[0], 24) << "pressure follows the sounding note";
    ASSERT_TRUE(table.GetEventToProcess(release, out));
    EXPECT_EQ(out.GetRawType(), release.GetRawType());
    EXPECT_EQ(out.GetChannel(), 3);
    EXPECT_EQ(out.GetData()[0], 24);
    EXPECT_FALSE(table.IsNoteSounding(3, 36));
}

TEST_F(MidiToProcess, ASoundingTransposedNoteStopsAfterAPresetLoad) {
    const KorvaneMidiEvent off = Event(eMidiNoteOff, 3, 36, 0);
    // A preset load: every mapping reset, the key's parameter restored without transposition.
    ExpectReleaseStopsTheTransposedNote(
        table,
        [](MidiParamController& t) {
            t.ResetAllMappings();
            ASSERT_TRUE(t.GetController(0, eMidiNoteOn, 36)->AddParam(3));
        },
        off);
    KorvaneMidiEvent out;
    ASSERT_TRUE(Pass(Event(eMidiNoteOn, 3, 36, 100), out));
    EXPECT_EQ(out.GetData()[0], 36) << "released, the key follows the loaded mappings";
}

TEST_F(MidiToProcess, ASoundingTransposedNoteStopsAfterAReset) {
    ExpectReleaseStopsTheTransposedNote(
        table, [](MidiParamController& t) { t.ResetAllMappings(); }, Event(eMidiNoteOff, 3, 36, 0));
}

TEST_F(MidiToProcess, ASoundingTransposedNoteStopsAfterItsOutputIsDisabled) {
    ExpectReleaseStopsTheTransposedNote(
        table,
        [](MidiParamController& t) { t.GetController(0, eMidiNoteOn, 36)->DisableNoteOutput(); },
        Event(eMidiNoteOff, 3, 36, 0));
    KorvaneMidiEvent out;
    EXPECT_FALSE(Pass(Event(eMidiNoteOn, 3, 36, 100), out)) << "a new press is held back";
}

TEST_F(MidiToProcess, ANoteOnWithVelocityZeroEndsTheNoteItStarted) {
    ExpectReleaseStopsTheTransposedNote(
        table,
        [](MidiParamController& t) {
            ASSERT_TRUE(t.GetController(0, eMidiNoteOn, 36)->SetTransposedNote(30));
        },
        Event(eMidiNoteOn, 3, 36, 0));
}

TEST_F(MidiToProcess, ARepeatedNoteOnKeepsTheNoteItsFirstPressStarted) {
    KorvaneMidiEvent out;
    ASSERT_TRUE(Pass(Event(eMidiNoteOn, 1, 36, 100), out));
    ASSERT_EQ(out.GetData()[0], 24);
    int outgoing = -1;
    EXPECT_TRUE(table.IsNoteSounding(1, 36, &outgoing));
    EXPECT_EQ(outgoing, 24);
    EXPECT_FALSE(table.IsNoteSounding(2, 36)) << "kept per channel";

    ASSERT_TRUE(table.GetController(0, eMidiNoteOn, 36)->SetTransposedNote(30));
    ASSERT_TRUE(Pass(Event(eMidiNoteOn, 1, 36, 90), out));
    EXPECT_EQ(out.GetData()[0], 24) << "a second note 30 would never be stopped";
    EXPECT_EQ(out.GetData()[1], 90);
    ASSERT_TRUE(Pass(Event(eMidiNoteOff, 1, 36, 0), out));
    EXPECT_EQ(out.GetData()[0], 24);

    // The same key on another channel started after the change: its own note.
    ASSERT_TRUE(Pass(Event(eMidiNoteOn, 2, 36, 100), out));
    EXPECT_EQ(out.GetData()[0], 30);
}

TEST_F(MidiToProcess, ANoteHeldBackStaysHeldBackUntilReleased) {
    KorvaneMidiEvent out;
    table.GetController(0, eMidiNoteOn, 36)->DisableNoteOutput();
    EXPECT_FALSE(Pass(Event(eMidiNoteOn, 0, 36, 100), out));
    table.GetController(0, eMidiNoteOn, 36)->DisableNoteOutput(false);
    EXPECT_FALSE(Pass(Event(eMidiPolyPressure, 0, 36, 50), out));
    EXPECT_FALSE(Pass(Event(eMidiNoteOff, 0, 36, 0), out))
        << "a note-off for a note that never went on";
    EXPECT_TRUE(Pass(Event(eMidiNoteOn, 0, 36, 100), out));
}

TEST_F(MidiToProcess, TheChangedEventIsKeptAsItIsPassedOn) {
    ASSERT_TRUE(table.SendMidiController(Event(eMidiNoteOn, 4, 36, 100)));
    EXPECT_EQ(table.GetChangedMidi().GetData()[0], 24);
    EXPECT_EQ(table.GetChangedMidi().GetChannel(), 4);
    EXPECT_EQ(table.GetChangedMidi().GetRawType(), static_cast<unsigned int>(eMidiNoteOn));
}

TEST_F(MidiToProcess, AControllerWithAChoiceSelectsItWhateverTheValue) {
    table.GetParam(3)->SetState(5.0);
    ASSERT_TRUE(table.SendMidiController(Event(eMidiNoteOn, 0, 36, 1)));
    EXPECT_EQ(table.GetParam(3)->GetState(), 2.0);
    EXPECT_FALSE(table.SendMidiController(Event(eMidiNoteOff, 0, 36, 0)))
        << "a key switch acts on press only";
    EXPECT_EQ(table.GetParam(3)->GetState(), 2.0);

    // Latching does not apply to an absolute state; a choice past the range is clamped.
    table.GetParam(3)->SetLatching(true);
    table.GetController(0, eMidiNoteOn, 36)->SetChoiceID(9);
    ASSERT_TRUE(table.SendMidiController(Event(eMidiNoteOn, 0, 36, 127)));
    EXPECT_EQ(table.GetParam(3)->GetState(), 5.0);
    ASSERT_TRUE(table.SendMidiController(Event(eMidiNoteOn, 0, 36, 127)));
    EXPECT_EQ(table.GetParam(3)->GetState(), 5.0) << "pressed again, no toggle";

    // Without a choice the same press is scaled (and toggles, latching).
    table.GetController(0, eMidiNoteOn, 36)->SetChoiceID(-5);
    EXPECT_FALSE(table.GetController(0, eMidiNoteOn, 36)->HasChoiceID());
    ASSERT_TRUE(table.SendMidiController(Event(eMidiNoteOn, 0, 36, 127)));
    EXPECT_EQ(table.GetParam(3)->GetState(), 0.0);
}

}  // namespace
