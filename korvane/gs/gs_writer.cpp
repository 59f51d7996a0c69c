// Writing graphic stream records: each is filled where it lands after one check of the room left.
#include "korvane/gs/gs_writer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace kvKorvaneV10_0_3::kvGS {

namespace {

constexpr char kFill = '_';
constexpr double kDegreesToRadians = 0.017453292519943295;

SGSRGBAColor Color(const KCRGBAColor& c) {
    return ToSGSColor(c);
}

}  // namespace

KCGraphicStreamBinaryWriter::KCGraphicStreamBinaryWriter(Utils::KCStMemObj& target,
                                                         unsigned int threshold)
    : m_target(&target), m_threshold(threshold) {}

KCGraphicStreamBinaryWriter::KCGraphicStreamBinaryWriter(unsigned int threshold)
    : m_target(&m_own), m_threshold(threshold) {}

KCGraphicStreamBinaryWriter::~KCGraphicStreamBinaryWriter() = default;

char* KCGraphicStreamBinaryWriter::Grow(unsigned int n) {
    Utils::KCStMemObj& t = *m_target;
    constexpr unsigned long long kLimit = std::numeric_limits<unsigned int>::max();
    constexpr unsigned long long kFirst = 256;
    const unsigned long long needed = static_cast<unsigned long long>(t.size) + n;
    KTErr err = eMemOutOfMemory;
    if (needed <= kLimit) {
        // Doubling keeps a stream written record by record at amortised O(1) per record; when
        // the doubled block cannot be had, the exact size may still be.
        const unsigned long long doubled =
            std::min(kLimit, std::max({2ULL * t.allocatedSize, needed, kFirst}));
        err = t.ReservePtr(static_cast<unsigned int>(doubled));
        if (err != eNoErr && doubled > needed) {
            err = t.ReservePtr(static_cast<unsigned int>(needed));
        }
    }
    if (err != eNoErr) {
        if (m_error == eNoErr) {
            m_error = err;
        }
        return nullptr;
    }
    return static_cast<char*>(t.ptr) + t.size;
}

long long KCGraphicStreamBinaryWriter::OffsetInStream(const void* p) const {
    const auto at = reinterpret_cast<std::uintptr_t>(p);
    const auto begin = reinterpret_cast<std::uintptr_t>(m_target->ptr);
    if (m_target->ptr == nullptr || at < begin || at - begin >= m_target->allocatedSize) {
        return -1;
    }
    return static_cast<long long>(at - begin);
}

// ------------------------------------------------------------------ structure

KCGraphicStreamBinaryWriter& KCGraphicStreamBinaryWriter::OpenStream(const SGSStream& stream) {
    return AppendRecord(stream, eGSBeginStream);
}

KCGraphicStreamBinaryWriter& KCGraphicStreamBinaryWriter::OpenFrame(const SGSFrame& frame) {
    return AppendRecord(frame, eGSBeginFrame);
}

KCGraphicStreamBinaryWriter& KCGraphicStreamBinaryWriter::CloseFrame(KTGSCode code) {
    // Stored where it lands: a copy through memmove cost a library call on every frame.
    if (char* at = Room(sizeof(SGSCommandHeader))) {
        new (at) SGSCommandHeader{code, sizeof(SGSCommandHeader)};
        m_target->size += sizeof(SGSCommandHeader);
    }
    return *this;
}

KCGraphicStreamBinaryWriter& KCGraphicStreamBinaryWriter::RotateFrame(
    const SGSFrameRotate& rotate) {
    return AppendRecord(rotate, eGSRotateFrame);
}

KCGraphicStreamBinaryWriter& KCGraphicStreamBinaryWriter::ClipRect(const KURect<short>& rect) {
    if (auto* record = NewRecord<SGSClipRect>(eGSClipRect)) {
        record->rect = ToSGSRect(rect);
    }
    return *this;
}

KCGraphicStreamBinaryWriter& KCGraphicStreamBinaryWriter::ClipVertices(
    const SGSDrawVertices& vertices) {
    return AppendRecord(vertices, eGSClipVertices);
}

KCGraphicStreamBinaryWriter& KCGraphicStreamBinaryWriter::ClearStream() {
    m_target->size = 0;
    m_error = eNoErr;
    return *this;
}

// ------------------------------------------------------------------ data

