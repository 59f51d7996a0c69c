// Scans driven by a shell's scan view over bundle trees generated in a temporary folder: the
// scan view from each of its sources, folder resolution, the reject reasons it adds, the
// folder's own scan view, the local service fallback, the host callback, the shell's prefs and
// the GUI scanner's folder question.
#include "korvane/scan/plugin_scanner_with_scan_view.h"

#include "korvane/core/four_cc.h"
#include "korvane/fm/fm_test_support.h"
#include "korvane/rm/resource_manager.h"
#include "korvane/scan/scan_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace kvKorvaneV10_0_3::KSC {
namespace {

namespace fs = std::filesystem;
using FM::testing::ScopedEnv;
using FM::testing::TempFolder;
using testing::MakeBundle;
using testing::ProcessXML;
using testing::WriteFile;

constexpr short kViewResID = 2000;

// The scan view every source gives in the tests below: a folder beside the shell and an
// absolute one, with each kind of rule.
std::string ViewText(const fs::path& elsewhere) {
    return "folders: [Plugins, \"" + elsewhere.string() +
           "\"]\n"
           "include_only: [/plugins/]\n"
           "---\n"
           "exclude: [BETA]\n"
           "exclude_guid: [TsT1-mono-Kvne]\n";
}

class ScannerWithScanViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(RM::Init(0x200, "KorvaneLib"), eNoErr);
        MakeBundle(Plugins(), "Good", {});
        MakeBundle(Plugins(), "BetaThing", {});
        testing::BundleFiles two;
        two.process = ProcessXML("TsT1", {"ster", "mono"});
        MakeBundle(Plugins(), "Two", two);
        MakeBundle(Elsewhere(), "Outside", {});
        WriteFile(Shell() / "Contents" / "Resources" / "resource_config.yaml", "Extensions: {}\n");
    }

    void TearDown() override {
        if (container != nullptr) {
            EXPECT_EQ(RM::CloseResContainer(container), eNoErr);
        }
        EXPECT_EQ(RM::Dispose(), eNoErr);
    }

    [[nodiscard]] fs::path Shells() const { return {tmp.Path("Shells")}; }
    [[nodiscard]] fs::path Shell() const { return Shells() / "Host.bundle"; }
    [[nodiscard]] fs::path Plugins() const { return Shells() / "Plugins"; }
    [[nodiscard]] fs::path Elsewhere() const { return {tmp.Path("Elsewhere")}; }
    [[nodiscard]] fs::path Preferences() const {
        return fs::path(tmp.Path("config")) / "Korvane Audio" / "Preferences";
    }

    void ShellResource(short id, const std::string& text) {
        ASSERT_EQ(container, nullptr) << "resources go in before the shell is opened";
        WriteFile(Shell() / "Contents" / "Resources" / "ScanFilter" / std::to_string(id), text);
    }

    KTResContainerType* OpenShell() {
        if (container == nullptr) {
            EXPECT_EQ(RM::OpenResContainer(FM::KCStPath(Shell().c_str()), 0, container), eNoErr);
        }
        return container;
    }

    static KCScanFilter Filter() {
        KCScanFilter filter;
        filter.AddComponentType(KCFourCC("TsT1"));
        filter.AddAffiliation(KCFourCC("Kvne"));
        filter.SetPluginFolderIndicator("MainPluginFolder");
        filter.SetBranchName("Dev");
        return filter;
    }

    static std::string Reasons(const KCScannedFile& file) {
        KCFixedString<255> text;
        ScanRejectReasonsToText(file.m_rejectBits, text);
        return text.c_str();
    }

    static std::map<std::string, KCScannedFile> ByName(const KCPluginDiskScannerResults& results) {
        std::map<std::string, KCScannedFile> byName;
        for (const auto& file : results.GetFiles()) {
            EXPECT_TRUE(byName.emplace(file.m_path.GetLeaf().c_str(), file).second)
                << "scanned twice: " << file.m_path.GetPathString().c_str();
        }
        return byName;
    }

    // The accepts and rejects the scan view of ViewText gives.
    void ExpectViewApplied(const KCPluginDiskScannerResults& results) {
        auto files = ByName(results);
        ASSERT_EQ(files.size(), 4U);
        EXPECT_EQ(Reasons(files["Good.bundle"]), "");
        EXPECT_EQ(files["Good.bundle"].GetNumComponents(), 1);
        EXPECT_EQ(Reasons(files["BetaThing.bundle"]), "[ScanView exclude filter]");
        EXPECT_EQ(files["BetaThing.bundle"].GetNumComponents(), 0);
        EXPECT_EQ(Reasons(files["Outside.bundle"]), "[ScanView include filter]");
        EXPECT_EQ(files["Outside.bundle"].GetNumComponents(), 0);
        // The excluded GUID goes, its sibling stays.
        EXPECT_EQ(Reasons(files["Two.bundle"]), "[ScanView exclude_guid filter]");
        ASSERT_EQ(files["Two.bundle"].GetNumComponents(), 1);
        EXPECT_EQ(files["Two.bundle"].m_components.GetKorvaneComponentInfo(0)->componentGUID,
                  "TsT1-ster-Kvne");
        EXPECT_EQ(results.GetNumComponents(), 2);
        EXPECT_EQ(results.GetNumUsedFiles(), 2);
        EXPECT_EQ(results.GetNumRejectedFiles(), 2);
    }

    struct Registered {
        std::vector<std::string> guids;
        std::vector<KTResContainerType*> containers;
    };
    static void OnRegistered(void* context, KorvaneComponentInfo& info, KTResContainerType* shell) {
        auto* seen = static_cast<Registered*>(context);
        seen->guids.emplace_back(info.componentGUID.c_str());
        seen->containers.push_back(shell);
    }

    TempFolder tmp;
    ScopedEnv config{"XDG_CONFIG_HOME", tmp.Path("config")};
    ScopedEnv system{"KORVANE_SYSTEM_DATA_DIR", tmp.Path("system")};
    KTResContainerType* container = nullptr;
    KCKorvanePluginFolderScanner folderScanner{"test"};
};

