// Resource keys: construction, ordering and the safety test that keeps keys inside containers.
#include "korvane/rm/res_key.h"

#include <cstring>
#include <tuple>

namespace kvKorvaneV10_0_3::RM {

namespace {

template <typename S>
bool Copy(S& out, const char* text) {
    out = "";
    if (text == nullptr) {
        return true;
    }
    out = text;
    return std::strlen(text) == out.size();
}

bool IsSafeComponent(const KCFixedStringBase& s, bool mayBeEmpty) {
    if (s.empty()) {
        return mayBeEmpty;
    }
    if (s == "." || s == "..") {
        return false;
    }
    for (const char c : s) {
        if (c == '/' || c == '\\') {
            return false;
        }
    }
    return true;
}

}  // namespace

KCResKey::KCResKey(const KCResType& type, short id) : m_type(type) {
    m_name << static_cast<int>(id);
}

KCResKey::KCResKey(const KCResType& type, const char* name, const char* qualifier) : m_type(type) {
    const bool nameOk = Copy(m_name, name);
    const bool qualifierOk = Copy(m_qualifier, qualifier);
    m_truncated = !nameOk || !qualifierOk;
}

KCFixedString<255> KCResKey::GetQualifiedName() const {
    KCFixedString<255> out(m_name);
    if (HasQualifier()) {
        out << "?" << m_qualifier;
    }
    return out;
}

bool KCResKey::GetID(short& id) const {
    if (m_name.empty() || m_name.size() > 6) {
        return false;
    }
    long value = 0;
    unsigned int i = 0;
    const bool negative = m_name[0] == '-';
    if (negative) {
        i = 1;
    }
    if (i == m_name.size()) {
        return false;
    }
    for (; i < m_name.size(); ++i) {
        if (m_name[i] < '0' || m_name[i] > '9') {
            return false;
        }
        value = value * 10 + (m_name[i] - '0');
    }
    value = negative ? -value : value;
    if (value < -32768 || value > 32767) {
        return false;
    }
    id = static_cast<short>(value);
    return true;
}

bool KCResKey::IsSafe() const {
    return !m_truncated && IsSafeComponent(m_type, false) && IsSafeComponent(m_name, false) &&
           IsSafeComponent(m_qualifier, true) && std::strchr(m_name.c_str(), '?') == nullptr;
}

bool KCResKey::operator<(const KCResKey& other) const {
    return std::tie(m_type, m_name, m_qualifier) <
           std::tie(other.m_type, other.m_name, other.m_qualifier);
}

bool KCResKey::operator==(const KCResKey& other) const {
    return m_type == other.m_type && m_name == other.m_name && m_qualifier == other.m_qualifier;
}

}  // namespace kvKorvaneV10_0_3::RM
