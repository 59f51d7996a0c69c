// POSIX walk from a folder descriptor: openat with O_NOFOLLOW, fstat checks and renameat.
#include "korvane/fm/platform/beneath_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <random>

namespace kvKorvaneV10_0_3::FM::platform {

namespace {

// A link met where a folder or file was expected, or a name that is no folder, is a refusal.
KTErr RefusalOf(int error) {
    return error == ELOOP || error == ENOTDIR || error == EMLINK ? eFMPermissionErr
                                                                 : ConvertErrorPOSIX(error);
}

bool IsPlainName(const std::string& part) {
    return !part.empty() && part != "." && part != ".." &&
           part.find_first_of(std::string_view("/\0", 2)) == std::string::npos;
}

int OpenAt(int folder, const char* name, int flags, mode_t mode = 0) {
    int fd = -1;
    do {
        fd = ::openat(folder, name, flags | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// A name no one else picks: the process id, a counter and a random number.
std::string TemporaryName() {
    static std::atomic<unsigned long> counter{0};
    thread_local std::mt19937_64 random{std::random_device{}()};
    char text[80] = ".kv-";
    char* end = text + 4;
    const unsigned long long parts[] = {static_cast<unsigned long long>(::getpid()),
                                        counter.fetch_add(1), random()};
    for (const unsigned long long part : parts) {
        end = std::to_chars(end, text + sizeof text - 6, part, 36).ptr;
        *end++ = '-';
    }
    return std::string(text, end) + "tmp";
}

bool WriteAll(int fd, const char* data, std::uint64_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        data += n;
        size -= static_cast<std::uint64_t>(n);
    }
    return true;
}

}  // namespace

KTErr OpenWalkRoot(const char* path, int& fd) {
    fd = OpenAt(AT_FDCWD, path, O_RDONLY | O_DIRECTORY);
    return fd < 0 ? RefusalOf(errno) : eNoErr;
}

KTErr OpenFolderBeneath(int root, const std::vector<std::string>& parts, int& fd) {
    fd = -1;
    int current = ::fcntl(root, F_DUPFD_CLOEXEC, 0);
    if (current < 0) {
        return ConvertErrorPOSIX(errno);
    }
    for (const std::string& part : parts) {
        if (!IsPlainName(part)) {
            ::close(current);
            return eFMPermissionErr;
        }
        const int next = OpenAt(current, part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
        const int error = errno;
        ::close(current);
        if (next < 0) {
            return RefusalOf(error);
        }
        // Another user's folder inside a shared root could be changed under us.
        struct stat info {};
        if (::fstat(next, &info) != 0 || info.st_uid != ::geteuid()) {
            ::close(next);
            return eFMPermissionErr;
        }
        current = next;
    }
    fd = current;
    return eNoErr;
}

KTErr OpenOwnRegularFileAt(int folder, const std::string& leaf, int& fd, std::int64_t& size) {
    fd = -1;
    if (!IsPlainName(leaf)) {
        return eFMPermissionErr;
    }
    const int result = OpenAt(folder, leaf.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
    if (result < 0) {
        return RefusalOf(errno);
    }
    // A second name could be a hard link someone else made to a file of ours elsewhere.
    struct stat info {};
    if (::fstat(result, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid() ||
        info.st_nlink != 1) {
        ::close(result);
        return eFMPermissionErr;
    }
    // Back to blocking reads for the regular file.
    const int flags = ::fcntl(result, F_GETFL);
    if (flags >= 0) {
        ::fcntl(result, F_SETFL, flags & ~O_NONBLOCK);
    }
    fd = result;
    size = static_cast<std::int64_t>(info.st_size);
    return eNoErr;
}

KTErr ReplaceFileAt(int folder, const std::string& leaf, const void* data, std::uint64_t size) {
    if (!IsPlainName(leaf)) {
        return eFMPermissionErr;
    }
    struct stat info {};
    if (::fstatat(folder, leaf.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
        !S_ISREG(info.st_mode) && !S_ISLNK(info.st_mode)) {
        return eFMIsNotAFile;
    }
    // O_EXCL never opens an existing name, a link included.
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
        temp = TemporaryName();
        fd = OpenAt(folder, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0600);
        if (fd < 0 && errno != EEXIST) {
            break;
        }
    }
    if (fd < 0) {
        return eFMCreateFailed;
    }
    bool ok = ::fchmod(fd, 0644) == 0 && WriteAll(fd, static_cast<const char*>(data), size);
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (!ok || ::renameat(folder, temp.c_str(), folder, leaf.c_str()) != 0) {
        ::unlinkat(folder, temp.c_str(), 0);
        return eFMWriteFailed;
    }
    // The rename itself reaches the disk with the folder's entries (best effort).
    ::fsync(folder);
    return eNoErr;
}

}  // namespace kvKorvaneV10_0_3::FM::platform
