// KSC::KCScannedFile and KSC::KCPluginDiskScannerResults: what a scan found in each candidate
// plug-in file, and the report written from it.
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"
#include "korvane/fm/path.h"
#include "korvane/scan/component_info.h"
#include "korvane/scan/component_info_list.h"
#include "korvane/scan/scan_types.h"

#include <utility>
#include <vector>

namespace kvKorvaneV10_0_3::KSC {

// The report file's name, in the logs folder of the running application.
inline constexpr const char* kLastScanResultsFileName = "LastScanResults.xml";

// One candidate plug-in file. [any-thread] on distinct objects.
class KORVANE_API KCScannedFile {
public:
    KCScannedFile() = default;
    explicit KCScannedFile(FM::KCStPath path) : m_path(std::move(path)) {}

    void Clear();
    [[nodiscard]] int GetNumComponents() const { return m_components.GetNumComponents(); }

    FM::KCStPath m_path;
    KTRejectBits m_rejectBits;
    KCKorvaneComponentInfoList m_components;  // the accepted components
    std::vector<KCFourCC> m_affiliations;
    KorvaneComponentInfo m_bundleInfo;  // what the file says about itself
};

// [any-thread] on distinct objects.
class KORVANE_API KCPluginDiskScannerResults {
public:
    void Clear() { m_files.clear(); }
    [[nodiscard]] int GetNumComponents() const;
    // Files with at least one accepted component.
    [[nodiscard]] int GetNumUsedFiles() const;
    // Files without any.
    [[nodiscard]] int GetNumRejectedFiles() const;
    // Appends every accepted component, file by file.
    void GetComponentInfoList(KCKorvaneComponentInfoList& out) const;
    // Removes the files carrying any of the bits; returns how many.
    int FilterOut(const KTRejectBits& bits);
    // The marketing version of file `index` ("" out of range).
    [[nodiscard]] KCFixedString<63> GetPluginsVersion(int index) const;

    // One "RejectedPlugin" child per file without components: "Path", "Reasons" (the reject
    // texts) and "RejectBits" (the word in decimal).
    void RejectedPluginListToXML(XML::CXMLElement* element) const;
    // Adds "When" (local date and time), one "KorvaneComponentInfo" per accepted component and
    // "Rejects" (RejectedPluginListToXML).
    void ReportScanResultsToXML(XML::CXMLElement* element) const;
    // Writes a "LastScanResults" document as ReportScanResultsToXML to `file`, replacing it
    // atomically: a reader sees the old report or the new one, never a part.
    [[nodiscard]] KTErr WriteScanResultsReport(const FM::KCStPath& file) const;
    // The same to <desktop>/Logs/<application>/LastScanResults.xml.
    [[nodiscard]] KTErr ReportScanResultsToLogs() const;
    // Where ReportScanResultsToLogs writes.
    [[nodiscard]] static KTErr GetScanResultsReportPath(FM::KCStPath& out);

    std::vector<KCScannedFile>& GetFiles() { return m_files; }
    [[nodiscard]] const std::vector<KCScannedFile>& GetFiles() const { return m_files; }
    void AddFile(const KCScannedFile& file) { m_files.push_back(file); }
    void AddFile(KCScannedFile&& file) { m_files.push_back(std::move(file)); }

private:
    std::vector<KCScannedFile> m_files;
};

}  // namespace kvKorvaneV10_0_3::KSC
