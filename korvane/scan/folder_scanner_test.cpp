// Folder scans over real bundle trees generated in a temporary folder: every accept and
// reject reason, the walk's depth, links and nested bundles, prescans under the filter, the
// folder found through its indicator, feature-flagged components, and the report file.
#include "korvane/scan/folder_scanner.h"

#include "korvane/core/four_cc.h"
#include "korvane/fm/fm_test_support.h"
#include "korvane/rm/resource_manager.h"
#include "korvane/scan/scan_test_support.h"
#include "korvane/xml/tree_builder.h"
#include "korvane/xml/xml_element.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3::KSC {
namespace {

namespace fs = std::filesystem;
using FM::testing::ReadAll;
using FM::testing::ScopedEnv;
using FM::testing::TempFolder;
using testing::InfoXML;
using testing::MakeBundle;
using testing::Prescan;
using testing::ProcessXML;

class FolderScanTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(RM::Init(0x200, "KorvaneLib"), eNoErr); }
    void TearDown() override { EXPECT_EQ(RM::Dispose(), eNoErr); }

    [[nodiscard]] fs::path Plugins() const { return {tmp.Path("Plugins")}; }

    static KCScanFilter Filter() {
        KCScanFilter filter;
        filter.AddComponentType(KCFourCC("TsT1"));
        filter.AddAffiliation(KCFourCC("Kvne"));
        filter.SetMinAllowedInternalVersion(KCVersion(10));
        filter.SetMaxAllowedInternalVersion(KCVersion(10, 99));
        return filter;
    }

    // Scans the folder; the files by bundle leaf name.
    std::map<std::string, KCScannedFile> Scan(KCPluginFolderScanner& scanner,
                                              const KCScanFilter& filter,
                                              int expectedErr = eNoErr) {
        scanner.SetPluginFolderPath(FM::KCStPath(Plugins().c_str()));
        scanner.SetPluginScanFilterForFolder(filter);
        EXPECT_EQ(scanner.BeforeScan(), eNoErr);
        KCPluginDiskScannerResults results;
        EXPECT_EQ(scanner.ScanFolderForComponents(results), expectedErr);
        EXPECT_EQ(scanner.AfterScan(), eNoErr);
        last = results;
        std::map<std::string, KCScannedFile> byName;
        for (const auto& file : results.GetFiles()) {
            EXPECT_TRUE(byName.emplace(file.m_path.GetLeaf().c_str(), file).second)
                << "scanned twice: " << file.m_path.GetPathString().c_str();
        }
        return byName;
    }

    static std::string Reasons(const KCScannedFile& file) {
        KCFixedString<255> text;
        ScanRejectReasonsToText(file.m_rejectBits, text);
        return text.c_str();
    }

    TempFolder tmp;
    ScopedEnv config{"XDG_CONFIG_HOME", tmp.Path("config")};
    KCPluginDiskScannerResults last;
};

