// Fixed-capacity command queues that one shared worker thread drains at idle time (see
// idle_command_runner.h), so that any thread can hand work to it without waiting.
#pragma once

#include "korvane/core/export.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <utility>

namespace kvKorvaneV10_0_3 {
namespace kvThread {

// What the worker sees of a queue. The worker is the only consumer: it calls ExecuteOne and
// ExecuteAll with the runner's lock held. IsEmpty is [any-thread].
class KORVANE_API KCIdleCommandQueueAbs {
public:
    KCIdleCommandQueueAbs() = default;
    KCIdleCommandQueueAbs(const KCIdleCommandQueueAbs&) = delete;
    KCIdleCommandQueueAbs& operator=(const KCIdleCommandQueueAbs&) = delete;
    virtual ~KCIdleCommandQueueAbs();

    [[nodiscard]] virtual bool IsEmpty() const = 0;
    // Executes the oldest pending command, if any.
    virtual void ExecuteOne() = 0;
    // Executes commands until the queue is empty, those queued meanwhile included.
    virtual void ExecuteAll();
};

// A ring of N pending commands of type T (default-constructible, move-assignable, with a
// `void execute()`), each kept in a pool slot of its own. One producer at a time pushes (the
// owner serialises producers, see KCPluginCommunicationManager); one consumer executes. A
// command stays in the ring, and its slot stays out of the producer's reach, until its
// execute() has returned: a push made meanwhile, from the command itself included, never
// overwrites it. A push to a full ring is refused and the command is lost.
template <typename T, std::uint32_t N>
class KCIdleCommandQueue : public KCIdleCommandQueueAbs {
    static_assert(N > 0 && (N & (N - 1)) == 0, "the capacity must be a power of two");

public:
    static constexpr std::uint32_t kCapacity = N;

    KCIdleCommandQueue() = default;
    ~KCIdleCommandQueue() override = default;

    // [any-thread]
    [[nodiscard]] bool IsEmpty() const override {
        return m_write.load(std::memory_order_acquire) == m_read.load(std::memory_order_acquire);
    }
    // Commands queued and not yet executed to the end. [any-thread]
    [[nodiscard]] std::uint32_t PendingCount() const {
        return m_write.load(std::memory_order_acquire) - m_read.load(std::memory_order_acquire);
    }
    [[nodiscard]] std::uint32_t GetCapacity() const { return m_capacity; }

    // Queues `item`; false, with nothing queued, when N commands are pending. [any-thread], one
    // producer at a time.
    bool Push(T&& item) {
        const std::uint32_t write = m_write.load(std::memory_order_relaxed);
        if (write - m_read.load(std::memory_order_acquire) >= m_capacity) {
            return false;
        }
        m_poolIndex = (m_poolIndex + 1) & (N - 1);
        T* slot = &m_pool[m_poolIndex];
        *slot = std::move(item);
        m_ring[write & (N - 1)] = slot;
        m_write.store(write + 1, std::memory_order_release);
        return true;
    }
    bool Push(const T& item) {
        T copy(item);
        return Push(std::move(copy));
    }

    // Executes the oldest command, then clears it and only then gives its slot back: the
    // command's data stays valid for its whole execute(). [any-thread], the one consumer: the
    // worker, or a thread that holds the runner lock.
    void ExecuteOne() override {
        const std::uint32_t read = m_read.load(std::memory_order_relaxed);
        if (read == m_write.load(std::memory_order_acquire)) {
            return;
        }
        T* item = m_ring[read & (N - 1)];
        item->execute();
        *item = T();
        m_read.store(read + 1, std::memory_order_release);
    }

    // Calls fn(T&) on every pending command, oldest first (one being executed included), so
    // that the owner can disarm commands that must not run. Only with producers and the
    // consumer both held off (or on the consumer's own thread, from inside an execute()).
    template <typename Fn>
    void ForEachPending(Fn&& fn) {
        const std::uint32_t write = m_write.load(std::memory_order_acquire);
        for (std::uint32_t i = m_read.load(std::memory_order_acquire); i != write; ++i) {
            fn(*m_ring[i & (N - 1)]);
        }
    }

private:
    const std::uint32_t m_capacity = N;
    // Free-running counters; the slot is the counter modulo N (N divides 2^32).
    std::atomic<std::uint32_t> m_write{0};
    std::atomic<std::uint32_t> m_read{0};
    std::array<T*, N> m_ring{};
    std::array<T, N> m_pool{};
    std::uint32_t m_poolIndex = 0;  // producer side: the pool slot used last
};

}  // namespace kvThread
}  // namespace kvKorvaneV10_0_3
