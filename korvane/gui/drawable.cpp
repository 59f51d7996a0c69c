// Anchors the drawable's and the hover part's vtables in the library.
#include "korvane/gui/drawable.h"

#include "korvane/gui/mouse_hover.h"

namespace kvKorvaneV10_0_3 {

CDrawable::~CDrawable() = default;

void CDrawable::GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& /*writer*/) {}

KCMouseHover::~KCMouseHover() = default;

}  // namespace kvKorvaneV10_0_3
