// The fork and privilege drop behind RunUnprivileged (POSIX).
#include "korvane/core/testing/unprivileged_run.h"

#include <grp.h>
#include <pwd.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <exception>
#include <string>

namespace kvKorvaneV10_0_3::test_support {
namespace {

// The child's exit statuses.
constexpr int kPassed = 0;
constexpr int kFailed = 1;
constexpr int kNoDrop = 2;

// The uid and gid of "nobody"; 65534 where the user database has no such entry.
void Nobody(uid_t& uid, gid_t& gid) {
    uid = 65534;
    gid = 65534;
    if (const passwd* entry = ::getpwnam("nobody"); entry != nullptr) {
        uid = entry->pw_uid;
        gid = entry->pw_gid;
    }
}

void WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n <= 0) {
            return;
        }
        done += static_cast<std::size_t>(n);
    }
}

// Runs in the child: never returns.
[[noreturn]] void ChildRun(int reportFd, const std::function<std::string()>& check) {
    uid_t uid = 0;
    gid_t gid = 0;
    Nobody(uid, gid);
    if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0 ||
        ::geteuid() == 0 || ::setuid(0) == 0) {
        WriteAll(reportFd, "could not drop to the user nobody");
        ::_exit(kNoDrop);
    }
    std::string failures;
    try {
        failures = check();
    } catch (const std::exception& e) {
        failures = std::string("exception: ") + e.what();
    } catch (...) {
        failures = "exception";
    }
    if (!failures.empty()) {
        WriteAll(reportFd, failures);
    }
    // _exit: no atexit handler of the test framework may run in the child.
    ::_exit(failures.empty() ? kPassed : kFailed);
}

}  // namespace

bool RunsAsRoot() {
    return ::geteuid() == 0;
}

UnprivilegedOutcome RunUnprivileged(const std::function<std::string()>& check) {
    UnprivilegedOutcome outcome;
    if (!RunsAsRoot()) {
        outcome.ran = true;
        outcome.failures = check();
        return outcome;
    }
    int fds[2];
    if (::pipe(fds) != 0) {
        outcome.failures = "pipe failed";
        return outcome;
    }
    // Output still buffered would otherwise be written twice.
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        outcome.failures = "fork failed";
        return outcome;
    }
    if (child == 0) {
        ::close(fds[0]);
        ChildRun(fds[1], check);
    }
    ::close(fds[1]);
    std::string report;
    char buffer[512];
    while (true) {
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        report.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fds[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) {
            outcome.failures = "waitpid failed";
            return outcome;
        }
    }
    if (!WIFEXITED(status)) {
        outcome.failures =
            "the child process was killed by signal " + std::to_string(WTERMSIG(status));
        return outcome;
    }
    const int code = WEXITSTATUS(status);
    outcome.ran = code == kPassed || code == kFailed;
    outcome.failures = code == kPassed ? "" : report.empty() ? "the check failed" : report;
    return outcome;
}

}  // namespace kvKorvaneV10_0_3::test_support