TEST_F(FolderScanTest, EveryKindOfBundleIsAcceptedOrRejectedWithItsReason) {
    const fs::path dir = Plugins();
    MakeBundle(dir, "Valid", {});
    MakeBundle(dir, "NotPlugin", {.info = ""});
    MakeBundle(dir, "Unaffiliated", {.affiliations = "Othr"});
    MakeBundle(dir, "WrongVersion", {.info = InfoXML("9.4")});
    MakeBundle(dir, "PrescanOnly",
               {.process = "", .prescan = Prescan("TsT1", "mono", "Prescanned")});
    MakeBundle(dir, "BrokenInfo", {.info = "<InfoXML><InternalVersion>10"});
    MakeBundle(dir, "BrokenProcess", {.process = "<ProcessXML><thng>TsT1</thng>"});
    MakeBundle(dir, "OtherType", {.process = ProcessXML("Othr", {"ster"})});
    fs::create_directories(dir / "Empty.bundle");
    testing::WriteFile(dir / "File.bundle", "a file, not a folder");
    MakeBundle(dir, "BadConfig", {.config = "Extensionz:\n  InfoXML: xml\n"});
    // A link back to the folder itself, and a bundle holding another bundle.
    fs::create_directory_symlink(".", dir / "Loop");
    const fs::path outer = MakeBundle(dir, "Outer", {});
    MakeBundle(outer / "Contents" / "Resources", "Inner", {});
    MakeBundle(dir, "NotLinux", {.linux64 = false});
    testing::WriteFile(dir / "readme.txt", "not a candidate");

    KCKorvanePluginFolderScanner scanner("test");
    KCScanFilter filter = Filter();
    filter.SetLinuxProcessCode64Required(true);
    auto files = Scan(scanner, filter);

    const std::map<std::string, std::string> expected = {
        {"Valid.bundle", ""},
        {"NotPlugin.bundle", "[Not a plugin]"},
        {"Unaffiliated.bundle", "[Not affiliated]"},
        {"WrongVersion.bundle", "[Incompatible internal version]"},
        {"PrescanOnly.bundle", ""},
        {"BrokenInfo.bundle", "[No version found]"},
        {"BrokenProcess.bundle", "[Corrupt plugin]"},
        {"OtherType.bundle", "[No compatible Sub-Component]"},
        {"Empty.bundle", "[Not a plugin]"},
        {"File.bundle", "[Not a bundle]"},
        {"BadConfig.bundle", "[Not a bundle]"},
        {"Outer.bundle", ""},
        {"NotLinux.bundle", "[Incompatible platform]"},
    };
    ASSERT_EQ(files.size(), expected.size());
    for (const auto& [name, reasons] : expected) {
        ASSERT_EQ(files.count(name), 1U) << name;
        EXPECT_EQ(Reasons(files[name]), reasons) << name;
        EXPECT_EQ(files[name].GetNumComponents() > 0, reasons.empty()) << name;
    }
    EXPECT_EQ(last.GetNumUsedFiles(), 3);
    EXPECT_EQ(last.GetNumRejectedFiles(), 10);
    EXPECT_EQ(last.GetNumComponents(), 3);

    const KorvaneComponentInfo& valid =
        *files["Valid.bundle"].m_components.GetKorvaneComponentInfo(0);
    EXPECT_EQ(valid.componentType, KCFourCC("TsT1"));
    EXPECT_EQ(valid.componentSubType, KCFourCC("ster"));
    EXPECT_EQ(valid.componentAffiliation, KCFourCC("Kvne"));
    EXPECT_EQ(valid.shortName, "Test Plug-in");
    EXPECT_EQ(valid.pluginName, "Test Plug-in");
    EXPECT_EQ(valid.vendorName, "Korvane Audio");
    EXPECT_EQ(valid.pluginExternalVersion, "2.5");
    EXPECT_TRUE(valid.pluginInternalVersion == KCVersion(10, 0, 3, 0));
    EXPECT_TRUE(valid.pluginAPIVersion == KCVersion(1, 2));
    EXPECT_EQ(valid.pluginType, eKorvanePlugin);
    EXPECT_EQ(valid.pluginFilePath, (dir / "Valid.bundle").string());
    EXPECT_EQ(valid.numInputs, 2);
    EXPECT_EQ(valid.numOutputs, 2);
    ASSERT_EQ(valid.compProcCodeDesc.size(), 1U);
    EXPECT_EQ(valid.compProcCodeDesc[0].Coefs, 4U);
    EXPECT_EQ(valid.componentGUID, "TsT1-ster-Kvne");
    EXPECT_EQ(files["Valid.bundle"].m_affiliations, std::vector<KCFourCC>{KCFourCC("Kvne")});
    for (int i = 0; i < static_cast<int>(last.GetFiles().size()); ++i) {
        if (last.GetFiles()[static_cast<std::size_t>(i)].m_path.GetLeaf() == "Valid.bundle") {
            EXPECT_EQ(last.GetPluginsVersion(i), "2.5");
        }
    }
    EXPECT_EQ(last.GetPluginsVersion(-1), "");

    const KorvaneComponentInfo& prescanned =
        *files["PrescanOnly.bundle"].m_components.GetKorvaneComponentInfo(0);
    EXPECT_EQ(prescanned.shortName, "Prescanned");
    EXPECT_EQ(prescanned.componentSubType, KCFourCC("mono"));
    EXPECT_EQ(prescanned.pluginFilePath, (dir / "PrescanOnly.bundle").string());

    // Dropping the rejected files leaves the accepted ones.
    KTRejectBits rejected;
    for (unsigned int bit = 1; bit < KTRejectBits::kBits; ++bit) {
        rejected.Set(bit);
    }
    EXPECT_EQ(last.FilterOut(rejected), 10);
    EXPECT_EQ(last.GetNumRejectedFiles(), 0);
}

