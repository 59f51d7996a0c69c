// The subscription thread and the command lock, run under ThreadSanitizer in CI.
#include "korvane/redis/redis_connection.h"

#include "korvane/redis/redis_test_server.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kvKorvaneV10_0_3::Redis {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;
using testing::RedisObserver;
using testing::RedisServerTest;

// What a callback saw, shared with the test's thread.
struct Received {
    std::mutex mutex;
    std::vector<std::string> messages;
    std::atomic<int> count{0};
    bool keepListening = true;

    static bool Callback(const char* channel, const char* message, void* context) {
        auto* self = static_cast<Received*>(context);
        std::lock_guard<std::mutex> lock(self->mutex);
        self->messages.push_back(std::string(channel) + ":" + message);
        ++self->count;
        return self->keepListening;
    }
};

template <typename Predicate>
bool WaitFor(Predicate done, milliseconds limit = milliseconds(3000)) {
    const auto deadline = steady_clock::now() + limit;
    while (!done()) {
        if (steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(milliseconds(1));
    }
    return true;
}

class RedisSubscriptionTest : public RedisServerTest {
protected:
    void SetUp() override {
        RedisServerTest::SetUp();
        conn.set_connection_details("127.0.0.1", Server().Port());
        ASSERT_EQ(conn.connect(), eNoErr);
    }
    // True when the server lists a client of that name.
    bool ServerListsClient(const std::string& name) {
        RedisObserver observer(Server().Port());
        return observer.Run({"CLIENT", "LIST"}).find("name=" + name + " ") != std::string::npos;
    }

    KCRedisConnection conn;
};

TEST_F(RedisSubscriptionTest, MessagesReachTheCallbackAndQuitEndsTheLoop) {
    RedisObserver observer(Server().Port());
    observer.Run({"HSET", "kv:chan:1", "name", "x"});
    Received received;
    ASSERT_TRUE(conn.subscribe("kv:chan:1", &Received::Callback, &received));
    EXPECT_TRUE(conn.is_subscribed());
    EXPECT_FALSE(conn.subscribe("kv:chan:1", &Received::Callback, &received));
    ASSERT_TRUE(WaitFor([&] {
        return observer.Run({"HGET", "kv:chan:1", "subscribed"}) == "kv:chan:1";
    }));
    EXPECT_TRUE(conn.is_listening());
    EXPECT_TRUE(ServerListsClient("kv:chan:1"));

    EXPECT_EQ(observer.Run({"PUBLISH", "kv:chan:1", "{command: ping}"}), "1");
    ASSERT_TRUE(WaitFor([&] { return received.count.load() == 1; }));
    {
        std::lock_guard<std::mutex> lock(received.mutex);
        EXPECT_EQ(received.messages[0], "kv:chan:1:{command: ping}");
    }
    // "quit" is not handed to the callback; it ends the subscription.
    EXPECT_EQ(observer.Run({"PUBLISH", "kv:chan:1", "quit"}), "1");
    ASSERT_TRUE(WaitFor([&] { return !conn.is_subscribed(); }));
    EXPECT_EQ(received.count.load(), 1);
    EXPECT_TRUE(WaitFor([&] {
        return observer.Run({"HGET", "kv:chan:1", "subscribed"}) == "false";
    }));
    EXPECT_FALSE(ServerListsClient("kv:chan:1"));
    // A new subscription after one that ended by itself.
    ASSERT_TRUE(conn.subscribe("kv:chan:1", &Received::Callback, &received));
    conn.unsubscribe();
    EXPECT_FALSE(conn.is_subscribed());
}

TEST_F(RedisSubscriptionTest, UnsubscribingLeavesOtherSubscribersOfTheChannelListening) {
    RedisObserver observer(Server().Port());
    KCRedisConnection other;
    other.set_connection_details("127.0.0.1", Server().Port());
    ASSERT_EQ(other.connect(), eNoErr);
    Received mine;
    Received theirs;
    ASSERT_TRUE(conn.subscribe("shared", &Received::Callback, &mine));
    ASSERT_TRUE(other.subscribe("shared", &Received::Callback, &theirs));
    ASSERT_TRUE(WaitFor([&] { return conn.is_listening() && other.is_listening(); }));
    conn.unsubscribe();
    EXPECT_FALSE(conn.is_subscribed());
    // The other subscription neither ended nor saw this connection's stop.
    EXPECT_EQ(observer.Run({"PUBLISH", "shared", "still there"}), "1");
    ASSERT_TRUE(WaitFor([&] { return theirs.count.load() == 1; }));
    EXPECT_TRUE(other.is_subscribed());
    {
        std::lock_guard<std::mutex> lock(theirs.mutex);
        EXPECT_EQ(theirs.messages[0], "shared:still there");
    }
    EXPECT_EQ(mine.count.load(), 0);
    other.unsubscribe();
    EXPECT_FALSE(other.is_subscribed());
}

TEST_F(RedisSubscriptionTest, ACallbackReturningFalseEndsTheSubscription) {
    RedisObserver observer(Server().Port());
    Received received;
    received.keepListening = false;
    ASSERT_TRUE(conn.subscribe("once", &Received::Callback, &received));
    ASSERT_TRUE(WaitFor([&] { return conn.is_listening(); }));
    observer.Run({"PUBLISH", "once", "a"});
    ASSERT_TRUE(WaitFor([&] { return !conn.is_subscribed(); }));
    EXPECT_EQ(observer.Run({"PUBLISH", "once", "b"}), "0");
    EXPECT_EQ(received.count.load(), 1);
}

TEST_F(RedisSubscriptionTest, UnsubscribeRightAfterSubscribeStopsTheThread) {
    Received received;
    // Many rounds: the thread is caught at every step of its start, including writing to a
    // socket already shut down (which must not raise SIGPIPE).
    for (int i = 0; i < 200; ++i) {
        const std::string channel = "fast:" + std::to_string(i);
        ASSERT_TRUE(conn.subscribe(channel.c_str(), &Received::Callback, &received));
        const auto start = steady_clock::now();
        // Before the thread has subscribed: its "quit" would reach nobody.
        conn.unsubscribe();
        EXPECT_LT(steady_clock::now() - start, milliseconds(1500)) << channel;
        EXPECT_FALSE(conn.is_subscribed());
        EXPECT_FALSE(conn.is_listening());
    }
    RedisObserver observer(Server().Port());
    EXPECT_TRUE(WaitFor([&] {
        return observer.Run({"PUBSUB", "NUMSUB", "fast:19"}) == "fast:19\n0";
    }));
}

TEST_F(RedisSubscriptionTest, UnsubscribeWithoutAWorkingMainConnectionStillEnds) {
    // Only the subscriber's own connection exists: "quit" cannot be published.
    KCRedisConnection lonely;
    lonely.set_connection_details("127.0.0.1", Server().Port());
    Received received;
    ASSERT_TRUE(lonely.subscribe("lonely", &Received::Callback, &received));
    ASSERT_TRUE(WaitFor([&] { return lonely.is_listening(); }));
    const auto start = steady_clock::now();
    lonely.unsubscribe();
    EXPECT_LT(steady_clock::now() - start, milliseconds(500));
    EXPECT_FALSE(lonely.is_subscribed());
    EXPECT_FALSE(ServerListsClient("lonely"));
}

TEST_F(RedisSubscriptionTest, DisconnectAfterAnIoErrorStopsTheThreadAndFreesTheConnection) {
    Received received;
    ASSERT_TRUE(conn.subscribe("broken", &Received::Callback, &received));
    ASSERT_TRUE(WaitFor([&] { return conn.is_listening(); }));
    Server().Pause();
    // Times out: the main connection is now failed.
    (void)conn.get_value("k");
    EXPECT_FALSE(conn.is_connected());
    const auto start = steady_clock::now();
    conn.disconnect();
    const auto elapsed = steady_clock::now() - start;
    Server().Resume();
    EXPECT_LT(elapsed, milliseconds(1500));
    EXPECT_FALSE(conn.is_subscribed());
    EXPECT_EQ(conn.GetError(), eRedisNotConnected);
    // Usable again afterwards.
    ASSERT_EQ(conn.connect(), eNoErr);
    conn.set_value_now("k", "v");
    EXPECT_STREQ(conn.get_value("k").c_str(), "v");
}

// A callback that asks to stop from the subscription thread itself.
bool StopFromCallback(const char* /*channel*/, const char* /*message*/, void* context) {
    static_cast<KCRedisConnection*>(context)->unsubscribe();
    return true;
}

TEST_F(RedisSubscriptionTest, UnsubscribeFromTheCallbackEndsWithoutWaitingForItself) {
    RedisObserver observer(Server().Port());
    ASSERT_TRUE(conn.subscribe("self", &StopFromCallback, &conn));
    ASSERT_TRUE(WaitFor([&] { return conn.is_listening(); }));
    observer.Run({"PUBLISH", "self", "stop"});
    ASSERT_TRUE(WaitFor([&] { return !conn.is_subscribed(); }));
    conn.unsubscribe();
}

// A callback that runs commands on the main connection, as text commands do.
struct CommandRunner {
    KCRedisConnection* conn = nullptr;
    std::atomic<int> mismatches{0};
    std::atomic<int> handled{0};

    static bool Callback(const char* /*channel*/, const char* message, void* context) {
        auto* self = static_cast<CommandRunner*>(context);
        const std::string key = std::string("cb:") + message;
        self->conn->set_value_now(key.c_str(), message);
        if (self->conn->get_value(key.c_str()).compare(message) != 0) {
            ++self->mismatches;
        }
        ++self->handled;
        return true;
    }
};

TEST_F(RedisSubscriptionTest, CommandsFromTheCallbackAndTheOwnerNeverShareAReply) {
    CommandRunner runner;
    runner.conn = &conn;
    ASSERT_TRUE(conn.subscribe("commands", &CommandRunner::Callback, &runner));
    ASSERT_TRUE(WaitFor([&] { return conn.is_listening(); }));

    constexpr int kMessages = 200;
    std::thread publisher([&] {
        RedisObserver observer(Server().Port());
        for (int i = 0; i < kMessages; ++i) {
            observer.Run({"PUBLISH", "commands", std::to_string(i)});
        }
    });
    int ownerMismatches = 0;
    for (int i = 0; i < 400; ++i) {
        const std::string key = "own:" + std::to_string(i);
        conn.set_value_pending(key.c_str(), std::to_string(i).c_str());
        conn.append_key_value_to_stack("i", static_cast<long long>(i));
        conn.set_hash_from_stack_pending(("hash:" + std::to_string(i)).c_str());
        if (i % 3 == 0) {
            conn.commit_pending_commands();
        }
        if (conn.get_value(key.c_str()).compare(std::to_string(i).c_str()) != 0) {
            ++ownerMismatches;
        }
    }
    publisher.join();
    ASSERT_TRUE(WaitFor([&] { return runner.handled.load() == kMessages; }));
    conn.unsubscribe();
    EXPECT_EQ(ownerMismatches, 0);
    EXPECT_EQ(runner.mismatches.load(), 0);
    EXPECT_TRUE(conn.is_connected());
}

TEST_F(RedisSubscriptionTest, ConcurrentSubscribeAndUnsubscribeLeaveNoThreadBehind) {
    Received received;
    std::atomic<bool> stop{false};
    std::thread other([&] {
        while (!stop.load()) {
            conn.unsubscribe();
        }
    });
    for (int i = 0; i < 30; ++i) {
        (void)conn.subscribe("race", &Received::Callback, &received);
        std::this_thread::sleep_for(milliseconds(i % 3));
    }
    stop = true;
    other.join();
    conn.unsubscribe();
    EXPECT_FALSE(conn.is_subscribed());
    RedisObserver observer(Server().Port());
    EXPECT_TRUE(WaitFor([&] { return observer.Run({"PUBSUB", "NUMSUB", "race"}) == "race\n0"; }));
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::Redis
