// The scan cache over real bundle trees: an unchanged rescan gives the very results of a full
// scan, every kind of change to a bundle is seen, a damaged or foreign cache file is ignored,
// and a different filter, scanner or feature flag does not reuse results made under another.
#include "korvane/scan/folder_scanner.h"

#include "korvane/fm/fm_test_support.h"
#include "korvane/rm/resource_manager.h"
#include "korvane/scan/scan_cache.h"
#include "korvane/scan/scan_test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <thread>
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

class ScanCacheTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(RM::Init(0x200, "KorvaneLib"), eNoErr); }
    void TearDown() override { EXPECT_EQ(RM::Dispose(), eNoErr); }

    [[nodiscard]] fs::path Plugins() const { return {tmp.Path("Plugins")}; }
    [[nodiscard]] fs::path CacheFile() const { return {tmp.Path("Logs/ScanCache.xml")}; }

    static KCScanFilter Filter() {
        KCScanFilter filter;
        filter.AddComponentType(KCFourCC("TsT1"));
        filter.AddAffiliation(KCFourCC("Kvne"));
        filter.SetMinAllowedInternalVersion(KCVersion(10));
        filter.SetMaxAllowedInternalVersion(KCVersion(10, 99));
        return filter;
    }

    // Scans the folder with `scanner`, through the cache file unless `cached` is false.
    KCPluginDiskScannerResults Scan(KCPluginFolderScanner& scanner, const KCScanFilter& filter,
                                    bool cached = true) {
        scanner.SetPluginFolderPath(FM::KCStPath(Plugins().c_str()));
        scanner.SetPluginScanFilterForFolder(filter);
        if (cached) {
            scanner.SetScanCacheFile(FM::KCStPath(CacheFile().c_str()));
            scanner.SetScanCacheSettleTime(settle);
        }
        EXPECT_EQ(scanner.BeforeScan(), eNoErr);
        KCPluginDiskScannerResults results;
        EXPECT_EQ(scanner.ScanFolderForComponents(results), eNoErr);
        EXPECT_EQ(scanner.AfterScan(), eNoErr);
        return results;
    }

    // A cached scan by a new scanner; `hits` gets how many results came from the cache.
    KCPluginDiskScannerResults CachedScan(const KCScanFilter& filter, int& hits) {
        KCKorvanePluginFolderScanner scanner("cached");
        auto results = Scan(scanner, filter);
        hits = scanner.GetScanCacheHits();
        return results;
    }

    // What a scan without any cache gives.
    KCPluginDiskScannerResults FullScan(const KCScanFilter& filter) {
        KCKorvanePluginFolderScanner scanner("full");
        return Scan(scanner, filter, false);
    }

    static std::string Reasons(const KCScannedFile& file) {
        KCFixedString<255> text;
        ScanRejectReasonsToText(file.m_rejectBits, text);
        return text.c_str();
    }

    static std::map<std::string, const KCScannedFile*> ByName(
        const KCPluginDiskScannerResults& results) {
        std::map<std::string, const KCScannedFile*> out;
        for (const auto& file : results.GetFiles()) {
            out[file.m_path.GetLeaf().c_str()] = &file;
        }
        return out;
    }

    // Every field of every file, in order.
    static void ExpectSame(const KCPluginDiskScannerResults& actual,
                           const KCPluginDiskScannerResults& expected) {
        ASSERT_EQ(actual.GetFiles().size(), expected.GetFiles().size());
        for (std::size_t i = 0; i < actual.GetFiles().size(); ++i) {
            const KCScannedFile& a = actual.GetFiles()[i];
            const KCScannedFile& e = expected.GetFiles()[i];
            SCOPED_TRACE(e.m_path.GetPathString().c_str());
            EXPECT_EQ(a.m_path.GetPathString(), e.m_path.GetPathString());
            EXPECT_EQ(a.m_rejectBits.Word(), e.m_rejectBits.Word());
            EXPECT_EQ(Reasons(a), Reasons(e));
            EXPECT_EQ(a.m_affiliations, e.m_affiliations);
            EXPECT_TRUE(a.m_bundleInfo == e.m_bundleInfo);
            ASSERT_EQ(a.GetNumComponents(), e.GetNumComponents());
            for (int c = 0; c < a.GetNumComponents(); ++c) {
                EXPECT_TRUE(*a.m_components.GetKorvaneComponentInfo(c) ==
                            *e.m_components.GetKorvaneComponentInfo(c))
                    << "component " << c;
            }
        }
    }

    // Lets the file system clock move on, so that a change made now gets other times than
    // the files written just before.
    static void LetTheClockTick() { std::this_thread::sleep_for(std::chrono::milliseconds(30)); }

    TempFolder tmp;
    ScopedEnv config{"XDG_CONFIG_HOME", tmp.Path("config")};
    std::int64_t settle = 0;
};

