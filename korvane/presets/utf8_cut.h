// Text read from preset files into fixed-capacity strings, cut at a UTF-8 character boundary.
#pragma once

#include "korvane/core/fixed_string.h"

#include <string_view>

namespace kvKorvaneV10_0_3::Preset::detail {

// A cut inside a UTF-8 sequence would make text the XML parser refuses when written back.
inline void AssignCut(KCFixedStringBase& out, std::string_view text) {
    std::size_t length = text.size();
    if (length > out.capacity()) {
        length = out.capacity();
        while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0U) == 0x80U) {
            --length;
        }
    }
    out.assign(text.data(), static_cast<unsigned int>(length));
}

}  // namespace kvKorvaneV10_0_3::Preset::detail
