// The algorithm's view of its MIDI controller table: what cALGORITHM needs from the midi layer,
// which sits above it, and the process-wide factory through which the library supplies it.
#pragma once

#include "korvane/core/export.h"

#include <memory>
#include <vector>

namespace kvKorvaneV10_0_3 {

class cALGORITHM;

namespace kvMIDI {
class KorvaneMidiEvent;
}  // namespace kvMIDI

// A MIDI event as plain data, the fields of kvMIDI::KorvaneMidiEvent: what the table passes on
// to the plug-in's processing. [any-thread] on distinct objects.
struct KSMidiMessage {
    int header = 0;
    unsigned int timeStamp = 0;
    unsigned int type = 0;
    int channel = 0;
    unsigned char data[4] = {};
    unsigned int extra = 0;
};

// The parameters one MIDI event moves and the states they take (at most eight: one
// controller's slots), and the event to pass on to the plug-in's processing, if any.
// [any-thread] on distinct objects.
struct KSMidiTargets {
    static constexpr unsigned int kMax = 8;
    unsigned int count = 0;
    unsigned int index[kMax] = {};
    double state[kMax] = {};
    bool forward = false;
    KSMidiMessage message;
};

// One parameter attached to one controller, as a preset stores it. The controller is named by
// its event type and number; `channel` is the channel it was learned on. `momentary` false
// means the controller's minimum is ignored (a switch acts on press only); `latching` makes
// presses toggle the parameter. [any-thread] on distinct objects.
struct KSMidiMapping {
    int param = -1;
    int channel = 0;
    int eventType = 0;
    int number = 0;
    bool momentary = true;
    bool latching = false;
    int inputMin = 0;
    int inputMax = 127;
    // The state the controller selects (-1: none, the value is scaled), the note a note
    // controller passes on instead of its own (-1: none), and whether it passes notes on.
    int choiceID = -1;
    int transposedNote = -1;
    bool noteOutput = true;
    bool operator==(const KSMidiMapping& other) const = default;
};

// Implemented by the midi layer. One per algorithm that listens to MIDI, owned by it, used
// under the algorithm lock: the algorithm calls every operation with that lock held.
class KORVANE_API KCMidiControlAbs {
public:
    KCMidiControlAbs() = default;
    KCMidiControlAbs(const KCMidiControlAbs&) = delete;
    KCMidiControlAbs& operator=(const KCMidiControlAbs&) = delete;
    virtual ~KCMidiControlAbs();

    // Maps `event` onto `alg`'s parameters: fills `out` with the parameters to set and their
    // new states (within each parameter's range), or learns the event while a parameter is
    // being learned (then no parameter is set); and sets `out.forward` and `out.message` when
    // the event (or what the table makes of it) goes on to the plug-in's processing. True
    // when the event was used.
    // [any-thread & lock held]
    virtual bool MapEvent(const cALGORITHM& alg, const kvMIDI::KorvaneMidiEvent& event,
                          KSMidiTargets& out) = 0;
    // MIDI learn of parameter `param`: false for a parameter the table cannot hold.
    // [any-thread & lock held]
    virtual bool StartLearn(int param) = 0;
    virtual void StopLearn() = 0;
    // The parameter being learned, -1 for none. [any-thread & lock held]
    [[nodiscard]] virtual int GetLearnedParam() const = 0;
    // Detaches `param` from every controller. [any-thread & lock held]
    virtual void RemoveParam(int param) = 0;
    // Every attachment, by controller then parameter; SetMappings replaces them all (invalid
    // entries are skipped). [any-thread & lock held]
    virtual void GetMappings(std::vector<KSMidiMapping>& out) const = 0;
    virtual void SetMappings(const std::vector<KSMidiMapping>& mappings) = 0;

    // Makes the table of a new algorithm (called by cALGORITHM::FinishCreate for a MIDI
    // listener).
    using Factory = std::unique_ptr<KCMidiControlAbs> (*)(cALGORITHM& alg);
    // Installs the factory every later FinishCreate uses; null means no table. The midi layer
    // installs its own when the library loads. Returns the previous one. [gui-thread]
    static Factory SetFactory(Factory factory);
    [[nodiscard]] static Factory GetFactory();
};

}  // namespace kvKorvaneV10_0_3
