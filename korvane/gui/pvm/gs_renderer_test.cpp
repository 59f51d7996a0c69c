#include "korvane/gui/pvm/gs_renderer.h"

#include "korvane/gs/gs_arrays.h"
#include "korvane/gs/gs_svg.h"
#include "korvane/gs/gs_writer.h"
#include "korvane/gui/pvm/image_source.h"
#include "korvane/gui/pvm/png_image.h"
#include "korvane/gui/pvm/pvm_test_support.h"
#include "korvane/gui/pvm/text_measure.h"
#include "korvane/xml/tree_builder.h"
#include "korvane/xml/xml_element.h"
#include "korvane/xml/xml_writer.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <array>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <limits>
#include <random>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace kvKorvaneV10_0_3::PluginViewManager {
namespace {

using namespace kvGS;

constexpr KCRGBAColor kRed{255, 0, 0, 255};
constexpr KCRGBAColor kBlue{0, 0, 255, 255};
constexpr KCRGBAColor kGreen{0, 255, 0, 255};
constexpr KCRGBAColor kWhite{255, 255, 255, 255};
constexpr KCRGBAColor kBlack{0, 0, 0, 255};

constexpr std::uint32_t Argb(int a, int r, int g, int b) {
    return (static_cast<std::uint32_t>(a) << 24U) | (static_cast<std::uint32_t>(r) << 16U) |
           (static_cast<std::uint32_t>(g) << 8U) | static_cast<std::uint32_t>(b);
}

constexpr std::uint32_t kOpaqueRed = Argb(255, 255, 0, 0);
constexpr std::uint32_t kOpaqueBlue = Argb(255, 0, 0, 255);
constexpr std::uint32_t kOpaqueGreen = Argb(255, 0, 255, 0);
constexpr std::uint32_t kOpaqueWhite = Argb(255, 255, 255, 255);

// KURect is stored top, left, bottom, right.
KURect<short> Rect(short left, short top, short right, short bottom) {
    return {top, left, bottom, right};
}

// Writes a stream of the given size around what `body` draws.
std::vector<char> Stream(int width, int height,
                         const std::function<void(KCGraphicStreamBinaryWriter&)>& body) {
    KCGraphicStreamBinaryWriter w;
    SGSStream stream;
    stream.rect = {0, 0, width, height};
    {
        KCStGSStreamStructWriter guard(w, stream);
        body(w);
    }
    EXPECT_EQ(w.GetError(), eNoErr);
    const auto& s = w.GetStream();
    return {static_cast<const char*>(s.ptr), static_cast<const char*>(s.ptr) + s.size};
}

struct Box {
    int left = 1 << 30;
    int top = 1 << 30;
    int right = -1;  // inclusive
    int bottom = -1;
    [[nodiscard]] bool Empty() const { return right < 0; }
};

// The bounding box of the pixels for which `match` holds.
Box Find(const KCGraphicStreamToCairo& r, const std::function<bool(std::uint32_t)>& match) {
    Box box;
    for (int y = 0; y < r.GetHeight(); ++y) {
        for (int x = 0; x < r.GetWidth(); ++x) {
            if (match(r.GetPixel(x, y))) {
                box.left = std::min(box.left, x);
                box.top = std::min(box.top, y);
                box.right = std::max(box.right, x);
                box.bottom = std::max(box.bottom, y);
            }
        }
    }
    return box;
}

Box FindColor(const KCGraphicStreamToCairo& r, std::uint32_t argb) {
    return Find(r, [argb](std::uint32_t p) { return p == argb; });
}

// Any pixel drawn at all (not fully transparent).
Box FindInk(const KCGraphicStreamToCairo& r) {
    return Find(r, [](std::uint32_t p) { return (p >> 24U) != 0; });
}

// The SVG rendering of the stream, written out and parsed back with the XML tree.
void ParseSvg(const std::vector<char>& stream, XML::CXMLElement& parsed) {
    XML::CXMLElement root;
    KCGraphicStreamToSVG svg(&root);
    ASSERT_EQ(svg.ExecStream(stream.data(), stream.size()), 0);
    std::string text;
    XML::AppendXML(text, root, false, true, 0);
    XML::CXMLTreeBuilder builder(parsed);
    ASSERT_EQ(builder.BuildFromSingleBuffer(text.data(), static_cast<unsigned int>(text.size())),
              eNoErr);
}

void CollectElements(const XML::CXMLElement& e, const char* name,
                     std::vector<const XML::CXMLElement*>& out) {
    if (std::string_view(e.GetName().c_str()) == name) {
        out.push_back(&e);
    }
    for (const XML::CXMLElement* child : e.GetSubElements()) {
        CollectElements(*child, name, out);
    }
}

// The number at the start of text; text then starts after it.
double TakeNumber(std::string_view& text) {
    double v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    EXPECT_EQ(ec, std::errc()) << text;
    text.remove_prefix(static_cast<std::size_t>(end - text.data()));
    return v;
}

double NumberAttrib(const XML::CXMLElement& e, const char* name) {
    std::string text;
    EXPECT_TRUE(e.GetAttrib(name, text)) << name;
    std::string_view view = text;
    return TakeNumber(view);
}

TEST(GSRenderer, FilledShapesLandWhereTheSvgRenderingPutsThem) {
    SGSDrawOval oval;
    oval.rect = {100, 20, 60, 40};
    oval.stroke_width = 0;  // filled
    oval.draw_color = ToSGSColor(kBlue);
    const auto stream = Stream(200, 100, [&](KCGraphicStreamBinaryWriter& w) {
        w.DrawSolidRect(kRed, Rect(20, 10, 80, 40));
        w.DrawOval(oval);
    });
    KCGraphicStreamToCairo r;
    ASSERT_EQ(r.Render(stream.data(), stream.size()), eNoErr);
    ASSERT_EQ(r.GetWidth(), 200);
    ASSERT_EQ(r.GetHeight(), 100);
    EXPECT_EQ(r.GetPixel(50, 25), kOpaqueRed);
    EXPECT_EQ(r.GetPixel(130, 40), kOpaqueBlue);
    EXPECT_EQ(r.GetPixel(5, 5), 0U);
    EXPECT_EQ(r.GetPixel(101, 21), 0U);  // the oval's bounding box corner stays empty

    XML::CXMLElement svg;
    ParseSvg(stream, svg);
    std::vector<const XML::CXMLElement*> polygons;
    std::vector<const XML::CXMLElement*> ellipses;
    CollectElements(svg, "polygon", polygons);
    CollectElements(svg, "ellipse", ellipses);
    ASSERT_EQ(polygons.size(), 1U);
    ASSERT_EQ(ellipses.size(), 1U);

    // The polygon's corners, widened by half its 1-pixel stroke, bound the red pixels.
    std::string points;
    ASSERT_TRUE(polygons[0]->GetAttrib("points", points));
    double minX = 1e9;
    double minY = 1e9;
    double maxX = -1e9;
    double maxY = -1e9;
    for (std::string_view rest = points; !rest.empty();) {
        const double x = TakeNumber(rest);
        rest.remove_prefix(1);  // ','
        const double y = TakeNumber(rest);
        if (!rest.empty()) {
            rest.remove_prefix(1);  // ' '
        }
        minX = std::min(minX, x);
        maxX = std::max(maxX, x);
        minY = std::min(minY, y);
        maxY = std::max(maxY, y);
    }
    const Box red = FindColor(r, kOpaqueRed);
    EXPECT_NEAR(red.left, minX - 0.5, 1.0);
    EXPECT_NEAR(red.top, minY - 0.5, 1.0);
    EXPECT_NEAR(red.right + 1, maxX + 0.5, 1.0);
    EXPECT_NEAR(red.bottom + 1, maxY + 0.5, 1.0);

    // The blue pixels (any coverage) span the ellipse's centre ± radii.
    const Box blue = Find(r, [](std::uint32_t p) { return (p & 0xFFU) != 0; });
    const double cx = NumberAttrib(*ellipses[0], "cx");
    const double cy = NumberAttrib(*ellipses[0], "cy");
    const double rx = NumberAttrib(*ellipses[0], "rx");
    const double ry = NumberAttrib(*ellipses[0], "ry");
    EXPECT_NEAR(blue.left, cx - rx, 1.0);
    EXPECT_NEAR(blue.right + 1, cx + rx, 1.0);
    EXPECT_NEAR(blue.top, cy - ry, 1.0);
    EXPECT_NEAR(blue.bottom + 1, cy + ry, 1.0);
}

TEST(GSRenderer, UprightRectanglesDrawAsOtherPolygonsDo) {
    // The same rectangle as four corners (drawn as one widened fill) and with its first corner
    // repeated (drawn as any polygon: filled, then stroked).
    for (const bool antialias : {false, true}) {
        const KCPoint2D<short> four[] = {{20, 10}, {80, 10}, {80, 40}, {20, 40}};
        const KCPoint2D<short> five[] = {{20, 10}, {80, 10}, {80, 40}, {20, 40}, {20, 10}};
        const auto draw = [&](const KCPoint2D<short>* points, unsigned int count, float width) {
            return Stream(100, 50, [&](KCGraphicStreamBinaryWriter& w) {
                w.DataHere(points, count, eGSPoint2D);
                SGSDrawVertices v;
                v.method = eGSPolygon;
                v.stroke_width = width;
                v.flags = antialias ? 0 : SGSDrawVertices::NoAntialias;
                v.draw_color = ToSGSColor(kRed);
                w.DrawVertices(v);
            });
        };
        for (const float width : {1.0F, 3.0F}) {
            const auto fast = draw(four, 4, width);
            const auto general = draw(five, 5, width);
            KCGraphicStreamToCairo a;
            KCGraphicStreamToCairo b;
            ASSERT_EQ(a.Render(fast.data(), fast.size()), eNoErr);
            ASSERT_EQ(b.Render(general.data(), general.size()), eNoErr);
            int differing = 0;
            for (int y = 0; y < 50; ++y) {
                for (int x = 0; x < 100; ++x) {
                    differing += a.GetPixel(x, y) != b.GetPixel(x, y) ? 1 : 0;
                }
            }
            EXPECT_EQ(differing, 0) << "antialias " << antialias << ", width " << width;
        }
    }
}

TEST(GSRenderer, FramesMoveTheOriginAndClipsEndWithTheirFrame) {
    const auto stream = Stream(200, 100, [](KCGraphicStreamBinaryWriter& w) {
        {
            KCStGSFrameStructWriter frame(w, KURect<int>{30, 50, 90, 150}, 1);  // x 50, y 30
            w.ClipRect(Rect(0, 0, 20, 60));
            w.DrawSolidRect(kGreen, Rect(0, 0, 40, 40));
        }
        // Outside the frame the clip is gone and the origin is back at the corner.
        w.DrawSolidRect(kBlue, Rect(150, 70, 190, 90));
    });
    KCGraphicStreamToCairo r;
    ASSERT_EQ(r.Render(stream.data(), stream.size()), eNoErr);
    const Box green = FindColor(r, kOpaqueGreen);
    EXPECT_EQ(green.left, 50);
    EXPECT_EQ(green.top, 30);
    EXPECT_EQ(green.right, 69);  // cut by the clip at x 50 + 20
    EXPECT_NEAR(green.bottom, 70, 1);
    EXPECT_EQ(r.GetPixel(80, 50), 0U);  // the part of the rectangle the clip cut away
    EXPECT_EQ(r.GetPixel(170, 80), kOpaqueBlue);
    const Box blue = FindColor(r, kOpaqueBlue);
    EXPECT_NEAR(blue.left, 150, 1);
    EXPECT_NEAR(blue.right, 190, 1);
}

TEST(GSRenderer, ClipToVerticesAndRotationChangeWhatIsCovered) {
    const auto stream = Stream(100, 100, [](KCGraphicStreamBinaryWriter& w) {
        {
            // A triangle clip: the lower left half of the square.
            KCStGSFrameStructWriter frame(w, KURect<int>{0, 0, 100, 100}, 1);
            const KCPoint2D<short> triangle[] = {{0, 0}, {0, 100}, {100, 100}};
            w.DataHere(triangle, 3, eGSPoint2D);
            SGSDrawVertices clip;
            clip.method = eGSPolygon;
            w.ClipVertices(clip);
            w.DrawSolidRect(kRed, Rect(0, 0, 100, 100));
        }
        {
            // A bar along x, turned 90° clockwise about (50, 50), stands along y.
            KCStGSFrameStructWriter frame(w, KURect<int>{0, 0, 100, 100}, 2);
            SGSFrameRotate rotate;
            rotate.angleDegrees = 90;
            rotate.xOffset = 50;
            rotate.yOffset = 50;
            w.RotateFrame(rotate);
            w.DrawSolidRect(kBlue, Rect(10, 46, 90, 54));
        }
    });
    KCGraphicStreamToCairo r;
    ASSERT_EQ(r.Render(stream.data(), stream.size()), eNoErr);
    EXPECT_EQ(r.GetPixel(10, 80), kOpaqueRed);  // below the diagonal
    EXPECT_EQ(r.GetPixel(80, 10), 0U);          // above it
    EXPECT_EQ(r.GetPixel(50, 15), kOpaqueBlue);
    EXPECT_EQ(r.GetPixel(50, 85), kOpaqueBlue);
    EXPECT_NE(r.GetPixel(15, 50), kOpaqueBlue);
    const Box blue = FindColor(r, kOpaqueBlue);
    EXPECT_NEAR(blue.left, 46, 1);
    EXPECT_NEAR(blue.right, 54, 1);
    EXPECT_NEAR(blue.top, 10, 1);
    EXPECT_NEAR(blue.bottom, 90, 1);
}

TEST(GSRenderer, LinesFollowWidthPatternAndAntialiasing) {
    const auto stream = Stream(120, 60, [](KCGraphicStreamBinaryWriter& w) {
        w.DrawLine(kRed, {10, 10}, {110, 10}, 2, false);
        // 8 pixels on, 8 off, from the start of the line.
        w.DrawLine(kBlue, {10, 30}, {110, 30}, 2, false, 0x00FF);
        w.DrawLine(kGreen, {10, 50}, {110, 50}, 1, true);
    });
    KCGraphicStreamToCairo r;
    ASSERT_EQ(r.Render(stream.data(), stream.size()), eNoErr);
    const Box red = FindColor(r, kOpaqueRed);
    EXPECT_EQ(red.left, 10);
    EXPECT_EQ(red.right, 109);
    EXPECT_EQ(red.top, 9);
    EXPECT_EQ(red.bottom, 10);
    EXPECT_EQ(r.GetPixel(13, 30), kOpaqueBlue);
    EXPECT_EQ(r.GetPixel(21, 30), 0U);
    EXPECT_EQ(r.GetPixel(29, 30), kOpaqueBlue);
    EXPECT_EQ(r.GetPixel(37, 30), 0U);
    // A 1-pixel antialiased line on a whole coordinate covers two rows half each.
    const std::uint32_t half = r.GetPixel(50, 50);
    EXPECT_GT(half >> 24U, 100U);
    EXPECT_LT(half >> 24U, 160U);
    EXPECT_EQ(r.GetPixel(50, 49), half);
}

// Straight lines with a colour per vertex: each segment in its own colour (a series of lines
// such as a curve over a reference line), the record's colour left aside.
TEST(GSRenderer, StraightLinesTakeTheirColoursFromTheData) {
    const auto stream = Stream(120, 60, [](KCGraphicStreamBinaryWriter& w) {
        kvGS::KCGSArrays a;
        a.Start();
        a.SetStrokeWidth(2.0F);
        a.SetDrawColor({0, 0, 255, 255});
        ASSERT_EQ(a.AddPoint_2Df(10, 10), eNoErr);
        ASSERT_EQ(a.AddPoint_2Df(110, 10), eNoErr);
        ASSERT_EQ(a.AddPoint_2Df(10, 30), eNoErr);
        ASSERT_EQ(a.AddPoint_2Df(110, 30), eNoErr);
        ASSERT_EQ(a.AddPoint_2Df(10, 50), eNoErr);
        ASSERT_EQ(a.AddPoint_2Df(110, 50), eNoErr);
        for (const auto& c : {std::array<std::uint8_t, 4>{255, 0, 0, 255},
                              std::array<std::uint8_t, 4>{0, 255, 0, 255},
                              std::array<std::uint8_t, 4>{0, 255, 0, 255}}) {
            ASSERT_EQ(a.AddColor_4ub(c[0], c[1], c[2], c[3]), eNoErr);
            ASSERT_EQ(a.AddColor_4ub(c[0], c[1], c[2], c[3]), eNoErr);
        }
        ASSERT_EQ(a.GetDrawInstructionsStraightLines(w), eNoErr);
    });
    KCGraphicStreamToCairo r;
    ASSERT_EQ(r.Render(stream.data(), stream.size()), eNoErr);
    EXPECT_EQ(r.GetPixel(60, 9), kOpaqueRed);
    EXPECT_EQ(r.GetPixel(60, 29), kOpaqueGreen);
    EXPECT_EQ(r.GetPixel(60, 49), kOpaqueGreen);
    EXPECT_EQ(r.GetPixel(60, 20), 0U) << "segments, not a strip";
    EXPECT_EQ(FindColor(r, kOpaqueBlue).left, 1 << 30) << "the record's own colour is not used";
}

// A caller's surface instead of the renderer's own: here a recording surface, which, painted
// into an image, gives the pixels the own surface got.
TEST(GSRenderer, DrawsIntoTheCallersSurfaceWhenGivenOne) {
    const auto stream = Stream(120, 60, [](KCGraphicStreamBinaryWriter& w) {
        w.DrawSolidRect(kRed, Rect(10, 10, 50, 40));
        w.DrawLine(kGreen, {60, 20}, {110, 20}, 3, false);
    });
    KCGraphicStreamToCairo own;
    ASSERT_EQ(own.Render(stream.data(), stream.size()), eNoErr);

    const cairo_rectangle_t extents{0, 0, 120, 60};
    cairo_surface_t* recording =
        cairo_recording_surface_create(CAIRO_CONTENT_COLOR_ALPHA, &extents);
    KCGraphicStreamToCairo r;
    r.SetTargetSurface(recording);
    ASSERT_EQ(r.Render(stream.data(), stream.size()), eNoErr);
    EXPECT_EQ(r.GetSurface(), nullptr) << "no surface of its own";
    cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 120, 60);
    cairo_t* cr = cairo_create(image);
    cairo_set_source_surface(cr, recording, 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_flush(image);
    const auto* data = cairo_image_surface_get_data(image);
    const int stride = cairo_image_surface_get_stride(image);
    int differ = 0;
    for (int y = 0; y < 60; ++y) {
        for (int x = 0; x < 120; ++x) {
            std::uint32_t px = 0;
            std::memcpy(&px, data + y * stride + x * 4, sizeof px);
            differ += px != own.GetPixel(x, y) ? 1 : 0;
        }
    }
    EXPECT_EQ(differ, 0);
    EXPECT_EQ(own.GetPixel(30, 25), kOpaqueRed);
    cairo_surface_destroy(image);
    cairo_surface_destroy(recording);
}

TEST(GSRenderer, XorRectangleInvertsAndTwiceRestores) {
    const auto once = Stream(60, 40, [](KCGraphicStreamBinaryWriter& w) {
        w.DrawSolidRect(KCRGBAColor{10, 200, 30, 255}, Rect(0, 0, 60, 40));
        w.DrawXORRect(Rect(10, 10, 30, 30));
    });
    KCGraphicStreamToCairo r;
    ASSERT_EQ(r.Render(once.data(), once.size()), eNoErr);
    EXPECT_EQ(r.GetPixel(20, 20), Argb(255, 245, 55, 225));
    EXPECT_EQ(r.GetPixel(45, 20), Argb(255, 10, 200, 30));
    // Every pixel of the XOR shape is inverted once, its edges included.
    const Box inverted = FindColor(r, Argb(255, 245, 55, 225));
    EXPECT_NEAR(inverted.left, 10, 1);
    EXPECT_NEAR(inverted.right, 30, 1);
    EXPECT_EQ(Find(r,
                   [](std::uint32_t p) {
                       return p != Argb(255, 245, 55, 225) && p != Argb(255, 10, 200, 30);
                   })
                  .Empty(),
              true);

    const auto twice = Stream(60, 40, [](KCGraphicStreamBinaryWriter& w) {
        w.DrawSolidRect(KCRGBAColor{10, 200, 30, 255}, Rect(0, 0, 60, 40));
        w.DrawXORRect(Rect(10, 10, 30, 30));
        w.DrawXORRect(Rect(10, 10, 30, 30));
    });
    ASSERT_EQ(r.Render(twice.data(), twice.size()), eNoErr);
    EXPECT_TRUE(Find(r, [](std::uint32_t p) { return p != Argb(255, 10, 200, 30); }).Empty());
}

TEST(GSRenderer, OvalArcsAndPieSlicesFollowTheAngles) {
    SGSDrawOval pie;
    pie.rect = {0, 0, 100, 100};
    pie.stroke_width = 0;
    pie.start_angle = 0;   // 3 o'clock
    pie.sweep_angle = 90;  // clockwise to 6 o'clock: the lower right quarter
    pie.draw_color = ToSGSColor(kRed);
    SGSDrawOval ring;
    ring.rect = {100, 0, 100, 100};
    ring.stroke_width = 4;
    ring.draw_color = ToSGSColor(kBlue);
    const auto stream = Stream(200, 100, [&](KCGraphicStreamBinaryWriter& w) {
        w.DrawOval(pie);
        w.DrawOval(ring);
    });
    KCGraphicStreamToCairo r;
    ASSERT_EQ(r.Render(stream.data(), stream.size()), eNoErr);
    EXPECT_EQ(r.GetPixel(70, 70), kOpaqueRed);
    EXPECT_EQ(r.GetPixel(30, 70), 0U);
    EXPECT_EQ(r.GetPixel(70, 30), 0U);
    EXPECT_EQ(r.GetPixel(150, 50), 0U);  // a stroked ellipse leaves its inside empty
    EXPECT_EQ(r.GetPixel(150, 1), kOpaqueBlue);
    EXPECT_EQ(r.GetPixel(101, 50), kOpaqueBlue);
}

TEST(GSRenderer, TextIsDrawnInsideItsFrameAsAligned) {
    const std::string text = "Gain 12 dB";
    KCFontDescription font;
    font.name = "DejaVu Sans";
    font.size = 20;
    const int width = GetTextWidth(font, text);
    ASSERT_GT(width, 60);
    const auto draw = [&](KTGSCode h, KTGSCode v) {
        return Stream(300, 100, [&](KCGraphicStreamBinaryWriter& w) {
            w.Font("DejaVu Sans", 20, kBlack, 0);
            KCStGSFrameStructWriter frame(w, KURect<int>{20, 40, 80, 260}, 3);  // 40,20 220×60
            w.DrawTheText(text, 0, h, v);
        });
    };
    KCGraphicStreamToCairo r;
    const auto left = draw(eGSLeft, eGSTop);
    ASSERT_EQ(r.Render(left.data(), left.size()), eNoErr);
    Box ink = FindInk(r);
    ASSERT_FALSE(ink.Empty());
    EXPECT_GE(ink.left, 40);
    EXPECT_LE(ink.left, 43);
    EXPECT_GE(ink.top, 20);
    EXPECT_LE(ink.top, 27);
    EXPECT_NEAR(ink.right + 1 - ink.left, width, 4);

    const auto right = draw(eGSRight, eGSBottom);
    ASSERT_EQ(r.Render(right.data(), right.size()), eNoErr);
    ink = FindInk(r);
    EXPECT_LE(ink.right, 259);
    EXPECT_GE(ink.right, 255);
    EXPECT_LE(ink.bottom, 79);
    EXPECT_GE(ink.bottom, 70);

    const auto centre = draw(eGSHCenter, eGSVCenter);
    ASSERT_EQ(r.Render(centre.data(), centre.size()), eNoErr);
    ink = FindInk(r);
    EXPECT_NEAR((ink.left + ink.right + 1) / 2.0, 150, 2.5);
    EXPECT_NEAR((ink.top + ink.bottom + 1) / 2.0, 50, 4);
    // The font's colour is the text's.
    EXPECT_EQ(Find(r, [](std::uint32_t p) { return (p & 0xFFFFFFU) != 0; }).Empty(), true);
}

TEST(GSRenderer, TextMeasuringGrowsWithTextSizeAndWeight) {
    KCTextObject object;
    object.font.name = "DejaVu Sans";
    object.font.size = 20;
    const KCSize2D<short> box = CalculateTextBox(object, "Frequency");
    EXPECT_EQ(box.width, GetTextWidth(object.font, "Frequency"));
    EXPECT_GT(box.width, 60);
    EXPECT_GE(box.height, 20);
    EXPECT_LE(box.height, 26);
    EXPECT_EQ(CalculateTextBox(object, "").width, 0);
    EXPECT_EQ(CalculateTextBox(object, "").height, box.height);
    EXPECT_GT(GetTextWidth(object.font, "Frequency Frequency"), box.width);
    KCFontDescription bold = object.font;
    bold.flags = 1;
    EXPECT_GT(GetTextWidth(bold, "Frequency"), box.width);
    KCFontDescription big = object.font;
    big.size = 40;
    EXPECT_NEAR(GetTextWidth(big, "Frequency"), 2 * box.width, 4);
    // Ill-formed UTF-8 measures as the renderer draws it.
    EXPECT_EQ(GetTextWidth(object.font, "a\xFF"), GetTextWidth(object.font, "a?"));
}

// Straight RGBA pixels as PNG bytes.
std::vector<unsigned char> EncodeRGBA(int width, int height,
                                      const std::vector<std::uint8_t>& rgba) {
    const std::string png = testing::EncodePNG(width, height, rgba);
    return {png.begin(), png.end()};
}

// 4×4: the left half opaque red, the right half blue at half alpha.
std::vector<unsigned char> TwoHalves() {
    std::vector<std::uint8_t> rgba;
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            const bool left = x < 2;
            rgba.insert(rgba.end(), {static_cast<std::uint8_t>(left ? 255 : 0), 0,
                                     static_cast<std::uint8_t>(left ? 0 : 255),
                                     static_cast<std::uint8_t>(left ? 255 : 128)});
        }
    }
    return EncodeRGBA(4, 4, rgba);
}

