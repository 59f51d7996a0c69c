// Reading the small value children of widget descriptions: <Name Value="..."/> or <Name>...</Name>.
#pragma once

#include "korvane/xml/xml_element.h"

#include <charconv>
#include <string>

namespace kvKorvaneV10_0_3 {

// The child's "Value" attribute, else its text; false without such a child. [any-thread]
inline bool WidgetChildValue(const XML::CXMLElement& element, const char* name,
                             std::string& value) {
    const XML::CXMLElement* child = element.SubElement(name);
    if (child == nullptr) {
        return false;
    }
    if (!child->GetAttrib("Value", value)) {
        value = child->GetText();
    }
    return true;
}

// As a number; false (value kept) without the child or when it does not read as one.
inline bool WidgetChildNumber(const XML::CXMLElement& element, const char* name, double& value) {
    std::string text;
    if (!WidgetChildValue(element, name, text)) {
        return false;
    }
    double parsed = 0.0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size()) {
        return false;
    }
    value = parsed;
    return true;
}

}  // namespace kvKorvaneV10_0_3
