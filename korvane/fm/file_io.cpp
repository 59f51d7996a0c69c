// Open files over POSIX descriptors, and whole-file operations over Boost.Filesystem.
#include "korvane/fm/file_io.h"

#include "korvane/fm/path_ref.h"
#include "korvane/fm/path_ref_impl.h"
#include "korvane/fm/platform/beneath_files.h"
#include "korvane/fm/platform/os_file.h"

#include <boost/filesystem.hpp>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <new>
#include <string>
#include <string_view>
#include <vector>

namespace kvKorvaneV10_0_3::FM {

namespace bfs = boost::filesystem;

namespace {

// The invalid handle is the all-ones address: only compared, never dereferenced.
// NOLINTNEXTLINE(performance-no-int-to-ptr)
KTOpenFileType* const kInvalidFile = reinterpret_cast<KTOpenFileType*>(~std::uintptr_t{0});

[[nodiscard]] KTErr CheckPath(const KTPathType* path) {
    if (path == nullptr) {
        return eMemNullPointer;
    }
    return IsValid(path) ? eNoErr : eFMIllegalPathRef;
}

[[nodiscard]] KTErr CheckFile(const KTOpenFileType* file) {
    if (file == nullptr) {
        return eMemNullPointer;
    }
    return IsValidOpenFileRef(file) ? eNoErr : eFMIllegalOpenFileRef;
}

[[nodiscard]] KTErr ErrorOf(const boost::system::error_code& ec, KTErr fallback) {
    const KTErr err = ConvertErrorPOSIX(ec.value());
    return err == eGenericErr ? fallback : err;
}

// Wraps a descriptor into a handle; the descriptor is closed when that fails.
[[nodiscard]] KTErr MakeHandle(int fd, bool canRead, bool canWrite, KTOpenFileType*& out) {
    auto* file = new (std::nothrow) KTOpenFileType;
    if (file == nullptr) {
        platform::CloseFd(fd);
        return eMemNewFailed;
    }
    file->fd = fd;
    file->canRead = canRead;
    file->canWrite = canWrite;
    out = file;
    return eNoErr;
}

[[nodiscard]] KTErr Open(const KTPathType* path, KEPermitions perm, bool create, bool exclusive,
                         bool truncate, unsigned short mode, KTOpenFileType*& out) {
    platform::OpenRequest request;
    const bool canRead = perm == eReadPerm || perm == eReadWritePerm;
    const bool canWrite = perm == eWritePerm || perm == eReadWritePerm;
    // Truncating needs a writable descriptor even when the caller only reads.
    request.write = canWrite || truncate;
    request.read = canRead || (truncate && !canWrite);
    request.create = create;
    request.exclusive = exclusive;
    request.truncate = truncate;
    request.mode = mode == 0 ? 0666U : mode;
    int fd = -1;
    KTErr err = platform::OpenFd(path->path.c_str(), request, fd);
    if (err != eNoErr) {
        return err;
    }
    if (perm == eWritePerm) {
        std::int64_t end = 0;
        err = platform::SeekFd(fd, 0, eFromEnd, end);
        if (err != eNoErr) {
            platform::CloseFd(fd);
            return err;
        }
    }
    return MakeHandle(fd, canRead, canWrite, out);
}

}  // namespace

KTOpenFileType* GetInvalidOpenFileRef() {
    return kInvalidFile;
}

bool IsValidOpenFileRef(const KTOpenFileType* file) {
    return file != nullptr && file != kInvalidFile;
}

KTErr CreateAFile(const KTPathType* path, KECreateFlags flags, KEPermitions perm,
                  KTOpenFileType*& out, unsigned short mode) {
    out = kInvalidFile;
    KTErr err = CheckPath(path);
    if (err != eNoErr) {
        return err;
    }
    if (flags < eOpenOrCreate || flags > eCreateTruncate) {
        return eFMWrongParameters;
    }
    if (perm < eReadPerm || perm > eReadWritePerm) {
        return eFMPermissionErr;
    }
    try {
        KTPathType parent;
        parent.path = detail::ParentOf(path->path);
        err = CreateFolder(&parent);
    } catch (const std::exception&) {
        return eMemNewFailed;
    }
    if (err != eNoErr) {
        return err;
    }
    return Open(path, perm, true, flags == eCreateNew, flags == eCreateTruncate, mode, out);
}

KTErr OpenFile(const KTPathType* path, KEPermitions perm, KTOpenFileType*& out) {
    out = kInvalidFile;
    const KTErr err = CheckPath(path);
    if (err != eNoErr) {
        return err;
    }
    if (perm < eReadPerm || perm > eReadWritePerm) {
        return eFMPermissionErr;
    }
    return Open(path, perm, false, false, false, 0, out);
}

KTErr CloseFile(KTOpenFileType*& file) {
    if (file == nullptr) {
        return eMemNullPointer;
    }
    if (IsValidOpenFileRef(file)) {
        platform::CloseFd(file->fd);
        delete file;
    }
    file = kInvalidFile;
    return eNoErr;
}

KTErr ReadFromFile(KTOpenFileType* file, void* buffer, std::uint64_t count, std::uint64_t& done) {
    done = 0;
    KTErr err = CheckFile(file);
    if (err != eNoErr) {
        return err;
    }
    if (buffer == nullptr && count > 0) {
        return eMemNullPointer;
    }
    if (!file->canRead) {
        return eFMPermissionErr;
    }
    err = platform::ReadFd(file->fd, buffer, count, done);
    if (err == eNoErr && done == 0 && count > 0) {
        return eFMEndOfFile;
    }
    return err;
}

KTErr WriteToFile(KTOpenFileType* file, const void* buffer, std::uint64_t count,
                  std::uint64_t& done) {
    done = 0;
    const KTErr err = CheckFile(file);
    if (err != eNoErr) {
        return err;
    }
    if (buffer == nullptr && count > 0) {
        return eMemNullPointer;
    }
    if (!file->canWrite) {
        return eFMPermissionErr;
    }
    return platform::WriteFd(file->fd, buffer, count, done);
}

KTErr GetFileCursor(KTOpenFileType* file, std::int64_t& position) {
    position = 0;
    const KTErr err = CheckFile(file);
    return err != eNoErr ? err : platform::SeekFd(file->fd, 0, eFromCursor, position);
}

KTErr SetFileCursor(KTOpenFileType* file, std::int64_t offset, int mode) {
    const KTErr err = CheckFile(file);
    if (err != eNoErr) {
        return err;
    }
    if (mode < eFromStart || mode > eFromEnd) {
        return eFMWrongParameters;
    }
    std::int64_t position = 0;
    return platform::SeekFd(file->fd, offset, static_cast<KEPositionMode>(mode), position);
}

KTErr SetFileSize(KTOpenFileType* file, std::int64_t size) {
    const KTErr err = CheckFile(file);
    if (err != eNoErr) {
        return err;
    }
    if (size < 0) {
        return eFMWrongParameters;
    }
    if (!file->canWrite) {
        return eFMPermissionErr;
    }
    return platform::TruncateFd(file->fd, size);
}

KTErr GetFileSizeFromOpenFileRef(KTOpenFileType* file, std::int64_t& size) {
    size = 0;
    const KTErr err = CheckFile(file);
    return err != eNoErr ? err : platform::SizeOfFd(file->fd, size);
}

KTErr GetFileSizeFromPathRef(const KTPathType* path, std::int64_t& size) {
    size = 0;
    const KTErr err = CheckPath(path);
    if (err != eNoErr) {
        return err;
    }
    boost::system::error_code ec;
    const auto st = bfs::status(path->path, ec);
    if (ec) {
        return ErrorOf(ec, eFMFileNotFound);
    }
    if (st.type() == bfs::directory_file) {
        return eFMIsAFolder;
    }
    const auto bytes = bfs::file_size(path->path, ec);
    if (ec) {
        return ErrorOf(ec, eFMReadFailed);
    }
    size = static_cast<std::int64_t>(bytes);
    return eNoErr;
}

KTErr GetFileLastWriteTimeFromPathRef(const KTPathType* path, std::int64_t& time) {
    time = 0;
    const KTErr err = CheckPath(path);
    if (err != eNoErr) {
        return err;
    }
    boost::system::error_code ec;
    const std::time_t t = bfs::last_write_time(path->path, ec);
    if (ec) {
        return ErrorOf(ec, eFMReadFailed);
    }
    time = static_cast<std::int64_t>(t);
    return eNoErr;
}

KTErr ReadTheWholeFile(KTOpenFileType* file, Utils::KCStMemObj& out) {
    KTErr err = CheckFile(file);
    if (err != eNoErr) {
        return err;
    }
    if (!file->canRead) {
        return eFMPermissionErr;
    }
    std::int64_t size = 0;
    err = platform::SizeOfFd(file->fd, size);
    if (err != eNoErr) {
        return err;
    }
    if (size >= static_cast<std::int64_t>(UINT_MAX)) {
        return eFMFileSizeTooBig;
    }
    Utils::KCStMemObj bytes;
    err = bytes.ResizePtr(static_cast<unsigned int>(size));
    if (err != eNoErr) {
        return err;
    }
    std::uint64_t done = 0;
    err = platform::ReadFdAt(file->fd, bytes.ptr, static_cast<std::uint64_t>(size), 0, done);
    if (err != eNoErr) {
        return err;
    }
    // A file that shrank meanwhile yields what is there now.
    bytes.size = static_cast<unsigned int>(done);
    out = std::move(bytes);
    return eNoErr;
}

KTErr CreateTempFile(const KTPathType* nextTo, KTPathType*& outPath, KTOpenFileType*& outFile) {
    outPath = nullptr;
    outFile = kInvalidFile;
    try {
        std::string folder;
        if (nextTo != nullptr) {
            if (!IsValid(nextTo)) {
                return eFMIllegalPathRef;
            }
            folder = detail::ParentOf(nextTo->path);
        } else {
            boost::system::error_code ec;
            folder = bfs::temp_directory_path(ec).string();
            if (ec || folder.empty()) {
                folder = "/tmp";
            }
        }
        std::string made;
        int fd = -1;
        KTErr err = platform::CreateTempFileIn(folder, ".korvane-", made, fd);
        if (err != eNoErr) {
            return err;
        }
        err = detail::NewPathRef(made, outPath);
        if (err != eNoErr) {
            platform::CloseFd(fd);
            boost::system::error_code ec;
            bfs::remove(made, ec);
            return err;
        }
        err = MakeHandle(fd, true, true, outFile);
        if (err != eNoErr) {
            // MakeHandle closed the descriptor; the file must not stay behind either.
            boost::system::error_code ec;
            bfs::remove(made, ec);
            // Cleanup after the error being returned.
            (void)DisposePathRef(outPath);
            outFile = kInvalidFile;
        }
        return err;
    } catch (const std::exception&) {
        return eMemNewFailed;
    }
}

KTErr DuplicateFile(const KTPathType* src, const KTPathType* dst, KECreateFlags flags) {
    KTErr err = CheckPath(src);
    if (err == eNoErr) {
        err = CheckPath(dst);
    }
    if (err != eNoErr) {
        return err;
    }
    if (flags < eOpenOrCreate || flags > eCreateTruncate) {
        return eFMWrongParameters;
    }
    if (!DoesFileExist(src)) {
        return eFMFileNotFound;
    }
    if (IsFolder(src)) {
        return eFMIsAFolder;
    }
    if (IsSamePath(src, dst) || IsSameFile(src, dst)) {
        return eFMSamePath;
    }
    if (IsFolder(dst)) {
        return eFMIsAFolder;
    }
    boost::system::error_code ec;
    const auto options =
        flags == eCreateNew ? bfs::copy_options::none : bfs::copy_options::overwrite_existing;
    bfs::copy_file(src->path, dst->path, options, ec);
    return ec ? ErrorOf(ec, eFMCreateFailed) : eNoErr;
}

KTErr MoveFileSystemObject(const KTPathType* src, const KTPathType* dst) {
    KTErr err = CheckPath(src);
    if (err == eNoErr) {
        err = CheckPath(dst);
    }
    if (err != eNoErr) {
        return err;
    }
    if (!DoesFileExist(src)) {
        return eFMFileNotFound;
    }
    if (IsSamePath(src, dst)) {
        return eFMSamePath;
    }
    if (DoesFileExist(dst)) {
        return eFMFileAllreadyExists;
    }
    boost::system::error_code ec;
    bfs::rename(src->path, dst->path, ec);
    return ec ? ErrorOf(ec, eFMMoveFailed) : eNoErr;
}

KTErr DeleteFileSystemObject(const KTPathType* path) {
    const KTErr err = CheckPath(path);
    if (err != eNoErr) {
        return err;
    }
    if (!DoesFileExist(path)) {
        return eFMFileNotFound;
    }
    boost::system::error_code ec;
    bfs::remove(path->path, ec);
    return ec ? ErrorOf(ec, eFMDeleteFailed) : eNoErr;
}

KTErr DeleteFileSystemObjectRecursively(const KTPathType* path) {
    const KTErr err = CheckPath(path);
    if (err != eNoErr) {
        return err;
    }
    if (path->path == "/") {
        return eFMWrongParameters;
    }
    if (!DoesFileExist(path)) {
        return eFMFileNotFound;
    }
    boost::system::error_code ec;
    bfs::remove_all(path->path, ec);
    return ec ? ErrorOf(ec, eFMDeleteFailed) : eNoErr;
}

KTErr CreateFolder(const KTPathType* path) {
    if (path == nullptr) {
        return eMemNullPointer;
    }
    if (!IsValid(path)) {
        return eFMFileNotFound;
    }
    if (DoesFileExist(path)) {
        return IsFolder(path) ? eNoErr : eFMIsNotAFolder;
    }
    try {
        KTPathType parent;
        parent.path = detail::ParentOf(path->path);
        if (parent.path != path->path) {
            const KTErr err = CreateFolder(&parent);
            if (err != eNoErr) {
                return err;
            }
        }
    } catch (const std::exception&) {
        return eMemNewFailed;
    }
    boost::system::error_code ec;
    bfs::create_directory(path->path, ec);
    if (ec) {
        // Someone else may have made it meanwhile.
        return IsFolder(path) ? eNoErr : ErrorOf(ec, eFMCreateFailed);
    }
    return eNoErr;
}

KTErr SetFileTypeInfo(const KTPathType* path, std::uint32_t /*type*/, std::uint32_t /*creator*/) {
    const KTErr err = CheckPath(path);
    if (err != eNoErr) {
        return err;
    }
    return DoesFileExist(path) ? eNoErr : eFMFileNotFound;
}

KTErr ReadFileToKCStMemObj(const KTPathType* path, Utils::KCStMemObj& out) {
    KTOpenFileType* file = kInvalidFile;
    KTErr err = OpenFile(path, eReadPerm, file);
    if (err != eNoErr) {
        return err;
    }
    err = ReadTheWholeFile(file, out);
    // Closing a file that was only read loses nothing.
    (void)CloseFile(file);
    return err;
}

KTErr ReadRegularFileToKCStMemObj(const KTPathType* path, Utils::KCStMemObj& out) {
    if (const KTErr err = CheckPath(path); err != eNoErr) {
        return err;
    }
    int fd = -1;
    std::int64_t size = 0;
    if (const KTErr err = platform::OpenExistingRegularFile(path->path.c_str(), fd, size);
        err != eNoErr) {
        return err;
    }
    KTErr err = size >= static_cast<std::int64_t>(UINT_MAX) ? eFMFileSizeTooBig : eNoErr;
    Utils::KCStMemObj bytes;
    if (err == eNoErr) {
        err = bytes.ResizePtr(static_cast<unsigned int>(size));
    }
    std::uint64_t done = 0;
    if (err == eNoErr) {
        err = platform::ReadFdAt(fd, bytes.ptr, static_cast<std::uint64_t>(size), 0, done);
    }
    platform::CloseFd(fd);
    if (err != eNoErr) {
        return err;
    }
    // A file that shrank meanwhile yields what is there now.
    bytes.size = static_cast<unsigned int>(done);
    out = std::move(bytes);
    return eNoErr;
}

namespace {

// Reads the whole file behind `fd`, expected to hold `expected` bytes, but never more than
// `maxSize`: memory grows only with bytes actually read, so a file that grows meanwhile is
// refused with eFMFileSizeTooBig once it passes the cap instead of being allocated for.
[[nodiscard]] KTErr ReadAtMost(int fd, std::uint64_t expected, std::uint64_t maxSize,
                               Utils::KCStMemObj& out) {
    const std::uint64_t cap = std::min<std::uint64_t>(maxSize, UINT_MAX - 1U);
    // One byte past what is expected shows whether the file grew.
    std::uint64_t want = std::min(expected, cap) + 1;
    std::uint64_t have = 0;
    for (;;) {
        if (const KTErr err = out.ResizePtr(static_cast<unsigned int>(want)); err != eNoErr) {
            return err;
        }
        std::uint64_t done = 0;
        const KTErr err = platform::ReadFdAt(fd, static_cast<char*>(out.ptr) + have, want - have,
                                             static_cast<std::int64_t>(have), done);
        if (err != eNoErr) {
            return err;
        }
        have += done;
        if (have < want) {
            break;  // the end of the file
        }
        if (have > cap) {
            return eFMFileSizeTooBig;  // grew past the cap meanwhile
        }
        want = std::min(cap + 1, want * 2);
    }
    out.size = static_cast<unsigned int>(have);
    return eNoErr;
}

}  // namespace

KTErr ReadFileInsideFolder(const KTPathType* folder, const char* relative, std::uint64_t maxSize,
                           Utils::KCStMemObj& out) {
    const KTErr err = CheckPath(folder);
    if (err != eNoErr) {
        return err;
    }
    if (relative == nullptr) {
        return eMemNullPointer;
    }
    try {
        const std::string name(relative);
        if (name.empty() || name.front() == '/') {
            return eFMPermissionErr;
        }
        boost::system::error_code ec;
        const bfs::path root = bfs::canonical(folder->path, ec);
        if (ec) {
            return ErrorOf(ec, eFMFileNotFound);
        }
        const bfs::path real = bfs::canonical(root / name, ec);
        if (ec) {
            return ErrorOf(ec, eFMFileNotFound);
        }
        // Compared by whole components, after every link was followed.
        auto r = root.begin();
        auto f = real.begin();
        for (; r != root.end(); ++r, ++f) {
            if (f == real.end() || *r != *f) {
                return eFMPermissionErr;
            }
        }
        if (f == real.end()) {
            return eFMPermissionErr;  // the folder itself
        }
        int fd = -1;
        std::int64_t size = 0;
        KTErr openErr = platform::OpenRegularFileForReading(real.string().c_str(), fd, size);
        if (openErr != eNoErr) {
            return openErr;
        }
        if (static_cast<std::uint64_t>(size) > maxSize) {
            platform::CloseFd(fd);
            return eFMFileSizeTooBig;
        }
        Utils::KCStMemObj bytes;
        openErr = ReadAtMost(fd, static_cast<std::uint64_t>(size), maxSize, bytes);
        platform::CloseFd(fd);
        if (openErr != eNoErr) {
            return openErr;
        }
        out = std::move(bytes);
        return eNoErr;
    } catch (const std::bad_alloc&) {
        return eMemNewFailed;
    } catch (const std::exception&) {
        return eFMPermissionErr;
    }
}

namespace {

// The parts of a relative name; false for an absolute or empty name, or one with a "." or ".."
// part. Repeated separators count as one.
[[nodiscard]] bool SplitRelative(const char* relative, std::vector<std::string>& parts) {
    if (relative == nullptr || relative[0] == '/') {
        return false;
    }
    std::string_view rest(relative);
    while (!rest.empty()) {
        const std::size_t slash = rest.find('/');
        const std::string_view part = rest.substr(0, slash);
        if (part == "." || part == "..") {
            return false;
        }
        if (!part.empty()) {
            parts.emplace_back(part);
        }
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
    }
    return true;
}

// An open descriptor, closed when it goes.
class FdGuard {
public:
    FdGuard() = default;
    FdGuard(const FdGuard&) = delete;
    FdGuard& operator=(const FdGuard&) = delete;
    ~FdGuard() {
        if (fd >= 0) {
            platform::CloseFd(fd);
        }
    }
    int fd = -1;
};

// The folder holding `relative`'s last part, opened by the walk, and that part.
[[nodiscard]] KTErr OpenParentBeneath(const char* root, const char* relative, FdGuard& folder,
                                      std::string& leaf) {
    if (root == nullptr || relative == nullptr) {
        return eMemNullPointer;
    }
    // A name ending in a separator names a folder, never a file.
    const std::string_view name(relative);
    std::vector<std::string> parts;
    if (!SplitRelative(relative, parts) || parts.empty() || name.back() == '/') {
        return eFMPermissionErr;
    }
    leaf = std::move(parts.back());
    parts.pop_back();
    FdGuard top;
    if (const KTErr err = platform::OpenWalkRoot(root, top.fd); err != eNoErr) {
        return err;
    }
    return platform::OpenFolderBeneath(top.fd, parts, folder.fd);
}

}  // namespace

KTErr ReadFileBeneathFolder(const char* root, const char* relative, std::uint64_t maxSize,
                            Utils::KCStMemObj& out) {
    try {
        FdGuard folder;
        std::string leaf;
        if (const KTErr err = OpenParentBeneath(root, relative, folder, leaf); err != eNoErr) {
            return err;
        }
        FdGuard file;
        std::int64_t size = 0;
        if (const KTErr err = platform::OpenOwnRegularFileAt(folder.fd, leaf, file.fd, size);
            err != eNoErr) {
            return err;
        }
        if (static_cast<std::uint64_t>(size) > maxSize) {
            return eFMFileSizeTooBig;
        }
        Utils::KCStMemObj bytes;
        if (const KTErr err = ReadAtMost(file.fd, static_cast<std::uint64_t>(size), maxSize, bytes);
            err != eNoErr) {
            return err;
        }
        out = std::move(bytes);
        return eNoErr;
    } catch (const std::bad_alloc&) {
        return eMemNewFailed;
    }
}

KTErr ReplaceFileBeneathFolder(const char* root, const char* relative, const void* data,
                               std::uint64_t size) {
    if (data == nullptr && size > 0) {
        return eMemNullPointer;
    }
    try {
        FdGuard folder;
        std::string leaf;
        if (const KTErr err = OpenParentBeneath(root, relative, folder, leaf); err != eNoErr) {
            return err;
        }
        return platform::ReplaceFileAt(folder.fd, leaf, data, size);
    } catch (const std::bad_alloc&) {
        return eMemNewFailed;
    }
}

KTErr CheckFolderBeneath(const char* root, const char* relative) {
    if (root == nullptr || relative == nullptr) {
        return eMemNullPointer;
    }
    try {
        std::vector<std::string> parts;
        if (!SplitRelative(relative, parts)) {
            return eFMPermissionErr;
        }
        FdGuard top;
        if (const KTErr err = platform::OpenWalkRoot(root, top.fd); err != eNoErr) {
            return err;
        }
        FdGuard folder;
        return platform::OpenFolderBeneath(top.fd, parts, folder.fd);
    } catch (const std::bad_alloc&) {
        return eMemNewFailed;
    }
}

KTErr WriteFileFromKCStMemObj(const KTPathType* path, const Utils::KCStMemObj& data) {
    return WriteFileAtomically(path, data.ptr, data.Empty() ? 0 : data.size);
}

KTErr FlushFileToDisk(KTOpenFileType* file) {
    if (!IsValidOpenFileRef(file)) {
        return eFMIllegalOpenFileRef;
    }
    return platform::SyncFd(file->fd);
}

namespace {

// The pieces of an atomic write into an open temporary file, then the flush.
[[nodiscard]] KTErr WritePieces(KTOpenFileType* file, const void* data, std::uint64_t size,
                                const KTWriteProgress& progress) {
    const auto* bytes = static_cast<const char*>(data);
    std::uint64_t written = 0;
    while (written < size) {
        if (progress && !progress(written, size)) {
            return eFMWriteFailed;
        }
        const std::uint64_t step = std::min(size - written, kAtomicWritePiece);
        std::uint64_t done = 0;
        const KTErr err = WriteToFile(file, bytes + written, step, done);
        if (err != eNoErr) {
            return err;
        }
        written += done;
    }
    if (progress && !progress(written, size)) {
        return eFMWriteFailed;
    }
    return FlushFileToDisk(file);
}

// The file a write to `path` lands in: a link is followed (also a dangling one, which names
// the file to create), so that the rename replaces the target and the link stays a link.
[[nodiscard]] KTErr WriteTarget(const std::string& path, KTPathType& out) {
    constexpr int kMaxLinks = 40;
    std::string real = path;
    for (int hops = 0; hops < kMaxLinks; ++hops) {
        boost::system::error_code ec;
        if (!bfs::is_symlink(bfs::symlink_status(real, ec))) {
            KTPathType* ref = nullptr;
            const KTErr err = detail::NewPathRef(real, ref);
            if (err == eNoErr) {
                out.path = ref->path;
                (void)DisposePathRef(ref);
            }
            return err;
        }
        const bfs::path target = bfs::read_symlink(real, ec);
        if (ec) {
            return ErrorOf(ec, eFMWriteFailed);
        }
        real = target.is_absolute() ? target.string()
                                    : (bfs::path(detail::ParentOf(real)) / target).string();
    }
    return eFMTooManySymlinks;
}

// Owns the temporary file of an atomic write until it is renamed into place.
class TempFileGuard {
public:
    TempFileGuard() = default;
    TempFileGuard(const TempFileGuard&) = delete;
    TempFileGuard& operator=(const TempFileGuard&) = delete;
    ~TempFileGuard() {
        // Nothing to report from a destructor.
        (void)CloseFile(file);
        if (path != nullptr) {
            if (!kept) {
                boost::system::error_code ec;
                bfs::remove(path->path, ec);
            }
            (void)DisposePathRef(path);
        }
    }

