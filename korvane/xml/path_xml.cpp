// Paths in XML: their text in one element.
#include "korvane/xml/path_xml.h"

#include "korvane/fm/path_ref.h"

#include <string>

namespace kvKorvaneV10_0_3::XML {

void SerializeXML(KCXMLSerializer& serializer, FM::KCStPath& path) {
    if (serializer.GetCurrent() == nullptr) {
        return;
    }
    std::string text;
    if (serializer.IsReading()) {
        serializer.element_content(text);
        if (text.empty()) {
            path.Clear();
        } else {
            path = FM::KCStPath(text.c_str());
        }
    } else {
        if (path.GetPathRef() != nullptr) {
            text = path.GetPathString().c_str();
        }
        serializer.element_content(text);
    }
}

void WriteToXML_KTPathRef(CXMLElement* e, const FM::KTPathType* path) {
    if (e == nullptr) {
        return;
    }
    KCFixedString<1023> text;
    if (path != nullptr) {
        FM::GetPathAsString(path, text);
    }
    e->SetText(text.c_str());
}

KTErr ReadFromXML_KTPathRef(const CXMLElement* e, FM::KTPathType*& out) {
    out = nullptr;
    if (e == nullptr) {
        return eXMLElementMissing;
    }
    return FM::CreatePathRefFromString(e->GetText().c_str(), out);
}

}  // namespace kvKorvaneV10_0_3::XML
