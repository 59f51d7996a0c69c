// POSIX implementation of the local-time conversion.
#include "korvane/core/platform/local_time.h"

#include <time.h>  // NOLINT(modernize-deprecated-headers): localtime_r is POSIX

namespace kvKorvaneV10_0_3::platform {

bool LocalTime(std::time_t t, std::tm& out) {
    // localtime() shares one static buffer between threads; the _r form does not.
    return localtime_r(&t, &out) != nullptr;
}

}  // namespace kvKorvaneV10_0_3::platform