TEST(GSRenderer, ImagesAreDrawnAtTheirPlaceWithTheirAlpha) {
    KCPNGImageSource images;
    const auto png = TwoHalves();
    ASSERT_EQ(images.AddPNG("knob", png.data(), png.size()), eNoErr);
    ASSERT_EQ(images.AddPNG(7, png.data(), png.size()), eNoErr);
    const auto stream = Stream(200, 100, [](KCGraphicStreamBinaryWriter& w) {
        w.DrawSolidRect(kWhite, Rect(0, 0, 200, 100));
        w.DrawPNGAtPosition("knob", {30, 40});
        w.DrawPNGScaled(7, Rect(100, 10, 140, 50));  // 10 times larger
        w.DrawPNGAtPositionClipped(7, {60, 60}, Rect(60, 60, 62, 64));
        w.DrawPNGAtPosition("missing", {0, 0});
    });
    KCGraphicStreamToCairo r(&images);
    ASSERT_EQ(r.Render(stream.data(), stream.size()), eNoErr);
    EXPECT_EQ(r.GetMissingImages(), 1U);
    const std::uint32_t blueOverWhite = r.GetPixel(32, 40);
    EXPECT_EQ(blueOverWhite >> 24U, 255U);
    EXPECT_NEAR((blueOverWhite >> 16U) & 0xFFU, 127, 1);
    EXPECT_NEAR((blueOverWhite >> 8U) & 0xFFU, 127, 1);
    EXPECT_EQ(blueOverWhite & 0xFFU, 255U);
    const Box red = FindColor(r, kOpaqueRed);
    // The named image's red half, the scaled one's and the clipped one's.
    EXPECT_EQ(r.GetPixel(30, 40), kOpaqueRed);
    EXPECT_EQ(r.GetPixel(31, 43), kOpaqueRed);
    EXPECT_EQ(r.GetPixel(29, 40), kOpaqueWhite);
    EXPECT_EQ(r.GetPixel(30, 44), kOpaqueWhite);
    EXPECT_EQ(r.GetPixel(105, 15), kOpaqueRed);
    EXPECT_EQ(r.GetPixel(110, 49), kOpaqueRed);
    EXPECT_EQ(r.GetPixel(125, 30) & 0xFFU, 255U);
    EXPECT_EQ(r.GetPixel(61, 61), kOpaqueRed);
    EXPECT_EQ(r.GetPixel(62, 61), kOpaqueWhite);  // the blue half lies outside the clip
    EXPECT_EQ(red.left, 30);
    EXPECT_EQ(red.top, 10);
    EXPECT_GE(red.right, 110);  // scaling blends the two halves around x 120
    EXPECT_LE(red.right, 119);
    EXPECT_EQ(red.bottom, 63);
}

