// Algorithm broadcaster: forwards events to every registered listener.
#include "korvane/algorithm/algorithm_broadcaster.h"

#include <algorithm>

namespace kvKorvaneV10_0_3 {

KCAlgorithmListener::~KCAlgorithmListener() = default;

KCAlgorithmBroadcaster::~KCAlgorithmBroadcaster() = default;

void KCAlgorithmBroadcaster::AddListener(KCAlgorithmListener* listener) {
    if (listener != nullptr && !HasListener(listener)) {
        m_listeners.push_back(listener);
        ++m_changes;
    }
}

void KCAlgorithmBroadcaster::RemoveListener(KCAlgorithmListener* listener) {
    const auto kept = std::remove(m_listeners.begin(), m_listeners.end(), listener);
    if (kept != m_listeners.end()) {
        m_listeners.erase(kept, m_listeners.end());
        ++m_changes;
    }
}

bool KCAlgorithmBroadcaster::HasListener(const KCAlgorithmListener* listener) const {
    return std::find(m_listeners.begin(), m_listeners.end(), listener) != m_listeners.end();
}

namespace {

using ListenerList = std::vector<KCAlgorithmListener*>;

// After the list changed during an event: the first registered listener not yet called, in
// registration order, until none is left. Quadratic, but only a change pays for it.
template <typename Fn>
[[gnu::noinline]] void FinishChangedWalk(const ListenerList& listeners, ListenerList called,
                                         Fn fn) {
    for (;;) {
        const auto next = std::find_if(listeners.begin(), listeners.end(), [&](const auto* l) {
            return std::find(called.begin(), called.end(), l) == called.end();
        });
        if (next == listeners.end()) {
            return;
        }
        KCAlgorithmListener* const listener = *next;
        called.push_back(listener);
        fn(*listener);
    }
}

// Several listeners: walks a copy (on the stack for a few), so that the ones already called are
// known when a listener changes the list.
template <typename Fn>
[[gnu::noinline]] void WalkSeveral(const ListenerList& listeners, const std::uint64_t& changes,
                                   Fn fn) {
    constexpr std::size_t kOnStack = 8;
    KCAlgorithmListener* onStack[kOnStack];
    ListenerList onHeap;
    const std::size_t n = listeners.size();
    KCAlgorithmListener** due = onStack;
    if (n > kOnStack) {
        onHeap = listeners;
        due = onHeap.data();
    } else {
        std::copy(listeners.begin(), listeners.end(), onStack);
    }
    const std::uint64_t before = changes;
    for (std::size_t i = 0; i < n; ++i) {
        fn(*due[i]);
        if (changes != before) {
            FinishChangedWalk(listeners, ListenerList(due, due + i + 1), fn);
            return;
        }
    }
}

}  // namespace

template <typename Fn>
void KCAlgorithmBroadcaster::ForEach(Fn fn) {
    // One listener is the usual case: no copy and no loop unless it changes the list.
    if (m_listeners.size() != 1) {
        if (!m_listeners.empty()) {
            WalkSeveral(m_listeners, m_changes, fn);
        }
        return;
    }
    const std::uint64_t before = m_changes;
    KCAlgorithmListener* const only = m_listeners.front();
    fn(*only);
    if (m_changes != before) {
        FinishChangedWalk(m_listeners, ListenerList{only}, fn);
    }
}

void KCAlgorithmBroadcaster::PresetLoaded(const Preset::CPresetInfo& preset) {
    ForEach([&](KCAlgorithmListener& l) { l.PresetLoaded(preset); });
}

void KCAlgorithmBroadcaster::PresetModified(EPluginSetup setup) {
    ForEach([setup](KCAlgorithmListener& l) { l.PresetModified(setup); });
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
