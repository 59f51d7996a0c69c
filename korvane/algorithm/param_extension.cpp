// Anchors the vtables of the parameter attachment bases in the library.
#include "korvane/algorithm/param_extension.h"

namespace kvKorvaneV10_0_3 {

KCParamExtension::Data::~Data() = default;

KCParamExtension::~KCParamExtension() = default;

KCParamController::~KCParamController() = default;

}  // namespace kvKorvaneV10_0_3
