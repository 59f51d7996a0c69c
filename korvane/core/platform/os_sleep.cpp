// POSIX sleep: nanosleep resumed with the remaining time after each signal.
#include "korvane/core/platform/os_sleep.h"

#include <sched.h>
#include <time.h>  // NOLINT(modernize-deprecated-headers): nanosleep is POSIX

#include <cerrno>

namespace kvKorvaneV10_0_3::platform {

void SleepMilliseconds(unsigned int milliseconds) {
    if (milliseconds == 0) {
        sched_yield();
        return;
    }
    timespec left{static_cast<time_t>(milliseconds / 1000U),
                  static_cast<long>(milliseconds % 1000U) * 1000000L};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

}  // namespace kvKorvaneV10_0_3::platform
