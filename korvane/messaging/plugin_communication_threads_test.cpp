// The message manager and the runner's worker. Where the result must not depend on timing, the
// test holds the runner lock and drains the ring itself, as the worker would; elsewhere the
// worker delivers and the test waits for it.
#include "korvane/messaging/plugin_communication.h"

#include "korvane/core/error_codes.h"
#include "korvane/messaging/idle_command_runner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace kvKorvaneV10_0_3 {
namespace {

using kvThread::KCIdleCommandRunner;
using namespace std::chrono_literals;

constexpr KCFourCC kTypeA("TypA");
constexpr KCFourCC kTypeB("TypB");
constexpr KCFourCC kHello("helo");

struct Received {
    KCFourCC id;
    std::optional<std::string> text;  // none for a null data pointer
    bool onWorker = false;
};

class Recorder : public KCMessageListener {
public:
    explicit Recorder(KCFourCC type) : m_type(type) {}

    [[nodiscard]] KCFourCC GetMessageListenerType() const override { return m_type; }
    int DeliverMessage(char* data, const KCFourCC& id) override {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_received.push_back({id,
                                  data == nullptr ? std::nullopt : std::optional<std::string>(data),
                                  KCIdleCommandRunner::IsWorkerThread()});
        }
        if (onDeliver) {
            onDeliver(data, id);
        }
        return 0;
    }

    [[nodiscard]] std::vector<Received> Got() const {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_received;
    }
    [[nodiscard]] std::size_t Count() const { return Got().size(); }

    std::function<void(char*, const KCFourCC&)> onDeliver;

private:
    KCFourCC m_type;
    mutable std::mutex m_mutex;
    std::vector<Received> m_received;
};

