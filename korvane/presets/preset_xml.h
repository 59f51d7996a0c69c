// The preset element: writing a CPresetInfo as a "Preset" element and reading one back.
#pragma once

#include "korvane/core/export.h"
#include "korvane/presets/preset_info.h"
#include "korvane/xml/xml_element.h"

namespace kvKorvaneV10_0_3::Preset {

// Readers never fail on a malformed element: missing parts keep their defaults, unknown
// elements are ignored, numbers that do not parse read as 0. All [any-thread] on distinct
// objects.

// Name, generic type and "PresetHeader" (with "MessageToShell" and the side-chain state).
KORVANE_API void ReadHeadersFromXML_CPresetInfo(const XML::CXMLElement* e, CPresetInfo& preset);
// Every "PresetData" child into the preset's setup records. Plug-in data in separate files is
// read only from inside `presetFolder` (never when it is null).
KORVANE_API void ReadDataFromXML_CPresetInfo(const XML::CXMLElement* e, CPresetInfo& preset,
                                             const FM::KCStPath* presetFolder = nullptr);
// One "PresetData" element into `data` (its "Setup" attribute is not looked at).
KORVANE_API void ReadFromXML_sPresetData(const XML::CXMLElement* e, sPresetData& data,
                                         const FM::KCStPath* presetFolder = nullptr);
// The "Setup" attribute; false when it is missing (setup then unchanged).
KORVANE_API bool ReadFromXML_EPluginSetup(const XML::CXMLElement* e, EPluginSetup& setup);
// Fills `e` as the element "Preset" in the library's layout.
KORVANE_API void WriteToXML_CPresetInfo(const CPresetInfo& preset, XML::CXMLElement& e);
// One "PresetData" element of `data`, appended to `parent`.
KORVANE_API void WriteToXML_sPresetData(const sPresetData& data, XML::CXMLElement& parent);
// The text of a real-world list: "%.20g" each, "*" for a missing value, a line feed after
// every tenth value and a space after the others.
KORVANE_API void FormatRealWorldList(const sPresetData& data, std::string& out);

}  // namespace kvKorvaneV10_0_3::Preset
