// The factory slot of the MIDI controller table interface.
#include "korvane/algorithm/midi_control_abs.h"

#include <atomic>

namespace kvKorvaneV10_0_3 {

namespace {
// Constant-initialised, so the midi layer's static registration may run in any order.
std::atomic<KCMidiControlAbs::Factory> g_factory{nullptr};
}  // namespace

KCMidiControlAbs::~KCMidiControlAbs() = default;

KCMidiControlAbs::Factory KCMidiControlAbs::SetFactory(Factory factory) {
    return g_factory.exchange(factory);
}

KCMidiControlAbs::Factory KCMidiControlAbs::GetFactory() {
    return g_factory.load();
}

}  // namespace kvKorvaneV10_0_3
