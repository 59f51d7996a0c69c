#include "korvane/gui/platform/help_launcher.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace kvKorvaneV10_0_3 {

KTErr LaunchHelpFile(const std::string& folder, const char* name, std::string& message) {
    message.clear();
    const std::string file = std::string(name != nullptr ? name : "") + ".pdf";
    const std::string path = folder.empty() ? file : folder + "/" + file;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        message = "The plug-in documentation file '" + file + "' is missing.";
        return eFMFileNotFound;
    }
    // A short-lived shell starts xdg-open in the background and exits at once: the viewer,
    // which xdg-open may run in the foreground, never holds up the GUI thread, and init reaps
    // it. The shell's status tells only whether xdg-open could be found.
    std::string shell = "/bin/sh";
    std::string dashC = "-c";
    std::string script =
        "command -v xdg-open >/dev/null 2>&1 || exit 127\n"
        "xdg-open \"$1\" </dev/null >/dev/null 2>&1 &\n";
    std::string zero = "sh";
    char* argv[] = {
        shell.data(), dashC.data(), script.data(), zero.data(), const_cast<char*>(path.c_str()),
        nullptr};
    // Its own session, and none of this process's descriptors past the standard ones.
    posix_spawnattr_t attr;
    posix_spawn_file_actions_t actions;
    ::posix_spawnattr_init(&attr);
    ::posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    pid_t pid = 0;
    int status = 0;
    bool opened = ::posix_spawn(&pid, argv[0], &actions, &attr, argv, environ) == 0;
    ::posix_spawn_file_actions_destroy(&actions);
    ::posix_spawnattr_destroy(&attr);
    if (opened) {
        pid_t waited = 0;
        do {
            waited = ::waitpid(pid, &status, 0);
        } while (waited < 0 && errno == EINTR);
        opened = waited == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    if (!opened) {
        message = "Documentation viewer (PDF) is not installed";
        return eAppLaunchFailed;
    }
    return eNoErr;
}

}  // namespace kvKorvaneV10_0_3
