// Tells listeners (the GUI, the host shell) about presets and setups of one algorithm.
#pragma once

#include "korvane/algorithm/param_base.h"
#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"

#include <vector>

namespace kvKorvaneV10_0_3 {

namespace Preset {
class CPresetInfo;
}

// Override what you need; every operation does nothing by default. Called on the thread that
// caused the event, with the algorithm lock held when the event came from a value change.
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

// Keeps its listeners in registration order and forwards each event to all of them.
class KORVANE_API KCAlgorithmBroadcaster {
public:
    KCAlgorithmBroadcaster() = default;
    KCAlgorithmBroadcaster(const KCAlgorithmBroadcaster&) = delete;
    KCAlgorithmBroadcaster& operator=(const KCAlgorithmBroadcaster&) = delete;
    virtual ~KCAlgorithmBroadcaster();

    // A listener is kept once; it must unregister before it dies. [gui-thread]
    void AddListener(KCAlgorithmListener* listener);
    void RemoveListener(KCAlgorithmListener* listener);
    [[nodiscard]] bool HasListener(const KCAlgorithmListener* listener) const;

    virtual void PresetLoaded(const Preset::CPresetInfo& preset);
    virtual void PresetModified(EPluginSetup setup);
    virtual void SetupTitleChanged(EPluginSetup setup, const KCFixedStringBase& title);
    virtual void ActiveSetupChanged(EPluginSetup setup);
    virtual void ActiveSideChainChanged(bool active);

private:
    // Listeners may unregister themselves from inside a notification.
    template <typename Fn>
    void ForEach(Fn fn);

    std::vector<KCAlgorithmListener*> m_listeners;
};

}  // namespace kvKorvaneV10_0_3