// ---------------------------------------------------------------------------------------------
// One scan per source of the scan view

enum class Source { kSpecific, kResource, kBranch, kMajor };

class ScanViewSourceTest : public ScannerWithScanViewTest,
                           public ::testing::WithParamInterface<Source> {};

TEST_P(ScanViewSourceTest, ScanViewFromTheSourceDecidesWhatIsAccepted) {
    folderScanner.SetScanViewFileTag("Tag");
    const std::string text = ViewText(Elsewhere());
    FM::KCStPath specific;
    ASSERT_EQ(GetPathToSpecificScanViewFile("Host.bundle", "Tag", specific), eNoErr);
    FM::KCStPath file;
    KEScanViewSource expected = eScanViewNotFound;
    switch (GetParam()) {
        case Source::kSpecific:
            file = specific;
            expected = eScanViewSpecificFile;
            break;
        case Source::kResource:
            ShellResource(kViewResID, text);
            expected = eScanViewResource;
            break;
        case Source::kBranch:
            ASSERT_EQ(GetPathToBranchScanViewFile("Dev", "MainPluginFolder", file), eNoErr);
            expected = eScanViewBranchFile;
            break;
        case Source::kMajor:
            ASSERT_EQ(KCPluginScannerWithScanView::GetPathToMajorVersionScanViewFile(
                          file, "MainPluginFolder"),
                      eNoErr);
            expected = eScanViewMajorVersionFile;
            break;
    }
    if (file.IsValid()) {
        WriteFile(file.GetPathString().c_str(), text);
    }

    KCPluginScannerWithScanView scanner(OpenShell(), folderScanner, kViewResID);
    scanner.SetPluginScanFilter(Filter());
    EXPECT_EQ(scanner.GetPluginScanFilter().GetPrivateScanViewResID(), kViewResID);
    Registered seen;
    scanner.SetSubComponentWasRegisteredFunc(&seen, &OnRegistered);
    KCPluginDiskScannerResults results;
    ASSERT_EQ(scanner.ScanForComponents(results), eNoErr);
    EXPECT_EQ(scanner.GetScanViewSource(), expected);
    ExpectViewApplied(results);

    const std::vector<FM::KCStPath> folders{FM::KCStPath(Plugins().c_str()),
                                            FM::KCStPath(Elsewhere().c_str())};
    EXPECT_EQ(scanner.GetResolvedFolders(), folders);
    // The host hears of the accepted components only, with its own container.
    std::sort(seen.guids.begin(), seen.guids.end());
    EXPECT_EQ(seen.guids, (std::vector<std::string>{"TsT1-ster-Kvne", "TsT1-ster-Kvne"}));
    EXPECT_EQ(seen.containers, std::vector<KTResContainerType*>(2, container));

    // Only the major version file is copied to the shell's own file.
    EXPECT_EQ(specific.IsFile(), GetParam() == Source::kSpecific || GetParam() == Source::kMajor);
    if (GetParam() == Source::kMajor) {
        KCPluginScannerWithScanView again(container, folderScanner, kViewResID);
        again.SetPluginScanFilter(Filter());
        KCKorvaneComponentInfoList components;
        ASSERT_EQ(again.ScanForComponents(components), eNoErr);
        EXPECT_EQ(again.GetScanViewSource(), eScanViewSpecificFile);
        EXPECT_EQ(components.GetNumComponents(), 2);
    }
}

