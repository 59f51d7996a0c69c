// Reporters: a named Redis instance that publishes its description, obeys text commands sent
// on its channel and, for a plug-in, reports its parameters and controls.
#pragma once

#include "korvane/algorithm/redis_reporter_abs.h"
#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"
#include "korvane/core/thread_mutex.h"
#include "korvane/core/validatable.h"
#include "korvane/redis/redis_client.h"
#include "korvane/redis/text_command_handler.h"

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace YAML {
class Node;
}

namespace kvKorvaneV10_0_3 {
class cALGORITHM;
struct KorvaneComponentInfo;
}  // namespace kvKorvaneV10_0_3

namespace kvKorvaneV10_0_3::Redis {

// Threads: text commands run on the subscription thread, one message at a time; commands
// marked to run on idle wait in a queue for RunIdleCommands. Reporting calls take the client's
// command lock, so they may come from any thread.
class KORVANE_API KCKorvaneRedisReporter : public KUValidatable {
public:
    // Connects when Redis is enabled (or a configuration was named with
    // set_config_file_for_new_reporters) and reports the instance.
    KCKorvaneRedisReporter(const char* name, const char* category);
    // Ends the subscription, then leaves the registry and deletes the instance's keys.
    ~KCKorvaneRedisReporter() override;
    KCKorvaneRedisReporter(const KCKorvaneRedisReporter&) = delete;
    KCKorvaneRedisReporter& operator=(const KCKorvaneRedisReporter&) = delete;

    [[nodiscard]] bool IsValidSelf() const override;

    // The configuration file reporters made from now on read instead of the default one (for
    // a host with its own server, and for tests); empty goes back to the default.
    static void set_config_file_for_new_reporters(const char* path);
    static std::string config_file_for_new_reporters();
    // Redis is enabled: the default configuration exists or one was named above.
    static bool is_redis_reporting_enabled();

    // Connects again (after the server went away) and reports the instance.
    KTErr connect();
    [[nodiscard]] bool is_connected() const { return m_client.is_connected(); }
    [[nodiscard]] KCRedisClient& client() { return m_client; }
    [[nodiscard]] const char* instance_name() const { return m_client.instance_name(); }

    // Immediate HSET into the instance hash.
    void report_instance_detail(const char* field, const char* value);
    // The same, only while connected.
    void report_runtime_detail(const char* field, const char* value);
    void report_runtime_detail(const char* field, double value);
    void report_runtime_detail(const char* field, long long value);
    void report_runtime_detail(const char* field, bool value);
    long long increment_runtime_detail(const char* field, long long by);
    // The component fields into hash `key`.
    void report_ComponentInfo(const char* key, const KorvaneComponentInfo& info, bool now);
    void set_parent_reporter(const char* parentName);
    [[nodiscard]] const std::string& parent_reporter() const { return m_parent; }

    // "kv:feature:" name; "true" is on.
    std::string get_feature_value(const char* name);
    bool get_feature_bool(const char* name);
    static bool is_feature_enabled(void* reporter, const char* name);

    // Children and slots of a chainer: slot name -> child instance name. A null name does
    // nothing.
    void add_child(const char* slot, const char* childInstance);
    void add_slot(const char* slot);
    [[nodiscard]] std::string get_child(const char* slot) const;
    void remove_child(const char* slot);
    void remove_slot(const char* slot);

    // The folders files named by text commands must lie in (see redis_paths.h).
    void set_path_roots(std::vector<std::string> roots);
    void add_path_root(const char* folder);
    [[nodiscard]] std::vector<std::string> path_roots() const;

    // A value from the source a command names; "path" reads a confined file.
    KTErr read_data(const YAML::Node& source, std::string& out);
    // The value to every destination the map names; "path" writes a confined file. A refused
    // path writes nothing anywhere.
    KTErr write_data(const std::string& value, const YAML::Node& destination);
    void finalize_redis_report();

    // Subscribes on the instance name; every message runs as text commands.
    virtual bool start_listening_to_messages();
    virtual void stop_listening_to_messages();
    [[nodiscard]] bool is_listening() const { return m_client.is_subscribed(); }
    static bool subscription_callback(const char* channel, const char* message, void* reporter);
    // Runs every YAML document of the message as a text command (a null message is empty) and
    // keeps listening; never throws. [any-thread]
    bool handle_message_from_redis_subscription(const char* channel, const char* message);
    // Commands waiting for the idle call at most; more are answered at once with
    // eMemBuffTooShort.
    static constexpr std::size_t kMaxQueuedCommands = 256;
    // Runs the commands queued for the idle call. [gui-thread]
    void run_queued_commands();
    [[nodiscard]] std::size_t queued_command_count() const;

