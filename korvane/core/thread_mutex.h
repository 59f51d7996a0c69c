// ThreadMutexInited: a recursive mutex created on demand by init(); until then every
// operation on it is a harmless no-op, so objects can hold one before they need locking.
#pragma once

#include "korvane/core/export.h"
#include "korvane/core/noncopyable.h"
#include "korvane/core/thread_annotations.h"

namespace kvKorvaneV10_0_3 {
namespace platform {
struct RecursiveMutex;
}

namespace kvThread {

// All members are [any-thread], except init() and uninit(), which are [any-thread & unshared];
// tryobtain(), release() and is_locked_by_cur_thread() are [audio-thread]. A lock for the
// thread-safety analysis, which does not know it is re-entrant: a function that obtains it
// twice itself is reported, one that calls another that obtains it again is not.
class KORVANE_API KV_CAPABILITY("mutex") ThreadMutexInited : noncopyableobject {
public:
    ThreadMutexInited() = default;
    // Like uninit().
    ~ThreadMutexInited();

    // Creates the mutex if there is none; a second call does nothing. False when the OS
    // refuses a mutex (the object then stays uninitialised).
    bool init();
    // Destroys the mutex; a lock the calling thread still holds is given up first.
    void uninit();
    [[nodiscard]] bool is_init() const { return m_mutex != nullptr; }

    // Blocks until the calling thread holds the mutex; re-entrant. No-op when uninitialised.
    void obtain() KV_ACQUIRE();
    // Gives up one level. No-op when uninitialised or not held by the calling thread.
    void release() KV_RELEASE();
    // Non-blocking obtain(); true when now held, and also true when uninitialised.
    [[nodiscard]] bool tryobtain() KV_TRY_ACQUIRE(true);
    // True when the calling thread holds the mutex (false when uninitialised).
    [[nodiscard]] bool is_locked_by_cur_thread() const;

private:
    platform::RecursiveMutex* m_mutex = nullptr;
    [[maybe_unused]] void* m_reserved = nullptr;  // keeps the two-word layout; always null
};

// Holds a ThreadMutexInited for one scope. [any-thread]
class KV_SCOPED_CAPABILITY ThreadMutexLock : noncopyableobject {
public:
    explicit ThreadMutexLock(ThreadMutexInited& m) KV_ACQUIRE(m) : m_mutex(m) { m_mutex.obtain(); }
    ~ThreadMutexLock() KV_RELEASE() { m_mutex.release(); }

private:
    ThreadMutexInited& m_mutex;
};

}  // namespace kvThread
}  // namespace kvKorvaneV10_0_3
