// The file and name dialogs preset operations ask through: replaceable hooks that the GUI
// fills. Until it does, every dialog answers "cancelled".
#pragma once

#include "korvane/algorithm/public_alg.h"
#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"
#include "korvane/fm/path.h"

#include <functional>

namespace kvKorvaneV10_0_3::Preset {

struct KSPresetDialogs {
    // Save dialog: `path` holds the proposed folder or file and receives the choice; false when
    // the user cancels.
    std::function<bool(const CPublicAlg& alg, const char* title, const char* button,
                       FM::KCStPath& path)>
        saveFile;
    // Open dialog with a filter named "XPS files"; false when cancelled.
    std::function<bool(const CPublicAlg& alg, const char* button, FM::KCStPath& path)> openFile;
    // Asks for a preset name (pre-filled with `name`); false when cancelled.
    std::function<bool(const CPublicAlg& alg, KCFixedStringBase& name)> presetName;
};

// Replaces the hooks (empty ones mean "cancelled"). [gui-thread]
KORVANE_API void SetPresetDialogs(const KSPresetDialogs& dialogs);
// A copy of the hooks in use. [gui-thread]
KORVANE_API KSPresetDialogs GetPresetDialogs();

}  // namespace kvKorvaneV10_0_3::Preset
