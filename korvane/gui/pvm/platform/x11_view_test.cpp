// Window views under a real X server (Xvfb, started by the tests): what they draw is what the
// renderer drew, and real input reaches the GUI as the event records it expects.
#include "korvane/gui/pvm/plugin_view.h"

#include "korvane/gs/gs_writer.h"
#include "korvane/gui/pvm/platform/x11_pixels.h"
#include "korvane/gui/pvm/platform/xvfb_test_support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace kvKorvaneV10_0_3::PluginViewManager {
namespace {

using testing::RunUntil;
using testing::XTestClient;

// What the GUI was told, one line per call.
struct Recorder : KCViewEventReceiver {
    struct Call {
        char kind;  // D(own), M(ove), U(p), W(heel), K(ey)
        KCEventData event;
    };
    std::vector<Call> calls;
    void DoMouseDown(KCEventData& e) override { calls.push_back({'D', e}); }
    void DoMouseMove(KCEventData& e) override { calls.push_back({'M', e}); }
    void DoMouseUp(KCEventData& e) override { calls.push_back({'U', e}); }
    void DoMouseWheel(KCEventData& e) override { calls.push_back({'W', e}); }
    void DoKey(KCEventData& e, bool& handled) override {
        calls.push_back({'K', e});
        handled = true;
    }
    void DoResizeViewPluginRect(const KURect<int>& bounds) override { resized.push_back(bounds); }
    std::vector<KURect<int>> resized;
    [[nodiscard]] int Count(char kind) const {
        int n = 0;
        for (const auto& c : calls) {
            n += c.kind == kind ? 1 : 0;
        }
        return n;
    }
    [[nodiscard]] const Call* Last(char kind) const {
        const Call* last = nullptr;
        for (const auto& call : calls) {
            if (call.kind == kind) {
                last = &call;
            }
        }
        return last;
    }
};

std::vector<char> TestPattern(int width, int height) {
    kvGS::KCGraphicStreamBinaryWriter w;
    kvGS::SGSStream stream;
    stream.rect = {0, 0, width, height};
    {
        kvGS::KCStGSStreamStructWriter guard(w, stream);
        const auto W = static_cast<short>(width);
        const auto H = static_cast<short>(height);
        // top, left, bottom, right
        w.DrawSolidRect(KCRGBAColor{20, 40, 60, 255}, KURect<short>(0, 0, H, W));
        w.DrawSolidRect(KCRGBAColor{250, 10, 10, 255}, KURect<short>(10, 10, H / 2, W / 2));
        w.DrawSolidRect(KCRGBAColor{10, 240, 30, 255}, KURect<short>(H / 2, W / 3, H - 7, W - 3));
        // Half-transparent, antialiased: premultiplied pixels shown as they are.
        kvGS::SGSDrawOval oval;
        oval.rect = {W / 4, H / 4, W / 2, H / 3};
        oval.stroke_width = 0;
        oval.draw_color = kvGS::ToSGSColor(KCRGBAColor{30, 60, 240, 160});
        w.DrawOval(oval);
    }
    EXPECT_EQ(w.GetError(), eNoErr);
    const auto& s = w.GetStream();
    return {static_cast<const char*>(s.ptr), static_cast<const char*>(s.ptr) + s.size};
}

class X11View : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(client.Ok()); }

    std::unique_ptr<KCPluginView> MakeView(xcb_window_t parent, int x, int y, int width, int height,
                                           bool shm = true) {
        KCPluginViewCreateOptions options;
        options.parent = parent;
        options.x = x;
        options.y = y;
        options.width = width;
        options.height = height;
        options.useSharedMemory = shm;
        options.receiver = &recorder;
        std::unique_ptr<KCPluginView> view;
        EXPECT_EQ(CreatePluginView(options, view), eNoErr);
        if (view != nullptr) {
            EXPECT_EQ(view->Show(), eNoErr);
            RunEventLoopFor(20);
        }
        return view;
    }

    XTestClient client;
    Recorder recorder;
};

class X11ViewDrawing : public X11View, public ::testing::WithParamInterface<bool> {};

