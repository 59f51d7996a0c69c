// The standard GUI's system commands, undo and the algorithm's notifications.
#include "korvane/gui/platform/help_launcher.h"
#include "korvane/gui/standard_gui.h"
#include "korvane/presets/presets_manager.h"
#include "korvane/rm/resource_manager.h"
#include "korvane/scan/component_xml_resource.h"
#include "korvane/undo/undo_command.h"
#include "korvane/xml/xml_element.h"

#include <algorithm>
#include <charconv>
#include <vector>

namespace kvKorvaneV10_0_3 {

namespace {

Preset::CPresetsManager* PresetsManagerOf(cALGORITHM& alg) {
    // Replaced only on the GUI thread, so the pointer stays valid after the lock.
    alg.LockAlg();
    auto* manager = dynamic_cast<Preset::CPresetsManager*>(alg.GetPresetsManager());
    alg.UnLockAlg();
    return manager;
}

}  // namespace

// ------------------------------------------------------------------ undo

Undo::KCUndoManagerAbs* CStandardGUI_X::CreateUndoManager() {
    if (m_undo == nullptr) {
        m_undo = std::make_unique<Undo::KCUndoManager>();
        const int level = m_alg != nullptr ? m_alg->GetUndoLevel() : 1;
        m_undo->setUndoLevel(static_cast<unsigned short>(level > 0 ? level : 1));
        // The state the first change can go back to.
        if (m_alg != nullptr && m_alg->IsCreated()) {
            m_undo->InsertCommand(new Undo::KCUndoCommandParameters(m_alg, ++m_undoID),
                                  Undo::eInsertNoMerge);
        }
    }
    return m_undo.get();
}

void CStandardGUI_X::RecordUndo(Undo::EInsertToStackType mode, Undo::EUndoType type) {
    if (m_alg == nullptr) {
        return;
    }
    Undo::KCUndoManagerAbs* undo = CreateUndoManager();
    Undo::Command* command = nullptr;
    if (type == Undo::eUndoTypePreset) {
        Preset::CPresetsManager* manager = PresetsManagerOf(*m_alg);
        command = new Undo::KCUndoCommandPreset(
            CPublicAlg(*m_alg), ++m_undoID,
            manager != nullptr ? &manager->GetCurrentPresetSection() : nullptr);
    } else {
        command = new Undo::KCUndoCommandParameters(m_alg, ++m_undoID);
    }
    undo->InsertCommand(command, mode);  // the manager owns it
}

int CStandardGUI_X::System_ExecuteUndo(unsigned int count) {
    Undo::KCUndoManagerAbs* undo = CreateUndoManager();
    int done = 0;
    for (; count > 0 && undo->CanUndo(); --count, ++done) {
        undo->Undo();
    }
    return done;
}

int CStandardGUI_X::System_ExecuteRedo(unsigned int count) {
    Undo::KCUndoManagerAbs* undo = CreateUndoManager();
    int done = 0;
    for (; count > 0 && undo->CanRedo(); --count, ++done) {
        undo->Redo();
    }
    return done;
}

// ------------------------------------------------------------------ system commands

int CStandardGUI_X::System_ExecuteReset() {
    if (m_alg == nullptr) {
        return eSomeThingNotInitailzed;
    }
    for (unsigned int i = 0; i < m_alg->GetNumParams(); ++i) {
        if (m_alg->GetParamFlags(i).IsSet(eParamFlagDisplayOnlyParam)) {
            continue;
        }
        double state = 0.0;
        BUFFER_HEADER* chain = m_alg->SetParamResetState(i, state);
        ExecuteAndDisposeBuffer(&chain);
    }
    RecordUndo(Undo::eInsertNoMerge, Undo::eUndoTypeParameters);
    return eNoErr;
}

int CStandardGUI_X::System_ExecuteSwitch() {
    if (m_alg == nullptr) {
        return eSomeThingNotInitailzed;
    }
    m_alg->ToggleActiveSetup(eActiveSetup);
    BUFFER_HEADER* chain = m_alg->UpdateAlg();
    ExecuteAndDisposeBuffer(&chain);
    m_alg->RefreshAllParams();
    return eNoErr;
}

int CStandardGUI_X::System_ExecuteCopy() {
    if (m_alg == nullptr) {
        return eSomeThingNotInitailzed;
    }
    m_alg->CopySetup();
    return eNoErr;
}

int CStandardGUI_X::System_ExecuteNextPrevPreset(bool next) {
    if (m_alg == nullptr) {
        return eSomeThingNotInitailzed;
    }
    Preset::CPresetsManager* manager = PresetsManagerOf(*m_alg);
    if (manager == nullptr) {
        return eSomeThingNotInitailzed;
    }
    const CPublicAlg alg(*m_alg);
    manager->ReadFactoryPresets(alg);
    // The manager counts only presets that can be chosen: separators and titles are no stops.
    const unsigned int count = manager->GetNumFactoryPresets();
    if (count == 0) {
        return eNoFactoryPresets;
    }
    const KCFixedStringBase& current = manager->GetCurrentPreset().GetPresetName();
    unsigned int index = next ? 0 : count - 1;
    for (unsigned int i = 0; i < count; ++i) {
        KCFixedString<255> name;
        if (manager->GetFactoryPresetName(i, name) == eNoErr && name == current) {
            index = next ? (i + 1) % count : (i + count - 1) % count;
            break;
        }
    }
    const int err = manager->LoadFactoryPresetToPluginByIndex(alg, index);
    if (err == eNoErr) {
        RecordUndo(Undo::eInsertNoMerge, Undo::eUndoTypePreset);
    }
    return err;
}

int CStandardGUI_X::System_ExecuteLoadPreset(KCPoint2D<short> where) {
    Preset::CPresetsManager* manager = m_alg != nullptr ? PresetsManagerOf(*m_alg) : nullptr;
    if (manager == nullptr) {
        return eSomeThingNotInitailzed;
    }
    const int err = manager->LoadPresetMenu(CPublicAlg(*m_alg), where, false);
    if (err == eNoErr) {
        RecordUndo(Undo::eInsertNoMerge, Undo::eUndoTypePreset);
    }
    return err;
}

int CStandardGUI_X::System_ExecuteOldLoadPresetMenu(KCPoint2D<short> where) {
    Preset::CPresetsManager* manager = m_alg != nullptr ? PresetsManagerOf(*m_alg) : nullptr;
    if (manager == nullptr) {
        return eSomeThingNotInitailzed;
    }
    const CPublicAlg alg(*m_alg);
    manager->ReadFactoryPresets(alg);
    const unsigned int count = manager->GetNumFactoryPresets();
    if (count == 0) {
        return eNoFactoryPresets;
    }
    const KCFixedStringBase& current = manager->GetCurrentPreset().GetPresetName();
    Preset::KCPresetMenuModel menu;
    std::vector<int> ids;
    ids.reserve(count);
    for (unsigned int i = 0; i < count; ++i) {
        KCFixedString<255> name;
        if (manager->GetFactoryPresetName(i, name) != eNoErr) {
            name = "";
        }
        ids.push_back(menu.AddCommand(name.c_str(), Preset::eMenuCmdNone, true, name == current));
    }
    const Preset::KSPresetMenuHooks hooks = Preset::GetPresetMenuHooks();
    const int chosen = hooks.popup ? hooks.popup(alg, menu, where) : 0;
    const auto found = std::find(ids.begin(), ids.end(), chosen);
    if (chosen == 0 || found == ids.end()) {
        return eUserCanceled;
    }
    const int err = manager->LoadFactoryPresetToPluginByIndex(
        alg, static_cast<unsigned int>(found - ids.begin()));
    if (err == eNoErr) {
        RecordUndo(Undo::eInsertNoMerge, Undo::eUndoTypePreset);
    }
    return err;
}

int CStandardGUI_X::System_ExecuteSavePreset(KCPoint2D<short> where) {
    Preset::CPresetsManager* manager = m_alg != nullptr ? PresetsManagerOf(*m_alg) : nullptr;
    if (manager == nullptr) {
        return eSomeThingNotInitailzed;
    }
    return manager->SavePresetMenu(CPublicAlg(*m_alg), where, false);
}

KTErr CStandardGUI_X::GetHelpFolder(std::string& folder) const {
    folder.clear();
    KTResContainerType* container = m_resources;
    if (container == nullptr && m_alg != nullptr) {
        container = m_alg->GetResContainer();
    }
    FM::KCStPath path;
    if (const KTErr err = RM::GetContainerPath(container, path); err != eNoErr) {
        return err;
    }
    const FM::KCStPath resources(path, "Contents/Resources");
    folder =
        resources.IsFolder() ? resources.GetPathString().c_str() : path.GetPathString().c_str();
    return eNoErr;
}

int CStandardGUI_X::System_ExecuteHelp() {
    if (m_alg == nullptr) {
        return eSomeThingNotInitailzed;
    }
    std::string folder;
    GetHelpFolder(folder);
    std::string message;
    const KTErr err = LaunchHelpFile(folder, m_alg->GetUserManualName().c_str(), message);
    if (!message.empty()) {
        ShowMessage(message.c_str());
    }
    return err;
}

std::string CStandardGUI_X::GetAboutText() const {
    if (m_alg == nullptr) {
        return {};
    }
    char bits[8];
    const auto end = std::to_chars(bits, bits + sizeof bits, sizeof(void*) * 8).ptr;
    std::string text = "About ";
    text += m_alg->GetAlgName().c_str();
    text += "\nVersion: ";
    text += m_alg->GetVersNumString().c_str();
    text += "\nProcess Type: [";
    text.append(bits, end);
    text += "bit]";
    KTResContainerType* container = m_resources != nullptr ? m_resources : m_alg->GetResContainer();
    XML::CXMLElement info;
    if (container != nullptr &&
        RM::GetAndFilterXMLResourceByComponentInfo(container, RM::KCResType("InfoXML"),
                                                   GetGUIResourceID(), m_info, info) == eNoErr) {
        for (const XML::CXMLElement* child : info.GetSubElements()) {
            if (!child->GetText().empty()) {
                text += '\n';
                text += child->GetText();
            }
        }
    }
    return text;
}

int CStandardGUI_X::System_ExecuteAbout() {
    if (m_alg == nullptr) {
        return eSomeThingNotInitailzed;
    }
    ShowAbout(GetAboutText());
    return eNoErr;
}

int CStandardGUI_X::System_ExecuteSideChainActive(bool active) {
    if (m_alg == nullptr) {
        return eSomeThingNotInitailzed;
    }
    m_alg->ChangeSideChainActive(active ? 1 : 0);
    return eNoErr;
}

int CStandardGUI_X::System_ExecutePluginSpecific(const char* /*name*/) {
    return eNotImplemented;
}

int CStandardGUI_X::System_ExecuteOpenHtmlView(KCPoint2D<short> /*where*/) {
    return eNotImplemented;
}

void CStandardGUI_X::ShowMessage(const char* text) {
    if (m_alg != nullptr) {
        m_alg->DisplayMessage(text);
    }
}

void CStandardGUI_X::ShowAbout(const std::string& text) {
    ShowMessage(text.c_str());
}

const char* CStandardGUI_X::GetSetupTitle(EPluginSetup setup) {
    return setup == eSetupB ? "Setup B" : "Setup A";
}

bool CStandardGUI_X::IsPresetModified(EPluginSetup setup) const {
    if (setup == eActiveSetup) {
        setup = m_alg != nullptr ? m_alg->GetActiveSetup() : eSetupA;
    }
    return m_presetModified[setup == eSetupB ? 1 : 0];
}

// ------------------------------------------------------------------ algorithm events

void CStandardGUI_X::ShowSetupTitle(EPluginSetup setup) {
    for (const auto& button : m_buttons) {
        if (button->GetType() == "Switch") {
            button->UpdateText(GetSetupTitle(setup));
        }
    }
}

void CStandardGUI_X::ActiveSetupChanged(EPluginSetup setup) {
    ShowSetupTitle(setup);
}

void CStandardGUI_X::ActiveSideChainChanged(bool active) {
    for (const auto& button : m_buttons) {
        if (button->GetType() == "SideChain") {
            button->UpdateTextFromIndex(active ? 1 : 0);
        }
    }
}

void CStandardGUI_X::PresetLoaded(const Preset::CPresetInfo& preset) {
    m_presetModified[0] = false;
    m_presetModified[1] = false;
    for (const auto& button : m_buttons) {
        if (button->GetType() == "PresetLoader") {
            button->UpdateText(preset.GetPresetName().c_str());
        }
    }
}

void CStandardGUI_X::PresetModified(EPluginSetup setup) {
    if (setup == eActiveSetup) {
        setup = m_alg != nullptr ? m_alg->GetActiveSetup() : eSetupA;
    }
    m_presetModified[setup == eSetupB ? 1 : 0] = true;
}

void CStandardGUI_X::PresetModifiedReset(EPluginSetup setup) {
    if (setup == eActiveSetup) {
        setup = m_alg != nullptr ? m_alg->GetActiveSetup() : eSetupA;
    }
    m_presetModified[setup == eSetupB ? 1 : 0] = false;
}

void CStandardGUI_X::SetupTitleChanged(EPluginSetup setup, const KCFixedStringBase& title) {
    SetupTitleChangedWithString(setup, title.c_str());
}

void CStandardGUI_X::SetupTitleChangedWithString(EPluginSetup setup, const char* title) {
    if (m_alg != nullptr) {
        setup = m_alg->GetAbsoluteSetup(setup);
        if (setup != m_alg->GetActiveSetup()) {
            return;
        }
    }
    // A setup without a name of its own shows its default title.
    for (const auto& button : m_buttons) {
        if (button->GetType() == "Switch") {
            button->UpdateText(title != nullptr && *title != '\0' ? title : GetSetupTitle(setup));
        }
    }
}

}  // namespace kvKorvaneV10_0_3
