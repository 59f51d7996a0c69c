// Drawing graphic stream records with Cairo into an ARGB32 image surface.
#include "korvane/gui/pvm/gs_renderer.h"

#include "korvane/gui/pvm/cairo_fonts.h"
#include "korvane/gui/pvm/image_source.h"

#include <cairo.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <new>
#include <string_view>

namespace kvKorvaneV10_0_3::PluginViewManager {

namespace {

using namespace kvGS;

constexpr double kDegreesToRadians = 0.017453292519943295;
// Coordinates beyond this are cut to it: Cairo keeps 24.8 fixed-point device coordinates, and
// nothing this far from the surface is visible.
constexpr double kMaxCoordinate = 1.0e6;
constexpr double kMaxStrokeWidth = 4096.0;

double Coord(double v) {
    return std::isfinite(v) ? std::clamp(v, -kMaxCoordinate, kMaxCoordinate) : 0.0;
}

// Saves the drawing state and restores it on leaving the scope.
class KCStCairoSave {
public:
    explicit KCStCairoSave(cairo_t* cr) : m_cr(cr) { cairo_save(cr); }
    KCStCairoSave(const KCStCairoSave&) = delete;
    KCStCairoSave& operator=(const KCStCairoSave&) = delete;
    ~KCStCairoSave() { cairo_restore(m_cr); }

private:
    cairo_t* m_cr;
};

bool IsDrawnMethod(KTGSCode method) {
    return method == eGSLineStrip || method == eGSPolygon || method == eGSStraightLines ||
           method == eGSTriangleFan || method == eGSTriangleStrip;
}

// The left, top, right and bottom of four points that make an upright rectangle with area, in
// either turning direction; false for any other shape.
bool AxisAlignedRect(const std::vector<double>& xy, double (&box)[4]) {
    if (xy.size() != 8) {
        return false;
    }
    const bool horizontalFirst =
        xy[1] == xy[3] && xy[2] == xy[4] && xy[5] == xy[7] && xy[6] == xy[0];
    const bool verticalFirst = xy[0] == xy[2] && xy[3] == xy[5] && xy[4] == xy[6] && xy[7] == xy[1];
    if (!horizontalFirst && !verticalFirst) {
        return false;
    }
    box[0] = std::min(xy[0], xy[4]);
    box[1] = std::min(xy[1], xy[5]);
    box[2] = std::max(xy[0], xy[4]);
    box[3] = std::max(xy[1], xy[5]);
    return box[2] > box[0] && box[3] > box[1];
}

cairo_status_t AppendBytes(void* closure, const unsigned char* data, unsigned int length) {
    try {
        auto* out = static_cast<std::vector<unsigned char>*>(closure);
        out->insert(out->end(), data, data + length);
        return CAIRO_STATUS_SUCCESS;
    } catch (...) {
        return CAIRO_STATUS_WRITE_ERROR;
    }
}

}  // namespace

KCGraphicStreamToCairo::KCGraphicStreamToCairo(KCImageSource* images) : m_images(images) {}

KCGraphicStreamToCairo::~KCGraphicStreamToCairo() {
    Close();
    if (m_surface != nullptr) {
        cairo_surface_destroy(m_surface);
    }
}

KTErr KCGraphicStreamToCairo::Render(const char* stream, std::size_t length) {
    return Run(stream, length, false);
}

KTErr KCGraphicStreamToCairo::RenderInProcess(const char* stream, std::size_t length) {
    return Run(stream, length, true);
}

KTErr KCGraphicStreamToCairo::Run(const char* stream, std::size_t length, bool inProcess) {
    const KTErr err = inProcess ? ExecStreamInProcess(stream, length) : ExecStream(stream, length);
    const bool opened = m_cr != nullptr;
    const bool failed = opened && cairo_status(m_cr) != CAIRO_STATUS_SUCCESS;
    Close();
    if (err < 0) {
        return err;
    }
    if (!opened) {
        return eGMInvalidImage;
    }
    return failed ? eGMGenericErr : eNoErr;
}

void KCGraphicStreamToCairo::BeforeExceStream() {
    Close();
    m_levels.clear();
    m_drawn = 0;
    m_missingImages = 0;
    m_cut = false;
    m_openTried = false;
}

bool KCGraphicStreamToCairo::Open(const SGSRect& outer) {
    SGSRect rect = outer;
    if (rect.width <= 0 || rect.height <= 0) {
        rect = GetWindowRect();
    }
    if (rect.width <= 0 || rect.height <= 0) {
        return false;
    }
    const auto scaled = [this](int size) {
        return static_cast<int>(std::min(std::ceil(size * m_scale), double{INT_MAX}));
    };
    const int width = std::min(scaled(rect.width), std::max(m_limits.maxWidth, 1));
    const int height = std::min(scaled(rect.height), std::max(m_limits.maxHeight, 1));
    m_cut = m_cut || width < scaled(rect.width) || height < scaled(rect.height);
    if (m_target != nullptr) {
        // The caller's surface: nothing of our own is made, nothing can be read back.
        m_width = width;
        m_height = height;
    } else if (m_surface == nullptr || width != m_width || height != m_height) {
        if (m_surface != nullptr) {
            cairo_surface_destroy(m_surface);
        }
        m_surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
        if (cairo_surface_status(m_surface) != CAIRO_STATUS_SUCCESS) {
            cairo_surface_destroy(m_surface);
            m_surface = nullptr;
            m_width = m_height = 0;
            throw std::bad_alloc();
        }
        m_width = width;
        m_height = height;
    }
    if (m_cr != nullptr) {
        cairo_destroy(m_cr);
    }
    m_cr = cairo_create(m_target != nullptr ? m_target : m_surface);
    cairo_set_operator(m_cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_rgba(m_cr, ((m_background >> 16U) & 0xFFU) / 255.0,
                          ((m_background >> 8U) & 0xFFU) / 255.0, (m_background & 0xFFU) / 255.0,
                          (m_background >> 24U) / 255.0);
    if ((m_background >> 24U) != 0) {
        // The background is premultiplied: Cairo wants the straight colour.
        const double a = (m_background >> 24U) / 255.0;
        cairo_set_source_rgba(m_cr, ((m_background >> 16U) & 0xFFU) / 255.0 / a,
                              ((m_background >> 8U) & 0xFFU) / 255.0 / a,
                              (m_background & 0xFFU) / 255.0 / a, a);
    }
    cairo_paint(m_cr);
    cairo_set_operator(m_cr, CAIRO_OPERATOR_OVER);
    cairo_scale(m_cr, m_scale, m_scale);
    m_levels.push_back(rect);
    return true;
}

void KCGraphicStreamToCairo::SetScale(double scale) {
    m_scale = std::isfinite(scale) ? std::clamp(scale, kMinScale, kMaxScale) : kMinScale;
}

void KCGraphicStreamToCairo::Close() {
    if (m_cr != nullptr) {
        cairo_destroy(m_cr);
        m_cr = nullptr;
        cairo_surface_flush(m_target != nullptr ? m_target : m_surface);
    }
    if (m_font != nullptr) {
        cairo_scaled_font_destroy(m_font);
        m_font = nullptr;
    }
    for (const auto& [pixels, surface] : m_imageSurfaces) {
        cairo_surface_destroy(surface);
    }
    m_imageSurfaces.clear();
}

bool KCGraphicStreamToCairo::Admit() {
    // Nothing is drawn before the outermost stream or frame opens the surface, or after it ends.
    if (m_cr == nullptr || m_levels.empty()) {
        return false;
    }
    if (m_drawn >= m_limits.maxDrawRecords) {
        m_cut = true;
        return false;
    }
    ++m_drawn;
    return true;
}

void KCGraphicStreamToCairo::Enter(const SGSRect& rect) {
    m_levels.push_back(rect);
    if (m_cr != nullptr) {
        cairo_save(m_cr);
        cairo_translate(m_cr, Coord(rect.x), Coord(rect.y));
    }
}

void KCGraphicStreamToCairo::Leave() {
    // The outermost level has no saved state: its end is the end of the drawing.
    if (m_levels.size() > 1 && m_cr != nullptr) {
        cairo_restore(m_cr);
    }
    if (!m_levels.empty()) {
        m_levels.pop_back();
    }
}

int KCGraphicStreamToCairo::BeginStream(const SGSStream& stream) {
    // Only the outermost level opens; when that fails, the levels inside draw nothing.
    if (!m_openTried) {
        m_openTried = true;
        Open(stream.rect);
        return 0;
    }
    Enter(stream.rect);
    return 0;
}

int KCGraphicStreamToCairo::EndStream(const SGSCommandHeader& /*header*/) {
    Leave();
    return 0;
}

int KCGraphicStreamToCairo::BeginFrame(const SGSFrame& frame) {
    if (!m_openTried) {
        m_openTried = true;
        Open(frame.rect);
        return 0;
    }
    Enter(frame.rect);
    return 0;
}

int KCGraphicStreamToCairo::EndFrame(const SGSCommandHeader& /*header*/) {
    Leave();
    return 0;
}

int KCGraphicStreamToCairo::RotateFrame(const SGSFrameRotate& rotate) {
    if (!Admit()) {
        return 0;
    }
    const double x = Coord(rotate.xOffset);
    const double y = Coord(rotate.yOffset);
    cairo_translate(m_cr, x, y);
    cairo_rotate(m_cr,
                 std::fmod(static_cast<double>(rotate.angleDegrees), 360.0) * kDegreesToRadians);
    cairo_translate(m_cr, -x, -y);
    return 0;
}

int KCGraphicStreamToCairo::ClipRect(const SGSClipRect& clip) {
    if (!Admit()) {
        return 0;
    }
    cairo_new_path(m_cr);
    cairo_rectangle(m_cr, Coord(clip.rect.x), Coord(clip.rect.y), Coord(clip.rect.width),
                    Coord(clip.rect.height));
    cairo_clip(m_cr);
    return 0;
}

bool KCGraphicStreamToCairo::Points() {
    switch (GetLatestPoints(m_points, m_limits.maxVertices)) {
        case EPoints::eOK:
            break;
        case EPoints::eTooMany:
            m_cut = true;
            return false;
        case EPoints::eNone:
            return false;
    }
    m_xy.resize(m_points.size());
    for (std::size_t i = 0; i < m_points.size(); ++i) {
        m_xy[i] = Coord(m_points[i]);
    }
    return true;
}

bool KCGraphicStreamToCairo::StrokeColoredLines(double width) {
    const SGSData* data = GetLatestDataOfPurpose(eGSRGBAColor);
    unsigned int channels = 4;
    const SGSData* rgb = GetLatestDataOfPurpose(eGSRGBColor);
    if (data == nullptr || (rgb != nullptr && rgb > data)) {
        data = rgb;
        channels = 3;
    }
    const std::size_t n = m_xy.size() / 2;
    const auto* colors =
        data != nullptr ? static_cast<const std::uint8_t*>(GetDataPayload(*data)) : nullptr;
    if (colors == nullptr || data->count < n * channels) {
        return false;  // no colour for every vertex: the record's own colour
    }
    // Each segment in the colour of its first vertex; segments of one colour in one stroke.
    cairo_set_line_width(m_cr, width);
    std::size_t i = 0;
    while (i + 1 < n) {
        const std::uint8_t* c = colors + i * channels;
        Color({c[0], c[1], c[2], channels == 4 ? c[3] : std::uint8_t{255}});
        cairo_new_path(m_cr);
        for (; i + 1 < n && std::memcmp(colors + i * channels, c, channels) == 0; i += 2) {
            cairo_move_to(m_cr, m_xy[2 * i], m_xy[2 * i + 1]);
            cairo_line_to(m_cr, m_xy[2 * i + 2], m_xy[2 * i + 3]);
        }
        cairo_stroke(m_cr);
    }
    return true;
}

void KCGraphicStreamToCairo::Color(const SGSRGBAColor& c) {
    cairo_set_source_rgba(m_cr, c.red / 255.0, c.green / 255.0, c.blue / 255.0, c.alpha / 255.0);
}

void KCGraphicStreamToCairo::ApplyDashes(std::uint16_t pattern) {
    // The same dashes the SVG rendering writes: runs of set and clear bits, bit 0 first,
    // starting at a set bit that follows a clear one, offset back to bit 0.
    constexpr int kBits = 16;
    if (pattern == 0xFFFF) {
        cairo_set_dash(m_cr, nullptr, 0, 0);
        return;
    }
    if (pattern == 0) {
        const double none[2] = {0, kBits};
        cairo_set_dash(m_cr, none, 2, 0);
        return;
    }
    const auto bit = [&](int i) { return ((pattern >> (i % kBits)) & 1U) != 0; };
    int start = 0;
    while (!(bit(start) && !bit(start + kBits - 1))) {
        ++start;
    }
    double dashes[kBits];
    int count = 0;
    for (int i = start; i < start + kBits;) {
        const bool on = bit(i);
        int run = 0;
        while (i < start + kBits && bit(i) == on) {
            ++run;
            ++i;
        }
        dashes[count++] = run;
    }
    cairo_set_dash(m_cr, dashes, count, start != 0 ? kBits - start : 0);
}

int KCGraphicStreamToCairo::DrawVertices(const SGSDrawVertices& v) {
    if (m_cr == nullptr || !IsDrawnMethod(v.method) || !Admit() || !Points()) {
        return 0;
    }
    const double sx = v.scale.x;
    const double sy = v.scale.y;
    if (!std::isfinite(sx) || !std::isfinite(sy) || sx == 0 || sy == 0) {
        return 0;
    }
    const bool xorMode = (v.flags & SGSDrawVertices::eDrawInXORMode) != 0;
    const bool filled = v.method != eGSLineStrip && v.method != eGSStraightLines;
    const double width = std::isfinite(v.stroke_width)
                             ? std::clamp(static_cast<double>(v.stroke_width), 0.0, kMaxStrokeWidth)
                             : 1.0;
    // Every drawing record sets the state it draws with, so none needs a save and restore.
    cairo_set_antialias(m_cr, (v.flags & SGSDrawVertices::NoAntialias) != 0
                                  ? CAIRO_ANTIALIAS_NONE
                                  : CAIRO_ANTIALIAS_DEFAULT);
    Color(v.draw_color);
    double box[4];
    if (!xorMode && sx == 1 && sy == 1 && v.method == eGSPolygon && v.stroke_pattern == 0xFFFF &&
        v.draw_color.alpha == 255 && AxisAlignedRect(m_xy, box)) {
        // Filled and stroked with mitred corners, an opaque upright rectangle covers itself
        // widened by half the stroke: one fill gives the same pixels.
        cairo_new_path(m_cr);
        cairo_rectangle(m_cr, box[0] - width / 2, box[1] - width / 2, box[2] - box[0] + width,
                        box[3] - box[1] + width);
        cairo_fill(m_cr);
        return 0;
    }
    if (v.method == eGSStraightLines && !xorMode && sx == 1 && sy == 1 &&
        (v.flags & SGSDrawVertices::ColorsInData) != 0) {
        ApplyDashes(v.stroke_pattern);
        if (StrokeColoredLines(width)) {
            return 0;
        }
    }
    cairo_new_path(m_cr);
    cairo_matrix_t matrix;
    const bool scaled = sx != 1 || sy != 1;
    if (scaled) {
        // The points are scaled; the stroke, made after the matrix is back, is not.
        cairo_get_matrix(m_cr, &matrix);
        cairo_scale(m_cr, std::clamp(sx, -kMaxCoordinate, kMaxCoordinate),
                    std::clamp(sy, -kMaxCoordinate, kMaxCoordinate));
    }
    const std::size_t n = m_xy.size() / 2;
    const auto at = [&](std::size_t i, bool move) {
        (move ? cairo_move_to : cairo_line_to)(m_cr, m_xy[2 * i], m_xy[2 * i + 1]);
    };
    if (v.method == eGSLineStrip || v.method == eGSPolygon) {
        for (std::size_t i = 0; i < n; ++i) {
            at(i, i == 0);
        }
        if (v.method == eGSPolygon) {
            cairo_close_path(m_cr);
        }
    } else if (v.method == eGSStraightLines) {
        for (std::size_t i = 0; i + 1 < n; i += 2) {
            at(i, true);
            at(i + 1, false);
        }
    } else {
        for (std::size_t i = 2; i < n; ++i) {
            at(v.method == eGSTriangleFan ? 0 : i - 2, true);
            at(i - 1, false);
            at(i, false);
            cairo_close_path(m_cr);
        }
    }
    if (scaled) {
        cairo_set_matrix(m_cr, &matrix);
    }
    cairo_set_line_width(m_cr, width);
    ApplyDashes(v.stroke_pattern);
    if (xorMode) {
        // Fill and stroke overlap at the edges: drawn as one shape first, so every pixel is
        // inverted once.
        cairo_push_group(m_cr);
        if (filled) {
            cairo_fill_preserve(m_cr);
        }
        cairo_stroke(m_cr);
        cairo_pop_group_to_source(m_cr);
        cairo_set_operator(m_cr, CAIRO_OPERATOR_DIFFERENCE);
        cairo_paint(m_cr);
        cairo_set_operator(m_cr, CAIRO_OPERATOR_OVER);
        return 0;
    }
    if (filled) {
        cairo_fill_preserve(m_cr);
    }
    cairo_stroke(m_cr);
    return 0;
}

int KCGraphicStreamToCairo::ClipVertices(const SGSDrawVertices& /*vertices*/) {
    if (m_cr == nullptr || !Admit() || !Points()) {
        return 0;
    }
    cairo_new_path(m_cr);
    for (std::size_t i = 0; i < m_xy.size() / 2; ++i) {
        (i == 0 ? cairo_move_to : cairo_line_to)(m_cr, m_xy[2 * i], m_xy[2 * i + 1]);
    }
    cairo_close_path(m_cr);
    cairo_clip(m_cr);
    return 0;
}

int KCGraphicStreamToCairo::DrawOval(const SGSDrawOval& oval) {
    if (!Admit()) {
        return 0;
    }
    const double rx = Coord(oval.rect.width / 2.0);
    const double ry = Coord(oval.rect.height / 2.0);
    if (rx <= 0 || ry <= 0 || !std::isfinite(oval.sweep_angle) ||
        !std::isfinite(oval.start_angle) || !std::isfinite(oval.stroke_width)) {
        return 0;
    }
    const double cx = Coord(oval.rect.x + rx);
    const double cy = Coord(oval.rect.y + ry);
    const bool whole = std::fabs(oval.sweep_angle) >= 360.0F || oval.sweep_angle == 0.0F;
    const bool fill = oval.stroke_width <= 0.0F;
    cairo_new_path(m_cr);
    // A circle is an arc; an ellipse, the unit circle under a scaled matrix (the stroke is made
    // after the matrix is back, so its width stays even).
    const bool circle = rx == ry;
    const double radius = circle ? rx : 1.0;
    cairo_matrix_t matrix;
    if (!circle) {
        cairo_get_matrix(m_cr, &matrix);
        cairo_translate(m_cr, cx, cy);
        cairo_scale(m_cr, rx, ry);
    }
    const double ox = circle ? cx : 0.0;
    const double oy = circle ? cy : 0.0;
    if (whole) {
        cairo_arc(m_cr, ox, oy, radius, 0, 2 * M_PI);
        cairo_close_path(m_cr);
    } else {
        const double a0 =
            std::fmod(static_cast<double>(oval.start_angle), 360.0) * kDegreesToRadians;
        const double a1 = a0 + oval.sweep_angle * kDegreesToRadians;
        if (fill) {
            cairo_move_to(m_cr, ox, oy);
        }
        (oval.sweep_angle > 0 ? cairo_arc : cairo_arc_negative)(m_cr, ox, oy, radius, a0, a1);
        if (fill) {
            cairo_close_path(m_cr);
        }
    }
    if (!circle) {
        cairo_set_matrix(m_cr, &matrix);
    }
    cairo_set_antialias(m_cr, CAIRO_ANTIALIAS_DEFAULT);
    Color(oval.draw_color);
    if (fill) {
        cairo_fill(m_cr);
    } else {
        cairo_set_line_width(m_cr, std::min<double>(oval.stroke_width, kMaxStrokeWidth));
        cairo_set_dash(m_cr, nullptr, 0, 0);
        cairo_stroke(m_cr);
    }
    return 0;
}

int KCGraphicStreamToCairo::DrawTheText(const SGSDrawText& text) {
    const SGSData* data = GetLatestDataOfPurpose(eGSText);
    if (data == nullptr || !Admit()) {
        return 0;
    }
    const std::string_view raw = GetDataText(*data);
    if (raw.size() > m_limits.maxTextBytes) {
        m_cut = true;
    }
    detail::SanitizeText(raw, m_limits.maxTextBytes, m_text);
    if (m_text.empty()) {
        return 0;
    }
    const SGSFont& font = GetFont();
    if (m_font == nullptr || std::memcmp(&font, &m_fontRecord, sizeof font) != 0) {
        if (m_font != nullptr) {
            cairo_scaled_font_destroy(m_font);
        }
        m_font = detail::FindScaledFont(
            std::string_view(font.name, strnlen(font.name, sizeof font.name)), font.size,
            font.flags);
        m_fontRecord = font;
        if (m_font == nullptr) {
            return 0;
        }
    }
    // The text becomes glyphs once: measured for the alignment, then moved into place.
    thread_local std::vector<cairo_glyph_t> glyphBuffer;
    glyphBuffer.resize(std::max<std::size_t>(glyphBuffer.size(), m_text.size() + 1));
    cairo_glyph_t* glyphs = glyphBuffer.data();
    int count = static_cast<int>(glyphBuffer.size());
    if (cairo_scaled_font_text_to_glyphs(m_font, 0, 0, m_text.data(),
                                         static_cast<int>(m_text.size()), &glyphs, &count, nullptr,
                                         nullptr, nullptr) != CAIRO_STATUS_SUCCESS) {
        return 0;
    }
    cairo_text_extents_t extents;
    cairo_scaled_font_glyph_extents(m_font, glyphs, count, &extents);
    cairo_font_extents_t fontExtents;
    cairo_scaled_font_extents(m_font, &fontExtents);
    const SGSRect frame = m_levels.back();
    double x = (frame.width - extents.x_advance) / 2.0;
    if (text.hAlign == eGSLeft) {
        x = 0;
    } else if (text.hAlign == eGSRight) {
        x = frame.width - extents.x_advance;
    }
    double y = (frame.height + fontExtents.ascent - fontExtents.descent) / 2.0;
    if (text.vAlign == eGSTop) {
        y = fontExtents.ascent;
    } else if (text.vAlign == eGSBottom) {
        y = frame.height - fontExtents.descent;
    }
    x = Coord(x);
    y = Coord(y);
    for (int i = 0; i < count; ++i) {
        glyphs[i].x += x;
        glyphs[i].y += y;
    }
    cairo_set_scaled_font(m_cr, m_font);
    Color(font.color);
    cairo_show_glyphs(m_cr, glyphs, count);
    if (glyphs != glyphBuffer.data()) {
        cairo_glyph_free(glyphs);  // Cairo needed a larger buffer than the one given
    }
    return 0;
}

int KCGraphicStreamToCairo::DrawPNG(const SGSDrawPNG& png) {
    if (m_cr == nullptr) {
        return 0;
    }
    std::string_view name;
    if (png.ResID == kGSResIDByName) {
        const SGSData* text = GetLatestDataOfPurpose(eGSText);
        name = text == nullptr ? std::string_view() : GetDataText(*text);
        if (name.empty()) {
            return 0;
        }
    }
    if (!Admit()) {
        return 0;
    }
    const KCImagePixels* image =
        m_images == nullptr ? nullptr : m_images->GetImage(png.ResID, name);
    if (image == nullptr || image->Empty() ||
        image->argb.size() <
            static_cast<std::size_t>(image->width) * static_cast<std::size_t>(image->height)) {
        ++m_missingImages;
        return 0;
    }
    const SGSRect& d = png.draw_rect;
    if (d.width < 0 || d.height < 0) {
        return 0;
    }
    const double w = d.width == 0 ? image->width : Coord(d.width);
    const double h = d.height == 0 ? image->height : Coord(d.height);
    cairo_surface_t* source = nullptr;
    for (const auto& [pixels, surface] : m_imageSurfaces) {
        if (pixels == image) {
            source = surface;
        }
    }
    if (source == nullptr) {
        // Cairo only reads the pixels: the source surface never writes to its data.
        source = cairo_image_surface_create_for_data(
            reinterpret_cast<unsigned char*>(const_cast<std::uint32_t*>(image->argb.data())),
            CAIRO_FORMAT_ARGB32, image->width, image->height, image->width * 4);
        m_imageSurfaces.emplace_back(image, source);
    }
    const double x = Coord(d.x);
    const double y = Coord(d.y);
    const SGSRect& c = png.clip_rect;
    const bool clipped = c.x != 0 || c.y != 0 || c.width != 0 || c.height != 0;
    const bool scaled = w != image->width || h != image->height;
    cairo_set_antialias(m_cr, CAIRO_ANTIALIAS_DEFAULT);
    if (!clipped && !scaled) {
        // The common case needs no change of the drawing state.
        cairo_set_source_surface(m_cr, source, x, y);
        cairo_pattern_set_filter(cairo_get_source(m_cr), CAIRO_FILTER_NEAREST);
        cairo_new_path(m_cr);
        cairo_rectangle(m_cr, x, y, image->width, image->height);
        cairo_fill(m_cr);
        return 0;
    }
    const KCStCairoSave saved(m_cr);
    if (clipped) {
        cairo_new_path(m_cr);
        cairo_rectangle(m_cr, Coord(c.x), Coord(c.y), Coord(c.width), Coord(c.height));
        cairo_clip(m_cr);
    }
    cairo_translate(m_cr, x, y);
    if (scaled) {
        cairo_scale(m_cr, w / image->width, h / image->height);
    }
    cairo_set_source_surface(m_cr, source, 0, 0);
    if (scaled) {
        // The border pixels stretch to the edge instead of fading into nothing.
        cairo_pattern_set_extend(cairo_get_source(m_cr), CAIRO_EXTEND_PAD);
    } else {
        cairo_pattern_set_filter(cairo_get_source(m_cr), CAIRO_FILTER_NEAREST);
    }
    cairo_new_path(m_cr);
    cairo_rectangle(m_cr, 0, 0, image->width, image->height);
    cairo_fill(m_cr);
    return 0;
}

std::uint32_t KCGraphicStreamToCairo::GetPixel(int x, int y) const {
    if (m_surface == nullptr || x < 0 || y < 0 || x >= m_width || y >= m_height) {
        return 0;
    }
    const unsigned char* data = cairo_image_surface_get_data(m_surface);
    const int stride = cairo_image_surface_get_stride(m_surface);
    std::uint32_t pixel = 0;
    std::memcpy(&pixel,
                data + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride) +
                    static_cast<std::size_t>(x) * 4,
                sizeof pixel);
    return pixel;
}

KTErr KCGraphicStreamToCairo::WritePNG(std::vector<unsigned char>& png) const {
    png.clear();
    if (m_surface == nullptr) {
        return eGMUninitializedContext;
    }
    if (cairo_surface_write_to_png_stream(m_surface, &AppendBytes, &png) != CAIRO_STATUS_SUCCESS) {
        png.clear();
        return eMemNewFailed;
    }
    return eNoErr;
}

KTErr RenderGraphicStreamToPNG(const char* stream, std::size_t length, KCImageSource* images,
                               std::vector<unsigned char>& png, const KSRenderLimits& limits,
                               bool inProcess) {
    png.clear();
    try {
        KCGraphicStreamToCairo renderer(images);
        renderer.SetLimits(limits);
        const KTErr err =
            inProcess ? renderer.RenderInProcess(stream, length) : renderer.Render(stream, length);
        if (err != eNoErr) {
            return err;
        }
        return renderer.WritePNG(png);
    } catch (const std::bad_alloc&) {
        return eMemNewFailed;
    } catch (...) {
        return eExceptionErr;
    }
}

}  // namespace kvKorvaneV10_0_3::PluginViewManager
