// The library's widgets under their standard type names in the GUI's control type table.
#pragma once

#include "korvane/core/export.h"

namespace kvKorvaneV10_0_3 {

// Registers "Slider", "RotationKnob", "Toggle", "Popup", "DigitDisplay", "VU", "Graph",
// "TextEntry", "IncDec", "NoGUI", "ControlForAutomation", "FixedStateToggleWithOff",
// "RadioButton", "Bar", "BarMarker", "Arc" and "ArcMarker". A type a plug-in registered before
// keeps its creator. The library runs it when it loads; later calls do nothing. [gui-thread]
KORVANE_API void RegisterStandardWidgetTypes();

}  // namespace kvKorvaneV10_0_3
