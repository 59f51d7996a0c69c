// Drawing a GUI-sized graphic stream with Cairo: a 600×400 plug-in window of about 40 controls
// (knobs with their image, value ring, hand and label, popups, toggles, a slider, a curve graph
// and a meter), rendered from its stream into the image surface, against Cairo drawing the same
// primitives directly from a list prepared once (the limit: no stream, no reading, text placed
// in advance). A denser window than the example EQ's (gs_render_eq_bench.cpp draws that one).
#include "korvane/gs/gs_writer.h"
#include "korvane/gui/pvm/gs_renderer.h"
#include "korvane/gui/pvm/image_source.h"

#include <benchmark/benchmark.h>
#include <cairo.h>

#include <cmath>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace kvKorvaneV10_0_3;
using namespace kvKorvaneV10_0_3::kvGS;

constexpr int kWidth = 600;
constexpr int kHeight = 400;
constexpr int kKnobSide = 40;
constexpr double kPi = 3.14159265358979323846;

// One primitive of a control, in the control's coordinates.
struct KSItem {
    enum Kind { eRect, eWire, eRing, eHand, eText, eImage, eCurve };
    KSItem(Kind k, short ix, short iy, short iw, short ih, KCRGBAColor c, float v = 0,
           std::string t = {}, KTGSCode h = eGSHCenter)
        : kind(k), x(ix), y(iy), w(iw), h(ih), color(c), value(v), text(std::move(t)), hAlign(h) {}
    Kind kind;
    short x, y, w, h;
    KCRGBAColor color;
    float value;  // ring sweep and hand angle, 0..1
    std::string text;
    KTGSCode hAlign;
};

struct KSControl {
    short x, y, w, h;
    std::vector<KSItem> items;
};

constexpr KCRGBAColor kPanel{40, 44, 52, 255};
constexpr KCRGBAColor kBorder{90, 96, 110, 255};
constexpr KCRGBAColor kAccent{255, 170, 40, 255};
constexpr KCRGBAColor kLabel{220, 220, 220, 255};
constexpr KCRGBAColor kDark{20, 22, 26, 255};

std::vector<KSControl> Window() {
    std::vector<KSControl> controls;
    controls.push_back({0, 0, kWidth, kHeight, {{KSItem::eRect, 0, 0, kWidth, kHeight, kPanel}}});
    controls.push_back(
        {0, 0, kWidth, 28, {{KSItem::eText, 0, 0, kWidth, 28, kLabel, 0, "Four-band EQ"}}});
    const char* names[] = {"Freq", "Gain", "Q"};
    for (short band = 0; band < 4; ++band) {
        const auto bx = static_cast<short>(16 + band * 130);
        controls.push_back(
            {bx,
             34,
             120,
             262,
             {{KSItem::eWire, 0, 0, 120, 262, kBorder},
              {KSItem::eText, 0, 0, 120, 18, kLabel, 0, "Band " + std::to_string(band + 1)}}});
        for (short k = 0; k < 3; ++k) {
            const float value = 0.15F + 0.25F * static_cast<float>(k + band) / 2.0F;
            controls.push_back(
                {static_cast<short>(bx + 8),
                 static_cast<short>(56 + k * 62),
                 56,
                 58,
                 {{KSItem::eImage, 8, 0, kKnobSide, kKnobSide, kLabel},
                  {KSItem::eRing, 6, -2, kKnobSide + 4, kKnobSide + 4, kAccent, value},
                  {KSItem::eHand, 8, 0, kKnobSide, kKnobSide, kDark, value},
                  {KSItem::eText, 0, 42, 56, 14, kLabel, 0, names[k]}}});
            // The value readout beside the knob.
            controls.push_back({static_cast<short>(bx + 66),
                                static_cast<short>(68 + k * 62),
                                48,
                                16,
                                {{KSItem::eRect, 0, 0, 48, 16, kDark},
                                 {KSItem::eText, 0, 0, 48, 16, kAccent, 0,
                                  std::to_string(120 * (k + 1) + band) + (k == 0 ? " Hz" : "")}}});
        }
        controls.push_back({static_cast<short>(bx + 8),
                            244,
                            104,
                            18,
                            {{KSItem::eRect, 0, 0, 104, 18, kDark},
                             {KSItem::eWire, 0, 0, 104, 18, kBorder},
                             {KSItem::eText, 4, 0, 96, 18, kLabel, 0, "Peak", eGSLeft}}});
        controls.push_back({static_cast<short>(bx + 8),
                            268,
                            40,
                            18,
                            {{KSItem::eRect, 0, 0, 40, 18, band % 2 == 0 ? kAccent : kBorder},
                             {KSItem::eText, 0, 0, 40, 18, kDark, 0, "On"}}});
    }
    controls.push_back({540,
                        34,
                        44,
                        262,
                        {{KSItem::eRect, 18, 0, 8, 240, kDark},
                         {KSItem::eImage, 2, 120, kKnobSide, kKnobSide, kLabel},
                         {KSItem::eText, 0, 244, 44, 18, kLabel, 0, "Out"}}});
    controls.push_back({540,
                        300,
                        44,
                        18,
                        {{KSItem::eRect, 0, 0, 44, 18, kBorder},
                         {KSItem::eText, 0, 0, 44, 18, kLabel, 0, "Bypass"}}});
    controls.push_back({16,
                        302,
                        508,
                        90,
                        {{KSItem::eRect, 0, 0, 508, 90, kDark},
                         {KSItem::eWire, 0, 0, 508, 90, kBorder},
                         {KSItem::eCurve, 0, 0, 508, 90, kAccent}}});
    controls.push_back({540,
                        324,
                        44,
                        68,
                        {{KSItem::eRect, 0, 0, 20, 68, kDark},
                         {KSItem::eRect, 0, 30, 20, 38, kAccent},
                         {KSItem::eRect, 24, 0, 20, 68, kDark},
                         {KSItem::eRect, 24, 24, 20, 44, kAccent}}});
    return controls;
}

