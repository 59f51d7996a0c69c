// What the portable view code and the window-system code share inside the library: the native
// view's factory and the timers of every live view, which the event loop serves.
#pragma once

#include "korvane/gui/pvm/plugin_view.h"

#include <memory>

namespace kvKorvaneV10_0_3::PluginViewManager::Native {

// A child window of options.parent; see CreatePluginView. [gui-thread]
KTErr CreateWindowView(const KCPluginViewCreateOptions& options,
                       std::unique_ptr<KCPluginView>& view);

// Every live view's timers. [gui-thread]
int RunDueTimersOfAllViews();
// Milliseconds until the first timer of any view is due; -1 without timers.
int TimerTimeoutMsOfAllViews();

}  // namespace kvKorvaneV10_0_3::PluginViewManager::Native
