// Number texts that read the same in every process locale: printf's "%.*f" and "%.*g" as the
// "C" locale writes them ('.' always the decimal point), through std::to_chars. Hosts may call
// setlocale, so every text written for a machine or shown to a person goes through these.
#pragma once

#include "korvane/core/export.h"

#include <cstddef>
#include <string>

namespace kvKorvaneV10_0_3 {

// Writes the text into out (size bytes with the terminator, cut like snprintf when it does not
// fit) and returns the length of the whole text. Same digits and rules as printf; a negative
// precision means 6. Never allocates. [any-thread]
KORVANE_API std::size_t KUFormatFixed(char* out, std::size_t size, double value, int precision);
KORVANE_API std::size_t KUFormatGeneral(char* out, std::size_t size, double value, int precision);

// The same texts as strings. [any-thread]
KORVANE_API std::string KUFormatFixed(double value, int precision);
KORVANE_API std::string KUFormatGeneral(double value, int precision);
// Decimal text of an integer. [any-thread]
KORVANE_API std::string KUFormatInteger(long long value);
KORVANE_API std::string KUFormatInteger(unsigned long long value);
// printf's "%0*X": upper-case hexadecimal digits, at least minDigits of them. [any-thread]
KORVANE_API std::string KUFormatHex(unsigned long long value, int minDigits);

// strtod's reading of the number at the start of text, '.' always the decimal point: white
// space, a sign, then a decimal or "0x" hexadecimal number, "inf", "infinity" or "nan" in any
// case. Out of range gives an infinity or a signed 0. *end (when given) is set after the
// number, or to text when there is none (0 is returned then). Never allocates. [any-thread]
KORVANE_API double KUParseLeadingDouble(const char* text, const char** end = nullptr);
// strtof's reading: the same, rounded once straight to a float. [any-thread]
KORVANE_API float KUParseLeadingFloat(const char* text, const char** end = nullptr);

}  // namespace kvKorvaneV10_0_3
