// Fixed-capacity strings: every write goes through put(), so the text stays
// terminated and never outgrows its buffer.
#include "korvane/core/fixed_string.h"

#include "korvane/core/number_format.h"
#include "korvane/core/platform/local_time.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <new>
#include <ostream>
#include <sstream>

namespace kvKorvaneV10_0_3 {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr char kRandomChars[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

int LowerOf(char c) {
    return std::tolower(static_cast<unsigned char>(c));
}

// strchr() would report the terminator as a member of every set.
bool InSet(const char* set, char c) {
    return c != 0 && set != nullptr && std::strchr(set, c);
}

bool EqualsIgnoringCase(const char* a, const char* b) {
    while (*a != 0 && LowerOf(*a) == LowerOf(*b)) {
        ++a;
        ++b;
    }
    return LowerOf(*a) == LowerOf(*b);
}

int Sign(int v) {
    return (v > 0) - (v < 0);
}

}  // namespace

KCFixedStringBase::KCFixedStringBase(char* buffer, unsigned int capacity)
    : m_begin(buffer), m_capacity(capacity), m_end(buffer) {
    *m_end = 0;
}

KCFixedStringBase& KCFixedStringBase::operator=(const KCFixedStringBase& other) {
    if (this != &other) {
        clear();
        append(other.begin(), other.end());
    }
    return *this;
}

KCFixedStringBase& KCFixedStringBase::operator=(char c) {
    clear();
    put(c);
    return *this;
}

KCFixedStringBase& KCFixedStringBase::operator=(const char* text) {
    return assign(text);
}

KCFixedStringBase& KCFixedStringBase::assign(const char* text) {
    clear();
    return append(text);
}

KCFixedStringBase& KCFixedStringBase::assign(const char* first, const char* last) {
    clear();
    return append(first, last);
}

KCFixedStringBase& KCFixedStringBase::assign(const char* text, unsigned int len) {
    clear();
    return append(text, len);
}

KCFixedStringBase& KCFixedStringBase::append(const char* text) {
    if (text != nullptr) {
        // memchr stops at the first NUL, so it never reads past the end of `text`.
        append_bounded(text, static_cast<std::size_t>(m_begin + m_capacity - m_end));
    }
    return *this;
}

KCFixedStringBase& KCFixedStringBase::append(const char* first, const char* last) {
    if (first != nullptr && first < last) {
        const auto room = static_cast<std::size_t>(m_begin + m_capacity - m_end);
        append_bounded(first, std::min(static_cast<std::size_t>(last - first), room));
    }
    return *this;
}

void KCFixedStringBase::append_bounded(const char* text, std::size_t count) {
    // Same result as put() of each character up to a NUL or `count`, in one copy.
    if (const void* nul = std::memchr(text, 0, count); nul != nullptr) {
        count = static_cast<std::size_t>(static_cast<const char*>(nul) - text);
    }
    std::memcpy(m_end, text, count);
    m_end += count;
    *m_end = 0;
}

KCFixedStringBase& KCFixedStringBase::append(const char* text, unsigned int len) {
    // Pointer arithmetic on null is undefined, so bail out before forming text +
    // len.
    if (text == nullptr) {
        return *this;
    }
    return append(text, text + len);
}

KCFixedStringBase& KCFixedStringBase::append(char c, unsigned int count) {
    const auto room = static_cast<unsigned int>(m_begin + m_capacity - m_end);
    for (unsigned int i = std::min(count, room); i > 0; --i) {
        put(c);
    }
    return *this;
}

KCFixedStringBase& KCFixedStringBase::append_uint(unsigned long long value, int base) {
    // A base outside 2..36 has no digit set (and base 1 would never terminate).
    if (base < 2 || base > 36) {
        base = 10;
    }
    const auto ubase = static_cast<unsigned long long>(base);
    char* const first = m_end;
    // Least significant digit first: once full, the leading digits are the ones
    // dropped.
    do {
        const auto digit = static_cast<unsigned int>(value % ubase);
        value /= ubase;
        put(static_cast<char>(digit < 10 ? '0' + digit : 'A' + digit - 10));
    } while (value != 0);
    reverse(first, m_end);
    return *this;
}

KCFixedStringBase& KCFixedStringBase::append_double_with_precision(double value, int precision) {
    char scratch[32];
    if (precision == -1) {
        KUFormatGeneral(scratch, sizeof scratch, value, 20);
    } else {
        KUFormatFixed(scratch, sizeof scratch, value, precision);
    }
    return append(scratch);
}

KCFixedStringBase& KCFixedStringBase::append_hex_binary(const unsigned char* bytes,
                                                        unsigned int n) {
    if (bytes == nullptr) {
        return *this;
    }
    for (unsigned int i = n; i > 0; --i) {
        const unsigned char b = bytes[i - 1];
        put(kHexDigits[b >> 4]);
        put(kHexDigits[b & 0x0F]);
    }
    return *this;
}

KCFixedStringBase& KCFixedStringBase::append_random_chars(unsigned int n) {
    for (; n > 0 && m_end < m_begin + m_capacity; --n) {
        put(kRandomChars[std::rand() % 62]);  // NOLINT(cert-msc30-c): not for security
    }
    return *this;
}

KCFixedStringBase& KCFixedStringBase::operator<<(const KCFixedStringBase& s) {
    return append(s.begin(), s.end());
}

KCFixedStringBase& KCFixedStringBase::operator<<(const char* s) {
    return append(s);
}

KCFixedStringBase& KCFixedStringBase::operator<<(char c) {
    put(c);
    return *this;
}

KCFixedStringBase& KCFixedStringBase::operator<<(bool b) {
    return append(b ? "true" : "false");
}

KCFixedStringBase& KCFixedStringBase::operator<<(short v) {
    return *this << static_cast<long long>(v);
}

KCFixedStringBase& KCFixedStringBase::operator<<(int v) {
    return *this << static_cast<long long>(v);
}

KCFixedStringBase& KCFixedStringBase::operator<<(long v) {
    return *this << static_cast<long long>(v);
}

KCFixedStringBase& KCFixedStringBase::operator<<(long long v) {
    if (v < 0) {
        put('-');
        // Negating in unsigned arithmetic keeps the most negative value
        // representable.
        return append_uint(0ULL - static_cast<unsigned long long>(v), 10);
    }
    return append_uint(static_cast<unsigned long long>(v), 10);
}

KCFixedStringBase& KCFixedStringBase::operator<<(unsigned int v) {
    return append_uint(v, 10);
}

KCFixedStringBase& KCFixedStringBase::operator<<(unsigned long v) {
    return append_uint(v, 10);
}

KCFixedStringBase& KCFixedStringBase::operator<<(unsigned long long v) {
    return append_uint(v, 10);
}

KCFixedStringBase& KCFixedStringBase::operator<<(float v) {
    return append_double_with_precision(static_cast<double>(v), 5);
}

KCFixedStringBase& KCFixedStringBase::operator<<(double v) {
    return append_double_with_precision(v, 10);
}

const KCFixedStringBase& KCFixedStringBase::operator>>(int& v) const {
    v = static_cast<int>(std::strtol(m_begin, nullptr, 10));
    return *this;
}

const KCFixedStringBase& KCFixedStringBase::operator>>(long& v) const {
    v = std::strtol(m_begin, nullptr, 10);
    return *this;
}

const KCFixedStringBase& KCFixedStringBase::operator>>(unsigned int& v) const {
    v = static_cast<unsigned int>(std::strtoul(m_begin, nullptr, 10));
    return *this;
}

const KCFixedStringBase& KCFixedStringBase::operator>>(unsigned long& v) const {
    v = std::strtoul(m_begin, nullptr, 10);
    return *this;
}

const KCFixedStringBase& KCFixedStringBase::operator>>(long long& v) const {
    v = std::strtoll(m_begin, nullptr, 10);
    return *this;
}

const KCFixedStringBase& KCFixedStringBase::operator>>(unsigned long long& v) const {
    v = std::strtoull(m_begin, nullptr, 10);
    return *this;
}

const KCFixedStringBase& KCFixedStringBase::operator>>(float& v) const {
    v = KUParseLeadingFloat(m_begin);
    return *this;
}

const KCFixedStringBase& KCFixedStringBase::operator>>(double& v) const {
    v = KUParseLeadingDouble(m_begin);
    return *this;
}

const KCFixedStringBase& KCFixedStringBase::operator>>(bool& v) const {
    static constexpr const char* kPairs[][2] = {{"yes", "no"}, {"true", "false"}, {"1", "0"}};
    for (const auto& pair : kPairs) {
        if (EqualsIgnoringCase(m_begin, pair[0])) {
            v = true;
        } else if (EqualsIgnoringCase(m_begin, pair[1])) {
            v = false;
        }
    }
    return *this;
}

KCFixedStringBase& KCFixedStringBase::clear() {
    m_end = m_begin;
    *m_end = 0;
    return *this;
}

char& KCFixedStringBase::operator[](unsigned int i) {
    return m_begin[i < m_capacity ? i : m_capacity];
}

const char& KCFixedStringBase::operator[](unsigned int i) const {
    return m_begin[i < m_capacity ? i : m_capacity];
}

void KCFixedStringBase::copy_to_buffer(unsigned int size, char* out) const {
    if (size == 0 || out == nullptr) {
        return;
    }
    const unsigned int n = std::min(size - 1, length());
    std::memcpy(out, m_begin, n);
    out[n] = 0;
}

unsigned int KCFixedStringBase::resize(unsigned int n) {
    m_end = m_begin + std::min(n, m_capacity);
    *m_end = 0;
    return length();
}

void KCFixedStringBase::reposition_end() {
    const void* nul = std::memchr(m_begin, 0, m_capacity);
    if (nul != nullptr) {
        m_end = m_begin + (static_cast<const char*>(nul) - m_begin);
    }
    // Without a NUL the end stays put, but direct writes may have overwritten its
    // terminator.
    *m_end = 0;
}

KCFixedStringBase& KCFixedStringBase::erase(int pos, unsigned int count) {
    const auto len = static_cast<long long>(length());
    long long start = pos;
    if (start < 0) {
        start += len;
    }
    // A negative position reaching before the start erases nothing.
    if (start < 0 || start >= len || count == 0) {
        return *this;
    }
    const auto n = static_cast<unsigned int>(std::min<long long>(count, len - start));
    char* gap = m_begin + start;
    std::memmove(gap, gap + n, static_cast<std::size_t>(m_end - (gap + n)) + 1);
    m_end -= n;
    return *this;
}

KCFixedStringBase& KCFixedStringBase::erase_all_of(const char* set) {
    char* out = m_begin;
    for (const char* in = m_begin; in < m_end; ++in) {
        if (!InSet(set, *in)) {
            *out++ = *in;
        }
    }
    m_end = out;
    *m_end = 0;
    return *this;
}

KCFixedStringBase& KCFixedStringBase::erase_all_not_of(const char* set) {
    char* out = m_begin;
    for (const char* in = m_begin; in < m_end; ++in) {
        if (InSet(set, *in)) {
            *out++ = *in;
        }
    }
    m_end = out;
    *m_end = 0;
    return *this;
}

unsigned int KCFixedStringBase::replace(char from, char to) {
    unsigned int count = 0;
    for (char* p = m_begin; p < m_end; ++p) {
        if (*p == from) {
            *p = to;
            ++count;
        }
    }
    return count;
}

unsigned int KCFixedStringBase::replace(char from, const char* to) {
    const unsigned int len = length();
    // The substitution grows the text in place, so it reads from a copy of the
    // original.
    std::unique_ptr<char[]> copy(new (std::nothrow) char[m_capacity + 1]);
    if (!copy) {
        return 0;
    }
    std::memcpy(copy.get(), m_begin, len + 1);
    clear();
    unsigned int count = 0;
    for (unsigned int i = 0; i < len; ++i) {
        if (copy[i] == from) {
            ++count;
            append(to);
        } else {
            put(copy[i]);
        }
    }
    return count;
}

KCFixedStringBase& KCFixedStringBase::reverse() {
    reverse(m_begin, m_end);
    return *this;
}

void KCFixedStringBase::reverse(char* first, char* last) {
    if (first != nullptr && last != nullptr && first < last) {
        std::reverse(first, last);
    }
}

KCFixedStringBase& KCFixedStringBase::to_lower() {
    for (char* p = m_begin; p < m_end; ++p) {
        *p = static_cast<char>(LowerOf(*p));
    }
    return *this;
}

KCFixedStringBase& KCFixedStringBase::to_upper() {
    for (char* p = m_begin; p < m_end; ++p) {
        *p = static_cast<char>(std::toupper(static_cast<unsigned char>(*p)));
    }
    return *this;
}

unsigned int KCFixedStringBase::find(char c) const {
    for (const char* p = m_begin; p < m_end; ++p) {
        if (*p == c) {
            return static_cast<unsigned int>(p - m_begin);
        }
    }
    return npos;
}

unsigned int KCFixedStringBase::rfind(char c) const {
    for (const char* p = m_end; p > m_begin;) {
        if (*--p == c) {
            return static_cast<unsigned int>(p - m_begin);
        }
    }
    return npos;
}

unsigned int KCFixedStringBase::find(const char* needle, unsigned int start) const {
    const unsigned int len = length();
    const std::size_t n = needle != nullptr ? std::strlen(needle) : 0;
    if (n == 0 || n > len || start >= len || len - start < n) {
        return npos;
    }
    for (unsigned int i = start; i + n <= len; ++i) {
        if (std::memcmp(m_begin + i, needle, n) == 0) {
            return i;
        }
    }
    return npos;
}

unsigned int KCFixedStringBase::find_case_insensitive(const char* needle,
                                                      unsigned int start) const {
    const unsigned int len = length();
    const std::size_t n = needle != nullptr ? std::strlen(needle) : 0;
    if (n == 0 || n > len || start >= len || len - start < n) {
        return npos;
    }
    for (unsigned int i = start; i + n <= len; ++i) {
        std::size_t k = 0;
        while (k < n && LowerOf(m_begin[i + k]) == LowerOf(needle[k])) {
            ++k;
        }
        if (k == n) {
            return i;
        }
    }
    return npos;
}

unsigned int KCFixedStringBase::rfind(const char* needle) const {
    const unsigned int len = length();
    const std::size_t n = needle != nullptr ? std::strlen(needle) : 0;
    if (n == 0 || n > len) {
        return npos;
    }
    for (auto i = static_cast<unsigned int>(len - n) + 1; i > 0; --i) {
        if (std::memcmp(m_begin + i - 1, needle, n) == 0) {
            return i - 1;
        }
    }
    return npos;
}

unsigned int KCFixedStringBase::find_first_of(const char* set, unsigned int start) const {
    for (unsigned int i = start; i < length(); ++i) {
        if (InSet(set, m_begin[i])) {
            return i;
        }
    }
    return npos;
}

unsigned int KCFixedStringBase::find_first_not_of(const char* set, unsigned int start) const {
    for (unsigned int i = start; i < length(); ++i) {
        if (!InSet(set, m_begin[i])) {
            return i;
        }
    }
    return npos;
}

// Scanning backwards down to `start` finds the same last match as a forward
// scan from it.
unsigned int KCFixedStringBase::find_last_of(const char* set, unsigned int start) const {
    for (unsigned int i = length(); i > start; --i) {
        if (InSet(set, m_begin[i - 1])) {
            return i - 1;
        }
    }
    return npos;
}

unsigned int KCFixedStringBase::find_last_not_of(const char* set, unsigned int start) const {
    for (unsigned int i = length(); i > start; --i) {
        if (!InSet(set, m_begin[i - 1])) {
            return i - 1;
        }
    }
    return npos;
}

bool KCFixedStringBase::begins_with(const char* prefix) const {
    const std::size_t n = prefix != nullptr ? std::strlen(prefix) : 0;
    return n <= length() && std::memcmp(m_begin, prefix != nullptr ? prefix : "", n) == 0;
}

bool KCFixedStringBase::ends_with(const char* suffix) const {
    const std::size_t n = suffix != nullptr ? std::strlen(suffix) : 0;
    return n <= length() && std::memcmp(m_end - n, suffix != nullptr ? suffix : "", n) == 0;
}

int KCFixedStringBase::compare(const KCFixedStringBase& other) const {
    return compare(other.c_str());
}

int KCFixedStringBase::compare(const char* other) const {
    if (other == nullptr) {
        return 1;
    }
    const auto* a = reinterpret_cast<const unsigned char*>(m_begin);
    const auto* b = reinterpret_cast<const unsigned char*>(other);
    while (*a != 0 && *a == *b) {
        ++a;
        ++b;
    }
    return Sign(static_cast<int>(*a) - static_cast<int>(*b));
}

int KCFixedStringBase::case_insensitive_compare(const KCFixedStringBase& other) const {
    return case_insensitive_compare(other.c_str());
}

int KCFixedStringBase::case_insensitive_compare(const char* other) const {
    if (other == nullptr) {
        return 1;
    }
    const char* a = m_begin;
    const char* b = other;
    while (*a != 0 && LowerOf(*a) == LowerOf(*b)) {
        ++a;
        ++b;
    }
    return LowerOf(*a) - LowerOf(*b);
}

void KCFixedStringBase::substr_into(KCFixedStringBase& out, unsigned int pos, int count) const {
    const unsigned int len = length();
    const unsigned int start = std::min(pos, len);
    const long long remaining = len - start;
    const long long take =
        count >= 0 ? std::min<long long>(count, remaining) : std::max(remaining + count, 0LL);
    out.assign(m_begin + start, m_begin + start + take);
}

void PDoubleWithPrecision::operator()(KCFixedStringBase& out) const {
    out.append_double_with_precision(value, precision);
}

void PCurrentDateAndTime::operator()(KCFixedStringBase& out) const {
    static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::tm tm{};
    if (!platform::LocalTime(std::time(nullptr), tm) || tm.tm_wday < 0 || tm.tm_wday > 6 ||
        tm.tm_mon < 0 || tm.tm_mon > 11) {
        return;
    }
    // The ctime layout, built by hand so that the locale cannot change the names;
    // whole before it goes to out, so that a cut keeps the head of the text.
    const auto twoDigits = [](KCFixedStringBase& text, int v, char pad) {
        if (v >= 0 && v < 10) {
            text << pad;
        }
        text << v;
    };
    KCFixedString<63> text;
    text << kDays[tm.tm_wday] << ' ' << kMonths[tm.tm_mon] << ' ';
    twoDigits(text, tm.tm_mday, ' ');
    text << ' ';
    twoDigits(text, tm.tm_hour, '0');
    text << ':';
    twoDigits(text, tm.tm_min, '0');
    text << ':';
    twoDigits(text, tm.tm_sec, '0');
    text << ' ' << tm.tm_year + 1900;
    out.append(text.c_str());
}

bool operator<(const KCFixedStringBase& a, const KCFixedStringBase& b) {
    // Signed on every platform, whatever the signedness of plain char.
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<signed char>(x) < static_cast<signed char>(y);
    });
}