std::string SourceName(const ::testing::TestParamInfo<Source>& info) {
    switch (info.param) {
        case Source::kSpecific:
            return "Specific";
        case Source::kResource:
            return "Resource";
        case Source::kBranch:
            return "Branch";
        case Source::kMajor:
            return "Major";
    }
    return "Unknown";
}

INSTANTIATE_TEST_SUITE_P(Sources, ScanViewSourceTest,
                         ::testing::Values(Source::kSpecific, Source::kResource, Source::kBranch,
                                           Source::kMajor),
                         SourceName);

// ---------------------------------------------------------------------------------------------
// Folders and filtering

TEST_F(ScannerWithScanViewTest, FoldersResolveThroughIndicatorAbsolutePathOrTheShellsFolder) {
    const fs::path located = tmp.Path("Located");
    MakeBundle(located, "Found", {});
    WriteFile(Preferences() / "Locations.conf", "Location = \"" + located.string() + "\"\n");
    WriteFile(Elsewhere() / "a_file.txt", "not a folder");

    KCScanViewSpec view;
    for (const std::string& entry :
         {std::string("MainPluginFolder"), Elsewhere().string(), std::string("Plugins"),
          std::string("../Shells/Plugins"), std::string("Missing"),
          (Elsewhere() / "a_file.txt").string()}) {
        view.AddFolder(entry);
    }
    KCPluginScannerWithScanView scanner(OpenShell(), folderScanner, kViewResID);
    scanner.SetPluginScanFilter(Filter());
    scanner.SetScanViewSpec(view);
    KCPluginDiskScannerResults results;
    ::testing::internal::CaptureStdout();
    const int previous = GetTraceScanLevel();
    SetTraceScanLevel(2);
    EXPECT_EQ(scanner.ScanForComponents(results), eNoErr);
    SetTraceScanLevel(previous);
    const std::string trace = ::testing::internal::GetCapturedStdout();

    // Two spellings of one folder scan it once; what is not a folder is left out.
    const std::vector<FM::KCStPath> folders{FM::KCStPath(located.c_str()),
                                            FM::KCStPath(Elsewhere().c_str()),
                                            FM::KCStPath(Plugins().c_str())};
    EXPECT_EQ(scanner.GetResolvedFolders(), folders);
    EXPECT_EQ(results.GetNumComponents(), 6);  // Found, Outside, Good, BetaThing, Two (2)
    EXPECT_EQ(ByName(results).size(), 5U);
    EXPECT_NE(trace.find("Resolved Plugins to " + Plugins().string()), std::string::npos) << trace;
    EXPECT_NE(trace.find("Unresolved Missing"), std::string::npos) << trace;
    EXPECT_NE(trace.find(" is an absolute path to an existing folder"), std::string::npos);
    EXPECT_NE(trace.find("'Plugins' relative to res container path"), std::string::npos);
    EXPECT_NE(trace.find(" Scanning folder " + located.string()), std::string::npos);
    // The scan view was set: no file was looked for.
    EXPECT_EQ(trace.find("Path to Specific ScanView file"), std::string::npos);
}

