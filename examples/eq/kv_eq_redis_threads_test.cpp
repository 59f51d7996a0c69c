// Text commands that touch the EQ's window arrive on the subscription thread while the window
// opens and closes on the GUI thread: they wait for the idle call, so they never meet a window
// that is going away.
#include "examples/eq/kv_eq.h"

#include "examples/eq/kv_eq_test_support.h"
#include "examples/eq/kv_eq_window.h"
#include "host/reference_host.h"
#include "korvane/redis/redis_reporter.h"
#include "korvane/redis/redis_test_server.h"
#include "korvane/rm/resource_manager.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>

namespace {

using namespace kvKorvaneV10_0_3;
using kvexample::KvEQ;
using Redis::testing::RedisObserver;
using Redis::testing::RedisServerTest;

class KvEQRedisThreads : public RedisServerTest {};

TEST_F(KvEQRedisThreads, DeselectAllWhileTheWindowCloses) {
    Redis::KCKorvaneRedisReporter::set_config_file_for_new_reporters(Server().ConfigPath().c_str());
    KorvaneHost::ReferenceHost host;
    KTResContainerType* container = nullptr;
    std::unique_ptr<KvEQ> eq;
    kvexample::testing::OpenEQOnHost(KVEQ_MODULE, host, container, eq);
    ASSERT_FALSE(HasFatalFailure());
    auto* reporter = dynamic_cast<Redis::KCPluginRedisReporter*>(eq->GetRedisReporter());
    ASSERT_NE(reporter, nullptr);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!reporter->client().is_listening() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_TRUE(reporter->client().is_listening());
    const std::string instance = reporter->instance_name();
    // A GUI command of the test's own notes the thread it runs on. Registered before anything is
    // published, so the subscription thread has no command to look up yet.
    std::mutex threadsLock;
    std::set<std::thread::id> threads;
    std::size_t noted = 0;
    reporter->handler().register_command(
        "note-thread",
        [&](const YAML::Node&, std::string&) -> KTErr {
            const std::lock_guard<std::mutex> lock(threadsLock);
            threads.insert(std::this_thread::get_id());
            ++noted;
            return eNoErr;
        },
        "Notes the thread.", [](const YAML::Node&) { return true; });

    auto notedCount = [&] {
        const std::lock_guard<std::mutex> lock(threadsLock);
        return noted;
    };
    std::atomic<bool> stop{false};
    std::atomic<int> sent{0};
    RedisObserver observer(Server().Port());
    std::thread sender([&] {
        RedisObserver publisher(Server().Port());
        while (!stop.load() && (sent.load() < 400 || notedCount() == 0)) {
            publisher.Run(
                {"PUBLISH", instance,
                 "{command: DeSelectAllControls}\n---\n{command: record-undo}\n---\n{command: "
                 "note-thread}"});
            ++sent;
        }
    });
    while (sent.load() == 0) {
        std::this_thread::yield();
    }
    // The GUI thread opens and closes the window, idling in between. Commands that arrive while
    // no window is open are refused at once, so the rounds go on (for a while) until one
    // arrived while a window was open: a loaded machine may deliver them all late.
    bool opened = true;
    const auto roundsUntil = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (int round = 0; opened && (round < 40 || notedCount() == 0) &&
                        std::chrono::steady_clock::now() < roundsUntil;
         ++round) {
        {
            kvexample::KvEQWindow gui(container);
            opened = gui.InitDefaultGUIWithoutImages(eq.get()) == eNoErr;
            for (int i = 0; i < 3; ++i) {
                eq->DoIdle(0);
            }
        }
        eq->DoIdle(0);  // no window now: the queued commands find none
    }
    stop = true;
    sender.join();
    EXPECT_TRUE(opened);
    // The commands ran, each on the GUI thread.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    // Commands past the queue's limit are refused, so not every one published is noted.
    while ((notedCount() == 0 || reporter->queued_command_count() > 0) &&
           std::chrono::steady_clock::now() < until) {
        eq->DoIdle(0);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_NE(observer.Run({"HGET", instance, "num_text_commands"}), "(nil)");
    {
        const std::lock_guard<std::mutex> lock(threadsLock);
        EXPECT_GT(noted, 0U);
        ASSERT_EQ(threads.size(), 1U);
        EXPECT_EQ(*threads.begin(), std::this_thread::get_id());
    }
    eq->StopRedisReporting();
    EXPECT_GT(sent.load(), 0);

    eq.reset();
    Redis::KCKorvaneRedisReporter::set_config_file_for_new_reporters("");
    EXPECT_EQ(RM::CloseResContainer(container), eNoErr);
    EXPECT_EQ(RM::Dispose(), eNoErr);
}

}  // namespace
