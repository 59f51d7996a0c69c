// Messages between algorithm instances with the real worker thread: registration through the
// property bit, delivery rules, and the cases where a receiver goes away, the ring fills or a
// receiver sends and unregisters while its own message is being delivered.
#include "korvane/algorithm/algorithm.h"

#include "korvane/algorithm/testing/test_algorithm.h"
#include "korvane/messaging/idle_command_runner.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <charconv>
#include <chrono>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kvKorvaneV10_0_3 {
namespace {

using kvThread::KCIdleCommandRunner;
using test_support::TestAlgorithm;
using namespace std::chrono_literals;

constexpr KCFourCC kTypeA("TypA");
constexpr KCFourCC kTypeB("TypB");
constexpr KCFourCC kPing("ping");
constexpr KCFourCC kPong("pong");

KorvaneComponentInfo InfoOfType(KCFourCC type) {
    KorvaneComponentInfo info;
    info.componentType = type;
    return info;
}

// A test algorithm that records what it receives; `onReceive` runs inside ReceiveMessageSelf,
// on the worker, with this algorithm's lock held.
class MessagingAlgorithm : public TestAlgorithm {
public:
    explicit MessagingAlgorithm(KCFourCC type, bool communicates = true)
        : TestAlgorithm(InfoOfType(type)) {
        SetProperty(eAlgUsesPluginCommunication, communicates);
        EXPECT_EQ(FinishCreate(), 0);
        EXPECT_EQ(InitInstanceData(), 0);
    }
    ~MessagingAlgorithm() override {
        if (unregistering != nullptr) {
            *unregistering = true;
        }
        UnregisterMessageListener();
    }

    static KCPluginCommunicationManager& Manager() { return m_pluginCommunicationManager; }

    [[nodiscard]] std::vector<std::string> Texts() const {
        const std::lock_guard<std::mutex> lock(m_mutex);
        return m_texts;
    }
    [[nodiscard]] int Count() const { return count.load(); }

    std::function<void(MessagingAlgorithm& self, char* text, const KCFourCC& id)> onReceive;
    std::atomic<int> count{0};
    std::atomic<bool> onWorker{true};
    std::atomic<int>* externalCount = nullptr;   // survives the algorithm
    std::atomic<bool>* unregistering = nullptr;  // set as the destructor starts unregistering

protected:
    int ReceiveMessageSelf(char* text, const KCFourCC& id) override {
        if (externalCount != nullptr) {
            ++*externalCount;
        }
        if (!KCIdleCommandRunner::IsWorkerThread()) {
            onWorker = false;
        }
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_texts.emplace_back(text == nullptr ? "(null)" : text);
        }
        if (onReceive) {
            onReceive(*this, text, id);
        }
        const int result = TestAlgorithm::ReceiveMessageSelf(text, id);  // keeps lastMessageId
        ++count;
        return result;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_texts;
};

template <typename Done>
bool WaitFor(Done done, std::chrono::seconds limit = 5s) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

// A gate a receiver waits at, so that the worker is busy inside one delivery.
class Gate {
public:
    void WaitInside() {
        entered = true;
        while (!m_open) {
            std::this_thread::sleep_for(100us);
        }
    }
    void Open() { m_open = true; }
    std::atomic<bool> entered{false};

private:
    std::atomic<bool> m_open{false};
};

class AlgorithmMessaging : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_FALSE(KCIdleCommandRunner::HasWorker()); }
};

TEST_F(AlgorithmMessaging, InitInstanceDataRegistersOnlyWithTheCommunicationProperty) {
    {
        MessagingAlgorithm talks(kTypeA);
        MessagingAlgorithm silent(kTypeA, false);
        EXPECT_TRUE(talks.IsMessageListener());
        EXPECT_TRUE(MessagingAlgorithm::Manager().IsListener(&talks));
        EXPECT_FALSE(silent.IsMessageListener());
        EXPECT_FALSE(MessagingAlgorithm::Manager().IsListener(&silent));
        EXPECT_EQ(talks.RegisterMessageListener(), eNoErr);  // again: still one entry
        EXPECT_EQ(MessagingAlgorithm::Manager().GetNumListeners(), 1U);
        EXPECT_TRUE(KCIdleCommandRunner::HasWorker());
        talks.Dispose();
        EXPECT_FALSE(talks.IsMessageListener());
        EXPECT_FALSE(KCIdleCommandRunner::HasWorker());
    }
    EXPECT_EQ(MessagingAlgorithm::Manager().GetNumListeners(), 0U);
}

