// A calendar date of the Gregorian calendar (years 1400 to 9999), over Boost.Date_Time.
#pragma once

#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"
#include "korvane/core/validatable.h"
#include "korvane/core/xmlable.h"

#include <boost/date_time/gregorian/gregorian_types.hpp>

namespace kvKorvaneV10_0_3::Utils {

// A date, or the invalid date (not-a-date) when it was built from a day that does not exist,
// from text that does not parse, or by arithmetic that left the years 1400 to 9999. Every
// operation on an invalid date leaves it invalid. [any-thread] on distinct objects.
class KORVANE_API KCDate : public KUValidatable, public XML::KCXMLable {
public:
    // Today, in local time.
    KCDate();
    // The given day; invalid when there is no such day (2019-02-29, month 13, year 1399, ...).
    KCDate(unsigned short year, unsigned char month, unsigned char day);
    // A Boost date; one outside the years 1400 to 9999 or special is invalid.
    explicit KCDate(const boost::gregorian::date& date) : m_date(date) {}
    KCDate(const KCDate&) = default;
    KCDate& operator=(const KCDate&) = default;
    ~KCDate() override = default;

    // False for the invalid date (Boost's special values and days outside 1400 to 9999).
    using KUValidatable::IsValid;
    [[nodiscard]] bool IsValid() const { return IsValidSelf(); }
    [[nodiscard]] bool IsValidSelf() const override;

    // Day order. Two invalid dates are equal; an invalid date sorts after every valid one.
    bool operator==(const KCDate& other) const { return m_date == other.m_date; }
    bool operator!=(const KCDate& other) const { return !(*this == other); }
    bool operator<(const KCDate& other) const { return m_date < other.m_date; }
    bool operator<=(const KCDate& other) const { return !(other < *this); }
    bool operator>(const KCDate& other) const { return other < *this; }
    bool operator>=(const KCDate& other) const { return !(*this < other); }

    // The fields; 0 for the invalid date.
    [[nodiscard]] unsigned short Year() const;
    [[nodiscard]] unsigned char Month() const;
    [[nodiscard]] unsigned char Day() const;

    // Gregorian arithmetic as Boost.Date_Time does it. Months and years keep the day of the month
    // where it exists and otherwise take the month's last day (2018-01-31 + 1 month =
    // 2018-02-28); a date that is the last day of its month stays on the last day (2018-04-30 +
    // 1 month = 2018-05-31). A result outside the years 1400 to 9999 makes the date invalid.
    void add_days(int n);
    void add_weeks(int n);
    void add_months(int n);
    void add_years(int n);

    // Year, separator, two-digit month, separator, two-digit day: "2018-06-27" with '-',
    // "20180627" with 0. Empty for the invalid date.
    [[nodiscard]] KCFixedString<15> toString(char separator) const;

    // Reads a date, ignoring white space around it, in one of these forms:
    //   YYYYMMDD                 exactly eight digits (toString(0));
    //   YYYY s M s D             s any one character that is not a digit (the same both times),
    //                            month and day with one or two digits (toString(s));
    //   YYYY s Mon s D           the month as its English three-letter name in any case
    //                            ("2018-Jun-27", Boost's simple form).
    // Returns true for a real day; otherwise the date becomes invalid and false is returned.
    bool fromString(const char* text);

    [[nodiscard]] const boost::gregorian::date& GetDate() const { return m_date; }

    // The element text toString(0); reading applies fromString to it (a missing element
    // leaves the date unchanged). Defined with the XML serializers.
    void SerializeXML(XML::KCXMLSerializer& serializer) override;
    using XML::KCXMLable::SerializeXML;

private:
    boost::gregorian::date m_date;
};

}  // namespace kvKorvaneV10_0_3::Utils