TEST_P(X11ViewDrawing, ALargeViewShowsExactlyTheHeadlessRender) {
    constexpr int kSize = 2100;  // more than one plain request can carry
    const xcb_window_t parent = client.TopLevel(0, 0, kSize, kSize);
    auto view = MakeView(parent, 0, 0, kSize, kSize, GetParam());
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(IsDisplayConnected());
    EXPECT_GE(GetEventLoopFileDescriptor(), 0);
    EXPECT_EQ(view->GetNativeParentView(), parent);
    const auto stream = TestPattern(kSize, kSize);
    ASSERT_EQ(view->Draw(stream.data(), stream.size(), false), eNoErr);
    // Xvfb offers MIT-SHM, so the switch alone decides the path.
    EXPECT_EQ(view->IsSharedMemoryInUse(), GetParam());
    RunEventLoopFor(20);

    KCGraphicStreamToCairo headless;
    ASSERT_EQ(headless.Render(stream.data(), stream.size()), eNoErr);
    const auto shown = client.Pixels(view->GetNativeView(), kSize, kSize);
    ASSERT_EQ(shown.size(), static_cast<std::size_t>(kSize) * kSize);
    int differ = 0;
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const std::uint32_t want = headless.GetPixel(x, y) & 0xFFFFFFU;
            const std::uint32_t got = shown[static_cast<std::size_t>(y) * kSize + x];
            if (want != got && differ++ < 5) {
                ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << got
                              << " instead of " << want;
            }
        }
    }
    EXPECT_EQ(differ, 0);

    // Uncovered again, the window is repainted from the latest render.
    xcb_clear_area(client.Connection(), 1, view->GetNativeView(), 0, 0, 100, 100);
    client.Sync();
    RunEventLoopFor(30);
    const auto again = client.Pixels(view->GetNativeView(), 100, 100);
    EXPECT_EQ(again[50 * 100 + 50], headless.GetPixel(50, 50) & 0xFFFFFFU);
}