// A receiver whose set-up takes a while and notes whether a message came in during it.
class SlowStarter : public TestAlgorithm {
public:
    explicit SlowStarter(KCFourCC type) : TestAlgorithm(InfoOfType(type)) {
        SetProperty(eAlgUsesPluginCommunication, true);
        EXPECT_EQ(FinishCreate(), 0);
    }
    ~SlowStarter() override { UnregisterMessageListener(); }

    std::atomic<int> received{0};
    std::atomic<bool> receivedDuringSetUp{false};
    std::atomic<bool> receivedBeforeReady{false};

protected:
    int InitInstanceDataSelf() override {
        // Ten worker cadences: long enough for a queued message to be delivered.
        std::this_thread::sleep_for(200ms);
        if (received.load() > 0) {
            receivedDuringSetUp = true;
        }
        return 0;
    }
    int ReceiveMessageSelf(char* text, const KCFourCC& id) override {
        if (!IsInstanceDataReady()) {
            receivedBeforeReady = true;
        }
        ++received;
        return TestAlgorithm::ReceiveMessageSelf(text, id);
    }
};

TEST_F(AlgorithmMessaging, NoMessageArrivesWhileTheInstanceIsBeingSetUp) {
    constexpr KCFourCC kSlow("Slow");
    MessagingAlgorithm sender(kTypeA);
    SlowStarter receiver(kSlow);
    std::atomic<bool> stop{false};
    std::thread sending([&] {
        while (!stop) {
            static_cast<void>(sender.SendMessageToInstances(kSlow, kPing, "early", 5));
            std::this_thread::sleep_for(1ms);
        }
    });
    EXPECT_EQ(receiver.InitInstanceData(), 0);
    // Registered once ready: the messages sent from then on arrive.
    EXPECT_TRUE(receiver.IsMessageListener());
    const bool delivered = WaitFor([&] { return receiver.received.load() > 0; });
    stop = true;
    sending.join();
    EXPECT_TRUE(delivered);
    EXPECT_FALSE(receiver.receivedDuringSetUp);
    EXPECT_FALSE(receiver.receivedBeforeReady);
    receiver.UnregisterMessageListener();
}

TEST_F(AlgorithmMessaging, MessagesReachTheOtherInstancesOfTheTypeOnTheWorker) {
    MessagingAlgorithm a1(kTypeA);
    MessagingAlgorithm a2(kTypeA);
    MessagingAlgorithm b(kTypeB);
    EXPECT_EQ(a1.SendMessageToInstances(KCPluginCommunicationManager::kAllPluginTypes, kPing,
                                        "everyone", 8),
              2);
    EXPECT_EQ(b.SendMessageToInstances(kTypeA, kPing, "type A", 6), 2);
    ASSERT_TRUE(WaitFor([&] { return a2.Count() == 2 && b.Count() == 1 && a1.Count() == 1; }));
    EXPECT_EQ(a2.Texts(), (std::vector<std::string>{"everyone", "type A"}));
    EXPECT_EQ(a1.Texts(), (std::vector<std::string>{"type A"}));
    EXPECT_EQ(b.lastMessageId, kPing);
    EXPECT_TRUE(a1.onWorker && a2.onWorker && b.onWorker);
}

TEST_F(AlgorithmMessaging, TheAsyncRoutesUseTheQueueUnlessAPluginRoutesThemElsewhere) {
    MessagingAlgorithm a(kTypeA, false);
    MessagingAlgorithm b(kTypeB);
    EXPECT_EQ(a.RegisterAsyncMessageListener(), eNoErr);
    EXPECT_TRUE(a.IsMessageListener());
    char text[] = "hello";
    EXPECT_EQ(a.SendAsyncMessageToInstances(kTypeA, kPing, text, 5, false), 0);  // no other A
    EXPECT_EQ(a.SendAsyncMessageToInstances(kTypeA, kPing, text, 5, true), 1);   // every type
    ASSERT_TRUE(WaitFor([&] { return b.Count() == 1; }));
    EXPECT_EQ(b.Texts(), (std::vector<std::string>{"hello"}));
    a.UnregisterAsyncMessageListener();
    EXPECT_FALSE(a.IsMessageListener());
    EXPECT_EQ(b.SendAsyncMessageToInstances(kTypeA, kPong, text, 5, false), 0);

    // A plug-in with a transport of its own keeps its messages off the queue.
    class OwnTransport : public MessagingAlgorithm {
    public:
        OwnTransport() : MessagingAlgorithm(kTypeA, false) {}
        int SendAsyncMessageToInstances(const KCFourCC& /*algType*/, const KCFourCC& messageID,
                                        char* data, int size, bool /*allTypes*/) override {
            sent.emplace_back(data, static_cast<std::size_t>(size));
            lastId = messageID;
            return 1;
        }
        std::vector<std::string> sent;
        KCFourCC lastId;
    } own;
    cALGORITHM& base = own;
    EXPECT_EQ(base.SendAsyncMessageToInstances(kTypeB, kPong, text, 3, false), 1);
    EXPECT_EQ(own.sent, (std::vector<std::string>{"hel"}));
    EXPECT_EQ(own.lastId, kPong);
    std::this_thread::sleep_for(50ms);  // two worker passes: nothing reached b through the queue
    EXPECT_EQ(b.Count(), 1);
}

