// Editing one preset file's list by index.
#include "korvane/presets/preset_file_handler.h"

#include "korvane/algorithm/algorithm.h"
#include "korvane/presets/preset_api.h"
#include "korvane/presets/preset_names.h"

#include <algorithm>
#include <memory>
#include <set>
#include <string>

namespace kvKorvaneV10_0_3::Preset {

KCPresetFileHandler::KCPresetFileHandler(const FM::KCStPath& path)
    : m_file(path, ePresetsFormatXPS, true) {}

KCPresetFileHandler::~KCPresetFileHandler() {
    ClearPresetInfoPtrVec(m_presets);
}

int KCPresetFileHandler::ReadFromDisk(const CPublicAlg& alg, const FM::KCStPath& path,
                                      KCFourCC type, EFolderParseType /*parse*/) {
    CPresetsFileInfo file(path, ePresetsFormatNone, true);
    file.SetFormat(CPresetAPI::GetPresetFileFormat(alg, file));
    if (!file.IsFileFormatSupported()) {
        return eInvalidFileFormatProblem;
    }
    if (type == kNoGenericType && alg.IsValid()) {
        type = alg.Alg().GetAlgType();
    }
    std::vector<CPresetInfo*> read;
    const int err = CPresetAPI::ReadAllPresetsInfo(alg, file, read, type);
    if (err != eNoErr) {
        ClearPresetInfoPtrVec(read);
        return err;
    }
    ClearPresetInfoPtrVec(m_presets);
    m_presets.swap(read);
    m_file = file;
    m_type = type;
    // A read-only file cannot take the indexes; the list has them all the same.
    ValidatePresetIndexes(alg);
    return eNoErr;
}

int KCPresetFileHandler::WriteToDisk(const CPublicAlg& alg) {
    // The list is xps entries: a container or yps file read here is never rewritten as xps.
    if (m_file.GetFormat() != ePresetsFormatXPS) {
        return eInvalidFileFormatProblem;
    }
    Sort();
    return CPresetAPI::RewritePresetList(alg, m_presets, m_file, m_type);
}

void KCPresetFileHandler::Sort() {
    std::stable_sort(m_presets.begin(), m_presets.end(),
                     [](const CPresetInfo* a, const CPresetInfo* b) {
                         return a->GetPresetIndex() < b->GetPresetIndex();
                     });
}

CPresetInfo* KCPresetFileHandler::GetFirstPreset() const {
    return m_presets.empty() ? nullptr : m_presets.front();
}

CPresetInfo* KCPresetFileHandler::GetPresetByIndex(unsigned int index) const {
    const int offset = ComputeOffsetFromIndex(index);
    return offset < 0 ? nullptr : m_presets[static_cast<std::size_t>(offset)];
}

int KCPresetFileHandler::GetPresetNameByIndex(unsigned int index, KCFixedStringBase& name) const {
    const auto* preset = GetPresetByIndex(index);
    if (preset == nullptr) {
        return ePresetInfoNotFound;
    }
    name = preset->GetPresetName();
    return eNoErr;
}

unsigned int KCPresetFileHandler::GetIndexOfLastPreset() const {
    unsigned int last = 0;
    for (const auto* preset : m_presets) {
        if (preset->GetPresetIndex() != kNoIndex) {
            last = std::max(last, preset->GetPresetIndex() + 1);
        }
    }
    return last;
}

int KCPresetFileHandler::ComputeOffsetFromIndex(unsigned int index) const {
    if (index == kNoIndex) {
        return -1;
    }
    for (std::size_t i = 0; i < m_presets.size(); ++i) {
        if (m_presets[i]->GetPresetIndex() == index) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

bool KCPresetFileHandler::IsEmptyPreset(unsigned int index) const {
    return GetPresetByIndex(index) == nullptr;
}

bool KCPresetFileHandler::ShiftPresetsTillNextEmptyIndex(unsigned int index,
                                                         EPresetMovementDirection direction) {
    if (index > kMaxIndex) {
        return false;
    }
    // Find the end of the run first, so that a run that cannot move leaves everything put.
    unsigned int end = index;
    while (!IsEmptyPreset(end)) {
        if ((direction == ePresetMoveDown && end == 0) ||
            (direction == ePresetMoveUp && end == kMaxIndex)) {
            return false;
        }
        end = direction == ePresetMoveDown ? end - 1 : end + 1;
    }
    while (end != index) {
        const unsigned int from = direction == ePresetMoveDown ? end + 1 : end - 1;
        GetPresetByIndex(from)->SetPresetIndex(end);
        end = from;
    }
    return true;
}

bool KCPresetFileHandler::IsNameUsed(const KCFixedStringBase& name,
                                     const CPresetInfo* except) const {
    return std::any_of(m_presets.begin(), m_presets.end(), [&](const CPresetInfo* p) {
        return p != except && !p->IsSeperator() && !p->IsDummyTitle() && p->GetPresetName() == name;
    });
}

bool KCPresetFileHandler::MakeUniqueName(CPresetInfo& preset) const {
    if (preset.IsSeperator() || preset.IsDummyTitle()) {
        return true;
    }
    KCFixedString<255> name;
    const bool found = MakeNextUniqueName(
        preset.GetPresetName().c_str(),
        [&](const KCFixedStringBase& candidate) { return IsNameUsed(candidate, &preset); }, name);
    if (found) {
        preset.SetPresetName(name);
    }
    return found;
}

int KCPresetFileHandler::Place(std::unique_ptr<CPresetInfo>& preset, unsigned int index,
                               unsigned int cameFrom) {
    if (index > kMaxIndex) {
        return ePresetFileProblem;
    }
    if (!IsEmptyPreset(index)) {
        const bool fromBelow = cameFrom != kNoIndex && cameFrom < index;
        if ((!fromBelow || !ShiftPresetsTillNextEmptyIndex(index, ePresetMoveDown)) &&
            !ShiftPresetsTillNextEmptyIndex(index, ePresetMoveUp)) {
            return ePresetFileProblem;
        }
    }
    preset->SetPresetIndex(index);
    preset->SetPresetsFileInfo(m_file);
    m_presets.push_back(preset.get());
    static_cast<void>(preset.release());  // the list owns it now
    Sort();
    return eNoErr;
}

int KCPresetFileHandler::Insert(unsigned int index, const CPresetInfo& preset) {
    if (index > kMaxIndex) {
        return ePresetFileProblem;
    }
    try {
        auto copy = std::make_unique<CPresetInfo>(preset);
        const bool sameFile = preset.GetPresetsFileInfo() == m_file;
        if (!MakeUniqueName(*copy)) {
            return ePresetFileProblem;
        }
        return Place(copy, index, sameFile ? preset.GetPresetIndex() : kNoIndex);
    } catch (const std::bad_alloc&) {
        return eMemNewFailed;
    }
}

int KCPresetFileHandler::Delete(unsigned int index) {
    const int offset = ComputeOffsetFromIndex(index);
    if (offset < 0) {
        return ePresetInfoNotFound;
    }
    delete m_presets[static_cast<std::size_t>(offset)];
    m_presets.erase(m_presets.begin() + offset);
    return eNoErr;
}

int KCPresetFileHandler::Delete(const std::vector<unsigned int>& indexes) {
    for (const unsigned int index : indexes) {
        if (IsEmptyPreset(index)) {
            return ePresetInfoNotFound;
        }
    }
    for (const unsigned int index : std::set<unsigned int>(indexes.begin(), indexes.end())) {
        Delete(index);
    }
    return eNoErr;
}

int KCPresetFileHandler::Duplicate(const std::vector<unsigned int>& indexes, unsigned int target) {
    if (target > kMaxIndex || indexes.size() > kMaxIndex - target + 1) {
        return ePresetFileProblem;
    }
    try {
        std::vector<std::unique_ptr<CPresetInfo>> copies;
        for (const unsigned int index : indexes) {
            const auto* preset = GetPresetByIndex(index);
            if (preset == nullptr) {
                return ePresetInfoNotFound;
            }
            copies.push_back(std::make_unique<CPresetInfo>(*preset));
        }
        m_presets.reserve(m_presets.size() + copies.size());
        for (auto& copy : copies) {
            if (!MakeUniqueName(*copy)) {
                return ePresetFileProblem;
            }
            const int err = Place(copy, target++, kNoIndex);
            if (err != eNoErr) {
                return err;
            }
        }
        return eNoErr;
    } catch (const std::bad_alloc&) {
        return eMemNewFailed;
    }
}

int KCPresetFileHandler::Move(const std::vector<unsigned int>& indexes, unsigned int target) {
    for (const unsigned int index : indexes) {
        if (IsEmptyPreset(index)) {
            return ePresetInfoNotFound;
        }
    }
    if (target > kMaxIndex || indexes.size() > kMaxIndex - target + 1) {
        return ePresetFileProblem;
    }
    // Reserved first: a preset taken out of the list always finds its way back in.
    std::vector<std::pair<std::unique_ptr<CPresetInfo>, unsigned int>> moving;
    try {
        moving.reserve(indexes.size());
    } catch (const std::bad_alloc&) {
        return eMemNewFailed;
    }
    for (const unsigned int index : indexes) {
        const int offset = ComputeOffsetFromIndex(index);
        if (offset < 0) {
            continue;  // given twice
        }
        moving.emplace_back(m_presets[static_cast<std::size_t>(offset)], index);
        m_presets.erase(m_presets.begin() + offset);
    }
    int result = eNoErr;
    for (auto& [preset, from] : moving) {
        // The list had room for these before they were taken out, so only an index run that
        // cannot shift fails here: that preset goes to the first free index instead.
        const int err = Place(preset, target++, from);
        if (err != eNoErr) {
            result = err;
            unsigned int spare = 0;
            while (!IsEmptyPreset(spare)) {
                ++spare;
            }
            Place(preset, spare, kNoIndex);
        }
    }
    return result;
}

int KCPresetFileHandler::PresetRename(unsigned int index, const KCFixedStringBase& name) {
    auto* preset = GetPresetByIndex(index);
    if (preset == nullptr) {
        return ePresetInfoNotFound;
    }
    if (name.empty() || IsNameUsed(name, preset)) {
        return ePresetFileProblem;
    }
    preset->SetPresetName(name);
    return eNoErr;
}

int KCPresetFileHandler::ValidatePresetIndexes(const CPublicAlg& alg) {
    std::set<unsigned int> used;
    std::vector<CPresetInfo*> unassigned;
    for (auto* preset : m_presets) {
        const unsigned int index = preset->GetPresetIndex();
        if (index == kNoIndex || !used.insert(index).second) {
            unassigned.push_back(preset);
        }
    }
    if (unassigned.empty()) {
        Sort();
        return eNoErr;
    }
    for (auto* preset : unassigned) {
        const auto position = static_cast<unsigned int>(
            std::find(m_presets.begin(), m_presets.end(), preset) - m_presets.begin());
        unsigned int index = position;
        while (used.count(index) != 0) {
            ++index;
        }
        used.insert(index);
        preset->SetPresetIndex(index);
    }
    if (m_file.GetFormat() == ePresetsFormatXPS) {
        return WriteToDisk(alg);
    }
    Sort();
    return eNoErr;
}

}  // namespace kvKorvaneV10_0_3::Preset