INSTANTIATE_TEST_SUITE_P(SharedMemory, X11ViewDrawing, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Shm" : "PlainRequests"; });

// The window's size as the server has it.
std::pair<int, int> SizeOf(const XTestClient& client, xcb_window_t window) {
    xcb_get_geometry_reply_t* g = xcb_get_geometry_reply(
        client.Connection(), xcb_get_geometry(client.Connection(), window), nullptr);
    std::pair<int, int> size{-1, -1};
    if (g != nullptr) {
        size = {g->width, g->height};
    }
    std::free(g);
    return size;
}

void Configure(const XTestClient& client, xcb_window_t window, std::uint16_t mask,
               std::initializer_list<std::uint32_t> values) {
    const std::vector<std::uint32_t> list(values);
    xcb_configure_window(client.Connection(), window, mask, list.data());
    client.Sync();
}

TEST_P(X11ViewDrawing, AViewFollowsItsParentsSizeAndPaintsBeyondItsGUIBlack) {
    const xcb_window_t parent = client.TopLevel(0, 0, 300, 200);
    // A white parent: what the view leaves unpainted would show white.
    const std::uint32_t white[] = {client.Screen()->white_pixel};
    xcb_change_window_attributes(client.Connection(), parent, XCB_CW_BACK_PIXEL, white);
    auto view = MakeView(parent, 20, 10, 280, 190, GetParam());
    ASSERT_NE(view, nullptr);
    const auto stream = TestPattern(280, 190);
    ASSERT_EQ(view->Draw(stream.data(), stream.size(), false), eNoErr);

    // Wider and taller: the view keeps its place and takes the rest of the parent.
    Configure(client, parent, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, {420, 260});
    ASSERT_TRUE(RunUntil([&] { return recorder.resized.size() == 1; }));
    EXPECT_EQ(recorder.resized[0], KURect<int>(10, 20, 260, 420));
    EXPECT_EQ(view->GetViewBounds(), KURect<int>(10, 20, 260, 420));
    EXPECT_EQ(SizeOf(client, view->GetNativeView()), std::make_pair(400, 250));
    RunEventLoopFor(20);
    KCGraphicStreamToCairo headless;
    ASSERT_EQ(headless.Render(stream.data(), stream.size()), eNoErr);
    const auto shown = client.Pixels(view->GetNativeView(), 400, 250);
    ASSERT_EQ(shown.size(), 400U * 250U);
    EXPECT_EQ(shown[(100 * 400) + 50], headless.GetPixel(50, 100) & 0xFFFFFFU);
    EXPECT_EQ(shown[(100 * 400) + 350], 0U) << "right of the GUI";
    EXPECT_EQ(shown[(220 * 400) + 50], 0U) << "below the GUI";

    // A move of the parent is not a resize; a smaller parent shrinks the view.
    Configure(client, parent, XCB_CONFIG_WINDOW_X, {5});
    Configure(client, parent, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, {120, 60});
    ASSERT_TRUE(RunUntil([&] { return recorder.resized.size() >= 2; }));
    ASSERT_EQ(recorder.resized.size(), 2U);
    EXPECT_EQ(recorder.resized[1], KURect<int>(10, 20, 60, 120));
    EXPECT_EQ(SizeOf(client, view->GetNativeView()), std::make_pair(100, 50));
}

TEST_F(X11View, AtScaleTwoTheGUIIsDrawnDoubledAndInputIsMappedBack) {
    const xcb_window_t parent = client.TopLevel(0, 0, 400, 300);
    KCPluginViewCreateOptions options;
    options.parent = parent;
    options.x = 10;
    options.y = 5;
    options.width = 150;
    options.height = 100;
    options.scale = 2;
    options.receiver = &recorder;
    std::unique_ptr<KCPluginView> view;
    ASSERT_EQ(CreatePluginView(options, view), eNoErr);
    ASSERT_EQ(view->Show(), eNoErr);
    RunEventLoopFor(20);
    EXPECT_EQ(view->GetScaleFactor(), 2.0);
    EXPECT_EQ(view->GetViewBounds(), KURect<int>(5, 10, 105, 160)) << "in GUI units";
    EXPECT_EQ(SizeOf(client, view->GetNativeView()), std::make_pair(300, 200));
    const auto stream = TestPattern(150, 100);
    ASSERT_EQ(view->Draw(stream.data(), stream.size(), false), eNoErr);
    RunEventLoopFor(20);
    const auto shown = client.Pixels(view->GetNativeView(), 300, 200);
    ASSERT_EQ(shown.size(), 300U * 200U);

    // Exactly what the headless renderer draws at the same scale.
    KCGraphicStreamToCairo scaled;
    scaled.SetScale(2);
    ASSERT_EQ(scaled.Render(stream.data(), stream.size()), eNoErr);
    ASSERT_EQ(scaled.GetWidth(), 300);
    int differ = 0;
    for (int y = 0; y < 200; ++y) {
        for (int x = 0; x < 300; ++x) {
            differ += shown[(static_cast<std::size_t>(y) * 300) + x] !=
                              (scaled.GetPixel(x, y) & 0xFFFFFFU)
                          ? 1
                          : 0;
        }
    }
    EXPECT_EQ(differ, 0);
    // And the render at 1 doubled, wherever it is one colour around a pixel (edges are drawn
    // finer at 2, as they should be).
    KCGraphicStreamToCairo single;
    ASSERT_EQ(single.Render(stream.data(), stream.size()), eNoErr);
    int compared = 0;
    differ = 0;
    for (int y = 1; y < 99; ++y) {
        for (int x = 1; x < 149; ++x) {
            const std::uint32_t c = single.GetPixel(x, y) & 0xFFFFFFU;
            bool uniform = true;
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    uniform = uniform && (single.GetPixel(x + dx, y + dy) & 0xFFFFFFU) == c;
                }
            }
            if (!uniform) {
                continue;
            }
            ++compared;
            for (int by = 0; by < 2; ++by) {
                for (int bx = 0; bx < 2; ++bx) {
                    differ +=
                        shown[(static_cast<std::size_t>((2 * y) + by) * 300) + (2 * x) + bx] != c
                            ? 1
                            : 0;
                }
            }
        }
    }
    EXPECT_GT(compared, 150 * 100 / 2);
    EXPECT_EQ(differ, 0);

    // A click on screen pixel (41, 61) of the view is GUI point (20, 30).
    client.MoveTo(20 + 41, 10 + 61);
    client.Button(1, true);
    client.Button(1, false);
    ASSERT_TRUE(RunUntil([&] { return recorder.Count('U') == 1; }));
    const auto* down = recorder.Last('D');
    ASSERT_NE(down, nullptr);
    EXPECT_EQ(down->event.GetMouseLocation(), (KCEventData::Point{20, 30}));

    // The parent's new size in pixels is its size in GUI units halved.
    Configure(client, parent, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, {500, 401});
    ASSERT_TRUE(RunUntil([&] { return recorder.resized.size() == 1; }));
    EXPECT_EQ(recorder.resized[0], KURect<int>(5, 10, 200, 250));
    EXPECT_EQ(SizeOf(client, view->GetNativeView()), std::make_pair(480, 390));
}

