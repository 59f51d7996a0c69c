// The client without the library's default configuration file: Redis is disabled and nothing
// connects. Its own executable, because the default path is computed once per process.
#include "korvane/redis/redis_client.h"

#include "korvane/redis/redis_test_server.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

namespace kvKorvaneV10_0_3::Redis {
namespace {

using testing::RedisObserver;
using testing::RedisServerTest;

std::filesystem::path DataRoot() {
    static const std::filesystem::path root =
        std::filesystem::temp_directory_path() /
        ("korvane-redis-disabled-" + std::to_string(std::random_device()()));
    return root;
}

// Before main: the default configuration path is computed from it once, on first use.
const bool kEnvironmentSet = [] {
    std::filesystem::create_directories(DataRoot());
    return setenv("KORVANE_SYSTEM_DATA_DIR", DataRoot().c_str(), 1) == 0;
}();

using RedisDisabledTest = RedisServerTest;

TEST_F(RedisDisabledTest, WithoutTheFileNothingConnects) {
    ASSERT_TRUE(kEnvironmentSet);
    EXPECT_FALSE(KCRedisClient::is_redis_enabled());
    EXPECT_EQ(std::string(KCRedisClient::get_default_config_file_path().GetPathString().c_str())
                  .rfind(DataRoot().string(), 0),
              0U);

    RedisObserver observer(Server().Port());
    const std::string clientsBefore = observer.Run({"CLIENT", "LIST"});
    KCRedisClient client("BRX Amp Stereo", "active_plugins");
    // Pointed at the test server, it still does not connect: it has no file to read.
    client.set_connection_details("127.0.0.1", Server().Port());
    EXPECT_EQ(client.connect(), eRedisNotConnected);
    EXPECT_FALSE(client.is_connected());
    EXPECT_FALSE(client.is_configured());
    EXPECT_STREQ(client.instance_name(), "");
    client.set_value_now("k", "v");
    EXPECT_EQ(observer.Run({"DBSIZE"}), "0");
    EXPECT_EQ(observer.Run({"GET", kInstanceCounterKey}), "(nil)");
}

TEST_F(RedisDisabledTest, AnExplicitFileStillConnects) {
    KCRedisClient client("x", "c");
    client.set_config_file_path(Server().ConfigPath().c_str());
    ASSERT_EQ(client.connect(), eNoErr);
    EXPECT_TRUE(client.is_connected());
    EXPECT_EQ(std::string(client.instance_name()), "kv:c:x:1");
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::Redis
