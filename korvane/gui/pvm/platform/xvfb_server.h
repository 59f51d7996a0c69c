// An X server of the process's own for tests and benchmarks: the first call starts Xvfb (one
// server per executable, ended when the executable exits, however it ends) and points DISPLAY
// at it.
#pragma once

#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <string>

namespace kvKorvaneV10_0_3::PluginViewManager::testing {

inline pid_t& XvfbPid() {
    static pid_t pid = -1;
    return pid;
}

inline void StopXvfb() {
    if (XvfbPid() > 0) {
        kill(XvfbPid(), SIGTERM);
        waitpid(XvfbPid(), nullptr, 0);
        XvfbPid() = -1;
    }
}

// The server's display name (":N"), started on first use; empty with `error` set when it
// could not be started.
inline std::string StartXvfb(std::string& error) {
    static std::string name;
    if (!name.empty()) {
        return name;
    }
    int fds[2];
    if (pipe(fds) != 0) {
        error = "no pipe for Xvfb";
        return {};
    }
    const std::string fd = std::to_string(fds[1]);
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        // The server goes with the executable, however it ends.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "2400x2400x24",
               "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    if (pid < 0) {
        close(fds[0]);
        error = "could not fork for Xvfb";
        return {};
    }
    XvfbPid() = pid;
    std::atexit(StopXvfb);
    // The server writes its display number and a line break once it accepts connections.
    std::string number;
    char c = 0;
    while (read(fds[0], &c, 1) == 1 && c != '\n') {
        number += c;
    }
    close(fds[0]);
    if (number.empty()) {
        error = "Xvfb did not start (is it installed? scripts/install-deps)";
        return {};
    }
    name = ":" + number;
    setenv("DISPLAY", name.c_str(), 1);
    return name;
}

}  // namespace kvKorvaneV10_0_3::PluginViewManager::testing
