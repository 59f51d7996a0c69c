// The scan cache over real bundle trees: an unchanged rescan gives the very results of a full
// scan, every kind of change to a bundle is seen, a damaged or foreign cache file is ignored,
// and a different filter, scanner or feature flag does not reuse results made under another.
#include "korvane/scan/folder_scanner.h"

#include "korvane/fm/fm_test_support.h"
#include "korvane/rm/resource_manager.h"
#include "korvane/scan/scan_cache.h"
#include "korvane/scan/scan_test_support.h"

#include <gtest/gtest.h>

#include <charconv>
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
    [[nodiscard]] fs::path CacheFile() const { return {tmp.Path("Logs/ScanCache.txt")}; }

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

// Resources asked for by name are watched through their own files, not their type folders:
// one coming, going, renamed in or out, or replaced must still be seen, with or without the
// type folder, and another file beside one changes nothing.
TEST_F(ScanCacheTest, ResourceAskedForByNameIsSeenComingGoingAndRenamed) {
    const fs::path dir = Plugins();
    const fs::path res = "Contents/Resources";
    const fs::path gainsInfo = MakeBundle(dir, "GainsInfo", {.info = ""});
    const fs::path gainsInfoInFolder = MakeBundle(dir, "GainsInfoInFolder", {.info = ""});
    fs::create_directories(gainsInfoInFolder / res / "InfoXML");
    const fs::path losesInfo = MakeBundle(dir, "LosesInfo", {});
    const fs::path renamesAway = MakeBundle(dir, "RenamesAway", {});
    const fs::path renamesIn = MakeBundle(dir, "RenamesIn", {.info = ""});
    testing::WriteFile(renamesIn / res / "InfoXML/1001.xml", InfoXML());
    const fs::path replaced = MakeBundle(dir, "Replaced", {});
    const fs::path gainsList = MakeBundle(dir, "GainsAffiliationList", {.affiliations = ""});
    testing::WriteFile(gainsList / res / "Affiliation/1", "Othr");
    const fs::path gainsAlg = MakeBundle(dir, "GainsAlg", {});
    const fs::path unrelated = MakeBundle(dir, "Unrelated", {});
    MakeBundle(dir, "Same", {});

    int hits = -1;
    ASSERT_EQ(CachedScan(Filter(), hits).GetNumUsedFiles(), 6);
    ASSERT_EQ(CachedScan(Filter(), hits).GetNumUsedFiles(), 6);
    ASSERT_EQ(hits, 10);
    LetTheClockTick();

    testing::WriteFile(gainsInfo / res / "InfoXML/1000.xml", InfoXML());
    testing::WriteFile(gainsInfoInFolder / res / "InfoXML/1000.xml", InfoXML());
    fs::remove(losesInfo / res / "InfoXML/1000.xml");
    fs::rename(renamesAway / res / "InfoXML/1000.xml", renamesAway / res / "InfoXML/1001.xml");
    fs::rename(renamesIn / res / "InfoXML/1001.xml", renamesIn / res / "InfoXML/1000.xml");
    // Another file renamed over the name: same folder, another file.
    testing::WriteFile(replaced / res / "InfoXML/new.xml", InfoXML("9.0"));
    fs::rename(replaced / res / "InfoXML/new.xml", replaced / res / "InfoXML/1000.xml");
    testing::WriteFile(gainsList / res / "Affiliations/1000.txt", "Kvne");
    testing::WriteFile(gainsAlg / res / "AlgXML/128.xml",
                       "<AlgXML><cALGORITHM IsVirtualInstrument=\"yes\"/></AlgXML>");
    testing::WriteFile(unrelated / res / "InfoXML/1001.xml", InfoXML("9.0"));

    const KCPluginDiskScannerResults full = FullScan(Filter());
    const KCPluginDiskScannerResults cached = CachedScan(Filter(), hits);
    ExpectSame(cached, full);
    EXPECT_EQ(hits, 2);  // Unrelated and Same

    auto files = ByName(cached);
    EXPECT_EQ(Reasons(*files["GainsInfo.bundle"]), "");
    EXPECT_EQ(Reasons(*files["GainsInfoInFolder.bundle"]), "");
    EXPECT_EQ(Reasons(*files["LosesInfo.bundle"]), "[Not a plugin]");
    EXPECT_EQ(Reasons(*files["RenamesAway.bundle"]), "[Not a plugin]");
    EXPECT_EQ(Reasons(*files["RenamesIn.bundle"]), "");
    EXPECT_EQ(Reasons(*files["Replaced.bundle"]), "[Incompatible internal version]");
    EXPECT_EQ(Reasons(*files["GainsAffiliationList.bundle"]), "");
    ASSERT_EQ(files["GainsAlg.bundle"]->GetNumComponents(), 1);
    EXPECT_TRUE(
        files["GainsAlg.bundle"]->m_components.GetKorvaneComponentInfo(0)->isVirtualInstrument);
    EXPECT_EQ(Reasons(*files["Unrelated.bundle"]), "");

    ExpectSame(CachedScan(Filter(), hits), full);
    EXPECT_EQ(hits, 10);
}

