// The client with the library's default configuration file present: Redis is enabled and the
// client finds its server there. Its own executable, because the default path is computed once
// per process: the environment naming the data folder is set before anything asks for it.
#include "korvane/redis/redis_client.h"

#include "korvane/redis/redis_test_server.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace kvKorvaneV10_0_3::Redis {
namespace {

using testing::RedisObserver;
using testing::RedisServerTest;

std::filesystem::path DataRoot() {
    static const std::filesystem::path root =
        std::filesystem::temp_directory_path() /
        ("korvane-redis-enabled-" + std::to_string(std::random_device()()));
    return root;
}

// Before main: the default configuration path is computed from it once, on first use.
const bool kEnvironmentSet = [] {
    std::filesystem::create_directories(DataRoot());
    return setenv("KORVANE_SYSTEM_DATA_DIR", DataRoot().c_str(), 1) == 0;
}();

std::filesystem::path DefaultConfig() {
    return DataRoot() / "Korvane Audio" / "Redis" / "korvane-redis-server.conf";
}

void WriteDefaultConfig(const std::string& text) {
    std::filesystem::create_directories(DefaultConfig().parent_path());
    std::ofstream(DefaultConfig(), std::ios::trunc) << text;
}

class RedisEnabledTest : public RedisServerTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(kEnvironmentSet);
        RedisServerTest::SetUp();
        // The server's own file, as the package installs it: many other lines, and a bind line
        // naming two addresses.
        WriteDefaultConfig(
            "# bind 192.168.1.100 10.0.0.1\nprotected-mode yes\nbind 127.0.0.1 -::1\n"
            "port " +
            std::to_string(Server().Port()) + "\ntcp-backlog 511\ntimeout 0\n");
    }
};

TEST_F(RedisEnabledTest, DefaultFileEnablesAndLocatesTheServer) {
    EXPECT_EQ(KCRedisClient::get_default_config_file_path().GetPathString().c_str(),
              DefaultConfig().string());
    EXPECT_TRUE(KCRedisClient::is_redis_enabled());

    KCRedisClient client("BRX Amp Stereo", "active_plugins");
    ASSERT_EQ(client.connect(), eNoErr);
    KCFixedString<127> host;
    int port = 0;
    client.get_connection_details(host, port);
    EXPECT_STREQ(host.c_str(), "127.0.0.1");
    EXPECT_EQ(port, Server().Port());
    EXPECT_EQ(std::string(client.instance_name()),
              "kv:active_plugins:BRX_Amp_Stereo:" + std::to_string(client.instance_id()));
}

TEST_F(RedisEnabledTest, RegistersAndDescribesItselfThenLeaves) {
    RedisObserver observer(Server().Port());
    std::string name;
    {
        KCRedisClient client("Eq 7", "active_plugins");
        ASSERT_EQ(client.connect(), eNoErr);
        name = client.instance_name();
        EXPECT_EQ(observer.Members({"SMEMBERS", kActiveInstancesKey}),
                  std::vector<std::string>{name});
        EXPECT_EQ(observer.Run({"CLIENT", "LIST"}).find("name=" + name) != std::string::npos, true);
        const std::vector<std::string> expectedFields{"redis key",
                                                      "process id",
                                                      "application path",
                                                      "redis config file",
                                                      "ARCH",
                                                      "operating system",
                                                      "kvNS",
                                                      "compilation time",
                                                      "build configuration",
                                                      "kUseBkgConsole",
                                                      "endian",
                                                      "compiler",
                                                      "initialization time"};
        // The fields in the order they are written.
        client.set_client_details();
        std::vector<std::string> stacked;
        for (const auto& pair : client.stack()) {
            stacked.emplace_back(pair.first.c_str());
        }
        client.clear_stack();
        EXPECT_EQ(stacked, expectedFields);
        std::vector<std::string> sorted = expectedFields;
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(observer.Members({"HKEYS", name}), sorted);
        EXPECT_EQ(observer.Run({"HGET", name, "process id"}),
                  std::filesystem::read_symlink("/proc/self").filename().string());
        EXPECT_EQ(observer.Run({"HGET", name, "redis key"}), name);
        EXPECT_EQ(observer.Run({"HGET", name, "ARCH"}), "64");
        EXPECT_EQ(observer.Run({"HGET", name, "operating system"}), "Linux");
        EXPECT_EQ(observer.Run({"HGET", name, "redis config file"}), DefaultConfig().string());
        EXPECT_EQ(observer.Run({"HGET", name, "application path"}),
                  std::filesystem::read_symlink("/proc/self/exe").string());
        const std::string time = observer.Run({"HGET", name, "initialization time"});
        EXPECT_EQ(time.size(), 19U) << time;
        EXPECT_EQ(time[4], '/');
        EXPECT_EQ(time[10], '-');
    }
    EXPECT_EQ(observer.Run({"EXISTS", name}), "0");
    EXPECT_EQ(observer.Members({"SMEMBERS", kActiveInstancesKey}), std::vector<std::string>{});
    EXPECT_EQ(observer.Members({"SMEMBERS", kDeactiveInstancesKey}),
              std::vector<std::string>{name});
    // The counter outlives its instances: the next one gets a new number.
    EXPECT_NE(observer.Run({"GET", kInstanceCounterKey}), "(nil)");
}