TEST_F(X11View, WithoutAnExplicitScaleTheEnvironmentOrTheXResourcesGiveIt) {
    const xcb_window_t parent = client.TopLevel(0, 0, 100, 100);
    const auto scaleOf = [&](double asked) {
        KCPluginViewCreateOptions options;
        options.parent = parent;
        options.width = 10;
        options.height = 10;
        options.scale = asked;
        std::unique_ptr<KCPluginView> view;
        EXPECT_EQ(CreatePluginView(options, view), eNoErr);
        return view ? view->GetScaleFactor() : -1.0;
    };
    xcb_connection_t* c = client.Connection();
    const auto resources = [&](const std::string& text) {
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, client.Screen()->root,
                            XCB_ATOM_RESOURCE_MANAGER, XCB_ATOM_STRING, 8,
                            static_cast<std::uint32_t>(text.size()), text.data());
        client.Sync();
    };
    EXPECT_EQ(scaleOf(0), 1.0) << "no resources";
    resources("Xft.antialias:\t1\nXft.dpi:\t144\n");
    EXPECT_EQ(scaleOf(0), 1.5);
    resources("Xft.dpi:\tmany\n");
    EXPECT_EQ(scaleOf(0), 1.0);
    resources("Xft.dpi: 960\n");
    EXPECT_EQ(scaleOf(0), KCGraphicStreamToCairo::kMaxScale);
    ASSERT_EQ(setenv("KORVANE_GUI_SCALE", "2", 1), 0);
    EXPECT_EQ(scaleOf(0), 2.0) << "the environment before the resources";
    EXPECT_EQ(scaleOf(3), 3.0) << "the host's own choice before both";
    ASSERT_EQ(setenv("KORVANE_GUI_SCALE", "nan", 1), 0);
    EXPECT_EQ(scaleOf(0), KCGraphicStreamToCairo::kMaxScale) << "a bad value is ignored";
    unsetenv("KORVANE_GUI_SCALE");
    xcb_delete_property(c, client.Screen()->root, XCB_ATOM_RESOURCE_MANAGER);
    client.Sync();
    EXPECT_EQ(scaleOf(0), 1.0);
}

TEST(X11Pixels, ConvertsToOtherChannelOrdersAndByteOrders) {
    // Premultiplied ARGB words as the renderer leaves them in memory.
    const std::uint32_t argb[2] = {0xFF112233U, 0x80402010U};
    std::uint8_t src[8];
    std::memcpy(src, argb, sizeof src);
    std::uint8_t out[8];

    Native::KSPixelFormat same;
    EXPECT_TRUE(same.IsRendererLayout());
    EXPECT_TRUE(same.IsSupported());
    Native::ConvertPixels(src, 8, 2, 1, same, out);
    EXPECT_EQ(std::memcmp(out, src, 8), 0);

    Native::KSPixelFormat bgr;
    bgr.redMask = 0x0000FF;
    bgr.blueMask = 0xFF0000;
    EXPECT_FALSE(bgr.IsRendererLayout());
    Native::ConvertPixels(src, 8, 2, 1, bgr, out);
    const std::uint8_t bgrWant[8] = {0x11, 0x22, 0x33, 0x00, 0x40, 0x20, 0x10, 0x00};
    EXPECT_EQ(std::memcmp(out, bgrWant, 8), 0);

    Native::KSPixelFormat msb;
    msb.msbFirst = true;
    msb.depth = 32;  // the spare byte carries alpha
    Native::ConvertPixels(src, 8, 2, 1, msb, out);
    const std::uint8_t msbWant[8] = {0xFF, 0x11, 0x22, 0x33, 0x80, 0x40, 0x20, 0x10};
    EXPECT_EQ(std::memcmp(out, msbWant, 8), 0);

    Native::KSPixelFormat rgb565;
    rgb565.depth = 16;
    rgb565.bitsPerPixel = 16;
    rgb565.redMask = 0xF800;
    rgb565.greenMask = 0x07E0;
    rgb565.blueMask = 0x001F;
    EXPECT_FALSE(rgb565.IsSupported());
    Native::KSPixelFormat overlapping;
    overlapping.greenMask = 0xFF0000;
    EXPECT_FALSE(overlapping.IsSupported());
}

