// A 16-byte identifier held as raw bytes; all zero is the default (empty) identifier.
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"

#include <string>

namespace kvKorvaneV10_0_3 {

class KORVANE_API KC16BytesID {
public:
    static constexpr unsigned int kSize = 16;

    KC16BytesID() = default;
    // Copies 16 bytes from raw; null gives the default identifier.
    explicit KC16BytesID(const char* raw);
    KC16BytesID(const KC16BytesID&) = default;
    KC16BytesID& operator=(const KC16BytesID&) = default;

    // All 16 bytes equal.
    bool operator==(const KC16BytesID& other) const;
    bool operator!=(const KC16BytesID& other) const { return !(*this == other); }
    // The first differing byte decides, compared unsigned.
    bool operator<(const KC16BytesID& other) const;

    [[nodiscard]] bool IsDefault() const;
    void clear();
    // The 16 raw bytes.
    [[nodiscard]] const char* getRawID() const { return m_bytes; }

    // Base64 of the 16 bytes: 4 characters, a line feed and 20 characters.
    [[nodiscard]] std::string Encode() const;
    // Zeroes the identifier, then decodes the text (junk skipped) and copies the decoded bytes,
    // at most 16. Returns eNoErr when exactly 16 bytes were decoded, eValueWrongSize otherwise
    // (the identifier then holds what was decoded, zero-padded or cut to 16 bytes).
    [[nodiscard]] KTErr Decode(const std::string& text);

private:
    char m_bytes[kSize] = {};
};

}  // namespace kvKorvaneV10_0_3
