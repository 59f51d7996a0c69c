// Base64 codec. Table driven: encoding maps 12 bits to two characters with one lookup, decoding
// maps each character to its bits already in place in the output word, so that the common case
// (four clean characters) costs four loads, three ORs and one test. Only a group that holds a
// line feed, junk or padding takes the character-by-character path.
#include "korvane/core/base64.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstring>
#include <exception>

using kvKorvaneV10_0_3::eMemNullPointer;
using kvKorvaneV10_0_3::eMemOutOfMemory;
using kvKorvaneV10_0_3::eNoErr;
using kvKorvaneV10_0_3::KCBase64;
using kvKorvaneV10_0_3::KTErr;
using kvKorvaneV10_0_3::Utils::KCStMemObj;

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::size_t kLineInput = 57;  // input bytes per 76-character line
constexpr std::size_t kGroupsPerLine = kLineInput / 3;

// Two characters for a 12-bit value, the first in the low byte (the order of a little-endian
// store).
constexpr std::array<std::uint16_t, 4096> MakeEncodeTable() {
    std::array<std::uint16_t, 4096> table{};
    for (unsigned int v = 0; v < 4096; ++v) {
        table[v] = static_cast<std::uint16_t>(static_cast<unsigned char>(kAlphabet[v >> 6]) |
                                              static_cast<unsigned char>(kAlphabet[v & 63]) << 8);
    }
    return table;
}
constexpr auto kEncode12 = MakeEncodeTable();

// Per character: its sextet, kPad for '=', kSkip for everything else.
constexpr unsigned char kPad = 64;
constexpr unsigned char kSkip = 255;
constexpr std::array<unsigned char, 256> MakeSextetTable() {
    std::array<unsigned char, 256> table{};
    for (auto& entry : table) {
        entry = kSkip;
    }
    for (unsigned char i = 0; i < 64; ++i) {
        table[static_cast<unsigned char>(kAlphabet[i])] = i;
    }
    table['='] = kPad;
    return table;
}
constexpr auto kSextet = MakeSextetTable();

// Decoding tables, one per position in a group of four: the sextet's bits already placed where
// they land in the three output bytes of a little-endian word; kBad for any character that is not
// in the alphabet ('=' included), so one test of the OR of four entries finds every exception.
constexpr std::uint32_t kBad = 0x01000000U;
constexpr std::array<std::array<std::uint32_t, 256>, 4> MakeDecodeTables() {
    std::array<std::array<std::uint32_t, 256>, 4> tables{};
    for (unsigned int c = 0; c < 256; ++c) {
        const std::uint32_t s = kSextet[c];
        if (s >= 64) {
            for (auto& table : tables) {
                table[c] = kBad;
            }
            continue;
        }
        tables[0][c] = s << 2;
        tables[1][c] = (s >> 4) | (s & 0x0FU) << 12;
        tables[2][c] = (s >> 2) << 8 | (s & 0x03U) << 22;
        tables[3][c] = s << 16;
    }
    return tables;
}
constexpr auto kDecode = MakeDecodeTables();

// ----- encoding ---------------------------------------------------------------------------------

inline void EncodeGroup(const unsigned char* s, char* d) {
    const std::uint32_t v =
        static_cast<std::uint32_t>(s[0]) << 16 | static_cast<std::uint32_t>(s[1]) << 8 | s[2];
    const std::uint32_t w = kEncode12[v >> 12] | static_cast<std::uint32_t>(kEncode12[v & 0xFFF])
                                                     << 16;
    std::memcpy(d, &w, 4);
}

// Two groups from one 8-byte load (the two bytes past the groups are read, not used).
inline void EncodeTwoGroups(const unsigned char* s, char* d) {
    std::uint64_t x;
    std::memcpy(&x, s, 8);
    x = __builtin_bswap64(x);
    const std::uint64_t w = static_cast<std::uint64_t>(kEncode12[(x >> 52) & 0xFFF]) |
                            static_cast<std::uint64_t>(kEncode12[(x >> 40) & 0xFFF]) << 16 |
                            static_cast<std::uint64_t>(kEncode12[(x >> 28) & 0xFFF]) << 32 |
                            static_cast<std::uint64_t>(kEncode12[(x >> 16) & 0xFFF]) << 48;
    std::memcpy(d, &w, 8);
}

// The final group of one or two bytes, padded.
inline void EncodePartial(const unsigned char* s, std::size_t n, char* d) {
    const unsigned int b0 = s[0];
    const unsigned int b1 = n > 1 ? s[1] : 0;
    d[0] = kAlphabet[b0 >> 2];
    d[1] = kAlphabet[(b0 & 3) << 4 | b1 >> 4];
    d[2] = n > 1 ? kAlphabet[(b1 & 15) << 2] : '=';
    d[3] = '=';
}

