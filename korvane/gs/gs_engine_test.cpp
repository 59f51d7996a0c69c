// The reader: dispatch of every record of a well-formed stream, and refusal of malformed ones
// without reading outside the buffer (the buffers here are exactly as long as the stream, so
// AddressSanitizer sees any overread).
#include "korvane/gs/gs_engine.h"

#include "korvane/gs/gs_writer.h"
#include "korvane/gs/testing/recorder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3::kvGS {
namespace {

using test_support::Recorder;
using Calls = std::vector<std::string>;

std::vector<char> Copy(const Utils::KCStMemObj& m) {
    const auto* p = static_cast<const char*>(m.ptr);
    return {p, p + m.size};
}

// A raw record: header plus `size - 8` zero bytes.
void Raw(std::vector<char>& out, KTGSCode code, std::uint32_t size,
         std::uint32_t bytesWritten = 0) {
    const SGSCommandHeader h{code, size};
    const std::size_t at = out.size();
    out.resize(at + (bytesWritten == 0 ? size : bytesWritten), 0);
    std::memcpy(out.data() + at, &h, std::min<std::size_t>(sizeof h, out.size() - at));
}

// The base engine's handlers all return 0, so a clean read gives eNoErr.
KTErr ReadAll(const std::vector<char>& bytes, KCGraphicStreamEngineBase* engine = nullptr) {
    KCGraphicStreamEngineBase plain;
    KCGraphicStreamEngineBase& r = engine != nullptr ? *engine : plain;
    // A heap block of exactly this size.
    std::vector<char> exact(bytes);
    return r.ExecStream(exact.empty() ? nullptr : exact.data(), exact.size());
}

TEST(GSEngine, EveryRecordReachesItsHandlerAndReadingStopsAtTheEnd) {
    KCGraphicStreamBinaryWriter w;
    w.SetWriteRemarks(true);
    SGSStream stream;
    std::strcpy(stream.text, "owner text");
    w.OpenStream(stream);
    w.SpecialText(eGSResourcesBaseURL, "/bundle").MetaData("meta").Remark("note");
    w.OpenFrame(SGSFrame());
    w.RotateFrame(SGSFrameRotate()).ClipRect(KURect<short>(0, 0, 10, 10));
    w.DrawLine(KCRGBAColor{}, {1, 2}, {3, 4}, 1, true);
    w.ClipVertices(SGSDrawVertices());
    w.Font("Sans", 10, KCRGBAColor{}, 0).DrawTheText("hi", 3, eGSLeft, eGSTop);
    w.DrawOval(SGSDrawOval()).DrawPNG(static_cast<short>(5));
    w.DrawOldStylePlugin(SGSOldStyleDraw());
    std::vector<char> bytes = Copy(w.GetStream());
    Raw(bytes, eGSIgnoreStreamCommand, 12);
    Raw(bytes, MakeGSCode('z', 'z', 'z', 'z'), 16);
    KCGraphicStreamBinaryWriter tail;
    tail.CloseFrame(eGSEndFrame).CloseFrame(eGSEndStream);
    const std::vector<char> closing = Copy(tail.GetStream());
    bytes.insert(bytes.end(), closing.begin(), closing.end());
    const std::size_t length = bytes.size();
    Raw(bytes, eGSIllegalGraphicStreamCommand, 8);  // after the end: never read

    Recorder r;
    std::vector<char> exact(bytes);
    const KTErr result = r.ExecStream(exact.data(), exact.size());
    const Calls expected = {"BSTM", "RURL /bundle", "META meta",    "#REM note", "BFRM",
                            "FTOR", "cRIN",         "data pnt2 4",  "dVIN",      "cVIN",
                            "tnof", "data text 2",  "dTXT",         "lavO",      "ePNG",
                            "cdso", "ongi",         "unknown zzzz", "EFRM",      "ESTM"};
    EXPECT_EQ(r.calls, expected);
    EXPECT_EQ(result, static_cast<int>(expected.size())) << "the last handler's result";
    EXPECT_EQ(r.GetRecordCount(), expected.size());
    EXPECT_TRUE(r.GetOpenRecords().empty());
    ASSERT_EQ(r.points.size(), 1U);
    EXPECT_EQ(r.points[0], (std::vector<float>{1, 2, 3, 4}));

    // Misaligned input reads the same.
    std::vector<char> shifted(length + 1);
    std::memcpy(shifted.data() + 1, bytes.data(), length);
    Recorder again;
    EXPECT_EQ(again.ExecStream(shifted.data() + 1, length), result);
    EXPECT_EQ(again.calls, expected);

    SGSSize size{-1, -1};
    EXPECT_EQ(KCGraphicStreamEngineBase::GetStreamFrameSize(exact.data(), length, size), eNoErr);
    EXPECT_EQ(size, SGSSize());
    EXPECT_EQ(KCGraphicStreamEngineBase::GetStreamFrameSize(exact.data(), 20, size),
              eGSBadRecordSize);
}

TEST(GSEngine, MalformedStreamsAreRefusedWithTheirCodes) {
    std::vector<char> b;
    Raw(b, eGSBeginStream, 112);
    const std::vector<char> opened = b;

    auto with = [&](auto add) {
        std::vector<char> s = opened;
        add(s);
        return ReadAll(s);
    };
    EXPECT_EQ(with([](auto& s) { Raw(s, eGSDrawVertices, 0, 8); }), eWrongObjectState);
    EXPECT_EQ(with([](auto& s) { Raw(s, eGSEndStream, 4, 8); }), eGSBadRecordSize);
    EXPECT_EQ(with([](auto& s) { Raw(s, eGSDrawVertices, 16); }), eGSBadRecordSize)
        << "shorter than its type's layout";
    EXPECT_EQ(with([](auto& s) { Raw(s, eGSDataHere, 24); }), eGSBadRecordSize);
    EXPECT_EQ(with([](auto& s) { Raw(s, eGSClipRect, 1000, 24); }), eGSBadRecordSize)
        << "claims more than remains";
    EXPECT_EQ(with([](auto& s) { Raw(s, eGSIgnoreStreamCommand, 10, 12); }), eGSBadRecordSize);
    EXPECT_EQ(with([](auto& s) { s.insert(s.end(), {'E', 'S', 'T'}); }), eGSBadRecordSize);
    EXPECT_EQ(with([](auto&) {}), eGSMissingEnd);
    EXPECT_EQ(ReadAll({}), eGSMissingEnd);
    Recorder nothing;
    EXPECT_EQ(nothing.ExecStream(nullptr, 100), eGSMissingEnd);
    EXPECT_EQ(with([](auto& s) { Raw(s, eGSEndFrame, 8); }), eGSUnbalancedClose);
    EXPECT_EQ(ReadAll([] {
                  std::vector<char> s;
                  Raw(s, eGSEndStream, 8);
                  return s;
              }()),
              eGSUnbalancedClose);

    // Payloads: exactly fitting is fine, one element more is not, nor a count that overflows.
    auto data = [&](KTGSCode type, std::uint32_t count, std::uint32_t payloadBytes) {
        std::vector<char> s = opened;
        const std::size_t at = s.size();
        Raw(s, eGSDataHere, 28 + payloadBytes);
        SGSData head;
        head.header.size = 28 + payloadBytes;
        head.dataType = type;
        head.purpose = eGSPoint2D;
        head.count = count;
        std::memcpy(s.data() + at, &head, sizeof head);
        Raw(s, eGSEndStream, 8);
        return ReadAll(s);
    };
    EXPECT_EQ(data(eGSInt16, 4, 8), eNoErr);
    EXPECT_EQ(data(eGSInt16, 5, 8), eGSDataOversize);
    EXPECT_EQ(data(eGSChar, 8, 8), eNoErr);
    EXPECT_EQ(data(eGSUInt8, 9, 8), eGSDataOversize);
    EXPECT_EQ(data(eGSInt32, 2, 8), eNoErr);
    EXPECT_EQ(data(eGSInt32, 3, 8), eGSDataOversize);
    EXPECT_EQ(data(eGSFloat, 0x40000001U, 8), eGSDataOversize);
    EXPECT_EQ(data(MakeGSCode('w', 'h', 'a', 't'), 9, 8), eGSDataOversize);

    // Nesting: the limit itself is fine, one level more is refused.
    auto nested = [](unsigned int frames) {
        std::vector<char> s;
        for (unsigned int i = 0; i < frames; ++i) {
            Raw(s, eGSBeginFrame, 32);
        }
        for (unsigned int i = 0; i < frames; ++i) {
            Raw(s, eGSEndFrame, 8);
        }
        return ReadAll(s);
    };
    EXPECT_EQ(nested(KCGraphicStreamEngineBase::kMaxNestingDepth), eNoErr);
    EXPECT_EQ(nested(KCGraphicStreamEngineBase::kMaxNestingDepth + 1), eGSNestingTooDeep);

    Recorder r;
    EXPECT_EQ(with([](auto& s) { Raw(s, eGSIllegalGraphicStreamCommand, 8); }), eGSIllegalCommand);
    std::vector<char> illegal = opened;
    Raw(illegal, eGSIllegalGraphicStreamCommand, 8);
    EXPECT_EQ(ReadAll(illegal, &r), eGSIllegalCommand);
    EXPECT_EQ(r.calls, (Calls{"BSTM", "illegal"}));
}

// Codes near the known ones (one bit apart), zero and a spread of others: every code the reader
// does not know reaches the unknown handler, with the 8-byte minimum of a bare header, and none
// is taken for a known record.
TEST(GSEngine, EveryCodeOutsideTheVocabularyIsDispatchedAsUnknown) {
    const KTGSCode known[] = {eGSBeginStream,
                              eGSBeginFrame,
                              eGSEndStream,
                              eGSEndFrame,
                              eGSRotateFrame,
                              eGSDrawPNG,
                              eGSDrawText,
                              eGSDrawOval,
                              eGSDrawVertices,
                              eGSClipVertices,
                              eGSClipRect,
                              eGSFont,
                              eGSOldStyleDraw,
                              eGSDrawPNGDeprecated,
                              eGSDrawPNGClippedDeprecated,
                              eGSDrawPNGScaledDeprecated,
                              eGSIgnoreStreamCommand,
                              eGSDataHere,
                              eGSDataPtr,
                              eGSIllegalGraphicStreamCommand};
    const auto isKnown = [&](KTGSCode code) {
        return std::find(std::begin(known), std::end(known), code) != std::end(known);
    };
    std::vector<KTGSCode> codes = {0};
    for (const KTGSCode code : known) {
        for (unsigned int bit = 0; bit < 32; ++bit) {
            codes.push_back(code ^ (1U << bit));
        }
    }
    for (std::uint32_t i = 1; i < 4096; ++i) {
        codes.push_back(i * 0x01000193U);
    }
    std::vector<char> bytes;
    Raw(bytes, eGSBeginStream, 112);
    Calls expected = {"BSTM"};
    for (const KTGSCode code : codes) {
        if (isKnown(code)) {
            continue;
        }
        Raw(bytes, code, code % 2 == 0 ? 8 : 12);
        expected.push_back("unknown " + GSCodeBytes(code));
    }
    Raw(bytes, eGSEndStream, 8);
    expected.emplace_back("ESTM");

    Recorder r;
    EXPECT_EQ(ReadAll(bytes, &r), static_cast<int>(expected.size())) << "the last handler's result";
    EXPECT_EQ(r.calls, expected);
    EXPECT_GT(expected.size(), 4000U);
}

TEST(GSEngine, EveryTruncationOfAValidStreamFailsCleanly) {
    KCGraphicStreamBinaryWriter w;
    {
        KCStGSStreamStructWriter stream(w, SGSStream());
        KCStGSFrameStructWriter frame(w, KURect<int>(0, 0, 20, 20), 1);
        w.DrawLine(KCRGBAColor{}, {0, 0}, {9, 9}, 1, true).DrawTheText("label", 1, eGSLeft, eGSTop);
    }
    const std::vector<char> whole = Copy(w.GetStream());
    EXPECT_EQ(ReadAll(whole), eNoErr);
    for (std::size_t n = 0; n < whole.size(); ++n) {
        const std::vector<char> prefix(whole.begin(), whole.begin() + static_cast<long>(n));
        const KTErr err = ReadAll(prefix);
        EXPECT_TRUE(err == eGSMissingEnd || err == eGSBadRecordSize) << n << ": " << err;
    }
}

// Writes its payloads by address and reads its own stream back in-process.
class PointerWriter : public KCGraphicStreamBinaryWriter {
public:
    PointerWriter() : KCGraphicStreamBinaryWriter(16) {}
    using KCGraphicStreamBinaryWriter::DataPtr;
};

TEST(GSEngine, DataPtrPayloadsOnlyForStreamsOfThisProcess) {
    const short points[12] = {0, 0, 1, 1, 2, 4, 3, 9, 4, 16, 5, 25};
    KCGraphicStreamBinaryWriter w(16);
    {
        KCStGSStreamStructWriter stream(w, SGSStream());
        w.Data(reinterpret_cast<const KCPoint2D<short>*>(points), 6, eGSPoint2D);
        w.DrawVertices(SGSDrawVertices());
    }
    const std::vector<char> bytes = Copy(w.GetStream());
    Recorder fromFile;
    EXPECT_EQ(ReadAll(bytes, &fromFile), 4) << "the count of calls the recorder returns";
    EXPECT_EQ(fromFile.calls, (Calls{"BSTM", "data pnt2 12 nopayload", "dVIN", "ESTM"}));
    EXPECT_TRUE(fromFile.points.at(0).empty());

    Recorder inProcess;
    EXPECT_EQ(inProcess.ExecStreamInProcess(bytes.data(), bytes.size()), 4);
    EXPECT_EQ(inProcess.calls, (Calls{"BSTM", "data pnt2 12", "dVIN", "ESTM"}));
    EXPECT_EQ(inProcess.points.at(0), std::vector<float>(points, points + 12));

    PointerWriter p;
    p.DataPtr(points, eGSInt16, 2, eGSText);
    EXPECT_EQ(p.GetStream().size, 28U) << "a pointer record has no payload";
}

// Throws from the handler of the record numbered `throwAt` (counting from 1).
class Throwing : public Recorder {
public:
    std::size_t throwAt = 0;
    bool badAlloc = true;

protected:
    int DrawVertices(const SGSDrawVertices& v) override {
        if (calls.size() + 1 == throwAt) {
            if (badAlloc) {
                throw std::bad_alloc();
            }
            throw std::runtime_error("handler failed");
        }
        return Recorder::DrawVertices(v);
    }
};

TEST(GSEngine, HandlerExceptionsEndTheRunWithACodeAndLeaveNoState) {
    const short points[4] = {1, 2, 3, 4};
    KCGraphicStreamBinaryWriter w(4);
    {
        KCStGSStreamStructWriter stream(w, SGSStream());
        KCStGSFrameStructWriter frame(w, SGSFrame());
        w.Data(points, 4, eGSPoint2D);  // by address
        w.DrawVertices(SGSDrawVertices());
    }
    const std::vector<char> bytes = Copy(w.GetStream());
    Throwing t;
    t.throwAt = 4;
    EXPECT_EQ(t.ExecStreamInProcess(bytes.data(), bytes.size()), eMemNewFailed);
    EXPECT_EQ(t.GetLatestDataOfPurpose(eGSPoint2D), nullptr);
    t.badAlloc = false;
    t.calls.clear();
    EXPECT_EQ(t.ExecStream(bytes.data(), bytes.size()), eExceptionErr);
    EXPECT_EQ(t.calls, (Calls{"BSTM", "BFRM", "data pnt2 4 nopayload"}));

    // The next run starts with nothing open and, read as foreign bytes, without the
    // in-process trust the failed run had.
    t.throwAt = 0;
    t.calls.clear();
    EXPECT_GE(t.ExecStream(bytes.data(), bytes.size()), 0);
    EXPECT_EQ(t.calls, (Calls{"BSTM", "BFRM", "data pnt2 4 nopayload", "dVIN", "EFRM", "ESTM"}));
}

// Looks up the latest data record of three purposes at every oval.
class LatestProbe : public KCGraphicStreamEngineBase {
public:
    std::vector<std::vector<short>> seen;  // per oval: first value of pnt2, pnt3, rgba (-1: none)

protected:
    int DrawOval(const SGSDrawOval& /*oval*/) override {
        std::vector<short> row;
        for (const KTGSCode purpose : {eGSPoint2D, eGSPoint3D, eGSRGBAColor}) {
            const SGSData* data = GetLatestDataOfPurpose(purpose);
            const auto* payload =
                data != nullptr ? static_cast<const short*>(GetDataPayload(*data)) : nullptr;
            row.push_back(payload != nullptr ? payload[0] : static_cast<short>(-1));
        }
        seen.push_back(row);
        return 0;
    }
};

TEST(GSEngine, LatestDataIsKeptPerPurposeWhilePurposesAlternate) {
    KCGraphicStreamBinaryWriter w;
    {
        KCStGSStreamStructWriter stream(w, SGSStream());
        const short a[3] = {10, 11, 12};
        const short b[3] = {20, 21, 22};
        const short c[4] = {30, 31, 32, 33};
        w.DrawOval(SGSDrawOval());
        w.DataHere(a, 2, eGSPoint2D);
        w.DrawOval(SGSDrawOval());
        w.DataHere(c, 4, eGSRGBAColor).DataHere(b, 3, eGSPoint3D);
        w.DrawOval(SGSDrawOval());
        w.DataHere(b, 2, eGSPoint2D);  // replaces the first, keeps the others
        w.DrawOval(SGSDrawOval());
        w.DataHere(a, 3, eGSPoint3D).DataHere(a + 1, 2, eGSPoint2D);
        w.DrawOval(SGSDrawOval());
    }
    const std::vector<char> bytes = Copy(w.GetStream());
    LatestProbe probe;
    EXPECT_GE(ReadAll(bytes, &probe), 0);
    const std::vector<std::vector<short>> expected = {
        {-1, -1, -1}, {10, -1, -1}, {10, 20, 30}, {20, 20, 30}, {11, 10, 30}};
    EXPECT_EQ(probe.seen, expected);
    // A run forgets the previous run's records.
    EXPECT_EQ(probe.GetLatestDataOfPurpose(eGSPoint2D), nullptr);
}

// At each oval: the int32 payload of the latest record of every purpose asked for (-1: none).
// Metadata records are made latest by hand, as a derived reader may.
class PurposeProbe : public KCGraphicStreamEngineBase {
public:
    std::vector<KTGSCode> purposes;
    std::vector<std::vector<int>> seen;
    bool keepMetaData = false;

protected:
    int DrawOval(const SGSDrawOval& /*oval*/) override {
        std::vector<int> row;
        for (const KTGSCode purpose : purposes) {
            const SGSData* data = GetLatestDataOfPurpose(purpose);
            const auto* payload =
                data != nullptr ? static_cast<const int*>(GetDataPayload(*data)) : nullptr;
            row.push_back(payload != nullptr ? *payload : -1);
        }
        seen.push_back(row);
        return 0;
    }
    int MetaData(const SGSData& data) override {
        if (keepMetaData) {
            SetLatestData(&data);
        }
        return 0;
    }
};

// A caller's own purposes, zero and codes one bit apart from the named purposes keep their
// latest records apart from the named ones (whose slots the reader finds without a search).
TEST(GSEngine, EveryPurposeKeepsItsOwnLatestRecord) {
    PurposeProbe probe;
    probe.purposes = {eGSText,      eGSPoint2D,  eGSPoint3D, eGSRGBColor,
                      eGSRGBAColor, eGSMetaData, 0,          MakeGSCode('m', 'i', 'n', 'e')};
    for (const KTGSCode named : {eGSText, eGSPoint2D, eGSMetaData, eGSRGBAColor}) {
        for (const unsigned int bit : {0U, 13U, 31U}) {
            probe.purposes.push_back(named ^ (1U << bit));
        }
    }
    KCGraphicStreamBinaryWriter w;
    {
        KCStGSStreamStructWriter stream(w, SGSStream());
        // Every purpose gets its index, then, in reverse order, its index plus 100.
        for (int round = 0; round < 2; ++round) {
            for (std::size_t i = 0; i < probe.purposes.size(); ++i) {
                const std::size_t at = round == 0 ? i : probe.purposes.size() - 1 - i;
                const int value = static_cast<int>(at) + 100 * round;
                w.DataHere(&value, 1, probe.purposes[at]);
            }
            w.DrawOval(SGSDrawOval());
        }
    }
    const std::vector<char> bytes = Copy(w.GetStream());
    ASSERT_GE(ReadAll(bytes, &probe), 0);
    ASSERT_EQ(probe.seen.size(), 2U);
    for (std::size_t i = 0; i < probe.purposes.size(); ++i) {
        const bool metaData = probe.purposes[i] == eGSMetaData;
        EXPECT_EQ(probe.seen[0][i], metaData ? -1 : static_cast<int>(i))
            << "purpose " << i << ": metadata goes to its handler, not to the latest records";
        EXPECT_EQ(probe.seen[1][i], metaData ? -1 : static_cast<int>(i) + 100) << "purpose " << i;
    }

    PurposeProbe keeping;
    keeping.purposes = probe.purposes;
    keeping.keepMetaData = true;
    ASSERT_GE(ReadAll(bytes, &keeping), 0);
    EXPECT_EQ(keeping.seen.at(1).at(5), 105) << "a derived reader may keep any record";
    EXPECT_EQ(keeping.GetLatestDataOfPurpose(MakeGSCode('m', 'i', 'n', 'e')), nullptr)
        << "a run forgets a caller's purposes too";
}

// Logs the image-container hooks only.
class Containers : public KCGraphicStreamEngineBase {
public:
    std::vector<std::string> log;

protected:
    int NewResContainerData(std::string_view path) override {
        log.emplace_back("open " + std::string(path));
        return 0;
    }
    void ResetResContainersCount() override { log.emplace_back("reset"); }
    void CloseRedundantResContainers() override { log.emplace_back("close unused"); }
};

TEST(GSEngine, ImageContainersFollowTheBaseURLs) {
    KCGraphicStreamBinaryWriter w;
    w.OpenStream(SGSStream());
    w.SpecialText(eGSResourcesBaseURL, "/a.bundle").SpecialText(eGSResourcesBaseURL, "/b.bundle");
    Containers cut;
    const auto& s = w.GetStream();
    EXPECT_EQ(cut.ExecStream(s), eGSMissingEnd);
    EXPECT_EQ(cut.log, (Calls{"reset", "open /a.bundle", "open /b.bundle"}))
        << "a failed run keeps what it opened for the next";
    w.CloseFrame(eGSEndStream);
    Containers whole;
    EXPECT_EQ(whole.ExecStream(s), eNoErr);
    EXPECT_EQ(whole.log, (Calls{"reset", "open /a.bundle", "open /b.bundle", "close unused"}));
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::kvGS
