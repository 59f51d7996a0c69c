// The name and attribute indexes over an element tree.
#include "korvane/xml/xml_maps.h"

#include "korvane/core/number_format.h"

namespace kvKorvaneV10_0_3::XML {

CMapNames::CMapNames(CXMLElement* root, unsigned int depth) {
    MapElement(root, depth);
}

void CMapNames::MapElement(CXMLElement* element, unsigned int depth) {
    if (element == nullptr) {
        return;
    }
    if (m_root == nullptr) {
        m_root = element;
    }
    for (CXMLElement* child : element->GetSubElements()) {
        m_map.emplace(child->GetName(), child);
        if (depth > 1) {
            MapElement(child, depth - 1);
        }
    }
}

int CMapNames::Count(const char* name) const {
    if (name == nullptr) {
        return 0;
    }
    return static_cast<int>(m_map.count(CutElementName(name)));
}

CXMLElement* CMapNames::FindElement(const char* name) const {
    return FindNthElement(name, 0);
}

CXMLElement* CMapNames::FindNthElement(const char* name, unsigned int n) const {
    if (name == nullptr) {
        return nullptr;
    }
    auto [it, end] = m_map.equal_range(CutElementName(name));
    for (; it != end; ++it, --n) {
        if (n == 0) {
            return it->second;
        }
    }
    return nullptr;
}

int CMapNames::FindElements(const char* name, std::vector<CXMLElement*>& out) const {
    out.clear();
    if (name == nullptr) {
        return 0;
    }
    auto [it, end] = m_map.equal_range(CutElementName(name));
    for (; it != end; ++it) {
        out.push_back(it->second);
    }
    return static_cast<int>(out.size());
}

int CMapNames::GetElementText(const char* name, std::string& text) const {
    const CXMLElement* element = FindElement(name);
    if (element == nullptr) {
        return eXMLElementMissing;
    }
    text = element->GetText();
    return eNoErr;
}

void CMapNames::GetNameList(std::vector<KTElementName>& names) const {
    names.clear();
    for (auto it = m_map.begin(); it != m_map.end(); it = m_map.upper_bound(it->first)) {
        names.push_back(it->first);
    }
}

CMapAttrib::CMapAttrib(const char* attribName, CXMLElement* root) : m_attribName(attribName) {
    if (attribName != nullptr) {
        Map(root);
    }
}

void CMapAttrib::Map(CXMLElement* element) {
    if (element == nullptr) {
        return;
    }
    KTElementName value;
    if (element->GetAttrib(m_attribName.c_str(), value)) {
        m_map.emplace(value, element);
    }
    for (CXMLElement* child : element->GetSubElements()) {
        Map(child);
    }
}

CXMLElement* CMapAttrib::FindElement(const char* value) const {
    if (value == nullptr) {
        return nullptr;
    }
    auto [it, end] = m_map.equal_range(KTElementName(value));
    if (it == end || std::next(it) != end) {
        return nullptr;
    }
    return it->second;
}

CXMLElement* CMapAttrib::FindElement(int value) const {
    return FindElement(KUFormatInteger(static_cast<long long>(value)).c_str());
}

}  // namespace kvKorvaneV10_0_3::XML
