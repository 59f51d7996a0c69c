// Version numbers: text and packed forms.
#include "korvane/core/version.h"

#include <cctype>
#include <climits>

namespace kvKorvaneV10_0_3 {

namespace {

// Reads one unsigned decimal number the way a stream extraction would accept it (leading white
// space, an optional '+'), except that a '-' or an overflow is a failure rather than a wrapped or
// saturated value. Advances p past the number on success.
bool ReadNumber(const char*& p, unsigned int& value) {
    const char* q = p;
    while (std::isspace(static_cast<unsigned char>(*q)) != 0) {
        ++q;
    }
    if (*q == '+') {
        ++q;
    }
    if (std::isdigit(static_cast<unsigned char>(*q)) == 0) {
        return false;
    }
    unsigned long long v = 0;
    for (; std::isdigit(static_cast<unsigned char>(*q)) != 0; ++q) {
        v = v * 10 + static_cast<unsigned int>(*q - '0');
        if (v > UINT_MAX) {
            return false;
        }
    }
    value = static_cast<unsigned int>(v);
    p = q;
    return true;
}

}  // namespace

KCVersion::~KCVersion() = default;

bool KCVersion::less(const KCVersion& a, const KCVersion& b, unsigned int depth) {
    const unsigned int fa[4] = {a.m_major, a.m_minor, a.m_revision, a.m_internalStage};
    const unsigned int fb[4] = {b.m_major, b.m_minor, b.m_revision, b.m_internalStage};
    for (unsigned int i = 0; i < depth && i < 4; ++i) {
        if (fa[i] != fb[i]) {
            return fa[i] < fb[i];
        }
    }
    return false;
}

bool KCVersion::Empty() const {
    return m_major == 0 && m_minor == 0 && m_revision == 0 && m_internalStage == 0;
}

KCFixedString<63> KCVersion::GetString(unsigned int depth) const {
    const unsigned int fields[4] = {m_major, m_minor, m_revision, m_internalStage};
    KCFixedString<63> out;
    for (unsigned int i = 0; i < depth && i < 4; ++i) {
        if (i != 0) {
            out << '.';
        }
        out << fields[i];
    }
    return out;
}

unsigned int KCVersion::ReadFromString(const char* text) {
    *this = KCVersion();
    if (text == nullptr) {
        return 0;
    }
    unsigned int* const fields[4] = {&m_major, &m_minor, &m_revision, &m_internalStage};
    const char* p = text;
    unsigned int read = 0;
    while (read < 4 && ReadNumber(p, *fields[read])) {
        ++read;
        if (*p != '.') {
            break;
        }
        ++p;
    }
    return read;
}

unsigned int KCVersion::GetVersionAsBinaryNumber() const {
    return m_major << 24 | m_minor << 16 | m_revision << 8 | m_internalStage;
}

unsigned int KCVersion::GetVersionAsAUShellNumber() const {
    return m_major << 16 | m_minor << 8 | m_revision;
}

void KCVersion::SetVersionFromBinaryNumber(unsigned int v) {
    m_major = v >> 24;
    m_minor = (v >> 16) & 0xFFU;
    m_revision = (v >> 8) & 0xFFU;
    m_internalStage = v & 0xFFU;
}

}  // namespace kvKorvaneV10_0_3