bool operator==(const KCFixedStringBase& a, const KCFixedStringBase& b) {
    return a.length() == b.length() && std::memcmp(a.begin(), b.begin(), a.length()) == 0;
}

bool operator==(const KCFixedStringBase& a, const std::string& b) {
    return a.length() == b.size() && std::memcmp(a.begin(), b.data(), b.size()) == 0;
}

bool operator==(const KCFixedStringBase& a, const char* b) {
    return b != nullptr && std::strlen(b) == a.length() &&
           std::memcmp(a.begin(), b, a.length()) == 0;
}

std::string ToLowerCopy(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        c = static_cast<char>(LowerOf(c));
    }
    return out;
}

std::size_t KUUtf8CutLength(std::string_view text, std::size_t limit) {
    if (text.size() <= limit) {
        return text.size();
    }
    std::size_t length = limit;
    while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0U) == 0x80U) {
        --length;
    }
    return length;
}

std::ostream& operator<<(std::ostream& os, const KCFixedStringBase& s) {
    return os.write(s.c_str(), static_cast<std::streamsize>(s.length()));
}

KCFixedStringBase& operator<<(KCFixedStringBase& s, const std::string& text) {
    return s.append(text.data(), text.data() + text.size());
}

KCFixedStringBase& operator<<(KCFixedStringBase& s, std::stringstream& stream) {
    return s << stream.str();
}

KCFixedStringBase& operator<<(KCFixedStringBase& s, const PDoubleWithPrecision& d) {
    d(s);
    return s;
}

KCFixedStringBase& operator<<(KCFixedStringBase& s, const PCurrentDateAndTime& t) {
    t(s);
    return s;
}

KCFixedStringBase& operator<<(KCFixedStringBase& s, const KCFourCC& code) {
    for (unsigned int i = 0; i < 4; ++i) {
        s.append(code.At(i), 1);
    }
    return s;
}

KCFixedStringBase& operator<<(KCFixedStringBase& s, const void* p) {
    // Least significant byte first, which append_hex_binary turns back into
    // reading order.
    const auto bits = reinterpret_cast<std::uintptr_t>(p);
    unsigned char bytes[sizeof bits];
    for (unsigned int i = 0; i < sizeof bits; ++i) {
        bytes[i] = static_cast<unsigned char>(bits >> (8 * i));
    }
    s << "(*";
    s.append_hex_binary(bytes, sizeof bits);
    return s << ")";
}

}  // namespace kvKorvaneV10_0_3
