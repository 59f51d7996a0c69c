// The reference host's selector handling, process memory and posted-chain queue.
#include "host/reference_host.h"

#include "host/host_registry.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>

namespace KorvaneHost {
namespace {

namespace pm = kvKorvaneV10_0_3::ProcessMemory;
using kvKorvaneV10_0_3::eMemBadPointer;
using kvKorvaneV10_0_3::eMemNullPointer;
using kvKorvaneV10_0_3::eNoErr;
using kvKorvaneV10_0_3::eNotImplemented;
using kvKorvaneV10_0_3::eOutOfRangeNumber;

// Operations relative to the configuration's base.
constexpr std::int32_t kWrite = 0;
constexpr std::int32_t kRead = 1;
constexpr std::int32_t kReadWrite = 2;
constexpr std::int32_t kFourth = 4;

bool KnownSpace(int space) {
    return space == pm::eStatesSpace || space == pm::eCoefsSpace || space == pm::eExternalXSpace ||
           space == pm::eExternalYSpace;
}

std::int64_t AsInt(const void* p) {
    return static_cast<std::int64_t>(reinterpret_cast<std::intptr_t>(p));
}

}  // namespace

ReferenceHost::ReferenceHost(HostConfig config) : m_config(config) {
    for (const int space :
         {pm::eStatesSpace, pm::eCoefsSpace, pm::eExternalXSpace, pm::eExternalYSpace}) {
        m_memory[space];
    }
    m_refcon = Registry::Register(this);
}

ReferenceHost::~ReferenceHost() {
    Registry::Unregister(m_refcon);  // waits for calls in flight
    const std::lock_guard lock(m_mutex);
    for (const auto& entry : m_live) {
        Registry::RemoveHeader(entry.first);
    }
}

ExecCallBack ReferenceHost::Callback() {
    return &HostExecCallBack;
}

int ReferenceHost::Dispatch(int selector, void* a, void* b, void* c) {
    if (selector >= 0 && static_cast<std::size_t>(selector) < m_calls.size()) {
        m_calls[static_cast<std::size_t>(selector)].fetch_add(1, std::memory_order_relaxed);
    } else {
        m_otherCalls.fetch_add(1, std::memory_order_relaxed);
    }
    switch (selector) {
        case pm::eSelPostChain:
            return Post(a);
        case pm::eSelExecuteChain:
            return Execute(a);
        case pm::eSelJoinChains:
            return Join(a, b, c);
        case pm::eSelFreeChain:
            return Free(a);
        case pm::eSelNewBuffer:
            return Allocate(a, c);
        case pm::eSelAutomationValue:
        case pm::eSelAutomationTouch:
        case pm::eSelAutomationRelease:
        case pm::eSelResetAllClip:
        case pm::eSelShellListener:
        case pm::eSelSideChainActivity:
        case pm::eSelSetupSwitchBracket:
            return Notify(selector, a, b, c);
        default:
            return Query(selector, a, b, c);
    }
}

// --- Process memory ------------------------------------------------------------------------

KTErr ReferenceHost::SizeSpace(int space, int words) {
    if (!KnownSpace(space) || words < 0) {
        return eOutOfRangeNumber;
    }
    const std::lock_guard lock(m_mutex);
    m_memory[space].resize(static_cast<std::size_t>(words) * m_config.wordSize, 0);
    return eNoErr;
}

int ReferenceHost::SpaceWords(int space) const {
    const std::lock_guard lock(m_mutex);
    const auto it = m_memory.find(space);
    return it == m_memory.end() ? 0 : static_cast<int>(it->second.size() / m_config.wordSize);
}

bool ReferenceHost::InRange(int space, int offset, int count) const {
    const auto it = m_memory.find(space);
    if (it == m_memory.end() || offset < 0 || count < 0) {
        return false;
    }
    const auto words = static_cast<long long>(it->second.size() / m_config.wordSize);
    return static_cast<long long>(offset) + count <= words;
}

unsigned char* ReferenceHost::Word(int space, int offset) {
    return m_memory.at(space).data() + static_cast<std::size_t>(offset) * m_config.wordSize;
}

const unsigned char* ReferenceHost::Word(int space, int offset) const {
    return m_memory.at(space).data() + static_cast<std::size_t>(offset) * m_config.wordSize;
}

void ReferenceHost::Apply(int space, int operation, int offset, int count, int elementSize,
                          unsigned char* data) {
    const auto bytes = static_cast<std::size_t>(std::min(elementSize, m_config.wordSize));
    for (int i = 0; i < count; ++i) {
        unsigned char* word = Word(space, offset + i);
        unsigned char* element = data + static_cast<std::size_t>(i) * elementSize;
        if (operation == kWrite) {
            std::memcpy(word, element, bytes);
        } else if (operation == kRead) {
            std::memcpy(element, word, bytes);
        } else if (operation == kReadWrite) {
            // An exchange: the buffer gets the old value, memory the buffer's (a meter reset).
            std::swap_ranges(word, word + bytes, element);
        }
    }
}

std::optional<double> ReferenceHost::ReadCoefficient(int offset, bool alternate) const {
    const std::lock_guard lock(m_mutex);
    if (!InRange(pm::eCoefsSpace, offset, 1)) {
        return std::nullopt;
    }
    double value = 0.0;
    const auto convert =
        alternate ? m_config.conversions.altCoefToDouble : m_config.conversions.coefToDouble;
    convert(Word(pm::eCoefsSpace, offset), &value);
    return value;
}

std::optional<double> ReferenceHost::ReadDouble(int space, int offset) const {
    const std::lock_guard lock(m_mutex);
    if (!InRange(space, offset, 1)) {
        return std::nullopt;
    }
    double value = 0.0;
    m_config.conversions.processToDouble(Word(space, offset), &value);
    return value;
}

std::optional<std::int32_t> ReferenceHost::ReadInt(int space, int offset) const {
    const std::lock_guard lock(m_mutex);
    if (!InRange(space, offset, 1)) {
        return std::nullopt;
    }
    std::int32_t value = 0;
    m_config.conversions.processToInt(Word(space, offset), &value);
    return value;
}

KTErr ReferenceHost::WriteDouble(int space, int offset, double value) {
    const std::lock_guard lock(m_mutex);
    if (!InRange(space, offset, 1)) {
        return eOutOfRangeNumber;
    }
    m_config.conversions.doubleToProcess(value, Word(space, offset));
    return eNoErr;
}

KTErr ReferenceHost::WriteInt(int space, int offset, std::int32_t value) {
    const std::lock_guard lock(m_mutex);
    if (!InRange(space, offset, 1)) {
        return eOutOfRangeNumber;
    }
    m_config.conversions.intToProcess(value, Word(space, offset));
    return eNoErr;
}

// --- Buffers -------------------------------------------------------------------------------

int ReferenceHost::Refuse(MisuseKind kind, int selector, const void* pointer) {
    m_misuse.Add({kind, selector, pointer});
    switch (kind) {
        case MisuseKind::NullPointer:
            return eMemNullPointer;
        case MisuseKind::BadRequest:
            return eOutOfRangeNumber;
        case MisuseKind::UnpairedTouch:
        case MisuseKind::UnpairedRelease:
            return kvKorvaneV10_0_3::eWrongObjectState;
        default:
            return eMemBadPointer;
    }
}

int ReferenceHost::CollectChain(int selector, void* head, std::vector<Allocation*>& out) {
    out.clear();
    for (const void* p = head; p != nullptr;) {
        const auto it = m_live.find(p);
        if (it == m_live.end()) {
            // Classified without ever reading through the pointer.
            if (m_quarantine.count(p) != 0) {
                return Refuse(selector == pm::eSelFreeChain ? MisuseKind::DoubleFree
                                                            : MisuseKind::UseAfterFree,
                              selector, p);
            }
            const int owner = Registry::HeaderOwner(p);
            return Refuse(owner != 0 ? MisuseKind::WrongHost : MisuseKind::UnknownPointer, selector,
                          p);
        }
        // The buffers of a chain are live and distinct, so a walk longer than the live buffers
        // has come back to one it passed: a cycle, found without a set on every walk.
        if (out.size() == m_live.size()) {
            return Refuse(MisuseKind::Cycle, selector, FirstRepeat(out, p));
        }
        out.push_back(it->second.get());
        p = it->second->header.next;
    }
    if (out.empty()) {
        return Refuse(MisuseKind::NullPointer, selector, head);
    }
    return eNoErr;
}

const void* ReferenceHost::FirstRepeat(const std::vector<Allocation*>& walked, const void* next) {
    std::unordered_set<const void*> seen;
    for (const Allocation* x : walked) {
        if (!seen.insert(&x->header).second) {
            return &x->header;
        }
    }
    return next;
}

int ReferenceHost::Allocate(void* request, void* out) {
    if (request == nullptr || out == nullptr) {
        return Refuse(MisuseKind::NullPointer, pm::eSelNewBuffer, request);
    }
    BUFFER_HEADER wanted;
    std::memcpy(&wanted, request, sizeof wanted);
    const std::int32_t operation = wanted.operation - m_config.opBase;
    const bool knownOperation = operation == kWrite || operation == kRead ||
                                operation == kReadWrite || operation == kFourth;
    const std::lock_guard lock(m_mutex);
    const bool reads = operation == kRead || operation == kReadWrite;
    const bool overReadLimit =
        reads && m_config.maxReadCount > 0 && wanted.count > m_config.maxReadCount;
    if (!knownOperation || overReadLimit || wanted.refcon != m_refcon ||
        !InRange(wanted.space, wanted.offset, wanted.count)) {
        return Refuse(MisuseKind::BadRequest, pm::eSelNewBuffer, request);
    }
    auto allocation = std::make_unique<Allocation>();
    unsigned char probe[16] = {};
    allocation->elementSize = wanted.coefFlag != 0 ? m_config.conversions.doubleToCoef(0.0, probe)
                                                   : m_config.conversions.intToProcess(0, probe);
    allocation->space = wanted.space;
    allocation->operation = operation;
    allocation->offset = wanted.offset;
    allocation->count = wanted.count;
    allocation->data.assign(
        static_cast<std::size_t>(wanted.count) * static_cast<std::size_t>(allocation->elementSize),
        0);
    allocation->header = wanted;
    allocation->header.data = allocation->data.empty() ? nullptr : allocation->data.data();
    allocation->header.next = nullptr;
    BUFFER_HEADER* header = &allocation->header;
    m_live.emplace(header, std::move(allocation));
    Registry::AddHeader(header, m_refcon);
    *static_cast<BUFFER_HEADER**>(out) = header;
    return eNoErr;
}

int ReferenceHost::Join(void* first, void* second, void* out) {
    if (out == nullptr) {
        return Refuse(MisuseKind::NullPointer, pm::eSelJoinChains, out);
    }
    const std::lock_guard lock(m_mutex);
    std::vector<Allocation*> a;
    std::vector<Allocation*> b;
    if (const int err = CollectChain(pm::eSelJoinChains, first, a); err != eNoErr) {
        return err;
    }
    if (const int err = CollectChain(pm::eSelJoinChains, second, b); err != eNoErr) {
        return err;
    }
    for (const Allocation* x : b) {
        if (std::find(a.begin(), a.end(), x) != a.end()) {
            return Refuse(MisuseKind::Cycle, pm::eSelJoinChains, &x->header);
        }
    }
    a.back()->header.next = &b.front()->header;
    *static_cast<BUFFER_HEADER**>(out) = &a.front()->header;
    return eNoErr;
}

int ReferenceHost::Execute(void* chain) {
    const std::lock_guard lock(m_mutex);
    std::vector<Allocation*>& buffers = m_walk;
    if (const int err = CollectChain(pm::eSelExecuteChain, chain, buffers); err != eNoErr) {
        return err;
    }
    // All or nothing: a space shrunk since allocation refuses the whole chain.
    for (const Allocation* x : buffers) {
        if (!InRange(x->space, x->offset, x->count)) {
            return Refuse(MisuseKind::BadRequest, pm::eSelExecuteChain, &x->header);
        }
    }
    for (Allocation* x : buffers) {
        Apply(x->space, x->operation, x->offset, x->count, x->elementSize, x->data.data());
    }
    return eNoErr;
}

int ReferenceHost::Post(void* chain) {
    PostedChain posted;
    {
        const std::lock_guard lock(m_mutex);
        std::vector<Allocation*>& buffers = m_walk;
        if (const int err = CollectChain(pm::eSelPostChain, chain, buffers); err != eNoErr) {
            return err;
        }
        // Copied: the caller frees the chain right after posting it.
        posted.reserve(buffers.size());
        for (const Allocation* x : buffers) {
            posted.push_back(
                {x->space, x->operation, x->offset, x->count, x->elementSize, x->data});
        }
    }
    const std::lock_guard lock(m_queueMutex);
    m_queue.push_back(std::move(posted));
    return eNoErr;
}

int ReferenceHost::Free(void* chain) {
    const std::lock_guard lock(m_mutex);
    std::vector<Allocation*>& buffers = m_walk;
    if (const int err = CollectChain(pm::eSelFreeChain, chain, buffers); err != eNoErr) {
        return err;
    }
    for (Allocation* x : buffers) {
        const void* key = &x->header;
        auto node = m_live.extract(key);
        Registry::RemoveHeader(key);
        // The header stays allocated (and zeroed) so its address is never handed out again.
        node.mapped()->header = BUFFER_HEADER{};
        node.mapped()->data = {};
        m_quarantine.insert(std::move(node));
        m_quarantineOrder.push_back(key);
    }
    // Bounded, so a long-running host does not grow without end; only a pointer freed more than
    // kQuarantineLimit frees ago can alias a new buffer.
    while (m_quarantineOrder.size() > kQuarantineLimit) {
        m_quarantine.erase(m_quarantineOrder.front());
        m_quarantineOrder.pop_front();
    }
    return eNoErr;
}

int ReferenceHost::ProcessBlock() {
    std::vector<PostedChain> chains;
    {
        const std::lock_guard lock(m_queueMutex);
        if (m_queue.empty()) {
            return 0;
        }
        chains.swap(m_queue);
    }
    {
        const std::lock_guard lock(m_mutex);
        for (PostedChain& chain : chains) {
            for (PostedBuffer& x : chain) {
                // A posted read has nowhere to deliver its data; only writes take effect.
                const int operation = x.operation == kReadWrite ? kWrite : x.operation;
                if (operation == kWrite && InRange(x.space, x.offset, x.count)) {
                    Apply(x.space, operation, x.offset, x.count, x.elementSize, x.data.data());
                }
            }
        }
    }
    const auto count = static_cast<int>(chains.size());
    // The queue's storage goes back for the next posts, so posting every block allocates no
    // new queue.
    chains.clear();
    const std::lock_guard lock(m_queueMutex);
    if (m_queue.empty()) {
        m_queue.swap(chains);
    }
    return count;
}

KTErr ReferenceHost::SetNativeProcess(KTNativeProcessFunction function, int numInputs,
                                      int numOutputs) {
    if (!m_config.floatWords || m_config.wordSize != 4) {
        return kvKorvaneV10_0_3::eDataFormatNotSupported;
    }
    if (numInputs < 0 || numOutputs < 0) {
        return eOutOfRangeNumber;
    }
    const std::lock_guard lock(m_mutex);
    m_native = function;
    m_nativeInputs = numInputs;
    m_nativeOutputs = numOutputs;
    return eNoErr;
}

KTErr ReferenceHost::LoadNativeProcess(KTNativeDLLRefType* module, const char* name, int numInputs,
                                       int numOutputs) {
    KTNativeProcessFunction function = nullptr;
    if (const KTErr err = pm::FindNativeProcessFunction(module, name, function); err != eNoErr) {
        return err;
    }
    return SetNativeProcess(function, numInputs, numOutputs);
}

bool ReferenceHost::HasNativeProcess() const {
    const std::lock_guard lock(m_mutex);
    return m_native != nullptr;
}

KTErr ReferenceHost::ProcessAudio(const float* const* inputs, float* const* outputs, int frames) {
    if (frames < 0) {
        return eOutOfRangeNumber;
    }
    (void)ProcessBlock();  // the count of chains applied is not this call's concern
    const std::lock_guard lock(m_mutex);
    if (m_native == nullptr) {
        return kvKorvaneV10_0_3::eSomeThingNotInitailzed;
    }
    if ((m_nativeInputs > 0 && inputs == nullptr) || (m_nativeOutputs > 0 && outputs == nullptr)) {
        return eMemNullPointer;
    }
    for (int c = 0; c < m_nativeInputs; ++c) {
        if (inputs[c] == nullptr) {
            return eMemNullPointer;
        }
    }
    for (int c = 0; c < m_nativeOutputs; ++c) {
        if (outputs[c] == nullptr) {
            return eMemNullPointer;
        }
    }
    // Each space's words, viewed as the floats they hold.
    const auto words = [this](int space, float*& first, std::int32_t& count) {
        first = nullptr;
        count = 0;
        if (const auto it = m_memory.find(space); it != m_memory.end() && !it->second.empty()) {
            first = reinterpret_cast<float*>(it->second.data());
            count = static_cast<std::int32_t>(it->second.size() / sizeof(float));
        }
    };
    KSNativeProcessMemory memory{};
    memory.structSize = sizeof memory;
    memory.wordSize = 4;
    float* coefs = nullptr;
    words(pm::eCoefsSpace, coefs, memory.numCoefs);
    memory.coefs = coefs;
    words(pm::eStatesSpace, memory.states, memory.numStates);
    words(pm::eExternalXSpace, memory.externX, memory.numExternX);
    words(pm::eExternalYSpace, memory.externY, memory.numExternY);
    const std::int32_t result =
        m_native(&memory, inputs, m_nativeInputs, outputs, m_nativeOutputs, frames);
    if (result != 0) {
        for (int c = 0; c < m_nativeOutputs; ++c) {
            std::fill(outputs[c], outputs[c] + frames, 0.0F);
        }
    }
    return result;
}

std::size_t ReferenceHost::PendingChains() const {
    const std::lock_guard lock(m_queueMutex);
    return m_queue.size();
}

std::size_t ReferenceHost::LiveBuffers() const {
    const std::lock_guard lock(m_mutex);
    return m_live.size();
}

std::size_t ReferenceHost::QuarantinedBuffers() const {
    const std::lock_guard lock(m_mutex);
    return m_quarantine.size();
}

// --- Queries and notifications -------------------------------------------------------------

int ReferenceHost::Query(int selector, void* a, void* b, void* c) {
    const auto& conv = m_config.conversions;
    void* out = c;
    if (selector == pm::eSelNetShellProcessorType || selector == pm::eSelNetShellProcessorClass) {
        out = a;
        if (b == nullptr) {
            return Refuse(MisuseKind::NullPointer, selector, b);
        }
    }
    if (out == nullptr) {
        return Refuse(MisuseKind::NullPointer, selector, out);
    }
    m_events.Add({selector, 0, 0, 0.0});
    switch (selector) {
        case pm::eSelHostInfoWord:
            *static_cast<std::uint32_t*>(out) = m_config.hostInfoWord;
            return eNoErr;
        case pm::eSelDSPWordSize:
            *static_cast<std::int32_t*>(out) = m_config.wordSize;
            return eNoErr;
        case pm::eSelDoubleToCoef:
            *static_cast<pm::DoubleToProcessFn*>(out) = conv.doubleToCoef;
            return eNoErr;
        case pm::eSelIntToProcess:
            *static_cast<pm::IntToProcessFn*>(out) = conv.intToProcess;
            return eNoErr;
        case pm::eSelDoubleToProcess:
            *static_cast<pm::DoubleToProcessFn*>(out) = conv.doubleToProcess;
            return eNoErr;
        case pm::eSelCoefToDouble:
            *static_cast<pm::ProcessToDoubleFn*>(out) = conv.coefToDouble;
            return eNoErr;
        case pm::eSelProcessToInt:
            *static_cast<pm::ProcessToIntFn*>(out) = conv.processToInt;
            return eNoErr;
        case pm::eSelProcessToDouble:
            *static_cast<pm::ProcessToDoubleFn*>(out) = conv.processToDouble;
            return eNoErr;
        case pm::eSelAltDoubleToCoef:
            if (!m_config.answersAlternates) {
                return eNotImplemented;
            }
            *static_cast<pm::DoubleToProcessFn*>(out) = conv.altDoubleToCoef;
            return eNoErr;
        case pm::eSelAltCoefToDouble:
            if (!m_config.answersAlternates) {
                return eNotImplemented;
            }
            *static_cast<pm::ProcessToDoubleFn*>(out) = conv.altCoefToDouble;
            return eNoErr;
        case pm::eSelNetShellProcessorType:
            *static_cast<std::int32_t*>(out) = m_config.netShellType;
            *static_cast<std::int32_t*>(b) = m_config.netShellValid;
            return eNoErr;
        case pm::eSelNetShellProcessorClass:
            *static_cast<std::int32_t*>(out) = m_config.netShellClass;
            *static_cast<std::int32_t*>(b) = m_config.netShellValid;
            return eNoErr;
        case pm::eSelNativeShellProcess:
            *static_cast<unsigned char*>(out) = m_config.nativeShellProcess ? 1 : 0;
            return eNoErr;
        default:
            return eNotImplemented;
    }
}

int ReferenceHost::Notify(int selector, void* a, void* b, void* c) {
    HostEvent event{selector, AsInt(a), AsInt(b), 0.0};
    if (selector == pm::eSelAutomationValue) {
        event.b = 0;
        if (b == nullptr) {
            return Refuse(MisuseKind::NullPointer, selector, b);
        }
        std::memcpy(&event.value, b, sizeof event.value);
    } else if (selector == pm::eSelResetAllClip) {
        if (a == nullptr || c == nullptr) {
            return Refuse(MisuseKind::NullPointer, selector, a == nullptr ? a : c);
        }
        std::int32_t wordA = 0;
        std::int32_t wordC = 0;
        std::memcpy(&wordA, a, sizeof wordA);
        std::memcpy(&wordC, c, sizeof wordC);
        event.a = wordA;
        event.b = wordC;
    }
    m_events.Add(event);
    if (selector == pm::eSelAutomationTouch || selector == pm::eSelAutomationRelease) {
        const bool touch = selector == pm::eSelAutomationTouch;
        bool paired = false;
        {
            const std::lock_guard lock(m_gestureMutex);
            paired =
                touch ? m_openGestures.insert(event.a).second : m_openGestures.erase(event.a) == 1;
        }
        if (!paired) {
            return Refuse(touch ? MisuseKind::UnpairedTouch : MisuseKind::UnpairedRelease, selector,
                          a);
        }
    }
    return eNoErr;
}

std::vector<std::int64_t> ReferenceHost::OpenGestures() const {
    const std::lock_guard lock(m_gestureMutex);
    return {m_openGestures.begin(), m_openGestures.end()};
}

std::size_t ReferenceHost::CloseGestures() {
    std::set<std::int64_t> open;
    {
        const std::lock_guard lock(m_gestureMutex);
        open.swap(m_openGestures);
    }
    for (const std::int64_t index : open) {
        // The control index stands in for the pointer; it is never followed.
        const auto* tag = reinterpret_cast<const void*>(  // NOLINT(performance-no-int-to-ptr)
            static_cast<std::intptr_t>(index));
        m_misuse.Add({MisuseKind::UnpairedTouch, pm::eSelAutomationTouch, tag});
    }
    return open.size();
}

std::uint64_t ReferenceHost::CallCount(int selector) const {
    if (selector >= 0 && static_cast<std::size_t>(selector) < m_calls.size()) {
        return m_calls[static_cast<std::size_t>(selector)].load(std::memory_order_relaxed);
    }
    return 0;
}

std::uint64_t ReferenceHost::TotalCalls() const {
    std::uint64_t total = m_otherCalls.load(std::memory_order_relaxed);
    for (const auto& count : m_calls) {
        total += count.load(std::memory_order_relaxed);
    }
    return total;
}

}  // namespace KorvaneHost
