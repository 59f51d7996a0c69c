// SerializeXML of the core value types (versions, dates): they live in core, their XML form
// needs the serializers, so the definitions live here.
#include "korvane/core/date.h"
#include "korvane/core/version.h"
#include "korvane/xml/serializer.h"

#include <string>

namespace kvKorvaneV10_0_3 {
namespace {

// A value whose XML form is its text: `format` gives the text to write, `parse` takes the
// text read. Nothing happens without a current element.
template <typename Format, typename Parse>
void SerializeAsText(XML::KCXMLSerializer& serializer, Format format, Parse parse) {
    if (serializer.GetCurrent() == nullptr) {
        return;
    }
    std::string text;
    if (serializer.IsReading()) {
        serializer.element_content(text);
        parse(text.c_str());
    } else {
        text = format().c_str();
        serializer.element_content(text);
    }
}

}  // namespace

void KCVersion::SerializeXML(XML::KCXMLSerializer& serializer) {
    SerializeAsText(
        serializer, [this] { return GetString(4); },
        [this](const char* text) { ReadFromString(text); });
}

void Utils::KCDate::SerializeXML(XML::KCXMLSerializer& serializer) {
    SerializeAsText(
        serializer, [this] { return toString(0); }, [this](const char* text) { fromString(text); });
}

}  // namespace kvKorvaneV10_0_3