TEST_F(FolderScanTest, AllComponentsRefusedMergesTheirReasonsAndFails) {
    const fs::path dir = Plugins();
    MakeBundle(dir, "Two", {.process = ProcessXML("TsT1", {"mono", "ster"})});
    KCKorvanePluginFolderScanner scanner("test");
    KCScanFilter filter = Filter();
    filter.AddSubcomponent(KCFourCC("surr"));
    KCPluginDiskScannerResults results;
    scanner.SetPluginScanFilterForFolder(filter);
    EXPECT_EQ(
        scanner.ScanOnePluginForComponents(results, FM::KCStPath((dir / "Two.bundle").c_str())),
        eNoErr);
    KCScannedFile file(FM::KCStPath((dir / "Two.bundle").c_str()));
    EXPECT_EQ(scanner.GetAvailableComponentsFromFilePath(file), kNoAcceptableComponent);
    EXPECT_EQ(Reasons(file), "[No compatible Sub-Component]");
    ASSERT_EQ(results.GetFiles().size(), 1U);
    EXPECT_EQ(Reasons(results.GetFiles()[0]), "[No compatible Sub-Component]");

    // Allowing one of the two keeps exactly that one.
    filter.AddSubcomponent(KCFourCC("mono"));
    scanner.SetPluginScanFilterForFolder(filter);
    KCScannedFile again(FM::KCStPath((dir / "Two.bundle").c_str()));
    EXPECT_EQ(scanner.GetAvailableComponentsFromFilePath(again), eNoErr);
    ASSERT_EQ(again.GetNumComponents(), 1);
    EXPECT_EQ(again.m_components.GetKorvaneComponentInfo(0)->componentSubType, KCFourCC("mono"));
}

TEST_F(FolderScanTest, SubTypeVariantsAndSingleAffiliationResourcesAreRead) {
    const fs::path bundle =
        MakeBundle(Plugins(), "Variants",
                   {.process = ProcessXML("TsT1", {"mono", "ster"}), .affiliations = ""});
    // The mono sub-component has process code of its own.
    std::string mono = ProcessXML("TsT1", {"mono"});
    mono.replace(mono.find("<Coefs>4</Coefs>"), 16, "<Coefs>9</Coefs>");
    testing::WriteFile(bundle / "Contents/Resources/ProcessXML/128?mono.xml", mono);
    testing::WriteFile(bundle / "Contents/Resources/Affiliation/1", "Othr\n");
    testing::WriteFile(bundle / "Contents/Resources/Affiliation/2", "Kvne\n");
    KCKorvanePluginFolderScanner scanner("test");
    auto files = Scan(scanner, Filter());
    const KCScannedFile& file = files["Variants.bundle"];
    ASSERT_EQ(file.GetNumComponents(), 2) << Reasons(file);
    std::map<std::string, unsigned int> coefs;
    for (const auto& c : file.m_components) {
        coefs[FormatFourCC(c.componentSubType)] = c.compProcCodeDesc.at(0).Coefs;
    }
    EXPECT_EQ(coefs, (std::map<std::string, unsigned int>{{"mono", 9U}, {"ster", 4U}}));
    EXPECT_EQ(file.m_affiliations, (std::vector<KCFourCC>{KCFourCC("Othr"), KCFourCC("Kvne")}));
}

