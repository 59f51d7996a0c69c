// KCGraphicStreamBinaryWriter: appends graphic stream records to a memory object, and the
// scope guards that close frames and streams.
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"
#include "korvane/core/geometry.h"
#include "korvane/core/mem_obj.h"
#include "korvane/gs/gs_records.h"
#include "korvane/gs/text_object.h"

#include <new>
#include <optional>
#include <string_view>

namespace kvKorvaneV10_0_3::kvGS {

// Every operation appends whole records and returns the writer for chaining. A growth failure
// appends nothing and is kept in GetError(). [any-thread] on distinct objects; it never draws
// anything itself.
class KORVANE_API KCGraphicStreamBinaryWriter {
public:
    // Appends to the caller's object; payloads of `threshold` bytes or more are written as
    // "DataPtr" records (0: always "DataHere").
    KCGraphicStreamBinaryWriter(Utils::KCStMemObj& target, unsigned int threshold);
    // Appends to the writer's own object.
    explicit KCGraphicStreamBinaryWriter(unsigned int threshold = 0);
    KCGraphicStreamBinaryWriter(const KCGraphicStreamBinaryWriter&) = delete;
    KCGraphicStreamBinaryWriter& operator=(const KCGraphicStreamBinaryWriter&) = delete;
    ~KCGraphicStreamBinaryWriter();

    [[nodiscard]] const Utils::KCStMemObj& GetStream() const { return *m_target; }
    // The first growth failure since construction or ClearStream; eNoErr otherwise.
    [[nodiscard]] KTErr GetError() const { return m_error; }
    void SetWriteRemarks(bool on) { m_writeRemarks = on; }
    [[nodiscard]] bool GetWriteRemarks() const { return m_writeRemarks; }
    void SetWriteMetaData(bool on) { m_writeMetaData = on; }
    [[nodiscard]] bool GetWriteMetaData() const { return m_writeMetaData; }
    [[nodiscard]] unsigned int GetDataPtrThreshold() const { return m_threshold; }

    // --- structure
    KCGraphicStreamBinaryWriter& OpenStream(const SGSStream& stream);
    KCGraphicStreamBinaryWriter& OpenFrame(const SGSFrame& frame);
    // Appends the 8-byte header `code` ("EFRM" or "ESTM").
    KCGraphicStreamBinaryWriter& CloseFrame(KTGSCode code);
    KCGraphicStreamBinaryWriter& RotateFrame(const SGSFrameRotate& rotate);
    KCGraphicStreamBinaryWriter& ClipRect(const KURect<short>& rect);
    // The record as given, written as "cVIN".
    KCGraphicStreamBinaryWriter& ClipVertices(const SGSDrawVertices& vertices);
    // Empties the target (keeps its capacity) and the stored error.
    KCGraphicStreamBinaryWriter& ClearStream();

    // --- data: Data chooses "DataHere" or "DataPtr" by the threshold, DataHere always copies.
    // A "DataPtr" keeps the caller's address: its storage must outlive every read of the stream.
    // Counts beyond 32 bits write nothing and set eMemOutOfMemory.
    KCGraphicStreamBinaryWriter& Data(const signed char* p, unsigned int count, KTGSCode purpose);
    KCGraphicStreamBinaryWriter& Data(const unsigned char* p, unsigned int count, KTGSCode purpose);
    KCGraphicStreamBinaryWriter& Data(const short* p, unsigned int count, KTGSCode purpose);
    KCGraphicStreamBinaryWriter& Data(const int* p, unsigned int count, KTGSCode purpose);
    KCGraphicStreamBinaryWriter& Data(const float* p, unsigned int count, KTGSCode purpose);
    // Points as 2 × count values.
    KCGraphicStreamBinaryWriter& Data(const KCPoint2D<short>* p, unsigned int count,
                                      KTGSCode purpose);
    KCGraphicStreamBinaryWriter& Data(const KCPoint2D<float>* p, unsigned int count,
                                      KTGSCode purpose);
    KCGraphicStreamBinaryWriter& DataHere(const signed char* p, unsigned int count,
                                          KTGSCode purpose);
    KCGraphicStreamBinaryWriter& DataHere(const unsigned char* p, unsigned int count,
                                          KTGSCode purpose);
    KCGraphicStreamBinaryWriter& DataHere(const short* p, unsigned int count, KTGSCode purpose);
    KCGraphicStreamBinaryWriter& DataHere(const int* p, unsigned int count, KTGSCode purpose);
    KCGraphicStreamBinaryWriter& DataHere(const float* p, unsigned int count, KTGSCode purpose);
    KCGraphicStreamBinaryWriter& DataHere(const KCPoint2D<short>* p, unsigned int count,
                                          KTGSCode purpose);
    KCGraphicStreamBinaryWriter& DataHere(const KCPoint2D<float>* p, unsigned int count,
                                          KTGSCode purpose);
    // A "char" record without terminating NUL (count = length); DataStr follows the threshold.
    KCGraphicStreamBinaryWriter& DataStr(std::string_view text, KTGSCode purpose = eGSText);
    KCGraphicStreamBinaryWriter& DataHereStr(std::string_view text, KTGSCode purpose = eGSText);
    [[nodiscard]] bool WillBeWrittenAsDataHere(unsigned long long bytes) const {
        return m_threshold == 0 || bytes < m_threshold;
    }
    [[nodiscard]] bool WillBeWrittenAsDataPtr(unsigned long long bytes) const {
        return m_threshold != 0 && bytes >= m_threshold;
    }

