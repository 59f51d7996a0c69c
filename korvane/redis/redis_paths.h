// Files named by text commands from the network: only absolute paths inside a few known folders
// are read or written, reads take regular files only and writes replace the file atomically.
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3::Redis {

// The largest file a text command reads.
inline constexpr std::uint64_t kMaxTextCommandFileSize = 64ULL * 1024 * 1024;

// The longest path a text command may name.
inline constexpr std::size_t kMaxTextCommandPathLength = 4096;

// The folders text commands may name by default: the user's application data folders of the
// library and the temporary folder, the latter only when no other user can write to it or,
// shared, when it has the sticky bit (no one else can rename or remove what we make there).
// Missing folders are left out. [any-thread]
KORVANE_API std::vector<std::string> DefaultTextCommandPathRoots();

// eFMPermissionErr unless `path` is absolute, at most kMaxTextCommandPathLength bytes, has no
// NUL and no "." or ".." part, is spelled as one of `roots` (as given or with its links
// resolved) followed by more parts, and its folder can be entered from that root without a
// link. On success `root` is that spelling of the root and `relative` the rest. [any-thread]
KORVANE_API KTErr ConfineTextCommandPath(const std::string& path,
                                         const std::vector<std::string>& roots, std::string& root,
                                         std::string& relative);
// The whole regular file at a confined path, reached from the root one folder at a time: a
// link anywhere below the root, a FIFO, a device or a file of another user gives
// eFMPermissionErr without blocking. [any-thread]
KORVANE_API KTErr ReadTextCommandFile(const std::string& path,
                                      const std::vector<std::string>& roots, std::string& out);
// Replaces the file at a confined path atomically (mode 0644), reached as the read reaches it;
// a link in its place is replaced, never followed. Something other than a regular file or a
// link there gives eFMIsNotAFile. [any-thread]
KORVANE_API KTErr WriteTextCommandFile(const std::string& path,
                                       const std::vector<std::string>& roots,
                                       const std::string& data);

}  // namespace kvKorvaneV10_0_3::Redis
