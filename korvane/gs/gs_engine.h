// KCGraphicStreamEngineBase: walks one graphic stream, checks every record against the buffer
// and calls one virtual handler per record; renderers derive from it.
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"
#include "korvane/core/mem_obj.h"
#include "korvane/gs/gs_records.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

namespace kvKorvaneV10_0_3::kvGS {

// Reading never goes past the buffer it is given: a malformed stream stops with an error code
// (see ExecStream) after the handlers of the records before the bad one have run. [any-thread]
// on distinct objects; the records handed to the handlers live only during ExecStream.
class KORVANE_API KCGraphicStreamEngineBase {
public:
    // Streams and frames open at once; one more is refused with eGSNestingTooDeep.
    static constexpr unsigned int kMaxNestingDepth = 64;

    struct KSOpenRecord {
        KTGSCode code = eGSNone;  // "BSTM" or "BFRM"
        std::int64_t owner = 0;
        SGSRect rect;
        std::string_view text;  // the stream's text (streams only)
    };

    KCGraphicStreamEngineBase() = default;
    KCGraphicStreamEngineBase(const KCGraphicStreamEngineBase&) = delete;
    KCGraphicStreamEngineBase& operator=(const KCGraphicStreamEngineBase&) = delete;
    virtual ~KCGraphicStreamEngineBase();

    // Reads the stream in [stream, stream + length) until the record that closes the first
    // opened stream or frame, and returns the last handler's result, or the first error:
    // eWrongObjectState (size field 0), eGSBadRecordSize (shorter than its header or its
    // type's fixed size, not a multiple of 4, or longer than what remains), eGSDataOversize
    // (a payload larger than its record), eGSNestingTooDeep, eGSUnbalancedClose (a closing
    // record without its opening one), eGSMissingEnd (the buffer ends first) and
    // eGSIllegalCommand (the code 0xBAADF00D). "DataPtr" records are passed on without payload.
    // An exception from a handler ends the run with eMemNewFailed (std::bad_alloc) or
    // eExceptionErr; it never leaves the reader. [any-thread] on its own engine.
    [[nodiscard]] KTErr ExecStream(const char* stream, std::size_t length);
    [[nodiscard]] KTErr ExecStream(const Utils::KCStConstMemObj& stream);
    // The same for a stream this process has just written: "DataPtr" payloads are read from
    // the addresses they carry. Never for bytes from a file, a socket or another process.
    [[nodiscard]] KTErr ExecStreamInProcess(const char* stream, std::size_t length);

    // The width and height of the first record's rectangle, when that is a whole "BSTM" or
    // "BFRM"; eGSBadRecordSize otherwise. [any-thread]
    [[nodiscard]] static KTErr GetStreamFrameSize(const char* stream, std::size_t length,
                                                  SGSSize& size);

