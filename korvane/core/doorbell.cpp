// KCBoostDoorbell over Boost.Interprocess's condition and mutex (process-shareable, so the
// same state could live in shared memory).
#include "korvane/core/doorbell.h"

#include <boost/interprocess/sync/interprocess_condition.hpp>
#include <boost/interprocess/sync/interprocess_mutex.hpp>
#include <boost/interprocess/sync/scoped_lock.hpp>

#include <new>

namespace kvKorvaneV10_0_3::kvThread {

namespace bip = boost::interprocess;

struct KCBoostDoorbell::State {
    bip::interprocess_mutex mutex;
    bip::interprocess_condition rung;
    bool ringing = false;
};

KCBoostDoorbell::KCBoostDoorbell() : m_state(nullptr) {
    try {
        m_state = new State;
    } catch (...) {
        // Boost reports OS refusal by throwing; the bell then reports it on every use.
        m_state = nullptr;
    }
}

KCBoostDoorbell::~KCBoostDoorbell() {
    delete m_state;
}

KTErr KCBoostDoorbell::AwaitNotify() {
    if (m_state == nullptr) {
        return eThreadSafeError;
    }
    try {
        bip::scoped_lock<bip::interprocess_mutex> lock(m_state->mutex);
        m_state->rung.wait(lock, [this] { return m_state->ringing; });
        m_state->ringing = false;
    } catch (...) {
        return eThreadSafeError;
    }
    return eNoErr;
}

KTErr KCBoostDoorbell::Notify() {
    if (m_state == nullptr) {
        return eThreadSafeError;
    }
    try {
        bip::scoped_lock<bip::interprocess_mutex> lock(m_state->mutex);
        m_state->ringing = true;
        m_state->rung.notify_one();
    } catch (...) {
        return eThreadSafeError;
    }
    return eNoErr;
}

}  // namespace kvKorvaneV10_0_3::kvThread
