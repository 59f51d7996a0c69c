// Encoding tables from iconv: every byte and byte sequence is converted once to find out what
// it is, and multi-byte sequences are converted again while the document is read.
#include "korvane/xml/platform/byte_encoding.h"

#include <iconv.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <set>

namespace kvKorvaneV10_0_3::XML::platform {
namespace {

enum class Outcome { kOne, kIncomplete, kInvalid, kOther };

// Converts exactly `length` bytes from the initial shift state: kOne with the code point when
// they make one character, kIncomplete when they only start one, kInvalid when they are no
// character, kOther for anything else (no character or several, as stateful encodings give).
Outcome ConvertOnce(iconv_t cd, const unsigned char* bytes, std::size_t length, int& codePoint) {
    (void)iconv(cd, nullptr, nullptr, nullptr, nullptr);  // only resets the shift state
    char in[4] = {};
    std::memcpy(in, bytes, length);
    unsigned char out[16] = {};
    char* inPos = in;
    std::size_t inLeft = length;
    char* outPos = reinterpret_cast<char*>(out);
    std::size_t outLeft = sizeof out;
    if (iconv(cd, &inPos, &inLeft, &outPos, &outLeft) == static_cast<std::size_t>(-1)) {
        if (errno == EINVAL) {
            return Outcome::kIncomplete;
        }
        return errno == EILSEQ ? Outcome::kInvalid : Outcome::kOther;
    }
    if (iconv(cd, nullptr, nullptr, &outPos, &outLeft) == static_cast<std::size_t>(-1)) {
        return Outcome::kOther;
    }
    if (inLeft != 0 || sizeof out - outLeft != 4) {
        return Outcome::kOther;
    }
    const std::uint32_t value = out[0] | (std::uint32_t{out[1]} << 8) |
                                (std::uint32_t{out[2]} << 16) | (std::uint32_t{out[3]} << 24);
    if (value > 0x10FFFF) {
        return Outcome::kInvalid;
    }
    codePoint = static_cast<int>(value);
    return Outcome::kOne;
}

// Conversions one description may try: the encodings the parser can take need far fewer, and
// a name from a document must not buy millions of them.
constexpr long kProbeBudget = 1L << 20;

// The parser takes only encodings in which the ASCII characters of markup are single bytes
// standing for themselves; anything else (UTF-32, EBCDIC, ...) is refused before any search.
bool KeepsMarkupASCII(iconv_t cd) {
    for (int c = 0x20; c < 0x7F; ++c) {
        if (std::strchr("$@\\^`{}~", c) != nullptr) {
            continue;
        }
        const auto byte = static_cast<unsigned char>(c);
        int codePoint = 0;
        if (ConvertOnce(cd, &byte, 1, codePoint) != Outcome::kOne || codePoint != c) {
            return false;
        }
    }
    return true;
}

// The sequence lengths that start with `prefix` and extend it up to 4 bytes; false when a
// result other than a character, a start or an invalid sequence shows up, or the budget of
// conversions runs out.
bool CollectLengths(iconv_t cd, unsigned char* prefix, std::size_t length,
                    std::set<std::size_t>& lengths, long& budget) {
    for (int next = 0; next < 256; ++next) {
        if (--budget < 0) {
            return false;
        }
        prefix[length] = static_cast<unsigned char>(next);
        int codePoint = 0;
        switch (ConvertOnce(cd, prefix, length + 1, codePoint)) {
            case Outcome::kOne:
                lengths.insert(length + 1);
                break;
            case Outcome::kIncomplete:
                if (length + 1 == 3) {
                    lengths.insert(4);  // the longest there is: no need to look further
                } else if (!CollectLengths(cd, prefix, length + 1, lengths, budget)) {
                    return false;
                }
                break;
            case Outcome::kInvalid:
                break;
            case Outcome::kOther:
                return false;
        }
        if (lengths.size() > 1) {
            return true;  // already undescribable; the caller sees it
        }
    }
    return true;
}

}  // namespace

SequenceConverter::~SequenceConverter() {
    (void)iconv_close(static_cast<iconv_t>(m_handle));  // nothing to do about a failed close
}

int SequenceConverter::Convert(const char* bytes, int length) {
    int codePoint = -1;
    if (length < 1 || length > 4 ||
        ConvertOnce(static_cast<iconv_t>(m_handle), reinterpret_cast<const unsigned char*>(bytes),
                    static_cast<std::size_t>(length), codePoint) != Outcome::kOne) {
        return -1;
    }
    return codePoint;
}

EncodingDescription DescribeEncoding(const char* name, ByteEncodingMap& map,
                                     std::unique_ptr<SequenceConverter>& converter) {
    converter.reset();
    const iconv_t cd = iconv_open("UTF-32LE", name);
    // iconv_open's failure value is the address -1.
    if (cd == reinterpret_cast<iconv_t>(-1)) {  // NOLINT(performance-no-int-to-ptr)
        return EncodingDescription::kUnknown;
    }
    // Owns the handle from here; handed over below when sequences need it.
    auto owner = std::make_unique<SequenceConverter>(cd);
    if (!KeepsMarkupASCII(cd)) {
        return EncodingDescription::kNotDescribable;
    }
    bool multiByte = false;
    long budget = kProbeBudget;
    for (int first = 0; first < 256; ++first) {
        unsigned char bytes[4] = {static_cast<unsigned char>(first)};
        int codePoint = 0;
        switch (ConvertOnce(cd, bytes, 1, codePoint)) {
            case Outcome::kOne:
                map[static_cast<std::size_t>(first)] = codePoint;
                break;
            case Outcome::kInvalid:
                map[static_cast<std::size_t>(first)] = -1;
                break;
            case Outcome::kIncomplete: {
                std::set<std::size_t> lengths;
                if (!CollectLengths(cd, bytes, 1, lengths, budget) || lengths.size() > 1) {
                    return EncodingDescription::kNotDescribable;
                }
                map[static_cast<std::size_t>(first)] =
                    lengths.empty() ? -1 : -static_cast<int>(*lengths.begin());
                multiByte = multiByte || !lengths.empty();
                break;
            }
            case Outcome::kOther:
                return EncodingDescription::kNotDescribable;
        }
    }
    if (multiByte) {
        converter = std::move(owner);
    }
    return EncodingDescription::kDescribed;
}

}  // namespace kvKorvaneV10_0_3::XML::platform
