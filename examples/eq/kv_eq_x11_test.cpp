// The example EQ's window as a real X11 view under the tests' own X server: what the window
// shows is the headless render, and real input (XTEST) on it drives the EQ on the reference
// host as it does without a display.
#include "examples/eq/kv_eq.h"

#include "examples/eq/kv_eq_test_support.h"
#include "host/reference_host.h"
#include "korvane/gs/gs_writer.h"
#include "korvane/gui/pvm/platform/xvfb_test_support.h"
#include "korvane/gui/pvm/plugin_view.h"
#include "korvane/gui/pvm/png_image.h"
#include "korvane/gui/pvm/res_image_source.h"
#include "korvane/gui/standard_gui.h"
#include "korvane/gui/widget_value_text.h"
#include "korvane/rm/resource_manager.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace {

using namespace kvKorvaneV10_0_3;
using kvexample::KvEQ;
namespace PM = ProcessMemory;
namespace PVM = PluginViewManager;

// The window's place on the screen and the parent's size (GUIXML/128.xml is 600 × 360).
constexpr int kLeft = 30, kTop = 20, kWidth = 600, kHeight = 360;
// Band 1's gain knob and type popup, in window coordinates.
constexpr int kGain1X = 107, kGain1Y = 209;
constexpr int kType1X = 90, kType1Y = 169;
constexpr std::int64_t kBand1Automation = 0;

class KvEQOnX11 : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(client.Ok());
        kvexample::testing::OpenEQOnHost(KVEQ_MODULE, host, container, eq);
        ASSERT_FALSE(HasFatalFailure());
        gui = std::make_unique<CStandardGUI_X>(container);
        ASSERT_EQ(gui->InitDefaultGUI(eq.get()), eNoErr);
        images = std::make_unique<PVM::KCResImageSource>(container);
        host.ProcessBlock();
        host.Events().Clear();

        PVM::KCPluginViewCreateOptions options;
        options.parent = client.TopLevel(kLeft, kTop, kWidth, kHeight);
        options.width = kWidth;
        options.height = kHeight;
        options.receiver = gui.get();
        options.images = images.get();
        ASSERT_EQ(PVM::CreatePluginView(options, view), eNoErr);
        ASSERT_EQ(view->Show(), eNoErr);
        Redraw();
    }

    void TearDown() override {
        view.reset();
        gui.reset();
        images.reset();
        eq.reset();
        EXPECT_EQ(RM::CloseResContainer(container), eNoErr);
        EXPECT_EQ(RM::Dispose(), eNoErr);
    }

    // What a host's idle does: the block, the EQ's idle, the window drawn again.
    void Redraw() {
        host.ProcessBlock();
        eq->DoIdle(0);
        kvGS::KCGraphicStreamBinaryWriter writer;
        gui->GetDrawInstructions(writer);
        ASSERT_EQ(writer.GetError(), eNoErr);
        ASSERT_EQ(
            view->Draw(static_cast<const char*>(writer.GetStream().ptr), writer.GetStream().size),
            eNoErr);
        PVM::RunEventLoopFor(10);
    }

    // Runs the loop with the host processing blocks, as a plug-in window lives.
    void Run(int ms) {
        for (int i = 0; i < ms / 5; ++i) {
            PVM::RunEventLoopFor(5);
            host.ProcessBlock();
        }
        eq->DoIdle(0);
    }

    void MoveTo(int x, int y) { client.MoveTo(kLeft + x, kTop + y); }

    std::vector<int> Gestures(std::int64_t control) { return host.Events().Gestures(control); }

    PVM::testing::XTestClient client;
    KTResContainerType* container = nullptr;
    KorvaneHost::ReferenceHost host;
    std::unique_ptr<KvEQ> eq;
    std::unique_ptr<CStandardGUI_X> gui;
    std::unique_ptr<PVM::KCResImageSource> images;
    std::unique_ptr<PVM::KCPluginView> view;
};

