// The meter list of an algorithm: batches the reads of the meters from the processing side,
// resets peaks and clips, refreshes their displays at idle time and proposes an automatic trim.
// The algorithm is its listener and performs the reads and display updates.
#pragma once

#include "korvane/algorithm/param_extension.h"
#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"
#include "korvane/process/host_callback.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace kvKorvaneV10_0_3 {

// No lock of its own: everything runs on the GUI thread, at idle time. [gui-thread]
class KORVANE_API KCMeterManager {
public:
    struct sMeter {
        KCParamExtensionMeter* meter = nullptr;  // not owned: the parameter's extension
        std::uint32_t paramIndex = 0;
        bool autoTrim = false;
        double low = 0.0;  // trim bounds, linear gains
        double high = 0.0;
    };

    // What the manager asks of its owner; every operation does nothing by default.
    class KORVANE_API Listener {
    public:
        Listener() = default;
        Listener(const Listener&) = default;
        Listener& operator=(const Listener&) = default;
        virtual ~Listener();
        virtual void UpdateMeterDisplay(unsigned int /*paramIndex*/,
                                        KCParamExtensionMeter* /*meter*/) {}
        // One batch of meters with consecutive read offsets; `withReset` when every meter of
        // the batch reads with reset.
        virtual void ReadMeters(sMeter* /*batch*/, unsigned int /*count*/, bool /*withReset*/) {}
        virtual void GetClipValue_Self(unsigned int /*paramIndex*/, int& /*clip*/) const {}
        virtual void Meters_ExecuteTrim(double /*dB*/) {}
        virtual void GetParamLabelString(unsigned int /*paramIndex*/,
                                         KCFixedStringBase& /*label*/) const {}
        virtual KPAPI_PROCESS_MEMORY::BUFFER_HEADER* ReadMetersSend(
            std::vector<sMeter>& /*meters*/) {
            return nullptr;
        }
        virtual void ReadMetersReceive(std::vector<sMeter>& /*meters*/) {}
    };

    // A monotonic millisecond tick source; tests drive their own.
    using Clock = std::function<double()>;

    // Most meters one read may carry: hosts bound the length of a read buffer.
    static constexpr unsigned int kMaxBatch = 50;
    // The floor the values and peaks fall back to: the gain of -144 dB.
    static constexpr double kFloorDB = -144.0;

    KCMeterManager();

    void FinishCreate(Listener* listener) { m_listener = listener; }
    [[nodiscard]] Listener* GetListener() const { return m_listener; }
    void SetClock(Clock clock);
    // The clock's tick count in milliseconds.
    [[nodiscard]] double NowMs() const { return m_clock(); }

    // Finishes the extension's creation and appends a record (auto-trim off, bounds 0).
    void AddMeter(KCParamExtensionMeter* meter, unsigned int paramIndex);
    void Clear() { m_meters.clear(); }
    [[nodiscard]] unsigned int GetNumMeters() const {
        return static_cast<unsigned int>(m_meters.size());
    }
    // Position of the first record for the parameter, -1 if none.
    [[nodiscard]] int GetMeterIndex(unsigned int paramIndex) const;
    // Null out of range.
    [[nodiscard]] KCParamExtensionMeter* GetExtensionMeter(unsigned int index) const;
    [[nodiscard]] const std::vector<sMeter>& GetMeters() const { return m_meters; }
    void SetFloorGain(double gain) { m_floorGain = gain; }
    [[nodiscard]] double GetFloorGain() const { return m_floorGain; }

    // Every operation taking an index answers -1 for an index out of range, else 0.
    // `clip`, when given, is 0, or 1 for a clipping meter, and the listener has the last word.
    int GetMeterValue(unsigned int index, double* value, int* clip) const;
    int GetMeterPeak(unsigned int index, double* peak) const;
    int GetMeterLastPeakTime(unsigned int index, double* milliseconds) const;
    int GetMeterInfo(unsigned int index, KorvaneMeterInfo& info) const;
    int ResetPeak(unsigned int index);
    // Also -1 for a meter without clip.
    int ResetClip(unsigned int index);
    void ResetAllPeak();
    void ResetAllClip();
    void ResetAllValue();
    void SetNeedsUpdate(bool needs);
    int SetMeterReadOffset(unsigned int index, unsigned int offset);
    int SetMeterReadMultiplier(unsigned int index, double factor);

    // Stable-sorts the records by read offset, so that reads batch as long runs. Indexes taken
    // before it are stale after it.
    void OptimizeMeterOrder();

    // Reads every meter: runs of consecutive read offsets that all read with reset or all
    // without, at most kMaxBatch records each, one listener ReadMeters per run. After an
    // executed trim, resets clips and peaks.
    void ReadFromDSP();
    // The listener's one request for all meters, and its answer.
    KPAPI_PROCESS_MEMORY::BUFFER_HEADER* ReadMetersSend();
    void ReadMetersReceive();
    // Refreshes the meters that need it and updates the trim proposal.
    void UpdateDisplay();

    // Automatic trim: the gain change, in dB, that brings the loudest auto-trim peak (held
    // within its bounds) to 0 dB.
    int AutoTrimRegister(unsigned int index, double dB);
    [[nodiscard]] double AutoTrimGet() const { return m_trimDB; }
    // Applies the proposal less 0.1 dB once; nothing until the next read has reset the peaks.
    void AutoTrimExecute();
    void AutoTrimReset(bool resetClips);
    [[nodiscard]] bool IsTrimExecuted() const { return m_trimExecuted; }

private:
    void AfterRead();

    std::vector<sMeter> m_meters;
    double m_trimDB = 0.0;
    bool m_trimExecuted = false;
    Listener* m_listener = nullptr;
    double m_floorGain = 0.0;
    Clock m_clock;
};

// dB to linear gain and back.
[[nodiscard]] KORVANE_API double MeterDBToGain(double dB);
[[nodiscard]] KORVANE_API double MeterGainToDB(double gain);

}  // namespace kvKorvaneV10_0_3
