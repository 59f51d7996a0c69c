// The link pass, its laws and the bookkeeping of groups and last values.
#include "korvane/algorithm/link_groups.h"

#include <algorithm>
#include <cmath>

namespace kvKorvaneV10_0_3 {

KCLinkFuncInterface::~KCLinkFuncInterface() = default;
KCLinkGroups::Listener::~Listener() = default;

void KCLinkAbsoluteImpl::LinkFunc(unsigned int source, unsigned int target) {
    m_groups.LinkAbsolute(source, target);
}

void KCLinkRelativeImpl::LinkFunc(unsigned int source, unsigned int target) {
    m_groups.LinkRelative(source, target);
}

void KCLinkReverseImpl::LinkFunc(unsigned int source, unsigned int target) {
    m_groups.LinkReverse(source, target);
}

KCLinkGroups::KCLinkGroups(std::vector<sCONTROL_PARAM>& params,
                           const std::atomic<EPluginSetup>& activeSetup)
    : m_params(params), m_activeSetup(activeSetup) {}

KCLinkGroups::~KCLinkGroups() = default;

void KCLinkGroups::FinishCreate() {
    InitFunctionsMap();
    InitLinkGroupsInfoMap();
    InitLastValuesMap();
}

void KCLinkGroups::InitFunctionsMap() {
    AddFunctionInMap(KCFixedString<15>("Reverse"), new KCLinkReverseImpl(*this));
    AddFunctionInMap(KCFixedString<15>("Absolute"), new KCLinkAbsoluteImpl(*this));
    AddFunctionInMap(KCFixedString<15>("Relative"), new KCLinkRelativeImpl(*this));
    InitFunctionsMapSelf();
}

void KCLinkGroups::AddFunctionInMap(const KCFixedStringBase& name, KCLinkFuncInterface* func) {
    if (func == nullptr) {
        return;
    }
    std::unique_ptr<KCLinkFuncInterface>& slot = m_functions[name.c_str()];
    // A group may already point at a law being replaced: move it to the new one.
    for (auto& [number, info] : m_groups) {
        if (slot && info.linkFunc == slot.get()) {
            info.linkFunc = func;
        }
    }
    slot.reset(func);
}

KCLinkFuncInterface* KCLinkGroups::GetLinkFunction(const KCFixedStringBase& name) const {
    const auto found = m_functions.find(name.c_str());
    return found == m_functions.end() ? nullptr : found->second.get();
}

void KCLinkGroups::InitLinkGroupsInfoMap() {
    m_groups.clear();
    for (unsigned int i = 0; i < m_params.size(); ++i) {
        for (const int group : m_params[i].GetLinkGroups()) {
            sLinkGroupInfo& info = m_groups[group];
            info.group = group;
            // A group listed twice by one parameter still has it once.
            if (info.members.empty() || info.members.back() != i) {
                info.members.push_back(i);
            }
        }
    }
    for (unsigned int i = 0; i < m_params.size(); ++i) {
        for (const ControlledLinkGroup& controlled : m_params[i].GetControlledLinkGroups()) {
            for (const int group : controlled.groups) {
                sLinkGroupInfo& info = m_groups[group];
                info.group = group;
                info.controllingParam = static_cast<int>(i);
                info.enabledValue = controlled.enabledValue;
                // An unknown name leaves the group without a law: it never links.
                info.linkFunc = GetLinkFunction(controlled.linkFunctionName);
            }
        }
    }
    m_updated.assign(m_params.size(), false);
}

void KCLinkGroups::InitLastValuesMap() {
    m_lastValues.assign(m_params.size(), LastValues());
    UpdateAllLastValues();
}

// ------------------------------------------------------------------ the pass

void KCLinkGroups::LinkParams(unsigned int paramIndex, bool final) {
    if (!Valid(paramIndex) || m_lastValues.size() != m_params.size()) {
        return;
    }
    if (m_updated.size() != m_params.size()) {
        m_updated.assign(m_params.size(), false);
    }
    const EPluginSetup active = m_activeSetup.load();
    sCONTROL_PARAM& source = m_params[paramIndex];
    const bool reset = source.IsNeedToReset();
    if (final) {
        m_updated.assign(m_params.size(), false);
        m_updated[paramIndex] = true;
        m_minDelta = std::fabs(source.GetState(active) - LastState(paramIndex));
        m_correctRelativeMoves = !reset;
        m_changed.assign(1, paramIndex);
    }
    // Each member moves at most once per pass, so cycles between groups end.
    std::vector<unsigned int> moved;
    for (const int group : source.GetLinkGroups()) {
        const auto found = m_groups.find(group);
        if (found == m_groups.end() || !DoesGroupLink(found->second)) {
            continue;
        }
        const sLinkGroupInfo& info = found->second;
        for (const unsigned int member : info.members) {
            if (member == paramIndex || !Valid(member) || m_updated[member]) {
                continue;
            }
            if (reset) {
                ResetLinkedParam(member);
            } else {
                info.linkFunc->LinkFunc(paramIndex, member);
            }
            m_updated[member] = true;
            moved.push_back(member);
            m_changed.push_back(member);
        }
    }
    for (const unsigned int member : moved) {
        LinkParams(member, false);
    }
    if (!final) {
        return;
    }
    // Listeners may start passes of their own: work on a copy of this pass's list.
    const std::vector<unsigned int> changed = m_changed;
    for (const unsigned int p : changed) {
        if (m_correctRelativeMoves) {
            CorrectParamModifications(p);
        }
        UpdateLastValues(p, active);
        if (p != paramIndex) {
            m_params[p].SetNeedToReset(false);
        }
    }
    if (m_notify && m_listener != nullptr) {
        for (const unsigned int p : changed) {
            m_listener->OnLinkedParamValueModified(p);
        }
    }
}

void KCLinkGroups::LinkAbsolute(unsigned int source, unsigned int target) {
    const EPluginSetup active = m_activeSetup.load();
    m_params[target].SetRealWorldAndUpdate(m_params[source].GetRealWorld(active), active);
    m_correctRelativeMoves = false;
}

void KCLinkGroups::LinkRelative(unsigned int source, unsigned int target) {
    LinkReverseOrRelative(source, target, false);
}

void KCLinkGroups::LinkReverse(unsigned int source, unsigned int target) {
    LinkReverseOrRelative(source, target, true);
}

void KCLinkGroups::LinkReverseOrRelative(unsigned int source, unsigned int target, bool reverse) {
    const EPluginSetup active = m_activeSetup.load();
    sCONTROL_PARAM& t = m_params[target];
    const double sign = reverse ? -1.0 : 1.0;
    const double movement = m_params[source].GetState(active) - LastState(source);
    // Every discrete scale ends at its last state; a table scale would wrap past it.
    const double state = std::clamp(t.GetState(active) + sign * movement, 0.0, t.GetMaxState());
    t.SetStateAndUpdate(state, active);
    m_minDelta = std::min(m_minDelta, std::fabs(t.GetState(active) - LastState(target)));
}

void KCLinkGroups::CorrectParamModifications(unsigned int paramIndex) {
    const EPluginSetup active = m_activeSetup.load();
    sCONTROL_PARAM& p = m_params[paramIndex];
    const double last = LastState(paramIndex);
    const double state = p.GetState(active);
    if (state == last) {
        return;
    }
    const double sign = state > last ? 1.0 : -1.0;
    p.SetStateAndUpdate(last + sign * m_minDelta, active);
}

void KCLinkGroups::ResetLinkedParam(unsigned int paramIndex) {
    sCONTROL_PARAM& p = m_params[paramIndex];
    p.SetNeedToReset(true);
    p.SetStateAndUpdate(p.GetResetState(), m_activeSetup.load());
}

// ------------------------------------------------------------------ activity

bool KCLinkGroups::ShouldLinkParams(int controllingParam, double enabledValue) const {
    if (controllingParam < 0 || !Valid(static_cast<unsigned int>(controllingParam))) {
        return false;
    }
    return m_params[static_cast<unsigned int>(controllingParam)].GetRealWorld(
               m_activeSetup.load()) == enabledValue;
}

bool KCLinkGroups::DoesGroupLink(const sLinkGroupInfo& info) const {
    if (info.linkFunc == nullptr) {
        return false;
    }
    return info.alwaysActive ||
           (info.enabled && ShouldLinkParams(info.controllingParam, info.enabledValue));
}

bool KCLinkGroups::IsLinkGroupEnabled(unsigned int /*paramIndex*/, int group) const {
    const auto found = m_groups.find(group);
    return found != m_groups.end() &&
           ShouldLinkParams(found->second.controllingParam, found->second.enabledValue);
}

bool KCLinkGroups::IsParamInLinkedMode(unsigned int paramIndex) const {
    if (!Valid(paramIndex)) {
        return false;
    }
    return std::ranges::any_of(m_params[paramIndex].GetLinkGroups(),
                               [this](int g) { return IsLinkGroupEnabled(0, g); });
}

void KCLinkGroups::EqualizeAllAbsoluteControls(unsigned int controllingParam) {
    if (!Valid(controllingParam)) {
        return;
    }
    const EPluginSetup active = m_activeSetup.load();
    const double value = m_params[controllingParam].GetRealWorld(active);
    for (const auto& [number, info] : m_groups) {
        if (info.linkFunc == nullptr || !info.linkFunc->AmIAbsolute() ||
            info.controllingParam != static_cast<int>(controllingParam) ||
            info.enabledValue != value || info.members.empty()) {
            continue;
        }
        const double lead = m_params[info.members.front()].GetRealWorld(active);
        for (const unsigned int member : info.members) {
            m_params[member].SetRealWorldAndUpdate(lead, active);
            UpdateLastValues(member, active);
        }
    }
}

// ------------------------------------------------------------------ groups

void KCLinkGroups::SetGroupInfo(int group, int controllingParam, double enabledValue,
                                KCLinkFuncInterface& func, bool enabled, bool alwaysActive) {
    sLinkGroupInfo& info = m_groups[group];
    info.group = group;
    info.controllingParam = controllingParam;
    info.enabledValue = enabledValue;
    info.linkFunc = &func;
    info.enabled = enabled;
    info.alwaysActive = alwaysActive;
}

void KCLinkGroups::SetGroupState(int group, bool enabled) {
    if (const auto found = m_groups.find(group); found != m_groups.end()) {
        found->second.enabled = enabled;
    }
}

void KCLinkGroups::SetGroupAlwaysActive(int group, bool alwaysActive) {
    if (const auto found = m_groups.find(group); found != m_groups.end()) {
        found->second.alwaysActive = alwaysActive;
    }
}

const std::vector<int>& KCLinkGroups::GetParamLinkGroups(unsigned int paramIndex) const {
    static const std::vector<int> kNone;
    return Valid(paramIndex) ? m_params[paramIndex].GetLinkGroups() : kNone;
}

std::vector<int> KCLinkGroups::GetParamControlledLinkGroups(unsigned int paramIndex) const {
    std::vector<int> groups;
    for (const auto& [number, info] : m_groups) {
        if (info.controllingParam == static_cast<int>(paramIndex)) {
            groups.push_back(number);
        }
    }
    return groups;
}

// ------------------------------------------------------------------ last values

const KCLinkGroups::LastValues& KCLinkGroups::GetLastValues(unsigned int paramIndex) const {
    static const LastValues kNone;
    return paramIndex < m_lastValues.size() ? m_lastValues[paramIndex] : kNone;
}

double KCLinkGroups::LastState(unsigned int paramIndex) const {
    return GetLastValues(paramIndex).state[Slot(m_activeSetup.load())];
}

void KCLinkGroups::UpdateLastValues(unsigned int paramIndex, EPluginSetup setup) {
    if (paramIndex >= m_lastValues.size() || !Valid(paramIndex)) {
        return;
    }
    const EPluginSetup k = setup == eActiveSetup ? m_activeSetup.load() : setup;
    if (k != eSetupA && k != eSetupB) {
        return;
    }
    m_lastValues[paramIndex].state[Slot(k)] = m_params[paramIndex].GetState(k);
    m_lastValues[paramIndex].realWorld[Slot(k)] = m_params[paramIndex].GetRealWorld(k);
}

void KCLinkGroups::UpdateAllLastValues() {
    for (unsigned int i = 0; i < m_lastValues.size() && i < m_params.size(); ++i) {
        UpdateLastValues(i, eSetupA);
        UpdateLastValues(i, eSetupB);
    }
}

void KCLinkGroups::CopyLastValuesToOtherSetup(EPluginSetup from, EPluginSetup to) {
    const unsigned int f = Slot(from);
    const unsigned int t = Slot(to);
    if (f == t) {
        return;
    }
    for (LastValues& values : m_lastValues) {
        values.state[t] = values.state[f];
        values.realWorld[t] = values.realWorld[f];
    }
}

}  // namespace kvKorvaneV10_0_3
