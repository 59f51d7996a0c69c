#include "korvane/redis/platform/redis_socket.h"

#include <sys/socket.h>
#include <unistd.h>

#include <array>

namespace kvKorvaneV10_0_3::Redis::platform {

void ShutdownSocket(int fd) {
    if (fd >= 0) {
        ::shutdown(fd, SHUT_RDWR);
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
