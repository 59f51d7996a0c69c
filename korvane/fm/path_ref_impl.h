// The insides of the opaque handles, shared by the subsystem's own sources only.
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/fm/fm_types.h"

#include <string>
#include <string_view>

namespace kvKorvaneV10_0_3::FM {

struct KTPathType {
    std::string path;  // absolute, normalised, UTF-8, "/" separators
};

struct KTOpenFileType {
    int fd = -1;
    bool canRead = false;
    bool canWrite = false;
};

}  // namespace kvKorvaneV10_0_3::FM

namespace kvKorvaneV10_0_3::FM::detail {

// Validates UTF-8 and length, then resolves "." and "..", repeated and trailing "/".
// Relative input stays relative.
[[nodiscard]] KTErr NormalizeUtf8(const char* text, std::string& out);
// A new reference to an already absolute normalised path, or from any absolute UTF-8 text.
[[nodiscard]] KTErr NewPathRef(const std::string& text, KTPathType*& out);
// The leaf of a normalised path ("" for the root).
std::string LeafOf(const std::string& path);
// The parent of a normalised absolute path ("/" for the root and top-level items).
std::string ParentOf(const std::string& path);
// Whether every "/"-separated part is a name of its own: none empty, "." or "..", none over the
// component limit. Appended to a normalised folder such a spelling needs no normalising.
bool IsPlainRelative(std::string_view relative);
// A new reference taking over a path already absolute and normalised.
[[nodiscard]] KTErr AdoptNormalPath(std::string&& normal, KTPathType*& out);
// path + "/" + relative, normalised; relative must not be absolute.
[[nodiscard]] KTErr JoinPath(const std::string& base, const char* relative, std::string& out);

}  // namespace kvKorvaneV10_0_3::FM::detail
