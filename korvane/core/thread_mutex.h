// ThreadMutexInited: a recursive mutex created on demand by init(); until then every
// operation on it is a harmless no-op, so objects can hold one before they need locking.
#pragma once

#include "korvane/core/export.h"
#include "korvane/core/noncopyable.h"
#include "korvane/core/thread_annotations.h"

#include <atomic>
#include <cstdint>

namespace kvKorvaneV10_0_3 {
namespace kvThread {

namespace lock_detail {

// A lock word holds its owner's id, 0 when free; the top bit marks sleeping waiters.
inline constexpr std::uint32_t kWaiters = 0x8000'0000U;
inline constexpr std::uint32_t kOwnerMask = kWaiters - 1;

// The calling thread's lock owner id, 0 until the thread first asks for it. Ids come from a
// process-wide counter; no two live threads share one.
// NOLINTNEXTLINE(cppcoreguidelines-avoid-non-const-global-variables)
extern KORVANE_API constinit thread_local std::uint32_t tOwnerId;

// Gives the calling thread its id; called once per thread. After 2^31 - 1 threads, ids of
// ended threads are given again (a lock an ended thread left held may then pass on).
KORVANE_API std::uint32_t AssignOwnerId();
// Tests only: sets the last fresh id given (returning the former), to reach the end of the ids
// without 2^31 threads.
KORVANE_API std::uint32_t SetLastOwnerIdForTesting(std::uint32_t last);

inline std::uint32_t CurrentOwnerId() {
    const std::uint32_t id = tOwnerId;
    return id != 0 ? id : AssignOwnerId();
}

}  // namespace lock_detail

// All members are [any-thread], except init() and uninit(), which are [any-thread & unshared];
// tryobtain(), release() and is_locked_by_cur_thread() are [audio-thread]. A lock for the
// thread-safety analysis, which does not know it is re-entrant: a function that obtains it
// twice itself is reported, one that calls another that obtains it again is not.
//
// The uncontended paths are inline: one compare-and-swap to take the lock, one exchange to give
// it up, and no call at all for the nested levels. Only a thread that has to wait leaves them.
class KORVANE_API KV_CAPABILITY("mutex") ThreadMutexInited : noncopyableobject {
public:
    ThreadMutexInited() = default;
    // Like uninit().
    ~ThreadMutexInited();

    // Makes the mutex usable; a second call does nothing. Always true: the mutex needs no
    // resource from the OS.
    bool init();
    // Makes the mutex unusable again; a lock the calling thread still holds is given up first.
    void uninit();
    [[nodiscard]] bool is_init() const { return m_init; }

    // Blocks until the calling thread holds the mutex; re-entrant. No-op when uninitialised.
    void obtain() KV_ACQUIRE() KV_NO_THREAD_SAFETY_ANALYSIS {
        if (m_init) {
            obtain_as(lock_detail::CurrentOwnerId());
        }
    }

    // Gives up one level. No-op when uninitialised or not held by the calling thread.
    void release() KV_RELEASE() KV_NO_THREAD_SAFETY_ANALYSIS {
        release_as(lock_detail::CurrentOwnerId());
    }

    // Non-blocking obtain(); true when now held, and also true when uninitialised.
    [[nodiscard]] bool tryobtain() KV_TRY_ACQUIRE(true) KV_NO_THREAD_SAFETY_ANALYSIS {
        if (!m_init) {
            return true;
        }
        const std::uint32_t me = lock_detail::CurrentOwnerId();
        std::uint32_t seen = 0;
        if (m_word.compare_exchange_strong(seen, me, std::memory_order_acquire,
                                           std::memory_order_relaxed)) {
            m_depth = 1;
            return true;
        }
        if ((seen & kOwnerMask) == me) {
            ++m_depth;
            return true;
        }
        return false;
    }

    // True when the calling thread holds the mutex (false when uninitialised).
    [[nodiscard]] bool is_locked_by_cur_thread() const {
        // Only the owner writes its own id, so a thread reading it back reads its own write.
        return (m_word.load(std::memory_order_relaxed) & kOwnerMask) ==
               lock_detail::CurrentOwnerId();
    }

private:
    static constexpr std::uint32_t kWaiters = lock_detail::kWaiters;
    static constexpr std::uint32_t kOwnerMask = lock_detail::kOwnerMask;

    friend class ThreadMutexLock;

    // obtain() and release() for the thread whose owner id is `me`; a scoped lock reads the id
    // once for both.
    void obtain_as(std::uint32_t me) KV_ACQUIRE() KV_NO_THREAD_SAFETY_ANALYSIS {
        std::uint32_t seen = 0;
        if (m_word.compare_exchange_strong(seen, me, std::memory_order_acquire,
                                           std::memory_order_relaxed)) {
            m_depth = 1;
        } else if ((seen & kOwnerMask) == me) {
            ++m_depth;
        } else {
            obtain_contended(me);
        }
    }

    void release_as(std::uint32_t me) KV_RELEASE() KV_NO_THREAD_SAFETY_ANALYSIS {
        // An uninitialised mutex has no owner, so the owner test covers it.
        if ((m_word.load(std::memory_order_relaxed) & kOwnerMask) != me) {
            return;
        }
        if (--m_depth != 0) {
            return;
        }
        if ((m_word.exchange(0, std::memory_order_release) & kWaiters) != 0) {
            wake_waiter();
        }
    }

    void obtain_contended(std::uint32_t me);
    void wake_waiter();

    alignas(8) std::atomic<std::uint32_t> m_word{0};
    std::uint32_t m_depth = 0;  // levels held; touched only by the owner
    bool m_init = false;
    [[maybe_unused]] unsigned char m_reserved[7] = {};  // keeps the two-word layout
};

// Holds a ThreadMutexInited for one scope. [any-thread]
class KV_SCOPED_CAPABILITY ThreadMutexLock : noncopyableobject {
public:
    explicit ThreadMutexLock(ThreadMutexInited& m) KV_ACQUIRE(m)
        : m_mutex(m), m_me(lock_detail::CurrentOwnerId()) {
        if (m_mutex.m_init) {
            m_mutex.obtain_as(m_me);
        }
    }
    ~ThreadMutexLock() KV_RELEASE() { m_mutex.release_as(m_me); }

private:
    ThreadMutexInited& m_mutex;
    // The owner id read once: a thread-local read in a shared object is a call.
    std::uint32_t m_me;
};

}  // namespace kvThread
}  // namespace kvKorvaneV10_0_3
