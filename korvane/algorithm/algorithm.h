// cALGORITHM: the base class of every plug-in's algorithm object. It owns the parameter vector
// with its two setups, the algorithm lock and the host connection; a plug-in overrides the
// processing hooks and whichever Self hooks it needs.
#pragma once

#include "korvane/algorithm/algorithm_broadcaster.h"
#include "korvane/algorithm/algorithm_gui_abs.h"
#include "korvane/algorithm/automation_manager.h"
#include "korvane/algorithm/control_param.h"
#include "korvane/algorithm/link_groups.h"
#include "korvane/algorithm/meter_manager.h"
#include "korvane/algorithm/meter_read_buffers.h"
#include "korvane/algorithm/midi_control_abs.h"
#include "korvane/algorithm/param_base.h"
#include "korvane/algorithm/param_xml.h"
#include "korvane/algorithm/presets_manager_abs.h"
#include "korvane/algorithm/redis_reporter_abs.h"
#include "korvane/core/export.h"
#include "korvane/core/fixed_string.h"
#include "korvane/core/mem_obj.h"
#include "korvane/core/thread_annotations.h"
#include "korvane/core/thread_mutex.h"
#include "korvane/gs/gs_writer.h"
#include "korvane/messaging/plugin_communication.h"
#include "korvane/process/native_process.h"
#include "korvane/process/process_buffers.h"
#include "korvane/process/processor_spec.h"
#include "korvane/rm/res_container_type.h"
#include "korvane/scan/component_info.h"
#include "korvane/scan/process_code_manager.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3 {

using BUFFER_HEADER = KPAPI_PROCESS_MEMORY::BUFFER_HEADER;

// Bits of the algorithm property word.
enum EAlgPropertyBit : unsigned int {
    eAlgNeedProcessThreadSafe = 0,
    eAlgIsTempoListener = 1,
    eAlgIsMidiListener = 2,
    eAlgIsMidiRealtime = 3,
    eAlgIsMidiBroadcaster = 4,
    eAlgIsTrackInfoListener = 5,
    eAlgIsBeatInfoListener = 6,
    eAlgUsesProcessFunctionInAlg = 7,
    eAlgUsesVecLibSetup = 8,
    eAlgCanProcessVarIO = 9,
    eAlgIsStickyTouch = 10,
    eAlgDoesntExportFactoryPresets = 11,
    eAlgHasGlobalDataInPresets = 12,
    eAlgDontSuspendProcess = 13,
    eAlgNotifyTouchReleaseOnPresetLoad = 15,
    eAlgIsDragAndDropEnabled = 16,
    eAlgIsNKSSupport = 17,
    eAlgUsesPluginCommunication = 18,
    eAlgIsSampleBased = 19,
};

// The description element that sets a property bit by its presence; null for bit 15 and
// unused bits.
KORVANE_API const char* AlgPropertyElementName(unsigned int bit);

// Chunk and setup-buffer codes.
constexpr KCFourCC kPresetChunkID("XPst");
constexpr KCFourCC kPrefChunkID("pref");
constexpr KCFourCC kSetupABuffer("setA");
constexpr KCFourCC kSetupBBuffer("setB");
constexpr KCFourCC kCurrentSetupBuffer("curS");

// Result codes of the algorithm that have no name in the error table.
constexpr int kAlgLockBusy = -28;          // UpdateDisplay: the lock is held elsewhere
constexpr int kAlgInfoNotSupported = -25;  // plug-in information nobody answers
constexpr int kAlgEmptyChunk = -5023;      // the preset chunk came out empty
constexpr int kAlgSampleRateTooHigh = -5026;

// The delays a plug-in reports; GetDelayInfo fills all three with the stored delay first.
struct KCDelayInfo {
    int throughDelay = 0;
    int reportedDelay = 0;
    int compensationDelay = 0;
};

// Forwards the algorithm's events to the host shell (selector 36).
class KORVANE_API KCShellAlgorithmListener : public KCAlgorithmListener {
public:
    explicit KCShellAlgorithmListener(class cALGORITHM& alg) : m_alg(alg) {}
    void PresetLoaded(const Preset::CPresetInfo& preset) override;
    void PresetModified(EPluginSetup setup) override;
    void SetupTitleChanged(EPluginSetup setup, const KCFixedStringBase& title) override;

private:
    cALGORITHM& m_alg;
};

// Which component types run natively or through the network shell. Read once from the
// environment (KORVANE_NATIVE_COMPONENT_TYPES, KORVANE_NETSHELL_COMPONENT_TYPES: four-character
// codes separated by commas or spaces) unless set in code first. [gui-thread]
class KORVANE_API KCComponentTypeLists {
public:
    static void SetNativeTypes(const std::vector<KCFourCC>& types);
    static void SetNetShellTypes(const std::vector<KCFourCC>& types);
    [[nodiscard]] static bool IsNativeType(KCFourCC type);
    [[nodiscard]] static bool IsNetShellType(KCFourCC type);
    // The codes of a list such as "Abcd, Efgh Ijkl", read as ParseFourCCList reads it.
    [[nodiscard]] static std::vector<KCFourCC> Parse(const char* text);
};