char* KCGraphicStreamBinaryWriter::NewDataHere(KTGSCode dataType, unsigned int elementSize,
                                               unsigned int count, KTGSCode purpose,
                                               bool hasSource) {
    const unsigned long long payload = static_cast<unsigned long long>(count) * elementSize;
    const unsigned long long padded = (payload + 3U) & ~3ULL;
    const unsigned long long total = sizeof(SGSData) + padded;
    if (total > 0xFFFFFFF0ULL || (payload != 0 && !hasSource)) {
        if (m_error == eNoErr) {
            m_error = hasSource ? eMemOutOfMemory : eMemNullPointer;
        }
        return nullptr;
    }
    // One check for the whole record: it goes in whole or not at all.
    char* at = Room(static_cast<unsigned int>(total));
    if (at == nullptr) {
        return nullptr;
    }
    auto* head = new (at) SGSData;
    head->header.size = static_cast<std::uint32_t>(total);
    head->dataType = dataType;
    head->purpose = purpose;
    head->count = count;
    char* body = at + sizeof(SGSData);
    std::memset(body + payload, kFill, static_cast<std::size_t>(padded - payload));
    m_target->size += static_cast<unsigned int>(total);
    return body;
}

void KCGraphicStreamBinaryWriter::AppendData(const void* p, KTGSCode dataType,
                                             unsigned int elementSize, unsigned int count,
                                             KTGSCode purpose, bool here) {
    if (!here) {
        if (auto* head = NewRecord<SGSData>(eGSDataPtr)) {
            head->dataType = dataType;
            head->purpose = purpose;
            head->count = count;
            head->address = reinterpret_cast<std::uintptr_t>(p);
        }
        return;
    }
    const long long offset = OffsetInStream(p);
    char* body = NewDataHere(dataType, elementSize, count, purpose, p != nullptr);
    if (body != nullptr && count != 0) {
        const void* from = offset < 0 ? p : static_cast<const char*>(m_target->ptr) + offset;
        std::memmove(body, from, static_cast<std::size_t>(count) * elementSize);
    }
}

std::optional<unsigned int> KCGraphicStreamBinaryWriter::CountValues(unsigned long long count,
                                                                     unsigned int factor) {
    // The record's count field is 32 bits: a larger count would be cut silently.
    const unsigned long long values = count * factor;
    if (values > std::numeric_limits<std::uint32_t>::max()) {
        if (m_error == eNoErr) {
            m_error = eMemOutOfMemory;
        }
        return std::nullopt;
    }
    return static_cast<unsigned int>(values);
}

void KCGraphicStreamBinaryWriter::ChooseData(const void* p, KTGSCode dataType,
                                             unsigned int elementSize, unsigned int count,
                                             KTGSCode purpose) {
    const unsigned long long bytes = static_cast<unsigned long long>(count) * elementSize;
    AppendData(p, dataType, elementSize, count, purpose, WillBeWrittenAsDataHere(bytes));
}

KCGraphicStreamBinaryWriter& KCGraphicStreamBinaryWriter::DataPtr(const void* p, KTGSCode dataType,
                                                                  unsigned int count,
                                                                  KTGSCode purpose) {
    AppendData(p, dataType, DataTypeElementSize(dataType), count, purpose, false);
    return *this;
}

#define KORVANE_GS_DATA(T, TYPE, FACTOR)                                                           \
    KCGraphicStreamBinaryWriter& KCGraphicStreamBinaryWriter::Data(const T* p, unsigned int count, \
                                                                   KTGSCode purpose) {             \
        if (const auto values = CountValues(count, FACTOR)) {                                      \
            ChooseData(p, TYPE, sizeof(T) / (FACTOR), *values, purpose);                           \
        }                                                                                          \
        return *this;                                                                              \
    }                                                                                              \
    KCGraphicStreamBinaryWriter& KCGraphicStreamBinaryWriter::DataHere(                            \
        const T* p, unsigned int count, KTGSCode purpose) {                                        \
        if (const auto values = CountValues(count, FACTOR)) {                                      \
            AppendData(p, TYPE, sizeof(T) / (FACTOR), *values, purpose, true);                     \
        }                                                                                          \
        return *this;                                                                              \
    }

KORVANE_GS_DATA(signed char, eGSInt8, 1U)
KORVANE_GS_DATA(unsigned char, eGSUInt8, 1U)
KORVANE_GS_DATA(short, eGSInt16, 1U)
KORVANE_GS_DATA(int, eGSInt32, 1U)
KORVANE_GS_DATA(float, eGSFloat, 1U)
KORVANE_GS_DATA(KCPoint2D<short>, eGSInt16, 2U)
KORVANE_GS_DATA(KCPoint2D<float>, eGSFloat, 2U)

#undef KORVANE_GS_DATA

