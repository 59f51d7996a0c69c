// kvMIDI::MidiParamController: the table of MIDI controllers of one algorithm, the MIDI side
// of its parameters, MIDI learn, and the application of events to parameter states.
#pragma once

#include "korvane/core/export.h"
#include "korvane/midi/controlled_param.h"
#include "korvane/midi/midi_controller.h"
#include "korvane/midi/midi_event.h"

#include <array>
#include <vector>

namespace kvKorvaneV10_0_3::kvMIDI {

// One controller per (event type, number): 128 for notes, polyphonic pressure and control
// changes each, one for program change, channel pressure and pitch bend. Note-offs reach the
// note-on controller of their note. Controllers answer on every channel 0..15. [any-thread]
// on distinct objects; an algorithm's is used under its lock.
class KORVANE_API MidiParamController {
public:
    static constexpr int kNumControlled = MidiController::kMaxParamIndex;
    static constexpr int kNumbersPerType = 128;
    static constexpr int kChannels = 16;

    // `numParams` limits the parameters that can be attached or learned (at most
    // kNumControlled; a negative count means all of them).
    explicit MidiParamController(int numParams);

    // Applies `event` while no parameter is learned: every attached parameter of its
    // controller takes the controller's position (unless the position is to be ignored), or
    // the controller's choice when it has one. True when at least one parameter was set;
    // GetChangedParams() names them, GetChangedMidi() holds the event as it is sent on.
    bool SendMidiController(const KorvaneMidiEvent& event);
    // While a parameter is learned, attaches it to the controller of `event` (not for notes)
    // and ends learning. True when it was attached.
    bool SendMidiForLearning(const KorvaneMidiEvent& event);
    // Detaches `param` from every controller and learns it: false (nothing changes) for an
    // index outside the learnable parameters.
    bool StartMidiLearn(int param);
    void StopMidiLearn();
    [[nodiscard]] bool IsLearning(int param) const {
        return m_learning >= 0 && m_learning == param;
    }
    [[nodiscard]] int GetLearnedParam() const { return m_learning; }

    // The controller an event reaches; null for a channel outside 0..15, a type without a
    // table or a number past its table.
    [[nodiscard]] MidiController* GetController(const KorvaneMidiEvent& event);
    [[nodiscard]] const MidiController* GetController(const KorvaneMidiEvent& event) const;
    [[nodiscard]] MidiController* GetController(int channel, MidiEventType type, int number);
    // `data`: the event's data bytes (the number is byte 1); null reads as number 0.
    [[nodiscard]] MidiController* GetController(int channel, MidiEventType type,
                                                const unsigned char* data);
    // The MIDI side of parameter `param`; null outside 0..kNumControlled - 1.
    [[nodiscard]] ControlledParam* GetParam(int param);
    [[nodiscard]] const ControlledParam* GetParam(int param) const;
    [[nodiscard]] int GetNumParams() const { return m_numParams; }
    // Whether `controller` toggles rather than follows: true when any parameter it drives
    // latches. Latching is kept per parameter, so the controller's answer is asked of the table
    // that holds both.
    [[nodiscard]] bool IsLatching(const MidiController& controller) const;

    // The slots of the controller of the last event applied (-1 for empty ones).
    [[nodiscard]] const std::array<int, MidiController::kMaxParams>& GetChangedParams() const {
        return m_changedParams;
    }
    // The last event applied, as it is sent on (a note with its transposed note).
    [[nodiscard]] const KorvaneMidiEvent& GetChangedMidi() const { return m_lastEvent; }
    // Raised by learning and applied events; cleared by the reader.
    [[nodiscard]] bool HasMidiChanged() const { return m_changed; }
    void ClearMidiChanged() { m_changed = false; }
    // Whether incoming events are passed on to the plug-in's processing at all (off by
    // default: the table consumes them).
    void SetShouldSendToProcess(bool send) { m_sendToProcess = send; }
    [[nodiscard]] bool GetShouldSendToProcess() const { return m_sendToProcess; }
    // The event to pass on for incoming `event`, into `out`; false when nothing is passed on.
    // Nothing while the send-to-process switch is off, nor for an event without a controller.
    // A note (note on, note off, polyphonic pressure) goes on through the note controller of
    // its note (SetMidiEventWithTransposedNote): transposed, or held back when that
    // controller's note output is disabled. A sounding note keeps what its note-on became:
    // its repeated note-ons, pressure and note-off (or note-on with velocity 0) follow that,
    // whatever the mappings became since, so a transposed note always stops. Any other event
    // goes on unchanged unless its controller drives parameters: the mapping consumes it (so
    // an event just learned is consumed too).
    bool GetEventToProcess(const KorvaneMidiEvent& event, KorvaneMidiEvent& out);
    // Whether incoming `note` on `channel` sounds (its note-on was passed on, its note-off not
    // yet), and as which note (`outgoing`, may be null).
    [[nodiscard]] bool IsNoteSounding(int channel, int note, int* outgoing = nullptr) const;

