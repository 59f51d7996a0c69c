// The automation manager: controls from the GUI description, host values in, parameter values,
// touches and releases out.
#include "korvane/algorithm/automation_manager.h"

#include "korvane/algorithm/algorithm.h"
#include "korvane/core/error_codes.h"
#include "korvane/core/thread_mutex.h"
#include "korvane/xml/xml_element.h"
#include "korvane/xml/xml_values.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <system_error>
#include <utility>

namespace kvKorvaneV10_0_3 {
namespace {

using kvThread::ThreadMutexLock;
using XML::CXMLElement;

bool AttribIsTrue(const CXMLElement& e, const char* name) {
    std::string text;
    return e.GetAttrib(name, text) && text == "true";
}

// Whether `list` (or one of its "ControlOrder" children) holds a "Flags" child that asks to
// ignore the order.
bool IgnoresOrder(const CXMLElement& list) {
    for (const CXMLElement* child : list.GetSubElements()) {
        if (child->GetName() == "Flags" && child->SubElement("IgnoreControlOrder") != nullptr) {
            return true;
        }
        if (child->GetName() == "ControlOrder" && IgnoresOrder(*child)) {
            return true;
        }
    }
    return false;
}

}  // namespace

KCAutomationManager::~KCAutomationManager() = default;

void KCAutomationManager::Init(cALGORITHM* alg) {
    if (alg == nullptr || m_initialized) {
        return;
    }
    m_alg = alg;
    m_initialized = true;
    Renumber();  // controls added before the algorithm was known belong to it now
    CXMLElement root;
    // Without a GUI description the plug-in simply has no automation controls.
    if (alg->GetAutomationDescription(root) == eNoErr) {
        m_descriptionResult = ReadFromXML(root);
    }
}

namespace {

// A whole decimal integer (sign allowed); false for anything else or out of range.
bool ParseWhole(std::string_view text, long long& value) {
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && !text.empty();
}

// An integer attribute: absent leaves `value`; present but no whole number (or outside
// `lo` ... `hi`) is an error.
bool ReadWholeAttrib(const CXMLElement& e, const char* name, long long lo, long long hi,
                     long long& value, bool& present) {
    std::string text;
    present = e.GetAttrib(name, text);
    if (!present) {
        return true;
    }
    long long read = 0;
    if (!ParseWhole(text, read) || read < lo || read > hi) {
        return false;
    }
    value = read;
    return true;
}

constexpr long long kMaxInitIndex = 1'000'000'000LL;
constexpr const char* kDefaultIndexMarker = "#";

std::string IndexMarker(const CXMLElement& e) {
    std::string marker;
    if (!e.GetAttrib("ReplaceByIndex", marker) || marker.empty()) {
        marker = kDefaultIndexMarker;
    }
    return marker;
}

}  // namespace

std::string KCAutomationManager::ReplaceIndexMarker(std::string_view text, std::string_view marker,
                                                    long long number) {
    std::string out(text);
    if (marker.empty()) {
        return out;
    }
    std::array<char, 24> digits{};
    const auto [end, ec] = std::to_chars(digits.data(), digits.data() + digits.size(), number);
    const std::string_view num(digits.data(), ec == std::errc() ? end - digits.data() : 0);
    for (std::size_t at = out.find(marker); at != std::string::npos;
         at = out.find(marker, at + num.size())) {
        out.replace(at, marker.size(), num);
    }
    return out;
}

std::vector<KCAutomationManager::KCNumberedName> KCAutomationManager::ExpandNumberedName(
    const CXMLElement& element, KTErr& err) {
    std::vector<KCNumberedName> names;
    KCNumberedName one;
    element.GetAttrib("Name", one.name);
    std::string countText;
    if (!element.GetAttrib("Num", countText)) {
        names.push_back(one);
        return names;
    }
    long long count = 0;
    const char* end = countText.data() + countText.size();
    const auto [ptr, ec] = std::from_chars(countText.data(), end, count);
    // A count too large even to read is capped like any other large one.
    if (ec == std::errc::result_out_of_range && ptr == end && countText.front() != '-') {
        count = std::numeric_limits<long long>::max();
    } else if (ec != std::errc() || ptr != end || countText.empty() || count < 1) {
        err = eOutOfRangeNumber;  // no count: the element makes no control
        return names;
    }
    if (count > kMaxNumberedControls) {
        err = eOutOfRangeNumber;
        count = kMaxNumberedControls;
    }
    long long first = 1;
    bool present = false;
    if (!ReadWholeAttrib(element, "InitIndex", -kMaxInitIndex, kMaxInitIndex, first, present)) {
        err = eOutOfRangeNumber;
        first = 1;
    }
    const std::string marker = IndexMarker(element);
    // Without the marker the number is appended, so the names stay distinct.
    std::string pattern(one.name.c_str());
    if (pattern.find(marker) == std::string::npos) {
        pattern += ' ';
        pattern += marker;
    }
    for (long long k = 0; k < count; ++k) {
        KCNumberedName n;
        n.numbered = true;
        n.position = static_cast<int>(k);
        n.number = first + k;
        const std::string name = ReplaceIndexMarker(pattern, marker, n.number);
        n.name = name.c_str();
        names.push_back(n);
    }
    return names;
}

KTErr KCAutomationManager::ReadFromXML(const CXMLElement& root) {
    if (m_alg == nullptr || !Editable()) {
        return eWrongObjectState;
    }
    KTErr err = eNoErr;
    for (const CXMLElement* list : root.GetSubElements()) {
        if (list->GetName() != "Control_List") {
            continue;
        }
        for (const CXMLElement* element : list->GetSubElements()) {
            // Only an element with a "Class" attribute describes a control for the host; a
            // window's control (its kind in a "Class" child) shares the list but is the GUI's.
            std::string cls;
            if (element->GetName() != "cCONTROLLER" || !element->GetAttrib("Class", cls)) {
                continue;
            }
            for (const KCNumberedName& name : ExpandNumberedName(*element, err)) {
                ReadControlElement(*element, name);
            }
        }
    }
    for (const CXMLElement* list : root.GetSubElements()) {
        if (list->GetName() == "ControlOrder_List" && !IgnoresOrder(*list)) {
            ApplyControlOrder(*list, err);
        }
    }
    Renumber();
    return err;
}

void KCAutomationManager::ReadControlElement(const CXMLElement& element,
                                             const KCNumberedName& name) {
    const CXMLElement* source = &element;
    CXMLElement numbered;
    if (name.numbered) {
        // A copy carries the control's own name and number into its parameter names; a
        // "Param" may count from its own "InitIndex" (parameter arrays often start at 0).
        numbered = element;
        numbered.SetAttrib("Name", name.name.c_str());
        const std::string marker = IndexMarker(element);
        for (CXMLElement* list : numbered.GetSubElements()) {
            if (list->GetName() != "ParameterList") {
                continue;
            }
            for (CXMLElement* param : list->GetSubElements()) {
                std::string paramName;
                if (param->GetName() != "Param" || !param->GetAttrib("Name", paramName)) {
                    continue;
                }
                long long first = name.number - name.position;
                bool present = false;
                if (!ReadWholeAttrib(*param, "InitIndex", -kMaxInitIndex, kMaxInitIndex, first,
                                     present)) {
                    first = name.number - name.position;
                }
                param->SetAttrib(
                    "Name", ReplaceIndexMarker(paramName, marker, first + name.position).c_str());
            }
        }
        source = &numbered;
    }
    int index = GetControlIndexByName(name.name.c_str());
    const bool existing = index >= 0;
    if (!existing) {
        m_controls.push_back(std::make_unique<KCAutomationControl>());
        index = static_cast<int>(m_controls.size()) - 1;
    }
    std::string type;
    if (source->GetAttrib("AutomationType", type) && AttribIsTrue(*source, "Custom")) {
        if (auto specific = m_alg->CreateSpecificAutomationControls(type.c_str())) {
            m_controls[static_cast<std::size_t>(index)] = std::move(specific);
        }
    }
    m_controls[static_cast<std::size_t>(index)]->ReadFromXMLWithAlg(*source, m_alg, existing);
}

void KCAutomationManager::ApplyControlOrder(const CXMLElement& orderList, KTErr& err) {
    std::vector<std::unique_ptr<KCAutomationControl>> ordered;
    for (const CXMLElement* order : orderList.GetSubElements()) {
        if (order->GetName() != "ControlOrder") {
            continue;
        }
        for (const CXMLElement* entry : order->GetSubElements()) {
            std::string named;
            if (entry->GetName() != "Control" || !entry->GetAttrib("Name", named)) {
                continue;  // "Dummy" entries hold no control
            }
            // An entry may stand for numbered controls the way a "cCONTROLLER" does.
            for (const KCNumberedName& name : ExpandNumberedName(*entry, err)) {
                const auto it = std::ranges::find_if(m_controls, [&name](const auto& c) {
                    return c != nullptr && c->GetName() == name.name;
                });
                if (it != m_controls.end()) {
                    ordered.push_back(std::move(*it));
                }
            }
        }
    }
    for (auto& control : m_controls) {
        if (control != nullptr) {
            ordered.push_back(std::move(control));
        }
    }
    m_controls = std::move(ordered);
}

void KCAutomationManager::Renumber() {
    for (std::size_t i = 0; i < m_controls.size(); ++i) {
        KCAutomationControl& c = *m_controls[i];
        c.SetAlgorithm(m_alg);
        c.SetHostIndex(static_cast<int>(i));
        c.SetPublished(true);
    }
}

void KCAutomationManager::FinishCreate() {
    for (const auto& control : m_controls) {
        static_cast<void>(control->FinishCreate());
    }
}

// ------------------------------------------------------------------ lookup

KCAutomationControl* KCAutomationManager::GetAutomationControl(unsigned int index) const {
    return index < m_controls.size() ? m_controls[index].get() : nullptr;
}

KCAutomationControl* KCAutomationManager::GetAutomationControlByName(const char* name) const {
    const int index = GetControlIndexByName(name);
    return index < 0 ? nullptr : m_controls[static_cast<std::size_t>(index)].get();
}

KCAutomationControl* KCAutomationManager::GetAutomationControlByLeadParamID(
    unsigned int paramID) const {
    for (const auto& control : m_controls) {
        if (control->GetLeadParamID() == paramID) {
            return control.get();
        }
    }
    return nullptr;
}

int KCAutomationManager::GetControlIndexByName(const char* name) const {
    if (name == nullptr) {
        return -1;
    }
    for (std::size_t i = 0; i < m_controls.size(); ++i) {
        if (m_controls[i]->GetName() == name) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int KCAutomationManager::GetControlNameOfLength(unsigned int index, unsigned int length,
                                                char* buffer) const {
    if (index >= m_controls.size()) {
        return kAutomationBadIndex;
    }
    return m_controls[index]->GetControlNameOfLength(length, buffer);
}

// ------------------------------------------------------------------ editing

bool KCAutomationManager::Editable() const {
    return m_alg == nullptr || !m_alg->IsCreated();
}

KTErr KCAutomationManager::AddNewAutomationControl(std::unique_ptr<KCAutomationControl> control) {
    return AddNewAutomationControlForIndex(std::move(control), GetNumAutomationControllers());
}

KTErr KCAutomationManager::AddNewAutomationControlForIndex(
    std::unique_ptr<KCAutomationControl> control, unsigned int index) {
    if (!Editable()) {
        return eWrongObjectState;
    }
    if (control == nullptr) {
        return kAutomationBadIndex;
    }
    const auto at = std::min<std::size_t>(index, m_controls.size());
    m_controls.insert(m_controls.begin() + static_cast<std::ptrdiff_t>(at), std::move(control));
    Renumber();
    return eNoErr;
}

KTErr KCAutomationManager::DeleteAutomationControl(const KCAutomationControl* control) {
    if (!Editable()) {
        return eWrongObjectState;
    }
    const auto it =
        std::ranges::find_if(m_controls, [control](const auto& c) { return c.get() == control; });
    if (it == m_controls.end()) {
        return kAutomationBadIndex;
    }
    if (m_alg != nullptr) {
        const ThreadMutexLock lock(m_alg->AlgLock());
        (*it)->EndGesture();
    }
    m_controls.erase(it);
    Renumber();
    return eNoErr;
}

KTErr KCAutomationManager::RenameAutomationControl(KCAutomationControl* control, const char* name) {
    if (!Editable()) {
        return eWrongObjectState;
    }
    if (control == nullptr) {
        return kAutomationBadIndex;
    }
    control->SetName(name);
    return eNoErr;
}

// ------------------------------------------------------------------ values

int KCAutomationManager::SetControllerValue(unsigned int index, double value) {
    if (index >= m_controls.size() || m_alg == nullptr) {
        return kAutomationBadIndex;
    }
    if (!std::isfinite(value)) {
        return eNotANumber;
    }
    KCAutomationControl& control = *m_controls[index];
    BUFFER_HEADER* chain = nullptr;
    {
        const ThreadMutexLock lock(m_alg->AlgLock());
        chain = control.SetControllerValue(value);
        // The host knows the value it set; the other controls on the moved parameters do not.
        for (const KCParamRegistrationData& r : control.GetRegistrations()) {
            if (r.paramID < m_alg->GetNumParams()) {
                NotifyParamValue(r.paramID, &control);
            }
        }
    }
    ExecuteAndDisposeBuffer(chain);
    return eNoErr;
}

int KCAutomationManager::TranslateController(unsigned int index, double value,
                                             KCFixedStringBase& text) const {
    if (index >= m_controls.size()) {
        return kAutomationBadIndex;
    }
    return m_controls[index]->TranslateController(value, text);
}

void KCAutomationManager::NotifyParamValue(unsigned int paramID,
                                           const KCAutomationControl* except) {
    if (m_alg == nullptr || m_controls.empty() || paramID >= m_alg->GetNumParams()) {
        return;
    }
    const ThreadMutexLock lock(m_alg->AlgLock());
    // Read under the lock that orders the reports: a state read before it could reach the host
    // after a newer one.
    const double state = m_alg->GetParamState(paramID);
    for (const auto& control : m_controls) {
        if (control.get() != except && control->GetLeadParamID() == paramID) {
            control->NotifySetControlValue(state);
        }
    }
}

void KCAutomationManager::Touch(unsigned int paramID) {
    if (m_alg == nullptr || m_controls.empty()) {
        return;
    }
    const ThreadMutexLock lock(m_alg->AlgLock());
    for (const auto& control : m_controls) {
        if (control->GetLeadParamID() == paramID) {
            control->NotifyTouch();
        }
    }
}

void KCAutomationManager::Release(unsigned int paramID) {
    if (m_alg == nullptr || m_controls.empty()) {
        return;
    }
    const ThreadMutexLock lock(m_alg->AlgLock());
    for (const auto& control : m_controls) {
        if (control->GetLeadParamID() == paramID) {
            control->NotifyRelease();
        }
    }
}

void KCAutomationManager::TouchAllPararms() {
    if (m_alg == nullptr || m_controls.empty()) {
        return;
    }
    const ThreadMutexLock lock(m_alg->AlgLock());
    for (const auto& control : m_controls) {
        control->NotifyTouch();
    }
}

void KCAutomationManager::ReleaseAllParams() {
    if (m_alg == nullptr || m_controls.empty()) {
        return;
    }
    const ThreadMutexLock lock(m_alg->AlgLock());
    for (const auto& control : m_controls) {
        control->NotifyRelease();
    }
}

int KCAutomationManager::EndAllGestures() {
    if (m_alg == nullptr || m_controls.empty()) {
        return 0;
    }
    const ThreadMutexLock lock(m_alg->AlgLock());
    int ended = 0;
    for (const auto& control : m_controls) {
        ended += control->EndGesture() ? 1 : 0;
    }
    return ended;
}

void KCAutomationManager::ExecuteAndDisposeBuffer(BUFFER_HEADER*& chain) {
    if (chain != nullptr && m_alg != nullptr) {
        // A refused delivery is the host's to report; the chain is freed either way.
        static_cast<void>(m_alg->SendAndFreeBuffers(chain, ProcessMemory::eSelPostChain, true));
    }
    chain = nullptr;
}

// ------------------------------------------------------------------ host data

int KCAutomationManager::GetControlAutomationInfo(unsigned int index,
                                                  ControllerAutomationInfoVer9* info) {
    if (info == nullptr) {
        return kAutomationBadIndex;
    }
    if (!KCAutomationControl::IsControlAutomationInfoVersionSupported(info->version)) {
        return kAutomationBadVersion;
    }
    if (index >= m_controls.size()) {
        return kAutomationBadIndex;
    }
    return m_controls[index]->GetControlAutomationInfo(*info);
}

int KCAutomationManager::SetAutomationRefCons(unsigned int index, int refCon1, int refCon2) {
    if (index >= m_controls.size()) {
        return kAutomationBadIndex;
    }
    m_controls[index]->SetAutomationRefCons(refCon1, refCon2);
    return eNoErr;
}

int KCAutomationManager::GetAutomationRefCon1(unsigned int index) const {
    return index < m_controls.size() ? m_controls[index]->GetAutomationRefCon1() : 0;
}

int KCAutomationManager::GetAutomationRefCon2(unsigned int index) const {
    return index < m_controls.size() ? m_controls[index]->GetAutomationRefCon2() : 0;
}

// ------------------------------------------------------------------ presets

KCAutomationControl* KCAutomationManager::ControlOfRecord(
    const Preset::sPresetControlData& record) const {
    for (const auto& control : m_controls) {
        const unsigned int lead = control->GetLeadParamID();
        const int leadParam = lead == kNoParamID ? -1 : static_cast<int>(lead);
        if (control->GetControlFlag(eCtrlSaveMIDIAttachment) && control->GetName() == record.name &&
            leadParam == record.leadParam) {
            return control.get();
        }
    }
    return nullptr;
}

bool KCAutomationManager::IsControlRecord(const Preset::sPresetControlData& record) const {
    if (m_alg == nullptr) {
        return ControlOfRecord(record) != nullptr;
    }
    const ThreadMutexLock lock(m_alg->AlgLock());
    return ControlOfRecord(record) != nullptr;
}

int KCAutomationManager::SaveControlsToPreset(Preset::sPresetControls& data, EPluginSetup /*from*/,
                                              EPluginSetup /*to*/) const {
    if (m_alg == nullptr) {
        return eNoErr;
    }
    const ThreadMutexLock lock(m_alg->AlgLock());
    for (const auto& control : m_controls) {
        const KCMIDIAttachment& midi = control->GetMIDIAttachment();
        if (!control->GetControlFlag(eCtrlSaveMIDIAttachment) || !midi.IsAttached()) {
            continue;
        }
        Preset::sPresetControlData record;
        record.name = control->GetName();
        const unsigned int lead = control->GetLeadParamID();
        record.leadParam = lead == kNoParamID ? -1 : static_cast<int>(lead);
        record.keySwitch = midi.keySwitch;
        record.midiChannel = midi.channel;
        record.midiControlID = midi.controlID;
        record.midiEventType = midi.eventType;
        data.controls.push_back(record);
    }
    return eNoErr;
}

int KCAutomationManager::LoadControlsFromPreset(const Preset::sPresetControls* data,
                                                EPluginSetup /*from*/, EPluginSetup /*to*/) {
    if (data == nullptr) {
        return eMemNullPointer;
    }
    if (m_alg == nullptr) {
        return eNoErr;
    }
    const ThreadMutexLock lock(m_alg->AlgLock());
    std::vector<const Preset::sPresetControlData*> found(m_controls.size(), nullptr);
    bool any = false;
    for (const Preset::sPresetControlData& record : data->controls) {
        KCAutomationControl* control = ControlOfRecord(record);
        if (control == nullptr) {
            continue;
        }
        any = true;
        const auto index = static_cast<std::size_t>(control->GetHostIndex());
        constexpr int kChannels = 16;
        const bool valid =
            record.midiChannel >= 0 && record.midiChannel < kChannels && record.midiControlID >= 0;
        if (index < found.size() && found[index] == nullptr && valid) {
            found[index] = &record;
        }
    }
    if (!any) {
        return eNoErr;  // a preset saved without control records keeps the attachments
    }
    for (std::size_t i = 0; i < m_controls.size(); ++i) {
        KCAutomationControl& control = *m_controls[i];
        if (!control.GetControlFlag(eCtrlSaveMIDIAttachment)) {
            continue;
        }
        control.ClearMIDIAttachment();
        if (const Preset::sPresetControlData* record = found[i]; record != nullptr) {
            control.SetMIDIChannel(record->midiChannel);
            control.SetMIDIControlID(record->midiControlID);
            control.SetMIDIEventType(record->midiEventType);
            control.SetMIDIKeySwitch(record->keySwitch);
        }
    }
    return eNoErr;
}

// ------------------------------------------------------------------ MIDI attachment

bool KCAutomationManager::AttachMIDIToLearnMode(unsigned int index, bool on) {
    if (m_alg == nullptr) {
        return AttachMIDIToLearnModeLocked(index, on);
    }
    const ThreadMutexLock lock(m_alg->AlgLock());
    return AttachMIDIToLearnModeLocked(index, on);
}

bool KCAutomationManager::AttachMIDIToLearnModeLocked(unsigned int index, bool on) {
    if (index >= m_controls.size() || (on && !m_controls[index]->CanAttachToMIDI())) {
        return false;
    }
    for (std::size_t i = 0; i < m_controls.size(); ++i) {
        m_controls[i]->SetMIDILearnMode(i == index && on);
    }
    return true;
}

int KCAutomationManager::WhichControlInMIDILearn() const {
    if (m_alg == nullptr) {
        return WhichControlInMIDILearnLocked();
    }
    const ThreadMutexLock lock(m_alg->AlgLock());
    return WhichControlInMIDILearnLocked();
}

int KCAutomationManager::WhichControlInMIDILearnLocked() const {
    for (std::size_t i = 0; i < m_controls.size(); ++i) {
        if (m_controls[i]->GetMIDILearnMode()) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void KCAutomationManager::ClearMidiControlsAttachment() {
    if (m_alg == nullptr) {
        for (const auto& control : m_controls) {
            control->ClearMIDIAttachment();
        }
        return;
    }
    const ThreadMutexLock lock(m_alg->AlgLock());
    for (const auto& control : m_controls) {
        control->ClearMIDIAttachment();
    }
}

std::vector<unsigned int> KCAutomationManager::GetMIDIEventControls(int channel, int controlID,
                                                                    int eventType) const {
    if (m_alg == nullptr) {
        return GetMIDIEventControlsLocked(channel, controlID, eventType);
    }
    const ThreadMutexLock lock(m_alg->AlgLock());
    return GetMIDIEventControlsLocked(channel, controlID, eventType);
}

std::vector<unsigned int> KCAutomationManager::GetMIDIEventControlsLocked(int channel,
                                                                          int controlID,
                                                                          int eventType) const {
    // A note's release reaches the controls its press does.
    const int type = eventType == kMidiNoteOff ? kMidiNoteOn : eventType;
    std::vector<unsigned int> found;
    for (std::size_t i = 0; i < m_controls.size(); ++i) {
        const KCMIDIAttachment& m = m_controls[i]->GetMIDIAttachment();
        if (m.IsAttached() && m.channel == channel && m.controlID == controlID &&
            m.eventType == type) {
            found.push_back(static_cast<unsigned int>(i));
        }
    }
    return found;
}

void KCAutomationManager::SyncronizeMidiGroup(unsigned int index) {
    if (m_alg == nullptr) {
        SyncronizeMidiGroupLocked(index);
        return;
    }
    const ThreadMutexLock lock(m_alg->AlgLock());
    SyncronizeMidiGroupLocked(index);
}

void KCAutomationManager::SyncronizeMidiGroupLocked(unsigned int index) {
    if (index >= m_controls.size()) {
        return;
    }
    const KCMIDIAttachment source = m_controls[index]->GetMIDIAttachment();
    if (source.group == 0) {
        return;
    }
    for (const auto& control : m_controls) {
        if (control->GetMIDIGroup() == source.group) {
            control->SetMIDIChannel(source.channel);
            control->SetMIDIControlID(source.controlID);
            control->SetMIDIEventType(source.eventType);
            control->SetMIDIKeySwitch(source.keySwitch);
        }
    }
}

double KCAutomationManager::MidiValueToState(unsigned int index, int eventType, int value) const {
    const unsigned int lead = m_controls[index]->GetLeadParamID();
    // Called with the lock held.
    const sCONTROL_PARAM& param = m_alg->GetParamVector()[lead];
    double position = eventType == kMidiPitchBend ? (value + 8192.0) / 16383.0 : value / 127.0;
    position = std::clamp(position, 0.0, 1.0);
    if (param.GetType() == eParamDiscrete) {
        return std::round(position * std::max(param.GetNumStates() - 1, 0));
    }
    return position * param.GetMaxState();
}

int KCAutomationManager::MidiProcessControlChange(int channel, int controlID, int eventType,
                                                  int value) {
    constexpr int kChannels = 16;
    if (m_alg == nullptr || channel < 0 || channel >= kChannels || controlID < 0) {
        return 0;
    }
    std::vector<std::pair<unsigned int, double>> moves;
    {
        const ThreadMutexLock lock(m_alg->AlgLock());
        const int learning = WhichControlInMIDILearnLocked();
        if (learning >= 0) {
            KCAutomationControl& control = *m_controls[static_cast<std::size_t>(learning)];
            const bool note = eventType == kMidiNoteOn || eventType == kMidiNoteOff;
            control.SetMIDIChannel(channel);
            control.SetMIDIControlID(controlID);
            control.SetMIDIEventType(note ? kMidiNoteOn : eventType);
            control.SetMIDIKeySwitch(note);
            control.SetMIDILearnMode(false);
            SyncronizeMidiGroupLocked(static_cast<unsigned int>(learning));
            return 1;
        }
        for (const unsigned int index : GetMIDIEventControlsLocked(channel, controlID, eventType)) {
            const unsigned int lead = m_controls[index]->GetLeadParamID();
            if (lead >= m_alg->GetNumParams()) {
                continue;
            }
            if (m_controls[index]->GetMIDIKeySwitch()) {
                const bool press = eventType != kMidiNoteOff && value > 0;
                if (press) {
                    moves.emplace_back(index, CalculateNextStateLocked(index));
                }
                continue;
            }
            moves.emplace_back(index, MidiValueToState(index, eventType, value));
        }
    }
    // Each move is a gesture of its own; SetControllerValue posts its chain outside the lock.
    for (const auto& [index, state] : moves) {
        KCAutomationControl& control = *m_controls[index];
        {
            const ThreadMutexLock lock(m_alg->AlgLock());
            control.NotifyTouch();
        }
        static_cast<void>(SetControllerValue(index, state));
        const ThreadMutexLock lock(m_alg->AlgLock());
        // The host did not set this value: it hears it like the other controls on the lead.
        control.NotifySetControlValue(m_alg->GetParamState(control.GetLeadParamID()));
        control.NotifyRelease();
    }
    return static_cast<int>(moves.size());
}

double KCAutomationManager::CalculateNextState(unsigned int index) const {
    if (m_alg == nullptr) {
        return -1.0;
    }
    const ThreadMutexLock lock(m_alg->AlgLock());
    return CalculateNextStateLocked(index);
}

double KCAutomationManager::CalculateNextStateLocked(unsigned int index) const {
    if (index >= m_controls.size() ||
        m_controls[index]->GetLeadParamID() >= m_alg->GetNumParams()) {
        return -1.0;
    }
    const KCAutomationControl& control = *m_controls[index];
    const unsigned int lead = control.GetLeadParamID();
    const sCONTROL_PARAM& param = m_alg->GetParamVector()[lead];  // lock held
    const double state = m_alg->GetParamState(lead);
    if (param.GetType() == eParamDiscrete) {
        const int last = std::max(param.GetNumStates() - 1, 0);
        const auto current = static_cast<int>(std::lround(state));
        if (control.GetControlFlag(eCtrlSetOppositeNextState)) {
            return current == 0 ? last : 0;
        }
        return current >= last ? 0 : current + 1;
    }
    const double top = param.GetMaxState();
    return state < top / 2 ? top : 0.0;
}

int KCAutomationManager::ControlLedStateFromMap(unsigned int index) const {
    if (m_alg == nullptr || index >= m_controls.size()) {
        return -1;
    }
    const ThreadMutexLock lock(m_alg->AlgLock());
    KCAutomationControl& control = *m_controls[index];
    const unsigned int lead = control.GetLeadParamID();
    if (lead >= m_alg->GetNumParams()) {
        return -1;
    }
    control.UpdateValueStringOfParam(lead);
    const sCONTROL_PARAM& param = m_alg->GetParam(lead);
    for (const KCControlSurfaceDisplay::Entry& entry :
         control.GetControlSurfaceDisplay().displays) {
        if (!entry.name.empty() && entry.name == param.GetValueString()) {
            return entry.value;
        }
    }
    const double state = m_alg->GetParamState(lead);
    const double top = param.GetType() == eParamDiscrete
                           ? static_cast<double>(std::max(param.GetNumStates() - 1, 1))
                           : param.GetMaxState();
    return static_cast<int>(std::lround(std::clamp(state / top, 0.0, 1.0) * 127.0));
}

// ------------------------------------------------------------------ page tables

void KCAutomationManager::WriteDefaultPageTablesToXML(CXMLElement& parent) const {
    CXMLElement* gui = parent.AddSubElement("GUIXML");
    CXMLElement* list = gui->AddSubElement("Control_List");
    for (const auto& control : m_controls) {
        control->WriteToXMLWithAlg(*list, m_alg, "cCONTROLLER");
    }
    CXMLElement* table = gui->AddSubElement("PTLayout")->AddSubElement("PageTable");
    table->AddAttrib("name", "PageTable 1");
    table->AddAttrib("pageSize", static_cast<int>(kControlsPerPage));
    CXMLElement* page = nullptr;
    for (std::size_t i = 0; i < m_controls.size(); ++i) {
        if (i % kControlsPerPage == 0) {
            page = table->AddSubElement("Page");
        }
        page->AddSubElement("Control")->AddAttrib("Name", m_controls[i]->GetName().c_str());
    }
}

KCAutomationManager::KCPageTable KCAutomationManager::GetDefaultPageTable() const {
    KCPageTable table;
    table.name = "PageTable 1";
    for (unsigned int i = 0; i < m_controls.size(); ++i) {
        if (i % kControlsPerPage == 0) {
            table.pages.emplace_back();
        }
        table.pages.back().push_back(i);
    }
    return table;
}

KTErr KCAutomationManager::ReadXMLControlsListForSavedPageTable(const CXMLElement& gui,
                                                                KCPageTable& table,
                                                                const char* tableName) const {
    constexpr int kMaxPageSize = 64;
    const CXMLElement* root = gui.GetName() == "GUIXML" ? &gui : gui.SubElement("GUIXML");
    const CXMLElement* layout = root != nullptr ? root->SubElement("PTLayout") : nullptr;
    const CXMLElement* first = nullptr;
    const CXMLElement* named = nullptr;
    if (layout != nullptr) {
        for (const CXMLElement* child : layout->GetSubElements()) {
            if (child->GetName() != "PageTable") {
                continue;
            }
            first = first != nullptr ? first : child;
            std::string name;
            if (named == nullptr && tableName != nullptr && child->GetAttrib("name", name) &&
                name == tableName) {
                named = child;
            }
        }
    }
    const CXMLElement* saved = named != nullptr ? named : first;
    if (saved == nullptr) {
        table = GetDefaultPageTable();
        return eValueNotFound;
    }
    table = KCPageTable();
    saved->GetAttrib("name", table.name);
    int pageSize = static_cast<int>(kControlsPerPage);
    if (saved->GetAttrib("pageSize", pageSize) && pageSize >= 1 && pageSize <= kMaxPageSize) {
        table.pageSize = static_cast<unsigned int>(pageSize);
    }
    std::vector<bool> placed(m_controls.size(), false);
    for (const CXMLElement* page : saved->GetSubElements()) {
        if (page->GetName() != "Page") {
            continue;
        }
        std::vector<unsigned int>& slots = table.pages.emplace_back();
        for (const CXMLElement* entry : page->GetSubElements()) {
            if (slots.size() >= table.pageSize) {
                break;
            }
            KCFixedString<127> name;
            if (entry->GetName() == "Dummy" ||
                (entry->GetName() == "Control" && !entry->GetAttrib("Name", name))) {
                slots.push_back(kEmptySlot);
                continue;
            }
            if (entry->GetName() != "Control") {
                continue;
            }
            const int index = GetControlIndexByName(name.c_str());
            if (index < 0) {
                slots.push_back(kEmptySlot);  // the others keep their places
            } else if (!placed[static_cast<std::size_t>(index)]) {
                placed[static_cast<std::size_t>(index)] = true;
                slots.push_back(static_cast<unsigned int>(index));
            }
        }
    }
    bool fresh = true;  // controls the table does not list start a page of their own
    for (unsigned int i = 0; i < m_controls.size(); ++i) {
        if (placed[i]) {
            continue;
        }
        if (fresh || table.pages.back().size() >= table.pageSize) {
            table.pages.emplace_back();
            fresh = false;
        }
        table.pages.back().push_back(i);
    }
    return eNoErr;
}

void KCAutomationManager::WriteDefaultPageTablesDiscCtrlsToXML(CXMLElement& parent) const {
    CXMLElement* disc = parent.AddSubElement("GUIXML")->AddSubElement("DiscCtrls");
    for (const auto& control : m_controls) {
        const unsigned int lead = control->GetLeadParamID();
        if (m_alg != nullptr && lead < m_alg->GetNumParams() &&
            m_alg->GetParamType(lead) == eParamDiscrete) {
            disc->AddSubElement("CtrlID", control->GetName().c_str());
        }
    }
    disc->AddSubElement("CtrlID", "Master Bypass");
}

}  // namespace kvKorvaneV10_0_3