TEST_F(X11View, ButtonsDragsAndDoubleClicksReachTheGUIAtViewCoordinates) {
    const xcb_window_t parent = client.TopLevel(100, 100, 400, 300);
    auto view = MakeView(parent, 50, 40, 200, 150);
    ASSERT_NE(view, nullptr);
    // Root (100 + 50 + 20, 100 + 40 + 30) is view (20, 30).
    client.MoveTo(170, 170);
    client.Button(1, true);
    for (int i = 1; i <= 5; ++i) {
        client.MoveTo(170 + i, 170 - (2 * i));
    }
    client.Button(1, false);
    ASSERT_TRUE(RunUntil([&] { return recorder.Count('U') == 1; }));
    const auto* down = recorder.Last('D');
    ASSERT_NE(down, nullptr);
    EXPECT_EQ(down->event.GetMouseLocation().x, 20);
    EXPECT_EQ(down->event.GetMouseLocation().y, 30);
    EXPECT_TRUE(down->event.GetMouseButtonPressed(eLeftButton));
    EXPECT_EQ(down->event.GetMouseClickCount(), eSingleClick);
    const auto* up = recorder.Last('U');
    EXPECT_EQ(up->event.GetMouseLocation().x, 25);
    EXPECT_EQ(up->event.GetMouseLocation().y, 20);
    EXPECT_EQ(up->event.GetMouseDistanceFromDragStart().y, -10);
    // Moves may be merged, never lost: the last one is where the pointer ended.
    const int moves = recorder.Count('M');
    EXPECT_GE(moves, 1);
    EXPECT_LE(moves, 5);
    EXPECT_EQ(recorder.Last('M')->event.GetMouseLocation().y, 20);

    // Two clicks where the drag ended, at once: a double click (the drag's press was 10 pixels
    // away, so the first is single). The right button is its own gesture.
    client.Button(1, true);
    client.Button(1, false);
    client.Button(1, true);
    client.Button(1, false);
    ASSERT_TRUE(RunUntil([&] { return recorder.Count('U') == 3; }));
    EXPECT_EQ(recorder.calls[recorder.calls.size() - 4].kind, 'D');
    EXPECT_EQ(recorder.calls[recorder.calls.size() - 4].event.GetMouseClickCount(), eSingleClick);
    EXPECT_EQ(recorder.Last('D')->event.GetMouseClickCount(), eDoubleClick);
    client.Button(3, true);
    client.Button(3, false);
    ASSERT_TRUE(RunUntil([&] { return recorder.Count('U') == 4; }));
    EXPECT_TRUE(recorder.Last('D')->event.GetMouseButtonPressed(eRightButton));
    EXPECT_EQ(recorder.Last('D')->event.GetMouseClickCount(), eSingleClick);
    // Far away, no double click.
    client.MoveTo(220, 220);
    client.Button(3, true);
    client.Button(3, false);
    ASSERT_TRUE(RunUntil([&] { return recorder.Count('U') == 5; }));
    EXPECT_EQ(recorder.Last('D')->event.GetMouseClickCount(), eSingleClick);
}

TEST_F(X11View, WheelButtonsAreNotchesAndNeverPresses) {
    const xcb_window_t parent = client.TopLevel(0, 0, 300, 300);
    auto view = MakeView(parent, 0, 0, 300, 300);
    ASSERT_NE(view, nullptr);
    client.MoveTo(100, 100);
    const int buttons[] = {4, 5, 6, 7};
    for (const int b : buttons) {
        client.Button(b, true);
        client.Button(b, false);
    }
    ASSERT_TRUE(RunUntil([&] { return recorder.Count('W') == 4; }));
    std::vector<int> notches;
    for (const auto& c : recorder.calls) {
        if (c.kind == 'W') {
            notches.push_back(c.event.GetMouseWheelDelta());
        }
    }
    EXPECT_EQ(notches, (std::vector<int>{1, -1, 1, -1}));
    EXPECT_EQ(recorder.Count('D'), 0);
    EXPECT_EQ(recorder.Count('U'), 0);
}

