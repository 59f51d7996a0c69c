// The checked walk over a graphic stream: every size is compared with the bytes that remain
// before any field of the record is read.
#include "korvane/gs/gs_engine.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <new>

namespace kvKorvaneV10_0_3::kvGS {

namespace {

template <typename T>
const T& As(const char* record) {
    // The buffer is 4-byte aligned (ExecStream copies it otherwise) and so is every record.
    return *reinterpret_cast<const T*>(record);
}

// Bytes per payload element, as a shift; a type outside the vocabulary counts its elements as
// bytes, so a count can never claim less than the record holds. Without branches: the types
// alternate record by record.
constexpr unsigned int PayloadElementShift(KTGSCode type) {
    return static_cast<unsigned int>(type == eGSInt16) |
           (static_cast<unsigned int>(type == eGSInt32 || type == eGSFloat) << 1U);
}

constexpr bool PayloadSizesMatchTheVocabulary() {
    for (const KTGSCode type : {eGSChar, eGSInt8, eGSUInt8, eGSInt16, eGSInt32, eGSFloat, eGSAny}) {
        if ((1U << PayloadElementShift(type)) != std::max(DataTypeElementSize(type), 1U)) {
            return false;
        }
    }
    return true;
}
static_assert(PayloadSizesMatchTheVocabulary());

// Open addressing without probing: the multiplier spreads the known codes over distinct slots
// (checked when the table is built), so a lookup is one multiply and one compare.
template <unsigned int kBits, std::uint32_t kMultiplier>
constexpr unsigned int CodeSlot(KTGSCode code) {
    return static_cast<std::uint32_t>(code * kMultiplier) >> (32U - kBits);
}

template <typename Entry, unsigned int kBits>
struct KSCodeTable {
    Entry slots[1U << kBits];
    bool collisionFree = true;
};

// Each entry at its code's slot; the other slots keep a default entry.
template <unsigned int kBits, std::uint32_t kMultiplier, typename Entry, std::size_t kCount>
constexpr KSCodeTable<Entry, kBits> BuildCodeTable(const Entry (&known)[kCount]) {
    KSCodeTable<Entry, kBits> table;
    bool used[1U << kBits] = {};
    for (const Entry& entry : known) {
        const unsigned int slot = CodeSlot<kBits, kMultiplier>(entry.code);
        table.collisionFree = table.collisionFree && !used[slot];
        used[slot] = true;
        table.slots[slot] = entry;
    }
    return table;
}

// What a data record of a named purpose does; every other purpose is kept as the latest.
enum class EDataUse : std::uint8_t { eLatest, eMetaData, eBaseURL, eRemark };

struct KSPurpose {
    KTGSCode code = 0;
    EDataUse use = EDataUse::eLatest;
};

// A perfect hash of the eight named purposes onto eight slots: finding a purpose's slot, and
// so its latest record, is one multiply and one compare.
constexpr unsigned int kPurposeBits = 3;
constexpr std::uint32_t kPurposeMultiplier = 0x9E377ACBU;
constexpr unsigned int PurposeSlot(KTGSCode purpose) {
    return CodeSlot<kPurposeBits, kPurposeMultiplier>(purpose);
}

constexpr KSPurpose kNamedPurposes[] = {
    {eGSText},
    {eGSResourcesBaseURL, EDataUse::eBaseURL},
    {eGSRemark, EDataUse::eRemark},
    {eGSMetaData, EDataUse::eMetaData},
    {eGSPoint2D},
    {eGSPoint3D},
    {eGSRGBColor},
    {eGSRGBAColor},
};
constexpr auto kPurposes = BuildCodeTable<kPurposeBits, kPurposeMultiplier>(kNamedPurposes);
static_assert(kPurposes.collisionFree, "two purposes share a slot: change the multiplier");

}  // namespace

struct KCGraphicStreamEngineBase::RecordHandlers {
    using Engine = KCGraphicStreamEngineBase;
    // Called with a record whose size was checked against its type's layout and the bytes left.
    // Returns eNoErr to go on, kClosed when the outermost stream or frame is closed, or an error.
    using Handler = KTErr (*)(Engine&, const char* record, std::uint32_t size);

