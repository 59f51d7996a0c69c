// Anchors the vtables of the parameter attachment bases in the library; the meter's value
// bookkeeping.
#include "korvane/algorithm/param_extension.h"

namespace kvKorvaneV10_0_3 {

KCParamExtension::Data::~Data() = default;

KCParamExtension::~KCParamExtension() = default;

KCParamController::~KCParamController() = default;

KCParamExtensionMeter::~KCParamExtensionMeter() = default;

KCParamExtensionMeter* KCParamExtensionMeter::CreateCopy() const {
    return new KCParamExtensionMeter(*this);
}

void KCParamExtensionMeter::SetValueFromProcess(double raw, double nowMs) {
    m_value = raw * m_multiplier;
    // A held peak gives way to the current value once its hold time has passed.
    const bool holdOver = m_peakHoldMs > 0.0 && nowMs - m_lastPeakTime > m_peakHoldMs;
    if (m_value > m_peak || holdOver) {
        m_peak = m_value;
        m_lastPeakTime = nowMs;
    }
    m_needsUpdate = true;
}

void KCParamExtensionMeter::ResetValue(double floor) {
    m_value = floor;
    m_displayed = floor;
    m_needsUpdate = true;
}

void KCParamExtensionMeter::ResetPeak(double floor) {
    m_peak = floor;
    m_needsUpdate = true;
}

KCParamExtensionMeterWithClip* KCParamExtensionMeterWithClip::CreateCopy() const {
    return new KCParamExtensionMeterWithClip(*this);
}

void KCParamExtensionMeterWithClip::SetValueFromProcess(double raw, double nowMs) {
    KCParamExtensionMeter::SetValueFromProcess(raw, nowMs);
    if (m_clipEnabled && GetCurrentValue() > m_clipLevel) {
        m_clipped = true;
    }
}

}  // namespace kvKorvaneV10_0_3
