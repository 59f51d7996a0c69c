// The sleep functions over the platform's millisecond sleep.
#include "korvane/core/sleep.h"

#include "korvane/core/platform/os_sleep.h"

namespace kvKorvaneV10_0_3 {

void kvThread::sleep(int microseconds) {
    if (microseconds > 0) {
        platform::SleepMilliseconds(MicrosecondsToMilliseconds(microseconds));
    }
}

void kvThread::sleep_milliseconds(unsigned int milliseconds) {
    platform::SleepMilliseconds(milliseconds);
}

void Utils::Sleep(unsigned int milliseconds) {
    platform::SleepMilliseconds(milliseconds);
}

}  // namespace kvKorvaneV10_0_3
