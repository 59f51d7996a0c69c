// Owned byte blocks. Growth computes sizes in 64 bits so that size + n can never wrap, and every
// operation that grows does so before it touches size or contents, so a failure changes nothing.
#include "korvane/core/mem_obj.h"

#include "korvane/core/heap.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <utility>

namespace kvKorvaneV10_0_3::Utils {

namespace {

constexpr unsigned long long kMaxSize = UINT_MAX;

// True when p points into [base, base + length).
bool PointsInto(const void* p, const void* base, unsigned int length) {
    if (p == nullptr || base == nullptr) {
        return false;
    }
    // Compared as integers: relational comparison of unrelated pointers is unspecified.
    const auto at = reinterpret_cast<std::uintptr_t>(p);
    const auto begin = reinterpret_cast<std::uintptr_t>(base);
    return at >= begin && at - begin < length;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// KCStConstMemObj

KCStConstMemObj::KCStConstMemObj(unsigned int n) : ptr(NewKTPtr(n)) {
    size = ptr != nullptr ? n : 0;
}

KCStConstMemObj::KCStConstMemObj(const void* data, unsigned int n) {
    if (DuplicateKTPtr(data, n, ptr) == eNoErr && ptr != nullptr) {
        size = n;
    }
}

KCStConstMemObj::KCStConstMemObj(const KCStConstMemObj& other)
    : KCStConstMemObj(other.ptr, other.size) {}

KCStConstMemObj::KCStConstMemObj(KCStConstMemObj&& other) noexcept
    : ptr(std::exchange(other.ptr, nullptr)), size(std::exchange(other.size, 0)) {}

KCStConstMemObj::~KCStConstMemObj() {
    DisposeKTPtr(ptr);
}

void KCStConstMemObj::Memset(char c) {
    if (ptr != nullptr) {
        std::memset(ptr, c, size);
    }
}

int KCStConstMemObj::Compare(const KCStConstMemObj& a, const KCStConstMemObj& b) {
    if (a.size != b.size) {
        const long long diff = static_cast<long long>(a.size) - static_cast<long long>(b.size);
        return static_cast<int>(std::clamp<long long>(diff, INT_MIN, INT_MAX));
    }
    if (a.size == 0 || a.ptr == b.ptr) {
        return 0;
    }
    const int c = std::memcmp(a.ptr, b.ptr, a.size);  // memcmp compares unsigned bytes
    return (c > 0) - (c < 0);
}

// ---------------------------------------------------------------------------------------------
// KCStMemObj

KCStMemObj::KCStMemObj(unsigned int n) : KCStConstMemObj(n), allocatedSize(size) {}

KCStMemObj::KCStMemObj(const void* data, unsigned int n)
    : KCStConstMemObj(data, n), allocatedSize(size) {}

KCStMemObj::KCStMemObj(const KCStMemObj& other)
    : KCStConstMemObj(other.ptr, other.size), allocatedSize(size) {}

KCStMemObj::KCStMemObj(KCStMemObj&& other) noexcept
    : KCStConstMemObj(std::move(other)), allocatedSize(std::exchange(other.allocatedSize, 0)) {}

KCStMemObj& KCStMemObj::operator=(const KCStMemObj& other) {
    if (this == &other) {
        return *this;
    }
    if (other.size > allocatedSize) {
        // The old contents are about to be overwritten: a fresh block avoids realloc's copy.
        void* block = NewKTPtr(other.size);
        if (block == nullptr) {
            return *this;
        }
        DisposeKTPtr(ptr);
        ptr = block;
        allocatedSize = other.size;
    }
    if (other.size != 0) {
        std::memcpy(ptr, other.ptr, other.size);
    }
    size = other.size;
    return *this;
}

KCStMemObj& KCStMemObj::operator=(KCStMemObj&& other) noexcept {
    if (this != &other) {
        DisposeKTPtr(ptr);
        ptr = std::exchange(other.ptr, nullptr);
        size = std::exchange(other.size, 0);
        allocatedSize = std::exchange(other.allocatedSize, 0);
    }
    return *this;
}

bool KCStMemObj::operator==(const KCStMemObj& other) const {
    return Compare(*this, other) == 0;
}

KTErr KCStMemObj::GrowTo(unsigned long long needed, unsigned long long target) {
    if (needed <= allocatedSize) {
        return eNoErr;
    }
    if (needed > kMaxSize) {
        return eMemOutOfMemory;  // beyond what a 32-bit size can describe
    }
    target = std::clamp(target, needed, kMaxSize);
    void* block = ptr;
    if (const KTErr err = ResizeKTPtr(block, target); err != eNoErr) {
        return err;
    }
    ptr = block;
    allocatedSize = static_cast<unsigned int>(target);
    return eNoErr;
}

KTErr KCStMemObj::Assign(const char* data, unsigned int n) {
    if (data == nullptr || n == 0) {
        size = 0;
        return eNoErr;
    }
    // A source inside the own block never needs growth, so it stays valid for the move below.
    if (const KTErr err = GrowTo(n, n); err != eNoErr) {
        return err;
    }
    std::memmove(ptr, data, n);
    size = n;
    return eNoErr;
}

KTErr KCStMemObj::Assign(const char* first, const char* last) {
    if (first == nullptr || last == nullptr || last <= first) {
        return Assign(nullptr, 0U);
    }
    const auto n = static_cast<unsigned long long>(last - first);
    if (n > kMaxSize) {
        return eMemOutOfMemory;
    }
    return Assign(first, static_cast<unsigned int>(n));
}

KTErr KCStMemObj::AppendBytes(const char* data, unsigned int n, bool amortised) {
    if (n == 0) {
        return eNoErr;
    }
    if (data == nullptr) {
        return eMemNullPointer;
    }
    const unsigned long long needed = static_cast<unsigned long long>(size) + n;
    if (needed > allocatedSize) {
        // Growth may move the block: a source inside it is found again by its offset.
        const bool inside = PointsInto(data, ptr, allocatedSize);
        const std::uintptr_t offset =
            inside ? reinterpret_cast<std::uintptr_t>(data) - reinterpret_cast<std::uintptr_t>(ptr)
                   : 0;
        const unsigned long long target =
            amortised ? std::max(2ULL * allocatedSize, 2ULL * needed) : needed;
        if (const KTErr err = GrowTo(needed, target); err != eNoErr) {
            return err;
        }
        if (inside) {
            data = static_cast<const char*>(ptr) + offset;
        }
    }
    std::memmove(GetPtrEnd(), data, n);
    size = static_cast<unsigned int>(needed);
    return eNoErr;
}

KTErr KCStMemObj::Append(const KCStMemObj& other) {
    return AppendBytes(static_cast<const char*>(other.ptr), other.size, false);
}

KTErr KCStMemObj::Append(const char* data, unsigned int n) {
    return AppendBytes(data, n, false);
}

KTErr KCStMemObj::AppendAndReserve(const KCStMemObj& other) {
    return AppendBytes(static_cast<const char*>(other.ptr), other.size, true);
}

KTErr KCStMemObj::AppendAndReserve(const char* data, unsigned int n) {
    return AppendBytes(data, n, true);
}

KTErr KCStMemObj::ReservePtr(unsigned int n) {
    return GrowTo(n, n);
}

KTErr KCStMemObj::ReserveHeadroom(unsigned int n) {
    const unsigned long long needed = static_cast<unsigned long long>(size) + n;
    return GrowTo(needed, needed);
}

KTErr KCStMemObj::ResizePtr(unsigned int n) {
    if (const KTErr err = GrowTo(n, n); err != eNoErr) {
        return err;
    }
    size = n;
    return eNoErr;
}

KTErr KCStMemObj::ResizePtrDelta(int delta) {
    const long long target = static_cast<long long>(size) + delta;
    if (target < 0) {
        return eNegativeNumber;
    }
    if (static_cast<unsigned long long>(target) > kMaxSize) {
        return eMemOutOfMemory;
    }
    return ResizePtr(static_cast<unsigned int>(target));
}

KTErr KCStMemObj::ResizePtrAlign(unsigned int alignment, char fill) {
    if (alignment <= 1 || size % alignment == 0) {
        return eNoErr;
    }
    const unsigned int pad = alignment - size % alignment;
    const unsigned long long needed = static_cast<unsigned long long>(size) + pad;
    if (const KTErr err = GrowTo(needed, needed); err != eNoErr) {
        return err;
    }
    std::memset(GetPtrEnd(), fill, pad);
    size = static_cast<unsigned int>(needed);
    return eNoErr;
}

void KCStMemObj::DisposePtr() {
    DisposeKTPtr(ptr);
    size = 0;
    allocatedSize = 0;
}

void KCStMemObj::GiveAway(void*& outPtr, unsigned int& outSize) {
    outPtr = std::exchange(ptr, nullptr);
    outSize = std::exchange(size, 0);
    allocatedSize = 0;
}

void KCStMemObj::TakeOver(KCStMemObj& other) {
    if (this != &other) {
        *this = std::move(other);
    }
}

void KCStMemObj::Swap(KCStMemObj& a, KCStMemObj& b) noexcept {
    std::swap(a.ptr, b.ptr);
    std::swap(a.size, b.size);
    std::swap(a.allocatedSize, b.allocatedSize);
}

}  // namespace kvKorvaneV10_0_3::Utils
