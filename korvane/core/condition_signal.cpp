// ThreadConditionSignal: a count of pending wake-ups under one guard, so that a signal given
// between registering and sleeping is never lost and never outlives the waiters it was for.
#include "korvane/core/condition_signal.h"

#include "korvane/core/platform/os_mutex.h"
#include "korvane/core/sleep.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>

namespace kvKorvaneV10_0_3::kvThread {

struct ThreadConditionSignal::Record {
    platform::RecursiveMutex* external = platform::CreateRecursiveMutex();
    std::mutex guard;
    std::condition_variable wake;  // waiters sleep here until a permit is free
    std::condition_variable left;  // a broadcast sleeps here until its waiters have left
    int waiters = 0;
    int permits = 0;  // wake-ups handed out and not yet taken; never above `waiters`
    bool wasBroadcast = false;
};

ThreadConditionSignal::ThreadConditionSignal() : m_record(new (std::nothrow) Record) {
    if (m_record != nullptr && m_record->external == nullptr) {
        delete m_record;
        m_record = nullptr;
    }
}

ThreadConditionSignal::~ThreadConditionSignal() {
    if (m_record != nullptr) {
        platform::DestroyRecursiveMutex(m_record->external);
        delete m_record;
    }
}

bool ThreadConditionSignal::await_condition() {
    return Wait(-1);
}

bool ThreadConditionSignal::await_condition(int timeoutMicroseconds) {
    // A negative time-out means "do not wait", never "wait forever".
    return Wait(MicrosecondsToMilliseconds(timeoutMicroseconds));
}

bool ThreadConditionSignal::Wait(long long milliseconds) {
    Record* r = m_record;
    if (r == nullptr) {
        return false;
    }
    // Registering under the external mutex keeps a broadcast (which holds it) from seeing
    // waiters arrive after it counted them, even for a caller that forgot to take it.
    platform::LockRecursiveMutex(r->external);
    {
        const std::lock_guard lock(r->guard);
        ++r->waiters;
    }
    const unsigned int depth = platform::UnlockRecursiveMutexFully(r->external);
    bool woken = false;
    {
        std::unique_lock lock(r->guard);
        const auto hasPermit = [r] { return r->permits > 0; };
        if (milliseconds < 0) {
            r->wake.wait(lock, hasPermit);
        } else {
            r->wake.wait_for(lock, std::chrono::milliseconds(milliseconds), hasPermit);
        }
        woken = r->permits > 0;
        if (woken) {
            --r->permits;
        }
        --r->waiters;
        if (r->wasBroadcast && r->waiters == 0) {
            r->left.notify_all();
        }
    }
    platform::RelockRecursiveMutex(r->external, depth > 0 ? depth - 1 : 0);
    return woken;
}

void ThreadConditionSignal::signal_condition_single() {
    Record* r = m_record;
    if (r == nullptr) {
        return;
    }
    const std::lock_guard lock(r->guard);
    if (r->waiters > r->permits) {
        ++r->permits;
        r->wake.notify_one();
    }
}

void ThreadConditionSignal::signal_condition_broadcast() {
    Record* r = m_record;
    if (r == nullptr) {
        return;
    }
    platform::LockRecursiveMutex(r->external);
    {
        std::unique_lock lock(r->guard);
        if (r->waiters > 0) {
            r->wasBroadcast = true;
            r->permits = r->waiters;
            r->wake.notify_all();
            r->left.wait(lock, [r] { return r->waiters == 0; });
            r->wasBroadcast = false;
        }
    }
    platform::UnlockRecursiveMutex(r->external);
}

// The platform mutex underneath carries no contract of its own.
void ThreadConditionSignal::obtain_mutex() KV_NO_THREAD_SAFETY_ANALYSIS {
    if (m_record != nullptr) {
        platform::LockRecursiveMutex(m_record->external);
    }
}

// Same reason as obtain_mutex.
void ThreadConditionSignal::release_mutex() KV_NO_THREAD_SAFETY_ANALYSIS {
    if (m_record != nullptr) {
        platform::UnlockRecursiveMutex(m_record->external);
    }
}

// Same reason as obtain_mutex.
bool ThreadConditionSignal::tryobtain_mutex() KV_NO_THREAD_SAFETY_ANALYSIS {
    return m_record != nullptr && platform::TryLockRecursiveMutex(m_record->external);
}

bool ThreadConditionSignal::is_broadcasting() const {
    if (m_record == nullptr) {
        return false;
    }
    const std::lock_guard lock(m_record->guard);
    return m_record->wasBroadcast;
}

}  // namespace kvKorvaneV10_0_3::kvThread
