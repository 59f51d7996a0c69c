// KCStaticText: a fixed text a control shows beside itself, such as a label under a knob.
#pragma once

#include "korvane/core/export.h"
#include "korvane/core/geometry.h"
#include "korvane/gs/text_object.h"
#include "korvane/gui/widget_palette.h"

#include <functional>
#include <string>
#include <string_view>

namespace kvKorvaneV10_0_3 {

namespace XML {
class CXMLElement;
}
namespace kvGS {
class KCGraphicStreamBinaryWriter;
}

// What a text too wide for its rectangle becomes: cut at the rectangle's edge, or shortened
// with an ellipsis ("…") at its end, in its middle or at its start.
enum class ETruncationTextMode { eClip, eEnd, eMiddle, eStart };

// Measures a text's width in pixels in a font.
using KTTextWidthMeasure =
    std::function<int(const PluginViewManager::KCFontDescription& font, std::string_view text)>;

// The longest form of `text` that fits `width` pixels under `mode`: the text itself when it
// fits or with eClip, else whole characters (UTF-8 sequences are never split) with the
// ellipsis in place of the rest; the ellipsis alone when nothing more fits. [any-thread]
KORVANE_API std::string TruncateText(std::string_view text, int width, ETruncationTextMode mode,
                                     const PluginViewManager::KCFontDescription& font,
                                     const KTTextWidthMeasure& measure);

// Read from a "StaticText" child of a control element:
//   <StaticText Text="Gain" Truncation="End">
//     <Font Name="Arial" Size="10" Flags="0"><Color red=".." green=".." blue=".."/></Font>
//     <PositionRect left="84" top="232" width="46" height="12"/>
//     <Alignment Horizontal="Center" Vertical="Center"/>
//     <ShowOnHover/>
//     <Image Type="EraseBitmap" ResID="130"/>
//     <Background red="20" green="20" blue="24" alpha="255"/>
//   </StaticText>
// The rectangle is in GUI coordinates. Without a font colour the text takes the palette's text
// colour, so a skin's palette recolours it. "ShowOnHover" shows the text only while the pointer
// is over its control ("DontShowOnHover", the default, always). "Truncation" is "Clip" (the
// default), "End", "Middle" or "Start" (ETruncationTextMode). The background, drawn whenever
// the control is, shown text or not, so that it also erases a hover text: the erase bitmap (a
// "PNG_" resource at the rectangle's corner), else the "Background" colour filling the
// rectangle, else nothing. Plain value: [gui-thread].
class KORVANE_API KCStaticText {
public:
    void ReadFromXML(const XML::CXMLElement& element);

    // The background (see above); nothing without one.
    void GetDrawInstructionsBackground(kvGS::KCGraphicStreamBinaryWriter& writer) const;
    // The text inside its rectangle, truncated by its mode; nothing when it shows only on hover
    // and `hovered` is false.
    void GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer,
                             const KSWidgetPalette& palette, bool hovered) const;
    // The string drawn in the rectangle now, measured with `measure` (the renderer's fonts by
    // default).
    [[nodiscard]] std::string GetShownString(const KTTextWidthMeasure& measure = {}) const;
    // Moves the rectangle with its control.
    void Offset(short dx, short dy) { m_text.position.Offset(dx, dy); }

    [[nodiscard]] const PluginViewManager::KCTextObject& GetText() const { return m_text; }
    void SetString(const char* text) { m_text.string = text; }
    [[nodiscard]] const KURect<short>& GetRect() const { return m_text.position; }
    [[nodiscard]] bool ShowsOnHoverOnly() const { return m_showOnHover; }
    [[nodiscard]] short GetEraseBitmap() const { return m_eraseBitmap; }
    [[nodiscard]] ETruncationTextMode GetTruncationMode() const { return m_truncation; }
    void SetTruncationMode(ETruncationTextMode mode) { m_truncation = mode; }
    // The "Background" colour; false without one.
    [[nodiscard]] bool GetBackgroundColor(KCRGBAColor& color) const {
        color = m_background;
        return m_hasBackground;
    }

private:
    PluginViewManager::KCTextObject m_text;
    bool m_hasColor = false;
    bool m_showOnHover = false;
    short m_eraseBitmap = 0;
    ETruncationTextMode m_truncation = ETruncationTextMode::eClip;
    bool m_hasBackground = false;
    KCRGBAColor m_background;
};

}  // namespace kvKorvaneV10_0_3
