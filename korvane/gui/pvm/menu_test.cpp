#include "korvane/gui/pvm/menu.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace kvKorvaneV10_0_3::PluginViewManager {
namespace {

KCMenuItemInfo Item(const char* text, std::intptr_t userData) {
    KCMenuItemInfo info;
    info.text = text;
    info.userData = userData;
    return info;
}

// Every test leaves the presenter as it found it: none.
class MenuTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(CreatePopupMenu({"Presets", false, false}, menu), eNoErr); }
    void TearDown() override {
        SetPopupPresenter({});
        if (menu != nullptr) {
            EXPECT_EQ(DisposeMenu(menu), eNoErr);
        }
    }
    // "One" (1), "Two" (2), a separator, "More" > { "Three" (3), "Four" (4, disabled) }.
    KSMenu* Fill() {
        EXPECT_EQ(AddMenuItem(menu, Item("One", 1)), eNoErr);
        EXPECT_EQ(AddMenuItem(menu, Item("Two", 2)), eNoErr);
        KCMenuItemInfo separator;
        separator.separator = true;
        EXPECT_EQ(AddMenuItem(menu, separator), eNoErr);
        KSMenu* sub = nullptr;
        EXPECT_EQ(CreatePopupMenu({}, sub), eNoErr);
        EXPECT_EQ(AddMenuItem(sub, Item("Three", 3)), eNoErr);
        KCMenuItemInfo four = Item("Four", 4);
        four.enabled = false;
        EXPECT_EQ(AddMenuItem(sub, four), eNoErr);
        EXPECT_EQ(AddSubMenu(menu, Item("More", 0), sub), eNoErr);
        return sub;
    }
    // A presenter that answers item `index` of `target` and records where it was shown.
    void Choose(KSMenu* target, int index) {
        SetPopupPresenter([this, target, index](const KSMenu& shown, KSPluginView*,
                                                KCPoint2D<short> where,
                                                KCPopupMenuItemData& chosen) {
            shownMenu = &shown;
            shownAt = where;
            chosen.menu = target;
            chosen.index = index;
            return true;
        });
    }

    KSMenu* menu = nullptr;
    const KSMenu* shownMenu = nullptr;
    KCPoint2D<short> shownAt;
};

TEST_F(MenuTest, BuildsAndEditsATreeOfItems) {
    KSMenu* sub = Fill();
    EXPECT_EQ(GetMenuCreationOptions(menu)->title, "Presets");
    ASSERT_EQ(GetMenuItemCount(menu), 4);
    KCMenuItemInfo info;
    ASSERT_EQ(GetMenuItemByIndex(menu, 3, info), eNoErr);
    EXPECT_EQ(info.text, "More");
    EXPECT_EQ(info.subMenu, sub);
    EXPECT_FALSE(info.IsChoosable());
    KSMenu* found = nullptr;
    ASSERT_EQ(GetSubMenuByIndex(menu, 3, found), eNoErr);
    EXPECT_EQ(found, sub);
    EXPECT_EQ(GetSubMenuByIndex(menu, 0, found), eValueNotFound);
    EXPECT_EQ(GetMenuItemByIndex(menu, 4, info), eOutOfRangeNumber);
    EXPECT_EQ(GetMenuItemByIndex(menu, -1, info), eOutOfRangeNumber);

    int index = -1;
    ASSERT_EQ(GetMenuItemByUserData(menu, 4, found, index), eNoErr);
    EXPECT_EQ(found, sub);
    EXPECT_EQ(index, 1);
    EXPECT_EQ(GetMenuItemByUserData(menu, 99, found, index), eValueNotFound);

    // An update keeps the sub-menu; a removal frees it with the item.
    ASSERT_EQ(UpdateMenuItem(menu, 3, Item("Further", 7)), eNoErr);
    ASSERT_EQ(GetMenuItemByIndex(menu, 3, info), eNoErr);
    EXPECT_EQ(info.text, "Further");
    EXPECT_EQ(info.subMenu, sub);
    EXPECT_EQ(DisposeMenu(sub), eWrongObjectState) << "its parent owns it";
    ASSERT_EQ(RemoveMenuItem(menu, 0), eNoErr);
    ASSERT_EQ(GetMenuItemByIndex(menu, 0, info), eNoErr);
    EXPECT_EQ(info.text, "Two");
    EXPECT_EQ(RemoveMenuItem(menu, 3), eOutOfRangeNumber);
    ASSERT_EQ(RemoveMenuItem(menu, 2), eNoErr);  // the sub-menu goes too
    EXPECT_EQ(GetMenuItemByUserData(menu, 3, found, index), eValueNotFound);

    ASSERT_EQ(ClearMenu(menu), eNoErr);
    EXPECT_EQ(GetMenuItemCount(menu), 0);
    EXPECT_EQ(GetMenuItemCount(nullptr), 0);
    EXPECT_EQ(AddMenuItem(nullptr, Item("x", 1)), eMemNullPointer);
}

