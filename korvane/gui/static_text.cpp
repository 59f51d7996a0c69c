#include "korvane/gui/static_text.h"

#include "korvane/gs/gs_writer.h"
#include "korvane/gui/pvm/text_measure.h"
#include "korvane/xml/xml_element.h"
#include "korvane/xml/xml_values.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3 {

using XML::CXMLElement;

namespace {

constexpr std::string_view kEllipsis = "\xE2\x80\xA6";  // U+2026

// Missing channels are 0, a missing alpha opaque.
KCRGBAColor ReadColor(const CXMLElement& color) {
    const auto channel = [&color](const char* name, int fallback) {
        int value = fallback;
        color.GetAttrib(name, value);
        return static_cast<std::uint8_t>(std::clamp(value, 0, 255));
    };
    return {channel("red", 0), channel("green", 0), channel("blue", 0), channel("alpha", 255)};
}

// The byte offsets where the text's characters start, then its length.
std::vector<std::size_t> CharacterStarts(std::string_view text) {
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0U) != 0x80U) {
            starts.push_back(i);
        }
    }
    starts.push_back(text.size());
    return starts;
}

}  // namespace

std::string TruncateText(std::string_view text, int width, ETruncationTextMode mode,
                         const PluginViewManager::KCFontDescription& font,
                         const KTTextWidthMeasure& measure) {
    if (mode == ETruncationTextMode::eClip || !measure || measure(font, text) <= width) {
        return std::string(text);
    }
    const std::vector<std::size_t> starts = CharacterStarts(text);
    const std::size_t count = starts.size() - 1;
    if (count == 0) {
        return std::string(text);
    }
    // The text keeping `kept` characters: the head, the tail or both around the ellipsis.
    const auto shortened = [&](std::size_t kept) {
        std::size_t head = 0;
        if (mode == ETruncationTextMode::eEnd) {
            head = kept;
        } else if (mode == ETruncationTextMode::eMiddle) {
            head = (kept + 1) / 2;
        }
        const std::size_t tail = kept - head;
        std::string result(text.substr(0, starts[head]));
        result += kEllipsis;
        result += text.substr(starts[count - tail]);
        return result;
    };
    // Widths grow with the characters kept: the most that fit, found by bisection.
    std::size_t low = 0;
    std::size_t high = count - 1;  // the whole text does not fit
    while (low < high) {
        const std::size_t middle = (low + high + 1) / 2;
        if (measure(font, shortened(middle)) <= width) {
            low = middle;
        } else {
            high = middle - 1;
        }
    }
    return shortened(low);
}

void KCStaticText::ReadFromXML(const CXMLElement& element) {
    element.GetAttrib("Text", m_text.string);
    if (const CXMLElement* font = element.SubElement("Font")) {
        font->GetAttrib("Name", m_text.font.name);
        font->GetAttrib("Size", m_text.font.size);
        font->GetAttrib("Flags", m_text.font.flags);
        if (const CXMLElement* color = font->SubElement("Color")) {
            m_text.font.color = ReadColor(*color);
            m_hasColor = true;
        }
    }
    if (const CXMLElement* background = element.SubElement("Background")) {
        m_background = ReadColor(*background);
        m_hasBackground = true;
    }
    std::string truncation;
    if (element.GetAttrib("Truncation", truncation)) {
        static constexpr std::pair<std::string_view, ETruncationTextMode> kModes[] = {
            {"Clip", ETruncationTextMode::eClip},
            {"End", ETruncationTextMode::eEnd},
            {"Middle", ETruncationTextMode::eMiddle},
            {"Start", ETruncationTextMode::eStart}};
        for (const auto& [name, mode] : kModes) {
            if (truncation == name) {
                m_truncation = mode;
            }
        }
    }
    if (const CXMLElement* rect = element.SubElement("PositionRect")) {
        KURect<short> read;
        if (XML::ReadFromXML_KURect(rect, read) == eNoErr) {
            m_text.position = read;
        }
    }
    if (const CXMLElement* alignment = element.SubElement("Alignment")) {
        std::string name;
        if (alignment->GetAttrib("Horizontal", name)) {
            PluginViewManager::HorizontalAlignmentFromName(name, m_text.hAlign);
        }
        if (alignment->GetAttrib("Vertical", name)) {
            PluginViewManager::VerticalAlignmentFromName(name, m_text.vAlign);
        }
    }
    if (element.SubElement("ShowOnHover") != nullptr) {
        m_showOnHover = true;
    }
    if (element.SubElement("DontShowOnHover") != nullptr) {
        m_showOnHover = false;
    }
    for (const CXMLElement* image : element.GetSubElements()) {
        std::string type;
        if (image->GetName() == "Image" && image->GetAttrib("Type", type) &&
            type == "EraseBitmap") {
            image->GetAttrib("ResID", m_eraseBitmap);
        }
    }
}

void KCStaticText::GetDrawInstructionsBackground(kvGS::KCGraphicStreamBinaryWriter& writer) const {
    const KURect<short>& rect = m_text.position;
    if (rect.Width() <= 0 || rect.Height() <= 0) {
        return;
    }
    if (m_eraseBitmap != 0) {
        writer.DrawPNGAtPosition(m_eraseBitmap, {rect.left, rect.top});
    } else if (m_hasBackground) {
        writer.DrawSolidRect(m_background, rect);
    }
}

std::string KCStaticText::GetShownString(const KTTextWidthMeasure& measure) const {
    const KTTextWidthMeasure& use =
        measure ? measure
                : KTTextWidthMeasure(
                      [](const PluginViewManager::KCFontDescription& font, std::string_view text) {
                          return PluginViewManager::GetTextWidth(font, text);
                      });
    return TruncateText(m_text.string.c_str(), m_text.position.Width(), m_truncation, m_text.font,
                        use);
}

void KCStaticText::GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer,
                                       const KSWidgetPalette& palette, bool hovered) const {
    const KURect<short>& rect = m_text.position;
    if ((m_showOnHover && !hovered) || rect.Width() <= 0 || rect.Height() <= 0 ||
        m_text.string.empty()) {
        return;
    }
    const std::string shown = GetShownString();
    // The text aligns inside its own frame and never spills out of it.
    kvGS::KCStGSFrameStructWriter frame(
        writer, KURect<int>(rect.top, rect.left, rect.bottom, rect.right), 0);
    writer.ClipRect(KURect<short>(0, 0, rect.Height(), rect.Width()));
    writer.Font(m_text.font.name.c_str(), m_text.font.size,
                m_hasColor ? m_text.font.color : palette.text, m_text.font.flags);
    writer.DrawTheText(shown.c_str(), 0, m_text.hAlign, m_text.vAlign);
    frame.CloseFrame();
}

}  // namespace kvKorvaneV10_0_3
