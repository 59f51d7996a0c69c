// Files reached from an open folder descriptor one component at a time, so a folder swapped for
// a link between a check and the use is never followed. Errors are KTErr codes. [any-thread]
#pragma once

#include "korvane/core/error_codes.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3::FM::platform {

// Opens the folder `path` (links followed: the caller trusts it) as a walk's starting point.
[[nodiscard]] KTErr OpenWalkRoot(const char* path, int& fd);
// Opens the folder `parts` name below the folder `root`, entering one folder at a time without
// following links and only into folders of this user; eFMPermissionErr for a link, anything
// but a folder, a folder of another user, or a part that is empty, ".", ".." or holds a '/'.
[[nodiscard]] KTErr OpenFolderBeneath(int root, const std::vector<std::string>& parts, int& fd);
// Opens `leaf` in the folder `folder` for reading without following a link and without
// blocking (a FIFO), keeping it only when it is a regular file of this user with no other name
// (eFMPermissionErr otherwise); `size` is its length.
[[nodiscard]] KTErr OpenOwnRegularFileAt(int folder, const std::string& leaf, int& fd,
                                         std::int64_t& size);
// Replaces `leaf` in the folder `folder` with `size` bytes (mode 0644) through a new temporary
// file in that folder, synced and renamed over the name, so a link there is replaced, never
// followed; eFMIsNotAFile when the name holds something other than a file or a link.
[[nodiscard]] KTErr ReplaceFileAt(int folder, const std::string& leaf, const void* data,
                                  std::uint64_t size);

}  // namespace kvKorvaneV10_0_3::FM::platform
