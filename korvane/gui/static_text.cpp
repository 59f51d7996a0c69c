#include "korvane/gui/static_text.h"

#include "korvane/gs/gs_writer.h"
#include "korvane/xml/xml_element.h"
#include "korvane/xml/xml_values.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace kvKorvaneV10_0_3 {

using XML::CXMLElement;

void KCStaticText::ReadFromXML(const CXMLElement& element) {
    element.GetAttrib("Text", m_text.string);
    if (const CXMLElement* font = element.SubElement("Font")) {
        font->GetAttrib("Name", m_text.font.name);
        font->GetAttrib("Size", m_text.font.size);
        font->GetAttrib("Flags", m_text.font.flags);
        if (const CXMLElement* color = font->SubElement("Color")) {
            // Missing channels are 0, a missing alpha opaque.
            const auto channel = [color](const char* name, int fallback) {
                int value = fallback;
                color->GetAttrib(name, value);
                return static_cast<std::uint8_t>(std::clamp(value, 0, 255));
            };
            m_text.font.color = {channel("red", 0), channel("green", 0), channel("blue", 0),
                                 channel("alpha", 255)};
            m_hasColor = true;
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

void KCStaticText::GetDrawInstructions(kvGS::KCGraphicStreamBinaryWriter& writer,
                                       const KSWidgetPalette& palette, bool hovered) const {
    const KURect<short>& rect = m_text.position;
    if ((m_showOnHover && !hovered) || rect.Width() <= 0 || rect.Height() <= 0) {
        return;
    }
    if (m_eraseBitmap != 0) {
        writer.DrawPNGAtPosition(m_eraseBitmap, {rect.left, rect.top});
    }
    if (m_text.string.empty()) {
        return;
    }
    // The text aligns inside its own frame and never spills out of it.
    kvGS::KCStGSFrameStructWriter frame(
        writer, KURect<int>(rect.top, rect.left, rect.bottom, rect.right), 0);
    writer.ClipRect(KURect<short>(0, 0, rect.Height(), rect.Width()));
    writer.Font(m_text.font.name.c_str(), m_text.font.size,
                m_hasColor ? m_text.font.color : palette.text, m_text.font.flags);
    writer.DrawTheText(m_text.string.c_str(), 0, m_text.hAlign, m_text.vAlign);
    frame.CloseFrame();
}

}  // namespace kvKorvaneV10_0_3
