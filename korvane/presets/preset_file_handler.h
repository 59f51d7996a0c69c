// Preset::KCPresetFileHandler: the preset list of one file edited by position (insert, delete,
// duplicate, move, rename) and written back whole.
#pragma once

#include "korvane/algorithm/public_alg.h"
#include "korvane/core/export.h"
#include "korvane/presets/preset_info.h"

#include <memory>
#include <vector>

namespace kvKorvaneV10_0_3::Preset {

// The list is kept in ascending preset index; an index is a position in the file and may have
// gaps. Every preset is read with its data whatever the parse type, so that writing the file
// back never loses a setup. Edits change the list only: WriteToDisk saves them. Used by one
// thread at a time [gui-thread].
class KORVANE_API KCPresetFileHandler {
public:
    static constexpr unsigned int kNoIndex = CPresetInfo::kNoIndex;
    // Indexes are written as signed numbers: larger ones are refused.
    static constexpr unsigned int kMaxIndex = 0x7FFFFFFF;

    KCPresetFileHandler() = default;
    explicit KCPresetFileHandler(const FM::KCStPath& path);
    KCPresetFileHandler(const KCPresetFileHandler&) = delete;
    KCPresetFileHandler& operator=(const KCPresetFileHandler&) = delete;
    ~KCPresetFileHandler();

    // Reads the file's presets (type "????": the plug-in's), then ValidatePresetIndexes (a file
    // that cannot be rewritten keeps its old indexes on disk). A file that cannot be read gives
    // its code and leaves the list as it was.
    int ReadFromDisk(const CPublicAlg& alg, const FM::KCStPath& path,
                     KCFourCC type = kNoGenericType, EFolderParseType parse = eFolderParseFull);
    // Sorts by index and writes the list back in place of the entries read; presets of other
    // plug-ins and elements the list does not hold stay in the file untouched. Only an xps
    // file is written (eInvalidFileFormatProblem for a container or yps file).
    int WriteToDisk(const CPublicAlg& alg);

    [[nodiscard]] const std::vector<CPresetInfo*>& GetPresets() const { return m_presets; }
    [[nodiscard]] const CPresetsFileInfo& GetFile() const { return m_file; }
    [[nodiscard]] CPresetInfo* GetFirstPreset() const;
    // Null for kNoIndex or an unused index.
    [[nodiscard]] CPresetInfo* GetPresetByIndex(unsigned int index) const;
    // ePresetInfoNotFound for an unused index.
    int GetPresetNameByIndex(unsigned int index, KCFixedStringBase& name) const;
    // The last index + 1; 0 when empty.
    [[nodiscard]] unsigned int GetIndexOfLastPreset() const;
    // The position in the list, or -1.
    [[nodiscard]] int ComputeOffsetFromIndex(unsigned int index) const;
    [[nodiscard]] bool IsEmptyPreset(unsigned int index) const;

    // A copy of `preset` takes `index` and this handler's file. Occupants are shifted away to
    // the next free index: downwards when the preset came from a lower index of this file
    // (upwards when there is no room below), upwards otherwise. A name already in the file is
    // made unique (" 1", " 2", ...). ePresetFileProblem for an index above kMaxIndex or a run
    // that cannot shift.
    int Insert(unsigned int index, const CPresetInfo& preset);
    // ePresetInfoNotFound when an index is unused (nothing is deleted then).
    int Delete(unsigned int index);
    int Delete(const std::vector<unsigned int>& indexes);
    // Copies of the presets, under unique names, inserted from `target` on.
    int Duplicate(const std::vector<unsigned int>& indexes, unsigned int target);
    // The presets taken out and inserted from `target` on, in the order given.
    int Move(const std::vector<unsigned int>& indexes, unsigned int target);
    // ePresetFileProblem when another preset of the file has the name.
    int PresetRename(unsigned int index, const KCFixedStringBase& name);

    // Moves the run of consecutive occupied indexes starting at `index` by one in `direction`;
    // false when the run would pass index 0 (nothing moves then).
    bool ShiftPresetsTillNextEmptyIndex(unsigned int index, EPresetMovementDirection direction);
    // Gives unassigned (or repeated) indexes free ones, from their position in the list on;
    // when anything changed the list is sorted and the file rewritten.
    int ValidatePresetIndexes(const CPublicAlg& alg);

private:
    void Sort();
    [[nodiscard]] bool IsNameUsed(const KCFixedStringBase& name, const CPresetInfo* except) const;
    // False when no free name was found.
    bool MakeUniqueName(CPresetInfo& preset) const;
    // Inserts `preset` at `index`, shifting as Insert describes; the list takes it over only
    // on success.
    int Place(std::unique_ptr<CPresetInfo>& preset, unsigned int index, unsigned int cameFrom);

    CPresetsFileInfo m_file;
    KCFourCC m_type = kNoGenericType;     // the type the list was read for
    std::vector<CPresetInfo*> m_presets;  // owned
};

}  // namespace kvKorvaneV10_0_3::Preset