    KTPathType* path = nullptr;
    KTOpenFileType* file = kInvalidFile;
    bool kept = false;
};

[[nodiscard]] KTErr WriteAtomically(const KTPathType& target, const void* data, std::uint64_t size,
                                    const KTWriteProgress& progress) {
    KTPathType parent;
    parent.path = detail::ParentOf(target.path);
    KTErr err = CreateFolder(&parent);
    if (err != eNoErr) {
        return err;
    }
    boost::system::error_code ec;
    const auto old = bfs::status(target.path, ec);
    const bool replacing = !ec && old.type() == bfs::regular_file;
    // The rename needs only the folder's permission: a read-only file must refuse itself.
    if (replacing && !platform::IsWritablePath(target.path.c_str())) {
        return eFMPermissionErr;
    }
    TempFileGuard temp;
    err = CreateTempFile(&target, temp.path, temp.file);
    if (err != eNoErr) {
        return err;
    }
    err = WritePieces(temp.file, data, size, progress);
    if (err != eNoErr) {
        return err;
    }
    err = CloseFile(temp.file);
    temp.file = kInvalidFile;
    if (err != eNoErr) {
        return err;
    }
    // The temporary file is private (0600): it takes the replaced file's permissions, or
    // those a new file gets under the umask.
    const auto perms =
        replacing ? old.permissions() : static_cast<bfs::perms>(0666U & ~platform::CurrentUmask());
    bfs::permissions(temp.path->path, perms, ec);
    bfs::rename(temp.path->path, target.path, ec);
    if (ec) {
        return ErrorOf(ec, eFMWriteFailed);
    }
    temp.kept = true;
    platform::SyncFolder(parent.path.c_str());
    return eNoErr;
}

}  // namespace

KTErr WriteFileAtomically(const KTPathType* path, const void* data, std::uint64_t size,
                          const KTWriteProgress& progress) {
    KTErr err = CheckPath(path);
    if (err != eNoErr) {
        return err;
    }
    if (data == nullptr && size != 0) {
        return eMemNullPointer;
    }
    if (IsFolder(path)) {
        return eFMIsAFolder;
    }
    try {
        KTPathType target;
        err = WriteTarget(path->path, target);
        if (err != eNoErr) {
            return err;
        }
        return WriteAtomically(target, data, size, progress);
    } catch (const std::bad_alloc&) {
        return eMemNewFailed;
    } catch (...) {
        // Also whatever the progress hook throws: the temporary file is gone by now.
        return eFMWriteFailed;
    }
}

}  // namespace kvKorvaneV10_0_3::FM
