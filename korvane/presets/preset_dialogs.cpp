// The dialog hooks' storage.
#include "korvane/presets/preset_dialogs.h"

#include <mutex>

namespace kvKorvaneV10_0_3::Preset {

namespace {

std::mutex& DialogsMutex() {
    static std::mutex mutex;
    return mutex;
}

KSPresetDialogs& Dialogs() {
    static KSPresetDialogs dialogs;
    return dialogs;
}

}  // namespace

void SetPresetDialogs(const KSPresetDialogs& dialogs) {
    const std::lock_guard<std::mutex> lock(DialogsMutex());
    Dialogs() = dialogs;
}

KSPresetDialogs GetPresetDialogs() {
    const std::lock_guard<std::mutex> lock(DialogsMutex());
    return Dialogs();
}

}  // namespace kvKorvaneV10_0_3::Preset
