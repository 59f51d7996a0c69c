// POSIX file I/O, access checks, record locks and the user database.
#include "korvane/fm/platform/os_file.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstdlib>
#include <vector>

namespace kvKorvaneV10_0_3::FM::platform {

namespace {

// One read or write call never moves more than this (the kernel's own cap is near 2 GiB).
constexpr std::uint64_t kChunk = 1U << 30;

}  // namespace

KTErr OpenFd(const char* path, const OpenRequest& request, int& fd) {
    fd = -1;
    int flags = O_CLOEXEC;
    if (request.read && request.write) {
        flags |= O_RDWR;
    } else if (request.write) {
        flags |= O_WRONLY;
    } else {
        flags |= O_RDONLY;
    }
    if (request.create) {
        flags |= O_CREAT;
        if (request.exclusive) {
            flags |= O_EXCL;
        }
    }
    // O_TRUNC needs write access; the caller grants a read-only handle separately.
    if (request.truncate && request.write) {
        flags |= O_TRUNC;
    }
    int result = -1;
    do {
        result = ::open(path, flags, static_cast<mode_t>(request.mode));
    } while (result < 0 && errno == EINTR);
    if (result < 0) {
        return ConvertErrorPOSIX(errno);
    }
    struct stat info {};
    if (::fstat(result, &info) == 0 && S_ISDIR(info.st_mode)) {
        ::close(result);
        return eFMIsAFolder;
    }
    fd = result;
    return eNoErr;
}

void CloseFd(int fd) {
    if (fd >= 0) {
        ::close(fd);
    }
}

KTErr ReadFd(int fd, void* buffer, std::uint64_t count, std::uint64_t& done) {
    done = 0;
    auto* bytes = static_cast<char*>(buffer);
    while (done < count) {
        const std::uint64_t step = count - done < kChunk ? count - done : kChunk;
        const ssize_t n = ::read(fd, bytes + done, static_cast<std::size_t>(step));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno == EBADF ? eFMIllegalOpenFileRef : eFMReadFailed;
        }
        if (n == 0) {
            break;
        }
        done += static_cast<std::uint64_t>(n);
    }
    return eNoErr;
}

KTErr ReadFdAt(int fd, void* buffer, std::uint64_t count, std::int64_t offset,
               std::uint64_t& done) {
    done = 0;
    auto* bytes = static_cast<char*>(buffer);
    while (done < count) {
        const std::uint64_t step = count - done < kChunk ? count - done : kChunk;
        const ssize_t n = ::pread(fd, bytes + done, static_cast<std::size_t>(step),
                                  static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return eFMReadFailed;
        }
        if (n == 0) {
            break;
        }
        done += static_cast<std::uint64_t>(n);
    }
    return eNoErr;
}

KTErr WriteFd(int fd, const void* buffer, std::uint64_t count, std::uint64_t& done) {
    done = 0;
    const auto* bytes = static_cast<const char*>(buffer);
    while (done < count) {
        const std::uint64_t step = count - done < kChunk ? count - done : kChunk;
        const ssize_t n = ::write(fd, bytes + done, static_cast<std::size_t>(step));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            const KTErr err = ConvertErrorPOSIX(errno);
            return err == eGenericErr ? eFMWriteFailed : err;
        }
        if (n == 0) {
            return eFMWriteFailed;
        }
        done += static_cast<std::uint64_t>(n);
    }
    return eNoErr;
}

KTErr SyncFd(int fd) {
    while (::fsync(fd) != 0) {
        if (errno != EINTR) {
            const KTErr err = ConvertErrorPOSIX(errno);
            return err == eGenericErr ? eFMWriteFailed : err;
        }
    }
    return eNoErr;
}

