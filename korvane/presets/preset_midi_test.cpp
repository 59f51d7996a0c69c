// The MIDI mappings of an algorithm stored as the "Control" records of its presets and read
// back on load.
#include "korvane/algorithm/midi_control_abs.h"
#include "korvane/algorithm/testing/test_algorithm.h"
#include "korvane/core/error_codes.h"
#include "korvane/presets/preset_alg.h"
#include "korvane/presets/preset_info.h"
#include "korvane/presets/preset_xml.h"
#include "korvane/xml/xml_element.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace kvKorvaneV10_0_3::Preset {
namespace {

using test_support::TestAlgorithm;

// A table that only keeps the mappings it is given, counting the replacements.
class MappingStore : public KCMidiControlAbs {
public:
    bool MapEvent(const cALGORITHM& /*alg*/, const kvMIDI::KorvaneMidiEvent& /*event*/,
                  KSMidiTargets& /*out*/) override {
        return false;
    }
    bool StartLearn(int /*param*/) override { return true; }
    void StopLearn() override {}
    [[nodiscard]] int GetLearnedParam() const override { return -1; }
    void RemoveParam(int /*param*/) override {}
    void GetMappings(std::vector<KSMidiMapping>& out) const override { out = mappings; }
    void SetMappings(const std::vector<KSMidiMapping>& in) override {
        mappings = in;
        ++replaced;
    }
    std::vector<KSMidiMapping> mappings;
    int replaced = 0;
};

struct MidiAlgorithm {
    MidiAlgorithm() {
        EXPECT_EQ(alg.FinishCreate(), 0);
        auto owned = std::make_unique<MappingStore>();
        store = owned.get();
        alg.SetMidiControl(std::move(owned));
    }
    TestAlgorithm alg;
    MappingStore* store = nullptr;
};

std::vector<KSMidiMapping> SomeMappings() {
    KSMidiMapping knob;  // a plain control change, full range
    knob.param = TestAlgorithm::kGain;
    knob.channel = 3;
    knob.eventType = 4;
    knob.number = 74;
    KSMidiMapping button;  // a latching button on a narrower range
    button.param = TestAlgorithm::kMode;
    button.eventType = 4;
    button.number = 64;
    button.latching = true;
    button.inputMin = 10;
    button.inputMax = 100;
    KSMidiMapping keySwitch;  // acts on press only
    keySwitch.param = TestAlgorithm::kAlways;
    keySwitch.channel = 15;
    keySwitch.eventType = 2;
    keySwitch.number = 36;
    keySwitch.momentary = false;
    keySwitch.choiceID = 2;  // selects a state, sounds as another note or not at all
    keySwitch.transposedNote = 24;
    keySwitch.noteOutput = false;
    KSMidiMapping transposed;  // a playable note that sounds an octave lower
    transposed.param = TestAlgorithm::kGain;
    transposed.eventType = 2;
    transposed.number = 60;
    transposed.transposedNote = 48;
    KSMidiMapping bend;
    bend.param = TestAlgorithm::kDragged;
    bend.eventType = 7;
    bend.inputMin = -8192;
    bend.inputMax = 8191;
    return {knob, button, keySwitch, bend, transposed};
}

// Through the preset element's XML form, as a preset file or a state chunk carries it.
CPresetInfo ThroughXML(const CPresetInfo& preset) {
    XML::CXMLElement root;
    WriteToXML_CPresetInfo(preset, root);
    CPresetInfo back;
    ReadHeadersFromXML_CPresetInfo(&root, back);
    ReadDataFromXML_CPresetInfo(&root, back);
    return back;
}

TEST(PresetMidiMappings, AreSavedAsControlsAndReadBack) {
    MidiAlgorithm source;
    source.store->mappings = SomeMappings();
    CPresetInfo preset;
    ASSERT_EQ(SavePresetFromAlg(CPublicAlg(source.alg), preset), eNoErr);
    const sPresetData* a = preset.GetSetupPresetData(eSetupA);
    ASSERT_NE(a, nullptr);
    ASSERT_EQ(a->controls.size(), 5U);
    EXPECT_EQ(a->controls[0].name, KCFixedString<127>("Gain"));
    EXPECT_EQ(a->controls[0].leadParam, 0);
    EXPECT_FALSE(a->controls[0].keySwitch);
    EXPECT_TRUE(a->controls[2].keySwitch) << "a controller that ignores its release";
    EXPECT_EQ(a->controls[2].choiceID, 2);
    EXPECT_EQ(a->controls[2].transposedNote, 24);
    EXPECT_FALSE(a->controls[2].noteOutput);
    EXPECT_EQ(a->controls[4].transposedNote, 48);
    EXPECT_TRUE(a->controls[4].noteOutput);

    MidiAlgorithm target;
    const CPresetInfo loaded = ThroughXML(preset);
    ASSERT_EQ(LoadPresetToAlg(CPublicAlg(target.alg), loaded, false), eNoErr);
    EXPECT_EQ(target.store->replaced, 1) << "once, not once per setup";
    EXPECT_EQ(target.store->mappings, SomeMappings());
}

TEST(PresetMidiMappings, TheInputRangeAndLatchingOfAControllerAreWritten) {
    sPresetControlData control;
    control.leadParam = 1;
    control.latching = true;
    control.onValue = 100;
    control.offValue = 10;
    XML::CXMLElement e;
    control.WriteToXML(e);
    EXPECT_NE(e.SubElementText("OnValue"), nullptr);
    EXPECT_NE(e.SubElementText("OffValue"), nullptr);
    EXPECT_NE(e.SubElementText("Latching"), nullptr);
    EXPECT_EQ(e.SubElementText("TransposedNote"), nullptr) << "no transposed note";
    EXPECT_EQ(e.SubElementText("NoteOutput"), nullptr) << "notes are passed on by default";
    sPresetControlData back;
    back.ReadFromXML(e);
    EXPECT_EQ(back, control);
}

TEST(PresetMidiMappings, NoteSettingsAreWrittenWhenTheyDifferFromTheDefaults) {
    sPresetControlData control;
    control.leadParam = 2;
    control.midiEventType = 2;
    control.midiControlID = 60;
    control.transposedNote = 0;
    control.noteOutput = false;
    XML::CXMLElement e;
    control.WriteToXML(e);
    ASSERT_NE(e.SubElementText("TransposedNote"), nullptr) << "note 0 is a note";
    ASSERT_NE(e.SubElementText("NoteOutput"), nullptr);
    EXPECT_STREQ(e.SubElementText("NoteOutput"), "false");
    sPresetControlData back;
    back.ReadFromXML(e);
    EXPECT_EQ(back, control);
}

TEST(PresetMidiMappings, APresetWithoutControlsLeavesTheMappingsAlone) {
    MidiAlgorithm plain;  // no mappings: the preset has no controls, as an older one
    CPresetInfo preset;
    ASSERT_EQ(SavePresetFromAlg(CPublicAlg(plain.alg), preset), eNoErr);
    XML::CXMLElement root;
    WriteToXML_CPresetInfo(preset, root);
    for (const auto* data : root.GetSubElements()) {
        EXPECT_EQ(data->SubElement("Controls"), nullptr);
    }

    MidiAlgorithm target;
    target.store->mappings = SomeMappings();
    target.alg.UpdateParamState(TestAlgorithm::kGain, 100);
    ASSERT_EQ(LoadPresetToAlg(CPublicAlg(target.alg), ThroughXML(preset), false), eNoErr);
    EXPECT_EQ(target.alg.GetParamState(TestAlgorithm::kGain), 500.0) << "the values load";
    EXPECT_EQ(target.store->replaced, 0);
    EXPECT_EQ(target.store->mappings, SomeMappings());
}

TEST(PresetMidiMappings, AnAlgorithmWithoutATableNeitherWritesNorReadsThem) {
    TestAlgorithm source;
    ASSERT_EQ(source.FinishCreate(), 0);
    CPresetInfo preset;
    ASSERT_EQ(SavePresetFromAlg(CPublicAlg(source), preset), eNoErr);
    EXPECT_TRUE(preset.GetSetupPresetData(eSetupA)->controls.empty());

    MidiAlgorithm other;
    other.store->mappings = SomeMappings();
    CPresetInfo withControls;
    ASSERT_EQ(SavePresetFromAlg(CPublicAlg(other.alg), withControls), eNoErr);
    EXPECT_EQ(LoadPresetToAlg(CPublicAlg(source), withControls, false), eNoErr);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::Preset
