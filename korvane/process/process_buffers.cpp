// The control side of the exec callback: format queries and the buffer operations.
#include "korvane/process/process_buffers.h"

#include "korvane/core/error_codes.h"
#include "korvane/core/sleep.h"

#include <algorithm>
#include <cstring>

namespace kvKorvaneV10_0_3::ProcessMemory {
namespace {

// A host answering a word size outside this range is ignored: every copy length is derived
// from it, so zero or a huge value would corrupt the data areas.
constexpr int kMaxDSPWordSize = 16;

// Writes values one element at a time; stops at a conversion that reports no progress.
template <typename T, typename Convert>
void FillElements(BUFFER_HEADER* buffer, const T* values, int n, Convert convert) {
    if (buffer == nullptr || buffer->data == nullptr || values == nullptr) {
        return;
    }
    auto* dest = static_cast<unsigned char*>(buffer->data);
    for (int i = 0; i < n; ++i) {
        const int written = convert(values[i], dest);
        if (written <= 0) {
            return;
        }
        dest += written;
    }
}

template <typename Fn>
void AskFunction(const KCProcessBuffers& owner, int selector, Fn& entry) {
    Fn answer = nullptr;
    if (owner.Call(selector, nullptr, nullptr, &answer) == eNoErr && answer != nullptr) {
        entry = answer;
    }
}

}  // namespace

KCProcessBuffers::KCProcessBuffers()
    : m_conversions(DefaultConversionTable()),
      m_coefElementSize(MeasureCoefElementSize()),
      m_coefCopyBytes(CoefCopyBytes()) {}

int KCProcessBuffers::SetExecCallBack(ExecCallBack callback, int refcon) {
    m_hostInfoWord = 0;
    m_dspWordSize = 4;
    m_conversions = DefaultConversionTable();
    m_callback = callback;
    m_refcon = refcon;

    std::uint32_t word = 0;
    if (Call(eSelHostInfoWord, nullptr, nullptr, &word) == eNoErr) {
        m_hostInfoWord = word;
    }
    std::int32_t size = m_dspWordSize;
    if (Call(eSelDSPWordSize, nullptr, nullptr, &size) == eNoErr && size >= 1 &&
        size <= kMaxDSPWordSize) {
        m_dspWordSize = size;
    }
    AskFunction(*this, eSelDoubleToCoef, m_conversions.doubleToCoef);
    AskFunction(*this, eSelIntToProcess, m_conversions.intToProcess);
    AskFunction(*this, eSelDoubleToProcess, m_conversions.doubleToProcess);
    AskFunction(*this, eSelCoefToDouble, m_conversions.coefToDouble);
    AskFunction(*this, eSelProcessToInt, m_conversions.processToInt);
    AskFunction(*this, eSelProcessToDouble, m_conversions.processToDouble);
    // A host without alternate coefficient formats gets its primary ones, not the defaults.
    m_conversions.altDoubleToCoef = m_conversions.doubleToCoef;
    m_conversions.altCoefToDouble = m_conversions.coefToDouble;
    AskFunction(*this, eSelAltDoubleToCoef, m_conversions.altDoubleToCoef);
    AskFunction(*this, eSelAltCoefToDouble, m_conversions.altCoefToDouble);
    m_coefElementSize = MeasureCoefElementSize();
    m_coefCopyBytes = CoefCopyBytes();
    return eNoErr;
}

void KCProcessBuffers::SetMemOperationEnums(int base) {
    m_opBase = base;
}

void KCProcessBuffers::SizeCoefImages(unsigned int coefCount) {
    const std::size_t bytes = static_cast<std::size_t>(coefCount) * m_dspWordSize;
    for (auto& setup : m_coefImages) {
        for (auto& image : setup) {
            image.assign(bytes, 0);
        }
    }
}

void KCProcessBuffers::CopyCoefImages(int from, int to) {
    if (from == to) {
        return;
    }
    CoefImage(to, false) = CoefImage(from, false);
    CoefImage(to, true) = CoefImage(from, true);
}

// --- Buffers -------------------------------------------------------------------------------

BUFFER_HEADER* KCProcessBuffers::NewBuffer(int space, int operation, int coefFlag,
                                           const sEXT_BUFF* block) {
    if (block == nullptr) {
        return nullptr;
    }
    return NewBuffer(space, operation, coefFlag, block->baseOffset, block->size, block->extra);
}

BUFFER_HEADER* KCProcessBuffers::ChainBufs(BUFFER_HEADER* first, BUFFER_HEADER* second) {
    if (first == nullptr) {
        return second;
    }
    if (second == nullptr) {
        return first;
    }
    BUFFER_HEADER* head = nullptr;
    if (Call(eSelJoinChains, first, second, &head) != eNoErr || head == nullptr) {
        // Nobody could free the two chains after a null answer.
        FreeBuffers(first);
        FreeBuffers(second);
        return nullptr;
    }
    return head;
}

int KCProcessBuffers::SendBuffers(BUFFER_HEADER* chain, int selector) {
    if (chain == nullptr) {
        return eNoErr;
    }
    return Call(selector, chain);
}

// --- Coefficients --------------------------------------------------------------------------

int KCProcessBuffers::MeasureCoefElementSize() const {
    unsigned char scratch[64] = {};
    return m_conversions.doubleToCoef != nullptr ? m_conversions.doubleToCoef(0.0, scratch) : 0;
}

void KCProcessBuffers::CopyCoefRun(void* dest, const unsigned char* source, int count) const {
    std::memcpy(dest, source, static_cast<std::size_t>(count) * m_coefCopyBytes);
}

BUFFER_HEADER* KCProcessBuffers::PrepareCoefBuffer(int offset, int count, const void* source,
                                                   bool enable) {
    if (!enable || !m_processReady || m_bypassed) {
        return nullptr;
    }
    BUFFER_HEADER* buffer = NewBuffer(eCoefsSpace, WriteOp(), 1, m_coefsOfs + offset, count, 0);
    CopyCoefs(buffer, static_cast<const unsigned char*>(source), count);
    return buffer;
}

// --- States --------------------------------------------------------------------------------

BUFFER_HEADER* KCProcessBuffers::PrepareStatesBuffer(int operation, int offset, int count) {
    if (!m_processReady || offset < 0) {
        return nullptr;
    }
    return NewBuffer(eStatesSpace, operation, 0, m_statesOfs + offset, count, 0);
}

BUFFER_HEADER* KCProcessBuffers::PrepareStatesReadBuffer(int offset, int count) {
    return PrepareStatesBuffer(ReadOp(), offset, count);
}

BUFFER_HEADER* KCProcessBuffers::PrepareStatesWriteBuffer(int offset, int count) {
    return PrepareStatesBuffer(WriteOp(), offset, count);
}

BUFFER_HEADER* KCProcessBuffers::PrepareStatesReadWriteBuffer(int offset, int count) {
    return PrepareStatesBuffer(ReadWriteOp(), offset, count);
}

// --- External blocks -----------------------------------------------------------------------

BUFFER_HEADER* KCProcessBuffers::PrepareExtBuffer(const sEXT_BUFF* block, int operation, int offset,
                                                  int count) {
    if (block == nullptr || !m_processReady || offset < 0 || count < 0 ||
        static_cast<long long>(offset) + count > block->size) {
        return nullptr;  // the whole range must lie inside the block
    }
    int space = 0;
    if (block->kind == kXMem) {
        space = eExternalXSpace;
    } else if (block->kind == kYMem) {
        space = eExternalYSpace;
    } else {
        return nullptr;
    }
    return NewBuffer(space, operation, 0, block->baseOffset + offset, count, block->extra);
}

BUFFER_HEADER* KCProcessBuffers::PrepareExtReadBuffer(const sEXT_BUFF* block, int offset,
                                                      int count) {
    return PrepareExtBuffer(block, ReadOp(), offset, count);
}

BUFFER_HEADER* KCProcessBuffers::PrepareExtWriteBuffer(const sEXT_BUFF* block, int offset,
                                                       int count) {
    return PrepareExtBuffer(block, WriteOp(), offset, count);
}

BUFFER_HEADER* KCProcessBuffers::PrepareExtReadWriteBuffer(const sEXT_BUFF* block, int offset,
                                                           int count) {
    return PrepareExtBuffer(block, ReadWriteOp(), offset, count);
}

// --- Initialising states -------------------------------------------------------------------

BUFFER_HEADER* KCProcessBuffers::SetSingleStateInt(int index, std::int32_t value) {
    BUFFER_HEADER* buffer = PrepareStatesWriteBuffer(index, 1);
    FillElements(buffer, &value, 1, m_conversions.intToProcess);
    return buffer;
}

BUFFER_HEADER* KCProcessBuffers::SetSingleStateFloat(int index, float value) {
    const double asDouble = value;
    BUFFER_HEADER* buffer = PrepareStatesWriteBuffer(index, 1);
    FillElements(buffer, &asDouble, 1, m_conversions.doubleToProcess);
    return buffer;
}

int KCProcessBuffers::InitOneState(int index, std::int32_t value) {
    BUFFER_HEADER* buffer = SetSingleStateInt(index, value);
    return buffer == nullptr ? eGenericErr : SendAndFreeBuffers(buffer, eSelPostChain, true);
}

int KCProcessBuffers::InitOneState(int index, float value) {
    BUFFER_HEADER* buffer = SetSingleStateFloat(index, value);
    return buffer == nullptr ? eGenericErr : SendAndFreeBuffers(buffer, eSelPostChain, true);
}

int KCProcessBuffers::InitStatesBuffer(int index, const std::int32_t* values, int n) {
    if (values == nullptr || n < 1) {
        return eGenericErr;
    }
    BUFFER_HEADER* buffer = PrepareStatesWriteBuffer(index, n);
    if (buffer == nullptr) {
        return eGenericErr;
    }
    FillElements(buffer, values, n, m_conversions.intToProcess);
    return SendAndFreeBuffers(buffer, eSelPostChain, true);
}

int KCProcessBuffers::InitStatesBuffer(int index, const double* values, int n) {
    if (values == nullptr || n < 1) {
        return eGenericErr;
    }
    BUFFER_HEADER* buffer = PrepareStatesWriteBuffer(index, n);
    if (buffer == nullptr) {
        return eGenericErr;
    }
    FillElements(buffer, values, n, m_conversions.doubleToProcess);
    return SendAndFreeBuffers(buffer, eSelPostChain, true);
}

// --- Initialising external blocks ----------------------------------------------------------

template <typename T, typename Convert>
BUFFER_HEADER* KCProcessBuffers::FillExternal(const sEXT_BUFF* block, const T* values, int n,
                                              Convert convert) {
    if (block == nullptr || !m_processReady || block->size < 1) {
        return nullptr;
    }
    const int count = n < 0 ? 0 : std::min(block->size, n);
    if (count > 0 && values == nullptr) {
        return nullptr;
    }
    const bool wantX = block->kind == kXMem || block->kind == kLMem;
    const bool wantY = block->kind == kYMem || block->kind == kLMem;
    if (!wantX && !wantY) {
        return nullptr;
    }
    BUFFER_HEADER* x = nullptr;
    BUFFER_HEADER* y = nullptr;
    if (wantX) {
        x = NewBuffer(eExternalXSpace, WriteOp(), 0, block->baseOffset, count, block->extra);
        FillElements(x, values, count, [&](const T& v, void* d) { return convert(v, false, d); });
    }
    if (wantY) {
        y = NewBuffer(eExternalYSpace, WriteOp(), 0, block->baseOffset, count, block->extra);
        FillElements(y, values, count, [&](const T& v, void* d) { return convert(v, true, d); });
    }
    if ((wantX && x == nullptr) || (wantY && y == nullptr)) {
        // Half an 'LMEM' block would leave X and Y disagreeing: all or nothing.
        FreeBuffers(x);
        FreeBuffers(y);
        return nullptr;
    }
    return ChainBufs(x, y);
}

BUFFER_HEADER* KCProcessBuffers::InitExternalFromArray(int index, const std::int32_t* values,
                                                       int n) {
    if (index < 0 || static_cast<std::size_t>(index) >= m_extBuffers.size()) {
        return nullptr;
    }
    const IntToProcessFn toProcess = m_conversions.intToProcess;
    return FillExternal(&m_extBuffers[static_cast<std::size_t>(index)], values, n,
                        [toProcess](std::int32_t v, bool, void* d) { return toProcess(v, d); });
}

BUFFER_HEADER* KCProcessBuffers::InitExternalFromArray(int index, const float* values, int n) {
    if (index < 0 || static_cast<std::size_t>(index) >= m_extBuffers.size()) {
        return nullptr;
    }
    const DoubleToProcessFn toProcess = m_conversions.doubleToProcess;
    return FillExternal(&m_extBuffers[static_cast<std::size_t>(index)], values, n,
                        [toProcess](float v, bool, void* d) { return toProcess(v, d); });
}

BUFFER_HEADER* KCProcessBuffers::InitExternalFromArray(int index, const double* values, int n) {
    if (index < 0 || static_cast<std::size_t>(index) >= m_extBuffers.size()) {
        return nullptr;
    }
    return InitOneExternalArray(&m_extBuffers[static_cast<std::size_t>(index)], values, n);
}

BUFFER_HEADER* KCProcessBuffers::InitExternalFromArray(int index,
                                                       const std::complex<double>* values, int n) {
    if (index < 0 || static_cast<std::size_t>(index) >= m_extBuffers.size()) {
        return nullptr;
    }
    // Real parts go to X memory, imaginary parts to Y memory.
    const DoubleToProcessFn toProcess = m_conversions.doubleToProcess;
    return FillExternal(&m_extBuffers[static_cast<std::size_t>(index)], values, n,
                        [toProcess](const std::complex<double>& v, bool yHalf, void* d) {
                            return toProcess(yHalf ? v.imag() : v.real(), d);
                        });
}

BUFFER_HEADER* KCProcessBuffers::InitOneExternalArray(const sEXT_BUFF* block, const double* values,
                                                      int n) {
    const DoubleToProcessFn toProcess = m_conversions.doubleToProcess;
    return FillExternal(block, values, n,
                        [toProcess](double v, bool, void* d) { return toProcess(v, d); });
}

BUFFER_HEADER* KCProcessBuffers::InitOneExternal(int index, double value) {
    return InitExternalFromArray(index, &value, 1);
}

BUFFER_HEADER* KCProcessBuffers::InitOneExternalByPtr(const sEXT_BUFF* block, double value) {
    return InitOneExternalArray(block, &value, 1);
}

// --- Reading back --------------------------------------------------------------------------

template <typename T, typename ToProcess, typename FromProcess>
T KCProcessBuffers::ReadOne(int index, short reset, T value, ToProcess toProcess,
                            FromProcess fromProcess) {
    if (!m_processReady) {
        return value;
    }
    BUFFER_HEADER* buffer =
        reset != 0 ? PrepareStatesReadWriteBuffer(index, 1) : PrepareStatesReadBuffer(index, 1);
    if (buffer == nullptr) {
        return value;
    }
    if (reset != 0) {
        FillElements(buffer, &value, 1, toProcess);
    }
    T result = value;
    // A failed execution leaves whatever the area held: keep the caller's value instead.
    if (Call(eSelExecuteChain, buffer) == eNoErr && buffer->data != nullptr) {
        T read{};
        if (fromProcess(buffer->data, &read) > 0) {
            result = read;
        }
    }
    FreeBuffers(buffer);
    return result;
}

std::int32_t KCProcessBuffers::ReadVU(int index, short reset, std::int32_t value) {
    return ReadOne(index, reset, value, m_conversions.intToProcess, m_conversions.processToInt);
}

double KCProcessBuffers::ReadVU(int index, short reset, double value) {
    return ReadOne(index, reset, value, m_conversions.doubleToProcess,
                   m_conversions.processToDouble);
}

// --- Large writes --------------------------------------------------------------------------

int KCProcessBuffers::SendFreeAndSplitIntoSmallBuffers(int space, int n, const sEXT_BUFF* block,
                                                       const std::int32_t* values, int pauseMs,
                                                       int chunk) {
    if (n < 1) {
        return eNoErr;
    }
    // A chunk below 1 would never advance; more values than the block holds would spill into
    // the memory behind it.
    if (block == nullptr || values == nullptr || chunk < 1 || n > block->size) {
        return eGenericErr;
    }
    int result = eNoErr;
    for (int written = 0; written < n;) {
        if (written > 0 && m_throttle && pauseMs > 0) {
            kvThread::sleep_milliseconds(static_cast<unsigned int>(pauseMs));
        }
        const int piece = std::min(chunk, n - written);
        BUFFER_HEADER* buffer =
            NewBuffer(space, WriteOp(), 0, block->baseOffset + written, piece, block->extra);
        if (buffer == nullptr) {
            result = eGenericErr;
        } else {
            FillElements(buffer, values + written, piece, m_conversions.intToProcess);
            if (Call(eSelExecuteChain, buffer) != eNoErr) {
                result = eGenericErr;
            }
            FreeBuffers(buffer);
        }
        written += piece;
    }
    return result;
}

// --- Queries -------------------------------------------------------------------------------

KCFixedString<63> KCProcessBuffers::GetNetShellProcessorName() const {
    std::int32_t type = 0;
    std::int32_t valid = 0;
    if (Call(eSelNetShellProcessorType, &type, &valid) != eNoErr) {
        return "Error";  // an unknown type must not pass for "Generic"
    }
    std::int32_t processorClass = 2;
    Call(eSelNetShellProcessorClass, &processorClass, &valid);
    if (valid == 0 || (processorClass != 2 && processorClass != 4)) {
        return "Error";
    }
    if (type == 10) {
        return "GenericMultiCore";
    }
    if (type == 11) {
        return "AVX";
    }
    return "Generic";
}

}  // namespace kvKorvaneV10_0_3::ProcessMemory
