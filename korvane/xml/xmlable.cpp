// The out-of-line members of KCXMLable (declared in core so core types can derive from it).
#include "korvane/core/xmlable.h"

#include "korvane/xml/serializer.h"

namespace kvKorvaneV10_0_3::XML {

KCXMLable::~KCXMLable() = default;

void KCXMLable::SerializeXML(KCXMLSerializer& /*serializer*/) {}

void KCXMLable::SerializeXML(KCXMLSerializer& serializer) const {
    // Only a writer may reach a const object, and a writer only reads the fields.
    if (!serializer.IsReading()) {
        const_cast<KCXMLable*>(this)->SerializeXML(serializer);
    }
}

void KCXMLable::ReadFromXML(CXMLElement* element) {
    if (element == nullptr) {
        return;
    }
    KCXMLSerializerReader reader(element);
    SerializeXML(reader);
}

CXMLElement* KCXMLable::WriteToXML(CXMLElement* element) const {
    if (element == nullptr) {
        return nullptr;
    }
    KCXMLSerializerWriter writer(element);
    SerializeXML(writer);
    return element;
}

}  // namespace kvKorvaneV10_0_3::XML
