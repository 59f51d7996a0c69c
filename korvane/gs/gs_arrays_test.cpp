// Vertex arrays: the kind rules, ranges, the consistency check and the records they write.
#include "korvane/gs/gs_arrays.h"

#include "korvane/gs/testing/recorder.h"

#include <gtest/gtest.h>

namespace kvKorvaneV10_0_3::kvGS {
namespace {

using test_support::Recorder;
using Calls = std::vector<std::string>;

// Reads the body's records inside a frame.
void Read(const KCGraphicStreamBinaryWriter& body, Recorder& r) {
    Utils::KCStMemObj target;
    KCGraphicStreamBinaryWriter w(target, 0);
    w.OpenFrame(SGSFrame());
    const auto& s = body.GetStream();
    EXPECT_EQ(target.Append(static_cast<const char*>(s.ptr), s.size), eNoErr);
    w.CloseFrame(eGSEndFrame);
    EXPECT_GE(r.ExecStream(target), 0);
}

TEST(GSArrays, KindsAndRangesAreKept) {
    KCGSArrays a;
    EXPECT_EQ(a.AddPoint_2Ds(1, 2), eNoErr);
    EXPECT_EQ(a.AddPoint_2Df(1, 2), eValueWrongSize) << "the first vertex fixed 2-D short";
    EXPECT_EQ(a.AddPoint_3Ds(1, 2, 3), eValueWrongSize);
    const std::vector<KCPoint2D<short>> more = {{3, 4}, {5, 6}, {7, 8}};
    EXPECT_EQ(a.AddPoints_2Ds(more), eNoErr);
    EXPECT_EQ(a.GetNumVerticesTotal(), 4U);
    EXPECT_EQ(a.GetVerticesSizeInBytes(), 16U);
    a.SetRange(1, 2);
    EXPECT_EQ(a.GetNumVertices(), 2U);
    EXPECT_EQ(static_cast<const short*>(a.GetVerticesPtr())[0], 3);
    a.SetRange(3, 10);
    EXPECT_EQ(a.GetNumVertices(), 1U) << "a range is cut to the vertices there are";
    a.SetRange(9, 0);
    EXPECT_EQ(a.GetNumVertices(), 0U);
    EXPECT_EQ(a.GetVerticesPtr(), nullptr);

    EXPECT_EQ(a.AddColor_3ub(1, 2, 3), eNoErr);
    EXPECT_EQ(a.AddColor_4ub(1, 2, 3, 4), eValueWrongSize);
    EXPECT_EQ(a.AddPoints_2Df(nullptr, 3), eMemNullPointer);

    a.Start();
    EXPECT_EQ(a.GetNumVerticesTotal(), 0U);
    EXPECT_EQ(a.AddPoint_3Df(1, 2, 3), eNoErr) << "Start frees the kind";
    EXPECT_EQ(a.GetDimension(), 3U);
}

TEST(GSArrays, ConsistencyIsCheckedBeforeAnythingIsWritten) {
    KCGSArrays a;
    EXPECT_EQ(a.AddPoint_2Df(0, 0), eNoErr);
    EXPECT_EQ(a.AddPoint_2Df(1, 1), eNoErr);
    EXPECT_EQ(a.AddPoint_2Df(2, 0), eNoErr);
    KCGraphicStreamBinaryWriter w;
    EXPECT_EQ(a.GetDrawInstructionsStraightLines(w), eGMNoVertices) << "odd vertex count";
    EXPECT_EQ(w.GetStream().size, 0U);
    EXPECT_EQ(a.AddColors_3ub(std::vector<std::uint8_t>(6, 9).data(), 2), eNoErr);
    EXPECT_EQ(a.GetDrawInstructionsPolygon(w), eGMNoColors) << "fewer colours than vertices";
    EXPECT_EQ(w.GetStream().size, 0U);
    a.SetRange(0, 2);
    EXPECT_EQ(a.GetDrawInstructionsPolygon(w), eGMNoVertices);
    EXPECT_EQ(a.GetDrawInstructionsLineStrip(w), eNoErr);
    KCGSArrays empty;
    EXPECT_EQ(empty.GetDrawInstructionsPoints(w), eGMNoVertices);
}

TEST(GSArrays, PrimitivesWriteVerticesColoursAndTheirRecord) {
    KCGSArrays a;
    a.SetDrawColor(KCRGBAColor{1, 2, 3, 4});
    a.SetStrokeWidth(3);
    a.SetStrokePattern(0x00FF);
    a.SetAntialias(false);
    a.SetXorMode(true);
    const KCPoint3D<short> p[3] = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}};
    EXPECT_EQ(a.AddPoints_3Ds(p, 3), eNoErr);
    const std::uint8_t rgba[12] = {9, 9, 9, 9, 8, 8, 8, 8, 7, 7, 7, 7};
    EXPECT_EQ(a.AddColors_4ub(rgba, 3), eNoErr);
    KCGraphicStreamBinaryWriter w;
    ASSERT_EQ(a.GetDrawInstructionsTriangleFan(w), eNoErr);
    Recorder r;
    Read(w, r);
    EXPECT_EQ(r.calls, (Calls{"BFRM", "data pnt3 9", "data abgr 12", "dVIN", "EFRM"}));
    ASSERT_EQ(r.vertices.size(), 1U);
    const SGSDrawVertices& v = r.vertices[0];
    EXPECT_EQ(v.method, eGSTriangleFan);
    EXPECT_EQ(v.stroke_width, 3.0F);
    EXPECT_EQ(v.stroke_pattern, 0x00FF);
    EXPECT_EQ(v.flags, SGSDrawVertices::NoAntialias | SGSDrawVertices::ColorsInData |
                           SGSDrawVertices::eDrawInXORMode);
    EXPECT_EQ(v.draw_color, (SGSRGBAColor{1, 2, 3, 4}));

