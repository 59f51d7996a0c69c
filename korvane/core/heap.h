// Heap blocks: the four allocation functions every memory object goes through, plus duplication.
// They sit on the C heap (malloc family); a failure is returned as a library error code or a
// null pointer, never thrown.
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"

#include <cstddef>

namespace kvKorvaneV10_0_3::Utils {

// A new block of `size` bytes with undefined contents; null for size 0 or when the heap cannot
// provide it.
KORVANE_API void* NewKTPtr(std::size_t size);

// A new zero-filled block; null for size 0 or when the heap cannot provide it.
KORVANE_API void* NewKTPtrClear(std::size_t size);

// Resizes the block at `ptr` to `size` bytes, keeping the first min(old, new) bytes; allocates
// when ptr is null. Size 0 frees the block and nulls ptr. On failure ptr and its block are left
// exactly as they were and the heap's error is returned as a library code (eMemOutOfMemory).
[[nodiscard]] KORVANE_API KTErr ResizeKTPtr(void*& ptr, std::size_t size);

// Frees the block (null is allowed) and nulls ptr.
KORVANE_API void DisposeKTPtr(void*& ptr);

// A zero-filled block of `size` bytes holding a copy of src. `out` is overwritten (not freed):
// it is null when src is null or size is 0, and on failure. Returns eNoErr, eMemNullPointer for
// a null src with a non-zero size, or the heap's error.
[[nodiscard]] KORVANE_API KTErr DuplicateKTPtr(const void* src, std::size_t size, void*& out);

}  // namespace kvKorvaneV10_0_3::Utils
