// Helpers the presets tests share: a sandbox for the settings folders, the manager of an
// algorithm, and a scripted user who answers the menus and dialogs.
#pragma once

#include "korvane/algorithm/algorithm.h"
#include "korvane/core/thread_mutex.h"
#include "korvane/fm/fm_test_support.h"
#include "korvane/presets/preset_dialogs.h"
#include "korvane/presets/preset_menu.h"
#include "korvane/presets/presets_manager.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3::Preset::testing {

// The shared and the per-user data folders moved into a fresh temporary folder.
struct SettingsSandbox {
    FM::testing::TempFolder tmp;
    FM::testing::ScopedEnv shared{"KORVANE_SHARED_DATA_DIR", tmp.Path("shared")};
    FM::testing::ScopedEnv user{"XDG_DATA_HOME", tmp.Path("user")};

    [[nodiscard]] std::string SharedSettings(const std::string& leaf = "") const {
        const std::string folder = tmp.Path("shared/Korvane Audio/Plug-In Settings");
        return leaf.empty() ? folder : folder + "/" + leaf;
    }
    [[nodiscard]] std::string UserSettings(const std::string& leaf = "") const {
        const std::string folder = tmp.Path("user/Korvane Audio/Plug-In Settings");
        return leaf.empty() ? folder : folder + "/" + leaf;
    }
};

inline CPresetsManager& ManagerOf(cALGORITHM& alg) {
    const kvThread::ThreadMutexLock lock(alg.AlgLock());
    return *dynamic_cast<CPresetsManager*>(alg.GetPresetsManager());
}

// The menu as lines: "-" a separator, "[text]" a title, ">text" a sub-menu, "*" before a
// checked item, "(text)" a disabled item; two spaces per sub-menu level.
inline std::vector<std::string> Lines(const KCPresetMenuModel& menu) {
    std::vector<std::string> lines;
    for (const auto& item : menu.Items()) {
        std::string line(item.level * 2, ' ');
        switch (item.kind) {
            case KSPresetMenuItem::eSeparator:
                line += "-";
                break;
            case KSPresetMenuItem::eTitle:
                line += "[" + item.text + "]";
                break;
            case KSPresetMenuItem::eSubMenu:
                line += ">" + item.text;
                break;
            default:
                line += std::string(item.checked ? "*" : "") +
                        (item.enabled ? item.text : "(" + item.text + ")");
        }
        lines.push_back(line);
    }
    return lines;
}

// Answers every menu and dialog from a script and records what was asked. Installs its hooks
// for its lifetime.
class ScriptedUser {
public:
    ScriptedUser() {
        KSPresetMenuHooks hooks;
        hooks.popup = [this](const CPublicAlg&, const KCPresetMenuModel& menu,
                             const KCPoint2D<short>&) {
            shown.push_back(Lines(menu));
            if (choices.empty()) {
                return 0;
            }
            const std::string text = choices.front();
            choices.pop_front();
            const KSPresetMenuItem* item = menu.FindByText(text.c_str());
            if (item == nullptr) {
                missing.push_back(text);
                return 0;
            }
            return item->id;
        };
        hooks.confirm = [this](const CPublicAlg&, const char* title, const char* question,
                               const char* ok, const char* cancel) {
            questions.push_back(std::string(title) + "|" + question + "|" + ok + "|" + cancel);
            if (answers.empty()) {
                return false;
            }
            const bool answer = answers.front();
            answers.pop_front();
            return answer;
        };
        hooks.alert = [this](const CPublicAlg&, const char* message) {
            alerts.emplace_back(message);
        };
        hooks.messageLine = [this](const CPublicAlg&, const char* text) {
            messageLines.emplace_back(text);
        };
        SetPresetMenuHooks(hooks);

        KSPresetDialogs dialogs;
        dialogs.presetName = [this](const CPublicAlg&, KCFixedStringBase& name) {
            proposedNames.emplace_back(name.c_str());
            if (names.empty()) {
                return false;
            }
            std::optional<std::string> answer = names.front();
            names.pop_front();
            if (!answer) {
                return false;
            }
            if (!answer->empty()) {
                name = answer->c_str();
            }
            return true;
        };
        dialogs.openFile = [this](const CPublicAlg&, const char*, FM::KCStPath& path) {
            if (files.empty()) {
                return false;
            }
            path = FM::KCStPath(files.front().c_str());
            files.pop_front();
            return true;
        };
        dialogs.saveFile = [this](const CPublicAlg&, const char*, const char*, FM::KCStPath& path) {
            if (files.empty()) {
                return false;
            }
            path = FM::KCStPath(files.front().c_str());
            files.pop_front();
            return true;
        };
        SetPresetDialogs(dialogs);
    }
    ~ScriptedUser() {
        SetPresetMenuHooks({});
        SetPresetDialogs({});
    }
    ScriptedUser(const ScriptedUser&) = delete;
    ScriptedUser& operator=(const ScriptedUser&) = delete;

    // Script: the item texts chosen in successive popups, the names typed ("" keeps the
    // proposal, nullopt cancels), the answers to questions, the files chosen.
    std::deque<std::string> choices;
    std::deque<std::optional<std::string>> names;
    std::deque<bool> answers;
    std::deque<std::string> files;

    // Record.
    std::vector<std::vector<std::string>> shown;
    std::vector<std::string> missing;
    std::vector<std::string> questions;
    std::vector<std::string> alerts;
    std::vector<std::string> messageLines;
    std::vector<std::string> proposedNames;
};

}  // namespace kvKorvaneV10_0_3::Preset::testing
