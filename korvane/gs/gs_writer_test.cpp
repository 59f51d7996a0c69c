// The writer's records byte for byte, its DataHere/DataPtr choice and the scope guards.
#include "korvane/gs/gs_writer.h"

#include "korvane/gs/testing/recorder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3::kvGS {
namespace {

template <typename T>
T At(const Utils::KCStMemObj& m, unsigned int offset) {
    T v{};
    EXPECT_LE(offset + sizeof(T), m.size);
    if (offset + sizeof(T) <= m.size) {
        std::memcpy(&v, static_cast<const char*>(m.ptr) + offset, sizeof v);
    }
    return v;
}

std::string Bytes(const Utils::KCStMemObj& m, unsigned int offset, unsigned int n) {
    return {static_cast<const char*>(m.ptr) + offset, n};
}

TEST(GSWriter, AStringIsWrittenInPlaceAndPaddedToFourBytes) {
    KCGraphicStreamBinaryWriter text;
    text.DataHereStr("abc");
    const auto& s = text.GetStream();
    ASSERT_EQ(s.size, 32U);
    EXPECT_EQ(Bytes(s, 0, 4), "\r>>>");
    EXPECT_EQ(At<std::uint32_t>(s, 4), 32U);
    EXPECT_EQ(Bytes(s, 8, 4), "char");
    EXPECT_EQ(Bytes(s, 12, 4), "text");
    EXPECT_EQ(At<std::uint32_t>(s, 16), 3U);
    EXPECT_EQ(At<std::uint64_t>(s, 20), 0U);
    EXPECT_EQ(Bytes(s, 28, 4), "abc_") << "no NUL, one fill byte";
}

TEST(GSWriter, DataFromTheThresholdOnIsPointedToAndSmallerDataCopied) {
    short values[40] = {};
    for (short i = 0; i < 40; ++i) {
        values[i] = static_cast<short>(i * 3);
    }
    Utils::KCStMemObj target;
    KCGraphicStreamBinaryWriter w(target, 64);
    w.Data(values, 40, eGSPoint2D);  // 80 bytes >= 64
    ASSERT_EQ(target.size, 28U);
    EXPECT_EQ(Bytes(target, 0, 4), "****");
    EXPECT_EQ(At<std::uint32_t>(target, 16), 40U);
    EXPECT_EQ(At<std::uint64_t>(target, 20), reinterpret_cast<std::uintptr_t>(values));
    w.Data(values, 20, eGSPoint2D);  // 40 bytes
    ASSERT_EQ(target.size, 28U + 28U + 40U);
    EXPECT_EQ(Bytes(target, 28, 4), "\r>>>");
    EXPECT_EQ(At<short>(target, 28 + 28 + 2 * 19), 57);
    EXPECT_TRUE(w.WillBeWrittenAsDataHere(63));
    EXPECT_TRUE(w.WillBeWrittenAsDataPtr(64));
}

TEST(GSWriter, AZeroThresholdCopiesEverything) {
    KCGraphicStreamBinaryWriter never(0);
    EXPECT_TRUE(never.WillBeWrittenAsDataHere(1U << 30U));
    EXPECT_FALSE(never.WillBeWrittenAsDataPtr(1U << 30U));
}

TEST(GSWriter, PointsCountTwoValuesAndShortDataIsPaddedWithFillBytes) {
    // Points count two values each; bytes 5 and 6 pad with two fill bytes.
    const KCPoint2D<float> points[2] = {{1.5F, 2.5F}, {3, 4}};
    const unsigned char rgb[5] = {1, 2, 3, 4, 5};
    KCGraphicStreamBinaryWriter mixed;
    mixed.Data(points, 2, eGSPoint2D).Data(rgb, 5, eGSRGBColor);
    const auto& m = mixed.GetStream();
    ASSERT_EQ(m.size, 28U + 16U + 28U + 8U);
    EXPECT_EQ(Bytes(m, 8, 4), "flot");
    EXPECT_EQ(At<std::uint32_t>(m, 16), 4U);
    EXPECT_EQ(At<float>(m, 28 + 12), 4.0F);
    EXPECT_EQ(At<std::uint32_t>(m, 44 + 4), 36U);
    EXPECT_EQ(Bytes(m, 44 + 28 + 5, 3), "___");
}

TEST(GSWriter, GuardsCloseExactlyOnce) {
    KCGraphicStreamBinaryWriter w;
    { KCStGSFrameStructWriter frame(w, KURect<int>(10, 20, 50, 100), 7); }
    const auto& s = w.GetStream();
    ASSERT_EQ(s.size, 32U + 8U);
    EXPECT_EQ(Bytes(s, 0, 4), "BFRM");
    EXPECT_EQ(At<std::int64_t>(s, 8), 7);
    EXPECT_EQ(At<SGSRect>(s, 16), (SGSRect{20, 10, 80, 40}));
    EXPECT_EQ(Bytes(s, 32, 4), "EFRM");
    EXPECT_EQ(At<std::uint32_t>(s, 36), 8U);

    w.ClearStream();
    {
        KCStGSStreamStructWriter stream(w, SGSStream());
        stream.CloseFrame();
        stream.CloseFrame();  // disarmed: nothing more
    }
    ASSERT_EQ(s.size, 112U + 8U);
    EXPECT_EQ(Bytes(s, 0, 4), "BSTM");
    EXPECT_EQ(At<std::uint32_t>(s, 4), 112U);
    EXPECT_EQ(Bytes(s, 112, 4), "ESTM");
}

TEST(GSWriter, AnImageOfResIDMinusOneDrawsNothing) {
    KCGraphicStreamBinaryWriter w;
    w.DrawPNG(static_cast<short>(-1));
    EXPECT_EQ(w.GetStream().size, 0U) << "resID -1 draws nothing";
}

TEST(GSWriter, AnImageAtAPositionIsOneRecordWithAnEmptySourceRect) {
    KCGraphicStreamBinaryWriter w;
    w.DrawPNGAtPosition(static_cast<short>(12), KCPoint2D<short>(10, 20));
    const auto& s = w.GetStream();
    ASSERT_EQ(s.size, 52U);
    EXPECT_EQ(Bytes(s, 0, 4), "ePNG");
    EXPECT_EQ(At<std::int32_t>(s, 8), 12);
    EXPECT_EQ(At<SGSRect>(s, 12), (SGSRect{10, 20, 0, 0}));
    EXPECT_EQ(At<SGSRect>(s, 28), SGSRect());
    EXPECT_EQ(At<std::int32_t>(s, 44), -1);
    EXPECT_EQ(At<std::int32_t>(s, 48), -1);
}

TEST(GSWriter, AnImageByNameWritesTheNameBeforeTheRecord) {
    KCGraphicStreamBinaryWriter w;
    w.DrawPNG(std::string_view("knob"));
    const auto& s = w.GetStream();
    ASSERT_EQ(s.size, 32U + 52U);
    EXPECT_EQ(Bytes(s, 28, 4), "knob");
    EXPECT_EQ(At<std::int32_t>(s, 32 + 8), kGSResIDByName);
}

TEST(GSWriter, ALineWritesItsPointsBeforeTheVerticesRecord) {
    KCGraphicStreamBinaryWriter w;
    w.DrawLine(KCRGBAColor{1, 2, 3, 4}, {5, 6}, {7, 8}, 2.5F, false, 0x0F0F);
    const auto& s = w.GetStream();
    ASSERT_EQ(s.size, 28U + 8U + 48U);
    EXPECT_EQ(Bytes(s, 8, 8), "16inpnt2");
    EXPECT_EQ(At<std::uint32_t>(s, 16), 4U);
    EXPECT_EQ(At<short>(s, 28 + 6), 8);
    const auto v = At<SGSDrawVertices>(s, 36);
    EXPECT_EQ(v.header.code, eGSDrawVertices);
    EXPECT_EQ(v.method, eGSLineStrip);
    EXPECT_EQ(v.stroke_width, 2.5F);
    EXPECT_EQ(v.stroke_pattern, 0x0F0F);
    EXPECT_EQ(v.flags, SGSDrawVertices::NoAntialias);
    EXPECT_EQ(v.draw_color, (SGSRGBAColor{1, 2, 3, 4}));
    EXPECT_EQ(v.scale, SGSScale());
    EXPECT_EQ(v.logical_size, SGSSize());
}

TEST(GSWriter, AnArcLinePointsFromTheCentreAtItsAngle) {
    // 90°: the hand points right from the centre of a 40-pixel dial at (10, 20).
    KCGraphicStreamBinaryWriter w;
    w.DrawArcLine(KCRGBAColor{}, 90.0, KURect<short>(20, 10, 60, 50), 1.0F, true);
    const auto& s = w.GetStream();
    EXPECT_EQ(At<short>(s, 28), 30);
    EXPECT_EQ(At<short>(s, 30), 40);
    EXPECT_EQ(At<short>(s, 32), 50);
    EXPECT_EQ(At<short>(s, 34), 40);
    EXPECT_EQ(At<SGSDrawVertices>(s, 36).flags, 0);
}

TEST(GSWriter, ASolidRectIsAFilledPolygonThroughItsCorners) {
    KCGraphicStreamBinaryWriter w;
    w.DrawSolidRect(KCRGBAColor{9, 9, 9, 255}, KURect<short>(1, 2, 3, 4));
    const auto& s = w.GetStream();
    ASSERT_EQ(s.size, 28U + 16U + 48U);
    const short corners[8] = {2, 1, 4, 1, 4, 3, 2, 3};
    for (unsigned int i = 0; i < 8; ++i) {
        EXPECT_EQ(At<short>(s, 28 + 2 * i), corners[i]) << i;
    }
    EXPECT_EQ(At<SGSDrawVertices>(s, 44).method, eGSPolygon);
    EXPECT_EQ(At<SGSDrawVertices>(s, 44).flags, 1);
}

TEST(GSWriter, AnXorRectIsWhiteWithTheXorFlag) {
    KCGraphicStreamBinaryWriter w;
    w.DrawXORRect(KURect<short>(1, 2, 3, 4));
    const auto& s = w.GetStream();
    EXPECT_EQ(At<SGSDrawVertices>(s, 44).flags, 5);
    EXPECT_EQ(At<SGSDrawVertices>(s, 44).draw_color, (SGSRGBAColor{255, 255, 255, 255}));
}

TEST(GSWriter, AFontNameIsCutToItsThirtyTwoBytes) {
    KCGraphicStreamBinaryWriter w;
    w.Font("A font name that is longer than thirty-two", 14, KCRGBAColor{1, 1, 1, 1}, 3);
    const auto& s = w.GetStream();
    ASSERT_EQ(s.size, 52U);
    EXPECT_EQ(Bytes(s, 8, 32), "A font name that is longer than ") << "cut, unterminated";
    EXPECT_EQ(At<std::int32_t>(s, 40), 14);
    EXPECT_EQ(At<std::int32_t>(s, 48), 3);
}

TEST(GSWriter, RemarksAndMetaDataAreWrittenOnlyWhileSwitchedOn) {
    KCGraphicStreamBinaryWriter w;
    w.Remark("off by default").MetaData("on by default");
    w.SetWriteRemarks(true);
    w.SetWriteMetaData(false);
    w.Remark("now on").MetaData("now off");
    const auto& s = w.GetStream();
    ASSERT_EQ(s.size, 44U + 36U);
    EXPECT_EQ(Bytes(s, 12, 4), "META");
    EXPECT_EQ(Bytes(s, 28, 13), "on by default");
    EXPECT_EQ(Bytes(s, 44 + 12, 4), "#REM");
    EXPECT_EQ(Bytes(s, 44 + 28, 6), "now on");
}

// The record codes of a stream, in order.
std::vector<std::string> Codes(const Utils::KCStMemObj& m) {
    std::vector<std::string> codes;
    for (unsigned int at = 0; at + 8 <= m.size;) {
        codes.push_back(Bytes(m, at, 4));
        const auto size = At<std::uint32_t>(m, at + 4);
        if (size == 0) {
            break;
        }
        at += size;
    }
    return codes;
}

TEST(GSWriter, TextsAreCopiedAndNamesOnlyComeFromTheNameOverloads) {
    // Texts are mostly built on the fly: with the smallest threshold they must still be copied.
    KCGraphicStreamBinaryWriter w(1);
    w.SetWriteRemarks(true);
    w.OpenFrame(SGSFrame());
    w.Remark(std::string("remark ") + "built here");
    w.MetaData(std::string("ParamID: ") + "gain");
    w.SpecialText(eGSResourcesBaseURL, std::string("file:///") + "images");
    w.DrawTheText(std::string("label ") + "text", 3, eGSLeft, eGSTop);
    w.DrawPNG(std::string_view(std::string("knob-") + "image"));
    w.DrawPNG(static_cast<short>(kGSResIDByName));  // again the image named before
    w.DrawPNGScaled(static_cast<short>(kGSResIDByName), KURect<short>(0, 0, 10, 10));
    w.CloseFrame(eGSEndFrame);
    ASSERT_EQ(w.GetError(), eNoErr);
    const std::vector<std::string> codes = Codes(w.GetStream());
    EXPECT_EQ(codes, (std::vector<std::string>{"BFRM", "\r>>>", "\r>>>", "\r>>>", "\r>>>", "dTXT",
                                               "\r>>>", "ePNG", "ePNG", "ePNG", "EFRM"}));
    test_support::Recorder r;
    ASSERT_GE(r.ExecStream(w.GetStream()), 0);
    EXPECT_EQ(r.calls,
              (std::vector<std::string>{"BFRM", "#REM remark built here", "META ParamID: gain",
                                        "RURL file:///images", "data text 10", "dTXT",
                                        "data text 10", "ePNG", "ePNG", "ePNG", "EFRM"}));
    EXPECT_EQ(r.texts, (std::vector<std::string>{"label text"}));

    // Bulk data through Data() still follows the threshold: the caller owns it.
    const short values[4] = {1, 2, 3, 4};
    w.ClearStream();
    w.Data(values, 4, eGSPoint2D);
    EXPECT_EQ(Codes(w.GetStream()), (std::vector<std::string>{"****"}));
}

TEST(GSWriter, RectanglesFromRecordsSaturateInsteadOfOverflowing) {
    const SGSRect hostile{2147483000, -2147483000, 1000, -1000};
    const auto wide = FromSGSRect<int>(hostile);
    EXPECT_EQ(wide.right, std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(wide.bottom, std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(wide.left, 2147483000);
    const auto narrow = FromSGSRect<short>(SGSRect{40000, -5, 10, 7});
    EXPECT_EQ(narrow.left, 32767);
    EXPECT_EQ(narrow.right, 32767);
    EXPECT_EQ(narrow.top, -5);
    EXPECT_EQ(narrow.bottom, 2);
    const KURect<short> plain(1, 2, 30, 40);
    EXPECT_EQ(FromSGSRect<short>(ToSGSRect(plain)), plain);
    EXPECT_EQ(FromSGSRect<double>(hostile).right, 2147484000.0);
}

TEST(GSWriter, CountsThatDoNotFitARecordAreRefused) {
    // Two values a point: 2^31 + 1 points are 2^32 + 2 values, which a 32-bit count would cut
    // to 2. Nothing is read behind the pointer when the count is refused.
    const KCPoint2D<short> points[2] = {{1, 2}, {3, 4}};
    const unsigned int tooMany = 0x80000001U;
    for (const unsigned int threshold : {0U, 1U}) {
        KCGraphicStreamBinaryWriter w(threshold);
        w.Data(points, tooMany, eGSPoint2D);
        EXPECT_EQ(w.GetStream().size, 0U) << threshold;
        EXPECT_EQ(w.GetError(), eMemOutOfMemory) << threshold;
        w.ClearStream();
        w.DataHere(points, tooMany, eGSPoint2D);
        EXPECT_EQ(w.GetStream().size, 0U) << threshold;
        EXPECT_EQ(w.GetError(), eMemOutOfMemory) << threshold;
        w.ClearStream();
        w.Data(points, 2, eGSPoint2D);
        EXPECT_EQ(At<std::uint32_t>(w.GetStream(), 16), 4U) << "a fitting count still goes in";
        EXPECT_EQ(w.GetError(), eNoErr);
    }
}

// A target whose capacity is exactly `capacity`, filled with 16-byte records up to `filled`.
struct FilledTarget {
    Utils::KCStMemObj target;
    KCGraphicStreamBinaryWriter writer;
    FilledTarget(unsigned int capacity, unsigned int filled) : writer(target, 0) {
        EXPECT_EQ(target.ReservePtr(capacity), eNoErr);
        for (unsigned int i = 0; i < filled / sizeof(SGSOldStyleDraw); ++i) {
            SGSOldStyleDraw draw;
            draw.param1 = static_cast<std::int32_t>(i);
            writer.DrawOldStylePlugin(draw);
        }
        EXPECT_EQ(target.size, filled);
        EXPECT_EQ(target.GetAllocatedPtrSize(), capacity) << "filling must not grow";
    }
};

TEST(GSWriter, RecordsStraddlingTheEndOfTheBlockDoubleItAndLandWhole) {
    constexpr unsigned int kCapacity = 4096;
    // The same records written into a fresh writer give the expected bytes.
    auto expected = [](const auto& write) {
        FilledTarget reference(1U << 16, kCapacity - 16);
        write(reference.writer);
        return Bytes(reference.target, 0, reference.target.size);
    };
    const auto text = [](KCGraphicStreamBinaryWriter& w) { w.DataHereStr("twenty characters..."); };
    const auto oval = [](KCGraphicStreamBinaryWriter& w) {
        SGSDrawOval o;
        o.rect = {1, 2, 3, 4};
        w.DrawOval(o);
    };
    const auto line = [](KCGraphicStreamBinaryWriter& w) {
        w.DrawLine(KCRGBAColor{1, 2, 3, 4}, {5, 6}, {7, 8}, 2.0F, false, 0x0F0F);
    };
    for (const auto& write : {std::function<void(KCGraphicStreamBinaryWriter&)>(text),
                              std::function<void(KCGraphicStreamBinaryWriter&)>(oval),
                              std::function<void(KCGraphicStreamBinaryWriter&)>(line)}) {
        // 16 bytes are left: every one of these records needs more.
        FilledTarget t(kCapacity, kCapacity - 16);
        write(t.writer);
        EXPECT_EQ(t.writer.GetError(), eNoErr);
        EXPECT_GE(t.target.GetAllocatedPtrSize(), 2 * kCapacity) << "growth doubles";
        EXPECT_EQ(Bytes(t.target, 0, t.target.size), expected(write));
    }
}

TEST(GSWriter, ASourceTakenFromTheStreamItselfSurvivesTheBlockMoving) {
    // A record and a string copied out of the stream being written: the block must grow, so
    // the writer has to find its source again at the block's new place.
    FilledTarget t(4096, 4096);
    const char* base = static_cast<const char*>(t.target.ptr);
    t.writer.DrawOldStylePlugin(*reinterpret_cast<const SGSOldStyleDraw*>(base + 16));
    ASSERT_EQ(t.writer.GetError(), eNoErr);
    const unsigned int copied = 4096;
    EXPECT_EQ(Bytes(t.target, copied, sizeof(SGSOldStyleDraw)),
              Bytes(t.target, 16, sizeof(SGSOldStyleDraw)));
    EXPECT_EQ(At<SGSOldStyleDraw>(t.target, copied).param1, 1);

    FilledTarget d(4096, 4096 - 16);
    const auto* ints = reinterpret_cast<const int*>(static_cast<const char*>(d.target.ptr) + 64);
    std::vector<int> expected(ints, ints + 64);
    d.writer.DataHere(ints, 64, eGSText);
    ASSERT_EQ(d.writer.GetError(), eNoErr);
    const auto* stored = static_cast<const char*>(d.target.ptr) + d.target.size - 64 * sizeof(int);
    EXPECT_EQ(std::memcmp(stored, expected.data(), 64 * sizeof(int)), 0);
}

TEST(GSWriter, ARecordThatExactlyFillsTheBlockDoesNotGrowIt) {
    FilledTarget t(4096, 4096 - 48);
    t.writer.DrawOval(SGSDrawOval());
    EXPECT_EQ(t.target.size, 4096U);
    EXPECT_EQ(t.target.GetAllocatedPtrSize(), 4096U);
    EXPECT_EQ(At<SGSCommandHeader>(t.target, 4096 - 48).code, eGSDrawOval);
    t.writer.CloseFrame(eGSEndFrame);
    EXPECT_GE(t.target.GetAllocatedPtrSize(), 8192U);
    EXPECT_EQ(At<SGSCommandHeader>(t.target, 4096).code, eGSEndFrame);
}

TEST(GSWriter, ALongStreamGrowsItsBlockOnlyLogarithmicallyOften) {
    KCGraphicStreamBinaryWriter w;
    unsigned int growths = 0;
    unsigned int capacity = 0;
    for (int i = 0; i < 20000; ++i) {
        w.DrawTheText("Gain", 0, eGSLeft, eGSTop);
        w.DrawLine(KCRGBAColor{}, {0, 0}, {1, 1}, 1.0F, true);
        if (w.GetStream().GetAllocatedPtrSize() != capacity) {
            capacity = w.GetStream().GetAllocatedPtrSize();
            ++growths;
        }
    }
    EXPECT_EQ(w.GetError(), eNoErr);
    EXPECT_LE(growths, 20U);
    EXPECT_LE(w.GetStream().GetAllocatedPtrSize(), 2 * w.GetStream().size);
    // ClearStream keeps the block: writing the same again does not grow it.
    w.ClearStream();
    for (int i = 0; i < 20000; ++i) {
        w.DrawTheText("Gain", 0, eGSLeft, eGSTop);
        w.DrawLine(KCRGBAColor{}, {0, 0}, {1, 1}, 1.0F, true);
    }
    EXPECT_EQ(w.GetStream().GetAllocatedPtrSize(), capacity);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::kvGS