    // Not an error code (those are negative): reading ends cleanly.
    static constexpr KTErr kClosed = 1;
    static_assert(kClosed > eNoErr);
    static_assert(kKnownPurposes == std::size(kPurposes.slots));

    struct Kind {
        KTGSCode code = 0;
        std::uint32_t minSize = sizeof(SGSCommandHeader);
        Handler handler = &Unknown;
    };

    static KTErr BeginStream(Engine& e, const char* record, std::uint32_t) {
        if (e.m_open.size() >= kMaxNestingDepth) {
            return eGSNestingTooDeep;
        }
        e.RegisterBeginStream(As<SGSStream>(record));
        e.BeginStream(As<SGSStream>(record));
        return eNoErr;
    }
    static KTErr BeginFrame(Engine& e, const char* record, std::uint32_t) {
        if (e.m_open.size() >= kMaxNestingDepth) {
            return eGSNestingTooDeep;
        }
        e.RegisterBeginFrame(As<SGSFrame>(record));
        e.BeginFrame(As<SGSFrame>(record));
        return eNoErr;
    }
    // Reading stops once the stack of open records is empty again.
    static KTErr Closed(Engine& e, int result) {
        if (!e.m_open.empty()) {
            return eNoErr;
        }
        e.m_closeResult = result;
        return kClosed;
    }
    static KTErr EndStream(Engine& e, const char* record, std::uint32_t) {
        const auto& header = As<SGSCommandHeader>(record);
        if (e.m_open.empty() || e.m_open.back().code != eGSBeginStream) {
            return eGSUnbalancedClose;
        }
        const int result = e.EndStream(header);
        e.RegisterEndStream(header);
        return Closed(e, result);
    }
    static KTErr EndFrame(Engine& e, const char* record, std::uint32_t) {
        const auto& header = As<SGSCommandHeader>(record);
        if (e.m_open.empty() || e.m_open.back().code != eGSBeginFrame) {
            return eGSUnbalancedClose;
        }
        const int result = e.EndFrame(header);
        e.RegisterEndFrame(header);
        return Closed(e, result);
    }
    // The fixed-size records: read in place, their handlers' results are not needed.
    static KTErr RotateFrame(Engine& e, const char* record, std::uint32_t) {
        e.RotateFrame(As<SGSFrameRotate>(record));
        return eNoErr;
    }
    static KTErr DrawPNG(Engine& e, const char* record, std::uint32_t) {
        e.DrawPNG(As<SGSDrawPNG>(record));
        return eNoErr;
    }
    static KTErr DrawText(Engine& e, const char* record, std::uint32_t) {
        e.DrawTheText(As<SGSDrawText>(record));
        return eNoErr;
    }
    static KTErr DrawOval(Engine& e, const char* record, std::uint32_t) {
        e.DrawOval(As<SGSDrawOval>(record));
        return eNoErr;
    }
    static KTErr DrawVertices(Engine& e, const char* record, std::uint32_t) {
        e.DrawVertices(As<SGSDrawVertices>(record));
        return eNoErr;
    }
    static KTErr ClipVertices(Engine& e, const char* record, std::uint32_t) {
        e.ClipVertices(As<SGSDrawVertices>(record));
        return eNoErr;
    }
    static KTErr ClipRect(Engine& e, const char* record, std::uint32_t) {
        e.ClipRect(As<SGSClipRect>(record));
        return eNoErr;
    }
    static KTErr Font(Engine& e, const char* record, std::uint32_t) {
        e.m_font = As<SGSFont>(record);
        e.Font(e.m_font);
        return eNoErr;
    }
    static KTErr OldStyleDraw(Engine& e, const char* record, std::uint32_t) {
        e.DrawOldStyleCommand(As<SGSCommandHeader>(record));
        return eNoErr;
    }
    static KTErr PNGDeprecated(Engine& e, const char* record, std::uint32_t) {
        e.DrawPNGDeprecated(As<SGSCommandHeader>(record));
        return eNoErr;
    }
    static KTErr PNGClippedDeprecated(Engine& e, const char* record, std::uint32_t) {
        e.DrawPNGClippedDeprecated(As<SGSCommandHeader>(record));
        return eNoErr;
    }
    static KTErr PNGScaledDeprecated(Engine& e, const char* record, std::uint32_t) {
        e.DrawPNGScaledDeprecated(As<SGSCommandHeader>(record));
        return eNoErr;
    }
    static KTErr Ignore(Engine& e, const char* record, std::uint32_t) {
        e.IgnoreStreamCommand(As<SGSCommandHeader>(record).code);
        return eNoErr;
    }
    // Data records. The latest record of a named purpose goes to its slot without a search; the
    // other named purposes and a caller's own are handled out of line.
    static KTErr Deliver(Engine& e, const SGSData& data) {
        const unsigned int slot = PurposeSlot(data.purpose);
        const KSPurpose& purpose = kPurposes.slots[slot];
        if (purpose.code != data.purpose || purpose.use != EDataUse::eLatest) {
            return DeliverOther(e, data);
        }
        e.m_latestKnown[slot] = &data;
        e.Data(data);
        return eNoErr;
    }
    [[gnu::noinline]] static KTErr DeliverOther(Engine& e, const SGSData& data) {
        switch (data.purpose) {
            case eGSMetaData:
                e.MetaData(data);
                break;
            case eGSResourcesBaseURL:
                e.NewResContainerData(e.GetDataText(data));
                e.ResourcesBaseURL(data);
                break;
            case eGSRemark:
                e.Remark(data);
                break;
            default:
                e.SetLatestData(&data);
                e.Data(data);
                break;
        }
        return eNoErr;
    }
    static KTErr DataHere(Engine& e, const char* record, std::uint32_t size) {
        const auto& data = As<SGSData>(record);
        const unsigned long long payload = static_cast<unsigned long long>(data.count)
                                           << PayloadElementShift(data.dataType);
        if (payload > size - sizeof(SGSData)) {
            return eGSDataOversize;
        }
        return Deliver(e, data);
    }
    static KTErr DataPtr(Engine& e, const char* record, std::uint32_t) {
        return Deliver(e, As<SGSData>(record));
    }
    static KTErr Illegal(Engine& e, const char* record, std::uint32_t) {
        e.IllegalStreamCommand(As<SGSCommandHeader>(record).code);
        return eGSIllegalCommand;
    }
    static KTErr Unknown(Engine& e, const char* record, std::uint32_t) {
        e.UnknownStreamCommand(As<SGSCommandHeader>(record).code);
        return eNoErr;
    }

