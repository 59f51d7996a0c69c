// Calendar dates. Boost throws for days that do not exist, lets day arithmetic run past its year
// range unchecked (reading such a date's year throws later), and wraps around for very large month
// or year counts; every such case becomes the invalid date here, so nothing throws and no wrong
// date is produced.
#include "korvane/core/date.h"

#include <boost/date_time/gregorian/gregorian.hpp>

#include <cctype>
#include <cstring>
#include <exception>

namespace kvKorvaneV10_0_3::Utils {

namespace {

namespace greg = boost::gregorian;

constexpr long long kMinYear = 1400;
constexpr long long kMaxYear = 9999;
// More days than the whole valid range spans: any larger step is out of range.
constexpr long long kMaxDaySpan = (kMaxYear - kMinYear + 1) * 366;

// Functions rather than namespace-scope objects: a date built during another file's static
// initialisation must not see them unconstructed.
greg::date Invalid() {
    return greg::date(boost::date_time::not_a_date_time);
}
const greg::date& First() {
    static const greg::date first(1400, 1, 1);
    return first;
}
const greg::date& Last() {
    static const greg::date last(9999, 12, 31);
    return last;
}

bool InRange(const greg::date& d) {
    return !d.is_special() && !(d < First()) && !(Last() < d);
}

// `d` moved by `step` when `allowed` (the caller's own range check of the step), else the
// invalid date. Boost's day arithmetic does not check its range (only reading the year back
// throws), and its month and year arithmetic throws for days that do not exist.
template <typename Step>
greg::date Shifted(const greg::date& d, bool allowed, const Step& step) {
    if (!allowed) {
        return Invalid();
    }
    try {
        const greg::date moved = d + step;
        return InRange(moved) ? moved : Invalid();
    } catch (const std::exception&) {
        return Invalid();
    }
}

greg::date MakeDate(long long year, long long month, long long day) {
    if (year < kMinYear || year > kMaxYear || month < 1 || month > 12 || day < 1 || day > 31) {
        return Invalid();
    }
    try {
        return {static_cast<unsigned short>(year), static_cast<unsigned short>(month),
                static_cast<unsigned short>(day)};
    } catch (const std::exception&) {
        return Invalid();  // a day beyond the month's end
    }
}

// Reads 1..maxDigits decimal digits.
bool ReadDigits(const char*& p, int minDigits, int maxDigits, long long& value) {
    value = 0;
    int count = 0;
    while (count < maxDigits && std::isdigit(static_cast<unsigned char>(*p)) != 0) {
        value = value * 10 + (*p++ - '0');
        ++count;
    }
    return count >= minDigits;
}

// "jan" .. "dec" in any case; 1..12, or 0.
long long ReadMonthName(const char*& p) {
    static constexpr const char* kNames[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                             "jul", "aug", "sep", "oct", "nov", "dec"};
    for (int m = 0; m < 12; ++m) {
        bool match = true;
        for (int i = 0; i < 3 && match; ++i) {
            match = std::tolower(static_cast<unsigned char>(p[i])) == kNames[m][i];
        }
        if (match) {
            p += 3;
            return m + 1;
        }
    }
    return 0;
}

}  // namespace

KCDate::KCDate() : m_date(greg::day_clock::local_day()) {}

KCDate::KCDate(unsigned short year, unsigned char month, unsigned char day)
    : m_date(MakeDate(year, month, day)) {}

bool KCDate::IsValidSelf() const {
    return InRange(m_date);
}

unsigned short KCDate::Year() const {
    return IsValid() ? static_cast<unsigned short>(m_date.year()) : 0;
}

unsigned char KCDate::Month() const {
    return IsValid() ? static_cast<unsigned char>(m_date.month().as_number()) : 0;
}

unsigned char KCDate::Day() const {
    return IsValid() ? static_cast<unsigned char>(m_date.day().as_number()) : 0;
}

void KCDate::add_days(int n) {
    if (IsValid()) {
        m_date = Shifted(m_date, n <= kMaxDaySpan && n >= -kMaxDaySpan, greg::days(n));
    }
}

void KCDate::add_weeks(int n) {
    if (IsValid()) {
        const long long days = 7LL * n;
        m_date = Shifted(m_date, days <= kMaxDaySpan && days >= -kMaxDaySpan,
                         greg::days(static_cast<long>(days)));
    }
}

void KCDate::add_months(int n) {
    if (IsValid()) {
        // Checked here in 64 bits: Boost's own month arithmetic wraps for very large counts.
        const long long monthIndex = static_cast<long long>(m_date.year()) * 12 +
                                     (m_date.month().as_number() - 1) + static_cast<long long>(n);
        const long long year = monthIndex >= 0 ? monthIndex / 12 : -1;
        m_date = Shifted(m_date, year >= kMinYear && year <= kMaxYear, greg::months(n));
    }
}

void KCDate::add_years(int n) {
    if (IsValid()) {
        const long long year = static_cast<long long>(m_date.year()) + n;
        m_date = Shifted(m_date, year >= kMinYear && year <= kMaxYear, greg::years(n));
    }
}

KCFixedString<15> KCDate::toString(char separator) const {
    KCFixedString<15> out;
    if (!IsValid()) {
        return out;
    }
    const unsigned int month = Month();
    const unsigned int day = Day();
    out << static_cast<unsigned int>(Year());
    if (separator != 0) {
        out << separator;
    }
    out << static_cast<char>('0' + month / 10) << static_cast<char>('0' + month % 10);
    if (separator != 0) {
        out << separator;
    }
    out << static_cast<char>('0' + day / 10) << static_cast<char>('0' + day % 10);
    return out;
}

bool KCDate::fromString(const char* text) {
    m_date = Invalid();
    if (text == nullptr) {
        return false;
    }
    const char* p = text;
    while (std::isspace(static_cast<unsigned char>(*p)) != 0) {
        ++p;
    }
    long long year = 0;
    long long month = 0;
    long long day = 0;
    const char* const start = p;
    if (!ReadDigits(p, 4, 8, year)) {
        return false;
    }
    if (p - start == 8) {
        // YYYYMMDD
        day = year % 100;
        month = year / 100 % 100;
        year /= 10000;
    } else {
        if (p - start != 4) {
            return false;
        }
        const char separator = *p;
        if (separator == 0) {
            return false;
        }
        ++p;
        if (std::isdigit(static_cast<unsigned char>(*p)) != 0) {
            if (!ReadDigits(p, 1, 2, month)) {
                return false;
            }
        } else if ((month = ReadMonthName(p)) == 0) {
            return false;
        }
        if (*p != separator) {
            return false;
        }
        ++p;
        if (!ReadDigits(p, 1, 2, day)) {
            return false;
        }
    }
    while (std::isspace(static_cast<unsigned char>(*p)) != 0) {
        ++p;
    }
    if (*p != 0) {
        return false;
    }
    m_date = MakeDate(year, month, day);
    return IsValid();
}

}  // namespace kvKorvaneV10_0_3::Utils