// A folder's time stands for the resources it lacks, so a folder changed too recently for its
// time to be trusted keeps the result out of the cache, as a recently changed file does.
TEST_F(ScanCacheTest, FolderChangedWithinTheSettleTimeIsNotTrusted) {
    constexpr auto kSettle = std::chrono::milliseconds(300);
    settle = std::chrono::nanoseconds(kSettle).count();
    const fs::path bundle = MakeBundle(Plugins(), "Plain", {});
    std::this_thread::sleep_for(kSettle + std::chrono::milliseconds(100));
    // Only the resources folder's times are new: nothing the scan reads changed.
    fs::create_directory(bundle / "Contents/Resources/Notes");
    int hits = -1;
    const KCPluginDiskScannerResults first = CachedScan(Filter(), hits);
    ExpectSame(CachedScan(Filter(), hits), first);
    EXPECT_EQ(hits, 0);

    std::this_thread::sleep_for(kSettle + std::chrono::milliseconds(100));
    ExpectSame(CachedScan(Filter(), hits), first);
    EXPECT_EQ(hits, 0);  // kept now
    ExpectSame(CachedScan(Filter(), hits), first);
    EXPECT_EQ(hits, 1);
}

TEST_F(ScanCacheTest, DamagedOrForeignCacheFileIsIgnored) {
    MakeBundle(Plugins(), "One", {});
    MakeBundle(Plugins(), "Two", {.affiliations = "Othr"});
    const KCPluginDiskScannerResults full = FullScan(Filter());
    int hits = -1;
    (void)CachedScan(Filter(), hits);
    const std::string good = ReadAll(CacheFile().string());
    ASSERT_TRUE(good.starts_with("KorvaneScanCache\t3\n"));

    // One byte changed in the middle, the checksum left as it was.
    std::string flipped = good;
    flipped[flipped.size() / 2] ^= 0x20;
    const std::map<std::string, std::string> damaged = {
        {"empty", ""},
        {"not a cache", "\x01\x02 not a cache at all"},
        {"cut in half", good.substr(0, good.size() / 2)},
        {"one byte changed", flipped},
        {"older version", "<?xml version=\"1.0\"?>\n<KorvaneScanCache Version=\"2\"/>\n"},
        {"newer version", "KorvaneScanCache\t4" + good.substr(good.find('\n'))},
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
    EXPECT_EQ(path.GetPathString(), tmp.Path("Desktop/Logs/korvane_scan_tests/ScanCache.txt"));
    KCKorvanePluginFolderScanner scanner("default");
    EXPECT_FALSE(scanner.GetScanCacheFile().IsValid());
}

// Looked up from the candidate's folder kept open, a status is the one the candidate opened on
// its own gives: links followed, a file or a missing candidate, and another folder after one.
TEST(ScanCacheStatuses, FromTheFolderKeptOpenAsFromTheCandidate) {
    TempFolder tmp;
    const fs::path a = tmp.Path("A");
    const fs::path b = tmp.Path("B");
    MakeBundle(a, "One", {});
    MakeBundle(b, "Two", {});
    fs::create_directory_symlink(b / "Two.bundle", a / "Link.bundle");
    testing::WriteFile(a / "File.bundle", "not a bundle");
    fs::create_symlink(a / "Gone.bundle", a / "Dangling.bundle");
    platform::KCStatusesInFolder folders;
    for (const fs::path& candidate :
         {a / "One.bundle", a / "Link.bundle", a / "File.bundle", a / "Dangling.bundle",
          a / "Missing.bundle", b / "Two.bundle", a / "One.bundle"}) {
        for (const std::string relative :
             {"", "Contents", "Contents/Resources/InfoXML/1000.xml", "Contents/None"}) {
            SCOPED_TRACE(candidate.string() + " " + relative);
            const platform::KSFileStatus alone =
                platform::KCStatusesBelow(candidate.string()).StatusOf(relative);
            EXPECT_EQ(folders.StatusOf(candidate.string(), relative), alone);
        }
    }
    EXPECT_EQ(folders.StatusOf((a / "One.bundle").string(), "Contents").kind,
              platform::EStampKind::eFolder);
    EXPECT_EQ(folders.StatusOf((a / "Link.bundle").string(), "").kind,
              platform::EStampKind::eFolder);
    EXPECT_EQ(folders.StatusOf((a / "File.bundle").string(), "").kind, platform::EStampKind::eFile);
    EXPECT_EQ(folders.StatusOf((a / "Dangling.bundle").string(), "").kind,
              platform::EStampKind::eAbsent);
}

// A folder kept open answers for what lies below it in the same candidate only: a sibling
// sharing its name's start, another candidate's same path and a kept "folder" that is a file,
// missing or a link are looked up as without it.
TEST(ScanCacheStatuses, BelowAKeptFolderAsFromTheCandidate) {
    TempFolder tmp;
    const fs::path a = tmp.Path("A");
    const fs::path one = MakeBundle(a, "One", {});
    const fs::path two = MakeBundle(a, "Two", {});
    fs::create_directory_symlink(one, a / "Link.bundle");
    testing::WriteFile(one / "Contents/Resources/InfoXML2/1000.xml", "a sibling");
    platform::KCStatusesInFolder folders;
    const auto expectSame = [&](const fs::path& candidate, const std::string& relative,
                                bool keepOpen) {
        SCOPED_TRACE(candidate.string() + " " + relative + (keepOpen ? " kept" : ""));
        const platform::KSFileStatus alone =
            platform::KCStatusesBelow(candidate.string()).StatusOf(relative);
        EXPECT_EQ(folders.StatusOf(candidate.string(), relative, keepOpen), alone);
        return alone;
    };
    const std::string res = "Contents/Resources";
    EXPECT_EQ(expectSame(one, res + "/InfoXML", true).kind, platform::EStampKind::eFolder);
    EXPECT_EQ(expectSame(one, res + "/InfoXML/1000.xml", false).kind, platform::EStampKind::eFile);
    expectSame(one, res + "/InfoXML2/1000.xml", false);
    expectSame(one, res + "/InfoXML/None", false);
    expectSame(two, res + "/InfoXML/1000.xml", false);
    expectSame(a / "Link.bundle", res + "/InfoXML/1000.xml", false);
    expectSame(a / "Link.bundle", res, true);
    expectSame(a / "Link.bundle", res + "/InfoXML2/1000.xml", false);
    expectSame(a / "Link.bundle", res + "//InfoXML/1000.xml", false);
    expectSame(one, res + "/InfoXML2/1000.xml", true);  // a file: nothing kept
    expectSame(one, res + "/Missing", true);
    expectSame(one, res + "/ProcessXML/128.xml", false);
    expectSame(one, "", true);

    // A folder replaced after its candidate was last asked about is seen as the new one.
    expectSame(two, res, true);
    fs::remove_all(two / res);
    MakeBundle(a, "Two", {.info = "<InfoXML/>"});
    expectSame(two, res, true);
    expectSame(two, res + "/InfoXML/1000.xml", false);
}

// A process code description with every field set, extern buffers and cycle counts.
ProcessMemory::CProcCodeDesc SampleDesc() {
    ProcessMemory::CProcCodeDesc desc;
    desc.ResType_ = KCFourCC("PCod");
    desc.ResID_ = -32768;
    desc.IdleResID_ = 32767;
    desc.ProcessorFamily = ProcessMemory::eProcessorFamilyx86;
    desc.States = 1;
    desc.Coefs = 2;
    desc.InternalP = 3;
    desc.InternalX = 4;
    desc.InternalY = 5;
    desc.MaxSampleRate = 192000;
    desc.TotalInputs = 3;
    desc.SideChainInputs = 1;
    desc.Outputs = 2;
    desc.IdleInternalP = 6;
    desc.HasMIDIInput = true;
    desc.CyclesList = {100, -1, 0, 7, 2147483647};
    desc.SetProcessFuncName("Process\tMain");
    ProcessMemory::CProcCodeDesc::SExternBuffDesc buffer;
    buffer.memSpace = KCFourCC(0U);
    buffer.size = ProcessMemory::CProcCodeDesc::kMaxWords;
    buffer.accessCount = 4294967295U;
    buffer.cyclic = true;
    buffer.memAlign = 16;
    buffer.dram = true;
    desc.ExternBuffDescs = {buffer, {}};
    return desc;
}

// A cache entry with every kind of field, texts that need escaping, zero codes, empty lists,
// and numbers at the ends of their ranges.
KSScanCacheEntry SampleEntry(std::string relative) {
    KSScanCacheEntry entry;
    entry.stamps = {
        {"Contents",
         {platform::EStampKind::eFolder, 2049, 77, 4096, 1'700'000'000'123'456'789, -5}},
        {std::move(relative),
         {platform::EStampKind::eFile, UINT64_MAX, 1, 0, INT64_MIN, INT64_MAX}},
        {"Contents/Resources/x", {}},
    };
    entry.flags = {{"SomeFlag", true}, {"Other\tflag\n", false}, {"", true}};
    entry.file.m_rejectBits.SetWord(4294967295U);
    entry.file.m_affiliations = {KCFourCC("Kvne"), KCFourCC(0U), KCFourCC(4294967295U)};
    KorvaneComponentInfo& plugin = entry.file.m_bundleInfo;
    plugin.pluginType = eKPAPIShell;
    plugin.pluginName = "Plug <&> \"one\"\\ \xC3\xA9t\xC3\xA9\t\r\n";
    plugin.pluginFilePath = "/plugins/One\\.bundle";
    plugin.vendorName = "Korvane \xE2\x99\xAB Audio";
    plugin.pluginInternalVersion = KCVersion(10, 0, 3, 4294967295U);
    plugin.pluginAPIVersion = KCVersion(1, 2);
    KorvaneComponentInfo component;
    component.componentType = KCFourCC("TsT1");
    component.componentSubType = KCFourCC(0U);
    component.componentAffiliation = KCFourCC(0U);
    component.shortName = std::string(63, 'n').c_str();
    component.instanceType = eInitPluginForTest;
    component.categoryName = "Effect\\t";
    component.pluginExternalVersion = "1.0 beta";
    component.subComponentIndex = -2147483647 - 1;
    component.showSubComp = true;
    component.componentGUID = "TsT1-none-none";
    component.numInputs = 2;
    component.numOutputs = -1;
    component.isVirtualInstrument = true;
    component.compProcCodeDesc = {SampleDesc(), ProcessMemory::CProcCodeDesc()};
    component.compProcCodeDesc[1].ProcessorFamily = ProcessMemory::eProcessorFamily56k;
    component.compProcCodeDesc[1].CyclesList.assign(
        static_cast<std::size_t>(
            ProcessMemory::ProcessorSpecificCount(ProcessMemory::eProcessorFamily56k)),
        -1);
    component.compProcCodeDesc.front().CyclesList.resize(static_cast<std::size_t>(
        ProcessMemory::ProcessorSpecificCount(ProcessMemory::eProcessorFamilyx86)));
    entry.file.m_components.Add(component);
    component.componentSubType = KCFourCC("mono");
    component.compProcCodeDesc.clear();
    entry.file.m_components.Add(component);
    return entry;
}

// Every field of two descriptions, those the XML form leaves out included.
void ExpectSameDesc(const ProcessMemory::CProcCodeDesc& a, const ProcessMemory::CProcCodeDesc& b) {
    EXPECT_EQ(a.ResType_, b.ResType_);
    EXPECT_EQ(a.ResID_, b.ResID_);
    EXPECT_EQ(a.IdleResID_, b.IdleResID_);
    EXPECT_EQ(a.ProcessorFamily, b.ProcessorFamily);
    EXPECT_EQ(std::vector<std::uint32_t>({a.States, a.Coefs, a.InternalP, a.InternalX, a.InternalY,
                                          a.MaxSampleRate, a.TotalInputs, a.SideChainInputs,
                                          a.Outputs, a.IdleInternalP}),
              std::vector<std::uint32_t>({b.States, b.Coefs, b.InternalP, b.InternalX, b.InternalY,
                                          b.MaxSampleRate, b.TotalInputs, b.SideChainInputs,
                                          b.Outputs, b.IdleInternalP}));
    EXPECT_EQ(a.HasMIDIInput, b.HasMIDIInput);
    EXPECT_EQ(a.CyclesList, b.CyclesList);
    EXPECT_STREQ(a.GetProcessFuncName().c_str(), b.GetProcessFuncName().c_str());
    EXPECT_EQ(a.ExternBuffDescs, b.ExternBuffDescs);
}

// The file's text on its own.
class ScanCacheTextTest : public ::testing::Test {
protected:
    static KTScanCacheGroups Groups() {
        auto group = std::make_shared<KSScanCacheGroup>();
        group->folder = "/plugins\twith\ntabs\\";
        group->context = "scanner|filter";
        group->entries["/plugins/One.bundle"] =
            std::make_shared<const KSScanCacheEntry>(SampleEntry("Contents/Resources/a b|c.xml"));
        KSScanCacheEntry bare;
        bare.stamps = {{"", {}}};
        group->entries["/plugins/Two\t\n.bundle"] = std::make_shared<const KSScanCacheEntry>(bare);
        auto empty = std::make_shared<KSScanCacheGroup>();
        return {group, empty};
    }

    // The text with its last line made anew for what comes before it, so that a change
    // reaches the field checks rather than only the checksum.
    static std::string Resealed(const std::string& text) {
        const std::size_t trailer = text.find_last_of('\n', text.size() - 2) + 1;
        std::string body = text.substr(0, trailer);
        char sum[24];
        const auto [end, ec] = std::to_chars(sum, sum + sizeof sum, ScanCacheChecksum(body));
        return body + "end\t" + std::string(sum, end) + "\n";
    }

    static bool Reads(const std::string& text) {
        KTScanCacheGroups back = Groups();
        const bool read = ReadScanCacheText(text.data(), text.size(), back);
        EXPECT_EQ(read, !back.empty());
        return read;
    }
};

TEST_F(ScanCacheTextTest, ReadsBackEveryField) {
    const KTScanCacheGroups groups = Groups();
    const std::string text = WriteScanCacheText(groups);
    KTScanCacheGroups back;
    ASSERT_TRUE(ReadScanCacheText(text.data(), text.size(), back));
    ASSERT_EQ(back.size(), 2U);
    EXPECT_TRUE(back[1]->entries.empty());
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
        EXPECT_TRUE(read.file.m_path.GetPathString().empty());  // the key is the path
        EXPECT_EQ(read.file.m_rejectBits.Word(), entry->file.m_rejectBits.Word());
        EXPECT_EQ(read.file.m_affiliations, entry->file.m_affiliations);
        EXPECT_TRUE(read.file.m_bundleInfo == entry->file.m_bundleInfo);
        ASSERT_EQ(read.file.GetNumComponents(), entry->file.GetNumComponents());
        for (int i = 0; i < read.file.GetNumComponents(); ++i) {
            const KorvaneComponentInfo& a = *read.file.m_components.GetKorvaneComponentInfo(i);
            const KorvaneComponentInfo& b = *entry->file.m_components.GetKorvaneComponentInfo(i);
            EXPECT_TRUE(a == b) << i;
            ASSERT_EQ(a.compProcCodeDesc.size(), b.compProcCodeDesc.size());
            for (std::size_t d = 0; d < a.compProcCodeDesc.size(); ++d) {
                ExpectSameDesc(a.compProcCodeDesc[d], b.compProcCodeDesc[d]);
            }
        }
    }
    // Written again, the same text.
    EXPECT_EQ(WriteScanCacheText(back), text);
}

