// Text command handlers: a table from command name to the function that runs it and its help
// text. The base handler holds the commands every reporter obeys; the plug-in handler adds the
// plug-in's.
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace YAML {
class Node;
}

namespace kvKorvaneV10_0_3::Redis {

class KCKorvaneRedisReporter;
class KCPluginRedisReporter;

class KORVANE_API KCKorvaneTextCommandHandler {
public:
    // Runs one command document; the result text goes to `result`.
    using Function = std::function<KTErr(const YAML::Node& document, std::string& result)>;
    struct KSCommand {
        Function function;
        std::string help;
        // True for a document that touches the GUI, controls or undo: the subscription thread
        // queues it for the algorithm's idle call. Empty: runs where it arrives.
        std::function<bool(const YAML::Node& document)> onIdle;
    };

    explicit KCKorvaneTextCommandHandler(KCKorvaneRedisReporter& reporter);
    KCKorvaneTextCommandHandler(const KCKorvaneTextCommandHandler&) = delete;
    KCKorvaneTextCommandHandler& operator=(const KCKorvaneTextCommandHandler&) = delete;
    virtual ~KCKorvaneTextCommandHandler();

    // Names the help hash ("kv:help_for_text_commands:" and this).
    [[nodiscard]] virtual const char* class_name() const { return "KCKorvaneTextCommandHandler"; }
    // A help text: the description, "\nExample: " and the example in double quotes, then the
    // remark.
    static std::string make_help(const std::string& description, const std::string& example,
                                 const std::string& remark = {});
    void register_command(const char* name, Function function, std::string help,
                          std::function<bool(const YAML::Node&)> onIdle = {});
    // Null for an unknown name.
    [[nodiscard]] const KSCommand* find(const std::string& name) const;
    // Names in registration order.
    [[nodiscard]] const std::vector<std::string>& command_names() const { return m_order; }
    // Tried for a name no command has; eValueNotFound by default.
    virtual KTErr fallback(const std::string& name, const YAML::Node& document,
                           std::string& result);

protected:
    KCKorvaneRedisReporter& m_reporter;

private:
    std::map<std::string, KSCommand> m_commands;
    std::vector<std::string> m_order;
};

class KORVANE_API KCPluginTextCommandHandler : public KCKorvaneTextCommandHandler {
public:
    explicit KCPluginTextCommandHandler(KCPluginRedisReporter& reporter);
    [[nodiscard]] const char* class_name() const override { return "KCPluginTextCommandHandler"; }

private:
    KCPluginRedisReporter& m_plugin;
};

}  // namespace kvKorvaneV10_0_3::Redis