TEST_F(KvEQOnX11, TheWindowShowsTheHeadlessRender) {
    std::vector<unsigned char> png;
    ASSERT_EQ(gui->RenderToPNG(png), eNoErr);
    PVM::KCImagePixels headless;
    ASSERT_EQ(PVM::DecodePNG(png.data(), png.size(), headless), eNoErr);
    ASSERT_EQ(headless.width, kWidth);
    ASSERT_EQ(headless.height, kHeight);
    const auto shown = client.Pixels(view->GetNativeView(), kWidth, kHeight);
    ASSERT_EQ(shown.size(), static_cast<std::size_t>(kWidth) * kHeight);
    int differ = 0;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const std::uint32_t want = headless.At(x, y) & 0xFFFFFFU;
            const std::uint32_t got = shown[static_cast<std::size_t>(y) * kWidth + x];
            if (want != got && differ++ < 5) {
                ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << got
                              << " instead of " << want;
            }
        }
    }
    EXPECT_EQ(differ, 0);
}

TEST_F(KvEQOnX11, DraggingAKnobWithTheMouseChangesItsParameterWithPairedGestures) {
    const double before = eq->GetParamRealWorld(KvEQ::kGain + 0);
    MoveTo(kGain1X, kGain1Y);
    client.Button(1, true);
    Run(20);
    for (int i = 1; i <= 10; ++i) {
        MoveTo(kGain1X, kGain1Y - (4 * i));
        Run(10);
    }
    client.Button(1, false);
    Run(30);
    const double after = eq->GetParamRealWorld(KvEQ::kGain + 0);
    EXPECT_GT(after, before + 1) << "dragging up raises the gain";
    EXPECT_EQ(Gestures(kBand1Automation),
              (std::vector<int>{PM::eSelAutomationTouch, PM::eSelAutomationRelease}));
    EXPECT_EQ(host.CloseGestures(), 0U);
    EXPECT_EQ(host.Misuse().Count(), 0U);

    // The window shows the knob where the parameter now is.
    std::vector<unsigned char> png;
    const auto stale = client.Pixels(view->GetNativeView(), kWidth, kHeight);
    Redraw();
    ASSERT_EQ(gui->RenderToPNG(png), eNoErr);
    PVM::KCImagePixels headless;
    ASSERT_EQ(PVM::DecodePNG(png.data(), png.size(), headless), eNoErr);
    const auto shown = client.Pixels(view->GetNativeView(), kWidth, kHeight);
    EXPECT_NE(shown, stale);
    EXPECT_EQ(shown[static_cast<std::size_t>(kGain1Y) * kWidth + kGain1X],
              headless.At(kGain1X, kGain1Y) & 0xFFFFFFU);
}

TEST_F(KvEQOnX11, AWheelNotchOnTheBandTypeStepsIt) {
    const KCGUIControl* popup = gui->GetControlPtrByName("Band 1 Type");
    ASSERT_NE(popup, nullptr);
    const KCParamRegistrationData* lead = popup->GetLeadRegistration();
    ASSERT_NE(lead, nullptr);
    const auto shown = [&] { return WidgetValueText(*lead, eq->GetParamState(KvEQ::kType)); };
    ASSERT_EQ(shown(), "Bell");
    MoveTo(kType1X, kType1Y);
    client.Button(4, true);
    client.Button(4, false);
    Run(50);
    EXPECT_EQ(shown(), "Low Shelf");
    EXPECT_EQ(host.CloseGestures(), 0U);
}

