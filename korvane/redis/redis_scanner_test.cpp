#include "korvane/redis/redis_scanner.h"

#include "korvane/redis/redis_test_server.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

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
    file.m_affiliations.push_back(KCFourCC("Kvne"));
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