TEST_F(MenuTest, RefusesSubMenusThatWouldBeSharedOrCyclic) {
    KSMenu* sub = Fill();
    EXPECT_EQ(AddSubMenu(menu, Item("Again", 0), sub), eWrongObjectState) << "already owned";
    EXPECT_EQ(AddSubMenu(sub, Item("Loop", 0), menu), eWrongObjectState) << "an ancestor";
    EXPECT_EQ(AddSubMenu(menu, Item("Self", 0), menu), eWrongObjectState);
    KCMenuItemInfo pointing = Item("Sneaky", 0);
    pointing.subMenu = sub;
    EXPECT_EQ(AddMenuItem(menu, pointing), eWrongObjectState);
    EXPECT_EQ(GetMenuItemCount(menu), 4);
}

TEST_F(MenuTest, ActivatePopupReturnsTheChoiceTheUserMade) {
    KSMenu* sub = Fill();
    KSMenu* chosenMenu = nullptr;
    KCMenuItemInfo chosen;

    EXPECT_EQ(ActivatePopup(menu, nullptr, {3, 4}, chosenMenu, chosen), eUserCanceled)
        << "no presenter: dismissed";
    SetPopupPresenter(
        [](const KSMenu&, KSPluginView*, KCPoint2D<short>, KCPopupMenuItemData&) { return false; });
    EXPECT_EQ(ActivatePopup(menu, nullptr, {3, 4}, chosenMenu, chosen), eUserCanceled);

    Choose(sub, 0);
    ASSERT_EQ(ActivatePopup(menu, nullptr, {3, 4}, chosenMenu, chosen), eNoErr);
    EXPECT_EQ(shownMenu, menu);
    EXPECT_EQ(shownAt, (KCPoint2D<short>{3, 4}));
    EXPECT_EQ(chosenMenu, sub);
    EXPECT_EQ(chosen.text, "Three");
    EXPECT_EQ(chosen.userData, 3);
    EXPECT_TRUE(chosen.IsChecked()) << "the check mark moves to the choice";

    // A presenter cannot pick what the user could not: disabled, separator, sub-menu item,
    // past the end, or an item of another menu.
    KSMenu* other = nullptr;
    ASSERT_EQ(CreatePopupMenu({}, other), eNoErr);
    ASSERT_EQ(AddMenuItem(other, Item("Elsewhere", 9)), eNoErr);
    for (const auto& [target, index] :
         {std::pair{sub, 1}, std::pair{menu, 2}, std::pair{menu, 3}, std::pair{menu, 4},
          std::pair{menu, -1}, std::pair{other, 0}}) {
        Choose(target, index);
        EXPECT_EQ(ActivatePopup(menu, nullptr, {}, chosenMenu, chosen), eValueNotFound)
            << "index " << index;
    }
    EXPECT_EQ(DisposeMenu(other), eNoErr);
    EXPECT_EQ(other, nullptr);
}

TEST_F(MenuTest, MovesTheCheckMarkUnlessTheItemOrMenuSaysNot) {
    Fill();
    KSMenu* chosenMenu = nullptr;
    KCMenuItemInfo chosen;
    KCMenuItemInfo info;

    Choose(menu, 0);
    ASSERT_EQ(ActivatePopup(menu, nullptr, {}, chosenMenu, chosen), eNoErr);
    Choose(menu, 1);
    ASSERT_EQ(ActivatePopup(menu, nullptr, {}, chosenMenu, chosen), eNoErr);
    ASSERT_EQ(GetMenuItemByIndex(menu, 0, info), eNoErr);
    EXPECT_FALSE(info.checked);
    ASSERT_EQ(GetMenuItemByIndex(menu, 1, info), eNoErr);
    EXPECT_TRUE(info.checked);

    // An item without auto selection is a command: choosing it leaves the mark where it was.
    KCMenuItemInfo command = Item("Save", 5);
    command.disableAutoSelection = true;
    ASSERT_EQ(AddMenuItem(menu, command), eNoErr);
    Choose(menu, 4);
    ASSERT_EQ(ActivatePopup(menu, nullptr, {}, chosenMenu, chosen), eNoErr);
    EXPECT_EQ(chosen.userData, 5);
    EXPECT_FALSE(chosen.checked);
    ASSERT_EQ(GetMenuItemByIndex(menu, 1, info), eNoErr);
    EXPECT_TRUE(info.checked);

    KCMenuItemInfo unmarked = Item("Plain", 6);
    unmarked.checked = true;
    unmarked.disableCheckmarks = true;
    EXPECT_FALSE(unmarked.IsChecked());

    KSMenu* plain = nullptr;
    ASSERT_EQ(CreatePopupMenu({"", true, false}, plain), eNoErr);
    ASSERT_EQ(AddMenuItem(plain, Item("A", 1)), eNoErr);
    Choose(plain, 0);
    ASSERT_EQ(ActivatePopup(plain, nullptr, {}, chosenMenu, chosen), eNoErr);
    EXPECT_FALSE(chosen.checked) << "a menu without check marks gets none";
    EXPECT_EQ(DisposeMenu(plain), eNoErr);
}

