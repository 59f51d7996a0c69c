// The checked walk over a graphic stream: every size is compared with the bytes that remain
// before any field of the record is read.
#include "korvane/gs/gs_engine.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace kvKorvaneV10_0_3::kvGS {

namespace {

// The fixed size of a record type; 0 for codes without a layout.
std::uint32_t FixedSize(KTGSCode code) {
    switch (code) {
        case eGSBeginStream:
            return sizeof(SGSStream);
        case eGSBeginFrame:
            return sizeof(SGSFrame);
        case eGSRotateFrame:
            return sizeof(SGSFrameRotate);
        case eGSDrawPNG:
            return sizeof(SGSDrawPNG);
        case eGSDrawText:
            return sizeof(SGSDrawText);
        case eGSDrawOval:
            return sizeof(SGSDrawOval);
        case eGSDrawVertices:
        case eGSClipVertices:
            return sizeof(SGSDrawVertices);
        case eGSClipRect:
            return sizeof(SGSClipRect);
        case eGSFont:
            return sizeof(SGSFont);
        case eGSOldStyleDraw:
            return sizeof(SGSOldStyleDraw);
        case eGSDataHere:
        case eGSDataPtr:
            return sizeof(SGSData);
        default:
            return sizeof(SGSCommandHeader);
    }
}

template <typename T>
const T& As(const char* record) {
    // The buffer is 4-byte aligned (ExecStream copies it otherwise) and so is every record.
    return *reinterpret_cast<const T*>(record);
}

}  // namespace

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
        header.size < FixedSize(header.code) || header.size > length) {
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
        m_latest.clear();
        m_open.clear();
        return eMemNewFailed;
    } catch (...) {
        m_latest.clear();
        m_open.clear();
        return eExceptionErr;
    }
}

KTErr KCGraphicStreamEngineBase::RunRecords(const char* stream, std::size_t length) {
    m_open.clear();
    m_latest.clear();
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
    int result = 0;
    KTErr err = eGSMissingEnd;
    std::size_t offset = 0;
    while (offset < length) {
        m_recordOffset = offset;
        ++m_recordCount;
        const std::size_t remaining = length - offset;
        if (remaining < sizeof(SGSCommandHeader)) {
            err = eGSBadRecordSize;
            break;
        }
        SGSCommandHeader header;
        std::memcpy(&header, stream + offset, sizeof header);
        if (header.size == 0) {
            err = eWrongObjectState;
            break;
        }
        if (header.size % 4 != 0 || header.size > remaining ||
            header.size < FixedSize(header.code)) {
            err = eGSBadRecordSize;
            break;
        }
        err = Dispatch(stream + offset, header.size, result);
        if (err != eNoErr) {
            break;
        }
        offset += header.size;
        const bool closing = header.code == eGSEndStream || header.code == eGSEndFrame;
        if (closing && m_open.empty()) {
            CloseRedundantResContainers();
            AfterExceStream();
            m_latest.clear();
            return result;
        }
        err = eGSMissingEnd;
    }
    m_latest.clear();
    m_open.clear();
    return err;
}

