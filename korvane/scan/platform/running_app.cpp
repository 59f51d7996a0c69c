// The running program's name from the kernel's link to its executable.
#include "korvane/scan/platform/running_app.h"

#include <unistd.h>

#include <array>

namespace kvKorvaneV10_0_3::KSC::platform {

std::string RunningApplicationBaseName() {
    std::array<char, 4096> buffer{};
    const ssize_t got = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (got <= 0) {
        return "unknown";
    }
    std::string path(buffer.data(), static_cast<std::size_t>(got));
    // A replaced executable shows as "<path> (deleted)".
    constexpr std::string_view kDeleted = " (deleted)";
    if (path.size() > kDeleted.size() && path.ends_with(kDeleted)) {
        path.resize(path.size() - kDeleted.size());
    }
    std::string name = path.substr(path.find_last_of('/') + 1);
    if (const auto dot = name.find_last_of('.'); dot != std::string::npos && dot > 0) {
        name.resize(dot);
    }
    return name.empty() ? "unknown" : name;
}

}  // namespace kvKorvaneV10_0_3::KSC::platform