KCGraphicStreamBinaryWriter& KCGraphicStreamBinaryWriter::DataStr(std::string_view text,
                                                                  KTGSCode purpose) {
    if (const auto chars = CountValues(text.size(), 1U)) {
        ChooseData(text.data(), eGSChar, 1, *chars, purpose);
    }
    return *this;
}

KCGraphicStreamBinaryWriter& KCGraphicStreamBinaryWriter::DataHereStr(std::string_view text,
                                                                      KTGSCode purpose) {
    if (const auto chars = CountValues(text.size(), 1U)) {
        AppendData(text.data(), eGSChar, 1, *chars, purpose, true);
    }
    return *this;
}

// ------------------------------------------------------------------ drawing

KCGraphicStreamBinaryWriter& KCGraphicStreamBinaryWriter::DrawVertices(
    const SGSDrawVertices& vertices) {
    return AppendRecord(vertices, eGSDrawVertices);
}

KCGraphicStreamBinaryWriter& KCGraphicStreamBinaryWriter::DrawLine(const KCRGBAColor& color,
                                                                   const KCPoint2D<short>& p1,
                                                                   const KCPoint2D<short>& p2,
                                                                   float width, bool antialias,
                                                                   unsigned short pattern) {
    // Both records are written in place: the two points, then the vertices drawing them.
    if (char* body = NewDataHere(eGSInt16, sizeof(short), 4, eGSPoint2D, true)) {
        std::memcpy(body, &p1, sizeof p1);
        std::memcpy(body + sizeof p1, &p2, sizeof p2);
    }
    if (auto* v = NewRecord<SGSDrawVertices>(eGSDrawVertices)) {
        v->method = eGSLineStrip;
        v->stroke_width = width;
        v->stroke_pattern = pattern;
        v->flags = antialias ? 0 : SGSDrawVertices::NoAntialias;
        v->draw_color = Color(color);
    }
    return *this;
}

KCGraphicStreamBinaryWriter& KCGraphicStreamBinaryWriter::DrawArcLine(const KCRGBAColor& color,
                                                                      double angleDegrees,
                                                                      const KURect<short>& rect,
                                                                      float width, bool antialias,
                                                                      unsigned short pattern) {
    const double a = angleDegrees * kDegreesToRadians;
    const double r = (rect.right - rect.left) / 2.0;
    const double cx = rect.left + r;
    const double cy = rect.top + r;
    const KCPoint2D<short> centre(static_cast<short>(cx), static_cast<short>(cy));
    const KCPoint2D<short> tip(static_cast<short>(cx + r * std::sin(a)),
                               static_cast<short>(cy - r * std::cos(a)));
    return DrawLine(color, centre, tip, width, antialias, pattern);
}

namespace {

template <typename T>
void Corners(const KURect<T>& r, KCPoint2D<T> (&out)[5]) {
    out[0] = {r.left, r.top};
    out[1] = {r.right, r.top};
    out[2] = {r.right, r.bottom};
    out[3] = {r.left, r.bottom};
    out[4] = out[0];
}

SGSDrawVertices RectVertices(KTGSCode method, const KCRGBAColor& color, std::int32_t flags,
                             float width = 1.0F, unsigned short pattern = 0xFFFF) {
    SGSDrawVertices v;
    v.method = method;
    v.stroke_width = width;
    v.stroke_pattern = pattern;
    v.flags = flags;
    v.draw_color = ToSGSColor(color);
    return v;
}

}  // namespace

template <typename T>
KCGraphicStreamBinaryWriter& KCGraphicStreamBinaryWriter::RectRecords(const KURect<T>& r,
                                                                      unsigned int corners,
                                                                      const SGSDrawVertices& v) {
    KCPoint2D<T> points[5];
    Corners(r, points);
    DataHere(points, corners, eGSPoint2D);
    return DrawVertices(v);
}

KCGraphicStreamBinaryWriter& KCGraphicStreamBinaryWriter::DrawSolidRect(const KCRGBAColor& color,
                                                                        const KURect<short>& r) {
    return RectRecords(r, 4, RectVertices(eGSPolygon, color, SGSDrawVertices::NoAntialias));
}

KCGraphicStreamBinaryWriter& KCGraphicStreamBinaryWriter::DrawSolidRect(const KCRGBAColor& color,
                                                                        const KURect<float>& r) {
    return RectRecords(r, 4, RectVertices(eGSPolygon, color, SGSDrawVertices::NoAntialias));
}

