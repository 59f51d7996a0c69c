// Fonts for drawing and measuring text with Cairo: scaled fonts by name, size and style, shared
// by the renderer and the text measuring, and text made safe to hand to Cairo.
#pragma once

#include <cairo.h>

#include <string>
#include <string_view>

namespace kvKorvaneV10_0_3::PluginViewManager::detail {

// Largest font size in pixels; larger sizes are drawn at this one.
constexpr int kMaxFontSize = 1024;
// Size used for a size of 0 or less.
constexpr int kDefaultFontSize = 12;

// The scaled font for a family name (fontconfig finds the nearest installed face; an empty
// name is "DejaVu Sans"), a size in pixels and flags (bit 0 bold, bit 1 italic), at identity
// transformation, from a process-wide cache. The caller owns the reference it gets
// (cairo_scaled_font_destroy). Null only when Cairo cannot make one. [any-thread]
cairo_scaled_font_t* FindScaledFont(std::string_view name, int size, int flags);

// At most maxBytes of text as well-formed UTF-8 without NUL: a byte that starts no valid
// sequence, and a NUL, become '?'. Cairo refuses ill-formed text and then draws nothing more.
// [any-thread]
void SanitizeText(std::string_view text, std::size_t maxBytes, std::string& out);

}  // namespace kvKorvaneV10_0_3::PluginViewManager::detail
