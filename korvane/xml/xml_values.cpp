// The non-template value conversions: booleans, four-character codes, string lists and the
// CDATA bracket entities.
#include "korvane/xml/xml_values.h"

#include "korvane/core/four_cc.h"

#include <cstdint>
#include <memory>

namespace kvKorvaneV10_0_3::XML {
namespace {

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, pos)) {
        out.append(text, pos, at - pos);
        out.append(to);
        pos = at + from.size();
    }
    out.append(text, pos, std::string::npos);
    text = std::move(out);
}

}  // namespace

void InsertCDATAEntities(std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        if (c == '[') {
            out += "&lsqb;";
        } else if (c == ']') {
            out += "&rsqb;";
        } else {
            out += c;
        }
    }
    text = std::move(out);
}

void RemoveCDATAEntities(std::string& text) {
    ReplaceAll(text, "&lsqb;", "[");
    ReplaceAll(text, "&rsqb;", "]");
}

void ReadFromXML_Bool(const CXMLElement* e, bool& value) {
    value = true;
    if (e == nullptr) {
        return;
    }
    const std::string& text = e->GetText();
    if (text == "false" || text == "no") {
        value = false;
    }
}

void WriteToXML_KCFourCC(CXMLElement* e, KCFourCC code) {
    if (e == nullptr) {
        return;
    }
    e->SetText(FormatFourCC(code, EFourCCText::eQuoted));
}

KTErr ReadFromXML_KCFourCC(const CXMLElement* e, KCFourCC& code) {
    if (e == nullptr) {
        return eXMLElementMissing;
    }
    const auto parsed = ParseFourCC(e->GetText());
    if (!parsed) {
        return eValueWrongSize;
    }
    code = *parsed;
    return eNoErr;
}

void WriteToXML_String_Vector(CXMLElement* e, const std::vector<std::string>& strings,
                              const char* itemName) {
    if (e == nullptr) {
        return;
    }
    for (const std::string& s : strings) {
        e->AddSubElement(itemName, s);
    }
}

KTErr ReadFromXML_String_Vector(const CXMLElement* e, std::vector<std::string>& strings) {
    if (e == nullptr) {
        return eXMLElementMissing;
    }
    std::vector<std::string> out;
    out.reserve(e->GetSubElements().size());
    for (const CXMLElement* child : e->GetSubElements()) {
        out.push_back(child->GetText());
    }
    strings = std::move(out);
    return eNoErr;
}

}  // namespace kvKorvaneV10_0_3::XML
