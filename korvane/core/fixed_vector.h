// A small array of at most N elements held inline: it never allocates.
#pragma once

#include <algorithm>
#include <cassert>
#include <type_traits>
#include <utility>

namespace kvKorvaneV10_0_3 {

// `count` elements in use out of N slots; the slots beyond count hold default-constructed (or
// previously assigned) values. [any-thread] on distinct objects.
template <typename T, unsigned int N>
class KCFixedVector {
    static_assert(N > 0, "KCFixedVector needs at least one slot");

public:
    KCFixedVector() = default;
    // min(count, N) copies of value.
    KCFixedVector(unsigned int n, const T& value) : count(std::min(n, N)) {
        std::fill(items, items + count, value);
    }
    // Copying and moving take all N slots and the count.
    KCFixedVector(const KCFixedVector& other) : count(other.count) {
        std::copy(other.items, other.items + N, items);
    }
    // Throwing exactly when T's move does.
    // NOLINTNEXTLINE(performance-noexcept-move-constructor)
    KCFixedVector(KCFixedVector&& other) noexcept(std::is_nothrow_move_assignable_v<T>)
        : count(other.count) {
        std::move(other.items, other.items + N, items);
    }
    KCFixedVector& operator=(const KCFixedVector& other) {
        if (this != &other) {
            std::copy(other.items, other.items + N, items);
            count = other.count;
        }
        return *this;
    }
    // NOLINTNEXTLINE(performance-noexcept-move-constructor)
    KCFixedVector& operator=(KCFixedVector&& other) noexcept(std::is_nothrow_move_assignable_v<T>) {
        if (this != &other) {
            std::move(other.items, other.items + N, items);
            count = other.count;
        }
        return *this;
    }
    ~KCFixedVector() = default;

    // No bounds check in release builds (i < N is asserted in debug builds).
    T& operator[](unsigned int i) {
        assert(i < N);
        return items[i];
    }
    const T& operator[](unsigned int i) const {
        assert(i < N);
        return items[i];
    }

    [[nodiscard]] unsigned int size() const { return count; }
    [[nodiscard]] bool empty() const { return count == 0; }
    static constexpr unsigned int capacity() { return N; }
    // The elements in use.
    T* begin() { return items; }
    T* end() { return items + count; }
    const T* begin() const { return items; }
    const T* end() const { return items + count; }

    // Appends a copy when there is room; false (and nothing changed) when full.
    bool push_back(const T& value) {
        if (count >= N) {
            return false;
        }
        items[count++] = value;
        return true;
    }

    unsigned int count = 0;
    T items[N] = {};
};

}  // namespace kvKorvaneV10_0_3