TEST_F(ScannerWithScanViewTest, TheSearchForTheScanViewIsTracedAtLevelTwo) {
    folderScanner.SetScanViewFileTag("Tag");
    KCPluginScannerWithScanView scanner(OpenShell(), folderScanner, kViewResID);
    scanner.SetPluginScanFilter(Filter());
    ::testing::internal::CaptureStdout();
    const int previous = GetTraceScanLevel();
    SetTraceScanLevel(2);
    KCPluginDiskScannerResults results;
    // No scan view and no located folder: nothing to scan, and the indicator is not a folder.
    EXPECT_EQ(scanner.ScanForComponents(results), eFMIsNotAFolder);
    SetTraceScanLevel(previous);
    const std::string trace = ::testing::internal::GetCapturedStdout();
    FM::KCStPath specific;
    ASSERT_EQ(GetPathToSpecificScanViewFile("Host.bundle", "Tag", specific), eNoErr);
    EXPECT_NE(trace.find(std::string("  Path to Specific ScanView file: ") +
                         specific.GetPathString().c_str()),
              std::string::npos)
        << trace;
    EXPECT_NE(trace.find("  Internal ScanView Resource was not found"), std::string::npos);
    EXPECT_NE(trace.find("  Major version ScanView file was not found "), std::string::npos);
    EXPECT_EQ(scanner.GetScanViewSource(), eScanViewNotFound);
    EXPECT_TRUE(scanner.GetScanViewSpec().empty());
    EXPECT_EQ(results.GetNumComponents(), 0);
}

TEST_F(ScannerWithScanViewTest, WithoutAScanViewTheScannersOwnFolderIsScanned) {
    WriteFile(Preferences() / "Locations.conf", "Location = \"" + Plugins().string() + "\"\n");
    KCPluginScannerWithScanView scanner(OpenShell(), folderScanner, kViewResID);
    scanner.SetPluginScanFilter(Filter());
    KCKorvaneComponentInfoList components;
    ASSERT_EQ(scanner.ScanForComponents(components), eNoErr);
    EXPECT_TRUE(scanner.GetResolvedFolders().empty());
    EXPECT_EQ(components.GetNumComponents(), 4);  // Good, BetaThing, Two (2): nothing filtered
}

TEST_F(ScannerWithScanViewTest, TheFoldersOwnScanViewFiltersItsPluginsOnly) {
    WriteFile(Plugins() / kFolderScanViewFileName, "exclude: [good]\n");
    KCScanViewSpec view;
    view.AddFolder(Plugins().string());
    view.AddFolder(Elsewhere().string());
    MakeBundle(Elsewhere(), "Good", {});
    KCPluginScannerWithScanView scanner(OpenShell(), folderScanner, kViewResID);
    scanner.SetPluginScanFilter(Filter());
    scanner.SetScanViewSpec(view);
    KCPluginDiskScannerResults results;
    ASSERT_EQ(scanner.ScanForComponents(results), eNoErr);
    int goodAccepted = 0;
    for (const auto& file : results.GetFiles()) {
        if (file.m_path.GetLeaf() == "Good.bundle") {
            const bool inPlugins =
                file.m_path.GetPathString() == (Plugins() / "Good.bundle").string();
            EXPECT_EQ(Reasons(file), inPlugins ? "[ScanView exclude filter]" : "");
            goodAccepted += file.GetNumComponents();
        }
    }
    EXPECT_EQ(goodAccepted, 1);
    // The folder scanned last (Elsewhere) has no scan view of its own.
    EXPECT_TRUE(folderScanner.GetScanViewSpecForFolder().empty());
    folderScanner.SetPluginFolderPath(FM::KCStPath(Plugins().c_str()));
    ASSERT_EQ(folderScanner.BeforeScanFolder(), eNoErr);
    EXPECT_EQ(folderScanner.GetScanViewSpecForFolder().GetExclude(),
              std::vector<std::string>{"good"});
}