TEST_F(X11View, KeysCarryTheirCharacterCodeAndModifiers) {
    const xcb_window_t parent = client.TopLevel(0, 0, 300, 300);
    auto view = MakeView(parent, 0, 0, 300, 300);
    ASSERT_NE(view, nullptr);
    // A click gives the view the keyboard.
    client.MoveTo(10, 10);
    client.Button(1, true);
    client.Button(1, false);
    ASSERT_TRUE(RunUntil([&] { return recorder.Count('U') == 1; }));

    xcb_connection_t* c = client.Connection();
    const xcb_setup_t* setup = xcb_get_setup(c);
    xcb_get_keyboard_mapping_reply_t* map = xcb_get_keyboard_mapping_reply(
        c,
        xcb_get_keyboard_mapping(
            c, setup->min_keycode,
            static_cast<std::uint8_t>(setup->max_keycode - setup->min_keycode + 1)),
        nullptr);
    ASSERT_NE(map, nullptr);
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(map);
    const auto keycodeOf = [&](xcb_keysym_t sym) -> std::uint8_t {
        const int count = setup->max_keycode - setup->min_keycode + 1;
        for (int k = 0; k < count; ++k) {
            if (syms[k * map->keysyms_per_keycode] == sym) {
                return static_cast<std::uint8_t>(setup->min_keycode + k);
            }
        }
        return 0;
    };
    const std::uint8_t a = keycodeOf('a');
    const std::uint8_t shift = keycodeOf(0xFFE1);    // Shift_L
    const std::uint8_t control = keycodeOf(0xFFE3);  // Control_L
    const std::uint8_t escape = keycodeOf(0xFF1B);
    std::free(map);
    ASSERT_NE(a, 0);
    ASSERT_NE(shift, 0);
    ASSERT_NE(control, 0);
    ASSERT_NE(escape, 0);

    client.Key(a, true);
    client.Key(a, false);
    client.Key(shift, true);
    client.Key(control, true);
    client.Key(a, true);
    client.Key(a, false);
    client.Key(control, false);
    client.Key(shift, false);
    client.Key(escape, true);
    client.Key(escape, false);
    ASSERT_TRUE(RunUntil([&] { return recorder.Count('K') == 3; })) << recorder.Count('K');
    std::vector<const KCEventData*> keys;
    for (const auto& call : recorder.calls) {
        if (call.kind == 'K') {
            keys.push_back(&call.event);
        }
    }
    EXPECT_EQ(keys[0]->GetKeyCode(), eKeyCharacter);
    EXPECT_EQ(keys[0]->GetKeyChar(), U'a');
    EXPECT_FALSE(keys[0]->GetKeyModifiers(eModShift));
    EXPECT_EQ(keys[1]->GetKeyChar(), U'A');
    EXPECT_TRUE(keys[1]->GetKeyModifiers(eModShift));
    EXPECT_TRUE(keys[1]->GetKeyModifiers(eModPrimary));
    EXPECT_FALSE(keys[1]->GetKeyModifiers(eModAlt));
    EXPECT_EQ(keys[2]->GetKeyCode(), eKeyEscape);
    EXPECT_FALSE(keys[2]->GetKeyModifiers(eModPrimary));
}

TEST_F(X11View, AGrabTakenOrEndedElsewhereDuringADragEndsItOnce) {
    const xcb_window_t parent = client.TopLevel(0, 0, 300, 300);
    auto view = MakeView(parent, 0, 0, 300, 300);
    ASSERT_NE(view, nullptr);
    client.MoveTo(50, 50);
    client.Button(1, true);
    client.MoveTo(50, 40);
    ASSERT_TRUE(RunUntil([&] { return recorder.Count('M') >= 1; }));
    ASSERT_EQ(recorder.Count('U'), 0);

    // What the server sends when the pointer grab ends under the view.
    xcb_leave_notify_event_t leave{};
    leave.response_type = XCB_LEAVE_NOTIFY;
    leave.event = view->GetNativeView();
    leave.mode = XCB_NOTIFY_MODE_UNGRAB;
    leave.event_x = 50;
    leave.event_y = 40;
    xcb_send_event(client.Connection(), 0, view->GetNativeView(), XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&leave));
    client.Sync();
    ASSERT_TRUE(RunUntil([&] { return recorder.Count('U') == 1; }));
    EXPECT_EQ(recorder.Last('U')->event.GetMouseLocation().y, 40);
    EXPECT_FALSE(view->GetDispatcher().IsMouseButtonDown());

    // The real release that follows is not a second one.
    client.Button(1, false);
    RunEventLoopFor(50);
    EXPECT_EQ(recorder.Count('U'), 1);
}

