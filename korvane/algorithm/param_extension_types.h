// The extension types every algorithm knows by name: the library installs its own when it
// loads, and a plug-in's map (PrepareParamExtensionFactoryMapSelf) can still replace any of them.
#pragma once

#include "korvane/algorithm/param_xml.h"
#include "korvane/core/export.h"

namespace kvKorvaneV10_0_3 {

// Makes `factory` answer "Type"=`type` of an "ExtensionClass" element in every algorithm built
// afterwards; an empty factory removes the type. Returns the factory it replaced (empty when
// none). [any-thread]
KORVANE_API ParamExtensionFactory RegisterParamExtensionType(const char* type,
                                                             ParamExtensionFactory factory);
// Adds every registered type to `map`. [any-thread]
KORVANE_API void AddRegisteredParamExtensionTypes(ParamExtensionFactoryMap& map);

}  // namespace kvKorvaneV10_0_3
