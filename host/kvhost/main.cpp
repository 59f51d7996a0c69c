// kvhost: runs a plug-in bundle from the command line through the library and the reference
// host. One file per command; this one picks the command and prints the help.
#include "host/kvhost/kvhost.h"

#include <exception>
#include <iostream>
#include <new>
#include <string>
#include <vector>

namespace {

constexpr const char* kUsage =
    "usage: kvhost <command> [arguments]\n"
    "\n"
    "commands:\n"
    "  info BUNDLE                       what the plug-in is: components, parameters,\n"
    "                                    automation controls, factory presets, process code\n"
    "  render BUNDLE --in IN --out OUT   runs an audio file through the plug-in\n"
    "  gui BUNDLE --png FILE             draws the plug-in's window into a PNG file\n"
    "  presets BUNDLE list|show|save|load  the plug-in's presets\n"
    "  scan FOLDER                       the bundles a plug-in folder scan accepts and rejects\n"
    "  generate OUT                      writes test audio: a sine sweep with noise under it\n"
    "\n"
    "kvhost <command> --help describes a command. See docs/kvhost.md.\n";

int Run(int argc, char** argv) {
    using namespace KorvaneHost::kvhost;
    const std::vector<std::string> all(argv + 1, argv + argc);
    if (all.empty()) {
        std::cerr << kUsage;
        return kExitUsage;
    }
    const std::string& command = all.front();
    const std::vector<std::string> rest(all.begin() + 1, all.end());
    if (command == "--help" || command == "-h" || command == "help") {
        std::cout << kUsage;
        return kExitOK;
    }
    if (command == "info") {
        return RunInfo(rest);
    }
    if (command == "render") {
        return RunRender(rest);
    }
    if (command == "gui") {
        return RunGui(rest);
    }
    if (command == "presets") {
        return RunPresets(rest);
    }
    if (command == "scan") {
        return RunScan(rest);
    }
    if (command == "generate") {
        return RunGenerate(rest);
    }
    const std::string near =
        Suggest(command, {"info", "render", "gui", "presets", "scan", "generate"});
    return Report({command,
                   near.empty() ? "unknown command (kvhost --help lists them)"
                                : "unknown command (did you mean " + near + "?)",
                   kExitUsage});
}

}  // namespace

int main(int argc, char** argv) {
    using namespace KorvaneHost::kvhost;
    // A render too large for memory, or a file system that fails under it, ends with a line
    // like every other failure, not an abort.
    try {
        return Run(argc, argv);
    } catch (const std::bad_alloc&) {
        return Report({"kvhost", "out of memory", kExitFailure});
    } catch (const std::exception& e) {
        return Report({"kvhost", e.what(), kExitFailure});
    }
}
