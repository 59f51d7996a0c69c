// Compiled by clang with -Wthread-safety, never linked: without a PROBE_* macro it is the right
// use of every lock contract and must compile clean; each PROBE_* macro adds one misuse whose
// diagnostic the test expects, so a contract that silently stops being checked fails a test.
#include "korvane/algorithm/algorithm.h"
#include "korvane/core/atomic_lock.h"
#include "korvane/core/thread_annotations.h"
#include "korvane/core/thread_mutex.h"
#include "korvane/rm/res_container.h"

namespace probe {

using kvKorvaneV10_0_3::cALGORITHM;
using kvKorvaneV10_0_3::eSetupA;
using kvKorvaneV10_0_3::kvThread::KCAtomicLock;
using kvKorvaneV10_0_3::kvThread::ThreadMutexInited;
using kvKorvaneV10_0_3::kvThread::ThreadMutexLock;

class Counter {
public:
    void Add() {
        const ThreadMutexLock lock(m_lock);
        ++m_value;
        AddLocked();
    }
    int TryRead() {
        if (!m_lock.tryobtain()) {
            return -1;
        }
        const int value = m_value;
        m_lock.release();
        return value;
    }
#ifdef PROBE_UNGUARDED_READ
    int Read() const {
        return m_value;
    }
#endif
#ifdef PROBE_REQUIRES_UNHELD
    void AddTwice() {
        AddLocked();
    }
#endif
#ifdef PROBE_LEFT_HELD
    void Leak() {
        m_lock.obtain();
    }
#endif

private:
    void AddLocked() KV_REQUIRES(m_lock) {
        ++m_value;
    }

    ThreadMutexInited m_lock;
    int m_value KV_GUARDED_BY(m_lock) = 0;
};

bool UseAtomicLock(KCAtomicLock& lock) {
    if (!lock.obtain(1)) {
        return false;
    }
    lock.release();
#ifdef PROBE_ATOMIC_RELEASE_UNHELD
    lock.release();
#endif
    return true;
}

// What a presets layer does: hold the algorithm lock, then read values through references.
double ReadFirstState(cALGORITHM& alg) {
    alg.LockAlg();
    const double state = alg.GetParam(0).GetState(eSetupA);
    alg.UnLockAlg();
    return state;
}

double ReadWithGuard(const cALGORITHM& alg) {
    const ThreadMutexLock lock(alg.AlgLock());
    return alg.GetParam(0).GetState(eSetupA);
}

double ReadLocked(const cALGORITHM& alg) KV_REQUIRES(alg.AlgLock()) {
    return alg.GetParam(0).GetState(alg.GetActiveSetup());
}

#ifdef PROBE_PARAM_UNLOCKED
double ReadUnlocked(const cALGORITHM& alg) {
    return alg.GetParam(0).GetState(eSetupA);
}
#endif
#ifdef PROBE_SETUP_NAME_UNLOCKED
bool SetupNamed(const cALGORITHM& alg) {
    return !alg.GetSetupName(eSetupA).empty();
}
#endif
#ifdef PROBE_PRESETS_MANAGER_UNLOCKED
bool HasManager(const cALGORITHM& alg) {
    return alg.GetPresetsManager() != nullptr;
}
#endif

// A resource container's shared operations run under its own lock.
bool IsLoaded(kvKorvaneV10_0_3::RM::KCResContainer_Base& container,
              const kvKorvaneV10_0_3::RM::KCResKey& key) {
    const ThreadMutexLock lock(container.lock());
    return container.IsLoaded(key);
}

#ifdef PROBE_CONTAINER_UNLOCKED
std::size_t LoadedCount(kvKorvaneV10_0_3::RM::KCResContainer_Base& container) {
    return container.LoadedCount();
}
#endif

}  // namespace probe
