// What the operating system says about the temporary folder text commands may use.
#pragma once

#include <string>

namespace kvKorvaneV10_0_3::Redis::platform {

// True for a folder of this user that no one else can write to, or for a shared one with the
// sticky bit (such as /tmp), where no one else can rename or remove what this user made.
// Below it, files are reached only through this user's folders. [any-thread]
bool IsSafeTemporaryFolder(const std::string& path);

}  // namespace kvKorvaneV10_0_3::Redis::platform
