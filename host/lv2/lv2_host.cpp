// The LV2 instance's exec-callback host: buffers, conversions and the chain queue.
#include "host/lv2/lv2_host.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>
#include <thread>

namespace KorvaneLv2 {
namespace {

namespace pm = kvKorvaneV10_0_3::ProcessMemory;
using kvKorvaneV10_0_3::eMemBadPointer;
using kvKorvaneV10_0_3::eMemNullPointer;
using kvKorvaneV10_0_3::eNoErr;
using kvKorvaneV10_0_3::eNotImplemented;
using kvKorvaneV10_0_3::eOutOfRangeNumber;

constexpr std::int32_t kWrite = 0;
constexpr std::int32_t kRead = 1;
constexpr std::int32_t kReadWrite = 2;
constexpr std::int32_t kFourth = 4;
constexpr std::uint32_t kHostInfoWord = 0x0F32;
// A chain's length word that sends the reader back to the start of the queue.
constexpr std::uint32_t kWrapMarker = 0xFFFFFFFFU;

int FloatFromDouble(double value, void* dest) {
    const auto f = static_cast<float>(value);
    std::memcpy(dest, &f, sizeof f);
    return sizeof f;
}
int DoubleFromFloat(const void* source, double* value) {
    float f = 0.0F;
    std::memcpy(&f, source, sizeof f);
    *value = f;
    return sizeof f;
}
int Int32ToProcess(std::int32_t value, void* dest) {
    std::memcpy(dest, &value, sizeof value);
    return sizeof value;
}
int Int32FromProcess(const void* source, std::int32_t* value) {
    std::memcpy(value, source, sizeof *value);
    return sizeof *value;
}

std::array<std::atomic<Lv2Host*>, Lv2Host::kMaxInstances> g_hosts{};

int ExecCallBackEntry(int selector, int refcon, void* a, void* b, void* c) {
    if (refcon < 0 || refcon >= Lv2Host::kMaxInstances) {
        return eMemBadPointer;
    }
    Lv2Host* host = g_hosts[static_cast<std::size_t>(refcon)].load(std::memory_order_acquire);
    return host == nullptr ? eMemBadPointer : host->Dispatch(selector, a, b, c);
}

}  // namespace

Lv2Host::Lv2Host() {
    for (int i = 0; i < kMaxInstances; ++i) {
        Lv2Host* expected = nullptr;
        if (g_hosts[static_cast<std::size_t>(i)].compare_exchange_strong(expected, this)) {
            m_refcon = i;
            break;
        }
    }
}

Lv2Host::~Lv2Host() {
    if (m_refcon >= 0) {
        g_hosts[static_cast<std::size_t>(m_refcon)].store(nullptr, std::memory_order_release);
    }
}

ExecCallBack Lv2Host::Callback() {
    return &ExecCallBackEntry;
}

KTErr Lv2Host::SizeSpace(int space, int words) {
    if (words < 0) {
        return eOutOfRangeNumber;
    }
    const std::lock_guard lock(m_mutex);
    if (space == pm::eStatesSpace) {
        m_states.assign(static_cast<std::size_t>(words), 0.0F);
    } else if (space == pm::eCoefsSpace) {
        m_coefs.assign(static_cast<std::size_t>(words), 0.0F);
    } else {
        return eOutOfRangeNumber;
    }
    return eNoErr;
}

void Lv2Host::SetNativeProcess(KTNativeProcessFunction function, int numInputs, int numOutputs) {
    m_native = function;
    m_numInputs = numInputs;
    m_numOutputs = numOutputs;
}

void Lv2Host::SetRunning(bool running) {
    const std::lock_guard lock(m_mutex);
    if (!running) {
        Drain();
    }
    m_running.store(running, std::memory_order_release);
}

void Lv2Host::SetControls(unsigned int count) {
    m_reported = std::make_unique<std::atomic<double>[]>(count);
    for (unsigned int i = 0; i < count; ++i) {
        m_reported[i].store(std::numeric_limits<double>::quiet_NaN());
    }
    m_numControls = count;
}

double Lv2Host::Reported(unsigned int control) const {
    return control < m_numControls ? m_reported[control].load(std::memory_order_relaxed)
                                   : std::numeric_limits<double>::quiet_NaN();
}

float* Lv2Host::Words(int space, int offset, int count) {
    std::vector<float>* memory = space == pm::eStatesSpace  ? &m_states
                                 : space == pm::eCoefsSpace ? &m_coefs
                                                            : nullptr;
    if (memory == nullptr || offset < 0 || count < 0 ||
        static_cast<std::size_t>(offset) + static_cast<std::size_t>(count) > memory->size()) {
        return nullptr;
    }
    return memory->data() + offset;
}

void Lv2Host::Apply(int space, int operation, int offset, int count, int elementSize,
                    unsigned char* data) {
    float* words = Words(space, offset, count);
    if (words == nullptr) {
        return;
    }
    const auto bytes = static_cast<std::size_t>(std::min<int>(elementSize, sizeof(float)));
    for (int i = 0; i < count; ++i) {
        auto* word = reinterpret_cast<unsigned char*>(words + i);
        unsigned char* element = data + static_cast<std::ptrdiff_t>(i) * elementSize;
        if (operation == kWrite) {
            std::memcpy(word, element, bytes);
        } else if (operation == kRead) {
            std::memcpy(element, word, bytes);
        } else if (operation == kReadWrite) {
            std::swap_ranges(word, word + bytes, element);
        }
    }
}

int Lv2Host::Dispatch(int selector, void* a, void* b, void* c) {
    switch (selector) {
        case pm::eSelPostChain:
            return Execute(a, true);
        case pm::eSelExecuteChain:
            return Execute(a, false);
        case pm::eSelJoinChains:
            return Join(a, b, c);
        case pm::eSelFreeChain:
            return Free(a);
        case pm::eSelNewBuffer:
            return Allocate(a, c);
        case pm::eSelAutomationValue: {
            const auto control = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(a));
            if (b != nullptr && control < m_numControls) {
                double state = 0.0;
                std::memcpy(&state, b, sizeof state);
                m_reported[control].store(state, std::memory_order_relaxed);
            }
            return eNoErr;
        }
        case pm::eSelAutomationTouch:
        case pm::eSelAutomationRelease:
        case pm::eSelResetAllClip:
        case pm::eSelShellListener:
        case pm::eSelSideChainActivity:
        case pm::eSelSetupSwitchBracket:
            return eNoErr;
        case pm::eSelNetShellProcessorType:
        case pm::eSelNetShellProcessorClass:
            if (a == nullptr || b == nullptr) {
                return eMemNullPointer;
            }
            *static_cast<std::int32_t*>(a) = selector == pm::eSelNetShellProcessorType ? 0 : 2;
            *static_cast<std::int32_t*>(b) = 1;
            return eNoErr;
        default:
            return Query(selector, c);
    }
}

