// Built-in display functions: stack formatting only, so a display refresh never
// allocates.
#include "korvane/algorithm/display_functions.h"

#include "korvane/core/number_format.h"

#include <cmath>

namespace kvKorvaneV10_0_3 {
namespace {

// "%.*f" into a 32-byte scratch buffer, appended as far as `out` has room.
void AppendFixed(KCFixedStringBase& out, double value, int decimals, const char* suffix = nullptr) {
    char text[32];
    KUFormatFixed(text, sizeof text, value, decimals);
    out.append(text);
    out.append(suffix);
}

}  // namespace

void DisplayFloat0(double /*state*/, double realWorld, KCFixedStringBase& out) {
    AppendFixed(out, realWorld, 0);
}
void DisplayFloat1(double /*state*/, double realWorld, KCFixedStringBase& out) {
    AppendFixed(out, realWorld, 1);
}
void DisplayFloat2(double /*state*/, double realWorld, KCFixedStringBase& out) {
    AppendFixed(out, realWorld, 2);
}
void DisplayFloat3(double /*state*/, double realWorld, KCFixedStringBase& out) {
    AppendFixed(out, realWorld, 3);
}
void DisplayFloat4(double /*state*/, double realWorld, KCFixedStringBase& out) {
    AppendFixed(out, realWorld, 4);
}

void DisplayFloat0WithHz(double /*state*/, double realWorld, KCFixedStringBase& out) {
    AppendFixed(out, realWorld, 0, " Hz");
}

void DisplayFloat1WithHz(double /*state*/, double realWorld, KCFixedStringBase& out) {
    AppendFixed(out, realWorld, 1, " Hz");
}

void DisplayGainWithDB(double /*state*/, double realWorld, KCFixedStringBase& out) {
    AppendFixed(out, realWorld, 1, " dB");
}

void DisplayRatioFloat2(double /*state*/, double realWorld, KCFixedStringBase& out) {
    AppendFixed(out, realWorld, 2, ":1");
}

void DisplayVuHold(double /*state*/, double realWorld, KCFixedStringBase& out) {
    if (realWorld > -99.9) {
        AppendFixed(out, realWorld, 1);
    } else {
        out = "-Inf";
    }
}

void DisplayOnOff(double /*state*/, double realWorld, KCFixedStringBase& out) {
    out = realWorld <= 0.0 ? "Off" : "On";
}

void DisplayInOut(double /*state*/, double realWorld, KCFixedStringBase& out) {
    out = realWorld <= 0.0 ? "Out" : "In";
}

void DisplayInOutDefaultIn(double /*state*/, double realWorld, KCFixedStringBase& out) {
    out = std::trunc(realWorld) != 0.0 ? "Out" : "In";
}

void DisplayInOutDefaultOut(double /*state*/, double realWorld, KCFixedStringBase& out) {
    out = std::trunc(realWorld) != 0.0 ? "In" : "Out";
}

void DisplayPhaseDefaultPlus(double /*state*/, double realWorld, KCFixedStringBase& out) {
    out = std::trunc(realWorld) != 1.0 ? "+" : "-";
}

void DisplayNothing(double /*state*/, double /*realWorld*/, KCFixedStringBase& out) {
    out.clear();
}

void DisplayTheSame(double /*state*/, double /*realWorld*/, KCFixedStringBase& /*out*/) {}

void DisplayRealWorldString::operator()(double /*state*/, double realWorld,
                                        KCFixedStringBase& out) const {
    const double index = std::trunc(realWorld);
    if (m_strings == nullptr || !(index >= 0.0) ||
        index >= static_cast<double>(m_strings->size())) {
        out.clear();
        return;
    }
    out = (*m_strings)[static_cast<std::size_t>(index)];
}

}  // namespace kvKorvaneV10_0_3