TEST_F(AlgorithmMessaging, AReceiverDeletedWithMessagesPendingIsNeverCalled) {
    std::atomic<int> victimCalls{0};
    MessagingAlgorithm sender(kTypeA);
    MessagingAlgorithm blocker(kTypeB);
    auto victim = std::make_unique<MessagingAlgorithm>(KCFourCC("Vict"));
    victim->externalCount = &victimCalls;
    Gate gate;
    blocker.onReceive = [&](MessagingAlgorithm&, char*, const KCFourCC&) { gate.WaitInside(); };
    // The worker is held inside the blocker's delivery while a message for the victim waits.
    ASSERT_EQ(sender.SendMessageToInstances(kTypeB, kPing, "hold", 4), 1);
    ASSERT_TRUE(WaitFor([&] { return gate.entered.load(); }));
    ASSERT_EQ(sender.SendMessageToInstances(KCFourCC("Vict"), kPing, "late", 4), 1);
    // Deleting unregisters, which waits for the worker's lock: on a thread of its own.
    std::atomic<bool> unregistering{false};
    victim->unregistering = &unregistering;
    std::thread deleter([&] { victim.reset(); });
    // The deleter must be blocked on the worker's lock before the gate opens; a loaded machine
    // may start the thread late, so wait for it to begin, then give it time to block.
    EXPECT_TRUE(WaitFor([&] { return unregistering.load(); }));
    std::this_thread::sleep_for(30ms);
    gate.Open();
    deleter.join();
    // Several cadences for the worker to reach the victim's message, had it kept it.
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(victimCalls.load(), 0);
    EXPECT_EQ(blocker.Count(), 1);
}

TEST_F(AlgorithmMessaging, AnInstanceDeletedRightAfterABroadcastIsNeverCalled) {
    std::atomic<int> calls{0};
    MessagingAlgorithm sender(kTypeA);
    for (int i = 0; i < 50; ++i) {
        auto receiver = std::make_unique<MessagingAlgorithm>(kTypeB);
        receiver->externalCount = &calls;
        ASSERT_EQ(sender.SendMessageToInstances(kTypeB, kPing, "bye", 3), 1);
        receiver.reset();
    }
    // Some messages may have arrived before their receiver went; none may arrive later.
    const int beforeAnyPause = calls.load();
    std::this_thread::sleep_for(60ms);
    EXPECT_EQ(calls.load(), beforeAnyPause);
}

TEST_F(AlgorithmMessaging, TheRingFillsWhileAMessageExecutesWithoutTouchingIt) {
    MessagingAlgorithm sender(kTypeA);
    MessagingAlgorithm receiver(kTypeB);
    Gate gate;
    std::atomic<bool> intact{false};
    receiver.onReceive = [&](MessagingAlgorithm&, char* text, const KCFourCC&) {
        if (std::strcmp(text, "first message") == 0) {
            gate.WaitInside();
            // Read after the ring was filled behind this delivery.
            intact = std::strcmp(text, "first message") == 0;
        }
    };
    ASSERT_EQ(sender.SendMessageToInstances(kTypeB, kPing, "first message", 13), 1);
    ASSERT_TRUE(WaitFor([&] { return gate.entered.load(); }));
    int queued = 0;
    for (int i = 0; i < 1024; ++i) {
        const std::string text = "filler " + std::to_string(i);
        queued += sender.SendMessageToInstances(kTypeB, kPong, text.c_str(),
                                                static_cast<int>(text.size()));
    }
    // The executing message still occupies its slot.
    EXPECT_EQ(queued, 1023);
    gate.Open();
    ASSERT_TRUE(WaitFor([&] { return receiver.Count() == 1024; }));
    EXPECT_TRUE(intact);
    const auto texts = receiver.Texts();
    EXPECT_EQ(texts.front(), "first message");
    EXPECT_EQ(texts.back(), "filler 1022");
}

