// KSC::KCScanFilter: what a calling shell accepts from a plug-in folder - component types,
// sub-components, affiliations, version ranges - and how the folder is found and walked.
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"
#include "korvane/core/version.h"
#include "korvane/core/xmlable.h"
#include "korvane/fm/path.h"
#include "korvane/rm/res_types.h"
#include "korvane/scan/component_info.h"

#include <vector>

namespace kvKorvaneV10_0_3::KSC {

// The deepest folder walk a filter asks for; deeper values are cut to it.
inline constexpr int kMaxScanDepth = 16;
inline constexpr int kDefaultScanDepth = 2;

// [any-thread] on distinct objects.
class KORVANE_API KCScanFilter : public XML::KCXMLable {
public:
    KCScanFilter() = default;
    KCScanFilter(const KCScanFilter&) = default;
    KCScanFilter& operator=(const KCScanFilter&) = default;
    ~KCScanFilter() override;

    void AddComponentType(KCFourCC type);
    void RemoveComponentType(KCFourCC type);
    // True when the type is listed, or when no type is listed at all.
    [[nodiscard]] bool HasComponentType(KCFourCC type) const;
    [[nodiscard]] const std::vector<KCFourCC>& GetComponentTypes() const { return m_types; }
    void AddSubcomponent(KCFourCC subType);
    [[nodiscard]] const std::vector<KCFourCC>& GetSubcomponents() const { return m_subComps; }
    void AddAffiliation(KCFourCC affiliation);
    [[nodiscard]] const std::vector<KCFourCC>& GetAffiliationVector() const {
        return m_affiliations;
    }

    // A bound of 0.0.0.0 leaves that side of the range open.
    void SetMinAllowedInternalVersion(const KCVersion& v) { m_minInternal = v; }
    [[nodiscard]] const KCVersion& GetMinAllowedInternalVersion() const { return m_minInternal; }
    void SetMaxAllowedInternalVersion(const KCVersion& v) { m_maxInternal = v; }
    [[nodiscard]] const KCVersion& GetMaxAllowedInternalVersion() const { return m_maxInternal; }
    void SetMinAllowedAPIVersion(const KCVersion& v) { m_minAPI = v; }
    [[nodiscard]] const KCVersion& GetMinAllowedAPIVersion() const { return m_minAPI; }
    void SetMaxAllowedAPIVersion(const KCVersion& v) { m_maxAPI = v; }
    [[nodiscard]] const KCVersion& GetMaxAllowedAPIVersion() const { return m_maxAPI; }

    // An indicator name of the locations file ("MainPluginFolder", ...).
    void SetPluginFolderIndicator(const char* indicator) { m_folderIndicator = indicator; }
    [[nodiscard]] const KCFixedStringBase& GetPluginFolderIndicator() const {
        return m_folderIndicator;
    }
    // 0: the folder's own items only; each step one level of sub-folders more. Negative values
    // count as 0, values above kMaxScanDepth as kMaxScanDepth.
    void SetFolderSearchDepth(int depth);
    [[nodiscard]] int GetFolderSearchDepth() const { return m_depth; }
    void SetCheckInternalVersions(bool on) { m_checkVersions = on; }
    [[nodiscard]] bool GetCheckInternalVersions() const { return m_checkVersions; }
    void SetDisplayPluginsLocateDialog(bool on) { m_locateDialog = on; }
    [[nodiscard]] bool ShouldDisplayPluginsLocateDialog() const { return m_locateDialog; }
    void SetBranchName(const char* name) { m_branch = name; }
    [[nodiscard]] const KCFixedString<63>& GetBranchName() const { return m_branch; }
    void SetPrivateScanViewResID(short id) { m_privateScanViewResID = id; }
    [[nodiscard]] short GetPrivateScanViewResID() const { return m_privateScanViewResID; }
    void SetLinuxProcessCode64Required(bool on) { m_linux64Required = on; }
    [[nodiscard]] bool GetLinuxProcessCode64Required() const { return m_linux64Required; }
    void SetShouldGetScanFromRedis(bool on) { m_scanFromRedis = on; }
    [[nodiscard]] bool ShouldGetScanFromRedis() const { return m_scanFromRedis; }

    // The plug-in's affiliations meet the filter's: the filter lists none, or one of the
    // plug-in's is listed.
    [[nodiscard]] bool IsAffiliated(const std::vector<KCFourCC>& pluginAffiliations) const;
    // Reads the plug-in's affiliations (see ReadPluginAffiliations) and answers IsAffiliated;
    // the first affiliation becomes the info's componentAffiliation.
    [[nodiscard]] bool IsPluginAffiliated(KTResContainerType* container,
                                          KorvaneComponentInfo& info) const;
    // Internal and API versions inside the filter's ranges.
    [[nodiscard]] bool IsCompatibleVersion(const KorvaneComponentInfo& info) const;
    // The component's type is accepted and, when sub-components are listed, its sub-type too.
    [[nodiscard]] bool IsAllowed(const KorvaneComponentInfo& info) const;

    // The elements "Thng", "SubComp", "Affiliation", "Version", "APIVersion",
    // "PluginFolderHint", "ScanDepth", "CheckInternalVersions", "DisplayPluginsLocateDialog",
    // "BranchName" (docs/scanning.md). Reading starts from the defaults, except for what is
    // set in code only (scan view id, Linux requirement, Redis); an unreadable code reads as
    // "????", an unreadable number or flag keeps the default.
    void ReadFromXML(XML::CXMLElement* element) override;
    XML::CXMLElement* WriteToXML(XML::CXMLElement* element) const override;
    // The file's root element as ReadFromXML. The file's parse error, nothing changed.
    [[nodiscard]] KTErr ReadFromXMLFile(const FM::KCStPath& path);
    // The resource ("ScanFilter", id) likewise.
    [[nodiscard]] KTErr ReadFromResource(KTResContainerType* container, short id);
    // The same from bytes (what the two above and the fuzz target use).
    [[nodiscard]] KTErr ReadFromXMLBytes(const char* data, unsigned int size);

private:
    std::vector<KCFourCC> m_types;
    std::vector<KCFourCC> m_subComps;
    std::vector<KCFourCC> m_affiliations;
    KCVersion m_minInternal;
    KCVersion m_maxInternal;
    KCVersion m_minAPI;
    KCVersion m_maxAPI;
    KCFixedString<63> m_folderIndicator;
    int m_depth = kDefaultScanDepth;
    bool m_checkVersions = true;
    bool m_locateDialog = false;
    KCFixedString<63> m_branch;
    short m_privateScanViewResID = 0;
    bool m_linux64Required = false;
    bool m_scanFromRedis = false;
};

// The identifier of the plug-in's list of affiliations.
inline constexpr short kAffiliationsResID = 1000;

// The plug-in's affiliations: the resource ("Affiliations", 1000), a comma-separated list of
// codes; without it, every resource of type "Affiliation" (one code each). In order, without
// repeats. [any-thread]
KORVANE_API std::vector<KCFourCC> ReadPluginAffiliations(KTResContainerType* container);

}  // namespace kvKorvaneV10_0_3::KSC
