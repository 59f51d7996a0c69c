// Locale-independent number texts for XML: the printf forms "%.*f" and "%.*g" without
// consulting the process locale.
#pragma once

#include "korvane/core/export.h"

#include <string>

namespace kvKorvaneV10_0_3::XML {

// "%.*f" of value, '.' always the separator. [any-thread]
KORVANE_API std::string FormatFixed(double value, int precision);
// "%.*g" of value, '.' always the separator. [any-thread]
KORVANE_API std::string FormatGeneral(double value, int precision);
// Decimal text of an integer. [any-thread]
KORVANE_API std::string FormatInteger(long long value);
KORVANE_API std::string FormatInteger(unsigned long long value);

}  // namespace kvKorvaneV10_0_3::XML
