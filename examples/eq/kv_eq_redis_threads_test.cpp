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

    std::atomic<bool> stop{false};
    std::atomic<int> sent{0};
    RedisObserver observer(Server().Port());
    std::thread sender([&] {
        RedisObserver publisher(Server().Port());
        while (!stop.load() && sent.load() < 400) {
            publisher.Run({"PUBLISH", instance,
                           "{command: DeSelectAllControls}\n---\n{command: record-undo}"});
            ++sent;
        }
    });
    while (sent.load() == 0) {
        std::this_thread::yield();
    }
    // The GUI thread opens and closes the window, idling in between.
    bool opened = true;
    for (int round = 0; round < 40 && opened; ++round) {
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
    while (observer.Run({"HGET", instance, "num_text_commands"}) == "(nil)" &&
           std::chrono::steady_clock::now() < until) {
        eq->DoIdle(0);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_NE(observer.Run({"HGET", instance, "num_text_commands"}), "(nil)");
    eq->StopRedisReporting();
    EXPECT_GT(sent.load(), 0);

    eq.reset();
    Redis::KCKorvaneRedisReporter::set_config_file_for_new_reporters("");
    EXPECT_EQ(RM::CloseResContainer(container), eNoErr);
    EXPECT_EQ(RM::Dispose(), eNoErr);
}

}  // namespace
