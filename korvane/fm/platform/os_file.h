// File descriptors, access checks, locks and the user database behind functions that include
// no OS header. Errors come back as KTErr codes translated from errno. [any-thread]
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/fm/fm_types.h"

#include <cstdint>
#include <string>

namespace kvKorvaneV10_0_3::FM::platform {

struct OpenRequest {
    bool read = false;
    bool write = false;
    bool create = false;
    bool exclusive = false;  // with create: fail when it exists
    bool truncate = false;
    unsigned int mode = 0666;  // for a created file, before the umask
};

// Opens close-on-exec; a folder gives eFMIsAFolder.
[[nodiscard]] KTErr OpenFd(const char* path, const OpenRequest& request, int& fd);
void CloseFd(int fd);
// Loops over short transfers and EINTR; stops early only at the end of the file.
[[nodiscard]] KTErr ReadFd(int fd, void* buffer, std::uint64_t count, std::uint64_t& done);
[[nodiscard]] KTErr ReadFdAt(int fd, void* buffer, std::uint64_t count, std::int64_t offset,
                             std::uint64_t& done);
[[nodiscard]] KTErr WriteFd(int fd, const void* buffer, std::uint64_t count, std::uint64_t& done);
// Moves the cursor to offset from the start, the cursor or the end.
[[nodiscard]] KTErr SeekFd(int fd, std::int64_t offset, KEPositionMode whence,
                           std::int64_t& position);
[[nodiscard]] KTErr TruncateFd(int fd, std::int64_t size);
// fsync: the file's bytes reach the disk before a rename publishes them.
[[nodiscard]] KTErr SyncFd(int fd);
// Syncs a folder's entries (a rename inside it), best effort: errors are ignored.
void SyncFolder(const char* path);
[[nodiscard]] KTErr SizeOfFd(int fd, std::int64_t& size);

// Opens for reading without following a final link and without blocking (a FIFO), and keeps
// the descriptor only for a regular file (eFMPermissionErr otherwise); size is its length.
[[nodiscard]] KTErr OpenRegularFileForReading(const char* path, int& fd, std::int64_t& size);
// Opens for reading, links followed, without blocking on a FIFO, and keeps the descriptor only
// for a regular file (eFMPermissionErr otherwise); size is its length. One open and one fstat:
// for reads that would otherwise ask for the file's status first. O_NONBLOCK stays set, which
// changes nothing for a regular file.
[[nodiscard]] KTErr OpenExistingRegularFile(const char* path, int& fd, std::int64_t& size);
// access(W_OK) for the real user, and false for a file without any write permission bit (the
// read-only mark, which the superuser must respect as well).
bool IsWritablePath(const char* path);
// The process's file creation mask.
unsigned int CurrentUmask();
// Asks whether a write lock could be taken over the whole file.
[[nodiscard]] KTErr IsLockedPath(const char* path, bool& locked);
// mkstemp in `folder` with the given name prefix; path receives the name made.
[[nodiscard]] KTErr CreateTempFileIn(const std::string& folder, const char* prefix,
                                     std::string& path, int& fd);
// The home folder from the user database ("" when unknown).
std::string HomeFromUserDatabase();

}  // namespace kvKorvaneV10_0_3::FM::platform
