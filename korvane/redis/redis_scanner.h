// The plug-in scan cache in Redis: what a scan found, stored so that other processes can use it
// without scanning again.
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"
#include "korvane/redis/redis_client.h"
#include "korvane/scan/scan_results.h"

#include <map>
#include <string>

namespace kvKorvaneV10_0_3::Redis {

inline constexpr const char* kScanFoldersTableKey = "kv:scan:folders_table";
inline constexpr const char* kScanResultsKey = "kv:scan:results";
inline constexpr const char* kScanComponentTableKey = "kv:scan:component_table";

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
    // Backslashes the glob characters of `text` (* ? [ ] \) for a Redis pattern.
    static std::string EscapeGlob(const std::string& text);

private:
    KTErr ReadFolder(const std::string& folderId, KSC::KCPluginDiskScannerResults& results);
    KCRedisClient* m_client;
};

}  // namespace kvKorvaneV10_0_3::Redis
