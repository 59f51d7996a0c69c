// Dynamic factory presets: folder walks that list headers, and presets read when loaded.
#include "korvane/presets/dynamic_factory_presets.h"

#include "korvane/fm/path_ref.h"
#include "korvane/presets/preset_api.h"
#include "korvane/presets/presets_manager.h"

#include <algorithm>
#include <filesystem>
#include <new>
#include <set>
#include <system_error>
#include <utility>

namespace kvKorvaneV10_0_3::Preset {

namespace fs = std::filesystem;

namespace {

// Adds the presets of every xps file in `folder` to `group` and a sub-group per sub-folder
// that holds any. `visited` holds the real paths of the folders walked so far: a link that
// leads back to one of them (a loop) or to a folder already walked is not followed again.
void WalkFolder(const CPublicAlg& alg, EFolderParseType parse, const fs::path& folder,
                SPresetGroupDesc& group, std::set<fs::path>& visited, unsigned int depth) {
    group.SetGroupName(FM::KCStPath(folder.string().c_str()));
    std::error_code ec;
    std::vector<fs::path> entries;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        entries.push_back(it->path());
    }
    std::sort(entries.begin(), entries.end());
    for (const fs::path& entry : entries) {
        if (fs::is_directory(entry, ec)) {
            const fs::path real = fs::canonical(entry, ec);
            if (ec || depth + 1 >= CPresetsManager::kMaxDynamicFolderDepth ||
                !visited.insert(real).second) {
                continue;
            }
            SPresetGroupDesc sub;
            WalkFolder(alg, parse, entry, sub, visited, depth + 1);
            if (!sub.Empty()) {
                group.AddSubGroup(std::move(sub));
            }
        } else if (fs::is_regular_file(entry, ec) && entry.has_extension() &&
                   FM::IsSameExtension(entry.extension().string().c_str() + 1, "xps")) {
            // A file that cannot be read leaves the others listed.
            CPresetsManager::AddPresetFile(alg, parse, FM::KCStPath(entry.string().c_str()), group);
        }
    }
}

}  // namespace

int KCDynamicFactoryPresetsJustInTime::IterateFolder(const CPublicAlg& alg, EFolderParseType parse,
                                                     const FM::KCStPath& folder,
                                                     SPresetGroupDesc& group) {
    std::error_code ec;
    const fs::path path(folder.GetPathString().c_str());
    if (!folder.IsValid() || !fs::is_directory(path, ec)) {
        return eFMFileNotFound;
    }
    std::set<fs::path> visited{fs::canonical(path, ec)};
    if (ec) {
        return eFMFileNotFound;
    }
    try {
        WalkFolder(alg, parse, path, group, visited, 0);
    } catch (const std::bad_alloc&) {
        return eMemNewFailed;
    }
    return eNoErr;
}

int KCDynamicFactoryPresetsJustInTime::Scan(const CPublicAlg& alg,
                                            const std::vector<FM::KCStPath>& folders) {
    SPresetGroupDesc root;
    std::set<fs::path> visited;
    try {
        for (const FM::KCStPath& folder : folders) {
            std::error_code ec;
            const fs::path path(folder.GetPathString().c_str());
            if (!folder.IsValid() || !fs::is_directory(path, ec)) {
                continue;
            }
            const fs::path real = fs::canonical(path, ec);
            if (ec || !visited.insert(real).second) {
                continue;
            }
            SPresetGroupDesc group;
            WalkFolder(alg, eFolderParseHeaders, path, group, visited, 0);
            if (!group.Empty()) {
                root.AddSubGroup(std::move(group));
            }
        }
    } catch (const std::bad_alloc&) {
        return eMemNewFailed;
    }
    m_tree.TakeOver(root);
    return eNoErr;
}

int KCDynamicFactoryPresetsJustInTime::ReadPreset(const CPublicAlg& alg, const CPresetInfo& listed,
                                                  CPresetInfo& out) {
    CPresetInfo preset(listed);
    preset.ClearPresetData();
    const int err = CPresetAPI::ReadPresetInfo(alg, preset);
    if (err != eNoErr) {
        return err;
    }
    preset.SetMenuItemType(eMenuItemDynamic);
    out = preset;
    return eNoErr;
}

}  // namespace kvKorvaneV10_0_3::Preset
