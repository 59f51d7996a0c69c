// The preset menus without a GUI: a menu model (items, titles, separators, sub-menus, check
// marks, commands), the hooks that pop it up and ask the user, the items built for a list of
// presets (CPresetMenu) and the folder tree of dynamic factory presets (SPresetGroupDesc).
#pragma once

#include "korvane/algorithm/public_alg.h"
#include "korvane/core/export.h"
#include "korvane/core/geometry.h"
#include "korvane/fm/path.h"
#include "korvane/presets/preset_info.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3::Preset {

// What choosing an item does.
enum EPresetMenuCommand : int {
    eMenuCmdNone = 0,
    eMenuCmdOpenFile,            // "Open Preset File..."
    eMenuCmdCloseFile,           // "Close <file>"
    eMenuCmdPaste,               // "Paste Preset"
    eMenuCmdLoadPreset,          // a preset item
    eMenuCmdDeletePreset,        // a preset item chosen with the modifier key
    eMenuCmdSaveToNewFile,       // "Save To New File..."
    eMenuCmdCopyPreset,          // "Copy Preset"
    eMenuCmdPutIntoMenu,         // "Put Into Preset Menu As..."
    eMenuCmdSaveSelected,        // the default save item
    eMenuCmdSaveToOpenFile,      // "Save To <file> As..."
    eMenuCmdConvertOpenFile,     // "Convert "<file>" to .xps format"
    eMenuCmdLoadPluginSpecific,  // a plug-in-specific record of the loaded preset
};

// One line of a menu. Items are kept flat: a sub-menu item at level L is followed by its own
// items at level L + 1.
struct KSPresetMenuItem {
    enum EKind : int { eCommand = 0, eSeparator, eTitle, eSubMenu };

    int id = 0;  // > 0 for commands, unique within the menu; 0 otherwise
    EKind kind = eCommand;
    unsigned int level = 0;
    std::string text;
    bool enabled = true;
    bool checked = false;
    EPresetMenuCommand command = eMenuCmdNone;
    EMenuItemType source = eMenuItemNone;  // the list a preset item came from
    // A preset item's preset, copied: the manager's lists may be re-read while the menu is up.
    std::shared_ptr<const CPresetInfo> preset;
    // A plug-in-specific item's record: its setup and its index in that setup's list.
    EPluginSetup chunkSetup = eActiveSetup;
    unsigned int chunkIndex = 0;
};

// A popup menu as data. [gui-thread]
class KORVANE_API KCPresetMenuModel {
public:
    // Appends a command item at the current level; its id.
    int AddCommand(const char* text, EPresetMenuCommand command, bool enabled = true,
                   bool checked = false);
    // A command item for a copy of `preset`.
    int AddPresetItem(const CPresetInfo& preset, EMenuItemType source, EPresetMenuCommand command,
                      bool checked);
    // A command item for the plug-in-specific record `index` of `preset`'s setup `setup`,
    // shown as `text`.
    int AddPluginSpecificItem(const CPresetInfo& preset, EPluginSetup setup, unsigned int index,
                              const char* text);
    void AddSeparator();
    // A line that cannot be chosen.
    void AddTitle(const char* text);
    // Items added until EndSubMenu go into a sub-menu named `text`.
    void BeginSubMenu(const char* text);
    void EndSubMenu();

    [[nodiscard]] const std::vector<KSPresetMenuItem>& Items() const { return m_items; }
    // The command item with `id`, or null.
    [[nodiscard]] const KSPresetMenuItem* Find(int id) const;
    // The first command item whose text is `text` (at any level), or null.
    [[nodiscard]] const KSPresetMenuItem* FindByText(const char* text) const;
    [[nodiscard]] bool Empty() const { return m_items.empty(); }
    void Clear();

private:
    std::vector<KSPresetMenuItem> m_items;
    unsigned int m_level = 0;
    int m_nextId = 1;
};