// The EQ curve across the graph: 254 points.
std::vector<KCPoint2D<float>> Curve(short w, short h) {
    std::vector<KCPoint2D<float>> points;
    for (int i = 0; i <= w; i += 2) {
        const double t = static_cast<double>(i) / w;
        points.emplace_back(
            static_cast<float>(i),
            static_cast<float>(h / 2.0 - h * 0.35 * std::sin(t * 2 * kPi) * std::exp(-t)));
    }
    return points;
}

KURect<short> Rect(short x, short y, short w, short h) {
    return {y, x, static_cast<short>(y + h), static_cast<short>(x + w)};
}

// The window as the GUI would write it: one frame per control, coordinates inside it.
std::vector<char> WindowStream(const std::vector<KSControl>& controls) {
    KCGraphicStreamBinaryWriter w;
    SGSStream stream;
    stream.rect = {0, 0, kWidth, kHeight};
    {
        KCStGSStreamStructWriter guard(w, stream);
        w.Font("DejaVu Sans", 11, kLabel, 0);
        for (const KSControl& c : controls) {
            KCStGSFrameStructWriter frame(w, KURect<int>{c.y, c.x, c.y + c.h, c.x + c.w}, 1);
            for (const KSItem& item : c.items) {
                switch (item.kind) {
                    case KSItem::eRect:
                        w.DrawSolidRect(item.color, Rect(item.x, item.y, item.w, item.h));
                        break;
                    case KSItem::eWire:
                        w.DrawWireRect(item.color, Rect(item.x, item.y, item.w, item.h), 1);
                        break;
                    case KSItem::eRing: {
                        SGSDrawOval oval;
                        oval.rect = {item.x, item.y, item.w, item.h};
                        oval.start_angle = 135;
                        oval.sweep_angle = 270 * item.value;
                        oval.stroke_width = 3;
                        oval.draw_color = ToSGSColor(item.color);
                        w.DrawOval(oval);
                        break;
                    }
                    case KSItem::eHand:
                        w.DrawArcLine(item.color, -135 + 270 * item.value,
                                      Rect(item.x, item.y, item.w, item.h), 2, true);
                        break;
                    case KSItem::eText: {
                        KCStGSFrameStructWriter box(
                            w, KURect<int>{item.y, item.x, item.y + item.h, item.x + item.w}, 2);
                        w.Font("DejaVu Sans", 11, item.color, 0);
                        w.DrawTheText(item.text, 0, item.hAlign, eGSVCenter);
                        break;
                    }
                    case KSItem::eImage:
                        w.DrawPNGAtPosition("knob", {item.x, item.y});
                        break;
                    case KSItem::eCurve: {
                        const auto points = Curve(item.w, item.h);
                        w.DataHere(points.data(), static_cast<unsigned int>(points.size()),
                                   eGSPoint2D);
                        SGSDrawVertices v;
                        v.method = eGSLineStrip;
                        v.stroke_width = 2;
                        v.draw_color = ToSGSColor(item.color);
                        w.DrawVertices(v);
                        break;
                    }
                }
            }
        }
    }
    const auto& s = w.GetStream();
    return {static_cast<const char*>(s.ptr), static_cast<const char*>(s.ptr) + s.size};
}

