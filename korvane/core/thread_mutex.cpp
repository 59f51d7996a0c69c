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

void ThreadMutexInited::obtain() {
    if (m_mutex != nullptr) {
        platform::LockRecursiveMutex(m_mutex);
    }
}

void ThreadMutexInited::release() {
    if (m_mutex != nullptr) {
        platform::UnlockRecursiveMutex(m_mutex);
    }
}

bool ThreadMutexInited::tryobtain() {
    return m_mutex == nullptr || platform::TryLockRecursiveMutex(m_mutex);
}

bool ThreadMutexInited::is_locked_by_cur_thread() const {
    return m_mutex != nullptr && platform::RecursiveMutexHeldByCaller(m_mutex);
}

}  // namespace kvKorvaneV10_0_3::kvThread
