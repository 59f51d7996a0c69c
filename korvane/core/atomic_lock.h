// KCAtomicLock: a one-word try-lock that retries once a second, for rare, coarse exclusion
// where blocking in the OS is not wanted.
#pragma once

#include "korvane/core/export.h"
#include "korvane/core/thread_annotations.h"

#include <atomic>
#include <cstdint>

namespace kvKorvaneV10_0_3::kvThread {

// All members are [any-thread]; obtain(1), release() and is_held() never wait and are
// [audio-thread]. Not re-entrant and not owned: any thread may release (the
// thread-safety analysis still expects the releasing scope to be the one that took it).
class KORVANE_API KV_CAPABILITY("mutex") KCAtomicLock {
public:
    KCAtomicLock() = default;
    // Copying copies the state word (a copy of a held lock is held).
    KCAtomicLock(const KCAtomicLock& other) : m_word(other.m_word.load()) {}
    KCAtomicLock& operator=(const KCAtomicLock& other) {
        m_word.store(other.m_word.load());
        return *this;
    }

    // Tries to take the lock up to `tries` times, sleeping one second between attempts:
    // obtain(1) never sleeps; obtain(0) retries until it succeeds. True when taken.
    [[nodiscard]] bool obtain(unsigned int tries) KV_TRY_ACQUIRE(true);
    // Frees the lock whoever holds it. Not analysed: the store is the release.
    void release() KV_RELEASE() KV_NO_THREAD_SAFETY_ANALYSIS {
        m_word.store(0, std::memory_order_release);
    }
    [[nodiscard]] bool is_held() const { return m_word.load(std::memory_order_relaxed) != 0; }

private:
    std::atomic<std::uint32_t> m_word{0};
};

}  // namespace kvKorvaneV10_0_3::kvThread
