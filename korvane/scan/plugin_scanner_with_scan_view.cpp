// The scanner with a scan view, its GUI variant and the choice between the two.
#include "korvane/scan/plugin_scanner_with_scan_view.h"

#include "korvane/core/four_cc.h"
#include "korvane/core/mem_obj.h"
#include "korvane/fm/special_folders.h"
#include "korvane/rm/res_key.h"
#include "korvane/rm/resource_manager.h"
#include "korvane/xml/tree_builder.h"

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <string>
#include <utility>

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

constexpr unsigned int kPathRejectBits[] = {kScanViewIncludeRejectBit, kScanViewExcludeRejectBit};

}  // namespace

// ---------------------------------------------------------------------------------------------
// KCPluginScannerWithScanView

KCPluginScannerWithScanView::KCPluginScannerWithScanView(KTResContainerType* shellContainer,
                                                         KCPluginFolderScanner& scanner,
                                                         short privateScanViewResID)
    : m_shell(shellContainer), m_scanner(scanner), m_privateScanViewResID(privateScanViewResID) {
    m_filter.SetPrivateScanViewResID(privateScanViewResID);
}

KCPluginScannerWithScanView::~KCPluginScannerWithScanView() = default;

void KCPluginScannerWithScanView::SetPluginScanFilter(const KCScanFilter& filter) {
    m_filter = filter;
    m_filter.SetPrivateScanViewResID(m_privateScanViewResID);
}

void KCPluginScannerWithScanView::SetScanViewSpec(const KCScanViewSpec& view) {
    m_view = view;
    m_viewWasSet = true;
}

void KCPluginScannerWithScanView::SetSubComponentWasRegisteredFunc(
    void* context, KTSubComponentWasRegisteredFunc func) {
    m_callbackContext = context;
    m_callback = func;
}

KSScanViewFileNames KCPluginScannerWithScanView::FileNames() const {
    KSScanViewFileNames names;
    FM::KCStPath container;
    if (m_shell != nullptr && RM::GetContainerPath(m_shell, container) == eNoErr) {
        names.containerLeaf = container.GetLeaf();
    }
    names.fileTag = m_scanner.GetScanViewFileTag().c_str();
    names.indicator = m_filter.GetPluginFolderIndicator().c_str();
    names.branch = m_filter.GetBranchName().c_str();
    return names;
}

int KCPluginScannerWithScanView::GetPathToMajorVersionScanViewFile(FM::KCStPath& out,
                                                                   const char* indicator) {
    return KSC::GetPathToMajorVersionScanViewFile(out, indicator);
}

int KCPluginScannerWithScanView::GetPathToSpecificScanViewFile(FM::KCStPath& out) {
    const KSScanViewFileNames names = FileNames();
    return KSC::GetPathToSpecificScanViewFile(names.containerLeaf.c_str(), names.fileTag.c_str(),
                                              out);
}

int KCPluginScannerWithScanView::GetPathToBranchScanViewFile(const char* indicator,
                                                             FM::KCStPath& out) {
    return KSC::GetPathToBranchScanViewFile(m_filter.GetBranchName().c_str(), indicator, out);
}

int KCPluginScannerWithScanView::FindAndReadScanViewFromFile() {
    KTScanViewResourceReader resource;
    if (m_shell != nullptr) {
        resource = ScanViewResourceReader(m_shell, m_privateScanViewResID);
    }
    const KTScanViewTrace trace = [](const std::string& line) { Trace(2, line); };
    return KSC::FindAndReadScanViewFromFile(FileNames(), m_view, resource, trace, &m_source);
}

int KCPluginScannerWithScanView::FindAndReadScanView() {
    if (m_viewWasSet) {
        return eNoErr;
    }
    return FindAndReadScanViewFromFile();
}

int KCPluginScannerWithScanView::ResolveFolder(const char* entry, FM::KCStPath& out) {
    if (entry == nullptr || *entry == '\0') {
        return eFMWrongParameters;
    }
    FM::KCStPath found;
    if (FM::IsValidIndicator(entry)) {
        if (const KTErr err = FM::GetPathFromIndicator(entry, found); err != eNoErr) {
            return err;
        }
    } else if (const FM::KCStPath absolute(entry); *entry == '/' && absolute.IsFolder()) {
        Trace(2, entry, " is an absolute path to an existing folder");
        found = absolute;
    } else {
        // Relative to the folder holding the shell, so that a shell carries its scan view
        // along with the plug-ins installed beside it.
        FM::KCStPath container;
        if (m_shell == nullptr || RM::GetContainerPath(m_shell, container) != eNoErr) {
            return eFMWrongParameters;
        }
        const std::filesystem::path relative =
            (std::filesystem::path(container.GetPathString().c_str()) / ".." / entry)
                .lexically_normal();
        Trace(2, "'", entry, "' relative to res container path");
        found = FM::KCStPath(relative.string().c_str());
    }
    if (!found.IsFolder()) {
        Trace(2, Text(found.GetPathString()), " is not a folder");
        return eFMIsNotAFolder;
    }
    out = found;
    return eNoErr;
}

