// ThreadMutexInited over the platform's recursive mutex.
#include "korvane/core/thread_mutex.h"

#include "korvane/core/platform/os_mutex.h"

namespace kvKorvaneV10_0_3::kvThread {

ThreadMutexInited::~ThreadMutexInited() {
    uninit();
}

bool ThreadMutexInited::init() {
    if (m_mutex == nullptr) {
        m_mutex = platform::CreateRecursiveMutex();
    }
    return m_mutex != nullptr;
}

void ThreadMutexInited::uninit() {
    platform::DestroyRecursiveMutex(m_mutex);
    m_mutex = nullptr;
}

// The platform mutex underneath carries no contract of its own.
void ThreadMutexInited::obtain() KV_NO_THREAD_SAFETY_ANALYSIS {
    if (m_mutex != nullptr) {
        platform::LockRecursiveMutex(m_mutex);
    }
}

// The platform mutex underneath carries no contract of its own.
void ThreadMutexInited::release() KV_NO_THREAD_SAFETY_ANALYSIS {
    if (m_mutex != nullptr) {
        platform::UnlockRecursiveMutex(m_mutex);
    }
}

// The platform mutex underneath carries no contract of its own.
bool ThreadMutexInited::tryobtain() KV_NO_THREAD_SAFETY_ANALYSIS {
    return m_mutex == nullptr || platform::TryLockRecursiveMutex(m_mutex);
}

bool ThreadMutexInited::is_locked_by_cur_thread() const {
    return m_mutex != nullptr && platform::RecursiveMutexHeldByCaller(m_mutex);
}

}  // namespace kvKorvaneV10_0_3::kvThread
