// The presets manager's state chunk and its registration as every algorithm's manager.
#include "korvane/presets/presets_manager.h"

#include "korvane/algorithm/algorithm.h"
#include "korvane/core/thread_mutex.h"
#include "korvane/presets/preset_alg.h"
#include "korvane/presets/preset_api.h"

#include <memory>
#include <string>

namespace kvKorvaneV10_0_3::Preset {

namespace {

std::unique_ptr<KCPresetsManagerAbs> MakeManager(cALGORITHM& alg) {
    return std::make_unique<CPresetsManager>(CPublicAlg(alg));
}

// The library gives every algorithm a presets manager without the plug-in asking.
const bool g_installed = [] {
    CPresetsManager::InstallFactory();
    return true;
}();

// The name the chunk carries: the manager's current preset when the algorithm has ours. A
// copy: the manager may be replaced once the lock is given up.
KCFixedString<255> CurrentName(const CPublicAlg& alg) {
    const kvThread::ThreadMutexLock lock(alg.Alg().AlgLock());
    const auto* manager = dynamic_cast<const CPresetsManager*>(alg.Alg().GetPresetsManager());
    return manager != nullptr ? manager->GetCurrentPreset().GetPresetName() : KCFixedString<255>();
}

}  // namespace

CPresetsManager::CPresetsManager(const CPublicAlg& alg) : m_alg(alg) {
    static_cast<void>(g_installed);
}

CPresetsManager::~CPresetsManager() = default;

void CPresetsManager::InstallFactory() {
    SetFactory(&MakeManager);
}

int CPresetsManager::PreparePresetChunk(const CPublicAlg& alg, Utils::KCStMemObj& out,
                                        bool /*flag*/) {
    if (!alg.IsValid()) {
        return eMemNullPointer;
    }
    CPresetInfo preset;
    preset.SetPresetName(CurrentName(alg));
    int err = SavePresetFromAlg(alg, preset);
    if (err != eNoErr) {
        return err;
    }
    std::string text;
    err = CPresetAPI::WritePresetInfo_XML(preset, text);
    if (err != eNoErr) {
        return err;
    }
    return out.Assign(text.data(), static_cast<unsigned int>(text.size()));
}

int CPresetsManager::SetPresetChunk(const CPublicAlg& alg, const Utils::KCStConstMemObj& chunk) {
    if (!alg.IsValid()) {
        return eMemNullPointer;
    }
    CPresetInfo preset;
    const int err = CPresetAPI::SetPresetChunk(alg, preset, chunk);
    if (err != eNoErr) {
        return err;
    }
    {
        const kvThread::ThreadMutexLock lock(alg.Alg().AlgLock());
        if (auto* manager = dynamic_cast<CPresetsManager*>(alg.Alg().GetPresetsManager());
            manager != nullptr) {
            manager->SetCurrentPresetName(preset.GetPresetName());
        }
    }
    return LoadPresetToAlg(alg, preset, true);
}

int CPresetsManager::SavePresetFromPlugin(const CPublicAlg& alg, CPresetInfo& preset,
                                          bool allSetups) {
    const int err = SavePresetFromAlg(alg, preset);
    if (err == eNoErr && !allSetups) {
        // Only the active setup, saved as the current one.
        const EPluginSetup active = alg.Alg().GetActiveSetup();
        sPresetData kept(*preset.GetSetupPresetData(active));
        kept.SetSetup(eActiveSetup);
        preset.ClearPresetData();
        preset.GetOrAddSetupPresetData(eActiveSetup) = kept;
    }
    if (err == eNoErr) {
        SetCurrentPresetName(preset.GetPresetName());
    }
    return err;
}

int CPresetsManager::LoadPresetToPlugin(const CPublicAlg& alg, CPresetInfo& preset, bool update) {
    const int err = LoadPresetToAlg(alg, preset, update);
    if (err == eNoErr) {
        SetCurrentPresetName(preset.GetPresetName());
    }
    return err;
}

void CPresetsManager::SetCurrentPresetName(const KCFixedStringBase& name) {
    if (!m_alg.IsValid()) {
        m_current.SetPresetName(name);
        return;
    }
    cALGORITHM& alg = m_alg.Alg();
    alg.LockAlg();
    m_current.SetPresetName(name);
    alg.UnLockAlg();
}

int CPresetsManager::PrepareChunk(cALGORITHM& alg, Utils::KCStMemObj& out, bool flag) {
    return PreparePresetChunk(CPublicAlg(alg), out, flag);
}

int CPresetsManager::ApplyChunk(cALGORITHM& alg, const Utils::KCStConstMemObj& chunk) {
    return SetPresetChunk(CPublicAlg(alg), chunk);
}

}  // namespace kvKorvaneV10_0_3::Preset
