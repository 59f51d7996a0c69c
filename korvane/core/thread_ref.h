// KCThreadRef: the kernel id of a thread, compared and stored as one 32-bit word.
#pragma once

#include "korvane/core/export.h"

namespace kvKorvaneV10_0_3::kvThread {

// A thread's kernel id (as shown by ps -L and debuggers); 0 means no thread.
class KCThreadRef {
public:
    constexpr KCThreadRef() = default;
    constexpr KCThreadRef(unsigned int id) : m_id(id) {}  // NOLINT(google-explicit-constructor)

    constexpr operator unsigned int() const { return m_id; }  // NOLINT(google-explicit-*)
    [[nodiscard]] constexpr bool is_invalid() const { return m_id == 0; }

private:
    unsigned int m_id = 0;
};

constexpr bool operator==(KCThreadRef a, KCThreadRef b) {
    return static_cast<unsigned int>(a) == static_cast<unsigned int>(b);
}
constexpr bool operator!=(KCThreadRef a, KCThreadRef b) {
    return !(a == b);
}
constexpr bool operator<(KCThreadRef a, KCThreadRef b) {
    return static_cast<unsigned int>(a) < static_cast<unsigned int>(b);
}
constexpr bool operator>(KCThreadRef a, KCThreadRef b) {
    return b < a;
}

// The calling thread's kernel id; never 0. [any-thread]
KORVANE_API KCThreadRef GetCurrentThreadRef();

}  // namespace kvKorvaneV10_0_3::kvThread