TEST_F(ScanCacheTest, UnchangedRescanGivesTheResultsOfAFullScan) {
    const fs::path dir = Plugins();
    MakeBundle(dir, "Valid", {});
    MakeBundle(dir / "Group", "Nested", {.process = ProcessXML("TsT1", {"mono", "ster"})});
    MakeBundle(dir, "NotPlugin", {.info = ""});
    MakeBundle(dir, "Unaffiliated", {.affiliations = "Othr"});
    MakeBundle(dir, "WrongVersion", {.info = InfoXML("9.4")});
    MakeBundle(dir, "PrescanOnly",
               {.process = "", .prescan = Prescan("TsT1", "mono", "Prescanned")});
    MakeBundle(dir, "BrokenInfo", {.info = "<InfoXML><InternalVersion>10"});
    MakeBundle(dir, "OtherType", {.process = ProcessXML("Othr", {"ster"})});
    MakeBundle(dir, "BadConfig", {.config = "Extensionz:\n  InfoXML: xml\n"});
    fs::create_directories(dir / "Empty.bundle");
    testing::WriteFile(dir / "File.bundle", "a file, not a folder");
    fs::create_directory_symlink("Missing", dir / "Dangling.bundle");
    constexpr int kCandidates = 12;

    const KCPluginDiskScannerResults full = FullScan(Filter());
    ASSERT_EQ(full.GetFiles().size(), static_cast<std::size_t>(kCandidates));
    ASSERT_EQ(full.GetNumUsedFiles(), 3);

    int hits = -1;
    ExpectSame(CachedScan(Filter(), hits), full);
    EXPECT_EQ(hits, 0);
    ASSERT_TRUE(fs::is_regular_file(CacheFile()));
    ExpectSame(CachedScan(Filter(), hits), full);
    EXPECT_EQ(hits, kCandidates);

    // The same file under a new identity is read from the disk again, not from the process's
    // copy: the results must come back whole from the text.
    const fs::path copy = tmp.Path("Logs/copy.xml");
    fs::copy_file(CacheFile(), copy);
    fs::rename(copy, CacheFile());
    ExpectSame(CachedScan(Filter(), hits), full);
    EXPECT_EQ(hits, kCandidates);

    // One scanner scanning again uses the cache as well.
    KCKorvanePluginFolderScanner scanner("again");
    ExpectSame(Scan(scanner, Filter()), full);
    ExpectSame(Scan(scanner, Filter()), full);
    EXPECT_EQ(scanner.GetScanCacheHits(), kCandidates);
}

