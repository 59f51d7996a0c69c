// The records of one preset setup: parameter values, MIDI control mappings and plug-in-specific
// data, each with its XML form.
#pragma once

#include "korvane/algorithm/param_base.h"
#include "korvane/algorithm/preset_controls.h"
#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"
#include "korvane/core/mem_obj.h"
#include "korvane/fm/path.h"
#include "korvane/presets/preset_types.h"
#include "korvane/xml/xml_element.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3::Preset {

// The largest "file"/"cache" data file read for a plug-in record (eFMFileSizeTooBig beyond).
inline constexpr std::uint64_t kMaxPluginDataFileSize = std::uint64_t{64} << 20U;

// Plug-in data attached to a preset setup, opaque to the library. A plug-in may derive to
// read and write more. [any-thread] on distinct objects.
struct KORVANE_API sPluginSpecific {
    using Descriptor = KCFixedStringPair<63, 1023>;

    sPluginSpecific() = default;
    sPluginSpecific(const sPluginSpecific& other);
    sPluginSpecific& operator=(const sPluginSpecific& other);
    virtual ~sPluginSpecific();

    // A copy of the same dynamic type: a setup copied with its preset keeps a plug-in's own
    // records. A derived record overrides it.
    [[nodiscard]] virtual std::unique_ptr<sPluginSpecific> Clone() const;

    // Fills `e` (named "PluginSpecific"); the data always goes inline in "Data".
    virtual void WriteToXML(XML::CXMLElement* e) const;
    // Reads a "PluginSpecific" element. A "Data" element naming a "file" or "cache" file is
    // refused (eFMPermissionErr, nothing read) since no preset folder is known here.
    virtual int ReadFromXML(const XML::CXMLElement* e);
    // As ReadFromXML; a "file"/"cache" name relative to `presetFolder` that stays inside it,
    // links resolved, is read when it is a regular file of at most kMaxPluginDataFileSize
    // bytes; an absolute name, one climbing out of it or anything else than a regular file is
    // refused with eFMPermissionErr, nothing read.
    int ReadFromXML(const XML::CXMLElement* e, const FM::KCStPath* presetFolder);
    // Name/value view of the descriptors (the first of equal names wins).
    [[nodiscard]] std::map<std::string, std::string> GetDescriptorMap() const;
    [[nodiscard]] bool HasFlag(EPluginSpecificFlags flag) const { return (flags & flag) != 0; }
    [[nodiscard]] bool IsSame(const sPluginSpecific& other) const;

    KCFixedString<63> tagName;
    int tagID = 0;
    KCFixedString<255> menuItemString;
    EPluginSpecificDataTypes dataType = ePluginSpecificNoData;
    unsigned int flags = ePluginSpecificNoFlags;
    std::vector<Descriptor> descriptors;
    Utils::KCStMemObj data;
    std::unique_ptr<XML::CXMLElement> xml;  // the data of an "XMLObject" record
};

// The XML name of a data type ("Unknown" for other values) and back (NoData when unknown).
KORVANE_API const char* PluginSpecificTypeName(EPluginSpecificDataTypes type);
KORVANE_API EPluginSpecificDataTypes PluginSpecificTypeFromName(const char* name);

// One setup's data, with its control records (the base). Owns its plug-in-specific records.
// [any-thread] on distinct objects.
struct KORVANE_API sPresetData : public sPresetControls {
    sPresetData() = default;
    explicit sPresetData(EPluginSetup setup) : m_setup(setup) {}
    sPresetData(const sPresetData& other);
    sPresetData& operator=(const sPresetData& other);
    ~sPresetData() override;

    [[nodiscard]] EPluginSetup Setup() const { return m_setup; }
    void SetSetup(EPluginSetup setup) { m_setup = setup; }
    [[nodiscard]] bool LoadParams() const { return m_loadParams; }
    void SetLoadParams(bool load) { m_loadParams = load; }
    // The number of values in the list that was kept (states or real-world).
    [[nodiscard]] unsigned int GetNumParametersData() const;
    // Drops both value lists.
    void ClearValues();
    void ClearPluginSpecific();
    static bool IsSameData(const sPresetData& a, const sPresetData& b);

    KCFixedString<127> setupName;
    std::vector<int> states;  // -1: no value
    std::vector<double> realWorld;
    std::vector<int> realWorldKinds;               // EPresetValueKind per value
    std::vector<sPluginSpecific*> pluginSpecific;  // owned
    XML::CXMLElement pluginXMLData{"PluginSpecificXMLData", ""};
    int parametersKind = eParametersNotRead;

private:
    EPluginSetup m_setup = eSetupA;
    bool m_loadParams = true;
};

// The XML text of a setup ("SETUP_A", "SETUP_B", "CURRENT") and back (unknown: current).
KORVANE_API const char* PresetSetupName(EPluginSetup setup);
KORVANE_API EPluginSetup PresetSetupFromName(const char* name);

}  // namespace kvKorvaneV10_0_3::Preset