// How menus reach the user; the view manager fills them. Empty hooks: a popup is dismissed, a
// question answered with its cancel button, alerts and the message line go nowhere.
struct KSPresetMenuHooks {
    // Shows `menu` at `where`; the id of the chosen item, 0 when dismissed.
    std::function<int(const CPublicAlg& alg, const KCPresetMenuModel& menu,
                      const KCPoint2D<short>& where)>
        popup;
    // A question with two buttons; true for `okButton`.
    std::function<bool(const CPublicAlg& alg, const char* title, const char* question,
                       const char* okButton, const char* cancelButton)>
        confirm;
    // Tells the user why something was refused.
    std::function<void(const CPublicAlg& alg, const char* message)> alert;
    // The plug-in's message line; "" clears it.
    std::function<void(const CPublicAlg& alg, const char* text)> messageLine;
};

// Replaces the hooks. [gui-thread]
KORVANE_API void SetPresetMenuHooks(const KSPresetMenuHooks& hooks);
// A copy of the hooks in use. [gui-thread]
KORVANE_API KSPresetMenuHooks GetPresetMenuHooks();

// One folder of dynamic factory presets: its presets (owned) and sub-folders. Movable, not
// copyable. [gui-thread]
struct KORVANE_API SPresetGroupDesc {
    SPresetGroupDesc() = default;
    SPresetGroupDesc(const SPresetGroupDesc&) = delete;
    SPresetGroupDesc& operator=(const SPresetGroupDesc&) = delete;
    SPresetGroupDesc(SPresetGroupDesc&& other) noexcept;
    SPresetGroupDesc& operator=(SPresetGroupDesc&& other) noexcept;
    ~SPresetGroupDesc();

    // The folder's path and, as the group's name, its last component.
    void SetGroupName(const FM::KCStPath& folder);
    SPresetGroupDesc& AddSubGroup(SPresetGroupDesc&& group);
    // Takes `other`'s presets and sub-groups (other keeps none) and its name and path.
    void TakeOver(SPresetGroupDesc& other);
    void Clear();
    [[nodiscard]] bool Empty() const { return presets.empty() && subGroups.empty(); }
    // Every preset of the subtree, depth first (pointers still owned by the groups).
    void FillAllDynamicPresetsVectorRecursive(std::vector<CPresetInfo*>& out) const;
    // The same, each group's presets before its sub-groups', groups ordered by name.
    void FillAllDynamicPresetsVectorRecursiveAndSortByGroup(std::vector<CPresetInfo*>& out) const;

    KCFixedString<255> name;
    FM::KCStPath path;
    std::vector<CPresetInfo*> presets;  // owned
    std::vector<SPresetGroupDesc> subGroups;
};

// Builds the items of preset lists for one menu. [gui-thread]
class KORVANE_API CPresetMenu {
public:
    // `selected` (may be null) gets the check mark; with the modifier key held, choosing a
    // user preset deletes it instead of loading it.
    CPresetMenu(const CPublicAlg& alg, const CPresetInfo* selected, bool modifier);

    [[nodiscard]] bool Modifier() const { return m_modifier; }
    [[nodiscard]] const CPublicAlg& Plugin() const { return m_alg; }
    // Every entry of `presets` in order: separators, titles, and one item per preset that is
    // not disabled.
    void CreateMenuItems_PresetInfoVec(KCPresetMenuModel& menu,
                                       const std::vector<CPresetInfo*>& presets,
                                       EMenuItemType source) const;
    // `group` as a sub-menu: its presets file by file, then its sub-groups, recursively.
    void CreateGroupPopupMenu(KCPresetMenuModel& menu, const SPresetGroupDesc& group) const;
    // The items of the presets of `group` that were read from `file`, in file order
    // (separators and titles too); the number of entries of `group` from that file.
    unsigned int LoadMenu_IterateOneDynamicFactoryPresetsFile(KCPresetMenuModel& menu,
                                                              const SPresetGroupDesc& group,
                                                              const CPresetsFileInfo& file) const;
    void CreatePresetPopupMenuItem(KCPresetMenuModel& menu, const CPresetInfo& preset,
                                   EMenuItemType source) const;
    // One item per plug-in-specific record of `preset`'s setup `setup` that has a menu text,
    // in record order; records without one are the plug-in's private data and stay hidden.
    // The number of items added.
    unsigned int CreateMenuItems_FilterSpecificChunks(KCPresetMenuModel& menu,
                                                      const CPresetInfo& preset,
                                                      EPluginSetup setup) const;

private:
    CPublicAlg m_alg;
    const CPresetInfo* m_selected;
    bool m_modifier;
};

}  // namespace kvKorvaneV10_0_3::Preset
