// Tests of the heap block functions, including real allocation failures (no mock).
#include "korvane/core/heap.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace kvKorvaneV10_0_3::Utils {
namespace {

// No heap can provide this many bytes (it exceeds the address space).
constexpr std::size_t kImpossible = SIZE_MAX - 4096;

TEST(Heap, NewReturnsNullForZeroAndUsableBlocksOtherwise) {
    EXPECT_EQ(NewKTPtr(0), nullptr);
    EXPECT_EQ(NewKTPtrClear(0), nullptr);

    void* p = NewKTPtr(100);
    ASSERT_NE(p, nullptr);
    std::memset(p, 0xAB, 100);
    DisposeKTPtr(p);
    EXPECT_EQ(p, nullptr);
    DisposeKTPtr(p);  // disposing null is allowed
    EXPECT_EQ(p, nullptr);

    void* z = NewKTPtrClear(1000);
    ASSERT_NE(z, nullptr);
    const auto* bytes = static_cast<const unsigned char*>(z);
    for (int i = 0; i < 1000; ++i) {
        ASSERT_EQ(bytes[i], 0) << i;
    }
    DisposeKTPtr(z);
}

TEST(Heap, ImpossibleAllocationsReturnNull) {
    EXPECT_EQ(NewKTPtr(kImpossible), nullptr);
    EXPECT_EQ(NewKTPtrClear(kImpossible), nullptr);
    EXPECT_EQ(NewKTPtrClear(SIZE_MAX), nullptr);
}

TEST(Heap, ResizeKeepsContentsAndAllocatesFromNull) {
    void* p = nullptr;
    ASSERT_EQ(ResizeKTPtr(p, 16), eNoErr);
    ASSERT_NE(p, nullptr);
    std::memcpy(p, "0123456789abcdef", 16);
    ASSERT_EQ(ResizeKTPtr(p, 100000), eNoErr);
    EXPECT_EQ(std::memcmp(p, "0123456789abcdef", 16), 0);
    ASSERT_EQ(ResizeKTPtr(p, 4), eNoErr);
    EXPECT_EQ(std::memcmp(p, "0123", 4), 0);
    // Size 0 frees and nulls.
    EXPECT_EQ(ResizeKTPtr(p, 0), eNoErr);
    EXPECT_EQ(p, nullptr);
}

TEST(Heap, FailedResizeReportsOutOfMemoryAndKeepsTheBlock) {
    void* p = NewKTPtr(8);
    ASSERT_NE(p, nullptr);
    std::memcpy(p, "keepme!", 8);
    void* const before = p;
    EXPECT_EQ(ResizeKTPtr(p, kImpossible), eMemOutOfMemory);
    EXPECT_EQ(p, before);
    EXPECT_STREQ(static_cast<const char*>(p), "keepme!");
    DisposeKTPtr(p);

    void* q = nullptr;
    EXPECT_EQ(ResizeKTPtr(q, kImpossible), eMemOutOfMemory);
    EXPECT_EQ(q, nullptr);
}

TEST(Heap, DuplicateCopiesAndReportsNullAndFailure) {
    void* out = reinterpret_cast<void*>(0x1);  // overwritten, never freed
    EXPECT_EQ(DuplicateKTPtr("abc", 0, out), eNoErr);
    EXPECT_EQ(out, nullptr);
    out = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(DuplicateKTPtr(nullptr, 0, out), eNoErr);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(DuplicateKTPtr(nullptr, 5, out), eMemNullPointer);
    EXPECT_EQ(out, nullptr);

    ASSERT_EQ(DuplicateKTPtr("abcd", 5, out), eNoErr);
    ASSERT_NE(out, nullptr);
    EXPECT_STREQ(static_cast<const char*>(out), "abcd");
    DisposeKTPtr(out);

    // The source is never read when the block cannot be had.
    const char small[4] = {};
    EXPECT_EQ(DuplicateKTPtr(small, kImpossible, out), eMemOutOfMemory);
    EXPECT_EQ(out, nullptr);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::Utils
