// One automation control: host values onto the lead and its followers, notifications to the
// host with nested gestures, and the info record.
#include "korvane/algorithm/automation_control.h"

#include "korvane/algorithm/algorithm.h"
#include "korvane/core/fixed_string.h"
#include "korvane/core/thread_mutex.h"
#include "korvane/xml/xml_element.h"
#include "korvane/xml/xml_values.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace kvKorvaneV10_0_3 {
namespace {

using kvThread::ThreadMutexLock;
using XML::CXMLElement;

constexpr std::array<std::string_view, 6> kOrientations = {
    "MinLeftMaxRight", "MinRightMaxLeft", "BoostCut", "Wrap", "Spread", "SingleDot"};

// Integer arguments of the callback travel in its pointer arguments.
void* AsArg(std::intptr_t value) {
    return reinterpret_cast<void*>(value);  // NOLINT(performance-no-int-to-ptr)
}

// Copies at most 31 bytes, never half a UTF-8 character, and terminates.
void CopyText(char (&out)[32], const char* text) {
    std::memset(out, 0, sizeof out);
    if (text != nullptr) {
        const std::string_view whole(text);
        std::memcpy(out, text, KUUtf8CutLength(whole, sizeof out - 1));
    }
}

}  // namespace

KCAutomationControl::~KCAutomationControl() = default;

KCAutomationControl* KCAutomationControl::Clone() const {
    return new KCAutomationControl(*this);
}

unsigned int KCAutomationControl::ValidLeadParam() const {
    const unsigned int id = GetLeadParamID();
    return m_alg != nullptr && id < m_alg->GetNumParams() ? id : kNoParamID;
}

BUFFER_HEADER* KCAutomationControl::SetControllerValue(double value) {
    // A non-finite value would be stored as the lead's value and poison every later delta.
    if (!std::isfinite(value) || ValidLeadParam() == kNoParamID) {
        return nullptr;
    }
    return SetControllerValueSelf(value);
}

BUFFER_HEADER* KCAutomationControl::SetControllerValueSelf(double value) {
    const unsigned int leadID = ValidLeadParam();
    if (leadID == kNoParamID || !std::isfinite(value)) {
        return nullptr;
    }
    const std::vector<sCONTROL_PARAM>& params = m_alg->GetParamVector();
    const ThreadMutexLock lock(m_alg->AlgLock());
    std::vector<KCParamRegistrationData>& regs = Registrations();
    const unsigned int leadIndex = GetLeadParamIndex();
    const double target = std::clamp(value, 0.0, params[leadID].GetMaxState());
    // Every value is taken before anything moves: the lead's own update may run a link pass
    // that moves a follower too.
    const double delta = target - m_alg->GetParamState(leadID);
    std::vector<double> next(regs.size(), -1.0);
    next[leadIndex] = target;
    if (delta != 0.0) {
        for (std::size_t i = 0; i < regs.size(); ++i) {
            const KCParamRegistrationData& r = regs[i];
            if (i == leadIndex || r.paramID >= params.size() || r.AnswersTo(eRegDisplayOnly)) {
                continue;
            }
            next[i] = std::clamp(m_alg->GetParamState(r.paramID) + delta, 0.0,
                                 params[r.paramID].GetMaxState());
        }
    }
    BUFFER_HEADER* chain = nullptr;
    for (std::size_t i = 0; i < regs.size(); ++i) {
        if (next[i] < 0.0) {
            continue;
        }
        regs[i].value = next[i];
        chain = m_alg->ChainBufs(chain, m_alg->UpdateParamState(regs[i].paramID, next[i]));
    }
    return chain;
}

int KCAutomationControl::TranslateController(double value, KCFixedStringBase& text) const {
    const unsigned int leadID = ValidLeadParam();
    if (leadID == kNoParamID) {
        return kAutomationNoLead;
    }
    const sCONTROL_PARAM& param = m_alg->GetParamVector()[leadID];
    const double state = std::isfinite(value) ? std::clamp(value, 0.0, param.GetMaxState()) : 0.0;
    param.TranslateValueString(param.BoundState(state), text);
    return 0;
}

