// What the GUI above the view manager implements to receive input: the dispatcher of each view
// calls these with the event record it keeps up to date.
#pragma once

#include "korvane/gui/pvm/event_data.h"

namespace kvKorvaneV10_0_3::PluginViewManager {

// [gui-thread]
class KCViewEventReceiver {
public:
    KCViewEventReceiver() = default;
    KCViewEventReceiver(const KCViewEventReceiver&) = default;
    KCViewEventReceiver& operator=(const KCViewEventReceiver&) = default;
    virtual ~KCViewEventReceiver() = default;

    // A button went down; the event names the button and carries the click count.
    virtual void DoMouseDown(KCEventData& event) = 0;
    // The pointer moved, with or without a button held.
    virtual void DoMouseMove(KCEventData& event) = 0;
    // The pressed button went up, or the press ended because the view lost the focus.
    virtual void DoMouseUp(KCEventData& event) = 0;
    // The wheel turned: GetMouseWheelDelta() notches, positive away from the user.
    virtual void DoMouseWheel(KCEventData& event) = 0;
    // A key went down; set `handled` when the GUI used it, so the host can have the others.
    virtual void DoKey(KCEventData& event, bool& handled) = 0;
    // The view took a new size, following its parent's: `bounds` is its place in the parent.
    // The GUI keeps its own size and stays at the view's top-left unless it reacts here.
    virtual void DoResizeViewPluginRect(const KURect<int>& /*bounds*/) {}
};

}  // namespace kvKorvaneV10_0_3::PluginViewManager
