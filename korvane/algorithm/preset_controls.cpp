// The control records of a preset setup and their XML form.
#include "korvane/algorithm/preset_controls.h"

#include "korvane/core/error_codes.h"
#include "korvane/core/number_format.h"
#include "korvane/xml/number_parse.h"
#include "korvane/xml/xml_element.h"

#include <string>
#include <string_view>

namespace kvKorvaneV10_0_3::Preset {

namespace {

void AddInt(XML::CXMLElement& e, const char* name, int value) {
    e.AddSubElement(name, KUFormatInteger(static_cast<long long>(value)).c_str());
}

bool ReadInt(const XML::CXMLElement& e, const char* name, int& value) {
    const char* text = e.SubElementText(name);
    if (text == nullptr) {
        return false;
    }
    long long v = 0;
    if (KUAtoi(text, v) != eNoErr) {
        return false;  // a malformed number leaves the value as it was
    }
    value = static_cast<int>(v);
    return true;
}

bool IsTrue(std::string_view text) {
    return text == "true" || text == "1" || text == "yes";
}

}  // namespace

sPresetControls::~sPresetControls() = default;

// ------------------------------------------------------------------ control mapping

void sPresetControlData::WriteToXML(XML::CXMLElement& e) const {
    e.SetName("Control");
    e.AddAttrib("Name", name.c_str());
    e.AddAttrib("LeadParam", leadParam);
    e.AddAttrib("Keyswitch", keySwitch ? "true" : "false");
    // A MIDI mapping also keeps its input range and latching when they say something.
    if (keySwitch || onValue != 0 || offValue != 0) {
        AddInt(e, "OnValue", onValue);
        AddInt(e, "OffValue", offValue);
    }
    if (keySwitch || transposedNote >= 0) {
        AddInt(e, "TransposedNote", transposedNote);
    }
    if (keySwitch || latching) {
        e.AddSubElement("Latching", latching ? "true" : "false");
    }
    if (choiceID >= 0) {
        AddInt(e, "ChoiceID", choiceID);
    }
    if (!noteOutput) {
        e.AddSubElement("NoteOutput", "false");
    }
    AddInt(e, "MIDIChannel", midiChannel);
    AddInt(e, "MIDIControlID", midiControlID);
    AddInt(e, "MIDIEventType", midiEventType);
}

void sPresetControlData::ReadFromXML(const XML::CXMLElement& e) {
    std::string text;
    if (e.GetAttrib("Name", text)) {
        // Cut at a character: half a UTF-8 sequence would not be written back as XML.
        name.assign(text.data(), static_cast<unsigned int>(KUUtf8CutLength(text, name.capacity())));
    }
    e.GetAttrib("LeadParam", leadParam);
    if (e.GetAttrib("Keyswitch", text)) {
        keySwitch = IsTrue(text);
    }
    ReadInt(e, "OnValue", onValue);
    ReadInt(e, "OffValue", offValue);
    ReadInt(e, "TransposedNote", transposedNote);
    ReadInt(e, "ChoiceID", choiceID);
    if (const char* latch = e.SubElementText("Latching"); latch != nullptr) {
        latching = IsTrue(latch);
    }
    if (const char* output = e.SubElementText("NoteOutput"); output != nullptr) {
        noteOutput = IsTrue(output);
    }
    ReadInt(e, "MIDIChannel", midiChannel);
    ReadInt(e, "MIDIControlID", midiControlID);
    ReadInt(e, "MIDIEventType", midiEventType);
}

bool sPresetControlData::operator==(const sPresetControlData& other) const {
    return name == other.name && leadParam == other.leadParam && keySwitch == other.keySwitch &&
           latching == other.latching && onValue == other.onValue && offValue == other.offValue &&
           transposedNote == other.transposedNote && choiceID == other.choiceID &&
           noteOutput == other.noteOutput && midiChannel == other.midiChannel &&
           midiControlID == other.midiControlID && midiEventType == other.midiEventType;
}

}  // namespace kvKorvaneV10_0_3::Preset
