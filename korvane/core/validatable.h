// KUValidatable: the validity base of objects that keep the result of their construction
// (paths, files, XML elements, containers, converters) instead of throwing.
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"

namespace kvKorvaneV10_0_3 {

// [any-thread] on distinct objects.
class KORVANE_API KUValidatable {
public:
    KUValidatable() = default;
    KUValidatable(const KUValidatable&) = default;
    KUValidatable& operator=(const KUValidatable&) = default;
    virtual ~KUValidatable();

    // Valid when the object says so and no error is stored.
    [[nodiscard]] bool IsValid() const { return IsValidSelf() && m_error == eNoErr; }
    [[nodiscard]] bool IsValid(int& error) const {
        error = m_error;
        return IsValid();
    }
    [[nodiscard]] virtual bool IsValidSelf() const { return true; }
    [[nodiscard]] int GetError() const { return m_error; }
    // Const: a failed lookup on a const object may still record why.
    void SetError(int error) const { m_error = error; }
    [[nodiscard]] const char* ErrorName() const { return KTErrName(m_error); }

private:
    mutable int m_error = eNoErr;
};

}  // namespace kvKorvaneV10_0_3
