// The presets manager: the state chunk, its registration as every algorithm's manager, the
// preset files it keeps, the dynamic preset folders, and the load and save menus.
#include "korvane/presets/presets_manager.h"

#include "korvane/algorithm/algorithm.h"
#include "korvane/core/thread_mutex.h"
#include "korvane/fm/path_ref.h"
#include "korvane/presets/dynamic_factory_presets.h"
#include "korvane/presets/preset_alg.h"
#include "korvane/presets/preset_api.h"
#include "korvane/presets/preset_dialogs.h"
#include "korvane/presets/preset_file_handler.h"
#include "korvane/presets/preset_names.h"
#include "korvane/presets/preset_xml.h"
#include "korvane/rm/resource_manager.h"
#include "korvane/xml/xml_element.h"

#include <yaml-cpp/yaml.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <system_error>
#include <thread>
#include <utility>

namespace kvKorvaneV10_0_3::Preset {

namespace {

std::unique_ptr<KCPresetsManagerAbs> MakeManager(cALGORITHM& alg) {
    return std::make_unique<CPresetsManager>(CPublicAlg(alg));
}

// The library gives every algorithm a presets manager without the plug-in asking.
const bool g_installed = [] {
    CPresetsManager::InstallFactory();
    return true;
}();

// The name the chunk carries: the manager's current preset when the algorithm has ours. A
// copy: the manager may be replaced once the lock is given up.
KCFixedString<255> CurrentName(const CPublicAlg& alg) {
    const kvThread::ThreadMutexLock lock(alg.Alg().AlgLock());
    const auto* manager = dynamic_cast<const CPresetsManager*>(alg.Alg().GetPresetsManager());
    return manager != nullptr ? manager->GetCurrentPreset().GetPresetName() : KCFixedString<255>();
}

}  // namespace

CPresetsManager::CPresetsManager(const CPublicAlg& alg) : m_alg(alg) {
    static_cast<void>(g_installed);
}

CPresetsManager::~CPresetsManager() {
    ClearPresetInfoPtrVec(m_factoryPresets);
    ClearPresetInfoPtrVec(m_userPresets);
    ClearPresetInfoPtrVec(m_externalPresets);
}

void CPresetsManager::InstallFactory() {
    SetFactory(&MakeManager);
}

int CPresetsManager::PreparePresetChunk(const CPublicAlg& alg, Utils::KCStMemObj& out,
                                        bool /*flag*/) {
    if (!alg.IsValid()) {
        return eMemNullPointer;
    }
    CPresetInfo preset;
    preset.SetPresetName(CurrentName(alg));
    int err = SavePresetFromAlg(alg, preset);
    if (err != eNoErr) {
        return err;
    }
    std::string text;
    err = CPresetAPI::WritePresetInfo_XML(preset, text);
    if (err != eNoErr) {
        return err;
    }
    return out.Assign(text.data(), static_cast<unsigned int>(text.size()));
}

int CPresetsManager::SetPresetChunk(const CPublicAlg& alg, const Utils::KCStConstMemObj& chunk) {
    if (!alg.IsValid()) {
        return eMemNullPointer;
    }
    CPresetInfo preset;
    const int err = CPresetAPI::SetPresetChunk(alg, preset, chunk);
    if (err != eNoErr) {
        return err;
    }
    {
        const kvThread::ThreadMutexLock lock(alg.Alg().AlgLock());
        if (auto* manager = dynamic_cast<CPresetsManager*>(alg.Alg().GetPresetsManager());
            manager != nullptr) {
            manager->SetCurrentPresetName(preset.GetPresetName());
        }
    }
    const int loaded = LoadPresetToAlg(alg, preset, true);
    if (loaded == eNoErr) {
        const kvThread::ThreadMutexLock lock(alg.Alg().AlgLock());
        if (auto* manager = dynamic_cast<CPresetsManager*>(alg.Alg().GetPresetsManager());
            manager != nullptr) {
            manager->m_loaded = preset;
        }
    }
    return loaded;
}

int CPresetsManager::SavePresetFromPlugin(const CPublicAlg& alg, CPresetInfo& preset,
                                          bool allSetups) {
    const int err = SavePresetFromAlg(alg, preset);
    if (err == eNoErr && !allSetups) {
        // Only the active setup, saved as the current one.
        const EPluginSetup active = alg.Alg().GetActiveSetup();
        sPresetData kept(*preset.GetSetupPresetData(active));
        kept.SetSetup(eActiveSetup);
        preset.ClearPresetData();
        preset.GetOrAddSetupPresetData(eActiveSetup) = kept;
    }
    if (err == eNoErr) {
        SetCurrentPresetName(preset.GetPresetName());
    }
    return err;
}

int CPresetsManager::LoadPresetToPlugin(const CPublicAlg& alg, CPresetInfo& preset, bool update) {
    const int err = LoadPresetToAlg(alg, preset, update);
    if (err == eNoErr) {
        SetCurrentPresetName(preset.GetPresetName());
        KeepLoaded(preset);
    }
    return err;
}

void CPresetsManager::KeepLoaded(const CPresetInfo& preset) {
    if (!m_alg.IsValid()) {
        m_loaded = preset;
        return;
    }
    // The algorithm copies setups under its lock and tells us from there.
    const kvThread::ThreadMutexLock lock(m_alg.Alg().AlgLock());
    m_loaded = preset;
}

int CPresetsManager::LoadPresetFromCurrentPresetSection(const CPublicAlg& alg, bool update) {
    CPresetInfo preset;
    {
        if (!m_alg.IsValid()) {
            return eMemNullPointer;
        }
        const kvThread::ThreadMutexLock lock(m_alg.Alg().AlgLock());
        preset = m_loaded;
    }
    if (preset.GetPresetData().empty()) {
        return ePresetInfoNotFound;
    }
    return LoadPresetToPlugin(alg, preset, update);
}

int CPresetsManager::UpdatePluginSetup(CPresetInfo& preset) {
    if (!m_alg.IsValid()) {
        return eMemNullPointer;
    }
    CPresetInfo captured;
    const int err = SavePresetFromAlg(m_alg, captured);
    if (err != eNoErr) {
        return err;
    }
    const EPluginSetup active = m_alg.Alg().GetActiveSetup();
    const sPresetData* source = captured.GetSetupPresetData(active);
    if (source == nullptr) {
        return ePresetFileProblem;
    }
    // A preset of the active setup only keeps that form.
    const EPluginSetup target = preset.GetSetupPresetData(active) == nullptr &&
                                        preset.GetSetupPresetData(eActiveSetup) != nullptr
                                    ? eActiveSetup
                                    : active;
    sPresetData& record = preset.GetOrAddSetupPresetData(target);
    // The plug-in's own records of that setup stay with the preset.
    std::vector<sPluginSpecific*> own;
    own.swap(record.pluginSpecific);
    record = *source;
    record.SetSetup(target);
    for (sPluginSpecific* item : record.pluginSpecific) {
        delete item;
    }
    record.pluginSpecific.swap(own);
    return eNoErr;
}

void CPresetsManager::CopySetup(int from, int to) {
    if (!m_alg.IsValid()) {
        return;
    }
    cALGORITHM& alg = m_alg.Alg();
    const kvThread::ThreadMutexLock lock(alg.AlgLock());
    const EPluginSetup source = alg.GetAbsoluteSetup(static_cast<EPluginSetup>(from));
    const EPluginSetup target = alg.GetAbsoluteSetup(static_cast<EPluginSetup>(to));
    const sPresetData* record = m_loaded.GetSetupPresetData(source);
    if (source == target || record == nullptr) {
        return;
    }
    const sPresetData copy(*record);
    sPresetData& replaced = m_loaded.GetOrAddSetupPresetData(target);
    replaced = copy;
    replaced.SetSetup(target);
}

void CPresetsManager::CopySetupData(EPluginSetup from, EPluginSetup to) {
    CopySetup(from, to);
}

int CPresetsManager::GetCurrentSetupPresetChunk(const CPublicAlg& alg, Utils::KCStMemObj& out,
                                                bool /*flag*/) {
    if (!alg.IsValid()) {
        return eMemNullPointer;
    }
    CPresetInfo preset;
    preset.SetPresetName(CurrentName(alg));
    int err = SavePresetFromAlg(alg, preset);
    if (err != eNoErr) {
        return err;
    }
    const sPresetData* active = preset.GetSetupPresetData(alg.Alg().GetActiveSetup());
    if (active == nullptr) {
        return ePresetFileProblem;
    }
    sPresetData kept(*active);
    kept.SetSetup(eActiveSetup);
    preset.ClearPresetData();
    preset.GetOrAddSetupPresetData(eActiveSetup) = kept;
    // Without a setup name to restore, the receiver keeps its own active setup.
    preset.SetActiveSetup("");
    std::string text;
    err = CPresetAPI::WritePresetInfo_XML(preset, text);
    if (err != eNoErr) {
        return err;
    }
    return out.Assign(text.data(), static_cast<unsigned int>(text.size()));
}

void CPresetsManager::SetCurrentPresetName(const KCFixedStringBase& name) {
    if (!m_alg.IsValid()) {
        m_current.SetPresetName(name);
        return;
    }
    cALGORITHM& alg = m_alg.Alg();
    alg.LockAlg();
    m_current.SetPresetName(name);
    alg.UnLockAlg();
}

int CPresetsManager::PrepareChunk(cALGORITHM& alg, Utils::KCStMemObj& out, bool flag) {
    return PreparePresetChunk(CPublicAlg(alg), out, flag);
}

int CPresetsManager::ApplyChunk(cALGORITHM& alg, const Utils::KCStConstMemObj& chunk) {
    return SetPresetChunk(CPublicAlg(alg), chunk);
}

}  // namespace kvKorvaneV10_0_3::Preset

