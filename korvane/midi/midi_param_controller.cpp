// The controller table: finding an event's controller, applying events, MIDI learn.
#include "korvane/midi/midi_param_controller.h"

#include <algorithm>

namespace kvKorvaneV10_0_3::kvMIDI {

namespace {

// The tables one after the other: notes, polyphonic pressure, control changes (128 each),
// then program change, channel pressure and pitch bend (1 each).
constexpr int kTableTotal = 3 * MidiParamController::kNumbersPerType + 3;

}  // namespace

MidiEventType MidiParamController::TableType(unsigned int type) {
    switch (type) {
        case eMidiNoteOff:
        case eMidiNoteOn:
            return eMidiNoteOn;
        case eMidiPolyPressure:
        case eMidiControlChange:
        case eMidiProgramChange:
        case eMidiChannelPressure:
        case eMidiPitchBend:
            return static_cast<MidiEventType>(type);
        default:
            return eMidiNoEvent;
    }
}

int MidiParamController::TableSize(unsigned int type) {
    switch (TableType(type)) {
        case eMidiNoteOn:
        case eMidiPolyPressure:
        case eMidiControlChange:
            return kNumbersPerType;
        case eMidiProgramChange:
        case eMidiChannelPressure:
        case eMidiPitchBend:
            return 1;
        default:
            return 0;
    }
}

int MidiParamController::TableOffset(MidiEventType type) {
    switch (type) {
        case eMidiNoteOn:
            return 0;
        case eMidiPolyPressure:
            return kNumbersPerType;
        case eMidiControlChange:
            return 2 * kNumbersPerType;
        case eMidiProgramChange:
            return 3 * kNumbersPerType;
        case eMidiChannelPressure:
            return 3 * kNumbersPerType + 1;
        case eMidiPitchBend:
            return 3 * kNumbersPerType + 2;
        default:
            return -1;
    }
}

MidiParamController::MidiParamController(int numParams)
    : m_controllers(kTableTotal),
      m_numParams(numParams < 0 ? kNumControlled : std::min(numParams, kNumControlled)) {
    for (const MidiEventType type : {eMidiNoteOn, eMidiPolyPressure, eMidiControlChange,
                                     eMidiProgramChange, eMidiChannelPressure, eMidiPitchBend}) {
        for (int number = 0; number < TableSize(type); ++number) {
            MidiController& controller = m_controllers[TableOffset(type) + number];
            controller.SetInfo({0, number, type});
            controller.Reset();
        }
    }
    for (int i = 0; i < kNumControlled; ++i) {
        m_params[i].SetIndex(i);
    }
    m_changedParams.fill(-1);
    m_notes.fill(kNoteSilent);
}

int MidiParamController::EventValue(const KorvaneMidiEvent& event) {
    const unsigned char* data = event.GetData();
    switch (event.GetRawType()) {
        case eMidiNoteOff:
            return 0;
        case eMidiNoteOn:
            return data[1] != 0 ? 127 : 0;
        case eMidiPitchBend:
            return (static_cast<int>(data[1]) - 64) * 128 + data[0];
        default:
            return data[1];
    }
}

int MidiParamController::ControllerSlot(int channel, MidiEventType type, int number) {
    const MidiEventType table = TableType(type);
    if (channel < 0 || channel >= kChannels || table == eMidiNoEvent) {
        return -1;
    }
    // The channel-wide types have no number: whatever byte 1 holds, they have one controller.
    if (TableSize(table) == 1) {
        number = 0;
    }
    if (number < 0 || number >= TableSize(table)) {
        return -1;
    }
    return TableOffset(table) + number;
}

MidiController* MidiParamController::GetController(int channel, MidiEventType type, int number) {
    const int slot = ControllerSlot(channel, type, number);
    return slot >= 0 ? &m_controllers[static_cast<std::size_t>(slot)] : nullptr;
}

const MidiController* MidiParamController::GetController(const KorvaneMidiEvent& event) const {
    const int slot =
        ControllerSlot(event.GetChannel(), event.GetMidiEventType(), event.GetData()[0]);
    return slot >= 0 ? &m_controllers[static_cast<std::size_t>(slot)] : nullptr;
}

MidiController* MidiParamController::GetController(int channel, MidiEventType type,
                                                   const unsigned char* data) {
    return GetController(channel, type, data != nullptr ? data[0] : 0);
}

MidiController* MidiParamController::GetController(const KorvaneMidiEvent& event) {
    return GetController(event.GetChannel(), event.GetMidiEventType(), event.GetData());
}

ControlledParam* MidiParamController::GetParam(int param) {
    return param >= 0 && param < kNumControlled ? &m_params[param] : nullptr;
}

const ControlledParam* MidiParamController::GetParam(int param) const {
    return param >= 0 && param < kNumControlled ? &m_params[param] : nullptr;
}

bool MidiParamController::SendMidiController(const KorvaneMidiEvent& event) {
    if (m_learning >= 0) {
        return false;
    }
    MidiController* controller = GetController(event);
    if (controller == nullptr) {
        return false;
    }
    const double position = controller->GetScaledVal(EventValue(event));
    const bool apply = position != MidiController::kIgnore;
    bool set = false;
    const auto& slots = controller->GetControlledParams();
    for (int k = 0; k < MidiController::kMaxParams; ++k) {
        const int param = slots[k];
        if (param >= 0 && apply) {
            if (controller->HasChoiceID()) {
                m_params[param].SetStateFromChoice(controller->GetChoiceID());
            } else {
                m_params[param].SetStateFromNormalized(position);
            }
            set = true;
        }
        m_changedParams[k] = param;
    }
    m_lastEvent = event;
    if (const MidiController* notes = NoteOutputController(event); notes != nullptr) {
        static_cast<void>(RouteNote(*notes, m_lastEvent));
    }
    m_changed = m_changed || set;
    return set;
}

const MidiController* MidiParamController::NoteOutputController(
    const KorvaneMidiEvent& event) const {
    switch (event.GetRawType()) {
        case eMidiNoteOff:
        case eMidiNoteOn:
        case eMidiPolyPressure: {
            const int slot = ControllerSlot(event.GetChannel(), eMidiNoteOn, event.GetData()[0]);
            return slot >= 0 ? &m_controllers[static_cast<std::size_t>(slot)] : nullptr;
        }
        default:
            return nullptr;
    }
}

bool MidiParamController::RouteNote(const MidiController& notes, KorvaneMidiEvent& event) const {
    // NoteOutputController found a controller, so channel and note are in range.
    const signed char sounding =
        m_notes[static_cast<std::size_t>(event.GetChannel()) * kNumbersPerType +
                event.GetData()[0]];
    if (sounding == kNoteSilent) {
        return notes.SetMidiEventWithTransposedNote(event);
    }
    if (sounding == kNoteDropped) {
        return false;
    }
    event.SetDataByte(0, static_cast<unsigned char>(sounding));
    return true;
}

bool MidiParamController::IsNoteSounding(int channel, int note, int* outgoing) const {
    if (channel < 0 || channel >= kChannels || note < 0 || note >= kNumbersPerType) {
        return false;
    }
    const signed char sounding =
        m_notes[static_cast<std::size_t>(channel) * kNumbersPerType + note];
    if (outgoing != nullptr) {
        *outgoing = sounding >= 0 ? sounding : -1;
    }
    return sounding >= 0;
}

bool MidiParamController::GetEventToProcess(const KorvaneMidiEvent& event, KorvaneMidiEvent& out) {
    if (!m_sendToProcess) {
        return false;
    }
    if (const MidiController* notes = NoteOutputController(event); notes != nullptr) {
        out = event;
        const bool pass = RouteNote(*notes, out);
        signed char& sounding =
            m_notes[static_cast<std::size_t>(event.GetChannel()) * kNumbersPerType +
                    event.GetData()[0]];
        if (event.GetRawType() == eMidiNoteOn && event.GetData()[1] != 0) {
            sounding = pass ? static_cast<signed char>(out.GetData()[0]) : kNoteDropped;
        } else if (event.GetRawType() != eMidiPolyPressure) {
            // A note-off, or a note-on with velocity 0, ends the note.
            sounding = kNoteSilent;
        }
        return pass;
    }
    const MidiController* controller = GetController(event);
    if (controller == nullptr || controller->HasMappedParams()) {
        return false;
    }
    out = event;
    return true;
}

bool MidiParamController::SendMidiForLearning(const KorvaneMidiEvent& event) {
    if (m_learning < 0 || TableType(event.GetRawType()) == eMidiNoteOn) {
        return false;
    }
    MidiController* controller = GetController(event);
    if (controller == nullptr || !controller->AddParam(m_learning)) {
        return false;
    }
    ControllerInfo info = controller->GetInfo();
    info.channel = event.GetChannel();
    controller->SetInfo(info);
    m_learning = -1;
    m_changed = true;
    return true;
}

bool MidiParamController::StartMidiLearn(int param) {
    if (param < 0 || param >= m_numParams) {
        return false;
    }
    RemoveParamFromAllControls(param);
    m_learning = param;
    m_changed = true;
    return true;
}

void MidiParamController::StopMidiLearn() {
    m_learning = -1;
}

std::vector<const MidiController*> MidiParamController::GetControllerList(
    MidiEventType type) const {
    std::vector<const MidiController*> list;
    const MidiEventType table = TableType(type);
    if (table == eMidiNoEvent) {
        return list;
    }
    for (int number = 0; number < TableSize(table); ++number) {
        const MidiController& controller = m_controllers[TableOffset(table) + number];
        if (controller.HasMappedParams()) {
            list.push_back(&controller);
        }
    }
    return list;
}

std::vector<const MidiController*> MidiParamController::GetNoteControllerList(int channel) const {
    std::vector<const MidiController*> list = GetControllerList(eMidiNoteOn);
    if (channel >= 0) {
        std::erase_if(list, [channel](const MidiController* controller) {
            return controller->GetInfo().channel != channel;
        });
    }
    return list;
}

int MidiParamController::FindParamInControllerType(std::vector<ControllerInfo>& found, int param,
                                                   int type, int channel) const {
    if (type < 0) {
        return 0;
    }
    int count = 0;
    const MidiEventType table = TableType(static_cast<unsigned int>(type));
    for (const MidiController* controller : GetControllerList(table)) {
        if (controller->ControlsParam(param) &&
            (channel < 0 || controller->GetInfo().channel == channel)) {
            found.push_back(controller->GetInfo());
            ++count;
        }
    }
    return count;
}

bool MidiParamController::NoteHasMappedParams(int note) const {
    return note >= 0 && note < kNumbersPerType &&
           m_controllers[TableOffset(eMidiNoteOn) + note].HasMappedParams();
}

bool MidiParamController::NoteHasMappedParams(int channel, int note) const {
    return NoteHasMappedParams(note) &&
           (channel < 0 ||
            m_controllers[TableOffset(eMidiNoteOn) + note].GetInfo().channel == channel);
}

template <class Pred>
void MidiParamController::RemoveParamWhere(int param, Pred keep) {
    for (auto& controller : m_controllers) {
        if (!keep(controller)) {
            if (param < 0) {
                controller.RemoveAllParams();
            } else {
                controller.RemoveParam(param);
            }
        }
    }
}

namespace {
bool IsNote(const MidiController& c) {
    return c.GetInfo().type == eMidiNoteOn;
}
bool KeepNone(const MidiController& /*c*/) {
    return false;
}
}  // namespace

void MidiParamController::RemoveParamFromAllControls(int param) {
    if (param >= 0) {
        RemoveParamWhere(param, KeepNone);
    }
}

void MidiParamController::RemoveParamFromAllControlsExceptNotes(int param) {
    if (param >= 0) {
        RemoveParamWhere(param, IsNote);
    }
}

void MidiParamController::RemoveAllMappedParams() {
    RemoveParamWhere(-1, KeepNone);
}

void MidiParamController::RemoveAllMappedParamsExceptNotes() {
    RemoveParamWhere(-1, IsNote);
}

void MidiParamController::RemoveAllMappedNotes() {
    RemoveParamWhere(-1, [](const MidiController& c) { return !IsNote(c); });
}

void MidiParamController::ResetAllMappings() {
    for (auto& controller : m_controllers) {
        controller.Reset();
    }
    // The state ranges belong to the parameters, not to the mappings.
    for (auto& param : m_params) {
        param.SetLatching(false);
    }
    m_learning = -1;
    m_changedParams.fill(-1);
    m_changed = true;
}

bool MidiParamController::IsLatching(const MidiController& controller) const {
    for (const int index : controller.GetControlledParams()) {
        const ControlledParam* param = index >= 0 ? GetParam(index) : nullptr;
        if (param != nullptr && param->GetIsLatching()) {
            return true;
        }
    }
    return false;
}

}  // namespace kvKorvaneV10_0_3::kvMIDI
