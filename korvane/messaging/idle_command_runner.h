// The process-wide runner of idle command queues: one worker thread that drains every
// registered queue, pausing 20 ms whenever all of them are empty.
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"
#include "korvane/core/thread_annotations.h"
#include "korvane/core/thread_mutex.h"

namespace kvKorvaneV10_0_3 {
namespace kvThread {

class KCIdleCommandQueueAbs;

// The runner is created on first use and destroyed when its last queue is unregistered; its
// worker starts at priority code 2 (as created). The worker holds the runner lock while it
// drains: it makes passes over the queues, executing one command of each per pass, until a
// whole pass found every queue empty or, after the first pass, someone waits for the lock; then
// it releases the lock and pauses 20 ms. The first pass always runs in full, so threads taking
// the lock often cannot keep the commands from running.
//
// Lock order: the runner lock comes before every lock a command may take (for messages, the
// receiving algorithm's lock). Registering and unregistering take the runner lock, so a thread
// that holds such a lock must not register or unregister a queue: the worker may be waiting for
// that lock while holding the runner lock.
//
// A stopped runner is joined before it is destroyed. When its last queue goes away on its own
// worker (a command unregistering itself), the worker ends by itself and the next registration,
// unregistration or the library's unload joins it. The library joins every worker before it is
// unloaded.
class KORVANE_API KCIdleCommandRunner {
public:
    static constexpr unsigned int kPauseMilliseconds = 20;

    // Adds `queue` (once: a queue already registered is not added again), creating the runner
    // and starting its worker when there is none. eSomeThingNotInitailzed when the runner or its
    // thread cannot be made, or the library is being unloaded. [any-thread]
    [[nodiscard]] static KTErr Register(KCIdleCommandQueueAbs* queue);
    // Removes `queue`; with it the last one, the worker is asked to stop, and the runner is
    // joined and destroyed once the calling thread holds the runner lock no more. A queue not
    // registered is ignored. [any-thread], also from inside a command.
    static void Unregister(KCIdleCommandQueueAbs* queue);
    // Whether `queue` is registered. [any-thread]
    [[nodiscard]] static bool IsRegistered(const KCIdleCommandQueueAbs* queue);
    // Whether a worker thread exists (running, or stopped and not joined yet). [any-thread]
    [[nodiscard]] static bool HasWorker();
    // Whether the calling thread is the worker. [any-thread]
    [[nodiscard]] static bool IsWorkerThread();

    // Joins and destroys the runners whose worker was asked to stop. Does nothing while the
    // calling thread holds the runner lock. [any-thread]
    static void JoinStopped();
    // Stops and joins every worker and refuses new runners from then on; what the library runs
    // when it is unloaded. [any-thread], not from the worker.
    static void Shutdown();

    // The lock the worker holds while it drains: held, no command runs and the queue list does
    // not change. Take it with ScopedLock, which also makes a running drain yield it.
    static ThreadMutexInited& Lock() KV_RETURN_CAPABILITY(s_lock);

    // Holds the runner lock for one scope, asking the worker to end its drain first. [any-thread]
    class KV_SCOPED_CAPABILITY ScopedLock {
    public:
        ScopedLock() KV_ACQUIRE(s_lock);
        ~ScopedLock() KV_RELEASE();
        ScopedLock(const ScopedLock&) = delete;
        ScopedLock& operator=(const ScopedLock&) = delete;
    };

private:
    struct State;
    static ThreadMutexInited s_lock;
};

}  // namespace kvThread
}  // namespace kvKorvaneV10_0_3