// ====================================================================== preset files

namespace kvKorvaneV10_0_3::Preset {

namespace {

namespace fs = std::filesystem;

constexpr const char* kSettingsFolderName = "Plug-In Settings";
constexpr const char* kClipboardFileName = "Preset-Clipboard.yps";
constexpr const char* kDefaultPresetName = "My Default Preset";

// Creates `folder` when missing (a link there resolved first) and checks that a file can be
// made in it: permission bits alone do not tell (a read-only mount, root's own bits).
bool UsableFolder(const std::string& folder, std::string& resolved) {
    std::error_code ec;
    fs::path path(folder);
    if (fs::is_symlink(path, ec)) {
        path = fs::canonical(path, ec);
        if (ec) {
            return false;
        }
    }
    fs::create_directories(path, ec);
    if (ec || !fs::is_directory(path, ec)) {
        return false;
    }
    // The clock, the thread and a counter keep probes of concurrent callers apart without a
    // random source, which may throw.
    static std::atomic<unsigned> probeCount{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    const std::size_t thread = std::hash<std::thread::id>{}(std::this_thread::get_id());
    const fs::path probe =
        path / (".korvane-probe-" + std::to_string(stamp) + "-" + std::to_string(thread) + "-" +
                std::to_string(probeCount.fetch_add(1)));
    {
        std::ofstream out(probe, std::ios::binary);
        if (!out.is_open()) {
            return false;
        }
    }
    fs::remove(probe, ec);
    resolved = path.string();
    return true;
}

bool IsSelectable(const CPresetInfo* preset) {
    return !preset->IsSeperator() && !preset->IsDummyTitle() && !preset->IsDisabled();
}

CPresetsFileInfo FileInfoFor(const CPublicAlg& alg, const FM::KCStPath& path) {
    CPresetsFileInfo file(path, ePresetsFormatNone, true);
    file.SetFormat(CPresetAPI::GetPresetFileFormat(alg, file));
    return file;
}

// Re-reads `out` from `file`: a missing file is an empty list, a file that cannot be read
// leaves the list as it was.
int ReadList(const CPublicAlg& alg, CPresetsFileInfo& file, std::vector<CPresetInfo*>& out,
             EMenuItemType type) {
    if (!file.IsValid() || !file.IsExist()) {
        ClearPresetInfoPtrVec(out);
        return eNoErr;
    }
    std::vector<CPresetInfo*> read;
    const int err = CPresetAPI::GetPresetList(alg, file, read);
    if (err != eNoErr) {
        ClearPresetInfoPtrVec(read);
        return err;
    }
    for (CPresetInfo* preset : read) {
        preset->SetMenuItemType(type);
    }
    CPresetAPI::DisableDuplicatePresets(read);
    ClearPresetInfoPtrVec(out);
    out.swap(read);
    return eNoErr;
}

const CPresetInfo* FindByName(const std::vector<CPresetInfo*>& presets, const char* name) {
    const auto it = std::find_if(presets.begin(), presets.end(), [name](const CPresetInfo* p) {
        return IsSelectable(p) && p->GetPresetName() == name;
    });
    return it == presets.end() ? nullptr : *it;
}

bool HasExtension(const std::string& leaf) {
    const auto dot = leaf.rfind('.');
    return dot != std::string::npos && dot != 0;
}

// The plug-in's name as the settings files carry it.
std::string PluginName(const CPublicAlg& alg) {
    return alg.IsValid() ? std::string(alg.Alg().GetAlgName().c_str()) : std::string();
}

}  // namespace

void CPresetsManager::SetCurrentPreset(const CPresetInfo& preset) {
    CPresetInfo header(preset);
    header.ClearPresetData();
    if (!m_alg.IsValid()) {
        m_current = header;
        return;
    }
    const kvThread::ThreadMutexLock lock(m_alg.Alg().AlgLock());
    m_current = header;
}

int CPresetsManager::CreatePathToPluginSettingsFolder(FM::KCStPath& out) const {
    m_userSettingsFolder = false;
    std::string resolved;
    const FM::KCStPath shared(FM::eLocalDomain, FM::eKorvaneSharedUserDataFolder);
    if (shared.IsValid() &&
        UsableFolder(std::string(shared.GetPathString().c_str()) + "/" + kSettingsFolderName,
                     resolved)) {
        out = FM::KCStPath(resolved.c_str());
        return out.IsValid() ? eNoErr : out.GetError();
    }
    // A normal user often cannot write the shared folder: a save must still find a home.
    const FM::KCStPath user(FM::eUserLocalDomain, FM::eKorvaneAppDataFolder);
    if (!user.IsValid()) {
        return user.GetError() != eNoErr ? user.GetError() : eFMNoSuchSystemFolder;
    }
    if (!UsableFolder(std::string(user.GetPathString().c_str()) + "/" + kSettingsFolderName,
                      resolved)) {
        return eFMPermissionErr;
    }
    m_userSettingsFolder = true;
    out = FM::KCStPath(resolved.c_str());
    return out.IsValid() ? eNoErr : out.GetError();
}

bool CPresetsManager::IsPresetFileInResource() const {
    if (!m_alg.IsValid()) {
        return false;
    }
    KTResContainerType* container = m_alg.Alg().GetResContainer();
    return container != nullptr &&
           RM::DoesResourceExist(container, RM::KCResType("Presets"), kPresetsResourceID);
}

namespace {

int SettingsFile(const CPresetsManager& manager, const std::string& leaf, FM::KCStPath& out) {
    FM::KCStPath folder;
    const int err = manager.CreatePathToPluginSettingsFolder(folder);
    if (err != eNoErr) {
        return err;
    }
    out = FM::KCStPath(folder, leaf.c_str());
    return out.IsValid() ? eNoErr : out.GetError();
}

}  // namespace

int CPresetsManager::CreatePathToFactoryPresetFile(FM::KCStPath& out) const {
    if (IsPresetFileInResource()) {
        return RM::GetContainerPath(m_alg.Alg().GetResContainer(), out);
    }
    return SettingsFile(*this, PluginName(m_alg) + " Factory Settings.xps", out);
}

bool CPresetsManager::IsFactoryPresetFile(const FM::KCStPath& path) const {
    FM::KCStPath factory;
    if (CreatePathToFactoryPresetFile(factory) != eNoErr) {
        return false;
    }
    if (factory == path) {
        return true;
    }
    std::error_code ec;
    const bool same = fs::equivalent(fs::path(factory.GetPathString().c_str()),
                                     fs::path(path.GetPathString().c_str()), ec);
    return !ec && same;
}

int CPresetsManager::CreatePathToUserMenuPresetFile(FM::KCStPath& out) const {
    return SettingsFile(*this, PluginName(m_alg) + " Settings.xps", out);
}

int CPresetsManager::CreatePathToDefaultPresetFile(FM::KCStPath& out) const {
    return SettingsFile(*this, PluginName(m_alg) + " Default Preset.xps", out);
}

int CPresetsManager::CreatePathToClipboardPresetFile(FM::KCStPath& out) const {
    return SettingsFile(*this, kClipboardFileName, out);
}

KCFixedString<255> CPresetsManager::InitializePresetFileTemplate() const {
    KCFixedString<255> name(PluginName(m_alg).c_str());
    name << " setups.xps";
    return name;
}

int CPresetsManager::OpenOrCreateUserMenuSettingsFile(const FM::KCStPath& path) {
    if (!path.IsValid()) {
        return path.GetError() != eNoErr ? path.GetError() : eFMIllegalPathRef;
    }
    return path.IsExist() ? eNoErr : CPresetAPI::CreatePresetFile(path);
}

// ---------------------------------------------------------------------- lists

int CPresetsManager::ReadFactoryPresets(const CPublicAlg& alg) {
    FM::KCStPath path;
    const int err = CreatePathToFactoryPresetFile(path);
    if (err != eNoErr) {
        return err;
    }
    m_factoryFile = FileInfoFor(alg, path);
    return ReadList(alg, m_factoryFile, m_factoryPresets, eMenuItemFactory);
}

int CPresetsManager::ReadUserMenuPresets(const CPublicAlg& alg) {
    FM::KCStPath path;
    const int err = CreatePathToUserMenuPresetFile(path);
    if (err != eNoErr) {
        return err;
    }
    m_userFile = FileInfoFor(alg, path);
    return ReadList(alg, m_userFile, m_userPresets, eMenuItemUser);
}

unsigned int CPresetsManager::GetNumFactoryPresets() const {
    return static_cast<unsigned int>(
        std::count_if(m_factoryPresets.begin(), m_factoryPresets.end(), IsSelectable));
}

int CPresetsManager::GetFactoryPreset(const CPublicAlg& alg, CPresetInfo** out,
                                      unsigned int index) {
    if (m_factoryPresets.empty()) {
        ReadFactoryPresets(alg);
    }
    if (GetNumFactoryPresets() == 0) {
        return eNoFactoryPresets;
    }
    unsigned int seen = 0;
    for (CPresetInfo* preset : m_factoryPresets) {
        if (IsSelectable(preset) && seen++ == index) {
            *out = preset;
            return eNoErr;
        }
    }
    return eFactoryPresetNumOutOfRange;
}

int CPresetsManager::GetFactoryPresetName(unsigned int index, KCFixedStringBase& name) const {
    if (GetNumFactoryPresets() == 0) {
        return eNoFactoryPresets;
    }
    unsigned int seen = 0;
    for (const CPresetInfo* preset : m_factoryPresets) {
        if (IsSelectable(preset) && seen++ == index) {
            name = preset->GetPresetName();
            return eNoErr;
        }
    }
    return eFactoryPresetNumOutOfRange;
}

int CPresetsManager::ReadFactoryPresetFromFile(const CPublicAlg& alg, const char* name, bool load,
                                               bool update) {
    if (m_factoryPresets.empty()) {
        ReadFactoryPresets(alg);
    }
    const CPresetInfo* found = FindByName(m_factoryPresets, name);
    if (found == nullptr) {
        return eFactoryPresetNotFound;
    }
    CPresetInfo preset(*found);
    int err = CPresetAPI::ReadPresetInfo(alg, preset);
    if (err == eNoErr && load) {
        err = LoadPresetToPlugin(alg, preset, update);
    }
    if (err == eNoErr) {
        SetCurrentPreset(preset);
    }
    return err;
}

int CPresetsManager::LoadFactoryPresetToPluginByIndex(const CPublicAlg& alg, unsigned int index) {
    CPresetInfo* preset = nullptr;
    const int err = GetFactoryPreset(alg, &preset, index);
    return err != eNoErr ? err : LoadMenu_LoadPreset(alg, *preset);
}

int CPresetsManager::LoadFactoryPresetToPluginByName(const CPublicAlg& alg, const char* name,
                                                     bool update) {
    return ReadFactoryPresetFromFile(alg, name, true, update);
}

int CPresetsManager::LoadUserMenuPresetToPluginByName(const CPublicAlg& alg, const char* name,
                                                      bool /*update*/) {
    const int err = ReadUserMenuPresets(alg);
    if (err != eNoErr) {
        return err;
    }
    const CPresetInfo* preset = FindByName(m_userPresets, name);
    return preset == nullptr ? ePresetInfoNotFound : LoadMenu_LoadPreset(alg, *preset);
}

int CPresetsManager::LoadUserExternalPresetToPluginByName(const CPublicAlg& alg, const char* name,
                                                          bool /*update*/) {
    const CPresetInfo* preset = FindByName(m_externalPresets, name);
    return preset == nullptr ? ePresetInfoNotFound : LoadMenu_LoadPreset(alg, *preset);
}

// ---------------------------------------------------------------------- dynamic presets

void CPresetsManager::SetDynamicFactoryPresetsDirectories(std::vector<FM::KCStPath> folders) {
    m_dynamicFolders = std::move(folders);
}

void CPresetsManager::GetPluginDynamicFactoryPresetsDirectories(
    const CPublicAlg& /*alg*/, std::vector<FM::KCStPath>& out) const {
    out = m_dynamicFolders;
}

int CPresetsManager::AddPresetFile(const CPublicAlg& alg, EFolderParseType parse,
                                   const FM::KCStPath& file, SPresetGroupDesc& group) {
    CPresetsFileInfo info(file, ePresetsFormatXPS, true);
    std::vector<CPresetInfo*> presets;
    const int err = CPresetAPI::GetPresetList(alg, info, presets, kNoGenericType, parse);
    if (err != eNoErr) {
        ClearPresetInfoPtrVec(presets);
        return err;
    }
    for (CPresetInfo* preset : presets) {
        preset->SetMenuItemType(eMenuItemDynamic);
    }
    group.presets.insert(group.presets.end(), presets.begin(), presets.end());
    return eNoErr;
}

int CPresetsManager::IterateFolderForXPSFiles(const CPublicAlg& alg, EFolderParseType parse,
                                              const FM::KCStPath& folder, SPresetGroupDesc& group) {
    return KCDynamicFactoryPresetsJustInTime::IterateFolder(alg, parse, folder, group);
}

int CPresetsManager::ParseFolderContents(const CPublicAlg& alg, EFolderParseType parse,
                                         const FM::KCStPath& folder, SPresetGroupDesc& root) {
    SPresetGroupDesc group;
    const int err = IterateFolderForXPSFiles(alg, parse, folder, group);
    if (err != eNoErr) {
        return err;
    }
    if (!group.Empty()) {
        try {
            root.AddSubGroup(std::move(group));
        } catch (const std::bad_alloc&) {
            return eMemNewFailed;
        }
    }
    return eNoErr;
}

bool CPresetsManager::GetGroupPathRecursively(const SPresetGroupDesc& root,
                                              const CPresetInfo* preset, std::string& path) {
    if (std::find(root.presets.begin(), root.presets.end(), preset) != root.presets.end()) {
        path.clear();
        return true;
    }
    for (const auto& sub : root.subGroups) {
        std::string below;
        if (GetGroupPathRecursively(sub, preset, below)) {
            path = below.empty() ? std::string(sub.name.c_str())
                                 : std::string(sub.name.c_str()) + "/" + below;
            return true;
        }
    }
    return false;
}

int CPresetsManager::ScanForDynamicFactoryPresets(const CPublicAlg& alg) {
    std::vector<FM::KCStPath> folders;
    GetPluginDynamicFactoryPresetsDirectories(alg, folders);
    return m_dynamic.Scan(alg, folders);
}

// ---------------------------------------------------------------------- names

bool CPresetsManager::IsPresetNameUnique(const KCFixedStringBase& name,
                                         const std::vector<CPresetInfo*>& presets) {
    return std::none_of(presets.begin(), presets.end(), [&](const CPresetInfo* p) {
        return !p->IsSeperator() && !p->IsDummyTitle() && p->GetPresetName() == name;
    });
}

int CPresetsManager::CreateNextUniqueName(const KCFixedStringBase& base,
                                          const std::vector<CPresetInfo*>& presets,
                                          KCFixedStringBase& out) {
    const bool found = MakeNextUniqueName(
        base.c_str(),
        [&](const KCFixedStringBase& name) { return !IsPresetNameUnique(name, presets); }, out);
    return found ? eNoErr : ePresetFileProblem;
}

// ---------------------------------------------------------------------- menus

void CPresetsManager::Alert(const CPublicAlg& alg, const char* message) const {
    const KSPresetMenuHooks hooks = GetPresetMenuHooks();
    if (hooks.alert) {
        hooks.alert(alg, message);
    }
}

int CPresetsManager::LoadPresetMenu(const CPublicAlg& alg, const KCPoint2D<short>& where,
                                    bool modifier) {
    KCPresetMenuModel menu;
    const int err = LoadMenu_PrepareMenu(alg, menu, modifier);
    if (err != eNoErr) {
        return err;
    }
    const KSPresetMenuHooks hooks = GetPresetMenuHooks();
    const KSPresetMenuItem* item = hooks.popup ? menu.Find(hooks.popup(alg, menu, where)) : nullptr;
    return item == nullptr ? eUserCanceled : LoadMenu_ExecuteSelectedPopupMenuItem(alg, *item);
}

int CPresetsManager::SavePresetMenu(const CPublicAlg& alg, const KCPoint2D<short>& where,
                                    bool /*modifier*/) {
    KCPresetMenuModel menu;
    const int err = SaveMenu_PrepareMenu(alg, menu);
    if (err != eNoErr) {
        return err;
    }
    const KSPresetMenuHooks hooks = GetPresetMenuHooks();
    const KSPresetMenuItem* item = hooks.popup ? menu.Find(hooks.popup(alg, menu, where)) : nullptr;
    return item == nullptr ? eUserCanceled : SaveMenu_ExecuteSelectedPopupMenuItem(alg, *item);
}

int CPresetsManager::LoadMenu_PrepareMenu(const CPublicAlg& alg, KCPresetMenuModel& menu,
                                          bool modifier) {
    const KSPresetMenuHooks hooks = GetPresetMenuHooks();
    if (hooks.messageLine) {
        hooks.messageLine(alg, "Populating Menu...");
    }
    // A file that cannot be read keeps its last list: the menu still opens.
    ReadFactoryPresets(alg);
    ReadUserMenuPresets(alg);
    LoadMenu_IterateDynamicFactoryPresetsFiles(alg);
    if (m_externalFile.IsValid()) {
        UserExternalPresetFile_LoadPresets(alg);
    }
    menu.Clear();
    const CPresetMenu items(alg, &m_current, modifier);
    MakeMenu_OpenPresetFile(alg, menu);
    MakeMenu_PastePreset(alg, menu);
    MakeMenu_UserExternalPresetFile(alg, items, menu);
    MakeMenu_FactoryPresets(alg, items, menu);
    MakeMenu_DynamicPresets(alg, items, menu);
    MakeMenu_UserMenuPresetFile(alg, items, menu);
    MakeMenu_PluginSpecificChunks(alg, items, menu);
    if (hooks.messageLine) {
        hooks.messageLine(alg, "");
    }
    return eNoErr;
}

void CPresetsManager::MakeMenu_OpenPresetFile(const CPublicAlg& /*alg*/, KCPresetMenuModel& menu) {
    menu.AddCommand("Open Preset File...", eMenuCmdOpenFile);
    if (m_externalFile.IsValid()) {
        const KCFixedString<255> leaf = m_externalFile.GetLeaf();
        const std::string text =
            std::string("Close ") + (leaf.empty() ? "Unknown File" : leaf.c_str());
        menu.AddCommand(text.c_str(), eMenuCmdCloseFile);
    }
}

void CPresetsManager::MakeMenu_PastePreset(const CPublicAlg& /*alg*/, KCPresetMenuModel& menu) {
    FM::KCStPath clipboard;
    const bool has = CreatePathToClipboardPresetFile(clipboard) == eNoErr && clipboard.IsExist();
    menu.AddCommand("Paste Preset", eMenuCmdPaste, has);
}

void CPresetsManager::MakeMenu_UserExternalPresetFile(const CPublicAlg& /*alg*/,
                                                      const CPresetMenu& items,
                                                      KCPresetMenuModel& menu) {
    if (!m_externalFile.IsValid()) {
        return;
    }
    menu.AddSeparator();
    if (std::none_of(m_externalPresets.begin(), m_externalPresets.end(), IsSelectable)) {
        menu.AddTitle("No relevant setups in file");
        return;
    }
    items.CreateMenuItems_PresetInfoVec(menu, m_externalPresets, eMenuItemUserExternal);
}

void CPresetsManager::MakeMenu_FactoryPresets(const CPublicAlg& /*alg*/, const CPresetMenu& items,
                                              KCPresetMenuModel& menu) {
    if (m_factoryPresets.empty()) {
        return;
    }
    menu.AddSeparator();
    menu.AddTitle("Factory Presets:");
    items.CreateMenuItems_PresetInfoVec(menu, m_factoryPresets, eMenuItemFactory);
}

void CPresetsManager::MakeMenu_DynamicPresets(const CPublicAlg& /*alg*/, const CPresetMenu& items,
                                              KCPresetMenuModel& menu) {
    if (m_dynamic.Tree().subGroups.empty()) {
        return;
    }
    menu.AddSeparator();
    for (const SPresetGroupDesc& group : m_dynamic.Tree().subGroups) {
        items.CreateGroupPopupMenu(menu, group);
    }
}

void CPresetsManager::MakeMenu_UserMenuPresetFile(const CPublicAlg& /*alg*/,
                                                  const CPresetMenu& items,
                                                  KCPresetMenuModel& menu) {
    if (m_userPresets.empty()) {
        return;
    }
    menu.AddSeparator();
    menu.AddTitle("User Presets:");
    items.CreateMenuItems_PresetInfoVec(menu, m_userPresets, eMenuItemUser);
}

namespace {

// The setup whose records a load applies to the active setup: the active one, or the
// "CURRENT" record of a preset saved with the active setup only.
EPluginSetup LoadedSetup(const CPublicAlg& alg, const CPresetInfo& preset) {
    const EPluginSetup active = alg.IsValid() ? alg.Alg().GetActiveSetup() : eSetupA;
    return preset.GetSetupPresetData(active) != nullptr ? active : eActiveSetup;
}

}  // namespace

void CPresetsManager::MakeMenu_PluginSpecificChunks(const CPublicAlg& alg, const CPresetMenu& items,
                                                    KCPresetMenuModel& menu) {
    KCPresetMenuModel parts;
    if (items.CreateMenuItems_FilterSpecificChunks(parts, m_loaded, LoadedSetup(alg, m_loaded)) ==
        0) {
        return;
    }
    menu.AddSeparator();
    const std::string title = std::string("Parts of \"") + m_loaded.GetPresetName().c_str() + "\":";
    menu.AddTitle(title.c_str());
    items.CreateMenuItems_FilterSpecificChunks(menu, m_loaded, LoadedSetup(alg, m_loaded));
}

int CPresetsManager::LoadMenu_LoadPluginSpecificPreset(const CPublicAlg& alg,
                                                       const CPresetInfo& preset,
                                                       EPluginSetup setup, unsigned int index) {
    const sPluginSpecific* record = preset.FindPluginSpecific_Index(setup, index);
    if (record == nullptr) {
        return ePluginSpecifcNotExisting;
    }
    // `preset` may be the current preset section, which a load replaces: copy what is used.
    sPresetData part(*preset.GetSetupPresetData(setup));
    for (sPluginSpecific* other : part.pluginSpecific) {
        delete other;
    }
    part.pluginSpecific.clear();
    std::unique_ptr<sPluginSpecific> chosen = record->Clone();
    const bool withParams = chosen->HasFlag(ePluginSpecificLoadWithParams);
    part.pluginSpecific.push_back(chosen.release());
    part.SetSetup(eActiveSetup);
    part.SetLoadParams(withParams);
    if (!withParams) {
        // Nothing of the setup but the record: its name stays too.
        part.setupName.clear();
    }
    CPresetInfo single(preset);
    single.ClearPresetData();
    single.GetOrAddSetupPresetData(eActiveSetup) = part;
    single.SetActiveSetup("");
    return LoadPresetToAlg(alg, single, true);
}

int CPresetsManager::LoadMenu_ExecuteSelectedPopupMenuItem(const CPublicAlg& alg,
                                                           const KSPresetMenuItem& item) {
    switch (item.command) {
        case eMenuCmdOpenFile:
            return LoadMenu_OpenUserExternalPresetsFile(alg);
        case eMenuCmdCloseFile:
            UserExternalPresetFile_Close(alg);
            return eNoErr;
        case eMenuCmdPaste:
            return LoadMenu_PastePreset(alg);
        case eMenuCmdLoadPreset:
            return item.preset == nullptr ? ePresetInfoNotFound
                                          : LoadMenu_LoadPreset(alg, *item.preset);
        case eMenuCmdDeletePreset:
            return item.preset == nullptr ? ePresetInfoNotFound
                                          : LoadMenu_DeletePreset(alg, *item.preset);
        case eMenuCmdLoadPluginSpecific:
            return item.preset == nullptr
                       ? ePresetInfoNotFound
                       : LoadMenu_LoadPluginSpecificPreset(alg, *item.preset, item.chunkSetup,
                                                           item.chunkIndex);
        default:
            return eFMWrongParameters;
    }
}

int CPresetsManager::LoadMenu_LoadPreset(const CPublicAlg& alg, const CPresetInfo& chosen) {
    CPresetInfo preset;
    int err = eNoErr;
    if (chosen.GetMenuItemType() == eMenuItemDynamic) {
        err = KCDynamicFactoryPresetsJustInTime::ReadPreset(alg, chosen, preset);
    } else {
        preset = chosen;
        err = CPresetAPI::ReadPresetInfo(alg, preset);
    }
    if (err == eNoErr) {
        err = LoadPresetToPlugin(alg, preset, true);
    }
    if (err == eNoErr) {
        SetCurrentPreset(preset);
    }
    return err;
}

int CPresetsManager::LoadMenu_DeletePreset(const CPublicAlg& alg, const CPresetInfo& chosen) {
    // A copy: re-reading the lists below frees the entry `chosen` may be.
    CPresetInfo preset(chosen);
    const std::string question =
        std::string("Are you sure you want to delete \"") + preset.GetPresetName().c_str() + "\"?";
    const KSPresetMenuHooks hooks = GetPresetMenuHooks();
    if (!hooks.confirm ||
        !hooks.confirm(alg, "Delete Preset", question.c_str(), "Delete", "Cancel")) {
        return eUserCanceled;
    }
    const int err = CPresetAPI::RemovePresetInfo(alg, preset);
    if (err != eNoErr) {
        return err;
    }
    if (preset.GetPresetsFileInfo() == m_externalFile) {
        UserExternalPresetFile_LoadPresets(alg);
    } else {
        ReadUserMenuPresets(alg);
    }
    return eNoErr;
}

int CPresetsManager::LoadMenu_PastePreset(const CPublicAlg& alg) {
    FM::KCStPath path;
    int err = CreatePathToClipboardPresetFile(path);
    if (err != eNoErr) {
        return err;
    }
    std::string chunk;
    err = CPresetAPI::GetDataChunkFromYAMLPresetFile(alg, path, chunk);
    if (err != eNoErr) {
        return err;
    }
    CPresetInfo preset;
    err = CPresetAPI::SetPresetChunk(
        alg, preset, Utils::KCStConstMemObj(chunk.data(), static_cast<unsigned int>(chunk.size())));
    if (err != eNoErr) {
        return err;
    }
    // Another plug-in's state would set unrelated parameters: refuse it whole.
    try {
        XML::CXMLElement element("Preset", "");
        WriteToXML_CPresetInfo(preset, element);
        if (!CPresetAPI::IsCompatible(alg, element)) {
            return eComponentTypeNotSupported;
        }
    } catch (const std::bad_alloc&) {
        return eMemNewFailed;
    }
    preset.SetMenuItemType(eMenuItemClipboard);
    err = LoadPresetToPlugin(alg, preset, true);
    if (err == eNoErr) {
        SetCurrentPreset(preset);
    }
    return err;
}

int CPresetsManager::LoadMenu_OpenUserExternalPresetsFile(const CPublicAlg& alg) {
    FM::KCStPath path;
    if (!CPresetAPI::GetPresetsFile(alg, path)) {
        return eUserCanceled;
    }
    return UserExternalPresetFile_Open(alg, path);
}

// ---------------------------------------------------------------------- save menu

int CPresetsManager::SaveMenu_PrepareMenu(const CPublicAlg& alg, KCPresetMenuModel& menu) {
    menu.Clear();
    menu.AddCommand("Save To New File...", eMenuCmdSaveToNewFile);
    menu.AddCommand("Copy Preset", eMenuCmdCopyPreset);
    menu.AddCommand("Put Into Preset Menu As...", eMenuCmdPutIntoMenu);
    menu.AddSeparator();
    MakeMenu_DefaultSavePopupItem(alg, menu);
    MakeMenu_SaveToFileAsPopupItem(alg, menu);
    return eNoErr;
}

void CPresetsManager::MakeMenu_DefaultSavePopupItem(const CPublicAlg& /*alg*/,
                                                    KCPresetMenuModel& menu) {
    if (m_current.GetPresetName().empty()) {
        menu.AddCommand("No Selected Preset", eMenuCmdNone, false);
        return;
    }
    const char* prefix = "Save - ";
    if (m_current.GetMenuItemType() == eMenuItemFactory) {
        prefix = "Save Factory Preset - ";
    } else if (m_current.GetMenuItemType() == eMenuItemUser) {
        prefix = "Save User Preset - ";
    }
    const std::string text = std::string(prefix) + "\"" + m_current.GetPresetName().c_str() + "\"";
    menu.AddCommand(text.c_str(), eMenuCmdSaveSelected);
}

void CPresetsManager::MakeMenu_SaveToFileAsPopupItem(const CPublicAlg& /*alg*/,
                                                     KCPresetMenuModel& menu) {
    if (!m_externalFile.IsValid()) {
        menu.AddCommand("No Open File", eMenuCmdNone, false);
        return;
    }
    const std::string leaf = m_externalFile.GetLeaf().c_str();
    const EPresetsFormat format = m_externalFile.GetFormat();
    if (format == ePresetsFormatLegacy1 || format == ePresetsFormatLegacy2) {
        menu.AddCommand(("Convert \"" + leaf + "\" to .xps format").c_str(),
                        eMenuCmdConvertOpenFile);
        return;
    }
    menu.AddCommand(("Save To " + leaf + " As...").c_str(), eMenuCmdSaveToOpenFile,
                    format == ePresetsFormatXPS);
}

int CPresetsManager::SaveMenu_ExecuteSelectedPopupMenuItem(const CPublicAlg& alg,
                                                           const KSPresetMenuItem& item) {
    switch (item.command) {
        case eMenuCmdSaveToNewFile:
            return SaveMenu_SaveToNewFile(alg);
        case eMenuCmdCopyPreset:
            return SaveMenu_CopyPreset(alg);
        case eMenuCmdPutIntoMenu:
            return SaveMenu_SaveAsUserMenuPreset(alg);
        case eMenuCmdSaveSelected:
            return SaveMenu_SaveActiveSetup(alg);
        case eMenuCmdSaveToOpenFile:
            return SaveMenu_SaveToFileAs(alg);
        case eMenuCmdConvertOpenFile: {
            const int err = CPresetAPI::ConvertFileToCurrFormat(alg, &m_externalFile);
            return err != eNoErr ? err : SetUserExternalPresetsFile(alg, m_externalFile);
        }
        default:
            return eFMWrongParameters;
    }
}

int CPresetsManager::CaptureAs(const CPublicAlg& alg, const char* name, const FM::KCStPath& file,
                               CPresetInfo& out) {
    out.SetPresetName(name);
    int err = SavePresetFromPlugin(alg, out, true);
    if (err != eNoErr) {
        return err;
    }
    out.SetPresetsFileInfo(CPresetsFileInfo(file, ePresetsFormatXPS, true));
    return eNoErr;
}

int CPresetsManager::SaveCaptured(const CPublicAlg& alg, CPresetInfo& preset) {
    const FM::KCStPath& path = preset.GetPresetsFileInfo();
    const int err = OpenOrCreateUserMenuSettingsFile(path);
    if (err != eNoErr) {
        return err;
    }
    preset.SetPresetsFileInfo(FileInfoFor(alg, path));
    return CPresetAPI::WritePresetInfo(alg, preset);
}

void CPresetsManager::SaveMenu_PreparePresetUniqueName(const CPublicAlg& /*alg*/,
                                                       const std::vector<CPresetInfo*>& presets,
                                                       KCFixedStringBase& name) {
    if (CreateNextUniqueName(m_current.GetPresetName(), presets, name) != eNoErr) {
        name = kUntitledPresetName;
    }
}

int CPresetsManager::GetSaveDirectoryDefaultPath(const CPublicAlg& /*alg*/, FM::KCStPath& out) {
    return CreatePathToPluginSettingsFolder(out);
}

namespace {

// Asks for a name proposed unique in `presets`; a name in use is refused with the alert text.
int AskNewName(CPresetsManager& manager, const CPublicAlg& alg,
               const std::vector<CPresetInfo*>& presets, KCFixedStringBase& name,
               std::string& refusal) {
    manager.SaveMenu_PreparePresetUniqueName(alg, presets, name);
    const int err = CPresetAPI::GetPresetNameFromUser(alg, name);
    if (err != eNoErr) {
        return err;
    }
    if (!CPresetsManager::IsPresetNameUnique(name, presets)) {
        refusal = std::string("Preset name '") + name.c_str() + "' already exists.";
        return ePresetFileProblem;
    }
    return eNoErr;
}

}  // namespace

int CPresetsManager::SaveUnderNewName(const CPublicAlg& alg, ListReader reread,
                                      const std::vector<CPresetInfo*>& list,
                                      const CPresetsFileInfo& file, EMenuItemType type) {
    int err = (this->*reread)(alg);
    if (err != eNoErr) {
        return err;
    }
    KCFixedString<255> name;
    std::string refusal;
    err = AskNewName(*this, alg, list, name, refusal);
    if (!refusal.empty()) {
        Alert(alg, refusal.c_str());
    }
    if (err != eNoErr) {
        return err;
    }
    CPresetInfo preset;
    err = CaptureAs(alg, name.c_str(), file, preset);
    if (err == eNoErr) {
        preset.SetMenuItemType(type);
        err = SaveCaptured(alg, preset);
    }
    (void)(this->*reread)(alg);
    if (err == eNoErr) {
        SetCurrentPreset(preset);
    }
    return err;
}

int CPresetsManager::SaveMenu_SaveAsUserMenuPreset(const CPublicAlg& alg) {
    return SaveUnderNewName(alg, &CPresetsManager::ReadUserMenuPresets, m_userPresets, m_userFile,
                            eMenuItemUser);
}

int CPresetsManager::SaveMenu_SaveToFileAs(const CPublicAlg& alg) {
    if (!m_externalFile.IsValid()) {
        return ePresetFileProblem;
    }
    // The factory file may be opened to load from, never to write into.
    if (IsFactoryPresetFile(m_externalFile)) {
        return eFMPermissionErr;
    }
    return SaveUnderNewName(alg, &CPresetsManager::UserExternalPresetFile_LoadPresets,
                            m_externalPresets, m_externalFile, eMenuItemUserExternal);
}

int CPresetsManager::SaveMenu_SaveToNewFile(const CPublicAlg& alg) {
    FM::KCStPath folder;
    int err = GetSaveDirectoryDefaultPath(alg, folder);
    if (err != eNoErr) {
        return err;
    }
    CPresetsFileInfo file;
    err = CPresetAPI::CreateNewPresetsFile(alg, file, folder);
    if (err != eNoErr) {
        return err;
    }
    const KCFixedString<255> name(m_current.GetPresetName().empty()
                                      ? kUntitledPresetName
                                      : m_current.GetPresetName().c_str());
    CPresetInfo preset;
    err = CaptureAs(alg, name.c_str(), file, preset);
    if (err == eNoErr) {
        preset.SetMenuItemType(eMenuItemUserExternal);
        err = SaveCaptured(alg, preset);
    }
    if (err != eNoErr) {
        return err;
    }
    err = SetUserExternalPresetsFile(alg, file);
    SetCurrentPreset(preset);
    return err;
}

int CPresetsManager::SaveMenu_SaveActiveSetup(const CPublicAlg& alg) {
    if (m_current.GetPresetName().empty()) {
        return ePresetInfoNotFound;
    }
    const EMenuItemType origin = m_current.GetMenuItemType();
    // Factory, dynamic and other read-only origins are never overwritten: the preset goes to
    // the user menu file under its name.
    const bool ownFile = (origin == eMenuItemUser || origin == eMenuItemUserExternal) &&
                         m_current.GetPresetsFileInfo().GetFormat() == ePresetsFormatXPS &&
                         m_current.GetPresetsFileInfo().IsWritable();
    FM::KCStPath target;
    if (ownFile) {
        target = m_current.GetPresetsFileInfo();
        if (IsFactoryPresetFile(target)) {
            return eFMPermissionErr;
        }
    } else {
        const int err = CreatePathToUserMenuPresetFile(target);
        if (err != eNoErr) {
            return err;
        }
    }
    const KCFixedString<255> name(m_current.GetPresetName());
    CPresetInfo preset;
    int err = CaptureAs(alg, name.c_str(), target, preset);
    if (err == eNoErr) {
        preset.SetMenuItemType(ownFile ? origin : eMenuItemUser);
        err = SaveCaptured(alg, preset);
    }
    if (err == eNoErr) {
        SetCurrentPreset(preset);
    }
    return err;
}

int CPresetsManager::SaveMenu_CopyPreset(const CPublicAlg& alg) {
    FM::KCStPath path;
    int err = CreatePathToClipboardPresetFile(path);
    if (err != eNoErr) {
        return err;
    }
    Utils::KCStMemObj chunk;
    err = PreparePresetChunk(alg, chunk, false);
    if (err != eNoErr) {
        return err;
    }
    std::string text;
    err = CPresetAPI::PrepareYAMLPresetString(
        alg, text,
        std::string(static_cast<const char*>(chunk.ptr), chunk.Empty() ? 0 : chunk.size));
    return err != eNoErr ? err : CPresetAPI::WriteYAMLPresetFile(path, text);
}

// ---------------------------------------------------------------------- user external file

int CPresetsManager::SetUserExternalPresetsFile(const CPublicAlg& alg, const FM::KCStPath& path) {
    if (!path.IsValid()) {
        return path.GetError() != eNoErr ? path.GetError() : eFMIllegalPathRef;
    }
    // `path` may be the external file itself: the new description is made before it is replaced.
    m_externalFile = FileInfoFor(alg, path);
    return UserExternalPresetFile_LoadPresets(alg);
}

int CPresetsManager::UserExternalPresetFile_LoadPresets(const CPublicAlg& alg) {
    if (!m_externalFile.IsValid()) {
        ClearPresetInfoPtrVec(m_externalPresets);
        return eNoErr;
    }
    if (!m_externalFile.IsExist()) {
        return eFMFileNotFound;
    }
    return ReadList(alg, m_externalFile, m_externalPresets, eMenuItemUserExternal);
}

int CPresetsManager::UserExternalPresetFile_Open(const CPublicAlg& alg, const FM::KCStPath& path) {
    const int err = SetUserExternalPresetsFile(alg, path);
    if (err != eNoErr) {
        UserExternalPresetFile_Close(alg);
        return err;
    }
    if (m_openLoadsFirst) {
        const auto first =
            std::find_if(m_externalPresets.begin(), m_externalPresets.end(), IsSelectable);
        if (first != m_externalPresets.end()) {
            return LoadMenu_LoadPreset(alg, **first);
        }
    }
    return eNoErr;
}

void CPresetsManager::UserExternalPresetFile_Close(const CPublicAlg& /*alg*/) {
    m_externalFile = CPresetsFileInfo();
    ClearPresetInfoPtrVec(m_externalPresets);
}

// ---------------------------------------------------------------------- default preset

int CPresetsManager::SaveAsDefaultPreset(const CPublicAlg& alg) {
    FM::KCStPath path;
    int err = CreatePathToDefaultPresetFile(path);
    if (err != eNoErr) {
        return err;
    }
    if (path.IsExist()) {
        CPresetsFileInfo file = FileInfoFor(alg, path);
        std::vector<CPresetInfo*> presets;
        err = CPresetAPI::GetPresetList(alg, file, presets);
        const bool exists = err == eNoErr && FindByName(presets, kDefaultPresetName) != nullptr;
        ClearPresetInfoPtrVec(presets);
        if (err != eNoErr) {
            return err;
        }
        const KSPresetMenuHooks hooks = GetPresetMenuHooks();
        if (exists &&
            (!hooks.confirm || !hooks.confirm(alg, "Save Default Preset",
                                              "Preset already exists! Would you like to override?",
                                              "Save My Default Preset", "Cancel"))) {
            return eUserCanceled;
        }
    }
    CPresetInfo preset;
    err = CaptureAs(alg, kDefaultPresetName, path, preset);
    if (err == eNoErr) {
        preset.SetMenuItemType(eMenuItemDefault);
        err = SaveCaptured(alg, preset);
    }
    return err;
}

int CPresetsManager::LoadDefaultPreset(const CPublicAlg& alg) {
    FM::KCStPath path;
    int err = CreatePathToDefaultPresetFile(path);
    if (err != eNoErr) {
        return err;
    }
    if (!path.IsExist()) {
        return ePresetInfoNotFound;
    }
    CPresetInfo preset;
    preset.SetPresetsFileInfo(FileInfoFor(alg, path));
    preset.SetMenuItemType(eMenuItemDefault);
    err = CPresetAPI::ReadDefaultPresetFromFile(alg, preset);
    if (err == eNoErr) {
        err = LoadPresetToPlugin(alg, preset, true);
    }
    if (err == eNoErr) {
        SetCurrentPreset(preset);
    }
    return err;
}

// ---------------------------------------------------------------------- editing by name

int CPresetsManager::AddPresetToFile(const CPublicAlg& alg, const FM::KCStPath& file,
                                     const KCFixedString<127>& name) {
    if (!file.IsValid()) {
        return file.GetError() != eNoErr ? file.GetError() : eFMIllegalPathRef;
    }
    CPresetInfo preset;
    const int err = CaptureAs(alg, name.empty() ? kUntitledPresetName : name.c_str(), file, preset);
    return err != eNoErr ? err : SaveCaptured(alg, preset);
}

int CPresetsManager::RemovePresetFromFile(const CPublicAlg& alg, const FM::KCStPath& file,
                                          const KCFixedString<127>& name) {
    CPresetInfo preset;
    preset.SetPresetName(name);
    preset.SetPresetsFileInfo(FileInfoFor(alg, file));
    return CPresetAPI::RemovePresetInfo(alg, preset);
}

int CPresetsManager::RenamePresetInFile(const CPublicAlg& alg, const FM::KCStPath& file,
                                        const KCFixedString<127>& from,
                                        const KCFixedString<127>& to) {
    KCPresetFileHandler handler;
    int err = handler.ReadFromDisk(alg, file);
    if (err != eNoErr) {
        return err;
    }
    const auto& presets = handler.GetPresets();
    const auto it = std::find_if(presets.begin(), presets.end(), [&](const CPresetInfo* p) {
        return IsSelectable(p) && p->GetPresetName() == from;
    });
    if (it == presets.end()) {
        return ePresetInfoNotFound;
    }
    err = handler.PresetRename((*it)->GetPresetIndex(), to);
    return err != eNoErr ? err : handler.WriteToDisk(alg);
}

// ---------------------------------------------------------------------- remote menus

namespace {

nlohmann::json PresetEntries(const std::vector<CPresetInfo*>& presets, const CPresetInfo& current,
                             EMenuItemType source, const std::string& idPrefix) {
    nlohmann::json list = nlohmann::json::array();
    for (const CPresetInfo* preset : presets) {
        nlohmann::json entry;
        entry["name"] = preset->GetPresetName().c_str();
        if (preset->IsSeperator()) {
            entry["kind"] = "separator";
        } else if (preset->IsDummyTitle()) {
            entry["kind"] = "title";
        } else if (preset->IsDisabled()) {
            continue;
        } else {
            entry["kind"] = "preset";
            entry["id"] = idPrefix + preset->GetPresetName().c_str();
            entry["selected"] = current.GetMenuItemType() == source &&
                                current.GetPresetName() == preset->GetPresetName() &&
                                current.GetPresetsFileInfo() == preset->GetPresetsFileInfo();
        }
        list.push_back(std::move(entry));
    }
    return list;
}

nlohmann::json GroupTree(const SPresetGroupDesc& group, const CPresetInfo& current,
                         const std::string& idPrefix) {
    nlohmann::json node;
    const std::string prefix = idPrefix + group.name.c_str() + "/";
    node["title"] = group.name.c_str();
    node["Presets"] = PresetEntries(group.presets, current, eMenuItemDynamic, prefix);
    nlohmann::json groups = nlohmann::json::array();
    for (const auto& sub : group.subGroups) {
        groups.push_back(GroupTree(sub, current, prefix));
    }
    node["groups"] = std::move(groups);
    return node;
}

YAML::Node ToYaml(const nlohmann::json& value) {
    if (value.is_object()) {
        YAML::Node node(YAML::NodeType::Map);
        for (const auto& [key, item] : value.items()) {
            node[key] = ToYaml(item);
        }
        return node;
    }
    if (value.is_array()) {
        YAML::Node node(YAML::NodeType::Sequence);
        for (const auto& item : value) {
            node.push_back(ToYaml(item));
        }
        return node;
    }
    if (value.is_boolean()) {
        return YAML::Node(value.get<bool>());
    }
    if (value.is_string()) {
        return YAML::Node(value.get<std::string>());
    }
    return YAML::Node(value.dump());
}

}  // namespace

int CPresetsManager::BuildRemoteTree(const CPublicAlg& alg, std::string& json, std::string* yaml) {
    ReadFactoryPresets(alg);
    ReadUserMenuPresets(alg);
    ScanForDynamicFactoryPresets(alg);
    try {
        nlohmann::json results;
        results["Factory"] = {
            {"title", "Factory Presets"},
            {"Presets", PresetEntries(m_factoryPresets, m_current, eMenuItemFactory, "Factory/")}};
        results["User"] = {
            {"title", "User Presets"},
            {"Presets", PresetEntries(m_userPresets, m_current, eMenuItemUser, "User/")}};
        nlohmann::json defaults = nlohmann::json::array();
        FM::KCStPath path;
        if (CreatePathToDefaultPresetFile(path) == eNoErr && path.IsExist()) {
            defaults.push_back({{"name", kDefaultPresetName},
                                {"kind", "preset"},
                                {"id", std::string("Default/") + kDefaultPresetName},
                                {"marker", "DEFAULT"}});
        }
        results["Default"] = {{"title", "Default Presets"}, {"Presets", std::move(defaults)}};
        if (m_externalFile.IsValid()) {
            results["External"] = {{"title", m_externalFile.GetLeaf().c_str()},
                                   {"Presets", PresetEntries(m_externalPresets, m_current,
                                                             eMenuItemUserExternal, "External/")}};
        }
        nlohmann::json dynamic = nlohmann::json::array();
        for (const auto& group : m_dynamic.Tree().subGroups) {
            dynamic.push_back(GroupTree(group, m_current, "Dynamic/"));
        }
        results["Dynamic"] = std::move(dynamic);
        const nlohmann::json tree = {{"results", std::move(results)}};
        // A name that is not valid UTF-8 is sent with replacement characters, not refused.
        json = tree.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
        if (yaml != nullptr) {
            YAML::Emitter emitter;
            emitter << ToYaml(tree);
            if (!emitter.good()) {
                return ePresetFileProblem;
            }
            yaml->assign(emitter.c_str(), emitter.size());
        }
        return eNoErr;
    } catch (const std::bad_alloc&) {
        return eMemNewFailed;
    } catch (const std::exception&) {
        return ePresetFileProblem;
    }
}

namespace {

// `build` makes the tree inside the try: building it allocates as much as emitting it.
template <typename Build>
int EmitYaml(Build&& build, std::string& out) {
    try {
        const nlohmann::json tree = build();
        YAML::Emitter emitter;
        emitter << ToYaml(tree);
        if (!emitter.good()) {
            return ePresetFileProblem;
        }
        out.assign(emitter.c_str(), emitter.size());
        return eNoErr;
    } catch (const std::bad_alloc&) {
        return eMemNewFailed;
    } catch (const std::exception&) {
        return ePresetFileProblem;
    }
}

}  // namespace

int CPresetsManager::MakeYaml_FactoryPresets(const CPublicAlg& alg, std::string& out) {
    ReadFactoryPresets(alg);
    return EmitYaml(
        [&] {
            return nlohmann::json{{"title", "Factory Presets"},
                                  {"Presets", PresetEntries(m_factoryPresets, m_current,
                                                            eMenuItemFactory, "Factory/")}};
        },
        out);
}

int CPresetsManager::MakeYaml_UserMenuPresetFile(const CPublicAlg& alg, std::string& out) {
    ReadUserMenuPresets(alg);
    return EmitYaml(
        [&] {
            return nlohmann::json{
                {"title", "User Presets"},
                {"Presets", PresetEntries(m_userPresets, m_current, eMenuItemUser, "User/")}};
        },
        out);
}

int CPresetsManager::MakeYaml_UserExternalPresetFile(const CPublicAlg& alg, std::string& out) {
    if (m_externalFile.IsValid()) {
        UserExternalPresetFile_LoadPresets(alg);
    }
    return EmitYaml(
        [&] {
            return nlohmann::json{{"title", m_externalFile.GetLeaf().c_str()},
                                  {"Presets", PresetEntries(m_externalPresets, m_current,
                                                            eMenuItemUserExternal, "External/")}};
        },
        out);
}

int CPresetsManager::MakeYaml_DynamicPresets(const CPublicAlg& alg, std::string& out) {
    ScanForDynamicFactoryPresets(alg);
    return EmitYaml(
        [&] {
            nlohmann::json dynamic = nlohmann::json::array();
            for (const auto& group : m_dynamic.Tree().subGroups) {
                dynamic.push_back(GroupTree(group, m_current, "Dynamic/"));
            }
            return dynamic;
        },
        out);
}

int CPresetsManager::LoadMenu_IterateDynamicFactoryPresetsFiles(const CPublicAlg& alg) {
    return ScanForDynamicFactoryPresets(alg);
}

int CPresetsManager::MakeYaml_FromPresetsTree(const CPublicAlg& alg, std::string& out) {
    std::string json;
    return BuildRemoteTree(alg, json, &out);
}

int CPresetsManager::PrepareJsonLoadMenu(const CPublicAlg& alg, std::string& out) {
    return BuildRemoteTree(alg, out, nullptr);
}

int CPresetsManager::SaveIntoFolderFile(const CPublicAlg& alg, const char* fileName,
                                        const char* presetName, bool mustBeNew) {
    // A remote request names a file in the save folder, never a path elsewhere.
    if (!IsBareFileName(fileName)) {
        return eFMWrongParameters;
    }
    std::string leaf(fileName);
    if (!HasExtension(leaf)) {
        leaf += ".xps";
    }
    if (leaf.size() > kMaxBareFileNameBytes ||
        !FM::IsSameExtension(leaf.substr(leaf.rfind('.') + 1).c_str(), "xps")) {
        return eFMWrongParameters;
    }
    FM::KCStPath folder;
    const int err = GetSaveDirectoryDefaultPath(alg, folder);
    if (err != eNoErr) {
        return err;
    }
    const FM::KCStPath path(folder, leaf.c_str());
    if (!path.IsValid()) {
        return path.GetError() != eNoErr ? path.GetError() : eFMWrongParameters;
    }
    if (mustBeNew && path.IsExist()) {
        return eFMFileAllreadyExists;
    }
    // Factory presets are never written, whoever asks.
    if (IsFactoryPresetFile(path)) {
        return eFMPermissionErr;
    }
    return AddPresetToFile(alg, path, KCFixedString<127>(presetName == nullptr ? "" : presetName));
}

int CPresetsManager::SavePresetFromHTML(const CPublicAlg& alg, const char* fileName,
                                        const char* presetName) {
    return SaveIntoFolderFile(alg, fileName, presetName, false);
}

int CPresetsManager::SaveToNewFileHTML(const CPublicAlg& alg, const char* fileName,
                                       const char* presetName) {
    return SaveIntoFolderFile(alg, fileName, presetName, true);
}

int CPresetsManager::LoadPresetFromRemoteId(const CPublicAlg& alg, const char* id) {
    if (id == nullptr) {
        return eFMWrongParameters;
    }
    const std::string text(id);
    const auto slash = text.find('/');
    if (slash == std::string::npos) {
        return ePresetInfoNotFound;
    }
    const std::string section = text.substr(0, slash);
    const std::string name = text.substr(slash + 1);
    if (section == "Default") {
        return name == kDefaultPresetName ? LoadDefaultPreset(alg) : ePresetInfoNotFound;
    }
    // The lists are read again: the request may come long after the menu was sent.
    const CPresetInfo* preset = nullptr;
    if (section == "Factory") {
        ReadFactoryPresets(alg);
        preset = FindByName(m_factoryPresets, name.c_str());
    } else if (section == "User") {
        ReadUserMenuPresets(alg);
        preset = FindByName(m_userPresets, name.c_str());
    } else if (section == "External") {
        if (m_externalFile.IsValid()) {
            UserExternalPresetFile_LoadPresets(alg);
        }
        preset = FindByName(m_externalPresets, name.c_str());
    } else if (section == "Dynamic") {
        ScanForDynamicFactoryPresets(alg);
        std::vector<CPresetInfo*> all;
        m_dynamic.Tree().FillAllDynamicPresetsVectorRecursive(all);
        for (const CPresetInfo* entry : all) {
            std::string path;
            if (IsSelectable(entry) && GetGroupPathRecursively(m_dynamic.Tree(), entry, path) &&
                path + "/" + entry->GetPresetName().c_str() == name) {
                preset = entry;
                break;
            }
        }
    }
    return preset == nullptr ? ePresetInfoNotFound : LoadMenu_LoadPreset(alg, *preset);
}

// ---------------------------------------------------------------------- lists as a whole

int CPresetsManager::WriteAllPresetsToXML(XML::CXMLElement* root) {
    if (root == nullptr || !m_alg.IsValid()) {
        return eMemNullPointer;
    }
    ReadFactoryPresets(m_alg);
    ScanForDynamicFactoryPresets(m_alg);
    ReadUserMenuPresets(m_alg);
    std::vector<CPresetInfo*> all(m_factoryPresets);
    m_dynamic.Tree().FillAllDynamicPresetsVectorRecursive(all);
    all.insert(all.end(), m_userPresets.begin(), m_userPresets.end());
    root->Clear();
    root->SetName("PresetXMLTree");
    root->AddAttrib("version", kPresetFileVersion);
    std::set<std::string> written;
    for (const CPresetInfo* entry : all) {
        if (!IsSelectable(entry) || !written.insert(entry->GetPresetName().c_str()).second) {
            continue;
        }
        CPresetInfo preset(*entry);
        const int err = CPresetAPI::ReadPresetInfo(m_alg, preset);
        if (err != eNoErr) {
            return err;
        }
        XML::CXMLElement* element = root->AddSubElement("Preset");
        if (element == nullptr) {
            return eMemOutOfMemory;
        }
        WriteToXML_CPresetInfo(preset, *element);
    }
    return eNoErr;
}

int CPresetsManager::PresetsSanityCheck(std::vector<CPresetInfo*>& presets) {
    std::vector<CPresetInfo*> kept;
    kept.reserve(presets.size());
    std::set<std::string> names;
    int dropped = 0;
    for (CPresetInfo* preset : presets) {
        bool keep = preset != nullptr;
        if (keep && preset->IsSeperator()) {
            keep = !kept.empty() && !kept.back()->IsSeperator();
        } else if (keep && !preset->IsDummyTitle()) {
            keep = !preset->GetPresetName().empty() &&
                   names.insert(preset->GetPresetName().c_str()).second;
        }
        if (keep) {
            kept.push_back(preset);
        } else {
            delete preset;
            ++dropped;
        }
    }
    while (!kept.empty() && kept.back()->IsSeperator()) {
        delete kept.back();
        kept.pop_back();
        ++dropped;
    }
    presets.swap(kept);
    return dropped;
}

int CPresetsManager::ComputePresetIndex(const CPublicAlg& alg, const CPresetInfo& preset) {
    if (m_factoryPresets.empty()) {
        ReadFactoryPresets(alg);
    }
    int index = 0;
    for (const CPresetInfo* entry : m_factoryPresets) {
        if (!IsSelectable(entry)) {
            continue;
        }
        if (entry->GetPresetName() == preset.GetPresetName() &&
            (preset.GetPresetsFileInfo().GetPathString().empty() ||
             entry->GetPresetsFileInfo() == preset.GetPresetsFileInfo())) {
            return index;
        }
        ++index;
    }
    return eFactoryPresetNotFound;
}

}  // namespace kvKorvaneV10_0_3::Preset
