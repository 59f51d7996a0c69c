// The base name of the running program, for per-application log folders.
#pragma once

#include <string>

namespace kvKorvaneV10_0_3::KSC::platform {

// The executable's file name without folder and extension; "unknown" when it cannot be had.
std::string RunningApplicationBaseName();

}  // namespace kvKorvaneV10_0_3::KSC::platform
