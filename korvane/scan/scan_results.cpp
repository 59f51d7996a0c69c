// Scan results, their counts and the report file.
#include "korvane/scan/scan_results.h"

#include "korvane/core/platform/local_time.h"
#include "korvane/fm/file_io.h"
#include "korvane/scan/platform/running_app.h"
#include "korvane/xml/xml_element.h"
#include "korvane/xml/xml_writer.h"

#include <algorithm>
#include <charconv>
#include <ctime>
#include <string>

namespace kvKorvaneV10_0_3::KSC {
namespace {

void AppendNumber(std::string& out, unsigned int value, int width) {
    char buffer[16];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    for (auto n = static_cast<int>(end - buffer); n < width; ++n) {
        out += '0';
    }
    out.append(buffer, end);
}

// "YYYY-MM-DD HH:MM:SS" in local time.
std::string Now() {
    std::tm tm{};
    if (!kvKorvaneV10_0_3::platform::LocalTime(std::time(nullptr), tm)) {
        return {};
    }
    std::string text;
    AppendNumber(text, static_cast<unsigned int>(tm.tm_year + 1900), 4);
    text += '-';
    AppendNumber(text, static_cast<unsigned int>(tm.tm_mon + 1), 2);
    text += '-';
    AppendNumber(text, static_cast<unsigned int>(tm.tm_mday), 2);
    text += ' ';
    AppendNumber(text, static_cast<unsigned int>(tm.tm_hour), 2);
    text += ':';
    AppendNumber(text, static_cast<unsigned int>(tm.tm_min), 2);
    text += ':';
    AppendNumber(text, static_cast<unsigned int>(tm.tm_sec), 2);
    return text;
}

}  // namespace

void KCScannedFile::Clear() {
    m_path.Clear();
    m_rejectBits.ClearAll();
    m_components.Clear();
    m_affiliations.clear();
    m_bundleInfo = KorvaneComponentInfo();
}

int KCPluginDiskScannerResults::GetNumComponents() const {
    int n = 0;
    for (const auto& file : m_files) {
        n += file.GetNumComponents();
    }
    return n;
}

int KCPluginDiskScannerResults::GetNumUsedFiles() const {
    return static_cast<int>(std::count_if(m_files.begin(), m_files.end(),
                                          [](const auto& f) { return f.GetNumComponents() > 0; }));
}

int KCPluginDiskScannerResults::GetNumRejectedFiles() const {
    return static_cast<int>(m_files.size()) - GetNumUsedFiles();
}

void KCPluginDiskScannerResults::GetComponentInfoList(KCKorvaneComponentInfoList& out) const {
    for (const auto& file : m_files) {
        out.Add(file.m_components);
    }
}

int KCPluginDiskScannerResults::FilterOut(const KTRejectBits& bits) {
    return static_cast<int>(std::erase_if(m_files, [&bits](const KCScannedFile& f) {
        return (f.m_rejectBits.Word() & bits.Word()) != 0;
    }));
}

KCFixedString<63> KCPluginDiskScannerResults::GetPluginsVersion(int index) const {
    if (index < 0 || index >= static_cast<int>(m_files.size())) {
        return {};
    }
    return m_files[static_cast<std::size_t>(index)].m_bundleInfo.pluginExternalVersion;
}

void KCPluginDiskScannerResults::RejectedPluginListToXML(XML::CXMLElement* element) const {
    if (element == nullptr) {
        return;
    }
    KCFixedString<255> reasons;
    for (const auto& file : m_files) {
        if (file.GetNumComponents() > 0) {
            continue;
        }
        XML::CXMLElement* rejected = element->AddSubElement("RejectedPlugin");
        rejected->AddSubElement("Path", file.m_path.GetPathString().c_str());
        ScanRejectReasonsToText(file.m_rejectBits, reasons);
        rejected->AddSubElement("Reasons", reasons.c_str());
        char word[16];
        const auto [end, ec] = std::to_chars(word, word + sizeof word, file.m_rejectBits.Word());
        rejected->AddSubElement("RejectBits",
                                std::string_view(word, static_cast<std::size_t>(end - word)));
    }
}

void KCPluginDiskScannerResults::ReportScanResultsToXML(XML::CXMLElement* element) const {
    if (element == nullptr) {
        return;
    }
    element->AddSubElement("When", Now());
    KCKorvaneComponentInfoList accepted;
    GetComponentInfoList(accepted);
    accepted.WriteToXML(element);
    RejectedPluginListToXML(element->AddSubElement("Rejects"));
}

KTErr KCPluginDiskScannerResults::WriteScanResultsReport(const FM::KCStPath& file) const {
    if (!file.IsValid()) {
        return file.GetError();
    }
    XML::CXMLElement report("LastScanResults", "");
    ReportScanResultsToXML(&report);
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    XML::AppendXML(text, report, false, true, 0);
    return FM::WriteFileAtomically(file.GetPathRef(), text.data(), text.size());
}

KTErr KCPluginDiskScannerResults::GetScanResultsReportPath(FM::KCStPath& out) {
    FM::KCStPath path(FM::eUserDomain, FM::eDesktopFolder);
    if (!path.IsValid()) {
        return path.GetError();
    }
    const std::string relative =
        "Logs/" + platform::RunningApplicationBaseName() + "/" + kLastScanResultsFileName;
    if (const KTErr err = path.Append(relative.c_str()); err != eNoErr) {
        return err;
    }
    out = path;
    return eNoErr;
}

KTErr KCPluginDiskScannerResults::ReportScanResultsToLogs() const {
    FM::KCStPath file;
    if (const KTErr err = GetScanResultsReportPath(file); err != eNoErr) {
        return err;
    }
    return WriteScanResultsReport(file);
}

}  // namespace kvKorvaneV10_0_3::KSC
