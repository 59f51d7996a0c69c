// The clock the view manager times clicks and animations with: microseconds from any fixed
// origin, replaceable so tests can step time by hand.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

namespace kvKorvaneV10_0_3::PluginViewManager {

using KTMicroClock = std::function<std::uint64_t()>;

// Microseconds of the monotonic system clock. [any-thread]
inline std::uint64_t SteadyMicroseconds() {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
}

}  // namespace kvKorvaneV10_0_3::PluginViewManager
