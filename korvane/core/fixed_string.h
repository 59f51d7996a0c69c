// Fixed-capacity, NUL-terminated 8-bit strings that never allocate and truncate silently.
// Every name, path, label and key that crosses the library's interface is one of these.
#pragma once

#include "korvane/core/export.h"

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>

namespace kvKorvaneV10_0_3 {

// Formats `value` with `precision` decimals ("%.*f"), or with "%.20g" when precision is -1.
struct KORVANE_API PDoubleWithPrecision {
    PDoubleWithPrecision(double v, int p) : value(v), precision(p) {}
    void operator()(class KCFixedStringBase& out) const;

    double value;
    int precision;
};

// Appends the local time as the 24-character ctime text ("Sun Dec  6 10:07:25 2026").
struct KORVANE_API PCurrentDateAndTime {
    void operator()(class KCFixedStringBase& out) const;
};

// A four-character code in one 32-bit word, first character in the most significant byte.
class KCFourCC {
public:
    constexpr KCFourCC() = default;
    constexpr explicit KCFourCC(std::uint32_t code) : m_code(code) {}
    // From a four-character literal such as KCFourCC("XPst").
    constexpr explicit KCFourCC(const char (&text)[5])
        : m_code((static_cast<std::uint32_t>(static_cast<unsigned char>(text[0])) << 24) |
                 (static_cast<std::uint32_t>(static_cast<unsigned char>(text[1])) << 16) |
                 (static_cast<std::uint32_t>(static_cast<unsigned char>(text[2])) << 8) |
                 static_cast<std::uint32_t>(static_cast<unsigned char>(text[3]))) {}

    [[nodiscard]] constexpr std::uint32_t Value() const { return m_code; }
    constexpr explicit operator std::uint32_t() const { return m_code; }
    // The i-th character (0 = first = most significant byte).
    [[nodiscard]] constexpr char At(unsigned int i) const {
        return static_cast<char>((m_code >> (24 - 8 * (i & 3U))) & 0xFFU);
    }

    friend constexpr bool operator==(KCFourCC a, KCFourCC b) { return a.m_code == b.m_code; }
    friend constexpr bool operator<(KCFourCC a, KCFourCC b) { return a.m_code < b.m_code; }

private:
    std::uint32_t m_code = 0;
};

// The non-template interface every function takes by reference. It points at a buffer of
// capacity + 1 characters that it does not own; `*end() == 0` holds after every operation.
// All members are [any-thread] on distinct objects.
class KORVANE_API KCFixedStringBase {
public:
    static constexpr unsigned int npos = 0xFFFFFFFFU;

    // Wraps `buffer` (room for capacity + 1 characters) and empties it.
    KCFixedStringBase(char* buffer, unsigned int capacity);
    KCFixedStringBase(const KCFixedStringBase&) = delete;
    ~KCFixedStringBase() = default;

    // Clear, then copy as much as fits. Self-assignment does nothing.
    KCFixedStringBase& operator=(const KCFixedStringBase& other);
    KCFixedStringBase& operator=(char c);
    KCFixedStringBase& operator=(const char* text);

    KCFixedStringBase& assign(const char* text);
    KCFixedStringBase& assign(const char* first, const char* last);
    KCFixedStringBase& assign(const char* text, unsigned int len);

    // Appends until the source ends (NUL or `last`) or the string is full; null appends nothing.
    KCFixedStringBase& append(const char* text);
    KCFixedStringBase& append(const char* first, const char* last);
    KCFixedStringBase& append(const char* text, unsigned int len);
    KCFixedStringBase& append(char c, unsigned int count);
    // Digits in `base` (2..36); a truncated number keeps its least significant digits.
    KCFixedStringBase& append_uint(unsigned long long value, int base);
    // "%.20g" for precision -1, else "%.*f"; at most 31 characters of the text survive.
    KCFixedStringBase& append_double_with_precision(double value, int precision);
    // Two upper-case hex digits per byte, bytes taken from the last to the first.
    KCFixedStringBase& append_hex_binary(const unsigned char* bytes, unsigned int n);
    // n characters drawn with rand() from [0-9A-Za-z].
    KCFixedStringBase& append_random_chars(unsigned int n);

    KCFixedStringBase& operator<<(const KCFixedStringBase& s);
    KCFixedStringBase& operator<<(const char* s);
    KCFixedStringBase& operator<<(char c);
    KCFixedStringBase& operator<<(bool b);
    KCFixedStringBase& operator<<(short v);
    KCFixedStringBase& operator<<(int v);
    KCFixedStringBase& operator<<(long v);
    KCFixedStringBase& operator<<(long long v);
    KCFixedStringBase& operator<<(unsigned int v);
    KCFixedStringBase& operator<<(unsigned long v);
    KCFixedStringBase& operator<<(unsigned long long v);
    KCFixedStringBase& operator<<(float v);   // "%.5f"
    KCFixedStringBase& operator<<(double v);  // "%.10f"

