// KCStaticText: a fixed text a control shows beside itself, such as a label under a knob.
#pragma once

#include "korvane/core/export.h"
#include "korvane/core/geometry.h"
#include "korvane/gs/text_object.h"
#include "korvane/gui/widget_palette.h"

namespace kvKorvaneV10_0_3 {

namespace XML {
class CXMLElement;
}
namespace kvGS {
class KCGraphicStreamBinaryWriter;
}

// Read from a "StaticText" child of a control element:
//   <StaticText Text="Gain">
//     <Font Name="Arial" Size="10" Flags="0"><Color red=".." green=".." blue=".."/></Font>
//     <PositionRect left="84" top="232" width="46" height="12"/>
//     <Alignment Horizontal="Center" Vertical="Center"/>
//     <ShowOnHover/>
//     <Image Type="EraseBitmap" ResID="130"/>
//   </StaticText>
// The rectangle is in GUI coordinates. Without a font colour the text takes the palette's text
// colour, so a skin's palette recolours it. "ShowOnHover" shows the text only while the pointer
// is over its control ("DontShowOnHover", the default, always). The erase bitmap, a "PNG_"
// resource, is drawn at the rectangle's corner under the text. Plain value: [gui-thread].
class KORVANE_API KCStaticText {
public:
    void ReadFromXML(const XML::CXMLElement& element);

    // The text clipped to its rectangle, over its erase bitmap; nothing when it shows only on
    // hover and `hovered` is false.
    void GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer,
                             const KSWidgetPalette& palette, bool hovered) const;

    [[nodiscard]] const PluginViewManager::KCTextObject& GetText() const { return m_text; }
    void SetString(const char* text) { m_text.string = text; }
    [[nodiscard]] const KURect<short>& GetRect() const { return m_text.position; }
    [[nodiscard]] bool ShowsOnHoverOnly() const { return m_showOnHover; }
    [[nodiscard]] short GetEraseBitmap() const { return m_eraseBitmap; }

private:
    PluginViewManager::KCTextObject m_text;
    bool m_hasColor = false;
    bool m_showOnHover = false;
    short m_eraseBitmap = 0;
};

}  // namespace kvKorvaneV10_0_3
