// The reference host: the host side of the exec callback, with process memory per space,
// buffer allocation, immediate and posted execution, queries, notifications and misuse checks.
#pragma once

#include "host/host_formats.h"
#include "host/host_log.h"

#include "korvane/core/error_codes.h"
#include "korvane/process/host_callback.h"
#include "korvane/process/native_process.h"
#include "korvane/rm/res_types.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <unordered_map>
#include <vector>

namespace KorvaneHost {

using kvKorvaneV10_0_3::KTErr;
using kvKorvaneV10_0_3::ProcessMemory::BUFFER_HEADER;
using kvKorvaneV10_0_3::ProcessMemory::ExecCallBack;

// Thread-safe: plug-in threads allocate, execute and post through the callback while one
// test thread plays the audio thread and calls ProcessBlock. Must outlive every call made with
// its refcon. A test double, not a real-time host: everything, ProcessBlock included, takes
// the host mutex, so nothing here is [audio-thread].
class ReferenceHost {
public:
    explicit ReferenceHost(HostConfig config = Float32Config());
    ~ReferenceHost();
    ReferenceHost(const ReferenceHost&) = delete;
    ReferenceHost& operator=(const ReferenceHost&) = delete;

    // What a plug-in installs with SetExecCallBack. [any-thread]
    [[nodiscard]] static ExecCallBack Callback();
    [[nodiscard]] int Refcon() const { return m_refcon; }
    [[nodiscard]] const HostConfig& Config() const { return m_config; }

    // One callback call; 0 on success, a KTErr otherwise (misuse is also logged). [any-thread]
    int Dispatch(int selector, void* a, void* b, void* c);

    // Sizes a space (0 states, 1 coefficients, 100 X, 500 Y) in process words, keeping the
    // words that remain; eOutOfRangeNumber for another space or a negative size. [any-thread]
    [[nodiscard]] KTErr SizeSpace(int space, int words);
    [[nodiscard]] int SpaceWords(int space) const;

    // Applies the chains posted since the last block, in posting order; their count. Called by
    // the thread that plays the audio thread; [any-thread] (not [audio-thread]: it locks).
    int ProcessBlock();
    [[nodiscard]] std::size_t PendingChains() const;

    // Process memory through the host's own conversions; nothing outside the sized space.
    // [any-thread]
    [[nodiscard]] std::optional<double> ReadCoefficient(int offset, bool alternate = false) const;
    [[nodiscard]] std::optional<double> ReadDouble(int space, int offset) const;
    [[nodiscard]] std::optional<std::int32_t> ReadInt(int space, int offset) const;
    // What the process itself writes (meters, for instance), from the thread that plays the
    // audio thread. [any-thread]
    [[nodiscard]] KTErr WriteDouble(int space, int offset, double value);
    [[nodiscard]] KTErr WriteInt(int space, int offset, std::int32_t value);

    // --- Native processing: the plug-in's own process function run over this host's memory.
    // Sets the function (null detaches it) and the channel counts it is called with;
    // eDataFormatNotSupported unless the configuration's words are 4-byte floats
    // (Float32Config), eOutOfRangeNumber for a negative count. [any-thread]
    [[nodiscard]] KTErr SetNativeProcess(KTNativeProcessFunction function, int numInputs,
                                         int numOutputs);
    // Looks `name` up in the loaded plug-in `module` through the library, then sets it; the
    // look-up's error (eDLLNotFound, eFuncPointerNotFound) leaves the function as it was.
    // [any-thread]
    [[nodiscard]] KTErr LoadNativeProcess(KTNativeDLLRefType* module, const char* name,
                                          int numInputs, int numOutputs);
    [[nodiscard]] bool HasNativeProcess() const;
    // One audio block: applies the chains posted since the last block (as ProcessBlock), then
    // calls the function once over `frames` frames of the channel arrays (numInputs and
    // numOutputs pointers). eSomeThingNotInitailzed without a function, eMemNullPointer for a
    // null array or channel, eOutOfRangeNumber for negative frames; the function's own error
    // when it fails, with the outputs then silenced. The thread that plays the audio thread;
    // [any-thread] (not [audio-thread]: it locks).
    [[nodiscard]] KTErr ProcessAudio(const float* const* inputs, float* const* outputs, int frames);

