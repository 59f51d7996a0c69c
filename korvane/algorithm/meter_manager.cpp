#include "korvane/algorithm/meter_manager.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <utility>

namespace kvKorvaneV10_0_3 {

namespace {

double SteadyMilliseconds() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return std::chrono::duration<double, std::milli>(now).count();
}

}  // namespace

double MeterDBToGain(double dB) {
    return std::pow(10.0, dB / 20.0);
}

double MeterGainToDB(double gain) {
    return 20.0 * std::log10(gain);
}

KCMeterManager::Listener::~Listener() = default;

KCMeterManager::KCMeterManager() : m_clock(SteadyMilliseconds) {}

void KCMeterManager::SetClock(Clock clock) {
    m_clock = clock ? std::move(clock) : Clock(SteadyMilliseconds);
}

void KCMeterManager::AddMeter(KCParamExtensionMeter* meter, unsigned int paramIndex) {
    if (meter == nullptr) {
        return;
    }
    meter->FinishCreate();
    m_meters.push_back(sMeter{meter, paramIndex, false, 0.0, 0.0});
}

int KCMeterManager::GetMeterIndex(unsigned int paramIndex) const {
    for (std::size_t i = 0; i < m_meters.size(); ++i) {
        if (m_meters[i].paramIndex == paramIndex) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

KCParamExtensionMeter* KCMeterManager::GetExtensionMeter(unsigned int index) const {
    return index < m_meters.size() ? m_meters[index].meter : nullptr;
}

int KCMeterManager::GetMeterValue(unsigned int index, double* value, int* clip) const {
    if (index >= m_meters.size()) {
        return -1;
    }
    const sMeter& record = m_meters[index];
    if (value != nullptr) {
        *value = record.meter->GetCurrentValue();
    }
    if (clip != nullptr) {
        *clip = 0;
        if (const auto* withClip = dynamic_cast<const KCParamExtensionMeterWithClip*>(record.meter);
            withClip != nullptr && withClip->IsClipDetectionEnabled() &&
            (withClip->IsClipped() || withClip->GetCurrentValue() > withClip->GetClipLevel())) {
            *clip = 1;
        }
        if (m_listener != nullptr) {
            m_listener->GetClipValue_Self(record.paramIndex, *clip);
        }
    }
    return 0;
}

int KCMeterManager::GetMeterPeak(unsigned int index, double* peak) const {
    if (index >= m_meters.size()) {
        return -1;
    }
    if (peak != nullptr) {
        *peak = m_meters[index].meter->GetPeak();
    }
    return 0;
}

int KCMeterManager::GetMeterLastPeakTime(unsigned int index, double* milliseconds) const {
    if (index >= m_meters.size()) {
        return -1;
    }
    if (milliseconds != nullptr) {
        *milliseconds = m_meters[index].meter->GetLastPeakTime();
    }
    return 0;
}

int KCMeterManager::GetMeterInfo(unsigned int index, KorvaneMeterInfo& info) const {
    if (index >= m_meters.size()) {
        return -1;
    }
    info = m_meters[index].meter->GetInfo();
    info.index = static_cast<std::int32_t>(index);
    if (m_listener != nullptr) {
        KCFixedString<63> label;
        m_listener->GetParamLabelString(m_meters[index].paramIndex, label);
        info.name = label;
    }
    return 0;
}

int KCMeterManager::ResetPeak(unsigned int index) {
    if (index >= m_meters.size()) {
        return -1;
    }
    m_meters[index].meter->ResetPeak(m_floorGain);
    return 0;
}

int KCMeterManager::ResetClip(unsigned int index) {
    if (index >= m_meters.size()) {
        return -1;
    }
    auto* withClip = dynamic_cast<KCParamExtensionMeterWithClip*>(m_meters[index].meter);
    if (withClip == nullptr) {
        return -1;
    }
    withClip->ResetClip();
    withClip->SetNeedsUpdate(true);
    return 0;
}

void KCMeterManager::ResetAllPeak() {
    for (unsigned int i = 0; i < m_meters.size(); ++i) {
        (void)ResetPeak(i);  // in range by construction
    }
}

void KCMeterManager::ResetAllClip() {
    for (unsigned int i = 0; i < m_meters.size(); ++i) {
        (void)ResetClip(i);  // -1 only marks a meter without clip
    }
}

void KCMeterManager::ResetAllValue() {
    for (auto& record : m_meters) {
        record.meter->ResetValue(m_floorGain);
    }
}

void KCMeterManager::SetNeedsUpdate(bool needs) {
    for (auto& record : m_meters) {
        record.meter->SetNeedsUpdate(needs);
    }
}

int KCMeterManager::SetMeterReadOffset(unsigned int index, unsigned int offset) {
    if (index >= m_meters.size()) {
        return -1;
    }
    m_meters[index].meter->SetReadOffset(offset);
    return 0;
}

int KCMeterManager::SetMeterReadMultiplier(unsigned int index, double factor) {
    if (index >= m_meters.size()) {
        return -1;
    }
    m_meters[index].meter->SetReadMultiplier(factor);
    return 0;
}

void KCMeterManager::OptimizeMeterOrder() {
    std::stable_sort(m_meters.begin(), m_meters.end(), [](const sMeter& a, const sMeter& b) {
        return a.meter->GetReadOffset() < b.meter->GetReadOffset();
    });
}

void KCMeterManager::ReadFromDSP() {
    const std::size_t n = m_meters.size();
    std::size_t start = 0;
    while (start < n) {
        std::size_t end = start + 1;
        // A run is read one way: a meter that reads with reset next to one that does not starts
        // a new run, so that neither loses its kind of read to the other.
        const bool withReset = m_meters[start].meter->IsReadWithReset();
        while (end < n && end - start < kMaxBatch &&
               m_meters[end].meter->GetReadOffset() ==
                   m_meters[end - 1].meter->GetReadOffset() + 1 &&
               m_meters[end].meter->IsReadWithReset() == withReset) {
            ++end;
        }
        if (m_listener != nullptr) {
            m_listener->ReadMeters(&m_meters[start], static_cast<unsigned int>(end - start),
                                   withReset);
        }
        start = end;
    }
    AfterRead();
}

KPAPI_PROCESS_MEMORY::BUFFER_HEADER* KCMeterManager::ReadMetersSend() {
    return m_listener != nullptr ? m_listener->ReadMetersSend(m_meters) : nullptr;
}

void KCMeterManager::ReadMetersReceive() {
    if (m_listener != nullptr) {
        m_listener->ReadMetersReceive(m_meters);
    }
    AfterRead();
}

void KCMeterManager::AfterRead() {
    // The first read after a trim starts the measurement afresh at the new gain.
    if (m_trimExecuted) {
        ResetAllClip();
        ResetAllPeak();
        m_trimExecuted = false;
        m_trimDB = 0.0;
    }
}

void KCMeterManager::UpdateDisplay() {
    double loudest = -1.0;
    for (auto& record : m_meters) {
        if (!record.meter->NeedsUpdate()) {
            continue;
        }
        if (m_listener != nullptr) {
            m_listener->UpdateMeterDisplay(record.paramIndex, record.meter);
        }
        if (record.autoTrim) {
            const double m = std::max(record.meter->GetPeak(), loudest);
            loudest = m < record.low ? record.low : std::min(record.high, m);
        }
    }
    if (loudest != -1.0 && loudest != 0.0) {
        m_trimDB = -MeterGainToDB(loudest);
    }
}

int KCMeterManager::AutoTrimRegister(unsigned int index, double dB) {
    if (index >= m_meters.size()) {
        return -1;
    }
    sMeter& record = m_meters[index];
    record.autoTrim = true;
    record.low = MeterDBToGain(-std::fabs(dB));
    record.high = MeterDBToGain(std::fabs(dB));
    return 0;
}

void KCMeterManager::AutoTrimExecute() {
    // Once per proposal: the proposal stays until the next read resets the peaks, and applying
    // it again (a double click) would trim twice.
    if (m_trimDB == 0.0 || m_trimExecuted) {
        return;
    }
    m_trimDB -= 0.1;
    if (m_listener != nullptr) {
        m_listener->Meters_ExecuteTrim(m_trimDB);
    }
    m_trimExecuted = true;
}

void KCMeterManager::AutoTrimReset(bool resetClips) {
    if (resetClips) {
        ResetAllClip();
    }
    ResetAllPeak();
    m_trimExecuted = false;
    m_trimDB = 0.0;
}

}  // namespace kvKorvaneV10_0_3
