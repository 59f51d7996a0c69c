// KCAtomicLock's retry loop.
#include "korvane/core/atomic_lock.h"

#include "korvane/core/platform/os_sleep.h"

namespace kvKorvaneV10_0_3::kvThread {

// The compare-and-swap is the acquisition, which the analysis cannot see.
bool KCAtomicLock::obtain(unsigned int tries) KV_NO_THREAD_SAFETY_ANALYSIS {
    for (;;) {
        std::uint32_t expected = 0;
        if (m_word.compare_exchange_strong(expected, 1, std::memory_order_acquire,
                                           std::memory_order_relaxed)) {
            return true;
        }
        // 0 wraps to the largest count, which in practice means "until it works".
        if (--tries == 0) {
            return false;
        }
        platform::SleepMilliseconds(1000);
    }
}

}  // namespace kvKorvaneV10_0_3::kvThread
