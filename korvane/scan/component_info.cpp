// Names of the shell types.
#include "korvane/scan/component_info.h"

#include "korvane/xml/serializer.h"
#include "korvane/xml/xml_element.h"

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

void Write_KorvaneComponentInfo_ToXML(const KorvaneComponentInfo& info, XML::CXMLElement* element) {
    info.WriteToXML(element);
}

void Read_KorvaneComponentInfo_FromXML(XML::CXMLElement* element, KorvaneComponentInfo& info) {
    info.ReadFromXML(element);
}

}  // namespace kvKorvaneV10_0_3
