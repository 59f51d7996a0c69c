// Test support: a real redis-server of the test's own on a free loopback port, and a separate
// connection to look at what the code under test left in it. Never part of the library.
#pragma once

#include <gtest/gtest.h>
#include <hiredis/hiredis.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <locale>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace kvKorvaneV10_0_3::Redis::testing {

// One reply as text: strings and statuses as they are, integers in decimal, nil as "(nil)",
// errors as "(error) ...", arrays as their elements joined by newlines.
inline std::string ReplyText(const redisReply* r) {
    if (r == nullptr) {
        return "(no reply)";
    }
    switch (r->type) {
        case REDIS_REPLY_STRING:
        case REDIS_REPLY_STATUS:
            return {r->str, r->len};
        case REDIS_REPLY_INTEGER:
            return std::to_string(r->integer);
        case REDIS_REPLY_NIL:
            return "(nil)";
        case REDIS_REPLY_ERROR:
            return "(error) " + std::string(r->str, r->len);
        case REDIS_REPLY_ARRAY: {
            std::string out;
            for (std::size_t i = 0; i < r->elements; ++i) {
                out += (i == 0 ? "" : "\n") + ReplyText(r->element[i]);
            }
            return out;
        }
        default:
            return "(unknown)";
    }
}

// A connection of the test's own: what the code under test did, seen from outside.
class RedisObserver {
public:
    explicit RedisObserver(int port, int timeoutSeconds = 2) {
        const timeval timeout{timeoutSeconds, 0};
        context_ = redisConnectWithTimeout("127.0.0.1", port, timeout);
        if (context_ != nullptr && context_->err == 0) {
            redisSetTimeout(context_, timeout);
        }
    }
    ~RedisObserver() {
        if (context_ != nullptr) {
            redisFree(context_);
        }
    }
    RedisObserver(const RedisObserver&) = delete;
    RedisObserver& operator=(const RedisObserver&) = delete;

    [[nodiscard]] bool Ok() const { return context_ != nullptr && context_->err == 0; }
    [[nodiscard]] redisContext* Context() const { return context_; }

    // Runs one command and gives its reply as text (see ReplyText).
    std::string Run(const std::vector<std::string>& args) {
        if (!Ok()) {
            return "(not connected)";
        }
        redisReply* r = Send(args);
        std::string out = ReplyText(r);
        if (r != nullptr) {
            freeReplyObject(r);
        }
        return out;
    }
    // The elements of an array reply, sorted.
    std::vector<std::string> Members(const std::vector<std::string>& args) {
        std::vector<std::string> out;
        if (!Ok()) {
            return out;
        }
        redisReply* r = Send(args);
        if (r != nullptr && r->type == REDIS_REPLY_ARRAY) {
            for (std::size_t i = 0; i < r->elements; ++i) {
                out.push_back(ReplyText(r->element[i]));
            }
        }
        if (r != nullptr) {
            freeReplyObject(r);
        }
        std::sort(out.begin(), out.end());
        return out;
    }

private:
    redisReply* Send(const std::vector<std::string>& args) {
        std::vector<const char*> argv;
        std::vector<std::size_t> lengths;
        for (const std::string& a : args) {
            argv.push_back(a.c_str());
            lengths.push_back(a.size());
        }
        return static_cast<redisReply*>(
            redisCommandArgv(context_, static_cast<int>(argv.size()), argv.data(), lengths.data()));
    }

    redisContext* context_ = nullptr;
};

// A redis-server started for the tests: a free loopback port, a configuration of its own
// ("port", "bind 127.0.0.1"), no persistence, stopped by its pid.
class RedisTestServer {
public:
    RedisTestServer() {
        std::random_device rd;
        folder_ = std::filesystem::temp_directory_path() /
                  ("korvane-redis-test-" + std::to_string(rd()) + std::to_string(rd()));
        std::filesystem::create_directories(folder_);
        Start();
    }
    ~RedisTestServer() {
        Stop();
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }
    RedisTestServer(const RedisTestServer&) = delete;
    RedisTestServer& operator=(const RedisTestServer&) = delete;

