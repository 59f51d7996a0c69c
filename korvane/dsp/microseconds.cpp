#include "korvane/dsp/microseconds.h"

#include <chrono>

namespace kvKorvaneV10_0_3 {

UMicroseconds UMicroseconds::Now() {
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    return UMicroseconds(static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::microseconds>(since).count()));
}

void UMicrosecondsAccumulator::Start() {
    m_start = UMicroseconds::Now().MicroSeconds();
    m_running = true;
}

void UMicrosecondsAccumulator::Stop() {
    if (!m_running) {
        return;
    }
    const std::uint64_t now = UMicroseconds::Now().MicroSeconds();
    m_accumulated += now >= m_start ? now - m_start : 0;
    ++m_count;
    m_running = false;
}

void UMicrosecondsAccumulator::Restart() {
    Clear();
    Start();
}

void UMicrosecondsAccumulator::Clear() {
    *this = UMicrosecondsAccumulator();
}

UMicrosecondsAccumulator& UMicrosecondsAccumulator::operator+=(
    const UMicrosecondsAccumulator& other) {
    m_accumulated += other.m_accumulated;
    return *this;
}

double UMicrosecondsAccumulator::AverageMicroSeconds() const {
    return m_count == 0 ? 0.0 : static_cast<double>(m_accumulated) / m_count;
}

}  // namespace kvKorvaneV10_0_3
