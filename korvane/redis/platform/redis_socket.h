// Socket and process details the Redis connection needs from the operating system.
#pragma once

#include <string>

namespace kvKorvaneV10_0_3::Redis::platform {

// Shuts both directions of a connected socket down, so a read blocked on it returns at once.
// The descriptor stays open for its owner to close.
void ShutdownSocket(int fd);

// The calling process's id.
long long CurrentProcessId();

// The running executable's full path; "" when the OS does not tell.
std::string CurrentExecutablePath();

}  // namespace kvKorvaneV10_0_3::Redis::platform