TEST_F(RedisEnabledTest, ConnectingAgainLeavesUnderTheOldName) {
    RedisObserver observer(Server().Port());
    KCRedisClient client("again", "");
    ASSERT_EQ(client.connect(), eNoErr);
    const std::string first = client.instance_name();
    ASSERT_EQ(client.connect(), eNoErr);
    const std::string second = client.instance_name();
    EXPECT_NE(first, second);
    EXPECT_EQ(observer.Members({"SMEMBERS", kActiveInstancesKey}),
              std::vector<std::string>{second});
    EXPECT_EQ(observer.Members({"SMEMBERS", kDeactiveInstancesKey}),
              std::vector<std::string>{first});
}

TEST_F(RedisEnabledTest, InstancesGetConsecutiveIds) {
    KCRedisClient first("a", "");
    KCRedisClient second("a", "");
    ASSERT_EQ(first.connect(), eNoErr);
    ASSERT_EQ(second.connect(), eNoErr);
    EXPECT_EQ(second.instance_id(), first.instance_id() + 1);
    EXPECT_EQ(std::string(first.instance_name()), "kv:a:" + std::to_string(first.instance_id()));
}

TEST_F(RedisEnabledTest, ACounterThatCannotCountFailsTheConnection) {
    RedisObserver observer(Server().Port());
    observer.Run({"SET", kInstanceCounterKey, "not a number"});
    KCRedisClient client("x", "c");
    EXPECT_EQ(client.connect(), eRedisConnectFailed);
    EXPECT_FALSE(client.is_connected());
    EXPECT_STREQ(client.instance_name(), "");
    EXPECT_EQ(observer.Members({"SMEMBERS", kActiveInstancesKey}), std::vector<std::string>{});
    EXPECT_EQ(observer.Run({"GET", kInstanceCounterKey}), "not a number");
}

TEST_F(RedisEnabledTest, TheServersOwnFileIsNotRewrittenUnasked) {
    std::ifstream before(DefaultConfig());
    const std::string original((std::istreambuf_iterator<char>(before)),
                               std::istreambuf_iterator<char>());
    KCRedisClient client("x", "c");
    client.set_connection_details("127.0.0.1", 1234);
    EXPECT_EQ(client.write_config_file(), eFMPermissionErr);
    std::ifstream after(DefaultConfig());
    const std::string now((std::istreambuf_iterator<char>(after)),
                          std::istreambuf_iterator<char>());
    EXPECT_EQ(now, original);

    // Named explicitly, the same file may be written, and reads back.
    client.set_config_file_path(DefaultConfig().c_str());
    EXPECT_EQ(client.write_config_file(), eNoErr);
    KCRedisClient reader("y", "c");
    EXPECT_EQ(reader.read_config_file(), eNoErr);
    KCFixedString<127> host;
    int port = 0;
    reader.get_connection_details(host, port);
    EXPECT_STREQ(host.c_str(), "127.0.0.1");
    EXPECT_EQ(port, 1234);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::Redis
