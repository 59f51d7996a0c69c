// A control's real-time MIDI menu: MIDI learn and the controller mode of its lead parameter,
// built as menu records and applied to the algorithm's MIDI controller table.
#include "korvane/gui/gui_control.h"

#include "korvane/algorithm/algorithm.h"
#include "korvane/core/thread_mutex.h"
#include "korvane/gui/pvm/menu.h"

#include <vector>

namespace kvKorvaneV10_0_3 {

namespace PVM = PluginViewManager;

namespace {

// The parameter of a control's menu; -1 when it has none.
int MenuParam(const KCGUIControl& control) {
    const KCParamRegistrationData* lead = control.GetLeadRegistration();
    if (!control.GetControlFlag(eCtrlCanAttachToRTMIDI) || lead == nullptr || !lead->HasParam() ||
        lead->alg == nullptr ||
        lead->alg->GetParamFlags(lead->paramID).IsSet(eParamFlagDisplayOnlyParam)) {
        return -1;
    }
    return static_cast<int>(lead->paramID);
}

// What the menu shows of the table: whether `param` has an attachment, and its mode.
struct KSAttachment {
    bool attached = false;
    ERTMidiMenuItem mode = eRTMidiMomentary;
};

// False without a table.
bool ReadAttachment(const cALGORITHM& alg, int param, KSAttachment& out) {
    const kvThread::ThreadMutexLock lock(alg.AlgLock());
    const KCMidiControlAbs* table = alg.GetMidiControl();
    if (table == nullptr) {
        return false;
    }
    std::vector<KSMidiMapping> mappings;
    table->GetMappings(mappings);
    for (const KSMidiMapping& mapping : mappings) {
        if (mapping.param == param) {
            out.attached = true;
            out.mode = mapping.latching    ? eRTMidiToggle
                       : mapping.momentary ? eRTMidiMomentary
                                           : eRTMidiTempTouch;
            break;
        }
    }
    return true;
}

}  // namespace

bool KCGUIControl::HasRTMidiPopupMenu() const {
    const int param = MenuParam(*this);
    KSAttachment attachment;
    return param >= 0 && ReadAttachment(*GetLeadRegistration()->alg, param, attachment);
}

KTErr KCGUIControl::SetRTMidiPopupMenu(PVM::KSMenu* menu) const {
    const int param = MenuParam(*this);
    KSAttachment attachment;
    if (param < 0 || !ReadAttachment(*GetLeadRegistration()->alg, param, attachment)) {
        return eWrongObjectState;
    }
    const bool learning = GetLeadRegistration()->alg->GetMidiLearnParam() == param;
    struct Item {
        const char* text;
        ERTMidiMenuItem id;
    };
    const Item items[] = {{learning ? "Cancel Learn" : "Learn", eRTMidiLearn},
                          {"Clear", eRTMidiClear},
                          {"Toggle", eRTMidiToggle},
                          {"TempTouch", eRTMidiTempTouch},
                          {"Momentary", eRTMidiMomentary}};
    for (const Item& item : items) {
        if (item.id == eRTMidiToggle) {
            PVM::KCMenuItemInfo separator;
            separator.separator = true;
            if (const KTErr err = PVM::AddMenuItem(menu, separator); err != eNoErr) {
                return err;
            }
        }
        PVM::KCMenuItemInfo info;
        info.text = item.text;
        info.userData = item.id;
        const bool isMode = item.id >= eRTMidiToggle;
        info.enabled = item.id == eRTMidiLearn || attachment.attached;
        info.checked = isMode && attachment.attached && attachment.mode == item.id;
        // Learn and Clear are commands: choosing them checks nothing.
        info.disableCheckmarks = !isMode;
        info.disableAutoSelection = !isMode;
        if (const KTErr err = PVM::AddMenuItem(menu, info); err != eNoErr) {
            return err;
        }
    }
    return eNoErr;
}

KTErr KCGUIControl::ApplyRTMidiMenuItem(std::intptr_t item) {
    const int param = MenuParam(*this);
    if (param < 0) {
        return eWrongObjectState;
    }
    cALGORITHM& alg = *GetLeadRegistration()->alg;
    if (item == eRTMidiLearn) {
        if (alg.GetMidiLearnParam() == param) {
            alg.StopMidiLearn();
            return eNoErr;
        }
        return alg.StartMidiLearn(static_cast<unsigned int>(param));
    }
    if (item < eRTMidiClear || item > eRTMidiMomentary) {
        return eValueNotFound;
    }
    if (item == eRTMidiClear && alg.GetMidiLearnParam() == param) {
        alg.StopMidiLearn();
    }
    const kvThread::ThreadMutexLock lock(alg.AlgLock());
    KCMidiControlAbs* table = alg.GetMidiControl();
    if (table == nullptr) {
        return eWrongObjectState;
    }
    if (item == eRTMidiClear) {
        table->RemoveParam(param);
        return eNoErr;
    }
    std::vector<KSMidiMapping> mappings;
    table->GetMappings(mappings);
    for (KSMidiMapping& mapping : mappings) {
        if (mapping.param == param) {
            mapping.latching = item == eRTMidiToggle;
            mapping.momentary = item != eRTMidiTempTouch;
        }
    }
    table->SetMappings(mappings);
    return eNoErr;
}

KTErr KCGUIControl::DoRTMidiControlPopupMenu(const Event& event) {
    PVM::KSMenu* menu = nullptr;
    KTErr err = PVM::CreatePopupMenu(PVM::KCMenuCreationOptions{"MIDI", false, false}, menu);
    if (err != eNoErr) {
        return err;
    }
    err = SetRTMidiPopupMenu(menu);
    if (err == eNoErr) {
        PVM::KSMenu* chosenMenu = nullptr;
        PVM::KCMenuItemInfo chosen;
        err = PVM::ActivatePopup(menu, nullptr, event.GetMouseLocation(), chosenMenu, chosen);
        if (err == eNoErr) {
            err = ApplyRTMidiMenuItem(chosen.userData);
        }
    }
    static_cast<void>(PVM::DisposeMenu(menu));  // the choice is applied; the records go
    return err;
}

}  // namespace kvKorvaneV10_0_3
