// The built-in display functions that format a parameter's real-world value into its value
// string. Numeric ones append (at most 31 characters of text); word ones replace `out`.
#pragma once

#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"

#include <vector>

namespace kvKorvaneV10_0_3 {

KORVANE_API void DisplayFloat0(double state, double realWorld, KCFixedStringBase& out);
KORVANE_API void DisplayFloat1(double state, double realWorld, KCFixedStringBase& out);
KORVANE_API void DisplayFloat2(double state, double realWorld, KCFixedStringBase& out);
KORVANE_API void DisplayFloat3(double state, double realWorld, KCFixedStringBase& out);
KORVANE_API void DisplayFloat4(double state, double realWorld, KCFixedStringBase& out);
KORVANE_API void DisplayFloat0WithHz(double state, double realWorld, KCFixedStringBase& out);
KORVANE_API void DisplayFloat1WithHz(double state, double realWorld, KCFixedStringBase& out);
KORVANE_API void DisplayGainWithDB(double state, double realWorld, KCFixedStringBase& out);
KORVANE_API void DisplayRatioFloat2(double state, double realWorld, KCFixedStringBase& out);
// One decimal above -99.9, otherwise "-Inf".
KORVANE_API void DisplayVuHold(double state, double realWorld, KCFixedStringBase& out);
KORVANE_API void DisplayOnOff(double state, double realWorld, KCFixedStringBase& out);
KORVANE_API void DisplayInOut(double state, double realWorld, KCFixedStringBase& out);
KORVANE_API void DisplayInOutDefaultIn(double state, double realWorld, KCFixedStringBase& out);
KORVANE_API void DisplayInOutDefaultOut(double state, double realWorld, KCFixedStringBase& out);
KORVANE_API void DisplayPhaseDefaultPlus(double state, double realWorld, KCFixedStringBase& out);
KORVANE_API void DisplayNothing(double state, double realWorld, KCFixedStringBase& out);
KORVANE_API void DisplayTheSame(double state, double realWorld, KCFixedStringBase& out);

// Shows the string at index trunc(realWorld) of a parameter's display strings; an index out
// of the list clears `out`. Bound to the strings of one parameter: a parameter record that is
// copied rebinds its copy to the copy's own strings.
class KORVANE_API DisplayRealWorldString {
public:
    using Strings = std::vector<KCFixedString<127>>;

    explicit DisplayRealWorldString(const Strings* strings = nullptr) : m_strings(strings) {}
    void operator()(double state, double realWorld, KCFixedStringBase& out) const;

    [[nodiscard]] const Strings* BoundStrings() const { return m_strings; }
    void Bind(const Strings* strings) { m_strings = strings; }

private:
    const Strings* m_strings;
};

}  // namespace kvKorvaneV10_0_3