TEST_F(ScanCacheTest, EveryChangeToABundleIsSeen) {
    const fs::path dir = Plugins();
    const fs::path touched = MakeBundle(dir, "Touched", {});
    const fs::path config = MakeBundle(dir, "Config", {});
    MakeBundle(dir, "Broken", {});
    MakeBundle(dir, "Deleted", {});
    const fs::path affiliation = MakeBundle(dir, "Affiliation", {});
    const fs::path prescan = MakeBundle(dir, "GainsPrescan", {});
    const fs::path variant = MakeBundle(dir, "GainsVariant", {});
    const fs::path linux = MakeBundle(dir, "LosesLinux", {});
    const fs::path redirected =
        MakeBundle(dir, "Redirected",
                   {.info = "",
                    .config = std::string(testing::kResourceConfig) +
                              "Redirection:\n  InfoXML:\n    '1000': Shared/Info.xml\n"});
    testing::WriteFile(redirected / "Contents/Resources/Shared/Info.xml", InfoXML());
    MakeBundle(dir, "Same1", {});
    MakeBundle(dir, "Same2", {});
    KCScanFilter filter = Filter();
    filter.SetLinuxProcessCode64Required(true);

    int hits = -1;
    ASSERT_EQ(CachedScan(filter, hits).GetNumUsedFiles(), 11);
    LetTheClockTick();

    const fs::path res = "Contents/Resources";
    // Same bytes, other time.
    fs::last_write_time(
        touched / res / "InfoXML/1000.xml",
        fs::last_write_time(touched / res / "InfoXML/1000.xml") - std::chrono::hours(1));
    testing::WriteFile(config / res / "resource_config.yaml",
                       "Extensions:\n  InfoXML: xml\n  ProcessXML: xml\n");
    fs::remove_all(dir / "Broken.bundle");
    MakeBundle(dir, "Broken", {.info = "<InfoXML><InternalVersion>10"});
    fs::remove_all(dir / "Deleted.bundle");
    MakeBundle(dir, "Added", {});
    // Same size, other bytes.
    testing::WriteFile(affiliation / res / "Affiliations/1000.txt", "Othr");
    testing::WriteFile(prescan / res / "Prescan/1000.xml", Prescan("TsT1", "mono", "Ready"));
    testing::WriteFile(variant / res / "ProcessXML/128?ster.xml", "<ProcessXML>");
    fs::remove_all(linux / "Contents/Linux64");
    testing::WriteFile(redirected / res / "Shared/Info.xml", InfoXML("9.0"));

    const KCPluginDiskScannerResults full = FullScan(filter);
    const KCPluginDiskScannerResults cached = CachedScan(filter, hits);
    ExpectSame(cached, full);
    EXPECT_EQ(hits, 2);  // Same1 and Same2

    auto files = ByName(cached);
    EXPECT_EQ(files.count("Deleted.bundle"), 0U);
    ASSERT_EQ(files.count("Added.bundle"), 1U);
    EXPECT_EQ(files["Added.bundle"]->GetNumComponents(), 1);
    EXPECT_EQ(Reasons(*files["Touched.bundle"]), "");
    // Without the "Affiliations" extension the list is not found: any affiliation then does.
    EXPECT_EQ(Reasons(*files["Config.bundle"]), "[Not affiliated]");
    EXPECT_EQ(Reasons(*files["Broken.bundle"]), "[No version found]");
    EXPECT_EQ(Reasons(*files["Affiliation.bundle"]), "[Not affiliated]");
    ASSERT_EQ(files["GainsPrescan.bundle"]->GetNumComponents(), 1);
    EXPECT_EQ(files["GainsPrescan.bundle"]->m_components.GetKorvaneComponentInfo(0)->shortName,
              "Ready");
    EXPECT_EQ(Reasons(*files["GainsVariant.bundle"]), "[No compatible hardware]");
    EXPECT_EQ(Reasons(*files["LosesLinux.bundle"]), "[Incompatible platform]");
    EXPECT_EQ(Reasons(*files["Redirected.bundle"]), "[Incompatible internal version]");

    // What was scanned again is kept in its turn.
    ExpectSame(CachedScan(filter, hits), full);
    EXPECT_EQ(hits, 11);
}

