// The dynamic factory presets of one plug-in: the preset folders it names are scanned for
// headers only, and a preset's data is read from its file when it is loaded.
#pragma once

#include "korvane/algorithm/public_alg.h"
#include "korvane/core/export.h"
#include "korvane/fm/path.h"
#include "korvane/presets/preset_info.h"
#include "korvane/presets/preset_menu.h"
#include "korvane/presets/preset_types.h"

#include <vector>

namespace kvKorvaneV10_0_3::Preset {

// Owned by the presets manager. Folders can hold thousands of presets: a scan reads headers
// only, and loading one reads just that preset, as it is in its file at that moment.
// [gui-thread]
class KORVANE_API KCDynamicFactoryPresetsJustInTime {
public:
    // Replaces the tree with the headers of `folders`: one group per existing folder (named
    // after it), sub-groups for sub-folders, the presets of every xps file; empty groups are
    // dropped. Links are followed, but a folder reached a second time (a link loop, or a
    // folder named twice) is skipped, and nesting stops at kMaxDynamicFolderDepth.
    int Scan(const CPublicAlg& alg, const std::vector<FM::KCStPath>& folders);
    [[nodiscard]] const SPresetGroupDesc& Tree() const { return m_tree; }
    // `listed`'s header and data read from its file now: a file edited since the scan gives
    // its current content. ePresetInfoNotFound when the preset has left its file.
    static int ReadPreset(const CPublicAlg& alg, const CPresetInfo& listed, CPresetInfo& out);
    void Clear() { m_tree.Clear(); }

    // One folder walked as Scan walks each of its folders, into `group`.
    static int IterateFolder(const CPublicAlg& alg, EFolderParseType parse,
                             const FM::KCStPath& folder, SPresetGroupDesc& group);

private:
    SPresetGroupDesc m_tree;
};

}  // namespace kvKorvaneV10_0_3::Preset
