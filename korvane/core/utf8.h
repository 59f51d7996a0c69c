// Whether bytes are well-formed UTF-8, for the readers of text from outside.
#pragma once

#include "korvane/core/export.h"

#include <string_view>

namespace kvKorvaneV10_0_3 {

// True for well-formed UTF-8: no stray or missing continuation bytes, no overlong forms, no
// surrogates, nothing past U+10FFFF. The empty text is valid. [any-thread]
[[nodiscard]] KORVANE_API bool KUIsValidUtf8(std::string_view text);

}  // namespace kvKorvaneV10_0_3