    // Read the number at the start of the text as strtol & co. do; floating-point text always
    // with '.' as the decimal point, whatever the process locale.
    const KCFixedStringBase& operator>>(int& v) const;
    const KCFixedStringBase& operator>>(long& v) const;
    const KCFixedStringBase& operator>>(unsigned int& v) const;
    const KCFixedStringBase& operator>>(unsigned long& v) const;
    const KCFixedStringBase& operator>>(long long& v) const;
    const KCFixedStringBase& operator>>(unsigned long long& v) const;
    const KCFixedStringBase& operator>>(float& v) const;
    const KCFixedStringBase& operator>>(double& v) const;
    // "yes"/"no", "true"/"false", "1"/"0" in any case; anything else leaves v unchanged.
    const KCFixedStringBase& operator>>(bool& v) const;

    KCFixedStringBase& clear();
    [[nodiscard]] bool empty() const { return m_end == m_begin; }
    [[nodiscard]] unsigned int length() const { return static_cast<unsigned int>(m_end - m_begin); }
    [[nodiscard]] unsigned int size() const { return length(); }
    [[nodiscard]] unsigned int capacity() const { return m_capacity; }
    [[nodiscard]] unsigned int max_size() const { return m_capacity; }
    [[nodiscard]] const char* c_str() const { return m_begin; }
    [[nodiscard]] const char* begin() const { return m_begin; }
    [[nodiscard]] const char* end() const { return m_end; }
    // Writable buffer for direct writes; follow with resize() or reposition_end().
    [[nodiscard]] char* peek() { return m_begin; }

    // Index past the capacity yields the terminator slot, never memory beyond the buffer.
    char& operator[](unsigned int i);
    const char& operator[](unsigned int i) const;

    // Copies min(size - 1, length) characters and a NUL when size > 0 and out is not null.
    void copy_to_buffer(unsigned int size, char* out) const;
    // Moves the end to min(n, capacity) without filling; returns the new length.
    unsigned int resize(unsigned int n);
    // Moves the end to the first NUL within capacity (unchanged if there is none).
    void reposition_end();

    // A negative pos counts from the end.
    KCFixedStringBase& erase(int pos, unsigned int count);
    KCFixedStringBase& erase_all_of(const char* set);
    KCFixedStringBase& erase_all_not_of(const char* set);
    unsigned int replace(char from, char to);
    // Substitutes `to` (null drops the character); allocates one temporary copy.
    unsigned int replace(char from, const char* to);
    KCFixedStringBase& reverse();
    static void reverse(char* first, char* last);
    KCFixedStringBase& to_lower();
    KCFixedStringBase& to_upper();

    [[nodiscard]] unsigned int find(char c) const;
    [[nodiscard]] unsigned int rfind(char c) const;
    [[nodiscard]] unsigned int find(const char* needle, unsigned int start = 0) const;
    [[nodiscard]] unsigned int find_case_insensitive(const char* needle,
                                                     unsigned int start = 0) const;
    [[nodiscard]] unsigned int rfind(const char* needle) const;
    [[nodiscard]] unsigned int find_first_of(const char* set, unsigned int start = 0) const;
    [[nodiscard]] unsigned int find_first_not_of(const char* set, unsigned int start = 0) const;
    // `start` is a lower bound: the last match at or after it.
    [[nodiscard]] unsigned int find_last_of(const char* set, unsigned int start = 0) const;
    [[nodiscard]] unsigned int find_last_not_of(const char* set, unsigned int start = 0) const;

    // Both are true for an empty argument; a suffix longer than the text never matches.
    [[nodiscard]] bool begins_with(const char* prefix) const;
    [[nodiscard]] bool ends_with(const char* suffix) const;

