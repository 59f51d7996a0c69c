// A word of flag bits addressed by bit number.
#pragma once

#include <type_traits>

namespace kvKorvaneV10_0_3 {

template <typename T>
class TBitVector {
    static_assert(std::is_integral_v<T>, "TBitVector holds an integral word");
    using Unsigned = std::make_unsigned_t<T>;

public:
    static constexpr unsigned int kBits = sizeof(T) * 8;

    constexpr TBitVector() = default;
    constexpr explicit TBitVector(T word) : m_word(word) {}

    // Bits at or beyond kBits are never set.
    [[nodiscard]] constexpr bool IsSet(unsigned int bit) const {
        return bit < kBits && (static_cast<Unsigned>(m_word) >> bit & 1U) != 0;
    }
    constexpr void Set(unsigned int bit, bool on = true) {
        if (bit >= kBits) {
            return;
        }
        const auto mask = static_cast<Unsigned>(Unsigned{1} << bit);
        m_word = static_cast<T>(on ? (static_cast<Unsigned>(m_word) | mask)
                                   : (static_cast<Unsigned>(m_word) & static_cast<Unsigned>(~mask)));
    }
    constexpr void Clear(unsigned int bit) { Set(bit, false); }
    constexpr void ClearAll() { m_word = 0; }

    [[nodiscard]] constexpr T Word() const { return m_word; }
    constexpr void SetWord(T word) { m_word = word; }

    friend constexpr bool operator==(TBitVector a, TBitVector b) { return a.m_word == b.m_word; }

private:
    T m_word = 0;
};

}  // namespace kvKorvaneV10_0_3
