#include "korvane/redis/redis_client.h"

#include "korvane/redis/redis_test_server.h"

#include <gtest/gtest.h>
#include <yaml-cpp/yaml.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace kvKorvaneV10_0_3::Redis {
namespace {

using testing::RedisObserver;
using testing::RedisServerTest;

TEST(RedisServerConfig, PortAndFirstBindAddressAreRead) {
    const KSRedisServerAddress debian = ParseRedisServerConfig(
        "# bind 192.168.1.100 10.0.0.1\n# port 1\nbind 127.0.0.1 -::1\n"
        "protected-mode yes\n  port 6380\nport 7000\ntimeout 0\n");
    EXPECT_TRUE(debian.hasBind);
    EXPECT_STREQ(debian.bind.c_str(), "127.0.0.1");
    EXPECT_TRUE(debian.hasPort);
    EXPECT_EQ(debian.port, 6380);

    const KSRedisServerAddress crlf = ParseRedisServerConfig("port 1234\r\nbind localhost\r\n");
    EXPECT_EQ(crlf.port, 1234);
    EXPECT_STREQ(crlf.bind.c_str(), "localhost");

    const KSRedisServerAddress none = ParseRedisServerConfig("portable yes\nbinding x\nport x\n");
    EXPECT_FALSE(none.hasPort);
    EXPECT_FALSE(none.hasBind);
    EXPECT_EQ(none.port, kDefaultRedisPort);

    EXPECT_FALSE(ParseRedisServerConfig("port 70000\n").hasPort);
}

TEST(RedisInstanceName, CategoryNameAndIdWithSpacesReplaced) {
    EXPECT_STREQ(MakeInstanceName("active_plugins", "BRX Amp Stereo", 13).c_str(),
                 "kv:active_plugins:BRX_Amp_Stereo:13");
    EXPECT_STREQ(MakeInstanceName("", "host shell", 2).c_str(), "kv:host_shell:2");
    EXPECT_STREQ(MakeInstanceName("cat", "", -4).c_str(), "kv:cat:-4");
    EXPECT_STREQ(MakeInstanceName(nullptr, nullptr, 0).c_str(), "kv:0");
}

class RedisClientTest : public RedisServerTest {
protected:
    void SetUp() override {
        RedisServerTest::SetUp();
        client.set_config_file_path(Server().ConfigPath().c_str());
        ASSERT_EQ(client.connect(), eNoErr);
    }
    KCRedisClient client{"Test Plugin", "active_plugins"};
};

TEST_F(RedisClientTest, ConfigFileWrittenAtomicallyReadsBack) {
    const std::string path = Server().Folder() + "/written/client.conf";
    KCRedisClient writer("w", "c");
    writer.set_connection_details("127.0.0.5", 4321);
    writer.set_config_file_path(path.c_str());
    ASSERT_EQ(writer.write_config_file(), eNoErr);
    // Nothing but the file itself is left in its folder.
    std::size_t entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(Server().Folder() + "/written")) {
        (void)e;
        ++entries;
    }
    EXPECT_EQ(entries, 1U);
    KCRedisClient reader("r", "c");
    reader.set_config_file_path(path.c_str());
    ASSERT_EQ(reader.read_config_file(), eNoErr);
    EXPECT_TRUE(reader.is_configured());
    KCFixedString<127> host;
    int port = 0;
    reader.get_connection_details(host, port);
    EXPECT_STREQ(host.c_str(), "127.0.0.5");
    EXPECT_EQ(port, 4321);

    KCRedisClient missing("m", "c");
    missing.set_config_file_path((Server().Folder() + "/none.conf").c_str());
    EXPECT_EQ(missing.read_config_file(), eFMFileNotFound);
    EXPECT_FALSE(missing.is_configured());
    EXPECT_EQ(missing.connect(), eRedisNotConnected);
}

TEST_F(RedisClientTest, DataIsReadFromAndWrittenToTheNamedPlaces) {
    RedisObserver observer(Server().Port());
    const YAML::Node to = YAML::Load(
        "{key: out:key, hash-name: out:hash, hash-key: f, list-left: out:ll, "
        "list-right: out:lr, set: out:set, publish: out:chan}");
    RedisObserver listener(Server().Port());
    listener.Run({"SUBSCRIBE", "out:chan"});
    EXPECT_EQ(client.write_data("result", to), eNoErr);
    EXPECT_EQ(observer.Run({"GET", "out:key"}), "result");
    EXPECT_EQ(observer.Run({"HGET", "out:hash", "f"}), "result");
    EXPECT_EQ(observer.Run({"LRANGE", "out:ll", "0", "-1"}), "result");
    EXPECT_EQ(observer.Run({"LRANGE", "out:lr", "0", "-1"}), "result");
    EXPECT_EQ(observer.Run({"SMEMBERS", "out:set"}), "result");
    redisReply* message = nullptr;
    ASSERT_EQ(redisGetReply(listener.Context(), reinterpret_cast<void**>(&message)), REDIS_OK);
    EXPECT_EQ(testing::ReplyText(message), "message\nout:chan\nresult");
    freeReplyObject(message);
    // Named by the caller: not this instance's keys, so they outlive it.
    EXPECT_FALSE(client.is_key_to_delete("out:key"));
    EXPECT_FALSE(client.is_key_to_delete("out:hash"));

    std::string value;
    EXPECT_EQ(client.read_data(YAML::Load("{key: out:key}"), value), eNoErr);
    EXPECT_EQ(value, "result");
    EXPECT_EQ(client.read_data(YAML::Load("{hash-name: out:hash, hash-key: f}"), value), eNoErr);
    EXPECT_EQ(value, "result");
    observer.Run({"RPUSH", "in:list", "first", "second"});
    EXPECT_EQ(client.read_data(YAML::Load("{list-right: in:list}"), value), eNoErr);
    EXPECT_EQ(value, "first");
    EXPECT_EQ(client.read_data(YAML::Load("{list-left: out:key}"), value), eNoErr);
    EXPECT_EQ(value, "");  // not a list
    EXPECT_EQ(client.read_data(YAML::Load("{nothing: x}"), value), eRedisNoDataSource);
    EXPECT_EQ(client.read_data(YAML::Load("[a, b]"), value), eRedisNoDataSource);

    client.disconnect();
    EXPECT_EQ(observer.Run({"GET", "out:key"}), "result");
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::Redis
