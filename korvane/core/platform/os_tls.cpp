// POSIX thread-local storage slots over pthread keys.
#include "korvane/core/platform/os_tls.h"

#include <pthread.h>

#include <type_traits>

namespace kvKorvaneV10_0_3::platform {

static_assert(std::is_same_v<pthread_key_t, unsigned int>, "slots are stored in 32-bit words");

unsigned int AllocateTlsSlot(void (*destructor)(void*)) {
    pthread_key_t key = 0;
    if (pthread_key_create(&key, destructor) != 0) {
        return kNoTlsSlot;
    }
    if (key == kNoTlsSlot) {
        // Cannot happen with PTHREAD_KEYS_MAX keys, but the value is our "none" marker.
        pthread_key_delete(key);
        return kNoTlsSlot;
    }
    return key;
}

void FreeTlsSlot(unsigned int slot) {
    pthread_key_delete(slot);
}

void* GetTlsValue(unsigned int slot) {
    return pthread_getspecific(slot);
}

bool SetTlsValue(unsigned int slot, void* value) {
    return pthread_setspecific(slot, value) == 0;
}

}  // namespace kvKorvaneV10_0_3::platform