    // The most recent data record with that purpose in this run, or null.
    [[nodiscard]] const SGSData* GetLatestDataOfPurpose(KTGSCode purpose) const;
    // The payload of a data record handed to a handler in this run: null for an empty record
    // and for "DataPtr" outside ExecStreamInProcess.
    [[nodiscard]] const void* GetDataPayload(const SGSData& data) const;
    // What the latest point data gives as x, y pairs.
    enum class EPoints { eOK, eNone, eTooMany };
    // Fills `xy` with the latest 2-D or 3-D point record's x, y pairs (z dropped): eNone when
    // there is none, it holds no whole point, its type is neither float nor int16 or a float
    // is not finite; eTooMany above `maxVertices` points (`xy` then untouched).
    [[nodiscard]] EPoints GetLatestPoints(std::vector<float>& xy,
                                          std::uint32_t maxVertices = UINT32_MAX) const;
    // The payload of a "char" record as text (empty when it has none).
    [[nodiscard]] std::string_view GetDataText(const SGSData& data) const;
    // The latest "tnof" record of this run (a default font before the first).
    [[nodiscard]] const SGSFont& GetFont() const { return m_font; }
    void SetWindowRect(const SGSRect& rect) { m_windowRect = rect; }
    [[nodiscard]] const SGSRect& GetWindowRect() const { return m_windowRect; }
    // Open streams and frames, innermost last.
    [[nodiscard]] const std::vector<KSOpenRecord>& GetOpenRecords() const { return m_open; }
    // Records read so far in this run, and the offset of the current one.
    [[nodiscard]] unsigned int GetRecordCount() const { return m_recordCount; }
    [[nodiscard]] std::size_t GetRecordOffset() const { return m_recordOffset; }

protected:
    virtual int BeginStream(const SGSStream& /*stream*/) { return 0; }
    virtual int EndStream(const SGSCommandHeader& /*header*/) { return 0; }
    virtual int BeginFrame(const SGSFrame& /*frame*/) { return 0; }
    virtual int EndFrame(const SGSCommandHeader& /*header*/) { return 0; }
    virtual int RotateFrame(const SGSFrameRotate& /*rotate*/) { return 0; }
    // The older records arrive unparsed: the header and the bytes after it.
    virtual int DrawOldStyleCommand(const SGSCommandHeader& /*header*/) { return 0; }
    virtual int DrawPNGDeprecated(const SGSCommandHeader& /*header*/) { return 0; }
    virtual int DrawPNGClippedDeprecated(const SGSCommandHeader& /*header*/) { return 0; }
    virtual int DrawPNGScaledDeprecated(const SGSCommandHeader& /*header*/) { return 0; }
    virtual int DrawPNG(const SGSDrawPNG& /*png*/) { return 0; }
    virtual int DrawTheText(const SGSDrawText& /*text*/) { return 0; }
    virtual int DrawOval(const SGSDrawOval& /*oval*/) { return 0; }
    virtual int DrawVertices(const SGSDrawVertices& /*vertices*/) { return 0; }
    virtual int ClipVertices(const SGSDrawVertices& /*vertices*/) { return 0; }
    virtual int ClipRect(const SGSClipRect& /*clip*/) { return 0; }
    virtual int ResourcesBaseURL(const SGSData& /*data*/) { return 0; }
    // Image containers: a renderer that loads images opens one per resources base URL
    // (called with the URL's text before ResourcesBaseURL), is told when a run starts, and
    // closes the ones the run did not use when it ends cleanly. The base keeps none.
    virtual int NewResContainerData(std::string_view /*path*/) { return 0; }
    virtual void ResetResContainersCount() {}
    virtual void CloseRedundantResContainers() {}
    virtual int Remark(const SGSData& /*data*/) { return 0; }
    virtual int MetaData(const SGSData& /*data*/) { return 0; }
    virtual int Font(const SGSFont& /*font*/) { return 0; }
    virtual int Data(const SGSData& /*data*/) { return 0; }
    virtual int IgnoreStreamCommand(KTGSCode /*code*/) { return 0; }
    virtual int IllegalStreamCommand(KTGSCode /*code*/) { return 0; }
    virtual int UnknownStreamCommand(KTGSCode /*code*/) { return 0; }
    // Keep the stack of open streams and frames; a derived class calls the base first.
    virtual int RegisterBeginStream(const SGSStream& stream);
    virtual int RegisterEndStream(const SGSCommandHeader& header);
    virtual int RegisterBeginFrame(const SGSFrame& frame);
    virtual int RegisterEndFrame(const SGSCommandHeader& header);
    virtual void BeforeExceStream() {}
    virtual void AfterExceStream() {}
    void SetLatestData(const SGSData* data);

private:
    // One handler per record type, reached through a table keyed by the code.
    struct RecordHandlers;

    // The purposes the vocabulary names; the latest record of each has its own slot.
    static constexpr unsigned int kKnownPurposes = 8;

    [[nodiscard]] KTErr Run(const char* stream, std::size_t length);
    [[nodiscard]] KTErr RunRecords(const char* stream, std::size_t length);
    void ClearLatestData();

    bool m_trusted = false;
    std::vector<KSOpenRecord> m_open;
    const SGSData* m_latestKnown[kKnownPurposes] = {};
    // A caller's own purposes, searched.
    std::vector<std::pair<KTGSCode, const SGSData*>> m_latest;
    int m_closeResult = 0;  // the result of the handler that closed the outermost record
    SGSFont m_font;
    SGSRect m_windowRect;
    unsigned int m_recordCount = 0;
    std::size_t m_recordOffset = 0;
    std::vector<std::uint32_t> m_aligned;
};

}  // namespace kvKorvaneV10_0_3::kvGS