// Entry points are non-virtual: they lock, validate, update, call the protected XSelf hook and
// notify. Parameter writes, drags, UpdateAlg, setup switches, copies and names, chunks and
// messages take the recursive algorithm lock and may come from any thread; DoIdle and
// UpdateDisplay only try it. Each section below gives the tag of its operations (see
// docs/architecture.md); an operation with its own tag overrides it.
class KORVANE_API cALGORITHM : public KCMessageListener,
                               public KCMeterManager::Listener,
                               public KCLinkGroups::Listener {
public:
    // Reads the description resource. [gui-thread & !created]
    cALGORITHM(const KorvaneComponentInfo& info, KTResContainerType*& resources);
    cALGORITHM(const cALGORITHM&) = delete;
    cALGORITHM& operator=(const cALGORITHM&) = delete;
    ~cALGORITHM() override;

    // ------------------------------------------------------------------ life cycle
    // [gui-thread], one call after the other in this order.
    // After SetExecCallBack: builds the parameter vector, scales it, registers the shell
    // listener, marks the object created; returns FinishCreateSelf's result. [gui-thread &
    // !created]; not analysed: it installs the presets manager and the MIDI table before the
    // object is shared.
    int FinishCreate() KV_NO_THREAD_SAFETY_ANALYSIS;
    // Reads the component's process code descriptions ("ProcessXML", under
    // DescriptionResourceID()), lets AdjustProcessCodeDescriptionsSelf amend them, picks the
    // default processor (GetDefaultProcessorForComponentSelf) and takes the sizes, channel
    // counts, maximum sample rate and external buffers from the description that runs there;
    // with property bit 7 it also looks up that description's native process function in the
    // plug-in's module. Then returns InitProcessCodeSelf's result. A component without
    // descriptions keeps the sizes the plug-in set; a description that does not read gives
    // its error, eComponentTypeNotSupported when none runs on the default processor, and the
    // look-up's error (eDLLNotFound, eFuncPointerNotFound) when the function is missing.
    int InitProcessCode();
    // Sizes the coefficient images, zero-fills the per-channel values, marks the process ready.
    int InitData();
    // Runs InitInstanceDataSelf, copies setup A to B and marks the instance data ready; then,
    // with property bit 18 ("UsesPluginCommunication"), registers the instance for messages
    // from other instances, so that none arrives before the instance is set up.
    // Returns InitInstanceDataSelf's result. Not with the algorithm lock held.
    int InitInstanceData() KV_EXCLUDES(m_lock);
    // Executes (when `send`) and frees the initial chain, under the lock; always returns null.
    BUFFER_HEADER* InitAlg(bool send);
    // 0 when unchanged, kAlgSampleRateTooHigh above the maximum, else ChangeSampleRateSelf().
    // Both take the lock. [any-thread]
    int ChangeSampleRate(int sampleRate);
    void SetSampleRate(int sampleRate);
    // Unregisters the instance from the messages first, then DisposeSelf. Not with the
    // algorithm lock held.
    void Dispose() KV_EXCLUDES(m_lock);
    [[nodiscard]] bool IsCreated() const { return m_created; }
    [[nodiscard]] bool IsInstanceDataReady() const { return m_instanceDataReady; }

    // ------------------------------------------------------------------ host connection
    // Installs the host's exec callback and asks it for its formats; returns
    // SetExecCallBackSelf's result. [gui-thread & !created]
    int SetExecCallBack(ProcessMemory::ExecCallBack callback, int refcon);
    // Fixed once created. [any-thread]
    [[nodiscard]] ProcessMemory::ExecCallBack GetExecCallBack() const;
    [[nodiscard]] int GetExecRefcon() const;
    [[nodiscard]] int GetlExecRefCon() const { return GetExecRefcon(); }
    // The buffer operations of the process side, tagged there (see KCProcessBuffers). [any-thread]
    [[nodiscard]] ProcessMemory::KCProcessBuffers& Process() { return m_process; }
    [[nodiscard]] const ProcessMemory::KCProcessBuffers& Process() const { return m_process; }
    // The process layout. [gui-thread & !created]; the getters [any-thread] once created.
    [[nodiscard]] int GetDSPWordSize() const { return m_process.GetDSPWordSize(); }
    void SetDSPWordSize(int bytes) { m_process.SetDSPWordSize(bytes); }
    void SetMemOperationEnums(int base) { m_process.SetMemOperationEnums(base); }
    [[nodiscard]] int GetCoefsOfs() const { return m_process.GetCoefsOfs(); }
    [[nodiscard]] int GetStatesOfs() const { return m_process.GetStatesOfs(); }
    // Forwarded to KCProcessBuffers. [any-thread] on distinct chains
    BUFFER_HEADER* NewBuffer(int space, int operation, int coefFlag, int offset, int count,
                             int extra);
    BUFFER_HEADER* NewBuffer(int space, int operation, int coefFlag,
                             const ProcessMemory::sEXT_BUFF* block);
    BUFFER_HEADER* ChainBufs(BUFFER_HEADER* first, BUFFER_HEADER* second);
    int SendBuffers(BUFFER_HEADER* chain, int selector);
    // Inline: a plug-in's hook and its caller use them on every parameter change.
    int SendAndFreeBuffers(BUFFER_HEADER*& chain, int selector, bool send) {
        return m_process.SendAndFreeBuffers(chain, selector, send);
    }
    int FreeBuffers(BUFFER_HEADER*& chain) { return m_process.FreeBuffers(chain); }
    BUFFER_HEADER* PrepareCoefBuffer(int offset, int count, const void* source, bool enable);
    BUFFER_HEADER* PrepareCoefBufferWithBypass(int offset, int count, bool enable) {
        return m_process.PrepareCoefBufferWithBypass(offset, count, enable, m_activeSetup);
    }
    // One state read back (read-write pre-filled with `value` when reset != 0); `value` itself
    // until the process is ready or when the read fails. A plug-in may read its meters its own
    // way. [any-thread]
    virtual std::int32_t ReadVU(int index, short reset, std::int32_t value);
    virtual double ReadVU(int index, short reset, double value);
    [[nodiscard]] KCFixedString<63> GetNetShellProcessorName() const;
    // Number of coefficients per setup image (InitData sizes the images from it). The setter
    // [gui-thread & !created], the getter [any-thread].
    [[nodiscard]] virtual unsigned int GetCoefsNum() const { return m_coefsNum; }
    void SetCoefsNum(unsigned int count) { m_coefsNum = count; }
    // Sizes of the chosen processing form, set by InitProcessCode (0 before). [any-thread]
    [[nodiscard]] unsigned int GetStatesNum() const { return m_reqRes.states; }
    [[nodiscard]] unsigned int GetCodeNum() const { return m_reqRes.internalP; }
    [[nodiscard]] unsigned int GetIdleCodeNum() const { return m_reqRes.idleInternalP; }
    // What the chosen form needs on the chosen processor (processor invalid and cycles -1
    // before InitProcessCode found one). [any-thread]
    [[nodiscard]] const ProcessMemory::SDSPReqRes& GetDSPReqRes() const { return m_reqRes; }
    // The descriptions InitProcessCode read. [gui-thread]
    [[nodiscard]] CProcessCodeManager& GetProcessCodeManager() { return m_processCodes; }
    [[nodiscard]] const CProcessCodeManager& GetProcessCodeManager() const {
        return m_processCodes;
    }
    // The chosen form's process function name (empty without one) and, with property bit 7,
    // the function itself (null otherwise). [any-thread]
    [[nodiscard]] const KCFixedStringBase& GetProcessFuncName() const { return m_processFuncName; }
    [[nodiscard]] KTNativeProcessFunction GetNativeProcessFunction() const {
        return m_nativeProcess;
    }

    // ------------------------------------------------------------------ parameter reading
    // [any-thread]: the number of records and their descriptions are fixed once created.
    [[nodiscard]] unsigned int GetNumParams() const {
        return static_cast<unsigned int>(m_params.size());
    }
    // Where BuildParameterList appends the records. [gui-thread & !created]; once created, as
    // GetParam.
    [[nodiscard]] std::vector<sCONTROL_PARAM>& GetParamVector() { return m_params; }
    [[nodiscard]] const std::vector<sCONTROL_PARAM>& GetParamVector() const { return m_params; }
    // One record: its values may change under the reference unless the caller holds the lock
    // while it uses it. No bounds check. [any-thread & lock held]
    [[nodiscard]] sCONTROL_PARAM& GetParam(unsigned int index) KV_REQUIRES(m_lock) {
        return m_params[index];
    }
    [[nodiscard]] const sCONTROL_PARAM& GetParam(unsigned int index) const KV_REQUIRES(m_lock) {
        return m_params[index];
    }
    // Active setup, read under the lock; 0.0 for an index out of range. [any-thread]
    [[nodiscard]] double GetParamState(unsigned int index) const;
    [[nodiscard]] double GetParamRealWorld(unsigned int index) const;
    // The remaining per-index getters expect a valid index.
    [[nodiscard]] double GetParamInitialState(unsigned int index) const;
    [[nodiscard]] double GetParamResetState(unsigned int index) const;
    [[nodiscard]] virtual int GetParamNumStates(unsigned int index) const;
    [[nodiscard]] EParamType GetParamType(unsigned int index) const;
    [[nodiscard]] TBitVector<unsigned int> GetParamFlags(unsigned int index) const;
    [[nodiscard]] const KCFixedStringBase& GetParamScaleType(unsigned int index) const;
    [[nodiscard]] const KCFixedStringBase& GetParamName(unsigned int index) const;
    [[nodiscard]] const KCFixedStringBase& GetParamLabelString(unsigned int index) const;
    [[nodiscard]] const KCFixedStringBase& GetParamUnitsString(unsigned int index) const;
    [[nodiscard]] KCParamExtension* GetParamExtension(unsigned int index) const;
    [[nodiscard]] const std::vector<int>& GetParamLinkGroups(unsigned int index) const;
    // Values, and what they hand out, change under the lock. [any-thread & lock held]
    [[nodiscard]] const KCFixedStringBase& GetParamValueString(unsigned int index) const
        KV_REQUIRES(m_lock);
    [[nodiscard]] int GetParamDisabledMode(unsigned int index,
                                           EPluginSetup setup = eActiveSetup) const
        KV_REQUIRES(m_lock);
    [[nodiscard]] KCGraphDataBase* GetParamGraphData(unsigned int index) const KV_REQUIRES(m_lock);
    [[nodiscard]] unsigned int GetParamGraphSize(unsigned int index) const KV_REQUIRES(m_lock);
    void GetParamCurrentImageIndex(unsigned int index, int& first, int& second) const
        KV_REQUIRES(m_lock);
    // The first parameter of that name, or -1.
    [[nodiscard]] int GetParamIDFromName(const char* name) const;
    [[nodiscard]] double GetStateStep(unsigned int index) const;
    [[nodiscard]] bool IsParamUnused(unsigned int index) const;
    // True when both parameters hold the same state in `setup` (-1: active).
    // [any-thread & lock held]
    [[nodiscard]] virtual bool DoParamsMatch(unsigned int a, unsigned int b, int setup)
        KV_REQUIRES(m_lock);

    // Conversions by index: states are clamped to [0, 1000].
    [[nodiscard]] double StateToRealWorld(unsigned int index, double state) const;
    [[nodiscard]] double RealWorldToState(unsigned int index, double realWorld) const;
    // The state offset to the next state with a different value, by the sign of `offset`.
    // [any-thread & lock held]
    [[nodiscard]] double OffsetToNextDifferentState(unsigned int index, double offset)
        KV_REQUIRES(m_lock);
    virtual double OffsetToNextDifferentStateContinuous(unsigned int index, double offset)
        KV_REQUIRES(m_lock);
    virtual double OffsetToNextDifferentStateDiscrete(unsigned int index, double offset)
        KV_REQUIRES(m_lock);
    virtual ETranslateTextRetType TranslateTextToRealWorld(unsigned int index,
                                                           const KCFixedStringBase& text,
                                                           double& realWorld);
    [[nodiscard]] double UpdateMouseDeltaStep(unsigned int index, double delta) const;

    // ------------------------------------------------------------------ parameter writing
    // Each returns the chain the plug-in's UpdateParamSelf built, or null; the caller sends it.
    // They take the lock. [any-thread]
    BUFFER_HEADER* UpdateParamState(unsigned int index, double state);
    BUFFER_HEADER* UpdateParamRealWorld(unsigned int index, double realWorld);
    BUFFER_HEADER* UpdateParamRequestState(unsigned int index, double state);
    BUFFER_HEADER* UpdateParamRequestRealWorld(unsigned int index, double realWorld);
    // A drag step: under the lock, but no UpdateParamSelf; the final UpdateParamState carries
    // the value. [any-thread]
    BUFFER_HEADER* DragParam(unsigned int index, double state);
    virtual BUFFER_HEADER* SetParamResetState(unsigned int index, double& state);
    BUFFER_HEADER* UpdateParamFromText(unsigned int index, const KCFixedStringBase& text,
                                       ETranslateTextRetType& result);
    // What the hooks write next to a value. [any-thread & lock held]
    void SetParamValueString(unsigned int index, const char* text) KV_REQUIRES(m_lock);
    void SetParamGraphData(unsigned int index, const KCGraphDataBase& graph,
                           EPluginSetup setup = eActiveSetup) KV_REQUIRES(m_lock);
    // Take the lock. [any-thread]
    void SetParamToUpdateFlag(unsigned int index, int level);
    void RefreshAllParams();
    void ScaleAllParams(EPluginSetup setup);
    void UnscaleAllParams(EPluginSetup setup);
    // Automation notifications to the controls that parameter `index` leads (see
    // docs/automation.md): its active state, the start and end of a gesture. Gestures nest per
    // control; the host hears one touch and one release per outermost gesture. [any-thread]
    void NotifyParamValue(unsigned int index);
    virtual void Touch(unsigned int index);
    virtual void Release(unsigned int index);
    virtual void TouchAllPararms();
    virtual void ReleaseAllParams();
    // Ends a drag without a final value: the parameter goes back to where the drag began (the
    // processing never saw the drag), the host hears that value and the gesture's release.
    // Without a drag in progress only the notification and the release. [any-thread]
    void CancelDragParam(unsigned int index);
    // Under the lock. [any-thread]
    BUFFER_HEADER* UpdateAlg();
    // Posts UpdateDSPCoefsSelf's chain, built under the lock. [any-thread]
    virtual BUFFER_HEADER* UpdateDSPCoefs(bool send);
    // Atomic flags. [audio-thread]
    void SetUpdateAlgRequired() { m_updateAlgRequired = true; }
    void ClearUpdateAlgRequired() { m_updateAlgRequired = false; }
    [[nodiscard]] bool IsUpdateAlgRequired() const { return m_updateAlgRequired; }

    // ------------------------------------------------------------------ link groups
    // The link pass runs inside UpdateParamState / UpdateParamRealWorld; these take the lock
    // and do nothing without groups. [any-thread]
    // A link pass from parameter `index` (`final` starts and closes it).
    void LinkParams(unsigned int index, bool final);
    // Whether group `group` links now; false without groups.
    [[nodiscard]] bool IsLinkGroupEnabled(unsigned int index, int group) const;
    [[nodiscard]] bool IsParamInLinkedMode(unsigned int index) const;
    // Stores the parameter's values as the reference of the next pass (-1: active setup).
    void UpdateLinkGroupsLastValues(unsigned int index, EPluginSetup setup);
    // Every parameter, both setups: after values were set outside a pass.
    void UpdateAllLinkGroupsLastValues();
    void EqualizeAllAbsoluteControls(unsigned int controllingParam);
    // Takes the values in place as the reference of the next pass.
    void AdjustLinkGroupsToCurrentGuiControls();
    void SetNotifyOnLinkedParams(bool notify);
    [[nodiscard]] bool GetNotifyOnLinkedParams() const;
    // Null when no parameter belongs to a group. [any-thread & lock held]
    [[nodiscard]] KCLinkGroups* GetLinkGroups() const KV_REQUIRES(m_lock) {
        return m_linkGroups.get();
    }
    // Listener: a parameter moved by a link pass is announced to automation.
    void OnLinkedParamValueModified(unsigned int paramIndex) override;

    // ------------------------------------------------------------------ display
    // Refreshes every parameter whose update level >= level; the last non-zero result. Only
    // tries the lock. [gui-thread]
    virtual int DoIdle(short level);
    // kAlgLockBusy when the lock is held elsewhere (the parameter stays pending), else 0.
    // [gui-thread]
    int UpdateDisplay(unsigned int index);
    // Pushes every value of the active setup to the host; 0. [any-thread]
    int UpdateControlsFromParams(EPluginSetup setup);
    // The controls that show a parameter. [gui-thread]
    int AddParamController(unsigned int index, int tag, KCParamController* control);
    int RemoveParamController(unsigned int index, int tag, KCParamController* control);
    [[nodiscard]] bool ControllerExists(unsigned int index, int tag,
                                        KCParamController* control) const;

    // ------------------------------------------------------------------ meters
    // The meters are read and refreshed at the start of every DoIdle; everything here is
    // [gui-thread] (see docs/meters.md).
    [[nodiscard]] KCMeterManager& GetMeterManager() { return m_meters; }
    [[nodiscard]] const KCMeterManager& GetMeterManager() const { return m_meters; }
    // Adds every parameter whose extension is a meter, in index order, and sets the floor.
    // Called by FinishCreate.
    void InitializeMeterManager();
    // The value a read with reset leaves in the meter's state (native or processing side).
    [[nodiscard]] double GetMeterReadResetValue(unsigned int paramIndex) const;
    // By parameter index; -1 for a parameter without a meter.
    virtual int ResetPeak(unsigned int paramIndex);
    virtual void ResetAllPeak();
    // Also tells the host (30).
    virtual void ResetAllClip();
    int SetMeterReadOffset(unsigned int paramIndex, unsigned int offset);
    // Moves `displayed` towards `target`: k = c^(now - *lastTime) with c the rise coefficient
    // when rising, the fall coefficient when falling; the elapsed time is taken as at least 0
    // and k kept in (0, 1], so a clock that steps back or a coefficient above 1 never
    // overshoots. Without a positive coefficient for the direction (the default 0) the value
    // jumps to the target; a non-finite value jumps too, a non-finite target to the floor.
    // Updates *lastTime; returns the new value.
    double ReleaseVU(double displayed, double target, double* lastTime, double riseCoef,
                     double fallCoef) const;
    // Listener side: the batch read through one states buffer, the release of the display.
    void UpdateMeterDisplay(unsigned int paramIndex, KCParamExtensionMeter* meter) override;
    void ReadMeters(KCMeterManager::sMeter* batch, unsigned int count, bool withReset) override;
    void GetParamLabelString(unsigned int paramIndex, KCFixedStringBase& label) const override;
    // The kept meter reads: one chain of states buffers for all meters, built once and reused
    // (see docs/meters.md). ReadMetersSend returns it, with the reset values filled in, for
    // the caller to execute (selector 1) and never free; null before the process is ready or
    // without meters. It is rebuilt first when asked to be, or when the meters' offsets, kinds
    // of read or order changed. ReadMetersReceive stores what the executed chain read; only
    // once per send.
    BUFFER_HEADER* ReadMetersSend(std::vector<KCMeterManager::sMeter>& meters) override;
    void ReadMetersReceive(std::vector<KCMeterManager::sMeter>& meters) override;
    // Has the next send rebuild the kept chain: for what the algorithm cannot see, such as a
    // host that moved or reset the process memory. [any-thread]
    virtual void RequestRefreshMetersBuffers();
    // Frees the kept chain and builds it again for the meters as they are now; the build's
    // result (KCMeterReadBuffers::Build). The chain is freed with the algorithm at the latest.
    int RefreshMetersBuffers();
    [[nodiscard]] const KCMeterReadBuffers& GetMetersBuffers() const { return m_meterBuffers; }

protected:
    // Every value read for a meter passes here before the read multiplier and the peak apply:
    // a plug-in whose processing keeps a level in another form (squared, in dB) returns the
    // linear gain. The default returns `raw`.
    virtual double ReadMeterSelf(unsigned int /*paramIndex*/, double raw) { return raw; }

public:
    // ------------------------------------------------------------------ locking
    // The algorithm lock, recursive. Hold it to read several values as one consistent set.
    // LockAlg [any-thread]: it waits for writers, so never on the audio thread.
    void LockAlg() KV_ACQUIRE(m_lock) { m_lock.obtain(); }
    // A try returns at once; it and the UnLockAlg after a successful try are [audio-thread].
    [[nodiscard]] bool TryLockAlg() KV_TRY_ACQUIRE(true, m_lock) { return m_lock.tryobtain(); }
    void UnLockAlg() KV_RELEASE(m_lock) { m_lock.release(); }
    // The lock itself, for callers' contracts: KV_REQUIRES(alg.AlgLock()). [any-thread]
    [[nodiscard]] kvThread::ThreadMutexInited& AlgLock() const KV_RETURN_CAPABILITY(m_lock) {
        return m_lock;
    }

    // ------------------------------------------------------------------ setups
    // Everything that changes a setup or its name takes the lock. [any-thread]
    [[nodiscard]] static int GetSetupsNum() { return 2; }
    // Atomic reads. [audio-thread]
    [[nodiscard]] EPluginSetup GetActiveSetup() const { return m_activeSetup; }
    [[nodiscard]] EPluginSetup GetPassiveSetup() const;
    [[nodiscard]] EPluginSetup GetAbsoluteSetup(EPluginSetup setup) const;
    // False when `setup` (-1: active) is already active.
    bool ChangeActiveSetup(EPluginSetup setup);
    // -1 means the other setup; returns the setup now active.
    virtual EPluginSetup ToggleActiveSetup(EPluginSetup setup);
    // Active setup over the passive one.
    virtual void CopySetup();
    // The reference is valid while the caller holds the lock. [any-thread & lock held]
    [[nodiscard]] const KCFixedStringBase& GetSetupName(EPluginSetup setup) const
        KV_REQUIRES(m_lock);
    void SetSetupName(const KCFixedStringBase& name, EPluginSetup setup);
    void ClearSetupName(EPluginSetup setup);
    [[nodiscard]] static KCFixedString<15> SetupToSetupString(EPluginSetup setup);
    [[nodiscard]] static EPluginSetup SetupStringToSetup(const KCFixedString<15>& text);
    // 'setA', 'setB' or 'curS' picks the setup (any other code: A); then LoadStatesFromBuffer.
    int LoadSetupFromBuffer(const std::int32_t* states, KCFourCC code, int count);
    // One state per parameter; negative values keep the state, missing ones take the reset state.
    int LoadStatesFromBuffer(const std::int32_t* states, unsigned int count, EPluginSetup setup);

    // ------------------------------------------------------------------ chunks
    // Built and applied under the lock. [any-thread]
    virtual unsigned int GetNumChunks() { return 1; }
    virtual int GetIndexedChunkID(unsigned int index, KCFourCC& id);
    virtual int GetChunk(std::uint32_t id, Utils::KCStMemObj& out, bool flag);
    virtual int GetChunkSize(std::uint32_t id, bool flag, unsigned int& size);
    virtual int SetChunk(std::uint32_t id, const Utils::KCStConstMemObj& data);
    // The presets manager builds and applies the chunk; -1 without one. Both take the lock.
    // [any-thread]
    int PreparePresetChunk(Utils::KCStMemObj& out, bool flag);
    int SetPresetChunk(const Utils::KCStConstMemObj& data);
    // Null until FinishCreate made one with the installed factory (or a plug-in set its own).
    // The pointer is valid while the caller holds the lock. [any-thread & lock held]
    [[nodiscard]] KCPresetsManagerAbs* GetPresetsManager() const KV_REQUIRES(m_lock) {
        return m_presetsManager.get();
    }
    // Replaces the manager (a plug-in's derived one; null removes it) under the lock.
    // [gui-thread]
    void SetPresetsManager(std::unique_ptr<KCPresetsManagerAbs> manager);
    // The index of the preset last loaded, reported to the host with "preset loaded"; -1 when
    // no preset is known. [any-thread]
    [[nodiscard]] virtual int GetCurrentPresetIndex() const { return -1; }

    // ------------------------------------------------------------------ MIDI
    // A MIDI listener (property bit 2) gets its controller table in FinishCreate from the
    // installed factory; other algorithms have none. See docs/midi.md.
    // Applies one event: every parameter it moves goes through UpdateParamState under the lock
    // (the chain posted to the host), then automation hears touch, value and release of each.
    // While a parameter is learned the event attaches it instead. Last, when the table passes
    // the event on, MidiSendToProcessSelf receives it (outside the lock). The number of
    // parameters set. [any-thread], not the audio thread: it takes the lock.
    int MidiProcessInput(const kvMIDI::KorvaneMidiEvent& event);
    // MIDI learn: the next controller event attaches parameter `index` (a parameter already
    // attached is detached first). eOutOfRangeNumber for an index past the parameters or a
    // display-only parameter, eSomeThingNotInitailzed without a table. [any-thread]
    int StartMidiLearn(unsigned int index);
    void StopMidiLearn();
    // The parameter being learned; -1 for none or without a table. [any-thread]
    [[nodiscard]] int GetMidiLearnParam() const;
    // Null without a table. The pointer is valid while the caller holds the lock.
    // [any-thread & lock held]
    [[nodiscard]] KCMidiControlAbs* GetMidiControl() const KV_REQUIRES(m_lock) {
        return m_midiControl.get();
    }
    // Replaces the table (a plug-in's own; null removes it) under the lock. [gui-thread]
    void SetMidiControl(std::unique_ptr<KCMidiControlAbs> control);

    // ------------------------------------------------------------------ messages
    // Messages from the other instances of the process arrive on the library's idle command
    // worker, through ReceiveMessage, with the worker's runner lock held; each is a copy that
    // ends with a NUL and lives only during the call, and one that finds the queue full
    // (1,024 undelivered) is lost. See docs/messaging.md.
    // Hands the message to ReceiveMessageSelf under the lock. [any-thread]
    int ReceiveMessage(char* text, const KCFourCC& id);
    // Registers this instance with the process's message manager, starting the worker when
    // needed; registering again does nothing. 0, or eSomeThingNotInitailzed when no worker can
    // be started. The worker takes the algorithm lock while it holds its runner lock, so these
    // two are never called with an algorithm lock held (this one's or another's). [any-thread]
    int RegisterMessageListener() KV_EXCLUDES(m_lock);
    // Stops the messages to this instance, those already queued included: once it returns, the
    // instance is not called again (nor being called, unless this runs inside its own
    // ReceiveMessageSelf). The last instance ends the worker. Dispose and the destructor call
    // it, the destructor only as a last safeguard: by then a derived plug-in's members are gone
    // while the worker may still be delivering, so a plug-in that may receive messages must call
    // this (or Dispose) before its own members go. [any-thread]
    void UnregisterMessageListener() KV_EXCLUDES(m_lock);
    [[nodiscard]] bool IsMessageListener() const { return m_messageListener; }
    // Queues a copy of `size` bytes of `data` (plus a NUL; a negative size copies none) with
    // `messageID` for every other registered instance whose GetAlgType() is `algType`, or every
    // other one for KCPluginCommunicationManager::kAllPluginTypes ('AllP'). A null `data` is
    // delivered as null. The number of messages queued. [any-thread], also from inside
    // ReceiveMessageSelf, but not the audio thread: it takes a mutex that may sleep and
    // allocates the copies.
    int SendMessageToInstances(const KCFourCC& algType, const KCFourCC& messageID, const char* data,
                               int size);
    // The routes a plug-in overrides to carry its messages over a transport of its own (another
    // process, a network peer). By default they are the queued routes above; with `allTypes`
    // the message goes to every other instance whatever `algType` says. [any-thread]
    virtual int RegisterAsyncMessageListener() KV_EXCLUDES(m_lock);
    virtual void UnregisterAsyncMessageListener() KV_EXCLUDES(m_lock);
    virtual int SendAsyncMessageToInstances(const KCFourCC& algType, const KCFourCC& messageID,
                                            char* data, int size, bool allTypes);
    // KCMessageListener: the type is GetAlgType(); a delivery is ReceiveMessage.
    [[nodiscard]] KCFourCC GetMessageListenerType() const override { return GetAlgType(); }
    int DeliverMessage(char* data, const KCFourCC& id) override { return ReceiveMessage(data, id); }
    // Shows the text through DisplayMessageSelf. [gui-thread]
    void DisplayMessage(const char* text);

    // ------------------------------------------------------------------ bypass, mute, activity
    // Always null: bypass coefficients reach the process through SetBypassSelf / UpdateAlg.
    // Under the lock. [any-thread]
    BUFFER_HEADER* SetBypass(bool bypass);
    // Atomic flags, like the activity and side-chain getters below. [audio-thread]
    [[nodiscard]] bool GetBypass() const { return m_process.IsBypassed(); }
    void SetBypassChanged() { m_bypassChanged = true; }
    void ClearBypassChanged() { m_bypassChanged = false; }
    [[nodiscard]] bool IsBypassChanged() const { return m_bypassChanged; }
    [[nodiscard]] bool DoPartialUpdateAfterBypass() const { return m_updateAlgRequired; }
    // Post through the host, or call a hook and the listeners. [any-thread]
    int SetMute(bool mute);
    // Calls SetProcessActiveSelf and sets the flag under the lock. [any-thread]
    void SetProcessActive(bool active);
    [[nodiscard]] bool GetProcessActive() const { return m_processActive; }
    [[nodiscard]] bool ShouldSuspendProcess() const { return !HasProperty(eAlgDontSuspendProcess); }
    // Tells the host and the listeners. [any-thread]
    virtual void ChangeSideChainActive(signed char active);
    [[nodiscard]] signed char GetSideChainActive() const { return m_sideChainActive; }

    // ------------------------------------------------------------------ inputs and outputs
    // Configuration: the setters [gui-thread & !created], the getters [any-thread] once created.
    [[nodiscard]] int GetNumInputs() const { return m_numInputs; }
    void SetNumInputs(int n) { m_numInputs = n; }
    [[nodiscard]] int GetNumOutputs() const { return m_numOutputs; }
    void SetNumOutputs(int n) { m_numOutputs = n; }
    [[nodiscard]] virtual int GetNumSideChainInputs() const { return m_numSideChainInputs; }
    // Returns the previous count.
    int SetNumSideChainInputs(int n);
    void SetSideChainNum(int channel) { m_sideChainChannel = channel; }
    [[nodiscard]] int GetSideChainChannel() const { return m_sideChainChannel; }
    [[nodiscard]] bool IsMono() const;
    [[nodiscard]] bool IsStereo() const;
    [[nodiscard]] bool IsMono2Stereo() const;
    [[nodiscard]] bool HasStemSupport() const { return m_stemSupport; }
    void SetStemSupport(bool on) { m_stemSupport = on; }
    [[nodiscard]] int GetInputStem() const { return m_inputStem; }
    virtual void SetInputStem(int stem) { m_inputStem = stem; }
    [[nodiscard]] int GetOutputStem() const { return m_outputStem; }
    virtual void SetOutputStem(int stem) { m_outputStem = stem; }
    [[nodiscard]] int GetSidechainStem() const { return m_sidechainStem; }
    [[nodiscard]] int GetMaxNumOfChannels() const { return std::max(m_numInputs, m_numOutputs); }
    [[nodiscard]] bool CanProcessVarIO() const { return HasProperty(eAlgCanProcessVarIO); }
    [[nodiscard]] bool IsSampleBased() const { return HasProperty(eAlgIsSampleBased); }
    // Sized by InitData. [gui-thread]
    [[nodiscard]] const std::vector<double>& GetInputValues() const { return m_inputValues; }
    [[nodiscard]] const std::vector<double>& GetOutputValues() const { return m_outputValues; }

    // ------------------------------------------------------------------ delay, rate, music
    // Plain values: [gui-thread] unless tagged otherwise.
    void GetDelayInfo(KCDelayInfo& info);
    // Posts and frees the chain SetDelaySelf builds; the free's result (0 without a chain).
    // [any-thread] as long as the hook only posts.
    int SetDelay(int samples);
    [[nodiscard]] int GetThroughDelay() const { return m_throughDelay; }
    void SetThroughDelay(int samples) { m_throughDelay = samples; }
    [[nodiscard]] int GetTailLength() const { return m_tailLength; }
    void SetTailLength(int samples) { m_tailLength = samples; }
    // Atomic; ChangeSampleRate and SetSampleRate write it under the lock. [audio-thread]
    [[nodiscard]] int GetSampleRate() const { return m_sampleRate; }
    // 0 means no limit.
    [[nodiscard]] int GetMaxSampleRate() const { return m_maxSampleRate; }
    void SetMaxSampleRate(int rate) { m_maxSampleRate = rate; }
    [[nodiscard]] double GetTempo() const { return m_tempo; }
    void SetTempo(double bpm) { m_tempo = bpm; }
    void GetTimeSignature(float& numerator, float& denominator) const;
    void SetTimeSignature(float numerator, float denominator);

    // ------------------------------------------------------------------ properties
    // The setters [gui-thread & !created]; the getters, fixed once created, [audio-thread].
    [[nodiscard]] std::uint32_t GetAlgProperties() const { return m_properties; }
    void SetAlgProperties(std::uint32_t word) { m_properties = word; }
    [[nodiscard]] bool HasProperty(EAlgPropertyBit bit) const {
        return ((m_properties >> bit) & 1U) != 0;
    }
    void SetProperty(EAlgPropertyBit bit, bool on);
    [[nodiscard]] bool ShouldNotifyTouchReleaseOnPresetLoad() const {
        return HasProperty(eAlgNotifyTouchReleaseOnPresetLoad);
    }
    void SetNotifyTouchReleaseOnPresetLoad(bool on) {
        SetProperty(eAlgNotifyTouchReleaseOnPresetLoad, on);
    }
    // The process lock (made by FinishCreate for eAlgNeedProcessThreadSafe), else null.
    // [audio-thread]
    [[nodiscard]] kvThread::ThreadMutexInited* GetProcessSemaphoreIDPtr();

    // ------------------------------------------------------------------ plug-in information
    // kAlgInfoNotSupported unless a plug-in answers; the _Private twins answer -1. [any-thread]
    // for the defaults; an override states its own.
    virtual int GetPluginInfo_bool(unsigned int id, bool& value, int flags);
    virtual int GetPluginInfo_int32_t(unsigned int id, std::int32_t& value, int flags);
    virtual int GetPluginInfo_uint32_t(unsigned int id, std::uint32_t& value, int flags);
    virtual int GetPluginInfo_size_t(unsigned int id, std::size_t& value, int flags);
    virtual int GetPluginInfo_float(unsigned int id, float& value, int flags);
    virtual int GetPluginInfo_double(unsigned int id, double& value, int flags);
    virtual int GetPluginInfo_struct(unsigned int id, void* value, int flags);
    virtual int GetPluginInfo_KCFixedString(unsigned int id, KCFixedStringBase& value, int flags);
    virtual int GetPluginInfo_KCStMemObj(unsigned int id, Utils::KCStMemObj& value, int flags);
    virtual int SetPluginInfo_bool(unsigned int id, bool value, int flags);
    virtual int SetPluginInfo_int32_t(unsigned int id, std::int32_t value, int flags);
    virtual int SetPluginInfo_uint32_t(unsigned int id, std::uint32_t value, int flags);
    virtual int SetPluginInfo_size_t(unsigned int id, std::size_t value, int flags);
    virtual int SetPluginInfo_double(unsigned int id, double value, int flags);
    virtual int SetPluginInfo_struct(unsigned int id, const void* value, int flags);
    virtual int SetPluginInfo_c_str(unsigned int id, const char* value, int flags);
    virtual int GetPluginInfo_bool_Private(bool& value, int flags);
    virtual int GetPluginInfo_int32_t_Private(std::int32_t& value, int flags);
    virtual int GetPluginInfo_uint32_t_Private(std::uint32_t& value, int flags);
    virtual int GetPluginInfo_size_t_Private(std::size_t& value, int flags);
    virtual int GetPluginInfo_float_Private(float& value, int flags);
    virtual int GetPluginInfo_double_Private(double& value, int flags);
    virtual int GetPluginInfo_struct_Private(void* value, int flags);
    virtual int GetPluginInfo_KCFixedString_Private(KCFixedStringBase& value, int flags);
    virtual int GetPluginInfo_KCStMemObj_Private(Utils::KCStMemObj& value, int flags);
    virtual int SetPluginInfo_bool_Private(bool value, int flags);
    virtual int SetPluginInfo_int32_t_Private(std::int32_t value, int flags);
    virtual int SetPluginInfo_uint32_t_Private(std::uint32_t value, int flags);
    virtual int SetPluginInfo_size_t_Private(std::size_t value, int flags);
    virtual int SetPluginInfo_double_Private(double value, int flags);
    virtual int SetPluginInfo_struct_Private(const void* value, int flags);
    virtual int SetPluginInfo_c_str_Private(const char* value, int flags);

    // Names and identity: the setters [gui-thread & !created], the getters [any-thread].
    [[nodiscard]] const KorvaneComponentInfo& GetComponentInfo() const { return m_info; }
    [[nodiscard]] const KCFixedStringBase& GetAlgName() const { return m_algName; }
    // Copies at most `length` characters and terminates; 0.
    int GetAlgNameOfLength(unsigned int length, char* buffer) const;
    void SetAlgName(const char* name) { m_algName = name; }
    [[nodiscard]] KCFourCC GetAlgType() const { return m_info.componentType; }
    [[nodiscard]] KCFourCC GetAlgSubType() const { return m_info.componentSubType; }
    [[nodiscard]] KCFixedString<63> GetVersNumString() const;
    [[nodiscard]] const KCFixedStringBase& GetUserManualName() const { return m_userManualName; }
    void SetUserManualName(const char* name) { m_userManualName = name; }
    [[nodiscard]] const KCFixedStringBase& GetDefaultSkin() const { return m_defaultSkin; }
    virtual void SetDefaultSkin(const char* skin) { m_defaultSkin = skin; }
    [[nodiscard]] bool IsNative() const { return m_isNative; }
    [[nodiscard]] bool IsNetShell() const { return m_isNetShell; }
    [[nodiscard]] KTResContainerType* GetResContainer() const { return m_resources; }

    // ------------------------------------------------------------------ broadcasting
    // The broadcaster, tagged there. [any-thread]
    virtual KCAlgorithmBroadcaster* Broadcaster() { return &m_broadcaster; }
    // The GUI while one exists: the GUI sets itself when it attaches and null when it goes; an
    // algorithm destroyed first tells its GUI (AlgorithmGone). [gui-thread]
    [[nodiscard]] KCAlgorithmGUIAbs* GetGUI() const { return m_gui; }
    void SetGUI(KCAlgorithmGUIAbs* gui) {
        m_gui = gui;
        m_hasGUI.store(gui != nullptr);
    }
    // Whether a GUI is attached, for threads that may not touch it: only a hint, since the GUI
    // thread may attach or drop one right after. [any-thread]
    [[nodiscard]] bool HasGUI() const { return m_hasGUI.load(); }

    // ------------------------------------------------------------------ Redis reporting
    // Makes the reporter with the installed factory unless one exists, and with `listen` has
    // it obey text commands on its instance channel. eRedisNotConnected when reporting is off
    // (no configuration, no factory) or the server cannot be reached. FinishCreate starts it
    // without listening; InitInstanceData starts the listening, last, so that no command meets
    // a half-initialised algorithm. [gui-thread]
    virtual int StartRedisReporting(bool listen);
    // Ends listening and drops the reporter, which deletes its keys. [gui-thread]
    virtual void StopRedisReporting();
    // Null while not reporting. [gui-thread]
    [[nodiscard]] KCRedisReporterAbs* GetRedisReporter() const { return m_redisReporter.get(); }
    // A chainer's text command ("add-child-plugin", "select-child-plugin", ...) with its whole
    // YAML document; the result text goes to `result`. Run from the idle call. The default
    // handles none: eNotImplemented. [gui-thread]
    virtual int HandleRedisTextCommandForChainer(const char* command, const std::string& document,
                                                 std::string& result);

    // ------------------------------------------------------------------ parameter vector
    // Builds the function maps, then the parameter list (BuildParameterList). [gui-thread &
    // !created]; the maps' getters [any-thread] once created.
    int PrepareParameterVec();
    [[nodiscard]] const DisplayFunctionsMap& GetDisplayFunctionsMap() const {
        return m_displayFunctions;
    }
    [[nodiscard]] const ScaleFunctionsMap& GetScaleFunctionsMap() const { return m_scaleFunctions; }
    [[nodiscard]] const MouseDeltaFunctionsMap& GetMouseDeltaFunctionsMap() const {
        return m_mouseDeltaFunctions;
    }
    [[nodiscard]] const DrawClassFactoryMap& GetDrawClassFactoryMap() const {
        return m_drawClasses;
    }
    [[nodiscard]] const ParamExtensionFactoryMap& GetParamExtensionFactoryMap() const {
        return m_extensionFactories;
    }

    // ------------------------------------------------------------------ graph data stream
    // The graph data of every automation control as one complete stream: "BSTM" (owner 0, no
    // rectangle, signature 1, 0, 0, 0, the algorithm name as its text), each control's part,
    // "ESTM". 0. [gui-thread]
    int GetGraphDataAsGraphicStream(kvGS::KCGraphicStreamBinaryWriter& writer);
    // The graph data of automation control `index`: nothing is written until the algorithm
    // has automation controls; 0. [gui-thread]
    virtual int GetGraphDataAsGraphicStreamForControl(unsigned int index,
                                                      kvGS::KCGraphicStreamBinaryWriter& writer);

    // ------------------------------------------------------------------ automation
    // The controls the host automates, read from the "GUIXML" description in FinishCreate and
    // fixed from then on; these forward to the manager (see docs/automation.md). [any-thread]
    [[nodiscard]] KCAutomationManager& GetAutomationManager() { return m_automation; }
    [[nodiscard]] const KCAutomationManager& GetAutomationManager() const { return m_automation; }
    [[nodiscard]] virtual unsigned int GetNumAutomationControllers() const {
        return m_automation.GetNumAutomationControllers();
    }
    // Null for an index out of range or an unknown name.
    [[nodiscard]] virtual KCAutomationControl* GetAutomationControl(unsigned int index) const;
    [[nodiscard]] virtual KCAutomationControl* GetAutomationControlByName(const char* name) const;
    [[nodiscard]] virtual KCAutomationControl* GetAutomationControlByLeadParamID(
        unsigned int paramID) const;
    [[nodiscard]] virtual int GetAutomationControlIndexByName(const char* name) const;
    virtual int GetControlNameOfLength(unsigned int index, unsigned int length, char* buffer) const;
    // A host value for control `index`, in its lead's state units: clamped into range,
    // ignored when not finite (eNotANumber); -5016 for an index out of range, else 0.
    virtual int SetControllerValue(unsigned int index, double value);
    virtual int TranslateController(unsigned int index, double value,
                                    KCFixedStringBase& text) const;
    // -5017 unless info->version is 9, -5016 for a bad index, -1 without a lead parameter.
    virtual int GetControlAutomationInfo(unsigned int index, ControllerAutomationInfoVer9* info);
    virtual int SetAutomationRefCons(unsigned int index, int refCon1, int refCon2);
    [[nodiscard]] virtual int GetAutomationRefCon1(unsigned int index) const;
    [[nodiscard]] virtual int GetAutomationRefCon2(unsigned int index) const;
    // The state control `index`'s lead takes for real-world value `realWorld` (bounded into
    // its range, whole states for a discrete lead); -1 for a bad index, no lead or a value that
    // is no number.
    [[nodiscard]] virtual double ControlStateFromRealWorldValue(unsigned int index,
                                                                double realWorld) const;
    // The lead parameter of control `index`; kNoParamID for a bad index or no lead.
    [[nodiscard]] virtual unsigned int ControlLeadParamID(unsigned int index) const;
    [[nodiscard]] virtual unsigned int GetNumRegisteredParamsForControl(unsigned int index) const;
    // The controls' part of a preset setup record (see KCAutomationManager): saved next to the
    // MIDI table's records; loading applies them, then LoadControlsFromPresetSelf, and answers
    // the first error. The record is a Preset::sPresetData. [any-thread]
    int SaveControlsToPreset(Preset::sPresetControls& data, EPluginSetup from,
                             EPluginSetup to) const;
    virtual int LoadControlsFromPreset(const Preset::sPresetControls* data, EPluginSetup from,
                                       EPluginSetup to);
    // The MIDI attachments of the controls (see KCAutomationManager). [any-thread]
    virtual void ClearMidiControlsAttachment();
    virtual void SyncronizeMidiGroup(unsigned int index);
    [[nodiscard]] virtual std::vector<unsigned int> GetMIDIEventControls(int channel, int controlID,
                                                                         int eventType) const;
    [[nodiscard]] virtual int ControlLedStateFromMap(unsigned int index) const;
    int MidiProcessControlChange(int channel, int controlID, int eventType, int value);
    // The control-surface page tables of the controls (see KCAutomationManager).
    virtual void WriteDefaultPageTablesToXML(XML::CXMLElement& parent) const;
    virtual void WriteDefaultPageTablesDiscCtrlsToXML(XML::CXMLElement& parent) const;

    // ------------------------------------------------------------------ description
    // Reads every "cALGORITHM" child of `root`: names, types, undo and preset settings, and the
    // property bits; the user-manual name defaults to the algorithm name. [gui-thread &
    // !created], like every setter of this section; its getters are [any-thread].
    virtual void ReadFromXML(const XML::CXMLElement& root);
    // Appends one parameter per "Parameter" child of `root` (arrays expanded, "Parent" read
    // first as defaults), with the maps PrepareParameterVec built; the number appended.
    // [gui-thread & !created]
    int ReadParametersXML(const XML::CXMLElement& root);
    // Appends the "cALGORITHM" element, and one "Parameter" element per parameter; what they
    // write reads back into an equal algorithm and parameter vector (for tools). [gui-thread]
    virtual void WriteToXML(XML::CXMLElement& parent) const;
    void WriteParametersXML(XML::CXMLElement& parent) const;
    [[nodiscard]] const std::vector<KCFourCC>& GetPresetCompatibleTypes() const {
        return m_presetTypes;
    }
    [[nodiscard]] const std::vector<KCFourCC>& GetPresetCompatibleSubComps() const {
        return m_presetSubComps;
    }
    // A parameter array by its base name: the index of its first element and its size.
    [[nodiscard]] bool GetParamArray(const char* name, unsigned int& first,
                                     unsigned int& size) const;
    void AddPresetCompatibleType(KCFourCC type);
    void AddPresetCompatibleSubComp(KCFourCC type);
    void SetAlgType(KCFourCC type);
    [[nodiscard]] int GetUndoLevel() const { return m_undoLevel; }
    [[nodiscard]] bool IsUndoTypePreset() const { return m_undoTypePreset; }
    [[nodiscard]] int GetPresetXMLResID() const { return m_presetXMLResID; }
    [[nodiscard]] int GetOptimalRefreshRate() const { return m_optimalRefreshRate; }
    [[nodiscard]] bool IsVirtualInstrument() const { return m_virtualInstrument; }
    [[nodiscard]] bool IsTempoListener() const { return HasProperty(eAlgIsTempoListener); }
    [[nodiscard]] bool IsMidiListener() const { return HasProperty(eAlgIsMidiListener); }
    [[nodiscard]] bool IsMidiRealtime() const { return HasProperty(eAlgIsMidiRealtime); }
    [[nodiscard]] bool IsMidiBroadcaster() const { return HasProperty(eAlgIsMidiBroadcaster); }
    [[nodiscard]] bool IsTrackInfoListener() const { return HasProperty(eAlgIsTrackInfoListener); }
    [[nodiscard]] bool IsBeatInfoListener() const { return HasProperty(eAlgIsBeatInfoListener); }
    [[nodiscard]] bool IsStickyTouch() const { return HasProperty(eAlgIsStickyTouch); }
    [[nodiscard]] bool IsUsesFunctionFromProcess() const {
        return HasProperty(eAlgUsesProcessFunctionInAlg);
    }
    [[nodiscard]] bool IsUsesVecLibSetup() const { return HasProperty(eAlgUsesVecLibSetup); }
    [[nodiscard]] bool DoesntExportFactoryPresets() const {
        return HasProperty(eAlgDoesntExportFactoryPresets);
    }
    [[nodiscard]] bool GetHasGlobalDataInPreset() const {
        return HasProperty(eAlgHasGlobalDataInPresets);
    }
    [[nodiscard]] bool IsDragAndDropEnabled() const {
        return HasProperty(eAlgIsDragAndDropEnabled);
    }
    [[nodiscard]] bool IsNKSSupport() const { return HasProperty(eAlgIsNKSSupport); }

    // Corrects real-world values loaded from a preset; does nothing by default.
    // [any-thread & lock held]
    virtual void LimitLoadedRealWorld(unsigned int index, EPluginSetup setup) KV_REQUIRES(m_lock);
    // Whether a real-world value loaded from a preset may be taken for parameter `index`
    // (not asked for "AvoidValidation" parameters): the parameter's range check, then
    // ValidateRealWorldSelf. [any-thread]
    [[nodiscard]] bool ValidateRealWorld(unsigned int index, double realWorld) const;
    // Further four-character types whose presets this plug-in accepts (none by default).
    virtual void GetPresetCompatibleTypesSelf(std::vector<KCFourCC>& /*types*/) const {}

protected:
    // ------------------------------------------------------------------ processing hooks
    // A hook marked KV_REQUIRES(m_lock) runs with the algorithm lock held. Overrides do not
    // inherit the mark: repeat it as KV_REQUIRES(AlgLock()) to have clang check the override.
    // Recompute what depends on parameter `index` (under the lock); a chain or null.
    virtual BUFFER_HEADER* UpdateParamSelf(unsigned int index) KV_REQUIRES(m_lock) = 0;
    // Recompute everything (under the lock); a chain or null.
    virtual BUFFER_HEADER* UpdateAlgSelf() KV_REQUIRES(m_lock) = 0;
    // The initial chain, or null (under the lock).
    virtual BUFFER_HEADER* InitAlgSelf() KV_REQUIRES(m_lock) = 0;
    // Refresh the display side of parameter `index` (under a try-lock).
    virtual void UpdateParamDisplaySelf(unsigned int index) KV_REQUIRES(m_lock) = 0;
    // The plug-in's own fifth hook; the base never calls it.
    virtual void ProcessHookSelf() = 0;

    // ------------------------------------------------------------------ Self hooks
    virtual int SetExecCallBackSelf(ProcessMemory::ExecCallBack /*callback*/, int /*refcon*/) {
        return 0;
    }
    virtual int FinishCreateSelf() { return 0; }
    virtual int InitProcessCodeSelf() { return 0; }
    // Amends the descriptions once they are read (GetProcessCodeManager()), before the
    // processor is chosen. Nothing by default.
    virtual void AdjustProcessCodeDescriptionsSelf() {}
    // The processor the plug-in runs on: x86, Generic by default.
    virtual void GetDefaultProcessorForComponentSelf(ProcessMemory::SProcessorSpec& cpu) const {
        cpu = ProcessMemory::SProcessorSpec(ProcessMemory::eProcessorFamilyx86,
                                            ProcessMemory::eProcessorGeneric);
    }
    virtual int InitDataSelf() { return 0; }
    virtual int InitInstanceDataSelf() { return 0; }
    virtual int ChangeSampleRateSelf() KV_REQUIRES(m_lock) { return 0; }
    virtual void DisposeSelf() {}
    virtual void CopySetupSelf(int /*from*/, int /*to*/) KV_REQUIRES(m_lock) {}
    virtual int ReceiveMessageSelf(char* /*text*/, const KCFourCC& /*id*/) KV_REQUIRES(m_lock) {
        return 0;
    }
    virtual void DisplayMessageSelf(const char* /*text*/) {}
    // A MIDI event the controller table passes on to the processing (a note, transposed when
    // its controller says so; see docs/midi.md), called by MidiProcessInput without the lock.
    // Nothing by default.
    virtual void MidiSendToProcessSelf(const KSMidiMessage& /*message*/) {}
    virtual BUFFER_HEADER* UpdateParamFromTextSelf(unsigned int /*index*/,
                                                   const KCFixedStringBase& /*text*/,
                                                   ETranslateTextRetType& /*result*/) {
        return nullptr;
    }
    virtual void DragParamSelf(unsigned int /*index*/, double /*state*/) KV_REQUIRES(m_lock) {}
    // A plug-in's own check of a loaded real-world value, after the range check passed.
    [[nodiscard]] virtual bool ValidateRealWorldSelf(unsigned int /*index*/,
                                                     double /*realWorld*/) const {
        return true;
    }
    virtual void GetDelayInfoSelf(KCDelayInfo& /*info*/) {}
    virtual BUFFER_HEADER* SetDelaySelf(int /*samples*/) { return nullptr; }
    virtual void SetBypassSelf() KV_REQUIRES(m_lock) {}
    virtual BUFFER_HEADER* SetBypassCoefsSelf() { return nullptr; }
    virtual BUFFER_HEADER* SetMuteSelf(bool /*mute*/) { return nullptr; }
    virtual void SetProcessActiveSelf(bool /*active*/) KV_REQUIRES(m_lock) {}
    virtual BUFFER_HEADER* UpdateDSPCoefsSelf() KV_REQUIRES(m_lock) { return nullptr; }
    // Reads the "AlgXML" resource of the component into ReadFromXML; the resource layer's
    // error when there is none (nothing is read). Called by the constructor.
    int ReadAlgXML();
    // The parameter list: by default the "ParamXML" resource of the component read by
    // ReadParametersXML (the vector stays empty without one). A plug-in without a parameter
    // description appends its records here instead.
    virtual int BuildParameterList();
    // The id under which both descriptions are stored (128 unless a plug-in says otherwise).
    [[nodiscard]] virtual short DescriptionResourceID() const { return 128; }
    virtual void PrepareDisplayFunctionsMapSelf(DisplayFunctionsMap& /*map*/) {}
    virtual void PrepareScaleFunctionsMapSelf(ScaleFunctionsMap& /*map*/) {}
    virtual void PrepareMouseDeltaFunctionsMapSelf(MouseDeltaFunctionsMap& /*map*/) {}
    // The library's graph data classes (GraphDrawClasses), then the plug-in's own.
    void PrepareDrawClassFactoryMap();
    virtual void PrepareDrawClassFactoryMapSelf(DrawClassFactoryMap& /*map*/) {}
    // Holds the library's registered extension types (RegisterParamExtensionType) on entry; a
    // plug-in adds its own or replaces one under the same name.
    virtual void PrepareParamExtensionFactoryMapSelf(ParamExtensionFactoryMap& /*map*/) {}
    // The link groups object (a plug-in may return its own subclass), made when a parameter
    // belongs to a group.
    virtual std::unique_ptr<KCLinkGroups> InstantiateSpecificLinkGroupSelf(
        std::vector<sCONTROL_PARAM>& params, const std::atomic<EPluginSetup>& activeSetup) {
        return std::make_unique<KCLinkGroups>(params, activeSetup);
    }
    // Adds the plug-in's own laws (AddFunctionInMap) before the groups are resolved.
    virtual void AddSpecificLinkFuncs(KCLinkGroups& /*groups*/) {}
    // The GUI description the automation controls are read from, into `root`: by default the
    // component's "GUIXML" resource (DescriptionResourceID(), the sub-type variant when there
    // is one). A plug-in may supply its own; anything but eNoErr means no controls. Called once
    // by FinishCreate before the algorithm counts as created. [gui-thread & !created]
    virtual KTErr GetAutomationDescription(XML::CXMLElement& root);
    // A plug-in's own controls data of a preset setup record it is loading (`data` is a
    // Preset::sPresetData, never null): called after the automation controls took theirs.
    virtual int LoadControlsFromPresetSelf(const Preset::sPresetControls* /*data*/,
                                           EPluginSetup /*from*/, EPluginSetup /*to*/) {
        return 0;
    }
    // A plug-in's own control for a "cCONTROLLER" with "AutomationType" and "Custom" = "true";
    // null keeps the library's control. [gui-thread & !created]
    virtual std::unique_ptr<KCAutomationControl> CreateSpecificAutomationControls(
        const char* /*automationType*/) {
        return nullptr;
    }

    // The process's one message manager, shared by every instance.
    static KCPluginCommunicationManager m_pluginCommunicationManager;

    // The state flags a plug-in may need to inspect.
    void SetInstanceDataReady(bool ready) { m_instanceDataReady = ready; }
    void SetSidechainStem(int stem) { m_sidechainStem = stem; }

private:
    // Reads the GUI description and asks for a plug-in's own controls.
    friend class KCAutomationManager;

    // Resolves -1 to the active setup; anything else to A or B.
    [[nodiscard]] unsigned int Slot(EPluginSetup setup) const;
    // Whether a set counts although the value is unchanged; `newValue` is a state when
    // `byState`, else a real-world value (compared with the drag's start).
    [[nodiscard]] bool ForcesUpdate(const sCONTROL_PARAM& param, double newValue,
                                    bool byState) const;
    void PrepareDisplayFunctionsMap();
    // From FinishCreate: the link groups object when some parameter belongs to a group.
    void CreateLinkGroupsInstance();
    // The link pass for a set of `index` that counts; the members it moved other than
    // `index` (none without groups).
    std::vector<unsigned int> RunLinkPass(unsigned int index) KV_REQUIRES(m_lock);
    // The rest of UpdateParamState once `param` (at `index`) holds its new state: the hook when
    // the real-world value moved from `oldRealWorld` or an update is forced, and the "modified"
    // notification when the move is an edit. Returns the hook's chain, or null.
    BUFFER_HEADER* ApplyStateChange(sCONTROL_PARAM& param, unsigned int index, double oldRealWorld)
        KV_REQUIRES(m_lock);
    // Chains the processing of every member a pass moved after `chain`.
    BUFFER_HEADER* ChainLinkedUpdates(const std::vector<unsigned int>& moved, BUFFER_HEADER* chain)
        KV_REQUIRES(m_lock);
    void PrepareScaleFunctionsMap();
    void PrepareMouseDeltaFunctionsMap();
    // Automation notifications of every parameter, bracketed by selector 78.
    void NotifyAllParamValues();

    // Resets asked for from other threads, applied by the next DoIdle on the GUI thread.
    enum EMeterReset : unsigned int { kMeterResetPeaks = 1U, kMeterResetValues = 2U };
    void ApplyPendingMeterResets();

    KCAlgorithmBroadcaster m_broadcaster;
    KCShellAlgorithmListener m_shellListener;
    KCMeterManager m_meters;
    std::atomic<unsigned int> m_pendingMeterResets{0};
    KCFixedString<127> m_setupNames[2] KV_GUARDED_BY(m_lock);
    ProcessMemory::KCProcessBuffers m_process;
    // After m_process: the kept chain is freed through it.
    KCMeterReadBuffers m_meterBuffers{m_process};
    std::atomic<bool> m_meterBuffersStale{false};
    bool m_meterReadSent = false;
    int m_sideChainChannel = 0;
    int m_inputStem = 0;
    int m_outputStem = 0;
    int m_sidechainStem = 0;
    std::atomic<bool> m_processActive{false};
    std::atomic<int> m_sampleRate{44100};  // written under m_lock, read without it
    int m_throughDelay = 0;
    int m_tailLength = 0;
    std::atomic<EPluginSetup> m_activeSetup{eSetupA};  // written under m_lock, read without it
    bool m_stemSupport = false;
    std::uint32_t m_properties = 0;
    unsigned int m_coefsNum = 0;
    CProcessCodeManager m_processCodes;
    ProcessMemory::SDSPReqRes m_reqRes;
    KCFixedString<ProcessMemory::CProcCodeDesc::kMaxFuncNameLength> m_processFuncName;
    KTNativeProcessFunction m_nativeProcess = nullptr;
    mutable kvThread::ThreadMutexInited m_lock;
    kvThread::ThreadMutexInited m_processLock;
    std::atomic<bool> m_bypassChanged{false};
    std::atomic<bool> m_updateAlgRequired{true};
    bool m_instanceDataReady = false;
    bool m_created = false;
    std::atomic<bool> m_messageListener{false};
    std::atomic<signed char> m_sideChainActive{0};
    double m_tempo = 120.0;
    float m_timeSignature[2] = {4.0F, 4.0F};
    // Its size and each record's description are fixed once created and read without the lock;
    // values change only under m_lock. Not annotated: most readers take only the fixed parts.
    std::vector<sCONTROL_PARAM> m_params;
    int m_maxSampleRate = 0;
    int m_numInputs = 0;
    int m_numSideChainInputs = 0;
    int m_numOutputs = 0;
    std::vector<double> m_inputValues;
    std::vector<double> m_outputValues;
    KorvaneComponentInfo m_info;
    KTResContainerType* m_resources;
    bool m_isNative = false;
    bool m_isNetShell = false;
    KCFixedString<127> m_algName;
    KCFixedString<127> m_userManualName;
    KCFixedString<63> m_defaultSkin;
    KCAlgorithmGUIAbs* m_gui = nullptr;  // not owned
    std::atomic<bool> m_hasGUI{false};
    std::unique_ptr<KCPresetsManagerAbs> m_presetsManager KV_GUARDED_BY(m_lock);
    std::unique_ptr<KCMidiControlAbs> m_midiControl KV_GUARDED_BY(m_lock);
    std::unique_ptr<KCRedisReporterAbs> m_redisReporter;
    std::unique_ptr<KCLinkGroups> m_linkGroups;  // made before created, used under m_lock
    KCAutomationManager m_automation;  // filled before created; its state changes under m_lock
    DisplayFunctionsMap m_displayFunctions;
    ScaleFunctionsMap m_scaleFunctions;
    MouseDeltaFunctionsMap m_mouseDeltaFunctions;
    DrawClassFactoryMap m_drawClasses;
    ParamExtensionFactoryMap m_extensionFactories;
    std::vector<KCFourCC> m_presetTypes;
    std::vector<KCFourCC> m_presetSubComps;
    std::map<unsigned int, KCFixedString<127>> m_shortNames;  // by their length limit
    std::map<KCFixedString<127>, std::pair<unsigned int, unsigned int>> m_paramArrays;
    int m_undoLevel = 0;
    bool m_undoTypePreset = false;
    int m_presetXMLResID = 0;
    int m_optimalRefreshRate = 80;
    bool m_virtualInstrument = false;
};

}  // namespace kvKorvaneV10_0_3