    // Freed headers kept so stale pointers stay unique: the most recent this many.
    static constexpr std::size_t kQuarantineLimit = 65536;

    // Buffers allocated and not freed; freed headers still in quarantine. [any-thread]
    [[nodiscard]] std::size_t LiveBuffers() const;
    [[nodiscard]] std::size_t QuarantinedBuffers() const;

    // Automation gestures: a touch (17) opens one on its control index, a release (18) closes
    // it. The indices with a gesture open, in increasing order. [any-thread]
    [[nodiscard]] std::vector<std::int64_t> OpenGestures() const;
    // Reports every gesture still open as UnpairedTouch misuse and forgets it; their number.
    // Call it once the plug-in is disposed: a touch without release is only known then.
    // [any-thread]
    std::size_t CloseGestures();

    // The logs, each with its own lock. [any-thread]
    [[nodiscard]] EventLog& Events() { return m_events; }
    [[nodiscard]] const MisuseLog& Misuse() const { return m_misuse; }
    // Calls received, per selector and in total. [any-thread]
    [[nodiscard]] std::uint64_t CallCount(int selector) const;
    [[nodiscard]] std::uint64_t TotalCalls() const;

private:
    struct Allocation {
        BUFFER_HEADER header;  // the client's view; its address is the buffer's identity
        std::int32_t space = 0;
        std::int32_t operation = 0;  // relative to the configuration's base
        std::int32_t offset = 0;
        std::int32_t count = 0;
        int elementSize = 0;
        std::vector<unsigned char> data;
    };
    struct PostedBuffer {
        std::int32_t space = 0;
        std::int32_t operation = 0;
        std::int32_t offset = 0;
        std::int32_t count = 0;
        int elementSize = 0;
        std::vector<unsigned char> data;
    };
    using PostedChain = std::vector<PostedBuffer>;

    int Allocate(void* request, void* out);
    int Join(void* first, void* second, void* out);
    int Execute(void* chain);
    int Post(void* chain);
    int Free(void* chain);
    int Query(int selector, void* a, void* b, void* c);
    int Notify(int selector, void* a, void* b, void* c);

    // Under m_mutex: the chain's allocations in order (`out` is cleared first), or a logged
    // misuse and its code.
    int CollectChain(int selector, void* head, std::vector<Allocation*>& out);
    // The first buffer `walked` passes twice; `next` when it passes none twice.
    static const void* FirstRepeat(const std::vector<Allocation*>& walked, const void* next);
    int Refuse(MisuseKind kind, int selector, const void* pointer);
    [[nodiscard]] bool InRange(int space, int offset, int count) const;
    void Apply(int space, int operation, int offset, int count, int elementSize,
               unsigned char* data);
    [[nodiscard]] unsigned char* Word(int space, int offset);
    [[nodiscard]] const unsigned char* Word(int space, int offset) const;

    const HostConfig m_config;
    int m_refcon = 0;

    mutable std::mutex m_mutex;  // buffers and process memory
    std::map<int, std::vector<unsigned char>> m_memory;
    std::unordered_map<const void*, std::unique_ptr<Allocation>> m_live;
    std::unordered_map<const void*, std::unique_ptr<Allocation>> m_quarantine;
    std::deque<const void*> m_quarantineOrder;  // oldest first
    std::vector<Allocation*> m_walk;  // the chain being executed, posted or freed, kept for reuse

    mutable std::mutex m_gestureMutex;  // never held with the others
    std::set<std::int64_t> m_openGestures;

    mutable std::mutex m_queueMutex;  // never held with m_mutex
    std::vector<PostedChain> m_queue;

    KTNativeProcessFunction m_native = nullptr;  // under m_mutex
    int m_nativeInputs = 0;
    int m_nativeOutputs = 0;

    EventLog m_events;
    MisuseLog m_misuse;
    std::array<std::atomic<std::uint64_t>, 128> m_calls{};
    std::atomic<std::uint64_t> m_otherCalls{0};
};

}  // namespace KorvaneHost