int KCPluginScannerWithScanView::FilterFoldersBeforeScan() {
    m_folders.clear();
    for (const auto& entry : m_view.GetFolders()) {
        FM::KCStPath folder;
        int err = eNoErr;
        if (m_ignoreFolderFiltering) {
            folder = FM::KCStPath(entry.c_str());
            err = folder.IsFolder() ? eNoErr : eFMIsNotAFolder;
        } else {
            err = ResolveFolder(entry.c_str(), folder);
        }
        if (err != eNoErr) {
            Trace(1, "Unresolved ", entry);
            continue;
        }
        Trace(1, "Resolved ", entry, " to ", Text(folder.GetPathString()));
        // Two entries naming one folder would list its plug-ins twice.
        if (std::find(m_folders.begin(), m_folders.end(), folder) == m_folders.end()) {
            m_folders.push_back(folder);
        }
    }
    return eNoErr;
}

int KCPluginScannerWithScanView::ScanForComponentsWithFolderScanner(
    KCPluginDiskScannerResults& results) {
    // A scan view that cannot be found is an empty one.
    static_cast<void>(FindAndReadScanView());
    if (const int err = FilterFoldersBeforeScan(); err != eNoErr) {
        return err;
    }
    std::vector<FM::KCStPath> folders = m_folders;
    const bool ownFolder =
        m_scanner.GetPluginFolderPath().IsValid() || !m_filter.GetPluginFolderIndicator().empty();
    if (folders.empty() && m_view.GetFolders().empty() && ownFolder) {
        // No scan view folder: the folder scanner's own folder (the one set, else the
        // filter's indicator) is scanned.
        folders.push_back(m_scanner.GetPluginFolderPath());
    }
    int firstErr = eNoErr;
    for (const auto& folder : folders) {
        m_scanner.SetPluginScanFilterForFolder(m_filter);
        m_scanner.SetPluginFolderPath(folder);
        Trace(1, " Scanning folder ", Text(folder.GetPathString()));
        const std::size_t first = results.GetFiles().size();
        int err = m_scanner.BeforeScan();
        if (err == eNoErr) {
            err = m_scanner.ScanFolderForComponents(results);
        }
        if (const int after = m_scanner.AfterScan(); err == eNoErr) {
            err = after;
        }
        if (err == eNoErr) {
            // The folder's own scan view applies to its plug-ins only.
            FilterScanResults(m_scanner.GetScanViewSpecForFolder(), results, first);
        } else if (firstErr == eNoErr) {
            firstErr = err;
        }
    }
    return firstErr;
}

int KCPluginScannerWithScanView::ScanForComponentsWithFulcrixScanner(
    KCPluginDiskScannerResults& results) {
    static_cast<void>(FindAndReadScanView());
    if (const int err = FilterFoldersBeforeScan(); err != eNoErr) {
        return err;
    }
    std::vector<FM::KCStPath> folders = m_folders;
    return m_scanner.GetScanFromFulcrix(results, folders);
}

int KCPluginScannerWithScanView::ScanForComponents(KCPluginDiskScannerResults& results) {
    if (m_scanner.SupportsFulcrixScan()) {
        KCPluginDiskScannerResults fromService;
        if (ScanForComponentsWithFulcrixScanner(fromService) == eNoErr) {
            for (auto& file : fromService.GetFiles()) {
                results.AddFile(std::move(file));
            }
            static_cast<void>(FilterScanResults(results));
            return NotifyHostThatComponentsWereAdded(results);
        }
        Trace(1, "Scan from the local service failed, scanning the folders");
    }
    if (const int err = ScanForComponentsWithFolderScanner(results); err != eNoErr) {
        return err;
    }
    if (const int err = FilterScanResults(results); err != eNoErr) {
        return err;
    }
    return NotifyHostThatComponentsWereAdded(results);
}

int KCPluginScannerWithScanView::ScanForComponents(KCKorvaneComponentInfoList& components) {
    KCPluginDiskScannerResults results;
    if (const int err = ScanForComponents(results); err != eNoErr) {
        return err;
    }
    results.GetComponentInfoList(components);
    return eNoErr;
}

