// cALGORITHM: life cycle, parameter writes, display refresh, setups, chunks and the state the
// host shell drives. The host-connection forwarders live in algorithm_process.cpp.
#include "korvane/algorithm/algorithm.h"

#include "korvane/algorithm/display_functions.h"
#include "korvane/core/error_codes.h"
#include "korvane/graphs/draw_classes.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace kvKorvaneV10_0_3 {
namespace {

using kvThread::ThreadMutexLock;
using ProcessMemory::eSelSetupSwitchBracket;
using ProcessMemory::eSelShellListener;
using ProcessMemory::eSelSideChainActivity;

constexpr double kMaxState = KCParam_Base::kMaxState;
constexpr double kRealWorldEpsilon = 1e-10;

// Integer arguments of the callback travel in its pointer arguments.
void* AsArg(std::intptr_t value) {
    return reinterpret_cast<void*>(value);  // NOLINT(performance-no-int-to-ptr)
}

bool ValidState(double state) {
    return state >= 0.0 && state <= kMaxState;
}

// ------------------------------------------------------------- component type lists
struct TypeLists {
    std::mutex mutex;
    bool loaded = false;
    std::vector<KCFourCC> native;
    std::vector<KCFourCC> netShell;
};

TypeLists& Lists() {
    static TypeLists lists;
    return lists;
}

// Loads the lists from the environment unless code set them first. Caller holds the mutex.
void EnsureLoaded(TypeLists& lists) {
    if (!lists.loaded) {
        lists.native = KCComponentTypeLists::Parse(std::getenv("KORVANE_NATIVE_COMPONENT_TYPES"));
        lists.netShell =
            KCComponentTypeLists::Parse(std::getenv("KORVANE_NETSHELL_COMPONENT_TYPES"));
        lists.loaded = true;
    }
}

bool Contains(const std::vector<KCFourCC>& list, KCFourCC type) {
    return std::find(list.begin(), list.end(), type) != list.end();
}

}  // namespace

// ------------------------------------------------------------------ KCComponentTypeLists

void KCComponentTypeLists::SetNativeTypes(const std::vector<KCFourCC>& types) {
    auto& lists = Lists();
    const std::lock_guard lock(lists.mutex);
    EnsureLoaded(lists);
    lists.native = types;
}

void KCComponentTypeLists::SetNetShellTypes(const std::vector<KCFourCC>& types) {
    auto& lists = Lists();
    const std::lock_guard lock(lists.mutex);
    EnsureLoaded(lists);
    lists.netShell = types;
}

bool KCComponentTypeLists::IsNativeType(KCFourCC type) {
    auto& lists = Lists();
    const std::lock_guard lock(lists.mutex);
    EnsureLoaded(lists);
    return Contains(lists.native, type);
}

bool KCComponentTypeLists::IsNetShellType(KCFourCC type) {
    auto& lists = Lists();
    const std::lock_guard lock(lists.mutex);
    EnsureLoaded(lists);
    return Contains(lists.netShell, type);
}

std::vector<KCFourCC> KCComponentTypeLists::Parse(const char* text) {
    std::vector<KCFourCC> codes;
    if (text == nullptr) {
        return codes;
    }
    const auto separator = [](char c) { return c == ',' || c == ' ' || c == '\t' || c == '\n'; };
    const char* p = text;
    while (*p != 0) {
        while (*p != 0 && separator(*p)) {
            ++p;
        }
        const char* start = p;
        while (*p != 0 && !separator(*p)) {
            ++p;
        }
        if (p - start == 4) {
            const char code[5] = {start[0], start[1], start[2], start[3], 0};
            codes.emplace_back(code);
        }
    }
    return codes;
}

// ------------------------------------------------------------------ shell listener

void KCShellAlgorithmListener::PresetLoaded(const Preset::CPresetInfo& /*preset*/) {
    m_alg.Process().Call(eSelShellListener, AsArg(m_alg.GetCurrentPresetIndex()), AsArg(0));
}