KCGraphicStreamBinaryWriter& KCGraphicStreamBinaryWriter::DrawWireRect(const KCRGBAColor& color,
                                                                       const KURect<short>& r,
                                                                       float width,
                                                                       unsigned short pattern) {
    return RectRecords(
        r, 5, RectVertices(eGSLineStrip, color, SGSDrawVertices::NoAntialias, width, pattern));
}

KCGraphicStreamBinaryWriter& KCGraphicStreamBinaryWriter::DrawWireRect(const KCRGBAColor& color,
                                                                       const KURect<float>& r,
                                                                       float width,
                                                                       unsigned short pattern) {
    return RectRecords(
        r, 5, RectVertices(eGSLineStrip, color, SGSDrawVertices::NoAntialias, width, pattern));
}

KCGraphicStreamBinaryWriter& KCGraphicStreamBinaryWriter::DrawXORRect(const KURect<short>& r) {
    return RectRecords(
        r, 4,
        RectVertices(eGSPolygon, KCRGBAColor{255, 255, 255, 255},
                     SGSDrawVertices::NoAntialias | SGSDrawVertices::eDrawInXORMode));
}

KCGraphicStreamBinaryWriter& KCGraphicStreamBinaryWriter::DrawOval(const SGSDrawOval& oval) {
    return AppendRecord(oval, eGSDrawOval);
}

KCGraphicStreamBinaryWriter& KCGraphicStreamBinaryWriter::DrawPNG(const SGSDrawPNG& png) {
    return AppendRecord(png, eGSDrawPNG);
}

KCGraphicStreamBinaryWriter& KCGraphicStreamBinaryWriter::PNG(const std::string_view* name,
                                                              short resID, const SGSRect& draw,
                                                              const SGSRect& clip) {
    SGSDrawPNG png;
    if (name != nullptr) {
        // Copied: the name is often a temporary, and only the name overloads replace the name
        // an earlier record gave for a by-name resource id.
        DataHereStr(*name, eGSText);
        resID = kGSResIDByName;
    } else if (resID == -1) {
        return *this;
    }
    png.ResID = resID;
    png.draw_rect = draw;
    png.clip_rect = clip;
    return DrawPNG(png);
}

KCGraphicStreamBinaryWriter& KCGraphicStreamBinaryWriter::DrawPNG(short resID) {
    return PNG(nullptr, resID, {}, {});
}

KCGraphicStreamBinaryWriter& KCGraphicStreamBinaryWriter::DrawPNG(std::string_view name) {
    return PNG(&name, kGSResIDByName, {}, {});
}

KCGraphicStreamBinaryWriter& KCGraphicStreamBinaryWriter::DrawPNGAtPosition(
    short resID, const KCPoint2D<short>& at) {
    return PNG(nullptr, resID, {at.x, at.y, 0, 0}, {});
}

KCGraphicStreamBinaryWriter& KCGraphicStreamBinaryWriter::DrawPNGAtPosition(
    std::string_view name, const KCPoint2D<short>& at) {
    return PNG(&name, kGSResIDByName, {at.x, at.y, 0, 0}, {});
}

KCGraphicStreamBinaryWriter& KCGraphicStreamBinaryWriter::DrawPNGAtPositionClipped(
    short resID, const KCPoint2D<short>& at, const KURect<short>& clip) {
    return PNG(nullptr, resID, {at.x, at.y, 0, 0}, ToSGSRect(clip));
}

KCGraphicStreamBinaryWriter& KCGraphicStreamBinaryWriter::DrawPNGAtPositionClipped(
    std::string_view name, const KCPoint2D<short>& at, const KURect<short>& clip) {
    return PNG(&name, kGSResIDByName, {at.x, at.y, 0, 0}, ToSGSRect(clip));
}

KCGraphicStreamBinaryWriter& KCGraphicStreamBinaryWriter::DrawPNGScaled(short resID,
                                                                        const KURect<short>& rect) {
    return PNG(nullptr, resID, ToSGSRect(rect), {});
}

KCGraphicStreamBinaryWriter& KCGraphicStreamBinaryWriter::DrawPNGScaled(std::string_view name,
                                                                        const KURect<short>& rect) {
    return PNG(&name, kGSResIDByName, ToSGSRect(rect), {});
}

KCGraphicStreamBinaryWriter& KCGraphicStreamBinaryWriter::DrawPNGScaledAndClipped(
    short resID, const KURect<short>& rect, const KURect<short>& clip) {
    return PNG(nullptr, resID, ToSGSRect(rect), ToSGSRect(clip));
}