TEST_F(ScannerWithScanViewTest, FilterScanResultsMarksRejectsAndDropsTheirComponents) {
    KCScanViewSpec view;
    ASSERT_EQ(view.ReadScanViewSpecFromString("include_only: [plugins]\nexclude: [old]\n"
                                              "exclude_guid: [G-2]\n"),
              eNoErr);
    auto make = [](const char* path, const std::vector<const char*>& guids) {
        KCScannedFile file{FM::KCStPath(path)};
        for (const char* guid : guids) {
            KorvaneComponentInfo c;
            c.componentGUID = guid;
            file.m_components.Add(c);
        }
        return file;
    };
    KCPluginDiskScannerResults results;
    results.AddFile(make("/x/Plugins/A.bundle", {"G-1", "g-2"}));
    results.AddFile(make("/x/Plugins/Old.bundle", {"G-1"}));
    results.AddFile(make("/x/Other/Old.bundle", {"G-1"}));
    results.AddFile(make("/x/Plugins/B.bundle", {"G-2"}));
    KCPluginScannerWithScanView::FilterScanResults(view, results);
    const auto& files = results.GetFiles();
    // A GUID differing in case only is not excluded.
    EXPECT_EQ(Reasons(files[0]), "");
    EXPECT_EQ(files[0].GetNumComponents(), 2);
    EXPECT_EQ(Reasons(files[1]), "[ScanView exclude filter]");
    EXPECT_EQ(Reasons(files[2]), "[ScanView include filter] [ScanView exclude filter]");
    EXPECT_EQ(Reasons(files[3]), "[ScanView exclude_guid filter]");
    EXPECT_EQ(results.GetNumComponents(), 2);
    EXPECT_EQ(results.GetNumRejectedFiles(), 3);
}

TEST_F(ScannerWithScanViewTest, AffiliationFilterDropsComponentsOfOtherAffiliations) {
    KCPluginScannerWithScanView scanner(nullptr, folderScanner, kViewResID);
    KCScanFilter filter;
    filter.AddAffiliation(KCFourCC("Kvne"));
    filter.AddAffiliation(KCFourCC("Test"));
    scanner.SetPluginScanFilter(filter);
    auto make = [](const std::vector<KCFourCC>& affiliations) {
        KCScannedFile file{FM::KCStPath("/x/A.bundle")};
        for (const KCFourCC code : affiliations) {
            KorvaneComponentInfo c;
            c.componentAffiliation = code;
            file.m_components.Add(c);
        }
        return file;
    };
    KCPluginDiskScannerResults results;
    const KCFourCC kvne("Kvne");
    const KCFourCC othr("Othr");
    results.AddFile(make({kvne, othr, KCFourCC("Test")}));
    results.AddFile(make({othr}));
    EXPECT_EQ(scanner.FilterScanResultsByAffiliation(results), 2);
    EXPECT_EQ(results.GetFiles()[0].GetNumComponents(), 2);
    EXPECT_EQ(Reasons(results.GetFiles()[0]), "");
    EXPECT_EQ(Reasons(results.GetFiles()[1]), "[Not affiliated]");
    EXPECT_EQ(results.GetNumComponents(), 2);
}

// ---------------------------------------------------------------------------------------------
// The local service, the prefs, the GUI

// A folder scanner that claims the local service; it answers with `answer`.
class ServiceScanner : public KCKorvanePluginFolderScanner {
public:
    ServiceScanner() : KCKorvanePluginFolderScanner("service") {}
    [[nodiscard]] bool SupportsFulcrixScan() const override { return true; }
    int GetScanFromFulcrix(KCPluginDiskScannerResults& results,
                           std::vector<FM::KCStPath>& folders) override {
        asked = folders;
        if (answer != eNoErr) {
            return KCKorvanePluginFolderScanner::GetScanFromFulcrix(results, folders);
        }
        KCScannedFile file{FM::KCStPath("/service/Plugins/Served.bundle")};
        KorvaneComponentInfo c;
        c.componentGUID = "Served";
        file.m_components.Add(c);
        results.AddFile(file);
        return eNoErr;
    }
    int answer = eNotImplemented;
    std::vector<FM::KCStPath> asked;
};

