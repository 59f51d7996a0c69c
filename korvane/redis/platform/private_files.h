// File-system details of the text commands' confined files that need the operating system.
#pragma once

#include "korvane/core/error_codes.h"

#include <string>

namespace kvKorvaneV10_0_3::Redis::platform {

// True for a folder only this user owns and can write to. A shared one (such as /tmp) lets
// another local user swap a checked folder for a link before a file is written. [any-thread]
bool IsPrivateFolder(const std::string& path);

// Writes `data` as folder/leaf through a new temporary file renamed over the name, so a link
// there is replaced, not followed; eFMIsNotAFile when the name is something other than a
// file or a link, eFMCreateFailed / eFMWriteFailed when the disk refuses. [any-thread]
KTErr ReplaceFileWithoutFollowing(const std::string& folder, const std::string& leaf,
                                  const std::string& data);

}  // namespace kvKorvaneV10_0_3::Redis::platform