// A shaded 40×40 knob with a transparent surround, as PNG bytes.
std::vector<unsigned char> KnobPNG() {
    cairo_surface_t* surface =
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kKnobSide, kKnobSide);
    cairo_t* cr = cairo_create(surface);
    cairo_pattern_t* shade = cairo_pattern_create_radial(14, 14, 2, 20, 20, 20);
    cairo_pattern_add_color_stop_rgb(shade, 0, 0.8, 0.8, 0.85);
    cairo_pattern_add_color_stop_rgb(shade, 1, 0.25, 0.25, 0.3);
    cairo_set_source(cr, shade);
    cairo_arc(cr, 20, 20, 18, 0, 2 * kPi);
    cairo_fill(cr);
    cairo_pattern_destroy(shade);
    cairo_destroy(cr);
    std::vector<unsigned char> png;
    cairo_surface_write_to_png_stream(
        surface,
        [](void* closure, const unsigned char* data, unsigned int length) {
            auto* out = static_cast<std::vector<unsigned char>*>(closure);
            out->insert(out->end(), data, data + length);
            return CAIRO_STATUS_SUCCESS;
        },
        &png);
    cairo_surface_destroy(surface);
    return png;
}

void GSRenderWindow(benchmark::State& state) {
    const std::vector<char> stream = WindowStream(Window());
    PluginViewManager::KCPNGImageSource images;
    const auto png = KnobPNG();
    if (images.AddPNG("knob", png.data(), png.size()) != eNoErr) {
        state.SkipWithError("knob image");
        return;
    }
    PluginViewManager::KCGraphicStreamToCairo renderer(&images);
    for (auto _ : state) {
        if (renderer.Render(stream.data(), stream.size()) != eNoErr) {
            state.SkipWithError("render failed");
            break;
        }
        benchmark::DoNotOptimize(renderer.GetPixel(300, 200));
    }
    state.counters["records"] = static_cast<double>(renderer.GetRecordCount());
    state.counters["frames/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(GSRenderWindow)->Name("gs.cairo_600x400_window/korvane")->Unit(benchmark::kMillisecond);

// The same primitives straight to Cairo: absolute coordinates, text already placed and turned
// into glyphs, one prepared image surface, one scaled font.
void CairoDirect(benchmark::State& state) {
    const std::vector<KSControl> controls = Window();
    PluginViewManager::KCPNGImageSource images;
    const auto png = KnobPNG();
    (void)images.AddPNG("knob", png.data(), png.size());
    const PluginViewManager::KCImagePixels* knob = images.GetImage(0, "knob");
    cairo_surface_t* image = cairo_image_surface_create_for_data(
        reinterpret_cast<unsigned char*>(const_cast<std::uint32_t*>(knob->argb.data())),
        CAIRO_FORMAT_ARGB32, knob->width, knob->height, knob->width * 4);
    cairo_font_face_t* face = cairo_toy_font_face_create("DejaVu Sans", CAIRO_FONT_SLANT_NORMAL,
                                                         CAIRO_FONT_WEIGHT_NORMAL);
    cairo_matrix_t size;
    cairo_matrix_init_scale(&size, 11, 11);
    cairo_matrix_t identity;
    cairo_matrix_init_identity(&identity);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_scaled_font_t* font = cairo_scaled_font_create(face, &size, &identity, options);

    struct KSGlyphs {
        std::vector<cairo_glyph_t> glyphs;
        KCRGBAColor color;
    };
    std::vector<KSGlyphs> texts;
    cairo_font_extents_t fe;
    cairo_scaled_font_extents(font, &fe);
    for (const KSControl& c : controls) {
        for (const KSItem& item : c.items) {
            if (item.kind != KSItem::eText) {
                continue;
            }
            cairo_text_extents_t te;
            cairo_scaled_font_text_extents(font, item.text.c_str(), &te);
            double x = c.x + item.x + (item.w - te.x_advance) / 2;
            if (item.hAlign == eGSLeft) {
                x = c.x + item.x;
            }
            const double y = c.y + item.y + (item.h + fe.ascent - fe.descent) / 2;
            cairo_glyph_t* glyphs = nullptr;
            int count = 0;
            cairo_scaled_font_text_to_glyphs(font, x, y, item.text.c_str(), -1, &glyphs, &count,
                                             nullptr, nullptr, nullptr);
            texts.push_back({{glyphs, glyphs + count}, item.color});
            cairo_glyph_free(glyphs);
        }
    }
    const auto curve = Curve(508, 90);
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kWidth, kHeight);
    const auto color = [](cairo_t* cr, const KCRGBAColor& c) {
        cairo_set_source_rgba(cr, c.red / 255.0, c.green / 255.0, c.blue / 255.0, c.alpha / 255.0);
    };
    for (auto _ : state) {
        cairo_t* cr = cairo_create(surface);
        cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
        cairo_paint(cr);
        cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
        cairo_set_scaled_font(cr, font);
        std::size_t text = 0;
        for (const KSControl& c : controls) {
            for (const KSItem& item : c.items) {
                const double x = c.x + item.x;
                const double y = c.y + item.y;
                switch (item.kind) {
                    case KSItem::eRect:
                        // Filled and outlined, as the stream's solid rectangle is.
                        cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
                        color(cr, item.color);
                        cairo_rectangle(cr, x - 0.5, y - 0.5, item.w + 1, item.h + 1);
                        cairo_fill(cr);
                        cairo_set_antialias(cr, CAIRO_ANTIALIAS_DEFAULT);
                        break;
                    case KSItem::eWire:
                        cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
                        color(cr, item.color);
                        cairo_set_line_width(cr, 1);
                        cairo_rectangle(cr, x, y, item.w, item.h);
                        cairo_stroke(cr);
                        cairo_set_antialias(cr, CAIRO_ANTIALIAS_DEFAULT);
                        break;
                    case KSItem::eRing: {
                        color(cr, item.color);
                        cairo_set_line_width(cr, 3);
                        const double r = item.w / 2.0;
                        cairo_new_path(cr);
                        cairo_arc(cr, x + r, y + r, r, 135 * kPi / 180,
                                  (135 + 270 * item.value) * kPi / 180);
                        cairo_stroke(cr);
                        break;
                    }
                    case KSItem::eHand: {
                        color(cr, item.color);
                        cairo_set_line_width(cr, 2);
                        const double r = item.w / 2.0;
                        const double a = (-135 + 270 * item.value) * kPi / 180;
                        cairo_move_to(cr, std::trunc(x + r), std::trunc(y + r));
                        cairo_line_to(cr, std::trunc(x + r + r * std::sin(a)),
                                      std::trunc(y + r - r * std::cos(a)));
                        cairo_stroke(cr);
                        break;
                    }
                    case KSItem::eText:
                        color(cr, texts[text].color);
                        cairo_show_glyphs(cr, texts[text].glyphs.data(),
                                          static_cast<int>(texts[text].glyphs.size()));
                        ++text;
                        break;
                    case KSItem::eImage:
                        cairo_set_source_surface(cr, image, x, y);
                        cairo_rectangle(cr, x, y, kKnobSide, kKnobSide);
                        cairo_fill(cr);
                        break;
                    case KSItem::eCurve:
                        color(cr, item.color);
                        cairo_set_line_width(cr, 2);
                        for (std::size_t i = 0; i < curve.size(); ++i) {
                            (i == 0 ? cairo_move_to : cairo_line_to)(cr, x + curve[i].x,
                                                                     y + curve[i].y);
                        }
                        cairo_stroke(cr);
                        break;
                }
            }
        }
        cairo_destroy(cr);
        cairo_surface_flush(surface);
        benchmark::DoNotOptimize(cairo_image_surface_get_data(surface));
    }
    state.counters["frames/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    cairo_surface_destroy(surface);
    cairo_scaled_font_destroy(font);
    cairo_font_options_destroy(options);
    cairo_font_face_destroy(face);
    cairo_surface_destroy(image);
}
BENCHMARK(CairoDirect)
    ->Name("gs.cairo_600x400_window/limit:cairo_direct")
    ->Unit(benchmark::kMillisecond);

}  // namespace