// Encodes `r` bytes (1..57) of one line, returning the end of the written characters (no line
// feed). A full line uses 8-byte loads, which read no further than its 56th byte.
inline char* EncodeRun(const unsigned char* s, std::size_t r, char* d) {
    std::size_t groups = r / 3;
    if (r == kLineInput) {
        for (unsigned int i = 0; i < 9; ++i) {
            EncodeTwoGroups(s + 6 * i, d + 8 * i);
        }
        EncodeGroup(s + 54, d + 72);
        return d + 76;
    }
    for (std::size_t i = 0; i < groups; ++i) {
        EncodeGroup(s + 3 * i, d + 4 * i);
    }
    d += 4 * groups;
    if (const std::size_t rest = r - 3 * groups; rest != 0) {
        EncodePartial(s + 3 * groups, rest, d);
        d += 4;
    }
    return d;
}

// The layout: a first run of up to 3 bytes, then runs of up to 57; a run is followed by a line
// feed when one of its groups begins at a multiple of 57 (the first run always, a later run when
// it holds more than 54 bytes).
void EncodeTo(const unsigned char* s, std::size_t n, char* d) {
    if (n == 0) {
        return;
    }
    std::size_t r = n < 3 ? n : 3;
    d = EncodeRun(s, r, d);
    *d++ = '\n';
    s += r;
    n -= r;
    while (n >= kLineInput) {
        d = EncodeRun(s, kLineInput, d);
        *d++ = '\n';
        s += kLineInput;
        n -= kLineInput;
    }
    if (n != 0) {
        d = EncodeRun(s, n, d);
        if (n > kLineInput - 3) {
            *d = '\n';
        }
    }
}

// In place: the n input bytes sit at the start of `buf`, which holds encoded_length(n) bytes.
// Runs and groups are encoded from the last to the first; every group's output lies at or after
// its input, so no input is overwritten before it is read.
void EncodeInPlaceBackwards(unsigned char* buf, std::size_t n) {
    if (n == 0) {
        return;
    }
    const std::size_t runs = 1 + (n > 3 ? (n - 3 + kLineInput - 1) / kLineInput : 0);
    for (std::size_t k = runs; k-- > 0;) {
        const std::size_t in = k == 0 ? 0 : 3 + kLineInput * (k - 1);
        const std::size_t out = k == 0 ? 0 : 5 + (4 * kGroupsPerLine + 1) * (k - 1);
        const std::size_t r = std::min(n - in, k == 0 ? std::size_t{3} : kLineInput);
        const std::size_t groups = r / 3;
        const std::size_t rest = r - 3 * groups;
        char* const d = reinterpret_cast<char*>(buf) + out;
        const std::size_t chars = 4 * ((r + 2) / 3);
        if (k == 0 || r > kLineInput - 3) {
            d[chars] = '\n';
        }
        if (rest != 0) {
            const unsigned char tail[2] = {buf[in + 3 * groups],
                                           rest > 1 ? buf[in + 3 * groups + 1] : std::uint8_t{0}};
            EncodePartial(tail, rest, d + 4 * groups);
        }
        for (std::size_t g = groups; g-- > 0;) {
            unsigned char group[3];
            std::memcpy(group, buf + in + 3 * g, 3);
            EncodeGroup(group, d + 4 * g);
        }
    }
}

// ----- decoding ---------------------------------------------------------------------------------

// Decodes n characters from s to d and returns the number of bytes written. d may equal s (in
// place): every write lands at or before the character being read. `d` needs room for
// max_decoded_length(n) bytes.
std::size_t DecodeTo(const unsigned char* s, std::size_t n, unsigned char* d) {
    const unsigned char* const end = s + n;
    unsigned char* const start = d;
    const auto& t0 = kDecode[0];
    const auto& t1 = kDecode[1];
    const auto& t2 = kDecode[2];
    const auto& t3 = kDecode[3];
    for (;;) {
        // Fast path: clean groups of four, two at a time, then one.
        while (end - s >= 8) {
            const std::uint32_t x = t0[s[0]] | t1[s[1]] | t2[s[2]] | t3[s[3]];
            const std::uint32_t y = t0[s[4]] | t1[s[5]] | t2[s[6]] | t3[s[7]];
            if (((x | y) & kBad) != 0) {
                break;
            }
            // 4-byte stores: the fourth byte is overwritten by the next group (or lies in the
            // slack the callers provide, at or before the text already read).
            std::memcpy(d, &x, 4);
            std::memcpy(d + 3, &y, 4);
            s += 8;
            d += 6;
        }
        if (end - s >= 4) {
            const std::uint32_t x = t0[s[0]] | t1[s[1]] | t2[s[2]] | t3[s[3]];
            if ((x & kBad) == 0) {
                std::memcpy(d, &x, 4);
                s += 4;
                d += 3;
                continue;
            }
        }
        if (s == end) {
            break;
        }
        // Junk between groups (the line feeds of our own layout): skip it and go fast again.
        if (kSextet[*s] == kSkip) {
            do {
                ++s;
            } while (s != end && kSextet[*s] == kSkip);
            continue;
        }
        // Slow path: gather the next four characters that are not skipped.
        unsigned char q[4];
        int k = 0;
        while (k < 4 && s != end) {
            const unsigned char v = kSextet[*s++];
            if (v != kSkip) {
                q[k++] = v;
            }
        }
        if (k == 0) {
            break;
        }
        int data = 0;  // the sextets before the first '='
        while (data < k && q[data] != kPad) {
            ++data;
        }
        for (int i = data; i < 4; ++i) {
            q[i] = 0;
        }
        const std::uint32_t v = static_cast<std::uint32_t>(q[0]) << 18 |
                                static_cast<std::uint32_t>(q[1]) << 12 |
                                static_cast<std::uint32_t>(q[2]) << 6 | q[3];
        const unsigned char bytes[3] = {static_cast<unsigned char>(v >> 16),
                                        static_cast<unsigned char>(v >> 8),
                                        static_cast<unsigned char>(v)};
        for (int i = 0; i + 1 < data; ++i) {
            *d++ = bytes[i];
        }
        if (k < 4) {
            break;  // the text ended inside this group
        }
    }
    return static_cast<std::size_t>(d - start);
}

