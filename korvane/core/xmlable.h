// XML::KCXMLable: the base of objects that describe their persistent state in one
// SerializeXML function. Declared in core so that core value types can derive from it; its
// members are defined with the serializers in the xml subsystem.
#pragma once

#include "korvane/core/export.h"

namespace kvKorvaneV10_0_3::XML {

class KCXMLSerializer;
class CXMLElement;

// [any-thread] on distinct objects.
class KORVANE_API KCXMLable {
public:
    KCXMLable() = default;
    KCXMLable(const KCXMLable&) = default;
    KCXMLable& operator=(const KCXMLable&) = default;
    virtual ~KCXMLable();

    // Reads or writes every persistent field through the serializer. Default: nothing.
    virtual void SerializeXML(KCXMLSerializer& serializer);
    // Reads the object from the children of element (null reads nothing).
    virtual void ReadFromXML(CXMLElement* element);
    // Writes the object as children of element and returns element (null writes nothing).
    virtual CXMLElement* WriteToXML(CXMLElement* element) const;
    // For writing from a const object: the serializer must be a writer.
    void SerializeXML(KCXMLSerializer& serializer) const;
};

}  // namespace kvKorvaneV10_0_3::XML