TEST_F(FolderScanTest, RescanSeesChangedResourcesAndConfiguration) {
    const fs::path bundle =
        MakeBundle(Plugins(), "Synth", {.process = ProcessXML("TsT1", {"mono", "ster"})});
    const fs::path res = bundle / "Contents/Resources";
    testing::WriteFile(res / "AlgXML/128.xml",
                       "<AlgXML><cALGORITHM IsVirtualInstrument=\"yes\"/></AlgXML>");
    // Every component of a bundle shares its algorithm description.
    const auto instruments = [](const KCScannedFile& file) {
        std::vector<bool> out;
        for (const auto& c : file.m_components) {
            out.push_back(c.isVirtualInstrument);
        }
        return out;
    };
    KCKorvanePluginFolderScanner scanner("test");
    auto files = Scan(scanner, Filter());
    ASSERT_EQ(files["Synth.bundle"].GetNumComponents(), 2) << Reasons(files["Synth.bundle"]);
    EXPECT_EQ(instruments(files["Synth.bundle"]), (std::vector<bool>{true, true}));

    testing::WriteFile(res / "AlgXML/128.xml",
                       "<AlgXML><cALGORITHM IsVirtualInstrument=\"no\"/></AlgXML>");
    files = Scan(scanner, Filter());
    EXPECT_EQ(instruments(files["Synth.bundle"]), (std::vector<bool>{false, false}));

    // A configuration that moves the info resource to another extension is read again, and
    // a second bundle with the old configuration keeps its own.
    MakeBundle(Plugins(), "Other", {});
    fs::rename(res / "InfoXML/1000.xml", res / "InfoXML/1000.info");
    files = Scan(scanner, Filter());
    EXPECT_EQ(Reasons(files["Synth.bundle"]), "[Not a plugin]");
    EXPECT_EQ(files["Other.bundle"].GetNumComponents(), 1);
    testing::WriteFile(res / "resource_config.yaml",
                       "Extensions:\n  InfoXML: info\n  ProcessXML: xml\n  AlgXML: xml\n"
                       "  Affiliations: txt\n");
    files = Scan(scanner, Filter());
    EXPECT_EQ(files["Synth.bundle"].GetNumComponents(), 2) << Reasons(files["Synth.bundle"]);
    EXPECT_EQ(files["Other.bundle"].GetNumComponents(), 1) << Reasons(files["Other.bundle"]);
}

TEST_F(FolderScanTest, PrescanComponentsPassTheSameFilterAsScannedOnes) {
    const fs::path dir = Plugins();
    // The prescan offers a type the filter refuses; the full scan would find an allowed one.
    MakeBundle(dir, "Stale", {.prescan = Prescan("Othr", "ster", "Refused")});
    KCKorvanePluginFolderScanner scanner("test");
    auto files = Scan(scanner, Filter());
    ASSERT_EQ(files.count("Stale.bundle"), 1U);
    EXPECT_EQ(files["Stale.bundle"].GetNumComponents(), 0);
    EXPECT_EQ(Reasons(files["Stale.bundle"]), "[No compatible Sub-Component]");

    // Ignoring the prescan runs the full scan, which finds the allowed component.
    scanner.SetIgnorePrescanResource(true);
    files = Scan(scanner, Filter());
    ASSERT_EQ(files["Stale.bundle"].GetNumComponents(), 1);
    EXPECT_EQ(files["Stale.bundle"].m_components.GetKorvaneComponentInfo(0)->componentType,
              KCFourCC("TsT1"));
}

TEST_F(FolderScanTest, PrescanIsUsedWithoutTheProcessResourceUnlessIgnored) {
    MakeBundle(Plugins(), "Pre", {.process = "", .prescan = Prescan("TsT1", "ster", "Pre")});
    KCKorvanePluginFolderScanner scanner("test");
    auto files = Scan(scanner, Filter());
    EXPECT_EQ(files["Pre.bundle"].GetNumComponents(), 1);
    scanner.SetIgnorePrescanResource(true);
    files = Scan(scanner, Filter());
    EXPECT_EQ(files["Pre.bundle"].GetNumComponents(), 0);
    EXPECT_EQ(Reasons(files["Pre.bundle"]), "[Corrupt plugin]");
}

