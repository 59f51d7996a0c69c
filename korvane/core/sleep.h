// Sleeping the calling thread for microseconds (rounded to milliseconds) or milliseconds.
#pragma once

#include "korvane/core/export.h"

namespace kvKorvaneV10_0_3 {
namespace kvThread {

// Milliseconds a microsecond count becomes: (us + 499) / 1000 for positive counts, else 0.
[[nodiscard]] constexpr unsigned int MicrosecondsToMilliseconds(int microseconds) {
    return microseconds <= 0
               ? 0U
               : static_cast<unsigned int>((static_cast<long long>(microseconds) + 499) / 1000);
}

// Sleeps the rounded millisecond count; nothing for 0 or less, a yield for 1..500. [any-thread]
KORVANE_API void sleep(int microseconds);
// Sleeps at least `milliseconds`; 0 yields the processor. [any-thread]
KORVANE_API void sleep_milliseconds(unsigned int milliseconds);

}  // namespace kvThread

namespace Utils {

// Same as kvThread::sleep_milliseconds. [any-thread]
KORVANE_API void Sleep(unsigned int milliseconds);

}  // namespace Utils
}  // namespace kvKorvaneV10_0_3