    [[nodiscard]] KCKorvaneTextCommandHandler& handler() { return *m_handler; }

protected:
    // Runs the message's text commands; false stops listening. The message is never null.
    virtual bool handle_message_from_redis_subscription_self(const char* channel,
                                                             const char* message);
    // Runs one message; `fromIdle` when called from the idle queue.
    void execute_message(const std::string& message, bool fromIdle);
    void set_handler(std::unique_ptr<KCKorvaneTextCommandHandler> handler);
    // Reports the instance after each connect.
    virtual void report_instance_self() {}
    // Whether the idle call that runs queued commands is coming: a plug-in idles only while its
    // window is open, and a command queued without one would wait for ever. [any-thread]
    [[nodiscard]] virtual bool idle_call_expected() const { return true; }
    // The answer to a command that needs the idle call when none is coming.
    virtual KTErr refuse_idle_command(const std::string& name, std::string& message);

private:
    KTErr execute_document(const YAML::Node& document, bool fromIdle, std::string& replyText);
    void write_reply(const YAML::Node& document, KTErr err, const std::string& result,
                     const std::string& errorText);

    KCRedisClient m_client;
    std::string m_parent;
    std::unique_ptr<KCKorvaneTextCommandHandler> m_handler;
    mutable kvThread::ThreadMutexInited m_mutex;  // children, slots, roots, queue
    std::map<std::string, std::string> m_children;
    std::vector<std::string> m_slots;
    std::vector<std::string> m_roots;
    std::deque<std::string> m_idleQueue;
};

// A plug-in's reporter: category "active_plugins", named after the component.
class KORVANE_API KCPluginRedisReporter : public KCKorvaneRedisReporter, public KCRedisReporterAbs {
public:
    KCPluginRedisReporter(const KorvaneComponentInfo& info, cALGORITHM* alg);
    ~KCPluginRedisReporter() override;

    void set_alg(cALGORITHM* alg) { m_alg = alg; }
    [[nodiscard]] cALGORITHM* alg() const { return m_alg; }
    void set_is_chainer(bool chainer) { m_isChainer = chainer; }
    [[nodiscard]] bool is_chainer() const { return m_isChainer; }

    void report_instance();
    // The answer of a command that needs the plug-in's window when none is open.
    static constexpr const char* kNoGUIMessage = "no GUI: the plug-in's window is not open";
    // One hash per parameter, "<instance>:params:<index>", or ":<name>" when sortBy is "name".
    void report_params(const char* sortBy);
    // which: "auto" or "gui"; eSomeThingNotInitailzed for "gui" without a GUI.
    KTErr report_controls(const char* which, const char* sortBy);
    void report_automation_controls(const char* sortBy);
    // ":gui_not_initialized" when there is no GUI. [gui-thread]
    void report_gui_controls(const char* sortBy);
    void report_counter(const char* name, long long value);
    // Fill the client's stack; the caller holds the command lock (and the algorithm lock for
    // parameters).
    void append_param_to_stack(unsigned int index);
    void append_automation_control_to_stack(unsigned int index);
    void append_gui_control_to_stack(unsigned int index);

    // KCRedisReporterAbs
    void RunIdleCommands() override { run_queued_commands(); }
    void ReportRuntimeDetail(const char* field, const char* value) override {
        report_runtime_detail(field, value);
    }
    bool StartListening() override { return start_listening_to_messages(); }
    void StopListening() override { stop_listening_to_messages(); }
    [[nodiscard]] bool IsConnected() const override { return is_connected(); }

    // Installs the factory the algorithm uses. Done when the library loads.
    static void InstallFactory();

protected:
    void report_instance_self() override { report_instance(); }
    [[nodiscard]] bool idle_call_expected() const override;
    KTErr refuse_idle_command(const std::string& name, std::string& message) override;

private:
    // One hash per record, "<instance><kind><index>" or "<kind><name>" when sortBy is "name",
    // pipelined and committed once. `nameOf` gives null for a record that is not there; `append`
    // fills the stack. Under the command lock, and the algorithm lock when asked.
    void report_records(const char* kind, const char* sortBy, bool underAlgLock,
                        const std::function<unsigned int()>& count,
                        const std::function<const KCFixedStringBase*(unsigned int)>& nameOf,
                        void (KCPluginRedisReporter::*append)(unsigned int));

    cALGORITHM* m_alg;
    bool m_isChainer = false;
};

}  // namespace kvKorvaneV10_0_3::Redis
