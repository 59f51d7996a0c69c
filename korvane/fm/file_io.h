// The flat layer on open files and on files and folders as wholes: creating, opening, reading,
// writing, cursors, sizes, copying, moving, deleting and folder creation. Every function
// returns 0 or a KTErr code; null arguments give eMemNullPointer. [any-thread] on distinct
// handles.
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"
#include "korvane/core/mem_obj.h"
#include "korvane/fm/fm_types.h"

#include <cstdint>
#include <functional>

namespace kvKorvaneV10_0_3::FM {

// The invalid handle (all ones) and the test for it; null is invalid too.
KORVANE_API KTOpenFileType* GetInvalidOpenFileRef();
KORVANE_API bool IsValidOpenFileRef(const KTOpenFileType* file);

// Creates the parent folder, then creates or opens as `flags` says. `mode` holds the POSIX
// permission bits of a newly created file (0 means 0666); the umask applies.
[[nodiscard]] KORVANE_API KTErr CreateAFile(const KTPathType* path, KECreateFlags flags,
                                            KEPermitions perm, KTOpenFileType*& out,
                                            unsigned short mode = 0);
// Opens an existing file: eFMFileNotFound when missing, eFMIsAFolder for a folder.
[[nodiscard]] KORVANE_API KTErr OpenFile(const KTPathType* path, KEPermitions perm,
                                         KTOpenFileType*& out);
// Closes and sets the handle to the invalid value; closing the invalid handle is a no-op.
[[nodiscard]] KORVANE_API KTErr CloseFile(KTOpenFileType*& file);

// Reads up to count bytes at the cursor. Fewer at the end of the file is success; nothing at
// all (count > 0) gives eFMEndOfFile. A handle without read access gives eFMPermissionErr.
[[nodiscard]] KORVANE_API KTErr ReadFromFile(KTOpenFileType* file, void* buffer,
                                             std::uint64_t count, std::uint64_t& done);
// Writes all count bytes at the cursor (eFMDiskFull, eFMWriteFailed, eFMPermissionErr).
[[nodiscard]] KORVANE_API KTErr WriteToFile(KTOpenFileType* file, const void* buffer,
                                            std::uint64_t count, std::uint64_t& done);
[[nodiscard]] KORVANE_API KTErr GetFileCursor(KTOpenFileType* file, std::int64_t& position);
// eFMIllegalOpenFileRef for the invalid handle, eFMWrongParameters for a mode outside 0..2 or
// a position before the start.
[[nodiscard]] KORVANE_API KTErr SetFileCursor(KTOpenFileType* file, std::int64_t offset, int mode);
// Truncates or extends (with zero bytes); needs write access.
[[nodiscard]] KORVANE_API KTErr SetFileSize(KTOpenFileType* file, std::int64_t size);
[[nodiscard]] KORVANE_API KTErr GetFileSizeFromOpenFileRef(KTOpenFileType* file,
                                                           std::int64_t& size);
// eFMIsAFolder for a folder.
[[nodiscard]] KORVANE_API KTErr GetFileSizeFromPathRef(const KTPathType* path, std::int64_t& size);
// Seconds since 1970-01-01 UTC.
[[nodiscard]] KORVANE_API KTErr GetFileLastWriteTimeFromPathRef(const KTPathType* path,
                                                                std::int64_t& time);
// The whole file from its start, whatever the cursor; files of 4 GiB or more give
// eFMFileSizeTooBig. The cursor is not moved.
[[nodiscard]] KORVANE_API KTErr ReadTheWholeFile(KTOpenFileType* file, Utils::KCStMemObj& out);

// A new empty file with a unique name, opened read-write: in the temporary folder when
// `nextTo` is null, else in the folder of `nextTo`.
[[nodiscard]] KORVANE_API KTErr CreateTempFile(const KTPathType* nextTo, KTPathType*& outPath,
                                               KTOpenFileType*& outFile);
// Copies a file's bytes. eCreateNew fails on an existing destination; the other flags replace
// it. Copying a file onto itself gives eFMSamePath and changes nothing.
[[nodiscard]] KORVANE_API KTErr DuplicateFile(const KTPathType* src, const KTPathType* dst,
                                              KECreateFlags flags);
// Renames; never replaces an existing destination (eFMFileAllreadyExists); across filesystems
// eFMMoveFailed.
[[nodiscard]] KORVANE_API KTErr MoveFileSystemObject(const KTPathType* src, const KTPathType* dst);
// A file, link or empty folder (eFMFileNotEmpty otherwise).
[[nodiscard]] KORVANE_API KTErr DeleteFileSystemObject(const KTPathType* path);
// Everything below too; links are removed, never followed.
[[nodiscard]] KORVANE_API KTErr DeleteFileSystemObjectRecursively(const KTPathType* path);
// Creates the folder and its missing parents: 0 when it already is a folder, eFMIsNotAFolder
// when something else is in the way.
[[nodiscard]] KORVANE_API KTErr CreateFolder(const KTPathType* path);
// Type and creator codes have no meaning here: succeeds for an existing path.
[[nodiscard]] KORVANE_API KTErr SetFileTypeInfo(const KTPathType* path, std::uint32_t type,
                                                std::uint32_t creator);

// The whole file into `out` (eFMFileSizeTooBig from 4 GiB).
[[nodiscard]] KORVANE_API KTErr ReadFileToKCStMemObj(const KTPathType* path,
                                                     Utils::KCStMemObj& out);
// As ReadFileToKCStMemObj for a path expected to name a regular file (links followed), in one
// open, one fstat and the reads: for callers that would otherwise ask whether the file exists
// first. Anything else there (nothing, a folder, a FIFO) gives an error without blocking; the
// caller that must tell those apart asks then.
[[nodiscard]] KORVANE_API KTErr ReadRegularFileToKCStMemObj(const KTPathType* path,
                                                            Utils::KCStMemObj& out);
// Reads `relative` below `folder` only when the file it names, links resolved, lies inside the
// folder (links resolved too) and is a regular file of at most `maxSize` bytes. An absolute
// name, one with a NUL, or one leading out gives eFMPermissionErr, a larger file
// eFMFileSizeTooBig; `out` is untouched then.
[[nodiscard]] KORVANE_API KTErr ReadFileInsideFolder(const KTPathType* folder, const char* relative,
                                                     std::uint64_t maxSize, Utils::KCStMemObj& out);
// Reads `relative` below the folder `root`, entering it from the open root one folder at a time:
// a link anywhere below the root (even one swapped in while this runs), a folder or a file of
// another user, a file with a second name, a FIFO or a device gives eFMPermissionErr without
// blocking, as do "." and ".." parts; a file above `maxSize` eFMFileSizeTooBig. [any-thread]
[[nodiscard]] KORVANE_API KTErr ReadFileBeneathFolder(const char* root, const char* relative,
                                                      std::uint64_t maxSize,
                                                      Utils::KCStMemObj& out);
// Replaces `relative` below `root`, reached as ReadFileBeneathFolder reaches it, with a synced
// temporary file renamed over the name (mode 0644): a link there is replaced, never followed;
// a FIFO, device or folder there gives eFMIsNotAFile. Creates no folder. [any-thread]
[[nodiscard]] KORVANE_API KTErr ReplaceFileBeneathFolder(const char* root, const char* relative,
                                                         const void* data, std::uint64_t size);
// eNoErr when the folder `relative` names below `root` can be entered as the two above enter
// it ("" is the root itself). [any-thread]
[[nodiscard]] KORVANE_API KTErr CheckFolderBeneath(const char* root, const char* relative);
// Replaces the file's contents by the object's bytes, creating the file and its folder. The
// bytes go to a temporary file that then takes the name, so a failure never leaves half a file.
[[nodiscard]] KORVANE_API KTErr WriteFileFromKCStMemObj(const KTPathType* path,
                                                        const Utils::KCStMemObj& data);

// Told the bytes written so far before each piece of an atomic write and once more before the
// rename; returning false abandons the write as a failed write would (eFMWriteFailed).
using KTWriteProgress = std::function<bool(std::uint64_t written, std::uint64_t total)>;
// The atomic write behind WriteFileFromKCStMemObj: a temporary file in the same folder, written
// in pieces of kAtomicWritePiece bytes, flushed to disk, then renamed over `path`. On any
// failure the previous file is untouched and the temporary file removed.
inline constexpr std::uint64_t kAtomicWritePiece = 64 * 1024;
[[nodiscard]] KORVANE_API KTErr WriteFileAtomically(const KTPathType* path, const void* data,
                                                    std::uint64_t size,
                                                    const KTWriteProgress& progress = {});
// fsync of an open file.
[[nodiscard]] KORVANE_API KTErr FlushFileToDisk(KTOpenFileType* file);

}  // namespace kvKorvaneV10_0_3::FM
