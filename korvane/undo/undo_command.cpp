// The undo snapshots: parameter states and presets.
#include "korvane/undo/undo_command.h"

#include "korvane/algorithm/algorithm.h"
#include "korvane/presets/preset_alg.h"

namespace kvKorvaneV10_0_3::Undo {

namespace {

constexpr unsigned int kSkippedFlagMask = 0x4;

bool Skipped(const cALGORITHM& alg, unsigned int index) {
    return (alg.GetParamFlags(index).Word() & kSkippedFlagMask) != 0;
}

void PostAndFree(cALGORITHM& alg, BUFFER_HEADER* chain) {
    if (chain != nullptr) {
        alg.SendAndFreeBuffers(chain, ProcessMemory::eSelPostChain, true);
    }
}

}  // namespace

Command::Command(const char* name, unsigned int id) : m_name(name), m_id(id) {}

Command::~Command() = default;

KCUndoCommandParameters::KCUndoCommandParameters(cALGORITHM* alg, unsigned int id)
    : Command("Setup change", id), m_alg(alg) {
    if (m_alg == nullptr) {
        return;
    }
    const unsigned int count = m_alg->GetNumParams();
    m_states.reserve(count);
    for (unsigned int i = 0; i < count; ++i) {
        if (!Skipped(*m_alg, i)) {
            m_states.push_back(m_alg->GetParamState(i));
        }
    }
}

bool KCUndoCommandParameters::IsSameType(const Command* other) const {
    const auto* same = dynamic_cast<const KCUndoCommandParameters*>(other);
    return same != nullptr && same->getName() == getName() && same->getID() == getID();
}

bool KCUndoCommandParameters::operator==(const Command& other) const {
    const auto* same = dynamic_cast<const KCUndoCommandParameters*>(&other);
    return same != nullptr && same->m_states == m_states;
}

void KCUndoCommandParameters::Execute() {
    if (m_alg == nullptr) {
        return;
    }
    const unsigned int count = m_alg->GetNumParams();
    std::size_t next = 0;
    for (unsigned int i = 0; i < count && next < m_states.size(); ++i) {
        if (!Skipped(*m_alg, i)) {
            PostAndFree(*m_alg, m_alg->UpdateParamState(i, m_states[next++]));
        }
    }
}

KCUndoCommandPreset::KCUndoCommandPreset(const CPublicAlg& alg, unsigned int id,
                                         const Preset::CPresetInfo* preset)
    : Command(kLoadPresetMarker, id), m_alg(alg) {
    if (preset != nullptr) {
        m_preset = *preset;
    }
    KCFixedString<255> name(kLoadPresetMarker);
    name << " \"" << m_preset.GetPresetName() << "\"";
    SetName(name);
}

bool KCUndoCommandPreset::IsSameType(const Command* other) const {
    const auto* same = dynamic_cast<const KCUndoCommandPreset*>(other);
    return same != nullptr && same->getName() == getName() && same->getID() == getID();
}

bool KCUndoCommandPreset::operator==(const Command& other) const {
    const auto* same = dynamic_cast<const KCUndoCommandPreset*>(&other);
    return same != nullptr && Preset::CPresetInfo::IsSamePreset(m_preset, same->m_preset, true);
}

void KCUndoCommandPreset::Execute() {
    if (!m_alg.IsValid()) {
        return;
    }
    m_preset.SetAllLoadFlags(true);
    if (Preset::LoadPresetToAlg(m_alg, m_preset, true) == eNoErr) {
        PostAndFree(m_alg.Alg(), m_alg.Alg().UpdateAlg());
    }
}

}  // namespace kvKorvaneV10_0_3::Undo