KCGraphicStreamBinaryWriter& KCGraphicStreamBinaryWriter::DrawPNGScaledAndClipped(
    std::string_view name, const KURect<short>& rect, const KURect<short>& clip) {
    return PNG(&name, kGSResIDByName, ToSGSRect(rect), ToSGSRect(clip));
}

KCGraphicStreamBinaryWriter& KCGraphicStreamBinaryWriter::DrawTheText(const SGSDrawText& text) {
    return AppendRecord(text, eGSDrawText);
}

KCGraphicStreamBinaryWriter& KCGraphicStreamBinaryWriter::DrawTheText(std::string_view text,
                                                                      long long owner,
                                                                      KTGSCode hAlign,
                                                                      KTGSCode vAlign) {
    DataHereStr(text, eGSText);  // copied: callers pass temporaries
    return DrawTheText(owner, hAlign, vAlign);
}

KCGraphicStreamBinaryWriter& KCGraphicStreamBinaryWriter::DrawTheText(long long owner,
                                                                      KTGSCode hAlign,
                                                                      KTGSCode vAlign) {
    if (auto* record = NewRecord<SGSDrawText>(eGSDrawText)) {
        record->owner = owner;
        record->hAlign = hAlign;
        record->vAlign = vAlign;
    }
    return *this;
}

KCGraphicStreamBinaryWriter& KCGraphicStreamBinaryWriter::Font(
    const PluginViewManager::KCFontDescription& font, const KCRGBAColor& color) {
    return Font(std::string_view(font.name.c_str(), font.name.size()), font.size, color,
                font.flags);
}

KCGraphicStreamBinaryWriter& KCGraphicStreamBinaryWriter::Font(std::string_view name, int size,
                                                               const KCRGBAColor& color,
                                                               int flags) {
    if (auto* record = NewRecord<SGSFont>(eGSFont)) {
        std::memcpy(record->name, name.data(), std::min(name.size(), sizeof record->name));
        record->size = size;
        record->color = Color(color);
        record->flags = flags;
    }
    return *this;
}

KCGraphicStreamBinaryWriter& KCGraphicStreamBinaryWriter::DrawOldStylePlugin(
    const SGSOldStyleDraw& draw) {
    return AppendRecord(draw, eGSOldStyleDraw);
}

// ------------------------------------------------------------------ annotations

KCGraphicStreamBinaryWriter& KCGraphicStreamBinaryWriter::Remark(std::string_view text) {
    // Annotations are built on the fly: always copied, never left as a pointer.
    return m_writeRemarks ? DataHereStr(text, eGSRemark) : *this;
}

KCGraphicStreamBinaryWriter& KCGraphicStreamBinaryWriter::MetaData(std::string_view text) {
    return m_writeMetaData ? DataHereStr(text, eGSMetaData) : *this;
}

KCGraphicStreamBinaryWriter& KCGraphicStreamBinaryWriter::SpecialText(KTGSCode purpose,
                                                                      std::string_view text) {
    return DataHereStr(text, purpose);
}

// ------------------------------------------------------------------ guards

KCStGSFrameStructWriter::KCStGSFrameStructWriter(KCGraphicStreamBinaryWriter& writer,
                                                 KTGSCode closeCode)
    : m_writer(writer), m_closeCode(closeCode) {}

KCStGSFrameStructWriter::KCStGSFrameStructWriter(KCGraphicStreamBinaryWriter& writer,
                                                 const SGSFrame& frame)
    : KCStGSFrameStructWriter(writer, eGSEndFrame) {
    m_writer.OpenFrame(frame);
}

KCStGSFrameStructWriter::KCStGSFrameStructWriter(KCGraphicStreamBinaryWriter& writer,
                                                 const KURect<int>& rect, int owner)
    : KCStGSFrameStructWriter(writer, eGSEndFrame) {
    SGSFrame frame;
    frame.owner = owner;
    frame.rect = ToSGSRect(rect);
    m_writer.OpenFrame(frame);
}

KCStGSFrameStructWriter::~KCStGSFrameStructWriter() {
    CloseFrame(m_closeCode);
}

void KCStGSFrameStructWriter::CloseFrame(KTGSCode code) {
    if (m_armed) {
        m_armed = false;
        m_writer.CloseFrame(code);
    }
}

KCStGSStreamStructWriter::KCStGSStreamStructWriter(KCGraphicStreamBinaryWriter& writer,
                                                   const SGSStream& stream)
    : KCStGSFrameStructWriter(writer, eGSEndStream) {
    m_writer.OpenStream(stream);
}

}  // namespace kvKorvaneV10_0_3::kvGS
