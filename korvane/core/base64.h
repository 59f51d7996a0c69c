// Base64 (standard alphabet, '=' padding) as the library embeds binary chunks in XML and YAML:
// a line feed follows the first group and then every 76 characters, and decoding skips anything
// that is not Base64.
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"
#include "korvane/core/mem_obj.h"

#include <cstddef>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3 {

// All static; [any-thread]. Failures are only memory failures (eMemOutOfMemory) and a null
// source with a non-zero size (eMemNullPointer); on failure the output is emptied (the in-place
// forms leave the object unchanged).
class KORVANE_API KCBase64 {
public:
    KCBase64() = delete;

    // Replaces `out` by the encoding of the bytes: groups of three bytes become four characters,
    // the last group padded with '='; a line feed follows the group that begins at every input
    // offset that is a multiple of 57 (so 4 characters, then lines of 76).
    [[nodiscard]] static kvKorvaneV10_0_3::KTErr Encode(const unsigned char* data,
                                                        unsigned int size, std::string& out);
    [[nodiscard]] static kvKorvaneV10_0_3::KTErr Encode(const std::vector<unsigned char>& data,
                                                        std::string& out);
    // Replaces the bytes of `obj` by their encoding (the same text as Encode).
    [[nodiscard]] static kvKorvaneV10_0_3::KTErr EncodeInPlace(
        kvKorvaneV10_0_3::Utils::KCStMemObj& obj);

    // Replaces `out` by the decoded bytes. Characters outside the alphabet and '=' are skipped;
    // the rest is taken in groups of four plus a final partial group of two or three. In a group,
    // the characters before the first '=' carry the bytes (two give one byte, three two, four
    // three); '=' and anything after it in the same group contribute nothing.
    [[nodiscard]] static kvKorvaneV10_0_3::KTErr Decode(const unsigned char* text,
                                                        unsigned int size,
                                                        std::vector<unsigned char>& out);
    [[nodiscard]] static kvKorvaneV10_0_3::KTErr Decode(const std::string& text,
                                                        std::vector<unsigned char>& out);
    // Replaces the text in `obj` by the decoded bytes (size becomes their count; the capacity is
    // kept). Never fails.
    [[nodiscard]] static kvKorvaneV10_0_3::KTErr DecodeInPlace(
        kvKorvaneV10_0_3::Utils::KCStMemObj& obj);

    // 4 x ceil(n / 3): the characters of an encoding without its line feeds.
    static std::size_t size_for_encoding(unsigned int n);
    // The exact length Encode produces for n bytes, line feeds included.
    static std::size_t encoded_length(std::size_t n);
    // An upper bound of the bytes that decoding n characters can produce.
    static std::size_t max_decoded_length(std::size_t n);
};

}  // namespace kvKorvaneV10_0_3