TEST(GSRenderer, AScaledRunDrawsTheSameStreamInMorePixelsWithinTheLimits) {
    KCGraphicStreamToCairo r;
    EXPECT_EQ(r.GetScale(), 1.0);
    r.SetScale(std::nan(""));
    EXPECT_EQ(r.GetScale(), KCGraphicStreamToCairo::kMinScale);
    r.SetScale(100);
    EXPECT_EQ(r.GetScale(), KCGraphicStreamToCairo::kMaxScale);
    r.SetScale(0.25);
    EXPECT_EQ(r.GetScale(), KCGraphicStreamToCairo::kMinScale);

    r.SetScale(1.5);
    const auto square = Stream(
        21, 10, [](KCGraphicStreamBinaryWriter& w) { w.DrawSolidRect(kRed, Rect(10, 0, 20, 10)); });
    ASSERT_EQ(r.Render(square.data(), square.size()), eNoErr);
    EXPECT_EQ(r.GetWidth(), 32) << "21 × 1.5 rounded up";
    EXPECT_EQ(r.GetHeight(), 15);
    // At 2 each pixel inside a shape at 1 (its neighbours the same) is a 2 × 2 block; the
    // edges are placed finer.
    KCGraphicStreamToCairo single;
    ASSERT_EQ(single.Render(square.data(), square.size()), eNoErr);
    r.SetScale(2);
    ASSERT_EQ(r.Render(square.data(), square.size()), eNoErr);
    int red = 0;
    int clear = 0;
    for (int y = 1; y < 9; ++y) {
        for (int x = 1; x < 20; ++x) {
            const std::uint32_t p = single.GetPixel(x, y);
            if (single.GetPixel(x - 1, y) != p || single.GetPixel(x + 1, y) != p) {
                continue;
            }
            (p == kOpaqueRed ? red : clear) += 1;
            for (int b = 0; b < 4; ++b) {
                EXPECT_EQ(r.GetPixel((2 * x) + (b % 2), (2 * y) + (b / 2)), p) << x << "," << y;
            }
        }
    }
    EXPECT_GE(red, 8 * 8);
    EXPECT_GE(clear, 8 * 7);

    // The limits bound the pixels, not the stream's units.
    KSRenderLimits limits;
    limits.maxWidth = 40;
    limits.maxHeight = 40;
    r.SetLimits(limits);
    r.SetScale(4);
    ASSERT_EQ(r.Render(square.data(), square.size()), eNoErr);
    EXPECT_EQ(r.GetWidth(), 40);
    EXPECT_EQ(r.GetHeight(), 40);
    EXPECT_TRUE(r.WasCut());
}

