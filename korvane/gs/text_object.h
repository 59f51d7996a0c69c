// The font description and text object that graph data and the view manager share: a string
// with its font, position, alignment and an optional image behind it.
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"
#include "korvane/core/geometry.h"
#include "korvane/gs/gs_commands.h"

#include <string_view>

namespace kvKorvaneV10_0_3::XML {
class CXMLElement;
}

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
// rectangles are relative to the graph's frame, otherwise to the GUI. The text's colour is the
// font's; the alignments are the stream's codes ("tflh", "rtch", "tirh"; "potv", "rtcv",
// "mtbv"), as "dTXT" carries them. Measuring needs fonts and lives in the view manager
// (korvane/gui/pvm/text_measure.h). Plain value: [any-thread] on distinct objects.
struct KCTextObject {
    KCFontDescription font;
    KCFixedString<255> string;
    KURect<short> position;
    KURect<short> imageRect;
    KCFixedString<127> image;
    bool relativeToGraphWin = true;
    kvGS::KTGSCode hAlign = kvGS::eGSHCenter;
    kvGS::KTGSCode vAlign = kvGS::eGSVCenter;

    bool operator==(const KCTextObject& other) const {
        return font == other.font && string == other.string && position == other.position &&
               imageRect == other.imageRect && image == other.image &&
               relativeToGraphWin == other.relativeToGraphWin && hAlign == other.hAlign &&
               vAlign == other.vAlign;
    }
};

// "Left", "Center", "Right" to "tflh", "rtch", "tirh" (and "Top", "Center", "Bottom" to "potv",
// "rtcv", "mtbv"); false, leaving `code` as it was, for any other name. [any-thread]
KORVANE_API bool HorizontalAlignmentFromName(std::string_view name, kvGS::KTGSCode& code);
KORVANE_API bool VerticalAlignmentFromName(std::string_view name, kvGS::KTGSCode& code);
// The names back; a code that is no alignment of its axis gives "Center". [any-thread]
KORVANE_API const char* HorizontalAlignmentName(kvGS::KTGSCode code);
KORVANE_API const char* VerticalAlignmentName(kvGS::KTGSCode code);

// The text object's style as children of `e`: "Color" (attributes "red", "green", "blue",
// "alpha"; the font's colour) and "Alignment" (attributes "Horizontal" and "Vertical").
// Reading is lenient: a missing child or attribute keeps the value the object had; an unknown
// alignment name keeps it too and gives eOutOfRangeNumber after everything else was read.
// [any-thread] on distinct objects.
KORVANE_API void WriteTextObjectStyleToXML(XML::CXMLElement& e, const KCTextObject& text);
[[nodiscard]] KORVANE_API KTErr ReadTextObjectStyleFromXML(const XML::CXMLElement& e,
                                                           KCTextObject& text);

}  // namespace kvKorvaneV10_0_3::PluginViewManager
