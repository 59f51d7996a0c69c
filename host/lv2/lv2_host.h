// The exec-callback host behind an LV2 instance: process memory that only the audio thread
// writes while processing runs, buffers allocated on the control threads, and a byte queue
// that carries posted chains to the audio thread without a lock on its side.
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/process/host_callback.h"
#include "korvane/process/native_process.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace KorvaneLv2 {

using kvKorvaneV10_0_3::KTErr;
using kvKorvaneV10_0_3::ProcessMemory::BUFFER_HEADER;
using kvKorvaneV10_0_3::ProcessMemory::ExecCallBack;

class Lv2Host {
public:
    // Most instances alive at once in one process.
    static constexpr int kMaxInstances = 256;
    // Bytes of posted chains in flight between two blocks.
    static constexpr std::size_t kQueueBytes = std::size_t{1} << 20;

    Lv2Host();
    ~Lv2Host();
    Lv2Host(const Lv2Host&) = delete;
    Lv2Host& operator=(const Lv2Host&) = delete;

    // False when every refcon is taken. [any-thread]
    [[nodiscard]] bool Valid() const { return m_refcon >= 0; }
    [[nodiscard]] static ExecCallBack Callback();
    [[nodiscard]] int Refcon() const { return m_refcon; }

    // Sizes the states or coefficient space (zeroed); only while processing is stopped.
    // [any-thread & unshared]
    KTErr SizeSpace(int space, int words);
    void SetNativeProcess(KTNativeProcessFunction function, int numInputs, int numOutputs);

    // While processing runs, writes go through the queue and land at the next block;
    // otherwise they are applied at once. A chain whose writes take more than half the queue
    // is refused while processing runs. [any-thread]
    // Stopping applies what is still queued. [any-thread], not while Process runs.
    void SetRunning(bool running);

    // Applies the queued chains, then runs the process function; the outputs are silenced when
    // it fails. [audio-thread]
    KTErr Process(const float* const* inputs, float* const* outputs, int frames);

    // The last value the plug-in reported for an automation control through the callback, in
    // its lead's state units; NaN until it reports one. The controls are counted once the
    // plug-in is created. [any-thread] for Reported; [any-thread & unshared] for SetControls.
    void SetControls(unsigned int count);
    [[nodiscard]] double Reported(unsigned int control) const;

    int Dispatch(int selector, void* a, void* b, void* c);

private:
    struct Allocation {
        BUFFER_HEADER header;
        int elementSize = 0;
        std::vector<unsigned char> data;
    };
    // A buffer's part of a queued chain, followed by its data.
    struct Record {
        std::int32_t space;
        std::int32_t offset;
        std::int32_t count;
        std::int32_t elementSize;
    };

    int Allocate(void* request, void* out);
    int Join(void* first, void* second, void* out);
    int Execute(void* chain, bool post);
    int Free(void* chain);
    int Query(int selector, void* c);
    // Under m_mutex: the chain's buffers, or false for one this host did not hand out.
    bool Collect(void* head, std::vector<Allocation*>& out);
    [[nodiscard]] float* Words(int space, int offset, int count);
    void Apply(int space, int operation, int offset, int count, int elementSize,
               unsigned char* data);
    void Drain();

    int m_refcon = -1;
    std::vector<float> m_states;
    std::vector<float> m_coefs;
    KTNativeProcessFunction m_native = nullptr;
    int m_numInputs = 0;
    int m_numOutputs = 0;
    std::atomic<bool> m_running{false};

    std::mutex m_mutex;  // the buffers and the writing end of the queue; never on the audio thread
    std::unordered_map<const void*, std::unique_ptr<Allocation>> m_live;
    std::vector<Allocation*> m_walk;

    std::vector<unsigned char> m_queue = std::vector<unsigned char>(kQueueBytes);
    std::atomic<std::size_t> m_written{0};  // bytes ever written; the audio thread reads to here
    std::atomic<std::size_t> m_read{0};

    std::unique_ptr<std::atomic<double>[]> m_reported;
    unsigned int m_numControls = 0;
};

}  // namespace KorvaneLv2