TEST_F(ScanCacheTest, DamagedOrForeignCacheFileIsIgnored) {
    MakeBundle(Plugins(), "One", {});
    MakeBundle(Plugins(), "Two", {.affiliations = "Othr"});
    const KCPluginDiskScannerResults full = FullScan(Filter());
    int hits = -1;
    (void)CachedScan(Filter(), hits);
    const std::string good = ReadAll(CacheFile().string());
    ASSERT_NE(good.find("Stamps=\""), std::string::npos);

    const auto replaced = [&good](const std::string& from, const std::string& to) {
        std::string text = good;
        const auto at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return at == std::string::npos ? text : text.replace(at, from.size(), to);
    };
    const std::map<std::string, std::string> damaged = {
        {"empty", ""},
        {"not XML", "\x01\x02 not a cache at all"},
        {"cut in half", good.substr(0, good.size() / 2)},
        {"foreign root", replaced("KorvaneScanCache", "LastScanResults")},
        {"older version", replaced("Version=\"2\"", "Version=\"1\"")},
        {"newer version", replaced("Version=\"2\"", "Version=\"3\"")},
        {"bad stamp kind", replaced("Stamps=\"d ", "Stamps=\"x ")},
        {"negative device", replaced("Stamps=\"d ", "Stamps=\"d -")},
        {"device out of range", replaced("Stamps=\"d ", "Stamps=\"d 99999999999999999999")},
        {"stamp without its path", replaced(" Contents|", "|")},
        {"empty stamp", replaced("Stamps=\"", "Stamps=\"|")},
        {"no stamps", replaced("Stamps=\"", "Stumps=\"")},
        {"bad reject bits", replaced("RejectBits=\"", "RejectBits=\"x")},
        {"reject bits out of range", replaced("RejectBits=\"", "RejectBits=\"99999999999")},
        {"bad affiliation", replaced("Affiliations=\"", "Affiliations=\" ")},
        {"affiliation out of range", replaced("Affiliations=\"", "Affiliations=\"99999999999")},
        {"no path", replaced("Path=\"", "Pat=\"")},
    };
    for (const auto& [name, text] : damaged) {
        SCOPED_TRACE(name);
        // Rewritten in place, possibly at its size: only its times tell the process's copy
        // that the file changed.
        LetTheClockTick();
        testing::WriteFile(CacheFile(), text);
        ExpectSame(CachedScan(Filter(), hits), full);
        EXPECT_EQ(hits, 0);
        // The scan wrote a whole cache again.
        ExpectSame(CachedScan(Filter(), hits), full);
        EXPECT_EQ(hits, 2);
    }

    // Something that is not a regular file is not read, and cannot be replaced either.
    fs::remove(CacheFile());
    fs::create_directory(CacheFile());
    ExpectSame(CachedScan(Filter(), hits), full);
    EXPECT_EQ(hits, 0);
}

TEST_F(ScanCacheTest, ResultsAreKeptPerScannerAndFilter) {
    const fs::path dir = Plugins();
    MakeBundle(dir, "Plugin", {});
    MakeBundle(dir, "Old", {.info = InfoXML("9.4")});
    const fs::path shell = MakeBundle(dir, "Shell", {.info = ""});
    testing::WriteFile(shell / "Contents/Resources/Xinf/1001", InfoXML());
    int hits = -1;
    (void)CachedScan(Filter(), hits);

    // What only finds or walks the folder does not change a bundle's result.
    KCScanFilter walk = Filter();
    walk.SetFolderSearchDepth(5);
    walk.SetBranchName("beta");
    ExpectSame(CachedScan(walk, hits), FullScan(walk));
    EXPECT_EQ(hits, 3);

    KCScanFilter types = Filter();
    types.AddComponentType(KCFourCC("TsT2"));
    KCScanFilter affiliations = Filter();
    affiliations.AddAffiliation(KCFourCC("Othr"));
    KCScanFilter versions = Filter();
    versions.SetMinAllowedInternalVersion(KCVersion(9));
    KCScanFilter unchecked = Filter();
    unchecked.SetCheckInternalVersions(false);
    KCScanFilter subComps = Filter();
    subComps.AddSubcomponent(KCFourCC("mono"));
    KCScanFilter linux = Filter();
    linux.SetLinuxProcessCode64Required(true);
    for (const KCScanFilter* other :
         {&types, &affiliations, &versions, &unchecked, &subComps, &linux}) {
        ExpectSame(CachedScan(*other, hits), FullScan(*other));
        EXPECT_EQ(hits, 0);
    }
    EXPECT_EQ(ByName(FullScan(versions))["Old.bundle"]->GetNumComponents(), 1);
    EXPECT_EQ(ByName(FullScan(subComps))["Plugin.bundle"]->GetNumComponents(), 0);

    // Each filter's results stay: going back to the first finds them.
    ExpectSame(CachedScan(Filter(), hits), FullScan(Filter()));
    EXPECT_EQ(hits, 3);
    ExpectSame(CachedScan(versions, hits), FullScan(versions));
    EXPECT_EQ(hits, 3);

    // Ignoring prescans, or another scanner, is another context too.
    {
        KCKorvanePluginFolderScanner scanner("noprescan");
        scanner.SetIgnorePrescanResource(true);
        (void)Scan(scanner, Filter());
        EXPECT_EQ(scanner.GetScanCacheHits(), 0);
    }
    KCScanFilter shells = Filter();
    shells.AddComponentType(KCFourCC("KPPI"));
    const auto shellScan = [&](bool cached, int& shellHits) {
        KCKPAPIFolderScanner scanner("shells");
        auto results = Scan(scanner, shells, cached);
        shellHits = scanner.GetScanCacheHits();
        return results;
    };
    int ignored = 0;
    const KCPluginDiskScannerResults shellFull = shellScan(false, ignored);
    EXPECT_EQ(shellFull.GetNumUsedFiles(), 1);
    ExpectSame(shellScan(true, hits), shellFull);
    EXPECT_EQ(hits, 0);
    ExpectSame(shellScan(true, hits), shellFull);
    EXPECT_EQ(hits, 3);
    ExpectSame(CachedScan(Filter(), hits), FullScan(Filter()));
    EXPECT_EQ(hits, 3);
}

