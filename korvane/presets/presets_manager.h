// Preset::CPresetsManager: the per-plug-in owner of everything preset-related: the state chunk,
// the current preset, the factory, user, external, default and clipboard preset files, the
// dynamic factory preset folders, and the load and save menus with their remote forms.
#pragma once

#include "korvane/algorithm/presets_manager_abs.h"
#include "korvane/algorithm/public_alg.h"
#include "korvane/core/export.h"
#include "korvane/core/geometry.h"
#include "korvane/core/mem_obj.h"
#include "korvane/fm/path.h"
#include "korvane/presets/dynamic_factory_presets.h"
#include "korvane/presets/preset_info.h"
#include "korvane/presets/preset_menu.h"
#include "korvane/xml/xml_element.h"

#include <string>
#include <vector>

namespace kvKorvaneV10_0_3::Preset {

// One per algorithm, owned by it (made by the factory the library installs). A plug-in may
// derive and install its own with cALGORITHM::SetPresetsManager. [gui-thread] unless stated.
class KORVANE_API CPresetsManager : public KCPresetsManagerAbs {
public:
    explicit CPresetsManager(const CPublicAlg& alg);
    ~CPresetsManager() override;

    // The state chunk: the plug-in's current preset (both setups, setup names, the active
    // setup) as XML text. `flag` is reserved and ignored. [any-thread] (takes the algorithm
    // lock)
    static int PreparePresetChunk(const CPublicAlg& alg, Utils::KCStMemObj& out, bool flag);
    // Applies a state chunk (see LoadPresetToAlg); a chunk that does not parse changes
    // nothing and gives its code. [any-thread] (takes the algorithm lock)
    static int SetPresetChunk(const CPublicAlg& alg, const Utils::KCStConstMemObj& chunk);

    // The preset last loaded or saved, with its file and origin (its name goes into the state
    // chunk).
    [[nodiscard]] const CPresetInfo& GetCurrentPreset() const { return m_current; }
    // Takes the algorithm lock: the host reads the name while it builds a state chunk.
    void SetCurrentPresetName(const KCFixedStringBase& name);
    // The header, file and origin of `preset` become the current preset's (not its data).
    void SetCurrentPreset(const CPresetInfo& preset);

    // ------------------------------------------------------------------ file locations
    // The shared settings folder ("Plug-In Settings" in the shared Korvane data folder), created
    // when missing, a link there resolved. When it cannot be created or written, the one in the
    // per-user Korvane data folder instead (UsesUserSettingsFolder then tells so).
    int CreatePathToPluginSettingsFolder(FM::KCStPath& out) const;
    [[nodiscard]] bool UsesUserSettingsFolder() const { return m_userSettingsFolder; }
    // The plug-in's container when it holds the presets resource (IsPresetFileInResource),
    // else "<plug-in> Factory Settings.xps" in the settings folder.
    int CreatePathToFactoryPresetFile(FM::KCStPath& out) const;
    int CreatePathToUserMenuPresetFile(FM::KCStPath& out) const;   // "<plug-in> Settings.xps"
    int CreatePathToDefaultPresetFile(FM::KCStPath& out) const;    // "... Default Preset.xps"
    int CreatePathToClipboardPresetFile(FM::KCStPath& out) const;  // "Preset-Clipboard.yps"
    // The name of a per-plug-in preset file template, "<plug-in> setups.xps".
    [[nodiscard]] KCFixedString<255> InitializePresetFileTemplate() const;
    // True when the plug-in's own resources hold its factory presets ("Presets"/1000).
    [[nodiscard]] bool IsPresetFileInResource() const;
    [[nodiscard]] const CPresetsFileInfo& GetFactoryPresetsFile() const { return m_factoryFile; }
    [[nodiscard]] const CPresetsFileInfo& GetUserMenuPresetsFile() const { return m_userFile; }
    [[nodiscard]] const CPresetsFileInfo& GetUserExternalPresetsFile() const {
        return m_externalFile;
    }
    // An empty preset file at `path` unless one exists.
    int OpenOrCreateUserMenuSettingsFile(const FM::KCStPath& path);

