// cALGORITHM: life cycle, display refresh, chunks and the state the host shell drives. The
// parameter reads and writes live in algorithm_params.cpp, the setups in algorithm_setups.cpp,
// the host-connection forwarders in algorithm_process.cpp.
#include "korvane/algorithm/algorithm.h"

#include "korvane/algorithm/display_functions.h"
#include "korvane/algorithm/param_extension_types.h"
#include "korvane/core/error_codes.h"
#include "korvane/core/four_cc.h"
#include "korvane/graphs/draw_classes.h"
#include "korvane/rm/resource_manager.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <map>
#include <mutex>

namespace kvKorvaneV10_0_3 {
namespace {

using kvThread::ThreadMutexLock;
using ProcessMemory::eSelSetupSwitchBracket;
using ProcessMemory::eSelShellListener;
using ProcessMemory::eSelSideChainActivity;

// Integer arguments of the callback travel in its pointer arguments.
void* AsArg(std::intptr_t value) {
    return reinterpret_cast<void*>(value);  // NOLINT(performance-no-int-to-ptr)
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
    return text == nullptr ? std::vector<KCFourCC>() : ParseFourCCList(text);
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
    // A last resort for a plug-in that never called Dispose: the derived class is gone by now,
    // so a text command running during this stop could reach it. Dispose is where it belongs.
    m_redisReporter.reset();
    // The last safeguard: a plug-in that receives messages unregisters before its own members
    // are destroyed (Dispose does).
    UnregisterMessageListener();
    m_broadcaster.RemoveListener(&m_shellListener);
    // A host must not be left with a gesture that never ends (Dispose normally ended them).
    m_automation.EndAllGestures();
    if (m_gui != nullptr) {
        m_gui->AlgorithmGone();
    }
}

int cALGORITHM::FinishCreate() {
    if (HasProperty(eAlgNeedProcessThreadSafe)) {
        m_processLock.init();
    }
    PrepareParameterVec();
    ScaleAllParams(m_activeSetup);
    CreateLinkGroupsInstance();
    Broadcaster()->AddListener(&m_shellListener);
    InitializeMeterManager();
    m_automation.Init(this);
    if (!m_presetsManager) {
        if (const auto factory = KCPresetsManagerAbs::GetFactory(); factory != nullptr) {
            m_presetsManager = factory(*this);
        }
    }
    if (!m_midiControl && IsMidiListener()) {
        if (const auto factory = KCMidiControlAbs::GetFactory(); factory != nullptr) {
            m_midiControl = factory(*this);
        }
    }
    m_created = true;
    m_automation.FinishCreate();
    const int result = FinishCreateSelf();
    // Reports from here on; text commands are obeyed only once the instance data is set up
    // (InitInstanceData), so none runs against a half-initialised algorithm.
    static_cast<void>(StartRedisReporting(false));
    if (m_redisReporter) {
        m_redisReporter->ReportRuntimeDetail("alg state", "created");
    }
    return result;
}

int cALGORITHM::InitProcessCode() {
    const KTErr read =
        m_processCodes.ReadProcCodeDescForComponent(m_info, m_resources, DescriptionResourceID());
    if (read == eRMResNotFound || read == eRMContainerNotFound) {
        return InitProcessCodeSelf();  // no descriptions: the plug-in sized itself
    }
    if (read != eNoErr) {
        return read;
    }
    AdjustProcessCodeDescriptionsSelf();
    ProcessMemory::SProcessorSpec processor;
    GetDefaultProcessorForComponentSelf(processor);
    const ProcessMemory::CProcCodeDesc* desc = m_processCodes.DescForSpecificProcessor(processor);
    ProcessMemory::SDSPReqRes req;
    if (desc == nullptr || !desc->DSPReqResForSpecificProcessor(processor, req)) {
        return eComponentTypeNotSupported;
    }
    m_reqRes = req;
    m_coefsNum = req.coefs;
    m_numInputs = static_cast<int>(req.inputs);
    m_numSideChainInputs = static_cast<int>(req.sideChainInputs);
    m_numOutputs = static_cast<int>(req.outputs);
    if (desc->MaxSampleRate > 0) {
        m_maxSampleRate = static_cast<int>(desc->MaxSampleRate);
    }
    m_processFuncName = desc->GetProcessFuncName();

    // One block per external buffer, laid out one after the other within its memory space.
    auto& blocks = m_process.GetExtBuffers();
    blocks.clear();
    std::map<std::uint32_t, std::int64_t> used;  // words taken so far, per kind
    for (std::size_t i = 0; i < req.externBuffs.size(); ++i) {
        const auto& buffer = req.externBuffs[i];
        ProcessMemory::sEXT_BUFF block;
        block.kind = buffer.memSpace.Value();
        std::int64_t& taken = used[block.kind];
        // Offsets are 32-bit words: a space that would not fit them is refused, not wrapped.
        if (taken + buffer.size > std::numeric_limits<std::int32_t>::max()) {
            blocks.clear();
            return eOutOfRangeNumber;
        }
        block.size = static_cast<std::int32_t>(buffer.size);
        block.baseOffset = static_cast<std::int32_t>(taken);
        block.extra = static_cast<std::int32_t>(i);
        taken += buffer.size;
        blocks.push_back(block);
    }

    m_nativeProcess = nullptr;
    if (HasProperty(eAlgUsesProcessFunctionInAlg)) {
        const KTErr found = ProcessMemory::FindNativeProcessFunction(
            RM::GetHMODULE(m_resources), m_processFuncName.c_str(), m_nativeProcess);
        if (found != eNoErr) {
            return found;
        }
    }
    return InitProcessCodeSelf();
}

int cALGORITHM::InitData() {
    m_process.SizeCoefImages(GetCoefsNum());
    m_inputValues.assign(static_cast<std::size_t>(std::max(m_numInputs, 0)), 0.0);
    m_outputValues.assign(static_cast<std::size_t>(std::max(m_numOutputs, 0)), 0.0);
    const int result = InitDataSelf();
    // Reading order: runs of consecutive offsets read as one buffer each.
    m_meters.OptimizeMeterOrder();
    m_process.SetProcessReady(true);
    return result;
}

int cALGORITHM::InitInstanceData() {
    const int result = InitInstanceDataSelf();
    CopySetup();
    m_instanceDataReady = true;
    // Last: once registered, the worker may call ReceiveMessageSelf at any moment, so the
    // instance has to be fully set up by then.
    if (HasProperty(eAlgUsesPluginCommunication)) {
        // Messages are best effort: without a worker the instance simply receives none, which
        // is no reason to refuse the instance.
        static_cast<void>(RegisterMessageListener());
    }
    if (m_redisReporter) {
        m_redisReporter->StartListening();
    }
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
    UnregisterMessageListener();
    StopRedisReporting();
    // Gestures in progress end here, while the host still listens.
    m_automation.EndAllGestures();
    DisposeSelf();
    m_process.SetProcessReady(false);
}

// ------------------------------------------------------------------ Redis reporting

int cALGORITHM::StartRedisReporting(bool listen) {
    if (!m_redisReporter) {
        const auto factory = KCRedisReporterAbs::GetFactory();
        if (factory == nullptr) {
            return eRedisNotConnected;
        }
        m_redisReporter = factory(*this);
    }
    if (!m_redisReporter || !m_redisReporter->IsConnected()) {
        m_redisReporter.reset();
        return eRedisNotConnected;
    }
    if (listen) {
        m_redisReporter->StartListening();
    }
    return eNoErr;
}

void cALGORITHM::StopRedisReporting() {
    if (m_redisReporter) {
        m_redisReporter->StopListening();
        m_redisReporter.reset();
    }
}

int cALGORITHM::HandleRedisTextCommandForChainer(const char* /*command*/,
                                                 const std::string& /*document*/,
                                                 std::string& /*result*/) {
    return eNotImplemented;
}

// ------------------------------------------------------------------ parameter vector

int cALGORITHM::PrepareParameterVec() {
    PrepareDisplayFunctionsMap();
    PrepareScaleFunctionsMap();
    PrepareMouseDeltaFunctionsMap();
    PrepareDrawClassFactoryMap();
    m_extensionFactories.clear();
    // The library's types first, so that the plug-in's own can replace them.
    AddRegisteredParamExtensionTypes(m_extensionFactories);
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

int cALGORITHM::GetGraphDataAsGraphicStreamForControl(unsigned int index,
                                                      kvGS::KCGraphicStreamBinaryWriter& writer) {
    if (const KCAutomationControl* control = m_automation.GetAutomationControl(index)) {
        return control->GetGraphDataAsGraphicStream(writer);
    }
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

// ------------------------------------------------------------------ display

int cALGORITHM::DoIdle(short level) {
    // Text commands that touch the GUI, controls or undo run here, on the GUI thread.
    if (m_redisReporter) {
        m_redisReporter->RunIdleCommands();
    }
    // Meters first: they need no lock, so a busy algorithm does not freeze them.
    ApplyPendingMeterResets();
    if (m_processActive) {
        m_meters.ReadFromDSP();  // a stopped process has no level to show
    }
    m_meters.UpdateDisplay();
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
    param.SetUpdateLevel(eUpdateLevelNone);
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

KCPluginCommunicationManager cALGORITHM::m_pluginCommunicationManager;

int cALGORITHM::RegisterMessageListener() {
    int result = eNoErr;
    {
        // The flag changes under the runner lock, the first lock of the order, so that a
        // registration and an unregistration on two threads (or from inside a delivery) agree.
        const kvThread::KCIdleCommandRunner::ScopedLock runnerLock;
        if (!m_messageListener) {
            result = m_pluginCommunicationManager.RegisterMessageListener(this);
            m_messageListener = result == eNoErr;
        }
    }
    kvThread::KCIdleCommandRunner::JoinStopped();
    return result;
}

void cALGORITHM::UnregisterMessageListener() {
    if (!m_messageListener) {
        return;  // never registered: no need to wait for the worker's lock
    }
    {
        const kvThread::KCIdleCommandRunner::ScopedLock runnerLock;
        if (m_messageListener) {
            m_pluginCommunicationManager.UnregisterMessageListener(this);
            m_messageListener = false;
        }
    }
    kvThread::KCIdleCommandRunner::JoinStopped();
}

int cALGORITHM::SendMessageToInstances(const KCFourCC& algType, const KCFourCC& messageID,
                                       const char* data, int size) {
    return m_pluginCommunicationManager.SendMessageToInstances(this, algType, messageID, data,
                                                               size);
}

int cALGORITHM::RegisterAsyncMessageListener() {
    return RegisterMessageListener();
}

void cALGORITHM::UnregisterAsyncMessageListener() {
    UnregisterMessageListener();
}

int cALGORITHM::SendAsyncMessageToInstances(const KCFourCC& algType, const KCFourCC& messageID,
                                            char* data, int size, bool allTypes) {
    return SendMessageToInstances(
        allTypes ? KCPluginCommunicationManager::kAllPluginTypes : algType, messageID, data, size);
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
    // Under the lock, so that a bypass change on another thread sees one activity throughout.
    const ThreadMutexLock lock(m_lock);
    SetProcessActiveSelf(active);
    // Stop the idle reads before requesting the reset: the other way round, an idle pass in
    // between could apply the reset and then read the stopped process again, leaving its last
    // level frozen on the meters.
    const bool wasActive = m_processActive.exchange(active);
    if (wasActive && !active) {
        // A stopped process leaves no level behind: the meters fall to the floor.
        m_pendingMeterResets |= kMeterResetValues;
    }
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
