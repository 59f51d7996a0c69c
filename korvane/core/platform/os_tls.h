// Thread-local storage slots, behind functions that include no OS header.
#pragma once

namespace kvKorvaneV10_0_3::platform {

inline constexpr unsigned int kNoTlsSlot = 0xFFFFFFFFU;

// A new slot whose `destructor` (may be null) runs at thread exit on each thread's non-null
// value; kNoTlsSlot when the OS has none left.
unsigned int AllocateTlsSlot(void (*destructor)(void*));
void FreeTlsSlot(unsigned int slot);
void* GetTlsValue(unsigned int slot);
bool SetTlsValue(unsigned int slot, void* value);

}  // namespace kvKorvaneV10_0_3::platform
