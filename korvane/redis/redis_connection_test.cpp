#include "korvane/redis/redis_connection.h"

#include "korvane/redis/redis_test_server.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3::Redis {
namespace {

using testing::RedisObserver;
using testing::RedisServerTest;

class RedisConnectionTest : public RedisServerTest {
protected:
    void SetUp() override {
        RedisServerTest::SetUp();
        conn.set_connection_details("127.0.0.1", Server().Port());
        ASSERT_EQ(conn.connect(), eNoErr);
        ASSERT_TRUE(conn.is_connected());
    }

    // The server's count of error replies since the last CONFIG RESETSTAT.
    std::string ErrorReplies() {
        const std::string info = observer().Run({"INFO", "stats"});
        const std::string tag = "total_error_replies:";
        const auto at = info.find(tag);
        return at == std::string::npos
                   ? "?"
                   : info.substr(at + tag.size(), info.find('\r', at) - at - tag.size());
    }
    RedisObserver& observer() {
        if (!observer_) {
            observer_ = std::make_unique<RedisObserver>(Server().Port());
        }
        return *observer_;
    }

    KCRedisConnection conn;

private:
    std::unique_ptr<RedisObserver> observer_;
};

TEST(RedisConnectionStates, StartsNotConnectedAndFailsToAnUnusedPort) {
    KCRedisConnection conn;
    EXPECT_EQ(conn.GetError(), eRedisNotConnected);
    EXPECT_FALSE(conn.is_connected());
    KCFixedString<127> host;
    int port = 0;
    conn.get_connection_details(host, port);
    EXPECT_STREQ(host.c_str(), "localhost");
    EXPECT_EQ(port, kDefaultRedisPort);

    // Port 1 is privileged and never a Redis server here.
    conn.set_connection_details("127.0.0.1", 1);
    EXPECT_EQ(conn.connect(), eRedisConnectFailed);
    EXPECT_EQ(conn.GetError(), eRedisConnectFailed);
    EXPECT_FALSE(conn.IsValid());
    // Commands on a failed connection do nothing and give empty results.
    conn.set_value_pending("k", "v");
    EXPECT_EQ(conn.pending_count(), 0U);
    EXPECT_TRUE(conn.get_value("k").empty());
    EXPECT_STREQ(conn.get_type("k").c_str(), "no reply");
    EXPECT_EQ(conn.publish_now("c", "m"), -1);
    conn.disconnect();
    EXPECT_EQ(conn.GetError(), eRedisNotConnected);
}

TEST_F(RedisConnectionTest, StringsHashesSetsAndListsRoundTrip) {
    conn.set_value_now("s", "value 1");
    EXPECT_STREQ(conn.get_value("s").c_str(), "value 1");
    EXPECT_STREQ(conn.get_type("s").c_str(), "string");
    EXPECT_TRUE(conn.is_type("s", "string"));
    EXPECT_TRUE(conn.get_value("missing").empty());
    EXPECT_EQ(conn.increment_value("n", 5), 5);
    EXPECT_EQ(conn.increment_value("n", -7), -2);

    conn.set_hash_item_now("h", "f1", "a");
    conn.set_hash_item_now("h", "f2", "b");
    EXPECT_STREQ(conn.get_hash_value("h", "f2").c_str(), "b");
    EXPECT_TRUE(conn.is_hash_key("h", "f1"));
    EXPECT_FALSE(conn.is_hash_key("h", "f3"));
    EXPECT_EQ(conn.increment_hash_value("h", "count", 3), 3);
    conn.del_hash_item_now("h", "f1");
    KTRedisHash hash;
    conn.get_hash("h", hash);
    ASSERT_EQ(hash.size(), 2U);
    EXPECT_STREQ(hash[KTRedisKey("f2")].c_str(), "b");
    EXPECT_STREQ(hash[KTRedisKey("count")].c_str(), "3");
    // A getter on the wrong type gets an error reply: an empty result.
    EXPECT_TRUE(conn.get_value("h").empty());

    conn.set_hash_item_now_if_key_exists("nohash", "f", "v");
    conn.set_hash_item_now_if_hash_exists("s", "f", "v");
    EXPECT_EQ(observer().Run({"EXISTS", "nohash"}), "0");
    EXPECT_STREQ(conn.get_type("s").c_str(), "string");
    conn.set_hash_item_now_if_hash_exists("h", "f9", "v9");
    EXPECT_STREQ(conn.get_hash_value("h", "f9").c_str(), "v9");

    conn.add_set_item_now("set", "x");
    conn.add_value_to_set_now("set", "y");
    conn.remove_value_from_set_now("set", "x");
    conn.move_value_from_set_to_set_now("set", "set2", "y");
    std::vector<KTRedisValue> members;
    conn.get_set("set2", members);
    ASSERT_EQ(members.size(), 1U);
    EXPECT_STREQ(members[0].c_str(), "y");

    conn.right_push_to_list_now("l", "b");
    conn.left_push_to_list_now("l", "a");
    conn.right_push_to_list_now("l", "c");
    conn.right_push_to_list_now("l", "b");
    std::vector<KTRedisValue> list;
    conn.get_list("l", list);
    ASSERT_EQ(list.size(), 4U);
    EXPECT_STREQ(list[0].c_str(), "a");
    EXPECT_STREQ(conn.get_list_value_by_index("l", 2).c_str(), "c");
    conn.remove_from_list_by_value_now("l", "b", 0);
    EXPECT_STREQ(conn.left_pop_list_value("l").c_str(), "a");
    EXPECT_STREQ(conn.right_pop_list_value("l").c_str(), "c");
    EXPECT_TRUE(conn.right_pop_list_value("l").empty());

    std::set<KTRedisKey> keys;
    conn.get_all_keys(keys, "se*");
    EXPECT_EQ(keys.size(), 1U);  // "set" vanished with its last member
    EXPECT_EQ(keys.count(KTRedisKey("set2")), 1U);

    EXPECT_STREQ(conn.run_lua_1_params("return redis.call('GET', KEYS[1])", "s").c_str(),
                 "value 1");
    EXPECT_STREQ(
        conn.run_lua_2_params("return redis.call('HLEN', KEYS[1]) + #KEYS", "h", "x").c_str(), "5");

    conn.multi();
    conn.set_value_now("t1", "1");
    conn.set_value_now("t2", "2");
    EXPECT_EQ(observer().Run({"EXISTS", "t1"}), "0");
    conn.exec();
    EXPECT_EQ(observer().Run({"MGET", "t1", "t2"}), "1\n2");

    conn.del_key_now("s");
    EXPECT_STREQ(conn.get_type("s").c_str(), "none");
    conn.erase_everything();
    EXPECT_EQ(observer().Run({"DBSIZE"}), "0");
}

TEST_F(RedisConnectionTest, StackValuesAreWrittenAsHashesAndStrings) {
    conn.append_key_value_to_stack("text", "t");
    conn.append_key_value_to_stack("fixed", KCFixedString<15>("fs"));
    conn.append_key_value_to_stack("double", 0.1);
    conn.append_key_value_to_stack("negative", -2.5);
    conn.append_key_value_to_stack("int", -1234567890123LL);
    conn.append_key_value_to_stack("yes", true);
    conn.append_key_value_to_stack("no", false);
    conn.append_key_hex_value_to_stack("hex", 0x0102030405060708LL);
    conn.set_hash_from_stack_now("stacked");
    EXPECT_EQ(observer().Run({"HMGET", "stacked", "text", "fixed", "double", "negative", "int",
                              "yes", "no", "hex"}),
              "t\nfs\n0.1000000000\n-2.5000000000\n-1234567890123\ntrue\nfalse\n"
              "0x0102030405060708");

    KTRedisStack own;
    KCRedisConnection::append_key_value_to_stack(own, "k1", "v1");
    KCRedisConnection::append_key_value_to_stack(own, "k2", 3LL);
    conn.set_values_from_stack_now(own);
    EXPECT_EQ(observer().Run({"MGET", "k1", "k2"}), "v1\n3");
    // The connection's own stack was not touched by the caller's.
    EXPECT_EQ(conn.stack().size(), 8U);
    conn.commit_pending_commands();
    EXPECT_TRUE(conn.stack().empty());
}

TEST_F(RedisConnectionTest, AnImmediateCommandReadsItsOwnReplyAfterPipelinedOnes) {
    conn.set_value_pending("a", "1");
    conn.set_hash_item_pending("h", "f", "2");
    conn.right_push_to_list_pending("l", "3");
    EXPECT_EQ(conn.pending_count(), 3U);
    // Without first reading the pending replies this got the SET's "OK".
    EXPECT_STREQ(conn.get_value("a").c_str(), "1");
    EXPECT_EQ(conn.pending_count(), 0U);
    EXPECT_STREQ(conn.get_hash_value("h", "f").c_str(), "2");

    RedisObserver listener(Server().Port());
    ASSERT_EQ(listener.Run({"SUBSCRIBE", "chan"}), "subscribe\nchan\n1");
    conn.set_value_pending("b", "x");
    conn.publish_pending("chan", "first");
    // The receiver count, not the pending SET's "OK" nor PUBLISH's count of the pipelined one.
    EXPECT_EQ(conn.publish_now("chan", "second"), 1);
    redisReply* message = nullptr;
    ASSERT_EQ(redisGetReply(listener.Context(), reinterpret_cast<void**>(&message)), REDIS_OK);
    EXPECT_EQ(testing::ReplyText(message), "message\nchan\nfirst");
    freeReplyObject(message);
}

TEST_F(RedisConnectionTest, PipelinedCommandsLandOnCommit) {
    conn.set_value_pending("k", "v");
    conn.add_set_item_pending("s", "m1");
    conn.add_value_to_set_pending("s", "m2");
    conn.remove_value_from_set_pending("s", "m1");
    conn.move_value_from_set_to_set_pending("s", "s2", "m2");
    conn.left_push_to_list_pending("l", "b");
    conn.left_push_to_list_pending("l", "a");
    conn.append_key_value_to_stack("f", "v");
    conn.set_hash_from_stack_pending("h");
    conn.del_hash_item_pending("h", "missing");
    conn.del_key_pending("nothing");
    EXPECT_EQ(conn.pending_count(), 10U);
    conn.commit_pending_commands();
    EXPECT_EQ(conn.pending_count(), 0U);
    EXPECT_TRUE(conn.stack().empty());
    EXPECT_EQ(observer().Run({"GET", "k"}), "v");
    EXPECT_EQ(observer().Run({"SMEMBERS", "s2"}), "m2");
    EXPECT_EQ(observer().Run({"LRANGE", "l", "0", "-1"}), "a\nb");
    EXPECT_EQ(observer().Run({"HGET", "h", "f"}), "v");
}

TEST_F(RedisConnectionTest, SetIfNotExistIsTrueOnlyWhenTheServerSetTheValue) {
    EXPECT_TRUE(conn.set_value_if_not_exist("once", "1", 0));
    EXPECT_EQ(observer().Run({"TTL", "once"}), "-1");
    EXPECT_FALSE(conn.set_value_if_not_exist("once", "2", 0));
    EXPECT_EQ(observer().Run({"GET", "once"}), "1");
    EXPECT_TRUE(conn.set_value_if_not_exist("expiring", "1", 60000));
    const int pttl = std::stoi(observer().Run({"PTTL", "expiring"}));
    EXPECT_GT(pttl, 50000);
    EXPECT_LE(pttl, 60000);
    // The server refuses a negative expiry with an error reply: nothing was set.
    EXPECT_FALSE(conn.set_value_if_not_exist("refused", "1", -5));
    EXPECT_EQ(observer().Run({"EXISTS", "refused"}), "0");
    EXPECT_FALSE(conn.is_key_to_delete("refused"));
    EXPECT_TRUE(conn.is_connected());
}

TEST_F(RedisConnectionTest, DisconnectDeletesTheKeysItWroteExceptThoseKeptAlive) {
    observer().Run({"SET", "foreign", "f"});
    // Someone else's hashes, written to only because they exist, stay theirs.
    observer().Run({"HSET", "theirs", "a", "1"});
    observer().Run({"HSET", "theirs2", "a", "1"});
    conn.set_hash_item_now_if_hash_exists("theirs", "b", "2");
    conn.set_hash_item_now_if_key_exists("theirs2", "b", "2");
    conn.set_value_now("k1", "v");
    conn.set_hash_item_now("h1", "f", "v");
    conn.add_set_item_now("kept", "m");
    conn.right_push_to_list_pending("l1", "v");
    conn.remove_from_keys_to_delete("kept");
    conn.set_remember_keys(false);
    conn.set_value_now("unremembered", "v");
    conn.set_remember_keys(true);
    EXPECT_EQ(conn.keys_to_delete_count(), 3U);
    conn.disconnect();
    EXPECT_FALSE(conn.is_connected());
    EXPECT_EQ(conn.GetError(), eRedisNotConnected);
    // The pending RPUSH was sent before the keys were deleted, so nothing of it remains.
    EXPECT_EQ(observer().Members({"KEYS", "*"}),
              (std::vector<std::string>{"foreign", "kept", "theirs", "theirs2", "unremembered"}));
}

TEST_F(RedisConnectionTest, NothingToSendSendsNothing) {
    observer().Run({"CONFIG", "RESETSTAT"});
    conn.set_hash_from_stack_now("h");
    conn.set_hash_from_stack_pending("h");
    conn.set_values_from_stack_now();
    conn.commit_pending_commands();
    // No key written: disconnect has nothing to delete.
    conn.disconnect();
    EXPECT_EQ(ErrorReplies(), "0");
    const std::string stats = observer().Run({"INFO", "commandstats"});
    EXPECT_EQ(stats.find("cmdstat_hmset"), std::string::npos) << stats;
    EXPECT_EQ(stats.find("cmdstat_mset"), std::string::npos) << stats;
    EXPECT_EQ(stats.find("cmdstat_del"), std::string::npos) << stats;
}

TEST_F(RedisConnectionTest, NullKeysAndValuesSendNothingAndTheConnectionGoesOn) {
    observer().Run({"CONFIG", "RESETSTAT"});
    conn.set_value_now(nullptr, "v");
    conn.set_value_now("k", nullptr);
    EXPECT_FALSE(conn.set_value_if_not_exist(nullptr, "v", 0));
    conn.set_hash_item_now("h", nullptr, "v");
    conn.add_set_item_now(nullptr, "m");
    conn.del_key_now(nullptr);
    EXPECT_EQ(conn.publish_now(nullptr, "m"), -1);
    EXPECT_EQ(conn.increment_value(nullptr, 1), 0);
    EXPECT_FALSE(conn.is_hash_key("h", nullptr));
    EXPECT_STREQ(conn.get_value(nullptr).c_str(), "");
    EXPECT_STREQ(conn.get_hash_value(nullptr, "f").c_str(), "");
    conn.set_value_pending(nullptr, "v");
    conn.right_push_to_list_pending("l", nullptr);
    conn.commit_pending_commands();
    EXPECT_EQ(observer().Run({"DBSIZE"}), "0");
    const std::string stats = observer().Run({"INFO", "commandstats"});
    for (const char* name :
         {"cmdstat_set:", "cmdstat_hset", "cmdstat_sadd", "cmdstat_del", "cmdstat_publish",
          "cmdstat_incrby", "cmdstat_get:", "cmdstat_rpush"}) {
        EXPECT_EQ(stats.find(name), std::string::npos) << name << "\n" << stats;
    }
    // Nothing went out of step: the next command reads its own reply.
    conn.set_value_now("k", "v");
    EXPECT_STREQ(conn.get_value("k").c_str(), "v");
}

TEST_F(RedisConnectionTest, PatternDeleteHandlesTenThousandKeys) {
    constexpr int kKeys = 10000;
    for (int i = 0; i < kKeys; ++i) {
        conn.set_value_pending(("many:" + std::to_string(i)).c_str(), "v");
    }
    conn.set_value_pending("other", "v");
    conn.commit_pending_commands();
    ASSERT_EQ(observer().Run({"DBSIZE"}), std::to_string(kKeys + 1));
    // One DEL with every key overflowed the script's unpack and deleted nothing.
    EXPECT_EQ(conn.del_keys_pattern_now("many:*"), kKeys);
    EXPECT_EQ(observer().Run({"DBSIZE"}), "1");
    EXPECT_EQ(conn.del_keys_pattern_now("many:*"), 0);
}

TEST_F(RedisConnectionTest, AStalledServerCostsAboutOneSecondNotForever) {
    conn.set_value_now("k", "v");
    Server().Pause();
    const auto start = std::chrono::steady_clock::now();
    const KTRedisValue value = conn.get_value("k");
    const auto elapsed = std::chrono::steady_clock::now() - start;
    Server().Resume();
    EXPECT_TRUE(value.empty());
    EXPECT_LT(elapsed, std::chrono::milliseconds(2500));
    EXPECT_GE(elapsed, std::chrono::milliseconds(900));
    // The stream is out of step after a timeout: the connection counts as failed.
    EXPECT_FALSE(conn.is_connected());
    EXPECT_TRUE(conn.get_value("k").empty());
    ASSERT_EQ(conn.connect(), eNoErr);
    EXPECT_STREQ(conn.get_value("k").c_str(), "v");
}

TEST_F(RedisConnectionTest, AKilledServerFailsTheConnectionAndARestartedOneServesAgain) {
    conn.set_value_pending("p", "1");
    Server().Stop();
    // Writing to a connection whose peer is gone: empty results, no SIGPIPE, no hang.
    for (int i = 0; i < 3; ++i) {
        conn.set_value_pending("p", "2");
        EXPECT_TRUE(conn.get_value("p").empty());
        conn.commit_pending_commands();
    }
    EXPECT_FALSE(conn.is_connected());
    EXPECT_EQ(conn.connect(), eRedisConnectFailed);
    ASSERT_TRUE(Server().Start(true));
    ASSERT_EQ(conn.connect(), eNoErr);
    conn.set_value_now("p", "3");
    EXPECT_STREQ(conn.get_value("p").c_str(), "3");
}

TEST_F(RedisConnectionTest, ClientNameIsSetAndKeptAcrossReconnects) {
    conn.set_client_name("kv:test:name:1");
    EXPECT_NE(observer().Run({"CLIENT", "LIST"}).find("name=kv:test:name:1"), std::string::npos);
    conn.disconnect();
    ASSERT_EQ(conn.connect(), eNoErr);
    EXPECT_NE(observer().Run({"CLIENT", "LIST"}).find("name=kv:test:name:1"), std::string::npos);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::Redis
