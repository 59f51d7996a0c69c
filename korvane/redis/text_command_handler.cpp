// The text commands and their help texts.
#include "korvane/redis/text_command_handler.h"

#include "korvane/algorithm/algorithm.h"
#include "korvane/gui/standard_gui.h"
#include "korvane/redis/redis_reporter.h"
#include "korvane/undo/undo_manager.h"

#include <yaml-cpp/yaml.h>

#include <array>
#include <charconv>
#include <cmath>
#include <string>
#include <string_view>
#include <utility>

namespace kvKorvaneV10_0_3::Redis {

namespace {

std::string ScalarOf(const YAML::Node& node, const char* key) {
    if (!node.IsMap()) {
        return {};
    }
    const YAML::Node value = node[key];
    return value && value.IsScalar() ? value.Scalar() : std::string();
}

// A whole scalar as a number; false for anything else (text after the digits included).
bool ParseNumber(const std::string& text, double& out) {
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (first != last && *first == '+') {
        ++first;
    }
    const auto [end, ec] = std::from_chars(first, last, out);
    return ec == std::errc() && end == last;
}

bool ParseIndex(const std::string& text, unsigned long long& out) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size() && !text.empty();
}

std::string NumberText(double value) {
    std::array<char, 64> buffer{};
    const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return ec == std::errc() ? std::string(buffer.data(), end) : std::string();
}

std::string IntText(long long value) {
    std::array<char, 24> buffer{};
    const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return ec == std::errc() ? std::string(buffer.data(), end) : std::string();
}

constexpr const char* kExampleInstance = "kv:active_plugins:BRX Amp Stereo:13";

// A help text naming the example instance between `before` and `after`. Appended piece by piece:
// GCC 12 at -O2 mistakes an operator+ chain here for an out-of-bounds copy.
std::string ExampleHelp(std::string_view before, std::string_view after) {
    const std::string_view instance(kExampleInstance);
    std::string text;
    text.reserve(before.size() + instance.size() + after.size());
    text.append(before).append(instance).append(after);
    return text;
}

constexpr const char* kDataMapsRemark =
    " For the optional values of the output and return-value sections see \"Data sources and "
    "destinations\" in the library's Redis documentation.";

bool Always(const YAML::Node& /*document*/) {
    return true;
}

}  // namespace

// ------------------------------------------------------------------ base handler

KCKorvaneTextCommandHandler::KCKorvaneTextCommandHandler(KCKorvaneRedisReporter& reporter)
    : m_reporter(reporter) {
    KCKorvaneRedisReporter& r = m_reporter;
    register_command(
        "start-listening-to-redis-commands",
        [&r](const YAML::Node&, std::string&) {
            return r.start_listening_to_messages() || r.is_listening() ? eNoErr
                                                                       : eRedisNotConnected;
        },
        make_help(ExampleHelp("Open a thread, subscribe to redis channel and wait for text "
                              "commands. Redis channel name is the redics client names, e.g. \"",
                              "\""),
                  "{command: start-listening-to-redis-commands}"));
    register_command(
        "stop-listening-to-redis-commands",
        [&r](const YAML::Node&, std::string&) {
            r.client().unsubscribe();
            return eNoErr;
        },
        make_help("Stop listening to test commands, close the redis subscription and leave the "
                  "thread. ",
                  "{command: stop-listening-to-redis-commands}"));
    register_command(
        "set-parent-redis-reporter",
        [&r](const YAML::Node& document, std::string&) {
            const std::string parent = ScalarOf(document, "parent");
            if (parent.empty()) {
                return eRedisNoDataSource;
            }
            r.set_parent_reporter(parent.c_str());
            return eNoErr;
        },
        make_help(
            ExampleHelp("Set the name of the parent reporter. For example the child \"",
                        R"(" names its parent "kv:active_shells:Shelvox-VST3:12".)"),
            "{command: set-parent-redis-reporter, parent: kv:active_shells:Shelvox-VST3:12}"));
    register_command(
        "commands-help",
        [this](const YAML::Node&, std::string& result) {
            const std::string hash = std::string("kv:help_for_text_commands:") + class_name();
            KCRedisClient& c = m_reporter.client();
            const kvThread::ThreadMutexLock lock(c.command_mutex());
            // A hash shared by every instance of the handler: not this instance's to delete.
            const bool remembering = c.remember_keys();
            c.set_remember_keys(false);
            for (const std::string& name : m_order) {
                c.set_hash_item_pending(hash.c_str(), name.c_str(),
                                        m_commands.at(name).help.c_str());
            }
            c.set_remember_keys(remembering);
            c.commit_pending_commands();
            result = hash;
            return eNoErr;
        },
        make_help("Write to redis explanations for all text commands. ",
                  "{command: commands-help}"));
    register_command(
        "ping",
        [&r](const YAML::Node&, std::string& result) {
            result = IntText(r.increment_runtime_detail("ping", 1));
            return eNoErr;
        },
        make_help("Tell the instance to increase a counter called \"ping\" in the runtime_state "
                  "hash for that instance. ",
                  "{command: ping}"));
    register_command(
        "get-redis-instance-name",
        [&r](const YAML::Node&, std::string& result) {
            result = r.instance_name();
            return eNoErr;
        },
        make_help("Get the redis instance name. ", "{command: get-redis-instance-name}"));
}

