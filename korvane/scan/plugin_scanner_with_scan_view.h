// KSC::KCPluginScannerWithScanView: the scan a host shell runs. It finds the shell's scan view,
// resolves its folders, runs a folder scanner over each and filters what was found;
// KCKorvanePluginScannerWithGUI adds asking the user for the plug-in folder, and
// KCScannerWithOrWithoutGUI chooses between the two (see docs/scan_views.md).
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"
#include "korvane/fm/path.h"
#include "korvane/rm/res_container_type.h"
#include "korvane/scan/component_info.h"
#include "korvane/scan/component_info_list.h"
#include "korvane/scan/folder_scanner.h"
#include "korvane/scan/scan_filter.h"
#include "korvane/scan/scan_results.h"
#include "korvane/scan/scan_view_files.h"
#include "korvane/scan/scan_view_spec.h"
#include "korvane/xml/xml_element.h"
#include "korvane/xml/xml_maps.h"

#include <cstddef>
#include <memory>
#include <vector>

namespace kvKorvaneV10_0_3::KSC {

// The shell's "ScanFilter" resource that GetScannerPrefs reads (the scan view is another id).
inline constexpr short kScannerPrefsResID = 1000;
// In the user's preferences folder, this file makes KCScannerWithOrWithoutGUI use the GUI scanner.
inline constexpr const char* kForceUseGUIScannerFileName = "ForceUseGUIScanner.txt";

// Called for every accepted component after a scan, with the shell's container.
using KTSubComponentWasRegisteredFunc = void (*)(void* context, KorvaneComponentInfo& info,
                                                 KTResContainerType* shellContainer);

// The shell's container and the folder scanner are the caller's and must outlive the object.
// One thread at a time.
class KORVANE_API KCPluginScannerWithScanView {
public:
    KCPluginScannerWithScanView(KTResContainerType* shellContainer, KCPluginFolderScanner& scanner,
                                short privateScanViewResID);
    KCPluginScannerWithScanView(const KCPluginScannerWithScanView&) = delete;
    KCPluginScannerWithScanView& operator=(const KCPluginScannerWithScanView&) = delete;
    virtual ~KCPluginScannerWithScanView();

    // The filter handed to the folder scanner for every folder; its private scan view id is
    // the one given to the constructor.
    void SetPluginScanFilter(const KCScanFilter& filter);
    [[nodiscard]] const KCScanFilter& GetPluginScanFilter() const { return m_filter; }
    // A scan view set here is used as it is: the scan does not look for one.
    void SetScanViewSpec(const KCScanViewSpec& view);
    [[nodiscard]] const KCScanViewSpec& GetScanViewSpec() const { return m_view; }
    // Scan the scan view's folders without resolving them (they must be absolute folders).
    void SetIgnoreFolderFiltering(bool on) { m_ignoreFolderFiltering = on; }
    [[nodiscard]] const std::vector<FM::KCStPath>& GetResolvedFolders() const { return m_folders; }
    void SetSubComponentWasRegisteredFunc(void* context, KTSubComponentWasRegisteredFunc func);
    // Where the last search found the scan view.
    [[nodiscard]] KEScanViewSource GetScanViewSource() const { return m_source; }

    // The scan (docs/scan_views.md): the local service's when the folder scanner offers it,
    // else the scan view's folders; then FilterScanResults and the host is notified.
    virtual int ScanForComponents(KCPluginDiskScannerResults& results);
    // The accepted components of the scan above, appended to `components`.
    virtual int ScanForComponents(KCKorvaneComponentInfoList& components);

    // Finds the scan view (unless one was set), resolves its folders and scans each into
    // `results`; the first folder scan error is returned, the other folders still scanned.
    int ScanForComponentsWithFolderScanner(KCPluginDiskScannerResults& results);
    // The local service's scan of the scan view's folders; eNotImplemented while there is no
    // client for it, and the scan then falls back to the folder scanner.
    int ScanForComponentsWithFulcrixScanner(KCPluginDiskScannerResults& results);
    // Reads the scan filter from the container's "ScanFilter" resource kScannerPrefsResID.
    int GetScannerPrefs(KTResContainerType* container);
    // Drops the components (and files) whose affiliation the filter does not accept; returns
    // how many components were dropped.
    int FilterScanResultsByAffiliation(KCPluginDiskScannerResults& results);
    // Calls the sub-component callback for every accepted component.
    int NotifyHostThatComponentsWereAdded(KCPluginDiskScannerResults& results);
    // Applies the scan view: reject bits 18 (include), 19 (exclude) and 20 (exclude_guid);
    // a file or component so rejected loses its accepted components.
    int FilterScanResults(KCPluginDiskScannerResults& results) const;
    // The same with any scan view.
    static void FilterScanResults(const KCScanViewSpec& view, KCPluginDiskScannerResults& results,
                                  std::size_t firstFile = 0);

