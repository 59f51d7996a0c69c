// The MIDI attachments of automation controls saved in a preset file and read back, next to
// the MIDI table's mappings, and presets without them.
#include "korvane/algorithm/midi_control_abs.h"
#include "korvane/algorithm/testing/automation_test_algorithm.h"
#include "korvane/core/error_codes.h"
#include "korvane/fm/fm_test_support.h"
#include "korvane/presets/preset_alg.h"
#include "korvane/presets/preset_api.h"
#include "korvane/presets/preset_file_handler.h"
#include "korvane/presets/preset_info.h"

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

namespace kvKorvaneV10_0_3::Preset {
namespace {

using test_support::AutomationTestAlgorithm;

// "Group", "Level" and "Loose" save their attachments; "Mode" does not.
constexpr const char* kDescription = R"(<GUIXML><Control_List>
  <cCONTROLLER Name="Group" Class="Automation"><Flags><CanAttachToMIDI/><SaveMIDIAttachment/></Flags>
    <ParameterList><Param Name="A"/><Param Name="B"/></ParameterList></cCONTROLLER>
  <cCONTROLLER Name="Level" Class="Automation"><Flags><CanAttachToMIDI/><SaveMIDIAttachment/></Flags>
    <ParameterList><Param Name="Gain"/></ParameterList></cCONTROLLER>
  <cCONTROLLER Name="Mode" Class="Automation"><Flags><CanAttachToMIDI/></Flags>
    <ParameterList><Param Name="Mode"/></ParameterList></cCONTROLLER>
  <cCONTROLLER Name="Loose" Class="Automation"><Flags><CanAttachToMIDI/><SaveMIDIAttachment/></Flags>
    <ParameterList><Param Name="C"/></ParameterList></cCONTROLLER>
</Control_List></GUIXML>)";
enum : unsigned int { kGroupCtl, kGainCtl, kModeCtl, kLooseCtl };

// A MIDI table that only keeps the mappings it is given.
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

// Remembers what its preset hook was given.
class HookedAlgorithm : public AutomationTestAlgorithm {
public:
    using AutomationTestAlgorithm::AutomationTestAlgorithm;
    std::vector<std::pair<EPluginSetup, EPluginSetup>> hooked;
    std::vector<const sPresetData*> records;

protected:
    int LoadControlsFromPresetSelf(const sPresetControls* data, EPluginSetup from,
                                   EPluginSetup to) override {
        hooked.emplace_back(from, to);
        records.push_back(dynamic_cast<const sPresetData*>(data));
        return 0;
    }
};

struct Plugin {
    Plugin() {
        EXPECT_EQ(alg.FinishCreate(), 0);
        auto owned = std::make_unique<MappingStore>();
        store = owned.get();
        alg.SetMidiControl(std::move(owned));
    }
    void Attach(unsigned int index, int channel, int number, int type, bool keySwitch = false) {
        KCAutomationControl* c = alg.GetAutomationControl(index);
        c->SetMIDIChannel(channel);
        c->SetMIDIControlID(number);
        c->SetMIDIEventType(type);
        c->SetMIDIKeySwitch(keySwitch);
    }
    [[nodiscard]] KCMIDIAttachment Attachment(unsigned int index) const {
        return alg.GetAutomationControl(index)->GetMIDIAttachment();
    }
    HookedAlgorithm alg{kDescription};
    MappingStore* store = nullptr;
};

KCMIDIAttachment Attached(int channel, int number, int type, bool keySwitch = false) {
    KCMIDIAttachment a;
    a.channel = channel;
    a.controlID = number;
    a.eventType = type;
    a.keySwitch = keySwitch;
    return a;
}

KSMidiMapping TableMapping() {
    KSMidiMapping knob;
    knob.param = AutomationTestAlgorithm::kGain;
    knob.channel = 0;
    knob.eventType = 4;
    knob.number = 20;
    return knob;
}

class PresetAutomation : public ::testing::Test {
protected:
    // The preset written to a file and read back from it.
    CPresetInfo ThroughFile(CPresetInfo preset) {
        preset.SetPresetName("Attached");
        preset.SetPresetIndex(0);
        std::vector<CPresetInfo*> presets{&preset};
        EXPECT_EQ(CPresetAPI::WritePresetsDataToFile(CPublicAlg(), presets, file), eNoErr);
        KCPresetFileHandler handler;
        EXPECT_EQ(handler.ReadFromDisk(CPublicAlg(), path), eNoErr);
        EXPECT_EQ(handler.GetPresets().size(), 1U);
        return handler.GetPresets().empty() ? CPresetInfo() : *handler.GetPresets().front();
    }

