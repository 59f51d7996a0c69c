// Choosing between a resource and its variant for a component sub-type.
#pragma once

#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"
#include "korvane/rm/res_key.h"
#include "korvane/rm/res_types.h"

namespace kvKorvaneV10_0_3::RM {

// The qualifier naming a sub-type's variant: its four characters. Empty for the zero code and
// for codes with characters a file name cannot hold (control characters, "/", "\", "?").
// [any-thread]
KORVANE_API KCFixedString<31> SubTypeQualifier(KCFourCC subType);
// `plain` qualified by the sub-type when the container holds that variant, else `plain`.
// [any-thread]
KORVANE_API KCResKey SelectResourceVariant(KTResContainerType* container, const KCResKey& plain,
                                           KCFourCC subType);

}  // namespace kvKorvaneV10_0_3::RM
