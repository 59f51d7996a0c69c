// The library's own number parsers: decimal text to integers and doubles, whatever the
// process locale says about the decimal separator.
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"

namespace kvKorvaneV10_0_3 {

// Skips tabs and spaces, reads an optional sign and decimal digits. Returns eNoErr,
// eNotANumber (no digit), eNotJustANumber (characters follow the digits) or eOutOfRangeNumber
// (the value does not fit T; value then holds the 64-bit result converted to T, saturated
// to the 64-bit range first). The value is stored in every case. [any-thread]
[[nodiscard]] KORVANE_API KTErr KUAtoi(const char* text, long long& value);
[[nodiscard]] KORVANE_API KTErr KUAtoi(const char* text, int& value);
[[nodiscard]] KORVANE_API KTErr KUAtoi(const char* text, short& value);
[[nodiscard]] KORVANE_API KTErr KUAtoi(const char* text, signed char& value);
// The unsigned 64-bit form, for values above the signed range; a '-' gives eOutOfRangeNumber.
[[nodiscard]] KORVANE_API KTErr KUAtoi(const char* text, unsigned long long& value);

// Decimal text with optional fraction and exponent to a double, '.' always the separator;
// text without digits (or null) gives 0. Accurate to a few units in the last place (see the
// documentation of the xml subsystem). [any-thread]
KORVANE_API double KUAtof(const char* text);

}  // namespace kvKorvaneV10_0_3