    FM::testing::TempFolder folder;
    FM::KCStPath path{folder.Path("bank.xps").c_str()};
    CPresetsFileInfo file{path, ePresetsFormatXPS, true};
};

TEST_F(PresetAutomation, AttachmentsSurviveAPresetFileNextToTheTablesMappings) {
    Plugin source;
    source.store->mappings = {TableMapping()};
    source.Attach(kGroupCtl, 3, 74, 4);
    source.Attach(kGainCtl, 0, 60, 2, true);
    source.Attach(kModeCtl, 1, 5, 4);  // not saved
    CPresetInfo preset;
    ASSERT_EQ(SavePresetFromAlg(CPublicAlg(source.alg), preset), eNoErr);
    const sPresetData* a = preset.GetSetupPresetData(eSetupA);
    ASSERT_NE(a, nullptr);
    ASSERT_EQ(a->controls.size(), 3U) << "the table's mapping and two controls";
    EXPECT_EQ(a->controls[1].name, KCFixedString<127>("Group"));
    EXPECT_EQ(a->controls[1].leadParam, static_cast<int>(AutomationTestAlgorithm::kA));
    EXPECT_TRUE(a->controls[2].keySwitch);

    Plugin target;
    target.Attach(kLooseCtl, 9, 9, 4);  // the preset says it had none
    target.Attach(kModeCtl, 2, 2, 4);   // not the preset's to change
    const CPresetInfo loaded = ThroughFile(preset);
    ASSERT_EQ(LoadPresetToAlg(CPublicAlg(target.alg), loaded, false), eNoErr);
    EXPECT_EQ(target.Attachment(kGroupCtl), Attached(3, 74, 4));
    EXPECT_EQ(target.Attachment(kGainCtl), Attached(0, 60, 2, true));
    EXPECT_FALSE(target.Attachment(kLooseCtl).IsAttached());
    EXPECT_EQ(target.Attachment(kModeCtl), Attached(2, 2, 4));
    // The controls' records are not the table's.
    EXPECT_EQ(target.store->mappings, (std::vector<KSMidiMapping>{TableMapping()}));
    EXPECT_EQ(target.store->replaced, 1);
    // The plug-in heard each loaded record, given as the setup record it is.
    ASSERT_EQ(target.alg.hooked.size(), 2U);
    EXPECT_EQ(target.alg.hooked[0], std::make_pair(eSetupA, eSetupA));
    EXPECT_EQ(target.alg.hooked[1], std::make_pair(eSetupB, eSetupB));
    EXPECT_EQ(target.alg.records[0], loaded.GetSetupPresetData(eSetupA));
}

TEST_F(PresetAutomation, APresetWithoutAttachmentsLeavesThemAlone) {
    Plugin source;  // nothing attached: the records hold no controls, like an older preset
    CPresetInfo preset;
    ASSERT_EQ(SavePresetFromAlg(CPublicAlg(source.alg), preset), eNoErr);
    EXPECT_TRUE(preset.GetSetupPresetData(eSetupA)->controls.empty());

    Plugin target;
    target.store->mappings = {TableMapping()};
    target.Attach(kGroupCtl, 3, 74, 4);
    target.alg.UpdateParamState(AutomationTestAlgorithm::kA, 300);
    ASSERT_EQ(LoadPresetToAlg(CPublicAlg(target.alg), ThroughFile(preset), false), eNoErr);
    EXPECT_EQ(target.alg.GetParamState(AutomationTestAlgorithm::kA), 0) << "the values load";
    EXPECT_EQ(target.Attachment(kGroupCtl), Attached(3, 74, 4));
    EXPECT_EQ(target.store->replaced, 0);

    // Only table records: the controls keep theirs too.
    sPresetData tableOnly;
    sPresetControlData record;
    record.name = "Gain";
    record.leadParam = static_cast<int>(AutomationTestAlgorithm::kGain);
    record.midiControlID = 20;
    record.midiEventType = 4;
    tableOnly.controls.push_back(record);
    EXPECT_EQ(target.alg.LoadControlsFromPreset(&tableOnly, eSetupA, eSetupA), eNoErr);
    EXPECT_EQ(target.Attachment(kGroupCtl), Attached(3, 74, 4));
    EXPECT_EQ(target.alg.LoadControlsFromPreset(nullptr, eSetupA, eSetupA), eMemNullPointer);
}

TEST_F(PresetAutomation, RecordsAreAppendedAndOnesWithoutAChannelDetach) {
    Plugin source;
    source.Attach(kGroupCtl, 3, 74, 4);
    sPresetData data;
    sPresetControlData other;
    other.name = "Elsewhere";
    data.controls.push_back(other);
    ASSERT_EQ(source.alg.SaveControlsToPreset(data, eSetupA, eSetupA), eNoErr);
    ASSERT_EQ(data.controls.size(), 2U);
    EXPECT_EQ(data.controls[0].name, KCFixedString<127>("Elsewhere"));
    EXPECT_EQ(data.controls[1].midiChannel, 3);
    // A record naming no valid channel detaches its control instead.
    data.controls[1].midiChannel = 16;
    Plugin target;
    target.Attach(kGroupCtl, 1, 1, 4);
    ASSERT_EQ(target.alg.LoadControlsFromPreset(&data, eSetupA, eSetupA), eNoErr);
    EXPECT_FALSE(target.Attachment(kGroupCtl).IsAttached());
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::Preset
