// The control side of the exec callback: installs the callback, asks the host for its formats,
// and makes, joins, delivers, executes and frees process buffer chains. cALGORITHM owns one and
// exposes these operations as its own.
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"
#include "korvane/process/host_callback.h"

#include <algorithm>
#include <atomic>
#include <complex>
#include <cstdint>
#include <cstring>
#include <vector>

namespace kvKorvaneV10_0_3::ProcessMemory {

// No lock of its own: configuration belongs to the GUI thread before the process starts, and
// buffer operations on distinct chains may run on the GUI and automation threads at once while
// the host serialises process memory behind the callback. Nothing that calls the host is
// [audio-thread]: the host may allocate.
class KORVANE_API KCProcessBuffers {
public:
    KCProcessBuffers();

    // --- Host connection. [gui-thread]
    // Clears the host word, resets the word size to 4 and the conversions to their defaults,
    // stores callback and refcon, then asks the host: 11, 12, 7, 8, 20, 9, 10, 21, 13, 14.
    // Unanswered queries keep the default (13/14 take the answers to 7/9); a word size outside
    // 1..16 is ignored. Returns 0 (the algorithm adds its own hook's result).
    int SetExecCallBack(ExecCallBack callback, int refcon);
    [[nodiscard]] ExecCallBack GetExecCallBack() const { return m_callback; }
    [[nodiscard]] int GetExecRefcon() const { return m_refcon; }
    // The callback's result; -1 when no callback is installed. [any-thread]
    int Call(int selector, void* a = nullptr, void* b = nullptr, void* c = nullptr) const;
    // The host's answers, fixed until the next SetExecCallBack. [any-thread]
    [[nodiscard]] std::uint32_t GetHostInfoWord() const { return m_hostInfoWord; }
    [[nodiscard]] int GetDSPWordSize() const { return m_dspWordSize; }
    void SetDSPWordSize(int bytes) {
        m_dspWordSize = bytes;
        m_coefCopyBytes = CoefCopyBytes();
    }
    [[nodiscard]] const KSConversionTable& GetConversions() const { return m_conversions; }

    // --- Memory-operation codes: write = base, read = base + 1, read-write = base + 2,
    // fourth = base + 4 (base 0 at construction). [gui-thread]
    void SetMemOperationEnums(int base);
    [[nodiscard]] int WriteOp() const { return m_opBase; }
    [[nodiscard]] int ReadOp() const { return m_opBase + 1; }
    [[nodiscard]] int ReadWriteOp() const { return m_opBase + 2; }
    [[nodiscard]] int FourthOp() const { return m_opBase + 4; }

    // --- Process layout and state, kept in sync by the algorithm. [gui-thread]; the ready and
    // bypass flags are atomic (the algorithm's SetBypass writes under its lock), and their
    // getters [audio-thread].
    [[nodiscard]] int GetCoefsOfs() const { return m_coefsOfs; }
    void SetCoefsOfs(int words) { m_coefsOfs = words; }
    [[nodiscard]] int GetStatesOfs() const { return m_statesOfs; }
    void SetStatesOfs(int words) { m_statesOfs = words; }
    [[nodiscard]] bool IsProcessReady() const { return m_processReady; }
    void SetProcessReady(bool ready) { m_processReady = ready; }
    [[nodiscard]] bool IsBypassed() const { return m_bypassed; }
    void SetBypassed(bool bypassed) { m_bypassed = bypassed; }
    // Sleep between the pieces of SendFreeAndSplitIntoSmallBuffers.
    [[nodiscard]] bool IsThrottled() const { return m_throttle; }
    void SetThrottled(bool throttle) { m_throttle = throttle; }
    [[nodiscard]] std::vector<sEXT_BUFF>& GetExtBuffers() { return m_extBuffers; }
    [[nodiscard]] const std::vector<sEXT_BUFF>& GetExtBuffers() const { return m_extBuffers; }

    // Coefficient images per setup: the normal image and the one used while bypassed, each
    // DSP word size x coefficient count bytes, zero-filled by SizeCoefImages. A setup other
    // than 1 selects setup 0. [gui-thread]
    void SizeCoefImages(unsigned int coefCount);
    [[nodiscard]] std::vector<unsigned char>& CoefImage(int setup, bool bypass) {
        return m_coefImages[setup == 1 ? 1 : 0][bypass ? 1 : 0];
    }
    [[nodiscard]] const std::vector<unsigned char>& CoefImage(int setup, bool bypass) const {
        return m_coefImages[setup == 1 ? 1 : 0][bypass ? 1 : 0];
    }
    // Copies both images of `from` over those of `to`.
    void CopyCoefImages(int from, int to);

