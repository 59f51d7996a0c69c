// KCBoostDoorbell: one thread rings, another waits for the ring.
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"
#include "korvane/core/noncopyable.h"

namespace kvKorvaneV10_0_3::kvThread {

// A ring is remembered until one AwaitNotify() takes it, so ringing before the waiter arrives
// is not lost; several rings before a wait count as one. All members are [any-thread]; none is
// [audio-thread] (Notify takes the bell's mutex), and the destructor is [any-thread & unshared].
class KORVANE_API KCBoostDoorbell : noncopyableobject {
public:
    KCBoostDoorbell();
    // No thread may still wait on the doorbell.
    ~KCBoostDoorbell();

    // Blocks until the bell has been rung, then clears the ring. eThreadSafeError when the
    // bell could not be created.
    [[nodiscard]] KTErr AwaitNotify();
    // Rings the bell, waking one waiter. eThreadSafeError when the bell could not be created.
    [[nodiscard]] KTErr Notify();

private:
    struct State;
    State* m_state;
};

}  // namespace kvKorvaneV10_0_3::kvThread