TEST(GSRenderer, LimitsCutHostileStreamsWithoutFailing) {
    KSRenderLimits limits;
    limits.maxWidth = 64;
    limits.maxHeight = 32;
    limits.maxDrawRecords = 3;
    limits.maxVertices = 8;
    KCGraphicStreamToCairo r;
    r.SetLimits(limits);

    const auto big = Stream(5000, 5000, [](KCGraphicStreamBinaryWriter& w) {
        w.DrawSolidRect(kRed, Rect(0, 0, 5000, 5000));
    });
    ASSERT_EQ(r.Render(big.data(), big.size()), eNoErr);
    EXPECT_EQ(r.GetWidth(), 64);
    EXPECT_EQ(r.GetHeight(), 32);
    EXPECT_TRUE(r.WasCut());
    EXPECT_EQ(r.GetPixel(63, 31), kOpaqueRed);

    const auto many = Stream(64, 32, [](KCGraphicStreamBinaryWriter& w) {
        for (short i = 0; i < 5; ++i) {
            w.DrawSolidRect(kRed,
                            Rect(static_cast<short>(i * 10), 0, static_cast<short>(i * 10 + 5), 5));
        }
    });
    ASSERT_EQ(r.Render(many.data(), many.size()), eNoErr);
    EXPECT_TRUE(r.WasCut());
    EXPECT_EQ(r.GetPixel(22, 2), kOpaqueRed);
    EXPECT_EQ(r.GetPixel(32, 2), 0U);

    const auto longPath = Stream(64, 32, [](KCGraphicStreamBinaryWriter& w) {
        std::vector<KCPoint2D<short>> points(9, KCPoint2D<short>{10, 10});
        points[0] = {0, 0};
        w.DataHere(points.data(), 9, eGSPoint2D);
        SGSDrawVertices v;
        v.method = eGSLineStrip;
        v.stroke_width = 4;
        w.DrawVertices(v);
    });
    ASSERT_EQ(r.Render(longPath.data(), longPath.size()), eNoErr);
    EXPECT_TRUE(r.WasCut());
    EXPECT_TRUE(FindInk(r).Empty());
}