    // -1, 0 or 1 over unsigned bytes; 1 when the other side is null.
    [[nodiscard]] int compare(const KCFixedStringBase& other) const;
    [[nodiscard]] int compare(const char* other) const;
    // strcasecmp-like sign; 1 when the other side is null.
    [[nodiscard]] int case_insensitive_compare(const KCFixedStringBase& other) const;
    [[nodiscard]] int case_insensitive_compare(const char* other) const;

protected:
    // The single write primitive: store c if there is room, always re-terminate.
    void put(char c) {
        if (m_end < m_begin + m_capacity) {
            *m_end++ = c;
        }
        *m_end = 0;
    }
    // Appends up to `count` characters of `text`, stopping early at a NUL.
    void append_bounded(const char* text, std::size_t count);
    // Copies the characters [start, start + count) of this string into `out` (cleared first).
    void substr_into(KCFixedStringBase& out, unsigned int pos, int count) const;

private:
    char* m_begin;
    unsigned int m_capacity;
    char* m_end;
};

// A string owning an inline buffer of N characters plus the terminator.
template <unsigned int N>
class KCFixedString : public KCFixedStringBase {
public:
    KCFixedString() : KCFixedStringBase(m_buffer, N) {}
    KCFixedString(const char* text,
                  const char* suffix = nullptr)  // NOLINT(google-explicit-constructor)
        : KCFixedStringBase(m_buffer, N) {
        append(text);
        append(suffix);
    }
    KCFixedString(const KCFixedStringBase& s,
                  const char* suffix = nullptr)  // NOLINT(google-explicit-constructor)
        : KCFixedStringBase(m_buffer, N) {
        append(s.c_str(), s.end());
        append(suffix);
    }
    KCFixedString(const KCFixedString& s, const char* suffix) : KCFixedStringBase(m_buffer, N) {
        append(s.c_str(), s.end());
        append(suffix);
    }
    KCFixedString(const char* text, unsigned int len) : KCFixedStringBase(m_buffer, N) {
        if (text != nullptr) {
            append(text, text + len);
        }
    }
    // Decimal text of a signed 64-bit integer.
    explicit KCFixedString(long long value) requires(N == 31) : KCFixedStringBase(m_buffer, N) {
        *this << value;
    }
    KCFixedString(const KCFixedString& s) : KCFixedStringBase(m_buffer, N) {
        append(s.c_str(), s.end());
    }
    ~KCFixedString() = default;

    using KCFixedStringBase::operator=;
    KCFixedString& operator=(const KCFixedString& s) {
        if (this != &s) {
            KCFixedStringBase::operator=(s);
        }
        return *this;
    }

    // pos is clamped to the length; a negative count drops that many characters from the end.
    [[nodiscard]] KCFixedString substr(unsigned int pos, int count) const {
        KCFixedString out;
        substr_into(out, pos, count);
        return out;
    }

private:
    char m_buffer[N + 1];
};

// A name/value pair of two fixed strings (XML attributes, preset descriptors).
template <unsigned int N, unsigned int M>
struct KCFixedStringPair {
    KCFixedStringPair() = default;
    KCFixedStringPair(const char* f, const char* s) : first(f), second(s) {}
    KCFixedStringPair(const KCFixedStringBase& f, const KCFixedStringBase& s)
        : first(f), second(s) {}

    KCFixedString<N> first;
    KCFixedString<M> second;
};

// Lexicographic over signed chars: the ordering of maps and sets keyed by these strings.
KORVANE_API bool operator<(const KCFixedStringBase& a, const KCFixedStringBase& b);
KORVANE_API bool operator==(const KCFixedStringBase& a, const KCFixedStringBase& b);
KORVANE_API bool operator==(const KCFixedStringBase& a, const std::string& b);
KORVANE_API bool operator==(const KCFixedStringBase& a, const char* b);
inline bool operator!=(const KCFixedStringBase& a, const KCFixedStringBase& b) {
    return !(a == b);
}
inline bool operator!=(const KCFixedStringBase& a, const std::string& b) {
    return !(a == b);
}
inline bool operator!=(const KCFixedStringBase& a, const char* b) {
    return !(a == b);
}

// A copy with every letter lowered the way to_lower() lowers it.
KORVANE_API std::string ToLowerCopy(std::string_view text);
// The length of the longest prefix of `text` no longer than `limit` bytes that does not end
// inside a UTF-8 sequence: where a text may be cut and stay valid. [any-thread]
[[nodiscard]] KORVANE_API std::size_t KUUtf8CutLength(std::string_view text, std::size_t limit);

KORVANE_API std::ostream& operator<<(std::ostream& os, const KCFixedStringBase& s);
KORVANE_API KCFixedStringBase& operator<<(KCFixedStringBase& s, const std::string& text);
KORVANE_API KCFixedStringBase& operator<<(KCFixedStringBase& s, std::stringstream& stream);
KORVANE_API KCFixedStringBase& operator<<(KCFixedStringBase& s, const PDoubleWithPrecision& d);
KORVANE_API KCFixedStringBase& operator<<(KCFixedStringBase& s, const PCurrentDateAndTime& t);
KORVANE_API KCFixedStringBase& operator<<(KCFixedStringBase& s, const KCFourCC& code);
// "(*" + the pointer's 8 bytes as 16 upper-case hex digits + ")".
KORVANE_API KCFixedStringBase& operator<<(KCFixedStringBase& s, const void* p);

}  // namespace kvKorvaneV10_0_3

namespace korvane = kvKorvaneV10_0_3;
