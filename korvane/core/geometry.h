// The geometry of the GUI and of graph data: points, sizes, rectangles (top, left, bottom,
// right) and colours. Plain values: [any-thread] on distinct objects.
#pragma once

#include <algorithm>
#include <cstdint>

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

    // Both coordinates equal.
    constexpr bool operator==(const KCPoint2D&) const = default;
};

template <typename T>
struct KCPoint3D {
    T x{};
    T y{};
    T z{};

    constexpr KCPoint3D() = default;
    constexpr KCPoint3D(T xValue, T yValue, T zValue) : x(xValue), y(yValue), z(zValue) {}
    constexpr bool operator==(const KCPoint3D&) const = default;
};

template <typename T>
struct KCSize2D {
    T width{};
    T height{};

    constexpr KCSize2D() = default;
    constexpr KCSize2D(T w, T h) : width(w), height(h) {}
    constexpr bool operator==(const KCSize2D&) const = default;
};

// A rectangle stored top, left, bottom, right (in that order, not left-top-right-bottom).
template <typename T>
struct KURect {
    T top{};
    T left{};
    T bottom{};
    T right{};

    constexpr KURect() = default;
    constexpr KURect(T t, T l, T b, T r) : top(t), left(l), bottom(b), right(r) {}

    [[nodiscard]] constexpr T Width() const { return static_cast<T>(right - left); }
    [[nodiscard]] constexpr T Height() const { return static_cast<T>(bottom - top); }
    [[nodiscard]] constexpr KCPoint2D<T> TopLeft() const { return {left, top}; }
    [[nodiscard]] constexpr KCPoint2D<T> TopRight() const { return {right, top}; }
    [[nodiscard]] constexpr KCPoint2D<T> BottomLeft() const { return {left, bottom}; }
    [[nodiscard]] constexpr KCPoint2D<T> BottomRight() const { return {right, bottom}; }
    [[nodiscard]] constexpr KCPoint2D<T> Center() const {
        return {static_cast<T>((left + right) / 2), static_cast<T>((top + bottom) / 2)};
    }
    [[nodiscard]] constexpr KCSize2D<T> Size() const { return {Width(), Height()}; }

    constexpr void Offset(T dx, T dy) {
        left = static_cast<T>(left + dx);
        right = static_cast<T>(right + dx);
        top = static_cast<T>(top + dy);
        bottom = static_cast<T>(bottom + dy);
    }
    // Puts the top-left corner at `point`, keeping the size.
    constexpr void MoveTo(const KCPoint2D<T>& point) {
        Offset(static_cast<T>(point.x - left), static_cast<T>(point.y - top));
    }
    constexpr void MoveToOrigin() { MoveTo({}); }
    // The rectangle spanned by two opposite corners, in either order.
    constexpr void Set(const KCPoint2D<T>& a, const KCPoint2D<T>& b) {
        top = std::min(a.y, b.y);
        left = std::min(a.x, b.x);
        bottom = std::max(a.y, b.y);
        right = std::max(a.x, b.x);
    }
    constexpr void Set(double t, double l, double b, double r) {
        top = static_cast<T>(t);
        left = static_cast<T>(l);
        bottom = static_cast<T>(b);
        right = static_cast<T>(r);
    }
    constexpr void Reset() { *this = KURect(); }
    // The smallest rectangle holding both.
    constexpr void Union(const KURect& other, KURect& out) const {
        out = KURect(std::min(top, other.top), std::min(left, other.left),
                     std::max(bottom, other.bottom), std::max(right, other.right));
    }
    // True when the two share an area (touching edges do not count).
    [[nodiscard]] constexpr bool IsIntersecting(const KURect& other) const {
        return left < other.right && other.left < right && top < other.bottom && other.top < bottom;
    }
    constexpr bool operator==(const KURect&) const = default;
    // Moves by −point.
    constexpr KURect& operator-=(const KCPoint2D<T>& point) {
        Offset(static_cast<T>(-point.x), static_cast<T>(-point.y));
        return *this;
    }
};

// 8-bit colour channels; the default colour is opaque black.
struct KCRGBAColor {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    std::uint8_t alpha = 255;

    constexpr bool operator==(const KCRGBAColor&) const = default;
};

struct KCRGBColor {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;

    constexpr bool operator==(const KCRGBColor&) const = default;
};

}  // namespace kvKorvaneV10_0_3
