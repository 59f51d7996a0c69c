// The viewer under the tests' own X server: the example EQ in the viewer's top-level window
// shows exactly the headless render, follows parameter changes the host makes with no input,
// and the built tool's screenshot is that render too.
#include "tools/view/plugin_window.h"

#include "host/kvhost/kvhost.h"
#include "korvane/gs/gs_writer.h"
#include "korvane/gui/pvm/gs_renderer.h"
#include "korvane/gui/pvm/platform/xvfb_test_support.h"
#include "korvane/gui/pvm/png_image.h"
#include "korvane/gui/pvm/res_image_source.h"
#include "korvane/gui/standard_gui.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

namespace kv = kvKorvaneV10_0_3;
namespace PVM = kv::PluginViewManager;
namespace fs = std::filesystem;
using KorvaneHost::kvhost::Plugin;
using KorvaneView::PluginWindow;

// The GUI as the headless tools draw it now.
PVM::KCImagePixels HeadlessRender(kv::CStandardGUI_X& gui) {
    std::vector<unsigned char> png;
    EXPECT_EQ(gui.RenderToPNG(png), kv::eNoErr);
    PVM::KCImagePixels pixels;
    EXPECT_EQ(PVM::DecodePNG(png.data(), png.size(), pixels), kv::eNoErr);
    return pixels;
}

// The GUI drawn headless at `scale` with the bundle's images, as the viewer's view draws it.
PVM::KCImagePixels ScaledRender(kv::CStandardGUI_X& gui, Plugin& plugin, double scale) {
    kv::kvGS::KCGraphicStreamBinaryWriter writer(
        static_cast<unsigned int>(std::max(gui.GetGraphicStreamDataPtrThreshold(), 0)));
    gui.GetDrawInstructions(writer);
    PVM::KCResImageSource images(plugin.Container());
    PVM::KCGraphicStreamToCairo renderer;
    renderer.SetScale(scale);
    renderer.SetImageSource(&images);
    PVM::KCImagePixels pixels;
    EXPECT_EQ(renderer.RenderInProcess(static_cast<const char*>(writer.GetStream().ptr),
                                       writer.GetStream().size),
              kv::eNoErr);
    pixels.width = renderer.GetWidth();
    pixels.height = renderer.GetHeight();
    for (int y = 0; y < pixels.height; ++y) {
        for (int x = 0; x < pixels.width; ++x) {
            pixels.argb.push_back(renderer.GetPixel(x, y));
        }
    }
    return pixels;
}

// How many of `shown`'s pixels (0x00RRGGBB, row-major) differ from `want`'s; the first few
// are reported.
int DifferingPixels(const std::vector<std::uint32_t>& shown, const PVM::KCImagePixels& want) {
    if (shown.size() != want.argb.size()) {
        ADD_FAILURE() << shown.size() << " pixels shown, " << want.argb.size() << " rendered";
        return -1;
    }
    int differ = 0;
    for (int y = 0; y < want.height; ++y) {
        for (int x = 0; x < want.width; ++x) {
            const std::uint32_t expected = want.At(x, y) & 0xFFFFFFU;
            const std::uint32_t got = shown[static_cast<std::size_t>(y) * want.width + x];
            if (expected != got && differ++ < 5) {
                ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << got
                              << " instead of " << expected;
            }
        }
    }
    return differ;
}

class ViewerWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(client.Ok());
        ASSERT_FALSE(plugin.Open(KVEQ_BUNDLE).has_value());
        gui = std::make_unique<kv::CStandardGUI_X>(plugin.Container());
        ASSERT_FALSE(KorvaneHost::kvhost::BuildGUI(plugin, *gui, std::nullopt).has_value());
    }
    void TearDown() override {
        window.reset();
        gui.reset();
    }

    void OpenWindow(bool useSharedMemory, double scale = 1.0) {
        window = std::make_unique<PluginWindow>(plugin, *gui);
        const auto err = window->Open(useSharedMemory, scale);
        ASSERT_FALSE(err.has_value()) << err->what << ": " << err->why;
        window->Run(100);
    }
    [[nodiscard]] std::vector<std::uint32_t> Shown() const {
        return client.Pixels(window->Window().WindowId(), window->Width(), window->Height());
    }

    PVM::testing::XTestClient client;
    Plugin plugin;
    std::unique_ptr<kv::CStandardGUI_X> gui;
    std::unique_ptr<PluginWindow> window;
};

