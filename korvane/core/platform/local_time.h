// Conversion of calendar time to the local broken-down time, behind a thread-safe OS call.
#pragma once

#include <ctime>

namespace kvKorvaneV10_0_3::platform {

// Fills `out` with the local time of `t`; false when the OS cannot convert it.
bool LocalTime(std::time_t t, std::tm& out);

}  // namespace kvKorvaneV10_0_3::platform
