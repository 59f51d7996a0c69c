// RM::KCResKey: the name of one resource inside a container (type, name, optional qualifier).
#pragma once

#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"

namespace kvKorvaneV10_0_3::RM {

using KCResType = KCFixedString<31>;

// A value type; [any-thread] on distinct objects.
class KORVANE_API KCResKey {
public:
    KCResKey() = default;
    // The name is the identifier in decimal ("128").
    KCResKey(const KCResType& type, short id);
    KCResKey(const KCResType& type, const char* name, const char* qualifier = nullptr);

    [[nodiscard]] const KCResType& GetType() const { return m_type; }
    [[nodiscard]] const KCFixedString<255>& GetName() const { return m_name; }
    [[nodiscard]] const KCFixedString<31>& GetQualifier() const { return m_qualifier; }
    [[nodiscard]] bool HasQualifier() const { return !m_qualifier.empty(); }
    // "name" or "name?qualifier": the resource's file base name.
    [[nodiscard]] KCFixedString<255> GetQualifiedName() const;
    // True when the name parses as a decimal short; `id` receives it.
    [[nodiscard]] bool GetID(short& id) const;
    // True when type, name and qualifier are usable as single path components: not empty (the
    // qualifier may be), no "/", "\" or NUL, not "." or "..", and nothing was cut to fit.
    [[nodiscard]] bool IsSafe() const;

    bool operator<(const KCResKey& other) const;
    bool operator==(const KCResKey& other) const;

private:
    KCResType m_type;
    KCFixedString<255> m_name;
    KCFixedString<31> m_qualifier;
    bool m_truncated = false;
};

}  // namespace kvKorvaneV10_0_3::RM
