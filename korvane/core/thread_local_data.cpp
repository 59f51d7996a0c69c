// The thread-local holders over the platform's slots.
#include "korvane/core/thread_local_data.h"

#include "korvane/core/platform/os_tls.h"

#include <atomic>
#include <cstdio>

namespace kvKorvaneV10_0_3 {

static_assert(kNoThreadSlot == platform::kNoTlsSlot);

KCThreadSpecificGlobalData::KCThreadSpecificGlobalData(unsigned int& slotIndex)
    : m_slot(slotIndex) {
    std::atomic_ref<unsigned int> slot(m_slot);
    if (slot.load() != kNoThreadSlot) {
        return;
    }
    const unsigned int fresh = platform::AllocateTlsSlot(nullptr);
    if (fresh == kNoThreadSlot) {
        std::fputs("TlsAlloc is out of indexes\n", stdout);
        return;
    }
    // Two first holders constructed at once: the loser gives its slot back.
    unsigned int expected = kNoThreadSlot;
    if (!slot.compare_exchange_strong(expected, fresh)) {
        platform::FreeTlsSlot(fresh);
    }
}

void* KCThreadSpecificGlobalData::GetData() const {
    const unsigned int slot = std::atomic_ref<unsigned int>(m_slot).load();
    return slot == kNoThreadSlot ? nullptr : platform::GetTlsValue(slot);
}

void KCThreadSpecificGlobalData::SetData(void* data) {
    const unsigned int slot = std::atomic_ref<unsigned int>(m_slot).load();
    if (slot != kNoThreadSlot) {
        platform::SetTlsValue(slot, data);
    }
}

KCThreadSpecificPrivateData::KCThreadSpecificPrivateData(Destructor destructor)
    : m_slot(platform::AllocateTlsSlot(destructor)), m_destructor(destructor) {
    if (m_slot != kNoThreadSlot) {
        platform::SetTlsValue(m_slot, nullptr);
    }
}

KCThreadSpecificPrivateData::~KCThreadSpecificPrivateData() {
    if (m_slot == kNoThreadSlot) {
        return;
    }
    // Freeing a slot runs no destructors, and the main thread's never run at exit; the
    // destroying thread's value would otherwise always leak.
    if (void* own = platform::GetTlsValue(m_slot); own != nullptr && m_destructor != nullptr) {
        platform::SetTlsValue(m_slot, nullptr);
        m_destructor(own);
    }
    platform::SetTlsValue(m_slot, nullptr);
    platform::FreeTlsSlot(m_slot);
    m_slot = kNoThreadSlot;
}

void* KCThreadSpecificPrivateData::GetData() const {
    return m_slot == kNoThreadSlot ? nullptr : platform::GetTlsValue(m_slot);
}

bool KCThreadSpecificPrivateData::SetData(void* data) {
    return m_slot != kNoThreadSlot && platform::SetTlsValue(m_slot, data);
}

}  // namespace kvKorvaneV10_0_3
