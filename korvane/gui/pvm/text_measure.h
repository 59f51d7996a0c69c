// Measuring text as the renderer draws it: Cairo with the fonts fontconfig finds.
#pragma once

#include "korvane/core/export.h"
#include "korvane/core/geometry.h"
#include "korvane/gs/text_object.h"

#include <string_view>

namespace kvKorvaneV10_0_3::PluginViewManager {

// The advance width in whole pixels (rounded up) of the text in the font's family, size and
// style; 0 for empty text. Ill-formed UTF-8 is measured as the renderer draws it, each bad
// byte as '?'. [any-thread]
[[nodiscard]] KORVANE_API int GetTextWidth(const KCFontDescription& font, std::string_view text);

// The box the renderer needs for one line of the text in the object's font: the advance
// width, and the font's ascent plus descent as the height, both rounded up and saturated to
// short. An empty text has width 0 and the font's height. [any-thread]
[[nodiscard]] KORVANE_API KCSize2D<short> CalculateTextBox(const KCTextObject& object,
                                                           std::string_view text);

}  // namespace kvKorvaneV10_0_3::PluginViewManager
