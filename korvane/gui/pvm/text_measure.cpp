// Text extents from Cairo's scaled fonts, without a surface.
#include "korvane/gui/pvm/text_measure.h"

#include "korvane/gui/pvm/cairo_fonts.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

namespace kvKorvaneV10_0_3::PluginViewManager {

namespace {

// Longest text measured, as the renderer draws at most this much of one record.
constexpr std::size_t kMaxMeasuredBytes = 4096;

short ToShort(double v) {
    const double up = std::ceil(v);
    return static_cast<short>(std::clamp(up, 0.0, double{std::numeric_limits<short>::max()}));
}

// Advance width and font height of the text; false when no font could be made.
bool Measure(const KCFontDescription& font, std::string_view text, double& width, double& height) {
    cairo_scaled_font_t* scaled = detail::FindScaledFont(font.name.c_str(), font.size, font.flags);
    if (scaled == nullptr) {
        return false;
    }
    cairo_font_extents_t fontExtents;
    cairo_scaled_font_extents(scaled, &fontExtents);
    height = fontExtents.ascent + fontExtents.descent;
    width = 0;
    if (!text.empty()) {
        std::string safe;
        detail::SanitizeText(text, kMaxMeasuredBytes, safe);
        cairo_text_extents_t extents;
        cairo_scaled_font_text_extents(scaled, safe.c_str(), &extents);
        width = extents.x_advance;
    }
    cairo_scaled_font_destroy(scaled);
    return true;
}

}  // namespace

int GetTextWidth(const KCFontDescription& font, std::string_view text) {
    double width = 0;
    double height = 0;
    return Measure(font, text, width, height) ? ToShort(width) : 0;
}

KCSize2D<short> CalculateTextBox(const KCTextObject& object, std::string_view text) {
    double width = 0;
    double height = 0;
    if (!Measure(object.font, text, width, height)) {
        return {};
    }
    return {ToShort(width), ToShort(height)};
}

}  // namespace kvKorvaneV10_0_3::PluginViewManager