TEST_F(ScannerWithScanViewTest, LocalServiceIsTriedFirstAndFolderScanIsTheFallback) {
    ServiceScanner service;
    KCScanViewSpec view;
    view.AddFolder("Plugins");
    KCPluginScannerWithScanView scanner(OpenShell(), service, kViewResID);
    scanner.SetPluginScanFilter(Filter());
    scanner.SetScanViewSpec(view);
    Registered seen;
    scanner.SetSubComponentWasRegisteredFunc(&seen, &OnRegistered);

    // The library's scanners have no service client: the folders are scanned.
    KCPluginDiskScannerResults results;
    ASSERT_EQ(scanner.ScanForComponents(results), eNoErr);
    EXPECT_EQ(service.asked, std::vector<FM::KCStPath>{FM::KCStPath(Plugins().c_str())});
    EXPECT_EQ(results.GetNumComponents(), 4);
    EXPECT_EQ(seen.guids.size(), 4U);

    service.answer = eNoErr;
    seen = {};
    KCPluginDiskScannerResults served;
    ASSERT_EQ(scanner.ScanForComponents(served), eNoErr);
    ASSERT_EQ(served.GetFiles().size(), 1U);
    EXPECT_EQ(seen.guids, std::vector<std::string>{"Served"});
}

TEST_F(ScannerWithScanViewTest, ScannerPrefsComeFromTheShellsScanFilterResource) {
    ShellResource(kScannerPrefsResID,
                  "<ScanFilter><Thng>TsT1</Thng><Affiliation>Kvne</Affiliation>"
                  "<PluginFolderHint>MainPluginFolder</PluginFolderHint><BranchName>Dev"
                  "</BranchName><FolderSelectionDialogTitle>Where are they?"
                  "</FolderSelectionDialogTitle><FolderSelectionDialogMessage>Pick the folder"
                  "</FolderSelectionDialogMessage><PreferencesDialogTitle>Scanning"
                  "</PreferencesDialogTitle></ScanFilter>");
    KCKorvanePluginScannerWithGUI scanner(OpenShell(), folderScanner, kViewResID);
    ASSERT_EQ(scanner.GetScannerPrefs(container), eNoErr);
    const KCScanFilter& filter = scanner.GetPluginScanFilter();
    EXPECT_TRUE(filter.HasComponentType(KCFourCC("TsT1")));
    EXPECT_FALSE(filter.HasComponentType(KCFourCC("Othr")));
    EXPECT_EQ(filter.GetBranchName(), "Dev");
    EXPECT_EQ(filter.GetPrivateScanViewResID(), kViewResID);
    EXPECT_EQ(scanner.GetGUI().GetFolderSelectionDialogTitle(), "Where are they?");
    EXPECT_EQ(scanner.GetGUI().GetFolderSelectionDialogMessage(), "Pick the folder");
    EXPECT_EQ(scanner.GetGUI().GetPreferencesDialogTitle(), "Scanning");

    KCPluginScannerWithScanView plain(container, folderScanner, kViewResID);
    EXPECT_NE(plain.GetScannerPrefs(nullptr), eNoErr);
}

// A dialog whose user picks `folder`.
class PickingGUI : public KCPluginScannerGUI {
public:
    explicit PickingGUI(std::string folder, int* asked)
        : m_folder(std::move(folder)), m_asked(asked) {}
    int GetPathToPluginFolderFromUser(FM::KCStPath& out) override {
        ++*m_asked;
        out = FM::KCStPath(m_folder.c_str());
        return eNoErr;
    }

private:
    std::string m_folder;
    int* m_asked;
};

TEST_F(ScannerWithScanViewTest, GUIScannerAsksForTheFolderAndKeepsItForTheShell) {
    folderScanner.SetScanViewFileTag("Tag");
    KCKorvanePluginScannerWithGUI scanner(OpenShell(), folderScanner, kViewResID);
    scanner.SetPluginScanFilter(Filter());
    scanner.SetForceGUI(true);
    // Without a GUI the question is cancelled.
    KCPluginDiskScannerResults results;
    EXPECT_EQ(scanner.ScanForComponents(results), eUserCanceled);
    EXPECT_EQ(results.GetNumComponents(), 0);

    int asked = 0;
    scanner.SetGUI(std::make_unique<PickingGUI>(Plugins().string(), &asked));
    ASSERT_EQ(scanner.ScanForComponents(results), eNoErr);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(results.GetNumComponents(), 4);

    // The next scan of the shell finds the folder without asking.
    KCPluginScannerWithScanView next(container, folderScanner, kViewResID);
    next.SetPluginScanFilter(Filter());
    KCKorvaneComponentInfoList components;
    ASSERT_EQ(next.ScanForComponents(components), eNoErr);
    EXPECT_EQ(next.GetScanViewSource(), eScanViewSpecificFile);
    EXPECT_EQ(components.GetNumComponents(), 4);
}