    // ------------------------------------------------------------------ preset lists
    // Re-read from their files (each gives the file's code; a missing file is an empty list).
    int ReadFactoryPresets(const CPublicAlg& alg);
    int ReadUserMenuPresets(const CPublicAlg& alg);
    [[nodiscard]] const std::vector<CPresetInfo*>& GetFactoryPresets() const {
        return m_factoryPresets;
    }
    [[nodiscard]] const std::vector<CPresetInfo*>& GetUserMenuPresets() const {
        return m_userPresets;
    }
    [[nodiscard]] const std::vector<CPresetInfo*>& GetUserExternalPresets() const {
        return m_externalPresets;
    }
    // Factory presets count without separators and titles; an index counts presets only.
    [[nodiscard]] unsigned int GetNumFactoryPresets() const;
    // eNoFactoryPresets, eFactoryPresetNumOutOfRange; `out` points into the list.
    int GetFactoryPreset(const CPublicAlg& alg, CPresetInfo** out, unsigned int index);
    int GetFactoryPresetName(unsigned int index, KCFixedStringBase& name) const;
    // Reads the factory preset `name` fully into the current preset's place;
    // eFactoryPresetNotFound when there is none. With `load` it is loaded into the plug-in.
    int ReadFactoryPresetFromFile(const CPublicAlg& alg, const char* name, bool load, bool update);
    int LoadFactoryPresetToPluginByIndex(const CPublicAlg& alg, unsigned int index);
    int LoadFactoryPresetToPluginByName(const CPublicAlg& alg, const char* name, bool update);
    int LoadUserMenuPresetToPluginByName(const CPublicAlg& alg, const char* name, bool update);
    int LoadUserExternalPresetToPluginByName(const CPublicAlg& alg, const char* name, bool update);

    // ------------------------------------------------------------------ dynamic factory presets
    // The folders scanned; a plug-in sets them, or derives and overrides
    // GetPluginDynamicFactoryPresetsDirectories.
    void SetDynamicFactoryPresetsDirectories(std::vector<FM::KCStPath> folders);
    // One group per existing folder (named after it), sub-groups for sub-folders, the presets
    // of every xps file; empty groups are dropped. Links are followed, but a folder reached a
    // second time (a link loop) is skipped, and nesting stops at kMaxDynamicFolderDepth.
    int ScanForDynamicFactoryPresets(const CPublicAlg& alg);
    static constexpr unsigned int kMaxDynamicFolderDepth = 32;
    // Appends the compatible presets of the xps file `file` to `group` as dynamic presets:
    // headers only, or read fully with eFolderParseFull. The file's code; `group` is unchanged
    // when the file cannot be read.
    static int AddPresetFile(const CPublicAlg& alg, EFolderParseType parse,
                             const FM::KCStPath& file, SPresetGroupDesc& group);
    // Adds `folder`, when it exists and holds presets, to `root` as one more group (named
    // after it), walked as IterateFolderForXPSFiles walks it. eFMFileNotFound for a folder
    // that does not exist; `root` is unchanged unless a group was added.
    static int ParseFolderContents(const CPublicAlg& alg, EFolderParseType parse,
                                   const FM::KCStPath& folder, SPresetGroupDesc& root);
    // `folder` as `group`, named after it: the presets of its xps files, then one sub-group per
    // sub-folder that holds any, walked as ScanForDynamicFactoryPresets walks them.
    static int IterateFolderForXPSFiles(const CPublicAlg& alg, EFolderParseType parse,
                                        const FM::KCStPath& folder, SPresetGroupDesc& group);
    // The names of the groups below `root` down to the one that holds `preset` (the entry
    // itself, not a copy), joined by '/'; false when the subtree does not hold it.
    static bool GetGroupPathRecursively(const SPresetGroupDesc& root, const CPresetInfo* preset,
                                        std::string& path);
    [[nodiscard]] const SPresetGroupDesc& GetDynamicPresets() const { return m_dynamic.Tree(); }
    [[nodiscard]] const KCDynamicFactoryPresetsJustInTime& GetDynamicPresetsLoader() const {
        return m_dynamic;
    }

    // ------------------------------------------------------------------ names
    // True when no preset (separators and titles aside) of `presets` is named `name`.
    static bool IsPresetNameUnique(const KCFixedStringBase& name,
                                   const std::vector<CPresetInfo*>& presets);
    // The first free name after `base` (see MakeNextUniqueName); ePresetFileProblem when none.
    static int CreateNextUniqueName(const KCFixedStringBase& base,
                                    const std::vector<CPresetInfo*>& presets,
                                    KCFixedStringBase& out);

