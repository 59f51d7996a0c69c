#include "korvane/redis/redis_scanner.h"

#include "korvane/redis/redis_test_server.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3::Redis {
namespace {

using testing::RedisObserver;
using testing::RedisServerTest;

KSC::KCScannedFile MakeFile(const char* path, int components) {
    KSC::KCScannedFile file{FM::KCStPath(path)};
    for (int i = 0; i < components; ++i) {
        KorvaneComponentInfo info;
        info.shortName = ("C" + std::to_string(i)).c_str();
        info.pluginName = "Plug";
        info.componentType = KCFourCC("KvEQ");
        info.componentSubType = KCFourCC(i == 0 ? "mono" : "ster");
        info.pluginExternalVersion = "1.2.3";
        info.numInputs = 2;
        info.numOutputs = 2;
        file.m_components.Add(info);
    }
    file.m_affiliations.emplace_back("Kvne");
    if (components == 0) {
        file.m_rejectBits.Set(1);
    }
    return file;
}

class RedisScannerTest : public RedisServerTest {
protected:
    void SetUp() override {
        RedisServerTest::SetUp();
        client.set_config_file_path(Server().ConfigPath().c_str());
        ASSERT_EQ(client.connect(), eNoErr);
    }
    KCRedisClient client{"scanner", "scan"};
};

TEST_F(RedisScannerTest, ScanWrittenIsReadBackAndOutlivesTheWriter) {
    KCKorvanePluginRedisScanner scanner(&client);
    // Glob characters in paths and ids must not widen or break the listing.
    const std::string id = scanner.AddAdditionalFolderToFolderTable("/plugins/[a]*?");
    EXPECT_EQ(id, "folder_1");
    EXPECT_EQ(scanner.AddAdditionalFolderToFolderTable("/plugins/[a]*?"), "folder_1");
    const std::string other = scanner.AddAdditionalFolderToFolderTable("/more");
    EXPECT_EQ(other, "folder_2");

    KSC::KCPluginDiskScannerResults results;
    results.AddFile(MakeFile("/plugins/[a]*?/eq.so", 2));
    results.AddFile(MakeFile("/plugins/[a]*?/broken.so", 0));
    ASSERT_EQ(scanner.WriteScanToRedis(results, id.c_str()), eNoErr);
    KSC::KCPluginDiskScannerResults more;
    more.AddFile(MakeFile("/more/x.so", 1));
    ASSERT_EQ(scanner.WriteScanToRedis(more, other.c_str()), eNoErr);
    scanner.WriteComponentCrossVersionTable(results);

    client.disconnect();
    RedisObserver observer(Server().Port());
    EXPECT_EQ(observer.Run({"HGET", "kv:scan:component_table:KvEQ:ster", "version_external"}),
              "1.2.3");

    KCRedisClient reader("reader", "scan");
    reader.set_config_file_path(Server().ConfigPath().c_str());
    ASSERT_EQ(reader.connect(), eNoErr);
    KCKorvanePluginRedisScanner readBack(&reader);
    KSC::KCPluginDiskScannerResults read;
    std::map<std::string, std::string> folders;
    ASSERT_EQ(readBack.GetScanFromRedis(read, folders), eNoErr);
    EXPECT_EQ(folders.at("folder_1"), "/plugins/[a]*?");
    ASSERT_EQ(read.GetFiles().size(), 3U);
    EXPECT_EQ(read.GetNumComponents(), 3);
    EXPECT_EQ(read.GetNumRejectedFiles(), 1);

    KCKorvanePluginRedisScanner::FilterScanResultsByFolder(read, "/plugins/[a]*?");
    ASSERT_EQ(read.GetFiles().size(), 2U);
    const KSC::KCScannedFile& eq = read.GetFiles()[0];
    EXPECT_STREQ(eq.m_path.GetPosixPathString().c_str(), "/plugins/[a]*?/eq.so");
    ASSERT_EQ(eq.GetNumComponents(), 2);
    EXPECT_EQ(eq.m_components.GetKorvaneComponentInfo(1)->componentSubType, KCFourCC("ster"));
    EXPECT_STREQ(eq.m_components.GetKorvaneComponentInfo(1)->pluginExternalVersion.c_str(),
                 "1.2.3");
    ASSERT_EQ(eq.m_affiliations.size(), 1U);
    EXPECT_EQ(eq.m_affiliations[0], KCFourCC("Kvne"));
    EXPECT_TRUE(read.GetFiles()[1].m_rejectBits.IsSet(1));

    // A new scan of a folder replaces its old entries only.
    KSC::KCPluginDiskScannerResults rescan;
    rescan.AddFile(MakeFile("/plugins/[a]*?/eq.so", 1));
    ASSERT_EQ(readBack.WriteScanToRedis(rescan, id.c_str()), eNoErr);
    KSC::KCPluginDiskScannerResults after;
    ASSERT_EQ(readBack.GetScanFromRedis(after, folders), eNoErr);
    EXPECT_EQ(after.GetFiles().size(), 2U);
}

TEST_F(RedisScannerTest, FolderIdsStayDistinctWhenTheTableHasGaps) {
    // A table whose first entry was removed: its size no longer tells a free id.
    RedisObserver observer(Server().Port());
    observer.Run({"HSET", kScanFoldersTableKey, "/kept", "folder_2"});
    KCKorvanePluginRedisScanner scanner(&client);
    const std::string added = scanner.AddAdditionalFolderToFolderTable("/added");
    EXPECT_FALSE(added.empty());
    EXPECT_NE(added, "folder_2");
    const std::string next = scanner.AddAdditionalFolderToFolderTable("/next");
    EXPECT_NE(next, added);
    EXPECT_NE(next, "folder_2");
    EXPECT_EQ(observer.Run({"HGET", kScanFoldersTableKey, "/kept"}), "folder_2");

    // A second writer gets fresh ids too, and the id already given for a path.
    KCRedisClient second("second", "scan");
    second.set_config_file_path(Server().ConfigPath().c_str());
    ASSERT_EQ(second.connect(), eNoErr);
    KCKorvanePluginRedisScanner other(&second);
    EXPECT_EQ(other.AddAdditionalFolderToFolderTable("/added"), added);
    const std::string third = other.AddAdditionalFolderToFolderTable("/third");
    EXPECT_NE(third, added);
    EXPECT_NE(third, next);
    EXPECT_NE(third, "folder_2");
}

TEST_F(RedisScannerTest, StoredComponentCountOnlyBoundsTheComponentsRead) {
    KCKorvanePluginRedisScanner scanner(&client);
    const std::string id = scanner.AddAdditionalFolderToFolderTable("/p");
    KSC::KCPluginDiskScannerResults results;
    results.AddFile(MakeFile("/p/a.so", 2));
    ASSERT_EQ(scanner.WriteScanToRedis(results, id.c_str()), eNoErr);
    const std::string fileKey = std::string(kScanResultsKey) + ":" + id + ":file_0";
    RedisObserver observer(Server().Port());

    // A count larger than the stored components gives the stored ones, not empty ones, and a
    // huge one does not keep the reader going.
    for (const char* count : {"5", "999999999999999"}) {
        observer.Run({"HSET", fileKey, "num_sub_componets", count});
        KSC::KCPluginDiskScannerResults read;
        std::map<std::string, std::string> folders;
        ASSERT_EQ(scanner.GetScanFromRedis(read, folders), eNoErr);
        ASSERT_EQ(read.GetFiles().size(), 1U);
        EXPECT_EQ(read.GetFiles()[0].GetNumComponents(), 2) << count;
    }
    // A smaller count still limits them.
    observer.Run({"HSET", fileKey, "num_sub_componets", "1"});
    KSC::KCPluginDiskScannerResults read;
    std::map<std::string, std::string> folders;
    ASSERT_EQ(scanner.GetScanFromRedis(read, folders), eNoErr);
    ASSERT_EQ(read.GetFiles().size(), 1U);
    EXPECT_EQ(read.GetFiles()[0].GetNumComponents(), 1);
}

// Scan views, stored for other processes.

KSC::KCScanViewSpec MakeView() {
    KSC::KCScanViewSpec view;
    view.AddFolder("ePluginsFolder");
    view.AddFolder("/opt/plugins/[x]*");
    view.AddFolder("/opt/plugins/[x]*");  // repeated entries stay, in order
    view.AddIncludeOnly("plugins");
    view.AddExclude("old\\Bundle");
    view.AddExclude("beta");
    view.AddIncludeGUID("B6E5C3F2-0000-4000-8000-000000000001");
    view.AddExcludeGUID("b6e5c3f2-0000-4000-8000-000000000002");
    view.SetFilePath(FM::KCStPath("/home/u/.config/Shell_ScanView.txt"));
    return view;
}

void ExpectSameView(const KSC::KCScanViewSpec& a, const KSC::KCScanViewSpec& b) {
    EXPECT_EQ(a.GetFolders(), b.GetFolders());
    EXPECT_EQ(a.GetIncludeOnly(), b.GetIncludeOnly());
    EXPECT_EQ(a.GetExclude(), b.GetExclude());
    EXPECT_EQ(a.GetIncludeGUIDs(), b.GetIncludeGUIDs());
    EXPECT_EQ(a.GetExcludeGUIDs(), b.GetExcludeGUIDs());
    EXPECT_STREQ(a.GetFilePath().GetPosixPathString().c_str(),
                 b.GetFilePath().GetPosixPathString().c_str());
}

TEST_F(RedisScannerTest, ScanViewsRoundTripUnderAnyNameAndOutliveTheWriter) {
    KCKorvanePluginRedisScanner scanner(&client);
    std::vector<std::string> names;
    ASSERT_EQ(scanner.GetScanViewsListFromRedis(names), eNoErr);
    EXPECT_TRUE(names.empty());

    // Names with glob characters and colons stay apart from the plain names they look like.
    const KSC::KCScanViewSpec view = MakeView();
    ASSERT_EQ(scanner.WriteScanViewToRedis("Shell*[12]?:x", view), eNoErr);
    KSC::KCScanViewSpec plain;
    plain.AddFolder("/only/this");
    ASSERT_EQ(scanner.WriteScanViewToRedis("Shell1", plain), eNoErr);
    const KSC::KCScanViewSpec empty;
    ASSERT_EQ(scanner.WriteScanViewToRedis("empty", empty), eNoErr);

    RedisObserver observer(Server().Port());
    EXPECT_EQ(
        observer.Run({"LRANGE", "kv:scan:scan_views:Shell*[12]?:x:exclude_filter", "0", "-1"}),
        "old\\Bundle\nbeta");
    EXPECT_EQ(observer.Run({"GET", "kv:scan:scan_views:Shell*[12]?:x:scanview_file_path"}),
              "/home/u/.config/Shell_ScanView.txt");

    // Read by another client after the writer has gone.
    client.disconnect();
    KCRedisClient reader("reader", "scan");
    reader.set_config_file_path(Server().ConfigPath().c_str());
    ASSERT_EQ(reader.connect(), eNoErr);
    KCKorvanePluginRedisScanner readBack(&reader);
    ASSERT_EQ(readBack.GetScanViewsListFromRedis(names), eNoErr);
    EXPECT_EQ(names, (std::vector<std::string>{"Shell*[12]?:x", "Shell1", "empty"}));

    KSC::KCScanViewSpec read;
    ASSERT_EQ(readBack.GetScanViewFromRedis("Shell*[12]?:x", read), eNoErr);
    ExpectSameView(read, view);
    ASSERT_EQ(readBack.GetScanViewFromRedis("Shell1", read), eNoErr);
    ExpectSameView(read, plain);
    EXPECT_EQ(read.GetFilePath().GetPathRef(), nullptr);
    ASSERT_EQ(readBack.GetScanViewFromRedis("empty", read), eNoErr);
    EXPECT_TRUE(read.empty());

    // Writing again replaces the whole view: no entry of the old one is left.
    KSC::KCScanViewSpec shorter;
    shorter.AddExclude("beta");
    ASSERT_EQ(readBack.WriteScanViewToRedis("Shell*[12]?:x", shorter), eNoErr);
    ASSERT_EQ(readBack.GetScanViewFromRedis("Shell*[12]?:x", read), eNoErr);
    ExpectSameView(read, shorter);
    ASSERT_EQ(readBack.GetScanViewsListFromRedis(names), eNoErr);
    EXPECT_EQ(names.size(), 3U);
}

TEST_F(RedisScannerTest, MissingOrMalformedScanViewsAreErrors) {
    KCKorvanePluginRedisScanner scanner(&client);
    RedisObserver observer(Server().Port());
    KSC::KCScanViewSpec read = MakeView();
    const KSC::KCScanViewSpec before = MakeView();

    // No view of that name, and no list at all yet.
    EXPECT_EQ(scanner.GetScanViewFromRedis("absent", read), eValueNotFound);
    ASSERT_EQ(scanner.WriteScanViewToRedis("good", KSC::KCScanViewSpec()), eNoErr);
    EXPECT_EQ(scanner.GetScanViewFromRedis("absent", read), eValueNotFound);
    // Keys of a view that is not listed are not a view.
    observer.Run({"RPUSH", "kv:scan:scan_views:stray:folders", "/x"});
    observer.Run({"SET", "kv:scan:scan_views:stray:scanview_file_path", ""});
    EXPECT_EQ(scanner.GetScanViewFromRedis("stray", read), eValueNotFound);
    EXPECT_EQ(scanner.GetScanViewFromRedis("", read), eFMWrongParameters);
    EXPECT_EQ(scanner.GetScanViewFromRedis(nullptr, read), eFMWrongParameters);

    // A list of the wrong type, and a listed view without its file path key.
    ASSERT_EQ(scanner.WriteScanViewToRedis("bad-type", MakeView()), eNoErr);
    observer.Run({"DEL", "kv:scan:scan_views:bad-type:include_guid_filters"});
    observer.Run({"SET", "kv:scan:scan_views:bad-type:include_guid_filters", "G"});
    EXPECT_EQ(scanner.GetScanViewFromRedis("bad-type", read), eInvalidFileFormatProblem);
    ASSERT_EQ(scanner.WriteScanViewToRedis("no-path", MakeView()), eNoErr);
    observer.Run({"DEL", "kv:scan:scan_views:no-path:scanview_file_path"});
    EXPECT_EQ(scanner.GetScanViewFromRedis("no-path", read), eInvalidFileFormatProblem);
    // A failed read leaves the caller's view as it was.
    ExpectSameView(read, before);

    // The list of names not being a set: listing and writing refuse, and nothing is written.
    observer.Run({"DEL", "kv:scan:scan_views"});
    observer.Run({"SET", "kv:scan:scan_views", "oops"});
    std::vector<std::string> names{"left over"};
    EXPECT_EQ(scanner.GetScanViewsListFromRedis(names), eInvalidFileFormatProblem);
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(scanner.GetScanViewFromRedis("good", read), eValueNotFound);
    EXPECT_EQ(scanner.WriteScanViewToRedis("new", MakeView()), eInvalidFileFormatProblem);
    EXPECT_EQ(observer.Run({"EXISTS", "kv:scan:scan_views:new:scanview_file_path"}), "0");
    observer.Run({"DEL", "kv:scan:scan_views"});

    // Entries a reader could not get back whole are refused before anything is written.
    KSC::KCScanViewSpec longEntry;
    longEntry.AddExclude(std::string(kScanViewMaxEntryLength, 'x'));
    ASSERT_EQ(scanner.WriteScanViewToRedis("longest", longEntry), eNoErr);
    ASSERT_EQ(scanner.GetScanViewFromRedis("longest", read), eNoErr);
    ExpectSameView(read, longEntry);
    longEntry.AddExclude(std::string(kScanViewMaxEntryLength + 1, 'x'));
    EXPECT_EQ(scanner.WriteScanViewToRedis("too-long", longEntry), eFMWrongParameters);
    EXPECT_EQ(scanner.WriteScanViewToRedis(std::string(kScanViewMaxEntryLength + 1, 'n').c_str(),
                                           KSC::KCScanViewSpec()),
              eFMWrongParameters);
    EXPECT_EQ(scanner.WriteScanViewToRedis("", KSC::KCScanViewSpec()), eFMWrongParameters);
    EXPECT_EQ(observer.Run({"SISMEMBER", "kv:scan:scan_views", "too-long"}), "0");
    EXPECT_EQ(observer.Run({"EXISTS", "kv:scan:scan_views:too-long:exclude_filter"}), "0");

    // No connection.
    client.disconnect();
    EXPECT_EQ(scanner.WriteScanViewToRedis("good", MakeView()), eRedisNotConnected);
    EXPECT_EQ(scanner.GetScanViewFromRedis("good", read), eRedisNotConnected);
    EXPECT_EQ(scanner.GetScanViewsListFromRedis(names), eRedisNotConnected);
}

TEST(RedisScannerFilter, NoFolderKeepsNoFileAndRelativePathsAreSafe) {
    for (const char* folder : {static_cast<const char*>(nullptr), ""}) {
        KSC::KCPluginDiskScannerResults results;
        results.AddFile(MakeFile("relative.so", 1));
        results.AddFile(MakeFile("/abs/x.so", 1));
        KCKorvanePluginRedisScanner::FilterScanResultsByFolder(results, folder);
        EXPECT_TRUE(results.GetFiles().empty());
    }
    KSC::KCPluginDiskScannerResults results;
    results.AddFile(MakeFile("relative.so", 1));
    results.AddFile(MakeFile("/abs/x.so", 1));
    KCKorvanePluginRedisScanner::FilterScanResultsByFolder(results, "/abs/");
    ASSERT_EQ(results.GetFiles().size(), 1U);
    EXPECT_STREQ(results.GetFiles()[0].m_path.GetPosixPathString().c_str(), "/abs/x.so");
}

TEST(RedisScannerGlob, GlobCharactersAreEscaped) {
    EXPECT_EQ(KCKorvanePluginRedisScanner::EscapeGlob("a*b?[c]\\d"), "a\\*b\\?\\[c\\]\\\\d");
    EXPECT_EQ(KCKorvanePluginRedisScanner::EscapeGlob("plain:name"), "plain:name");
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::Redis