TEST_F(KvEQOnX11, ADoubleClickOnAKnobTakingTextOpensTheEditBoxWhichCommitsTheTypedValue) {
    KCGUIControl* knob = gui->GetControlPtrByName("Band 1");
    ASSERT_NE(knob, nullptr);
    knob->SetControlFlag(eCtrlReciveTextEntery, true);
    ASSERT_GT(std::abs(eq->GetParamRealWorld(KvEQ::kGain + 0) + 6.0), 1.0);
    int boxes = 0;
    PVM::SetModalWindowShownHook([&](std::uint32_t /*window*/) {
        ++boxes;
        client.Type('-');
        client.Type('6');
        client.Type(0xFF0D);  // Return
    });
    // Two clicks at one place, well within the double-click time.
    MoveTo(kGain1X, kGain1Y);
    for (int click = 0; click < 2; ++click) {
        client.Button(1, true);
        client.Button(1, false);
    }
    Run(100);
    PVM::SetModalWindowShownHook({});
    EXPECT_EQ(boxes, 1);
    EXPECT_NEAR(eq->GetParamRealWorld(KvEQ::kGain + 0), -6.0, 0.05);
    EXPECT_EQ(host.CloseGestures(), 0U);
    EXPECT_EQ(host.Misuse().Count(), 0U);
}

// The band type's menu: rows 20 pixels high below 3 of padding, one item per type.
TEST_F(KvEQOnX11, ThePopupOfTheBandTypeChangesItWhenAnItemIsClicked) {
    const KCGUIControl* popup = gui->GetControlPtrByName("Band 1 Type");
    ASSERT_NE(popup, nullptr);
    const KCParamRegistrationData* lead = popup->GetLeadRegistration();
    ASSERT_NE(lead, nullptr);
    const auto shown = [&] { return WidgetValueText(*lead, eq->GetParamState(KvEQ::kType)); };
    ASSERT_EQ(shown(), "Bell");
    const std::string third = WidgetValueText(*lead, 2);
    ASSERT_NE(third, "Bell");

    // What the user does once the menu is up, each time one is shown.
    std::vector<std::function<void(xcb_window_t)>> steps;
    int menus = 0;
    PVM::SetModalWindowShownHook([&](std::uint32_t window) {
        ++menus;
        if (!steps.empty()) {
            auto step = steps.front();
            steps.erase(steps.begin());
            step(window);
        }
    });
    const auto rootOf = [&](xcb_window_t window) {
        xcb_get_geometry_reply_t* g = xcb_get_geometry_reply(
            client.Connection(), xcb_get_geometry(client.Connection(), window), nullptr);
        std::pair<int, int> at{g->x, g->y};
        std::free(g);
        return at;
    };
    const auto click = [&](int x, int y) {
        client.MoveTo(x, y);
        client.Button(1, true);
        client.Button(1, false);
    };

    // Escape first: nothing changes.
    steps.emplace_back([&](xcb_window_t) {
        client.Key(9, true);  // the server's Escape key
        client.Key(9, false);
    });
    MoveTo(kType1X, kType1Y);
    click(kLeft + kType1X, kTop + kType1Y);
    Run(50);
    ASSERT_EQ(menus, 1);
    EXPECT_EQ(shown(), "Bell");

    // A click outside the menu: nothing changes either.
    steps.emplace_back([&](xcb_window_t window) {
        const auto [x, y] = rootOf(window);
        click(x - 20, y + 10);
    });
    click(kLeft + kType1X, kTop + kType1Y);
    Run(50);
    ASSERT_EQ(menus, 2);
    EXPECT_EQ(shown(), "Bell");

    // The third item, clicked.
    steps.emplace_back([&](xcb_window_t window) {
        const auto [x, y] = rootOf(window);
        click(x + 30, y + 3 + (2 * 20) + 10);
    });
    click(kLeft + kType1X, kTop + kType1Y);
    Run(50);
    ASSERT_EQ(menus, 3);
    EXPECT_EQ(shown(), third);
    EXPECT_EQ(host.CloseGestures(), 0U);
    EXPECT_EQ(host.Misuse().Count(), 0U);
    PVM::SetModalWindowShownHook({});

    // The window shows the new type once drawn again.
    Redraw();
    std::vector<unsigned char> png;
    ASSERT_EQ(gui->RenderToPNG(png), eNoErr);
    PVM::KCImagePixels headless;
    ASSERT_EQ(PVM::DecodePNG(png.data(), png.size(), headless), eNoErr);
    const auto pixels = client.Pixels(view->GetNativeView(), kWidth, kHeight);
    int differ = 0;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            differ +=
                pixels[static_cast<std::size_t>(y) * kWidth + x] != (headless.At(x, y) & 0xFFFFFFU)
                    ? 1
                    : 0;
        }
    }
    EXPECT_EQ(differ, 0);
}

