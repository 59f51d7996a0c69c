// CPublicAlg: the plug-in handle that preset and undo operations take.
#pragma once

#include "korvane/core/export.h"

namespace kvKorvaneV10_0_3 {

class cALGORITHM;

// A copyable, non-owning reference to one algorithm; it must not outlive the algorithm. A
// default handle refers to no algorithm (Get() is null). [any-thread]
class CPublicAlg {
public:
    CPublicAlg() = default;
    explicit CPublicAlg(cALGORITHM& alg) : m_alg(&alg) {}
    [[nodiscard]] cALGORITHM* Get() const { return m_alg; }
    [[nodiscard]] bool IsValid() const { return m_alg != nullptr; }
    // Only on a valid handle.
    [[nodiscard]] cALGORITHM& Alg() const { return *m_alg; }
    friend bool operator==(const CPublicAlg& a, const CPublicAlg& b) { return a.m_alg == b.m_alg; }

private:
    cALGORITHM* m_alg = nullptr;
};

}  // namespace kvKorvaneV10_0_3
