#include "korvane/messaging/idle_command_runner.h"

#include "korvane/core/sleep.h"
#include "korvane/core/thread_start.h"
#include "korvane/messaging/idle_command_queue.h"

#include <algorithm>
#include <atomic>
#include <new>
#include <vector>

namespace kvKorvaneV10_0_3 {
namespace kvThread {

KCIdleCommandQueueAbs::~KCIdleCommandQueueAbs() = default;

void KCIdleCommandQueueAbs::ExecuteAll() {
    while (!IsEmpty()) {
        ExecuteOne();
    }
}

ThreadMutexInited KCIdleCommandRunner::s_lock;

// Everything the runner shares between threads. The lock outlives every runner, so a thread
// can always take it, even while a runner is being destroyed elsewhere.
struct KCIdleCommandRunner::State {
    struct Runner {
        std::vector<KCIdleCommandQueueAbs*> queues KV_GUARDED_BY(s_lock);
        std::atomic<bool> stop{false};
        KTThreadHandle thread KV_GUARDED_BY(s_lock) = kNullThreadHandle;
        Runner* nextStopped KV_GUARDED_BY(s_lock) = nullptr;
    };

    static Runner* current KV_GUARDED_BY(s_lock);
    // Asked to stop, not joined yet.
    static Runner* stopped KV_GUARDED_BY(s_lock);
    static bool shutDown KV_GUARDED_BY(s_lock);
    // Threads waiting in ScopedLock: a drain ends its passes while there is one.
    static std::atomic<int> waiting;
    static thread_local const Runner* worker;

    // Always one full pass before a waiting thread is let in: threads that take the lock often
    // (polling IsRegistered or HasWorker) would otherwise keep every command waiting.
    static void Drain(Runner& runner) KV_REQUIRES(s_lock) {
        bool firstPass = true;
        bool executed = true;
        while (executed && !runner.stop.load(std::memory_order_acquire) &&
               (firstPass || waiting.load(std::memory_order_acquire) == 0)) {
            firstPass = false;
            executed = false;
            // By index: a command may unregister a queue, its own included.
            std::size_t i = 0;
            while (i < runner.queues.size()) {
                KCIdleCommandQueueAbs* queue = runner.queues[i];
                if (!queue->IsEmpty()) {
                    executed = true;
                    queue->ExecuteOne();
                }
                ++i;
            }
        }
    }

    static void WorkerMain(void* arg) {
        auto* runner = static_cast<Runner*>(arg);
        worker = runner;
        while (!runner->stop.load(std::memory_order_acquire)) {
            {
                const ThreadMutexLock lock(Lock());
                Drain(*runner);
            }
            if (!runner->stop.load(std::memory_order_acquire)) {
                sleep_milliseconds(kPauseMilliseconds);
            }
        }
        worker = nullptr;
    }

