// cALGORITHM as the meter manager's listener: meters found among the parameters, their batched
// reads through the states buffer, the release of their displays.
#include "korvane/algorithm/algorithm.h"

#include "korvane/core/error_codes.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace kvKorvaneV10_0_3 {

void cALGORITHM::InitializeMeterManager() {
    m_meters.FinishCreate(this);
    m_meters.Clear();
    for (unsigned int i = 0; i < m_params.size(); ++i) {
        if (auto* meter = dynamic_cast<KCParamExtensionMeter*>(m_params[i].GetParamExtension());
            meter != nullptr) {
            m_meters.AddMeter(meter, i);
        }
    }
    m_meters.SetFloorGain(MeterDBToGain(KCMeterManager::kFloorDB));
}

double cALGORITHM::GetMeterReadResetValue(unsigned int paramIndex) const {
    const int index = m_meters.GetMeterIndex(paramIndex);
    const KCParamExtensionMeter* meter =
        index < 0 ? nullptr : m_meters.GetExtensionMeter(static_cast<unsigned int>(index));
    return meter == nullptr ? 0.0 : meter->GetReadResetValue(m_isNative);
}

int cALGORITHM::ResetPeak(unsigned int paramIndex) {
    const int index = m_meters.GetMeterIndex(paramIndex);
    return index < 0 ? -1 : m_meters.ResetPeak(static_cast<unsigned int>(index));
}

void cALGORITHM::ResetAllPeak() {
    m_meters.ResetAllPeak();
}

void cALGORITHM::ResetAllClip() {
    m_meters.ResetAllClip();
    std::int32_t all = -1;  // every meter
    std::int32_t none = 0;
    (void)m_process.Call(ProcessMemory::eSelResetAllClip, &all, nullptr, &none);  // advisory
}

int cALGORITHM::SetMeterReadOffset(unsigned int paramIndex, unsigned int offset) {
    const int index = m_meters.GetMeterIndex(paramIndex);
    return index < 0 ? -1 : m_meters.SetMeterReadOffset(static_cast<unsigned int>(index), offset);
}

double cALGORITHM::ReleaseVU(double displayed, double target, double* lastTime, double riseCoef,
                             double fallCoef) const {
    // A NaN or infinite value makes every comparison below false and would stick the display:
    // jump instead, to the floor when the target itself is unusable.
    if (!std::isfinite(target) || !std::isfinite(displayed)) {
        if (lastTime != nullptr) {
            *lastTime = m_meters.NowMs();
        }
        return std::isfinite(target) ? target : m_meters.GetFloorGain();
    }
    if (std::fabs(target - displayed) <= 0.0001 || lastTime == nullptr) {
        return displayed;
    }
    const double now = m_meters.NowMs();
    double coef = 0.0;
    if (riseCoef > 0.0 && target > displayed) {
        coef = riseCoef;
    } else if (fallCoef > 0.0 && target < displayed) {
        coef = fallCoef;
    }
    // A clock that stepped back, or a last time from elsewhere, would make the factor explode.
    const double elapsed = std::max(now - *lastTime, 0.0);
    *lastTime = now;
    // No coefficient for this direction (0, the default): no ballistics, the display follows
    // at once. 0^elapsed would otherwise leave it frozen where it is.
    if (coef <= 0.0) {
        return target;
    }
    double k = std::pow(coef, elapsed);
    // Within (0, 1]: never past the target, never stuck.
    k = std::isnan(k) ? 1.0 : std::clamp(k, std::numeric_limits<double>::min(), 1.0);
    return displayed + (target - displayed) * k;
}

void cALGORITHM::UpdateMeterDisplay(unsigned int paramIndex, KCParamExtensionMeter* meter) {
    if (meter == nullptr) {
        return;
    }
    const double target = meter->GetCurrentValue();
    const double shown = ReleaseVU(meter->GetDisplayedValue(), target, meter->ReleaseTime(),
                                   meter->GetRiseCoef(), meter->GetFallCoef());
    meter->SetDisplayedValue(shown);
    // Still releasing: refresh again at the next idle call. A non-finite target has been
    // replaced by the floor and leaves nothing to release towards.
    meter->SetNeedsUpdate(std::isfinite(target) && std::fabs(target - shown) > 0.0001);
    if (m_gui != nullptr && paramIndex < m_params.size()) {
        m_params[paramIndex].UpdateControllers();
    }
}