TEST_F(AlgorithmMessaging, AReceiverMaySendAndUnregisterFromItsOwnDelivery) {
    MessagingAlgorithm sender(kTypeA);
    MessagingAlgorithm ponger(kTypeB);
    MessagingAlgorithm listener(KCFourCC("List"));
    ponger.onReceive = [](MessagingAlgorithm& self, char*, const KCFourCC&) {
        EXPECT_EQ(self.SendMessageToInstances(KCFourCC("List"), kPong, "pong", 4), 1);
        self.UnregisterMessageListener();
    };
    {
        // Two pings queued together: the first delivery unregisters, so the second is dropped.
        const KCIdleCommandRunner::ScopedLock hold;
        ASSERT_EQ(sender.SendMessageToInstances(kTypeB, kPing, "ping 1", 6), 1);
        ASSERT_EQ(sender.SendMessageToInstances(kTypeB, kPing, "ping 2", 6), 1);
    }
    ASSERT_TRUE(WaitFor([&] { return listener.Count() == 1; }));
    std::this_thread::sleep_for(60ms);
    EXPECT_EQ(ponger.Texts(), (std::vector<std::string>{"ping 1"}));
    EXPECT_FALSE(ponger.IsMessageListener());
    EXPECT_EQ(listener.Texts(), (std::vector<std::string>{"pong"}));
    EXPECT_EQ(listener.lastMessageId, kPong);
}

TEST_F(AlgorithmMessaging, EightSendersOfTenThousandMessagesLoseAndRepeatNothing) {
    constexpr int kSenders = 8;
    constexpr int kMessages = 10000;
    MessagingAlgorithm receiver(kTypeB);
    std::array<int, kSenders> next{};
    std::atomic<int> outOfOrder{0};
    std::atomic<int> total{0};
    receiver.onReceive = [&](MessagingAlgorithm&, char* text, const KCFourCC&) {
        // "sender:sequence"
        const char* end = text + std::strlen(text);
        int who = -1;
        int seq = -1;
        auto parsed = std::from_chars(text, end, who);
        if (parsed.ec == std::errc() && parsed.ptr != end && *parsed.ptr == ':') {
            parsed = std::from_chars(parsed.ptr + 1, end, seq);
        }
        if (who < 0 || who >= kSenders || seq != next[static_cast<std::size_t>(who)]) {
            ++outOfOrder;
        } else {
            ++next[static_cast<std::size_t>(who)];
        }
        total.fetch_add(1, std::memory_order_release);
    };
    std::vector<std::unique_ptr<MessagingAlgorithm>> senders;
    senders.reserve(kSenders);
    for (int i = 0; i < kSenders; ++i) {
        senders.push_back(std::make_unique<MessagingAlgorithm>(kTypeA));
    }
    std::vector<std::thread> threads;
    threads.reserve(kSenders);
    for (int i = 0; i < kSenders; ++i) {
        threads.emplace_back([&, i] {
            for (int seq = 0; seq < kMessages; ++seq) {
                const std::string text = std::to_string(i) + ":" + std::to_string(seq);
                // A full ring loses the message: try again until it is queued.
                while (senders[static_cast<std::size_t>(i)]->SendMessageToInstances(
                           kTypeB, kPing, text.c_str(), static_cast<int>(text.size())) == 0) {
                    std::this_thread::sleep_for(200us);
                }
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    ASSERT_TRUE(WaitFor(
        [&] { return total.load(std::memory_order_acquire) == kSenders * kMessages; }, 120s));
    std::this_thread::sleep_for(60ms);
    EXPECT_EQ(total.load(std::memory_order_acquire), kSenders * kMessages);
    EXPECT_EQ(outOfOrder.load(), 0);
    for (int i = 0; i < kSenders; ++i) {
        EXPECT_EQ(next[static_cast<std::size_t>(i)], kMessages) << "sender " << i;
    }
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