    // Detaches the current runner and asks its worker to stop.
    static void StopCurrent() KV_REQUIRES(s_lock) {
        if (current == nullptr) {
            return;
        }
        current->stop.store(true, std::memory_order_release);
        current->nextStopped = stopped;
        stopped = current;
        current = nullptr;
    }
};

// Out of line rather than inline: an inline static would be a unique symbol, which keeps a
// shared library from ever being unloaded.
KCIdleCommandRunner::State::Runner* KCIdleCommandRunner::State::current = nullptr;
KCIdleCommandRunner::State::Runner* KCIdleCommandRunner::State::stopped = nullptr;
bool KCIdleCommandRunner::State::shutDown = false;
std::atomic<int> KCIdleCommandRunner::State::waiting{0};
thread_local const KCIdleCommandRunner::State::Runner* KCIdleCommandRunner::State::worker = nullptr;

KTErr KCIdleCommandRunner::Register(KCIdleCommandQueueAbs* queue) {
    if (queue == nullptr) {
        return eMemNullPointer;
    }
    {
        const ScopedLock lock;
        if (State::shutDown) {
            return eSomeThingNotInitailzed;
        }
        if (State::current == nullptr) {
            auto* runner = new (std::nothrow) State::Runner;
            if (runner == nullptr) {
                return eSomeThingNotInitailzed;
            }
            KTThreadHandle thread = kNullThreadHandle;
            if (StartThread(&State::WorkerMain, runner, eThreadPriorityAsCreated, thread) !=
                eNoErr) {
                delete runner;
                return eSomeThingNotInitailzed;
            }
            // A name only helps a debugger; a refusal changes nothing.
            static_cast<void>(SetThreadName(thread, "kv-idle-queues"));
            runner->thread = thread;
            State::current = runner;
        }
        auto& queues = State::current->queues;
        if (std::find(queues.begin(), queues.end(), queue) == queues.end()) {
            queues.push_back(queue);
        }
    }
    JoinStopped();
    return eNoErr;
}

void KCIdleCommandRunner::Unregister(KCIdleCommandQueueAbs* queue) {
    {
        const ScopedLock lock;
        if (State::current == nullptr) {
            return;
        }
        auto& queues = State::current->queues;
        const auto found = std::find(queues.begin(), queues.end(), queue);
        if (found == queues.end()) {
            return;
        }
        queues.erase(found);
        if (queues.empty()) {
            State::StopCurrent();
        }
    }
    JoinStopped();
}

bool KCIdleCommandRunner::IsRegistered(const KCIdleCommandQueueAbs* queue) {
    const ScopedLock lock;
    if (State::current == nullptr) {
        return false;
    }
    const auto& queues = State::current->queues;
    return std::find(queues.begin(), queues.end(), queue) != queues.end();
}

bool KCIdleCommandRunner::HasWorker() {
    const ScopedLock lock;
    return State::current != nullptr || State::stopped != nullptr;
}

bool KCIdleCommandRunner::IsWorkerThread() {
    return State::worker != nullptr;
}

void KCIdleCommandRunner::JoinStopped() {
    if (Lock().is_locked_by_cur_thread()) {
        return;  // the worker may be waiting for this lock
    }
    State::Runner* toJoin = nullptr;
    {
        const ScopedLock lock;
        // A worker cannot join itself: its runner stays listed until another thread comes by.
        State::Runner** link = &State::stopped;
        while (*link != nullptr) {
            State::Runner* runner = *link;
            if (runner == State::worker) {
                link = &runner->nextStopped;
                continue;
            }
            *link = runner->nextStopped;
            runner->nextStopped = toJoin;
            toJoin = runner;
        }
    }
    // Outside the lock, which the stopping workers may still be waiting for. Each runner is now
    // reachable from this thread only.
    while (toJoin != nullptr) {
        State::Runner* runner = toJoin;
        KTThreadHandle thread = kNullThreadHandle;
        {
            const ThreadMutexLock lock(Lock());
            toJoin = runner->nextStopped;
            thread = runner->thread;
        }
        // A failed join leaves nothing to clean up that deleting the runner would not.
        static_cast<void>(JoinThread(thread));
        delete runner;
    }
}

void KCIdleCommandRunner::Shutdown() {
    {
        const ScopedLock lock;
        State::shutDown = true;
        State::StopCurrent();
    }
    JoinStopped();
}

ThreadMutexInited& KCIdleCommandRunner::Lock() {
    // Created once, before the first use from any thread.
    static const bool created = s_lock.init();
    static_cast<void>(created);
    return s_lock;
}

KCIdleCommandRunner::ScopedLock::ScopedLock() {
    State::waiting.fetch_add(1, std::memory_order_acq_rel);
    Lock().obtain();
    State::waiting.fetch_sub(1, std::memory_order_acq_rel);
}

KCIdleCommandRunner::ScopedLock::~ScopedLock() {
    Lock().release();
}

namespace {

// The library may be unloaded while a worker runs (a host unloads plug-ins at will): its
// threads are joined before the code they run goes away.
struct JoinWorkersAtUnload {
    JoinWorkersAtUnload() = default;
    JoinWorkersAtUnload(const JoinWorkersAtUnload&) = delete;
    JoinWorkersAtUnload& operator=(const JoinWorkersAtUnload&) = delete;
    ~JoinWorkersAtUnload() { KCIdleCommandRunner::Shutdown(); }
};
const JoinWorkersAtUnload s_joinWorkersAtUnload;

}  // namespace

}  // namespace kvThread
}  // namespace kvKorvaneV10_0_3
