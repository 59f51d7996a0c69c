// The graph data base: its description XML and the helpers the primitives read theirs with.
#include "korvane/graphs/graph_data_base.h"

#include "korvane/xml/xml_element.h"
#include "korvane/xml/xml_values.h"

#include <string>

namespace kvKorvaneV10_0_3 {

KCGraphDataBase::~KCGraphDataBase() = default;

int KCGraphDataBase::WriteResult(const kvGS::KCGraphicStreamBinaryWriter& writer, KTErr errorBefore,
                                 unsigned int sizeBefore) {
    if (errorBefore == eNoErr) {
        return writer.GetError();
    }
    // A failed record appends nothing; a record always appends something.
    return writer.GetStream().size > sizeBefore ? eNoErr : writer.GetError();
}

int KCGraphDataBase::GetGraphDataAsGraphicStream(
    kvGS::KCGraphicStreamBinaryWriter& /*writer*/) const {
    return eGraphTypeNotSupported;
}

void KCGraphDataBase::ReadFromXML(XML::CXMLElement* element) {
    if (element == nullptr) {
        return;
    }
    element->GetAttrib("Type", m_type);
    element->GetAttrib("Name", m_name);
    ReadFont(*element, "Font", m_text.font);
    ReadColor(*element, "GraphColor", m_graphColor);
    ReadRect(*element, "PositionRect", m_positionRect);
    ReadFromXMLSelf(*element);
}

XML::CXMLElement* KCGraphDataBase::WriteToXML(XML::CXMLElement* element) const {
    if (element == nullptr) {
        return nullptr;
    }
    element->SetAttrib("Type", m_type.c_str());
    if (!m_name.empty()) {
        element->SetAttrib("Name", m_name.c_str());
    }
    WriteFont(*element, "Font", m_text.font);
    WriteColor(*element, "GraphColor", m_graphColor);
    WriteRect(*element, "PositionRect", m_positionRect);
    WriteToXMLSelf(*element);
    return element;
}

void KCGraphDataBase::ReadBool(const XML::CXMLElement& e, const char* name, bool& value) {
    std::string text;
    if (e.GetAttrib(name, text)) {
        value = text == "True" || text == "true" || text == "1";
    }
}

void KCGraphDataBase::ReadFloat(const XML::CXMLElement& e, const char* name, float& value) {
    float read = 0;
    if (e.GetAttrib(name, read)) {
        value = read;
    }
}

void KCGraphDataBase::ReadInt(const XML::CXMLElement& e, const char* name, int& value) {
    int read = 0;
    if (e.GetAttrib(name, read)) {
        value = read;
    }
}

void KCGraphDataBase::ReadColor(const XML::CXMLElement& e, const char* child, KCRGBAColor& value) {
    KCRGBAColor read;
    if (XML::ReadFromXML_KCRGBAColor(e.SubElement(child), read) == eNoErr) {
        value = read;
    }
}

void KCGraphDataBase::ReadRect(const XML::CXMLElement& e, const char* child, KURect<short>& value) {
    KURect<short> read;
    if (XML::ReadFromXML_KURect(e.SubElement(child), read) == eNoErr) {
        value = read;
    }
}

void KCGraphDataBase::ReadFont(const XML::CXMLElement& e, const char* child,
                               PluginViewManager::KCFontDescription& value) {
    const XML::CXMLElement* font = e.SubElement(child);
    if (font == nullptr) {
        return;
    }
    font->GetAttrib("Name", value.name);
    ReadInt(*font, "Size", value.size);
    ReadInt(*font, "Flags", value.flags);
    ReadColor(*font, "Color", value.color);
}

void KCGraphDataBase::WriteBool(XML::CXMLElement& e, const char* name, bool value) {
    e.SetAttrib(name, value ? "True" : "False");
}

void KCGraphDataBase::WriteFloat(XML::CXMLElement& e, const char* name, float value) {
    e.SetAttrib(name, value);
}

void KCGraphDataBase::WriteColor(XML::CXMLElement& e, const char* child, const KCRGBAColor& value) {
    XML::WriteToXML_KCRGBAColor(e.AddSubElement(child), value);
}

void KCGraphDataBase::WriteRect(XML::CXMLElement& e, const char* child,
                                const KURect<short>& value) {
    XML::WriteToXML_KURect(e.AddSubElement(child), value);
}

void KCGraphDataBase::WriteFont(XML::CXMLElement& e, const char* child,
                                const PluginViewManager::KCFontDescription& value) {
    auto* font = e.AddSubElement(child);
    if (font == nullptr) {
        return;
    }
    font->SetAttrib("Name", value.name.c_str());
    font->SetAttrib("Size", value.size);
    font->SetAttrib("Flags", value.flags);
    WriteColor(*font, "Color", value.color);
}

}  // namespace kvKorvaneV10_0_3
