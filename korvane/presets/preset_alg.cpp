// The algorithm side of presets: parameters into setup records and back.
#include "korvane/presets/preset_alg.h"

#include "korvane/algorithm/algorithm.h"
#include "korvane/core/thread_annotations.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace kvKorvaneV10_0_3::Preset {

namespace {

// Holds the algorithm lock for a scope.
class KV_SCOPED_CAPABILITY AlgLock {
public:
    explicit AlgLock(cALGORITHM& alg) KV_ACQUIRE(alg.AlgLock()) : m_alg(alg) { m_alg.LockAlg(); }
    AlgLock(const AlgLock&) = delete;
    AlgLock& operator=(const AlgLock&) = delete;
    ~AlgLock() KV_RELEASE() { m_alg.UnLockAlg(); }

private:
    cALGORITHM& m_alg;
};

// The MIDI mappings as "Control" records: the controller by type, number and the channel it
// was learned on; a controller that ignores its minimum is a key switch; the input range as
// on (maximum) and off (minimum) values. Nothing for an algorithm without a MIDI table.
void CaptureMidiMappings(const cALGORITHM& alg, std::vector<sPresetControlData>& controls)
    KV_REQUIRES(alg.AlgLock()) {
    controls.clear();
    const KCMidiControlAbs* midi = alg.GetMidiControl();
    if (midi == nullptr) {
        return;
    }
    std::vector<KSMidiMapping> mappings;
    midi->GetMappings(mappings);
    for (const KSMidiMapping& one : mappings) {
        sPresetControlData control;
        if (one.param >= 0 && static_cast<unsigned int>(one.param) < alg.GetNumParams()) {
            control.name = alg.GetParamName(static_cast<unsigned int>(one.param));
        }
        control.leadParam = one.param;
        control.keySwitch = !one.momentary;
        control.latching = one.latching;
        control.onValue = one.inputMax;
        control.offValue = one.inputMin;
        control.midiChannel = one.channel;
        control.midiControlID = one.number;
        control.midiEventType = one.eventType;
        control.choiceID = one.choiceID;
        control.transposedNote = one.transposedNote;
        control.noteOutput = one.noteOutput;
        controls.push_back(control);
    }
}

// Replaces the algorithm's MIDI mappings with `controls`, whose automation controls' records
// are not the table's; a record without an input range keeps the controller's default one.
// False (nothing replaced) when no record is the table's.
bool ApplyMidiMappings(cALGORITHM& alg, const std::vector<sPresetControlData>& controls)
    KV_REQUIRES(alg.AlgLock()) {
    KCMidiControlAbs* midi = alg.GetMidiControl();
    if (midi == nullptr) {
        return false;
    }
    std::vector<KSMidiMapping> mappings;
    mappings.reserve(controls.size());
    for (const sPresetControlData& control : controls) {
        if (alg.GetAutomationManager().IsControlRecord(control)) {
            continue;
        }
        KSMidiMapping one;
        one.param = control.leadParam;
        one.channel = control.midiChannel;
        one.eventType = control.midiEventType;
        one.number = control.midiControlID;
        one.momentary = !control.keySwitch;
        one.latching = control.latching;
        one.inputMin = control.offValue;
        one.inputMax = control.onValue;
        one.choiceID = control.choiceID;
        one.transposedNote = control.transposedNote;
        one.noteOutput = control.noteOutput;
        mappings.push_back(one);
    }
    if (mappings.empty()) {
        return false;
    }
    midi->SetMappings(mappings);
    return true;
}

void CaptureSetup(const cALGORITHM& alg, EPluginSetup setup, sPresetData& data)
    KV_REQUIRES(alg.AlgLock()) {
    const unsigned int count = alg.GetNumParams();
    data.ClearValues();
    data.states.reserve(count);
    data.realWorld.reserve(count);
    data.realWorldKinds.reserve(count);
    for (unsigned int i = 0; i < count; ++i) {
        const sCONTROL_PARAM& param = alg.GetParam(i);
        if (param.IsFlagSet(eParamFlagDontSaveToPreset)) {
            data.states.push_back(-1);
            data.realWorld.push_back(0.0);
            data.realWorldKinds.push_back(eValueMissing);
            continue;
        }
        data.states.push_back(static_cast<int>(std::lround(param.GetState(setup))));
        data.realWorld.push_back(param.GetRealWorld(setup));
        data.realWorldKinds.push_back(eValueNumber);
    }
    data.setupName = alg.GetSetupName(setup);
    CaptureMidiMappings(alg, data.controls);
    static_cast<void>(alg.SaveControlsToPreset(data, setup, setup));  // eNoErr always
    data.parametersKind = eParametersRealWorld;
    data.SetLoadParams(true);
}

void ApplyRealWorld(cALGORITHM& alg, const sPresetData& data, EPluginSetup setup)
    KV_REQUIRES(alg.AlgLock()) {
    const auto count = std::min<std::size_t>(alg.GetNumParams(), data.realWorld.size());
    for (std::size_t k = 0; k < count; ++k) {
        const auto i = static_cast<unsigned int>(k);
        sCONTROL_PARAM& param = alg.GetParam(i);
        if (param.IsFlagSet(eParamFlagDontReadFromPreset) ||
            (k < data.realWorldKinds.size() && data.realWorldKinds[k] == eValueMissing)) {
            continue;
        }
        double value = data.realWorld[k];
        // "nan"/"inf" in a file are no value, also for a parameter that skips validation.
        if (!std::isfinite(value)) {
            continue;
        }
        if (!param.IsFlagSet(eParamFlagAvoidValidation)) {
            if (!alg.ValidateRealWorld(i, value)) {
                param.LimitRealWorld(value);
            }
        }
        param.SetRealWorldAndUpdate(value, setup);
        alg.LimitLoadedRealWorld(i, setup);
    }
}

void ApplyStates(cALGORITHM& alg, const sPresetData& data, EPluginSetup setup)
    KV_REQUIRES(alg.AlgLock()) {
    const auto count = std::min<std::size_t>(alg.GetNumParams(), data.states.size());
    for (std::size_t k = 0; k < count; ++k) {
        sCONTROL_PARAM& param = alg.GetParam(static_cast<unsigned int>(k));
        if (param.IsFlagSet(eParamFlagDontReadFromPreset) || data.states[k] < 0) {
            continue;
        }
        const double state = std::min(static_cast<double>(data.states[k]), KCParam_Base::kMaxState);
        param.SetStateAndUpdate(
            param.GetType() == eParamDiscrete ? param.QuantizeState(state) : state, setup);
    }
}

}  // namespace