    [[nodiscard]] bool Running() const { return pid_ > 0; }
    [[nodiscard]] int Port() const { return port_; }
    [[nodiscard]] long Pid() const { return pid_; }
    [[nodiscard]] std::string ConfigPath() const { return (folder_ / "redis.conf").string(); }
    [[nodiscard]] std::string Folder() const { return folder_.string(); }

    // Starts the server, on a new free port unless `samePort` (a restart after Stop()). Tries
    // up to ten ports: another process may hold the one picked.
    bool Start(bool samePort = false) {
        std::random_device rd;
        for (int attempt = 0; attempt < 10 && pid_ <= 0; ++attempt) {
            if (!samePort || port_ == 0) {
                port_ = 20000 + static_cast<int>(rd() % 40000);
            }
            if (TryStart()) {
                return true;
            }
            if (samePort) {
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            }
        }
        return Running();
    }

    // Ends the server (SIGKILL: nothing is saved anyway) and waits until the port is free.
    void Stop() {
        if (pid_ <= 0) {
            return;
        }
        Signal("CONT");
        Signal("KILL");
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (Alive() && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        // On a loaded machine the listening socket can outlive the process's last state
        // change by a moment: the server counts as stopped once its port refuses.
        while (std::chrono::steady_clock::now() < deadline && RedisObserver(port_, 1).Ok()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        pid_ = -1;
    }
    // Freezes the server (SIGSTOP): connections stay open but nothing is answered.
    void Pause() { Signal("STOP"); }
    void Resume() { Signal("CONT"); }

    void Flush() {
        RedisObserver observer(port_);
        observer.Run({"FLUSHDB"});
    }

private:
    bool TryStart() {
        {
            // std::to_string: the stream would group digits under a host's locale.
            std::ofstream conf(ConfigPath(), std::ios::trunc);
            conf << "port " + std::to_string(port_) + "\nbind 127.0.0.1\n";
        }
        const std::string pidFile = (folder_ / "redis.pid").string();
        std::error_code ec;
        std::filesystem::remove(pidFile, ec);
        const std::string command = "redis-server '" + ConfigPath() +
                                    "' --save '' --appendonly no" + " --dir '" + folder_.string() +
                                    "' --daemonize yes" + " --pidfile '" + pidFile +
                                    "' --logfile '" + (folder_ / "redis.log").string() + "'";
        if (std::system(command.c_str()) != 0) {
            return false;
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (std::chrono::steady_clock::now() < deadline) {
            std::ifstream in(pidFile);
            in.imbue(std::locale::classic());
            long pid = 0;
            if (in >> pid && pid > 0) {
                // Answering, and it is ours: another server may listen on the port picked.
                RedisObserver observer(port_);
                if (observer.Ok() && observer.Run({"PING"}) == "PONG" &&
                    observer.Run({"CONFIG", "GET", "pidfile"}) == "pidfile\n" + pidFile) {
                    pid_ = pid;
                    return true;
                }
                if (!AliveId(pid)) {
                    return false;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    void Signal(const char* name) const {
        if (pid_ > 0) {
            const std::string command =
                "kill -" + std::string(name) + " " + std::to_string(pid_) + " 2>/dev/null";
            (void)std::system(command.c_str());
        }
    }
    // Running and not a zombie: a daemon killed here may wait long for whoever reaps it.
    static bool AliveId(long pid) {
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string line;
        if (!std::getline(stat, line)) {
            return false;
        }
        const auto close = line.rfind(')');
        return close != std::string::npos && close + 2 < line.size() && line[close + 2] != 'Z';
    }
    [[nodiscard]] bool Alive() const { return AliveId(pid_); }

    std::filesystem::path folder_;
    int port_ = 0;
    long pid_ = -1;
};

// A test suite sharing one server, emptied before each test.
class RedisServerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server_ = new RedisTestServer(); }
    static void TearDownTestSuite() {
        delete server_;
        server_ = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(server_->Running()) << "redis-server did not start";
        server_->Flush();
    }
    static RedisTestServer& Server() { return *server_; }

private:
    static inline RedisTestServer* server_ = nullptr;
};

}  // namespace kvKorvaneV10_0_3::Redis::testing