    // ------------------------------------------------------------------ current preset section
    // The preset last loaded into the plug-in, with its setup records (empty before a load).
    [[nodiscard]] const CPresetInfo& GetCurrentPresetSection() const { return m_loaded; }
    // The plug-in's active setup into `preset`'s record of that setup (its "CURRENT" record
    // when the preset holds only that); the other records are kept.
    int UpdatePluginSetup(CPresetInfo& preset);
    // The current preset section's record of setup `from` copied over `to` (-1: the active
    // setup), as the plug-in copies its setups; the algorithm calls it through CopySetupData.
    void CopySetup(int from, int to);
    // A state chunk of the active setup only (one "CURRENT" record): applied, it sets the
    // active setup of the receiving plug-in and leaves its other setup alone. `flag` is
    // reserved and ignored.
    int GetCurrentSetupPresetChunk(const CPublicAlg& alg, Utils::KCStMemObj& out, bool flag);
    // Fills `root` as a preset file's root: every factory, dynamic and user preset read fully,
    // in that order; a name already written is skipped (names are unique within a file).
    int WriteAllPresetsToXML(XML::CXMLElement* root);
    // Cleans a list for a menu: drops (and deletes) null entries, unnamed presets, later
    // presets of a name already listed, and separators at the start, at the end or after
    // another separator. The number of entries dropped.
    static int PresetsSanityCheck(std::vector<CPresetInfo*>& presets);

    // ------------------------------------------------------------------ overridable operations
    // Declared in a fixed order that derived plug-ins are built against: new ones go last.

