// kvMIDI::MidiController: one (event type, controller number) pair and the parameters it
// drives, with the input and output ranges its values are scaled through.
#pragma once

#include "korvane/core/export.h"
#include "korvane/midi/midi_event.h"

#include <array>

namespace kvKorvaneV10_0_3::kvMIDI {

// What a controller answers to: the channel it was learned on, its number, its event type.
struct ControllerInfo {
    int channel = 0;
    int number = 0;
    MidiEventType type = eMidiNoEvent;
};

// [any-thread] on distinct objects; the table's are used under the algorithm lock.
class KORVANE_API MidiController {
public:
    static constexpr int kMaxParams = 8;
    // Parameter indices a controller can hold: 0 up to the parameter table's size.
    static constexpr int kMaxParamIndex = 700;
    // GetScaledVal's answer for a value to ignore.
    static constexpr double kIgnore = -1.0;

    MidiController() { RemoveAllParams(); }

    // Attaches parameter `param` in the first free slot, keeping the slots sorted. False for
    // an index outside 0..kMaxParamIndex - 1, a parameter already attached, or a ninth one.
    bool AddParam(int param);
    // False when `param` was not attached.
    bool RemoveParam(int param);
    void RemoveAllParams();
    [[nodiscard]] bool ControlsParam(int param) const;
    // kMaxParams slots, attached indices first in ascending order, then -1.
    [[nodiscard]] const std::array<int, kMaxParams>& GetControlledParams() const {
        return m_params;
    }
    [[nodiscard]] int GetNumMappedParams() const;
    [[nodiscard]] bool HasMappedParams() const { return m_params[0] >= 0; }

    // The input range a value is scaled from. An empty range (equal bounds) is ignored, the
    // range stays as it was: false.
    bool SetScale(int inputMin, int inputMax);
    [[nodiscard]] int GetMinInputVal() const { return m_inputMin; }
    [[nodiscard]] int GetMaxInputVal() const { return m_inputMax; }
    // The output range, as positions 0..1 of the parameters' state ranges.
    void SetOutputScale(double outputMin, double outputMax);
    [[nodiscard]] double GetMinOutputVal() const { return m_outputMin; }
    [[nodiscard]] double GetMaxOutputVal() const { return m_outputMax; }
    // A momentary controller acts on every value; one that is not ignores its input minimum
    // (the release of a switch that acts on press only). Momentary by default.
    void SetMomentary(bool momentary) { m_momentary = momentary; }
    [[nodiscard]] bool IsMomentary() const { return m_momentary; }

    // The position for `value`: the value clamped into the input range, mapped linearly onto
    // the output range; kIgnore for the input minimum of a controller that is not momentary.
    [[nodiscard]] double GetScaledVal(int value) const;

    // A controller with a choice selects it: every event it does not ignore sets its
    // parameters to state `id` (one entry of a list parameter, say an articulation picked by a
    // key switch), whatever the value. -1 (any negative id) for none: the value is scaled.
    void SetChoiceID(int id) { m_choiceID = id < 0 ? -1 : id; }
    [[nodiscard]] int GetChoiceID() const { return m_choiceID; }
    [[nodiscard]] bool HasChoiceID() const { return m_choiceID >= 0; }

    // Note output of a note controller: the notes that reach it are passed on to the plug-in's
    // processing with their note number replaced by the transposed note when it has one, and
    // are not passed on at all when its note output is disabled (a key switch that should
    // not sound).
    // The transposed note, 0..127, or -1 for none: false (nothing changes) outside that range.
    bool SetTransposedNote(int note);
    [[nodiscard]] int GetTransposedNote() const { return m_transposedNote; }
    [[nodiscard]] bool HasTransposedNote() const { return m_transposedNote >= 0; }
    void DisableNoteOutput(bool disable = true) { m_noteOutput = !disable; }
    [[nodiscard]] bool HasNoteOutput() const { return m_noteOutput; }
    // Rewrites a note event (note on, note off, polyphonic pressure) as this controller sends it
    // on: its note number becomes the transposed note when there is one. False when the event
    // is not to be passed on (note output disabled); any other type is left as it is (true).
    bool SetMidiEventWithTransposedNote(KorvaneMidiEvent& event) const;
    void SetInfo(const ControllerInfo& info) { m_info = info; }
    [[nodiscard]] const ControllerInfo& GetInfo() const { return m_info; }

    // No parameters, default ranges for the controller's type (0..127, pitch bend
    // -8192..8191), output 0..1, momentary, no choice, no transposed note, note output on;
    // the information stays.
    void Reset();

private:
    std::array<int, kMaxParams> m_params{};
    int m_inputMin = 0;
    int m_inputMax = 127;
    double m_outputMin = 0.0;
    double m_outputMax = 1.0;
    bool m_momentary = true;
    int m_choiceID = -1;
    int m_transposedNote = -1;
    bool m_noteOutput = true;
    ControllerInfo m_info;
};

}  // namespace kvKorvaneV10_0_3::kvMIDI
