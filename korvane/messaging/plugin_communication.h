// Messages between the plug-in instances of one process: a sender posts a four-character
// message identifier and a copy of some bytes to every other registered instance of a type,
// and each receiver gets it later on the idle command worker (see idle_command_runner.h).
#pragma once

#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"
#include "korvane/core/thread_annotations.h"
#include "korvane/core/thread_mutex.h"
#include "korvane/messaging/idle_command_queue.h"
#include "korvane/messaging/idle_command_runner.h"

#include <cstdint>
#include <vector>

namespace kvKorvaneV10_0_3 {

// What the manager needs of a receiver; cALGORITHM implements it. A listener must be
// unregistered before the members its DeliverMessage uses are destroyed: the worker may be
// delivering to it until then. cALGORITHM's destructor unregisters only as a last safeguard (by
// then a derived plug-in's members are gone), so a plug-in calls Dispose or
// UnregisterMessageListener first.
class KORVANE_API KCMessageListener {
public:
    KCMessageListener() = default;
    KCMessageListener(const KCMessageListener&) = delete;
    KCMessageListener& operator=(const KCMessageListener&) = delete;
    virtual ~KCMessageListener();

    // The type that SendMessageToInstances matches. Asked once, when the listener registers;
    // it must not change while registered. [any-thread]
    [[nodiscard]] virtual KCFourCC GetMessageListenerType() const = 0;
    // One message: only on the worker thread, with the runner lock held. `data` is the sender's
    // bytes followed by a NUL, or null when the sender gave none; it is valid only during the call.
    virtual int DeliverMessage(char* data, const KCFourCC& id) = 0;
};

// One queued message. Copies duplicate the data block; the record owns its block.
// [any-thread] on distinct objects
struct KORVANE_API KSPluginMessageData {
    KSPluginMessageData() = default;
    // Copies `size` bytes of `data` and a NUL after them; no block when `data` is null. A
    // negative size copies nothing (only the NUL) and is stored as 0.
    KSPluginMessageData(KCMessageListener* target, const KCFourCC& id, const char* data, int size);
    KSPluginMessageData(const KSPluginMessageData& other);
    KSPluginMessageData(KSPluginMessageData&& other) noexcept;
    KSPluginMessageData& operator=(const KSPluginMessageData& other);
    KSPluginMessageData& operator=(KSPluginMessageData&& other) noexcept;
    ~KSPluginMessageData();

    // Replaces the block with a copy of `count` bytes of `source` plus a NUL (a null source or
    // a negative count copies none). False when memory runs out: the record then has no block
    // and size 0.
    bool CopyMessageBuffer(const char* source, int count);
    // Hands the message to the target; nothing when the target was cleared.
    void execute();

    KCMessageListener* target = nullptr;
    KCFourCC messageID;
    char* data = nullptr;
    std::int32_t size = 0;
};

// The message queue of the process. Senders push under the manager's mutex (one producer at a
// time); the runner's worker delivers. Lock order: runner lock, then a receiver's own lock
// (an algorithm's), then the manager's mutex. Registering and unregistering take the runner
// lock, so no thread may do either while it holds an algorithm lock; sending is allowed
// anywhere, from inside a receiver too.
class KORVANE_API KCPluginCommunicationManager
    : public kvThread::KCIdleCommandQueue<KSPluginMessageData, 1024> {
public:
    using MessageData = KSPluginMessageData;
    static constexpr std::uint32_t m_messageQueueSize = 1024;
    // The type argument that reaches every listener.
    static constexpr KCFourCC kAllPluginTypes{"AllP"};

    KCPluginCommunicationManager();
    // Clean(): the worker is not left with this queue.
    ~KCPluginCommunicationManager() override;

    // Registers the queue with the runner, creating the runner and starting its worker when
    // needed. eSomeThingNotInitailzed when that fails, else 0. [any-thread], no algorithm lock
    int Init();
    // Adds a listener and makes sure the queue is registered (Init). eMemNullPointer for null;
    // Init's code. A listener added twice receives every message twice. [any-thread], no
    // algorithm lock held.
    int RegisterMessageListener(KCMessageListener* listener);
    // Removes the first entry of `listener`, and drops the messages queued for it: once this
    // returns, it is not called again (unless registered anew), and not running either unless
    // this is called from its own DeliverMessage. The last listener takes the queue off the
    // runner, which ends the worker when no queue remains. [any-thread], no algorithm lock held.
    void UnregisterMessageListener(KCMessageListener* listener);
    // Queues a message for every listener of type `algType` (every listener for
    // kAllPluginTypes) except `sender`; each gets its own copy of `size` bytes of `data` plus a
    // NUL. Messages that find the ring full are lost. The number queued. Calls no listener.
    // [any-thread] but not the audio thread: it takes a mutex that may sleep and allocates the
    // copies.
    int SendMessageToInstances(const KCMessageListener* sender, const KCFourCC& algType,
                               const KCFourCC& messageID, const char* data, int size);
    // Takes the queue off the runner; pending messages stay until the next drain. [any-thread],
    // no algorithm lock held.
    void Clean();

    // [any-thread]
    [[nodiscard]] std::size_t GetNumListeners() const;
    [[nodiscard]] bool IsListener(const KCMessageListener* listener) const;

private:
    // A listener with the type it had when it registered.
    struct Entry {
        KCMessageListener* listener = nullptr;
        KCFourCC type;
    };

    [[nodiscard]] std::vector<Entry>::const_iterator FindListener(
        const KCMessageListener* listener) const KV_REQUIRES(m_mutex);

    std::vector<Entry> m_listeners KV_GUARDED_BY(m_mutex);
    mutable kvThread::ThreadMutexInited m_mutex;
};

}  // namespace kvKorvaneV10_0_3