int Lv2Host::Query(int selector, void* c) {
    if (c == nullptr) {
        return eMemNullPointer;
    }
    switch (selector) {
        case pm::eSelHostInfoWord:
            *static_cast<std::uint32_t*>(c) = kHostInfoWord;
            return eNoErr;
        case pm::eSelDSPWordSize:
            *static_cast<std::int32_t*>(c) = sizeof(float);
            return eNoErr;
        case pm::eSelDoubleToCoef:
        case pm::eSelAltDoubleToCoef:
        case pm::eSelDoubleToProcess:
            *static_cast<pm::DoubleToProcessFn*>(c) = &FloatFromDouble;
            return eNoErr;
        case pm::eSelCoefToDouble:
        case pm::eSelAltCoefToDouble:
        case pm::eSelProcessToDouble:
            *static_cast<pm::ProcessToDoubleFn*>(c) = &DoubleFromFloat;
            return eNoErr;
        case pm::eSelIntToProcess:
            *static_cast<pm::IntToProcessFn*>(c) = &Int32ToProcess;
            return eNoErr;
        case pm::eSelProcessToInt:
            *static_cast<pm::ProcessToIntFn*>(c) = &Int32FromProcess;
            return eNoErr;
        case pm::eSelNativeShellProcess:
            *static_cast<unsigned char*>(c) = 0;
            return eNoErr;
        default:
            return eNotImplemented;
    }
}