// Polls `done` for up to two seconds (a hundred worker cadences).
template <typename Done>
bool WaitFor(Done done) {
    // Generous: sanitizer builds on a loaded machine are slow.
    const auto end = std::chrono::steady_clock::now() + 10s;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

// ------------------------------------------------------------------ delivery rules, drained here

class ManagerHeldOff : public ::testing::Test {
protected:
    void TearDown() override {
        for (Recorder* r : {&a1, &a2, &b1}) {
            manager.UnregisterMessageListener(r);
        }
        EXPECT_FALSE(KCIdleCommandRunner::HasWorker());
    }

    void RegisterAll() {
        for (Recorder* r : {&a1, &a2, &b1}) {
            ASSERT_EQ(manager.RegisterMessageListener(r), eNoErr);
        }
    }

    KCPluginCommunicationManager manager;
    Recorder a1{kTypeA};
    Recorder a2{kTypeA};
    Recorder b1{kTypeB};
};

TEST_F(ManagerHeldOff, AllTypesReachesEveryOtherListenerAndATypeOnlyItsOwn) {
    RegisterAll();
    {
        const KCIdleCommandRunner::ScopedLock hold;
        EXPECT_EQ(manager.SendMessageToInstances(&a1, KCPluginCommunicationManager::kAllPluginTypes,
                                                 kHello, "all", 3),
                  2);
        EXPECT_EQ(manager.SendMessageToInstances(&b1, kTypeA, KCFourCC("only"), "a", 1), 2);
        EXPECT_EQ(manager.SendMessageToInstances(&a1, kTypeA, KCFourCC("self"), "a", 1), 1);
        EXPECT_EQ(manager.SendMessageToInstances(nullptr, KCFourCC("none"), kHello, "x", 1), 0);
        manager.ExecuteAll();
    }
    EXPECT_EQ(a1.Count(), 1U);  // "only"; never its own messages
    EXPECT_EQ(a2.Count(), 3U);
    EXPECT_EQ(b1.Count(), 1U);
    ASSERT_EQ(a2.Got().size(), 3U);
    EXPECT_EQ(a2.Got()[0].id, kHello);
    EXPECT_EQ(a2.Got()[0].text, "all");
    EXPECT_EQ(a2.Got()[2].id, KCFourCC("self"));
    EXPECT_EQ(b1.Got()[0].id, kHello);
}

TEST_F(ManagerHeldOff, NothingIsQueuedWithoutAnotherListener) {
    ASSERT_EQ(manager.RegisterMessageListener(&a1), eNoErr);
    const KCIdleCommandRunner::ScopedLock hold;
    EXPECT_EQ(manager.SendMessageToInstances(&a1, KCPluginCommunicationManager::kAllPluginTypes,
                                             kHello, "x", 1),
              0);
    EXPECT_TRUE(manager.IsEmpty());
}

TEST_F(ManagerHeldOff, TheRingHolds1024MessagesAndLosesTheNext) {
    RegisterAll();
    int queued = 0;
    const KCIdleCommandRunner::ScopedLock hold;
    for (int i = 0; i < 1025; ++i) {
        const std::string text = std::to_string(i);
        queued += manager.SendMessageToInstances(&a1, kTypeB, kHello, text.c_str(),
                                                 static_cast<int>(text.size()));
    }
    EXPECT_EQ(queued, 1024);
    manager.ExecuteAll();
    const auto got = b1.Got();
    ASSERT_EQ(got.size(), 1024U);
    EXPECT_EQ(got.front().text, "0");
    EXPECT_EQ(got.back().text, "1023");
}

TEST_F(ManagerHeldOff, DataIsCopiedWhenSentAndEndsWithANul) {
    RegisterAll();
    const KCIdleCommandRunner::ScopedLock hold;
    char buffer[] = "abcXYZ";
    // Three bytes of a longer buffer: the receiver, given no size, must see three.
    ASSERT_EQ(manager.SendMessageToInstances(&a1, kTypeB, kHello, buffer, 3), 1);
    std::fill_n(buffer, 3, 'z');  // the sender's buffer is its own again
    bool sawNul = false;
    b1.onDeliver = [&](char* data, const KCFourCC&) { sawNul = data != nullptr && data[3] == 0; };
    manager.ExecuteAll();
    ASSERT_EQ(b1.Count(), 1U);
    EXPECT_EQ(b1.Got()[0].text, "abc");
    EXPECT_TRUE(sawNul);
}

TEST_F(ManagerHeldOff, NullDataKeepsItsSizeAndANegativeSizeCopiesNothing) {
    RegisterAll();
    const KCIdleCommandRunner::ScopedLock hold;
    ASSERT_EQ(manager.SendMessageToInstances(&a1, kTypeB, kHello, nullptr, 17), 1);
    ASSERT_EQ(manager.SendMessageToInstances(&a1, kTypeB, kHello, "secret", -5), 1);
    std::vector<std::int32_t> sizes;
    std::vector<bool> hasData;
    manager.ForEachPending([&](KSPluginMessageData& record) {
        sizes.push_back(record.size);
        hasData.push_back(record.data != nullptr);
    });
    EXPECT_EQ(sizes, (std::vector<std::int32_t>{17, 0}));
    EXPECT_EQ(hasData, (std::vector<bool>{false, true}));
    manager.ExecuteAll();
    const auto got = b1.Got();
    ASSERT_EQ(got.size(), 2U);
    EXPECT_FALSE(got[0].text.has_value());
    EXPECT_EQ(got[1].text, "");
}

TEST_F(ManagerHeldOff, UnregisteringDropsTheMessagesQueuedForThatListenerOnly) {
    RegisterAll();
    const KCIdleCommandRunner::ScopedLock hold;
    ASSERT_EQ(manager.SendMessageToInstances(&b1, KCPluginCommunicationManager::kAllPluginTypes,
                                             kHello, "x", 1),
              2);
    manager.UnregisterMessageListener(&a2);
    EXPECT_FALSE(manager.IsListener(&a2));
    manager.ExecuteAll();
    EXPECT_EQ(a1.Count(), 1U);
    EXPECT_EQ(a2.Count(), 0U);
}

TEST(MessageRecord, CopiesOwnTheirBlock) {
    Recorder target(kTypeA);
    KSPluginMessageData original(&target, kHello, "payload", 7);
    KSPluginMessageData copy(original);
    ASSERT_NE(copy.data, nullptr);
    EXPECT_NE(copy.data, original.data);
    EXPECT_STREQ(copy.data, "payload");
    KSPluginMessageData assigned;
    assigned = original;
    EXPECT_NE(assigned.data, original.data);
    EXPECT_EQ(assigned.size, 7);
    assigned = KSPluginMessageData(&target, kHello, nullptr, 4);
    EXPECT_EQ(assigned.data, nullptr);
    EXPECT_EQ(assigned.size, 4);
    KSPluginMessageData moved(std::move(copy));
    EXPECT_STREQ(moved.data, "payload");
    moved.execute();
    moved.target = nullptr;
    moved.execute();  // a cleared record delivers nothing
    EXPECT_EQ(target.Count(), 1U);
}

// ------------------------------------------------------------------ sending and the listeners

// Counts how often the manager asks for its type.
class TypeCounter : public Recorder {
public:
    using Recorder::Recorder;
    [[nodiscard]] KCFourCC GetMessageListenerType() const override {
        ++asked;
        return Recorder::GetMessageListenerType();
    }
    mutable std::atomic<int> asked{0};
};

TEST_F(ManagerHeldOff, SendingMatchesTheTypeGivenAtRegistrationWithoutCallingTheListeners) {
    // A listener may be in its destructor, or hold a lock of its own, while another thread sends.
    TypeCounter counted(kTypeB);
    RegisterAll();
    ASSERT_EQ(manager.RegisterMessageListener(&counted), eNoErr);
    EXPECT_EQ(counted.asked.load(), 1);
    {
        const KCIdleCommandRunner::ScopedLock hold;
        EXPECT_EQ(manager.SendMessageToInstances(&a1, kTypeB, kHello, "b", 1), 2);
        EXPECT_EQ(manager.SendMessageToInstances(&a1, kTypeA, kHello, "a", 1), 1);
        EXPECT_EQ(manager.SendMessageToInstances(&b1, KCPluginCommunicationManager::kAllPluginTypes,
                                                 kHello, "all", 3),
                  3);
        manager.ExecuteAll();
    }
    EXPECT_EQ(counted.asked.load(), 1);
    EXPECT_EQ(counted.Count(), 2U);
    EXPECT_EQ(b1.Count(), 1U);
    EXPECT_EQ(a2.Count(), 2U);
    manager.UnregisterMessageListener(&counted);
}

// ------------------------------------------------------------------ the worker

TEST(MessageWorker, ThreadsPollingTheRunnerCannotHoldDeliveryBack) {
    KCPluginCommunicationManager manager;
    Recorder a(kTypeA);
    Recorder b(kTypeB);
    ASSERT_EQ(manager.RegisterMessageListener(&a), eNoErr);
    ASSERT_EQ(manager.RegisterMessageListener(&b), eNoErr);
    // Enough pollers that one of them nearly always waits for the runner lock.
    std::atomic<bool> stop{false};
    constexpr int kPollers = 6;
    std::vector<std::thread> pollers;
    pollers.reserve(kPollers);
    for (int i = 0; i < kPollers; ++i) {
        pollers.emplace_back([&] {
            while (!stop) {
                static_cast<void>(KCIdleCommandRunner::IsRegistered(&manager));
                static_cast<void>(KCIdleCommandRunner::HasWorker());
            }
        });
    }
    std::this_thread::sleep_for(20ms);
    constexpr int kMessages = 20;
    for (int i = 0; i < kMessages; ++i) {
        EXPECT_EQ(manager.SendMessageToInstances(&a, kTypeB, kHello, "poll", 4), 1);
    }
    const bool delivered = WaitFor([&] { return b.Count() == kMessages; });
    stop = true;
    for (auto& poller : pollers) {
        poller.join();
    }
    EXPECT_TRUE(delivered) << b.Count() << " of " << kMessages << " delivered";
    manager.UnregisterMessageListener(&a);
    manager.UnregisterMessageListener(&b);
    EXPECT_FALSE(KCIdleCommandRunner::HasWorker());
}

TEST(MessageWorker, DeliversOnItsOwnThreadAndEndsWithTheLastListener) {
    KCPluginCommunicationManager manager;
    Recorder a(kTypeA);
    Recorder b(kTypeB);
    ASSERT_EQ(manager.RegisterMessageListener(&a), eNoErr);
    ASSERT_EQ(manager.RegisterMessageListener(&b), eNoErr);
    EXPECT_TRUE(KCIdleCommandRunner::HasWorker());
    EXPECT_TRUE(KCIdleCommandRunner::IsRegistered(&manager));
    ASSERT_EQ(manager.SendMessageToInstances(&a, kTypeB, kHello, "hi", 2), 1);
    ASSERT_TRUE(WaitFor([&] { return b.Count() == 1; }));
    EXPECT_TRUE(b.Got()[0].onWorker);
    EXPECT_FALSE(KCIdleCommandRunner::IsWorkerThread());
    manager.UnregisterMessageListener(&a);
    EXPECT_TRUE(KCIdleCommandRunner::HasWorker());
    manager.UnregisterMessageListener(&b);
    EXPECT_FALSE(KCIdleCommandRunner::IsRegistered(&manager));
    EXPECT_FALSE(KCIdleCommandRunner::HasWorker());
}

TEST(MessageWorker, StartsAndStopsOverAndOverWithoutOutlivingItsRunner) {
    // Each stop most likely finds the worker in its pause: it must be joined, not abandoned.
    KCPluginCommunicationManager manager;
    Recorder a(kTypeA);
    for (int i = 0; i < 20; ++i) {
        ASSERT_EQ(manager.RegisterMessageListener(&a), eNoErr);
        std::this_thread::sleep_for(std::chrono::milliseconds(i % 3));
        manager.UnregisterMessageListener(&a);
        ASSERT_FALSE(KCIdleCommandRunner::HasWorker());
    }
}

TEST(MessageWorker, TheLastListenerLeavingFromItsOwnDeliveryEndsTheWorker) {
    KCPluginCommunicationManager manager;
    Recorder a(kTypeA);
    Recorder b(kTypeB);
    ASSERT_EQ(manager.RegisterMessageListener(&a), eNoErr);
    ASSERT_EQ(manager.RegisterMessageListener(&b), eNoErr);
    manager.UnregisterMessageListener(&a);
    b.onDeliver = [&](char*, const KCFourCC&) { manager.UnregisterMessageListener(&b); };
    {
        const KCIdleCommandRunner::ScopedLock hold;
        // Two messages, but the first delivery unregisters: the second must not arrive.
        ASSERT_EQ(manager.SendMessageToInstances(nullptr, kTypeB, kHello, "1", 1), 1);
        ASSERT_EQ(manager.SendMessageToInstances(nullptr, kTypeB, kHello, "2", 1), 1);
    }
    ASSERT_TRUE(WaitFor([&] { return !manager.IsListener(&b); }));
    // The worker cannot join itself; the next caller from outside does.
    KCIdleCommandRunner::JoinStopped();
    EXPECT_FALSE(KCIdleCommandRunner::HasWorker());
    EXPECT_EQ(b.Count(), 1U);
}

TEST(MessageWorkerDeathTest, UnloadingJoinsTheWorkerAndRefusesNewOnes) {
    // What the library runs when it is unloaded, in a process of its own: the shutdown is final.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            // Left registered, as a host that unloads the library may leave it.
            auto* manager = new KCPluginCommunicationManager;
            Recorder a(kTypeA);
            Recorder b(kTypeB);
            if (manager->RegisterMessageListener(&a) != eNoErr ||
                manager->RegisterMessageListener(&b) != eNoErr ||
                !KCIdleCommandRunner::HasWorker()) {
                std::_Exit(2);
            }
            // A message waiting in the ring must not keep the worker alive either.
            static_cast<void>(manager->SendMessageToInstances(&a, kTypeB, kHello, "x", 1));
            KCIdleCommandRunner::Shutdown();
            if (KCIdleCommandRunner::HasWorker()) {
                std::_Exit(3);
            }
            if (manager->Init() != eSomeThingNotInitailzed || KCIdleCommandRunner::HasWorker()) {
                std::_Exit(4);
            }
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
