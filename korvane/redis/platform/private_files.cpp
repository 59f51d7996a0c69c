// POSIX side of the text commands' temporary folder.
#include "korvane/redis/platform/private_files.h"

#include <sys/stat.h>
#include <unistd.h>

namespace kvKorvaneV10_0_3::Redis::platform {

bool IsSafeTemporaryFolder(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        return false;
    }
    const bool privateToUs =
        info.st_uid == ::geteuid() && (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
    return privateToUs || (info.st_mode & S_ISVTX) != 0;
}

}  // namespace kvKorvaneV10_0_3::Redis::platform
