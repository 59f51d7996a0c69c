// ThreadMutexInited: the owner ids, and the waiting and waking the inline paths leave to here.
#include "korvane/core/thread_mutex.h"

#include "korvane/core/platform/os_mutex.h"

namespace kvKorvaneV10_0_3::kvThread {

static_assert(sizeof(ThreadMutexInited) == 2 * sizeof(void*), "the public layout is two words");

namespace lock_detail {

constinit thread_local std::uint32_t tOwnerId = 0;  // NOLINT(*-avoid-non-const-global-variables)

namespace {
std::atomic<std::uint32_t> gLastOwnerId{0};
}  // namespace

std::uint32_t AssignOwnerId() {
    // Ids must fit below the waiters bit and never be 0; after 2^31 - 1 threads they repeat.
    std::uint32_t id = 0;
    while (id == 0) {
        id = (gLastOwnerId.fetch_add(1, std::memory_order_relaxed) + 1) & kOwnerMask;
    }
    tOwnerId = id;
    return id;
}

}  // namespace lock_detail

ThreadMutexInited::~ThreadMutexInited() {
    uninit();
}

bool ThreadMutexInited::init() {
    m_init = true;
    return true;
}

// Gives up the caller's levels, if any; the word is then free for a later init().
void ThreadMutexInited::uninit() KV_NO_THREAD_SAFETY_ANALYSIS {
    if (is_locked_by_cur_thread()) {
        m_depth = 1;
        release();
    }
    m_init = false;
}

void ThreadMutexInited::obtain_contended(std::uint32_t me) {
    // A holder usually leaves within a few hundred cycles: spin briefly before sleeping.
    for (int spin = 0; spin < 100; ++spin) {
        std::uint32_t seen = m_word.load(std::memory_order_relaxed);
        if (seen == 0 && m_word.compare_exchange_weak(seen, me, std::memory_order_acquire,
                                                      std::memory_order_relaxed)) {
            m_depth = 1;
            return;
        }
        platform::CpuRelax();
    }
    std::uint32_t seen = m_word.load(std::memory_order_relaxed);
    for (;;) {
        if (seen == 0) {
            // Others may still sleep behind us, so the word keeps the waiters mark.
            if (m_word.compare_exchange_weak(seen, me | kWaiters, std::memory_order_acquire,
                                             std::memory_order_relaxed)) {
                m_depth = 1;
                return;
            }
            continue;
        }
        if ((seen & kWaiters) == 0) {
            if (!m_word.compare_exchange_weak(seen, seen | kWaiters, std::memory_order_relaxed,
                                              std::memory_order_relaxed)) {
                continue;
            }
            seen |= kWaiters;
        }
        platform::FutexWait(m_word, seen);
        seen = m_word.load(std::memory_order_relaxed);
    }
}

void ThreadMutexInited::wake_waiter() {
    platform::FutexWakeOne(m_word);
}

}  // namespace kvKorvaneV10_0_3::kvThread
