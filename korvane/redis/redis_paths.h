// Files named by text commands from the network: only absolute paths inside a few known folders
// are read or written, reads take regular files only and writes replace the file atomically.
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3::Redis {

// The largest file a text command reads.
inline constexpr std::uint64_t kMaxTextCommandFileSize = 64ULL * 1024 * 1024;

// The folders text commands may name by default: the user's application data folders of the
// library, and the temporary folder only when no other user can write to it (a private
// TMPDIR, not a shared /tmp). Missing folders are left out. [any-thread]
KORVANE_API std::vector<std::string> DefaultTextCommandPathRoots();

// eFMPermissionErr unless `path` is absolute, has no NUL and no "." or ".." component, and its
// folder, links resolved, lies inside one of `roots` (links resolved too). On success `folder`
// is that resolved folder and `leaf` the last component.
KORVANE_API KTErr ConfineTextCommandPath(const std::string& path,
                                         const std::vector<std::string>& roots, std::string& folder,
                                         std::string& leaf);
// The whole regular file at a confined path. A FIFO, a device or a link leading out gives
// eFMPermissionErr without blocking.
KORVANE_API KTErr ReadTextCommandFile(const std::string& path,
                                      const std::vector<std::string>& roots, std::string& out);
// Replaces the file at a confined path atomically (mode 0644); a link in its place is replaced,
// never followed. Something other than a regular file or a link there gives eFMIsNotAFile.
KORVANE_API KTErr WriteTextCommandFile(const std::string& path,
                                       const std::vector<std::string>& roots,
                                       const std::string& data);

}  // namespace kvKorvaneV10_0_3::Redis
