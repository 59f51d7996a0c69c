// KorvaneComponentInfo: the description of one component (one plug-in type) of a plug-in file.
#pragma once

#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"
#include "korvane/core/version.h"
#include "korvane/core/xmlable.h"
#include "korvane/process/proc_code_desc.h"

#include <vector>

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
// "ePluginInstanceType", "compProcCodeDesc", "vendorName", "categoryName",
// "pluginExternalVersion", in that order, followed by what the scanner adds: "pluginName",
// "subComponentIndex", "showSubComp", "componentGUID", "numInputs", "numOutputs",
// "isVirtualInstrument".
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
    // The process code descriptions the component runs with (one "ProcessCodeDescription"
    // child each under "compProcCodeDesc").
    std::vector<ProcessMemory::CProcCodeDesc> compProcCodeDesc;
    // The name of the plug-in file the component comes from, shared by its components.
    KCFixedString<63> pluginName;
    // The position of the component's sub-component in its plug-in's list, -1 when none.
    int subComponentIndex = -1;
    // Whether a shell shows the sub-component beside the name.
    bool showSubComp = false;
    // The identity scan views refer to; see docs/scanning.md for how it is made.
    KCFixedString<63> componentGUID;
    // Audio inputs and outputs of the component's process code (0 when unknown).
    int numInputs = 0;
    int numOutputs = 0;
    bool isVirtualInstrument = false;

    // "UnknownPluginType", "KorvanePlugin", ...; "UnknownType" for a value out of the list.
    static const char* TypeToString(int type);

    void SerializeXML(XML::KCXMLSerializer& serializer) override;
    void ReadFromXML(XML::CXMLElement* element) override;
    XML::CXMLElement* WriteToXML(XML::CXMLElement* element) const override;

    // Orders by short name (byte-wise), then by plug-in name.
    static int CompareName(const KorvaneComponentInfo& a, const KorvaneComponentInfo& b);
    static bool IsNameBefore(const KorvaneComponentInfo& a, const KorvaneComponentInfo& b);
    // By name, then by sub-component index, then by sub-type code.
    static bool SortByNameAndSubCompPredicate(const KorvaneComponentInfo& a,
                                              const KorvaneComponentInfo& b);
    // Equal in what a cached scan must still match: file, codes, versions, names, GUID.
    static bool CompareForCachePurpose(const KorvaneComponentInfo& a,
                                       const KorvaneComponentInfo& b);
    // Every field, the process code descriptions by their XML form.
    bool operator==(const KorvaneComponentInfo& other) const;
};

// Appends the channel layout to a name: " Mono" for 1 in and 1 out, " Stereo" for 2 and 2,
// " Mono/Stereo" for 1 and 2, " <in>x<out>" for other counts; nothing when a count is unknown
// (0 or less) or the name already ends with that text. [any-thread]
KORVANE_API void AddMonoStereoToPluginName(KCFixedStringBase& name, int inputs, int outputs);

// The component as the children of `element`, and back. [any-thread]
KORVANE_API void Write_KorvaneComponentInfo_ToXML(const KorvaneComponentInfo& info,
                                                  XML::CXMLElement* element);
KORVANE_API void Read_KorvaneComponentInfo_FromXML(XML::CXMLElement* element,
                                                   KorvaneComponentInfo& info);

}  // namespace kvKorvaneV10_0_3
