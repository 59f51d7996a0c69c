// Anchors the control classes' vtables in the library.
#include "korvane/gui/base_control.h"

#include "korvane/gui/gui_control.h"

namespace kvKorvaneV10_0_3 {

KCBaseControl::~KCBaseControl() = default;

KCGUIControl::~KCGUIControl() = default;

}  // namespace kvKorvaneV10_0_3
