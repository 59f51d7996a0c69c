// Each draw-graph primitive read from its description and drawn: the records it writes, read
// back with the stream reader.
#include "korvane/graphs/draw_graph_line_strip.h"
#include "korvane/graphs/draw_graph_series.h"
#include "korvane/graphs/draw_graph_shapes.h"
#include "korvane/graphs/draw_graph_text.h"

#include "korvane/gs/testing/recorder.h"
#include "korvane/xml/tree_builder.h"
#include "korvane/xml/xml_element.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace kvKorvaneV10_0_3 {
namespace {

using kvGS::SGSDrawVertices;
using kvGS::SGSRGBAColor;
using kvGS::test_support::Recorder;
using Calls = std::vector<std::string>;

void Describe(KCGraphDataBase& graph, const std::string& xml) {
    XML::CXMLElement root;
    XML::CXMLTreeBuilder builder(root);
    ASSERT_EQ(builder.BuildFromSingleBuffer(xml.data(), static_cast<unsigned int>(xml.size())), 0);
    graph.ReadFromXML(&root);
}

// Draws the graph inside a stream and reads it back; the drawing's result in `result`.
void Draw(KCGraphDataBase& graph, Recorder& r, int* result = nullptr) {
    kvGS::KCGraphicStreamBinaryWriter w;
    {
        kvGS::KCStGSStreamStructWriter guard(w, kvGS::SGSStream());
        const int drawn = graph.GetDrawInstructions(w);
        if (result != nullptr) {
            *result = drawn;
        }
    }
    EXPECT_GE(r.ExecStream(w.GetStream()), 0);
}

TEST(DrawGraph, LineStripsDrawTheOuterStrokeThenTheLine) {
    TKCDrawGraph_LineStrip<KCPoint2D<short>> strip;
    Describe(strip, R"(<DrawClass Type="DrawGraph_LineStrip" DataType="Point2s"
        NoAntialiasing="True" XOR="1" LineThickness="2.5" Pattern="255" OuterLineThickness="6">
      <LineColor red="255" green="0" blue="0" alpha="255"/>
      <BGLineColor red="0" green="0" blue="255" alpha="255"/>
      <OuterFGLineColor red="0" green="255" blue="0" alpha="128"/>
      <Interpolation Type="Off"/>
    </DrawClass>)");
    strip.SetData({{0, 10}, {5, 20}, {10, 0}});
    Recorder r;
    Draw(strip, r);
    EXPECT_EQ(r.calls, (Calls{"BSTM", "data pnt2 6", "dVIN", "dVIN", "dVIN", "ESTM"}));
    ASSERT_EQ(r.vertices.size(), 3U);
    const int flags = SGSDrawVertices::NoAntialias | SGSDrawVertices::eDrawInXORMode;
    const SGSDrawVertices& outer = r.vertices[0];
    EXPECT_EQ(outer.stroke_width, 6.0F);
    EXPECT_EQ(outer.draw_color, (SGSRGBAColor{0, 255, 0, 128}));
    EXPECT_EQ(outer.flags, flags);
    const SGSDrawVertices& under = r.vertices[1];  // the pattern's gaps
    EXPECT_EQ(under.stroke_pattern, 0xFFFF);
    EXPECT_EQ(under.draw_color, (SGSRGBAColor{0, 0, 255, 255}));
    const SGSDrawVertices& line = r.vertices[2];
    EXPECT_EQ(line.method, kvGS::eGSLineStrip);
    EXPECT_EQ(line.stroke_width, 2.5F);
    EXPECT_EQ(line.stroke_pattern, 255);
    EXPECT_EQ(line.draw_color, (SGSRGBAColor{255, 0, 0, 255}));
    EXPECT_EQ(r.points[2], (std::vector<float>{0, 10, 5, 20, 10, 0}));

    strip.SetLineColor(KCRGBAColor{1, 1, 1, 255});
    strip.SetIsRuntimeLineColor(true);
    strip.SetInterpolation(EInterpolationType::eCosine, 5, false);
    Recorder interpolated;
    Draw(strip, interpolated);
    EXPECT_EQ(interpolated.calls[1], "data pnt2 10");
    EXPECT_EQ(interpolated.vertices.back().draw_color, (SGSRGBAColor{1, 1, 1, 255}));
    EXPECT_EQ(interpolated.points.back()[2], 3) << "x 2.5 rounds";
    EXPECT_EQ(interpolated.points.back()[3], 15) << "cosine midpoint of 10 and 20";

    strip.SetInterpolation(EInterpolationType::eSpline1, 5, true);
    Recorder adapted;
    Draw(strip, adapted);
    EXPECT_EQ(adapted.calls[1], "data pnt2 22") << "one point per pixel over x 0..10";

    // Points whose x goes back cannot be interpolated: they are drawn as they are.
    strip.SetData({{0, 0}, {10, 5}, {5, 9}});
    Recorder raw;
    Draw(strip, raw);
    EXPECT_EQ(raw.points.back(), (std::vector<float>{0, 0, 10, 5, 5, 9}));

    TKCDrawGraph_LineStrip<KCPoint2D<float>> empty;
    Recorder nothing;
    int result = 0;
    Draw(empty, nothing, &result);
    EXPECT_EQ(result, eGMNoVertices);
    EXPECT_EQ(nothing.calls, (Calls{"BSTM", "ESTM"}));
}

TEST(DrawGraph, ThePlainLineStripHasOneStrokeAndNoInterpolation) {
    KCDrawGraph_LineStrip strip;
    Describe(strip, R"(<DrawClass Type="DrawGraph_LineStrip" LineThickness="3"
        OuterLineThickness="9"><Interpolation Type="Cosine" NumPoints="50"/></DrawClass>)");
    strip.SetData({{0.5F, 1}, {2, 3}});
    Recorder r;
    Draw(strip, r);
    EXPECT_EQ(r.calls, (Calls{"BSTM", "data pnt2 4", "dVIN", "ESTM"}));
    EXPECT_EQ(r.points[0], (std::vector<float>{0.5F, 1, 2, 3}));
    EXPECT_EQ(r.vertices[0].stroke_width, 3.0F);

    // A label in its own frame.
    Recorder label;
    kvGS::KCGraphicStreamBinaryWriter w;
    {
        kvGS::KCStGSStreamStructWriter guard(w, kvGS::SGSStream());
        strip.GetTextDrawInstructions(w, "-6 dB", KURect<short>(1, 2, 11, 42));
    }
    EXPECT_GE(label.ExecStream(w.GetStream()), 0);
    EXPECT_EQ(label.calls, (Calls{"BSTM", "BFRM", "tnof", "data text 5", "dTXT", "EFRM", "ESTM"}));
    EXPECT_EQ(label.texts, (std::vector<std::string>{"-6 dB"}));
    EXPECT_EQ(label.frames[0].rect, (kvGS::SGSRect{2, 1, 40, 10}));
}

TEST(DrawGraph, AreasPolygonPipeRectangleAndTexture) {
    KCDrawGraph_Polygon polygon;
    Describe(polygon, R"(<DrawClass Type="DrawGraph_Polygon" OutlineThickness="2">
      <OutlineColor red="9" green="9" blue="9" alpha="255"/></DrawClass>)");
    polygon.SetPoint(2, {{5, 5}, KCRGBAColor{3, 3, 3, 255}, 1});
    polygon.SetPoint(0, {{0, 0}, KCRGBAColor{1, 1, 1, 255}, 1});
    polygon.SetPoint(1, {{5, 0}, KCRGBAColor{2, 2, 2, 255}, 1});
    Recorder r;
    Draw(polygon, r);
    EXPECT_EQ(r.calls, (Calls{"BSTM", "data pnt2 6", "data abgr 12", "dVIN", "data pnt2 8", "dVIN",
                              "ESTM"}));
    EXPECT_EQ(r.vertices[0].method, kvGS::eGSPolygon);
    EXPECT_EQ(r.vertices[0].flags & SGSDrawVertices::ColorsInData, SGSDrawVertices::ColorsInData);
    EXPECT_EQ(r.vertices[1].method, kvGS::eGSLineStrip);
    EXPECT_EQ(r.vertices[1].draw_color, (SGSRGBAColor{9, 9, 9, 255}));
    EXPECT_EQ(r.points[1], (std::vector<float>{0, 0, 5, 0, 5, 5, 0, 0})) << "closed outline";

    KCDrawGraph_GradientPipe pipe;
    Describe(pipe, R"(<DrawClass Type="DrawGraph_GradientPipe" DataSize="3" XScale="10"
        YScale="2" BorderLineThickness="1.5">
      <FillColorTop red="200" green="0" blue="0" alpha="255"/>
      <Colors><ColorSet Index="2">
        <FillColorTop red="0" green="200" blue="0" alpha="255"/>
        <BorderLineColorBottom red="0" green="0" blue="7" alpha="255"/>
      </ColorSet></Colors></DrawClass>)");
    ASSERT_EQ(pipe.GetDataSize(), 3U);
    for (unsigned int i = 0; i < 3; ++i) {
        pipe.GetTopLine()[i] = 10.0F + static_cast<float>(i);
        pipe.GetBottomLine()[i] = 20.0F;
    }
    pipe.SetColorIndex(2);
    Recorder band;
    Draw(pipe, band);
    EXPECT_EQ(band.calls, (Calls{"BSTM", "data pnt2 12", "data abgr 24", "dVIN", "data pnt2 6",
                                 "dVIN", "data pnt2 6", "dVIN", "ESTM"}));
    EXPECT_EQ(band.vertices[0].method, kvGS::eGSTriangleStrip);
    EXPECT_EQ(band.points[0], (std::vector<float>{0, 20, 0, 40, 10, 22, 10, 40, 20, 24, 20, 40}))
        << "top and bottom alternate, scaled";
    EXPECT_EQ(band.vertices[1].stroke_width, 1.5F);
    EXPECT_EQ(band.vertices[2].draw_color, (SGSRGBAColor{0, 0, 7, 255}));
    EXPECT_EQ(pipe.GetCurrentColors().fillTop, (KCRGBAColor{0, 200, 0, 255}));
    pipe.SetColorIndex(5);
    EXPECT_EQ(pipe.GetCurrentColors().fillTop, (KCRGBAColor{200, 0, 0, 255})) << "set 0";
    kvGS::KCGraphicStreamBinaryWriter lines;
    EXPECT_EQ(pipe.GetGraphDataAsGraphicStream(lines), 0);
    EXPECT_EQ(lines.GetStream().size, 2U * (28U + 12U) + sizeof(SGSDrawVertices))
        << "two lines of three short points, the first drawn";

    KCDrawGraph_ColorRect rect;
    Describe(rect, R"(<DrawClass Type="DrawGraph_ColorRect">
      <PositionRect left="1" top="2" width="3" height="4"/>
      <FillColor red="5" green="6" blue="7" alpha="8"/></DrawClass>)");
    Recorder solid;
    Draw(rect, solid);
    EXPECT_EQ(solid.calls, (Calls{"BSTM", "data pnt2 8", "dVIN", "ESTM"}));
    EXPECT_EQ(solid.points[0], (std::vector<float>{1, 2, 4, 2, 4, 6, 1, 6}));
    EXPECT_EQ(solid.vertices[0].draw_color, (SGSRGBAColor{5, 6, 7, 8}));

    KCDrawGraph_ClippedTexture texture;
    Describe(texture, R"(<DrawClass Type="DrawGraph_ClippedTexture" Image="grain">
      <PositionRect left="10" top="20" width="100" height="50"/></DrawClass>)");
    texture.SetData({{10, 30}, {60, 25}, {110, 40}});
    Recorder clipped;
    Draw(texture, clipped);
    EXPECT_EQ(clipped.calls, (Calls{"BSTM", "BFRM", "data pnt2 10", "cVIN", "data text 5", "ePNG",
                                    "EFRM", "data pnt2 6", "dVIN", "ESTM"}));
    EXPECT_EQ(clipped.points[0], (std::vector<float>{10, 30, 60, 25, 110, 40}))
        << "the curve itself in the graph's coordinates";
}

// The element array is public (ResizeGraph, Data, SetData): drawing must follow its real size,
// and index setters must not grow a graph without bound.
TEST(DrawGraph, SizesFollowTheElementsAndIndicesAreBounded) {
    KCDrawGraph_GradientPipe pipe;
    pipe.SetDataSize(3);
    ASSERT_TRUE(pipe.ResizeGraph(2));  // as a parameter does for all of its graphs
    EXPECT_EQ(pipe.GetDataSize(), 1U);
    Recorder none;
    int result = 0;
    Draw(pipe, none, &result);
    EXPECT_EQ(result, eGMNoVertices) << "one point a curve";
    pipe.Data().assign({1, 2, 3, 4, 5});  // odd: the last value belongs to neither curve
    ASSERT_EQ(pipe.GetDataSize(), 2U);
    EXPECT_EQ(pipe.GetBottomLine(), pipe.GetTopLine() + 2);
    Recorder band;
    Draw(pipe, band, &result);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(band.points.at(0), (std::vector<float>{0, 1, 0, 3, 1, 2, 1, 4}));
    pipe.SetData(std::vector<float>(1));
    kvGS::KCGraphicStreamBinaryWriter lines;
    lines.OpenFrame(kvGS::SGSFrame());
    EXPECT_EQ(pipe.GetGraphDataAsGraphicStream(lines), 0);
    lines.CloseFrame(kvGS::eGSEndFrame);
    Recorder empty;
    ASSERT_GE(empty.ExecStream(lines.GetStream()), 0);
    EXPECT_EQ(empty.calls,
              (Calls{"BFRM", "data pnt2 0 nopayload", "dVIN", "data pnt2 0 nopayload", "EFRM"}));

    const KCRGBAColor red{255, 0, 0, 255};
    EXPECT_TRUE(pipe.SetColorForIndex(255, red, red, red, red));
    EXPECT_FALSE(pipe.SetColorForIndex(256, red, red, red, red));
    EXPECT_FALSE(pipe.SetColorForIndex(0xFFFFFFFFU, red, red, red, red));
    pipe.SetColorIndex(256);
    EXPECT_EQ(pipe.GetCurrentColors().fillTop, KCRGBAColor()) << "set 0";

    KCDrawGraph_Polygon polygon;
    KCDrawGraph_LineSeries series;
    KCDrawGraph_OvalSeries ovals;
    EXPECT_FALSE(polygon.SetPoint(kMaxIndexedGraphElements, {}));
    EXPECT_FALSE(series.SetLine(0xFFFFFFFFU, {}));
    EXPECT_FALSE(ovals.SetOval(kMaxIndexedGraphElements, {}));
    EXPECT_EQ(polygon.GetGraphSize() + series.GetGraphSize() + ovals.GetGraphSize(), 0U);
    EXPECT_TRUE(ovals.SetOval(kMaxIndexedGraphElements - 1, {}));
    EXPECT_EQ(ovals.GetGraphSize(), kMaxIndexedGraphElements);

    // A curve whose x is not finite has no width to adapt to; it is drawn as it is.
    for (const float bad :
         {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()}) {
        TKCDrawGraph_LineStrip<KCPoint2D<float>> strip;
        strip.SetInterpolation(EInterpolationType::eSpline1, 40, true);
        strip.SetData({{0, 1}, {5, 2}, {bad, 3}});
        const std::vector<KCPoint2D<float>> drawn = strip.DrawnPoints();
        ASSERT_EQ(drawn.size(), 3U) << bad;
        EXPECT_EQ(drawn[1], KCPoint2D<float>(5, 2)) << bad;
        strip.Data().back().x = 10;
        EXPECT_EQ(strip.DrawnPoints().size(), 11U) << "one point per unit of width";
    }
}

TEST(DrawGraph, SeriesScopeAndText) {
    KCDrawGraph_LineSeries lines;
    Describe(lines, R"(<DrawClass Type="DrawGraph_LineSeries" LineThickness="2"/>)");
    lines.SetLine(0, {{0, 0}, {1, 1}, KCRGBAColor{1, 0, 0, 255}, 0});
    lines.SetLine(1, {{2, 2}, {3, 3}, KCRGBAColor{2, 0, 0, 255}, 0});
    lines.SetLine(2, {{4, 4}, {5, 5}, KCRGBAColor{3, 0, 0, 255}, 7});
    Recorder r;
    Draw(lines, r);
    EXPECT_EQ(r.calls, (Calls{"BSTM", "data pnt2 8", "data abgr 16", "dVIN", "data pnt2 4",
                              "data abgr 8", "dVIN", "ESTM"}));
    EXPECT_EQ(r.vertices[0].method, kvGS::eGSStraightLines);
    EXPECT_EQ(r.vertices[0].stroke_width, 2.0F);
    EXPECT_EQ(r.vertices[1].stroke_width, 7.0F);

    KCDrawGraph_PointSeries points;
    points.AddPoint(0, {{10, 10}, KCRGBAColor{}, 4});
    points.AddPoint(0, {{20, 20}, KCRGBAColor{}, 4});
    Recorder dots;
    Draw(points, dots);
    EXPECT_EQ(dots.calls, (Calls{"BSTM", "data pnt2 8", "data abgr 16", "dVIN", "ESTM"}));
    EXPECT_EQ(dots.points[0][0], 18.0F) << "the inserted point comes first";

    KCDrawGraph_OvalSeries ovals;
    ovals.SetOval(1, {KURect<short>(0, 0, 10, 20), KCRGBAColor{4, 5, 6, 255}, 90, 180});
    Recorder o;
    Draw(ovals, o);
    ASSERT_EQ(o.ovals.size(), 2U);
    EXPECT_EQ(o.ovals[1].rect, (kvGS::SGSRect{0, 0, 20, 10}));
    EXPECT_EQ(o.ovals[1].start_angle, 90.0F);
    EXPECT_EQ(o.ovals[1].sweep_angle, 180.0F);
    EXPECT_EQ(o.ovals[1].stroke_width, 0.0F) << "filled";
    EXPECT_EQ(o.ovals[1].draw_color, (SGSRGBAColor{4, 5, 6, 255}));

    KCDrawGraph_SurroundScope scope;
    scope.SetPositionRect(KURect<short>(0, 0, 100, 100));
    scope.SetData({{50, 10}, {90, 50}, {50, 90}});
    Recorder s;
    Draw(scope, s);
    EXPECT_EQ(s.calls, (Calls{"BSTM", "data pnt2 8", "dVIN", "data pnt2 12", "dVIN", "ESTM"}));
    EXPECT_EQ(s.points[1][0], 50.0F);
    EXPECT_EQ(s.vertices[1].method, kvGS::eGSStraightLines);

    KCDrawGraph_Text text;
    Describe(text, R"(<DrawClass Type="DrawGraph_Text" Flags="5">
      <PositionRect left="100" top="200" width="50" height="50"/>
      <TextItem String="Low" Image="badge"><Position left="1" top="2" width="30" height="10"/>
        <ImageRect left="0" top="0" width="30" height="10"/></TextItem>
      <TextItem String="High" RelativeToGraphWin="False">
        <Font Name="Serif" Size="20"/><Position left="3" top="4" width="30" height="10"/>
      </TextItem></DrawClass>)");
    ASSERT_EQ(text.GetGraphSize(), 2U);
    EXPECT_EQ(text.GetText(1), "High");
    EXPECT_EQ(text.GetText(7), "");
    Recorder t;
    Draw(text, t);
    EXPECT_EQ(t.calls, (Calls{"BSTM", "BFRM", "data text 5", "ePNG", "tnof", "data text 3", "dTXT",
                              "EFRM", "BFRM", "tnof", "data text 4", "dTXT", "EFRM", "ESTM"}));
    EXPECT_EQ(t.frames[0].rect, (kvGS::SGSRect{101, 202, 30, 10})) << "relative to the graph";
    EXPECT_EQ(t.frames[1].rect, (kvGS::SGSRect{3, 4, 30, 10}));
    EXPECT_EQ(t.texts, (std::vector<std::string>{"Low", "High"}));
    text.PopBack();
    text.SetText(3, "Mid");
    EXPECT_EQ(text.GetGraphSize(), 4U);
    text.Clear();
    EXPECT_EQ(text.GetGraphSize(), 0U);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
