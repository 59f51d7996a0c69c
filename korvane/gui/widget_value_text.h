// The text a widget shows for a parameter state: the parameter's own formatting, or the state
// number when the parameter has none.
#pragma once

#include "korvane/algorithm/param_registration.h"

#include <string>

namespace kvKorvaneV10_0_3 {

// Empty without a parameter. [gui-thread]
KORVANE_API std::string WidgetValueText(const KCParamRegistrationData& registration, double state);

}  // namespace kvKorvaneV10_0_3