    // Every code with a handler of its own; an empty slot holds the unknown record's entry, so a
    // code that lands on one needs no check.
    static constexpr unsigned int kSlotBits = 6;
    static constexpr std::uint32_t kMultiplier = 0x9E3779E3U;
    using Table = KSCodeTable<Kind, kSlotBits>;

    static constexpr Table Build() {
        const Kind known[] = {
            {eGSBeginStream, sizeof(SGSStream), &BeginStream},
            {eGSBeginFrame, sizeof(SGSFrame), &BeginFrame},
            {eGSEndStream, sizeof(SGSCommandHeader), &EndStream},
            {eGSEndFrame, sizeof(SGSCommandHeader), &EndFrame},
            {eGSRotateFrame, sizeof(SGSFrameRotate), &RotateFrame},
            {eGSDrawPNG, sizeof(SGSDrawPNG), &DrawPNG},
            {eGSDrawText, sizeof(SGSDrawText), &DrawText},
            {eGSDrawOval, sizeof(SGSDrawOval), &DrawOval},
            {eGSDrawVertices, sizeof(SGSDrawVertices), &DrawVertices},
            {eGSClipVertices, sizeof(SGSDrawVertices), &ClipVertices},
            {eGSClipRect, sizeof(SGSClipRect), &ClipRect},
            {eGSFont, sizeof(SGSFont), &Font},
            {eGSOldStyleDraw, sizeof(SGSOldStyleDraw), &OldStyleDraw},
            {eGSDrawPNGDeprecated, sizeof(SGSCommandHeader), &PNGDeprecated},
            {eGSDrawPNGClippedDeprecated, sizeof(SGSCommandHeader), &PNGClippedDeprecated},
            {eGSDrawPNGScaledDeprecated, sizeof(SGSCommandHeader), &PNGScaledDeprecated},
            {eGSIgnoreStreamCommand, sizeof(SGSCommandHeader), &Ignore},
            {eGSDataHere, sizeof(SGSData), &DataHere},
            {eGSDataPtr, sizeof(SGSData), &DataPtr},
            {eGSIllegalGraphicStreamCommand, sizeof(SGSCommandHeader), &Illegal},
        };
        return BuildCodeTable<kSlotBits, kMultiplier>(known);
    }

