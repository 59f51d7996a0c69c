#include "korvane/gui/pvm/menu.h"

#include "korvane/gui/pvm/platform/native_view.h"
#include "korvane/xml/xml_values.h"

#include <memory>
#include <string_view>
#include <utility>
#include <vector>

namespace kvKorvaneV10_0_3::PluginViewManager {

struct KSMenu {
    struct KSItem {
        KCMenuItemInfo info;
        std::unique_ptr<KSMenu> sub;  // info.subMenu points here
    };
    KCMenuCreationOptions options;
    std::vector<KSItem> items;
    KSMenu* parent = nullptr;
};

namespace {

KTPopupPresenter& Presenter() {
    static KTPopupPresenter presenter;
    return presenter;
}

bool InRange(const KSMenu* menu, int index) {
    return index >= 0 && static_cast<std::size_t>(index) < menu->items.size();
}

// True when `menu` is `root` or lies below it.
bool IsInTree(const KSMenu* root, const KSMenu* menu) {
    for (const KSMenu* m = menu; m != nullptr; m = m->parent) {
        if (m == root) {
            return true;
        }
    }
    return false;
}

// The writable menu of `root`'s tree that is `target`, or null.
KSMenu* FindInTree(KSMenu* root, const KSMenu* target) {
    if (root == target) {
        return root;
    }
    for (KSMenu::KSItem& item : root->items) {
        if (item.sub) {
            if (KSMenu* found = FindInTree(item.sub.get(), target)) {
                return found;
            }
        }
    }
    return nullptr;
}

constexpr std::string_view kDisableCheckmarks = "disable_checkmarks";
constexpr std::string_view kDisableAutoSelection = "disable_auto_selection";

KTErr ReadFlags(std::string_view text, KCMenuItemInfo& info) {
    bool checkmarks = false;
    bool autoSelection = false;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t end = text.find_first_of(" \t\r\n,", pos);
        const std::string_view name =
            text.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos);
        if (name == kDisableCheckmarks) {
            checkmarks = true;
        } else if (name == kDisableAutoSelection) {
            autoSelection = true;
        } else if (!name.empty()) {
            return eValueNotFound;
        }
        if (end == std::string_view::npos) {
            break;
        }
        pos = end + 1;
    }
    info.disableCheckmarks = checkmarks;
    info.disableAutoSelection = autoSelection;
    return eNoErr;
}

void ReadBool(const XML::CXMLElement* e, const char* name, bool& value) {
    if (const XML::CXMLElement* child = e->SubElement(name)) {
        XML::ReadFromXML_Bool(child, value);
    }
}

}  // namespace

// ---- KCMenuItemInfo

KTErr KCMenuItemInfo::ReadFromXML(const XML::CXMLElement* e) {
    if (e == nullptr) {
        return eXMLElementMissing;
    }
    KCMenuItemInfo read = *this;
    if (const XML::CXMLElement* t = e->SubElement("Text")) {
        read.text = t->GetText();
    }
    if (const XML::CXMLElement* data = e->SubElement("UserData")) {
        long long value = 0;
        if (const KTErr err = XML::ReadFromXML_Int(data, value); err != eNoErr) {
            return err;
        }
        read.userData = static_cast<std::intptr_t>(value);
    }
    ReadBool(e, "Enabled", read.enabled);
    ReadBool(e, "Checked", read.checked);
    ReadBool(e, "Separator", read.separator);
    if (const XML::CXMLElement* image = e->SubElement("Image")) {
        if (const KTErr err = XML::ReadFromXML_Int(image->SubElement("ResID"), read.imageResID);
            err != eNoErr) {
            return err;
        }
    }
    if (const XML::CXMLElement* touch = e->SubElement("Touch")) {
        if (const XML::CXMLElement* detail = touch->SubElement("Detail")) {
            read.touch.detail = detail->GetText();
        }
        if (const XML::CXMLElement* icon = touch->SubElement("ResID")) {
            if (const KTErr err = XML::ReadFromXML_Int(icon, read.touch.iconResID); err != eNoErr) {
                return err;
            }
        }
    }
    if (const XML::CXMLElement* flags = e->SubElement("Flags")) {
        if (const KTErr err = ReadFlags(flags->GetText(), read); err != eNoErr) {
            return err;
        }
    }
    read.subMenu = subMenu;
    *this = std::move(read);
    return eNoErr;
}

void KCMenuItemInfo::WriteToXML(XML::CXMLElement* e) const {
    if (e == nullptr) {
        return;
    }
    if (!text.empty()) {
        e->AddSubElement("Text", text);
    }
    if (userData != 0) {
        e->AddSubElement("UserData", XML::NumberText(static_cast<long long>(userData)));
    }
    if (!enabled) {
        e->AddSubElement("Enabled", "false");
    }
    if (checked) {
        e->AddSubElement("Checked", "true");
    }
    if (separator) {
        e->AddSubElement("Separator", "true");
    }
    if (imageResID != kNoImageResID) {
        e->AddSubElement("Image")->AddSubElement("ResID", XML::NumberText(imageResID));
    }
    if (!touch.detail.empty() || touch.iconResID != kNoImageResID) {
        XML::CXMLElement* t = e->AddSubElement("Touch");
        if (!touch.detail.empty()) {
            t->AddSubElement("Detail", touch.detail);
        }
        if (touch.iconResID != kNoImageResID) {
            t->AddSubElement("ResID", XML::NumberText(touch.iconResID));
        }
    }
    if (disableCheckmarks || disableAutoSelection) {
        std::string flags;
        if (disableCheckmarks) {
            flags += kDisableCheckmarks;
        }
        if (disableAutoSelection) {
            flags += flags.empty() ? "" : " ";
            flags += kDisableAutoSelection;
        }
        e->AddSubElement("Flags", flags);
    }
}

