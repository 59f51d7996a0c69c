// Microsecond timing on the monotonic clock: UMicroseconds, one reading or duration, and
// UMicrosecondsAccumulator, which sums measured intervals and averages them.
#pragma once

#include "korvane/core/export.h"

#include <cstdint>

namespace kvKorvaneV10_0_3 {

class KORVANE_API UMicroseconds {
public:
    UMicroseconds() = default;
    explicit UMicroseconds(std::uint64_t microseconds) : m_value(microseconds) {}

    // Microseconds on the monotonic clock since an arbitrary fixed point.
    static UMicroseconds Now();
    // Sets this value to the current time.
    void ReadTime() { *this = Now(); }

    [[nodiscard]] std::uint64_t MicroSeconds() const { return m_value; }
    [[nodiscard]] double MilliSeconds() const { return static_cast<double>(m_value) / 1000.0; }
    [[nodiscard]] double Seconds() const { return static_cast<double>(m_value) / 1000000.0; }
    explicit operator double() const { return static_cast<double>(m_value); }
    explicit operator std::uint64_t() const { return m_value; }
    explicit operator std::int64_t() const { return static_cast<std::int64_t>(m_value); }

    UMicroseconds& operator+=(long long microseconds) {
        m_value += static_cast<std::uint64_t>(microseconds);
        return *this;
    }

private:
    std::uint64_t m_value = 0;
};

// Start and Stop bracket one interval; Stop without a running interval does nothing.
// [any-thread] on distinct objects.
class KORVANE_API UMicrosecondsAccumulator {
public:
    void Start();
    void Stop();
    // Clears everything, then starts.
    void Restart();
    void Clear();
    // Adds the other's accumulated time only; the interval count is unchanged.
    UMicrosecondsAccumulator& operator+=(const UMicrosecondsAccumulator& other);

    [[nodiscard]] UMicroseconds GetAccumulatedTime() const { return UMicroseconds(m_accumulated); }
    [[nodiscard]] std::uint32_t GetNumIntervals() const { return m_count; }
    [[nodiscard]] bool IsRunning() const { return m_running; }
    // Accumulated time over the interval count; 0 without intervals.
    [[nodiscard]] double AverageMicroSeconds() const;
    [[nodiscard]] double AverageMilliSeconds() const { return AverageMicroSeconds() / 1000.0; }
    [[nodiscard]] double AverageSeconds() const { return AverageMicroSeconds() / 1000000.0; }

private:
    std::uint64_t m_start = 0;
    std::uint64_t m_accumulated = 0;
    std::uint32_t m_count = 0;
    bool m_running = false;
};

}  // namespace kvKorvaneV10_0_3
