// The factory slot of the presets manager interface.
#include "korvane/algorithm/presets_manager_abs.h"

#include <atomic>

namespace kvKorvaneV10_0_3 {

namespace {
// Constant-initialised, so the presets layer's static registration may run in any order.
std::atomic<KCPresetsManagerAbs::Factory> g_factory{nullptr};
}  // namespace

KCPresetsManagerAbs::~KCPresetsManagerAbs() = default;

KCPresetsManagerAbs::Factory KCPresetsManagerAbs::SetFactory(Factory factory) {
    return g_factory.exchange(factory);
}

KCPresetsManagerAbs::Factory KCPresetsManagerAbs::GetFactory() {
    return g_factory.load();
}

}  // namespace kvKorvaneV10_0_3