TEST_F(KvEQOnX11, AKnobDragHidesAndHoldsThePointerAndPutsItBackWhereItWasPressed) {
    gui->SetPluginView(view.get());
    const double before = eq->GetParamRealWorld(KvEQ::kGain + 0);
    MoveTo(kGain1X, kGain1Y);
    client.Button(1, true);
    Run(20);
    EXPECT_TRUE(view->IsPointerCaptured());
    EXPECT_TRUE(view->IsCursorHidden());
    for (int i = 1; i <= 5; ++i) {
        MoveTo(kGain1X, kGain1Y - (6 * i));
        Run(10);
    }
    EXPECT_TRUE(view->IsCursorHidden());
    // Held by the view: another client cannot take the pointer during the drag.
    xcb_grab_pointer_reply_t* other = xcb_grab_pointer_reply(
        client.Connection(),
        xcb_grab_pointer(client.Connection(), 0, client.Screen()->root, 0, XCB_GRAB_MODE_ASYNC,
                         XCB_GRAB_MODE_ASYNC, XCB_NONE, XCB_NONE, XCB_CURRENT_TIME),
        nullptr);
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(other->status, XCB_GRAB_STATUS_ALREADY_GRABBED);
    std::free(other);

    client.Button(1, false);
    Run(30);
    EXPECT_GT(eq->GetParamRealWorld(KvEQ::kGain + 0), before);
    EXPECT_FALSE(view->IsCursorHidden());
    EXPECT_FALSE(view->IsPointerCaptured());
    // The pointer is back on the knob, where the drag started.
    EXPECT_TRUE(PVM::testing::RunUntil([&] {
        return client.Pointer() == std::make_pair(kLeft + kGain1X, kTop + kGain1Y);
    })) << client.Pointer().first
        << "," << client.Pointer().second;
    EXPECT_EQ(Gestures(kBand1Automation),
              (std::vector<int>{PM::eSelAutomationTouch, PM::eSelAutomationRelease}));
    gui->SetPluginView(nullptr);
}

TEST_F(KvEQOnX11, AnUngrabInTheMiddleOfADragReleasesTheKnob) {
    MoveTo(kGain1X, kGain1Y);
    client.Button(1, true);
    Run(20);
    MoveTo(kGain1X, kGain1Y - 8);
    Run(20);
    ASSERT_EQ(Gestures(kBand1Automation), (std::vector<int>{PM::eSelAutomationTouch}));

    xcb_leave_notify_event_t leave{};
    leave.response_type = XCB_LEAVE_NOTIFY;
    leave.event = view->GetNativeView();
    leave.mode = XCB_NOTIFY_MODE_UNGRAB;
    xcb_send_event(client.Connection(), 0, view->GetNativeView(), XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&leave));
    client.Sync();
    Run(30);
    EXPECT_EQ(Gestures(kBand1Automation),
              (std::vector<int>{PM::eSelAutomationTouch, PM::eSelAutomationRelease}));
    const double held = eq->GetParamRealWorld(KvEQ::kGain + 0);

    // The drag is over: moving on and the late release change nothing.
    MoveTo(kGain1X, kGain1Y - 40);
    client.Button(1, false);
    Run(30);
    EXPECT_EQ(eq->GetParamRealWorld(KvEQ::kGain + 0), held);
    EXPECT_EQ(Gestures(kBand1Automation).size(), 2U);
    EXPECT_EQ(host.CloseGestures(), 0U);
}

}  // namespace
