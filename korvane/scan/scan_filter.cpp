// The scan filter: its acceptance rules and its XML form.
#include "korvane/scan/scan_filter.h"

#include "korvane/core/four_cc.h"
#include "korvane/core/mem_obj.h"
#include "korvane/fm/file_read_mem_obj.h"
#include "korvane/rm/res_key.h"
#include "korvane/rm/resource_manager.h"
#include "korvane/xml/tree_builder.h"
#include "korvane/xml/xml_element.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string_view>

namespace kvKorvaneV10_0_3::KSC {
namespace {

void AddUnique(std::vector<KCFourCC>& codes, KCFourCC code) {
    if (std::find(codes.begin(), codes.end(), code) == codes.end()) {
        codes.push_back(code);
    }
}

bool InRange(const KCVersion& v, const KCVersion& min, const KCVersion& max) {
    return (min.Empty() || !(v < min)) && (max.Empty() || !(max < v));
}

KCFourCC CodeOrUnknown(const std::string& text) {
    const auto code = ParseFourCC(text);
    return code ? *code : KCFourCC("????");
}

bool ParseFlag(const char* text, bool& value) {
    if (text == nullptr) {
        return false;
    }
    const std::string_view t(text);
    if (t == "true" || t == "yes" || t == "1") {
        value = true;
        return true;
    }
    if (t == "false" || t == "no" || t == "0") {
        value = false;
        return true;
    }
    return false;
}

void ReadRange(const XML::CXMLElement* element, KCVersion& min, KCVersion& max) {
    if (element == nullptr) {
        return;
    }
    KCFixedString<63> text;
    if (element->GetAttrib("Minimal", text)) {
        min.ReadFromString(text.c_str());
    }
    if (element->GetAttrib("Maximal", text)) {
        max.ReadFromString(text.c_str());
    }
}

void WriteRange(XML::CXMLElement* parent, const char* name, const KCVersion& min,
                const KCVersion& max) {
    XML::CXMLElement* e = parent->AddSubElement(name);
    e->AddAttrib("Minimal", min.GetString(4).c_str());
    e->AddAttrib("Maximal", max.GetString(4).c_str());
}

}  // namespace

KCScanFilter::~KCScanFilter() = default;

void KCScanFilter::AddComponentType(KCFourCC type) {
    AddUnique(m_types, type);
}

void KCScanFilter::RemoveComponentType(KCFourCC type) {
    std::erase(m_types, type);
}

bool KCScanFilter::HasComponentType(KCFourCC type) const {
    return m_types.empty() || std::find(m_types.begin(), m_types.end(), type) != m_types.end();
}

void KCScanFilter::AddSubcomponent(KCFourCC subType) {
    AddUnique(m_subComps, subType);
}

void KCScanFilter::AddAffiliation(KCFourCC affiliation) {
    AddUnique(m_affiliations, affiliation);
}

void KCScanFilter::SetFolderSearchDepth(int depth) {
    m_depth = std::clamp(depth, 0, kMaxScanDepth);
}

bool KCScanFilter::IsAffiliated(const std::vector<KCFourCC>& pluginAffiliations) const {
    if (m_affiliations.empty()) {
        return true;
    }
    return std::any_of(pluginAffiliations.begin(), pluginAffiliations.end(), [this](KCFourCC a) {
        return std::find(m_affiliations.begin(), m_affiliations.end(), a) != m_affiliations.end();
    });
}

bool KCScanFilter::IsPluginAffiliated(KTResContainerType* container,
                                      KorvaneComponentInfo& info) const {
    const std::vector<KCFourCC> affiliations = ReadPluginAffiliations(container);
    if (!affiliations.empty()) {
        info.componentAffiliation = affiliations.front();
    }
    return IsAffiliated(affiliations);
}

bool KCScanFilter::IsCompatibleVersion(const KorvaneComponentInfo& info) const {
    return InRange(info.pluginInternalVersion, m_minInternal, m_maxInternal) &&
           InRange(info.pluginAPIVersion, m_minAPI, m_maxAPI);
}

bool KCScanFilter::IsAllowed(const KorvaneComponentInfo& info) const {
    if (!HasComponentType(info.componentType)) {
        return false;
    }
    return m_subComps.empty() || std::find(m_subComps.begin(), m_subComps.end(),
                                           info.componentSubType) != m_subComps.end();
}

void KCScanFilter::ReadFromXML(XML::CXMLElement* element) {
    if (element == nullptr) {
        return;
    }
    // What the shell sets in code is not part of the document and survives a reading.
    KCScanFilter read;
    read.m_privateScanViewResID = m_privateScanViewResID;
    read.m_linux64Required = m_linux64Required;
    read.m_scanFromRedis = m_scanFromRedis;
    *this = read;
    for (const XML::CXMLElement* child : element->GetSubElements()) {
        const std::string_view name(child->GetName().c_str());
        const std::string& text = child->GetText();
        if (name == "Thng") {
            AddComponentType(CodeOrUnknown(text));
        } else if (name == "SubComp") {
            AddSubcomponent(CodeOrUnknown(text));
        } else if (name == "Affiliation") {
            AddAffiliation(CodeOrUnknown(text));
        } else if (name == "Version") {
            ReadRange(child, m_minInternal, m_maxInternal);
        } else if (name == "APIVersion") {
            ReadRange(child, m_minAPI, m_maxAPI);
        } else if (name == "PluginFolderHint") {
            m_folderIndicator = text.c_str();
        } else if (name == "ScanDepth") {
            int depth = 0;
            const char* end = text.data() + text.size();
            const auto [ptr, ec] = std::from_chars(text.data(), end, depth);
            if (ec == std::errc() && ptr == end) {
                SetFolderSearchDepth(depth);
            } else if (ec == std::errc::result_out_of_range && ptr == end) {
                SetFolderSearchDepth(text[0] == '-' ? 0 : kMaxScanDepth);
            }
        } else if (name == "CheckInternalVersions") {
            ParseFlag(text.c_str(), m_checkVersions);
        } else if (name == "DisplayPluginsLocateDialog") {
            ParseFlag(text.c_str(), m_locateDialog);
        } else if (name == "BranchName") {
            m_branch = text.c_str();
        }
    }
}

XML::CXMLElement* KCScanFilter::WriteToXML(XML::CXMLElement* element) const {
    if (element == nullptr) {
        return nullptr;
    }
    for (KCFourCC code : m_types) {
        element->AddSubElement("Thng", FormatFourCC(code));
    }
    for (KCFourCC code : m_subComps) {
        element->AddSubElement("SubComp", FormatFourCC(code));
    }
    for (KCFourCC code : m_affiliations) {
        element->AddSubElement("Affiliation", FormatFourCC(code));
    }
    WriteRange(element, "Version", m_minInternal, m_maxInternal);
    WriteRange(element, "APIVersion", m_minAPI, m_maxAPI);
    element->AddSubElement("PluginFolderHint", m_folderIndicator.c_str());
    char depth[8];
    const auto [end, ec] = std::to_chars(depth, depth + sizeof depth, m_depth);
    element->AddSubElement("ScanDepth",
                           std::string_view(depth, static_cast<std::size_t>(end - depth)));
    element->AddSubElement("CheckInternalVersions", m_checkVersions ? "true" : "false");
    element->AddSubElement("DisplayPluginsLocateDialog", m_locateDialog ? "true" : "false");
    element->AddSubElement("BranchName", m_branch.c_str());
    return element;
}

KTErr KCScanFilter::ReadFromXMLBytes(const char* data, unsigned int size) {
    XML::CXMLElement root;
    XML::CXMLTreeBuilder builder(root);
    if (const int err = builder.BuildFromSingleBuffer(data, size); err != eNoErr) {
        return err;
    }
    ReadFromXML(&root);
    return eNoErr;
}

KTErr KCScanFilter::ReadFromXMLFile(const FM::KCStPath& path) {
    const Utils::KCStFileReadMemObj bytes(path);
    if (!bytes.IsValid()) {
        return bytes.GetError();
    }
    return ReadFromXMLBytes(static_cast<const char*>(bytes.ptr),
                            static_cast<unsigned int>(bytes.size));
}

KTErr KCScanFilter::ReadFromResource(KTResContainerType* container, short id) {
    Utils::KCStMemObj bytes;
    if (const KTErr err = RM::GetRawResourceData(container, RM::KCResKey("ScanFilter", id), bytes);
        err != eNoErr) {
        return err;
    }
    return ReadFromXMLBytes(static_cast<const char*>(bytes.ptr),
                            static_cast<unsigned int>(bytes.size));
}

std::vector<KCFourCC> ReadPluginAffiliations(KTResContainerType* container) {
    std::vector<KCFourCC> out;
    Utils::KCStMemObj bytes;
    if (RM::GetRawResourceData(container, RM::KCResKey("Affiliations", kAffiliationsResID),
                               bytes) == eNoErr) {
        for (KCFourCC code :
             ParseFourCCList(std::string_view(static_cast<const char*>(bytes.ptr), bytes.size))) {
            AddUnique(out, code);
        }
    }
    std::vector<KCFixedString<255>> names;
    // Individual resources are the older form, looked for only without the list.
    if (out.empty() && RM::GetResIDList(container, "Affiliation", names) == eNoErr) {
        for (const auto& name : names) {
            if (RM::GetRawResourceData(container, RM::KCResKey("Affiliation", name.c_str()),
                                       bytes) != eNoErr) {
                continue;
            }
            std::string_view text(static_cast<const char*>(bytes.ptr), bytes.size);
            while (!text.empty() &&
                   (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
                text.remove_suffix(1);
            }
            if (const auto code = ParseFourCC(text)) {
                AddUnique(out, *code);
            }
        }
    }
    return out;
}

}  // namespace kvKorvaneV10_0_3::KSC
