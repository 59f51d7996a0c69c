// ArrowKeyStep: the step an arrow key asks for, shared by the controls that move by keys.
#pragma once

#include "korvane/gui/pvm/event_data.h"

namespace kvKorvaneV10_0_3 {

// +1 for Up and Right, -1 for Down and Left, and whether the key is on the vertical axis; false
// for any other key (`delta` and `vertical` then unchanged). [any-thread]
inline bool ArrowKeyStep(const PluginViewManager::KCEventData& event, double& delta,
                         bool& vertical) {
    switch (event.GetKeyCode()) {
        case PluginViewManager::eKeyUp:
        case PluginViewManager::eKeyDown:
            delta = event.GetKeyCode() == PluginViewManager::eKeyUp ? 1.0 : -1.0;
            vertical = true;
            return true;
        case PluginViewManager::eKeyRight:
        case PluginViewManager::eKeyLeft:
            delta = event.GetKeyCode() == PluginViewManager::eKeyRight ? 1.0 : -1.0;
            vertical = false;
            return true;
        default:
            return false;
    }
}

}  // namespace kvKorvaneV10_0_3