int Lv2Host::Allocate(void* request, void* out) {
    if (request == nullptr || out == nullptr) {
        return eMemNullPointer;
    }
    BUFFER_HEADER wanted;
    std::memcpy(&wanted, request, sizeof wanted);
    const std::int32_t operation = wanted.operation;
    if ((operation != kWrite && operation != kRead && operation != kReadWrite &&
         operation != kFourth) ||
        wanted.refcon != m_refcon || wanted.count < 0) {
        return eOutOfRangeNumber;
    }
    const std::lock_guard lock(m_mutex);
    if (Words(wanted.space, wanted.offset, wanted.count) == nullptr) {
        return eOutOfRangeNumber;
    }
    auto allocation = std::make_unique<Allocation>();
    allocation->elementSize = sizeof(float);
    allocation->data.assign(static_cast<std::size_t>(wanted.count) * sizeof(float), 0);
    allocation->header = wanted;
    allocation->header.data = allocation->data.empty() ? nullptr : allocation->data.data();
    allocation->header.next = nullptr;
    BUFFER_HEADER* header = &allocation->header;
    m_live.emplace(header, std::move(allocation));
    *static_cast<BUFFER_HEADER**>(out) = header;
    return eNoErr;
}

bool Lv2Host::Collect(void* head, std::vector<Allocation*>& out) {
    out.clear();
    for (auto* at = static_cast<BUFFER_HEADER*>(head); at != nullptr; at = at->next) {
        const auto it = m_live.find(at);
        if (it == m_live.end() || out.size() > m_live.size()) {
            return false;  // not ours, or a cycle
        }
        out.push_back(it->second.get());
    }
    return !out.empty();
}

int Lv2Host::Join(void* first, void* second, void* out) {
    if (out == nullptr) {
        return eMemNullPointer;
    }
    const std::lock_guard lock(m_mutex);
    std::vector<Allocation*> a;
    std::vector<Allocation*> b;
    if (!Collect(first, a) || !Collect(second, b)) {
        return eMemBadPointer;
    }
    a.back()->header.next = &b.front()->header;
    *static_cast<BUFFER_HEADER**>(out) = &a.front()->header;
    return eNoErr;
}

