// Messages between plug-in instances against the queue a user would otherwise write: a
// std::mutex around a std::deque of copied messages, drained by one thread. Two cases: the
// queueing and delivery work alone, on one thread, and a burst delivered across threads, where
// the library's worker drains at its 20 ms cadence while the peer's wakes at once.
#include "korvane/messaging/idle_command_runner.h"
#include "korvane/messaging/plugin_communication.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

namespace {

using kvKorvaneV10_0_3::KCFourCC;
using kvKorvaneV10_0_3::KCMessageListener;
using kvKorvaneV10_0_3::KCPluginCommunicationManager;
using kvKorvaneV10_0_3::kvThread::KCIdleCommandRunner;

constexpr KCFourCC kSender("Sndr");
constexpr KCFourCC kReceiver("Rcvr");
constexpr KCFourCC kId("mesg");
constexpr char kPayload[] = "a message of thirty-two bytes...";
constexpr int kPayloadSize = 32;

class CountingListener : public KCMessageListener {
public:
    explicit CountingListener(KCFourCC type) : m_type(type) {}
    [[nodiscard]] KCFourCC GetMessageListenerType() const override { return m_type; }
    int DeliverMessage(char* data, const KCFourCC& /*id*/) override {
        bytes.fetch_add(data != nullptr ? data[0] : 0, std::memory_order_relaxed);
        delivered.fetch_add(1, std::memory_order_release);
        return 0;
    }
    std::atomic<long> delivered{0};
    std::atomic<long> bytes{0};

private:
    KCFourCC m_type;
};

// The peer: the same record (target, id, owned NUL-terminated copy) in a locked deque.
class PeerQueue {
public:
    struct Record {
        KCMessageListener* target;
        KCFourCC id;
        std::unique_ptr<char[]> data;
    };

    void Send(KCMessageListener* target, const char* data, int size) {
        auto copy = std::make_unique<char[]>(static_cast<std::size_t>(size) + 1);
        std::memcpy(copy.get(), data, static_cast<std::size_t>(size));
        copy[static_cast<std::size_t>(size)] = '\0';
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_records.push_back({target, kId, std::move(copy)});
        }
        m_wake.notify_one();
    }

    // Delivers what is queued; false when nothing was.
    bool DrainOnce() {
        std::deque<Record> batch;
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            batch.swap(m_records);
        }
        for (Record& record : batch) {
            record.target->DeliverMessage(record.data.get(), record.id);
        }
        return !batch.empty();
    }

    // The consumer thread: drains, and waits for a notification when empty.
    void Run(const std::atomic<bool>& stop) {
        while (!stop.load()) {
            if (!DrainOnce()) {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_wake.wait_for(lock, std::chrono::milliseconds(20),
                                [&] { return !m_records.empty() || stop.load(); });
            }
        }
    }
    void Wake() { m_wake.notify_all(); }

private:
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Record> m_records;
};

// ------------------------------------------------------------------ one thread

constexpr int kBatch = 1000;

void SendAndDrainKorvane(benchmark::State& state) {
    KCPluginCommunicationManager manager;
    CountingListener sender(kSender);
    CountingListener receiver(kReceiver);
    static_cast<void>(manager.RegisterMessageListener(&sender));
    static_cast<void>(manager.RegisterMessageListener(&receiver));
    {
        // Held, the worker stays out: this thread queues and delivers as the worker would.
        const KCIdleCommandRunner::ScopedLock hold;
        for (auto _ : state) {
            for (int i = 0; i < kBatch; ++i) {
                static_cast<void>(manager.SendMessageToInstances(&sender, kReceiver, kId, kPayload,
                                                                 kPayloadSize));
            }
            manager.ExecuteAll();
        }
    }
    manager.UnregisterMessageListener(&receiver);
    manager.UnregisterMessageListener(&sender);
    state.SetItemsProcessed(state.iterations() * kBatch);
}
BENCHMARK(SendAndDrainKorvane)->Name("messaging.send_and_deliver_1000/korvane");

void SendAndDrainPeer(benchmark::State& state) {
    PeerQueue queue;
    CountingListener receiver(kReceiver);
    for (auto _ : state) {
        for (int i = 0; i < kBatch; ++i) {
            queue.Send(&receiver, kPayload, kPayloadSize);
        }
        queue.DrainOnce();
    }
    state.SetItemsProcessed(state.iterations() * kBatch);
}
BENCHMARK(SendAndDrainPeer)->Name("messaging.send_and_deliver_1000/peer:std::mutex+std::deque");

// ------------------------------------------------------------------ across threads

constexpr int kBurst = 10000;

// The sender spins until the burst has arrived, so that its CPU time is the burst's wall time.
void WaitDelivered(const CountingListener& receiver, long target) {
    while (receiver.delivered.load(std::memory_order_acquire) < target) {
    }
}

void BurstKorvane(benchmark::State& state) {
    KCPluginCommunicationManager manager;
    CountingListener sender(kSender);
    CountingListener receiver(kReceiver);
    static_cast<void>(manager.RegisterMessageListener(&sender));
    static_cast<void>(manager.RegisterMessageListener(&receiver));
    long target = 0;
    for (auto _ : state) {
        for (int i = 0; i < kBurst; ++i) {
            // A full ring loses the message: the sender tries again, as a careful one would.
            while (manager.SendMessageToInstances(&sender, kReceiver, kId, kPayload,
                                                  kPayloadSize) == 0) {
            }
        }
        target += kBurst;
        WaitDelivered(receiver, target);
    }
    manager.UnregisterMessageListener(&receiver);
    manager.UnregisterMessageListener(&sender);
    state.SetItemsProcessed(state.iterations() * kBurst);
}
BENCHMARK(BurstKorvane)->Name("messaging.burst_10000_across_threads/korvane");

void BurstPeer(benchmark::State& state) {
    PeerQueue queue;
    CountingListener receiver(kReceiver);
    std::atomic<bool> stop{false};
    std::thread consumer([&] { queue.Run(stop); });
    long target = 0;
    for (auto _ : state) {
        for (int i = 0; i < kBurst; ++i) {
            queue.Send(&receiver, kPayload, kPayloadSize);
        }
        target += kBurst;
        WaitDelivered(receiver, target);
    }
    stop = true;
    queue.Wake();
    consumer.join();
    state.SetItemsProcessed(state.iterations() * kBurst);
}
BENCHMARK(BurstPeer)->Name("messaging.burst_10000_across_threads/peer:std::mutex+std::deque");

}  // namespace
