// Reject reason texts, category names and the trace level.
#include "korvane/scan/scan_types.h"

#include "korvane/scan/component_info.h"
#include "korvane/xml/xml_element.h"

#include <atomic>
#include <cstring>
#include <iostream>
#include <tuple>

namespace kvKorvaneV10_0_3 {
namespace {

constexpr const char* kCategoryNames[] = {
    "None",          "Dynamics",       "PitchShift", "Reverb",     "Delay",        "Modulation",
    "Harmonic",      "NoiseReduction", "Dither",     "SoundField", "HWGenerators", "SWGenerators",
    "WrappedPlugin", "Effect",         "Internal",   "Undefined"};

std::atomic<int> g_traceScanLevel{0};

}  // namespace

PlugInCategory_type& operator++(PlugInCategory_type& category) {
    category = category < PlugInCategory::End() ? static_cast<PlugInCategory_type>(category + 1)
                                                : PlugInCategory::End();
    return category;
}

const char* GetNameFromCategory(PlugInCategory_type category) {
    return category >= PlugInCategory::Begin() && category < PlugInCategory::End()
               ? kCategoryNames[category]
               : "Undefined";
}

PlugInCategory_type GetCategoryFromName(const char* name) {
    if (name != nullptr) {
        for (auto c = PlugInCategory::Begin(); c != PlugInCategory::End(); ++c) {
            if (std::strcmp(kCategoryNames[c], name) == 0) {
                return c;
            }
        }
    }
    return ePlugInCategoryUndefined;
}

void ReadCategoriesFromXML(const XML::CXMLElement* element, std::vector<PlugInCategory_type>& out) {
    out.clear();
    if (element == nullptr) {
        return;
    }
    for (const XML::CXMLElement* child : element->GetSubElements()) {
        if (std::strcmp(child->GetName().c_str(), "Category") != 0) {
            continue;
        }
        const char* text = child->GetText().c_str();
        const PlugInCategory_type c = GetCategoryFromName(text);
        if (c != ePlugInCategoryUndefined || std::strcmp(text, "Undefined") == 0) {
            out.push_back(c);
        }
    }
}

KCPluginUniqueID::KCPluginUniqueID(const KorvaneComponentInfo& info)
    : m_type(info.componentType),
      m_subType(info.componentSubType),
      m_affiliation(info.componentAffiliation) {}

bool KCPluginUniqueID::Matches(const KorvaneComponentInfo& info) const {
    return *this == KCPluginUniqueID(info);
}

bool KCPluginUniqueID::operator<(const KCPluginUniqueID& other) const {
    return std::tie(m_type, m_subType, m_affiliation) <
           std::tie(other.m_type, other.m_subType, other.m_affiliation);
}

namespace KSC {

void ScanRejectReasonText(unsigned int bit, KCFixedStringBase& out) {
    const char* text = "Unknown";
    switch (bit) {
        case eScanNotRejected:
            text = "Not rejected";
            break;
        case eScanNotABundle:
            text = "Not a bundle";
            break;
        case eScanNotAPlugin:
            text = "Not a plugin";
            break;
        case eScanCorruptPlugin:
            text = "Corrupt plugin";
            break;
        case eScanNotAffiliated:
            text = "Not affiliated";
            break;
        case eScanNoVersionFound:
            text = "No version found";
            break;
        case eScanIncompatibleInternalVersion:
            text = "Incompatible internal version";
            break;
        case eScanIncompatibleVersion:
            text = "Incompatible version";
            break;
        case eScanIncompatiblePlatform:
            text = "Incompatible platform";
            break;
        case eScanNoCompatibleHardware:
            text = "No compatible hardware";
            break;
        case eScanNoCompatibleSubComponent:
            text = "No compatible Sub-Component";
            break;
        case eScanNotAKPAPI:
            text = "Not a KPAPI";
            break;
        case eScanViewIncludeFilter:
            text = "ScanView include filter";
            break;
        case eScanViewExcludeFilter:
            text = "ScanView exclude filter";
            break;
        case eScanViewExcludeGUIDFilter:
            text = "ScanView exclude_guid filter";
            break;
        default:
            break;
    }
    out = text;
}

void ScanRejectReasonsToText(const KTRejectBits& bits, KCFixedStringBase& out) {
    out.clear();
    KCFixedString<63> one;
    for (unsigned int bit = 0; bit < KTRejectBits::kBits; ++bit) {
        if (!bits.IsSet(bit)) {
            continue;
        }
        ScanRejectReasonText(bit, one);
        if (!out.empty()) {
            out << ' ';
        }
        out << '[' << one << ']';
    }
}

int GetTraceScanLevel() {
    return g_traceScanLevel.load(std::memory_order_relaxed);
}

void SetTraceScanLevel(int level) {
    const int old = g_traceScanLevel.exchange(level, std::memory_order_relaxed);
    std::cout << "Setting TraceScanLevel from " << old << " to " << level << '\n';
}

}  // namespace KSC
}  // namespace kvKorvaneV10_0_3
