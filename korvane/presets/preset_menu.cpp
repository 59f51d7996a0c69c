// The menu model, its hooks, the items of preset lists and the dynamic preset groups.
#include "korvane/presets/preset_menu.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <string>

namespace kvKorvaneV10_0_3::Preset {

namespace {

std::mutex& HooksMutex() {
    static std::mutex mutex;
    return mutex;
}

KSPresetMenuHooks& Hooks() {
    static KSPresetMenuHooks hooks;
    return hooks;
}

}  // namespace

// ------------------------------------------------------------------ KCPresetMenuModel

int KCPresetMenuModel::AddCommand(const char* text, EPresetMenuCommand command, bool enabled,
                                  bool checked) {
    KSPresetMenuItem item;
    item.id = m_nextId++;
    item.level = m_level;
    item.text = text;
    item.enabled = enabled;
    item.checked = checked;
    item.command = command;
    m_items.push_back(std::move(item));
    return m_items.back().id;
}

int KCPresetMenuModel::AddPresetItem(const CPresetInfo& preset, EMenuItemType source,
                                     EPresetMenuCommand command, bool checked) {
    const int id = AddCommand(preset.GetPresetName().c_str(), command, true, checked);
    m_items.back().preset = std::make_shared<const CPresetInfo>(preset);
    m_items.back().source = source;
    return id;
}

int KCPresetMenuModel::AddPluginSpecificItem(const CPresetInfo& preset, EPluginSetup setup,
                                             unsigned int index, const char* text) {
    const int id = AddCommand(text, eMenuCmdLoadPluginSpecific);
    m_items.back().preset = std::make_shared<const CPresetInfo>(preset);
    m_items.back().source = preset.GetMenuItemType();
    m_items.back().chunkSetup = setup;
    m_items.back().chunkIndex = index;
    return id;
}

void KCPresetMenuModel::AddSeparator() {
    KSPresetMenuItem item;
    item.kind = KSPresetMenuItem::eSeparator;
    item.level = m_level;
    item.enabled = false;
    m_items.push_back(std::move(item));
}

void KCPresetMenuModel::AddTitle(const char* text) {
    KSPresetMenuItem item;
    item.kind = KSPresetMenuItem::eTitle;
    item.level = m_level;
    item.text = text;
    item.enabled = false;
    m_items.push_back(std::move(item));
}

void KCPresetMenuModel::BeginSubMenu(const char* text) {
    KSPresetMenuItem item;
    item.kind = KSPresetMenuItem::eSubMenu;
    item.level = m_level;
    item.text = text;
    m_items.push_back(std::move(item));
    ++m_level;
}

void KCPresetMenuModel::EndSubMenu() {
    if (m_level > 0) {
        --m_level;
    }
}

const KSPresetMenuItem* KCPresetMenuModel::Find(int id) const {
    if (id <= 0) {
        return nullptr;
    }
    const auto it = std::find_if(m_items.begin(), m_items.end(), [id](const KSPresetMenuItem& i) {
        return i.kind == KSPresetMenuItem::eCommand && i.id == id;
    });
    return it == m_items.end() ? nullptr : &*it;
}

const KSPresetMenuItem* KCPresetMenuModel::FindByText(const char* text) const {
    const auto it = std::find_if(m_items.begin(), m_items.end(), [text](const KSPresetMenuItem& i) {
        return i.kind == KSPresetMenuItem::eCommand && i.text == text;
    });
    return it == m_items.end() ? nullptr : &*it;
}

void KCPresetMenuModel::Clear() {
    m_items.clear();
    m_level = 0;
    m_nextId = 1;
}

// ------------------------------------------------------------------ hooks

void SetPresetMenuHooks(const KSPresetMenuHooks& hooks) {
    const std::lock_guard<std::mutex> lock(HooksMutex());
    Hooks() = hooks;
}

KSPresetMenuHooks GetPresetMenuHooks() {
    const std::lock_guard<std::mutex> lock(HooksMutex());
    return Hooks();
}

// ------------------------------------------------------------------ SPresetGroupDesc

SPresetGroupDesc::SPresetGroupDesc(SPresetGroupDesc&& other) noexcept
    : name(other.name),
      path(std::move(other.path)),
      presets(std::move(other.presets)),
      subGroups(std::move(other.subGroups)) {
    other.presets.clear();
}

SPresetGroupDesc& SPresetGroupDesc::operator=(SPresetGroupDesc&& other) noexcept {
    if (this != &other) {
        ClearPresetInfoPtrVec(presets);
        name = other.name;
        path = std::move(other.path);
        presets = std::move(other.presets);
        other.presets.clear();
        subGroups = std::move(other.subGroups);
    }
    return *this;
}

SPresetGroupDesc::~SPresetGroupDesc() {
    ClearPresetInfoPtrVec(presets);
}

void SPresetGroupDesc::SetGroupName(const FM::KCStPath& folder) {
    path = folder;
    name = folder.GetLeaf();
}

SPresetGroupDesc& SPresetGroupDesc::AddSubGroup(SPresetGroupDesc&& group) {
    subGroups.push_back(std::move(group));
    return subGroups.back();
}

void SPresetGroupDesc::TakeOver(SPresetGroupDesc& other) {
    if (this == &other) {
        return;
    }
    Clear();
    name = other.name;
    path = other.path;
    presets.swap(other.presets);
    subGroups.swap(other.subGroups);
}

void SPresetGroupDesc::Clear() {
    ClearPresetInfoPtrVec(presets);
    subGroups.clear();
}

void SPresetGroupDesc::FillAllDynamicPresetsVectorRecursive(std::vector<CPresetInfo*>& out) const {
    out.insert(out.end(), presets.begin(), presets.end());
    for (const auto& group : subGroups) {
        group.FillAllDynamicPresetsVectorRecursive(out);
    }
}

void SPresetGroupDesc::FillAllDynamicPresetsVectorRecursiveAndSortByGroup(
    std::vector<CPresetInfo*>& out) const {
    out.insert(out.end(), presets.begin(), presets.end());
    std::vector<const SPresetGroupDesc*> sorted;
    sorted.reserve(subGroups.size());
    for (const auto& group : subGroups) {
        sorted.push_back(&group);
    }
    std::stable_sort(sorted.begin(), sorted.end(), [](const auto* a, const auto* b) {
        return std::string(a->name.c_str()) < std::string(b->name.c_str());
    });
    for (const auto* group : sorted) {
        group->FillAllDynamicPresetsVectorRecursiveAndSortByGroup(out);
    }
}

// ------------------------------------------------------------------ CPresetMenu

CPresetMenu::CPresetMenu(const CPublicAlg& alg, const CPresetInfo* selected, bool modifier)
    : m_alg(alg), m_selected(selected), m_modifier(modifier) {}

void CPresetMenu::CreateMenuItems_PresetInfoVec(KCPresetMenuModel& menu,
                                                const std::vector<CPresetInfo*>& presets,
                                                EMenuItemType source) const {
    for (const CPresetInfo* preset : presets) {
        if (preset->IsSeperator()) {
            menu.AddSeparator();
        } else if (preset->IsDummyTitle()) {
            menu.AddTitle(preset->GetPresetName().c_str());
        } else if (!preset->IsDisabled()) {
            CreatePresetPopupMenuItem(menu, *preset, source);
        }
    }
}

void CPresetMenu::CreateGroupPopupMenu(KCPresetMenuModel& menu,
                                       const SPresetGroupDesc& group) const {
    if (group.Empty()) {
        return;
    }
    menu.BeginSubMenu(group.name.c_str());
    // The files in the order their first preset was listed.
    std::vector<const CPresetsFileInfo*> files;
    for (const CPresetInfo* preset : group.presets) {
        const CPresetsFileInfo& file = preset->GetPresetsFileInfo();
        if (std::none_of(files.begin(), files.end(),
                         [&](const CPresetsFileInfo* seen) { return *seen == file; })) {
            files.push_back(&file);
        }
    }
    for (const CPresetsFileInfo* file : files) {
        static_cast<void>(LoadMenu_IterateOneDynamicFactoryPresetsFile(menu, group, *file));
    }
    for (const auto& sub : group.subGroups) {
        CreateGroupPopupMenu(menu, sub);
    }
    menu.EndSubMenu();
}

unsigned int CPresetMenu::LoadMenu_IterateOneDynamicFactoryPresetsFile(
    KCPresetMenuModel& menu, const SPresetGroupDesc& group, const CPresetsFileInfo& file) const {
    std::vector<CPresetInfo*> fromFile;
    for (CPresetInfo* preset : group.presets) {
        if (preset->GetPresetsFileInfo() == file) {
            fromFile.push_back(preset);
        }
    }
    CreateMenuItems_PresetInfoVec(menu, fromFile, eMenuItemDynamic);
    return static_cast<unsigned int>(fromFile.size());
}

void CPresetMenu::CreatePresetPopupMenuItem(KCPresetMenuModel& menu, const CPresetInfo& preset,
                                            EMenuItemType source) const {
    const bool checked = m_selected != nullptr && m_selected->GetMenuItemType() == source &&
                         m_selected->GetPresetName() == preset.GetPresetName() &&
                         m_selected->GetPresetsFileInfo() == preset.GetPresetsFileInfo();
    // Only presets the user owns can be deleted from the menu.
    const bool deletes = m_modifier && (source == eMenuItemUser || source == eMenuItemUserExternal);
    menu.AddPresetItem(preset, source, deletes ? eMenuCmdDeletePreset : eMenuCmdLoadPreset,
                       checked);
}

unsigned int CPresetMenu::CreateMenuItems_FilterSpecificChunks(KCPresetMenuModel& menu,
                                                               const CPresetInfo& preset,
                                                               EPluginSetup setup) const {
    const sPresetData* data = preset.GetSetupPresetData(setup);
    if (data == nullptr) {
        return 0;
    }
    unsigned int added = 0;
    for (unsigned int i = 0; i < data->pluginSpecific.size(); ++i) {
        const sPluginSpecific* record = data->pluginSpecific[i];
        if (record != nullptr && !record->menuItemString.empty()) {
            menu.AddPluginSpecificItem(preset, setup, i, record->menuItemString.c_str());
            ++added;
        }
    }
    return added;
}

}  // namespace kvKorvaneV10_0_3::Preset