// ---- menus

void SetPopupPresenter(KTPopupPresenter presenter) {
    Presenter() = std::move(presenter);
}

KTErr CreatePopupMenu(const KCMenuCreationOptions& options, KSMenu*& menu) {
    menu = new KSMenu{options, {}, nullptr};
    return eNoErr;
}

KTErr DisposeMenu(KSMenu*& menu) {
    if (menu == nullptr) {
        return eMemNullPointer;
    }
    if (menu->parent != nullptr) {
        return eWrongObjectState;
    }
    delete menu;
    menu = nullptr;
    return eNoErr;
}

KTErr ClearMenu(KSMenu* menu) {
    if (menu == nullptr) {
        return eMemNullPointer;
    }
    menu->items.clear();
    return eNoErr;
}

const KCMenuCreationOptions* GetMenuCreationOptions(const KSMenu* menu) {
    return menu == nullptr ? nullptr : &menu->options;
}

KTErr AddMenuItem(KSMenu* menu, const KCMenuItemInfo& info) {
    if (menu == nullptr) {
        return eMemNullPointer;
    }
    if (info.subMenu != nullptr) {
        return eWrongObjectState;
    }
    menu->items.push_back({info, nullptr});
    return eNoErr;
}

KTErr AddSubMenu(KSMenu* menu, const KCMenuItemInfo& info, KSMenu* sub) {
    if (menu == nullptr || sub == nullptr) {
        return eMemNullPointer;
    }
    if (sub->parent != nullptr || IsInTree(sub, menu)) {
        return eWrongObjectState;
    }
    KSMenu::KSItem item{info, std::unique_ptr<KSMenu>(sub)};
    item.info.subMenu = sub;
    sub->parent = menu;
    menu->items.push_back(std::move(item));
    return eNoErr;
}

KTErr RemoveMenuItem(KSMenu* menu, int index) {
    if (menu == nullptr) {
        return eMemNullPointer;
    }
    if (!InRange(menu, index)) {
        return eOutOfRangeNumber;
    }
    menu->items.erase(menu->items.begin() + index);
    return eNoErr;
}

KTErr UpdateMenuItem(KSMenu* menu, int index, const KCMenuItemInfo& info) {
    if (menu == nullptr) {
        return eMemNullPointer;
    }
    if (!InRange(menu, index)) {
        return eOutOfRangeNumber;
    }
    KSMenu::KSItem& item = menu->items[static_cast<std::size_t>(index)];
    item.info = info;
    item.info.subMenu = item.sub.get();
    return eNoErr;
}

int GetMenuItemCount(const KSMenu* menu) {
    return menu == nullptr ? 0 : static_cast<int>(menu->items.size());
}

KTErr GetMenuItemByIndex(const KSMenu* menu, int index, KCMenuItemInfo& info) {
    if (menu == nullptr) {
        return eMemNullPointer;
    }
    if (!InRange(menu, index)) {
        return eOutOfRangeNumber;
    }
    info = menu->items[static_cast<std::size_t>(index)].info;
    return eNoErr;
}

KTErr GetMenuItemByUserData(KSMenu* menu, std::intptr_t userData, KSMenu*& foundIn, int& index) {
    if (menu == nullptr) {
        return eMemNullPointer;
    }
    for (std::size_t i = 0; i < menu->items.size(); ++i) {
        KSMenu::KSItem& item = menu->items[i];
        if (item.info.userData == userData && !item.info.separator) {
            foundIn = menu;
            index = static_cast<int>(i);
            return eNoErr;
        }
        if (item.sub && GetMenuItemByUserData(item.sub.get(), userData, foundIn, index) == eNoErr) {
            return eNoErr;
        }
    }
    return eValueNotFound;
}

KTErr GetSubMenuByIndex(const KSMenu* menu, int index, KSMenu*& sub) {
    if (menu == nullptr) {
        return eMemNullPointer;
    }
    if (!InRange(menu, index)) {
        return eOutOfRangeNumber;
    }
    KSMenu* found = menu->items[static_cast<std::size_t>(index)].sub.get();
    if (found == nullptr) {
        return eValueNotFound;
    }
    sub = found;
    return eNoErr;
}

KTErr ActivatePopup(KSMenu* menu, KSPluginView* view, KCPoint2D<short> where, KSMenu*& chosenMenu,
                    KCMenuItemInfo& chosen) {
    if (menu == nullptr) {
        return eMemNullPointer;
    }
    // A copy: a presenter that replaces the presenter must not destroy the one running.
    const KTPopupPresenter presenter = Presenter();
    KCPopupMenuItemData answer;
    // Without a presenter of its own the popup is the display's, when there is one.
    const bool answered = presenter ? presenter(*menu, view, where, answer)
                                    : Native::PresentPopupMenu(*menu, where, answer);
    if (!answered) {
        return eUserCanceled;
    }
    KSMenu* holder = answer.menu == nullptr ? nullptr : FindInTree(menu, answer.menu);
    if (holder == nullptr || !InRange(holder, answer.index)) {
        return eValueNotFound;
    }
    KSMenu::KSItem& item = holder->items[static_cast<std::size_t>(answer.index)];
    if (!item.info.IsChoosable()) {
        return eValueNotFound;
    }
    if (!item.info.disableAutoSelection && !holder->options.disableCheckmarks) {
        for (KSMenu::KSItem& sibling : holder->items) {
            if (!sibling.info.separator && sibling.sub == nullptr) {
                sibling.info.checked = &sibling == &item;
            }
        }
    }
    chosenMenu = holder;
    chosen = item.info;
    return eNoErr;
}

}  // namespace kvKorvaneV10_0_3::PluginViewManager
