// Socket and process details the Redis connection needs from the operating system.
#pragma once

#include "korvane/core/export.h"

#include <string>

namespace kvKorvaneV10_0_3::Redis::platform {

// Shuts both directions of a connected socket down, so a read blocked on it returns at once.
// The descriptor stays open for its owner to close.
KORVANE_API void ShutdownSocket(int fd);

// Keeps SIGPIPE from ending the process while the calling thread writes to a socket whose
// peer is gone or which was shut down: the write fails with EPIPE instead. The signal is
// blocked for the scope and, if the scope raised it, consumed before unblocking; the process's
// signal handling is left as the host set it.
class KORVANE_API ScopedNoSigpipe {
public:
    ScopedNoSigpipe();
    ~ScopedNoSigpipe();
    ScopedNoSigpipe(const ScopedNoSigpipe&) = delete;
    ScopedNoSigpipe& operator=(const ScopedNoSigpipe&) = delete;

private:
    bool m_wasBlocked = false;
    bool m_wasPending = false;
};

// The calling process's id.
KORVANE_API long long CurrentProcessId();

// The running executable's full path; "" when the OS does not tell.
KORVANE_API std::string CurrentExecutablePath();

}  // namespace kvKorvaneV10_0_3::Redis::platform
