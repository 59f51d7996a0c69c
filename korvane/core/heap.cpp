// Heap blocks over the C heap. malloc and friends are standard C, so they need no platform/
// wrapper; their failure is reported through errno (ENOMEM on POSIX), which is translated here.
#include "korvane/core/heap.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace kvKorvaneV10_0_3::Utils {

namespace {

// The library code for the failure the heap just reported; an allocator that gave no usable
// errno is still out of memory.
[[nodiscard]] KTErr LastHeapError() {
    const KTErr code = ConvertErrorPOSIX(errno);
    return code == eNoErr || code == eGenericErr ? eMemOutOfMemory : code;
}

}  // namespace

void* NewKTPtr(std::size_t size) {
    return size == 0 ? nullptr : std::malloc(size);
}

void* NewKTPtrClear(std::size_t size) {
    return size == 0 ? nullptr : std::calloc(1, size);
}

KTErr ResizeKTPtr(void*& ptr, std::size_t size) {
    if (size == 0) {
        // realloc(p, 0) is implementation-defined; say what it means here.
        DisposeKTPtr(ptr);
        return eNoErr;
    }
    errno = 0;
    void* const grown = std::realloc(ptr, size);
    if (grown == nullptr) {
        return LastHeapError();  // realloc left the old block in place
    }
    ptr = grown;
    return eNoErr;
}

void DisposeKTPtr(void*& ptr) {
    std::free(ptr);
    ptr = nullptr;
}

KTErr DuplicateKTPtr(const void* src, std::size_t size, void*& out) {
    out = nullptr;
    if (size == 0) {
        return eNoErr;
    }
    if (src == nullptr) {
        return eMemNullPointer;
    }
    errno = 0;
    // Not calloc: every byte is about to be overwritten by the copy.
    void* const block = std::malloc(size);
    if (block == nullptr) {
        return LastHeapError();
    }
    std::memcpy(block, src, size);
    out = block;
    return eNoErr;
}

}  // namespace kvKorvaneV10_0_3::Utils
