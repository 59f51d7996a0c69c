// The control records of a preset setup: one MIDI mapping of a control (element "Control") and
// the list of them that every setup record carries. They live below the presets layer so that
// the algorithm's automation controls can save themselves into a setup record and read
// themselves back.
#pragma once

#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"

#include <vector>

namespace kvKorvaneV10_0_3 {

namespace XML {
class CXMLElement;
}

namespace Preset {

// One MIDI mapping of a control (element "Control"). [any-thread] on distinct objects.
struct KORVANE_API sPresetControlData {
    KCFixedString<127> name;
    int leadParam = -1;
    bool keySwitch = false;
    bool latching = false;
    int onValue = 0;
    int offValue = 0;
    int transposedNote = -1;  // -1: the note is passed on as it is
    int choiceID = -1;
    bool noteOutput = true;  // false: the notes are not passed on to the processing
    int midiChannel = 0;
    int midiControlID = 0;
    int midiEventType = 0;

    // Fills `e` (named "Control"): Name, LeadParam and Keyswitch always, the MIDI fields always,
    // TransposedNote for key switches or when >= 0, OnValue/OffValue for key switches or when
    // either is non-zero, Latching for key switches or when set, ChoiceID when >= 0,
    // NoteOutput when false.
    void WriteToXML(XML::CXMLElement& e) const;
    // Any subset of the children; missing ones keep their values.
    void ReadFromXML(const XML::CXMLElement& e);
    bool operator==(const sPresetControlData& other) const;
};

// The "Controls" of a setup record: the base of Preset::sPresetData (presets layer), which is
// what the library hands wherever one of these is asked for; a plug-in may dynamic_cast to it.
// [any-thread] on distinct objects.
struct KORVANE_API sPresetControls {
    sPresetControls() = default;
    sPresetControls(const sPresetControls&) = default;
    sPresetControls& operator=(const sPresetControls&) = default;
    sPresetControls(sPresetControls&&) = default;
    sPresetControls& operator=(sPresetControls&&) = default;
    virtual ~sPresetControls();

    std::vector<sPresetControlData> controls;
};

}  // namespace Preset
}  // namespace kvKorvaneV10_0_3
