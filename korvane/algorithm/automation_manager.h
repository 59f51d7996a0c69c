// KCAutomationManager: the algorithm's automation controls in host order, built from the
// plug-in's GUI description ("GUIXML"). It forwards host values to the controls and reports the
// parameters' values, touches and releases back to the host.
#pragma once

#include "korvane/algorithm/automation_control.h"
#include "korvane/algorithm/param_base.h"
#include "korvane/algorithm/preset_controls.h"
#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kvKorvaneV10_0_3 {

namespace XML {
class CXMLElement;
}

// Owned by cALGORITHM. Init, the description and the editing operations run on the GUI thread
// before the algorithm is created ([gui-thread & !created]); from then on the control list is
// fixed and every other operation is [any-thread]: each takes the algorithm lock, which also
// keeps a control's touches and releases in the order the host receives them.
class KORVANE_API KCAutomationManager {
public:
    KCAutomationManager() = default;
    KCAutomationManager(const KCAutomationManager&) = delete;
    KCAutomationManager& operator=(const KCAutomationManager&) = delete;
    ~KCAutomationManager();

    // Once: remembers `alg` and reads its GUI description (cALGORITHM::GetAutomationDescription,
    // by default the "GUIXML" resource); a null algorithm or a second call does nothing. A
    // plug-in without a description has no controls. What ReadFromXML answered is kept.
    void Init(cALGORITHM* alg);
    [[nodiscard]] bool IsInitialized() const { return m_initialized; }
    // ReadFromXML's result for the description Init read (eNoErr without one).
    [[nodiscard]] KTErr GetDescriptionResult() const { return m_descriptionResult; }
    // Reads the description's root: the "Control_List" (every "cCONTROLLER" with a "Class"
    // attribute; one without is a window's control, not the host's; numbered names
    // expanded), then the "ControlOrder_List" that orders them for the host. eWrongObjectState
    // (nothing read) without an algorithm or once it is created: the control list is fixed then.
    // A bad "Num" gives eOutOfRangeNumber; the rest of the description is still read.
    KTErr ReadFromXML(const XML::CXMLElement& root);
    // The names a "Name" with "Num", "InitIndex" and "ReplaceByIndex" stands for (see
    // docs/automation.md): without "Num" the name alone. `err` becomes eOutOfRangeNumber for a
    // "Num" that is no number, below 1 (nothing) or above kMaxNumberedControls (capped).
    struct KCNumberedName {
        KCFixedString<127> name;
        bool numbered = false;
        int position = 0;      // 0 ... Num - 1
        long long number = 0;  // InitIndex + position
    };
    static std::vector<KCNumberedName> ExpandNumberedName(const XML::CXMLElement& element,
                                                          KTErr& err);
    // `text` with every `marker` replaced by `number` (unchanged for an empty marker).
    static std::string ReplaceIndexMarker(std::string_view text, std::string_view marker,
                                          long long number);
    static constexpr int kMaxNumberedControls = 256;
    // Every control's FinishCreate, in order.
    void FinishCreate();

    // --- lookup
    [[nodiscard]] unsigned int GetNumAutomationControllers() const {
        return static_cast<unsigned int>(m_controls.size());
    }
    // Null for an index out of range or an unknown name.
    [[nodiscard]] KCAutomationControl* GetAutomationControl(unsigned int index) const;
    [[nodiscard]] KCAutomationControl* GetAutomationControlByName(const char* name) const;
    // The first control that parameter `paramID` leads.
    [[nodiscard]] KCAutomationControl* GetAutomationControlByLeadParamID(
        unsigned int paramID) const;
    // -1 for an unknown name.
    [[nodiscard]] int GetControlIndexByName(const char* name) const;
    // kAutomationBadIndex for an index out of range, else 0.
    int GetControlNameOfLength(unsigned int index, unsigned int length, char* buffer) const;

    // --- editing ([gui-thread & !created]); the manager owns what it is given
    // Once the algorithm is created the list is fixed: other threads walk it under the lock, and
    // moving a control to another host index would orphan its open gesture. Each of these then
    // refuses with eWrongObjectState and changes nothing.
    // Appends the control and publishes it under its index. A null control, or one that is not
    // the manager's where one is named, gives kAutomationBadIndex.
    KTErr AddNewAutomationControl(std::unique_ptr<KCAutomationControl> control);
    // Inserts at `index` (appends past the end); later controls move up one host index.
    KTErr AddNewAutomationControlForIndex(std::unique_ptr<KCAutomationControl> control,
                                          unsigned int index);
    // Removes the control.
    KTErr DeleteAutomationControl(const KCAutomationControl* control);
    KTErr RenameAutomationControl(KCAutomationControl* control, const char* name);

