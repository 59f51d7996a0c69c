// kvhost gui: the plug-in's window drawn without a display into a PNG file.
#include "host/kvhost/kvhost.h"

#include "korvane/gui/standard_gui.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iostream>

namespace KorvaneHost::kvhost {

namespace kv = kvKorvaneV10_0_3;
namespace fs = std::filesystem;

namespace {

constexpr const char* kHelp =
    "usage: kvhost gui BUNDLE --png FILE [--skin NAME] [--preset NAME|FILE] "
    "[--set NAME=VALUE]...\n"
    "\n"
    "Draws the plug-in's window, as its standard GUI shows it, into the PNG file FILE. --skin\n"
    "chooses one of the plug-in's skins; --preset loads a preset and --set sets parameters\n"
    "after it (repeatable), as render does.\n";

// Written beside the target and renamed into place.
Status WriteFile(const fs::path& target, const std::vector<unsigned char>& bytes) {
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    const fs::path temp =
        folder / ("." + target.filename().string() + ".kvhost-" + std::to_string(::getpid()));
    {
        std::ofstream file(temp, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        if (!file.flush()) {
            std::error_code ec;
            fs::remove(temp, ec);
            return Error{target.string(), "cannot write", kExitFailure};
        }
    }
    std::error_code ec;
    fs::rename(temp, target, ec);
    if (ec) {
        fs::remove(temp, ec);
        return Error{target.string(), "cannot rename into place: " + ec.message(), kExitFailure};
    }
    return std::nullopt;
}

}  // namespace

int RunGui(const std::vector<std::string>& args) {
    if (WantsHelp(args)) {
        std::cout << kHelp;
        return kExitOK;
    }
    Arguments parsed;
    if (auto err = ParseArguments(args, {"--png", "--skin", "--preset", "--set"}, {}, parsed)) {
        return Report(*err);
    }
    if (parsed.positional.size() != 1) {
        return Report(
            {"gui", parsed.positional.empty() ? "missing BUNDLE" : "one BUNDLE only", kExitUsage});
    }
    const auto png = parsed.Last("--png");
    if (!png) {
        return Report({"gui", "missing --png FILE", kExitUsage});
    }
    std::error_code ec;
    const fs::path target(*png);
    if (target.has_parent_path() && !fs::is_directory(target.parent_path(), ec)) {
        return Report({*png, "its folder does not exist"});
    }

    Plugin plugin;
    if (auto err = plugin.Open(parsed.positional.front())) {
        return Report(*err);
    }
    if (auto err = ApplyPresetAndSets(plugin, parsed)) {
        return Report(*err);
    }
    kv::CStandardGUI_X gui(plugin.Container());
    if (auto err = BuildGUI(plugin, gui, parsed.Last("--skin"))) {
        return Report(*err);
    }

    std::vector<unsigned char> bytes;
    if (const KTErr err = gui.RenderToPNG(bytes); err != kv::eNoErr) {
        return Report(
            {plugin.Name(), "the GUI does not render (" + std::to_string(err) + ")", kExitFailure});
    }
    if (auto err = WriteFile(target, bytes)) {
        return Report(*err);
    }
    const auto& rect = gui.GetGUIRect();
    std::cout << "wrote " << *png << " (" << rect.right - rect.left << " x "
              << rect.bottom - rect.top << ")\n";
    return kExitOK;
}

}  // namespace KorvaneHost::kvhost