    static int GetPathToMajorVersionScanViewFile(FM::KCStPath& out, const char* indicator);

protected:
    // The scan view the scan uses: the one set, else FindAndReadScanViewFromFile.
    int FindAndReadScanView();
    int FindAndReadScanViewFromFile();
    int GetPathToSpecificScanViewFile(FM::KCStPath& out);
    int GetPathToBranchScanViewFile(const char* indicator, FM::KCStPath& out);
    // An indicator through the locations file, an absolute existing folder as it is, else a
    // path relative to the folder holding the shell's container. eFMIsNotAFolder otherwise.
    int ResolveFolder(const char* entry, FM::KCStPath& out);
    // Resolves every folder of the scan view into GetResolvedFolders.
    int FilterFoldersBeforeScan();
    // What a derived scanner reads from the prefs resource besides the filter.
    virtual int GetScannerPrefsSelf(const XML::CMapNames& names, const XML::CXMLElement* root);
    // The names the scan view files are made of for this shell.
    [[nodiscard]] KSScanViewFileNames FileNames() const;

    KTResContainerType* m_shell;
    KCPluginFolderScanner& m_scanner;
    short m_privateScanViewResID;
    KCScanFilter m_filter;
    KCScanViewSpec m_view;
    bool m_viewWasSet = false;
    bool m_ignoreFolderFiltering = false;
    KEScanViewSource m_source = eScanViewNotFound;
    std::vector<FM::KCStPath> m_folders;
    void* m_callbackContext = nullptr;
    KTSubComponentWasRegisteredFunc m_callback = nullptr;
};

// The dialogs of the GUI scanner. This library has no GUI toolkit yet: the folder question
// answers eUserCanceled until a shell overrides it.
class KORVANE_API KCPluginScannerGUI {
public:
    virtual ~KCPluginScannerGUI();
    // The folder the user chose.
    virtual int GetPathToPluginFolderFromUser(FM::KCStPath& out);
    // The texts "FolderSelectionDialogTitle", "FolderSelectionDialogMessage" and
    // "PreferencesDialogTitle" from the prefs resource.
    int GetPrefs(const XML::CMapNames& names, const XML::CXMLElement* root);
    [[nodiscard]] const KCFixedString<255>& GetPreferencesDialogTitle() const {
        return m_prefsTitle;
    }
    [[nodiscard]] const KCFixedString<255>& GetFolderSelectionDialogTitle() const {
        return m_folderTitle;
    }
    [[nodiscard]] const KCFixedString<255>& GetFolderSelectionDialogMessage() const {
        return m_folderMessage;
    }
    // Window parenting of the dialogs; nothing to do without a GUI.
    virtual void AttachToFrontWindow() {}
    virtual void CreateTempParentWindow() {}

private:
    KCFixedString<255> m_folderTitle;
    KCFixedString<255> m_folderMessage;
    KCFixedString<255> m_prefsTitle;
};

// The scanner with a scan view that asks the user for the plug-in folder when forced to, or
// when no plug-in was found and the filter asks for the dialog.
class KORVANE_API KCKorvanePluginScannerWithGUI : public KCPluginScannerWithScanView {
public:
    KCKorvanePluginScannerWithGUI(KTResContainerType* shellContainer,
                                  KCPluginFolderScanner& scanner, short privateScanViewResID);
    ~KCKorvanePluginScannerWithGUI() override;

    int ScanForComponents(KCPluginDiskScannerResults& results) override;
    using KCPluginScannerWithScanView::ScanForComponents;

    void SetForceGUI(bool on) { m_forceGUI = on; }
    [[nodiscard]] bool GetForceGUI() const { return m_forceGUI; }
    // Replaces the dialogs (the default one answers eUserCanceled).
    void SetGUI(std::unique_ptr<KCPluginScannerGUI> gui);
    [[nodiscard]] KCPluginScannerGUI& GetGUI() { return *m_gui; }
    void AttachToFrontWindow() { m_gui->AttachToFrontWindow(); }
    void CreateTempParentWindow() { m_gui->CreateTempParentWindow(); }

protected:
    int GetScannerPrefsSelf(const XML::CMapNames& names, const XML::CXMLElement* root) override;

private:
    // Asks for the folder, scans it and keeps it as the shell's specific scan view.
    int ScanFolderFromUser(KCPluginDiskScannerResults& results);

    bool m_forceGUI = false;
    std::unique_ptr<KCPluginScannerGUI> m_gui;
};

// The GUI scanner when kForceUseGUIScannerFileName exists in the user's preferences folder,
// else the plain scanner with a scan view.
class KORVANE_API KCScannerWithOrWithoutGUI {
public:
    KCScannerWithOrWithoutGUI(KTResContainerType* shellContainer, KCPluginFolderScanner& scanner,
                              short privateScanViewResID);
    ~KCScannerWithOrWithoutGUI();
    KCScannerWithOrWithoutGUI(const KCScannerWithOrWithoutGUI&) = delete;
    KCScannerWithOrWithoutGUI& operator=(const KCScannerWithOrWithoutGUI&) = delete;

    [[nodiscard]] bool UsesGUI() const { return m_usesGUI; }
    [[nodiscard]] KCPluginScannerWithScanView& GetScanner() { return *m_scanner; }
    void SetPluginScanFilter(const KCScanFilter& filter) { m_scanner->SetPluginScanFilter(filter); }
    [[nodiscard]] const KCScanFilter& GetPluginScanFilter() const {
        return m_scanner->GetPluginScanFilter();
    }
    int ScanForComponents(KCKorvaneComponentInfoList& components) {
        return m_scanner->ScanForComponents(components);
    }

private:
    std::unique_ptr<KCPluginScannerWithScanView> m_scanner;
    bool m_usesGUI = false;
};

}  // namespace kvKorvaneV10_0_3::KSC
