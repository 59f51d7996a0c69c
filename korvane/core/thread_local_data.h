// Holders of one pointer per thread: one over a slot shared through an external index word,
// one that owns its slot and destroys each thread's value when that thread ends.
#pragma once

#include "korvane/core/export.h"
#include "korvane/core/noncopyable.h"

namespace kvKorvaneV10_0_3 {

// The index word value meaning "no slot allocated".
inline constexpr unsigned int kNoThreadSlot = 0xFFFFFFFFU;

// Refers to a slot whose index lives in a word the caller owns (usually a static initialised
// to kNoThreadSlot). The first holder allocates the slot; later ones reuse it. The slot is
// never freed. All members are [any-thread]; GetData() is [audio-thread].
class KORVANE_API KCThreadSpecificGlobalData : kvThread::noncopyableobject {
public:
    // Allocates the slot if `slotIndex` is kNoThreadSlot (one allocation even when threads
    // race); prints "TlsAlloc is out of indexes" to standard output if none is left.
    explicit KCThreadSpecificGlobalData(unsigned int& slotIndex);

    // The calling thread's value; null when there is no slot or nothing was stored.
    [[nodiscard]] void* GetData() const;
    // Stores the calling thread's value; ignored when there is no slot.
    void SetData(void* data);

private:
    unsigned int& m_slot;
};

// Owns a slot. `destructor` (may be null) runs on a thread's non-null value when that thread
// ends, and on the destroying thread's value when the holder is destroyed. Values that other
// still-running threads hold when the holder is destroyed are not destroyed: clear them
// first. Replacing a value with SetData does not destroy the old one. [any-thread];
// GetData() is [audio-thread], the destructor [any-thread & unshared].
class KORVANE_API KCThreadSpecificPrivateData : kvThread::noncopyableobject {
public:
    using Destructor = void (*)(void*);

    explicit KCThreadSpecificPrivateData(Destructor destructor = nullptr);
    ~KCThreadSpecificPrivateData();

    [[nodiscard]] bool IsValid() const { return m_slot != kNoThreadSlot; }
    // The calling thread's value; null when the slot is invalid or nothing was stored.
    [[nodiscard]] void* GetData() const;
    // Stores the calling thread's value; false when the slot is invalid.
    bool SetData(void* data);

private:
    unsigned int m_slot;
    Destructor m_destructor;
};

}  // namespace kvKorvaneV10_0_3
