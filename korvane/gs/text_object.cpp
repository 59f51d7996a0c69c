// The text object's alignment names and its style in XML.
#include "korvane/gs/text_object.h"

#include "korvane/xml/xml_element.h"
#include "korvane/xml/xml_values.h"

#include <string>

namespace kvKorvaneV10_0_3::PluginViewManager {

namespace {

struct KSAlignName {
    kvGS::KTGSCode code;
    const char* name;
};

constexpr KSAlignName kHorizontal[] = {
    {kvGS::eGSLeft, "Left"}, {kvGS::eGSHCenter, "Center"}, {kvGS::eGSRight, "Right"}};
constexpr KSAlignName kVertical[] = {
    {kvGS::eGSTop, "Top"}, {kvGS::eGSVCenter, "Center"}, {kvGS::eGSBottom, "Bottom"}};

template <std::size_t N>
bool CodeFromName(const KSAlignName (&table)[N], std::string_view name, kvGS::KTGSCode& code) {
    for (const KSAlignName& entry : table) {
        if (name == entry.name) {
            code = entry.code;
            return true;
        }
    }
    return false;
}

template <std::size_t N>
const char* NameFromCode(const KSAlignName (&table)[N], kvGS::KTGSCode code) {
    for (const KSAlignName& entry : table) {
        if (code == entry.code) {
            return entry.name;
        }
    }
    return "Center";
}

}  // namespace

bool HorizontalAlignmentFromName(std::string_view name, kvGS::KTGSCode& code) {
    return CodeFromName(kHorizontal, name, code);
}

bool VerticalAlignmentFromName(std::string_view name, kvGS::KTGSCode& code) {
    return CodeFromName(kVertical, name, code);
}

const char* HorizontalAlignmentName(kvGS::KTGSCode code) {
    return NameFromCode(kHorizontal, code);
}

const char* VerticalAlignmentName(kvGS::KTGSCode code) {
    return NameFromCode(kVertical, code);
}

void WriteTextObjectStyleToXML(XML::CXMLElement& e, const KCTextObject& text) {
    XML::WriteToXML_KCRGBAColor(e.AddSubElement("Color"), text.font.color);
    if (XML::CXMLElement* align = e.AddSubElement("Alignment"); align != nullptr) {
        align->SetAttrib("Horizontal", HorizontalAlignmentName(text.hAlign));
        align->SetAttrib("Vertical", VerticalAlignmentName(text.vAlign));
    }
}

KTErr ReadTextObjectStyleFromXML(const XML::CXMLElement& e, KCTextObject& text) {
    if (const XML::CXMLElement* color = e.SubElement("Color"); color != nullptr) {
        KCRGBAColor read = text.font.color;
        if (XML::ReadFromXML_KCRGBAColor(color, read) == eNoErr) {
            text.font.color = read;
        }
    }
    KTErr result = eNoErr;
    if (const XML::CXMLElement* align = e.SubElement("Alignment"); align != nullptr) {
        std::string name;
        if (align->GetAttrib("Horizontal", name) &&
            !HorizontalAlignmentFromName(name, text.hAlign)) {
            result = eOutOfRangeNumber;
        }
        if (align->GetAttrib("Vertical", name) && !VerticalAlignmentFromName(name, text.vAlign)) {
            result = eOutOfRangeNumber;
        }
    }
    return result;
}

}  // namespace kvKorvaneV10_0_3::PluginViewManager
