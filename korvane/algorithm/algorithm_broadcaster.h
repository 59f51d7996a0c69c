// Tells listeners (the GUI, the host shell) about presets and setups of one algorithm.
#pragma once

#include "korvane/algorithm/param_base.h"
#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"

#include <cstdint>
#include <vector>

namespace kvKorvaneV10_0_3 {

namespace Preset {
class CPresetInfo;
}

// Override what you need; every operation does nothing by default. Called on the thread that
// caused the event, with the owning algorithm's lock held. [any-thread & lock held]
class KORVANE_API KCAlgorithmListener {
public:
    KCAlgorithmListener() = default;
    KCAlgorithmListener(const KCAlgorithmListener&) = default;
    KCAlgorithmListener& operator=(const KCAlgorithmListener&) = default;
    virtual ~KCAlgorithmListener();
    virtual void PresetLoaded(const Preset::CPresetInfo& /*preset*/) {}
    virtual void PresetModified(EPluginSetup /*setup*/) {}
    virtual void SetupTitleChanged(EPluginSetup /*setup*/, const KCFixedStringBase& /*title*/) {}
    virtual void SetupTitleChangedWithString(EPluginSetup /*setup*/, const char* /*title*/) {}
    virtual void ActiveSetupChanged(EPluginSetup /*setup*/) {}
    virtual void ActiveSideChainChanged(bool /*active*/) {}
};

// Keeps its listeners in registration order and forwards each event to all of them. It has no
// lock of its own: the owning algorithm's lock serialises registrations and events (a lock of
// its own, held while listeners run, would order against the algorithm lock both ways).
class KORVANE_API KCAlgorithmBroadcaster {
public:
    KCAlgorithmBroadcaster() = default;
    KCAlgorithmBroadcaster(const KCAlgorithmBroadcaster&) = delete;
    KCAlgorithmBroadcaster& operator=(const KCAlgorithmBroadcaster&) = delete;
    virtual ~KCAlgorithmBroadcaster();

    // A listener is kept once; it must unregister before it dies. [gui-thread & lock held],
    // or [gui-thread & !created] for the algorithm's own listener.
    void AddListener(KCAlgorithmListener* listener);
    void RemoveListener(KCAlgorithmListener* listener);
    [[nodiscard]] bool HasListener(const KCAlgorithmListener* listener) const;

    // Each event goes to every listener. [any-thread & lock held]

    virtual void PresetLoaded(const Preset::CPresetInfo& preset);
    virtual void PresetModified(EPluginSetup setup);
    virtual void SetupTitleChanged(EPluginSetup setup, const KCFixedStringBase& title);
    virtual void ActiveSetupChanged(EPluginSetup setup);
    virtual void ActiveSideChainChanged(bool active);

private:
    // Listeners may register and unregister listeners from inside a notification: each event
    // still reaches every listener registered when its turn comes, once.
    template <typename Fn>
    void ForEach(Fn fn);

    std::vector<KCAlgorithmListener*> m_listeners;
    std::uint64_t m_changes = 0;  // registrations and removals so far
};

}  // namespace kvKorvaneV10_0_3