int KCPluginScannerWithScanView::GetScannerPrefs(KTResContainerType* container) {
    if (const KTErr err = m_filter.ReadFromResource(container, kScannerPrefsResID); err != eNoErr) {
        return err;
    }
    m_filter.SetPrivateScanViewResID(m_privateScanViewResID);
    Utils::KCStMemObj bytes;
    if (const KTErr err = RM::GetRawResourceData(
            container, RM::KCResKey("ScanFilter", kScannerPrefsResID), bytes);
        err != eNoErr) {
        return err;
    }
    XML::CXMLElement root;
    XML::CXMLTreeBuilder builder(root);
    if (const int err = builder.BuildFromSingleBuffer(static_cast<const char*>(bytes.ptr),
                                                      static_cast<unsigned int>(bytes.size));
        err != eNoErr) {
        return err;
    }
    const XML::CMapNames names(&root, 1);
    return GetScannerPrefsSelf(names, &root);
}

int KCPluginScannerWithScanView::GetScannerPrefsSelf(const XML::CMapNames& /*names*/,
                                                     const XML::CXMLElement* /*root*/) {
    return eNoErr;
}

int KCPluginScannerWithScanView::FilterScanResultsByAffiliation(
    KCPluginDiskScannerResults& results) {
    const auto& accepted = m_filter.GetAffiliationVector();
    if (accepted.empty()) {
        return 0;
    }
    std::string names;
    for (const KCFourCC code : accepted) {
        names += (names.empty() ? "" : " or ") + FormatFourCC(code);
    }
    int dropped = 0;
    for (auto& file : results.GetFiles()) {
        auto& list = file.m_components;
        for (int i = list.GetNumComponents() - 1; i >= 0; --i) {
            const KorvaneComponentInfo& c = *list.GetKorvaneComponentInfo(i);
            if (!m_filter.IsAffiliated({c.componentAffiliation})) {
                Trace(2, Text(c.shortName), " dropped: affiliation ",
                      FormatFourCC(c.componentAffiliation), " is not ", names);
                static_cast<void>(list.RemoveKorvaneComponentInfo(i));
                ++dropped;
                if (list.GetNumComponents() == 0) {
                    file.m_rejectBits.Set(eScanNotAffiliated);
                }
            }
        }
    }
    return dropped;
}

int KCPluginScannerWithScanView::NotifyHostThatComponentsWereAdded(
    KCPluginDiskScannerResults& results) {
    if (m_callback == nullptr) {
        return eNoErr;
    }
    for (auto& file : results.GetFiles()) {
        for (auto& component : file.m_components) {
            m_callback(m_callbackContext, component, m_shell);
        }
    }
    return eNoErr;
}

void KCPluginScannerWithScanView::FilterScanResults(const KCScanViewSpec& view,
                                                    KCPluginDiskScannerResults& results,
                                                    std::size_t firstFile) {
    auto& files = results.GetFiles();
    for (std::size_t f = firstFile; f < files.size(); ++f) {
        KCScannedFile& file = files[f];
        const std::uint32_t pathBits = view.GetPathRejectBits(file.m_path.GetPathString());
        if (pathBits != 0) {
            for (const unsigned int bit : kPathRejectBits) {
                if ((pathBits & (1U << bit)) != 0) {
                    file.m_rejectBits.Set(bit);
                }
            }
            if (file.GetNumComponents() > 0) {
                Trace(2, Text(file.m_path.GetPathString()), " dropped by the scan view");
            }
            file.m_components.Clear();
            continue;
        }
        auto& list = file.m_components;
        for (int i = list.GetNumComponents() - 1; i >= 0; --i) {
            const KorvaneComponentInfo& c = *list.GetKorvaneComponentInfo(i);
            if (view.ShouldGUIDBeExcluded(c.componentGUID)) {
                Trace(2, Text(c.componentGUID), " dropped by the scan view");
                file.m_rejectBits.Set(kScanViewExcludeGUIDRejectBit);
                static_cast<void>(list.RemoveKorvaneComponentInfo(i));
            }
        }
    }
}

int KCPluginScannerWithScanView::FilterScanResults(KCPluginDiskScannerResults& results) const {
    FilterScanResults(m_view, results);
    return eNoErr;
}

// ---------------------------------------------------------------------------------------------
// The GUI scanner

KCPluginScannerGUI::~KCPluginScannerGUI() = default;

int KCPluginScannerGUI::GetPathToPluginFolderFromUser(FM::KCStPath& /*out*/) {
    return eUserCanceled;
}