void KCShellAlgorithmListener::PresetModified(EPluginSetup /*setup*/) {
    m_alg.Process().Call(eSelShellListener, AsArg(-1), AsArg(1));
}

void KCShellAlgorithmListener::SetupTitleChanged(EPluginSetup /*setup*/,
                                                 const KCFixedStringBase& /*title*/) {
    m_alg.Process().Call(eSelShellListener, AsArg(-1), AsArg(2));
}

// ------------------------------------------------------------------ life cycle

cALGORITHM::cALGORITHM(const KorvaneComponentInfo& info, KTResContainerType*& resources)
    : m_shellListener(*this), m_info(info), m_resources(resources) {
    m_lock.init();
    m_algName = info.shortName;
    // Without a description the component's short name stays the algorithm's name.
    ReadAlgXML();
    m_isNative = KCComponentTypeLists::IsNativeType(info.componentType);
    m_isNetShell = KCComponentTypeLists::IsNetShellType(info.componentType);
}

cALGORITHM::~cALGORITHM() {
    m_broadcaster.RemoveListener(&m_shellListener);
}

int cALGORITHM::FinishCreate() {
    if (HasProperty(eAlgNeedProcessThreadSafe)) {
        m_processLock.init();
    }
    PrepareParameterVec();
    ScaleAllParams(m_activeSetup);
    Broadcaster()->AddListener(&m_shellListener);
    if (!m_presetsManager) {
        if (const auto factory = KCPresetsManagerAbs::GetFactory(); factory != nullptr) {
            m_presetsManager = factory(*this);
        }
    }
    m_created = true;
    return FinishCreateSelf();
}

int cALGORITHM::InitProcessCode() {
    return InitProcessCodeSelf();
}

int cALGORITHM::InitData() {
    m_process.SizeCoefImages(GetCoefsNum());
    m_inputValues.assign(static_cast<std::size_t>(std::max(m_numInputs, 0)), 0.0);
    m_outputValues.assign(static_cast<std::size_t>(std::max(m_numOutputs, 0)), 0.0);
    const int result = InitDataSelf();
    m_process.SetProcessReady(true);
    return result;
}

int cALGORITHM::InitInstanceData() {
    const int result = InitInstanceDataSelf();
    CopySetup();
    m_instanceDataReady = true;
    return result;
}

BUFFER_HEADER* cALGORITHM::InitAlg(bool send) {
    const ThreadMutexLock lock(m_lock);
    BUFFER_HEADER* chain = InitAlgSelf();
    if (chain != nullptr) {
        m_process.SendAndFreeBuffers(chain, ProcessMemory::eSelExecuteChain, send);
    }
    return nullptr;
}

int cALGORITHM::ChangeSampleRate(int sampleRate) {
    const ThreadMutexLock lock(m_lock);
    if (sampleRate == m_sampleRate) {
        return eNoErr;
    }
    if (sampleRate <= 0) {
        return eOutOfRangeNumber;
    }
    if (m_maxSampleRate > 0 && sampleRate > m_maxSampleRate) {
        return kAlgSampleRateTooHigh;
    }
    m_sampleRate = sampleRate;
    m_updateAlgRequired = true;
    return ChangeSampleRateSelf();
}

void cALGORITHM::SetSampleRate(int sampleRate) {
    const ThreadMutexLock lock(m_lock);
    m_sampleRate = sampleRate;
    m_updateAlgRequired = true;
}

void cALGORITHM::Dispose() {
    DisposeSelf();
    m_process.SetProcessReady(false);
}

// ------------------------------------------------------------------ parameter vector

int cALGORITHM::PrepareParameterVec() {
    PrepareDisplayFunctionsMap();
    PrepareScaleFunctionsMap();
    PrepareMouseDeltaFunctionsMap();
    PrepareDrawClassFactoryMap();
    m_extensionFactories.clear();
    PrepareParamExtensionFactoryMapSelf(m_extensionFactories);
    return BuildParameterList();
}

