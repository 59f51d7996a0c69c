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
    std::string opener = "xdg-open";
    char* argv[] = {opener.data(), const_cast<char*>(path.c_str()), nullptr};
    pid_t pid = 0;
    int status = 0;
    bool opened = ::posix_spawnp(&pid, argv[0], nullptr, nullptr, argv, environ) == 0;
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
