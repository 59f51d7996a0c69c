// The 16-byte identifier.
#include "korvane/core/id16.h"

#include "korvane/core/base64.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace kvKorvaneV10_0_3 {

KC16BytesID::KC16BytesID(const char* raw) {
    if (raw != nullptr) {
        std::memcpy(m_bytes, raw, kSize);
    }
}

bool KC16BytesID::operator==(const KC16BytesID& other) const {
    return std::memcmp(m_bytes, other.m_bytes, kSize) == 0;
}

bool KC16BytesID::operator<(const KC16BytesID& other) const {
    return std::memcmp(m_bytes, other.m_bytes, kSize) < 0;
}

bool KC16BytesID::IsDefault() const {
    return std::all_of(std::begin(m_bytes), std::end(m_bytes), [](char c) { return c == 0; });
}

void KC16BytesID::clear() {
    std::memset(m_bytes, 0, kSize);
}

std::string KC16BytesID::Encode() const {
    std::string text;
    // Sixteen bytes always encode; only allocation can fail, leaving the text empty.
    (void)KCBase64::Encode(reinterpret_cast<const unsigned char*>(m_bytes), kSize, text);
    return text;
}

KTErr KC16BytesID::Decode(const std::string& text) {
    clear();
    std::vector<unsigned char> bytes;
    if (const KTErr err = KCBase64::Decode(text, bytes); err != eNoErr) {
        return err;
    }
    // A longer text must not write past the 16 bytes.
    if (!bytes.empty()) {
        std::memcpy(m_bytes, bytes.data(), std::min<std::size_t>(bytes.size(), kSize));
    }
    return bytes.size() == kSize ? eNoErr : eValueWrongSize;
}

}  // namespace kvKorvaneV10_0_3