int Lv2Host::Execute(void* chain, bool post) {
    std::unique_lock lock(m_mutex);
    // Its own lists: the lock is let go while the queue is full.
    std::vector<Allocation*> walk;
    if (!Collect(chain, walk)) {
        return eMemBadPointer;
    }
    const bool running = m_running.load(std::memory_order_acquire);
    // Reads are answered at once: the words they read are plain floats, and the library only
    // reads what the process itself keeps (meters).
    bool writes = false;
    for (Allocation* x : walk) {
        if (x->header.operation == kRead || !running) {
            Apply(x->header.space, x->header.operation, x->header.offset, x->header.count,
                  x->elementSize, x->data.data());
        }
        writes = writes || x->header.operation != kRead;
    }
    if (!running || !writes) {
        return eNoErr;
    }
    (void)post;  // while processing runs, an executed chain also waits for the block boundary

    // The chain as one entry: its length, then each writing buffer's record and data.
    std::vector<unsigned char> entry(sizeof(std::uint32_t), 0);
    for (const Allocation* x : walk) {
        if (x->header.operation == kRead) {
            continue;
        }
        const Record header{x->header.space, x->header.offset, x->header.count, x->elementSize};
        const auto* bytes = reinterpret_cast<const unsigned char*>(&header);
        entry.insert(entry.end(), bytes, bytes + sizeof header);
        entry.insert(entry.end(), x->data.begin(), x->data.end());
        // The exchange of a read-write buffer is done on the process side; the caller does
        // not see the old values back.
    }
    const auto length = static_cast<std::uint32_t>(entry.size());
    std::memcpy(entry.data(), &length, sizeof length);
    // Entries start on 4-byte boundaries, so a wrap marker always fits. An entry of at most
    // half the queue always fits once the reader has caught up, wherever the ring stands.
    const std::size_t padded = (entry.size() + 3U) & ~std::size_t{3};
    if (padded > kQueueBytes / 2) {
        return eOutOfRangeNumber;
    }
    for (;;) {
        const std::size_t written = m_written.load(std::memory_order_relaxed);
        const std::size_t at = written % kQueueBytes;
        const std::size_t toEnd = kQueueBytes - at;
        const std::size_t free = kQueueBytes - (written - m_read.load(std::memory_order_acquire));
        if (padded > toEnd && free >= toEnd) {
            // The wrap marker goes alone, so the reader can pass it before the entry fits.
            std::memcpy(m_queue.data() + at, &kWrapMarker, sizeof kWrapMarker);
            m_written.store(written + toEnd, std::memory_order_release);
            continue;
        }
        if (padded <= toEnd && free >= padded) {
            std::memcpy(m_queue.data() + at, entry.data(), entry.size());
            m_written.store(written + padded, std::memory_order_release);
            return eNoErr;
        }
        // The audio thread empties the queue at each block; a full queue waits for it. Once
        // processing has stopped, the entry is applied at once like any write while stopped.
        lock.unlock();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        lock.lock();
        if (!m_running.load(std::memory_order_acquire)) {
            Drain();
            for (Allocation* x : walk) {
                if (x->header.operation != kRead) {
                    Apply(x->header.space, x->header.operation, x->header.offset, x->header.count,
                          x->elementSize, x->data.data());
                }
            }
            return eNoErr;
        }
    }
}

int Lv2Host::Free(void* chain) {
    const std::lock_guard lock(m_mutex);
    if (!Collect(chain, m_walk)) {
        return eMemBadPointer;
    }
    for (Allocation* x : m_walk) {
        m_live.erase(&x->header);
    }
    return eNoErr;
}

void Lv2Host::Drain() {
    const std::size_t written = m_written.load(std::memory_order_acquire);
    std::size_t read = m_read.load(std::memory_order_relaxed);
    while (read != written) {
        const std::size_t at = read % kQueueBytes;
        std::uint32_t length = 0;
        std::memcpy(&length, m_queue.data() + at, sizeof length);
        if (length == kWrapMarker) {
            read += kQueueBytes - at;
            continue;
        }
        std::size_t pos = at + sizeof length;
        const std::size_t end = at + length;
        while (pos < end) {
            Record record{};
            std::memcpy(&record, m_queue.data() + pos, sizeof record);
            pos += sizeof record;
            Apply(record.space, kWrite, record.offset, record.count, record.elementSize,
                  m_queue.data() + pos);
            pos += static_cast<std::size_t>(record.count) *
                   static_cast<std::size_t>(record.elementSize);
        }
        read += (length + 3U) & ~std::uint32_t{3};
    }
    m_read.store(read, std::memory_order_release);
}

KTErr Lv2Host::Process(const float* const* inputs, float* const* outputs, int frames) {
    Drain();
    if (m_native == nullptr) {
        return kvKorvaneV10_0_3::eSomeThingNotInitailzed;
    }
    KSNativeProcessMemory memory{};
    memory.structSize = sizeof memory;
    memory.wordSize = sizeof(float);
    memory.coefs = m_coefs.empty() ? nullptr : m_coefs.data();
    memory.numCoefs = static_cast<std::int32_t>(m_coefs.size());
    memory.states = m_states.empty() ? nullptr : m_states.data();
    memory.numStates = static_cast<std::int32_t>(m_states.size());
    const std::int32_t result =
        m_native(&memory, inputs, m_numInputs, outputs, m_numOutputs, frames);
    if (result != 0) {
        for (int c = 0; c < m_numOutputs; ++c) {
            std::fill(outputs[c], outputs[c] + frames, 0.0F);
        }
    }
    return result;
}

}  // namespace KorvaneLv2