    static const Table kTable;
    static const Kind kUnknown;

    // The code's entry; every code outside the table reads as an unknown 8-byte-minimum record.
    static const Kind& Find(KTGSCode code);
};

constexpr KCGraphicStreamEngineBase::RecordHandlers::Table
    KCGraphicStreamEngineBase::RecordHandlers::kTable = Build();
constexpr KCGraphicStreamEngineBase::RecordHandlers::Kind
    KCGraphicStreamEngineBase::RecordHandlers::kUnknown;

inline const KCGraphicStreamEngineBase::RecordHandlers::Kind&
KCGraphicStreamEngineBase::RecordHandlers::Find(KTGSCode code) {
    static_assert(kTable.collisionFree, "two record codes share a slot: change the multiplier");
    const Kind& kind = kTable.slots[CodeSlot<kSlotBits, kMultiplier>(code)];
    return kind.code == code ? kind : kUnknown;
}

KCGraphicStreamEngineBase::~KCGraphicStreamEngineBase() = default;

KTErr KCGraphicStreamEngineBase::ExecStream(const char* stream, std::size_t length) {
    m_trusted = false;
    return Run(stream, length);
}

KTErr KCGraphicStreamEngineBase::ExecStream(const Utils::KCStConstMemObj& stream) {
    return ExecStream(static_cast<const char*>(stream.ptr),
                      stream.ptr == nullptr ? 0 : stream.size);
}

KTErr KCGraphicStreamEngineBase::ExecStreamInProcess(const char* stream, std::size_t length) {
    m_trusted = true;
    const KTErr result = Run(stream, length);
    m_trusted = false;
    return result;
}

KTErr KCGraphicStreamEngineBase::GetStreamFrameSize(const char* stream, std::size_t length,
                                                    SGSSize& size) {
    if (stream == nullptr || length < sizeof(SGSFrame)) {
        return eGSBadRecordSize;
    }
    SGSCommandHeader header;
    std::memcpy(&header, stream, sizeof header);
    if ((header.code != eGSBeginStream && header.code != eGSBeginFrame) ||
        header.size < RecordHandlers::Find(header.code).minSize || header.size > length) {
        return eGSBadRecordSize;
    }
    SGSRect rect;
    std::memcpy(&rect, stream + offsetof(SGSFrame, rect), sizeof rect);
    size = {rect.width, rect.height};
    return eNoErr;
}

KTErr KCGraphicStreamEngineBase::Run(const char* stream, std::size_t length) {
    // Handlers build documents, trees and vectors: none of their exceptions may leave the
    // reader, and the next run must start clean.
    try {
        return RunRecords(stream, length);
    } catch (const std::bad_alloc&) {
        ClearLatestData();
        m_open.clear();
        return eMemNewFailed;
    } catch (...) {
        ClearLatestData();
        m_open.clear();
        return eExceptionErr;
    }
}

KTErr KCGraphicStreamEngineBase::RunRecords(const char* stream, std::size_t length) {
    m_open.clear();
    m_open.reserve(kMaxNestingDepth);  // once per engine: opening a frame never allocates
    ClearLatestData();
    m_font = SGSFont();
    m_recordCount = 0;
    m_recordOffset = 0;
    if (stream == nullptr) {
        length = 0;
    }
    if (length != 0 && reinterpret_cast<std::uintptr_t>(stream) % alignof(std::uint32_t) != 0) {
        m_aligned.assign((length + 3) / 4, 0);
        std::memcpy(m_aligned.data(), stream, length);
        stream = reinterpret_cast<const char*>(m_aligned.data());
    }
    BeforeExceStream();
    ResetResContainersCount();
    KTErr err = eGSMissingEnd;
    const char* record = stream;
    std::size_t left = length;
    for (;;) {
        // Fewer bytes than a header: the stream ended without its close, or a record is cut.
        if (left < sizeof(SGSCommandHeader)) {
            if (left != 0) {
                m_recordOffset = length - left;
                ++m_recordCount;
                err = eGSBadRecordSize;
            }
            break;
        }
        m_recordOffset = length - left;
        ++m_recordCount;
        // Records are read in order: fetch the lines a few records ahead.
        __builtin_prefetch(record + 512);
        // The size alone is on the path from one record to the next: a load of its own.
        std::uint32_t size = 0;
        KTGSCode code = 0;
        std::memcpy(&size, record + offsetof(SGSCommandHeader, size), sizeof size);
        std::memcpy(&code, record + offsetof(SGSCommandHeader, code), sizeof code);
        const RecordHandlers::Kind& kind = RecordHandlers::Find(code);
        // The one bounds check: the size against the bytes left (and the type's layout).
        if (size > left || size < kind.minSize || size % 4 != 0) {
            err = size == 0 ? eWrongObjectState : eGSBadRecordSize;
            break;
        }
        const char* const current = record;
        record += size;
        left -= size;
        err = kind.handler(*this, current, size);
        if (err != eNoErr) {
            break;
        }
        err = eGSMissingEnd;
    }
    if (err == RecordHandlers::kClosed) {
        CloseRedundantResContainers();
        AfterExceStream();
        ClearLatestData();
        return m_closeResult;
    }
    ClearLatestData();
    m_open.clear();
    return err;
}

// The entry is filled where it lands: built on the stack and copied, its field-sized stores
// stalled the wide loads of the copy on every frame.
int KCGraphicStreamEngineBase::RegisterBeginStream(const SGSStream& stream) {
    KSOpenRecord& open = m_open.emplace_back();
    open.code = eGSBeginStream;
    open.owner = stream.owner;
    open.rect = stream.rect;
    open.text = std::string_view(stream.text, strnlen(stream.text, sizeof stream.text));
    return 0;
}

int KCGraphicStreamEngineBase::RegisterEndStream(const SGSCommandHeader& /*header*/) {
    if (!m_open.empty()) {
        m_open.pop_back();
    }
    return 0;
}

int KCGraphicStreamEngineBase::RegisterBeginFrame(const SGSFrame& frame) {
    KSOpenRecord& open = m_open.emplace_back();
    open.code = eGSBeginFrame;
    open.owner = frame.owner;
    open.rect = frame.rect;
    return 0;
}

int KCGraphicStreamEngineBase::RegisterEndFrame(const SGSCommandHeader& /*header*/) {
    if (!m_open.empty()) {
        m_open.pop_back();
    }
    return 0;
}

void KCGraphicStreamEngineBase::SetLatestData(const SGSData* data) {
    if (data == nullptr) {
        return;
    }
    const KTGSCode wanted = data->purpose;
    const unsigned int slot = PurposeSlot(wanted);
    if (kPurposes.slots[slot].code == wanted) {
        m_latestKnown[slot] = data;
        return;
    }
    // A caller's own purposes: a handful at most, so a search.
    for (auto& [code, latest] : m_latest) {
        if (code == wanted) {
            latest = data;
            return;
        }
    }
    m_latest.emplace_back(wanted, data);
}

const SGSData* KCGraphicStreamEngineBase::GetLatestDataOfPurpose(KTGSCode purpose) const {
    const unsigned int slot = PurposeSlot(purpose);
    if (kPurposes.slots[slot].code == purpose) {
        return m_latestKnown[slot];
    }
    for (const auto& [code, latest] : m_latest) {
        if (code == purpose) {
            return latest;
        }
    }
    return nullptr;
}

void KCGraphicStreamEngineBase::ClearLatestData() {
    std::fill(std::begin(m_latestKnown), std::end(m_latestKnown), nullptr);
    m_latest.clear();
}

const void* KCGraphicStreamEngineBase::GetDataPayload(const SGSData& data) const {
    if (data.count == 0) {
        return nullptr;
    }
    if (data.header.code == eGSDataPtr) {
        if (!m_trusted) {
            return nullptr;
        }
        // The record carries the writer's address: that is what "DataPtr" means.
        return reinterpret_cast<const void*>(  // NOLINT(performance-no-int-to-ptr)
            static_cast<std::uintptr_t>(data.address));
    }
    return reinterpret_cast<const char*>(&data) + sizeof(SGSData);
}

KCGraphicStreamEngineBase::EPoints KCGraphicStreamEngineBase::GetLatestPoints(
    std::vector<float>& xy, std::uint32_t maxVertices) const {
    const SGSData* data = GetLatestDataOfPurpose(eGSPoint2D);
    unsigned int dimension = 2;
    const SGSData* data3 = GetLatestDataOfPurpose(eGSPoint3D);
    // Records live in one buffer, so the later of the two has the higher address.
    if (data == nullptr || (data3 != nullptr && data3 > data)) {
        data = data3;
        dimension = 3;
    }
    if (data == nullptr || (data->dataType != eGSFloat && data->dataType != eGSInt16)) {
        return EPoints::eNone;
    }
    const auto* bytes = static_cast<const char*>(GetDataPayload(*data));
    const std::uint32_t vertices = data->count / dimension;
    if (bytes == nullptr || vertices == 0) {
        return EPoints::eNone;
    }
    if (vertices > maxVertices) {
        return EPoints::eTooMany;
    }
    xy.resize(2ULL * vertices);
    for (std::uint32_t i = 0; i < vertices; ++i) {
        for (unsigned int c = 0; c < 2; ++c) {
            const std::size_t at = static_cast<std::size_t>(i) * dimension + c;
            if (data->dataType == eGSFloat) {
                float f = 0;
                std::memcpy(&f, bytes + 4 * at, sizeof f);
                if (!std::isfinite(f)) {
                    return EPoints::eNone;
                }
                xy[2ULL * i + c] = f;
            } else {
                std::int16_t s = 0;
                std::memcpy(&s, bytes + 2 * at, sizeof s);
                xy[2ULL * i + c] = s;
            }
        }
    }
    return EPoints::eOK;
}

std::string_view KCGraphicStreamEngineBase::GetDataText(const SGSData& data) const {
    const void* payload = GetDataPayload(data);
    if (payload == nullptr || DataTypeElementSize(data.dataType) != 1) {
        return {};
    }
    return {static_cast<const char*>(payload), data.count};
}

}  // namespace kvKorvaneV10_0_3::kvGS
