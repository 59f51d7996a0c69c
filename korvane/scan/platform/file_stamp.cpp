// File status and the wall clock from the system.
#include "korvane/scan/platform/file_stamp.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <string_view>
#include <utility>

namespace kvKorvaneV10_0_3::KSC::platform {
namespace {

std::int64_t Nanoseconds(const struct timespec& t) {
    return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 +
           static_cast<std::int64_t>(t.tv_nsec);
}

KSFileStatus FromStat(const struct stat& info) {
    KSFileStatus status;
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

}  // namespace

KSFileStatus StatusOfPath(const char* path) {
    struct stat info {};
    if (path == nullptr || ::stat(path, &info) != 0) {
        return {};
    }
    return FromStat(info);
}

KCStatusesBelow::KCStatusesBelow(std::string base)
    : m_base(std::move(base)), m_fd(::open(m_base.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC)) {}

KCStatusesBelow::~KCStatusesBelow() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

KSFileStatus KCStatusesBelow::StatusOf(const std::string& relative) const {
    if (m_fd < 0) {
        return StatusOfPath(relative.empty() ? m_base.c_str() : (m_base + "/" + relative).c_str());
    }
    struct stat info {};
    if (::fstatat(m_fd, relative.c_str(), &info, relative.empty() ? AT_EMPTY_PATH : 0) != 0) {
        return {};
    }
    return FromStat(info);
}

KCStatusesInFolder::~KCStatusesInFolder() {
    CloseKept();
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

void KCStatusesInFolder::CloseKept() {
    if (m_keptFd >= 0) {
        ::close(m_keptFd);
    }
    m_keptFd = -1;
    m_keptItem.clear();
    m_keptRelative.clear();
}

KSFileStatus KCStatusesInFolder::StatusOf(const std::string& path, const std::string& relative,
                                          bool keepOpen) {
    struct stat info {};
    if (m_keptFd >= 0 && path != m_keptItem) {
        CloseKept();  // another item: nothing of the last one is asked for again
    }
    // Below the folder kept open: only the rest of the path is walked (never a rest that
    // starts with '/', which would be taken from the root).
    if (m_keptFd >= 0 && relative.size() > m_keptRelative.size() + 1 &&
        relative[m_keptRelative.size()] == '/' && relative[m_keptRelative.size() + 1] != '/' &&
        relative.starts_with(m_keptRelative)) {
        if (::fstatat(m_keptFd, relative.c_str() + m_keptRelative.size() + 1, &info, 0) != 0) {
            return {};
        }
        return FromStat(info);
    }
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos || slash == 0 || slash + 1 == path.size()) {
        return KCStatusesBelow(path).StatusOf(relative);
    }
    const std::string_view folder(path.data(), slash);
    if (m_fd < 0 || folder != m_folder) {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        m_folder.assign(folder);
        m_fd = ::open(m_folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    }
    if (m_fd < 0) {
        return StatusOfPath(relative.empty() ? path.c_str() : (path + "/" + relative).c_str());
    }
    // Links are followed on the way, the item's own included, as when it is opened itself.
    m_scratch.assign(path, slash + 1);
    if (!relative.empty()) {
        m_scratch += '/';
        m_scratch += relative;
    }
    if (keepOpen && !relative.empty()) {
        // The folder's own status comes from the descriptor: one walk for both.
        const int fd = ::openat(m_fd, m_scratch.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0) {
            if (::fstatat(fd, "", &info, AT_EMPTY_PATH) != 0) {
                ::close(fd);
                return {};
            }
            CloseKept();
            m_keptFd = fd;
            m_keptItem = path;
            m_keptRelative = relative;
            return FromStat(info);
        }
        // Not a folder (or not there): its status is asked for by path as any other.
    }
    if (::fstatat(m_fd, m_scratch.c_str(), &info, 0) != 0) {
        return {};
    }
    return FromStat(info);
}

std::int64_t NowNanoseconds() {
    struct timespec now {};
    (void)::clock_gettime(CLOCK_REALTIME, &now);
    return Nanoseconds(now);
}

}  // namespace kvKorvaneV10_0_3::KSC::platform
