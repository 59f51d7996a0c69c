// Reading and writing the page tables.
#include "korvane/gui/control_pages.h"

#include "korvane/xml/xml_element.h"

namespace kvKorvaneV10_0_3 {
namespace {

using XML::CXMLElement;

// Reads every child named `name` into a new element of `items`.
template <typename T>
void ReadChildren(CXMLElement* element, const char* name, std::vector<T>& items) {
    items.clear();
    for (CXMLElement* child : element->GetSubElements()) {
        if (child->GetName() == name) {
            items.emplace_back().ReadFromXML(child);
        }
    }
}

template <typename T>
void WriteChildren(CXMLElement* element, const char* name, const std::vector<T>& items) {
    for (const T& item : items) {
        item.WriteToXML(element->AddSubElement(name));
    }
}

}  // namespace

void KCControlPageEntry::ReadFromXML(CXMLElement* element) {
    if (element != nullptr) {
        element->GetAttrib("Name", name);
        element->GetAttrib("SubComp", subComp);
    }
}

CXMLElement* KCControlPageEntry::WriteToXML(CXMLElement* element) const {
    if (element != nullptr) {
        element->SetAttrib("Name", name.c_str());
        element->SetAttrib("SubComp", subComp.c_str());
    }
    return element;
}

void KCControlPage::ReadFromXML(CXMLElement* element) {
    if (element != nullptr) {
        ReadChildren(element, "Control", controls);
    }
}

CXMLElement* KCControlPage::WriteToXML(CXMLElement* element) const {
    if (element != nullptr) {
        WriteChildren(element, "Control", controls);
    }
    return element;
}

void KCControlPageTable::ReadFromXML(CXMLElement* element) {
    if (element != nullptr) {
        element->GetAttrib("type", type);
        element->GetAttrib("SubComp", subComp);
        element->GetAttrib("pageSize", pageSize);
        ReadChildren(element, "Page", pages);
    }
}

CXMLElement* KCControlPageTable::WriteToXML(CXMLElement* element) const {
    if (element != nullptr) {
        element->SetAttrib("type", type.c_str());
        element->SetAttrib("SubComp", subComp.c_str());
        element->SetAttrib("pageSize", pageSize);
        WriteChildren(element, "Page", pages);
    }
    return element;
}

void KCControlPageTableList::ReadFromXML(CXMLElement* element) {
    if (element != nullptr) {
        element->GetAttrib("version", version);
        ReadChildren(element, "PageTable", tables);
    }
}

CXMLElement* KCControlPageTableList::WriteToXML(CXMLElement* element) const {
    if (element != nullptr) {
        element->SetAttrib("version", version.c_str());
        WriteChildren(element, "PageTable", tables);
    }
    return element;
}

void KCControlPageTableList::GetControNamesListByPageTableType(
    const char* tableType, std::vector<KCFixedString<63>>& names) const {
    if (tableType == nullptr) {
        return;
    }
    for (const KCControlPageTable& table : tables) {
        if (table.type.compare(tableType) != 0) {
            continue;
        }
        for (const KCControlPage& page : table.pages) {
            for (const KCControlPageEntry& control : page.controls) {
                names.push_back(control.name);
            }
        }
    }
}

}  // namespace kvKorvaneV10_0_3
