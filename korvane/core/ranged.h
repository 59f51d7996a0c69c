// A value kept inside [min, max]: every change is clamped into the range.
#pragma once

#include <algorithm>
#include <type_traits>

namespace kvKorvaneV10_0_3 {

template <typename T>
class TRanged {
public:
    constexpr TRanged() = default;
    // An inverted range (min > max) leaves all three fields 0.
    constexpr TRanged(T min, T max, T value) {
        if (min <= max) {
            m_min = min;
            m_max = max;
            m_value = std::clamp(value, min, max);
        }
    }
    constexpr TRanged(const TRanged&) = default;
    // Assignment copies range and value, exactly as copy construction does.
    constexpr TRanged& operator=(const TRanged&) = default;
    constexpr TRanged& operator=(T v) {
        SetValue(v);
        return *this;
    }

    constexpr void SetValue(T v) { m_value = std::clamp(v, m_min, m_max); }
    [[nodiscard]] constexpr T Value() const { return m_value; }
    constexpr operator T() const { return m_value; }  // NOLINT(google-explicit-constructor)
    [[nodiscard]] constexpr T RangeMin() const { return m_min; }
    [[nodiscard]] constexpr T RangeMax() const { return m_max; }
    [[nodiscard]] constexpr bool InRange(T v) const { return m_min <= v && v <= m_max; }

    constexpr TRanged& operator++() { return *this += 1; }
    constexpr TRanged& operator--() { return *this -= 1; }
    constexpr TRanged operator++(int) {
        TRanged old = *this;
        ++*this;
        return old;
    }
    constexpr TRanged operator--(int) {
        TRanged old = *this;
        --*this;
        return old;
    }
    // Saturating: a step past either end stops at the end (computed wide, so it never overflows).
    constexpr TRanged& operator+=(T d) { return Step(static_cast<Wide>(d)); }
    constexpr TRanged& operator-=(T d) { return Step(-static_cast<Wide>(d)); }

    constexpr void SetRange(const TRanged& r) {
        m_min = r.m_min;
        m_max = r.m_max;
        SetValue(m_value);
    }
    // Intersects with r, unless neither end of r lies inside the current range.
    constexpr void NarrowRange(const TRanged& r) {
        if (!InRange(r.m_min) && !InRange(r.m_max)) {
            return;
        }
        m_min = std::max(m_min, r.m_min);
        m_max = std::min(m_max, r.m_max);
        SetValue(m_value);
    }
    // Unites with r; the value is left as it is.
    constexpr void WidenRange(const TRanged& r) {
        m_min = std::min(m_min, r.m_min);
        m_max = std::max(m_max, r.m_max);
    }

private:
    using Wide = std::conditional_t<std::is_integral_v<T>, long long, T>;

    constexpr TRanged& Step(Wide d) {
        m_value = static_cast<T>(std::clamp<Wide>(static_cast<Wide>(m_value) + d, m_min, m_max));
        return *this;
    }

    T m_min = 0;
    T m_max = 0;
    T m_value = 0;
};

}  // namespace kvKorvaneV10_0_3
