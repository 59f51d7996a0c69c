// The SVG rendering of a stream, written as XML text, parsed back with the element tree and
// checked element by element.
#include "korvane/gs/gs_svg.h"

#include "korvane/core/number_format.h"
#include "korvane/core/testing/locale_guard.h"
#include "korvane/gs/gs_writer.h"
#include "korvane/xml/tree_builder.h"
#include "korvane/xml/xml_element.h"
#include "korvane/xml/xml_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace kvKorvaneV10_0_3::kvGS {
namespace {

using XML::CXMLElement;

std::string Attr(const CXMLElement* e, const char* name) {
    std::string value = "<missing>";
    if (e != nullptr) {
        e->GetAttrib(name, value);
    }
    return value;
}

const CXMLElement* Child(const CXMLElement* e, std::size_t i) {
    return e != nullptr && i < e->GetSubElements().size() ? e->GetSubElements()[i] : nullptr;
}

std::string Name(const CXMLElement* e) {
    return e == nullptr ? "<none>" : e->GetName().c_str();
}

std::string Rendered(const KCGraphicStreamBinaryWriter& w) {
    CXMLElement svg;
    KCGraphicStreamToSVG render(&svg);
    const auto& s = w.GetStream();
    EXPECT_EQ(render.ExecStream(static_cast<const char*>(s.ptr), s.size), eNoErr);
    std::string text;
    XML::AppendXML(text, svg, false, true, 0);
    return text;
}

// Coordinates, widths and opacities are the same text whatever locale a host has set.
TEST(GSSvg, NumbersAreTheSameInADecimalCommaLocale) {
    KCGraphicStreamBinaryWriter w;
    {
        KCStGSStreamStructWriter guard(w, SGSStream());
        w.DrawSolidRect(KCRGBAColor{10, 20, 30, 128}, KURect<short>(0, 0, 200, 300));
        SGSDrawOval oval;
        oval.rect = {0, 0, 21, 11};
        oval.stroke_width = 1.5F;
        oval.sweep_angle = 100.0F;
        w.DrawOval(oval);
        const KCPoint2D<float> points[2] = {{0.25F, 1.5F}, {-2.75F, 1234.5F}};
        w.Data(points, 2, eGSPoint2D);
        SGSDrawVertices v;
        v.stroke_width = 0.5F;
        v.scale = {1.5F, 2.0F, 1.0F};
        w.DrawVertices(v);
    }
    const std::string classic = Rendered(w);
    for (const char* number : {"0.501961", "1.5", "0.25,1.5 -2.75,1234.5", "scale(1.5,2)"}) {
        EXPECT_NE(classic.find(number), std::string::npos) << number << " in " << classic;
    }

    const test_support::ScopedProcessLocale comma(test_support::kCommaLocale);
    if (!comma.Installed()) {
        GTEST_SKIP() << test_support::kCommaLocale << " is not installed";
    }
    EXPECT_EQ(Rendered(w), classic);
}

// One stream with a remark, a background, a rotated frame with a line, text and an image,
// rendered, written as XML text and parsed back.
class RenderedSvg : public ::testing::Test {
protected:
    void SetUp() override {
        KCGraphicStreamBinaryWriter w;
        w.SetWriteRemarks(true);
        SGSStream stream;
        stream.rect = {0, 0, 300, 200};
        {
            KCStGSStreamStructWriter guard(w, stream);
            w.SpecialText(eGSResourcesBaseURL, "/plugins/EQ.bundle");
            w.Remark("background");
            w.DrawSolidRect(KCRGBAColor{10, 20, 30, 128}, KURect<short>(0, 0, 200, 300));
            KCStGSFrameStructWriter frame(w, KURect<int>(10, 20, 110, 220), 7);
            w.RotateFrame({{}, 45, 50, 60});
            w.DrawLine(KCRGBAColor{255, 0, 0, 255}, {1, 2}, {3, 4}, 2, true);
            w.Font("Sans", 11, KCRGBAColor{0, 0, 255, 255}, 0);
            w.DrawTheText("Gain", 0, eGSLeft, eGSBottom);
            w.DrawPNGScaled(std::string_view("knob"), KURect<short>(5, 6, 25, 36));
        }
        CXMLElement svg;
        KCGraphicStreamToSVG render(&svg);
        const auto& s = w.GetStream();
        EXPECT_EQ(render.ExecStream(static_cast<const char*>(s.ptr), s.size), eNoErr);

        XML::AppendXML(text, svg, false, true, 0);
        XML::CXMLTreeBuilder builder(root);
        ASSERT_EQ(
            builder.BuildFromSingleBuffer(text.data(), static_cast<unsigned int>(text.size())),
            eNoErr)
            << text;
        ASSERT_EQ(root.GetSubElements().size(), 3U) << text;
        frame = Child(&root, 2);
        rotated = Child(frame, 0);
        ASSERT_EQ(rotated->GetSubElements().size(), 3U) << text;
    }