KCKorvaneTextCommandHandler::~KCKorvaneTextCommandHandler() = default;

std::string KCKorvaneTextCommandHandler::make_help(const std::string& description,
                                                   const std::string& example,
                                                   const std::string& remark) {
    return description + "\nExample: \"" + example + "\"" + remark;
}

void KCKorvaneTextCommandHandler::register_command(const char* name, Function function,
                                                   std::string help,
                                                   std::function<bool(const YAML::Node&)> onIdle) {
    const std::string key(name);
    if (m_commands.find(key) == m_commands.end()) {
        m_order.push_back(key);
    }
    m_commands[key] = KSCommand{std::move(function), std::move(help), std::move(onIdle)};
}

const KCKorvaneTextCommandHandler::KSCommand* KCKorvaneTextCommandHandler::find(
    const std::string& name) const {
    const auto it = m_commands.find(name);
    return it != m_commands.end() ? &it->second : nullptr;
}

KTErr KCKorvaneTextCommandHandler::fallback(const std::string& /*name*/,
                                            const YAML::Node& /*document*/,
                                            std::string& /*result*/) {
    return eValueNotFound;
}

// ------------------------------------------------------------------ plug-in handler

KCPluginTextCommandHandler::KCPluginTextCommandHandler(KCPluginRedisReporter& reporter)
    : KCKorvaneTextCommandHandler(reporter), m_plugin(reporter) {
    KCPluginRedisReporter& p = m_plugin;
    register_command(
        "load-preset",
        [&p](const YAML::Node& document, std::string& result) -> KTErr {
            cALGORITHM* alg = p.alg();
            if (alg == nullptr) {
                return eMemNullPointer;
            }
            std::string data;
            if (const KTErr err = p.read_data(document["input"], data); err != eNoErr) {
                result = "input not read";
                return err;
            }
            const Utils::KCStConstMemObj chunk(data.data(), static_cast<unsigned int>(data.size()));
            if (const int err = alg->SetPresetChunk(chunk); err != eNoErr) {
                result = "preset not applied";
                return err;
            }
            BUFFER_HEADER* all = alg->UpdateAlg();
            alg->SendAndFreeBuffers(all, ProcessMemory::eSelExecuteChain, true);
            return eNoErr;
        },
        make_help("Load a preset to the [lugin.",
                  "{command: load-preset, input: {path: /a/b/c/preset.xps}, return-value: "
                  "{list-right: kv:load-preset-command results}}",
                  kDataMapsRemark));
    register_command(
        "save-preset",
        [&p](const YAML::Node& document, std::string& result) -> KTErr {
            cALGORITHM* alg = p.alg();
            if (alg == nullptr) {
                return eMemNullPointer;
            }
            Utils::KCStMemObj chunk;
            if (const int err = alg->PreparePresetChunk(chunk, false); err != eNoErr) {
                result = "no preset chunk";
                return err;
            }
            const std::string text(static_cast<const char*>(chunk.ptr), chunk.size);
            if (const KTErr err = p.write_data(text, document["output"]); err != eNoErr) {
                result = "output not written";
                return err;
            }
            return eNoErr;
        },
        make_help("Save a preset from the plugin.",
                  "{command: save-preset, output: {path: /a/b/c/preset.xps}, return-value: "
                  "{list-right: kv:save-preset-command results}}",
                  kDataMapsRemark));
    register_command(
        "report-params",
        [&p](const YAML::Node& document, std::string&) {
            std::string sortBy = ScalarOf(document, "sort-by");
            if (sortBy.empty()) {
                sortBy = ScalarOf(document, "sort");
            }
            p.report_params(sortBy.c_str());
            return eNoErr;
        },
        make_help("Report the plugin's params to redis. Params will appear under a hash keys such "
                  "as kv:active_plugins:BRX Amp Stereo:13:params:... Output can be sorted by id "
                  "or name.",
                  "{command: report-params, sort: name}"));
    register_command(
        "set-controller-value",
        [&p](const YAML::Node& document, std::string& result) -> KTErr {
            cALGORITHM* alg = p.alg();
            if (alg == nullptr) {
                return eMemNullPointer;
            }
            unsigned long long index = 0;
            if (!ParseIndex(ScalarOf(document, "controller"), index) ||
                index >= alg->GetNumParams()) {
                result = "controller index out of range";
                return eOutOfRangeNumber;
            }
            double value = 0.0;
            if (!ParseNumber(ScalarOf(document, "value"), value) || !std::isfinite(value)) {
                result = "value is not a finite number";
                return eNotANumber;
            }
            BUFFER_HEADER* chain =
                alg->UpdateParamRealWorld(static_cast<unsigned int>(index), value);
            alg->SendAndFreeBuffers(chain, ProcessMemory::eSelPostChain, true);
            return eNoErr;
        },
        make_help("Set the value of a specific plugin controller.",
                  "{command: set-controller-value, controller: 17, value: 12.36}"));
    register_command(
        "change-active-setup",
        [&p](const YAML::Node& document, std::string& result) -> KTErr {
            cALGORITHM* alg = p.alg();
            if (alg == nullptr) {
                return eMemNullPointer;
            }
            const std::string setup = ScalarOf(document, "setup");
            if (setup == "A") {
                alg->ChangeActiveSetup(eSetupA);
            } else if (setup == "B") {
                alg->ChangeActiveSetup(eSetupB);
            } else if (setup == "toggle" || setup == "Toggle") {
                alg->ToggleActiveSetup(eActiveSetup);
            } else {
                result = "setup must be A, B or toggle";
                return eFMWrongParameters;
            }
            result = alg->GetActiveSetup() == eSetupA ? "A" : "B";
            return eNoErr;
        },
        make_help("Change the active setup of the plugin to either A, B or toggle to the next one.",
                  "{command: change-active-setup, setup: A}",
                  ", values for setup section can be either A, B or Toggle"));
    register_command(
        "record-undo",
        [&p](const YAML::Node&, std::string& result) -> KTErr {
            auto* gui =
                p.alg() != nullptr ? dynamic_cast<CStandardGUI_X*>(p.alg()->GetGUI()) : nullptr;
            if (gui == nullptr || gui->GetUndoManager() == nullptr) {
                result = gui == nullptr ? KCPluginRedisReporter::kNoGUIMessage : "no undo manager";
                return eSomeThingNotInitailzed;
            }
            gui->GetUndoManager()->addEvent("UndoFromTextCommand");
            gui->RecordUndo(Undo::eInsertNoMerge, Undo::eUndoTypeParameters);
            return eNoErr;
        },
        make_help("Record an undo event.", "{command: record-undo}"), &Always);
    register_command(
        "report-controls",
        [&p](const YAML::Node& document, std::string& result) -> KTErr {
            std::string sortBy = ScalarOf(document, "sort-by");
            if (sortBy.empty()) {
                sortBy = ScalarOf(document, "sort");
            }
            const KTErr err =
                p.report_controls(ScalarOf(document, "which").c_str(), sortBy.c_str());
            if (err == eSomeThingNotInitailzed) {
                result = KCPluginRedisReporter::kNoGUIMessage;
            } else if (err != eNoErr) {
                result = "which must be auto or gui";
            }
            return err;
        },
        make_help("Report the plugin's controls to redis. Controls will appear under a hash keys "
                  "such as kv:active_plugins:BRX Amp Stereo:13:controls:automation|gui:....",
                  "{command: report-controls, which: auto, sort-by: name}",
                  ", values for which section can be either auto, or gui, values for sort section "
                  "can be name or id"),
        [](const YAML::Node& document) { return ScalarOf(document, "which") == "gui"; });

    const std::pair<const char*, std::pair<const char*, const char*>> chainer[] = {
        {"add-child-plugin",
         {"Insert child plugis to chainer's slot.", "{command: add-child-plugin, slot: 1}"}},
        {"remove-child-plugin",
         {"Remove child plugin from chainer's slot.", "{command: remove-child-plugin, slot: 1}"}},
        {"move-child-plugin",
         {"Move child plugin from slot to slot.",
          "{command: move-child-plugin, src_slot: 1, dst_slot: 3}"}},
        {"enable-child-plugin",
         {"Enable child plugin.", "{command: enable-child-plugin, slot: 1}"}},
        {"disable-child-plugin",
         {"Disable child plugin.", "{command: disable-child-plugin, src_slot: 1}"}},
        {"select-child-plugin",
         {"Select child plugin and show it's GUI.",
          "{command: disable-child-plugin, src_slot: 1}"}},
        {"hide-child-plugin",
         {"Hides child's plugin GUI.", "{command: disable-child-plugin, src_slot: 1}"}},
        {"toggle-offload",
         {"Toggle from Native to Gridora instance.",
          "{command: disable-child-plugin, src_slot: 1}"}},
    };
    for (const auto& [name, help] : chainer) {
        const std::string command(name);
        register_command(
            name,
            [&p, command](const YAML::Node& document, std::string& result) -> KTErr {
                if (p.alg() == nullptr) {
                    return eMemNullPointer;
                }
                return p.alg()->HandleRedisTextCommandForChainer(command.c_str(),
                                                                 YAML::Dump(document), result);
            },
            make_help(help.first, help.second), &Always);
    }

    register_command(
        "plugin-value",
        [&p](const YAML::Node& document, std::string& result) -> KTErr {
            cALGORITHM* alg = p.alg();
            if (alg == nullptr) {
                return eMemNullPointer;
            }
            const std::string key = ScalarOf(document, "key");
            if (key == "keys") {
                result =
                    "keys; num_params; active_setup; params:<index>:name; "
                    "params:<index>:state; params:<index>:realworld; params:<index>:value";
            } else if (key == "num_params") {
                result = IntText(alg->GetNumParams());
            } else if (key == "active_setup") {
                result = alg->GetActiveSetup() == eSetupA ? "A" : "B";
            } else if (key.rfind("params:", 0) == 0) {
                const std::size_t colon = key.find(':', 7);
                unsigned long long index = 0;
                if (colon == std::string::npos || !ParseIndex(key.substr(7, colon - 7), index) ||
                    index >= alg->GetNumParams()) {
                    result = "no such parameter";
                    return eOutOfRangeNumber;
                }
                const std::string what = key.substr(colon + 1);
                const kvThread::ThreadMutexLock lock(alg->AlgLock());
                const sCONTROL_PARAM& param = alg->GetParam(static_cast<unsigned int>(index));
                if (what == "name") {
                    result = param.GetName().c_str();
                } else if (what == "state") {
                    result = NumberText(param.GetState(eActiveSetup));
                } else if (what == "realworld") {
                    result = NumberText(param.GetRealWorld(eActiveSetup));
                } else if (what == "value") {
                    result = param.GetValueString().c_str();
                } else {
                    result = "unknown key";
                    return eValueNotFound;
                }
            } else {
                result = "unknown key";
                return eValueNotFound;
            }
            if (document["output"]) {
                return p.write_data(result, document["output"]);
            }
            return eNoErr;
        },
        make_help("Get an internal value of the plugin.",
                  "{command: plugin-value, key: params:18:realworld}",
                  " for a list of available keys call\"{command: plugin-value, key: keys}\""));
    register_command(
        "DeSelectAllControls",
        [&p](const YAML::Node&, std::string& result) -> KTErr {
            auto* gui =
                p.alg() != nullptr ? dynamic_cast<CStandardGUI_X*>(p.alg()->GetGUI()) : nullptr;
            if (gui == nullptr) {
                result = KCPluginRedisReporter::kNoGUIMessage;
                return eSomeThingNotInitailzed;
            }
            gui->GetSelectionHome().ClearSelection();
            return eNoErr;
        },
        make_help("DeSelects all controls in plugin.", "{command: DeSelectAllControls}"), &Always);
    register_command(
        "get-guid",
        [&p](const YAML::Node&, std::string& result) -> KTErr {
            if (p.alg() == nullptr) {
                return eMemNullPointer;
            }
            result = p.alg()->GetComponentInfo().componentGUID.c_str();
            return eNoErr;
        },
        make_help("Returns the GUID of the plugin.", "{command: get-guid}"));
}

}  // namespace kvKorvaneV10_0_3::Redis
