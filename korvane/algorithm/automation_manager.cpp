// The automation manager: controls from the GUI description, host values in, parameter values,
// touches and releases out.
#include "korvane/algorithm/automation_manager.h"

#include "korvane/algorithm/algorithm.h"
#include "korvane/core/error_codes.h"
#include "korvane/core/thread_mutex.h"
#include "korvane/scan/component_xml_resource.h"
#include "korvane/xml/xml_element.h"
#include "korvane/xml/xml_values.h"

#include <algorithm>
#include <cmath>
#include <string>
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
    if (alg->GetResContainer() == nullptr) {
        return;
    }
    CXMLElement root;
    // Without a GUI description the plug-in simply has no automation controls.
    if (RM::GetAndFilterXMLResourceByComponentInfo(alg->GetResContainer(), RM::KCResType("GUIXML"),
                                                   alg->DescriptionResourceID(),
                                                   alg->GetComponentInfo(), root) == eNoErr) {
        ReadFromXML(root);
    }
}

void KCAutomationManager::ReadFromXML(const CXMLElement& root) {
    if (m_alg == nullptr) {
        return;
    }
    for (const CXMLElement* list : root.GetSubElements()) {
        if (list->GetName() != "Control_List") {
            continue;
        }
        for (const CXMLElement* element : list->GetSubElements()) {
            if (element->GetName() != "cCONTROLLER") {
                continue;
            }
            KCFixedString<127> name;
            element->GetAttrib("Name", name);
            int index = GetControlIndexByName(name.c_str());
            const bool existing = index >= 0;
            if (!existing) {
                m_controls.push_back(std::make_unique<KCAutomationControl>());
                index = static_cast<int>(m_controls.size()) - 1;
            }
            std::string type;
            if (element->GetAttrib("AutomationType", type) && AttribIsTrue(*element, "Custom")) {
                if (auto specific = m_alg->CreateSpecificAutomationControls(type.c_str())) {
                    m_controls[static_cast<std::size_t>(index)] = std::move(specific);
                }
            }
            m_controls[static_cast<std::size_t>(index)]->ReadFromXMLWithAlg(*element, m_alg,
                                                                            existing);
        }
    }
    for (const CXMLElement* list : root.GetSubElements()) {
        if (list->GetName() == "ControlOrder_List" && !IgnoresOrder(*list)) {
            ApplyControlOrder(*list);
        }
    }
    Renumber();
}

void KCAutomationManager::ApplyControlOrder(const CXMLElement& orderList) {
    std::vector<std::unique_ptr<KCAutomationControl>> ordered;
    for (const CXMLElement* order : orderList.GetSubElements()) {
        if (order->GetName() != "ControlOrder") {
            continue;
        }
        for (const CXMLElement* entry : order->GetSubElements()) {
            KCFixedString<127> name;
            if (entry->GetName() != "Control" || !entry->GetAttrib("Name", name)) {
                continue;  // "Dummy" entries hold no control
            }
            const auto it = std::ranges::find_if(m_controls, [&name](const auto& c) {
                return c != nullptr && c->GetName() == name;
            });
            if (it != m_controls.end()) {
                ordered.push_back(std::move(*it));
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

// ------------------------------------------------------------------ MIDI attachment

bool KCAutomationManager::AttachMIDIToLearnMode(unsigned int index, bool on) {
    if (index >= m_controls.size()) {
        return false;
    }
    for (std::size_t i = 0; i < m_controls.size(); ++i) {
        m_controls[i]->SetMIDILearnMode(i == index && on);
    }
    return true;
}

int KCAutomationManager::WhichControlInMIDILearn() const {
    for (std::size_t i = 0; i < m_controls.size(); ++i) {
        if (m_controls[i]->GetMIDILearnMode()) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void KCAutomationManager::ClearMidiControlsAttachment() {
    for (const auto& control : m_controls) {
        control->ClearMIDIAttachment();
    }
}

std::vector<unsigned int> KCAutomationManager::GetMIDIEventControls(int channel, int controlID,
                                                                    int eventType) const {
    std::vector<unsigned int> found;
    for (std::size_t i = 0; i < m_controls.size(); ++i) {
        const KCMIDIAttachment& m = m_controls[i]->GetMIDIAttachment();
        if (m.channel == channel && m.controlID == controlID && m.eventType == eventType &&
            controlID >= 0) {
            found.push_back(static_cast<unsigned int>(i));
        }
    }
    return found;
}

void KCAutomationManager::SyncronizeMidiGroup(unsigned int index) {
    if (index >= m_controls.size()) {
        return;
    }
    const KCMIDIAttachment source = m_controls[index]->GetMIDIAttachment();
    for (const auto& control : m_controls) {
        if (control->GetMIDIGroup() == source.group && source.group != 0) {
            control->SetMIDIChannel(source.channel);
            control->SetMIDIControlID(source.controlID);
            control->SetMIDIEventType(source.eventType);
        }
    }
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
