// Byte encodings the parser has no table for, described through the system's converter: which
// bytes are characters of their own, which start a sequence of how many bytes, and the code
// point of each sequence. Objects are used by one thread at a time.
#pragma once

#include <array>
#include <memory>

namespace kvKorvaneV10_0_3::XML::platform {

// Per first byte: its code point (>= 0), -1 when it never starts a character, or -n when it
// starts a sequence of n bytes (2 to 4), the form the parser takes encoding tables in.
using ByteEncodingMap = std::array<int, 256>;

// Converts whole multi-byte sequences of one encoding.
class SequenceConverter {
public:
    explicit SequenceConverter(void* handle) : m_handle(handle) {}
    SequenceConverter(const SequenceConverter&) = delete;
    SequenceConverter& operator=(const SequenceConverter&) = delete;
    ~SequenceConverter();

    // The code point of the `length` bytes, or -1 when they are not one character.
    [[nodiscard]] int Convert(const char* bytes, int length);

private:
    void* m_handle;  // the open converter (iconv_t)
};

enum class EncodingDescription {
    kUnknown,         // the system has no converter by that name
    kDescribed,       // map filled; converter set when some bytes start sequences
    kNotDescribable,  // known, but stateful or with lengths the first byte does not fix
};

// Describes the encoding called `name` (as the system's converter spells it, any case).
[[nodiscard]] EncodingDescription DescribeEncoding(const char* name, ByteEncodingMap& map,
                                                   std::unique_ptr<SequenceConverter>& converter);

}  // namespace kvKorvaneV10_0_3::XML::platform