    // --- Buffers. A null result means nothing to send. [any-thread] on distinct chains
    // Selector 5 with {0, 0, space, operation, coefFlag, refcon, extra, offset, count}; null
    // when the host fails or for a negative offset or count.
    BUFFER_HEADER* NewBuffer(int space, int operation, int coefFlag, int offset, int count,
                             int extra);
    BUFFER_HEADER* NewBuffer(int space, int operation, int coefFlag, const sEXT_BUFF* block);
    // Takes both chains: a null side gives the other unchanged; when the host cannot join
    // them both are freed and the result is null.
    BUFFER_HEADER* ChainBufs(BUFFER_HEADER* first, BUFFER_HEADER* second);
    // 0 without calling the host for a null chain, else the callback's result.
    int SendBuffers(BUFFER_HEADER* chain, int selector);
    // Delivers with `selector` when `send`, then frees and clears `chain`; the delivery's
    // result when it failed, else the free's.
    int SendAndFreeBuffers(BUFFER_HEADER*& chain, int selector, bool send);
    // Frees with 4 and clears `chain`; 0 for a null chain.
    int FreeBuffers(BUFFER_HEADER*& chain);

    // Coefficients: a write buffer on space 1 at coefficient base + offset, only when enabled,
    // ready and not bypassed. Copies word size x count bytes, never more than the area holds.
    BUFFER_HEADER* PrepareCoefBuffer(int offset, int count, const void* source, bool enable);
    // The same while bypassed too, filled from `setup`'s stored image (the bypass image while
    // bypassed); null when offset + count runs past the image.
    BUFFER_HEADER* PrepareCoefBufferWithBypass(int offset, int count, bool enable, int setup);

    // States: space 0 at states base + offset (only while the process is ready).
    BUFFER_HEADER* PrepareStatesBuffer(int operation, int offset, int count);
    BUFFER_HEADER* PrepareStatesReadBuffer(int offset, int count);
    BUFFER_HEADER* PrepareStatesWriteBuffer(int offset, int count);
    BUFFER_HEADER* PrepareStatesReadWriteBuffer(int offset, int count);

    // External X or Y blocks ('LMEM' is refused here; the Init operations split it); null
    // unless 0 <= offset, 0 <= count and offset + count <= the block's size.
    BUFFER_HEADER* PrepareExtBuffer(const sEXT_BUFF* block, int operation, int offset, int count);
    BUFFER_HEADER* PrepareExtReadBuffer(const sEXT_BUFF* block, int offset, int count);
    BUFFER_HEADER* PrepareExtWriteBuffer(const sEXT_BUFF* block, int offset, int count);
    BUFFER_HEADER* PrepareExtReadWriteBuffer(const sEXT_BUFF* block, int offset, int count);

    // Single states and runs of states: written, delivered (0) and freed (4). Return the
    // delivery's failure or the free's result, or -1 when no buffer could be made. Floats and
    // doubles go through the process-double conversion.
    int InitOneState(int index, std::int32_t value);
    int InitOneState(int index, float value);
    int InitStatesBuffer(int index, const std::int32_t* values, int n);
    int InitStatesBuffer(int index, const double* values, int n);
    // The filled buffer, for the caller to send.
    BUFFER_HEADER* SetSingleStateInt(int index, std::int32_t value);
    BUFFER_HEADER* SetSingleStateFloat(int index, float value);

    // The index-th external block filled with min(size, n) values (0 for n < 0): an X buffer for
    // 'XMEM' or 'LMEM', a Y buffer for 'YMEM' or 'LMEM', joined; null unless every buffer could
    // be made. Complex values put real parts in X and imaginary parts in Y.
    BUFFER_HEADER* InitExternalFromArray(int index, const std::int32_t* values, int n);
    BUFFER_HEADER* InitExternalFromArray(int index, const float* values, int n);
    BUFFER_HEADER* InitExternalFromArray(int index, const double* values, int n);
    BUFFER_HEADER* InitExternalFromArray(int index, const std::complex<double>* values, int n);
    BUFFER_HEADER* InitOneExternal(int index, double value);
    BUFFER_HEADER* InitOneExternalByPtr(const sEXT_BUFF* block, double value);

    // One state read back (read-write pre-filled with `value` when reset != 0); `value` itself
    // while the process is not ready or the read fails.
    std::int32_t ReadVU(int index, short reset, std::int32_t value);
    double ReadVU(int index, short reset, double value);

    // Writes n integers into `block` of `space` in pieces of at most `chunk`, each executed (1)
    // and freed; -1 when a piece could not be made or executed (the rest still go), and -1
    // without a call for chunk < 1 or n beyond the block's size. 0 for n < 1.
    int SendFreeAndSplitIntoSmallBuffers(int space, int n, const sEXT_BUFF* block,
                                         const std::int32_t* values, int pauseMs, int chunk);