class ViewerWindowCopies : public ViewerWindow, public ::testing::WithParamInterface<bool> {};

TEST_P(ViewerWindowCopies, TheTopLevelWindowShowsTheHeadlessRender) {
    OpenWindow(GetParam());
    ASSERT_NE(window->View(), nullptr);
    EXPECT_EQ(window->View()->IsSharedMemoryInUse(), GetParam());
    EXPECT_EQ(window->View()->GetNativeParentView(), window->Window().WindowId());
    EXPECT_EQ(window->Width(), 600);
    EXPECT_EQ(window->Height(), 360);
    const auto shown = Shown();
    const PVM::KCImagePixels headless = HeadlessRender(*gui);
    EXPECT_EQ(DifferingPixels(shown, headless), 0);
}

INSTANTIATE_TEST_SUITE_P(SharedMemory, ViewerWindowCopies, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Shm" : "PlainRequests"; });

TEST_F(ViewerWindow, AParameterTheHostChangesIsRedrawnAtTheIdleTick) {
    OpenWindow(true);
    const auto before = Shown();
    const int draws = window->DrawCount();
    // Nothing changed: the idle ticks draw nothing.
    window->Run(4 * PluginWindow::kIdleIntervalMs);
    EXPECT_EQ(window->DrawCount(), draws);

    // The host's automation moves band 1's gain; no input reaches the window.
    ASSERT_FALSE(plugin.SetFromText("Gain_0=12").has_value());
    window->Run(4 * PluginWindow::kIdleIntervalMs);
    EXPECT_GT(window->DrawCount(), draws);
    const auto after = Shown();
    EXPECT_NE(after, before);
    const PVM::KCImagePixels headless = HeadlessRender(*gui);
    EXPECT_EQ(DifferingPixels(after, headless), 0);
}

TEST_F(ViewerWindow, AtScaleTwoTheWindowIsTwiceAsLargeAndShowsTheScaledRender) {
    OpenWindow(true, 2);
    EXPECT_EQ(window->Scale(), 2.0);
    EXPECT_EQ(window->Width(), 1200);
    EXPECT_EQ(window->Height(), 720);
    EXPECT_EQ(DifferingPixels(Shown(), ScaledRender(*gui, plugin, 2)), 0);
}

// Runs the built viewer with `arguments`, after `environment` (assignments for `env`); its exit
// status. The user's own KORVANE_GUI_SCALE is left out unless the test names one.
int RunViewer(const std::string& arguments, const std::string& environment = "") {
    const std::string command = "env -u KORVANE_GUI_SCALE " + environment + " " +
                                std::string(KORVANE_VIEW) + " " + arguments + " >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(ViewerWindow, TheToolsScreenshotIsTheHeadlessRender) {
    const fs::path shot =
        fs::temp_directory_path() / ("korvane_view_" + std::to_string(::getpid()) + ".png");
    ASSERT_EQ(RunViewer(std::string(KVEQ_BUNDLE) + " --set Gain_1=-9 --screenshot " +
                        shot.string() + " --after 200"),
              0);
    std::ifstream file(shot, std::ios::binary);
    const std::vector<unsigned char> png((std::istreambuf_iterator<char>(file)),
                                         std::istreambuf_iterator<char>());
    fs::remove(shot);
    PVM::KCImagePixels taken;
    ASSERT_EQ(PVM::DecodePNG(png.data(), png.size(), taken), kv::eNoErr);

    ASSERT_FALSE(plugin.SetFromText("Gain_1=-9").has_value());
    plugin.Host().ProcessBlock();
    static_cast<void>(gui->DoIdle(0));
    const PVM::KCImagePixels headless = HeadlessRender(*gui);
    ASSERT_EQ(taken.width, headless.width);
    ASSERT_EQ(taken.height, headless.height);
    std::vector<std::uint32_t> shown;
    for (const std::uint32_t argb : taken.argb) {
        EXPECT_EQ(argb >> 24U, 0xFFU);  // a window is opaque
        shown.push_back(argb & 0xFFFFFFU);
    }
    EXPECT_EQ(DifferingPixels(shown, headless), 0);
}

// The tool's screenshot with `arguments`, decoded; empty when it failed.
PVM::KCImagePixels Screenshot(const std::string& arguments, const std::string& environment = "") {
    const fs::path shot =
        fs::temp_directory_path() / ("korvane_view_" + std::to_string(::getpid()) + ".png");
    PVM::KCImagePixels taken;
    if (RunViewer(std::string(KVEQ_BUNDLE) + " " + arguments + " --screenshot " + shot.string() +
                      " --after 200",
                  environment) != 0) {
        return taken;
    }
    std::ifstream file(shot, std::ios::binary);
    const std::vector<unsigned char> png((std::istreambuf_iterator<char>(file)),
                                         std::istreambuf_iterator<char>());
    fs::remove(shot);
    EXPECT_EQ(PVM::DecodePNG(png.data(), png.size(), taken), kv::eNoErr);
    return taken;
}

TEST_F(ViewerWindow, TheToolDrawsAtTheScaleAskedOrTheEnvironments) {
    const PVM::KCImagePixels taken = Screenshot("--scale 2");
    ASSERT_EQ(taken.width, 1200);
    ASSERT_EQ(taken.height, 720);
    std::vector<std::uint32_t> shown;
    for (const std::uint32_t argb : taken.argb) {
        shown.push_back(argb & 0xFFFFFFU);
    }
    EXPECT_EQ(DifferingPixels(shown, ScaledRender(*gui, plugin, 2)), 0);

    // Without --scale the views' automatic rule applies; --scale wins over it.
    const PVM::KCImagePixels automatic = Screenshot("", "KORVANE_GUI_SCALE=1.5");
    EXPECT_EQ(automatic.width, 900);
    EXPECT_EQ(automatic.height, 540);
    EXPECT_EQ(Screenshot("--scale 1", "KORVANE_GUI_SCALE=2").width, 600);
}

TEST_F(ViewerWindow, TheToolRefusesWhatItCannotShow) {
    EXPECT_EQ(RunViewer(""), KorvaneHost::kvhost::kExitUsage);
    EXPECT_EQ(RunViewer(std::string(KVEQ_BUNDLE) + " --after 100"),
              KorvaneHost::kvhost::kExitUsage);
    for (const char* scale : {"0.5", "5", "x", "nan"}) {
        EXPECT_EQ(RunViewer(std::string(KVEQ_BUNDLE) + " --scale " + scale + " --screenshot x.png"),
                  KorvaneHost::kvhost::kExitUsage)
            << scale;
    }
    EXPECT_EQ(RunViewer(std::string(KVEQ_BUNDLE) + " --skin NoSuchSkin --screenshot x.png"),
              KorvaneHost::kvhost::kExitBadInput);
    EXPECT_EQ(RunViewer("/nonexistent.bundle --screenshot x.png"),
              KorvaneHost::kvhost::kExitBadInput);
    // Without a display there is no window to open.
    EXPECT_EQ(RunViewer(std::string(KVEQ_BUNDLE) + " --screenshot x.png", "-u DISPLAY"),
              KorvaneHost::kvhost::kExitFailure);
    EXPECT_FALSE(fs::exists("x.png"));
}

}  // namespace
