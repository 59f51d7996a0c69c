// The base reporter against a real server: instance and runtime details, feature flags, a
// chainer's children and slots, and the base text commands with their help texts.
#include "korvane/redis/redis_reporter.h"

#include "korvane/redis/redis_test_server.h"

#include <gtest/gtest.h>

#include <string>

namespace kvKorvaneV10_0_3::Redis {
namespace {

using testing::RedisObserver;
using testing::RedisServerTest;

class RedisReporterTest : public RedisServerTest {
protected:
    void SetUp() override {
        RedisServerTest::SetUp();
        KCKorvaneRedisReporter::set_config_file_for_new_reporters(Server().ConfigPath().c_str());
        reporter = std::make_unique<KCKorvaneRedisReporter>("Shell One", "active_shells");
        ASSERT_TRUE(reporter->is_connected());
        instance = reporter->instance_name();
    }
    void TearDown() override {
        reporter.reset();
        KCKorvaneRedisReporter::set_config_file_for_new_reporters("");
    }
    // Runs a message as the subscription thread would, without the thread.
    void Run(const std::string& message) {
        EXPECT_TRUE(
            reporter->handle_message_from_redis_subscription(instance.c_str(), message.c_str()));
    }

    std::unique_ptr<KCKorvaneRedisReporter> reporter;
    std::string instance;
    RedisObserver observer{Server().Port()};
};

TEST_F(RedisReporterTest, DetailsFeaturesChildrenAndSlotsLandInTheirKeys) {
    reporter->report_instance_detail("host", "shell");
    reporter->report_runtime_detail("gain", 0.5);
    reporter->report_runtime_detail("voices", 12LL);
    reporter->report_runtime_detail("bypassed", true);
    EXPECT_EQ(reporter->increment_runtime_detail("blocks", 5), 5);
    EXPECT_EQ(reporter->increment_runtime_detail("blocks", 2), 7);
    reporter->set_parent_reporter("kv:active_shells:Host:1");
    EXPECT_EQ(observer.Run({"HMGET", instance, "host", "gain", "voices", "bypassed", "blocks",
                            "parent redis key"}),
              "shell\n0.5000000000\n12\ntrue\n7\nkv:active_shells:Host:1");

    EXPECT_EQ(observer.Run({"SET", "kv:feature:fast-meters", "true"}), "OK");
    EXPECT_EQ(observer.Run({"SET", "kv:feature:slow", "yes"}), "OK");
    EXPECT_TRUE(reporter->get_feature_bool("fast-meters"));
    EXPECT_FALSE(reporter->get_feature_bool("slow"));
    EXPECT_EQ(reporter->get_feature_value("slow"), "yes");
    EXPECT_FALSE(reporter->get_feature_bool("missing"));
    EXPECT_TRUE(KCKorvaneRedisReporter::is_feature_enabled(reporter.get(), "fast-meters"));
    EXPECT_FALSE(KCKorvaneRedisReporter::is_feature_enabled(nullptr, "fast-meters"));

    reporter->add_slot("1");
    reporter->add_slot("2");
    reporter->add_child("1", "kv:active_plugins:EQ:4");
    EXPECT_EQ(reporter->get_child("1"), "kv:active_plugins:EQ:4");
    EXPECT_EQ(observer.Run({"HGET", instance + ":children", "1"}), "kv:active_plugins:EQ:4");
    EXPECT_EQ(observer.Members({"SMEMBERS", instance + ":slots"}),
              (std::vector<std::string>{"1", "2"}));
    reporter->remove_child("1");
    reporter->remove_slot("2");
    EXPECT_EQ(reporter->get_child("1"), "");
    EXPECT_EQ(observer.Run({"EXISTS", instance + ":children"}), "0");
    EXPECT_EQ(observer.Members({"SMEMBERS", instance + ":slots"}), (std::vector<std::string>{"1"}));
    // A null name is no name.
    reporter->add_child(nullptr, "x");
    reporter->add_slot(nullptr);
    reporter->remove_child(nullptr);
    reporter->remove_slot(nullptr);
    EXPECT_EQ(reporter->get_child(nullptr), "");
    EXPECT_TRUE(reporter->handle_message_from_redis_subscription(nullptr, nullptr));

    // The instance's own keys go with it; the feature flags are the user's.
    reporter.reset();
    EXPECT_EQ(observer.Run({"EXISTS", instance, instance + ":slots"}), "0");
    EXPECT_EQ(observer.Run({"GET", "kv:feature:fast-meters"}), "true");
}

TEST_F(RedisReporterTest, BaseCommandsAnswerInOrderWithTheirHelpTexts) {
    Run("{command: ping, return-value: {list-right: kv:replies}}\n---\n"
        "{command: ping, return-value: {list-right: kv:replies, command-id: 7}}\n---\n"
        "{command: get-redis-instance-name, return-value: {list-right: kv:replies}}\n---\n"
        "{command: set-parent-redis-reporter, parent: kv:active_shells:Host:2}\n---\n"
        "{command: set-parent-redis-reporter, return-value: {list-right: kv:replies}}");
    EXPECT_EQ(observer.Run({"LRANGE", "kv:replies", "0", "2"}),
              "1\n{command-id: 7, result: 2}\n" + instance);
    // A missing argument is an error answer, not a crash or silence.
    EXPECT_EQ(observer.Run({"LINDEX", "kv:replies", "3"})
                  .rfind("{error: " + std::to_string(eRedisNoDataSource), 0),
              0U);
    EXPECT_EQ(reporter->parent_reporter(), "kv:active_shells:Host:2");
    EXPECT_EQ(observer.Run({"HMGET", instance, "ping", "parent redis key", "num_text_commands"}),
              "2\nkv:active_shells:Host:2\n5");

    Run("{command: commands-help}");
    const std::string hash = "kv:help_for_text_commands:KCKorvaneTextCommandHandler";
    EXPECT_EQ(observer.Run({"HLEN", hash}), "6");
    const std::string example = "kv:active_plugins:BRX Amp Stereo:13";
    EXPECT_EQ(observer.Run({"HGET", hash, "start-listening-to-redis-commands"}),
              "Open a thread, subscribe to redis channel and wait for text commands. Redis "
              "channel name is the redics client names, e.g. \"" +
                  example + "\"\nExample: \"{command: start-listening-to-redis-commands}\"");
    EXPECT_EQ(observer.Run({"HGET", hash, "stop-listening-to-redis-commands"}),
              "Stop listening to test commands, close the redis subscription and leave the "
              "thread. \nExample: \"{command: stop-listening-to-redis-commands}\"");
    EXPECT_EQ(observer.Run({"HGET", hash, "set-parent-redis-reporter"}),
              "Set the name of the parent reporter. For example the child \"" + example +
                  "\" names its parent \"kv:active_shells:Shelvox-VST3:12\".\nExample: "
                  "\"{command: set-parent-redis-reporter, parent: "
                  "kv:active_shells:Shelvox-VST3:12}\"");
    EXPECT_EQ(observer.Run({"HGET", hash, "commands-help"}),
              "Write to redis explanations for all text commands. \nExample: \"{command: "
              "commands-help}\"");
    EXPECT_EQ(observer.Run({"HGET", hash, "get-redis-instance-name"}),
              "Get the redis instance name. \nExample: \"{command: get-redis-instance-name}\"");
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::Redis