TEST_F(FolderScanTest, DepthLimitsTheWalkAndLinksAreNeverFollowed) {
    const fs::path dir = Plugins();
    MakeBundle(dir, "D0", {});
    MakeBundle(dir / "a", "D1", {});
    MakeBundle(dir / "a" / "b", "D2", {});
    MakeBundle(dir / "a" / "b" / "c", "D3", {});
    // Links that would loop for ever, or reach a bundle a second time.
    fs::create_directory_symlink("..", dir / "a" / "b" / "up");
    fs::create_directory_symlink(dir / "a", dir / "again");
    fs::create_symlink("self", dir / "self");
    // A link to a bundle is a candidate of its own.
    MakeBundle(tmp.Path("elsewhere"), "Linked", {});
    fs::create_directory_symlink(fs::path(tmp.Path("elsewhere")) / "Linked.bundle",
                                 dir / "Linked.bundle");

    const auto names = [&](int depth) {
        KCScanFilter filter;
        filter.SetFolderSearchDepth(depth);
        KCKorvanePluginFolderScanner scanner("test");
        scanner.SetPluginFolderPath(FM::KCStPath(dir.c_str()));
        scanner.SetPluginScanFilterForFolder(filter);
        std::vector<FM::KCStPath> candidates;
        EXPECT_EQ(scanner.CreateListOfPluginsToScan(candidates), eNoErr);
        std::vector<std::string> out;
        out.reserve(candidates.size());
        for (const auto& c : candidates) {
            out.emplace_back(c.GetLeaf().c_str());
        }
        std::sort(out.begin(), out.end());
        return out;
    };
    using V = std::vector<std::string>;
    EXPECT_EQ(names(0), (V{"D0.bundle", "Linked.bundle"}));
    EXPECT_EQ(names(1), (V{"D0.bundle", "D1.bundle", "Linked.bundle"}));
    EXPECT_EQ(names(3), (V{"D0.bundle", "D1.bundle", "D2.bundle", "D3.bundle", "Linked.bundle"}));
    EXPECT_EQ(names(1000), names(3));

    KCScanFilter filter;
    filter.SetFolderSearchDepth(-5);
    EXPECT_EQ(filter.GetFolderSearchDepth(), 0);
    filter.SetFolderSearchDepth(1000);
    EXPECT_EQ(filter.GetFolderSearchDepth(), kMaxScanDepth);
}

TEST_F(FolderScanTest, FolderComesFromItsIndicatorAndMustBeAFolder) {
    MakeBundle(Plugins(), "Valid", {});
    KCKorvanePluginFolderScanner scanner("test");
    KCScanFilter filter = Filter();
    filter.SetPluginFolderIndicator("MainPluginFolder");
    scanner.SetPluginScanFilterForFolder(filter);
    KCPluginDiskScannerResults results;
    // No locations file yet: no folder.
    ScopedEnv system("KORVANE_SYSTEM_DATA_DIR", tmp.Path("system"));
    EXPECT_EQ(scanner.ScanFolderForComponents(results), eFMIsNotAFolder);

    testing::WriteFile(
        fs::path(tmp.Path("config")) / "Korvane Audio" / "Preferences" / "Locations.conf",
        "Location = \"" + Plugins().string() + "\"\n");
    EXPECT_EQ(scanner.ScanFolderForComponents(results), eNoErr);
    EXPECT_EQ(scanner.GetPluginFolderPath().GetPathString(), Plugins().string());
    EXPECT_EQ(results.GetNumComponents(), 1);

    KCKorvanePluginFolderScanner onFile("test");
    onFile.SetPluginFolderPath(FM::KCStPath(
        testing::MakeBundle(Plugins(), "Other", {}).append("Contents/Linux64/Other.so").c_str()));
    EXPECT_EQ(onFile.ScanFolderForComponents(results), eFMIsNotAFolder);
}