    // --- drawing
    // The record as given, written as "dVIN".
    KCGraphicStreamBinaryWriter& DrawVertices(const SGSDrawVertices& vertices);
    KCGraphicStreamBinaryWriter& DrawLine(const KCRGBAColor& color, const KCPoint2D<short>& p1,
                                          const KCPoint2D<short>& p2, float width, bool antialias,
                                          unsigned short pattern = 0xFFFF);
    // The hand of a dial inside `rect`, 0° pointing up, clockwise.
    KCGraphicStreamBinaryWriter& DrawArcLine(const KCRGBAColor& color, double angleDegrees,
                                             const KURect<short>& rect, float width, bool antialias,
                                             unsigned short pattern = 0xFFFF);
    KCGraphicStreamBinaryWriter& DrawSolidRect(const KCRGBAColor& color, const KURect<short>& r);
    KCGraphicStreamBinaryWriter& DrawSolidRect(const KCRGBAColor& color, const KURect<float>& r);
    // The outline as a closed line strip.
    KCGraphicStreamBinaryWriter& DrawWireRect(const KCRGBAColor& color, const KURect<short>& r,
                                              float width, unsigned short pattern = 0xFFFF);
    KCGraphicStreamBinaryWriter& DrawWireRect(const KCRGBAColor& color, const KURect<float>& r,
                                              float width, unsigned short pattern = 0xFFFF);
    KCGraphicStreamBinaryWriter& DrawXORRect(const KURect<short>& r);
    KCGraphicStreamBinaryWriter& DrawOval(const SGSDrawOval& oval);
    KCGraphicStreamBinaryWriter& DrawPNG(const SGSDrawPNG& png);
    // resID −1 writes nothing.
    KCGraphicStreamBinaryWriter& DrawPNG(short resID);
    // The name as a "char"/"text" record (always copied), then "ePNG" with ResID −100. The
    // resID overloads write no name record, also for −100 (the name written before is used).
    KCGraphicStreamBinaryWriter& DrawPNG(std::string_view name);
    KCGraphicStreamBinaryWriter& DrawPNGAtPosition(short resID, const KCPoint2D<short>& at);
    KCGraphicStreamBinaryWriter& DrawPNGAtPosition(std::string_view name,
                                                   const KCPoint2D<short>& at);
    KCGraphicStreamBinaryWriter& DrawPNGAtPositionClipped(short resID, const KCPoint2D<short>& at,
                                                          const KURect<short>& clip);
    KCGraphicStreamBinaryWriter& DrawPNGAtPositionClipped(std::string_view name,
                                                          const KCPoint2D<short>& at,
                                                          const KURect<short>& clip);
    KCGraphicStreamBinaryWriter& DrawPNGScaled(short resID, const KURect<short>& rect);
    KCGraphicStreamBinaryWriter& DrawPNGScaled(std::string_view name, const KURect<short>& rect);
    KCGraphicStreamBinaryWriter& DrawPNGScaledAndClipped(short resID, const KURect<short>& rect,
                                                         const KURect<short>& clip);
    KCGraphicStreamBinaryWriter& DrawPNGScaledAndClipped(std::string_view name,
                                                         const KURect<short>& rect,
                                                         const KURect<short>& clip);
    KCGraphicStreamBinaryWriter& DrawTheText(const SGSDrawText& text);
    // The text as a "char"/"text" record (always copied), then "dTXT".
    KCGraphicStreamBinaryWriter& DrawTheText(std::string_view text, long long owner,
                                             KTGSCode hAlign, KTGSCode vAlign);
    // "dTXT" for the latest text record.
    KCGraphicStreamBinaryWriter& DrawTheText(long long owner, KTGSCode hAlign, KTGSCode vAlign);
    KCGraphicStreamBinaryWriter& Font(const PluginViewManager::KCFontDescription& font,
                                      const KCRGBAColor& color);
    // At most 32 characters of the name, unterminated when it fills them.
    KCGraphicStreamBinaryWriter& Font(std::string_view name, int size, const KCRGBAColor& color,
                                      int flags);
    KCGraphicStreamBinaryWriter& DrawOldStylePlugin(const SGSOldStyleDraw& draw);

