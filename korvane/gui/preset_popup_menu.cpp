#include "korvane/gui/preset_popup_menu.h"

#include <vector>

namespace kvKorvaneV10_0_3 {

using PluginViewManager::KCMenuItemInfo;
using PluginViewManager::KSMenu;

KTErr BuildPresetPopupMenu(const Preset::KCPresetMenuModel& model, KSMenu*& menu) {
    KSMenu* root = nullptr;
    if (const KTErr err = PluginViewManager::CreatePopupMenu({}, root); err != eNoErr) {
        return err;
    }
    // The menu each level's items go into; an item deeper than any open sub-menu joins the
    // deepest one, so a malformed list still builds.
    std::vector<KSMenu*> levels{root};
    KTErr result = eNoErr;
    for (const Preset::KSPresetMenuItem& item : model.Items()) {
        const std::size_t level = item.level < levels.size() ? item.level : levels.size() - 1;
        levels.resize(level + 1);
        KSMenu* target = levels.back();

        KCMenuItemInfo info;
        info.text = item.text;
        info.enabled = item.enabled;
        info.checked = item.checked;
        // The model owns its check marks: choosing an item does not move them.
        info.disableAutoSelection = true;
        switch (item.kind) {
            case Preset::KSPresetMenuItem::eCommand:
                info.userData = item.id;
                result = PluginViewManager::AddMenuItem(target, info);
                break;
            case Preset::KSPresetMenuItem::eSeparator:
                info.separator = true;
                result = PluginViewManager::AddMenuItem(target, info);
                break;
            case Preset::KSPresetMenuItem::eTitle:
                info.enabled = false;
                result = PluginViewManager::AddMenuItem(target, info);
                break;
            case Preset::KSPresetMenuItem::eSubMenu: {
                KSMenu* sub = nullptr;
                result = PluginViewManager::CreatePopupMenu({item.text, false, false}, sub);
                if (result == eNoErr) {
                    result = PluginViewManager::AddSubMenu(target, info, sub);
                    if (result != eNoErr) {
                        (void)PluginViewManager::DisposeMenu(sub);
                    } else {
                        levels.push_back(sub);
                    }
                }
                break;
            }
        }
        if (result != eNoErr) {
            (void)PluginViewManager::DisposeMenu(root);
            return result;
        }
    }
    menu = root;
    return eNoErr;
}

int PopupPresetMenu(const Preset::KCPresetMenuModel& model, PluginViewManager::KSPluginView* view,
                    KCPoint2D<short> where) {
    KSMenu* menu = nullptr;
    if (BuildPresetPopupMenu(model, menu) != eNoErr) {
        return 0;
    }
    KSMenu* chosenMenu = nullptr;
    KCMenuItemInfo chosen;
    const KTErr err = PluginViewManager::ActivatePopup(menu, view, where, chosenMenu, chosen);
    (void)PluginViewManager::DisposeMenu(menu);
    return err == eNoErr ? static_cast<int>(chosen.userData) : 0;
}

void InstallPresetMenuPopup() {
    Preset::KSPresetMenuHooks hooks = Preset::GetPresetMenuHooks();
    hooks.popup = [](const CPublicAlg&, const Preset::KCPresetMenuModel& model,
                     const KCPoint2D<short>& where) {
        return PopupPresetMenu(model, nullptr, where);
    };
    Preset::SetPresetMenuHooks(hooks);
}

}  // namespace kvKorvaneV10_0_3
