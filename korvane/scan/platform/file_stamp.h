// What a file's identity, size and times are now, and the wall clock, for the scan cache.
#pragma once

#include "korvane/core/export.h"

#include <cstdint>
#include <string>

namespace kvKorvaneV10_0_3::KSC::platform {

enum class EStampKind : char { eAbsent = '-', eFile = 'f', eFolder = 'd', eOther = 'o' };

// The status of a path, links followed. Times are nanoseconds since 1970 (UTC).
struct KSFileStatus {
    EStampKind kind = EStampKind::eAbsent;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t modified = 0;  // content
    std::int64_t changed = 0;   // content or metadata; cannot be set back by hand

    bool operator==(const KSFileStatus& other) const = default;
};

// A path that cannot be read (missing, a dangling link, no permission) is eAbsent.
KSFileStatus StatusOfPath(const char* path);

// Statuses of paths below one folder, looked up from the folder opened once rather than from
// the root each time. A base that is not a folder is looked up path by path.
class KORVANE_API KCStatusesBelow {
public:
    explicit KCStatusesBelow(std::string base);
    KCStatusesBelow(const KCStatusesBelow&) = delete;
    KCStatusesBelow& operator=(const KCStatusesBelow&) = delete;
    ~KCStatusesBelow();

    // "" is the base itself.
    [[nodiscard]] KSFileStatus StatusOf(const std::string& relative) const;

private:
    std::string m_base;
    int m_fd = -1;
};
// Statuses of paths below the items of one folder, looked up from that folder opened once and
// kept open while the next item asked about is in the same folder: candidates come folder by
// folder, so checking one costs no opening of its own.
class KORVANE_API KCStatusesInFolder {
public:
    KCStatusesInFolder() = default;
    KCStatusesInFolder(const KCStatusesInFolder&) = delete;
    KCStatusesInFolder& operator=(const KCStatusesInFolder&) = delete;
    ~KCStatusesInFolder();

    // The status of `relative` below the item `path` ("" for the item itself), as
    // KCStatusesBelow(path).StatusOf(relative) gives it. With `keepOpen` a folder found there
    // is kept open, and later look-ups below it in the same item walk only the rest of the path.
    [[nodiscard]] KSFileStatus StatusOf(const std::string& path, const std::string& relative,
                                        bool keepOpen = false);

private:
    void CloseKept();

    std::string m_folder;
    int m_fd = -1;
    std::string m_scratch;
    // The folder kept open: `m_keptRelative` below the item `m_keptItem`.
    std::string m_keptItem;
    std::string m_keptRelative;
    int m_keptFd = -1;
};

// The wall clock in nanoseconds since 1970, on the file systems' time scale.
std::int64_t NowNanoseconds();

}  // namespace kvKorvaneV10_0_3::KSC::platform