TEST(GSRenderer, BadValuesInRecordsDrawNothingAndSpoilNothingAfter) {
    const auto stream = Stream(64, 32, [](KCGraphicStreamBinaryWriter& w) {
        w.Font("DejaVu Sans", 12, kBlack, 0);
        w.DrawTheText(std::string_view("\xC3\x28\xFF\xFE bad", 8), 0, eGSLeft, eGSTop);
        SGSDrawOval flat;
        flat.rect = {0, 0, 0, 10};
        w.DrawOval(flat);
        const KCPoint2D<float> points[] = {{0, 0}, {std::numeric_limits<float>::quiet_NaN(), 5}};
        w.DataHere(points, 2, eGSPoint2D);
        SGSDrawVertices v;
        v.scale = {0, 0, 1};
        w.DrawVertices(v);
        SGSDrawOval huge;
        huge.rect = {-2000000000, -2000000000, 2000000000, 2000000000};
        huge.stroke_width = std::numeric_limits<float>::infinity();
        w.DrawOval(huge);
        w.DrawSolidRect(kRed, Rect(40, 20, 60, 30));
    });
    KCGraphicStreamToCairo r;
    ASSERT_EQ(r.Render(stream.data(), stream.size()), eNoErr);
    EXPECT_EQ(r.GetPixel(50, 25), kOpaqueRed);
    EXPECT_FALSE(FindInk(r).Empty());

    // Damaged copies of a valid stream: any verdict, never a fault.
    const auto good = Stream(32, 32, [](KCGraphicStreamBinaryWriter& w) {
        w.DrawSolidRect(kRed, Rect(0, 0, 10, 10));
        w.DrawTheText("x", 0, eGSLeft, eGSTop);
        w.DrawPNG("img");
        SGSDrawOval oval;
        oval.rect = {0, 0, 20, 20};
        w.DrawOval(oval);
    });
    std::mt19937 random(7);
    for (int i = 0; i < 2000; ++i) {
        std::vector<char> bytes = good;
        for (int k = 0; k < 4; ++k) {
            bytes[random() % bytes.size()] = static_cast<char>(random());
        }
        (void)r.Render(bytes.data(), bytes.size());
    }
    EXPECT_LE(r.GetWidth(), r.GetLimits().maxWidth);
}

