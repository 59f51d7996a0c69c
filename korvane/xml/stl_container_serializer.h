// XML::KCStlContainerXMLSerializer: a container of KCXMLable items as repeated elements of
// one name.
#pragma once

#include "korvane/core/xmlable.h"
#include "korvane/xml/serializer.h"

#include <string>

namespace kvKorvaneV10_0_3::XML {

// Item i is the i-th element itemName; reading resizes the container to the number of such
// elements. Container needs size() and resize() and items deriving from KCXMLable.
// [any-thread] while the container and the tree are not used elsewhere.
template <typename Container>
class KCStlContainerXMLSerializer : public KCXMLable {
public:
    KCStlContainerXMLSerializer(const char* itemName, Container& items)
        : m_itemName(itemName == nullptr ? "" : itemName), m_items(items) {}

    void SerializeXML(KCXMLSerializer& serializer) override {
        const unsigned int count = serializer.get_num_array_elements(
            m_itemName.c_str(), static_cast<unsigned int>(m_items.size()));
        if (serializer.IsReading()) {
            m_items.resize(count);
        }
        unsigned int i = 0;
        for (auto& item : m_items) {
            if (i >= count) {
                break;
            }
            serializer.element_name(m_itemName.c_str(), i);
            serializer.element_content(static_cast<KCXMLable&>(item));
            serializer.element_end();
            ++i;
        }
    }
    using KCXMLable::SerializeXML;

private:
    std::string m_itemName;
    Container& m_items;
};

}  // namespace kvKorvaneV10_0_3::XML
