// korvane-view: a plug-in bundle's GUI in a window of its own on the desktop, driving the
// reference host, so a plug-in author can click through the GUI without a DAW.
#include "host/kvhost/kvhost.h"
#include "tools/view/plugin_window.h"

#include "korvane/gui/pvm/plugin_view.h"
#include "korvane/gui/standard_gui.h"

#include <iostream>
#include <string>
#include <vector>

namespace {

namespace kvhost = KorvaneHost::kvhost;
namespace kv = kvKorvaneV10_0_3;

constexpr const char* kHelp =
    "usage: korvane-view BUNDLE [--skin NAME] [--preset NAME|FILE] [--set NAME=VALUE]...\n"
    "                    [--scale N] [--screenshot FILE.png [--after MS]]\n"
    "\n"
    "Opens the plug-in's GUI in a window on the display named by DISPLAY, on the reference\n"
    "host: the controls work as in a host, and the window follows the parameters. Closing\n"
    "the window ends the program. --skin, --preset and --set choose the starting state as\n"
    "kvhost gui does. --scale draws the GUI with N screen pixels per GUI unit (1 to 4,\n"
    "e.g. 2 or 1.5, for high-density screens); without it the scale is KORVANE_GUI_SCALE from\n"
    "the environment, else the X resources' Xft.dpi over 96, else 1. --screenshot saves the\n"
    "window's pixels to FILE.png after MS milliseconds (500 by default) and exits.\n";

constexpr int kDefaultScreenshotDelayMs = 500;

int Fail(const kvhost::Error& error) {
    std::cerr << "korvane-view: " << error.what << ": " << error.why << '\n';
    return error.exitCode;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (kvhost::WantsHelp(args)) {
        std::cout << kHelp;
        return kvhost::kExitOK;
    }
    kvhost::Arguments parsed;
    if (auto err = kvhost::ParseArguments(
            args, {"--skin", "--preset", "--set", "--scale", "--screenshot", "--after"}, {},
            parsed)) {
        return Fail(*err);
    }
    if (parsed.positional.size() != 1) {
        return Fail({"korvane-view",
                     parsed.positional.empty() ? "missing BUNDLE" : "one BUNDLE only",
                     kvhost::kExitUsage});
    }
    const auto screenshot = parsed.Last("--screenshot");
    int delayMs = kDefaultScreenshotDelayMs;
    if (const auto after = parsed.Last("--after")) {
        const auto ms = kvhost::ParseInteger(*after);
        if (!ms || *ms < 0 || *ms > 3'600'000 || !screenshot) {
            return Fail(
                {"--after " + *after,
                 screenshot ? "expected milliseconds (0 ... 3600000)" : "only with --screenshot",
                 kvhost::kExitUsage});
        }
        delayMs = static_cast<int>(*ms);
    }

    double scale = kv::PluginViewManager::KCPluginViewCreateOptions::kAutomaticScale;
    if (const auto asked = parsed.Last("--scale")) {
        const auto value = kvhost::ParseDouble(*asked);
        if (!value || !(*value >= 1.0 && *value <= 4.0)) {
            return Fail({"--scale " + *asked, "expected 1 ... 4", kvhost::kExitUsage});
        }
        scale = *value;
    }

    kvhost::Plugin plugin;
    if (auto err = plugin.Open(parsed.positional.front())) {
        return Fail(*err);
    }
    if (auto err = kvhost::ApplyPresetAndSets(plugin, parsed)) {
        return Fail(*err);
    }
    kv::CStandardGUI_X gui(plugin.Container());
    if (auto err = kvhost::BuildGUI(plugin, gui, parsed.Last("--skin"))) {
        return Fail(*err);
    }
    KorvaneView::PluginWindow window(plugin, gui);
    if (auto err = window.Open(true, scale)) {
        return Fail(*err);
    }
    if (!screenshot) {
        window.Run(-1);
        return kvhost::kExitOK;
    }
    if (!window.Run(delayMs)) {
        return Fail(
            {"korvane-view", "the window was closed before the screenshot", kvhost::kExitFailure});
    }
    std::string why;
    if (!window.Window().SaveScreenshot(*screenshot, why)) {
        return Fail({*screenshot, why, kvhost::kExitFailure});
    }
    std::cout << "wrote " << *screenshot << " (" << window.Width() << " x " << window.Height()
              << ")\n";
    return kvhost::kExitOK;
}