TEST_F(X11View, FocusLossDuringADragEndsIt) {
    const xcb_window_t parent = client.TopLevel(0, 0, 300, 300);
    auto view = MakeView(parent, 0, 0, 300, 300);
    ASSERT_NE(view, nullptr);
    client.MoveTo(60, 60);
    client.Button(1, true);
    ASSERT_TRUE(RunUntil([&] { return recorder.Count('D') == 1; }));
    // Another window takes the keyboard.
    xcb_set_input_focus(client.Connection(), XCB_INPUT_FOCUS_POINTER_ROOT, parent,
                        XCB_CURRENT_TIME);
    client.Sync();
    ASSERT_TRUE(RunUntil([&] { return recorder.Count('U') == 1; }));
    client.Button(1, false);
    RunEventLoopFor(50);
    EXPECT_EQ(recorder.Count('U'), 1);
}

TEST_F(X11View, RelativeDragsGrabWarpAndHideThePointer) {
    const xcb_window_t parent = client.TopLevel(200, 200, 300, 300);
    auto view = MakeView(parent, 10, 10, 200, 200);
    ASSERT_NE(view, nullptr);
    client.MoveTo(260, 260);  // view (50, 50)
    client.Button(1, true);
    ASSERT_TRUE(RunUntil([&] { return recorder.Count('D') == 1; }));
    ASSERT_EQ(view->SetPointerCaptured(true), eNoErr);
    ASSERT_EQ(view->SetCursorHidden(true), eNoErr);
    EXPECT_TRUE(view->IsPointerCaptured());

    // Held: another client cannot take the pointer.
    xcb_grab_pointer_reply_t* other = xcb_grab_pointer_reply(
        client.Connection(),
        xcb_grab_pointer(client.Connection(), 0, parent, 0, XCB_GRAB_MODE_ASYNC,
                         XCB_GRAB_MODE_ASYNC, XCB_NONE, XCB_NONE, XCB_CURRENT_TIME),
        nullptr);
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(other->status, XCB_GRAB_STATUS_ALREADY_GRABBED);
    std::free(other);

    // Moved back to the middle: the next delta counts from there.
    ASSERT_EQ(view->WarpPointer({100, 100}), eNoErr);
    // Another connection's requests are not ordered with ours: wait for the server.
    EXPECT_TRUE(RunUntil([&] { return client.Pointer() == std::make_pair(310, 310); }));
    client.MoveTo(313, 306);
    ASSERT_TRUE(RunUntil([&] {
        const auto* m = recorder.Last('M');
        return m != nullptr && m->event.GetMouseLocation().x == 103;
    }));
    EXPECT_EQ(recorder.Last('M')->event.GetMouseDelta().x, 3);
    EXPECT_EQ(recorder.Last('M')->event.GetMouseDelta().y, -4);
    // Our own grab is not someone else's: the drag goes on.
    EXPECT_EQ(recorder.Count('U'), 0);

    client.Button(1, false);
    ASSERT_TRUE(RunUntil([&] { return recorder.Count('U') == 1; }));
    EXPECT_EQ(view->SetCursorHidden(false), eNoErr);
    EXPECT_EQ(view->SetPointerCaptured(false), eNoErr);
    client.Sync();
    other = xcb_grab_pointer_reply(
        client.Connection(),
        xcb_grab_pointer(client.Connection(), 0, parent, 0, XCB_GRAB_MODE_ASYNC,
                         XCB_GRAB_MODE_ASYNC, XCB_NONE, XCB_NONE, XCB_CURRENT_TIME),
        nullptr);
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(other->status, XCB_GRAB_STATUS_SUCCESS);
    std::free(other);
    xcb_ungrab_pointer(client.Connection(), XCB_CURRENT_TIME);
    client.Sync();
}

TEST_F(X11View, TimersRunFromTheLoop) {
    const xcb_window_t parent = client.TopLevel(0, 0, 50, 50);
    auto view = MakeView(parent, 0, 0, 50, 50);
    ASSERT_NE(view, nullptr);
    int ticks = 0;
    view->GetTimers().Start(10'000, [&] { ++ticks; });
    RunEventLoopFor(105);
    // A loaded machine may delay turns, but a timer never runs more often than asked.
    EXPECT_GE(ticks, 3);
    EXPECT_LE(ticks, 10);
}

}  // namespace
}  // namespace kvKorvaneV10_0_3::PluginViewManager