    // Build the menu, pop it up through the menu hooks and run the chosen item; eUserCanceled
    // when it is dismissed, else the item's code.
    virtual int LoadPresetMenu(const CPublicAlg& alg, const KCPoint2D<short>& where, bool modifier);
    virtual int SavePresetMenu(const CPublicAlg& alg, const KCPoint2D<short>& where, bool modifier);
    virtual int SetUserExternalPresetsFile(const CPublicAlg& alg, const FM::KCStPath& path);
    virtual int UserExternalPresetFile_LoadPresets(const CPublicAlg& alg);
    virtual int UserExternalPresetFile_Open(const CPublicAlg& alg, const FM::KCStPath& path);
    virtual void SetOpenUserExternalFileLoadsFirstPreset(bool on) { m_openLoadsFirst = on; }
    virtual void UserExternalPresetFile_Close(const CPublicAlg& alg);
    // The folder new files are proposed in: the settings folder.
    virtual int GetSaveDirectoryDefaultPath(const CPublicAlg& alg, FM::KCStPath& out);
    // A unique name in `presets` proposed from the current preset's name.
    virtual void SaveMenu_PreparePresetUniqueName(const CPublicAlg& alg,
                                                  const std::vector<CPresetInfo*>& presets,
                                                  KCFixedStringBase& name);
    // Asks for a new file and saves the state into it; the file is opened as external file.
    virtual int SaveMenu_SaveToNewFile(const CPublicAlg& alg);
    virtual int PrepareJsonLoadMenu(const CPublicAlg& alg, std::string& out);
    // Save requests from a remote interface: the state as `presetName` into the file
    // `fileName` of the save folder. `fileName` must be a bare file name (IsBareFileName),
    // otherwise eFMWrongParameters and nothing is written; ".xps" is added when it has no
    // extension; the factory file is refused (eFMPermissionErr). SaveToNewFileHTML refuses an
    // existing file (eFMFileAllreadyExists).
    virtual int SavePresetFromHTML(const CPublicAlg& alg, const char* fileName,
                                   const char* presetName);
    virtual int SaveToNewFileHTML(const CPublicAlg& alg, const char* fileName,
                                  const char* presetName);
    // The state saved as `name` into `file` (replacing a preset of that name).
    virtual int AddPresetToFile(const CPublicAlg& alg, const FM::KCStPath& file,
                                const KCFixedString<127>& name);
    virtual int RemovePresetFromFile(const CPublicAlg& alg, const FM::KCStPath& file,
                                     const KCFixedString<127>& name);
    // ePresetInfoNotFound when `from` is missing, ePresetFileProblem when `to` is taken.
    virtual int RenamePresetInFile(const CPublicAlg& alg, const FM::KCStPath& file,
                                   const KCFixedString<127>& from, const KCFixedString<127>& to);
    // The plug-in's state into the clipboard file.
    virtual int SaveMenu_CopyPreset(const CPublicAlg& alg);
    // Loads the clipboard file; a preset of another plug-in type gives
    // eComponentTypeNotSupported and changes nothing.
    virtual int LoadMenu_PastePreset(const CPublicAlg& alg);
    // Saves the state as "My Default Preset" in the default preset file, asking before it
    // replaces one (eUserCanceled when the user declines).
    virtual int SaveAsDefaultPreset(const CPublicAlg& alg);
    virtual int LoadDefaultPreset(const CPublicAlg& alg);
    virtual void MakeMenu_DefaultSavePopupItem(const CPublicAlg& alg, KCPresetMenuModel& menu);
    virtual void MakeMenu_SaveToFileAsPopupItem(const CPublicAlg& alg, KCPresetMenuModel& menu);
    virtual int SaveMenu_ExecuteSelectedPopupMenuItem(const CPublicAlg& alg,
                                                      const KSPresetMenuItem& item);
    virtual int SaveMenu_PrepareMenu(const CPublicAlg& alg, KCPresetMenuModel& menu);
    // Saves the state under the current preset's name into its file (into the user menu file
    // when that file cannot be written, as for factory presets).
    virtual int SaveMenu_SaveActiveSetup(const CPublicAlg& alg);
    // Asks for a name and adds the state to the open external file.
    virtual int SaveMenu_SaveToFileAs(const CPublicAlg& alg);
    // Asks for a name (a unique one proposed) and adds the state to the user menu file; a
    // name in use is refused with an alert.
    virtual int SaveMenu_SaveAsUserMenuPreset(const CPublicAlg& alg);
    virtual void MakeMenu_UserMenuPresetFile(const CPublicAlg& alg, const CPresetMenu& items,
                                             KCPresetMenuModel& menu);
    // Menu sections and actions.
    virtual void MakeMenu_OpenPresetFile(const CPublicAlg& alg, KCPresetMenuModel& menu);
    virtual void MakeMenu_UserExternalPresetFile(const CPublicAlg& alg, const CPresetMenu& items,
                                                 KCPresetMenuModel& menu);
    virtual void MakeMenu_FactoryPresets(const CPublicAlg& alg, const CPresetMenu& items,
                                         KCPresetMenuModel& menu);
    virtual void MakeMenu_DynamicPresets(const CPublicAlg& alg, const CPresetMenu& items,
                                         KCPresetMenuModel& menu);
    virtual void MakeMenu_PastePreset(const CPublicAlg& alg, KCPresetMenuModel& menu);
    // The load menu's content as a YAML / JSON document (see docs/presets.md).
    virtual int MakeYaml_FromPresetsTree(const CPublicAlg& alg, std::string& out);
    // The sections of the remote menu alone, as YAML: {title, Presets} as in the whole tree.
    virtual int MakeYaml_UserMenuPresetFile(const CPublicAlg& alg, std::string& out);
    virtual int MakeYaml_DynamicPresets(const CPublicAlg& alg, std::string& out);
    virtual int MakeYaml_UserExternalPresetFile(const CPublicAlg& alg, std::string& out);
    virtual int MakeYaml_FactoryPresets(const CPublicAlg& alg, std::string& out);
    virtual int LoadMenu_ExecuteSelectedPopupMenuItem(const CPublicAlg& alg,
                                                      const KSPresetMenuItem& item);
    virtual int LoadMenu_PrepareMenu(const CPublicAlg& alg, KCPresetMenuModel& menu, bool modifier);
    // Reads `chosen` fully from its file and loads it; it becomes the current preset.
    virtual int LoadMenu_LoadPreset(const CPublicAlg& alg, const CPresetInfo& chosen);
    // Asks "Delete Preset" and removes the preset from its file.
    virtual int LoadMenu_DeletePreset(const CPublicAlg& alg, const CPresetInfo& chosen);
    // Loads one plug-in-specific record of `preset` (see docs/presets.md): listeners hear
    // PresetLoaded with a preset that holds only that record, for the active setup; the
    // parameters come too only when the record has ePluginSpecificLoadWithParams. The current
    // preset stays. ePluginSpecifcNotExisting when there is no such record.
    virtual int LoadMenu_LoadPluginSpecificPreset(const CPublicAlg& alg, const CPresetInfo& preset,
                                                  EPluginSetup setup, unsigned int index);
    // The program number of `preset`: its index among the factory presets as
    // LoadFactoryPresetToPluginByIndex takes it, or eFactoryPresetNotFound.
    virtual int ComputePresetIndex(const CPublicAlg& alg, const CPresetInfo& preset);
    // The load menu's scan of the dynamic folders (ScanForDynamicFactoryPresets); a plug-in
    // with slow folders may override it to keep the last scan.
    virtual int LoadMenu_IterateDynamicFactoryPresetsFiles(const CPublicAlg& alg);
    // Applies `preset` / captures the plug-in's parameters into it (see preset_alg.h).
    virtual int LoadPresetToPlugin(const CPublicAlg& alg, CPresetInfo& preset, bool update);
    virtual int SavePresetFromPlugin(const CPublicAlg& alg, CPresetInfo& preset, bool allSetups);
    // Applies the current preset section again: the edits made since the load are dropped.
    // ePresetInfoNotFound when nothing was loaded yet.
    virtual int LoadPresetFromCurrentPresetSection(const CPublicAlg& alg, bool update);
    // Asks for a preset file and opens it as the user external file.
    virtual int LoadMenu_OpenUserExternalPresetsFile(const CPublicAlg& alg);
    // The loaded preset's plug-in-specific records that have a menu text, under the title
    // 'Parts of "<name>":'; nothing when there are none.
    virtual void MakeMenu_PluginSpecificChunks(const CPublicAlg& alg, const CPresetMenu& items,
                                               KCPresetMenuModel& menu);
    virtual void GetPluginDynamicFactoryPresetsDirectories(const CPublicAlg& alg,
                                                           std::vector<FM::KCStPath>& out) const;
    // Loads the preset a remote interface names by the "id" of its entry in the remote menu
    // ("Factory/<name>", "User/<name>", "External/<name>", "Default/<name>",
    // "Dynamic/<group>/.../<name>"); ePresetInfoNotFound when the lists hold no such preset.
    virtual int LoadPresetFromRemoteId(const CPublicAlg& alg, const char* id);

