// kvhost's shared part: errors, arguments, numbers, and a plug-in bundle loaded and created on
// the reference host.
#pragma once

#include "host/plugin_loader.h"
#include "host/reference_host.h"

#include "korvane/algorithm/algorithm.h"
#include "korvane/scan/component_info.h"

#include <iosfwd>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kvKorvaneV10_0_3 {
class CStandardGUI_X;
}

namespace KorvaneHost::kvhost {

// Exit codes (docs/kvhost.md).
inline constexpr int kExitOK = 0;
inline constexpr int kExitUsage = 1;     // unknown option, missing or malformed argument
inline constexpr int kExitBadInput = 2;  // bundle, parameter, preset, audio or script refused
inline constexpr int kExitFailure = 3;   // the plug-in or the output failed while working

// What went wrong, printed as "kvhost: <what>: <why>".
struct Error {
    std::string what;
    std::string why;
    int exitCode = kExitBadInput;
};
using Status = std::optional<Error>;

// Prints the error on one line (line breaks in the texts become spaces); its exit code.
int Report(const Error& error);

// A command line after the command name: options with their values and plain arguments, in
// order. `valued` lists the options that take a value (their repeats are kept in order),
// `flags` those that take none.
struct Arguments {
    std::vector<std::string> positional;
    std::multimap<std::string, std::string> options;
    [[nodiscard]] std::optional<std::string> Last(const std::string& name) const;
    [[nodiscard]] std::vector<std::string> All(const std::string& name) const;
    [[nodiscard]] bool Has(const std::string& name) const { return options.count(name) > 0; }
};
Status ParseArguments(const std::vector<std::string>& args, const std::vector<std::string>& valued,
                      const std::vector<std::string>& flags, Arguments& out);

// True when the arguments ask for the command's help (printed to stdout by the caller).
bool WantsHelp(const std::vector<std::string>& args);
// Rows printed with their columns aligned, two spaces apart, each line after `indent`.
void PrintTable(std::ostream& out, const std::vector<std::vector<std::string>>& rows,
                const std::string& indent = "  ");

// Whole-text numbers through from_chars; nothing for anything else.
std::optional<double> ParseDouble(std::string_view text);
std::optional<long long> ParseInteger(std::string_view text);
// Shortest text that reads back to the same double, through to_chars.
std::string FormatNumber(double value);
// Fixed notation with `decimals` digits after the point.
std::string FormatFixed(double value, int decimals);

// A four-character code as text, '?' for each byte that is not printable ASCII.
std::string FourCCText(kvKorvaneV10_0_3::KCFourCC code);

// Levenshtein distance, for the names suggested with an unknown one.
std::size_t EditDistance(std::string_view a, std::string_view b);
// Up to three of `candidates` closest to `name` (case ignored), "a, b or c"; empty when none
// is near.
std::string Suggest(std::string_view name, const std::vector<std::string>& candidates);

// A bundle's plug-in, loaded and created on its own reference host (Float32Config). The object
// is not movable: the algorithm keeps the host's refcon.
class Plugin {
public:
    Plugin() = default;
    ~Plugin();
    Plugin(const Plugin&) = delete;
    Plugin& operator=(const Plugin&) = delete;

    // Finds the module in the bundle, creates the plug-in through its whole life cycle at
    // `sampleRate` (0: the plug-in's own) and attaches its native process function.
    Status Open(const std::string& bundlePath, int sampleRate = 0);
    // Dispose, close the bundle, unload the module; also done by the destructor.
    void Close();

    [[nodiscard]] kvKorvaneV10_0_3::cALGORITHM& Alg() const { return m_loader.Alg(); }
    [[nodiscard]] ReferenceHost& Host() { return m_host; }
    [[nodiscard]] KTResContainerType*& Container() { return m_loader.Container(); }
    // The component the plug-in was created as: the first the scan accepted.
    [[nodiscard]] const kvKorvaneV10_0_3::KorvaneComponentInfo& Info() const {
        return m_loader.Info();
    }
    // Every component the scan accepted.
    [[nodiscard]] const std::vector<kvKorvaneV10_0_3::KorvaneComponentInfo>& Components() const {
        return m_loader.Components();
    }
    [[nodiscard]] const std::string& Name() const { return m_loader.Name(); }
    [[nodiscard]] const std::string& BundlePath() const { return m_loader.BundlePath(); }

    // Parameter names in index order.
    [[nodiscard]] std::vector<std::string> ParamNames() const;
    // The index of `name`, or an error naming the closest names.
    Status FindParam(const std::string& name, unsigned int& index) const;
    // Real-world range of a parameter (state 0 and its top state).
    void ParamRange(unsigned int index, double& low, double& high) const;
    // The parameter's display text for a state.
    [[nodiscard]] std::string DisplayText(unsigned int index, double state) const;
    // Sets a real-world value, as a user types it, and posts the plug-in's chain; refused
    // outside the parameter's range. "NAME=VALUE" for the form of a command line; VALUE may
    // also be one of a discrete parameter's display texts ("Low Shelf").
    Status SetParam(unsigned int index, double realWorld);
    Status SetFromText(const std::string& assignment);
    // Loads a factory preset by name, or the first preset of a preset file (xps, yps), and
    // brings the processing up to date.
    Status LoadPreset(const std::string& nameOrFile);
    // Factory preset names in menu order (separators and titles left out).
    [[nodiscard]] std::vector<std::string> FactoryPresetNames();
    // Posts the algorithm's full update, as a shell does after a preset.
    void PostUpdate();

private:
    ReferenceHost m_host{Float32Config()};
    // After the host: the plug-in is disposed of while its host still stands.
    PluginLoader m_loader;
};

// Loads the preset of --preset, then sets each --set NAME=VALUE in order, and processes a block.
Status ApplyPresetAndSets(Plugin& plugin, const Arguments& parsed);
// Builds `gui` (not yet attached) for the plug-in from its GUI description and skins, makes
// `skin` current when given (an error lists the skins there are) and brings the controls up to
// the parameters.
Status BuildGUI(Plugin& plugin, kvKorvaneV10_0_3::CStandardGUI_X& gui,
                const std::optional<std::string>& skin);

// The sub-commands: each gets the arguments after its name and returns the exit code.
int RunInfo(const std::vector<std::string>& args);
int RunRender(const std::vector<std::string>& args);
int RunGui(const std::vector<std::string>& args);
int RunPresets(const std::vector<std::string>& args);
int RunScan(const std::vector<std::string>& args);
int RunGenerate(const std::vector<std::string>& args);

}  // namespace KorvaneHost::kvhost