TEST_F(ScanCacheTextTest, StampPathsRepeatedFromTheEntryBeforeAreShared) {
    auto group = std::make_shared<KSScanCacheGroup>();
    group->folder = "/plugins";
    // B stamps another path where A and C stamp an escaped one.
    group->entries["/plugins/A.bundle"] =
        std::make_shared<const KSScanCacheEntry>(SampleEntry("Contents/a\tb\\c"));
    group->entries["/plugins/B.bundle"] =
        std::make_shared<const KSScanCacheEntry>(SampleEntry("Contents/other"));
    group->entries["/plugins/C.bundle"] =
        std::make_shared<const KSScanCacheEntry>(SampleEntry("Contents/a\tb\\c"));
    const std::string text = WriteScanCacheText({group});
    KTScanCacheGroups back;
    ASSERT_TRUE(ReadScanCacheText(text.data(), text.size(), back));
    ASSERT_EQ(back.size(), 1U);
    const auto& entries = back[0]->entries;
    ASSERT_EQ(entries.size(), 3U);
    for (const auto& [path, entry] : entries) {
        SCOPED_TRACE(path);
        EXPECT_EQ(entry->stamps, group->entries.at(path)->stamps);
        ASSERT_EQ(entry->stamps.size(), 3U);
    }
    const auto& a = entries.at("/plugins/A.bundle")->stamps;
    const auto& b = entries.at("/plugins/B.bundle")->stamps;
    const auto& c = entries.at("/plugins/C.bundle")->stamps;
    for (std::size_t i : {0U, 2U}) {
        EXPECT_EQ(&a[i].relative.str(), &b[i].relative.str()) << i;
        EXPECT_EQ(&b[i].relative.str(), &c[i].relative.str()) << i;
    }
    EXPECT_EQ(a[1].relative.str(), "Contents/a\tb\\c");
    EXPECT_EQ(b[1].relative.str(), "Contents/other");
    EXPECT_EQ(c[1].relative.str(), "Contents/a\tb\\c");
}

