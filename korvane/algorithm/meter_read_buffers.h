// The kept meter read buffers of an algorithm: one states buffer per run of meters, joined into
// one chain that is built once and read again and again, instead of a buffer made and freed for
// every read. Owns the chain and frees it through the host when dropped.
#pragma once

#include "korvane/algorithm/meter_manager.h"
#include "korvane/core/export.h"
#include "korvane/process/process_buffers.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace kvKorvaneV10_0_3 {

// [gui-thread]: built, filled and read where the meters are read.
class KORVANE_API KCMeterReadBuffers {
public:
    using BUFFER_HEADER = ProcessMemory::BUFFER_HEADER;
    using sMeter = KCMeterManager::sMeter;
    // The value a read with reset leaves in the meter's state.
    using ResetValueFn = std::function<double(const sMeter&)>;
    // One value read for a meter, in the control side's numbers.
    using ValueFn = std::function<void(const sMeter&, double raw)>;

    // `process` must outlive the object: the chain is freed through it.
    explicit KCMeterReadBuffers(ProcessMemory::KCProcessBuffers& process) : m_process(process) {}
    ~KCMeterReadBuffers() { Free(); }
    KCMeterReadBuffers(const KCMeterReadBuffers&) = delete;
    KCMeterReadBuffers& operator=(const KCMeterReadBuffers&) = delete;

    // Frees what is kept, then builds one buffer per run of `meters` (consecutive read offsets,
    // one kind of read, at most KCMeterManager::kMaxBatch), joined in order. A run the host
    // refuses is halved down to single meters; a meter whose own buffer is refused is left out.
    // eNoErr when every meter is kept, eMemNewFailed when some meter is not (what was
    // built is kept), eSomeThingNotInitailzed before the process is ready.
    int Build(const std::vector<sMeter>& meters);
    // Frees the chain (selector 4); nothing is kept afterwards.
    void Free();

    // The meters and the states base the chain was built for are still those of `meters`
    // (same extensions, offsets and kinds of read, in the same order).
    [[nodiscard]] bool Matches(const std::vector<sMeter>& meters) const;
    [[nodiscard]] bool IsBuilt() const { return m_built; }
    // The kept chain; null when nothing is kept. It stays this object's: execute it, never free
    // it.
    [[nodiscard]] BUFFER_HEADER* Chain() const { return m_chain; }
    // Buffers in the chain and meters they read.
    [[nodiscard]] std::size_t NumBuffers() const { return m_runs.size(); }
    [[nodiscard]] std::size_t NumMetersRead() const;

    // Writes the reset values into the buffers of the runs that read with reset: the host
    // overwrites them with the values read, so before every execution.
    void FillResetValues(const ResetValueFn& resetValue) const;
    // Hands every value the last execution left in the buffers to `store`, in chain order.
    void ForEachValue(const ValueFn& store) const;

private:
    struct Run {
        BUFFER_HEADER* buffer = nullptr;  // owned through m_chain
        std::size_t first = 0;            // into m_layout
        std::size_t count = 0;
        bool withReset = false;
    };
    // What the chain was built for, one entry per meter given to Build.
    struct Key {
        KCParamExtensionMeter* meter = nullptr;
        unsigned int offset = 0;
        bool withReset = false;
        std::uint32_t paramIndex = 0;
    };

    // Appends buffers for m_layout[first, first + count), halving what the host refuses;
    // false when the join failed and the chain is gone.
    bool AddRun(std::size_t first, std::size_t count, bool withReset, bool& complete);

    ProcessMemory::KCProcessBuffers& m_process;
    BUFFER_HEADER* m_chain = nullptr;
    std::vector<Run> m_runs;
    std::vector<Key> m_layout;
    int m_statesBase = 0;
    bool m_built = false;
};

}  // namespace kvKorvaneV10_0_3
