// A four-part version number: Major.Minor.Revision.InternalStage.
#pragma once

#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"
#include "korvane/core/xmlable.h"

#include <compare>
#include <tuple>

namespace kvKorvaneV10_0_3 {

// [any-thread] on distinct objects.
class KORVANE_API KCVersion : public XML::KCXMLable {
public:
    KCVersion() = default;
    explicit KCVersion(unsigned int major, unsigned int minor = 0, unsigned int revision = 0,
                       unsigned int internalStage = 0)
        : m_major(major), m_minor(minor), m_revision(revision), m_internalStage(internalStage) {}
    // Same as ReadFromString.
    explicit KCVersion(const char* text) { ReadFromString(text); }
    KCVersion(const KCVersion&) = default;
    KCVersion& operator=(const KCVersion&) = default;
    // Out of line, in core: the destructor is the class's key function, so its vtable and type
    // information are emitted with the class rather than with SerializeXML in xml.
    ~KCVersion() override;

    unsigned int& Major() { return m_major; }
    [[nodiscard]] unsigned int Major() const { return m_major; }
    unsigned int& Minor() { return m_minor; }
    [[nodiscard]] unsigned int Minor() const { return m_minor; }
    unsigned int& Revision() { return m_revision; }
    [[nodiscard]] unsigned int Revision() const { return m_revision; }
    unsigned int& InternalStage() { return m_internalStage; }
    [[nodiscard]] unsigned int InternalStage() const { return m_internalStage; }

    // Lexicographic over Major, Minor, Revision, InternalStage (gives ==, !=, <, <=, >, >=).
    bool operator==(const KCVersion& other) const { return Fields() == other.Fields(); }
    std::strong_ordering operator<=>(const KCVersion& other) const {
        return Fields() <=> other.Fields();
    }

    // a < b over the first `depth` fields only (depth above 4 counts as 4; depth 0 is never
    // less).
    static bool less(const KCVersion& a, const KCVersion& b, unsigned int depth);

    // All four fields zero.
    [[nodiscard]] bool Empty() const;

    // The first `depth` fields in decimal joined by '.' (0 gives "", 4 or more all four).
    [[nodiscard]] KCFixedString<63> GetString(unsigned int depth) const;

    // Zeroes all fields, then reads "Major[.Minor[.Revision[.InternalStage]]]": each number is
    // an unsigned decimal (leading white space and a '+' allowed, as a stream extraction
    // allows), and the next one is read only when a '.' follows directly. The first field that
    // does not parse (no digit, a '-', or a value above 4294967295) stays 0 and ends the reading;
    // anything after the fourth number is ignored. Returns the number of fields read (0 to 4).
    unsigned int ReadFromString(const char* text);

    // Major << 24 | Minor << 16 | Revision << 8 | InternalStage (fields are not masked).
    [[nodiscard]] unsigned int GetVersionAsBinaryNumber() const;
    // Major << 16 | Minor << 8 | Revision (fields are not masked).
    [[nodiscard]] unsigned int GetVersionAsAUShellNumber() const;
    // The four bytes of v, most significant first, into Major, Minor, Revision, InternalStage.
    void SetVersionFromBinaryNumber(unsigned int v);

    // The element text GetString(4); reading parses it back with ReadFromString (a missing
    // element leaves the version unchanged). Defined with the XML serializers.
    void SerializeXML(XML::KCXMLSerializer& serializer) override;
    using XML::KCXMLable::SerializeXML;

private:
    [[nodiscard]] std::tuple<const unsigned int&, const unsigned int&, const unsigned int&,
                             const unsigned int&>
    Fields() const {
        return std::tie(m_major, m_minor, m_revision, m_internalStage);
    }

    unsigned int m_major = 0;
    unsigned int m_minor = 0;
    unsigned int m_revision = 0;
    unsigned int m_internalStage = 0;
};

}  // namespace kvKorvaneV10_0_3
