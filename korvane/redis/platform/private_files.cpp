// POSIX side of the text commands' confined files.
#include "korvane/redis/platform/private_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace kvKorvaneV10_0_3::Redis::platform {

bool IsPrivateFolder(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::geteuid() && (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

KTErr ReplaceFileWithoutFollowing(const std::string& folder, const std::string& leaf,
                                  const std::string& data) {
    const std::string target = folder + "/" + leaf;
    struct stat info {};
    if (::lstat(target.c_str(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISLNK(info.st_mode)) {
        return eFMIsNotAFile;
    }
    // A new temporary file (never an existing name, so never a link) renamed over the name.
    std::string temp = folder + "/." + leaf + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        return eFMCreateFailed;
    }
    bool ok = ::fchmod(fd, 0644) == 0;
    std::size_t done = 0;
    while (ok && done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        ok = n > 0;
        done += ok ? static_cast<std::size_t>(n) : 0;
    }
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (!ok || ::rename(temp.c_str(), target.c_str()) != 0) {
        ::unlink(temp.c_str());
        return eFMWriteFailed;
    }
    return eNoErr;
}

}  // namespace kvKorvaneV10_0_3::Redis::platform
