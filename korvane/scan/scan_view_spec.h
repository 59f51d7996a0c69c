// KSC::KCScanViewSpec: which folders a host shell scans for plug-ins and which of the plug-ins
// found it keeps, read from and written to its YAML form (see docs/scan_views.md).
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"
#include "korvane/fm/path.h"
#include "korvane/rm/res_container_type.h"

#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace kvKorvaneV10_0_3::KSC {

// Reject bits a scan view sets on scanned files and components that it filters out.
inline constexpr unsigned int kScanViewIncludeRejectBit = 18;      // "ScanView include filter"
inline constexpr unsigned int kScanViewExcludeRejectBit = 19;      // "ScanView exclude filter"
inline constexpr unsigned int kScanViewExcludeGUIDRejectBit = 20;  // "ScanView exclude_guid filter"

// Scan view files are a few lines long; anything larger is refused unread.
inline constexpr std::uint64_t kScanViewMaxFileSize = 1024 * 1024;

// The YAML form: one or more documents, each a map with the optional keys "folders",
// "include_only", "exclude", "include_guid" and "exclude_guid", each a sequence of strings.
// Documents add to the lists in order. Path patterns match as substrings of the path after
// both are normalised ('\' becomes '/', ASCII letters lower case); there are no wildcards.
// [any-thread] on distinct objects.
class KORVANE_API KCScanViewSpec {
public:
    using KTStrings = std::vector<std::string>;

    // Each reader replaces the whole scan view on success and leaves it untouched on failure.
    // Malformed YAML or another shape than the one above: eInvalidFileFormatProblem. The file
    // reader also records the file's path; the other readers clear it.
    [[nodiscard]] KTErr ReadScanViewSpecFromFile(const FM::KCStPath& path);
    [[nodiscard]] KTErr ReadScanViewSpecFromIstream(std::istream& in);
    [[nodiscard]] KTErr ReadScanViewSpecFromString(const std::string& text);
    // The resource (type, id) of the container; the resource manager's code when it is missing.
    [[nodiscard]] KTErr ReadScanViewSpecFromResource(KTResContainerType* container,
                                                     const KCFixedString<31>& type, short id);

    // The YAML text of the scan view: one document with the non-empty lists in the order above.
    [[nodiscard]] KTErr WriteScanViewSpecToString(std::string& out) const;
    // Writes the scan view to the file it was read from (eFMIllegalPathRef when there is none), or
    // to `path`, which then becomes the scan view's file. The file is replaced atomically (its
    // folder is created when missing).
    [[nodiscard]] KTErr WriteScanViewSpecToFile();
    [[nodiscard]] KTErr WriteScanViewSpecToFile(const FM::KCStPath& path);

    // True when the include-only list is empty or one of its patterns occurs in the path; the
    // pattern that matched (as written) goes to matchedPattern, which is emptied otherwise.
    [[nodiscard]] bool ShouldPathBeIncluded(const KCFixedString<1023>& path,
                                            KCFixedStringBase& matchedPattern) const;
    // True when one of the exclude patterns occurs in the path (the pattern goes out as above).
    [[nodiscard]] bool ShouldPathBeExcluded(const KCFixedString<1023>& path,
                                            KCFixedStringBase& matchedPattern) const;
    // Exact, case-sensitive comparison with each non-empty exclude GUID.
    [[nodiscard]] bool ShouldGUIDBeExcluded(const KCFixedStringBase& guid) const;
    // The include GUIDs as the include-only patterns: true when there is none, or when the GUID
    // is one of them (exact, case-sensitive).
    [[nodiscard]] bool ShouldGUIDBeIncluded(const KCFixedStringBase& guid) const;
    // The reject bits (1 << kScanViewIncludeRejectBit, 1 << kScanViewExcludeRejectBit) the path
    // earns; 0 when the scan view keeps it.
    [[nodiscard]] std::uint32_t GetPathRejectBits(const KCFixedString<1023>& path) const;

    // Empties every list and forgets the file.
    void clear();
    [[nodiscard]] bool empty() const;

    [[nodiscard]] const KTStrings& GetFolders() const { return m_folders; }
    [[nodiscard]] const KTStrings& GetIncludeOnly() const { return m_includeOnly; }
    [[nodiscard]] const KTStrings& GetExclude() const { return m_exclude; }
    [[nodiscard]] const KTStrings& GetIncludeGUIDs() const { return m_includeGUIDs; }
    [[nodiscard]] const KTStrings& GetExcludeGUIDs() const { return m_excludeGUIDs; }
    [[nodiscard]] const FM::KCStPath& GetFilePath() const { return m_filePath; }

    // The file the scan view belongs to, for one not read from a file (e.g. one from a cache).
    void SetFilePath(const FM::KCStPath& path) { m_filePath = path; }
    void AddFolder(const std::string& folder) { m_folders.push_back(folder); }
    void AddIncludeOnly(const std::string& pattern) { m_includeOnly.push_back(pattern); }
    void AddExclude(const std::string& pattern) { m_exclude.push_back(pattern); }
    void AddIncludeGUID(const std::string& guid) { m_includeGUIDs.push_back(guid); }
    void AddExcludeGUID(const std::string& guid) { m_excludeGUIDs.push_back(guid); }

private:
    KTStrings m_folders;
    KTStrings m_includeOnly;
    KTStrings m_exclude;
    KTStrings m_includeGUIDs;
    KTStrings m_excludeGUIDs;
    FM::KCStPath m_filePath;
};

// A path or pattern as the matching compares it: '\' becomes '/', ASCII letters lower case.
// [any-thread]
KORVANE_API std::string NormaliseScanViewPath(std::string_view text);

}  // namespace kvKorvaneV10_0_3::KSC