    // The controllers of `type` with attached parameters.
    [[nodiscard]] std::vector<const MidiController*> GetControllerList(MidiEventType type) const;
    // The note controllers with attached parameters that were set up on `channel` (any
    // channel when it is negative), in note order.
    [[nodiscard]] std::vector<const MidiController*> GetNoteControllerList(int channel) const;
    // Appends to `found` the information of every controller of `type`'s table that drives
    // `param` and was set up on `channel` (any channel when negative); note off searches the
    // note controllers. The number appended.
    int FindParamInControllerType(std::vector<ControllerInfo>& found, int param, int type,
                                  int channel) const;
    [[nodiscard]] bool NoteHasMappedParams(int note) const;
    // The same for a note set up on `channel` (any channel when it is negative).
    [[nodiscard]] bool NoteHasMappedParams(int channel, int note) const;

    void RemoveParamFromAllControls(int param);
    void RemoveParamFromAllControlsExceptNotes(int param);
    void RemoveAllMappedParams();
    void RemoveAllMappedParamsExceptNotes();
    void RemoveAllMappedNotes();
    // Every controller back to its defaults, no parameter latching, learning stopped.
    void ResetAllMappings();

    // The value of an event before scaling: note off 0, note on 127 (0 for velocity 0),
    // pitch bend signed 14 bits centred on 0, anything else data byte 2.
    [[nodiscard]] static int EventValue(const KorvaneMidiEvent& event);
    // The table a type uses (note off: note on's); eMidiNoEvent for a type without one.
    [[nodiscard]] static MidiEventType TableType(unsigned int type);
    // Controllers in a type's table: 128 or 1, 0 without a table.
    [[nodiscard]] static int TableSize(unsigned int type);

private:
    [[nodiscard]] static int TableOffset(MidiEventType type);
    // The position in m_controllers of a controller, -1 for none (see GetController).
    [[nodiscard]] static int ControllerSlot(int channel, MidiEventType type, int number);
    // The note-on controller of a note event's note (its output settings), null for any other
    // event.
    [[nodiscard]] const MidiController* NoteOutputController(const KorvaneMidiEvent& event) const;
    // Rewrites note event `event` as it goes on: through the record of its sounding note, else
    // through `notes`, its note controller. False when it is held back.
    bool RouteNote(const MidiController& notes, KorvaneMidiEvent& event) const;
    template <class Pred>
    void RemoveParamWhere(int param, Pred keep);

    std::vector<MidiController> m_controllers;
    std::array<ControlledParam, kNumControlled> m_params;
    int m_numParams = kNumControlled;
    int m_learning = -1;
    bool m_changed = false;
    std::array<int, MidiController::kMaxParams> m_changedParams{};
    KorvaneMidiEvent m_lastEvent;
    bool m_sendToProcess = false;
    // What each incoming note (channel * 128 + note) became when its note-on went on: the
    // outgoing note, kNoteDropped when held back, kNoteSilent when not sounding.
    static constexpr signed char kNoteSilent = -1;
    static constexpr signed char kNoteDropped = -2;
    std::array<signed char, static_cast<std::size_t>(kChannels) * kNumbersPerType> m_notes{};
};

}  // namespace kvKorvaneV10_0_3::kvMIDI