int KCPluginScannerGUI::GetPrefs(const XML::CMapNames& names, const XML::CXMLElement* /*root*/) {
    const std::pair<const char*, KCFixedString<255>*> texts[] = {
        {"FolderSelectionDialogTitle", &m_folderTitle},
        {"FolderSelectionDialogMessage", &m_folderMessage},
        {"PreferencesDialogTitle", &m_prefsTitle},
    };
    for (const auto& [name, out] : texts) {
        std::string text;
        if (names.GetElementText(name, text) == eNoErr) {
            *out = text.c_str();
        }
    }
    return eNoErr;
}

KCKorvanePluginScannerWithGUI::KCKorvanePluginScannerWithGUI(KTResContainerType* shellContainer,
                                                             KCPluginFolderScanner& scanner,
                                                             short privateScanViewResID)
    : KCPluginScannerWithScanView(shellContainer, scanner, privateScanViewResID),
      m_gui(std::make_unique<KCPluginScannerGUI>()) {}

KCKorvanePluginScannerWithGUI::~KCKorvanePluginScannerWithGUI() = default;

void KCKorvanePluginScannerWithGUI::SetGUI(std::unique_ptr<KCPluginScannerGUI> gui) {
    if (gui != nullptr) {
        m_gui = std::move(gui);
    }
}

int KCKorvanePluginScannerWithGUI::GetScannerPrefsSelf(const XML::CMapNames& names,
                                                       const XML::CXMLElement* root) {
    return m_gui->GetPrefs(names, root);
}

int KCKorvanePluginScannerWithGUI::ScanFolderFromUser(KCPluginDiskScannerResults& results) {
    FM::KCStPath folder;
    if (const int err = m_gui->GetPathToPluginFolderFromUser(folder); err != eNoErr) {
        return err;
    }
    Trace(1, "User choosen plugin folder:", Text(folder.GetPathString()));
    // The chosen folder becomes the shell's own scan view, so that the next scan finds it
    // without asking; the filters of the scan view held so far stay.
    KCScanViewSpec view = m_view;
    KCScanViewSpec chosen;
    chosen.AddFolder(folder.GetPathString().c_str());
    for (const auto& p : view.GetIncludeOnly()) {
        chosen.AddIncludeOnly(p);
    }
    for (const auto& p : view.GetExclude()) {
        chosen.AddExclude(p);
    }
    for (const auto& g : view.GetIncludeGUIDs()) {
        chosen.AddIncludeGUID(g);
    }
    for (const auto& g : view.GetExcludeGUIDs()) {
        chosen.AddExcludeGUID(g);
    }
    FM::KCStPath specific;
    if (GetPathToSpecificScanViewFile(specific) == eNoErr) {
        Trace(2, "Writing the chosen folder to the specific ScanView file");
        if (const KTErr err = chosen.WriteScanViewSpecToFile(specific); err != eNoErr) {
            Trace(1, "Specific ScanView file could not be written, error = ", err);
        }
    }
    results.Clear();
    SetScanViewSpec(chosen);
    return KCPluginScannerWithScanView::ScanForComponents(results);
}

int KCKorvanePluginScannerWithGUI::ScanForComponents(KCPluginDiskScannerResults& results) {
    if (m_forceGUI) {
        Trace(1, "m_force_gui is true, directly goto GetPathToPluginFolderFromUser");
        return ScanFolderFromUser(results);
    }
    const int err = KCPluginScannerWithScanView::ScanForComponents(results);
    if (m_folders.empty() && m_filter.ShouldDisplayPluginsLocateDialog()) {
        return ScanFolderFromUser(results);
    }
    return err;
}

// ---------------------------------------------------------------------------------------------
// KCScannerWithOrWithoutGUI

KCScannerWithOrWithoutGUI::KCScannerWithOrWithoutGUI(KTResContainerType* shellContainer,
                                                     KCPluginFolderScanner& scanner,
                                                     short privateScanViewResID) {
    const FM::KCStPath prefs(FM::eUserDomain, FM::eKorvanePreferencesFolder);
    m_usesGUI = prefs.IsValid() && FM::KCStPath(prefs, kForceUseGUIScannerFileName).IsFile();
    if (m_usesGUI) {
        m_scanner = std::make_unique<KCKorvanePluginScannerWithGUI>(shellContainer, scanner,
                                                                    privateScanViewResID);
    } else {
        m_scanner = std::make_unique<KCPluginScannerWithScanView>(shellContainer, scanner,
                                                                  privateScanViewResID);
    }
}

KCScannerWithOrWithoutGUI::~KCScannerWithOrWithoutGUI() = default;

}  // namespace kvKorvaneV10_0_3::KSC
