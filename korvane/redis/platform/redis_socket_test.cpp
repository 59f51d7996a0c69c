#include "korvane/redis/platform/redis_socket.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>
#include <csignal>

#include <cerrno>

namespace kvKorvaneV10_0_3::Redis::platform {
namespace {

bool SigpipeIn(const sigset_t& set) {
    return sigismember(&set, SIGPIPE) == 1;
}

TEST(RedisSocket, WritingToAClosedPeerFailsWithoutEndingTheProcess) {
    int fds[2] = {-1, -1};
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    ::close(fds[1]);
    {
        const ScopedNoSigpipe noSigpipe;
        // Without the scope SIGPIPE's default action ends the test process here.
        EXPECT_EQ(::write(fds[0], "x", 1), -1);
        EXPECT_EQ(errno, EPIPE);
    }
    ::close(fds[0]);
    sigset_t pending;
    sigemptyset(&pending);
    sigpending(&pending);
    EXPECT_FALSE(SigpipeIn(pending)) << "the raised signal must be consumed";
    sigset_t mask;
    sigemptyset(&mask);
    pthread_sigmask(SIG_BLOCK, nullptr, &mask);
    EXPECT_FALSE(SigpipeIn(mask)) << "the thread's mask must be restored";
}

TEST(RedisSocket, ShutdownEndsABlockedRead) {
    int fds[2] = {-1, -1};
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    ShutdownSocket(fds[0]);
    char c = 0;
    // Returns at once with end of stream instead of waiting for the peer.
    EXPECT_EQ(::read(fds[0], &c, 1), 0);
    ::close(fds[0]);
    ::close(fds[1]);
}

TEST(RedisSocket, ProcessIdAndExecutablePath) {
    EXPECT_EQ(CurrentProcessId(), static_cast<long long>(::getpid()));
    char path[4096] = {};
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    ASSERT_GT(n, 0);
    EXPECT_EQ(CurrentExecutablePath(), std::string(path, static_cast<std::size_t>(n)));
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::Redis::platform
