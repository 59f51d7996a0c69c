// The standard GUI's idle pass: what the host's timer drives between input events.
#include "korvane/gui/standard_gui.h"

namespace kvKorvaneV10_0_3 {

int CStandardGUI_X::DoIdle(short level) {
    // The algorithm first: it reads the meters from the process and releases their displayed
    // values, which the controls then pick up.
    const int result = m_alg != nullptr ? m_alg->DoIdle(level) : 0;
    CheckTouchLongPress();
    for (const auto& control : m_controls) {
        if (!control->IsHidden()) {
            control->UpdateMeter();
        }
    }
    return result;
}

}  // namespace kvKorvaneV10_0_3
