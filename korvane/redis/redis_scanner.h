// The plug-in scan cache in Redis: what a scan found, stored so that other processes can use it
// without scanning again.
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"
#include "korvane/redis/redis_client.h"
#include "korvane/scan/scan_results.h"
#include "korvane/scan/scan_view_spec.h"

#include <map>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3::Redis {

inline constexpr const char* kScanFoldersTableKey = "kv:scan:folders_table";
inline constexpr const char* kScanResultsKey = "kv:scan:results";
inline constexpr const char* kScanComponentTableKey = "kv:scan:component_table";
inline constexpr const char* kScanViewsKey = "kv:scan:scan_views";

// The longest folder, pattern, GUID or file path a stored scan view may hold: what a reader gets
// back whole.
inline constexpr std::size_t kScanViewMaxEntryLength = 1023;

// Keys: "kv:scan:results:<folder id>:file_<n>" (hash: "path", "reject_bits", "reject_reasons",
// "num_sub_componets"), its ":affiliations" (set) and ":component_<i>" (hash of the component
// fields). The cache is shared: nothing written here is deleted when the writer disconnects.
class KORVANE_API KCKorvanePluginRedisScanner {
public:
    explicit KCKorvanePluginRedisScanner(KCRedisClient* client);

    // Every file of `results` under folder id `folderId` ("folder_<n>" from the table).
    KTErr WriteScanToRedis(const KSC::KCPluginDiskScannerResults& results, const char* folderId);
    void WriteScannedFile(const KSC::KCScannedFile& file, const char* folderId, int fileIndex);
    void WriteComponentInfo(const char* key, const KorvaneComponentInfo& info);
    // The folder's id, "folder_<n>", added to the folders table when new.
    std::string AddAdditionalFolderToFolderTable(const char* path);
    // "<type>:<subtype>" -> "version" and "version_external" of every component.
    void WriteComponentCrossVersionTable(const KSC::KCPluginDiskScannerResults& results);
    // Rebuilds the files of every folder in the table; `folders` gets id -> path.
    KTErr GetScanFromRedis(KSC::KCPluginDiskScannerResults& results,
                           std::map<std::string, std::string>& folders);
    // Keeps only the files under `folder` (a path prefix by whole components).
    static void FilterScanResultsByFolder(KSC::KCPluginDiskScannerResults& results,
                                          const char* folder);
    // Stores `view` under `name` (not empty), replacing a view of that name, in one transaction:
    // the set kScanViewsKey lists the names; "kv:scan:scan_views:<name>" followed by ":folders",
    // ":include_filters", ":exclude_filter", ":include_guid_filters" and ":exclude_guid_filter"
    // are lists in the view's order (absent when empty), ":scanview_file_path" a string (always
    // written). An entry too long to read back whole is refused (eFMWrongParameters).
    KTErr WriteScanViewToRedis(const char* name, const KSC::KCScanViewSpec& view);
    // The view stored under `name`, replacing `view` only on success: eValueNotFound when no view
    // has that name, eInvalidFileFormatProblem when its keys are not of the layout above.
    KTErr GetScanViewFromRedis(const char* name, KSC::KCScanViewSpec& view);
    // The names of the stored views, sorted.
    KTErr GetScanViewsListFromRedis(std::vector<std::string>& names);
    // The key of one part of a stored view, e.g. ScanViewKey("x", ":folders").
    static std::string ScanViewKey(const std::string& name, const char* suffix);

    // Backslashes the glob characters of `text` (* ? [ ] \) for a Redis pattern.
    static std::string EscapeGlob(const std::string& text);

private:
    KTErr ReadFolder(const std::string& folderId, KSC::KCPluginDiskScannerResults& results);
    KCRedisClient* m_client;
};

}  // namespace kvKorvaneV10_0_3::Redis
