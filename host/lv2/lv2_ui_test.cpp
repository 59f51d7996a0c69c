// The example EQ's LV2 editor loaded as a host loads it: the module opened by path, its
// descriptor asked for, and an instance made in a window of the tests' own X server. This file
// is the host: its write function and touch feature record what the editor sends, and real
// input (XTEST) drives the GUI.
#include "host/kvhost/kvhost.h"
#include "host/lv2/lv2_plugin.h"
#include "korvane/gui/pvm/platform/xvfb_test_support.h"
#include "korvane/gui/pvm/png_image.h"
#include "korvane/gui/standard_gui.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <lv2/ui/ui.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

namespace kv = kvKorvaneV10_0_3;
namespace PVM = kv::PluginViewManager;
using KorvaneLv2::ControlPort;

constexpr int kRate = 48000;
// Where the host's window sits, and the EQ's GUI size (GUIXML/128.xml).
constexpr int kLeft = 40, kTop = 30, kWidth = 600, kHeight = 360;
// Band 1's gain knob and type popup, in the GUI's coordinates.
constexpr int kGain1X = 107, kGain1Y = 209;
constexpr int kType1X = 90, kType1Y = 169;
// The gain's GUI (examples/gain, GUIXML/128.xml), its knob's centre, and its gain port (after the
// two audio inputs and outputs).
constexpr int kGainWidth = 160, kGainHeight = 120;
constexpr int kGainKnobX = 48, kGainKnobY = 48;
constexpr std::uint32_t kGainPort = 4;

struct PortWrite {
    std::uint32_t port = 0;
    std::uint32_t size = 0;
    std::uint32_t format = 0;
    float value = 0.0F;
};

struct Touch {
    std::uint32_t port = 0;
    bool grabbed = false;
    bool operator==(const Touch&) const = default;
};

// The host's side: what the editor wrote and touched, and the size it asked for.
struct FakeHost {
    std::vector<PortWrite> writes;
    std::vector<Touch> touches;
    int width = 0;
    int height = 0;

    static void Write(LV2UI_Controller controller, uint32_t port, uint32_t size, uint32_t format,
                      const void* buffer) {
        PortWrite write{port, size, format, 0.0F};
        if (size == sizeof(float)) {
            std::memcpy(&write.value, buffer, sizeof(float));
        }
        static_cast<FakeHost*>(controller)->writes.push_back(write);
    }
    static int Resize(LV2UI_Feature_Handle handle, int width, int height) {
        static_cast<FakeHost*>(handle)->width = width;
        static_cast<FakeHost*>(handle)->height = height;
        return 0;
    }
    static void TouchPort(LV2UI_Feature_Handle handle, uint32_t port, bool grabbed) {
        static_cast<FakeHost*>(handle)->touches.push_back({port, grabbed});
    }
};

// The headless render of the EQ's GUI with `assignment` ("Gain_0=12") set on the reference
// host, as 0x00RRGGBB words.
std::vector<std::uint32_t> HeadlessRender(const std::string& assignment) {
    KorvaneHost::kvhost::Plugin plugin;
    EXPECT_FALSE(plugin.Open(KVEQ_BUNDLE).has_value());
    EXPECT_FALSE(plugin.SetFromText(assignment).has_value());
    kv::CStandardGUI_X gui(plugin.Container());
    EXPECT_FALSE(KorvaneHost::kvhost::BuildGUI(plugin, gui, std::nullopt).has_value());
    std::vector<unsigned char> png;
    EXPECT_EQ(gui.RenderToPNG(png), kv::eNoErr);
    PVM::KCImagePixels pixels;
    EXPECT_EQ(PVM::DecodePNG(png.data(), png.size(), pixels), kv::eNoErr);
    std::vector<std::uint32_t> out;
    for (const std::uint32_t argb : pixels.argb) {
        out.push_back(argb & 0xFFFFFFU);
    }
    return out;
}