    // --- values
    // kAutomationBadIndex for an index out of range (or before Init), eNotANumber for a non-finite
    // value (ignored); else the control's chain is posted and freed, and every other control led by
    // a parameter that moved hears its new value. 0.
    int SetControllerValue(unsigned int index, double value);
    // kAutomationBadIndex, or the control's result.
    int TranslateController(unsigned int index, double value, KCFixedStringBase& text) const;
    // Every control led by `paramID` (except `except`) stores and reports the parameter's state,
    // read under the lock so the last report is the latest value; or starts or ends a gesture.
    void NotifyParamValue(unsigned int paramID, const KCAutomationControl* except = nullptr);
    void Touch(unsigned int paramID);
    void Release(unsigned int paramID);
    // A gesture on every control, then its end.
    void TouchAllPararms();
    void ReleaseAllParams();
    // Ends every gesture in progress (one release each); how many were open. The algorithm
    // calls it when it is disposed.
    int EndAllGestures();
    // Posts (0) and frees (4) the chain; clears the pointer.
    void ExecuteAndDisposeBuffer(BUFFER_HEADER*& chain);

    // --- host data
    // Fills the record of control `index`: kAutomationBadVersion unless info->version is 9,
    // kAutomationBadIndex for an index out of range or a null record (nothing written either
    // way); else the control's result.
    int GetControlAutomationInfo(unsigned int index, ControllerAutomationInfoVer9* info);
    int SetAutomationRefCons(unsigned int index, int refCon1, int refCon2);
    // 0 for an index out of range.
    [[nodiscard]] int GetAutomationRefCon1(unsigned int index) const;
    [[nodiscard]] int GetAutomationRefCon2(unsigned int index) const;

    // --- presets. The MIDI attachments of the controls flagged "SaveMIDIAttachment" travel in
    // a setup record's "Control" records (a Preset::sPresetData is one of these), next to the
    // MIDI table's: a record is a control's when its name and lead parameter are those of a
    // flagged control (so a flagged control named like its own lead parameter is not told
    // apart from a table mapping of that parameter: name such controls differently). The
    // attachments are the algorithm's, not a setup's: `from` (the setup the record holds) and
    // `to` (the setup it is applied to) only reach cALGORITHM::LoadControlsFromPresetSelf.
    // Appends to `data` one record per flagged control that is attached (name, lead parameter,
    // channel, number, type, key switch); the records already there stay. eNoErr.
    int SaveControlsToPreset(Preset::sPresetControls& data, EPluginSetup from,
                             EPluginSetup to) const;
    // A record holding control records gives every flagged control the attachment its record
    // names, and detaches the flagged controls it has no (valid) record for; learn mode ends. A
    // record without any (a preset saved before, or by a plug-in without such controls) changes
    // nothing. eMemNullPointer for a null record, else eNoErr.
    int LoadControlsFromPreset(const Preset::sPresetControls* data, EPluginSetup from,
                               EPluginSetup to);
    // Whether `record` is the record of a flagged control (see above).
    [[nodiscard]] bool IsControlRecord(const Preset::sPresetControlData& record) const;

    // --- MIDI attachment (the MIDI layer drives these). Each takes the algorithm lock once
    // the manager has one. Event types are the MIDI layer's numbers (docs/midi.md): 1 note off,
    // 2 note on, 7 pitch bend; values as it reads them (0 ... 127, pitch bend -8192 ... 8191).
    static constexpr int kMidiNoteOff = 1;
    static constexpr int kMidiNoteOn = 2;
    static constexpr int kMidiPitchBend = 7;
    // Puts control `index` in learn mode (every other control leaves it); false out of range or
    // for a control without "CanAttachToMIDI" (nothing changes then). `on` false ends it.
    bool AttachMIDIToLearnMode(unsigned int index, bool on);
    // The control in learn mode, or -1.
    [[nodiscard]] int WhichControlInMIDILearn() const;
    // Every control loses its attachment and leaves learn mode.
    void ClearMidiControlsAttachment();
    // The indices of the controls attached to (channel, controlID, eventType), in host order; a
    // note off finds the controls attached to its note.
    [[nodiscard]] std::vector<unsigned int> GetMIDIEventControls(int channel, int controlID,
                                                                 int eventType) const;
    // Gives every control of MIDI group `group` the attachment of control `index` (channel,
    // number, type, key switch); nothing for group 0.
    void SyncronizeMidiGroup(unsigned int index);
    // One MIDI event. While a control is learning, the event attaches it (a note as a key
    // switch), its group follows and learning ends; the event moves nothing. Otherwise every
    // control attached to the event takes the value as a host value would (touch, value,
    // release reach the host, the value for the control itself too): the value's position in
    // its range is spread over the lead's states (0 ... 1000, or 0 ... states - 1), a key switch
    // steps to CalculateNextState on a press and ignores the release. Channels outside 0 ... 15
    // do nothing. The number of controls the event attached or moved.
    int MidiProcessControlChange(int channel, int controlID, int eventType, int value);
    // The state control `index`'s lead takes on the next press of a key switch: a discrete lead
    // steps to its next state, after the last back to 0 (with "SetOppositeNextState" it jumps
    // between 0 and its last state); a continuous lead goes to 1000 from the lower half, else
    // to 0. -1 for a bad index or a control without lead.
    [[nodiscard]] double CalculateNextState(unsigned int index) const;
    // What a control surface shows for control `index`: the "Value" of its "ControlSurface"
    // "Display" entry named by the lead's value string; without one the lead's state as a MIDI
    // value 0 ... 127 (what a controller sends to reach it). -1 for a bad index or no lead.
    [[nodiscard]] int ControlLedStateFromMap(unsigned int index) const;

