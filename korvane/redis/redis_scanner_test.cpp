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

TEST(RedisScannerGlob, GlobCharactersAreEscaped) {
    EXPECT_EQ(KCKorvanePluginRedisScanner::EscapeGlob("a*b?[c]\\d"), "a\\*b\\?\\[c\\]\\\\d");
    EXPECT_EQ(KCKorvanePluginRedisScanner::EscapeGlob("plain:name"), "plain:name");
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::Redis