TEST(GSRenderer, StreamsWithoutASizeAreRefused) {
    const auto empty = Stream(
        0, 0, [](KCGraphicStreamBinaryWriter& w) { w.DrawSolidRect(kRed, Rect(0, 0, 10, 10)); });
    KCGraphicStreamToCairo r;
    EXPECT_EQ(r.Render(empty.data(), empty.size()), eGMInvalidImage);
    r.SetWindowRect({0, 0, 16, 8});
    ASSERT_EQ(r.Render(empty.data(), empty.size()), eNoErr);
    EXPECT_EQ(r.GetWidth(), 16);
    EXPECT_EQ(r.GetPixel(5, 5), kOpaqueRed);
    const char garbage[8] = {'B', 'S', 'T', 'M', 0, 0, 0, 0};
    EXPECT_NE(r.Render(garbage, sizeof garbage), eNoErr);
}

// A stream without a size whose frames have one opens nothing: its frames make no surfaces,
// and a surface once made is held by the renderer alone.
TEST(GSRenderer, FramesInsideAnUnsizedStreamOpenNoSurface) {
    const auto stream = Stream(0, 0, [](KCGraphicStreamBinaryWriter& w) {
        for (int i = 0; i < 6; ++i) {
            KCStGSFrameStructWriter frame(w, KURect<int>{0, 0, 200 - i % 2, 200}, 1);
            w.DrawSolidRect(kRed, Rect(0, 0, 10, 10));
        }
    });
    KCGraphicStreamToCairo r;
    EXPECT_EQ(r.Render(stream.data(), stream.size()), eGMInvalidImage);
    EXPECT_EQ(r.GetSurface(), nullptr);

    r.SetWindowRect({0, 0, 16, 8});
    ASSERT_EQ(r.Render(stream.data(), stream.size()), eNoErr);
    ASSERT_NE(r.GetSurface(), nullptr);
    EXPECT_EQ(r.GetWidth(), 16);
    EXPECT_EQ(cairo_surface_get_reference_count(r.GetSurface()), 1U);
    EXPECT_EQ(r.GetPixel(5, 5), kOpaqueRed);
}

