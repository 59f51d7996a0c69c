#include "korvane/redis/platform/redis_socket.h"

#include <sys/socket.h>
#include <unistd.h>
#include <csignal>

#include <array>
#include <cerrno>
#include <ctime>

namespace kvKorvaneV10_0_3::Redis::platform {

void ShutdownSocket(int fd) {
    if (fd >= 0) {
        ::shutdown(fd, SHUT_RDWR);
    }
}

ScopedNoSigpipe::ScopedNoSigpipe() {
    sigset_t pending;
    sigemptyset(&pending);
    sigpending(&pending);
    m_wasPending = sigismember(&pending, SIGPIPE) == 1;
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    sigset_t old;
    sigemptyset(&old);
    pthread_sigmask(SIG_BLOCK, &pipe, &old);
    m_wasBlocked = sigismember(&old, SIGPIPE) == 1;
}

ScopedNoSigpipe::~ScopedNoSigpipe() {
    if (!m_wasPending) {
        sigset_t pending;
        sigemptyset(&pending);
        sigpending(&pending);
        if (sigismember(&pending, SIGPIPE) == 1) {
            sigset_t pipe;
            sigemptyset(&pipe);
            sigaddset(&pipe, SIGPIPE);
            const timespec now{0, 0};
            while (sigtimedwait(&pipe, nullptr, &now) == -1 && errno == EINTR) {
            }
        }
    }
    if (!m_wasBlocked) {
        sigset_t pipe;
        sigemptyset(&pipe);
        sigaddset(&pipe, SIGPIPE);
        pthread_sigmask(SIG_UNBLOCK, &pipe, nullptr);
    }
}

long long CurrentProcessId() {
    return static_cast<long long>(::getpid());
}

std::string CurrentExecutablePath() {
    std::array<char, 4096> buffer{};
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    return n > 0 ? std::string(buffer.data(), static_cast<std::size_t>(n)) : std::string();
}

}  // namespace kvKorvaneV10_0_3::Redis::platform