TEST_F(ScanCacheTextTest, TruncatedFileIsRefusedWhole) {
    const std::string text = WriteScanCacheText(Groups());
    for (std::size_t size = 0; size < text.size(); ++size) {
        EXPECT_FALSE(Reads(text.substr(0, size))) << "cut at " << size;
    }
    EXPECT_TRUE(Reads(text));
}

TEST_F(ScanCacheTextTest, DamagedFieldsAreRefusedWhole) {
    const std::string good = WriteScanCacheText(Groups());
    ASSERT_TRUE(Reads(Resealed(good)));
    const auto replaced = [&good](const std::string& from, const std::string& to) {
        std::string text = good;
        const auto at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return Resealed(at == std::string::npos ? text : text.replace(at, from.size(), to));
    };
    const std::string plugin = "\nP\t4\t/plugins/One\\\\.bundle\t";
    const std::string desc =
        "\nD\t1346596708\t-32768\t32767\t3\t1\t2\t3\t4\t5\t192000\t3\t1\t2\t6\t1\t";
    const std::map<std::string, std::string> damaged = {
        {"older version", replaced("KorvaneScanCache\t3\n", "KorvaneScanCache\t2\n")},
        {"checksum not a number", good.substr(0, good.rfind("end\t") + 4) + "x\n"},
        {"no newline at the end", good.substr(0, good.size() - 1)},
        {"unknown record", replaced("\nF\t1\tSomeFlag\n", "\nQ\t1\tSomeFlag\n")},
        {"record without a tab", replaced("\nF\t1\tSomeFlag\n", "\nF1\tSomeFlag\n")},
        {"bad stamp kind", replaced("\nS\td\t", "\nS\tx\t")},
        {"negative device", replaced("\nS\td\t", "\nS\td\t-")},
        {"device out of range", replaced("\nS\td\t2049", "\nS\td\t99999999999999999999")},
        {"time of 20 digits", replaced("\t1700000000123456789\t", "\t17000000001234567890\t")},
        {"time below its range",
         replaced("\t-5\tContents\n", "\t-9223372036854775809\tContents\n")},
        {"time with a letter among its digits",
         replaced("\t1700000000123456789\t", "\t17000000x0123456789\t")},
        {"time without digits", replaced("\t-5\tContents\n", "\t-\tContents\n")},
        {"stamp without its path", replaced("\tContents\n", "\n")},
        {"stamp with a field more", replaced("\tContents\n", "\tContents\tmore\n")},
        {"flag neither 0 nor 1", replaced("\nF\t1\tSomeFlag\n", "\nF\t2\tSomeFlag\n")},
        {"unknown escape", replaced("\nF\t1\tSomeFlag\n", "\nF\t1\tSome\\qFlag\n")},
        {"escape cut short", replaced("\nF\t1\tSomeFlag\n", "\nF\t1\tSomeFlag\\\n")},
        {"bare CR", replaced("\nF\t1\tSomeFlag\n", "\nF\t1\tSome\rFlag\n")},
        {"reject bits not a number", replaced("\t4294967295\t1266052709,", "\tx\t1266052709,")},
        {"reject bits out of range",
         replaced("\t4294967295\t1266052709,", "\t4294967296\t1266052709,")},
        {"affiliations trailing comma", replaced(",0,4294967295\n", ",0,4294967295,\n")},
        {"affiliation out of range", replaced(",0,4294967295\n", ",0,4294967296\n")},
        {"path not absolute", replaced("\nC\t/plugins/One", "\nC\tplugins/One")},
        {"plug-in type out of the list", replaced(plugin, "\nP\t5\t/plugins/One\\\\.bundle\t")},
        {"version of three parts", replaced("\t10.0.3.4294967295\t", "\t10.0.3\t")},
        {"version out of range", replaced("\t10.0.3.4294967295\t", "\t10.0.3.4294967296\t")},
        {"name longer than its string", replaced(std::string(63, 'n'), std::string(64, 'n'))},
        {"escaped NUL in a name", replaced(std::string(63, 'n'), "n\\0n")},
        {"no plug-in record", replaced(plugin, "\nI\t4\t/plugins/One\\\\.bundle\t")},
        {"unknown processor family",
         replaced(desc,
                  "\nD\t1346596708\t-32768\t32767\t9\t1\t2\t3\t4\t5\t192000\t3\t1\t2\t6\t1\t")},
        {"resource id out of range", replaced("\t-32768\t32767\t3\t", "\t-32769\t32767\t3\t")},
        {"states over the limit",
         replaced(
             desc,
             "\nD\t1346596708\t-32768\t32767\t3\t16777217\t2\t3\t4\t5\t192000\t3\t1\t2\t6\t1\t")},
        {"a cycle count short", replaced("\t100,-1,0,7,2147483647\t", "\t100,-1,0,7\t")},
        {"a cycle count below -1",
         replaced("\t100,-1,0,7,2147483647\t", "\t100,-2,0,7,2147483647\t")},
        {"buffer over the limit", replaced("\nX\t0\t16777216\t", "\nX\t0\t16777217\t")},
        {"two groups of the same candidate",
         replaced("\nC\t/plugins/Two\\t\\n.bundle\t", "\nC\t/plugins/One.bundle\t")},
    };
    for (const auto& [name, text] : damaged) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(Reads(text));
    }
}