int SavePresetFromAlg(const CPublicAlg& alg, CPresetInfo& preset) {
    if (!alg.IsValid()) {
        return eMemNullPointer;
    }
    cALGORITHM& plugin = alg.Alg();
    const AlgLock lock(plugin);
    preset.SetPluginName(plugin.GetAlgName().c_str());
    KCFixedString<7> sub;
    sub << plugin.GetAlgSubType();
    preset.SetPluginSubComp(sub.c_str());
    preset.SetPluginVersion(plugin.GetVersNumString().c_str());
    preset.SetGenericType(plugin.GetAlgType());
    preset.SetActiveSetup(PresetSetupName(plugin.GetActiveSetup()));
    for (const EPluginSetup setup : {eSetupA, eSetupB}) {
        CaptureSetup(plugin, setup, preset.GetOrAddSetupPresetData(setup));
    }
    return eNoErr;
}

int LoadPresetToAlg(const CPublicAlg& alg, const CPresetInfo& preset, bool update) {
    if (!alg.IsValid()) {
        return eMemNullPointer;
    }
    cALGORITHM& plugin = alg.Alg();
    {
        const AlgLock lock(plugin);
        for (const auto* data : preset.GetPresetData()) {
            if (!data->LoadParams()) {
                continue;
            }
            const EPluginSetup setup = plugin.GetAbsoluteSetup(data->Setup());
            if (!data->realWorld.empty()) {
                ApplyRealWorld(plugin, *data, setup);
            } else if (!data->states.empty()) {
                ApplyStates(plugin, *data, setup);
            }
            if (!data->setupName.empty() || data->Setup() != eActiveSetup) {
                plugin.SetSetupName(data->setupName, setup);
            }
        }
        // The mappings are the algorithm's, not a setup's: the first loaded record that has
        // any replaces them; a preset without any (one saved before MIDI mappings existed)
        // leaves them as they are.
        for (const auto* data : preset.GetPresetData()) {
            if (data->LoadParams() && ApplyMidiMappings(plugin, data->controls)) {
                break;
            }
        }
        // The automation controls' attachments likewise; a record without theirs changes none.
        for (const auto* data : preset.GetPresetData()) {
            if (data->LoadParams()) {
                static_cast<void>(plugin.LoadControlsFromPreset(
                    data, data->Setup(), plugin.GetAbsoluteSetup(data->Setup())));
            }
        }
        const EPluginSetup active = PresetSetupFromName(preset.GetActiveSetup().c_str());
        if (active != eActiveSetup && preset.GetSetupPresetData(active) != nullptr) {
            plugin.ChangeActiveSetup(active);
        }
        // Loaded values are no link movement: the next pass measures from them.
        plugin.UpdateAllLinkGroupsLastValues();
    }
    if (update) {
        plugin.UpdateControlsFromParams(eActiveSetup);
        plugin.RefreshAllParams();
        plugin.SetUpdateAlgRequired();
        // Listeners hear every event with the algorithm lock held.
        const AlgLock lock(plugin);
        plugin.Broadcaster()->PresetLoaded(preset);
    }
    return eNoErr;
}

}  // namespace kvKorvaneV10_0_3::Preset
