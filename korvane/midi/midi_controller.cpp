// One MIDI controller: attached parameters and value scaling.
#include "korvane/midi/midi_controller.h"

#include <algorithm>

namespace kvKorvaneV10_0_3::kvMIDI {

bool MidiController::AddParam(int param) {
    if (param < 0 || param >= kMaxParamIndex || ControlsParam(param) ||
        m_params[kMaxParams - 1] >= 0) {
        return false;
    }
    // Empty slots (-1) stay behind the attached ones.
    const auto used = m_params.begin() + GetNumMappedParams();
    *used = param;
    std::sort(m_params.begin(), used + 1);
    return true;
}

bool MidiController::RemoveParam(int param) {
    const auto found = std::find(m_params.begin(), m_params.end(), param);
    if (param < 0 || found == m_params.end()) {
        return false;
    }
    std::move(found + 1, m_params.end(), found);
    m_params[kMaxParams - 1] = -1;
    return true;
}

void MidiController::RemoveAllParams() {
    m_params.fill(-1);
}

bool MidiController::ControlsParam(int param) const {
    return param >= 0 && std::find(m_params.begin(), m_params.end(), param) != m_params.end();
}

int MidiController::GetNumMappedParams() const {
    return static_cast<int>(
        std::count_if(m_params.begin(), m_params.end(), [](int p) { return p >= 0; }));
}

bool MidiController::SetScale(int inputMin, int inputMax) {
    if (inputMin == inputMax) {
        return false;
    }
    m_inputMin = inputMin;
    m_inputMax = inputMax;
    return true;
}

void MidiController::SetOutputScale(double outputMin, double outputMax) {
    m_outputMin = outputMin;
    m_outputMax = outputMax;
}

double MidiController::GetScaledVal(int value) const {
    if (m_inputMin == m_inputMax) {
        return kIgnore;
    }
    // A pitch bend on a 0..127 mapping would otherwise land far outside the output range.
    value = std::clamp(value, std::min(m_inputMin, m_inputMax), std::max(m_inputMin, m_inputMax));
    if (!m_momentary && value == m_inputMin) {
        return kIgnore;
    }
    const double fraction =
        (static_cast<double>(value) - m_inputMin) / (static_cast<double>(m_inputMax) - m_inputMin);
    return fraction * (m_outputMax - m_outputMin) + m_outputMin;
}

bool MidiController::SetTransposedNote(int note) {
    if (note < -1 || note > 127) {
        return false;
    }
    m_transposedNote = note;
    return true;
}

bool MidiController::SetMidiEventWithTransposedNote(KorvaneMidiEvent& event) const {
    switch (event.GetRawType()) {
        case eMidiNoteOff:
        case eMidiNoteOn:
        case eMidiPolyPressure:
            break;
        default:
            return true;
    }
    if (!m_noteOutput) {
        return false;
    }
    if (HasTransposedNote()) {
        event.SetDataByte(0, static_cast<unsigned char>(m_transposedNote));
    }
    return true;
}

void MidiController::Reset() {
    RemoveAllParams();
    if (m_info.type == eMidiPitchBend) {
        m_inputMin = -8192;
        m_inputMax = 8191;
    } else {
        m_inputMin = 0;
        m_inputMax = 127;
    }
    m_outputMin = 0.0;
    m_outputMax = 1.0;
    m_momentary = true;
    m_choiceID = -1;
    m_transposedNote = -1;
    m_noteOutput = true;
}

}  // namespace kvKorvaneV10_0_3::kvMIDI