    std::string text;
    CXMLElement root;
    const CXMLElement* frame = nullptr;
    const CXMLElement* rotated = nullptr;
};

TEST_F(RenderedSvg, TheRootDeclaresTheNamespacesAndTheStreamSize) {
    EXPECT_EQ(Name(&root), "svg");
    EXPECT_EQ(Attr(&root, "xmlns"), "http://www.w3.org/2000/svg");
    EXPECT_EQ(Attr(&root, "xmlns:xlink"), "http://www.w3.org/1999/xlink");
    EXPECT_EQ(Attr(&root, "width"), "300");
    EXPECT_EQ(Attr(&root, "height"), "200");
    EXPECT_EQ(Attr(&root, "viewBox"), "0 0 300 200");
    EXPECT_EQ(Attr(&root, "preserveAspectRatio"), "none");
}

TEST_F(RenderedSvg, TheResourcesUrlBecomesTheBaseOfRelativeLinks) {
    EXPECT_EQ(Attr(&root, "xml:base"), "file:///plugins/EQ.bundle/");
}

TEST_F(RenderedSvg, ARemarkBecomesADescription) {
    const CXMLElement* desc = Child(&root, 0);
    EXPECT_EQ(Name(desc), "desc");
    EXPECT_EQ(desc->GetText(), "background");
}

TEST_F(RenderedSvg, ASolidRectBecomesAFilledPolygonAcrossTheStream) {
    const CXMLElement* back = Child(&root, 1);
    EXPECT_EQ(Name(back), "polygon");
    EXPECT_EQ(Attr(back, "points"), "0,0 300,0 300,200 0,200");
    EXPECT_EQ(Attr(back, "fill"), "rgb(10,20,30)");
    EXPECT_EQ(Attr(back, "fill-opacity"), "0.501961");
    EXPECT_EQ(Attr(back, "vector-effect"), "non-scaling-stroke");
}

TEST_F(RenderedSvg, AFrameTranslatesAndARotationRotatesAGroup) {
    EXPECT_EQ(Name(frame), "g");
    EXPECT_EQ(Attr(frame, "transform"), "translate(20,10)");
    EXPECT_EQ(Name(rotated), "g");
    EXPECT_EQ(Attr(rotated, "transform"), "rotate(45,50,60)");
    EXPECT_EQ(Attr(rotated, "angleDegrees"), "45");
}

TEST_F(RenderedSvg, ALineBecomesAStrokedPolyline) {
    const CXMLElement* line = Child(rotated, 0);
    EXPECT_EQ(Name(line), "polyline");
    EXPECT_EQ(Attr(line, "points"), "1,2 3,4");
    EXPECT_EQ(Attr(line, "stroke"), "rgb(255,0,0)");
    EXPECT_EQ(Attr(line, "stroke-width"), "2");
    EXPECT_EQ(Attr(line, "stroke-pattern"), "FFFF");
    EXPECT_EQ(Attr(line, "fill"), "none");
}

TEST_F(RenderedSvg, TextIsPlacedAndStyledWithItsFont) {
    const CXMLElement* label = Child(rotated, 1);
    EXPECT_EQ(Name(label), "text");
    EXPECT_EQ(label->GetText(), "Gain");
    EXPECT_EQ(Attr(label, "x"), "0");
    EXPECT_EQ(Attr(label, "y"), "100") << "bottom of the 100-pixel frame";
    EXPECT_EQ(Attr(label, "font-family"), "Sans");
    EXPECT_EQ(Attr(label, "font-size"), "11");
    EXPECT_EQ(Attr(label, "fill"), "rgb(0,0,255)");
    EXPECT_EQ(Attr(label, "style"), "text-anchor: start; dominant-baseline: text-bottom;");
}

TEST_F(RenderedSvg, AnImageLinksToItsPngInTheResources) {
    const CXMLElement* image = Child(rotated, 2);
    EXPECT_EQ(Name(image), "image");
    EXPECT_EQ(Attr(image, "x"), "6");
    EXPECT_EQ(Attr(image, "y"), "5");
    EXPECT_EQ(Attr(image, "width"), "30");
    EXPECT_EQ(Attr(image, "height"), "20");
    EXPECT_EQ(Attr(image, "xlink:href"), "Contents/Resources/PNG_knob.png");
}

TEST_F(RenderedSvg, EveryElementHasItsOwnId) {
    std::vector<std::string> ids;
    std::vector<const CXMLElement*> todo = {&root};
    while (!todo.empty()) {
        const CXMLElement* e = todo.back();
        todo.pop_back();
        if (e != &root) {
            ids.push_back(Attr(e, "id"));
        }
        todo.insert(todo.end(), e->GetSubElements().begin(), e->GetSubElements().end());
    }
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(std::adjacent_find(ids.begin(), ids.end()), ids.end());
    EXPECT_EQ(std::count(ids.begin(), ids.end(), "<missing>"), 0);
}

TEST(GSSvg, ClipsOvalsAndSegmentsBecomeTheirShapes) {
    KCGraphicStreamBinaryWriter w;
    {
        KCStGSStreamStructWriter guard(w, SGSStream());
        {
            KCStGSFrameStructWriter frame(w, KURect<int>(0, 0, 50, 50), 1);
            w.ClipRect(KURect<short>(1, 2, 11, 22));
            SGSDrawOval oval;
            oval.rect = {0, 0, 20, 10};
            oval.stroke_width = 0;
            w.DrawOval(oval);
            const short segments[8] = {0, 0, 5, 5, 10, 0, 15, 5};
            w.Data(segments, 8, eGSPoint2D);
            SGSDrawVertices v;
            v.method = eGSStraightLines;
            w.DrawVertices(v);
        }
        w.DrawLine(KCRGBAColor{}, {0, 0}, {1, 1}, 1, true);  // after the frame: outside the clip
    }
    CXMLElement svg;
    KCGraphicStreamToSVG render(&svg);
    const auto& s = w.GetStream();
    ASSERT_EQ(render.ExecStream(static_cast<const char*>(s.ptr), s.size), eNoErr);
    const CXMLElement* frame = Child(&svg, 0);
    ASSERT_EQ(frame->GetSubElements().size(), 2U);
    const CXMLElement* clip = Child(frame, 0);
    EXPECT_EQ(Name(clip), "clipPath");
    EXPECT_EQ(Name(Child(clip, 0)), "rect");
    EXPECT_EQ(Attr(Child(clip, 0), "width"), "20");
    const CXMLElement* clipped = Child(frame, 1);
    EXPECT_EQ(Attr(clipped, "clip-path"), "url(#" + Attr(clip, "id") + ")");
    const CXMLElement* ellipse = Child(clipped, 0);
    EXPECT_EQ(Name(ellipse), "ellipse");
    EXPECT_EQ(Attr(ellipse, "cx"), "10");
    EXPECT_EQ(Attr(ellipse, "ry"), "5");
    EXPECT_EQ(Attr(ellipse, "fill"), "rgb(0,0,0)") << "stroke width 0 fills";
    const CXMLElement* path = Child(clipped, 1);
    EXPECT_EQ(Name(path), "path");
    EXPECT_EQ(Attr(path, "d"), "M0 0 L5 5 M10 0 L15 5 ");
    EXPECT_EQ(Name(Child(&svg, 1)), "polyline");
}

TEST(GSSvg, PartialOvalsAndUnknownVertexMethods) {
    KCGraphicStreamBinaryWriter w;
    {
        KCStGSFrameStructWriter frame(w, KURect<int>(0, 0, 100, 100), 1);
        SGSDrawOval oval;
        oval.rect = {0, 0, 20, 20};
        oval.start_angle = 0;
        oval.sweep_angle = 90;
        oval.stroke_width = 0;
        w.DrawOval(oval);  // a filled quarter: a pie slice
        oval.stroke_width = 2;
        w.DrawOval(oval);  // a stroked quarter: the arc alone
        const short points[8] = {0, 0, 10, 0, 10, 10, 0, 10};
        w.Data(points, 8, eGSPoint2D);
        SGSDrawVertices v;
        v.method = MakeGSCode('?', '?', '?', '?');
        w.DrawVertices(v);
        v.method = eGSTriangleStrip;
        w.DrawVertices(v);
    }
    CXMLElement svg;
    KCGraphicStreamToSVG render(&svg);
    const auto& s = w.GetStream();
    ASSERT_EQ(render.ExecStream(static_cast<const char*>(s.ptr), s.size), eNoErr);
    const CXMLElement* frame = Child(&svg, 0);
    ASSERT_EQ(frame->GetSubElements().size(), 3U) << "nothing for the unknown method";
    EXPECT_EQ(Attr(Child(frame, 0), "d"), "M 10 10 L 20 10 A 10 10 0 0 1 10 20 Z");
    EXPECT_EQ(Attr(Child(frame, 0), "fill"), "rgb(0,0,0)");
    EXPECT_EQ(Attr(Child(frame, 1), "d"), "M 20 10 A 10 10 0 0 1 10 20");
    EXPECT_EQ(Attr(Child(frame, 1), "fill"), "none");
    const CXMLElement* strip = Child(frame, 2);
    EXPECT_EQ(Name(strip), "path");
    EXPECT_EQ(Attr(strip, "d"), "M0 0 L10 0 L10 10 Z M10 0 L10 10 L0 10 Z ");
}

// A pattern's bits, least significant first, are one unit each along the line: set bits draw.
// Viewers know only stroke-dasharray, so that is what carries the dashes.
TEST(GSSvg, DashedLinesCarryTheirPatternAsADashArray) {
    const unsigned short patterns[] = {0x0F0F, 0xF0F0, 0x00FF, 0x0001, 0x0000, 0xFFFF};
    KCGraphicStreamBinaryWriter w;
    {
        KCStGSStreamStructWriter guard(w, SGSStream());
        for (const unsigned short pattern : patterns) {
            w.DrawLine(KCRGBAColor{}, {0, 0}, {100, 0}, 1, true, pattern);
        }
    }
    CXMLElement svg;
    KCGraphicStreamToSVG render(&svg);
    const auto& s = w.GetStream();
    ASSERT_EQ(render.ExecStream(static_cast<const char*>(s.ptr), s.size), eNoErr);
    ASSERT_EQ(svg.GetSubElements().size(), std::size(patterns));

    EXPECT_EQ(Attr(Child(&svg, 0), "stroke-dasharray"), "4 4 4 4");
    EXPECT_FALSE(Child(&svg, 0)->AttribExists("stroke-dashoffset"));
    // Starting in a gap: the dashes begin at the first set bit and the offset moves them back.
    EXPECT_EQ(Attr(Child(&svg, 1), "stroke-dasharray"), "4 4 4 4");
    EXPECT_EQ(Attr(Child(&svg, 1), "stroke-dashoffset"), "12");
    EXPECT_EQ(Attr(Child(&svg, 2), "stroke-dasharray"), "8 8");
    EXPECT_EQ(Attr(Child(&svg, 3), "stroke-dasharray"), "1 15");
    EXPECT_EQ(Attr(Child(&svg, 4), "stroke-dasharray"), "0 16");     // no bit set: nothing drawn
    EXPECT_FALSE(Child(&svg, 5)->AttribExists("stroke-dasharray"));  // solid
    EXPECT_EQ(Attr(Child(&svg, 0), "stroke-pattern"), "0F0F");
}

// Whole coordinates take a shorter path than fractions, negative zero and values of a million
// and more: every one must read as the six-significant-digit "%g" text.
TEST(GSSvg, CoordinatesReadAsSixDigitGeneralNumbersOnBothSidesOfTheWholeNumberPath) {
    const float xy[] = {-0.0F,      999999.0F, 1e6F,  0.5F,      -123456.7F, -3.0F,
                        1234567.0F, 1e-5F,     -1e6F, 999999.5F, 65535.0F,   -32768.0F};
    KCGraphicStreamBinaryWriter w;
    {
        KCStGSStreamStructWriter guard(w, SGSStream());
        SGSFrame frame;
        frame.rect = {-7, -32768, 10, 10};
        KCStGSFrameStructWriter inner(w, frame);
        w.DataHere(xy, static_cast<unsigned int>(std::size(xy)), eGSPoint2D);
        SGSDrawVertices vertices;
        vertices.stroke_width = 0.25F;
        vertices.stroke_pattern = 0x00A0;
        w.DrawVertices(vertices);
    }
    CXMLElement svg;
    KCGraphicStreamToSVG render(&svg);
    const auto& s = w.GetStream();
    ASSERT_EQ(render.ExecStream(static_cast<const char*>(s.ptr), s.size), eNoErr);
    const CXMLElement* frame = Child(&svg, 0);
    EXPECT_EQ(Attr(frame, "transform"), "translate(-7,-32768)");
    std::string points;
    for (std::size_t i = 0; i < std::size(xy); i += 2) {
        points +=
            (i == 0 ? "" : " ") + KUFormatGeneral(xy[i], 6) + "," + KUFormatGeneral(xy[i + 1], 6);
    }
    const CXMLElement* line = Child(frame, 0);
    EXPECT_EQ(Attr(line, "points"), points);
    EXPECT_EQ(Attr(line, "points").substr(0, 9), "-0,999999");
    EXPECT_EQ(Attr(line, "stroke-width"), "0.25");
    EXPECT_EQ(Attr(line, "stroke-pattern"), "00A0");
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::kvGS
