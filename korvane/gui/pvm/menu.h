// Popup menus as portable records: the menu tree, its items, their XML ("MenuItem"), and
// ActivatePopup, which hands the menu to a replaceable presenter (a native popup, or a test
// that scripts the choice) and checks what it answers.
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"
#include "korvane/core/geometry.h"
#include "korvane/gui/pvm/base_image.h"
#include "korvane/gui/pvm/event_data.h"
#include "korvane/xml/xml_element.h"

#include <cstdint>
#include <functional>
#include <string>

namespace kvKorvaneV10_0_3::PluginViewManager {

// A native view; defined by the windowing layer. Opaque here.
struct KSPluginView;

// What a touch-friendly presentation shows besides the text: a second line and an icon.
struct KCMenuItemTouchData {
    std::string detail;
    short iconResID = kNoImageResID;
};

// One item. XML "MenuItem": "Text", "UserData" (integer), "Enabled", "Checked", "Separator"
// (booleans), "Image" with "ResID", "Touch" with "Detail" and "ResID", and "Flags": names
// separated by spaces or commas, among "disable_checkmarks" (never shows a check mark) and
// "disable_auto_selection" (choosing it does not move the check mark to it). Plain value.
struct KORVANE_API KCMenuItemInfo {
    std::string text;
    std::intptr_t userData = 0;
    bool enabled = true;
    bool checked = false;
    bool separator = false;
    bool disableCheckmarks = false;
    bool disableAutoSelection = false;
    short imageResID = kNoImageResID;
    KCMenuItemTouchData touch;
    // The item's sub-menu, owned by the menu holding the item; set by AddSubMenu only.
    KSMenu* subMenu = nullptr;

    // True when the item shows a check mark.
    [[nodiscard]] bool IsChecked() const { return checked && !disableCheckmarks; }
    // True when choosing the item is a command: enabled, not a separator, no sub-menu.
    [[nodiscard]] bool IsChoosable() const { return enabled && !separator && subMenu == nullptr; }

    // Fields the element lacks keep their values. eXMLElementMissing for a null element, the
    // parse error of a malformed number, eValueNotFound for an unknown flag name.
    [[nodiscard]] KTErr ReadFromXML(const XML::CXMLElement* e);
    // Writes what differs from a default item.
    void WriteToXML(XML::CXMLElement* e) const;
};

struct KCMenuCreationOptions {
    std::string title;
    // Items of this menu never show check marks.
    bool disableCheckmarks = false;
    // Larger rows and the items' touch data, for touch screens.
    bool touchFriendly = false;
};

// What a presenter answers: the menu (the popped one or one of its sub-menus) and the index
// of the chosen item in it.
struct KCPopupMenuItemData {
    const KSMenu* menu = nullptr;
    int index = -1;
};

// Shows `menu` at `where` in `view` and waits for the user: true with `chosen` filled when
// an item was chosen, false when the menu was dismissed. [gui-thread]
using KTPopupPresenter = std::function<bool(const KSMenu& menu, KSPluginView* view,
                                            KCPoint2D<short> where, KCPopupMenuItemData& chosen)>;

// Replaces the presenter; an empty one gives the display's popup back: a menu window shown
// over the view handling the current event, which dismisses every popup when there is no
// display or no such view. [gui-thread]
KORVANE_API void SetPopupPresenter(KTPopupPresenter presenter);

// Menu operations. A menu made by CreatePopupMenu is owned by the caller until DisposeMenu
// or until AddSubMenu hands it to a parent. A null menu gives eMemNullPointer, an index
// outside the items eOutOfRangeNumber. [gui-thread]
[[nodiscard]] KORVANE_API KTErr CreatePopupMenu(const KCMenuCreationOptions& options,
                                                KSMenu*& menu);
// Frees the menu and its sub-menus and nulls the handle; eWrongObjectState for a sub-menu
// (its parent owns it).
[[nodiscard]] KORVANE_API KTErr DisposeMenu(KSMenu*& menu);
[[nodiscard]] KORVANE_API KTErr ClearMenu(KSMenu* menu);
[[nodiscard]] KORVANE_API const KCMenuCreationOptions* GetMenuCreationOptions(const KSMenu* menu);
// Appends a copy of `info`; eWrongObjectState when it names a sub-menu (use AddSubMenu).
[[nodiscard]] KORVANE_API KTErr AddMenuItem(KSMenu* menu, const KCMenuItemInfo& info);
// Appends an item opening `sub`, which the menu then owns. eWrongObjectState when `sub` has a
// parent already or is `menu` or one of its ancestors.
[[nodiscard]] KORVANE_API KTErr AddSubMenu(KSMenu* menu, const KCMenuItemInfo& info, KSMenu* sub);
// Removes the item and frees its sub-menu.
[[nodiscard]] KORVANE_API KTErr RemoveMenuItem(KSMenu* menu, int index);
// Replaces the item's fields; its sub-menu stays.
[[nodiscard]] KORVANE_API KTErr UpdateMenuItem(KSMenu* menu, int index, const KCMenuItemInfo& info);
// 0 for a null menu.
[[nodiscard]] KORVANE_API int GetMenuItemCount(const KSMenu* menu);
[[nodiscard]] KORVANE_API KTErr GetMenuItemByIndex(const KSMenu* menu, int index,
                                                   KCMenuItemInfo& info);
// The first item with `userData`, depth first through the sub-menus: the menu holding it and
// its index there. eValueNotFound when none has it.
[[nodiscard]] KORVANE_API KTErr GetMenuItemByUserData(KSMenu* menu, std::intptr_t userData,
                                                      KSMenu*& foundIn, int& index);
// eValueNotFound when the item has no sub-menu.
[[nodiscard]] KORVANE_API KTErr GetSubMenuByIndex(const KSMenu* menu, int index, KSMenu*& sub);

// Presents `menu` and returns the chosen item and the menu holding it. Unless the item
// disables it, the check mark moves to the chosen item among its siblings. eUserCanceled when
// dismissed (or no presenter is set), eValueNotFound when the presenter names an item of
// another menu or one that cannot be chosen.
[[nodiscard]] KORVANE_API KTErr ActivatePopup(KSMenu* menu, KSPluginView* view,
                                              KCPoint2D<short> where, KSMenu*& chosenMenu,
                                              KCMenuItemInfo& chosen);

}  // namespace kvKorvaneV10_0_3::PluginViewManager