    // --- annotations: always copied into the stream, whatever the threshold
    // Only while remarks are on (off by default).
    KCGraphicStreamBinaryWriter& Remark(std::string_view text);
    // Only while metadata is on (on by default).
    KCGraphicStreamBinaryWriter& MetaData(std::string_view text);
    KCGraphicStreamBinaryWriter& SpecialText(KTGSCode purpose, std::string_view text);

protected:
    // The payload stays where it is: only for streams read back by this process.
    KCGraphicStreamBinaryWriter& DataPtr(const void* p, KTGSCode dataType, unsigned int count,
                                         KTGSCode purpose);

private:
    // Room for n more bytes at the end of the stream, or null (and the error kept) when the
    // stream cannot grow; the caller fills them and then commits them. The common case is one
    // compare, inline.
    char* Room(unsigned int n) {
        Utils::KCStMemObj& t = *m_target;
        if (t.allocatedSize - t.size >= n) {
            return static_cast<char*>(t.ptr) + t.size;
        }
        return Grow(n);
    }
    // Doubles the capacity (at least to what n more bytes need); null when that fails.
    char* Grow(unsigned int n);
    // The offset of `p` in the stream's block, or -1 when it lies outside: a source taken from
    // the stream itself must be found again after growing moves the block.
    [[nodiscard]] long long OffsetInStream(const void* p) const;
    // The rectangle's corners (closed when `corners` is 5) as point data, then `v` drawing them.
    template <typename T>
    KCGraphicStreamBinaryWriter& RectRecords(const KURect<T>& r, unsigned int corners,
                                             const SGSDrawVertices& v);
    // A record of that type placed at the end of the stream, its header stamped with the code
    // and its size and the rest at the type's defaults, for the caller to fill in place (no
    // copy through the stack); null when the stream cannot grow.
    template <class Record>
    Record* NewRecord(KTGSCode code) {
        static_assert(sizeof(Record) % 4 == 0 && alignof(Record) <= 4);
        char* at = Room(sizeof(Record));
        if (at == nullptr) {
            return nullptr;
        }
        auto* record = new (at) Record;
        record->header = {code, sizeof(Record)};
        m_target->size += sizeof(Record);
        return record;
    }
    // A copy of the record with its header stamped.
    template <class Record>
    KCGraphicStreamBinaryWriter& AppendRecord(const Record& record, KTGSCode code) {
        if (m_target->allocatedSize - m_target->size < sizeof(Record)) {
            // Growing moves the block, and the source may be a record taken from it.
            const Record copy = record;
            if (Grow(sizeof(Record)) == nullptr) {
                return *this;
            }
            return AppendRecord(copy, code);
        }
        if (auto* placed = NewRecord<Record>(code)) {
            *placed = record;
            placed->header = {code, sizeof(Record)};
        }
        return *this;
    }
    // A "DataHere" record of count elements of elementSize bytes: the head is written and the
    // padding filled; returns where the payload goes (null, the error kept, when the record
    // cannot be written). hasSource false stands for a null source.
    char* NewDataHere(KTGSCode dataType, unsigned int elementSize, unsigned int count,
                      KTGSCode purpose, bool hasSource);
    void AppendData(const void* p, KTGSCode dataType, unsigned int elementSize, unsigned int count,
                    KTGSCode purpose, bool here);
    void ChooseData(const void* p, KTGSCode dataType, unsigned int elementSize, unsigned int count,
                    KTGSCode purpose);
    // name != nullptr: the name record, then ResID −100; otherwise resID alone.
    KCGraphicStreamBinaryWriter& PNG(const std::string_view* name, short resID, const SGSRect& draw,
                                     const SGSRect& clip);
    // count × factor, or nothing (and the error set) when it does not fit a record's count.
    std::optional<unsigned int> CountValues(unsigned long long count, unsigned int factor);

    Utils::KCStMemObj* m_target;
    bool m_writeRemarks = false;
    bool m_writeMetaData = true;
    unsigned int m_threshold = 0;
    Utils::KCStMemObj m_own;
    KTErr m_error = eNoErr;
};

// Appends the opening record on construction and the closing header once: on CloseFrame or,
// if that was not called, on destruction. [any-thread] with its writer's rules.
class KORVANE_API KCStGSFrameStructWriter {
public:
    KCStGSFrameStructWriter(KCGraphicStreamBinaryWriter& writer, const SGSFrame& frame);
    KCStGSFrameStructWriter(KCGraphicStreamBinaryWriter& writer, const KURect<int>& rect,
                            int owner);
    KCStGSFrameStructWriter(const KCStGSFrameStructWriter&) = delete;
    KCStGSFrameStructWriter& operator=(const KCStGSFrameStructWriter&) = delete;
    ~KCStGSFrameStructWriter();

    // Appends the 8-byte header `code` and disarms the guard (a second call does nothing).
    void CloseFrame(KTGSCode code);
    void CloseFrame() { CloseFrame(m_closeCode); }

protected:
    KCStGSFrameStructWriter(KCGraphicStreamBinaryWriter& writer, KTGSCode closeCode);

    KCGraphicStreamBinaryWriter& m_writer;
    KTGSCode m_closeCode;
    bool m_armed = true;
};

// The same for a whole stream: "BSTM" now, "ESTM" at the end.
class KORVANE_API KCStGSStreamStructWriter : public KCStGSFrameStructWriter {
public:
    KCStGSStreamStructWriter(KCGraphicStreamBinaryWriter& writer, const SGSStream& stream);
};

}  // namespace kvKorvaneV10_0_3::kvGS
