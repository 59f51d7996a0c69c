#include "korvane/messaging/plugin_communication.h"

#include "korvane/core/error_codes.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

namespace kvKorvaneV10_0_3 {

using kvThread::KCIdleCommandRunner;
using kvThread::ThreadMutexLock;

KCMessageListener::~KCMessageListener() = default;

// ------------------------------------------------------------------ message record

KSPluginMessageData::KSPluginMessageData(KCMessageListener* target_, const KCFourCC& id,
                                         const char* data_, int size_)
    : target(target_), messageID(id) {
    if (data_ == nullptr) {
        size = size_;
    } else {
        static_cast<void>(CopyMessageBuffer(data_, size_));  // a failure leaves no block
    }
}

KSPluginMessageData::KSPluginMessageData(const KSPluginMessageData& other)
    : target(other.target), messageID(other.messageID), size(other.size) {
    if (other.data != nullptr) {
        static_cast<void>(CopyMessageBuffer(other.data, other.size));
    }
}

KSPluginMessageData::KSPluginMessageData(KSPluginMessageData&& other) noexcept
    : target(std::exchange(other.target, nullptr)),
      messageID(std::exchange(other.messageID, KCFourCC())),
      data(std::exchange(other.data, nullptr)),
      size(std::exchange(other.size, 0)) {}

KSPluginMessageData& KSPluginMessageData::operator=(const KSPluginMessageData& other) {
    if (this != &other) {
        target = other.target;
        messageID = other.messageID;
        if (other.data != nullptr) {
            static_cast<void>(CopyMessageBuffer(other.data, other.size));
        } else {
            delete[] data;
            data = nullptr;
            size = other.size;
        }
    }
    return *this;
}

KSPluginMessageData& KSPluginMessageData::operator=(KSPluginMessageData&& other) noexcept {
    if (this != &other) {
        delete[] data;
        target = std::exchange(other.target, nullptr);
        messageID = std::exchange(other.messageID, KCFourCC());
        data = std::exchange(other.data, nullptr);
        size = std::exchange(other.size, 0);
    }
    return *this;
}

KSPluginMessageData::~KSPluginMessageData() {
    delete[] data;
}

bool KSPluginMessageData::CopyMessageBuffer(const char* source, int count) {
    // Receivers are given no size: the NUL after the bytes is what ends a text message.
    const std::size_t bytes = source == nullptr || count < 0 ? 0 : static_cast<std::size_t>(count);
    char* copy = new (std::nothrow) char[bytes + 1];
    if (copy != nullptr) {
        if (bytes > 0) {
            std::memcpy(copy, source, bytes);
        }
        copy[bytes] = '\0';
    }
    delete[] data;
    data = copy;
    size = copy == nullptr ? 0 : static_cast<std::int32_t>(bytes);
    return copy != nullptr;
}

void KSPluginMessageData::execute() {
    if (target != nullptr) {
        // A receiver's result concerns only itself.
        static_cast<void>(target->DeliverMessage(data, messageID));
    }
}

// ------------------------------------------------------------------ manager

KCPluginCommunicationManager::KCPluginCommunicationManager() {
    m_mutex.init();
}

KCPluginCommunicationManager::~KCPluginCommunicationManager() {
    Clean();
}

int KCPluginCommunicationManager::Init() {
    return KCIdleCommandRunner::Register(this) == eNoErr ? eNoErr : eSomeThingNotInitailzed;
}

int KCPluginCommunicationManager::RegisterMessageListener(KCMessageListener* listener) {
    if (listener == nullptr) {
        return eMemNullPointer;
    }
    // Asked once, here, on the registering thread: sending never calls into a listener, which
    // may be in the middle of its destruction or hold locks of its own.
    const KCFourCC type = listener->GetMessageListenerType();
    int result = eNoErr;
    {
        // Under the runner lock, so that an unregistration cannot take the queue off the
        // runner between Init and the append.
        const KCIdleCommandRunner::ScopedLock runnerLock;
        result = Init();
        if (result == eNoErr) {
            const ThreadMutexLock lock(m_mutex);
            m_listeners.push_back({listener, type});
        }
    }
    KCIdleCommandRunner::JoinStopped();
    return result;
}

void KCPluginCommunicationManager::UnregisterMessageListener(KCMessageListener* listener) {
    {
        // The runner lock keeps the worker out of the ring while its records are disarmed, and
        // out of the listener while this runs (unless this is the worker itself).
        const KCIdleCommandRunner::ScopedLock runnerLock;
        bool last = false;
        {
            const ThreadMutexLock lock(m_mutex);
            const auto found = FindListener(listener);
            if (found == m_listeners.end()) {
                return;
            }
            m_listeners.erase(found);
            if (FindListener(listener) == m_listeners.end()) {
                // Cleared, not freed: the record may be the one whose delivery is calling this.
                ForEachPending([listener](MessageData& record) {
                    if (record.target == listener) {
                        record.target = nullptr;
                    }
                });
            }
            last = m_listeners.empty();
        }
        if (last) {
            KCIdleCommandRunner::Unregister(this);
        }
    }
    KCIdleCommandRunner::JoinStopped();
}

int KCPluginCommunicationManager::SendMessageToInstances(const KCMessageListener* sender,
                                                         const KCFourCC& algType,
                                                         const KCFourCC& messageID,
                                                         const char* data, int size) {
    const ThreadMutexLock lock(m_mutex);
    int queued = 0;
    for (const Entry& entry : m_listeners) {
        KCMessageListener* listener = entry.listener;
        if (listener == nullptr || listener == sender) {
            continue;
        }
        if (!(algType == kAllPluginTypes) && !(entry.type == algType)) {
            continue;
        }
        MessageData record(listener, messageID, data, size);
        if (data != nullptr && record.data == nullptr) {
            continue;  // no memory for the copy: lost like a message that finds the ring full
        }
        if (Push(std::move(record))) {
            ++queued;
        }
    }
    return queued;
}

void KCPluginCommunicationManager::Clean() {
    KCIdleCommandRunner::Unregister(this);
}

std::size_t KCPluginCommunicationManager::GetNumListeners() const {
    const ThreadMutexLock lock(m_mutex);
    return m_listeners.size();
}

bool KCPluginCommunicationManager::IsListener(const KCMessageListener* listener) const {
    const ThreadMutexLock lock(m_mutex);
    return FindListener(listener) != m_listeners.end();
}

std::vector<KCPluginCommunicationManager::Entry>::const_iterator
KCPluginCommunicationManager::FindListener(const KCMessageListener* listener) const {
    return std::find_if(m_listeners.begin(), m_listeners.end(),
                        [listener](const Entry& entry) { return entry.listener == listener; });
}

}  // namespace kvKorvaneV10_0_3
