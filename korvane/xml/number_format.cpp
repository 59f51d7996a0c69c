// Number texts over std::to_chars, which never looks at the locale.
#include "korvane/xml/number_format.h"

#include <charconv>

namespace kvKorvaneV10_0_3::XML {
namespace {

template <typename... Args>
std::string ToChars(Args... args) {
    // Fixed notation of 1e308 with a few hundred decimals still fits.
    char buffer[700];
    const auto result = std::to_chars(buffer, buffer + sizeof(buffer), args...);
    if (result.ec != std::errc()) {
        return {};
    }
    return {buffer, result.ptr};
}

}  // namespace

std::string FormatFixed(double value, int precision) {
    return ToChars(value, std::chars_format::fixed, precision < 0 ? 0 : precision);
}

std::string FormatGeneral(double value, int precision) {
    return ToChars(value, std::chars_format::general, precision < 0 ? 0 : precision);
}

std::string FormatInteger(long long value) {
    return ToChars(value);
}

std::string FormatInteger(unsigned long long value) {
    return ToChars(value);
}

}  // namespace kvKorvaneV10_0_3::XML