    // Asks 64 then 65 (int32 out words): "GenericMultiCore", "AVX", "Generic", or "Error" when
    // the host fails 64 or gives no valid class.
    KCFixedString<63> GetNetShellProcessorName() const;

private:
    // convert(value, yHalf, dest) writes one element and returns its size.
    template <typename T, typename Convert>
    BUFFER_HEADER* FillExternal(const sEXT_BUFF* block, const T* values, int n, Convert convert);
    BUFFER_HEADER* InitOneExternalArray(const sEXT_BUFF* block, const double* values, int n);
    template <typename T, typename ToProcess, typename FromProcess>
    T ReadOne(int index, short reset, T value, ToProcess toProcess, FromProcess fromProcess);
    // Bytes the host's coefficient conversion writes for one value, asked once per connection.
    [[nodiscard]] int MeasureCoefElementSize() const;
    // Bytes copied per coefficient: the word size, never more than the host's element (a
    // negative size of either counts as none).
    [[nodiscard]] int CoefCopyBytes() const {
        return std::max(std::min(m_coefElementSize, m_dspWordSize), 0);
    }
    // The host sized the area by its coefficient format; never copy past it. One coefficient
    // of a usual size (the common parameter change) is a fixed-size copy, not a library call.
    void CopyCoefs(BUFFER_HEADER* buffer, const unsigned char* source, int count) const;
    void CopyCoefRun(void* dest, const unsigned char* source, int count) const;

    ExecCallBack m_callback = nullptr;
    int m_refcon = 0;
    std::uint32_t m_hostInfoWord = 0;
    int m_dspWordSize = 4;
    KSConversionTable m_conversions;
    int m_coefElementSize = 0;  // MeasureCoefElementSize() of the current conversions
    int m_coefCopyBytes = 0;    // CoefCopyBytes(), kept with the word and element sizes
    int m_opBase = 0;
    int m_coefsOfs = 0;
    int m_statesOfs = 0;
    // Set by the algorithm's control entries, read by buffer operations on other threads.
    std::atomic<bool> m_processReady{false};
    std::atomic<bool> m_bypassed{false};
    bool m_throttle = false;
    std::vector<sEXT_BUFF> m_extBuffers;
    std::vector<unsigned char> m_coefImages[2][2];  // [setup][bypass]
};

// The operations on every parameter change, inline so that a plug-in's hook pays no call for
// them.

inline int KCProcessBuffers::Call(int selector, void* a, void* b, void* c) const {
    return m_callback == nullptr ? eGenericErr : m_callback(selector, m_refcon, a, b, c);
}

inline BUFFER_HEADER* KCProcessBuffers::NewBuffer(int space, int operation, int coefFlag,
                                                  int offset, int count, int extra) {
    if (count < 0 || offset < 0) {
        return nullptr;
    }
    BUFFER_HEADER request;
    request.space = space;
    request.operation = operation;
    request.coefFlag = coefFlag;
    request.refcon = m_refcon;
    request.extra = extra;
    request.offset = offset;
    request.count = count;
    BUFFER_HEADER* header = nullptr;
    return Call(eSelNewBuffer, &request, nullptr, &header) == eNoErr ? header : nullptr;
}

inline int KCProcessBuffers::SendAndFreeBuffers(BUFFER_HEADER*& chain, int selector, bool send) {
    if (chain == nullptr) {
        return eNoErr;
    }
    const int sent = send ? Call(selector, chain) : eNoErr;
    const int freed = FreeBuffers(chain);
    // A failed delivery must not be hidden behind a successful free.
    return sent != eNoErr ? sent : freed;
}

inline int KCProcessBuffers::FreeBuffers(BUFFER_HEADER*& chain) {
    if (chain == nullptr) {
        return eNoErr;
    }
    const int result = Call(eSelFreeChain, chain);
    chain = nullptr;
    return result;
}

inline BUFFER_HEADER* KCProcessBuffers::PrepareCoefBufferWithBypass(int offset, int count,
                                                                    bool enable, int setup) {
    if (!enable || !m_processReady || offset < 0 || count < 0) {
        return nullptr;
    }
    const std::vector<unsigned char>& image = CoefImage(setup, m_bypassed);
    const auto word = static_cast<std::size_t>(m_dspWordSize);
    const std::size_t begin = static_cast<std::size_t>(offset) * word;
    if (begin + static_cast<std::size_t>(count) * word > image.size()) {
        return nullptr;  // beyond the stored image
    }
    BUFFER_HEADER* buffer = NewBuffer(eCoefsSpace, WriteOp(), 1, m_coefsOfs + offset, count, 0);
    CopyCoefs(buffer, image.data() + begin, count);
    return buffer;
}

inline void KCProcessBuffers::CopyCoefs(BUFFER_HEADER* buffer, const unsigned char* source,
                                        int count) const {
    if (buffer == nullptr || buffer->data == nullptr || source == nullptr || count <= 0) {
        return;
    }
    if (count == 1 && m_coefCopyBytes == 4) {
        std::memcpy(buffer->data, source, 4);
    } else if (count == 1 && m_coefCopyBytes == 8) {
        std::memcpy(buffer->data, source, 8);
    } else {
        CopyCoefRun(buffer->data, source, count);
    }
}

}  // namespace kvKorvaneV10_0_3::ProcessMemory
