#include "korvane/gui/preset_popup_menu.h"

#include <gtest/gtest.h>

#include <string>

namespace kvKorvaneV10_0_3 {
namespace {

using PluginViewManager::KCMenuItemInfo;
using PluginViewManager::KCPopupMenuItemData;
using PluginViewManager::KSMenu;

// A load menu as the presets build it: a title, two presets (the second checked), a
// separator, a folder with one preset and a nested folder, and a command after the folder.
Preset::KCPresetMenuModel LoadMenu(int& deepId, int& pasteId) {
    Preset::KCPresetMenuModel model;
    model.AddTitle("Factory");
    model.AddCommand("Warm", Preset::eMenuCmdLoadPreset);
    model.AddCommand("Bright", Preset::eMenuCmdLoadPreset, true, true);
    model.AddSeparator();
    model.BeginSubMenu("Drums");
    model.AddCommand("Kick", Preset::eMenuCmdLoadPreset);
    model.BeginSubMenu("Old");
    deepId = model.AddCommand("Snare 1999", Preset::eMenuCmdLoadPreset);
    model.EndSubMenu();
    model.EndSubMenu();
    pasteId = model.AddCommand("Paste Preset", Preset::eMenuCmdPaste, false);
    return model;
}

class PresetPopupMenuTest : public ::testing::Test {
protected:
    void SetUp() override { saved = Preset::GetPresetMenuHooks(); }
    void TearDown() override {
        Preset::SetPresetMenuHooks(saved);
        PluginViewManager::SetPopupPresenter({});
    }
    Preset::KSPresetMenuHooks saved;
};

TEST_F(PresetPopupMenuTest, TheModelBecomesATreeOfMenuRecords) {
    int deepId = 0;
    int pasteId = 0;
    const Preset::KCPresetMenuModel model = LoadMenu(deepId, pasteId);
    KSMenu* menu = nullptr;
    ASSERT_EQ(BuildPresetPopupMenu(model, menu), eNoErr);

    ASSERT_EQ(PluginViewManager::GetMenuItemCount(menu), 6);
    KCMenuItemInfo info;
    ASSERT_EQ(PluginViewManager::GetMenuItemByIndex(menu, 0, info), eNoErr);
    EXPECT_EQ(info.text, "Factory");
    EXPECT_FALSE(info.IsChoosable()) << "a title";
    ASSERT_EQ(PluginViewManager::GetMenuItemByIndex(menu, 2, info), eNoErr);
    EXPECT_EQ(info.text, "Bright");
    EXPECT_TRUE(info.IsChecked());
    EXPECT_EQ(info.userData, model.FindByText("Bright")->id);
    ASSERT_EQ(PluginViewManager::GetMenuItemByIndex(menu, 3, info), eNoErr);
    EXPECT_TRUE(info.separator);
    ASSERT_EQ(PluginViewManager::GetMenuItemByIndex(menu, 5, info), eNoErr);
    EXPECT_EQ(info.text, "Paste Preset") << "back at the top level after the folder";
    EXPECT_FALSE(info.enabled);

    KSMenu* drums = nullptr;
    ASSERT_EQ(PluginViewManager::GetSubMenuByIndex(menu, 4, drums), eNoErr);
    EXPECT_EQ(PluginViewManager::GetMenuCreationOptions(drums)->title, "Drums");
    ASSERT_EQ(PluginViewManager::GetMenuItemCount(drums), 2);
    KSMenu* old = nullptr;
    ASSERT_EQ(PluginViewManager::GetSubMenuByIndex(drums, 1, old), eNoErr);
    KSMenu* found = nullptr;
    int index = -1;
    ASSERT_EQ(PluginViewManager::GetMenuItemByUserData(menu, deepId, found, index), eNoErr);
    EXPECT_EQ(found, old);
    EXPECT_EQ(index, 0);
    EXPECT_EQ(PluginViewManager::DisposeMenu(menu), eNoErr);
}

TEST_F(PresetPopupMenuTest, ThePresetsPopupHookAnswersWhatTheUserChose) {
    int deepId = 0;
    int pasteId = 0;
    const Preset::KCPresetMenuModel model = LoadMenu(deepId, pasteId);
    InstallPresetMenuPopup();
    const auto popup = Preset::GetPresetMenuHooks().popup;
    ASSERT_TRUE(popup);

    // The user opens "Drums", then "Old", and picks its first item.
    PluginViewManager::SetPopupPresenter([](const KSMenu& shown, PluginViewManager::KSPluginView*,
                                            KCPoint2D<short>, KCPopupMenuItemData& chosen) {
        KSMenu* drums = nullptr;
        KSMenu* old = nullptr;
        if (PluginViewManager::GetSubMenuByIndex(&shown, 4, drums) != eNoErr ||
            PluginViewManager::GetSubMenuByIndex(drums, 1, old) != eNoErr) {
            return false;
        }
        chosen = {old, 0};
        return true;
    });
    EXPECT_EQ(popup(CPublicAlg{}, model, {10, 10}), deepId);

    // A disabled command cannot be chosen, and dismissing answers 0.
    PluginViewManager::SetPopupPresenter([](const KSMenu& shown, PluginViewManager::KSPluginView*,
                                            KCPoint2D<short>, KCPopupMenuItemData& chosen) {
        chosen = {&shown, 5};
        return true;
    });
    EXPECT_EQ(popup(CPublicAlg{}, model, {10, 10}), 0);
    PluginViewManager::SetPopupPresenter({});
    EXPECT_EQ(popup(CPublicAlg{}, model, {10, 10}), 0);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3
