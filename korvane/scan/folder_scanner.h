// KSC::KCPluginFolderScanner: finds the plug-in files of a folder and, from their resources
// alone, the components each offers, through a fixed pipeline of hooks. Two scanners come with
// the library: one for Korvane plug-in bundles and one for plug-in API shells. Neither loads a
// plug-in's code: bundles are read through their bundle container.
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"
#include "korvane/fm/path.h"
#include "korvane/rm/res_key.h"
#include "korvane/rm/res_types.h"
#include "korvane/scan/component_info.h"
#include "korvane/scan/component_info_list.h"
#include "korvane/scan/scan_filter.h"
#include "korvane/scan/scan_results.h"
#include "korvane/scan/scan_types.h"
#include "korvane/scan/scan_view_spec.h"
#include "korvane/xml/xml_element.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace kvKorvaneV10_0_3 {
class KCFeatureFlagsScanner;
}

namespace kvKorvaneV10_0_3::KSC {

struct KSScanCacheStamp;

// Resources a scan reads.
inline constexpr short kInfoXMLResID = 1000;
inline constexpr short kKPAPIInfoResID = 1001;
inline constexpr short kPrescanResID = 1000;
inline constexpr short kComponentXMLResID = 128;  // "ProcessXML" and "AlgXML"
// How long after a change a scanned candidate's result is not kept in the scan cache.
inline constexpr std::int64_t kDefaultScanCacheSettleTime = 2'000'000'000;  // nanoseconds
// A plug-in folder's own scan view, beside its plug-ins.
inline constexpr const char* kFolderScanViewFileName = "ScanView.txt";

// One scanner is used by one thread at a time.
class KORVANE_API KCPluginFolderScanner {
public:
    explicit KCPluginFolderScanner(const char* scannerName);
    KCPluginFolderScanner(const KCPluginFolderScanner&) = delete;
    KCPluginFolderScanner& operator=(const KCPluginFolderScanner&) = delete;
    virtual ~KCPluginFolderScanner();

    virtual int BeforeScan() { return eNoErr; }
    // The whole pipeline (docs/scanning.md); the files found are appended to `results`.
    virtual int ScanFolderForComponents(KCPluginDiskScannerResults& results);
    // The same walk, each candidate only classified by MyKindOfPluginFile.
    virtual int ScanFolderForPluginFiles(KCPluginDiskScannerResults& results);
    // One candidate as ScanFolderForComponents scans it.
    virtual int ScanOnePluginForComponents(KCPluginDiskScannerResults& results,
                                           const FM::KCStPath& path);
    virtual int GetAvailableComponentsFromFilePath(KCScannedFile& file) = 0;
    // eRMResNotFound when the file has no prescan, so that the full scan runs.
    virtual int GetAvailableComponentsFromPrescanResource(KCScannedFile& file) = 0;
    // Classifies the candidate being walked (its container open) without its components.
    virtual int MyKindOfPluginFile(KorvaneComponentInfo& info, KTRejectBits& bits) = 0;
    virtual int AfterScan() { return eNoErr; }
    // Scan results from the local companion service; not available here (eNotImplemented).
    virtual int GetScanFromFulcrix(KCPluginDiskScannerResults& results,
                                   std::vector<FM::KCStPath>& folders);
    virtual KCFixedString<31> GetPluginScannerInfo();
    // The shell type of the files this scanner accepts.
    virtual int GetScannerPluginType() const { return eUnknownPluginType; }
    virtual KCFixedString<63>& GetScannerName() { return m_name; }
    // Resolves the folder (the path set, else the filter's indicator); eFMIsNotAFolder when it
    // is not a folder. Reads the folder's own scan view from its kFolderScanViewFileName.
    virtual int BeforeScanFolder();
    virtual int IsScanFilterValid() { return eNoErr; }
    // The candidates of the folder (see docs/scanning.md for the walk).
    virtual int CreateListOfPluginsToScan(std::vector<FM::KCStPath>& out);
    virtual int AfterScanFolder(KCPluginDiskScannerResults& /*results*/) { return eNoErr; }

