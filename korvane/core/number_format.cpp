// Number texts over std::to_chars and std::from_chars, which never look at the locale.
#include "korvane/core/number_format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace kvKorvaneV10_0_3 {
namespace {

// Every decimal of a double after the 1074th is 0, and its exact decimal expansion has at most
// 767 significant digits: larger precisions only add zeros (%f) or change nothing (%g).
constexpr int kExactDecimals = 1074;
constexpr int kExactDigits = 800;
// A sign, 309 integer digits, the point and 1074 decimals.
constexpr std::size_t kScratch = 1400;

struct Text {
    char chars[kScratch];
    std::size_t length = 0;
    std::size_t zeros = 0;  // '0's that follow the characters
};

void Write(Text& text, double value, std::chars_format format, int precision) {
    const auto result = std::to_chars(text.chars, text.chars + kScratch, value, format, precision);
    // Cannot fail with this scratch size and the precision limits below.
    text.length = result.ec == std::errc() ? static_cast<std::size_t>(result.ptr - text.chars) : 0;
}

void Fixed(Text& text, double value, int precision) {
    if (precision < 0) {
        precision = 6;
    }
    Write(text, value, std::chars_format::fixed, std::min(precision, kExactDecimals));
    if (precision > kExactDecimals && std::isfinite(value)) {
        text.zeros = static_cast<std::size_t>(precision - kExactDecimals);
    }
}

void General(Text& text, double value, int precision) {
    if (precision < 0) {
        precision = 6;
    }
    Write(text, value, std::chars_format::general, std::clamp(precision, 1, kExactDigits));
}

std::size_t CopyOut(const Text& text, char* out, std::size_t size) {
    const std::size_t total = text.length + text.zeros;
    if (out != nullptr && size > 0) {
        const std::size_t chars = std::min(text.length, size - 1);
        std::memcpy(out, text.chars, chars);
        const std::size_t zeros = std::min(text.zeros, size - 1 - chars);
        std::memset(out + chars, '0', zeros);
        out[chars + zeros] = 0;
    }
    return total;
}

std::string ToString(const Text& text) {
    std::string out(text.chars, text.length);
    out.append(text.zeros, '0');
    return out;
}

bool IsDigit(char c, bool hex) {
    return (c >= '0' && c <= '9') || (hex && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')));
}

// Whether a number from_chars found out of range was too large (else too small): the sign of
// the power of its leading digit.
bool Overflows(const char* first, const char* last, bool hex) {
    long long power = 0;
    bool significant = false;
    const char* p = first;
    for (; p < last && IsDigit(*p, hex); ++p) {
        significant = significant || *p != '0';
        power += significant ? 1 : 0;
    }
    if (p < last && *p == '.') {
        for (++p; p < last && IsDigit(*p, hex); ++p) {
            if (!significant && *p == '0') {
                --power;
            }
            significant = significant || *p != '0';
        }
    }
    long long exponent = 0;
    if (p < last && (hex ? (*p == 'p' || *p == 'P') : (*p == 'e' || *p == 'E'))) {
        ++p;
        const bool negative = p < last && *p == '-';
        if (p < last && (*p == '-' || *p == '+')) {
            ++p;
        }
        for (; p < last && IsDigit(*p, false); ++p) {
            exponent = std::min(exponent * 10 + (*p - '0'), 1'000'000'000LL);
        }
        exponent = negative ? -exponent : exponent;
    }
    return (hex ? power * 4 : power) + exponent > 0;
}

// strtod / strtof over from_chars: one rounding, straight from the text to T.
template <typename T>
T ParseLeading(const char* text, const char** end) {
    if (end != nullptr) {
        *end = text;
    }
    if (text == nullptr) {
        return T(0);
    }
    const char* p = text;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) {
        ++p;
    }
    const bool negative = *p == '-';
    if (*p == '-' || *p == '+') {
        ++p;
    }
    if (*p == '-' || *p == '+') {
        return T(0);
    }
    const char* last = p + std::strlen(p);
    const bool hex = p[0] == '0' && (p[1] == 'x' || p[1] == 'X');
    T value = T(0);
    std::from_chars_result result{p, std::errc::invalid_argument};
    if (hex) {
        result = std::from_chars(p + 2, last, value, std::chars_format::hex);
    }
    // "0x" without hexadecimal digits reads as the 0 before the x, as strtod does.
    const bool readHex = hex && result.ec != std::errc::invalid_argument;
    if (!readHex) {
        result = std::from_chars(p, last, value, std::chars_format::general);
    }
    if (result.ec == std::errc::invalid_argument) {
        return T(0);
    }
    if (result.ec == std::errc::result_out_of_range) {
        value = Overflows(readHex ? p + 2 : p, result.ptr, readHex)
                    ? std::numeric_limits<T>::infinity()
                    : T(0);
    }
    if (end != nullptr) {
        *end = result.ptr;
    }
    return negative ? -value : value;
}

}  // namespace

std::size_t KUFormatFixed(char* out, std::size_t size, double value, int precision) {
    Text text;
    Fixed(text, value, precision);
    return CopyOut(text, out, size);
}

std::size_t KUFormatGeneral(char* out, std::size_t size, double value, int precision) {
    Text text;
    General(text, value, precision);
    return CopyOut(text, out, size);
}

std::string KUFormatFixed(double value, int precision) {
    Text text;
    Fixed(text, value, precision);
    return ToString(text);
}

std::string KUFormatGeneral(double value, int precision) {
    Text text;
    General(text, value, precision);
    return ToString(text);
}

std::string KUFormatInteger(long long value) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return {buffer, result.ptr};
}

std::string KUFormatInteger(unsigned long long value) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return {buffer, result.ptr};
}

std::string KUFormatHex(unsigned long long value, int minDigits) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, 16);
    std::string out(buffer, result.ptr);
    for (char& c : out) {
        c = c >= 'a' ? static_cast<char>(c - 'a' + 'A') : c;
    }
    if (minDigits > 0 && out.size() < static_cast<std::size_t>(minDigits)) {
        out.insert(0, static_cast<std::size_t>(minDigits) - out.size(), '0');
    }
    return out;
}

double KUParseLeadingDouble(const char* text, const char** end) {
    return ParseLeading<double>(text, end);
}

float KUParseLeadingFloat(const char* text, const char** end) {
    return ParseLeading<float>(text, end);
}

}  // namespace kvKorvaneV10_0_3
