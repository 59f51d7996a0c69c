// Text items drawn in frames of their own.
#include "korvane/graphs/draw_graph_text.h"

#include "korvane/xml/xml_element.h"

namespace kvKorvaneV10_0_3 {

using kvGS::KCGraphicStreamBinaryWriter;
using PluginViewManager::KCTextObject;

namespace {

const KCFixedString<255> kEmpty;

std::string_view View(const KCFixedStringBase& s) {
    return {s.c_str(), s.size()};
}

}  // namespace

void KCDrawGraph_Text::SetText(unsigned int index, const char* text) {
    if (index >= m_data.size()) {
        KCTextObject item;
        item.font = GetTextObject().font;
        m_data.resize(static_cast<std::size_t>(index) + 1, item);
    }
    m_data[index].string = text;
}

const KCFixedStringBase& KCDrawGraph_Text::GetText(unsigned int index) const {
    return index < m_data.size() ? m_data[index].string : kEmpty;
}

void KCDrawGraph_Text::PopBack() {
    if (!m_data.empty()) {
        m_data.pop_back();
    }
}

int KCDrawGraph_Text::GetDrawInstructions(KCGraphicStreamBinaryWriter& writer) {
    const KURect<short>& area = GetPositionRect();
    if (m_background.alpha != 0) {
        writer.DrawSolidRect(m_background, area);
    }
    if (!m_image.empty()) {
        writer.DrawPNGScaled(View(m_image), area);
    }
    static constexpr kvGS::KTGSCode kHorizontal[] = {kvGS::eGSHCenter, kvGS::eGSLeft,
                                                     kvGS::eGSRight, kvGS::eGSHCenter};
    static constexpr kvGS::KTGSCode kVertical[] = {kvGS::eGSVCenter, kvGS::eGSTop, kvGS::eGSBottom,
                                                   kvGS::eGSVCenter};
    const kvGS::KTGSCode hAlign = kHorizontal[m_flags & 3];
    const kvGS::KTGSCode vAlign = kVertical[(m_flags >> 2) & 3];
    for (const KCTextObject& item : m_data) {
        KURect<short> where = item.position;
        if (item.relativeToGraphWin) {
            where.Offset(area.left, area.top);
        }
        kvGS::SGSFrame frame;
        frame.rect = kvGS::ToSGSRect(where);
        kvGS::KCStGSFrameStructWriter guard(writer, frame);
        if (!item.image.empty()) {
            writer.DrawPNGScaled(View(item.image), item.imageRect);
        }
        writer.Font(item.font, item.font.color);
        writer.DrawTheText(View(item.string), 0, hAlign, vAlign);
    }
    return writer.GetError();
}

void KCDrawGraph_Text::ReadFromXMLSelf(const XML::CXMLElement& e) {
    ReadInt(e, "Flags", m_flags);
    e.GetAttrib("Image", m_image);
    ReadColor(e, "BackGround", m_background);
    for (const XML::CXMLElement* child : e.GetSubElements()) {
        if (std::string_view(child->GetName().c_str()) != "TextItem") {
            continue;
        }
        KCTextObject item;
        item.font = GetTextObject().font;
        ReadFont(*child, "Font", item.font);
        child->GetAttrib("String", item.string);
        child->GetAttrib("Image", item.image);
        ReadBool(*child, "RelativeToGraphWin", item.relativeToGraphWin);
        ReadRect(*child, "Position", item.position);
        ReadRect(*child, "ImageRect", item.imageRect);
        m_data.push_back(item);
    }
}

void KCDrawGraph_Text::WriteToXMLSelf(XML::CXMLElement& e) const {
    e.SetAttrib("Flags", m_flags);
    e.SetAttrib("Image", m_image.c_str());
    WriteColor(e, "BackGround", m_background);
    for (const KCTextObject& item : m_data) {
        auto* child = e.AddSubElement("TextItem");
        if (child == nullptr) {
            return;
        }
        child->SetAttrib("String", item.string.c_str());
        child->SetAttrib("Image", item.image.c_str());
        WriteBool(*child, "RelativeToGraphWin", item.relativeToGraphWin);
        WriteFont(*child, "Font", item.font);
        WriteRect(*child, "Position", item.position);
        WriteRect(*child, "ImageRect", item.imageRect);
    }
}

}  // namespace kvKorvaneV10_0_3
