// kvMIDI::ControlledParam: the MIDI side of one parameter: the state range a controller's
// position maps onto, and latching.
#pragma once

#include "korvane/core/export.h"

namespace kvKorvaneV10_0_3::kvMIDI {

// [any-thread] on distinct objects; the table's are used under the algorithm lock.
class KORVANE_API ControlledParam {
public:
    ControlledParam() = default;

    [[nodiscard]] int GetIndex() const { return m_index; }
    void SetIndex(int index) { m_index = index; }

    // The state range: minimum and maximum (reversed when the minimum is the larger).
    void SetStateScale(int minState, int maxState);
    void SetMaxState(double maxState) { m_maxState = maxState; }
    [[nodiscard]] double GetMinState() const { return m_minState; }
    [[nodiscard]] double GetMaxState() const { return m_maxState; }
    // Swaps minimum and maximum: the controller's lowest position gives the highest state.
    void SetReversed();
    // States are rounded to whole steps from the minimum when the step is positive.
    void SetStateStep(double step) { m_stateStep = step; }
    [[nodiscard]] double GetStateStep() const { return m_stateStep; }

    // A latching parameter turns a momentary button into a toggle.
    void SetLatching(bool latching) { m_latching = latching; }
    [[nodiscard]] bool GetIsLatching() const { return m_latching; }

    // The current state, as last set (the table refreshes it from the parameter before an
    // event is applied).
    void SetState(double state) { m_state = state; }
    [[nodiscard]] double GetState() const { return m_state; }
    // The latching rule with `value`, returning the new state: above the middle of the range
    // a value above the middle goes to the minimum and any other to the maximum; at or below
    // the middle the state becomes `value`.
    double GetState(double value);
    void SetStateLatching(double value) { static_cast<void>(GetState(value)); }
    // (state - minimum) / (maximum - minimum); 0 for an empty range.
    [[nodiscard]] double GetStateNormalized() const;
    // The state at position `position` of the range (clamped to it, rounded to the step),
    // through the latching rule when latching.
    void SetStateFromNormalized(double position);
    // The state `choice` (clamped into the range) as a controller with a choice sets it: an
    // absolute state, so the latching rule does not apply.
    void SetStateFromChoice(int choice);
    // Range 0..1000, no step, not latching, state 0; the index stays.
    void Reset();

private:
    int m_index = -1;
    double m_state = 0.0;
    bool m_latching = false;
    double m_minState = 0.0;
    double m_maxState = 1000.0;
    double m_stateStep = 0.0;
};

}  // namespace kvKorvaneV10_0_3::kvMIDI