// Resizes a standard container, turning its exceptions (bad_alloc, length_error) into false.
template <typename Container>
bool Resize(Container& c, std::size_t n) {
    try {
        c.resize(n);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

// The output is resized, not cleared first: a string or vector reused from call to call is then
// not zero-filled again before it is overwritten.
[[nodiscard]] KTErr EncodeToString(const unsigned char* data, std::size_t n, std::string& out) {
    if (n == 0 || data == nullptr) {
        out.clear();
        return n == 0 ? eNoErr : eMemNullPointer;
    }
    if (!Resize(out, KCBase64::encoded_length(n))) {
        out.clear();
        return eMemOutOfMemory;
    }
    EncodeTo(data, n, out.data());
    return eNoErr;
}

[[nodiscard]] KTErr DecodeToVector(const unsigned char* text, std::size_t n,
                                   std::vector<unsigned char>& out) {
    if (n == 0 || text == nullptr) {
        out.clear();
        return n == 0 ? eNoErr : eMemNullPointer;
    }
    // + 1: the slack of the 4-byte stores.
    if (!Resize(out, KCBase64::max_decoded_length(n) + 1)) {
        out.clear();
        return eMemOutOfMemory;
    }
    out.resize(DecodeTo(text, n, out.data()));
    return eNoErr;
}

}  // namespace

std::size_t KCBase64::size_for_encoding(unsigned int n) {
    return 4 * ((static_cast<std::size_t>(n) + 2) / 3);
}

std::size_t KCBase64::encoded_length(std::size_t n) {
    return n == 0 ? 0 : 4 * ((n + 2) / 3) + (n + kLineInput - 1) / kLineInput;
}

std::size_t KCBase64::max_decoded_length(std::size_t n) {
    return n / 4 * 3 + 3;
}

KTErr KCBase64::Encode(const unsigned char* data, unsigned int size, std::string& out) {
    return EncodeToString(data, size, out);
}

KTErr KCBase64::Encode(const std::vector<unsigned char>& data, std::string& out) {
    return EncodeToString(data.data(), data.size(), out);
}

KTErr KCBase64::EncodeInPlace(KCStMemObj& obj) {
    if (obj.size == 0) {
        return eNoErr;
    }
    const std::size_t length = encoded_length(obj.size);
    if (length > UINT_MAX) {
        return eMemOutOfMemory;
    }
    if (const KTErr err = obj.ReservePtr(static_cast<unsigned int>(length)); err != eNoErr) {
        return err;
    }
    EncodeInPlaceBackwards(static_cast<unsigned char*>(obj.ptr), obj.size);
    obj.size = static_cast<unsigned int>(length);
    return eNoErr;
}

KTErr KCBase64::Decode(const unsigned char* text, unsigned int size,
                       std::vector<unsigned char>& out) {
    return DecodeToVector(text, size, out);
}

KTErr KCBase64::Decode(const std::string& text, std::vector<unsigned char>& out) {
    return DecodeToVector(reinterpret_cast<const unsigned char*>(text.data()), text.size(), out);
}

KTErr KCBase64::DecodeInPlace(KCStMemObj& obj) {
    if (obj.size == 0 || obj.ptr == nullptr) {
        return eNoErr;
    }
    auto* const text = static_cast<unsigned char*>(obj.ptr);
    obj.size = static_cast<unsigned int>(DecodeTo(text, obj.size, text));
    return eNoErr;
}