TEST(MenuItemXML, ReadsAndWritesEveryField) {
    XML::CXMLElement e("MenuItem", "");
    e.AddSubElement("Text", "Bright");
    e.AddSubElement("UserData", "-42");
    e.AddSubElement("Enabled", "false");
    e.AddSubElement("Checked", "true");
    e.AddSubElement("Image")->AddSubElement("ResID", "310");
    XML::CXMLElement* touch = e.AddSubElement("Touch");
    touch->AddSubElement("Detail", "More treble");
    touch->AddSubElement("ResID", "311");
    e.AddSubElement("Flags", "disable_checkmarks, disable_auto_selection");

    KCMenuItemInfo info;
    ASSERT_EQ(info.ReadFromXML(&e), eNoErr);
    EXPECT_EQ(info.text, "Bright");
    EXPECT_EQ(info.userData, -42);
    EXPECT_FALSE(info.enabled);
    EXPECT_TRUE(info.checked);
    EXPECT_FALSE(info.IsChecked());
    EXPECT_EQ(info.imageResID, 310);
    EXPECT_EQ(info.touch.detail, "More treble");
    EXPECT_EQ(info.touch.iconResID, 311);
    EXPECT_TRUE(info.disableCheckmarks);
    EXPECT_TRUE(info.disableAutoSelection);

    XML::CXMLElement written("MenuItem", "");
    info.WriteToXML(&written);
    KCMenuItemInfo again;
    ASSERT_EQ(again.ReadFromXML(&written), eNoErr);
    EXPECT_EQ(again.text, info.text);
    EXPECT_EQ(again.userData, info.userData);
    EXPECT_EQ(again.enabled, info.enabled);
    EXPECT_EQ(again.checked, info.checked);
    EXPECT_EQ(again.imageResID, info.imageResID);
    EXPECT_EQ(again.touch.detail, info.touch.detail);
    EXPECT_EQ(again.touch.iconResID, info.touch.iconResID);
    EXPECT_EQ(again.disableCheckmarks, info.disableCheckmarks);
    EXPECT_EQ(again.disableAutoSelection, info.disableAutoSelection);

    XML::CXMLElement separator("MenuItem", "");
    separator.AddSubElement("Separator", "true");
    KCMenuItemInfo line;
    ASSERT_EQ(line.ReadFromXML(&separator), eNoErr);
    EXPECT_TRUE(line.separator);
    EXPECT_FALSE(line.IsChoosable());
    XML::CXMLElement plain("MenuItem", "");
    line.separator = false;
    line.WriteToXML(&plain);
    EXPECT_TRUE(plain.GetSubElements().empty()) << "a default item writes nothing";
}

TEST(MenuItemXML, RefusesBadFieldsAndKeepsTheItem) {
    KCMenuItemInfo info = Item("Kept", 8);
    XML::CXMLElement flags("MenuItem", "");
    flags.AddSubElement("Text", "Changed");
    flags.AddSubElement("Flags", "disable_checkmarks bogus");
    EXPECT_EQ(info.ReadFromXML(&flags), eValueNotFound);
    XML::CXMLElement data("MenuItem", "");
    data.AddSubElement("UserData", "12abc");
    EXPECT_NE(info.ReadFromXML(&data), eNoErr);
    XML::CXMLElement image("MenuItem", "");
    image.AddSubElement("Image")->AddSubElement("ResID", "40000");
    EXPECT_EQ(info.ReadFromXML(&image), eOutOfRangeNumber);
    XML::CXMLElement noId("MenuItem", "");
    noId.AddSubElement("Image");
    EXPECT_EQ(info.ReadFromXML(&noId), eXMLElementMissing);
    EXPECT_EQ(info.ReadFromXML(nullptr), eXMLElementMissing);
    EXPECT_EQ(info.text, "Kept");
    EXPECT_EQ(info.userData, 8);
    EXPECT_FALSE(info.disableCheckmarks);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::PluginViewManager
