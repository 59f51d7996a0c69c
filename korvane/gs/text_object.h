// The font description and text object that graph data and the view manager share: a string
// with its font, position and an optional image behind it.
#pragma once

#include "korvane/core/fixed_string.h"
#include "korvane/core/geometry.h"

namespace kvKorvaneV10_0_3::PluginViewManager {

// A font by name, size in pixels, colour and style flags (bit 0 bold, bit 1 italic).
// Plain value: [any-thread] on distinct objects.
struct KCFontDescription {
    KCFixedString<31> name{"Arial"};
    int size = 12;
    KCRGBAColor color;
    int flags = 0;

    bool operator==(const KCFontDescription& other) const {
        return name == other.name && size == other.size && color == other.color &&
               flags == other.flags;
    }
};

// One text item. `position` is where the text is drawn; `imageRect` and `image` (a PNG
// resource name, empty for none) give an image drawn under it. With `relativeToGraphWin` the
// rectangles are relative to the graph's frame, otherwise to the GUI.
// Plain value: [any-thread] on distinct objects.
struct KCTextObject {
    KCFontDescription font;
    KCFixedString<255> string;
    KURect<short> position;
    KURect<short> imageRect;
    KCFixedString<127> image;
    bool relativeToGraphWin = true;

    bool operator==(const KCTextObject& other) const {
        return font == other.font && string == other.string && position == other.position &&
               imageRect == other.imageRect && image == other.image &&
               relativeToGraphWin == other.relativeToGraphWin;
    }
};

}  // namespace kvKorvaneV10_0_3::PluginViewManager