int KCAutomationControl::GetControlAutomationInfo(ControllerAutomationInfoVer9& info) {
    const std::int32_t version = info.version;
    info = ControllerAutomationInfoVer9();
    info.version = version;
    info.numPositions = 1001;
    info.controlSurfaceDisplay = m_surface.orientation;
    info.refCon1 = m_refCon1;
    info.refCon2 = m_refCon2;
    CopyText(info.name, GetName().c_str());
    info.stickyTouch = GetControlFlag(eCtrlStickyTouch);
    const unsigned int leadID = ValidLeadParam();
    if (leadID == kNoParamID) {
        return kAutomationNoLead;
    }
    const ThreadMutexLock lock(m_alg->AlgLock());
    UpdateValueStringOfParam(leadID);
    const sCONTROL_PARAM& param = m_alg->GetParam(leadID);
    info.numStates = param.GetType() == eParamDiscrete ? param.GetNumStates() : 0;
    CopyText(info.units, param.GetUnitsString().c_str());
    CopyText(info.valueString, param.GetValueString().c_str());
    info.automatable = GetControlFlag(eCtrlAutomatable);
    info.referenceValue = param.GetResetState();
    info.currentValue = GetLeadRegistration()->value;
    info.realWorld = param.GetRealWorld(m_alg->GetActiveSetup());
    info.leadParamIndex = static_cast<std::int32_t>(leadID);
    return 0;
}

void KCAutomationControl::Send(int selector, void* b) const {
    if (m_published && m_alg != nullptr && m_hostIndex >= 0) {
        // The host's answer to a notification changes nothing here.
        static_cast<void>(m_alg->Process().Call(selector, AsArg(m_hostIndex), b));
    }
}

void KCAutomationControl::NotifySetControlValue(double state) {
    if (KCParamRegistrationData* lead = GetLeadRegistration(); lead != nullptr) {
        lead->value = state;
    }
    Send(ProcessMemory::eSelAutomationValue, &state);
}

void KCAutomationControl::NotifyTouch() {
    if (m_touchDepth++ == 0) {
        Send(ProcessMemory::eSelAutomationTouch, nullptr);
    }
}

void KCAutomationControl::NotifyRelease() {
    if (m_touchDepth == 0) {
        return;  // no gesture: a release now would be one the host never saw begin
    }
    if (--m_touchDepth == 0) {
        Send(ProcessMemory::eSelAutomationRelease, nullptr);
    }
}

bool KCAutomationControl::EndGesture() {
    if (m_touchDepth == 0) {
        return false;
    }
    m_touchDepth = 0;
    Send(ProcessMemory::eSelAutomationRelease, nullptr);
    return true;
}

void KCAutomationControl::UpdateValueStringOfParam(unsigned int index) {
    if (m_alg == nullptr || index >= m_alg->GetNumParams()) {
        return;
    }
    const ThreadMutexLock lock(m_alg->AlgLock());
    sCONTROL_PARAM& param = m_alg->GetParam(index);
    if (!param.IsFlagSet(eParamFlagNoDisplay)) {
        param.UpdateValueString(m_alg->GetActiveSetup());
    }
}

void KCAutomationControl::ReadFromXMLWithAlg(const CXMLElement& element, cALGORITHM* alg,
                                             bool update) {
    KCBaseControl::ReadFromXMLWithAlg(element, alg, update);
    if (alg != nullptr) {
        m_alg = alg;
    }
    KCFixedString<63> hostClass;
    if (element.GetAttrib("Class", hostClass) && !hostClass.empty()) {
        m_hostClass = hostClass;
    }
    for (const CXMLElement* child : element.GetSubElements()) {
        if (child->GetName() == "MIDIGroup") {
            int group = 0;
            if (child->GetAttrib("Value", group) || XML::ReadFromXML_Int(child, group) == eNoErr) {
                m_midi.group = group;
            }
        } else if (child->GetName() == "ControlSurface") {
            ReadFromXMLControlSurfaceDisplay(*child);
        }
    }
}

void KCAutomationControl::WriteToXMLWithAlg(CXMLElement& parent, const cALGORITHM* alg,
                                            const char* elementName) const {
    KCBaseControl::WriteToXMLWithAlg(parent, alg, elementName);
    parent.GetSubElements().back()->AddAttrib("Class", m_hostClass.c_str());
}

void KCAutomationControl::ReadFromXMLControlSurfaceDisplay(const CXMLElement& element) {
    m_surface = KCControlSurfaceDisplay();
    element.GetAttrib("Type", m_surface.type);
    KCFixedString<31> orientation;
    if (element.GetAttrib("Orientation", orientation)) {
        const auto* found = std::ranges::find(kOrientations, std::string_view(orientation.c_str()));
        m_surface.orientation =
            found == kOrientations.end() ? 0 : static_cast<int>(found - kOrientations.begin());
    }
    for (const CXMLElement* child : element.GetSubElements()) {
        if (child->GetName() == "Display") {
            KCControlSurfaceDisplay::Entry entry;
            child->GetAttrib("Name", entry.name);
            child->GetAttrib("Value", entry.value);
            m_surface.displays.push_back(entry);
        }
    }
}

void KCAutomationControl::ClearMIDIAttachment() {
    m_midi.channel = -1;
    m_midi.controlID = -1;
    m_midi.eventType = 0;
    m_midi.learnMode = false;
    m_midi.keySwitch = false;
}

}  // namespace kvKorvaneV10_0_3