TEST_F(ScannerWithScanViewTest, GUIScannerAsksOnlyWhenNoFolderIsFoundAndTheFilterSaysSo) {
    int asked = 0;
    KCKorvanePluginScannerWithGUI scanner(OpenShell(), folderScanner, kViewResID);
    scanner.SetGUI(std::make_unique<PickingGUI>(Plugins().string(), &asked));
    KCScanFilter filter = Filter();
    scanner.SetPluginScanFilter(filter);
    KCPluginDiskScannerResults results;
    EXPECT_EQ(scanner.ScanForComponents(results), eFMIsNotAFolder);
    EXPECT_EQ(asked, 0);

    filter.SetDisplayPluginsLocateDialog(true);
    scanner.SetPluginScanFilter(filter);
    ASSERT_EQ(scanner.ScanForComponents(results), eNoErr);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(results.GetNumComponents(), 4);

    // A scan view with a folder: no question.
    ASSERT_EQ(scanner.ScanForComponents(results), eNoErr);
    EXPECT_EQ(asked, 1);
}

TEST_F(ScannerWithScanViewTest, ForceFileInThePreferencesChoosesTheGUIScanner) {
    {
        KCScannerWithOrWithoutGUI chosen(OpenShell(), folderScanner, kViewResID);
        EXPECT_FALSE(chosen.UsesGUI());
        EXPECT_EQ(dynamic_cast<KCKorvanePluginScannerWithGUI*>(&chosen.GetScanner()), nullptr);
    }
    WriteFile(Preferences() / kForceUseGUIScannerFileName, "");
    KCScannerWithOrWithoutGUI chosen(container, folderScanner, kViewResID);
    EXPECT_TRUE(chosen.UsesGUI());
    EXPECT_NE(dynamic_cast<KCKorvanePluginScannerWithGUI*>(&chosen.GetScanner()), nullptr);
    KCScanViewSpec view;
    view.AddFolder("Plugins");
    chosen.GetScanner().SetScanViewSpec(view);
    chosen.SetPluginScanFilter(Filter());
    EXPECT_EQ(chosen.GetPluginScanFilter().GetBranchName(), "Dev");
    KCKorvaneComponentInfoList components;
    ASSERT_EQ(chosen.ScanForComponents(components), eNoErr);
    EXPECT_EQ(components.GetNumComponents(), 4);
}

TEST_F(ScannerWithScanViewTest, ExampleEQIsFoundThroughAScanView) {
    const fs::path source = fs::path(KORVANE_SOURCE_DIR) / "examples" / "eq";
    const fs::path eq = Elsewhere() / "Effects" / "KvEQ.bundle";
    const fs::path res = eq / "Contents" / "Resources";
    fs::create_directories(res);
    fs::copy(source / "resources", res, fs::copy_options::recursive);
    fs::copy_file(source / "resource_config.yaml", res / "resource_config.yaml");
    ShellResource(kViewResID, "folders: [../Elsewhere/Effects, Plugins]\nexclude: [/plugins/]\n");

    KCScanFilter filter;
    filter.AddComponentType(KCFourCC("KvEQ"));
    filter.AddComponentType(KCFourCC("TsT1"));
    filter.AddAffiliation(KCFourCC("Kvne"));
    filter.SetPluginFolderIndicator("MainPluginFolder");
    KCPluginScannerWithScanView scanner(OpenShell(), folderScanner, kViewResID);
    scanner.SetPluginScanFilter(filter);
    KCKorvaneComponentInfoList components;
    ASSERT_EQ(scanner.ScanForComponents(components), eNoErr);
    EXPECT_EQ(scanner.GetScanViewSource(), eScanViewResource);
    ASSERT_EQ(components.GetNumComponents(), 1);
    const KorvaneComponentInfo& found = *components.GetKorvaneComponentInfo(0);
    EXPECT_EQ(found.shortName, "Korvane EQ");
    EXPECT_EQ(found.componentType, KCFourCC("KvEQ"));
    EXPECT_EQ(found.pluginFilePath, eq.string());
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::KSC