    void SetPluginFolderPath(const FM::KCStPath& path) { m_folder = path; }
    [[nodiscard]] const FM::KCStPath& GetPluginFolderPath() const { return m_folder; }
    void SetPluginScanFilterForFolder(const KCScanFilter& filter) { m_filter = filter; }
    [[nodiscard]] const KCScanFilter& GetPluginScanFilterForFolder() const { return m_filter; }
    void SetScanViewFileTag(const char* tag) { m_scanViewTag = tag; }
    [[nodiscard]] const KCFixedString<15>& GetScanViewFileTag() const { return m_scanViewTag; }
    // The scan view the folder last scanned keeps beside its plug-ins (empty without one).
    [[nodiscard]] const KCScanViewSpec& GetScanViewSpecForFolder() const {
        return m_folderScanView;
    }
    void SetIgnoreOtherFolders(bool on) { m_ignoreOtherFolders = on; }
    [[nodiscard]] bool GetIgnoreOtherFolders() const { return m_ignoreOtherFolders; }
    void SetIgnorePrescanResource(bool on) { m_ignorePrescan = on; }
    [[nodiscard]] bool GetIgnorePrescanResource() const { return m_ignorePrescan; }
    [[nodiscard]] virtual bool SupportsFulcrixScan() const { return false; }

    // The scan cache (docs/scanning.md#the-scan-cache): ScanFolderForComponents keeps each
    // candidate's result in `file` with the status of every file and folder it was made from,
    // and takes the result of a candidate where none of them changed from there instead of
    // scanning it. An empty path (the default) scans every candidate.
    void SetScanCacheFile(const FM::KCStPath& file) { m_cacheFile = file; }
    [[nodiscard]] const FM::KCStPath& GetScanCacheFile() const { return m_cacheFile; }
    // Beside the scan report: <desktop>/Logs/<application>/ScanCache.txt.
    [[nodiscard]] static KTErr GetDefaultScanCacheFilePath(FM::KCStPath& out);
    // A result made from something that changed less than this long ago is not kept (2 s by
    // default: file times tick more coarsely than a file can change).
    void SetScanCacheSettleTime(std::int64_t nanoseconds) { m_cacheSettle = nanoseconds; }
    // The candidates of the last ScanFolderForComponents whose result came from the cache.
    [[nodiscard]] int GetScanCacheHits() const { return m_cacheHits; }

    // The candidates below `folder` down to `depth` levels of sub-folders: every item with the
    // "bundle" extension (never entered), sub-folders walked unless they are links. In walk
    // order. [any-thread]
    static void CollectBundleCandidates(const FM::KCStPath& folder, int depth,
                                        std::vector<FM::KCStPath>& out);

protected:
    // The container of the candidate being scanned, opened read-only on first use and closed
    // when the candidate is done; null with the opening error in `err`.
    KTResContainerType* CandidateContainer(const FM::KCStPath& path, KTErr& err);
    void CloseCandidateContainer();
    // The container CandidateContainer last opened, or null.
    [[nodiscard]] KTResContainerType* CurrentCandidateContainer() const { return m_open; }
    // Prints the parts to standard output when the trace level is at least `level`.
    static bool Tracing(int level);
    // The resource types whose folders the scan cache watches for this scanner's candidates
    // (types listed, or asked for by names made from other resources).
    void SetScanCacheResourceTypes(std::vector<const char*> types) {
        m_cacheTypes = std::move(types);
    }
    // The resources this scanner asks for by a fixed name only: the scan cache watches each
    // one's own file instead of its type folder.
    void SetScanCacheResourceKeys(std::vector<RM::KCResKey> keys) { m_cacheKeys = std::move(keys); }
    // How the scan cache asks for a feature flag a cached result depended on.
    void SetFeatureFlagSource(std::function<bool(const char*)> source) {
        m_flagSource = std::move(source);
    }
    // Tells the scan cache that the candidate being scanned asked for a feature flag.
    void NoteFeatureFlag(const char* flag, bool on);

    KCScanFilter m_filter;
    FM::KCStPath m_folder;
    KCScanViewSpec m_folderScanView;

private:
    // Scans one candidate into `results`; with `stamps`, also what its result depends on.
    void ScanCandidate(const FM::KCStPath& path, KCPluginDiskScannerResults& results,
                       std::vector<KSScanCacheStamp>* stamps = nullptr);
    // What besides the candidate's files its result depends on: the scanner and the filter.
    [[nodiscard]] std::string ScanCacheContext() const;

