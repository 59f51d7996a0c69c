// KorvaneComponentInfo: the description of one component (one plug-in type) of a plug-in file.
#pragma once

#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"
#include "korvane/core/version.h"
#include "korvane/core/xmlable.h"

namespace kvKorvaneV10_0_3 {

// The shell a plug-in file is made for, in its serialised order.
enum PluginShellType : int {
    eUnknownPluginType = 0,
    eKorvanePlugin = 1,
    eVSTPlugin = 2,
    eKorvaneUtility = 3,
    eKPAPIShell = 4,
};

enum ePluginInstanceType : int { eInitPlugin = 0, eInitPluginForTest = 1 };

// Serialised as the elements "PluginType", "pluginFilePath", "componentType", "componentSubType",
// "componentAffiliation", "shortName", "pluginInternalVersion", "pluginAPIVersion",
// "ePluginInstanceType", "vendorName", "categoryName", "pluginExternalVersion", in that order.
struct KORVANE_API KorvaneComponentInfo : public XML::KCXMLable {
    PluginShellType pluginType = eUnknownPluginType;
    KCFixedString<1023> pluginFilePath;
    KCFourCC componentType;
    KCFourCC componentSubType;
    KCFourCC componentAffiliation;
    KCFixedString<63> shortName;
    KCVersion pluginInternalVersion;
    KCVersion pluginAPIVersion;
    ePluginInstanceType instanceType = eInitPlugin;
    KCFixedString<255> vendorName;
    KCFixedString<63> categoryName;
    KCFixedString<63> pluginExternalVersion;

    // "UnknownPluginType", "KorvanePlugin", ...; "UnknownType" for a value out of the list.
    static const char* TypeToString(int type);

    void SerializeXML(XML::KCXMLSerializer& serializer) override;
};

// The component as the children of `element`, and back. [any-thread]
KORVANE_API void Write_KorvaneComponentInfo_ToXML(const KorvaneComponentInfo& info,
                                                  XML::CXMLElement* element);
KORVANE_API void Read_KorvaneComponentInfo_FromXML(XML::CXMLElement* element,
                                                   KorvaneComponentInfo& info);

}  // namespace kvKorvaneV10_0_3
