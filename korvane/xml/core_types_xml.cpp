// SerializeXML of the core value types (versions, dates): they live in core, their XML form
// needs the serializers, so the definitions live here.
#include "korvane/core/date.h"
#include "korvane/core/version.h"
#include "korvane/xml/serializer.h"

#include <string>

namespace kvKorvaneV10_0_3 {

void KCVersion::SerializeXML(XML::KCXMLSerializer& serializer) {
    if (serializer.GetCurrent() == nullptr) {
        return;
    }
    std::string text;
    if (serializer.IsReading()) {
        serializer.element_content(text);
        ReadFromString(text.c_str());
    } else {
        text = GetString(4).c_str();
        serializer.element_content(text);
    }
}

void Utils::KCDate::SerializeXML(XML::KCXMLSerializer& serializer) {
    if (serializer.GetCurrent() == nullptr) {
        return;
    }
    std::string text;
    if (serializer.IsReading()) {
        serializer.element_content(text);
        fromString(text.c_str());
    } else {
        text = toString(0).c_str();
        serializer.element_content(text);
    }
}

}  // namespace kvKorvaneV10_0_3
