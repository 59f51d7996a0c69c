#include "korvane/algorithm/meter_read_buffers.h"

#include "korvane/core/error_codes.h"

namespace kvKorvaneV10_0_3 {

int KCMeterReadBuffers::Build(const std::vector<sMeter>& meters) {
    Free();
    if (!m_process.IsProcessReady()) {
        return eSomeThingNotInitailzed;
    }
    m_layout.reserve(meters.size());
    for (const sMeter& record : meters) {
        m_layout.push_back(Key{record.meter, record.meter->GetReadOffset(),
                               record.meter->IsReadWithReset(), record.paramIndex});
    }
    m_statesBase = m_process.GetStatesOfs();
    m_built = true;
    // The same runs as the batched reads: consecutive offsets, one kind of read, bounded.
    bool complete = true;
    const std::size_t n = m_layout.size();
    std::size_t start = 0;
    while (start < n) {
        const bool withReset = m_layout[start].withReset;
        std::size_t end = start + 1;
        while (end < n && end - start < KCMeterManager::kMaxBatch &&
               m_layout[end].offset == m_layout[end - 1].offset + 1 &&
               m_layout[end].withReset == withReset) {
            ++end;
        }
        if (!AddRun(start, end - start, withReset, complete)) {
            return eMemNewFailed;
        }
        start = end;
    }
    return complete ? eNoErr : eMemNewFailed;
}

bool KCMeterReadBuffers::AddRun(std::size_t first, std::size_t count, bool withReset,
                                bool& complete) {
    const auto offset = static_cast<int>(m_layout[first].offset);
    const auto n = static_cast<int>(count);
    BUFFER_HEADER* buffer = withReset ? m_process.PrepareStatesReadWriteBuffer(offset, n)
                                      : m_process.PrepareStatesReadBuffer(offset, n);
    if (buffer == nullptr) {
        // A host may bound reads below the batch: halve until the pieces fit.
        if (count == 1) {
            complete = false;
            return true;
        }
        const std::size_t half = count / 2;
        return AddRun(first, half, withReset, complete) &&
               AddRun(first + half, count - half, withReset, complete);
    }
    m_chain = m_process.ChainBufs(m_chain, buffer);
    if (m_chain == nullptr) {
        // The host could not join them and both are freed: nothing is kept.
        m_runs.clear();
        m_layout.clear();
        m_built = false;
        return false;
    }
    m_runs.push_back(Run{buffer, first, count, withReset});
    return true;
}

void KCMeterReadBuffers::Free() {
    if (m_chain != nullptr) {
        (void)m_process.FreeBuffers(m_chain);  // nothing else can be done with a refusal
    }
    m_chain = nullptr;
    m_runs.clear();
    m_layout.clear();
    m_built = false;
}

bool KCMeterReadBuffers::Matches(const std::vector<sMeter>& meters) const {
    if (!m_built || meters.size() != m_layout.size() || m_statesBase != m_process.GetStatesOfs()) {
        return false;
    }
    for (std::size_t i = 0; i < meters.size(); ++i) {
        const Key& key = m_layout[i];
        const sMeter& record = meters[i];
        if (record.meter != key.meter || record.paramIndex != key.paramIndex ||
            record.meter->GetReadOffset() != key.offset ||
            record.meter->IsReadWithReset() != key.withReset) {
            return false;
        }
    }
    return true;
}

std::size_t KCMeterReadBuffers::NumMetersRead() const {
    std::size_t total = 0;
    for (const Run& run : m_runs) {
        total += run.count;
    }
    return total;
}

void KCMeterReadBuffers::FillResetValues(const ResetValueFn& resetValue) const {
    const auto toProcess = m_process.GetConversions().doubleToProcess;
    if (toProcess == nullptr) {
        return;
    }
    for (const Run& run : m_runs) {
        auto* at = static_cast<unsigned char*>(run.buffer->data);
        if (!run.withReset || at == nullptr) {
            continue;
        }
        for (std::size_t i = 0; i < run.count; ++i) {
            const Key& key = m_layout[run.first + i];
            const int size = toProcess(resetValue(sMeter{key.meter, key.paramIndex}), at);
            if (size <= 0) {
                break;
            }
            at += size;
        }
    }
}

void KCMeterReadBuffers::ForEachValue(const ValueFn& store) const {
    const auto toDouble = m_process.GetConversions().processToDouble;
    if (toDouble == nullptr) {
        return;
    }
    for (const Run& run : m_runs) {
        const auto* at = static_cast<const unsigned char*>(run.buffer->data);
        if (at == nullptr) {
            continue;
        }
        for (std::size_t i = 0; i < run.count; ++i) {
            double raw = 0.0;
            const int size = toDouble(at, &raw);
            if (size <= 0) {
                break;
            }
            const Key& key = m_layout[run.first + i];
            store(sMeter{key.meter, key.paramIndex}, raw);
            at += size;
        }
    }
}

}  // namespace kvKorvaneV10_0_3
