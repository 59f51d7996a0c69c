// The library's widgets under their standard type names in the GUI's control type table.
#pragma once

#include "korvane/core/export.h"

namespace kvKorvaneV10_0_3 {

// Registers "Slider", "RotationKnob", "Toggle", "Popup", "DigitDisplay", "VU" and "Graph". A type a
// plug-in registered before keeps its creator. Runs its work once; later calls do nothing.
// [gui-thread]
KORVANE_API void RegisterStandardWidgetTypes();

}  // namespace kvKorvaneV10_0_3
