// The scan pipeline, the candidate walk and the two concrete scanners.
#include "korvane/scan/folder_scanner.h"

#include "korvane/core/four_cc.h"
#include "korvane/core/mem_obj.h"
#include "korvane/fm/feature_flags.h"
#include "korvane/fm/folder_iterator.h"
#include "korvane/fm/path_ref.h"
#include "korvane/fm/special_folders.h"
#include "korvane/rm/res_variant.h"
#include "korvane/rm/resource_manager.h"
#include "korvane/scan/process_code_manager.h"
#include "korvane/scan/scan_cache.h"
#include "korvane/xml/tree_builder.h"
#include "korvane/xml/xml_element.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <typeinfo>

namespace kvKorvaneV10_0_3::KSC {
namespace {

template <typename... Parts>
void Trace(int level, const Parts&... parts) {
    if (GetTraceScanLevel() >= level) {
        (std::cout << ... << parts) << '\n';
    }
}

const char* Text(const KCFixedStringBase& s) {
    return s.c_str();
}

// Parses a resource's bytes into `root`; the parser's error.
KTErr ParseResourceBytes(const Utils::KCStMemObj& bytes, XML::CXMLElement& root) {
    if (bytes.Empty()) {
        return eInvalidFileFormatProblem;
    }
    XML::CXMLTreeBuilder builder(root);
    return builder.BuildFromSingleBuffer(static_cast<const char*>(bytes.ptr),
                                         static_cast<unsigned int>(bytes.size));
}

// Parses the resource into `root`; the resource error, or the parser's.
KTErr ParseResource(KTResContainerType* container, const RM::KCResKey& key,
                    XML::CXMLElement& root) {
    Utils::KCStMemObj bytes;
    if (const KTErr err = RM::GetRawResourceData(container, key, bytes); err != eNoErr) {
        return err;
    }
    return ParseResourceBytes(bytes, root);
}

// A plug-in's info resource, read once: whether the plug-in has one decides what it is, and
// the same bytes give its versions later.
struct InfoResource {
    KTErr err = eNoErr;  // of the reading
    Utils::KCStMemObj bytes;
};

// Whether the bundle has the info resource; `out` gets it read. A resource that is there but
// does not read still counts as there (its versions are then not found).
bool ReadInfoResource(KTResContainerType* container, const RM::KCResKey& key, InfoResource& out) {
    out.err = RM::GetRawResourceData(container, key, out.bytes);
    return out.err == eNoErr || RM::DoesResourceExist(container, key);
}

// The versions, vendor and names of the plug-in from its info resource.
KTErr GetPluginVersionsFromXInfResource(const InfoResource& resource, KorvaneComponentInfo& info) {
    if (resource.err != eNoErr) {
        return resource.err;
    }
    XML::CXMLElement root;
    if (const KTErr err = ParseResourceBytes(resource.bytes, root); err != eNoErr) {
        return err;
    }
    const char* internal = root.SubElementText("InternalVersion");
    if (internal == nullptr || info.pluginInternalVersion.ReadFromString(internal) == 0) {
        return eXMLElementMissing;
    }
    if (const char* api = root.SubElementText("APIVersion"); api != nullptr) {
        info.pluginAPIVersion.ReadFromString(api);
    }
    if (const char* text = root.SubElementText("PluginExternalVersion"); text != nullptr) {
        info.pluginExternalVersion = text;
    }
    if (const char* text = root.SubElementText("VendorName"); text != nullptr) {
        info.vendorName = text;
    }
    if (const char* text = root.SubElementText("PluginName"); text != nullptr && *text != '\0') {
        info.pluginName = text;
        info.shortName = text;
    }
    if (const char* text = root.SubElementText("Category"); text != nullptr) {
        info.categoryName = text;
    }
    return eNoErr;
}

std::string CodeText(KCFourCC code) {
    return code == KCFourCC() ? std::string("none") : FormatFourCC(code);
}

void MakeGUID(KorvaneComponentInfo& info) {
    if (info.componentGUID.empty()) {
        info.componentGUID = (CodeText(info.componentType) + "-" + CodeText(info.componentSubType) +
                              "-" + CodeText(info.componentAffiliation))
                                 .c_str();
    }
}

bool AttribFlag(const XML::CXMLElement& e, const char* name) {
    std::string value;
    return e.GetAttrib(name, value) && (value == "yes" || value == "true" || value == "1");
}

struct SubComp {
    KCFourCC subType;
    KCFourCC blockAffiliation;
    KCFixedString<63> guid;
    int index = -1;
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// The pipeline

KCPluginFolderScanner::KCPluginFolderScanner(const char* scannerName) {
    m_name = scannerName;
}

KCPluginFolderScanner::~KCPluginFolderScanner() {
    CloseCandidateContainer();
}

bool KCPluginFolderScanner::Tracing(int level) {
    return GetTraceScanLevel() >= level;
}

int KCPluginFolderScanner::GetScanFromFulcrix(KCPluginDiskScannerResults& /*results*/,
                                              std::vector<FM::KCStPath>& /*folders*/) {
    return eNotImplemented;
}

KCFixedString<31> KCPluginFolderScanner::GetPluginScannerInfo() {
    return {""};
}

int KCPluginFolderScanner::BeforeScanFolder() {
    m_folderScanView.clear();
    if (!m_folder.IsValid()) {
        const KCFixedStringBase& indicator = m_filter.GetPluginFolderIndicator();
        if (!indicator.empty()) {
            FM::KCStPath found;
            if (FM::GetPathFromIndicator(indicator.c_str(), found) == eNoErr) {
                m_folder = found;
            }
        }
    }
    if (!m_folder.IsValid() || !m_folder.IsFolder()) {
        Trace(1, "Plugins folder IS NOT A FODLER!: ", Text(m_folder.GetPathString()));
        return eFMIsNotAFolder;
    }
    Trace(1, "#Plugins folder: ", Text(m_folder.GetPathString()));
    const FM::KCStPath view(m_folder, kFolderScanViewFileName);
    if (view.IsFile()) {
        Trace(1, "Found ScanView file");
        // A folder's scan view that does not read leaves the folder unfiltered, as none would.
        if (const KTErr err = m_folderScanView.ReadScanViewSpecFromFile(view); err != eNoErr) {
            Trace(1, "ScanView file could not be read, error = ", err);
        }
    }
    return eNoErr;
}

void KCPluginFolderScanner::CollectBundleCandidates(const FM::KCStPath& folder, int depth,
                                                    std::vector<FM::KCStPath>& out) {
    FM::KCStFolderIterator items(folder);
    FM::KCStPath item;
    while (items.GetNextFolderItem(item)) {
        if (FM::IsBundleExtension(item.GetExtension().c_str())) {
            // A bundle is a candidate whatever it holds, and never entered: bundles inside it
            // are its own business.
            out.push_back(std::move(item));
        } else if (depth > 0 && !item.IsFileSystemLink() && item.IsFolder(false)) {
            // Links to folders are not followed, so no link can lead the walk in a circle.
            CollectBundleCandidates(item, depth - 1, out);
        }
    }
}

int KCPluginFolderScanner::CreateListOfPluginsToScan(std::vector<FM::KCStPath>& out) {
    out.clear();
    CollectBundleCandidates(m_folder, m_filter.GetFolderSearchDepth(), out);
    Trace(1, "Found ", out.size(), " candidates for scan in ", Text(m_folder.GetPathString()));
    return eNoErr;
}

KTResContainerType* KCPluginFolderScanner::CandidateContainer(const FM::KCStPath& path,
                                                              KTErr& err) {
    if (m_open != nullptr || m_openErr != eNoErr) {
        if (m_openPath == path) {
            err = m_openErr;
            return m_open;
        }
        CloseCandidateContainer();
    }
    m_openPath = path;
    m_openErr = RM::OpenResContainer(path, FM::eReadPerm, m_open);
    if (m_openErr != eNoErr) {
        m_open = nullptr;
    }
    err = m_openErr;
    return m_open;
}

void KCPluginFolderScanner::CloseCandidateContainer() {
    if (m_open != nullptr) {
        (void)RM::CloseResContainer(m_open);
    }
    m_open = nullptr;
    m_openErr = eNoErr;
    m_openPath.Clear();
}

void KCPluginFolderScanner::ScanCandidate(const FM::KCStPath& path,
                                          KCPluginDiskScannerResults& results,
                                          std::vector<KSScanCacheStamp>* stamps) {
    KCScannedFile file(path);
    int err = eRMResNotFound;
    if (!m_ignorePrescan) {
        err = GetAvailableComponentsFromPrescanResource(file);
    }
    if (err == eRMResNotFound) {
        (void)GetAvailableComponentsFromFilePath(file);
    }
    // After the reads: a file that changes meanwhile shows a time too recent to be kept.
    if (stamps != nullptr) {
        CollectScanCacheStamps(path, CurrentCandidateContainer(), m_cacheTypes, m_cacheKeys,
                               m_filter.GetLinuxProcessCode64Required(), *stamps);
    }
    CloseCandidateContainer();
    results.AddFile(std::move(file));
}

void KCPluginFolderScanner::NoteFeatureFlag(const char* flag, bool on) {
    if (m_flagsAsked != nullptr && flag != nullptr) {
        m_flagsAsked->emplace_back(flag, on);
    }
}

KTErr KCPluginFolderScanner::GetDefaultScanCacheFilePath(FM::KCStPath& out) {
    FM::KCStPath report;
    if (const KTErr err = KCPluginDiskScannerResults::GetScanResultsReportPath(report);
        err != eNoErr) {
        return err;
    }
    std::string text = report.GetPathString().c_str();
    text.replace(text.find_last_of('/') + 1, std::string::npos, kScanCacheFileName);
    FM::KCStPath path(text.c_str());
    if (!path.IsValid()) {
        return path.GetError();
    }
    out = path;
    return eNoErr;
}

std::string KCPluginFolderScanner::ScanCacheContext() const {
    // Only what decides a candidate's result: the folder hint, depth and the like do not.
    std::string text = typeid(*this).name();
    const auto number = [&text](std::uint64_t value) {
        char buffer[24];
        const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
        text.append(buffer, end);
        text += ' ';
    };
    const auto codes = [&](const char* name, const std::vector<KCFourCC>& list) {
        text += name;
        for (const KCFourCC code : list) {
            number(code.Value());
        }
    };
    const auto version = [&](const char* name, const KCVersion& v) {
        text += name;
        number(v.Major());
        number(v.Minor());
        number(v.Revision());
        number(v.InternalStage());
    };
    text += m_ignorePrescan ? " noprescan" : " prescan";
    codes(" types ", m_filter.GetComponentTypes());
    codes(" subcomps ", m_filter.GetSubcomponents());
    codes(" affiliations ", m_filter.GetAffiliationVector());
    version(" internal ", m_filter.GetMinAllowedInternalVersion());
    version("- ", m_filter.GetMaxAllowedInternalVersion());
    version(" api ", m_filter.GetMinAllowedAPIVersion());
    version("- ", m_filter.GetMaxAllowedAPIVersion());
    text += m_filter.GetCheckInternalVersions() ? " checked" : " unchecked";
    text += m_filter.GetLinuxProcessCode64Required() ? " linux64" : "";
    return text;
}

int KCPluginFolderScanner::ScanFolderForComponents(KCPluginDiskScannerResults& results) {
    KCPluginDiskScannerResults found;
    m_cacheHits = 0;
    if (const int err = BeforeScanFolder(); err != eNoErr) {
        return err;
    }
    if (const int err = IsScanFilterValid(); err != eNoErr) {
        return err;
    }
    std::vector<FM::KCStPath> candidates;
    if (const int err = CreateListOfPluginsToScan(candidates); err != eNoErr) {
        return err;
    }
    found.GetFiles().reserve(candidates.size());
    std::optional<KCScanCacheSession> cache;
    if (m_cacheFile.IsValid()) {
        cache.emplace(m_cacheFile, m_folder.GetPathString().c_str(), ScanCacheContext());
    }
    for (auto& path : candidates) {
        if (!cache) {
            ScanCandidate(path, found);
            continue;
        }
        const std::string key = path.GetPathString().c_str();
        if (const KCScannedFile* cached = cache->Find(key, m_flagSource); cached != nullptr) {
            if (Tracing(2)) {  // the leaf is made only for the trace
                Trace(2, Text(path.GetLeaf()), " unchanged since it was scanned");
            }
            // Copied once, into its place; the candidate is not needed after a hit.
            found.AddFile(*cached);
            found.GetFiles().back().m_path = std::move(path);
            ++m_cacheHits;
            continue;
        }
        KSScanCacheEntry entry;
        m_flagsAsked = &entry.flags;
        ScanCandidate(path, found, &entry.stamps);
        m_flagsAsked = nullptr;
        entry.file = found.GetFiles().back();
        cache->Store(key, std::move(entry), m_cacheSettle);
    }
    if (cache) {
        // The results stand without the file: the next scan then reads the bundles again.
        if (const KTErr err = cache->Finish(); err != eNoErr) {
            Trace(1, "The scan cache could not be written, error = ", err);
        }
        Trace(1, m_cacheHits, " of ", candidates.size(),
              " candidates unchanged since the last scan");
    }
    if (const int err = AfterScanFolder(found); err != eNoErr) {
        return err;
    }
    // Each record carries a component record of its own (about 1.6 KB) that a growing list
    // would move at every doubling: an empty list takes them all at once, another grows once.
    std::vector<KCScannedFile>& files = results.GetFiles();
    if (files.empty()) {
        files.swap(found.GetFiles());
    } else {
        files.reserve(files.size() + found.GetFiles().size());
        for (auto& file : found.GetFiles()) {
            files.push_back(std::move(file));
        }
    }
    return eNoErr;
}

int KCPluginFolderScanner::ScanFolderForPluginFiles(KCPluginDiskScannerResults& results) {
    KCPluginDiskScannerResults found;
    if (const int err = BeforeScanFolder(); err != eNoErr) {
        return err;
    }
    std::vector<FM::KCStPath> candidates;
    if (const int err = CreateListOfPluginsToScan(candidates); err != eNoErr) {
        return err;
    }
    for (const auto& path : candidates) {
        KCScannedFile file(path);
        KTErr err = eNoErr;
        if (CandidateContainer(path, err) != nullptr) {
            (void)MyKindOfPluginFile(file.m_bundleInfo, file.m_rejectBits);
        } else {
            file.m_rejectBits.Set(eScanNotABundle);
        }
        CloseCandidateContainer();
        found.AddFile(std::move(file));
    }
    if (const int err = AfterScanFolder(found); err != eNoErr) {
        return err;
    }
    for (auto& file : found.GetFiles()) {
        results.AddFile(std::move(file));
    }
    return eNoErr;
}

int KCPluginFolderScanner::ScanOnePluginForComponents(KCPluginDiskScannerResults& results,
                                                      const FM::KCStPath& path) {
    ScanCandidate(path, results);
    return eNoErr;
}

// ---------------------------------------------------------------------------------------------
// Sub-components

KTErr SubCompTypeScanner::BuildSubComponentList(KTResContainerType* container,
                                                KCKorvaneComponentInfoList& out,
                                                bool (*flagOn)(void*, const char*), void* context,
                                                XML::CXMLElement* parsed) const {
    out.Clear();
    XML::CXMLElement local;
    XML::CXMLElement& root = parsed != nullptr ? *parsed : local;
    const KTErr err =
        ParseResource(container, RM::KCResKey("ProcessXML", kComponentXMLResID), root);
    if (err == eRMResNotFound) {
        return eXMLTreeEmpty;
    }
    if (err != eNoErr) {
        return err;
    }

    std::vector<SubComp> subComps;
    if (const XML::CXMLElement* list = root.SubElement("SubComponentList"); list != nullptr) {
        for (const XML::CXMLElement* e : list->GetSubElements()) {
            if (std::strcmp(e->GetName().c_str(), "SubComponent") != 0) {
                continue;
            }
            SubComp sc;
            sc.index = static_cast<int>(subComps.size());
            const auto type = ParseFourCC(e->SubElementText("SubComponentType") != nullptr
                                              ? e->SubElementText("SubComponentType")
                                              : "");
            if (!type) {
                return eXMLElementMissing;
            }
            sc.subType = *type;
            if (const char* block = e->SubElementText("BlockAffiliation"); block != nullptr) {
                if (const auto code = ParseFourCC(block)) {
                    sc.blockAffiliation = *code;
                }
            }
            e->GetAttrib("GUID", sc.guid);
            subComps.push_back(sc);
        }
    }
    if (subComps.empty()) {
        subComps.push_back(SubComp{});
    }

    const auto addComponents = [&](KCFourCC type, const char* name, bool show,
                                   const std::vector<KCFourCC>& only) {
        for (const SubComp& sc : subComps) {
            if (!only.empty() && std::find(only.begin(), only.end(), sc.subType) == only.end()) {
                continue;
            }
            if (sc.blockAffiliation != KCFourCC() &&
                sc.blockAffiliation == m_bundle.componentAffiliation) {
                continue;
            }
            KorvaneComponentInfo info = m_bundle;
            info.componentType = type;
            info.componentSubType = sc.subType;
            info.subComponentIndex = sc.index;
            info.showSubComp = show;
            if (name != nullptr && *name != '\0') {
                info.shortName = name;
            }
            info.componentGUID = sc.guid;
            MakeGUID(info);
            out.Add(info);
        }
    };

    if (const XML::CXMLElement* types = root.SubElement("SubComponentTypeList"); types != nullptr) {
        for (const XML::CXMLElement* entry : types->GetSubElements()) {
            if (std::strcmp(entry->GetName().c_str(), "SubComponentType") != 0) {
                continue;
            }
            std::string flag;
            if (entry->GetAttrib("FeatureFlag", flag) && !flag.empty() &&
                (flagOn == nullptr || !flagOn(context, flag.c_str()))) {
                continue;
            }
            std::string name;
            entry->GetAttrib("Name", name);
            std::string match;
            const std::vector<KCFourCC> only = entry->GetAttrib("ProcessCodeMatch", match)
                                                   ? ParseFourCCList(match)
                                                   : std::vector<KCFourCC>{};
            for (const XML::CXMLElement* thng : entry->GetSubElements()) {
                std::string typeText;
                if (std::strcmp(thng->GetName().c_str(), "thng") != 0 ||
                    !thng->GetAttrib("Type", typeText)) {
                    continue;
                }
                if (const auto type = ParseFourCC(typeText)) {
                    addComponents(*type, name.c_str(), AttribFlag(*thng, "ShowSubComp"), only);
                }
            }
        }
        return eNoErr;
    }

    const char* thng = root.SubElementText("thng");
    const auto type = ParseFourCC(thng != nullptr ? thng : "");
    if (!type) {
        return eXMLElementMissing;
    }
    addComponents(*type, nullptr, false, {});
    return eNoErr;
}

// ---------------------------------------------------------------------------------------------
// Korvane plug-in bundles

KCKorvanePluginFolderScanner::KCKorvanePluginFolderScanner(const char* name)
    : KCPluginFolderScanner(name) {
    // The process description's variants are asked for by the sub-types it names, and the
    // older affiliations are listed.
    SetScanCacheResourceTypes({"Affiliation", "ProcessXML"});
    SetScanCacheResourceKeys({{"InfoXML", kInfoXMLResID},
                              {"Affiliations", kAffiliationsResID},
                              {"AlgXML", kComponentXMLResID},
                              {"Prescan", kPrescanResID}});
    SetFeatureFlagSource([this](const char* flag) { return IsFeatureEnabled(flag); });
}

KCKorvanePluginFolderScanner::~KCKorvanePluginFolderScanner() = default;

int KCKorvanePluginFolderScanner::BeforeScan() {
    // Flags are read afresh for every scan.
    m_flags.reset();
    return eNoErr;
}

KCFixedString<31> KCKorvanePluginFolderScanner::GetPluginScannerInfo() {
    return {"Korvane plug-in bundles"};
}

int KCKorvanePluginFolderScanner::CreateListOfPluginsToScan(std::vector<FM::KCStPath>& out) {
    return KCPluginFolderScanner::CreateListOfPluginsToScan(out);
}

bool KCKorvanePluginFolderScanner::IsFeatureEnabled(const char* flag) {
    if (!m_flags) {
        m_flags = std::make_unique<KCFeatureFlagsScanner>();
    }
    const bool on = m_flags->IsFeatureFlagEnabled(flag, false);
    NoteFeatureFlag(flag, on);
    return on;
}

int KCKorvanePluginFolderScanner::MyKindOfPlugin(KTResContainerType* container,
                                                 KorvaneComponentInfo& info, KTRejectBits& bits,
                                                 std::vector<KCFourCC>& affiliations) {
    KTErr err = eNoErr;
    InfoResource infoResource;
    if (!ReadInfoResource(container, RM::KCResKey("InfoXML", kInfoXMLResID), infoResource)) {
        bits.Set(eScanNotAPlugin);
        Trace(2, "No InfoXML resource ");
        err = eNotAPluginFile;
    } else {
        affiliations = ReadPluginAffiliations(container);
        if (!affiliations.empty()) {
            info.componentAffiliation = affiliations.front();
        }
        if (!m_filter.IsAffiliated(affiliations)) {
            bits.Set(eScanNotAffiliated);
            Trace(2, "IsPluginAffiliated failed ");
            err = eNotAPluginFile;
        } else if (const KTErr versionErr = GetPluginVersionsFromXInfResource(infoResource, info);
                   versionErr != eNoErr) {
            bits.Set(eScanNoVersionFound);
            Trace(2, "GetPluginVersions failed ");
            err = versionErr;
        } else if (m_filter.GetCheckInternalVersions() && !m_filter.IsCompatibleVersion(info)) {
            bits.Set(eScanIncompatibleInternalVersion);
            Trace(2, "m_PluginScanFilter.IsCompatibleVersion failed ");
            err = eNotAPluginFile;
        } else {
            Trace(2, "MyKindOfPlugin OK ");
        }
    }
    if (err != eNoErr && Tracing(2)) {
        KCFixedString<255> reasons;
        ScanRejectReasonsToText(bits, reasons);
        Trace(2, " rejected by MyKindOfPlugin because ", Text(reasons));
    }
    return err;
}

int KCKorvanePluginFolderScanner::MyKindOfPluginFile(KorvaneComponentInfo& info,
                                                     KTRejectBits& bits) {
    KTResContainerType* container = CurrentCandidateContainer();
    if (container == nullptr) {
        bits.Set(eScanNotABundle);
        return eRMContainerNotFound;
    }
    std::vector<KCFourCC> affiliations;
    return MyKindOfPlugin(container, info, bits, affiliations);
}

bool KCKorvanePluginFolderScanner::KeepAllowed(KCKorvaneComponentInfoList& candidates,
                                               KTRejectBits& componentBits, KCScannedFile& file,
                                               KTResContainerType* container,
                                               const XML::CXMLElement* processXML) {
    const bool needLinux64 = m_filter.GetLinuxProcessCode64Required();
    std::optional<bool> hasLinux64;  // asked once per bundle, when a component needs it
    std::optional<bool> virtualInstrument;
    for (KorvaneComponentInfo& component : candidates) {
        component.pluginFilePath = file.m_path.GetPathString().c_str();
        component.pluginType = eKorvanePlugin;
        if (!m_filter.IsAllowed(component)) {
            componentBits.Set(eScanNoCompatibleSubComponent);
            Trace(2, FormatFourCC(component.componentType), " was rejected",
                  " by m_PluginScanFilter.IsAllowed");
            continue;
        }
        Trace(2, FormatFourCC(component.componentType), " was accepted ",
              " by m_PluginScanFilter.IsAllowed");
        if (needLinux64 && !hasLinux64) {
            hasLinux64 = FM::KCStPath(file.m_path, "Contents/Linux64").IsFolder();
        }
        if (needLinux64 && !*hasLinux64) {
            componentBits.Set(eScanIncompatiblePlatform);
            continue;
        }
        if (processXML != nullptr) {
            CProcessCodeManager manager;
            // The tree already parsed serves every component without a variant of its own.
            const RM::KCResKey plain("ProcessXML", kComponentXMLResID);
            KTErr descErr = eNoErr;
            if (RM::SelectResourceVariant(container, plain, component.componentSubType) == plain) {
                manager.SetComponentInfo(component);
                descErr = manager.ReadProcCodeDescForComponentFromXMLTrees(*processXML);
            } else {
                descErr =
                    manager.ReadProcCodeDescForComponent(component, container, kComponentXMLResID);
            }
            if (descErr != eNoErr || manager.GetDescriptions().empty()) {
                componentBits.Set(eScanNoCompatibleHardware);
                continue;
            }
            component.compProcCodeDesc = manager.GetDescriptions();
            const auto& first = component.compProcCodeDesc.front();
            component.numInputs = static_cast<int>(first.TotalInputs >= first.SideChainInputs
                                                       ? first.TotalInputs - first.SideChainInputs
                                                       : first.TotalInputs);
            component.numOutputs = static_cast<int>(first.Outputs);
            // One algorithm description serves every component: read it once, and only for a
            // bundle that has a component to describe.
            if (!virtualInstrument) {
                virtualInstrument = false;
                XML::CXMLElement alg;
                if (ParseResource(container, RM::KCResKey("AlgXML", kComponentXMLResID), alg) ==
                    eNoErr) {
                    if (const XML::CXMLElement* e = alg.SubElement("cALGORITHM"); e != nullptr) {
                        virtualInstrument = AttribFlag(*e, "IsVirtualInstrument");
                    }
                }
            }
            component.isVirtualInstrument = *virtualInstrument;
        }
        file.m_components.Add(component);
    }
    return file.GetNumComponents() > 0;
}

int KCKorvanePluginFolderScanner::StartBundleInfo(KTResContainerType* container,
                                                  KCScannedFile& file,
                                                  std::vector<KCFourCC>& affiliations) {
    KorvaneComponentInfo& info = file.m_bundleInfo;
    info.pluginType = eKorvanePlugin;
    info.pluginFilePath = file.m_path.GetPathString().c_str();
    info.pluginName = file.m_path.GetBase();
    info.shortName = info.pluginName;
    return MyKindOfPlugin(container, info, file.m_rejectBits, affiliations);
}

int KCKorvanePluginFolderScanner::GetAvailableComponentsFromFilePath(KCScannedFile& file) {
    Trace(2, "Scanning ", Text(file.m_path.GetLeaf()));
    KTErr err = eNoErr;
    KTResContainerType* container = CandidateContainer(file.m_path, err);
    if (container == nullptr) {
        file.m_rejectBits.Set(eScanNotABundle);
        Trace(2, Text(file.m_path.GetLeaf()), " is not a resource container");
        return err;
    }
    KorvaneComponentInfo& info = file.m_bundleInfo;
    std::vector<KCFourCC> affiliations;
    if (const int kindErr = StartBundleInfo(container, file, affiliations); kindErr != eNoErr) {
        return kindErr;
    }

    KCKorvaneComponentInfoList candidates;
    XML::CXMLElement processXML;
    const SubCompTypeScanner subComps(info);
    if (const KTErr listErr = subComps.BuildSubComponentList(
            container, candidates,
            [](void* self, const char* flag) {
                return static_cast<KCKorvanePluginFolderScanner*>(self)->IsFeatureEnabled(flag);
            },
            this, &processXML);
        listErr != eNoErr) {
        file.m_rejectBits.Set(eScanCorruptPlugin);
        Trace(2, Text(file.m_path.GetLeaf()), " a resource is missing");
        return listErr;
    }

    KTRejectBits componentBits;
    if (!KeepAllowed(candidates, componentBits, file, container, &processXML)) {
        file.m_rejectBits.SetWord(file.m_rejectBits.Word() | componentBits.Word());
        return kNoAcceptableComponent;
    }
    file.m_components.Sort();
    file.m_affiliations = affiliations;
    Trace(2, Text(file.m_path.GetLeaf()), ", ", file.GetNumComponents(), " components registered");
    return eNoErr;
}

int KCKorvanePluginFolderScanner::GetAvailableComponentsFromPrescanResource(KCScannedFile& file) {
    KTErr err = eNoErr;
    KTResContainerType* container = CandidateContainer(file.m_path, err);
    if (container == nullptr) {
        file.m_rejectBits.Set(eScanNotABundle);
        Trace(2, Text(file.m_path.GetLeaf()), " is not a resource container");
        return err;
    }
    const RM::KCResKey prescanKey("Prescan", kPrescanResID);
    // Without a prescan the full scan runs, and makes the plug-in checks itself.
    if (!RM::DoesResourceExist(container, prescanKey)) {
        return eRMResNotFound;
    }
    std::vector<KCFourCC> affiliations;
    if (const int kindErr = StartBundleInfo(container, file, affiliations); kindErr != eNoErr) {
        return kindErr;
    }
    XML::CXMLElement root;
    if (const KTErr parseErr = ParseResource(container, prescanKey, root); parseErr != eNoErr) {
        file.m_rejectBits.Set(eScanCorruptPlugin);
        return parseErr;
    }
    KCKorvaneComponentInfoList candidates;
    candidates.ReadFromXML(&root);
    // A prescan lists what the plug-in offers; the shell's filter decides, as for a full scan.
    KTRejectBits componentBits;
    if (!KeepAllowed(candidates, componentBits, file, container, nullptr)) {
        file.m_rejectBits.SetWord(file.m_rejectBits.Word() | componentBits.Word());
        return kNoAcceptableComponent;
    }
    file.m_components.Sort();
    file.m_affiliations = affiliations;
    Trace(2, Text(file.m_path.GetLeaf()), ", ", file.GetNumComponents(), " components registered");
    return eNoErr;
}

// ---------------------------------------------------------------------------------------------
// Plug-in API shells

KCKPAPIFolderScanner::KCKPAPIFolderScanner(const char* name) : KCPluginFolderScanner(name) {
    SetScanCacheResourceTypes({"Affiliation"});
    SetScanCacheResourceKeys({{"Xinf", kKPAPIInfoResID}, {"Affiliations", kAffiliationsResID}});
}

KCFixedString<31> KCKPAPIFolderScanner::GetPluginScannerInfo() {
    return {"Plug-in API shells"};
}

int KCKPAPIFolderScanner::IsScanFilterValid() {
    return m_filter.HasComponentType(KCFourCC("KPPI")) ? eNoErr : eComponentTypeNotSupported;
}

int KCKPAPIFolderScanner::CreateListOfPluginsToScan(std::vector<FM::KCStPath>& out) {
    return KCPluginFolderScanner::CreateListOfPluginsToScan(out);
}

int KCKPAPIFolderScanner::MyKindOfPluginFile(KorvaneComponentInfo& /*info*/,
                                             KTRejectBits& /*bits*/) {
    return eNoErr;
}

int KCKPAPIFolderScanner::GetAvailableComponentsFromPrescanResource(KCScannedFile& /*file*/) {
    return eRMResNotFound;
}

int KCKPAPIFolderScanner::GetAvailableComponentsFromFilePath(KCScannedFile& file) {
    Trace(2, "Scanning ", Text(file.m_path.GetLeaf()));
    KTErr err = eNoErr;
    KTResContainerType* container = CandidateContainer(file.m_path, err);
    if (container == nullptr) {
        file.m_rejectBits.Set(eScanNotABundle);
        return err;
    }
    KorvaneComponentInfo& info = file.m_bundleInfo;
    info.pluginType = eKPAPIShell;
    info.pluginFilePath = file.m_path.GetPathString().c_str();
    info.pluginName = file.m_path.GetBase();
    info.shortName = info.pluginName;
    InfoResource infoResource;
    if (!ReadInfoResource(container, RM::KCResKey("Xinf", kKPAPIInfoResID), infoResource)) {
        file.m_rejectBits.Set(eScanNotAKPAPI);
        return eNotAPluginFile;
    }
    const std::vector<KCFourCC> affiliations = ReadPluginAffiliations(container);
    if (!affiliations.empty()) {
        info.componentAffiliation = affiliations.front();
    }
    if (!m_filter.IsAffiliated(affiliations)) {
        file.m_rejectBits.Set(eScanNotAffiliated);
        return eNotAPluginFile;
    }
    if (const KTErr versionErr = GetPluginVersionsFromXInfResource(infoResource, info);
        versionErr != eNoErr) {
        file.m_rejectBits.Set(eScanNoVersionFound);
        return versionErr;
    }
    if (m_filter.GetLinuxProcessCode64Required() && info.vendorName == "Korvane Audio" &&
        !FM::KCStPath(file.m_path, "Contents/Linux64").IsFolder()) {
        file.m_rejectBits.Set(eScanIncompatiblePlatform);
        return eNotAPluginFile;
    }
    if (m_filter.GetCheckInternalVersions() && !(m_filter.IsCompatibleVersion(info))) {
        file.m_rejectBits.Set(eScanIncompatibleInternalVersion);
        return eNotAPluginFile;
    }
    KorvaneComponentInfo shell = info;
    shell.componentType = KCFourCC("KPPI");
    shell.shortName = file.m_path.GetBase();
    MakeGUID(shell);
    file.m_components.Add(shell);
    file.m_affiliations = affiliations;
    return eNoErr;
}

}  // namespace kvKorvaneV10_0_3::KSC
