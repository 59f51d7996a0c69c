// The scan cache: the result of each scanned candidate kept with the status (identity, size,
// times) of every file and folder it was made from, so that a candidate where none of them
// changed is not scanned again. Internal; the scanner's interface is in folder_scanner.h.
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"
#include "korvane/fm/path.h"
#include "korvane/rm/res_key.h"
#include "korvane/rm/res_types.h"
#include "korvane/scan/platform/file_stamp.h"
#include "korvane/scan/scan_results.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kvKorvaneV10_0_3::KSC {

// The file beside the scan report.
inline constexpr const char* kScanCacheFileName = "ScanCache.txt";
// Folder and filter pairs one file keeps; the one written longest ago goes first.
inline constexpr std::size_t kScanCacheMaxGroups = 16;
// A larger file is not read (2,000 bundles take about 2.6 MB).
inline constexpr std::uint64_t kScanCacheMaxFileSize = 64ULL * 1024 * 1024;
// A file of more records (lines) than this is not read, and one with more component
// descriptions (a plug-in's own and its components') is refused: a file of tiny records within
// the size limit would otherwise build objects many times its size. About 15 records and 2
// descriptions per one-component bundle are written.
inline constexpr std::size_t kScanCacheMaxRecords = 2'000'000;
inline constexpr std::size_t kScanCacheMaxComponents = 100'000;

// A path below a candidate ("" for the candidate itself). Candidates mostly stamp the same
// few paths in the same order, so the text is shared: a cache read from a file keeps a path
// once for a run of entries that stamp it at the same place.
class KORVANE_API KCScanCacheRelative {
public:
    KCScanCacheRelative() = default;
    KCScanCacheRelative(std::string text)  // NOLINT(google-explicit-constructor)
        : m_text(std::make_shared<const std::string>(std::move(text))) {}
    KCScanCacheRelative(const char* text)  // NOLINT(google-explicit-constructor)
        : KCScanCacheRelative(std::string(text)) {}
    explicit KCScanCacheRelative(std::shared_ptr<const std::string> shared)
        : m_text(std::move(shared)) {}

    [[nodiscard]] const std::string& str() const { return m_text ? *m_text : Empty(); }
    operator const std::string&() const { return str(); }  // NOLINT(google-explicit-constructor)
    bool operator==(const KCScanCacheRelative& other) const { return str() == other.str(); }

private:
    static const std::string& Empty();

    std::shared_ptr<const std::string> m_text;
};

// A path below a candidate and its status when the result was made.
struct KSScanCacheStamp {
    KCScanCacheRelative relative;
    platform::KSFileStatus status;

    bool operator==(const KSScanCacheStamp& other) const = default;
};

struct KSScanCacheEntry {
    std::vector<KSScanCacheStamp> stamps;
    // The feature flags the scan asked about, with their answers.
    std::vector<std::pair<std::string, bool>> flags;
    // Read from a file its path is left empty: the candidate's path is the entry's key.
    KCScannedFile file;
};

// The cached candidates of one folder scanned under one context (scanner and filter).
struct KSScanCacheGroup {
    std::string folder;
    std::string context;
    std::map<std::string, std::shared_ptr<const KSScanCacheEntry>> entries;  // by candidate path
};

// Most recently scanned first.
using KTScanCacheGroups = std::vector<std::shared_ptr<const KSScanCacheGroup>>;

// The file's text, and back. Reading accepts only a whole cache of this version: anything else
// gives false and leaves `out` empty. The form is described in docs/scanning.md.
KORVANE_API std::string WriteScanCacheText(const KTScanCacheGroups& groups);
KORVANE_API bool ReadScanCacheText(const char* data, std::size_t size, KTScanCacheGroups& out);
// The checksum the file's last line carries, of all the text before that line.
KORVANE_API std::uint64_t ScanCacheChecksum(std::string_view text);

// The statuses a candidate's result depends on: its "Contents" (the candidate itself when it
// has none: anything that replaces the candidate brings another "Contents"),
// "Contents/Resources", every file directly in those two (the configuration, type archives),
// for each resource type in `types` its folder, every file in it and the file each of its
// resources is redirected to, and for each resource in `keys` (asked for by name only) its
// loose file, there or not, when its type folder exists, and the file it is redirected to;
// "Contents/Linux64" with `platformFolder`. An item added or removed changes the status of the
// folder holding it. `container` is the candidate opened, or null (then the types of `keys`
// are watched as those of `types`).
void CollectScanCacheStamps(const FM::KCStPath& candidate, KTResContainerType* container,
                            const std::vector<const char*>& types,
                            const std::vector<RM::KCResKey>& keys, bool platformFolder,
                            std::vector<KSScanCacheStamp>& out);
// Whether every stamp still holds; `folders` keeps the candidate's folder open for the next.
bool ScanCacheStampsHold(const std::string& candidate, const std::vector<KSScanCacheStamp>& stamps,
                         platform::KCStatusesInFolder& folders);

// One folder scan's use of a cache file: the entries read at the start, those found valid or
// made afresh, and the file rewritten at the end when they differ.
class KORVANE_API KCScanCacheSession {
public:
    KCScanCacheSession(FM::KCStPath file, std::string folder, std::string context);

    // The cached result of a candidate whose stamps and flags still hold, else null.
    const KCScannedFile* Find(const std::string& candidate,
                              const std::function<bool(const char*)>& flagOn);
    // Keeps a fresh result, unless something it depends on changed less than `settle`
    // nanoseconds ago or it would not read back the same.
    void Store(const std::string& candidate, KSScanCacheEntry entry, std::int64_t settle);
    // Writes the file (atomically) when this folder's entries changed.
    KTErr Finish();

private:
    FM::KCStPath m_file;
    KTScanCacheGroups m_loaded;
    std::shared_ptr<const KSScanCacheGroup> m_previous;
    KSScanCacheGroup m_current;
    bool m_changed = false;
    platform::KCStatusesInFolder m_folders;
};

}  // namespace kvKorvaneV10_0_3::KSC