void cALGORITHM::PrepareDrawClassFactoryMap() {
    m_drawClasses.clear();
    for (const KSDrawClass& drawClass : GraphDrawClasses()) {
        m_drawClasses[drawClass.key] = [create = drawClass.create](KTResContainerType*) {
            return create();
        };
    }
    PrepareDrawClassFactoryMapSelf(m_drawClasses);
}

int cALGORITHM::GetGraphDataAsGraphicStream(kvGS::KCGraphicStreamBinaryWriter& writer) {
    kvGS::SGSStream stream;
    stream.signature = {{1, 0, 0, 0}};
    std::memcpy(stream.text, m_algName.c_str(),
                std::min<std::size_t>(m_algName.size(), sizeof stream.text));
    const kvGS::KCStGSStreamStructWriter guard(writer, stream);
    for (unsigned int i = 0; i < GetNumAutomationControllers(); ++i) {
        GetGraphDataAsGraphicStreamForControl(i, writer);
    }
    return 0;
}

int cALGORITHM::GetGraphDataAsGraphicStreamForControl(
    unsigned int /*index*/, kvGS::KCGraphicStreamBinaryWriter& /*writer*/) {
    return 0;
}

void cALGORITHM::PrepareDisplayFunctionsMap() {
    m_displayFunctions = {
        {"DisplayFloat0", DisplayFloat0},
        {"DisplayFloat1", DisplayFloat1},
        {"DisplayFloat2", DisplayFloat2},
        {"DisplayFloat3", DisplayFloat3},
        {"DisplayFloat4", DisplayFloat4},
        {"DisplayFloat0WithHz", DisplayFloat0WithHz},
        {"DisplayFloat1WithHz", DisplayFloat1WithHz},
        {"DisplayGainWithDB", DisplayGainWithDB},
        {"DisplayRatioFloat2", DisplayRatioFloat2},
        {"DisplayVuHold", DisplayVuHold},
        {"DisplayOnOff", DisplayOnOff},
        {"DisplayInOut", DisplayInOut},
        {"DisplayInOutDefaultIn", DisplayInOutDefaultIn},
        {"DisplayInOutDefaultOut", DisplayInOutDefaultOut},
        {"DisplayPhaseDefaultPlus", DisplayPhaseDefaultPlus},
        {"DisplayNothing", DisplayNothing},
        {"DisplayTheSame", DisplayTheSame},
        // Bound to a parameter's own strings when a parameter installs it.
        {"DisplayRealWorldString", DisplayRealWorldString()},
    };
    PrepareDisplayFunctionsMapSelf(m_displayFunctions);
}

void cALGORITHM::PrepareScaleFunctionsMap() {
    m_scaleFunctions.clear();
    PrepareScaleFunctionsMapSelf(m_scaleFunctions);
}

void cALGORITHM::PrepareMouseDeltaFunctionsMap() {
    m_mouseDeltaFunctions.clear();
    PrepareMouseDeltaFunctionsMapSelf(m_mouseDeltaFunctions);
}

void cALGORITHM::LimitLoadedRealWorld(unsigned int /*index*/, EPluginSetup /*setup*/) {}

bool cALGORITHM::ValidateRealWorld(unsigned int index, double realWorld) const {
    if (index >= m_params.size()) {
        return false;
    }
    return m_params[index].ValidateRealWorld(realWorld) && ValidateRealWorldSelf(index, realWorld);
}

void cALGORITHM::SetPresetsManager(std::unique_ptr<KCPresetsManagerAbs> manager) {
    const ThreadMutexLock lock(m_lock);
    m_presetsManager = std::move(manager);
}

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
    // Linked mode comes with link groups; a parameter outside them wraps by its own flag.
    return m_params[index].OffsetToNextDifferentStateDiscrete(m_activeSetup, offset, false);
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

