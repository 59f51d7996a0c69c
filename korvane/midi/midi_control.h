// kvMIDI::KCMidiControl: the controller table an algorithm holds, mapping events onto its
// parameters' states; the library installs it as every MIDI listener's table.
#pragma once

#include "korvane/algorithm/algorithm.h"
#include "korvane/algorithm/midi_control_abs.h"
#include "korvane/core/export.h"
#include "korvane/core/thread_annotations.h"
#include "korvane/midi/midi_param_controller.h"

#include <vector>

namespace kvKorvaneV10_0_3::kvMIDI {

// One per algorithm that listens to MIDI, made by the factory installed when the library
// loads; used under the algorithm lock (see KCMidiControlAbs). A plug-in may derive and
// install its own with cALGORITHM::SetMidiControl.
class KORVANE_API KCMidiControl : public KCMidiControlAbs {
public:
    // Sized for `alg`'s parameters, each mapping onto its whole state range (0..1000, or the
    // states of a discrete parameter), with its state step. [gui-thread & !created]
    explicit KCMidiControl(const cALGORITHM& alg);

    // Learns the event while a parameter is learned; else applies it to the table, each
    // attached parameter starting from its current state (so latching toggles from what the
    // parameter shows), and names the parameters set with their new states. Then names the
    // event to pass on to the processing (MidiParamController::GetEventToProcess); the table
    // passes events on for an algorithm with the "IsMidiRealtime" property.
    bool MapEvent(const cALGORITHM& alg, const KorvaneMidiEvent& event, KSMidiTargets& out)
        KV_REQUIRES(alg.AlgLock()) override;
    bool StartLearn(int param) override { return m_table.StartMidiLearn(param); }
    void StopLearn() override { m_table.StopMidiLearn(); }
    [[nodiscard]] int GetLearnedParam() const override { return m_table.GetLearnedParam(); }
    void RemoveParam(int param) override { m_table.RemoveParamFromAllControls(param); }
    void GetMappings(std::vector<KSMidiMapping>& out) const override;
    void SetMappings(const std::vector<KSMidiMapping>& mappings) override;

    [[nodiscard]] MidiParamController& Table() { return m_table; }
    [[nodiscard]] const MidiParamController& Table() const { return m_table; }

    // Installs the factory that gives every MIDI listener a KCMidiControl (done when the
    // library loads; call again after replacing it). [gui-thread]
    static void InstallFactory();

private:
    // Applies an event while nothing is learned, naming the parameters set in `out`.
    bool Apply(const cALGORITHM& alg, const KorvaneMidiEvent& event, KSMidiTargets& out)
        KV_REQUIRES(alg.AlgLock());

    MidiParamController m_table;
};

}  // namespace kvKorvaneV10_0_3::kvMIDI