TEST(GSRenderer, RendersToPngBytesThatDecodeToTheSamePixels) {
    const auto stream = Stream(
        40, 20, [](KCGraphicStreamBinaryWriter& w) { w.DrawSolidRect(kBlue, Rect(0, 0, 20, 20)); });
    std::vector<unsigned char> png;
    ASSERT_EQ(RenderGraphicStreamToPNG(stream.data(), stream.size(), nullptr, png), eNoErr);
    KCImagePixels decoded;
    ASSERT_EQ(DecodePNG(png.data(), png.size(), decoded), eNoErr);
    EXPECT_EQ(decoded.width, 40);
    EXPECT_EQ(decoded.height, 20);
    EXPECT_EQ(decoded.At(5, 5), kOpaqueBlue);
    EXPECT_EQ(decoded.At(30, 5), 0U);

    // A stream written by this process with its vertices left where they are.
    KCGraphicStreamBinaryWriter w(4);  // every payload of 4 bytes or more by address
    const KCPoint2D<short> square[] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
    SGSStream s;
    s.rect = {0, 0, 20, 20};
    {
        KCStGSStreamStructWriter guard(w, s);
        w.Data(square, 4, eGSPoint2D);
        SGSDrawVertices v;
        v.method = eGSPolygon;
        v.draw_color = ToSGSColor(kGreen);
        w.DrawVertices(v);
    }
    const auto* bytes = static_cast<const char*>(w.GetStream().ptr);
    ASSERT_EQ(RenderGraphicStreamToPNG(bytes, w.GetStream().size, nullptr, png, {}, true), eNoErr);
    ASSERT_EQ(DecodePNG(png.data(), png.size(), decoded), eNoErr);
    EXPECT_EQ(decoded.At(5, 5), kOpaqueGreen);
    // Read as untrusted, the same stream has no vertices to draw.
    ASSERT_EQ(RenderGraphicStreamToPNG(bytes, w.GetStream().size, nullptr, png), eNoErr);
    ASSERT_EQ(DecodePNG(png.data(), png.size(), decoded), eNoErr);
    EXPECT_EQ(decoded.At(5, 5), 0U);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::PluginViewManager