TEST_F(ScanCacheTextTest, FilesOverTheCapsAreRefused) {
    const std::string good = WriteScanCacheText(Groups());
    // `line` repeated before the first `before`.
    const auto repeated = [&good](const std::string& line, std::size_t times,
                                  const std::string& before) {
        std::string text = good;
        const auto at = text.find(before);
        EXPECT_NE(at, std::string::npos) << before;
        std::string copies;
        copies.reserve(line.size() * times);
        for (std::size_t i = 0; i < times; ++i) {
            copies += line;
        }
        return Resealed(text.insert(at, copies));
    };
    // A few repeated records read; past the caps nothing is built from them.
    const std::string stamp = "S\t-\t0\t0\t0\t0\t0\t\n";
    const std::string lastStamp = "S\t-\t0\t0\t0\t0\t0\tContents/Resources/x\n";
    ASSERT_TRUE(Reads(repeated(stamp, 3, lastStamp)));
    const std::string manyStamps = repeated(stamp, kScanCacheMaxRecords, lastStamp);
    ASSERT_LT(manyStamps.size(), kScanCacheMaxFileSize);
    EXPECT_FALSE(Reads(manyStamps));
    const std::size_t component = good.find("\nI\t") + 1;
    const std::string line = good.substr(component, good.find('\n', component) + 1 - component);
    ASSERT_TRUE(Reads(repeated(line, 10, line)));
    EXPECT_FALSE(Reads(repeated(line, kScanCacheMaxComponents, line)));

    std::string groups(good.substr(0, good.find('\n') + 1));
    for (std::size_t i = 0; i < kScanCacheMaxGroups; ++i) {
        groups += "G\t/f\tc\n";
    }
    EXPECT_TRUE(Reads(Resealed(groups + "end\t0\n")));
    EXPECT_FALSE(Reads(Resealed(groups + "G\t/f\tc\nend\t0\n")));

    const std::string huge = good + std::string(kScanCacheMaxFileSize, 'x');
    EXPECT_FALSE(Reads(huge));
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
        // A description asking for more memory than a description may.
        KSScanCacheEntry entry = settled("Contents/a b");
        KorvaneComponentInfo component;
        component.compProcCodeDesc = {ProcessMemory::CProcCodeDesc()};
        component.compProcCodeDesc[0].States = ProcessMemory::CProcCodeDesc::kMaxWords + 1;
        entry.file.m_components.Add(component);
        session.Store(candidate, std::move(entry), 0);
        EXPECT_EQ(session.Finish(), eNoErr);
    }
    EXPECT_FALSE(fs::exists(CacheFile()));
    {
        KCScanCacheSession session(FM::KCStPath(CacheFile().c_str()), Plugins().string(), "c");
        session.Store(candidate, settled("Contents/a|b\tc"), 0);
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