    // KCPresetsManagerAbs
    int PrepareChunk(cALGORITHM& alg, Utils::KCStMemObj& out, bool flag) override;
    int ApplyChunk(cALGORITHM& alg, const Utils::KCStConstMemObj& chunk) override;
    void CopySetupData(EPluginSetup from, EPluginSetup to) override;

    // Installs the factory that gives every algorithm a CPresetsManager (done when the library
    // loads; call again after replacing it). [gui-thread]
    static void InstallFactory();

protected:
    [[nodiscard]] const CPublicAlg& Plugin() const { return m_alg; }

private:
    // The plug-in's state captured under `name`, ready to be written to `file`.
    int CaptureAs(const CPublicAlg& alg, const char* name, const FM::KCStPath& file,
                  CPresetInfo& out);
    int SaveCaptured(const CPublicAlg& alg, CPresetInfo& preset);
    // Reads `list` again through `reread`, asks for a name not in it, saves the plug-in's state
    // under it into `file` as an item of `type`, and reads the list once more.
    using ListReader = int (CPresetsManager::*)(const CPublicAlg&);
    int SaveUnderNewName(const CPublicAlg& alg, ListReader reread,
                         const std::vector<CPresetInfo*>& list, const CPresetsFileInfo& file,
                         EMenuItemType type);
    // Whether `path` names the factory presets file, however it is reached.
    [[nodiscard]] bool IsFactoryPresetFile(const FM::KCStPath& path) const;
    int SaveIntoFolderFile(const CPublicAlg& alg, const char* fileName, const char* presetName,
                           bool mustBeNew);
    void Alert(const CPublicAlg& alg, const char* message) const;
    int BuildRemoteTree(const CPublicAlg& alg, std::string& json, std::string* yaml);
    void KeepLoaded(const CPresetInfo& preset);

    CPublicAlg m_alg;
    CPresetInfo m_current;
    CPresetInfo m_loaded;  // the current preset section
    mutable bool m_userSettingsFolder = false;
    CPresetsFileInfo m_factoryFile;
    std::vector<CPresetInfo*> m_factoryPresets;  // owned
    CPresetsFileInfo m_userFile;
    std::vector<CPresetInfo*> m_userPresets;  // owned
    CPresetsFileInfo m_externalFile;
    std::vector<CPresetInfo*> m_externalPresets;  // owned
    std::vector<FM::KCStPath> m_dynamicFolders;
    KCDynamicFactoryPresetsJustInTime m_dynamic;
    bool m_openLoadsFirst = false;
};

}  // namespace kvKorvaneV10_0_3::Preset