    KCFixedString<63> m_name;
    KCFixedString<15> m_scanViewTag;
    bool m_ignoreOtherFolders = false;
    bool m_ignorePrescan = false;
    FM::KCStPath m_openPath;
    KTResContainerType* m_open = nullptr;
    KTErr m_openErr = eNoErr;
    FM::KCStPath m_cacheFile;
    std::int64_t m_cacheSettle = kDefaultScanCacheSettleTime;
    int m_cacheHits = 0;
    std::vector<const char*> m_cacheTypes;
    std::vector<RM::KCResKey> m_cacheKeys;
    std::function<bool(const char*)> m_flagSource;
    std::vector<std::pair<std::string, bool>>* m_flagsAsked = nullptr;
};

// The scanner of Korvane plug-in bundles.
class KORVANE_API KCKorvanePluginFolderScanner : public KCPluginFolderScanner {
public:
    explicit KCKorvanePluginFolderScanner(const char* name);
    ~KCKorvanePluginFolderScanner() override;

    int BeforeScan() override;
    int GetAvailableComponentsFromFilePath(KCScannedFile& file) override;
    int GetAvailableComponentsFromPrescanResource(KCScannedFile& file) override;
    int MyKindOfPluginFile(KorvaneComponentInfo& info, KTRejectBits& bits) override;
    KCFixedString<31> GetPluginScannerInfo() override;
    int GetScannerPluginType() const override { return eKorvanePlugin; }
    int CreateListOfPluginsToScan(std::vector<FM::KCStPath>& out) override;

    // The plug-in checks: the info resource, affiliation, versions, version range. Fills
    // `info` (versions, vendor, names, path, affiliation) and `affiliations`; sets the reject
    // bit of the first failing check and returns its error.
    int MyKindOfPlugin(KTResContainerType* container, KorvaneComponentInfo& info,
                       KTRejectBits& bits, std::vector<KCFourCC>& affiliations);
    // Whether a feature flag is on; flags that do not exist read as off.
    bool IsFeatureEnabled(const char* flag);

private:
    // The bundle-level record of `file` (type, path, names) and the plug-in checks on it.
    int StartBundleInfo(KTResContainerType* container, KCScannedFile& file,
                        std::vector<KCFourCC>& affiliations);
    // Keeps the components the filter allows; false when none is left.
    // `processXML` is the plug-in's parsed process resource, null for prescanned components.
    bool KeepAllowed(KCKorvaneComponentInfoList& candidates, KTRejectBits& componentBits,
                     KCScannedFile& file, KTResContainerType* container,
                     const XML::CXMLElement* processXML);

    std::unique_ptr<KCFeatureFlagsScanner> m_flags;
};

// The scanner of plug-in API shells: each accepted bundle is one "KPPI" component.
class KORVANE_API KCKPAPIFolderScanner : public KCPluginFolderScanner {
public:
    explicit KCKPAPIFolderScanner(const char* name);

    int GetAvailableComponentsFromFilePath(KCScannedFile& file) override;
    // Shells have no prescan: always eRMResNotFound.
    int GetAvailableComponentsFromPrescanResource(KCScannedFile& file) override;
    int MyKindOfPluginFile(KorvaneComponentInfo& info, KTRejectBits& bits) override;
    KCFixedString<31> GetPluginScannerInfo() override;
    int GetScannerPluginType() const override { return eKPAPIShell; }
    // eComponentTypeNotSupported when the filter refuses "KPPI" components.
    int IsScanFilterValid() override;
    int CreateListOfPluginsToScan(std::vector<FM::KCStPath>& out) override;
};

// The components a plug-in offers, from its "ProcessXML" resource (docs/scanning.md).
// Feature-flagged sub-component types are offered only when `flagOn` says so.
class KORVANE_API SubCompTypeScanner {
public:
    explicit SubCompTypeScanner(KorvaneComponentInfo bundleInfo)
        : m_bundle(std::move(bundleInfo)) {}
    // eXMLTreeEmpty when the resource is missing, the parse error when it is malformed,
    // eXMLElementMissing when it names no component type. Replaces `out`.
    // The parsed resource is left in `parsed` when one is given.
    [[nodiscard]] KTErr BuildSubComponentList(KTResContainerType* container,
                                              KCKorvaneComponentInfoList& out,
                                              bool (*flagOn)(void*, const char*) = nullptr,
                                              void* context = nullptr,
                                              XML::CXMLElement* parsed = nullptr) const;

private:
    KorvaneComponentInfo m_bundle;
};

}  // namespace kvKorvaneV10_0_3::KSC
