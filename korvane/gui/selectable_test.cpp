// The selection chain under clicks, the page tables, and joining buffer chains.
#include "korvane/gui/selectable.h"

#include "korvane/algorithm/testing/automation_test_algorithm.h"
#include "korvane/gui/buffer_chain.h"
#include "korvane/gui/control_pages.h"
#include "korvane/xml/xml_element.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace kvKorvaneV10_0_3 {
namespace {

struct Item : CSelectable {
    int told = 0;
    bool lastTold = false;
    void SetSelectionSelf(bool selected) override {
        ++told;
        lastTold = selected;
    }
};

TEST(Selection, ClicksAdjustTheChain) {
    CSelectableHome home;
    Item a;
    Item b;
    Item c;
    home.AdjustSelectionToClick(&a, false);
    EXPECT_EQ(home.GetSelection(), (std::vector<CSelectable*>{&a}));
    EXPECT_TRUE(a.lastTold);
    home.AdjustSelectionToClick(&b, true);
    home.AdjustSelectionToClick(&c, true);
    EXPECT_EQ(home.GetSelection(), (std::vector<CSelectable*>{&a, &b, &c}));
    EXPECT_EQ(b.GetPrevSelected(), &a);
    EXPECT_EQ(b.GetNextSelected(), &c);
    home.AdjustSelectionToClick(&b, true);
    EXPECT_EQ(home.GetSelection(), (std::vector<CSelectable*>{&a, &c})) << "extend toggles";
    EXPECT_FALSE(b.IsSelected());
    EXPECT_EQ(a.GetNextSelected(), &c);
    home.AdjustSelectionToClick(&c, false);
    EXPECT_EQ(home.GetSelection(), (std::vector<CSelectable*>{&c}));
    EXPECT_FALSE(a.lastTold);
    home.AdjustSelectionToClick(nullptr, true);
    EXPECT_EQ(home.GetSelectionCount(), 1U) << "an extending click on nothing keeps it";
    home.AdjustSelectionToClick(nullptr, false);
    EXPECT_EQ(home.GetSelectionCount(), 0U);

    // An item that may not be part of a multiple selection is selected alone.
    Item single;
    single.SetCanBeInMultipleSelection(false);
    home.AdjustSelectionToClick(&a, false);
    home.AdjustSelectionToClick(&single, true);
    EXPECT_EQ(home.GetSelection(), (std::vector<CSelectable*>{&single}));
    home.AdjustSelectionToClick(&b, true);
    EXPECT_EQ(home.GetSelection(), (std::vector<CSelectable*>{&b}));
}

TEST(Selection, ItemsLeaveOnDestructionResetAndOtherHomes) {
    CSelectableHome home;
    Item a;
    {
        Item gone;
        home.Select(&a);
        home.Select(&gone);
        const Item copy = gone;
        EXPECT_FALSE(copy.IsSelected()) << "a copy is not part of the chain";
    }
    EXPECT_EQ(home.GetSelection(), (std::vector<CSelectable*>{&a}));
    EXPECT_EQ(a.GetNextSelected(), nullptr);
    CSelectableHome other;
    other.Select(&a);
    EXPECT_EQ(home.GetSelectionCount(), 0U);
    EXPECT_EQ(other.GetFirstSelected(), &a);
    a.Reset();
    EXPECT_FALSE(a.IsSelected());
    EXPECT_EQ(other.GetSelectionCount(), 0U);

    EXPECT_EQ(SelectLevelFromString("Hover"), eSelectLevelHover);
    EXPECT_EQ(SelectLevelFromString("hover"), eSelectLevelNone);
    EXPECT_EQ(SelectLevelFromString(nullptr), eSelectLevelNone);
}

TEST(PageTables, NamesByTableTypeAndRoundTrip) {
    XML::CXMLElement root = test_support::ParseXML(R"(<PageTables version="2">
      <PageTable type="Tabs" SubComp="Main" pageSize="2">
        <Page><Control Name="Gain" SubComp="Main"/><Control Name="Freq"/></Page>
        <Page><Control Name="Q"/></Page>
      </PageTable>
      <PageTable type="Surface" pageSize="8"><Page><Control Name="Fader"/></Page></PageTable>
      <PageTable type="Tabs"><Page><Control Name="Out"/></Page></PageTable>
    </PageTables>)");
    KCControlVisibilityPageTableList list;
    list.ReadFromXML(&root);
    EXPECT_EQ(list.version, "2");
    ASSERT_EQ(list.tables.size(), 3U);
    EXPECT_EQ(list.tables[0].pageSize, 2);
    EXPECT_EQ(list.tables[0].pages[0].controls[0].subComp, "Main");

    std::vector<KCFixedString<63>> names{KCFixedString<63>("Existing")};
    list.GetControNamesListByPageTableType("Tabs", names);
    ASSERT_EQ(names.size(), 5U) << "appended, from every table of the type";
    EXPECT_EQ(names[0], "Existing");
    EXPECT_EQ(names[1], "Gain");
    EXPECT_EQ(names[3], "Q");
    EXPECT_EQ(names[4], "Out");

    XML::CXMLElement written("PageTables", "");
    list.WriteToXML(&written);
    KCControlMappingPageTableList back;
    back.ReadFromXML(&written);
    std::vector<KCFixedString<63>> surface;
    back.GetControNamesListByPageTableType("Surface", surface);
    ASSERT_EQ(surface.size(), 1U);
    EXPECT_EQ(surface[0], "Fader");
    EXPECT_EQ(back.tables[1].pageSize, 8);
    std::vector<KCFixedString<63>> none;
    back.GetControNamesListByPageTableType("Nothing", none);
    EXPECT_TRUE(none.empty());
}

TEST(BufferChain, JoinsInOrderAndNeverLoops) {
    using KPAPI_PROCESS_MEMORY::BUFFER_HEADER;
    BUFFER_HEADER a;
    BUFFER_HEADER b;
    BUFFER_HEADER c;
    EXPECT_EQ(ChainBuffers(nullptr, nullptr), nullptr);
    EXPECT_EQ(ChainBuffers(nullptr, &a), &a);
    EXPECT_EQ(ChainBuffers(&a, nullptr), &a);
    EXPECT_EQ(ChainBuffers(&a, &b), &a);
    EXPECT_EQ(ChainBuffers(&a, &c), &a);
    EXPECT_EQ(a.next, &b);
    EXPECT_EQ(b.next, &c);
    EXPECT_EQ(ChainBuffers(&a, &b), &a) << "already inside";
    EXPECT_EQ(ChainBuffers(&a, &a), &a);
    EXPECT_EQ(ChainBuffers(&c, &a), &c) << "a chain holding the first is not appended";
    EXPECT_EQ(c.next, nullptr);
    BUFFER_HEADER d;
    d.next = &c;  // shares c with the first chain
    EXPECT_EQ(ChainBuffers(&a, &d), &a);
    EXPECT_EQ(c.next, nullptr);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
