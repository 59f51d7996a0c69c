// KorvaneComponentInfo: the description of one component (one plug-in type) of a plug-in file.
#pragma once

#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"
#include "korvane/core/version.h"

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

struct KORVANE_API KorvaneComponentInfo {
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
};

}  // namespace kvKorvaneV10_0_3
