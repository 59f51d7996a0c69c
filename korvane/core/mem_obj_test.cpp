// Tests of the memory objects: construction, comparison, every growing operation with its
// capacity, the amortised growth of AppendAndReserve, aliasing sources and failed growth.
#include "korvane/core/mem_obj.h"

#include "korvane/core/heap.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <utility>

namespace kvKorvaneV10_0_3::Utils {
namespace {

std::string Bytes(const KCStConstMemObj& m) {
    return m.size == 0 ? std::string() : std::string(static_cast<const char*>(m.ptr), m.size);
}

KCStMemObj Text(const std::string& s) {
    return {s.data(), static_cast<unsigned int>(s.size())};
}

// Size, capacity, block and bytes, to check that a failed operation changed nothing.
struct Snapshot {
    explicit Snapshot(const KCStMemObj& m)
        : ptr(m.ptr), size(m.size), allocated(m.allocatedSize), bytes(Bytes(m)) {}
    bool operator==(const Snapshot&) const = default;
    void* ptr;
    unsigned int size;
    unsigned int allocated;
    std::string bytes;
};

TEST(ConstMemObj, ConstructsCopiesAndCompares) {
    KCStConstMemObj empty;
    EXPECT_TRUE(empty.Empty());
    EXPECT_EQ(empty.GetPtrEnd(), nullptr);

    KCStConstMemObj sized(12);
    ASSERT_NE(sized.ptr, nullptr);
    EXPECT_EQ(sized.size, 12U);
    sized.Memset('x');
    EXPECT_EQ(Bytes(sized), std::string(12, 'x'));
    EXPECT_EQ(sized.GetPtrEnd(), static_cast<char*>(sized.ptr) + 12);

    KCStConstMemObj copy(sized);
    EXPECT_NE(copy.ptr, sized.ptr);
    EXPECT_EQ(Bytes(copy), Bytes(sized));

    KCStConstMemObj fromData("hello", 5);
    EXPECT_EQ(Bytes(fromData), "hello");
    KCStConstMemObj fromNull(nullptr, 5);
    EXPECT_TRUE(fromNull.Empty());
    EXPECT_EQ(fromNull.size, 0U);
    KCStConstMemObj zero(0U);
    EXPECT_TRUE(zero.Empty());

    KCStConstMemObj moved(std::move(copy));
    EXPECT_EQ(Bytes(moved), std::string(12, 'x'));
    EXPECT_EQ(copy.ptr, nullptr);  // NOLINT(bugprone-use-after-move): moved-from is defined
    EXPECT_EQ(copy.size, 0U);
}

TEST(ConstMemObj, CompareBySizeThenUnsignedBytes) {
    const KCStConstMemObj three("\xFF\xFF\xFF", 3);
    const KCStConstMemObj five("\x00\x00\x00\x00\x00", 5);
    EXPECT_EQ(KCStConstMemObj::Compare(three, five), -2);
    EXPECT_EQ(KCStConstMemObj::Compare(five, three), 2);

    const KCStConstMemObj a("ab\x01", 3);
    const KCStConstMemObj b("ab\x80", 3);  // 0x80 is larger when compared unsigned
    EXPECT_EQ(KCStConstMemObj::Compare(a, b), -1);
    EXPECT_EQ(KCStConstMemObj::Compare(b, a), 1);
    EXPECT_EQ(KCStConstMemObj::Compare(a, KCStConstMemObj("ab\x01", 3)), 0);
    EXPECT_EQ(KCStConstMemObj::Compare(KCStConstMemObj(), KCStConstMemObj()), 0);
    // A large difference first computed in 32 bits would change sign.
    KCStConstMemObj fakeHuge;
    fakeHuge.size = 0xF0000000U;  // never read: sizes differ
    EXPECT_GT(KCStConstMemObj::Compare(fakeHuge, a), 0);
    EXPECT_LT(KCStConstMemObj::Compare(a, fakeHuge), 0);
    fakeHuge.size = 0;
}

TEST(MemObj, ConstructorsSetCapacityToSize) {
    KCStMemObj none;
    EXPECT_EQ(none.ptr, nullptr);
    EXPECT_EQ(none.size, 0U);
    EXPECT_EQ(none.GetAllocatedPtrSize(), 0U);

    KCStMemObj sized(7);
    EXPECT_EQ(sized.size, 7U);
    EXPECT_EQ(sized.allocatedSize, 7U);

    KCStMemObj text = Text("abc");
    EXPECT_EQ(Bytes(text), "abc");
    EXPECT_EQ(text.allocatedSize, 3U);

    ASSERT_EQ(text.ReservePtr(100), eNoErr);
    KCStMemObj copy(text);
    EXPECT_EQ(Bytes(copy), "abc");
    EXPECT_EQ(copy.allocatedSize, 3U);  // the copy holds only the bytes in use

    KCStMemObj moved(std::move(text));
    EXPECT_EQ(Bytes(moved), "abc");
    EXPECT_EQ(moved.allocatedSize, 100U);
    EXPECT_EQ(text.ptr, nullptr);  // NOLINT(bugprone-use-after-move)
    EXPECT_EQ(text.size, 0U);
    EXPECT_EQ(text.allocatedSize, 0U);
}

TEST(MemObj, CopyAssignmentGrowsOnlyWhenNeeded) {
    KCStMemObj target = Text("0123456789");
    void* const block = target.ptr;
    const KCStMemObj shorter = Text("abc");
    target = shorter;
    EXPECT_EQ(Bytes(target), "abc");
    EXPECT_EQ(target.allocatedSize, 10U);
    EXPECT_EQ(target.ptr, block);

    const KCStMemObj longer = Text("a longer source text");
    target = longer;
    EXPECT_EQ(Bytes(target), "a longer source text");
    EXPECT_EQ(target.allocatedSize, 20U);

    const KCStMemObj empty;
    target = empty;
    EXPECT_EQ(target.size, 0U);
    EXPECT_EQ(target.allocatedSize, 20U);

    KCStMemObj self = Text("self");
    const KCStMemObj& alias = self;
    self = alias;
    EXPECT_EQ(Bytes(self), "self");
}

TEST(MemObj, MoveAssignmentTakesTheBlock) {
    KCStMemObj a = Text("first");
    KCStMemObj b = Text("second");
    void* const block = b.ptr;
    a = std::move(b);
    EXPECT_EQ(a.ptr, block);
    EXPECT_EQ(Bytes(a), "second");
    EXPECT_EQ(b.ptr, nullptr);  // NOLINT(bugprone-use-after-move)
    KCStMemObj& alias = a;
    a = std::move(alias);
    EXPECT_EQ(Bytes(a), "second");
}

TEST(MemObj, EqualityIgnoresCapacity) {
    KCStMemObj a = Text("same");
    KCStMemObj b = Text("same");
    ASSERT_EQ(b.ReservePtr(64), eNoErr);
    EXPECT_TRUE(a == b);
    EXPECT_FALSE(a != b);
    EXPECT_NE(a, Text("samE"));
    EXPECT_NE(a, Text("same!"));
    EXPECT_EQ(KCStMemObj(), KCStMemObj());
}

TEST(MemObj, AssignKeepsTheBlockForEmptySources) {
    KCStMemObj m = Text("abcdef");
    ASSERT_EQ(m.Assign("xy", 2U), eNoErr);
    EXPECT_EQ(Bytes(m), "xy");
    EXPECT_EQ(m.allocatedSize, 6U);
    ASSERT_EQ(m.Assign(nullptr, 5U), eNoErr);
    EXPECT_EQ(m.size, 0U);
    EXPECT_NE(m.ptr, nullptr);
    EXPECT_EQ(m.allocatedSize, 6U);

    const std::string s = "range assign";
    ASSERT_EQ(m.Assign(s.data(), s.data() + s.size()), eNoErr);
    EXPECT_EQ(Bytes(m), s);
    ASSERT_EQ(m.Assign(s.data() + 3, s.data()), eNoErr);  // reversed range: empty
    EXPECT_EQ(m.size, 0U);

    // A source inside the own block (overlapping copy).
    ASSERT_EQ(m.Assign("0123456789", 10U), eNoErr);
    ASSERT_EQ(m.Assign(static_cast<const char*>(m.ptr) + 2, 6U), eNoErr);
    EXPECT_EQ(Bytes(m), "234567");
}

TEST(MemObj, AppendGrowsToExactlyTheNeededSize) {
    KCStMemObj m;
    ASSERT_EQ(m.Append("abc", 3U), eNoErr);
    EXPECT_EQ(m.allocatedSize, 3U);
    ASSERT_EQ(m.Append(Text("defg")), eNoErr);
    EXPECT_EQ(Bytes(m), "abcdefg");
    EXPECT_EQ(m.allocatedSize, 7U);
    ASSERT_EQ(m.Append(nullptr, 0U), eNoErr);
    EXPECT_EQ(m.Append(nullptr, 3U), eMemNullPointer);
    EXPECT_EQ(Bytes(m), "abcdefg");

    ASSERT_EQ(m.ReserveHeadroom(10), eNoErr);
    EXPECT_EQ(m.allocatedSize, 17U);
    ASSERT_EQ(m.Append("hi", 2U), eNoErr);
    EXPECT_EQ(m.allocatedSize, 17U);  // room was there: no growth
    EXPECT_EQ(Bytes(m), "abcdefghi");
}

TEST(MemObj, AppendingItselfSurvivesTheBlockMoving) {
    // Without headroom the append must reallocate while reading from the old block.
    KCStMemObj m = Text("abc");
    ASSERT_EQ(m.Append(m), eNoErr);
    EXPECT_EQ(Bytes(m), "abcabc");
    ASSERT_EQ(m.AppendAndReserve(m), eNoErr);
    EXPECT_EQ(Bytes(m), "abcabcabcabc");
    ASSERT_EQ(m.Append(static_cast<const char*>(m.ptr) + 1, 2U), eNoErr);
    EXPECT_EQ(Bytes(m), "abcabcabcabcbc");
    for (int i = 0; i < 10; ++i) {
        ASSERT_EQ(m.AppendAndReserve(static_cast<const char*>(m.ptr), m.size), eNoErr);
    }
    EXPECT_EQ(m.size, 14U << 10);
    const std::string all = Bytes(m);
    for (std::size_t i = 0; i < all.size(); i += 14) {
        ASSERT_EQ(all.compare(i, 14, "abcabcabcabcbc"), 0) << i;
    }
}

TEST(MemObj, AppendAndReserveDoublesTheCapacity) {
    KCStMemObj m;
    ASSERT_EQ(m.AppendAndReserve("0123456789", 10U), eNoErr);
    EXPECT_EQ(m.size, 10U);
    EXPECT_EQ(m.allocatedSize, 20U);

    // Fits: no growth.
    ASSERT_EQ(m.AppendAndReserve("abcdefghij", 10U), eNoErr);
    EXPECT_EQ(m.allocatedSize, 20U);
    // max(2 x 20, 2 x 21) = 42.
    ASSERT_EQ(m.AppendAndReserve("k", 1U), eNoErr);
    EXPECT_EQ(m.allocatedSize, 42U);
    EXPECT_EQ(Bytes(m), "0123456789abcdefghijk");

    // A full block of 100 grows to 2 x 101 for one more byte.
    KCStMemObj r;
    ASSERT_EQ(r.ResizePtr(100), eNoErr);
    ASSERT_EQ(r.AppendAndReserve(Text("x")), eNoErr);
    EXPECT_EQ(r.allocatedSize, 202U);
    EXPECT_EQ(r.size, 101U);

    // Repeated one-byte appends reallocate only logarithmically often.
    KCStMemObj grow;
    int reallocations = 0;
    for (int i = 0; i < 100000; ++i) {
        const unsigned int before = grow.allocatedSize;
        const char c = static_cast<char>('a' + i % 26);
        ASSERT_EQ(grow.AppendAndReserve(&c, 1U), eNoErr);
        reallocations += grow.allocatedSize != before ? 1 : 0;
    }
    EXPECT_EQ(grow.size, 100000U);
    EXPECT_LE(reallocations, 17);
    const std::string all = Bytes(grow);
    for (int i = 0; i < 100000; ++i) {
        ASSERT_EQ(all[i], static_cast<char>('a' + i % 26)) << i;
    }
}

TEST(MemObj, ReserveAndResize) {
    KCStMemObj m = Text("abcd");
    ASSERT_EQ(m.ReservePtr(2), eNoErr);  // never shrinks
    EXPECT_EQ(m.allocatedSize, 4U);
    ASSERT_EQ(m.ReservePtr(32), eNoErr);
    EXPECT_EQ(m.allocatedSize, 32U);
    EXPECT_EQ(Bytes(m), "abcd");

    ASSERT_EQ(m.ReserveHeadroom(28), eNoErr);
    EXPECT_EQ(m.allocatedSize, 32U);
    ASSERT_EQ(m.ReserveHeadroom(29), eNoErr);
    EXPECT_EQ(m.allocatedSize, 33U);

    ASSERT_EQ(m.ResizePtr(2), eNoErr);
    EXPECT_EQ(Bytes(m), "ab");
    EXPECT_EQ(m.allocatedSize, 33U);
    ASSERT_EQ(m.ResizePtr(40), eNoErr);
    EXPECT_EQ(m.size, 40U);
    EXPECT_EQ(m.allocatedSize, 40U);
    EXPECT_EQ(std::string(static_cast<const char*>(m.ptr), 2), "ab");

    ASSERT_EQ(m.ResizePtrDelta(-38), eNoErr);
    EXPECT_EQ(Bytes(m), "ab");
    ASSERT_EQ(m.ResizePtrDelta(3), eNoErr);
    EXPECT_EQ(m.size, 5U);
    EXPECT_EQ(m.ResizePtrDelta(-6), eNegativeNumber);
    EXPECT_EQ(m.size, 5U);
}

TEST(MemObj, ResizePtrAlignPadsWithTheFill) {
    KCStMemObj m = Text("abcde");
    ASSERT_EQ(m.ResizePtrAlign(4, 0), eNoErr);
    ASSERT_EQ(m.size, 8U);
    EXPECT_EQ(Bytes(m), std::string("abcde\0\0\0", 8));
    ASSERT_EQ(m.ResizePtrAlign(4, '!'), eNoErr);  // already aligned
    EXPECT_EQ(m.size, 8U);
    ASSERT_EQ(m.ResizePtrAlign(3, '!'), eNoErr);
    EXPECT_EQ(Bytes(m), std::string("abcde\0\0\0!", 9));
    ASSERT_EQ(m.ResizePtrAlign(0, '?'), eNoErr);  // no division by zero
    ASSERT_EQ(m.ResizePtrAlign(1, '?'), eNoErr);
    EXPECT_EQ(m.size, 9U);
    KCStMemObj empty;
    ASSERT_EQ(empty.ResizePtrAlign(16, 'x'), eNoErr);
    EXPECT_EQ(empty.size, 0U);
}

TEST(MemObj, DisposeGiveAwayTakeOverSwap) {
    KCStMemObj m = Text("payload");
    void* block = nullptr;
    unsigned int size = 0;
    m.GiveAway(block, size);
    EXPECT_EQ(m.ptr, nullptr);
    EXPECT_EQ(m.size, 0U);
    EXPECT_EQ(m.allocatedSize, 0U);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(std::string(static_cast<const char*>(block), size), "payload");
    DisposeKTPtr(block);

    KCStMemObj a = Text("aaa");
    KCStMemObj b = Text("bbbbb");
    KCStMemObj::Swap(a, b);
    EXPECT_EQ(Bytes(a), "bbbbb");
    EXPECT_EQ(a.allocatedSize, 5U);
    EXPECT_EQ(Bytes(b), "aaa");

    a.TakeOver(b);
    EXPECT_EQ(Bytes(a), "aaa");
    EXPECT_EQ(a.allocatedSize, 3U);
    EXPECT_EQ(b.ptr, nullptr);
    EXPECT_EQ(b.allocatedSize, 0U);
    a.TakeOver(a);
    EXPECT_EQ(Bytes(a), "aaa");

    a.DisposePtr();
    EXPECT_EQ(a.ptr, nullptr);
    EXPECT_EQ(a.size, 0U);
    EXPECT_EQ(a.allocatedSize, 0U);
}

// Growth beyond what a 32-bit size can describe cannot succeed: the call fails and the object
// is exactly as before. (A naive size + n would wrap to a small size and overrun the block.)
TEST(MemObj, GrowthThatCannotSucceedChangesNothing) {
    KCStMemObj m = Text("keep");
    ASSERT_EQ(m.ReserveHeadroom(4), eNoErr);
    const Snapshot before(m);
    const char src[8] = "ignored";  // never read: growth fails first

    EXPECT_EQ(m.Append(src, UINT_MAX), eMemOutOfMemory);
    EXPECT_EQ(Snapshot(m), before);
    EXPECT_EQ(m.AppendAndReserve(src, UINT_MAX - 2), eMemOutOfMemory);
    EXPECT_EQ(Snapshot(m), before);
    EXPECT_EQ(m.ReserveHeadroom(UINT_MAX), eMemOutOfMemory);
    EXPECT_EQ(Snapshot(m), before);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::Utils
