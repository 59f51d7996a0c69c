// Reading preset text: strings cut to a fixed capacity at a character boundary, and numbers that
// read back exactly as they were written.
#pragma once

#include "korvane/core/fixed_string.h"
#include "korvane/xml/number_parse.h"

#include <charconv>
#include <cmath>
#include <string>
#include <string_view>

namespace kvKorvaneV10_0_3::Preset::detail {

// A cut inside a UTF-8 sequence would make text the XML parser refuses when written back.
inline void AssignCut(KCFixedStringBase& out, std::string_view text) {
    const std::size_t length = KUUtf8CutLength(text, out.capacity());
    out.assign(text.data(), static_cast<unsigned int>(length));
}

// Correctly rounded, so that "%.17g" / "%.20g" text (also "inf" and "nan") reads back to the
// very same value; what that parser refuses (a '+', a value out of range, text that is no
// number) goes to KUAtof, which reads text without digits as 0.
inline double ParseDouble(const std::string& token) {
    double value = 0.0;
    const auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), value);
    static_cast<void>(end);
    return ec == std::errc() ? value : KUAtof(token.c_str());
}

// The same for a float, parsed as one (a double in between could round twice).
inline float ParseFloat(const std::string& token) {
    float value = 0.0F;
    const auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), value);
    static_cast<void>(end);
    if (ec == std::errc()) {
        return value;
    }
    const double wide = KUAtof(token.c_str());
    constexpr double kMax = 3.4028234663852886e38;
    return wide > kMax ? HUGE_VALF : wide < -kMax ? -HUGE_VALF : static_cast<float>(wide);
}

}  // namespace kvKorvaneV10_0_3::Preset::detail
