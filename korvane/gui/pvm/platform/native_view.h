// What the portable view code and the window-system code share inside the library: the native
// view's factory and the timers of every live view, which the event loop serves.
#pragma once

#include "korvane/gui/pvm/dialogs.h"
#include "korvane/gui/pvm/menu.h"
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

// The self-drawn modal windows on the display; see menu.h and dialogs.h. The popup answers
// false when it could not be shown (no display, no view to show it over). [gui-thread]
bool PresentPopupMenu(const KSMenu& menu, KCPoint2D<short> where, KCPopupMenuItemData& chosen);
KTErr RunTextBox(const KCTextBoxOptions& options, std::string& text);
void QuitTextBox();
KEMessageBoxAnswer RunMessageBox(const KCMessageBoxCreateOptions& options);
KTErr RunTextDialog(KCGetUserTextCreateOpts& options);

}  // namespace kvKorvaneV10_0_3::PluginViewManager::Native
