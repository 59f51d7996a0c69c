// The reporters: instance details, text command execution, parameter and control hashes.
#include "korvane/redis/redis_reporter.h"

#include "korvane/algorithm/algorithm.h"
#include "korvane/gui/standard_gui.h"
#include "korvane/presets/presets_manager.h"
#include "korvane/redis/redis_paths.h"
#include "korvane/scan/component_info.h"

#include <yaml-cpp/yaml.h>

#include <array>
#include <charconv>
#include <exception>
#include <functional>
#include <initializer_list>
#include <iostream>
#include <mutex>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

namespace kvKorvaneV10_0_3::Redis {

namespace {

std::mutex g_configMutex;
std::string g_configOverride;

std::string IntText(long long value) {
    std::array<char, 24> buffer{};
    const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return ec == std::errc() ? std::string(buffer.data(), end) : std::string();
}

std::string FourCCText(KCFourCC code) {
    std::string text(4, ' ');
    const std::uint32_t v = code.Value();
    for (int i = 0; i < 4; ++i) {
        text[static_cast<std::size_t>(i)] = static_cast<char>((v >> (24 - 8 * i)) & 0xFF);
    }
    return text;
}

std::string ScalarOf(const YAML::Node& node, const char* key) {
    if (!node.IsMap()) {
        return {};
    }
    const YAML::Node value = node[key];
    return value && value.IsScalar() ? value.Scalar() : std::string();
}

// Numbers as the stack writes them, joined with "; " (one per setup, say).
std::string JoinNumbers(std::initializer_list<double> values) {
    KTRedisStack stack;
    std::string out;
    for (const double v : values) {
        stack.clear();
        KCRedisConnection::append_key_value_to_stack(stack, "v", v);
        out += (out.empty() ? "" : "; ") + std::string(stack.front().second.c_str());
    }
    return out;
}

std::string JoinIntegers(const std::vector<long long>& values) {
    std::string out;
    for (const long long v : values) {
        out += (out.empty() ? "" : "; ") + IntText(v);
    }
    return out;
}

// "<type>; <orientation>; <name>=<value>; ..." of a control-surface description.
std::string SurfaceDisplayText(const KCControlSurfaceDisplay& surface) {
    std::string out = std::string(surface.type.c_str()) + "; " + IntText(surface.orientation);
    for (const auto& entry : surface.displays) {
        out += "; " + std::string(entry.name.c_str()) + "=" + IntText(entry.value);
    }
    return out;
}

// "<instance><kind><suffix>", e.g. "kv:active_plugins:EQ:3:params:7".
KTRedisKey ParamKeyName(const char* instance, const char* kind, const std::string& suffix) {
    const std::string text = std::string(instance) + kind + suffix;
    KTRedisKey key(text.c_str());
    return key;
}

}  // namespace

// ------------------------------------------------------------------ KCKorvaneRedisReporter

KCKorvaneRedisReporter::KCKorvaneRedisReporter(const char* name, const char* category)
    : m_client(name, category),
      m_handler(std::make_unique<KCKorvaneTextCommandHandler>(*this)),
      m_roots(DefaultTextCommandPathRoots()) {
    if (const std::string path = config_file_for_new_reporters(); !path.empty()) {
        m_client.set_config_file_path(path.c_str());
    }
    if (is_redis_reporting_enabled()) {
        static_cast<void>(m_client.connect());
    }
}

KCKorvaneRedisReporter::~KCKorvaneRedisReporter() {
    stop_listening_to_messages();
    m_client.disconnect();
}

bool KCKorvaneRedisReporter::IsValidSelf() const {
    return m_client.is_connected();
}

void KCKorvaneRedisReporter::set_config_file_for_new_reporters(const char* path) {
    const std::lock_guard<std::mutex> lock(g_configMutex);
    g_configOverride = path != nullptr ? path : "";
}

std::string KCKorvaneRedisReporter::config_file_for_new_reporters() {
    const std::lock_guard<std::mutex> lock(g_configMutex);
    return g_configOverride;
}

bool KCKorvaneRedisReporter::is_redis_reporting_enabled() {
    return !config_file_for_new_reporters().empty() || KCRedisClient::is_redis_enabled();
}

KTErr KCKorvaneRedisReporter::connect() {
    const KTErr err = m_client.connect();
    if (err == eNoErr) {
        report_instance_self();
    }
    return err;
}

void KCKorvaneRedisReporter::report_instance_detail(const char* field, const char* value) {
    m_client.set_hash_item_now(instance_name(), field, value);
}

void KCKorvaneRedisReporter::report_runtime_detail(const char* field, const char* value) {
    if (is_connected()) {
        report_instance_detail(field, value);
    }
}

void KCKorvaneRedisReporter::report_runtime_detail(const char* field, double value) {
    KTRedisStack stack;
    KCRedisConnection::append_key_value_to_stack(stack, field, value);
    report_runtime_detail(field, stack.front().second.c_str());
}

void KCKorvaneRedisReporter::report_runtime_detail(const char* field, long long value) {
    report_runtime_detail(field, IntText(value).c_str());
}

void KCKorvaneRedisReporter::report_runtime_detail(const char* field, bool value) {
    report_runtime_detail(field, value ? "true" : "false");
}

long long KCKorvaneRedisReporter::increment_runtime_detail(const char* field, long long by) {
    return m_client.increment_hash_value(instance_name(), field, by);
}

void KCKorvaneRedisReporter::report_ComponentInfo(const char* key, const KorvaneComponentInfo& info,
                                                  bool now) {
    KTRedisStack stack;
    auto add = [&stack](const char* field, const std::string& value) {
        KCRedisConnection::append_key_value_to_stack(stack, field, value.c_str());
    };
    add("shortName", info.shortName.c_str());
    add("component_type", FourCCText(info.componentType));
    add("component_subtype", FourCCText(info.componentSubType));
    add("process_function_name", "");
    add("outputs", IntText(info.numOutputs));
    add("total_inputs", IntText(info.numInputs));
    add("sidechain_inputs", IntText(0));
    add("path", info.pluginFilePath.c_str());
    add("affiliation", FourCCText(info.componentAffiliation));
    add("external_version", info.pluginExternalVersion.c_str());
    add("internal_version", info.pluginInternalVersion.GetString(4).c_str());
    add("api_version", info.pluginAPIVersion.GetString(4).c_str());
    if (now) {
        m_client.set_hash_from_stack_now(key, stack);
    } else {
        m_client.set_hash_from_stack_pending(key, stack);
    }
}

void KCKorvaneRedisReporter::set_parent_reporter(const char* parentName) {
    m_parent = parentName != nullptr ? parentName : "";
    report_runtime_detail("parent redis key", m_parent.c_str());
}

std::string KCKorvaneRedisReporter::get_feature_value(const char* name) {
    const std::string key = std::string("kv:feature:") + (name != nullptr ? name : "");
    return m_client.get_value(key.c_str()).c_str();
}

bool KCKorvaneRedisReporter::get_feature_bool(const char* name) {
    return get_feature_value(name) == "true";
}

bool KCKorvaneRedisReporter::is_feature_enabled(void* reporter, const char* name) {
    return reporter != nullptr &&
           static_cast<KCKorvaneRedisReporter*>(reporter)->get_feature_bool(name);
}

void KCKorvaneRedisReporter::add_child(const char* slot, const char* childInstance) {
    if (slot == nullptr || childInstance == nullptr) {
        return;
    }
    {
        const kvThread::ThreadMutexLock lock(m_mutex);
        m_children[slot] = childInstance;
    }
    const KTRedisKey key = ParamKeyName(instance_name(), ":children", "");
    m_client.set_hash_item_now(key.c_str(), slot, childInstance);
}

void KCKorvaneRedisReporter::add_slot(const char* slot) {
    if (slot == nullptr) {
        return;
    }
    {
        const kvThread::ThreadMutexLock lock(m_mutex);
        m_slots.emplace_back(slot);
    }
    const KTRedisKey key = ParamKeyName(instance_name(), ":slots", "");
    m_client.add_set_item_now(key.c_str(), slot);
}

std::string KCKorvaneRedisReporter::get_child(const char* slot) const {
    if (slot == nullptr) {
        return {};
    }
    const kvThread::ThreadMutexLock lock(m_mutex);
    const auto it = m_children.find(slot);
    return it != m_children.end() ? it->second : std::string();
}

void KCKorvaneRedisReporter::remove_child(const char* slot) {
    if (slot == nullptr) {
        return;
    }
    {
        const kvThread::ThreadMutexLock lock(m_mutex);
        m_children.erase(slot);
    }
    const KTRedisKey key = ParamKeyName(instance_name(), ":children", "");
    m_client.del_hash_item_now(key.c_str(), slot);
}

void KCKorvaneRedisReporter::remove_slot(const char* slot) {
    if (slot == nullptr) {
        return;
    }
    {
        const kvThread::ThreadMutexLock lock(m_mutex);
        std::erase(m_slots, std::string(slot));
    }
    const KTRedisKey key = ParamKeyName(instance_name(), ":slots", "");
    m_client.remove_value_from_set_now(key.c_str(), slot);
}

void KCKorvaneRedisReporter::set_path_roots(std::vector<std::string> roots) {
    const kvThread::ThreadMutexLock lock(m_mutex);
    m_roots = std::move(roots);
}

void KCKorvaneRedisReporter::add_path_root(const char* folder) {
    const kvThread::ThreadMutexLock lock(m_mutex);
    m_roots.emplace_back(folder);
}

std::vector<std::string> KCKorvaneRedisReporter::path_roots() const {
    const kvThread::ThreadMutexLock lock(m_mutex);
    return m_roots;
}

KTErr KCKorvaneRedisReporter::read_data(const YAML::Node& source, std::string& out) {
    out.clear();
    if (source.IsMap() && source["path"]) {
        return ReadTextCommandFile(ScalarOf(source, "path"), path_roots(), out);
    }
    return m_client.read_data(source, out);
}

KTErr KCKorvaneRedisReporter::write_data(const std::string& value, const YAML::Node& destination) {
    if (!destination.IsMap()) {
        return eRedisNoDataSource;
    }
    if (destination["path"]) {
        if (const KTErr written =
                WriteTextCommandFile(ScalarOf(destination, "path"), path_roots(), value);
            written != eNoErr) {
            return written;
        }
    }
    return m_client.write_data(value, destination);
}

void KCKorvaneRedisReporter::finalize_redis_report() {
    m_client.commit_pending_commands();
}

bool KCKorvaneRedisReporter::start_listening_to_messages() {
    if (!is_connected()) {
        return false;
    }
    return m_client.subscribe(instance_name(), &KCKorvaneRedisReporter::subscription_callback,
                              this);
}

void KCKorvaneRedisReporter::stop_listening_to_messages() {
    m_client.unsubscribe();
    const kvThread::ThreadMutexLock lock(m_mutex);
    m_idleQueue.clear();
}

bool KCKorvaneRedisReporter::subscription_callback(const char* channel, const char* message,
                                                   void* reporter) {
    return static_cast<KCKorvaneRedisReporter*>(reporter)->handle_message_from_redis_subscription(
        channel, message);
}

bool KCKorvaneRedisReporter::handle_message_from_redis_subscription(const char* channel,
                                                                    const char* message) {
    return handle_message_from_redis_subscription_self(channel != nullptr ? channel : "",
                                                       message != nullptr ? message : "");
}

bool KCKorvaneRedisReporter::handle_message_from_redis_subscription_self(const char* /*channel*/,
                                                                         const char* message) {
    execute_message(message, false);
    return true;
}

void KCKorvaneRedisReporter::set_handler(std::unique_ptr<KCKorvaneTextCommandHandler> handler) {
    m_handler = std::move(handler);
}

void KCKorvaneRedisReporter::run_queued_commands() {
    for (;;) {
        std::string message;
        {
            const kvThread::ThreadMutexLock lock(m_mutex);
            if (m_idleQueue.empty()) {
                return;
            }
            message = std::move(m_idleQueue.front());
            m_idleQueue.pop_front();
        }
        execute_message(message, true);
    }
}

std::size_t KCKorvaneRedisReporter::queued_command_count() const {
    const kvThread::ThreadMutexLock lock(m_mutex);
    return m_idleQueue.size();
}

void KCKorvaneRedisReporter::execute_message(const std::string& message, bool fromIdle) {
    // Nothing a message holds may end the thread that runs it.
    try {
        const std::vector<YAML::Node> documents = YAML::LoadAll(message);
        for (const YAML::Node& document : documents) {
            std::string text;
            KTErr err = eNoErr;
            try {
                text = YAML::Dump(document);
                err = execute_document(document, fromIdle, text);
            } catch (const std::exception& e) {
                err = eExceptionErr;
                write_reply(document, err, {}, e.what());
            } catch (...) {
                err = eExceptionErr;
                write_reply(document, err, {}, "unknown exception");
            }
            if (err == eNoErr && text.empty()) {
                continue;  // queued for the idle call: recorded when it runs
            }
            report_runtime_detail("last_text_command", message.c_str());
            report_runtime_detail("last_text_command_retVal", static_cast<long long>(err));
            increment_runtime_detail("num_text_commands", 1);
        }
    } catch (const std::exception& e) {
        // The message itself did not parse: no document to answer, so the error is recorded.
        report_runtime_detail("last_text_command", message.c_str());
        report_runtime_detail("last_text_command_retVal", static_cast<long long>(eExceptionErr));
        report_runtime_detail("last_text_command_error", e.what());
        increment_runtime_detail("num_text_commands", 1);
    } catch (...) {
        report_runtime_detail("last_text_command_retVal", static_cast<long long>(eExceptionErr));
    }
}

KTErr KCKorvaneRedisReporter::execute_document(const YAML::Node& document, bool fromIdle,
                                               std::string& replyText) {
    const std::string name = ScalarOf(document, "command");
    if (name.empty()) {
        write_reply(document, eRedisNoDataSource, {}, "no command");
        return eRedisNoDataSource;
    }
    const KCKorvaneTextCommandHandler::KSCommand* command = m_handler->find(name);
    std::string result;
    if (command == nullptr) {
        std::cout << "Unknown text command: " << name << '\n';
        const KTErr err = m_handler->fallback(name, document, result);
        if (err == eNoErr) {
            write_reply(document, err, result, {});
        }
        return err;
    }
    if (!fromIdle && command->onIdle && command->onIdle(document)) {
        if (!idle_call_expected()) {
            std::string message;
            const KTErr err = refuse_idle_command(name, message);
            write_reply(document, err, {}, message);
            return err;
        }
        {
            const kvThread::ThreadMutexLock lock(m_mutex);
            // A host that never calls idle must not collect commands without end.
            if (m_idleQueue.size() < kMaxQueuedCommands) {
                m_idleQueue.push_back(replyText);
                replyText.clear();
                return eNoErr;
            }
        }
        write_reply(document, eMemBuffTooShort, {}, "idle queue full");
        return eMemBuffTooShort;
    }
    // A file destination is checked before the command runs: a refused one runs nothing.
    const YAML::Node returnValue = document["return-value"];
    if (returnValue && returnValue.IsMap() && returnValue["path"]) {
        std::string root;
        std::string relative;
        if (const KTErr err =
                ConfineTextCommandPath(ScalarOf(returnValue, "path"), path_roots(), root, relative);
            err != eNoErr) {
            write_reply(document, err, {}, "path refused");
            return err;
        }
    }
    const KTErr err = command->function(document, result);
    write_reply(document, err, result, err != eNoErr ? result : std::string());
    return err;
}

KTErr KCKorvaneRedisReporter::refuse_idle_command(const std::string& /*name*/,
                                                  std::string& message) {
    message = "no idle call";
    return eSomeThingNotInitailzed;
}

void KCKorvaneRedisReporter::write_reply(const YAML::Node& document, KTErr err,
                                         const std::string& result, const std::string& errorText) {
    if (!document.IsMap()) {
        return;
    }
    const YAML::Node returnValue = document["return-value"];
    if (!returnValue || !returnValue.IsMap()) {
        return;
    }
    const std::string commandId = ScalarOf(returnValue, "command-id");
    std::string value;
    if (err == eNoErr && commandId.empty()) {
        value = result;
    } else {
        YAML::Emitter out;
        out << YAML::Flow << YAML::BeginMap;
        if (!commandId.empty()) {
            out << YAML::Key << "command-id" << YAML::Value << commandId;
        }
        if (err == eNoErr) {
            out << YAML::Key << "result" << YAML::Value << result;
        } else {
            out << YAML::Key << "error" << YAML::Value << IntText(err);
            out << YAML::Key << "message" << YAML::Value << errorText;
        }
        out << YAML::EndMap;
        value = out.c_str();
    }
    YAML::Node destination = YAML::Clone(returnValue);
    if (err != eNoErr) {
        destination.remove("path");  // an error is never written over a file
    }
    if (destination["path"]) {
        if (const KTErr written = write_data(value, destination); written != eNoErr) {
            // The file could not take the result: the caller still hears why.
            destination.remove("path");
            write_reply(document, written, {}, "path not written");
        }
        return;
    }
    m_client.write_data(value, destination);
}

// ------------------------------------------------------------------ KCPluginRedisReporter

namespace {

const char* PluginName(const KorvaneComponentInfo& info) {
    if (!info.pluginName.empty()) {
        return info.pluginName.c_str();
    }
    return !info.shortName.empty() ? info.shortName.c_str() : "plugin";
}

std::unique_ptr<KCRedisReporterAbs> MakeReporter(cALGORITHM& alg) {
    if (!KCKorvaneRedisReporter::is_redis_reporting_enabled()) {
        return nullptr;
    }
    auto reporter = std::make_unique<KCPluginRedisReporter>(alg.GetComponentInfo(), &alg);
    // The user's preset folder is a place presets may be loaded from and saved to.
    FM::KCStPath settings;
    {
        const kvThread::ThreadMutexLock lock(alg.AlgLock());
        if (const auto* manager =
                dynamic_cast<const Preset::CPresetsManager*>(alg.GetPresetsManager());
            manager != nullptr && manager->CreatePathToPluginSettingsFolder(settings) == eNoErr) {
            reporter->add_path_root(settings.GetPosixPathString().c_str());
        }
    }
    return reporter;
}

const bool g_installed = [] {
    KCPluginRedisReporter::InstallFactory();
    return true;
}();

}  // namespace

void KCPluginRedisReporter::InstallFactory() {
    KCRedisReporterAbs::SetFactory(&MakeReporter);
}

KCPluginRedisReporter::KCPluginRedisReporter(const KorvaneComponentInfo& info, cALGORITHM* alg)
    : KCKorvaneRedisReporter(PluginName(info), "active_plugins"), m_alg(alg) {
    static_cast<void>(g_installed);
    set_handler(std::make_unique<KCPluginTextCommandHandler>(*this));
    if (is_connected()) {
        report_instance();
    }
}

KCPluginRedisReporter::~KCPluginRedisReporter() {
    // The thread runs the plug-in's commands: it ends before this part of the object does.
    stop_listening_to_messages();
}

void KCPluginRedisReporter::report_instance() {
    if (!is_connected()) {
        return;
    }
    if (m_alg != nullptr) {
        report_ComponentInfo(instance_name(), m_alg->GetComponentInfo(), true);
        report_instance_detail("process_function_name", m_alg->GetProcessFuncName().c_str());
    }
    report_instance_detail("is chainer", m_isChainer ? "true" : "false");
}

bool KCPluginRedisReporter::idle_call_expected() const {
    return m_alg != nullptr && m_alg->HasGUI();
}

KTErr KCPluginRedisReporter::refuse_idle_command(const std::string& name, std::string& message) {
    if (name == "report-controls" && is_connected()) {
        // What the report of GUI controls writes when it finds no GUI.
        const KTRedisKey key = ParamKeyName(instance_name(), ":gui_not_initialized", "");
        client().set_value_now(key.c_str(), "true");
    }
    message = kNoGUIMessage;
    return eSomeThingNotInitailzed;
}

void KCPluginRedisReporter::report_records(
    const char* kind, const char* sortBy, bool underAlgLock,
    const std::function<unsigned int()>& count,
    const std::function<const KCFixedStringBase*(unsigned int)>& nameOf,
    void (KCPluginRedisReporter::*append)(unsigned int)) {
    const bool byName = sortBy != nullptr && std::string_view(sortBy) == "name";
    KCRedisClient& c = client();
    // The command lock first, as everywhere: the records go out as one pipelined batch.
    const kvThread::ThreadMutexLock commandLock(c.command_mutex());
    std::optional<kvThread::ThreadMutexLock> algLock;
    if (underAlgLock) {
        algLock.emplace(m_alg->AlgLock());
    }
    const std::string prefix = std::string(instance_name()) + kind;
    const unsigned int n = count();
    for (unsigned int i = 0; i < n; ++i) {
        const KCFixedStringBase* name = nameOf(i);
        if (name == nullptr) {
            continue;
        }
        c.clear_stack();
        (this->*append)(i);
        const std::string key = prefix + (byName ? std::string(name->c_str()) : IntText(i));
        c.set_hash_from_stack_pending(key.c_str());
    }
    c.commit_pending_commands();
}

void KCPluginRedisReporter::report_params(const char* sortBy) {
    if (m_alg == nullptr || !is_connected()) {
        return;
    }
    report_records(
        ":params:", sortBy, true, [this] { return m_alg->GetNumParams(); },
        [this](unsigned int i) -> const KCFixedStringBase* {
            const kvThread::ThreadMutexLock lock(m_alg->AlgLock());  // held: re-entrant
            return &m_alg->GetParam(i).GetName();
        },
        &KCPluginRedisReporter::append_param_to_stack);
}

void KCPluginRedisReporter::append_param_to_stack(unsigned int index) {
    KCRedisClient& c = client();
    // Re-entrant: the report already holds it; taken here so the record is read whole by itself.
    const kvThread::ThreadMutexLock algLock(m_alg->AlgLock());
    const sCONTROL_PARAM& p = m_alg->GetParam(index);
    const EPluginSetup active = m_alg->GetActiveSetup();
    c.append_key_value_to_stack("name", p.GetName());
    c.append_key_value_to_stack("id", static_cast<long long>(index));
    c.append_current_time_to_stack("time");
    c.append_key_value_to_stack("bDisabled", p.GetDisabledMode(active) != 0);
    c.append_key_value_to_stack("dState", p.GetState(active));
    c.append_key_value_to_stack("dRealWorld", p.GetRealWorld(active));
    c.append_key_value_to_stack("dInitialState", p.GetInitialState());
    c.append_key_value_to_stack("dInitialRealWorld", p.GetInitialRealWorld());
    c.append_key_value_to_stack("dResetState", p.GetResetState());
    c.append_key_value_to_stack("dResetRealWorld", p.GetResetRealWorld());
    const char* type = "unknown";
    switch (p.GetType()) {
        case eParamContinuous:
            type = "eParamTypeContinuous";
            break;
        case eParamDiscrete:
            type = "eParamTypeDiscrete";
            break;
        case eParamUnscaled:
            type = "eParamTypeNotSet";
            break;
    }
    c.append_key_value_to_stack("ParamType", type);
    double a = 0.0;
    double b = 0.0;
    double sc = 0.0;
    double resolution = 0.0;
    p.GetScaleGeneric(a, b, sc, resolution);
    c.append_key_value_to_stack("ScaleInfo.a", a);
    c.append_key_value_to_stack("ScaleInfo.b", b);
    c.append_key_value_to_stack("ScaleInfo.c", sc);
    c.append_key_value_to_stack("ScaleInfo.Quantize", resolution);
    c.append_key_value_to_stack("ScaleInfo.OverQuantize", 0.0);
    c.append_key_value_to_stack(
        "m_dvRealWorld", JoinNumbers({p.GetRealWorld(eSetupA), p.GetRealWorld(eSetupB)}).c_str());
    c.append_key_value_to_stack("m_dvState",
                                JoinNumbers({p.GetState(eSetupA), p.GetState(eSetupB)}).c_str());
    c.append_key_value_to_stack("mLabelString", p.GetLabelString());
    c.append_key_value_to_stack("mUnitsString", p.GetUnitsString());
    c.append_key_value_to_stack("mValueString", p.GetValueString());
    c.append_key_value_to_stack("ToUpdate", static_cast<long long>(p.GetUpdateLevel()));
    int image = 0;
    int subImage = 0;
    p.GetCurrentImageIndexes(image, subImage);
    c.append_key_value_to_stack("m_lCurrentImageIndex", static_cast<long long>(image));
    c.append_key_value_to_stack("m_lCurrentImageSubIndex", static_cast<long long>(subImage));
    // Functions and owned objects are told as present or not: their addresses are nobody's
    // business on a server any local process can read.
    c.append_key_value_to_stack("m_pGraphData", p.GetGraphDataObject(active) != nullptr);
    c.append_key_value_to_stack("dMouseAcceleration", p.GetMouseAccelerationValue());
    c.append_key_value_to_stack("m_scale_type", p.GetScaleType());
    c.append_key_value_to_stack("ScaleFunc", p.GetScaleFunc() != nullptr);
    c.append_key_value_to_stack("InverseScaleFunc", p.GetInverseScaleFunc() != nullptr);
    c.append_key_value_to_stack("m_nStatesNum", static_cast<long long>(p.GetNumStates()));
    c.append_key_value_to_stack("m_dStateStep", p.GetStateStep());
    c.append_key_value_to_stack("m_sDisplayFuncName", p.GetDisplayFuncName());
    std::string displayNames;
    for (const auto& text : p.GetDisplayStrings()) {
        displayNames += (displayNames.empty() ? "" : "; ") + std::string(text.c_str());
    }
    c.append_key_value_to_stack("m_svDisplayNames", displayNames.c_str());
    c.append_key_value_to_stack("vfpMouseDeltaFunc", p.GetMouseDeltaFunc() != nullptr);
    c.append_key_value_to_stack("m_dOriginalDragState", p.GetDragStartState());
    c.append_key_value_to_stack("m_dOriginalDragRealWorld", p.GetDragStartRealWorld());
    // The controls showing the parameter, by the registration each shows it through.
    const auto& controllers = p.GetControllers();
    std::vector<long long> tags;
    tags.reserve(controllers.size());
    for (const auto& controller : controllers) {
        tags.push_back(controller.second);
    }
    c.append_key_value_to_stack("m_uiBatchIndex", tags.empty() ? -1LL : tags.front());
    c.append_key_value_to_stack("m_uiControlIndex", static_cast<long long>(tags.size()));
    c.append_key_value_to_stack("m_vSubViewIndexes", JoinIntegers(tags).c_str());
}

KTErr KCPluginRedisReporter::report_controls(const char* which, const char* sortBy) {
    const std::string_view kind = which != nullptr ? which : "";
    if (kind == "auto") {
        report_automation_controls(sortBy);
        return eNoErr;
    }
    if (kind == "gui") {
        report_gui_controls(sortBy);
        return m_alg != nullptr && dynamic_cast<CStandardGUI_X*>(m_alg->GetGUI()) != nullptr
                   ? eNoErr
                   : eSomeThingNotInitailzed;
    }
    return eFMWrongParameters;
}

void KCPluginRedisReporter::report_automation_controls(const char* sortBy) {
    if (m_alg == nullptr || !is_connected()) {
        return;
    }
    report_records(
        ":automation_controls:", sortBy, true,
        [this] { return m_alg->GetNumAutomationControllers(); },
        [this](unsigned int i) -> const KCFixedStringBase* {
            const KCAutomationControl* control = m_alg->GetAutomationControl(i);
            return control != nullptr ? &control->GetName() : nullptr;
        },
        &KCPluginRedisReporter::append_automation_control_to_stack);
}

void KCPluginRedisReporter::append_automation_control_to_stack(unsigned int index) {
    KCRedisClient& c = client();
    const KCAutomationControl* control = m_alg->GetAutomationControl(index);
    if (control == nullptr) {
        return;
    }
    c.append_key_value_to_stack("id", static_cast<long long>(index));
    c.append_current_time_to_stack("time");
    c.append_key_value_to_stack("name", control->GetName());
    c.append_key_value_to_stack("m_iLeadAutomatedParam",
                                static_cast<long long>(control->GetLeadParamIndex()));
    const auto& registrations = control->GetRegistrations();
    std::vector<long long> params;
    params.reserve(registrations.size());
    for (const auto& registration : registrations) {
        params.push_back(registration.paramID);
    }
    c.append_key_value_to_stack("num_registered_params", static_cast<long long>(params.size()));
    c.append_key_value_to_stack("registered_params", JoinIntegers(params).c_str());
    c.append_key_value_to_stack("m_automationRefCon1",
                                static_cast<long long>(control->GetAutomationRefCon1()));
    c.append_key_value_to_stack("m_automationRefCon2",
                                static_cast<long long>(control->GetAutomationRefCon2()));
    c.append_key_value_to_stack("m_Touched", control->GetTouched());
    c.append_key_value_to_stack("m_bMIDILearnMode", control->GetMIDILearnMode());
    c.append_key_value_to_stack("m_lMIDIEventType",
                                static_cast<long long>(control->GetMIDIEventType()));
    c.append_key_value_to_stack("m_lMIDIControlID",
                                static_cast<long long>(control->GetMIDIControlID()));
    c.append_key_value_to_stack("m_lMIDIGroup", static_cast<long long>(control->GetMIDIGroup()));
    c.append_key_value_to_stack("m_lMIDIChannel",
                                static_cast<long long>(control->GetMIDIChannel()));
    c.append_key_value_to_stack("m_ControlSurfaceDisplay",
                                SurfaceDisplayText(control->GetControlSurfaceDisplay()).c_str());
}

void KCPluginRedisReporter::report_gui_controls(const char* sortBy) {
    if (m_alg == nullptr || !is_connected()) {
        return;
    }
    auto* gui = dynamic_cast<CStandardGUI_X*>(m_alg->GetGUI());
    if (gui == nullptr) {
        const std::string key = std::string(instance_name()) + ":gui_not_initialized";
        client().set_value_now(key.c_str(), "true");
        return;
    }
    report_records(
        ":gui_controls:", sortBy, false, [gui] { return gui->GetNumGUIControllers(); },
        [gui](unsigned int i) -> const KCFixedStringBase* {
            const KCGUIControl* control = gui->GetControlPtrByIndex(i);
            return control != nullptr ? &control->GetName() : nullptr;
        },
        &KCPluginRedisReporter::append_gui_control_to_stack);
}

void KCPluginRedisReporter::append_gui_control_to_stack(unsigned int index) {
    auto* gui = dynamic_cast<CStandardGUI_X*>(m_alg->GetGUI());
    const KCGUIControl* control = gui != nullptr ? gui->GetControlPtrByIndex(index) : nullptr;
    if (control == nullptr) {
        return;
    }
    KCRedisClient& c = client();
    c.append_key_value_to_stack("id", static_cast<long long>(index));
    c.append_current_time_to_stack("time");
    c.append_key_value_to_stack("name", control->GetName());
    c.append_key_value_to_stack("current_selection_level",
                                static_cast<long long>(control->GetSelectLevel()));
    c.append_key_value_to_stack("min_selection_level", static_cast<long long>(eSelectLevelIdle));
    c.append_key_value_to_stack("max_selection_level",
                                static_cast<long long>(control->GetMaxSelection()));
    c.append_key_value_to_stack("selection_mod",
                                static_cast<long long>(gui->GetSelectionHome().GetMode()));
    c.append_key_value_to_stack("m_bHidden", control->IsHidden());
    c.append_key_value_to_stack("m_hoverState", control->IsMouseHover());
    c.append_key_value_to_stack("m_lastHoverState", control->IsMouseDownOnHover());
    // Controls keep no drawing-time measurement: the fields say so.
    c.append_key_value_to_stack("m_ulStartTime", 0LL);
    c.append_key_value_to_stack("m_bMeasureTime", false);
    c.append_key_value_to_stack("m_isNoAlwaysDraw", gui->GetGUIFlag(eGUIFlagNoAlwaysDraw));
    c.append_key_value_to_stack("m_bDisabled", control->IsDisabled());
    c.append_key_value_to_stack("m_bMouseOver", control->IsMouseHover());
    c.append_key_value_to_stack("m_bInAutomationMode", control->IsHighlightedAutomated());
    c.append_key_value_to_stack("m_bMouseUpHandledByTouch", control->WillIgnoreNextMouseUp());
    c.append_key_value_to_stack("m_bMouseDownHandledByTouch", control->WillIgnoreNextMouseDown());
    KCPoint2D<short> release;
    c.append_key_value_to_stack(
        "m_offsetAtMouseUp",
        control->GetCursorPosOnRelease(release)
            ? JoinIntegers({static_cast<long long>(release.x), static_cast<long long>(release.y)})
                  .c_str()
            : "");
    c.append_key_value_to_stack("m_dNextDifState", control->GetClickStep());
    c.append_key_value_to_stack("m_MaxSelectionLevel",
                                static_cast<long long>(control->GetMaxSelection()));
    c.append_key_value_to_stack("m_GUIControlClass", control->GetClassName());
    c.append_key_value_to_stack("m_FatherControlName", control->GetFatherControlName());
    c.append_key_value_to_stack("m_acceptableCharactersForTextEntry",
                                control->GetAcceptableCharactersForTextEntry());
    c.append_key_value_to_stack("IsChild", !control->GetFatherControlName().empty());
    c.append_key_value_to_stack("CanEnterText", control->CanEnterText());
    c.append_key_value_to_stack("WhichParamIndexCanEnterText",
                                static_cast<long long>(control->WhichParamIndexCanEnterText()));
}

void KCPluginRedisReporter::report_counter(const char* name, long long value) {
    report_runtime_detail(name, value);
}

}  // namespace kvKorvaneV10_0_3::Redis
