// kvhost presets: the plug-in's presets through its presets manager: list, show, save, load.
#include "host/kvhost/kvhost.h"

#include "korvane/algorithm/public_alg.h"
#include "korvane/core/error_codes.h"
#include "korvane/presets/presets_manager.h"

#include <algorithm>
#include <filesystem>
#include <iostream>

namespace KorvaneHost::kvhost {

namespace kv = kvKorvaneV10_0_3;
namespace fs = std::filesystem;

namespace {

constexpr const char* kHelp =
    "usage: kvhost presets BUNDLE list\n"
    "       kvhost presets BUNDLE show NAME|FILE\n"
    "       kvhost presets BUNDLE save NAME|PATH [--preset NAME|FILE] [--set NAME=VALUE]...\n"
    "       kvhost presets BUNDLE load FILE\n"
    "\n"
    "list   the factory presets and the user's presets\n"
    "show   the parameter values a preset sets\n"
    "save   the current state (the plug-in's defaults, then --preset and --set) as a preset\n"
    "       named NAME in the file NAME.xps of the user's preset folder, or in the file PATH\n"
    "       (a name with a '/' or ending in .xps), the preset named after the file\n"
    "load   loads the first preset of FILE and prints the parameters it changed\n";

kv::Preset::CPresetsManager* ManagerOf(kv::cALGORITHM& alg) {
    const kv::kvThread::ThreadMutexLock lock(alg.AlgLock());
    return dynamic_cast<kv::Preset::CPresetsManager*>(alg.GetPresetsManager());
}

std::vector<double> Values(kv::cALGORITHM& alg) {
    std::vector<double> values;
    for (unsigned int i = 0; i < alg.GetNumParams(); ++i) {
        values.push_back(alg.GetParamRealWorld(i));
    }
    return values;
}

int List(Plugin& plugin) {
    std::cout << "Factory presets\n";
    const std::vector<std::string> factory = plugin.FactoryPresetNames();
    if (factory.empty()) {
        std::cout << "  none\n";
    }
    for (const std::string& name : factory) {
        std::cout << "  " << name << '\n';
    }
    kv::Preset::CPresetsManager* manager = ManagerOf(plugin.Alg());
    kv::FM::KCStPath userFile;
    std::cout << "User presets";
    if (manager != nullptr && manager->CreatePathToUserMenuPresetFile(userFile) == kv::eNoErr) {
        std::cout << " (" << userFile.GetPathString().c_str() << ")";
    }
    std::cout << '\n';
    int shown = 0;
    if (manager != nullptr &&
        manager->ReadUserMenuPresets(kv::CPublicAlg(plugin.Alg())) == kv::eNoErr) {
        for (const kv::Preset::CPresetInfo* preset : manager->GetUserMenuPresets()) {
            if (preset != nullptr && !preset->IsSeperator() && !preset->IsDummyTitle()) {
                std::cout << "  " << preset->GetPresetName().c_str() << '\n';
                ++shown;
            }
        }
    }
    if (shown == 0) {
        std::cout << "  none\n";
    }
    // Presets saved one to a file by "kvhost presets save NAME".
    kv::FM::KCStPath folder;
    if (manager != nullptr && manager->CreatePathToPluginSettingsFolder(folder) == kv::eNoErr) {
        std::vector<std::string> files;
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(folder.GetPathString().c_str(), ec)) {
            const fs::path& p = entry.path();
            if (p.extension() == ".xps" && p != fs::path(userFile.GetPathString().c_str())) {
                files.push_back(p.filename().string());
            }
        }
        std::sort(files.begin(), files.end());
        std::cout << "Preset files (" << folder.GetPathString().c_str() << ")\n";
        if (files.empty()) {
            std::cout << "  none\n";
        }
        for (const std::string& f : files) {
            std::cout << "  " << f << '\n';
        }
    }
    return kExitOK;
}

int Show(Plugin& plugin, const std::string& name) {
    if (auto err = plugin.LoadPreset(name)) {
        return Report(*err);
    }
    kv::cALGORITHM& alg = plugin.Alg();
    std::vector<std::vector<std::string>> rows{{"parameter", "value", "display"}};
    for (unsigned int i = 0; i < alg.GetNumParams(); ++i) {
        rows.push_back({alg.GetParamName(i).c_str(), FormatNumber(alg.GetParamRealWorld(i)),
                        plugin.DisplayText(i, alg.GetParamState(i))});
    }
    std::cout << "Preset " << name << '\n';
    PrintTable(std::cout, rows);
    return kExitOK;
}

int Save(Plugin& plugin, const std::string& target, const Arguments& parsed) {
    if (const auto preset = parsed.Last("--preset")) {
        if (auto err = plugin.LoadPreset(*preset)) {
            return Report(*err);
        }
    }
    for (const std::string& assignment : parsed.All("--set")) {
        if (auto err = plugin.SetFromText(assignment)) {
            return Report(*err);
        }
    }
    kv::cALGORITHM& alg = plugin.Alg();
    kv::Preset::CPresetsManager* manager = ManagerOf(alg);
    if (manager == nullptr) {
        return Report({plugin.Name(), "the plug-in has no presets manager", kExitFailure});
    }
    const kv::CPublicAlg pub(alg);
    fs::path file;
    std::string presetName = target;
    if (target.find('/') != std::string::npos || target.ends_with(".xps")) {
        file = target;
        presetName = file.stem().string();
    } else {
        kv::FM::KCStPath folder;
        if (const int err = manager->CreatePathToPluginSettingsFolder(folder); err != kv::eNoErr) {
            return Report(
                {"preset folder", "cannot be made (" + std::to_string(err) + ")", kExitFailure});
        }
        file = fs::path(folder.GetPathString().c_str()) / (target + ".xps");
    }
    std::error_code ec;
    if (file.has_parent_path() && !fs::is_directory(file.parent_path(), ec)) {
        return Report({file.string(), "its folder does not exist"});
    }
    if (presetName.empty() || presetName.size() > 127) {
        return Report({target, "a preset name has 1 to 127 characters", kExitUsage});
    }
    const kv::FM::KCStPath path(file.c_str());
    if (!fs::exists(file, ec)) {
        if (const int err = manager->OpenOrCreateUserMenuSettingsFile(path); err != kv::eNoErr) {
            return Report(
                {file.string(), "cannot create (" + std::to_string(err) + ")", kExitFailure});
        }
    }
    if (const int err =
            manager->AddPresetToFile(pub, path, kv::KCFixedString<127>(presetName.c_str()));
        err != kv::eNoErr) {
        return Report({file.string(), std::string("cannot save the preset: ") + kv::KTErrName(err),
                       kExitFailure});
    }
    std::cout << "saved preset \"" << presetName << "\" to " << file.string() << '\n';
    return kExitOK;
}

int Load(Plugin& plugin, const std::string& file) {
    std::error_code ec;
    if (!fs::is_regular_file(file, ec)) {
        return Report({file, "no such preset file"});
    }
    kv::cALGORITHM& alg = plugin.Alg();
    std::vector<std::string> before;
    const std::vector<double> old = Values(alg);
    for (unsigned int i = 0; i < alg.GetNumParams(); ++i) {
        before.push_back(plugin.DisplayText(i, alg.GetParamState(i)));
    }
    if (auto err = plugin.LoadPreset(file)) {
        return Report(*err);
    }
    const std::vector<double> now = Values(alg);
    std::vector<std::vector<std::string>> rows{{"parameter", "before", "after"}};
    for (unsigned int i = 0; i < alg.GetNumParams(); ++i) {
        if (now[i] != old[i]) {
            rows.push_back({alg.GetParamName(i).c_str(), before[i],
                            plugin.DisplayText(i, alg.GetParamState(i))});
        }
    }
    std::cout << "loaded " << file << '\n';
    if (rows.size() == 1) {
        std::cout << "  no parameter changed\n";
    } else {
        PrintTable(std::cout, rows);
    }
    return kExitOK;
}

}  // namespace