void SyncFolder(const char* path) {
    const int fd = ::open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

KTErr SeekFd(int fd, std::int64_t offset, KEPositionMode whence, std::int64_t& position) {
    int origin = SEEK_SET;
    switch (whence) {
        case eFromStart:
            break;
        case eFromCursor:
            origin = SEEK_CUR;
            break;
        case eFromEnd:
            origin = SEEK_END;
            break;
        default:
            return eFMWrongParameters;
    }
    const off_t result = ::lseek(fd, static_cast<off_t>(offset), origin);
    if (result < 0) {
        return ConvertErrorPOSIX(errno);
    }
    position = static_cast<std::int64_t>(result);
    return eNoErr;
}

KTErr TruncateFd(int fd, std::int64_t size) {
    int result = -1;
    do {
        result = ::ftruncate(fd, static_cast<off_t>(size));
    } while (result < 0 && errno == EINTR);
    return result < 0 ? ConvertErrorPOSIX(errno) : eNoErr;
}

KTErr SizeOfFd(int fd, std::int64_t& size) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        return ConvertErrorPOSIX(errno);
    }
    size = static_cast<std::int64_t>(info.st_size);
    return eNoErr;
}

KTErr OpenRegularFileForReading(const char* path, int& fd, std::int64_t& size) {
    fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        const int error = errno;
        return error == ELOOP ? eFMPermissionErr : ConvertErrorPOSIX(error);
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        fd = -1;
        return eFMPermissionErr;
    }
    // Back to blocking reads for the regular file.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) {
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    }
    size = static_cast<std::int64_t>(info.st_size);
    return eNoErr;
}

KTErr OpenExistingRegularFile(const char* path, int& fd, std::int64_t& size) {
    fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        return ConvertErrorPOSIX(errno);
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        fd = -1;
        return eFMPermissionErr;
    }
    size = static_cast<std::int64_t>(info.st_size);
    return eNoErr;
}

bool IsWritablePath(const char* path) {
    if (::access(path, W_OK) != 0) {
        return false;
    }
    // No write bit at all is the read-only mark, which holds for the superuser too.
    struct stat info {};
    return ::stat(path, &info) != 0 || (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
}

unsigned int CurrentUmask() {
    // Read where the kernel shows it: setting and restoring it would race with other threads.
    const int fd = ::open("/proc/self/status", O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        std::string text;
        char buffer[4096];
        ssize_t got = 0;
        while ((got = ::read(fd, buffer, sizeof buffer)) > 0) {
            text.append(buffer, static_cast<std::size_t>(got));
        }
        ::close(fd);
        const auto at = text.find("Umask:");
        if (at != std::string::npos) {
            return static_cast<unsigned int>(std::strtoul(text.c_str() + at + 6, nullptr, 8)) &
                   0777U;
        }
    }
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return static_cast<unsigned int>(mask);
}

KTErr IsLockedPath(const char* path, bool& locked) {
    locked = false;
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return ConvertErrorPOSIX(errno);
    }
    struct flock query {};
    query.l_type = F_WRLCK;
    query.l_whence = SEEK_SET;
    query.l_start = 0;
    query.l_len = 0;
    KTErr err = eNoErr;
    if (::fcntl(fd, F_GETLK, &query) != 0) {
        err = ConvertErrorPOSIX(errno);
    } else {
        locked = query.l_type != F_UNLCK;
    }
    ::close(fd);
    return err;
}

KTErr CreateTempFileIn(const std::string& folder, const char* prefix, std::string& path, int& fd) {
    fd = -1;
    std::string name = folder;
    if (name.empty() || name.back() != '/') {
        name += '/';
    }
    name += prefix;
    name += "XXXXXX";
    std::vector<char> buffer(name.begin(), name.end());
    buffer.push_back('\0');
    const int result = ::mkostemp(buffer.data(), O_CLOEXEC);
    if (result < 0) {
        return ConvertErrorPOSIX(errno);
    }
    path.assign(buffer.data());
    fd = result;
    return eNoErr;
}

std::string HomeFromUserDatabase() {
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    if (size <= 0) {
        size = 16384;
    }
    std::vector<char> buffer(static_cast<std::size_t>(size));
    struct passwd entry {};
    struct passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 ||
        found == nullptr || found->pw_dir == nullptr) {
        return {};
    }
    return found->pw_dir;
}

}  // namespace kvKorvaneV10_0_3::FM::platform
