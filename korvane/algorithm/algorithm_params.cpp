// cALGORITHM's parameters: reading states, real-world values and their descriptions, and the
// writes that change them and mark them for display.
#include "korvane/algorithm/algorithm.h"

#include "korvane/core/error_codes.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace kvKorvaneV10_0_3 {
namespace {

using kvThread::ThreadMutexLock;

constexpr double kMaxState = KCParam_Base::kMaxState;
constexpr double kRealWorldEpsilon = 1e-10;

bool ValidState(double state) {
    return state >= 0.0 && state <= kMaxState;
}

}  // namespace

// ------------------------------------------------------------------ parameter reading

unsigned int cALGORITHM::Slot(EPluginSetup setup) const {
    return GetAbsoluteSetup(setup) == eSetupB ? 1U : 0U;
}

double cALGORITHM::GetParamState(unsigned int index) const {
    if (index >= m_params.size()) {
        return 0.0;
    }
    auto& lock = const_cast<kvThread::ThreadMutexInited&>(m_lock);
    const ThreadMutexLock guard(lock);
    return m_params[index].GetState(m_activeSetup);
}

double cALGORITHM::GetParamRealWorld(unsigned int index) const {
    if (index >= m_params.size()) {
        return 0.0;
    }
    auto& lock = const_cast<kvThread::ThreadMutexInited&>(m_lock);
    const ThreadMutexLock guard(lock);
    return m_params[index].GetRealWorld(m_activeSetup);
}

double cALGORITHM::GetParamInitialState(unsigned int index) const {
    return m_params[index].GetInitialState();
}

double cALGORITHM::GetParamResetState(unsigned int index) const {
    return m_params[index].GetResetState();
}

int cALGORITHM::GetParamNumStates(unsigned int index) const {
    return m_params[index].GetNumStates();
}

EParamType cALGORITHM::GetParamType(unsigned int index) const {
    return m_params[index].GetType();
}

TBitVector<unsigned int> cALGORITHM::GetParamFlags(unsigned int index) const {
    return m_params[index].GetFlags();
}

const KCFixedStringBase& cALGORITHM::GetParamScaleType(unsigned int index) const {
    return m_params[index].GetScaleType();
}

const KCFixedStringBase& cALGORITHM::GetParamName(unsigned int index) const {
    return m_params[index].GetName();
}

const KCFixedStringBase& cALGORITHM::GetParamLabelString(unsigned int index) const {
    return m_params[index].GetLabelString();
}

const KCFixedStringBase& cALGORITHM::GetParamUnitsString(unsigned int index) const {
    return m_params[index].GetUnitsString();
}

const KCFixedStringBase& cALGORITHM::GetParamValueString(unsigned int index) const {
    return m_params[index].GetValueString();
}

int cALGORITHM::GetParamDisabledMode(unsigned int index, EPluginSetup setup) const {
    return m_params[index].GetDisabledMode(GetAbsoluteSetup(setup));
}

KCParamExtension* cALGORITHM::GetParamExtension(unsigned int index) const {
    return m_params[index].GetParamExtension();
}

KCGraphDataBase* cALGORITHM::GetParamGraphData(unsigned int index) const {
    return m_params[index].GetGraphDataObject(m_activeSetup);
}

unsigned int cALGORITHM::GetParamGraphSize(unsigned int index) const {
    return m_params[index].GetGraphSize(m_activeSetup);
}

const std::vector<int>& cALGORITHM::GetParamLinkGroups(unsigned int index) const {
    return m_params[index].GetLinkGroups();
}

void cALGORITHM::GetParamCurrentImageIndex(unsigned int index, int& first, int& second) const {
    m_params[index].GetCurrentImageIndexes(first, second);
}

