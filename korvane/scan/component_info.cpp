// Names of the shell types.
#include "korvane/scan/component_info.h"

#include "korvane/core/four_cc.h"
#include "korvane/xml/serializer.h"
#include "korvane/xml/xml_element.h"
#include "korvane/xml/xml_writer.h"

#include <charconv>
#include <cstring>
#include <memory>
#include <string>
#include <tuple>

namespace kvKorvaneV10_0_3 {

const char* KorvaneComponentInfo::TypeToString(int type) {
    static constexpr const char* kNames[] = {"UnknownPluginType", "KorvanePlugin", "VSTPlugin",
                                             "KorvaneUtility", "KPAPIShell"};
    return type >= 0 && type < 5 ? kNames[type] : "UnknownType";
}

void KorvaneComponentInfo::SerializeXML(XML::KCXMLSerializer& s) {
    XML::KTEnumNames types{{"UnknownPluginType", eUnknownPluginType},
                           {"KorvanePlugin", eKorvanePlugin},
                           {"VSTPlugin", eVSTPlugin},
                           {"KorvaneUtility", eKorvaneUtility},
                           {"KPAPIShell", eKPAPIShell}};
    XML::KTEnumNames instances{{"eInitPlugin", eInitPlugin},
                               {"eInitPluginForTest", eInitPluginForTest}};
    int type = pluginType;
    int instance = instanceType;
    s.element_name("PluginType", 0).element_content_enum(type, types);
    s.element_name("pluginFilePath", 0).element_content(pluginFilePath);
    s.element_name("componentType", 0).element_content(componentType);
    s.element_name("componentSubType", 0).element_content(componentSubType);
    s.element_name("componentAffiliation", 0).element_content(componentAffiliation);
    s.element_name("shortName", 0).element_content(shortName);
    s.element_name("pluginInternalVersion", 0).element_content(pluginInternalVersion);
    s.element_name("pluginAPIVersion", 0).element_content(pluginAPIVersion);
    s.element_name("ePluginInstanceType", 0).element_content_enum(instance, instances);
    s.element_name("vendorName", 0).element_content(vendorName);
    s.element_name("categoryName", 0).element_content(categoryName);
    s.element_name("pluginExternalVersion", 0).element_content(pluginExternalVersion);
    pluginType = static_cast<PluginShellType>(type);
    instanceType = static_cast<ePluginInstanceType>(instance);
}

namespace {

constexpr const char* kProcCodeDescsName = "compProcCodeDesc";
constexpr const char* kProcCodeDescName = "ProcessCodeDescription";

void AddInt(XML::CXMLElement* element, const char* name, int value) {
    char buffer[16];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    element->AddSubElement(name, std::string_view(buffer, static_cast<std::size_t>(end - buffer)));
}

void ReadInt(const XML::CXMLElement* element, const char* name, int& value) {
    const char* text = element->SubElementText(name);
    if (text == nullptr) {
        return;
    }
    int parsed = 0;
    const char* end = text + std::strlen(text);
    const auto [ptr, ec] = std::from_chars(text, end, parsed);
    if (ec == std::errc() && ptr == end) {
        value = parsed;
    }
}

void ReadBool(const XML::CXMLElement* element, const char* name, bool& value) {
    if (const char* text = element->SubElementText(name); text != nullptr) {
        value = std::strcmp(text, "true") == 0;
    }
}

std::string DescsText(const std::vector<ProcessMemory::CProcCodeDesc>& descs) {
    XML::CXMLElement element(kProcCodeDescsName, "");
    for (const auto& desc : descs) {
        desc.WriteToXML(element.AddSubElement(kProcCodeDescName));
    }
    std::string text;
    XML::AppendXML(text, element, false, false, 0);
    return text;
}

}  // namespace

XML::CXMLElement* KorvaneComponentInfo::WriteToXML(XML::CXMLElement* element) const {
    if (element == nullptr) {
        return nullptr;
    }
    // The serialised fields first, then the descriptions moved into their place after the
    // instance type so that the element keeps its documented order.
    XML::CXMLElement fields;
    XML::KCXMLable::WriteToXML(&fields);
    for (const XML::CXMLElement* child : fields.GetSubElements()) {
        element->push_back(new XML::CXMLElement(*child));
        if (std::strcmp(child->GetName().c_str(), "ePluginInstanceType") == 0) {
            XML::CXMLElement* descs = element->AddSubElement(kProcCodeDescsName);
            for (const auto& desc : compProcCodeDesc) {
                desc.WriteToXML(descs->AddSubElement(kProcCodeDescName));
            }
        }
    }
    element->AddSubElement("pluginName", pluginName.c_str());
    AddInt(element, "subComponentIndex", subComponentIndex);
    element->AddSubElement("showSubComp", showSubComp ? "true" : "false");
    element->AddSubElement("componentGUID", componentGUID.c_str());
    AddInt(element, "numInputs", numInputs);
    AddInt(element, "numOutputs", numOutputs);
    element->AddSubElement("isVirtualInstrument", isVirtualInstrument ? "true" : "false");
    return element;
}

void KorvaneComponentInfo::ReadFromXML(XML::CXMLElement* element) {
    if (element == nullptr) {
        return;
    }
    XML::KCXMLable::ReadFromXML(element);
    if (const XML::CXMLElement* descs = element->SubElement(kProcCodeDescsName); descs != nullptr) {
        std::vector<ProcessMemory::CProcCodeDesc> read;
        for (const XML::CXMLElement* child : descs->GetSubElements()) {
            ProcessMemory::CProcCodeDesc desc;
            if (desc.Read(*child) == eNoErr) {
                read.push_back(std::move(desc));
            }
        }
        compProcCodeDesc = std::move(read);
    }
    if (const char* text = element->SubElementText("pluginName"); text != nullptr) {
        pluginName = text;
    }
    ReadInt(element, "subComponentIndex", subComponentIndex);
    ReadBool(element, "showSubComp", showSubComp);
    if (const char* text = element->SubElementText("componentGUID"); text != nullptr) {
        componentGUID = text;
    }
    ReadInt(element, "numInputs", numInputs);
    ReadInt(element, "numOutputs", numOutputs);
    ReadBool(element, "isVirtualInstrument", isVirtualInstrument);
}

int KorvaneComponentInfo::CompareName(const KorvaneComponentInfo& a,
                                      const KorvaneComponentInfo& b) {
    if (const int c = std::strcmp(a.shortName.c_str(), b.shortName.c_str()); c != 0) {
        return c;
    }
    return std::strcmp(a.pluginName.c_str(), b.pluginName.c_str());
}

bool KorvaneComponentInfo::IsNameBefore(const KorvaneComponentInfo& a,
                                        const KorvaneComponentInfo& b) {
    return CompareName(a, b) < 0;
}

bool KorvaneComponentInfo::SortByNameAndSubCompPredicate(const KorvaneComponentInfo& a,
                                                         const KorvaneComponentInfo& b) {
    if (const int c = CompareName(a, b); c != 0) {
        return c < 0;
    }
    return std::tie(a.subComponentIndex, a.componentSubType) <
           std::tie(b.subComponentIndex, b.componentSubType);
}

bool KorvaneComponentInfo::CompareForCachePurpose(const KorvaneComponentInfo& a,
                                                  const KorvaneComponentInfo& b) {
    return a.pluginType == b.pluginType && a.pluginFilePath == b.pluginFilePath &&
           a.componentType == b.componentType && a.componentSubType == b.componentSubType &&
           a.componentAffiliation == b.componentAffiliation && a.shortName == b.shortName &&
           a.pluginInternalVersion == b.pluginInternalVersion &&
           a.pluginAPIVersion == b.pluginAPIVersion && a.pluginName == b.pluginName &&
           a.componentGUID == b.componentGUID;
}

bool KorvaneComponentInfo::operator==(const KorvaneComponentInfo& other) const {
    return CompareForCachePurpose(*this, other) && instanceType == other.instanceType &&
           vendorName == other.vendorName && categoryName == other.categoryName &&
           pluginExternalVersion == other.pluginExternalVersion &&
           subComponentIndex == other.subComponentIndex && showSubComp == other.showSubComp &&
           numInputs == other.numInputs && numOutputs == other.numOutputs &&
           isVirtualInstrument == other.isVirtualInstrument &&
           DescsText(compProcCodeDesc) == DescsText(other.compProcCodeDesc);
}

void AddMonoStereoToPluginName(KCFixedStringBase& name, int inputs, int outputs) {
    if (inputs <= 0 || outputs <= 0) {
        return;
    }
    KCFixedString<31> suffix;
    if (inputs == 1 && outputs == 1) {
        suffix = " Mono";
    } else if (inputs == 2 && outputs == 2) {
        suffix = " Stereo";
    } else if (inputs == 1 && outputs == 2) {
        suffix = " Mono/Stereo";
    } else {
        suffix << ' ' << inputs << 'x' << outputs;
    }
    const std::string_view text(name.c_str(), name.size());
    if (text.size() >= suffix.size() &&
        text.substr(text.size() - suffix.size()) == std::string_view(suffix.c_str())) {
        return;
    }
    name << suffix;
}

void Write_KorvaneComponentInfo_ToXML(const KorvaneComponentInfo& info, XML::CXMLElement* element) {
    info.WriteToXML(element);
}

void Read_KorvaneComponentInfo_FromXML(XML::CXMLElement* element, KorvaneComponentInfo& info) {
    info.ReadFromXML(element);
}

}  // namespace kvKorvaneV10_0_3
