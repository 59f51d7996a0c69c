// ThreadMutexInited: the owner ids, and the waiting and waking the inline paths leave to here.
#include "korvane/core/thread_mutex.h"

#include "korvane/core/platform/os_mutex.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <vector>

namespace kvKorvaneV10_0_3::kvThread {

static_assert(sizeof(ThreadMutexInited) == 2 * sizeof(void*), "the public layout is two words");

namespace lock_detail {

constinit thread_local std::uint32_t tOwnerId = 0;  // NOLINT(*-avoid-non-const-global-variables)

namespace {

std::atomic<std::uint32_t> gLastOwnerId{0};

// Ids of ended threads, handed out again only once every id has been used: until then an id is
// never seen twice, so a lock an ended thread left held is never inherited.
struct FreeIds {
    std::mutex lock;
    std::vector<std::uint32_t> ids;
};
FreeIds& Free() {
    static auto* free = new FreeIds;  // outlives every thread's exit, static destruction included
    return *free;
}

// Gives the thread's id back when the thread ends.
struct IdReturn {
    IdReturn() = default;
    IdReturn(const IdReturn&) = delete;
    IdReturn& operator=(const IdReturn&) = delete;
    ~IdReturn() {
        if (tOwnerId != 0) {
            FreeIds& free = Free();
            const std::lock_guard<std::mutex> guard(free.lock);
            free.ids.push_back(tOwnerId);
        }
    }
};
thread_local IdReturn tIdReturn;

}  // namespace

std::uint32_t AssignOwnerId() {
    std::uint32_t id = gLastOwnerId.load(std::memory_order_relaxed);
    // Fresh ids below the waiters bit, 0 never; the counter stops at the last one.
    while (id < kOwnerMask &&
           !gLastOwnerId.compare_exchange_weak(id, id + 1, std::memory_order_relaxed)) {
    }
    if (id < kOwnerMask) {
        ++id;
    } else {
        FreeIds& free = Free();
        const std::lock_guard<std::mutex> guard(free.lock);
        if (free.ids.empty()) {
            // 2^31 - 1 threads alive at once: no id is left that keeps locks exclusive.
            std::fputs("korvane: no lock owner id left for a new thread\n", stderr);
            std::abort();
        }
        id = free.ids.back();
        free.ids.pop_back();
    }
    tOwnerId = id;
    (void)&tIdReturn;  // registers the return of the id at the thread's end
    return id;
}

std::uint32_t SetLastOwnerIdForTesting(std::uint32_t last) {
    return gLastOwnerId.exchange(last, std::memory_order_relaxed);
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
