// Mapping controller positions onto a parameter's states.
#include "korvane/midi/controlled_param.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace kvKorvaneV10_0_3::kvMIDI {

void ControlledParam::SetStateScale(int minState, int maxState) {
    m_minState = minState;
    m_maxState = maxState;
}

void ControlledParam::SetReversed() {
    std::swap(m_minState, m_maxState);
}

double ControlledParam::GetState(double value) {
    const double middle = (m_minState + m_maxState) / 2.0;
    if (m_state > middle) {
        m_state = value > middle ? m_minState : m_maxState;
    } else {
        m_state = value;
    }
    return m_state;
}

double ControlledParam::GetStateNormalized() const {
    const double span = m_maxState - m_minState;
    return span != 0.0 ? (m_state - m_minState) / span : 0.0;
}

void ControlledParam::SetStateFromNormalized(double position) {
    double state = m_minState + (m_maxState - m_minState) * position;
    if (m_stateStep > 0.0) {
        state = m_minState + std::round((state - m_minState) / m_stateStep) * m_stateStep;
    }
    // An output range beyond 0..1 must not reach past the parameter's states.
    state = std::clamp(state, std::min(m_minState, m_maxState), std::max(m_minState, m_maxState));
    if (m_latching) {
        SetStateLatching(state);
    } else {
        m_state = state;
    }
}

void ControlledParam::SetStateFromChoice(int choice) {
    m_state = std::clamp(static_cast<double>(choice), std::min(m_minState, m_maxState),
                         std::max(m_minState, m_maxState));
}

void ControlledParam::Reset() {
    m_state = 0.0;
    m_latching = false;
    m_minState = 0.0;
    m_maxState = 1000.0;
    m_stateStep = 0.0;
}

}  // namespace kvKorvaneV10_0_3::kvMIDI