BUFFER_HEADER* cALGORITHM::UpdateParamState(unsigned int index, double state) {
    if (index >= m_params.size() || !ValidState(state)) {
        return nullptr;
    }
    const ThreadMutexLock lock(m_lock);
    sCONTROL_PARAM& param = m_params[index];
    const EPluginSetup active = m_activeSetup;
    if (param.GetType() == eParamDiscrete) {
        state = param.QuantizeState(state);
    }
    BUFFER_HEADER* chain = nullptr;
    if (param.GetState(active) != state || ForcesUpdate(param, state, true)) {
        const double oldRealWorld = param.GetRealWorld(active);
        param.SetStateAndUpdate(state, active);
        const double newRealWorld = param.GetRealWorld(active);
        const bool moved = std::fabs(newRealWorld - oldRealWorld) >= kRealWorldEpsilon;
        if (moved || ForcesUpdate(param, newRealWorld, false)) {
            chain = UpdateParamSelf(index);
            const bool dragMoved = param.IsFlagSet(eParamFlagDontUpdateWhileDrag) &&
                                   param.GetDragStartState() != -1.0 &&
                                   param.GetDragStartRealWorld() != newRealWorld;
            if ((moved && !param.IsFlagSet(eParamFlagDisplayOnlyParam)) || dragMoved) {
                Broadcaster()->PresetModified(active);
            }
        }
        param.SetNeedToReset(false);
        param.SetUpdateLevel(3);
    }
    if (param.IsFlagSet(eParamFlagDontUpdateWhileDrag)) {
        param.ClearDragStart();
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
    BUFFER_HEADER* chain = UpdateParamSelf(index);
    if (realWorld != oldRealWorld && !param.IsFlagSet(eParamFlagDisplayOnlyParam)) {
        Broadcaster()->PresetModified(active);
    }
    return chain;
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
    if (param.IsFlagSet(eParamFlagDisplayOnlyParam) || param.GetState(active) == state) {
        return nullptr;
    }
    if (param.GetDragStartState() == -1.0) {
        param.SetDragStart(param.GetState(active), param.GetRealWorld(active));
    }
    param.SetStateAndUpdate(state, active);
    param.SetUpdateLevel(3);
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
        param.SetUpdateLevel(3);
    }
}

void cALGORITHM::ScaleAllParams(EPluginSetup setup) {
    const ThreadMutexLock lock(m_lock);
    const EPluginSetup k = GetAbsoluteSetup(setup);
    for (auto& param : m_params) {
        param.UpdateRealWorldFromState(k);
        if (k == m_activeSetup) {
            param.SetUpdateLevel(3);
        }
    }
}

void cALGORITHM::UnscaleAllParams(EPluginSetup setup) {
    const ThreadMutexLock lock(m_lock);
    const EPluginSetup k = GetAbsoluteSetup(setup);
    for (auto& param : m_params) {
        param.UpdateStateFromRealWorld(k);
        if (k == m_activeSetup) {
            param.SetUpdateLevel(3);
        }
    }
}

void cALGORITHM::NotifyParamValue(unsigned int /*index*/) {}
void cALGORITHM::Touch(unsigned int /*index*/) {}
void cALGORITHM::Release(unsigned int /*index*/) {}
void cALGORITHM::TouchAllPararms() {}
void cALGORITHM::ReleaseAllParams() {}