void cALGORITHM::ReadMeters(KCMeterManager::sMeter* batch, unsigned int count, bool withReset) {
    if (batch == nullptr || count == 0) {
        return;
    }
    const auto first = static_cast<int>(batch[0].meter->GetReadOffset());
    const auto n = static_cast<int>(count);
    // Null until the process is ready, or when the host refuses the read.
    BUFFER_HEADER* buffer = withReset ? m_process.PrepareStatesReadWriteBuffer(first, n)
                                      : m_process.PrepareStatesReadBuffer(first, n);
    if (buffer == nullptr) {
        // A host may bound reads below the manager's batch: halve the batch until it fits, so
        // that the meters keep moving. Before the process is ready there is nothing to retry.
        if (count > 1 && m_process.IsProcessReady()) {
            const unsigned int half = count / 2;
            cALGORITHM::ReadMeters(batch, half, withReset);
            cALGORITHM::ReadMeters(batch + half, count - half, withReset);
        }
        return;
    }
    const auto& conversions = m_process.GetConversions();
    auto* data = static_cast<unsigned char*>(buffer->data);
    if (withReset && data != nullptr && conversions.doubleToProcess != nullptr) {
        unsigned char* at = data;
        for (unsigned int i = 0; i < count; ++i) {
            const int size =
                conversions.doubleToProcess(GetMeterReadResetValue(batch[i].paramIndex), at);
            if (size <= 0) {
                break;
            }
            at += size;
        }
    }
    if (m_process.SendBuffers(buffer, ProcessMemory::eSelExecuteChain) == eNoErr &&
        data != nullptr && conversions.processToDouble != nullptr) {
        const double now = m_meters.NowMs();
        const unsigned char* at = data;
        for (unsigned int i = 0; i < count; ++i) {
            double raw = 0.0;
            const int size = conversions.processToDouble(at, &raw);
            if (size <= 0) {
                break;
            }
            batch[i].meter->SetValueFromProcess(ReadMeterSelf(batch[i].paramIndex, raw), now);
            at += size;
        }
    }
    (void)m_process.FreeBuffers(buffer);  // the read already landed or failed
}

BUFFER_HEADER* cALGORITHM::ReadMetersSend(std::vector<KCMeterManager::sMeter>& meters) {
    m_meterReadSent = false;
    if (meters.empty() || !m_process.IsProcessReady()) {
        return nullptr;
    }
    if (m_meterBuffersStale.exchange(false) || !m_meterBuffers.Matches(meters)) {
        (void)m_meterBuffers.Build(meters);  // a meter the host refused is simply not read
    }
    if (m_meterBuffers.Chain() == nullptr) {
        return nullptr;
    }
    // The host wrote the last values over them: the reset values go in again for every read.
    m_meterBuffers.FillResetValues([this](const KCMeterManager::sMeter& record) {
        return GetMeterReadResetValue(record.paramIndex);
    });
    m_meterReadSent = true;
    return m_meterBuffers.Chain();
}

void cALGORITHM::ReadMetersReceive(std::vector<KCMeterManager::sMeter>& meters) {
    // Without a send since the last receive the buffers hold an old answer, or reset values
    // that were never read; rebuilt buffers belong to another layout.
    if (!m_meterReadSent || !m_meterBuffers.Matches(meters)) {
        return;
    }
    m_meterReadSent = false;
    const double now = m_meters.NowMs();
    m_meterBuffers.ForEachValue([this, now](const KCMeterManager::sMeter& record, double raw) {
        record.meter->SetValueFromProcess(ReadMeterSelf(record.paramIndex, raw), now);
    });
}

void cALGORITHM::RequestRefreshMetersBuffers() {
    m_meterBuffersStale = true;
}

int cALGORITHM::RefreshMetersBuffers() {
    m_meterBuffersStale = false;
    m_meterReadSent = false;
    return m_meterBuffers.Build(m_meters.GetMeters());
}

void cALGORITHM::GetParamLabelString(unsigned int paramIndex, KCFixedStringBase& label) const {
    if (paramIndex < m_params.size()) {
        label = m_params[paramIndex].GetLabelString();
    }
}

void cALGORITHM::ApplyPendingMeterResets() {
    const unsigned int pending = m_pendingMeterResets.exchange(0);
    if ((pending & kMeterResetValues) != 0) {
        m_meters.ResetAllValue();
    }
    if ((pending & (kMeterResetPeaks | kMeterResetValues)) != 0) {
        m_meters.ResetAllPeak();
        m_meters.ResetAllClip();
    }
}

}  // namespace kvKorvaneV10_0_3
