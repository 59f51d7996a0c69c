// File status and the wall clock from the system.
#include "korvane/scan/platform/file_stamp.h"

#include <sys/stat.h>

#include <ctime>

namespace kvKorvaneV10_0_3::KSC::platform {
namespace {

std::int64_t Nanoseconds(const struct timespec& t) {
    return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 +
           static_cast<std::int64_t>(t.tv_nsec);
}

}  // namespace

KSFileStatus StatusOfPath(const char* path) {
    KSFileStatus status;
    struct stat info {};
    if (path == nullptr || ::stat(path, &info) != 0) {
        return status;
    }
    status.kind = S_ISREG(info.st_mode)   ? EStampKind::eFile
                  : S_ISDIR(info.st_mode) ? EStampKind::eFolder
                                          : EStampKind::eOther;
    status.device = static_cast<std::uint64_t>(info.st_dev);
    status.inode = static_cast<std::uint64_t>(info.st_ino);
    status.size = static_cast<std::uint64_t>(info.st_size);
    status.modified = Nanoseconds(info.st_mtim);
    status.changed = Nanoseconds(info.st_ctim);
    return status;
}

std::int64_t NowNanoseconds() {
    struct timespec now {};
    (void)::clock_gettime(CLOCK_REALTIME, &now);
    return Nanoseconds(now);
}

}  // namespace kvKorvaneV10_0_3::KSC::platform