TEST_F(ScanCacheTest, FeatureFlagAskedByAScanIsAskedAgain) {
    const std::string types =
        "<SubComponentTypeList>"
        "<SubComponentType Name=\"Plain\"><thng Type=\"TsT1\"/></SubComponentType>"
        "<SubComponentType Name=\"Flagged\" FeatureFlag=\"ScanCacheNew\">"
        "<thng Type=\"TsT1\"/></SubComponentType></SubComponentTypeList>";
    MakeBundle(Plugins(), "Flags", {.process = ProcessXML("", {"ster"}, types)});
    MakeBundle(Plugins(), "Plain", {});
    int hits = -1;
    EXPECT_EQ(CachedScan(Filter(), hits).GetNumComponents(), 2);
    testing::WriteFile(
        fs::path(tmp.Path("config")) / "Korvane Audio" / "Preferences" / "FeatureFlags.yaml",
        "FeatureFlags:\n  ScanCacheNew: on\n");
    const KCPluginDiskScannerResults cached = CachedScan(Filter(), hits);
    ExpectSame(cached, FullScan(Filter()));
    EXPECT_EQ(cached.GetNumComponents(), 3);
    EXPECT_EQ(hits, 1);  // Plain asked for no flag
}

TEST_F(ScanCacheTest, RecentlyChangedBundlesAreScannedEveryTime) {
    settle = kDefaultScanCacheSettleTime;
    MakeBundle(Plugins(), "Fresh", {});
    int hits = -1;
    const KCPluginDiskScannerResults first = CachedScan(Filter(), hits);
    ExpectSame(CachedScan(Filter(), hits), first);
    EXPECT_EQ(hits, 0);
}

TEST_F(ScanCacheTest, DefaultCacheFileLivesBesideTheScanReport) {
    ScopedEnv desktop("XDG_DESKTOP_DIR", tmp.Path("Desktop"));
    FM::KCStPath path;
    ASSERT_EQ(KCPluginFolderScanner::GetDefaultScanCacheFilePath(path), eNoErr);
    EXPECT_EQ(path.GetPathString(), tmp.Path("Desktop/Logs/korvane_scan_tests/ScanCache.xml"));
    KCKorvanePluginFolderScanner scanner("default");
    EXPECT_FALSE(scanner.GetScanCacheFile().IsValid());
}

// A cache entry with every kind of field, and numbers at the ends of their ranges.
KSScanCacheEntry SampleEntry(std::string relative) {
    KSScanCacheEntry entry;
    entry.stamps = {
        {"Contents",
         {platform::EStampKind::eFolder, 2049, 77, 4096, 1'700'000'000'123'456'789, -5}},
        {std::move(relative),
         {platform::EStampKind::eFile, UINT64_MAX, 1, 0, INT64_MIN, INT64_MAX}},
    };
    entry.flags = {{"SomeFlag", true}, {"Other flag", false}};
    entry.file.m_rejectBits.SetWord(5);
    entry.file.m_affiliations = {KCFourCC("Kvne"), KCFourCC(0U)};
    entry.file.m_bundleInfo.pluginName = "Plug <&> \"one\"";
    KorvaneComponentInfo component;
    component.componentType = KCFourCC("TsT1");
    component.componentSubType = KCFourCC(0U);
    component.numInputs = 2;
    entry.file.m_components.Add(component);
    return entry;
}

