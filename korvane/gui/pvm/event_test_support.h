// Mouse events made by hand for tests that drive a GUI without a display.
#pragma once

#include "korvane/gui/pvm/event_data.h"

namespace kvKorvaneV10_0_3::PluginViewManager::testing {

// The event of a press, drag or release of the left button at `where` (also its press point).
inline KCEventData MouseEventAt(KCEventData::Point where, bool leftDown,
                                KEClickCount clicks = eSingleClick) {
    KCEventData event;
    event.SetMouseLocation(where);
    event.SetMouseDownLocation(where);
    event.SetMouseClickCount(clicks);
    event.SetMouseButtonPressed(eLeftButton, leftDown);
    return event;
}

}  // namespace kvKorvaneV10_0_3::PluginViewManager::testing