    // --- control-surface page tables
    // Appends "GUIXML" holding a "Control_List" (every control, as ReadFromXML reads it) and a
    // "PTLayout" with the page table "PageTable 1": one "Page" of up to kControlsPerPage
    // "Control" entries, in host order.
    void WriteDefaultPageTablesToXML(XML::CXMLElement& parent) const;
    // Appends "GUIXML" / "DiscCtrls": one "CtrlID" per control whose lead is discrete, in host
    // order, then "Master Bypass".
    void WriteDefaultPageTablesDiscCtrlsToXML(XML::CXMLElement& parent) const;
    static constexpr unsigned int kControlsPerPage = 8;
    // A slot of a page that shows no control.
    static constexpr unsigned int kEmptySlot = 0xFFFFFFFFU;
    // Pages of host indices, as a control surface shows them.
    struct KCPageTable {
        KCFixedString<63> name;
        unsigned int pageSize = kControlsPerPage;
        std::vector<std::vector<unsigned int>> pages;
        bool operator==(const KCPageTable&) const = default;
    };
    // The table WriteDefaultPageTablesToXML writes: every control in host order, a page per
    // kControlsPerPage.
    [[nodiscard]] KCPageTable GetDefaultPageTable() const;
    // Reads the page table `tableName` (else the first) that a user or a control surface saved
    // under "PTLayout" of `gui` (a "GUIXML" element or its parent). Unlike the default table it
    // keeps the saved arrangement: pages and slots in their order ("pageSize" as saved, at most
    // 64), a "Dummy" entry or a name of no control (one removed since) as an empty slot, a control
    // listed twice only where it first appears, slots past the page size dropped; the controls
    // it does not list (new since it was saved) follow on new pages in host order, so every
    // control is on exactly one page. A saved "Control_List" changes no control. Without a table,
    // eValueNotFound and the default table; else eNoErr.
    KTErr ReadXMLControlsListForSavedPageTable(const XML::CXMLElement& gui, KCPageTable& table,
                                               const char* tableName = "PageTable 1") const;

private:
    // Whether the control list may still change: the algorithm is not created yet.
    [[nodiscard]] bool Editable() const;
    // Renumbers the host indices after the list changed.
    void Renumber();
    // Applies the "ControlOrder_List": named controls first, in its order; the rest after.
    void ApplyControlOrder(const XML::CXMLElement& orderList, KTErr& err);
    // The flagged control `record` belongs to, or null.
    [[nodiscard]] KCAutomationControl* ControlOfRecord(
        const Preset::sPresetControlData& record) const;
    // The MIDI operations with the lock held (or before there is an algorithm).
    bool AttachMIDIToLearnModeLocked(unsigned int index, bool on);
    [[nodiscard]] int WhichControlInMIDILearnLocked() const;
    [[nodiscard]] std::vector<unsigned int> GetMIDIEventControlsLocked(int channel, int controlID,
                                                                       int eventType) const;
    void SyncronizeMidiGroupLocked(unsigned int index);
    [[nodiscard]] double CalculateNextStateLocked(unsigned int index) const;
    // The lead state a MIDI value reaches on control `index`.
    [[nodiscard]] double MidiValueToState(unsigned int index, int eventType, int value) const;
    // Reads one "cCONTROLLER" under the name `name` (a copy of `element` with the number put
    // into its parameter names when it is numbered).
    void ReadControlElement(const XML::CXMLElement& element, const KCNumberedName& name);

    cALGORITHM* m_alg = nullptr;
    bool m_initialized = false;
    KTErr m_descriptionResult = eNoErr;
    std::vector<std::unique_ptr<KCAutomationControl>> m_controls;
};

}  // namespace kvKorvaneV10_0_3
