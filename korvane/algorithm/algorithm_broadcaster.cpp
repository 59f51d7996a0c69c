// Algorithm broadcaster: forwards events to every registered listener.
#include "korvane/algorithm/algorithm_broadcaster.h"

#include <algorithm>

namespace kvKorvaneV10_0_3 {

KCAlgorithmListener::~KCAlgorithmListener() = default;

KCAlgorithmBroadcaster::~KCAlgorithmBroadcaster() = default;

void KCAlgorithmBroadcaster::AddListener(KCAlgorithmListener* listener) {
    if (listener != nullptr && !HasListener(listener)) {
        m_listeners.push_back(listener);
    }
}

void KCAlgorithmBroadcaster::RemoveListener(KCAlgorithmListener* listener) {
    m_listeners.erase(std::remove(m_listeners.begin(), m_listeners.end(), listener),
                      m_listeners.end());
}

bool KCAlgorithmBroadcaster::HasListener(const KCAlgorithmListener* listener) const {
    return std::find(m_listeners.begin(), m_listeners.end(), listener) != m_listeners.end();
}

template <typename Fn>
void KCAlgorithmBroadcaster::ForEach(Fn fn) {
    // By index and without a copy (events come with every parameter change): a listener that
    // removes itself leaves its successor at the same index, which is then not skipped.
    for (std::size_t i = 0; i < m_listeners.size();) {
        KCAlgorithmListener* listener = m_listeners[i];
        fn(*listener);
        if (i < m_listeners.size() && m_listeners[i] == listener) {
            ++i;
        }
    }
}

void KCAlgorithmBroadcaster::PresetLoaded(const Preset::CPresetInfo& preset) {
    ForEach([&](KCAlgorithmListener& l) { l.PresetLoaded(preset); });
}

void KCAlgorithmBroadcaster::PresetModified(EPluginSetup setup) {
    ForEach([&](KCAlgorithmListener& l) { l.PresetModified(setup); });
}

void KCAlgorithmBroadcaster::SetupTitleChanged(EPluginSetup setup, const KCFixedStringBase& title) {
    ForEach([&](KCAlgorithmListener& l) {
        l.SetupTitleChanged(setup, title);
        l.SetupTitleChangedWithString(setup, title.c_str());
    });
}

void KCAlgorithmBroadcaster::ActiveSetupChanged(EPluginSetup setup) {
    ForEach([&](KCAlgorithmListener& l) { l.ActiveSetupChanged(setup); });
}

void KCAlgorithmBroadcaster::ActiveSideChainChanged(bool active) {
    ForEach([&](KCAlgorithmListener& l) { l.ActiveSideChainChanged(active); });
}

}  // namespace kvKorvaneV10_0_3
