// Page tables: which controls make up each page of a GUI shown one page at a time (visibility
// pages: tabs, pages of a larger GUI) or of a hardware surface (mapping pages). Both have the
// same three levels: a list of tables, a table of pages, a page of control names.
#pragma once

#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"
#include "korvane/core/xmlable.h"

#include <vector>

namespace kvKorvaneV10_0_3 {

// One control of a page: attributes "Name" and "SubComp" (the sub-component it belongs to).
// Plain values: [any-thread] on distinct objects.
class KORVANE_API KCControlPageEntry : public XML::KCXMLable {
public:
    void ReadFromXML(XML::CXMLElement* element) override;
    XML::CXMLElement* WriteToXML(XML::CXMLElement* element) const override;

    KCFixedString<63> name;
    KCFixedString<63> subComp;
};

// The controls of one page, one "Control" child each.
class KORVANE_API KCControlPage : public XML::KCXMLable {
public:
    void ReadFromXML(XML::CXMLElement* element) override;
    XML::CXMLElement* WriteToXML(XML::CXMLElement* element) const override;

    std::vector<KCControlPageEntry> controls;
};

// Attributes "type", "SubComp" and "pageSize", one "Page" child per page.
class KORVANE_API KCControlPageTable : public XML::KCXMLable {
public:
    void ReadFromXML(XML::CXMLElement* element) override;
    XML::CXMLElement* WriteToXML(XML::CXMLElement* element) const override;

    KCFixedString<63> type;
    KCFixedString<63> subComp;
    int pageSize = 0;
    std::vector<KCControlPage> pages;
};

// Attribute "version", one "PageTable" child per table.
class KORVANE_API KCControlPageTableList : public XML::KCXMLable {
public:
    void ReadFromXML(XML::CXMLElement* element) override;
    XML::CXMLElement* WriteToXML(XML::CXMLElement* element) const override;

    // Appends the names of the controls of every page of every table of that type.
    void GetControNamesListByPageTableType(const char* tableType,
                                           std::vector<KCFixedString<63>>& names) const;

    KCFixedString<31> version;
    std::vector<KCControlPageTable> tables;
};

using KCControlVisibility = KCControlPageEntry;
using KCControlVisibilityPage = KCControlPage;
using KCControlVisibilityPageTable = KCControlPageTable;
using KCControlVisibilityPageTableList = KCControlPageTableList;

using KCControlMapping = KCControlPageEntry;
using KCControlMappingPage = KCControlPage;
using KCControlMappingPageTable = KCControlPageTable;
using KCControlMappingPageTableList = KCControlPageTableList;

}  // namespace kvKorvaneV10_0_3
