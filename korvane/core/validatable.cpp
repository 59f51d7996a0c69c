// Anchors KUValidatable's vtable in the library.
#include "korvane/core/validatable.h"

namespace kvKorvaneV10_0_3 {

KUValidatable::~KUValidatable() = default;

}  // namespace kvKorvaneV10_0_3
