// The algorithm's controller table and its registration as every MIDI listener's table.
#include "korvane/midi/midi_control.h"

#include "korvane/algorithm/algorithm.h"

#include <memory>

namespace kvKorvaneV10_0_3::kvMIDI {

namespace {

std::unique_ptr<KCMidiControlAbs> MakeControl(cALGORITHM& alg) {
    return std::make_unique<KCMidiControl>(alg);
}

// The library gives every MIDI listener a table without the plug-in asking.
const bool g_installed = [] {
    KCMidiControl::InstallFactory();
    return true;
}();

}  // namespace

KCMidiControl::KCMidiControl(const cALGORITHM& alg)
    : m_table(static_cast<int>(alg.GetNumParams())) {
    static_cast<void>(g_installed);
    const auto& params = alg.GetParamVector();
    for (int i = 0; i < m_table.GetNumParams(); ++i) {
        ControlledParam* param = m_table.GetParam(i);
        const auto& record = params[static_cast<std::size_t>(i)];
        param->SetStateScale(0, static_cast<int>(record.GetMaxState()));
        param->SetStateStep(record.GetType() == eParamDiscrete ? 1.0 : 0.0);
    }
    // A plug-in that takes MIDI in its processing hears the notes and unmapped events.
    m_table.SetShouldSendToProcess(alg.IsMidiRealtime());
}

void KCMidiControl::InstallFactory() {
    SetFactory(&MakeControl);
}

bool KCMidiControl::MapEvent(const cALGORITHM& alg, const KorvaneMidiEvent& event,
                             KSMidiTargets& out) {
    out.count = 0;
    const bool used = m_table.GetLearnedParam() >= 0 ? m_table.SendMidiForLearning(event)
                                                     : Apply(alg, event, out);
    out.forward = false;
    if (!m_table.GetShouldSendToProcess()) {
        return used;
    }
    KorvaneMidiEvent pass;
    out.forward = m_table.GetEventToProcess(event, pass);
    if (out.forward) {
        out.message.header = pass.GetHeader();
        out.message.timeStamp = pass.GetTimeStamp();
        out.message.type = pass.GetRawType();
        out.message.channel = pass.GetChannel();
        for (unsigned int i = 0; i < KorvaneMidiEvent::kDataBytes; ++i) {
            out.message.data[i] = pass.GetData()[i];
        }
        out.message.extra = pass.GetExtra();
    }
    return used;
}

bool KCMidiControl::Apply(const cALGORITHM& alg, const KorvaneMidiEvent& event,
                          KSMidiTargets& out) {
    const MidiController* controller = m_table.GetController(event);
    if (controller == nullptr || !controller->HasMappedParams()) {
        return false;
    }
    const EPluginSetup active = alg.GetActiveSetup();
    const unsigned int numParams = alg.GetNumParams();
    // Only the latching rule reads the state it starts from; others take the new one as it is.
    for (const int index : controller->GetControlledParams()) {
        if (index >= 0 && static_cast<unsigned int>(index) < numParams) {
            ControlledParam* param = m_table.GetParam(index);
            if (param->GetIsLatching()) {
                param->SetState(alg.GetParam(static_cast<unsigned int>(index)).GetState(active));
            }
        }
    }
    if (!m_table.SendMidiController(event)) {
        return false;
    }
    for (const int index : m_table.GetChangedParams()) {
        if (index >= 0 && static_cast<unsigned int>(index) < numParams &&
            out.count < KSMidiTargets::kMax) {
            out.index[out.count] = static_cast<unsigned int>(index);
            out.state[out.count] = m_table.GetParam(index)->GetState();
            ++out.count;
        }
    }
    return out.count > 0;
}

void KCMidiControl::GetMappings(std::vector<KSMidiMapping>& out) const {
    out.clear();
    for (const MidiEventType type : {eMidiNoteOn, eMidiPolyPressure, eMidiControlChange,
                                     eMidiProgramChange, eMidiChannelPressure, eMidiPitchBend}) {
        for (const MidiController* controller : m_table.GetControllerList(type)) {
            const ControllerInfo& info = controller->GetInfo();
            for (const int param : controller->GetControlledParams()) {
                if (param < 0) {
                    continue;
                }
                KSMidiMapping one;
                one.param = param;
                one.channel = info.channel;
                one.eventType = static_cast<int>(info.type);
                one.number = info.number;
                one.momentary = controller->IsMomentary();
                one.latching = m_table.GetParam(param)->GetIsLatching();
                one.inputMin = controller->GetMinInputVal();
                one.inputMax = controller->GetMaxInputVal();
                one.choiceID = controller->GetChoiceID();
                one.transposedNote = controller->GetTransposedNote();
                one.noteOutput = controller->HasNoteOutput();
                out.push_back(one);
            }
        }
    }
}

void KCMidiControl::SetMappings(const std::vector<KSMidiMapping>& mappings) {
    m_table.ResetAllMappings();
    for (const KSMidiMapping& one : mappings) {
        if (one.param < 0 || one.param >= m_table.GetNumParams() || one.eventType < 0) {
            continue;
        }
        MidiController* controller = m_table.GetController(
            one.channel, static_cast<MidiEventType>(one.eventType), one.number);
        if (controller == nullptr || !controller->AddParam(one.param)) {
            continue;
        }
        ControllerInfo info = controller->GetInfo();
        info.channel = one.channel;
        controller->SetInfo(info);
        controller->SetMomentary(one.momentary);
        // An empty range from a damaged preset keeps the type's default.
        static_cast<void>(controller->SetScale(one.inputMin, one.inputMax));
        controller->SetChoiceID(one.choiceID);
        // A note outside 0..127 from a damaged preset leaves the note as it is.
        if (!controller->SetTransposedNote(one.transposedNote)) {
            static_cast<void>(controller->SetTransposedNote(-1));
        }
        controller->DisableNoteOutput(!one.noteOutput);
        m_table.GetParam(one.param)->SetLatching(one.latching);
    }
}

}  // namespace kvKorvaneV10_0_3::kvMIDI