BUFFER_HEADER* cALGORITHM::UpdateAlg() {
    const ThreadMutexLock lock(m_lock);
    BUFFER_HEADER* chain = UpdateAlgSelf();
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

// ------------------------------------------------------------------ display

int cALGORITHM::DoIdle(short level) {
    // One try for the whole pass: a busy lock leaves every parameter pending.
    if (!TryLockAlg()) {
        return kAlgLockBusy;
    }
    int result = 0;
    for (unsigned int i = 0; i < m_params.size(); ++i) {
        if (m_params[i].GetUpdateLevel() >= level) {
            if (const int r = UpdateDisplay(i); r != 0) {
                result = r;
            }
        }
    }
    UnLockAlg();
    return result;
}

int cALGORITHM::UpdateDisplay(unsigned int index) {
    if (index >= m_params.size()) {
        return eOutOfRangeNumber;
    }
    if (!TryLockAlg()) {
        return kAlgLockBusy;
    }
    UpdateParamDisplaySelf(index);
    sCONTROL_PARAM& param = m_params[index];
    if (!param.IsFlagSet(eParamFlagNoDisplay)) {
        param.UpdateValueString(m_activeSetup);
    }
    // Refreshed: the parameter is pending again only after its next change.
    param.SetUpdateLevel(0);
    UnLockAlg();
    if (m_gui != nullptr) {
        param.UpdateControllers();
    }
    return 0;
}

int cALGORITHM::UpdateControlsFromParams(EPluginSetup setup) {
    if (GetAbsoluteSetup(setup) != m_activeSetup) {
        return 0;
    }
    const bool touchRelease = HasProperty(eAlgNotifyTouchReleaseOnPresetLoad);
    if (touchRelease) {
        TouchAllPararms();
    }
    NotifyAllParamValues();
    if (touchRelease) {
        ReleaseAllParams();
    }
    return 0;
}

void cALGORITHM::NotifyAllParamValues() {
    m_process.Call(eSelSetupSwitchBracket, AsArg(1));
    for (unsigned int i = 0; i < m_params.size(); ++i) {
        NotifyParamValue(i);
    }
    m_process.Call(eSelSetupSwitchBracket, AsArg(0));
}

int cALGORITHM::AddParamController(unsigned int index, int tag, KCParamController* control) {
    return index < m_params.size() ? m_params[index].AddController(tag, control) : -1;
}

int cALGORITHM::RemoveParamController(unsigned int index, int tag, KCParamController* control) {
    return index < m_params.size() ? m_params[index].RemoveController(tag, control) : -1;
}

bool cALGORITHM::ControllerExists(unsigned int index, int tag, KCParamController* control) const {
    return index < m_params.size() && m_params[index].ControllerExists(tag, control);
}

// ------------------------------------------------------------------ setups

EPluginSetup cALGORITHM::GetPassiveSetup() const {
    return m_activeSetup == eSetupA ? eSetupB : eSetupA;
}

EPluginSetup cALGORITHM::GetAbsoluteSetup(EPluginSetup setup) const {
    if (setup == eSetupA || setup == eSetupB) {
        return setup;
    }
    return m_activeSetup;
}

bool cALGORITHM::ChangeActiveSetup(EPluginSetup setup) {
    const EPluginSetup target = GetAbsoluteSetup(setup);
    if (target == m_activeSetup) {
        return false;
    }
    ToggleActiveSetup(target);
    return true;
}

EPluginSetup cALGORITHM::ToggleActiveSetup(EPluginSetup setup) {
    const ThreadMutexLock lock(m_lock);
    const EPluginSetup target = (setup == eSetupA || setup == eSetupB) ? setup : GetPassiveSetup();
    if (target == m_activeSetup) {
        return target;
    }
    m_updateAlgRequired = true;
    m_activeSetup = target;
    for (auto& param : m_params) {
        if (auto* extension = param.GetParamExtension(); extension != nullptr) {
            extension->SetCurrentData(param.GetParamExtensionData(target));
        }
    }
    if (m_presetsManager) {
        m_presetsManager->ActiveSetupChanged(target);
    }
    NotifyAllParamValues();
    Broadcaster()->ActiveSetupChanged(target);
    for (auto& param : m_params) {
        param.SetUpdateLevel(3);
    }
    return target;
}

void cALGORITHM::CopySetup() {
    const ThreadMutexLock lock(m_lock);
    const EPluginSetup from = m_activeSetup;
    const EPluginSetup to = GetPassiveSetup();
    for (auto& param : m_params) {
        param.CopySetup(from, to);
    }
    m_process.CopyCoefImages(from, to);
    m_setupNames[to] = m_setupNames[from];
    CopySetupSelf(from, to);
    if (m_presetsManager) {
        m_presetsManager->CopySetupData(from, to);
    }
    Broadcaster()->PresetModified(to);
}

const KCFixedStringBase& cALGORITHM::GetSetupName(EPluginSetup setup) const {
    return m_setupNames[Slot(setup)];
}

void cALGORITHM::SetSetupName(const KCFixedStringBase& name, EPluginSetup setup) {
    const ThreadMutexLock lock(m_lock);
    const EPluginSetup k = GetAbsoluteSetup(setup);
    m_setupNames[k] = name;
    Broadcaster()->SetupTitleChanged(k, m_setupNames[k]);
}

void cALGORITHM::ClearSetupName(EPluginSetup setup) {
    const ThreadMutexLock lock(m_lock);
    m_setupNames[Slot(setup)].clear();
}

KCFixedString<15> cALGORITHM::SetupToSetupString(EPluginSetup setup) {
    switch (setup) {
        case eSetupA:
            return "SETUP_A";
        case eSetupB:
            return "SETUP_B";
        default:
            return "CURRENT_SETUP";
    }
}

EPluginSetup cALGORITHM::SetupStringToSetup(const KCFixedString<15>& text) {
    if (text == "SETUP_A") {
        return eSetupA;
    }
    if (text == "SETUP_B") {
        return eSetupB;
    }
    return eActiveSetup;
}

int cALGORITHM::LoadSetupFromBuffer(const std::int32_t* states, KCFourCC code, int count) {
    EPluginSetup setup = eSetupA;
    if (code == kSetupBBuffer) {
        setup = eSetupB;
    } else if (code == kCurrentSetupBuffer) {
        setup = eActiveSetup;
    }
    return LoadStatesFromBuffer(states, count > 0 ? static_cast<unsigned int>(count) : 0U, setup);
}

int cALGORITHM::LoadStatesFromBuffer(const std::int32_t* states, unsigned int count,
                                     EPluginSetup setup) {
    {
        const ThreadMutexLock lock(m_lock);
        const EPluginSetup k = GetAbsoluteSetup(setup);
        const std::size_t given =
            states != nullptr ? std::min<std::size_t>(count, m_params.size()) : 0;
        for (std::size_t i = 0; i < m_params.size(); ++i) {
            sCONTROL_PARAM& param = m_params[i];
            if (i >= given) {
                param.SetStateAndUpdate(param.GetResetState(), k);
            } else if (states[i] >= 0) {
                param.SetStateAndUpdate(static_cast<double>(states[i]), k);
            }
        }
    }
    UpdateControlsFromParams(setup);
    ScaleAllParams(setup);
    return eNoErr;
}

// ------------------------------------------------------------------ chunks

int cALGORITHM::GetIndexedChunkID(unsigned int index, KCFourCC& id) {
    if (index != 0) {
        return eIllegalChunkIndex;
    }
    id = kPresetChunkID;
    return eNoErr;
}

int cALGORITHM::GetChunk(std::uint32_t id, Utils::KCStMemObj& out, bool flag) {
    if (id == kPrefChunkID.Value()) {
        return eNoErr;
    }
    if (id != kPresetChunkID.Value()) {
        return -1;
    }
    const int result = PreparePresetChunk(out, flag);
    if (result != eNoErr) {
        return result;
    }
    return out.size == 0 ? kAlgEmptyChunk : eNoErr;
}

int cALGORITHM::GetChunkSize(std::uint32_t /*id*/, bool flag, unsigned int& size) {
    Utils::KCStMemObj chunk;
    const int result = PreparePresetChunk(chunk, flag);
    size = chunk.size;
    return result;
}

int cALGORITHM::SetChunk(std::uint32_t id, const Utils::KCStConstMemObj& data) {
    const ThreadMutexLock lock(m_lock);
    if (id == kPrefChunkID.Value()) {
        return eNoErr;
    }
    return id == kPresetChunkID.Value() ? SetPresetChunk(data) : -1;
}

int cALGORITHM::PreparePresetChunk(Utils::KCStMemObj& out, bool flag) {
    const ThreadMutexLock lock(m_lock);
    return m_presetsManager ? m_presetsManager->PrepareChunk(*this, out, flag) : -1;
}

int cALGORITHM::SetPresetChunk(const Utils::KCStConstMemObj& data) {
    const ThreadMutexLock lock(m_lock);
    return m_presetsManager ? m_presetsManager->ApplyChunk(*this, data) : -1;
}

// ------------------------------------------------------------------ messages

int cALGORITHM::ReceiveMessage(char* text, const KCFourCC& id) {
    const ThreadMutexLock lock(m_lock);
    return ReceiveMessageSelf(text, id);
}

void cALGORITHM::DisplayMessage(const char* text) {
    DisplayMessageSelf(text);
}

// ------------------------------------------------------------------ bypass, mute, activity

BUFFER_HEADER* cALGORITHM::SetBypass(bool bypass) {
    const ThreadMutexLock lock(m_lock);
    if (bypass != m_process.IsBypassed()) {
        m_process.SetBypassed(bypass);
        if (m_processActive) {
            m_bypassChanged = true;
            SetBypassSelf();
        }
    }
    return nullptr;
}

int cALGORITHM::SetMute(bool mute) {
    BUFFER_HEADER* chain = SetMuteSelf(mute);
    return chain == nullptr
               ? eNoErr
               : m_process.SendAndFreeBuffers(chain, ProcessMemory::eSelPostChain, true);
}

void cALGORITHM::SetProcessActive(bool active) {
    SetProcessActiveSelf(active);
    m_processActive = active;
}

void cALGORITHM::ChangeSideChainActive(signed char active) {
    const ThreadMutexLock lock(m_lock);
    m_sideChainActive = active;
    m_process.Call(eSelSideChainActivity, AsArg(active));
    Broadcaster()->ActiveSideChainChanged(active != 0);
}

// ------------------------------------------------------------------ inputs and outputs

int cALGORITHM::SetNumSideChainInputs(int n) {
    return std::exchange(m_numSideChainInputs, n);
}

bool cALGORITHM::IsMono() const {
    return m_numInputs - GetNumSideChainInputs() == 1 && m_numOutputs == 1;
}

bool cALGORITHM::IsStereo() const {
    return m_numInputs - GetNumSideChainInputs() == 2 && m_numOutputs == 2;
}

bool cALGORITHM::IsMono2Stereo() const {
    return m_numInputs - GetNumSideChainInputs() == 1 && m_numOutputs == 2;
}

// ------------------------------------------------------------------ delay, music, properties

void cALGORITHM::GetDelayInfo(KCDelayInfo& info) {
    info.throughDelay = info.reportedDelay = info.compensationDelay = m_throughDelay;
    GetDelayInfoSelf(info);
}

int cALGORITHM::SetDelay(int samples) {
    BUFFER_HEADER* chain = SetDelaySelf(samples);
    return chain == nullptr
               ? eNoErr
               : m_process.SendAndFreeBuffers(chain, ProcessMemory::eSelPostChain, true);
}

void cALGORITHM::GetTimeSignature(float& numerator, float& denominator) const {
    numerator = m_timeSignature[0];
    denominator = m_timeSignature[1];
}

void cALGORITHM::SetTimeSignature(float numerator, float denominator) {
    m_timeSignature[0] = numerator;
    m_timeSignature[1] = denominator;
}

void cALGORITHM::SetProperty(EAlgPropertyBit bit, bool on) {
    const std::uint32_t mask = 1U << bit;
    m_properties = on ? (m_properties | mask) : (m_properties & ~mask);
}

kvThread::ThreadMutexInited* cALGORITHM::GetProcessSemaphoreIDPtr() {
    return m_processLock.is_init() ? &m_processLock : nullptr;
}

// ------------------------------------------------------------------ names

int cALGORITHM::GetAlgNameOfLength(unsigned int length, char* buffer) const {
    if (buffer == nullptr) {
        return eNoErr;
    }
    // The longest short name that fits, else the full name cut to the length.
    const KCFixedStringBase* name = &m_algName;
    if (m_algName.length() > length) {
        for (const auto& [limit, shortName] : m_shortNames) {
            if (limit <= length) {
                name = &shortName;
            }
        }
    }
    name->copy_to_buffer(length + 1, buffer);
    return eNoErr;
}

KCFixedString<63> cALGORITHM::GetVersNumString() const {
    return m_info.pluginInternalVersion.GetString(4);
}

}  // namespace kvKorvaneV10_0_3