TEST_F(FolderScanTest, FeatureFlaggedComponentsAreOfferedOnlyWhenTheFlagIsOn) {
    const std::string types =
        "<SubComponentTypeList>"
        "<SubComponentType Name=\"Plain\"><thng Type=\"TsT1\" ShowSubComp=\"yes\"/>"
        "</SubComponentType>"
        "<SubComponentType Name=\"Flagged\" FeatureFlag=\"ScanTestNew\">"
        "<thng Type=\"TsT2\"/></SubComponentType></SubComponentTypeList>";
    MakeBundle(Plugins(), "Flags", {.process = ProcessXML("", {"ster"}, types)});
    KCScanFilter filter = Filter();
    filter.AddComponentType(KCFourCC("TsT2"));
    const auto scanTypes = [&] {
        KCKorvanePluginFolderScanner scanner("test");
        auto files = Scan(scanner, filter);
        std::vector<std::string> out;
        for (const auto& c : files["Flags.bundle"].m_components) {
            out.push_back(std::string(c.shortName.c_str()) + (c.showSubComp ? "+" : ""));
        }
        return out;
    };
    using V = std::vector<std::string>;
    // No flags file: the flag does not exist and reads as off.
    EXPECT_EQ(scanTypes(), (V{"Plain+"}));
    testing::WriteFile(
        fs::path(tmp.Path("config")) / "Korvane Audio" / "Preferences" / "FeatureFlags.yaml",
        "FeatureFlags:\n  ScanTestNew: on\n");
    EXPECT_EQ(scanTypes(), (V{"Flagged", "Plain+"}));
}

TEST_F(FolderScanTest, ReportIsReplacedWholeAndListsComponentsAndRejects) {
    MakeBundle(Plugins(), "Valid", {});
    MakeBundle(Plugins(), "NotPlugin", {.info = ""});
    KCKorvanePluginFolderScanner scanner("test");
    Scan(scanner, Filter());

    ScopedEnv desktop("XDG_DESKTOP_DIR", tmp.Path("Desktop"));
    FM::KCStPath reportPath;
    ASSERT_EQ(KCPluginDiskScannerResults::GetScanResultsReportPath(reportPath), eNoErr);
    EXPECT_EQ(reportPath.GetPathString(),
              tmp.Path("Desktop/Logs/korvane_scan_tests/LastScanResults.xml"));
    ASSERT_EQ(last.ReportScanResultsToLogs(), eNoErr);
    const std::string first = ReadAll(reportPath.GetPathString().c_str());

    XML::CXMLElement root;
    XML::CXMLTreeBuilder builder(root);
    ASSERT_EQ(builder.BuildFromSingleBuffer(first.data(), static_cast<unsigned int>(first.size())),
              eNoErr);
    EXPECT_EQ(root.GetName(), "LastScanResults");
    ASSERT_NE(root.SubElementText("When"), nullptr);
    EXPECT_EQ(std::string(root.SubElementText("When")).size(), 19U);
    const XML::CXMLElement* component = root.SubElement("KorvaneComponentInfo");
    ASSERT_NE(component, nullptr);
    EXPECT_STREQ(component->SubElementText("componentType"), "TsT1");
    const XML::CXMLElement* rejects = root.SubElement("Rejects");
    ASSERT_NE(rejects, nullptr);
    ASSERT_EQ(rejects->GetSubElements().size(), 1U);
    EXPECT_STREQ(rejects->GetSubElements()[0]->SubElementText("Reasons"), "[Not a plugin]");
    EXPECT_STREQ(rejects->GetSubElements()[0]->SubElementText("RejectBits"), "8");
    using fs::perms;
    EXPECT_EQ(fs::status(reportPath.GetPathString().c_str()).permissions(),
              perms::owner_read | perms::owner_write | perms::group_read | perms::others_read);

    // A reader holding the old report keeps a whole old report: the new one replaces the file
    // rather than being written into it.
    const fs::path held = tmp.Path("held.xml");
    fs::create_hard_link(reportPath.GetPathString().c_str(), held);
    last.Clear();
    ASSERT_EQ(last.ReportScanResultsToLogs(), eNoErr);
    EXPECT_EQ(ReadAll(held.string()), first);
    const std::string second = ReadAll(reportPath.GetPathString().c_str());
    EXPECT_EQ(second.find("KorvaneComponentInfo"), std::string::npos);
    EXPECT_NE(second.find("</LastScanResults>"), std::string::npos);
}

