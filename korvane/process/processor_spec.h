// Processor families and variants on which a plug-in's processing can run, their names, and
// which of two processors of one family is the weaker.
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"

#include <cstdint>

namespace kvKorvaneV10_0_3::XML {
class CXMLElement;
}

namespace kvKorvaneV10_0_3::ProcessMemory {

enum EProcessorFamily : std::int32_t {
    eProcessorFamilyInvalid = 0,
    eProcessorFamily56k = 1,
    eProcessorFamilyPPC = 2,
    eProcessorFamilyx86 = 3,
};

// Numbered per family; 0 is always "Generic", -1 names no variant.
using EProcessorSpecific = std::int32_t;
constexpr EProcessorSpecific eProcessorSpecificUnknown = -1;
constexpr EProcessorSpecific eProcessorGeneric = 0;

// Variants of each family, in numbering order.
constexpr EProcessorSpecific e56000 = 1;
constexpr EProcessorSpecific e56300 = 2;
constexpr EProcessorSpecific ePPC601 = 1;
constexpr EProcessorSpecific ePPC603 = 2;
constexpr EProcessorSpecific ePPC603e = 3;
constexpr EProcessorSpecific ePPC604 = 4;
constexpr EProcessorSpecific ePPC604e = 5;
constexpr EProcessorSpecific ePPC750 = 6;
constexpr EProcessorSpecific ex86_386 = 1;
constexpr EProcessorSpecific ex86_486 = 2;
constexpr EProcessorSpecific ex86_Pentium = 3;
constexpr EProcessorSpecific ex86_PentiumPro = 4;

// The number of variants `family` has (Generic included); 0 for an invalid family.
[[nodiscard]] KORVANE_API int ProcessorSpecificCount(EProcessorFamily family);

// One processor: a family and a variant of it. The default is invalid. [any-thread] on
// distinct objects.
struct KORVANE_API SProcessorSpec {
    EProcessorFamily family = eProcessorFamilyInvalid;
    EProcessorSpecific specific = eProcessorSpecificUnknown;

    SProcessorSpec() = default;
    SProcessorSpec(EProcessorFamily f, EProcessorSpecific s) : family(f), specific(s) {}

    [[nodiscard]] bool IsValidFamily() const;
    [[nodiscard]] bool IsValidSpecific() const;
    // Both valid.
    [[nodiscard]] bool IsValidSpec() const { return IsValidFamily() && IsValidSpecific(); }
    bool operator==(const SProcessorSpec& other) const = default;
};

// Names. [any-thread]
// "56k", "PPC", "x86", or "Unknown Processor family".
KORVANE_API const char* ProcessorFamilyName(EProcessorFamily family);
KORVANE_API const char* ProcessorFamilyName(const SProcessorSpec& cpu);
// The variant's name; "Unknown Processor family" for an invalid family, "Unknown" for a
// variant out of the family's range.
KORVANE_API const char* ProcessorSpecificName(const SProcessorSpec& cpu);
// The family name, then "/" and the variant's name when the variant is valid for the family.
KORVANE_API void ProcessorName(const SProcessorSpec& cpu, KCFixedStringBase& out);
// Exact, case-sensitive; 0 for anything else (null included).
[[nodiscard]] KORVANE_API EProcessorFamily NameToProcessorFamily(const char* name);
// The variant number; "Generic" and the family's "any" name ("Any56k", "AnyPPC", "Anyx86") give
// 0; an unknown name or family gives -1.
[[nodiscard]] KORVANE_API EProcessorSpecific NameToProcessorSpecific(EProcessorFamily family,
                                                                     const char* name);

// False when the families differ (out untouched); otherwise out = the one with the smaller
// variant number (b when equal) and true. `out` may be `a` or `b`. [any-thread]
KORVANE_API bool WeakerProcessor(const SProcessorSpec& a, const SProcessorSpec& b,
                                 SProcessorSpec& out);

// The sub-elements "family" and "specific" (decimal numbers). Reading needs both and keeps
// `cpu` unchanged on failure: eXMLElementMissing, or the number's parse error. [any-thread]
[[nodiscard]] KORVANE_API KTErr ReadFromXML_SProcessorSpec(const XML::CXMLElement* element,
                                                           SProcessorSpec& cpu);
KORVANE_API void WriteToXML_SProcessorSpec(XML::CXMLElement* element, const SProcessorSpec& cpu);

}  // namespace kvKorvaneV10_0_3::ProcessMemory