    // Points: a dot of the stroke width is a segment across each point.
    KCGSArrays dots;
    dots.SetStrokeWidth(4);
    EXPECT_EQ(dots.AddPoint_2Df(10, 20), eNoErr);
    EXPECT_EQ(dots.AddPoint_2Df(30, 40), eNoErr);
    KCGraphicStreamBinaryWriter d;
    ASSERT_EQ(dots.GetDrawInstructionsPoints(d), eNoErr);
    Recorder rd;
    Read(d, rd);
    EXPECT_EQ(rd.calls, (Calls{"BFRM", "data pnt2 8", "dVIN", "EFRM"}));
    EXPECT_EQ(rd.vertices.at(0).method, eGSStraightLines);
    EXPECT_EQ(rd.points.at(0), (std::vector<float>{8, 20, 12, 20, 28, 40, 32, 40}));

    KCGraphicStreamBinaryWriter c;
    ASSERT_EQ(dots.GetDrawInstructionsForClipLine(c), eGMNoVertices) << "two points: no shape";
    ASSERT_EQ(dots.GetDrawInstructionsOval(c, KURect<short>(1, 2, 11, 22), 16, 90, 180), eNoErr);
    Recorder rc;
    Read(c, rc);
    EXPECT_EQ(rc.calls, (Calls{"BFRM", "lavO", "EFRM"}));
}

// Arrays are scratch space: whatever the writer's threshold, their vertices and colours must be
// in the stream, not behind a pointer into arrays that are refilled or gone when it is read.
TEST(GSArrays, ScratchDataIsCopiedEvenWithAPointerThreshold) {
    Utils::KCStMemObj target;
    KCGraphicStreamBinaryWriter w(target, 1);  // every payload of a byte or more as "DataPtr"
    w.OpenFrame(SGSFrame());
    {
        KCGSArrays a;
        EXPECT_EQ(a.AddPoint_2Df(1, 2), eNoErr);
        EXPECT_EQ(a.AddPoint_2Df(3, 4), eNoErr);
        EXPECT_EQ(a.AddColor_3ub(10, 11, 12), eNoErr);
        EXPECT_EQ(a.AddColor_3ub(13, 14, 15), eNoErr);
        ASSERT_EQ(a.GetDrawInstructionsLineStrip(w), eNoErr);
        a.Start();  // reused for the next primitive
        for (int i = 0; i < 64; ++i) {
            EXPECT_EQ(a.AddPoint_2Df(100.0F + static_cast<float>(i), 7), eNoErr);
        }
        ASSERT_EQ(a.GetDrawInstructionsPoints(w), eNoErr);  // built in arrays of its own
    }  // the arrays are gone before the stream is read
    w.CloseFrame(eGSEndFrame);
    Recorder r;
    // A whole stream returns the last handler's value, an error code is negative.
    ASSERT_GE(r.ExecStreamInProcess(static_cast<const char*>(target.ptr), target.size), 0);
    ASSERT_EQ(r.points.size(), 2U);
    EXPECT_EQ(r.points[0], (std::vector<float>{1, 2, 3, 4}));
    ASSERT_EQ(r.points[1].size(), 64U * 4U);
    EXPECT_EQ(r.points[1][0], 99.5F);
    EXPECT_EQ(r.points[1][255], 7.0F);
    EXPECT_EQ(r.calls[2], "data _bgr 6");
    // The same bytes read as foreign data lose nothing either.
    Recorder foreign;
    ASSERT_GE(foreign.ExecStream(target), 0);
    EXPECT_EQ(foreign.points, r.points);
}

// Too few colours for the range: no colour record rather than bytes past the colours.
TEST(GSArrays, TooFewColoursForTheRangeWriteNoColourRecord) {
    KCGSArrays few;
    EXPECT_EQ(few.AddPoint_2Ds(1, 1), eNoErr);
    EXPECT_EQ(few.AddPoint_2Ds(2, 2), eNoErr);
    EXPECT_EQ(few.AddPoint_2Ds(3, 3), eNoErr);
    EXPECT_EQ(few.AddColor_4ub(1, 2, 3, 4), eNoErr);
    EXPECT_EQ(few.AddColor_4ub(5, 6, 7, 8), eNoErr);
    KCGraphicStreamBinaryWriter c;
    EXPECT_FALSE(few.GiveColorsToGS(c));
    EXPECT_EQ(c.GetStream().size, 0U);
    few.SetRange(1, 1);
    EXPECT_TRUE(few.GiveColorsToGS(c));
    Recorder rc;
    Read(c, rc);
    EXPECT_EQ(rc.calls, (Calls{"BFRM", "data abgr 4", "EFRM"}));
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::kvGS