TEST_F(FolderScanTest, ClassifyingFilesLooksOnlyAtThePlugin) {
    MakeBundle(Plugins(), "Valid", {.process = ""});
    MakeBundle(Plugins(), "NotPlugin", {.info = ""});
    testing::WriteFile(Plugins() / "File.bundle", "");
    KCKorvanePluginFolderScanner scanner("test");
    scanner.SetPluginFolderPath(FM::KCStPath(Plugins().c_str()));
    scanner.SetPluginScanFilterForFolder(Filter());
    KCPluginDiskScannerResults results;
    ASSERT_EQ(scanner.ScanFolderForPluginFiles(results), eNoErr);
    std::map<std::string, std::string> reasons;
    for (const auto& f : results.GetFiles()) {
        reasons[f.m_path.GetLeaf().c_str()] = Reasons(f);
    }
    EXPECT_EQ(reasons, (std::map<std::string, std::string>{{"File.bundle", "[Not a bundle]"},
                                                           {"NotPlugin.bundle", "[Not a plugin]"},
                                                           {"Valid.bundle", ""}}));
}

TEST_F(FolderScanTest, ShellScannerOffersOneComponentPerShell) {
    const fs::path dir = Plugins();
    const auto shell = [&](const std::string& name, bool linux64) {
        const fs::path bundle =
            MakeBundle(dir, name, {.info = "", .process = "", .linux64 = linux64});
        testing::WriteFile(bundle / "Contents" / "Resources" / "Xinf" / "1001", InfoXML());
    };
    shell("Shell", true);
    shell("NoLinux", false);
    MakeBundle(dir, "Plain", {});
    KCKPAPIFolderScanner scanner("shells");
    KCScanFilter filter;
    filter.AddComponentType(KCFourCC("TsT1"));
    // A filter that refuses shells makes the scan pointless.
    scanner.SetPluginFolderPath(FM::KCStPath(dir.c_str()));
    scanner.SetPluginScanFilterForFolder(filter);
    KCPluginDiskScannerResults results;
    EXPECT_EQ(scanner.ScanFolderForComponents(results), eComponentTypeNotSupported);

    filter.AddComponentType(KCFourCC("KPPI"));
    filter.SetLinuxProcessCode64Required(true);
    auto files = Scan(scanner, filter);
    EXPECT_EQ(Reasons(files["Plain.bundle"]), "[Not a KPAPI]");
    EXPECT_EQ(Reasons(files["NoLinux.bundle"]), "[Incompatible platform]");
    ASSERT_EQ(files["Shell.bundle"].GetNumComponents(), 1);
    const auto& c = *files["Shell.bundle"].m_components.GetKorvaneComponentInfo(0);
    EXPECT_EQ(c.componentType, KCFourCC("KPPI"));
    EXPECT_EQ(c.shortName, "Shell");
    EXPECT_EQ(c.pluginType, eKPAPIShell);
}

TEST_F(FolderScanTest, ExampleEQIsScannableFromItsResources) {
    const fs::path source = fs::path(KORVANE_SOURCE_DIR) / "examples" / "eq";
    const fs::path res = Plugins() / "KvEQ.bundle" / "Contents" / "Resources";
    fs::create_directories(res);
    fs::copy(source / "resources", res, fs::copy_options::recursive);
    fs::copy_file(source / "resource_config.yaml", res / "resource_config.yaml");
    KCKorvanePluginFolderScanner scanner("eq");
    KCScanFilter filter;
    filter.AddComponentType(KCFourCC("KvEQ"));
    filter.AddAffiliation(KCFourCC("Kvne"));
    auto files = Scan(scanner, filter);
    ASSERT_EQ(files["KvEQ.bundle"].GetNumComponents(), 1) << Reasons(files["KvEQ.bundle"]);
    const auto& eq = *files["KvEQ.bundle"].m_components.GetKorvaneComponentInfo(0);
    EXPECT_EQ(eq.shortName, "Korvane EQ");
    EXPECT_EQ(eq.componentSubType, KCFourCC("ster"));
    EXPECT_EQ(eq.vendorName, "Korvane Audio");
    EXPECT_EQ(eq.numInputs, 2);
    EXPECT_EQ(eq.numOutputs, 2);
    EXPECT_FALSE(eq.isVirtualInstrument);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::KSC
