// The small vocabulary of plug-in scanning: reject reasons and their texts, plug-in
// categories, the identity of a component, and the scan trace level.
#pragma once

#include "korvane/core/bit_vector.h"
#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"

#include <vector>

namespace kvKorvaneV10_0_3 {

namespace XML {
class CXMLElement;
}

struct KorvaneComponentInfo;

// Plug-in categories, in their stored order.
enum PlugInCategory_type : int {
    ePlugInCategoryNone = 0,
    ePlugInCategoryDynamics,
    ePlugInCategoryPitchShift,
    ePlugInCategoryReverb,
    ePlugInCategoryDelay,
    ePlugInCategoryModulation,
    ePlugInCategoryHarmonic,
    ePlugInCategoryNoiseReduction,
    ePlugInCategoryDither,
    ePlugInCategorySoundField,
    ePlugInCategoryHWGenerators,
    ePlugInCategorySWGenerators,
    ePlugInCategoryWrappedPlugin,
    ePlugInCategoryEffect,
    ePlugInCategoryInternal,
    ePlugInCategoryUndefined,
};

// Iteration over the categories: for (c = Begin(); c != End(); ++c). [any-thread]
namespace PlugInCategory {
constexpr PlugInCategory_type Begin() {
    return ePlugInCategoryNone;
}
// One past ePlugInCategoryUndefined.
constexpr PlugInCategory_type End() {
    return static_cast<PlugInCategory_type>(16);
}
}  // namespace PlugInCategory
KORVANE_API PlugInCategory_type& operator++(PlugInCategory_type& category);
// "None", "Dynamics", ...; "Undefined" for a value outside the list. [any-thread]
KORVANE_API const char* GetNameFromCategory(PlugInCategory_type category);
// The category of an exact name; ePlugInCategoryUndefined for any other text. [any-thread]
KORVANE_API PlugInCategory_type GetCategoryFromName(const char* name);
// The categories named by the element's "Category" children, in order; unknown names are
// skipped. Replaces `out`. [any-thread]
KORVANE_API void ReadCategoriesFromXML(const XML::CXMLElement* element,
                                       std::vector<PlugInCategory_type>& out);

// The identity of a component within a scan: its type, sub-type and affiliation. A value
// type. [any-thread] on distinct objects.
class KORVANE_API KCPluginUniqueID {
public:
    KCPluginUniqueID() = default;
    KCPluginUniqueID(KCFourCC type, KCFourCC subType, KCFourCC affiliation)
        : m_type(type), m_subType(subType), m_affiliation(affiliation) {}
    explicit KCPluginUniqueID(const KorvaneComponentInfo& info);

    [[nodiscard]] KCFourCC GetType() const { return m_type; }
    [[nodiscard]] KCFourCC GetSubType() const { return m_subType; }
    [[nodiscard]] KCFourCC GetAffiliation() const { return m_affiliation; }
    [[nodiscard]] bool Matches(const KorvaneComponentInfo& info) const;

    bool operator==(const KCPluginUniqueID& other) const = default;
    bool operator<(const KCPluginUniqueID& other) const;

private:
    KCFourCC m_type;
    KCFourCC m_subType;
    KCFourCC m_affiliation;
};

namespace KSC {

// Bit numbers of the reject reasons a scanned file carries.
enum EScanRejectReason : unsigned int {
    eScanNotRejected = 0,
    eScanNotABundle = 2,
    eScanNotAPlugin = 3,
    eScanCorruptPlugin = 4,
    eScanNotAffiliated = 5,
    eScanNoVersionFound = 6,
    eScanIncompatibleInternalVersion = 7,
    eScanIncompatibleVersion = 9,
    eScanIncompatiblePlatform = 12,
    eScanNoCompatibleHardware = 13,
    eScanNoCompatibleSubComponent = 14,
    eScanNotAKPAPI = 15,
    eScanViewIncludeFilter = 18,
    eScanViewExcludeFilter = 19,
    eScanViewExcludeGUIDFilter = 20,
};

using KTRejectBits = TBitVector<unsigned int>;

// A plug-in none of whose components the filter keeps.
inline constexpr KTErr kNoAcceptableComponent = -8020;

// The text of one reason ("Not a plugin", ...; "Unknown" for an unnamed bit). [any-thread]
KORVANE_API void ScanRejectReasonText(unsigned int bit, KCFixedStringBase& out);
// Every set bit upward as "[text]", separated by one space; replaces `out`. [any-thread]
KORVANE_API void ScanRejectReasonsToText(const KTRejectBits& bits, KCFixedStringBase& out);

// Scan traces go to standard output at level 1 and above, per-candidate details at 2.
// [any-thread]
KORVANE_API int GetTraceScanLevel();
KORVANE_API void SetTraceScanLevel(int level);

}  // namespace KSC
}  // namespace kvKorvaneV10_0_3
