// ThreadConditionSignal: a condition variable with its own recursive mutex, for waiting until
// another thread signals one waiter or all of them.
#pragma once

#include "korvane/core/export.h"
#include "korvane/core/noncopyable.h"
#include "korvane/core/thread_annotations.h"

namespace kvKorvaneV10_0_3::kvThread {

// Use: derive, hold the mutex (obtain_mutex) while testing the awaited state, call
// await_condition, test again, release_mutex. All members are [any-thread], none [audio-thread]
// (signals take an internal mutex); the destructor [any-thread & unshared]. The waits and the
// broadcast give up every level of the mutex the caller holds and restore them on return.
// The object is the lock its mutex operations take, for the thread-safety analysis.
class KORVANE_API KV_CAPABILITY("mutex") ThreadConditionSignal : noncopyableobject {
public:
    ThreadConditionSignal();
    // No thread may still wait on the condition.
    ~ThreadConditionSignal();

    // Waits until signalled; true when woken by a signal.
    bool await_condition();
    // Waits at most `timeoutMicroseconds`, rounded to milliseconds as (us + 499) / 1000
    // (so up to 500 us does not wait); 0 or less returns at once. True when signalled,
    // false on time-out. A signal that races with the time-out still counts as a wake-up.
    bool await_condition(int timeoutMicroseconds);
    // Wakes one waiting thread that has not been woken yet; nothing when none waits.
    void signal_condition_single();
    // Wakes every waiting thread and returns once all of them have stopped waiting (they then
    // queue for the mutex). Returns at once when nobody waits.
    void signal_condition_broadcast();

protected:
    void obtain_mutex() KV_ACQUIRE();
    // No-op unless the calling thread holds the mutex.
    void release_mutex() KV_RELEASE();
    [[nodiscard]] bool tryobtain_mutex() KV_TRY_ACQUIRE(true);
    // True while a broadcast waits for its waiters to leave.
    [[nodiscard]] bool is_broadcasting() const;

private:
    bool Wait(long long milliseconds);  // negative = no limit

    struct Record;
    Record* m_record;
};

}  // namespace kvKorvaneV10_0_3::kvThread