int cALGORITHM::GetParamIDFromName(const char* name) const {
    if (name == nullptr) {
        return -1;
    }
    for (std::size_t i = 0; i < m_params.size(); ++i) {
        if (m_params[i].GetName() == name) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

double cALGORITHM::GetStateStep(unsigned int index) const {
    return m_params[index].GetStateStep();
}

bool cALGORITHM::IsParamUnused(unsigned int index) const {
    return m_params[index].IsUnused();
}

bool cALGORITHM::DoParamsMatch(unsigned int a, unsigned int b, int setup) {
    const auto k = static_cast<EPluginSetup>(setup);
    return m_params[a].GetState(GetAbsoluteSetup(k)) == m_params[b].GetState(GetAbsoluteSetup(k));
}

double cALGORITHM::StateToRealWorld(unsigned int index, double state) const {
    if (!std::isnan(state)) {
        state = std::clamp(state, 0.0, kMaxState);
    }
    return m_params[index].StateToRealWorld(state);
}

double cALGORITHM::RealWorldToState(unsigned int index, double realWorld) const {
    const double state = m_params[index].RealWorldToState(realWorld);
    return std::isnan(state) ? state : std::clamp(state, 0.0, kMaxState);
}

double cALGORITHM::OffsetToNextDifferentState(unsigned int index, double offset) {
    if (offset == 0.0) {
        return 0.0;
    }
    return m_params[index].GetType() != eParamDiscrete
               ? OffsetToNextDifferentStateContinuous(index, offset)
               : OffsetToNextDifferentStateDiscrete(index, offset);
}

double cALGORITHM::OffsetToNextDifferentStateContinuous(unsigned int index, double offset) {
    return m_params[index].OffsetToNextDifferentStateContinuous(m_activeSetup, offset);
}

double cALGORITHM::OffsetToNextDifferentStateDiscrete(unsigned int index, double offset) {
    // A linked parameter stops at its ends: wrapping would throw its followers across their range.
    return m_params[index].OffsetToNextDifferentStateDiscrete(m_activeSetup, offset,
                                                              IsParamInLinkedMode(index));
}

ETranslateTextRetType cALGORITHM::TranslateTextToRealWorld(unsigned int index,
                                                           const KCFixedStringBase& text,
                                                           double& realWorld) {
    return m_params[index].TranslateTextToRealWorld(text, realWorld);
}

double cALGORITHM::UpdateMouseDeltaStep(unsigned int index, double delta) const {
    return m_params[index].UpdateMouseDeltaStep(delta);
}

// ------------------------------------------------------------------ parameter writing

bool cALGORITHM::ForcesUpdate(const sCONTROL_PARAM& param, double newValue, bool byState) const {
    const bool dragging =
        param.IsFlagSet(eParamFlagDontUpdateWhileDrag) && param.GetDragStartState() != -1.0 &&
        (byState ? param.GetDragStartState() : param.GetDragStartRealWorld()) != newValue;
    return param.IsFlagSet(eParamFlagDisplayOnlyParam) || dragging ||
           param.IsFlagSet(eParamFlagAlwaysUpdate) || param.IsNeedToReset();
}

namespace {

// The flags that make a set count although nothing moved, or change what counts as an edit.
constexpr unsigned int kForcingFlags = (1U << eParamFlagDisplayOnlyParam) |
                                       (1U << eParamFlagDontUpdateWhileDrag) |
                                       (1U << eParamFlagAlwaysUpdate);

// Whether a change the hook has seen is an edit the host must hear of ("preset modified").
bool CountsAsEdit(const sCONTROL_PARAM& param, bool moved, double newRealWorld) {
    const bool dragMoved = param.IsFlagSet(eParamFlagDontUpdateWhileDrag) &&
                           param.GetDragStartState() != -1.0 &&
                           param.GetDragStartRealWorld() != newRealWorld;
    return (moved && !param.IsFlagSet(eParamFlagDisplayOnlyParam)) || dragMoved;
}

}  // namespace

BUFFER_HEADER* cALGORITHM::UpdateParamState(unsigned int index, double state) {
    if (index >= m_params.size() || !ValidState(state)) {
        return nullptr;
    }
    const ThreadMutexLock lock(m_lock);
    sCONTROL_PARAM& param = m_params[index];
    const EPluginSetup active = m_activeSetup;
    BUFFER_HEADER* chain = nullptr;
    if (param.GetType() == eParamDiscrete) {
        state = param.BoundState(state);
    }
    // A valid state is already within a continuous parameter's bounds.
    if ((param.GetFlags().Word() & kForcingFlags) == 0 &&
        (param.GetLinkGroups().empty() || !m_linkGroups)) {
        // The common change: no flag forces it and no group follows it, so only a pending
        // reset makes an unchanged value count.
        const bool reset = param.IsNeedToReset();
        if (param.GetState(active) != state || reset) {
            const double oldRealWorld = param.GetRealWorld(active);
            param.SetBoundedStateAndUpdate(state, active);
            const double newRealWorld = param.GetRealWorld(active);
            const bool moved = std::fabs(newRealWorld - oldRealWorld) >= kRealWorldEpsilon;
            if (moved || reset) {
                chain = UpdateParamSelf(index);
                // The hook may have changed the flags: they are read again.
                if (CountsAsEdit(param, moved, newRealWorld)) {
                    Broadcaster()->PresetModified(active);
                }
            }
            param.SetNeedToReset(false);
            param.SetUpdateLevel(eUpdateLevelRefresh);  // after the hook, as on every path
        }
    } else if (param.GetState(active) != state || ForcesUpdate(param, state, true)) {
        const double oldRealWorld = param.GetRealWorld(active);
        param.SetStateAndUpdate(state, active);
        if (m_linkGroups && !param.GetLinkGroups().empty()) {
            // Before the source's own update: the pass may correct the source's move.
            const std::vector<unsigned int> linked = RunLinkPass(index);
            chain = ChainLinkedUpdates(linked, ApplyStateChange(param, index, oldRealWorld));
        } else {
            chain = ApplyStateChange(param, index, oldRealWorld);
        }
        param.SetNeedToReset(false);
        param.SetUpdateLevel(eUpdateLevelRefresh);
    }
    // The final set ends any drag; a start left behind would be the next drag's start.
    param.ClearDragStart();
    return chain;
}

BUFFER_HEADER* cALGORITHM::ApplyStateChange(sCONTROL_PARAM& param, unsigned int index,
                                            double oldRealWorld) {
    const EPluginSetup active = m_activeSetup;
    const double newRealWorld = param.GetRealWorld(active);
    const bool moved = std::fabs(newRealWorld - oldRealWorld) >= kRealWorldEpsilon;
    if (!moved && !ForcesUpdate(param, newRealWorld, false)) {
        return nullptr;
    }
    BUFFER_HEADER* chain = UpdateParamSelf(index);
    if (CountsAsEdit(param, moved, newRealWorld)) {
        Broadcaster()->PresetModified(active);
    }
    return chain;
}

BUFFER_HEADER* cALGORITHM::UpdateParamRealWorld(unsigned int index, double realWorld) {
    if (index >= m_params.size()) {
        return nullptr;
    }
    const ThreadMutexLock lock(m_lock);
    sCONTROL_PARAM& param = m_params[index];
    const EPluginSetup active = m_activeSetup;
    const double oldRealWorld = param.GetRealWorld(active);
    if (realWorld == oldRealWorld && !param.IsFlagSet(eParamFlagDisplayOnlyParam) &&
        !param.IsFlagSet(eParamFlagAlwaysUpdate)) {
        return nullptr;
    }
    param.SetRealWorldAndUpdate(realWorld, active);
    const std::vector<unsigned int> linked = RunLinkPass(index);
    BUFFER_HEADER* chain = UpdateParamSelf(index);
    if (realWorld != oldRealWorld && !param.IsFlagSet(eParamFlagDisplayOnlyParam)) {
        Broadcaster()->PresetModified(active);
    }
    return ChainLinkedUpdates(linked, chain);
}

BUFFER_HEADER* cALGORITHM::UpdateParamRequestState(unsigned int index, double state) {
    BUFFER_HEADER* chain = UpdateParamState(index, state);
    if (index < m_params.size()) {
        NotifyParamValue(index);
    }
    return chain;
}

BUFFER_HEADER* cALGORITHM::UpdateParamRequestRealWorld(unsigned int index, double realWorld) {
    if (index >= m_params.size()) {
        return nullptr;
    }
    m_params[index].LimitRealWorld(realWorld);
    BUFFER_HEADER* chain = UpdateParamRealWorld(index, realWorld);
    NotifyParamValue(index);
    return chain;
}

BUFFER_HEADER* cALGORITHM::DragParam(unsigned int index, double state) {
    if (index >= m_params.size() || !ValidState(state)) {
        return nullptr;
    }
    // The lock keeps the idle refresh from reading a half-written value.
    const ThreadMutexLock lock(m_lock);
    sCONTROL_PARAM& param = m_params[index];
    const EPluginSetup active = m_activeSetup;
    state = param.BoundState(state);
    if (param.IsFlagSet(eParamFlagDisplayOnlyParam) || param.GetState(active) == state) {
        return nullptr;
    }
    if (param.GetDragStartState() == -1.0) {
        param.SetDragStart(param.GetState(active), param.GetRealWorld(active));
    }
    param.SetStateAndUpdate(state, active);
    param.SetUpdateLevel(eUpdateLevelRefresh);
    DragParamSelf(index, state);
    return nullptr;
}

BUFFER_HEADER* cALGORITHM::SetParamResetState(unsigned int index, double& state) {
    if (index >= m_params.size()) {
        return nullptr;
    }
    state = std::clamp(m_params[index].GetResetState(), 0.0, kMaxState);
    BUFFER_HEADER* chain = UpdateParamState(index, state);
    NotifyParamValue(index);
    return chain;
}

BUFFER_HEADER* cALGORITHM::UpdateParamFromText(unsigned int index, const KCFixedStringBase& text,
                                               ETranslateTextRetType& result) {
    result = eTranslateTextRejected;
    if (index >= m_params.size()) {
        return nullptr;
    }
    double realWorld = 0.0;
    result = TranslateTextToRealWorld(index, text, realWorld);
    BUFFER_HEADER* chain =
        result == eTranslateTextAccepted ? UpdateParamRequestRealWorld(index, realWorld) : nullptr;
    BUFFER_HEADER* own = UpdateParamFromTextSelf(index, text, result);
    if (chain == nullptr) {
        return own;
    }
    return own == nullptr ? chain : m_process.ChainBufs(chain, own);
}

void cALGORITHM::SetParamValueString(unsigned int index, const char* text) {
    m_params[index].SetValueString(text);
}

void cALGORITHM::SetParamGraphData(unsigned int index, const KCGraphDataBase& graph,
                                   EPluginSetup setup) {
    m_params[index].SetGraphDataObject(GetAbsoluteSetup(setup), graph);
}

void cALGORITHM::SetParamToUpdateFlag(unsigned int index, int level) {
    const ThreadMutexLock lock(m_lock);
    m_params[index].SetUpdateLevel(level);
}

void cALGORITHM::RefreshAllParams() {
    const ThreadMutexLock lock(m_lock);
    for (auto& param : m_params) {
        param.SetUpdateLevel(eUpdateLevelRefresh);
    }
}

void cALGORITHM::ScaleAllParams(EPluginSetup setup) {
    const ThreadMutexLock lock(m_lock);
    const EPluginSetup k = GetAbsoluteSetup(setup);
    for (auto& param : m_params) {
        param.UpdateRealWorldFromState(k);
        if (k == m_activeSetup) {
            param.SetUpdateLevel(eUpdateLevelRefresh);
        }
    }
}

void cALGORITHM::UnscaleAllParams(EPluginSetup setup) {
    const ThreadMutexLock lock(m_lock);
    const EPluginSetup k = GetAbsoluteSetup(setup);
    for (auto& param : m_params) {
        param.UpdateStateFromRealWorld(k);
        if (k == m_activeSetup) {
            param.SetUpdateLevel(eUpdateLevelRefresh);
        }
    }
}

void cALGORITHM::NotifyParamValue(unsigned int index) {
    m_automation.NotifyParamValue(index);
}

void cALGORITHM::Touch(unsigned int index) {
    m_automation.Touch(index);
}

void cALGORITHM::Release(unsigned int index) {
    m_automation.Release(index);
}

void cALGORITHM::TouchAllPararms() {
    m_automation.TouchAllPararms();
}

void cALGORITHM::ReleaseAllParams() {
    m_automation.ReleaseAllParams();
}

void cALGORITHM::CancelDragParam(unsigned int index) {
    if (index >= m_params.size()) {
        return;
    }
    {
        const ThreadMutexLock lock(m_lock);
        sCONTROL_PARAM& param = m_params[index];
        if (param.GetDragStartState() != -1.0) {
            // A drag never reached the processing, so the value goes back without an update.
            param.SetStateAndUpdate(param.GetDragStartState(), m_activeSetup);
            param.ClearDragStart();
            param.SetUpdateLevel(eUpdateLevelRefresh);
        }
    }
    NotifyParamValue(index);
    Release(index);
}

BUFFER_HEADER* cALGORITHM::UpdateAlg() {
    const ThreadMutexLock lock(m_lock);
    BUFFER_HEADER* chain = UpdateAlgSelf();
    if (m_linkGroups) {
        m_linkGroups->AtUpdateAlg();
    }
    ChangeSideChainActive(m_sideChainActive);
    m_bypassChanged = false;
    m_updateAlgRequired = false;
    return chain;
}

BUFFER_HEADER* cALGORITHM::UpdateDSPCoefs(bool send) {
    const ThreadMutexLock lock(m_lock);
    BUFFER_HEADER* chain = UpdateDSPCoefsSelf();
    m_process.SendAndFreeBuffers(chain, ProcessMemory::eSelPostChain, send);
    return nullptr;
}

// ------------------------------------------------------------------ link groups

void cALGORITHM::CreateLinkGroupsInstance() {
    const bool any = std::ranges::any_of(
        m_params, [](const sCONTROL_PARAM& p) { return !p.GetLinkGroups().empty(); });
    if (!any) {
        m_linkGroups.reset();
        return;
    }
    m_linkGroups = InstantiateSpecificLinkGroupSelf(m_params, m_activeSetup);
    if (!m_linkGroups) {
        return;
    }
    m_linkGroups->InitFunctionsMap();
    AddSpecificLinkFuncs(*m_linkGroups);
    m_linkGroups->InitLinkGroupsInfoMap();
    m_linkGroups->InitLastValuesMap();
    m_linkGroups->ConnectListener(this);
}

std::vector<unsigned int> cALGORITHM::RunLinkPass(unsigned int index) {
    if (!m_linkGroups || m_params[index].GetLinkGroups().empty()) {
        return {};
    }
    m_linkGroups->LinkParams(index, true);
    std::vector<unsigned int> moved = m_linkGroups->GetChangedParams();
    std::erase(moved, index);
    return moved;
}

BUFFER_HEADER* cALGORITHM::ChainLinkedUpdates(const std::vector<unsigned int>& moved,
                                              BUFFER_HEADER* chain) {
    for (const unsigned int member : moved) {
        chain = m_process.ChainBufs(chain, UpdateParamSelf(member));
    }
    if (!moved.empty()) {
        Broadcaster()->PresetModified(m_activeSetup);
    }
    return chain;
}

void cALGORITHM::LinkParams(unsigned int index, bool final) {
    const ThreadMutexLock lock(m_lock);
    if (m_linkGroups && index < m_params.size()) {
        m_linkGroups->LinkParams(index, final);
    }
}

bool cALGORITHM::IsLinkGroupEnabled(unsigned int index, int group) const {
    const ThreadMutexLock lock(m_lock);
    return m_linkGroups && m_linkGroups->IsLinkGroupEnabled(index, group);
}

bool cALGORITHM::IsParamInLinkedMode(unsigned int index) const {
    const ThreadMutexLock lock(m_lock);
    return m_linkGroups && m_linkGroups->IsParamInLinkedMode(index);
}

void cALGORITHM::UpdateLinkGroupsLastValues(unsigned int index, EPluginSetup setup) {
    const ThreadMutexLock lock(m_lock);
    if (m_linkGroups && (setup == eActiveSetup || setup == eSetupA || setup == eSetupB)) {
        m_linkGroups->UpdateLastValues(index, setup);
    }
}

void cALGORITHM::UpdateAllLinkGroupsLastValues() {
    const ThreadMutexLock lock(m_lock);
    if (m_linkGroups) {
        m_linkGroups->UpdateAllLastValues();
    }
}

void cALGORITHM::EqualizeAllAbsoluteControls(unsigned int controllingParam) {
    const ThreadMutexLock lock(m_lock);
    if (m_linkGroups) {
        m_linkGroups->EqualizeAllAbsoluteControls(controllingParam);
    }
}

void cALGORITHM::AdjustLinkGroupsToCurrentGuiControls() {
    UpdateAllLinkGroupsLastValues();
}

void cALGORITHM::SetNotifyOnLinkedParams(bool notify) {
    const ThreadMutexLock lock(m_lock);
    if (m_linkGroups) {
        m_linkGroups->SetNotifyOnLinkedParams(notify);
    }
}

bool cALGORITHM::GetNotifyOnLinkedParams() const {
    const ThreadMutexLock lock(m_lock);
    return m_linkGroups && m_linkGroups->GetNotifyOnLinkedParams();
}

void cALGORITHM::OnLinkedParamValueModified(unsigned int paramIndex) {
    NotifyParamValue(paramIndex);
}

}  // namespace kvKorvaneV10_0_3
