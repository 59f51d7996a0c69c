// Anchors the GUI control's vtable in the library.
#include "korvane/gui/gui_control.h"

namespace kvKorvaneV10_0_3 {

KCGUIControl::~KCGUIControl() = default;

}  // namespace kvKorvaneV10_0_3