// A host of one plug-in's editor module: it opens `<lv2Bundle>/<name>_lv2ui.so`, asks for its
// descriptor and makes instances in a top-level window of the tests' X server.
class EditorHost : public ::testing::Test {
protected:
    void Load(const std::string& lv2Bundle, const std::string& name, const std::string& uri) {
        ASSERT_TRUE(client.Ok());
        bundle = lv2Bundle;
        pluginUri = uri;
        module = dlopen((bundle + "/" + name + "_lv2ui.so").c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(module, nullptr) << dlerror();
        const auto entry =
            reinterpret_cast<LV2UI_DescriptorFunction>(dlsym(module, "lv2ui_descriptor"));
        ASSERT_NE(entry, nullptr);
        descriptor = entry(0);
        ASSERT_NE(descriptor, nullptr);
        EXPECT_EQ(entry(1), nullptr);
        EXPECT_EQ(std::string(descriptor->URI), uri + "#ui");
        idle = static_cast<const LV2UI_Idle_Interface*>(
            descriptor->extension_data(LV2_UI__idleInterface));
        ASSERT_NE(idle, nullptr);
        parent = client.TopLevel(kLeft, kTop, kWidth, kHeight);
    }
    void TearDown() override {
        if (handle != nullptr) {
            descriptor->cleanup(handle);
        }
        if (module != nullptr) {
            dlclose(module);
        }
    }

    // An instance in the host's window, with the features a host embedding it offers.
    void Instantiate(bool withParent = true) {
        resize = {&host, FakeHost::Resize};
        touch = {&host, FakeHost::TouchPort};
        const LV2_Feature parentFeature{
            LV2_UI__parent,
            reinterpret_cast<void*>(  // NOLINT(performance-no-int-to-ptr)
                static_cast<std::uintptr_t>(parent))};
        const LV2_Feature resizeFeature{LV2_UI__resize, &resize};
        const LV2_Feature touchFeature{LV2_UI__touch, &touch};
        std::vector<const LV2_Feature*> features{&resizeFeature, &touchFeature};
        if (withParent) {
            features.push_back(&parentFeature);
        }
        features.push_back(nullptr);
        handle = descriptor->instantiate(descriptor, pluginUri.c_str(), bundle.c_str(),
                                         FakeHost::Write, &host, &widget, features.data());
    }

    // An instance in the host's window that is a child of it at the GUI's size (told through
    // ui:resize), idled a while.
    void InstantiateEmbedded(int width, int height) {
        Instantiate();
        ASSERT_NE(handle, nullptr);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(host.width, width);
        EXPECT_EQ(host.height, height);
        EXPECT_EQ(WidgetParent(), parent);
        Idle(50);
    }

    // The host's GUI loop: idle calls about every 5 ms for `ms`.
    void Idle(int ms) {
        for (int i = 0; i < ms / 5; ++i) {
            ASSERT_EQ(idle->idle(handle), 0);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    void MoveTo(int x, int y) { client.MoveTo(kLeft + x, kTop + y); }
    void PortEvent(std::uint32_t port, float value) const {
        descriptor->port_event(handle, port, sizeof value, 0, &value);
    }
    [[nodiscard]] std::vector<std::uint32_t> Shown(int width = kWidth, int height = kHeight) const {
        return client.Pixels(static_cast<xcb_window_t>(reinterpret_cast<std::uintptr_t>(widget)),
                             width, height);
    }
    // The X11 parent of the editor's widget.
    [[nodiscard]] xcb_window_t WidgetParent() const {
        const auto window = static_cast<xcb_window_t>(reinterpret_cast<std::uintptr_t>(widget));
        xcb_query_tree_reply_t* tree = xcb_query_tree_reply(
            client.Connection(), xcb_query_tree(client.Connection(), window), nullptr);
        if (tree == nullptr) {
            return 0;
        }
        const xcb_window_t out = tree->parent;
        std::free(tree);
        return out;
    }

    PVM::testing::XTestClient client;
    std::string bundle;
    std::string pluginUri;
    void* module = nullptr;
    const LV2UI_Descriptor* descriptor = nullptr;
    const LV2UI_Idle_Interface* idle = nullptr;
    xcb_window_t parent = 0;
    FakeHost host;
    LV2UI_Resize resize{};
    LV2UI_Touch touch{};
    LV2UI_Handle handle = nullptr;
    LV2UI_Widget widget = nullptr;
};

// The example EQ's editor, next to the EQ created on the LV2 instance's host for its ports.
class Lv2Editor : public EditorHost {
protected:
    void SetUp() override {
        ASSERT_EQ(reference.Open(KVEQ_BUNDLE, kRate), "");
        Load(KVEQ_LV2_BUNDLE, "KvEQ", "urn:korvane:KvEQ");
    }

    // A control port's index: after the audio ports, in the controls' order.
    [[nodiscard]] std::uint32_t PortOf(const std::string& symbol) const {
        const auto& controls = reference.Controls();
        for (std::size_t i = 0; i < controls.size(); ++i) {
            if (controls[i].symbol == symbol) {
                return static_cast<std::uint32_t>(reference.NumInputs() + reference.NumOutputs() +
                                                  i);
            }
        }
        ADD_FAILURE() << "no port " << symbol;
        return 0;
    }
    [[nodiscard]] std::uint32_t OutputPortOf(const std::string& symbol) const {
        return PortOf(symbol) + static_cast<std::uint32_t>(reference.Controls().size());
    }

    KorvaneLv2::Lv2Plugin reference;
};

TEST_F(Lv2Editor, TheGUIIsAChildOfTheHostsWindowAtItsOwnSize) {
    ASSERT_NO_FATAL_FAILURE(InstantiateEmbedded(kWidth, kHeight));
    // The GUI as the headless tools draw it, and nothing written without input.
    EXPECT_EQ(Shown(), HeadlessRender("Gain_0=0"));
    EXPECT_TRUE(host.writes.empty());
}

// The editor widget's size as the server has it.
std::pair<int, int> WindowSize(const PVM::testing::XTestClient& client, LV2UI_Widget widget) {
    xcb_connection_t* c = client.Connection();
    const auto window = static_cast<xcb_window_t>(reinterpret_cast<std::uintptr_t>(widget));
    xcb_get_geometry_reply_t* g = xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr);
    std::pair<int, int> size{-1, -1};
    if (g != nullptr) {
        size = {g->width, g->height};
    }
    std::free(g);
    return size;
}

TEST_F(Lv2Editor, TheHostResizesTheEditorThroughItsWindowAndThroughUiResize) {
    ASSERT_NO_FATAL_FAILURE(InstantiateEmbedded(kWidth, kHeight));
    // The host resizes its window: the editor's view, a child at (0, 0), takes all of it.
    const std::uint32_t size[] = {kWidth + 100, kHeight + 50};
    xcb_configure_window(client.Connection(), parent,
                         XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, size);
    client.Sync();
    Idle(30);
    EXPECT_EQ(WindowSize(client, widget), std::make_pair(kWidth + 100, kHeight + 50));

    // And through ui:resize, which refuses an empty size.
    const auto* uiResize =
        static_cast<const LV2UI_Resize*>(descriptor->extension_data(LV2_UI__resize));
    ASSERT_NE(uiResize, nullptr);
    EXPECT_NE(uiResize->ui_resize(handle, 0, kHeight), 0);
    ASSERT_EQ(uiResize->ui_resize(handle, kWidth + 40, kHeight + 30), 0);
    Idle(30);
    EXPECT_EQ(WindowSize(client, widget), std::make_pair(kWidth + 40, kHeight + 30));
    // The GUI keeps its size at the top-left; the rest is black.
    const auto shown = Shown(kWidth + 40, kHeight + 30);
    const auto headless = HeadlessRender("Gain_0=0");
    ASSERT_EQ(shown.size(), static_cast<std::size_t>((kWidth + 40) * (kHeight + 30)));
    const auto at = [&](int x, int y) {
        return shown[(static_cast<std::size_t>(y) * (kWidth + 40)) + x];
    };
    EXPECT_EQ(at(kWidth / 2, kHeight / 2),
              headless[(static_cast<std::size_t>(kHeight / 2) * kWidth) + (kWidth / 2)]);
    EXPECT_EQ(at(kWidth + 20, 10), 0U);
    EXPECT_EQ(at(10, kHeight + 15), 0U);
    // The host is asked for a size only when the GUI's own changes.
    EXPECT_EQ(host.width, kWidth);
    EXPECT_EQ(host.height, kHeight);
    EXPECT_TRUE(host.writes.empty());
}

TEST_F(Lv2Editor, WithoutTheHostsWindowThereIsNoEditor) {
    Instantiate(false);
    EXPECT_EQ(handle, nullptr);
}

TEST_F(Lv2Editor, DraggingAKnobWritesItsPortInRealWorldUnitsWithinAGesture) {
    Instantiate();
    ASSERT_NE(handle, nullptr);
    Idle(30);
    const std::uint32_t gain = PortOf("band_1");
    MoveTo(kGain1X, kGain1Y);
    client.Button(1, true);
    Idle(20);
    for (int i = 1; i <= 10; ++i) {
        MoveTo(kGain1X, kGain1Y - (4 * i));
        Idle(10);
        if (i == 5) {
            // The host's values arrive late during the drag (the processing side reports the
            // starting gain): the user's hold wins.
            PortEvent(gain, 0.0F);
            PortEvent(OutputPortOf("band_1"), 0.0F);
        }
    }
    client.Button(1, false);
    Idle(30);

    ASSERT_FALSE(host.writes.empty());
    float previous = 0.0F;  // the band's initial gain
    for (const PortWrite& write : host.writes) {
        EXPECT_EQ(write.port, gain) << "only the dragged control is written";
        EXPECT_EQ(write.format, 0U);
        EXPECT_EQ(write.size, sizeof(float));
        EXPECT_GT(write.value, previous) << "dragging up only raises the gain";
        previous = write.value;
    }
    // Decibels, not a normalised position: well above 1 dB and within the port's range.
    EXPECT_GT(previous, 1.0F);
    EXPECT_LE(previous, 18.0F);
    EXPECT_EQ(host.touches, (std::vector<Touch>{{gain, true}, {gain, false}}));
}

TEST_F(Lv2Editor, AWheelNotchOnTheBandTypeWritesTheNextTypesValue) {
    Instantiate();
    ASSERT_NE(handle, nullptr);
    Idle(30);
    const std::uint32_t type = PortOf("band_1_type");
    const ControlPort& control =
        reference.Controls()[type - static_cast<std::uint32_t>(reference.NumInputs() +
                                                               reference.NumOutputs())];
    ASSERT_GE(control.points.size(), 2U);
    MoveTo(kType1X, kType1Y);
    client.Button(4, true);
    client.Button(4, false);
    Idle(50);
    ASSERT_EQ(host.writes.size(), 1U);
    EXPECT_EQ(host.writes.front().port, type);
    EXPECT_EQ(host.writes.front().value, static_cast<float>(control.points[1].first));
    EXPECT_EQ(control.points[1].second, "Low Shelf");
}

TEST_F(Lv2Editor, PortEventsMoveTheGUIAndAreNotWrittenBack) {
    Instantiate();
    ASSERT_NE(handle, nullptr);
    Idle(30);
    const auto before = Shown();
    // Host automation on band 1's gain, through its input port.
    PortEvent(PortOf("band_1"), 12.0F);
    Idle(50);
    const auto after = Shown();
    EXPECT_NE(after, before);
    EXPECT_EQ(after, HeadlessRender("Gain_0=12"));

    // The value the processing side reports on an output port moves the GUI as well; audio
    // ports, unknown ports and values that are no number change nothing.
    PortEvent(OutputPortOf("band_1"), -6.0F);
    PortEvent(0, 0.5F);
    PortEvent(PortOf("band_1") + 1000, 3.0F);
    PortEvent(PortOf("band_1"), std::nanf(""));
    Idle(50);
    EXPECT_EQ(Shown(), HeadlessRender("Gain_0=-6"));
    EXPECT_TRUE(host.writes.empty()) << "the host's own values are not written back";
    EXPECT_TRUE(host.touches.empty());

    // The GUI's parameter itself followed: a wheel notch on the band type starts from the
    // type the host set.
    const std::uint32_t type = PortOf("band_1_type");
    const ControlPort& control =
        reference.Controls()[type - static_cast<std::uint32_t>(reference.NumInputs() +
                                                               reference.NumOutputs())];
    ASSERT_GE(control.points.size(), 4U);
    PortEvent(type, static_cast<float>(control.points[2].first));
    Idle(30);
    MoveTo(kType1X, kType1Y);
    client.Button(4, true);
    client.Button(4, false);
    Idle(50);
    ASSERT_EQ(host.writes.size(), 1U);
    EXPECT_EQ(host.writes.front().port, type);
    EXPECT_EQ(host.writes.front().value, static_cast<float>(control.points[3].first));
}

// The gain's editor: the plug-in built in this tree, or the one whose LV2 folder
// KORVANE_LV2_UI_BUNDLE names (the install test points it at the gain built against the
// installed package).
class Lv2GainEditor : public EditorHost {
protected:
    void SetUp() override {
        const char* other = std::getenv("KORVANE_LV2_UI_BUNDLE");
        Load(other != nullptr && *other != '\0' ? other : KVGAIN_LV2_BUNDLE, "KvGain",
             "urn:korvane:KvGain");
    }
};

TEST_F(Lv2GainEditor, EmbedsItsGUIInTheHostsWindowAndWritesWhatTheUserTurns) {
    // The size its GUI description gives, the host's window as the parent.
    ASSERT_NO_FATAL_FAILURE(InstantiateEmbedded(kGainWidth, kGainHeight));
    const auto before = Shown(kGainWidth, kGainHeight);
    EXPECT_TRUE(host.writes.empty());

    // The host's value moves the knob; nothing is written back.
    PortEvent(kGainPort, -12.0F);
    Idle(50);
    EXPECT_NE(Shown(kGainWidth, kGainHeight), before);
    EXPECT_TRUE(host.writes.empty());

    // A wheel notch up on the knob reaches the host as a higher gain in decibels.
    MoveTo(kGainKnobX, kGainKnobY);
    client.Button(4, true);
    client.Button(4, false);
    Idle(50);
    ASSERT_FALSE(host.writes.empty());
    EXPECT_EQ(host.writes.back().port, kGainPort);
    EXPECT_GT(host.writes.back().value, -12.0F);
    EXPECT_LE(host.writes.back().value, 24.0F);
}

}  // namespace