int RunPresets(const std::vector<std::string>& args) {
    if (WantsHelp(args)) {
        std::cout << kHelp;
        return kExitOK;
    }
    Arguments parsed;
    if (auto err = ParseArguments(args, {"--preset", "--set"}, {}, parsed)) {
        return Report(*err);
    }
    const auto& pos = parsed.positional;
    if (pos.size() < 2) {
        return Report({"presets", pos.empty() ? "missing BUNDLE" : "missing list|show|save|load",
                       kExitUsage});
    }
    const std::string& action = pos[1];
    const bool needsName = action == "show" || action == "save" || action == "load";
    if (action != "list" && !needsName) {
        const std::string near = Suggest(action, {"list", "show", "save", "load"});
        return Report({action,
                       near.empty() ? "unknown presets action (list, show, save, load)"
                                    : "unknown presets action (did you mean " + near + "?)",
                       kExitUsage});
    }
    if (needsName && pos.size() != 3) {
        return Report({"presets " + action,
                       pos.size() < 3
                           ? std::string(action == "load" ? "missing FILE" : "missing NAME")
                           : "one argument only",
                       kExitUsage});
    }
    if (!needsName && pos.size() != 2) {
        return Report({"presets list", "takes no argument", kExitUsage});
    }
    if (action != "save" && (parsed.Has("--preset") || parsed.Has("--set"))) {
        return Report({"presets " + action, "--preset and --set go with save only", kExitUsage});
    }
    Plugin plugin;
    if (auto err = plugin.Open(pos[0])) {
        return Report(*err);
    }
    if (action == "list") {
        return List(plugin);
    }
    if (action == "show") {
        return Show(plugin, pos[2]);
    }
    if (action == "save") {
        return Save(plugin, pos[2], parsed);
    }
    return Load(plugin, pos[2]);
}

}  // namespace KorvaneHost::kvhost