KTErr KCGraphicStreamEngineBase::Dispatch(const char* record, std::uint32_t size, int& result) {
    const auto& header = As<SGSCommandHeader>(record);
    switch (header.code) {
        case eGSBeginStream:
            if (m_open.size() >= kMaxNestingDepth) {
                return eGSNestingTooDeep;
            }
            RegisterBeginStream(As<SGSStream>(record));
            result = BeginStream(As<SGSStream>(record));
            return eNoErr;
        case eGSBeginFrame:
            if (m_open.size() >= kMaxNestingDepth) {
                return eGSNestingTooDeep;
            }
            RegisterBeginFrame(As<SGSFrame>(record));
            result = BeginFrame(As<SGSFrame>(record));
            return eNoErr;
        case eGSEndStream:
            if (Close(header.code) != eNoErr) {
                return eGSUnbalancedClose;
            }
            result = EndStream(header);
            RegisterEndStream(header);
            return eNoErr;
        case eGSEndFrame:
            if (Close(header.code) != eNoErr) {
                return eGSUnbalancedClose;
            }
            result = EndFrame(header);
            RegisterEndFrame(header);
            return eNoErr;
        case eGSRotateFrame:
            result = RotateFrame(As<SGSFrameRotate>(record));
            return eNoErr;
        case eGSDrawPNG:
            result = DrawPNG(As<SGSDrawPNG>(record));
            return eNoErr;
        case eGSDrawText:
            result = DrawTheText(As<SGSDrawText>(record));
            return eNoErr;
        case eGSDrawOval:
            result = DrawOval(As<SGSDrawOval>(record));
            return eNoErr;
        case eGSDrawVertices:
            result = DrawVertices(As<SGSDrawVertices>(record));
            return eNoErr;
        case eGSClipVertices:
            result = ClipVertices(As<SGSDrawVertices>(record));
            return eNoErr;
        case eGSClipRect:
            result = ClipRect(As<SGSClipRect>(record));
            return eNoErr;
        case eGSFont:
            m_font = As<SGSFont>(record);
            result = Font(m_font);
            return eNoErr;
        case eGSOldStyleDraw:
            result = DrawOldStyleCommand(header);
            return eNoErr;
        case eGSDrawPNGDeprecated:
            result = DrawPNGDeprecated(header);
            return eNoErr;
        case eGSDrawPNGClippedDeprecated:
            result = DrawPNGClippedDeprecated(header);
            return eNoErr;
        case eGSDrawPNGScaledDeprecated:
            result = DrawPNGScaledDeprecated(header);
            return eNoErr;
        case eGSIgnoreStreamCommand:
            result = IgnoreStreamCommand(header.code);
            return eNoErr;
        case eGSDataHere:
        case eGSDataPtr:
            return DispatchData(As<SGSData>(record), size, result);
        case eGSIllegalGraphicStreamCommand:
            result = IllegalStreamCommand(header.code);
            return eGSIllegalCommand;
        default:
            result = UnknownStreamCommand(header.code);
            return eNoErr;
    }
}

KTErr KCGraphicStreamEngineBase::Close(KTGSCode closeCode) {
    if (m_open.empty() || CloseCommandFromOpenCommand(m_open.back().code) != closeCode) {
        return eGSUnbalancedClose;
    }
    return eNoErr;
}

KTErr KCGraphicStreamEngineBase::DispatchData(const SGSData& data, std::uint32_t size,
                                              int& result) {
    if (data.header.code == eGSDataHere) {
        const unsigned int element = std::max(DataTypeElementSize(data.dataType), 1U);
        const unsigned long long payload = static_cast<unsigned long long>(data.count) * element;
        if (payload > size - sizeof(SGSData)) {
            return eGSDataOversize;
        }
    }
    switch (data.purpose) {
        case eGSMetaData:
            result = MetaData(data);
            break;
        case eGSResourcesBaseURL:
            NewResContainerData(GetDataText(data));
            result = ResourcesBaseURL(data);
            break;
        case eGSRemark:
            result = Remark(data);
            break;
        default:
            SetLatestData(&data);
            result = Data(data);
            break;
    }
    return eNoErr;
}

int KCGraphicStreamEngineBase::RegisterBeginStream(const SGSStream& stream) {
    KSOpenRecord open;
    open.code = eGSBeginStream;
    open.owner = stream.owner;
    open.rect = stream.rect;
    open.text = std::string_view(stream.text, strnlen(stream.text, sizeof stream.text));
    m_open.push_back(open);
    return 0;
}

int KCGraphicStreamEngineBase::RegisterEndStream(const SGSCommandHeader& /*header*/) {
    if (!m_open.empty()) {
        m_open.pop_back();
    }
    return 0;
}

int KCGraphicStreamEngineBase::RegisterBeginFrame(const SGSFrame& frame) {
    KSOpenRecord open;
    open.code = eGSBeginFrame;
    open.owner = frame.owner;
    open.rect = frame.rect;
    m_open.push_back(open);
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
    for (auto& [purpose, latest] : m_latest) {
        if (purpose == data->purpose) {
            latest = data;
            return;
        }
    }
    m_latest.emplace_back(data->purpose, data);
}

const SGSData* KCGraphicStreamEngineBase::GetLatestDataOfPurpose(KTGSCode purpose) const {
    for (const auto& [code, latest] : m_latest) {
        if (code == purpose) {
            return latest;
        }
    }
    return nullptr;
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

std::string_view KCGraphicStreamEngineBase::GetDataText(const SGSData& data) const {
    const void* payload = GetDataPayload(data);
    if (payload == nullptr || DataTypeElementSize(data.dataType) != 1) {
        return {};
    }
    return {static_cast<const char*>(payload), data.count};
}

}  // namespace kvKorvaneV10_0_3::kvGS
