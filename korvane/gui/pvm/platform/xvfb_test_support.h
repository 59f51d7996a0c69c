// Tests of native views run against their own X server (xvfb_server.h). The tests' own
// connection makes the host's windows, sends real input through XTEST and reads pixels back.
#pragma once

#include "korvane/gui/pvm/platform/xvfb_server.h"
#include "korvane/gui/pvm/plugin_view.h"

#include <gtest/gtest.h>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace kvKorvaneV10_0_3::PluginViewManager::testing {

// The server's display name, started on first use; empty when it could not be started (the
// calling test has then failed).
inline std::string XvfbDisplay() {
    std::string error;
    std::string name = StartXvfb(error);
    if (name.empty()) {
        ADD_FAILURE() << error;
    }
    return name;
}

// The test's own connection to the server: the host's side.
class XTestClient {
public:
    XTestClient() {
        if (XvfbDisplay().empty()) {
            return;
        }
        m_c = xcb_connect(XvfbDisplay().c_str(), nullptr);
        if (xcb_connection_has_error(m_c) != 0) {
            ADD_FAILURE() << "cannot connect to " << XvfbDisplay();
            xcb_disconnect(m_c);
            m_c = nullptr;
            return;
        }
        m_screen = xcb_setup_roots_iterator(xcb_get_setup(m_c)).data;
    }
    XTestClient(const XTestClient&) = delete;
    XTestClient& operator=(const XTestClient&) = delete;
    ~XTestClient() {
        if (m_c != nullptr) {
            for (const xcb_window_t w : m_windows) {
                xcb_destroy_window(m_c, w);
            }
            Sync();
            xcb_disconnect(m_c);
        }
    }

    [[nodiscard]] bool Ok() const { return m_c != nullptr; }
    [[nodiscard]] xcb_connection_t* Connection() const { return m_c; }
    [[nodiscard]] const xcb_screen_t* Screen() const { return m_screen; }

    // A mapped top-level window at (x, y): the host's parent for a view.
    xcb_window_t TopLevel(int x, int y, int width, int height) {
        const xcb_window_t w = xcb_generate_id(m_c);
        const std::uint32_t values[] = {m_screen->black_pixel, 1};
        xcb_create_window(m_c, XCB_COPY_FROM_PARENT, w, m_screen->root,
                          static_cast<std::int16_t>(x), static_cast<std::int16_t>(y),
                          static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height), 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, m_screen->root_visual,
                          XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
        xcb_map_window(m_c, w);
        m_windows.push_back(w);
        Sync();
        return w;
    }

    // Waits until the server has handled everything sent so far.
    void Sync() const {
        std::free(xcb_get_input_focus_reply(m_c, xcb_get_input_focus(m_c), nullptr));
    }

    // Real input, as if from the devices: the pointer to a root position, a button.
    void MoveTo(int x, int y) const {
        xcb_test_fake_input(m_c, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, m_screen->root,
                            static_cast<std::int16_t>(x), static_cast<std::int16_t>(y), 0);
        Sync();
    }
    void Button(int button, bool down) const {
        xcb_test_fake_input(m_c, down ? XCB_BUTTON_PRESS : XCB_BUTTON_RELEASE,
                            static_cast<std::uint8_t>(button), XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        Sync();
    }
    void Key(std::uint8_t keycode, bool down) const {
        xcb_test_fake_input(m_c, down ? XCB_KEY_PRESS : XCB_KEY_RELEASE, keycode, XCB_CURRENT_TIME,
                            XCB_NONE, 0, 0, 0);
        Sync();
    }
    // The key whose first symbol is `sym` (an X keysym), 0 when the keyboard has none.
    [[nodiscard]] std::uint8_t KeycodeOf(xcb_keysym_t sym) const {
        const xcb_setup_t* setup = xcb_get_setup(m_c);
        const int count = setup->max_keycode - setup->min_keycode + 1;
        xcb_get_keyboard_mapping_reply_t* map = xcb_get_keyboard_mapping_reply(
            m_c,
            xcb_get_keyboard_mapping(m_c, setup->min_keycode, static_cast<std::uint8_t>(count)),
            nullptr);
        std::uint8_t found = 0;
        if (map != nullptr) {
            const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(map);
            for (int k = 0; k < count && found == 0; ++k) {
                if (syms[k * map->keysyms_per_keycode] == sym) {
                    found = static_cast<std::uint8_t>(setup->min_keycode + k);
                }
            }
        }
        std::free(map);
        EXPECT_NE(found, 0) << "no key for " << sym;
        return found;
    }
    // Presses and releases the key of `sym`.
    void Type(xcb_keysym_t sym) const {
        const std::uint8_t key = KeycodeOf(sym);
        Key(key, true);
        Key(key, false);
    }
    // The pointer's position on the root window.
    [[nodiscard]] std::pair<int, int> Pointer() const {
        xcb_query_pointer_reply_t* r =
            xcb_query_pointer_reply(m_c, xcb_query_pointer(m_c, m_screen->root), nullptr);
        std::pair<int, int> at{-1, -1};
        if (r != nullptr) {
            at = {r->root_x, r->root_y};
        }
        std::free(r);
        return at;
    }

    // The window's pixels as 0x00RRGGBB words (the server's 24-bit layout), read in strips.
    [[nodiscard]] std::vector<std::uint32_t> Pixels(xcb_window_t w, int width, int height) const {
        std::vector<std::uint32_t> pixels;
        pixels.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
        constexpr int kStrip = 256;
        for (int top = 0; top < height; top += kStrip) {
            const int rows = std::min(kStrip, height - top);
            xcb_get_image_reply_t* r = xcb_get_image_reply(
                m_c,
                xcb_get_image(m_c, XCB_IMAGE_FORMAT_Z_PIXMAP, w, 0, static_cast<std::int16_t>(top),
                              static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(rows),
                              ~0U),
                nullptr);
            if (r == nullptr) {
                ADD_FAILURE() << "GetImage failed";
                return {};
            }
            const auto* data = reinterpret_cast<const std::uint32_t*>(xcb_get_image_data(r));
            for (int i = 0; i < width * rows; ++i) {
                pixels.push_back(data[i] & 0xFFFFFFU);
            }
            std::free(r);
        }
        return pixels;
    }

private:
    xcb_connection_t* m_c = nullptr;
    const xcb_screen_t* m_screen = nullptr;
    std::vector<xcb_window_t> m_windows;
};

// Runs the GUI thread's loop until `done` holds or `ms` pass; returns `done()`.
inline bool RunUntil(const std::function<bool()>& done, int ms = 2000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end) {
            return false;
        }
        RunEventLoopFor(5);
    }
    return true;
}

}  // namespace kvKorvaneV10_0_3::PluginViewManager::testing
