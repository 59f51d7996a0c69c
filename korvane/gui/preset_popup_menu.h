// The presets' menu model shown as a view-manager popup: the model's flat item list becomes a
// tree of menu records, and the presets' popup hook is served through ActivatePopup.
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"
#include "korvane/core/geometry.h"
#include "korvane/gui/pvm/menu.h"
#include "korvane/presets/preset_menu.h"

namespace kvKorvaneV10_0_3 {

// Builds a new menu (the caller disposes it) from `model`: commands keep their id as user
// data, titles become disabled items, sub-menu items open the items of the next level that
// follow them. Check marks stay as the model set them. [gui-thread]
[[nodiscard]] KORVANE_API KTErr BuildPresetPopupMenu(const Preset::KCPresetMenuModel& model,
                                                     PluginViewManager::KSMenu*& menu);

// Pops `model` up at `where`: the chosen command's id, 0 when dismissed. [gui-thread]
KORVANE_API int PopupPresetMenu(const Preset::KCPresetMenuModel& model,
                                PluginViewManager::KSPluginView* view, KCPoint2D<short> where);

// Makes the presets' popup hook show its menus through PopupPresetMenu; the other hooks stay.
// [gui-thread]
KORVANE_API void InstallPresetMenuPopup();

}  // namespace kvKorvaneV10_0_3
