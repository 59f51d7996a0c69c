// The point type of curves and graph data. The other geometry types (sizes, rectangles,
// colours) join it when graph data and drawing arrive.
#pragma once

namespace kvKorvaneV10_0_3 {

// A point: x then y, in that order (the layout graph data is stored and streamed in).
template <typename T>
struct KCPoint2D {
    T x{};
    T y{};

    constexpr KCPoint2D() = default;
    constexpr KCPoint2D(T xValue, T yValue) : x(xValue), y(yValue) {}
    template <typename U>
    constexpr explicit KCPoint2D(const KCPoint2D<U>& other)
        : x(static_cast<T>(other.x)), y(static_cast<T>(other.y)) {}

    // Both coordinates equal. [any-thread]
    constexpr bool operator==(const KCPoint2D&) const = default;
};

}  // namespace kvKorvaneV10_0_3
