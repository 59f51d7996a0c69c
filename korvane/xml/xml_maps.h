// Lookup indexes over a built tree: element name -> elements (CMapNames) and attribute
// value -> element (CMapAttrib). Both hold raw pointers that the tree's next change voids.
#pragma once

#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"
#include "korvane/xml/xml_element.h"

#include <map>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3::XML {

using KTElementName = KCFixedString<element_name_max_length>;

// Children (and for depth > 1 their children, and so on) by name, in insertion order.
// [any-thread] while the tree does not change.
class KORVANE_API CMapNames {
public:
    CMapNames() = default;
    // MapElement(root, depth): depth 1 indexes the root's children only.
    CMapNames(CXMLElement* root, unsigned int depth);

    // Remembers element as the root when none is set, indexes its children, and maps each
    // child again with depth - 1 while depth > 1.
    void MapElement(CXMLElement* element, unsigned int depth);

    [[nodiscard]] int Count(const char* name) const;
    // The first element indexed under name, or null.
    [[nodiscard]] CXMLElement* FindElement(const char* name) const;
    // The n-th (from 0, in insertion order), or null when n >= Count(name).
    [[nodiscard]] CXMLElement* FindNthElement(const char* name, unsigned int n) const;
    // Replaces out by all elements under name; returns their number.
    int FindElements(const char* name, std::vector<CXMLElement*>& out) const;
    // The first such element's text; eXMLElementMissing when there is none.
    int GetElementText(const char* name, std::string& text) const;
    // Every distinct name once, in ascending byte order.
    void GetNameList(std::vector<KTElementName>& names) const;
    [[nodiscard]] CXMLElement* GetRoot() const { return m_root; }

private:
    std::multimap<KTElementName, CXMLElement*> m_map;
    CXMLElement* m_root = nullptr;
};

// The root and its whole subtree by the value of one attribute (values compared on their
// first 63 characters). [any-thread] while the tree does not change.
class KORVANE_API CMapAttrib {
public:
    CMapAttrib(const char* attribName, CXMLElement* root);

    // The element carrying that value when exactly one does; null otherwise.
    [[nodiscard]] CXMLElement* FindElement(const char* value) const;
    // FindElement of the decimal text of value.
    [[nodiscard]] CXMLElement* FindElement(int value) const;

private:
    void Map(CXMLElement* element);

    KTElementName m_attribName;
    std::multimap<KTElementName, CXMLElement*> m_map;
};

}  // namespace kvKorvaneV10_0_3::XML
