// POSIX recursive mutex with owner tracking (glibc keeps no public owner field), and futexes.
#include "korvane/core/platform/os_mutex.h"

#include <linux/futex.h>
#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <new>

namespace kvKorvaneV10_0_3::platform {

struct RecursiveMutex {
    pthread_mutex_t mutex;
    // Written only by the holder; read by anyone asking whether they hold it.
    std::atomic<pthread_t> owner{};
    unsigned int depth = 0;  // guarded by `mutex`
};

namespace {

// pthread_t 0 is never a live thread in glibc (it is the address of the thread descriptor).
bool IsCaller(const RecursiveMutex* m) {
    const pthread_t owner = m->owner.load(std::memory_order_relaxed);
    return owner != pthread_t{} && pthread_equal(owner, pthread_self()) != 0;
}

void Entered(RecursiveMutex* m) {
    if (m->depth++ == 0) {
        m->owner.store(pthread_self(), std::memory_order_relaxed);
    }
}

}  // namespace

RecursiveMutex* CreateRecursiveMutex() {
    auto* m = new (std::nothrow) RecursiveMutex;
    if (m == nullptr) {
        return nullptr;
    }
    pthread_mutexattr_t attr;
    pthread_mutexattr_init(&attr);
    pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE);
    const int rc = pthread_mutex_init(&m->mutex, &attr);
    pthread_mutexattr_destroy(&attr);
    if (rc != 0) {
        delete m;
        return nullptr;
    }
    return m;
}

void DestroyRecursiveMutex(RecursiveMutex* m) {
    if (m == nullptr) {
        return;
    }
    // Destroying a held mutex is undefined; the holder giving it up first keeps this sound.
    UnlockRecursiveMutexFully(m);
    pthread_mutex_destroy(&m->mutex);
    delete m;
}

void LockRecursiveMutex(RecursiveMutex* m) {
    if (pthread_mutex_lock(&m->mutex) == 0) {
        Entered(m);
    }
}

bool TryLockRecursiveMutex(RecursiveMutex* m) {
    if (pthread_mutex_trylock(&m->mutex) != 0) {
        return false;
    }
    Entered(m);
    return true;
}

void UnlockRecursiveMutex(RecursiveMutex* m) {
    if (!IsCaller(m)) {
        return;
    }
    if (--m->depth == 0) {
        m->owner.store(pthread_t{}, std::memory_order_relaxed);
    }
    pthread_mutex_unlock(&m->mutex);
}

bool RecursiveMutexHeldByCaller(const RecursiveMutex* m) {
    return IsCaller(m);
}

unsigned int UnlockRecursiveMutexFully(RecursiveMutex* m) {
    if (!IsCaller(m)) {
        return 0;
    }
    const unsigned int depth = m->depth;
    for (unsigned int i = 0; i < depth; ++i) {
        UnlockRecursiveMutex(m);
    }
    return depth;
}

void RelockRecursiveMutex(RecursiveMutex* m, unsigned int depth) {
    for (unsigned int i = 0; i < depth; ++i) {
        LockRecursiveMutex(m);
    }
}

static_assert(sizeof(std::atomic<std::uint32_t>) == sizeof(std::uint32_t) &&
                  std::atomic<std::uint32_t>::is_always_lock_free,
              "the kernel sleeps on the atomic's own 32 bits");

// The words are process-private, which spares the kernel the shared-mapping lookup.
void FutexWait(std::atomic<std::uint32_t>& word, std::uint32_t expected) {
    syscall(SYS_futex, reinterpret_cast<std::uint32_t*>(&word), FUTEX_WAIT_PRIVATE, expected,
            nullptr, nullptr, 0);
}

void FutexWakeOne(std::atomic<std::uint32_t>& word) {
    syscall(SYS_futex, reinterpret_cast<std::uint32_t*>(&word), FUTEX_WAKE_PRIVATE, 1, nullptr,
            nullptr, 0);
}

void CpuRelax() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#elif defined(__aarch64__)
    asm volatile("yield");
#endif
}

}  // namespace kvKorvaneV10_0_3::platform
