// cALGORITHM's two setups: which one is active, switching and copying them, their names and
// setup strings, and loading states into one.
#include "korvane/algorithm/algorithm.h"

#include "korvane/core/error_codes.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace kvKorvaneV10_0_3 {
namespace {

using kvThread::ThreadMutexLock;

}  // namespace

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
    // Peaks and clips of the other setup say nothing about this one.
    m_pendingMeterResets |= kMeterResetPeaks;
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
        param.SetUpdateLevel(eUpdateLevelRefresh);
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
    if (m_linkGroups) {
        m_linkGroups->CopyLastValuesToOtherSetup(from, to);
    }
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

// The algorithm's setup strings. Not the same table as the "Setup" attribute of preset files
// (PresetSetupName, whose current setup is "CURRENT"): stored files rely on each, so neither
// can change.
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
    // Loaded values are no link movement: the next pass measures from them.
    UpdateAllLinkGroupsLastValues();
    return eNoErr;
}

}  // namespace kvKorvaneV10_0_3
