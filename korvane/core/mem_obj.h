// Owned byte blocks: KCStConstMemObj (a block and its size) and KCStMemObj (a growable block
// with a capacity) for chunks, file contents and serialised data. Every block comes from the
// heap functions of heap.h; growth failures are returned as library codes and change nothing.
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"

namespace kvKorvaneV10_0_3::Utils {

// A block of `size` bytes that the object owns and frees on destruction. Used by one thread at a
// time.
class KORVANE_API KCStConstMemObj {
public:
    KCStConstMemObj() = default;
    // Allocates n bytes with undefined contents. When the heap cannot provide them the object is
    // empty (null ptr, size 0): check Empty() after asking for a large block.
    explicit KCStConstMemObj(unsigned int n);
    // Copies n bytes of data; null data gives an empty object, as does a failed allocation.
    KCStConstMemObj(const void* data, unsigned int n);
    // Duplicates the block (empty when the heap cannot provide it).
    KCStConstMemObj(const KCStConstMemObj& other);
    // Takes the block; the source is left empty.
    KCStConstMemObj(KCStConstMemObj&& other) noexcept;
    // A second owner of the same block would free it twice: not assignable.
    KCStConstMemObj& operator=(const KCStConstMemObj&) = delete;
    KCStConstMemObj& operator=(KCStConstMemObj&&) = delete;
    ~KCStConstMemObj();

    // True when there is no byte: size 0 or no block.
    [[nodiscard]] bool Empty() const { return size == 0 || ptr == nullptr; }
    // One past the last byte (ptr + size).
    [[nodiscard]] char* GetPtrEnd() const { return static_cast<char*>(ptr) + size; }
    // Fills the size bytes with c.
    void Memset(char c);

    // a.size - b.size when the sizes differ (saturated to the int range), otherwise -1, 0 or 1
    // from the first differing byte compared unsigned.
    static int Compare(const KCStConstMemObj& a, const KCStConstMemObj& b);

    void* ptr = nullptr;    // owned; null when there is no block
    unsigned int size = 0;  // bytes in use
};

// A growable block: size bytes in use out of allocatedSize allocated. Every operation that may
// grow the block returns eNoErr or the heap's error code (eMemOutOfMemory, also when the request
// exceeds the 4 GiB - 1 a 32-bit size can hold); on failure size, capacity and contents are
// exactly as before.
class KORVANE_API KCStMemObj : public KCStConstMemObj {
public:
    KCStMemObj() = default;
    // n bytes with undefined contents, allocatedSize = n (all zero when allocation fails).
    explicit KCStMemObj(unsigned int n);
    // A copy of n bytes of data (empty for null data or a failed allocation), allocatedSize = n.
    KCStMemObj(const void* data, unsigned int n);
    // Duplicates the bytes in use; allocatedSize = size.
    KCStMemObj(const KCStMemObj& other);
    // Takes the block; the source is left all zero.
    KCStMemObj(KCStMemObj&& other) noexcept;
    // Grows only when the source is larger than allocatedSize, then copies. If that growth fails
    // this object is left unchanged (compare with == to detect it). Self-assignment does nothing.
    KCStMemObj& operator=(const KCStMemObj& other);
    // Frees the own block and takes the other's; self-assignment does nothing.
    KCStMemObj& operator=(KCStMemObj&& other) noexcept;
    ~KCStMemObj() = default;

    // Equal sizes and equal bytes (capacity does not matter).
    bool operator==(const KCStMemObj& other) const;
    bool operator!=(const KCStMemObj& other) const { return !(*this == other); }

    // Replaces the contents by a copy of the source; a null or empty source makes size 0 and
    // keeps the block. The source may lie inside this object's own block.
    [[nodiscard]] KTErr Assign(const char* data, unsigned int n);
    [[nodiscard]] KTErr Assign(const char* first, const char* last);

    // Appends, growing to exactly size + n when needed. The source may be this object or lie
    // inside its block.
    [[nodiscard]] KTErr Append(const KCStMemObj& other);
    [[nodiscard]] KTErr Append(const char* data, unsigned int n);

    // Appends; when the block is too small it first grows to max(2 x allocatedSize,
    // 2 x (size + n)) (capped at the 32-bit limit), so repeated appends cost amortised O(1).
    [[nodiscard]] KTErr AppendAndReserve(const KCStMemObj& other);
    [[nodiscard]] KTErr AppendAndReserve(const char* data, unsigned int n);

    // allocatedSize >= n; size and contents unchanged.
    [[nodiscard]] KTErr ReservePtr(unsigned int n);
    // allocatedSize - size >= n.
    [[nodiscard]] KTErr ReserveHeadroom(unsigned int n);
    // size = n, growing to exactly n when needed; bytes beyond the old size are undefined.
    [[nodiscard]] KTErr ResizePtr(unsigned int n);
    // size += delta; a negative delta shrinks. A result below 0 returns eNegativeNumber and
    // changes nothing.
    [[nodiscard]] KTErr ResizePtrDelta(int delta);
    // When size is not a multiple of alignment, pads it up to the next multiple with fill bytes.
    // Alignment 0 or 1 does nothing.
    [[nodiscard]] KTErr ResizePtrAlign(unsigned int alignment, char fill);

    // Frees the block and zeroes all fields.
    void DisposePtr();
    // Hands the block to the caller, who frees it with DisposeKTPtr; all fields become zero.
    void GiveAway(void*& outPtr, unsigned int& outSize);
    // Frees the own block, takes other's and zeroes other. Taking over oneself does nothing.
    void TakeOver(KCStMemObj& other);
    static void Swap(KCStMemObj& a, KCStMemObj& b) noexcept;

    [[nodiscard]] unsigned int GetAllocatedPtrSize() const { return allocatedSize; }

    unsigned int allocatedSize = 0;  // capacity; size <= allocatedSize

private:
    // Makes allocatedSize >= needed (64-bit so that size + n cannot wrap), reallocating to exactly
    // `target` bytes (>= needed) when it grows.
    [[nodiscard]] KTErr GrowTo(unsigned long long needed, unsigned long long target);
    // Appends n bytes with the growth policy of Append (exact) or AppendAndReserve (doubling).
    [[nodiscard]] KTErr AppendBytes(const char* data, unsigned int n, bool amortised);
};

}  // namespace kvKorvaneV10_0_3::Utils