// The file's text on its own.
class ScanCacheTextTest : public ::testing::Test {
protected:
    static KTScanCacheGroups Groups() {
        auto group = std::make_shared<KSScanCacheGroup>();
        group->folder = "/plugins";
        group->context = "scanner|filter";
        group->entries["/plugins/One.bundle"] =
            std::make_shared<const KSScanCacheEntry>(SampleEntry("Contents/Resources/a b.xml"));
        group->entries["/plugins/Two.bundle"] =
            std::make_shared<const KSScanCacheEntry>(SampleEntry(""));
        return {group};
    }
};

TEST_F(ScanCacheTextTest, ReadsBackEveryField) {
    const KTScanCacheGroups groups = Groups();
    const std::string text = WriteScanCacheText(groups);
    KTScanCacheGroups back;
    ASSERT_TRUE(ReadScanCacheText(text.data(), text.size(), back));
    ASSERT_EQ(back.size(), 1U);
    EXPECT_EQ(back[0]->folder, groups[0]->folder);
    EXPECT_EQ(back[0]->context, groups[0]->context);
    ASSERT_EQ(back[0]->entries.size(), groups[0]->entries.size());
    for (const auto& [path, entry] : groups[0]->entries) {
        SCOPED_TRACE(path);
        const auto it = back[0]->entries.find(path);
        ASSERT_NE(it, back[0]->entries.end());
        const KSScanCacheEntry& read = *it->second;
        EXPECT_EQ(read.stamps, entry->stamps);
        EXPECT_EQ(read.flags, entry->flags);
        EXPECT_EQ(read.file.m_path.GetPathString(), path.c_str());
        EXPECT_EQ(read.file.m_rejectBits.Word(), entry->file.m_rejectBits.Word());
        EXPECT_EQ(read.file.m_affiliations, entry->file.m_affiliations);
        EXPECT_TRUE(read.file.m_bundleInfo == entry->file.m_bundleInfo);
        ASSERT_EQ(read.file.GetNumComponents(), 1);
        EXPECT_TRUE(*read.file.m_components.GetKorvaneComponentInfo(0) ==
                    *entry->file.m_components.GetKorvaneComponentInfo(0));
    }
}

TEST_F(ScanCacheTextTest, TruncatedFileIsRefusedWhole) {
    const std::string text = WriteScanCacheText(Groups());
    for (std::size_t size = 0; size < text.size(); ++size) {
        // Cutting only trailing white space leaves the whole cache.
        if (text.find_first_not_of(" \t\r\n", size) == std::string::npos) {
            continue;
        }
        KTScanCacheGroups back = Groups();
        EXPECT_FALSE(ReadScanCacheText(text.data(), size, back)) << "cut at " << size;
        EXPECT_TRUE(back.empty()) << "cut at " << size;
    }
}

TEST_F(ScanCacheTest, EntryThatWouldNotReadBackIsNotKept) {
    const std::string candidate = Plugins().string() + "/One.bundle";
    fs::create_directories(CacheFile().parent_path());
    // Times long past, else the entry is not kept as too fresh.
    const auto settled = [](std::string relative) {
        KSScanCacheEntry entry = SampleEntry(std::move(relative));
        entry.stamps[1].status.modified = entry.stamps[1].status.changed = 1;
        return entry;
    };
    {
        KCScanCacheSession session(FM::KCStPath(CacheFile().c_str()), Plugins().string(), "c");
        // The stamps' separator inside a path.
        session.Store(candidate, settled("Contents/a|b"), 0);
        EXPECT_EQ(session.Finish(), eNoErr);
    }
    EXPECT_FALSE(fs::exists(CacheFile()));
    {
        KCScanCacheSession session(FM::KCStPath(CacheFile().c_str()), Plugins().string(), "c");
        session.Store(candidate, settled("Contents/a b"), 0);
        EXPECT_EQ(session.Finish(), eNoErr);
    }
    KTScanCacheGroups back;
    const std::string text = ReadAll(CacheFile().string());
    ASSERT_TRUE(ReadScanCacheText(text.data(), text.size(), back));
    ASSERT_EQ(back.size(), 1U);
    EXPECT_EQ(back[0]->entries.count(candidate), 1U);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::KSC
