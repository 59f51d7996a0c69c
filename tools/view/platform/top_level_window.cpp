// The top-level window through xcb; the screenshot is encoded by Cairo.
#include "tools/view/platform/top_level_window.h"

#include <cairo.h>
#include <poll.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace KorvaneView {

struct TopLevelWindow::Connection {
    xcb_connection_t* c = nullptr;
    xcb_window_t window = 0;
    xcb_atom_t protocols = 0;
    xcb_atom_t deleteWindow = 0;
    int width = 0;
    int height = 0;
    bool open = false;
    // The root visual's channel masks and the server's byte order, for reading pixels back.
    std::uint32_t masks[3] = {0xFF0000, 0x00FF00, 0x0000FF};
    bool msbFirst = false;
};

namespace {

// The 8-bit channel `mask` selects in `word`.
std::uint32_t Channel(std::uint32_t word, std::uint32_t mask) {
    if (mask == 0) {
        return 0;
    }
    int shift = 0;
    while (((mask >> shift) & 1U) == 0) {
        ++shift;
    }
    return (word & mask) >> shift;
}

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return atom;
}

// The plug-in's window has one size: the smallest and largest size are it.
void SetFixedSize(xcb_connection_t* c, xcb_window_t window, int width, int height) {
    std::array<std::uint32_t, 18> hints{};
    constexpr std::uint32_t kMinSize = 1U << 4U;
    constexpr std::uint32_t kMaxSize = 1U << 5U;
    hints[0] = kMinSize | kMaxSize;
    hints[5] = hints[7] = static_cast<std::uint32_t>(width);
    hints[6] = hints[8] = static_cast<std::uint32_t>(height);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NORMAL_HINTS,
                        XCB_ATOM_WM_SIZE_HINTS, 32, static_cast<std::uint32_t>(hints.size()),
                        hints.data());
}

}  // namespace

TopLevelWindow::TopLevelWindow() : m_x(std::make_unique<Connection>()) {}

TopLevelWindow::~TopLevelWindow() {
    if (m_x->c != nullptr) {
        if (m_x->window != 0) {
            xcb_destroy_window(m_x->c, m_x->window);
        }
        xcb_disconnect(m_x->c);
    }
}

bool TopLevelWindow::Open(const std::string& title, int width, int height, std::string& error) {
    int screenNumber = 0;
    m_x->c = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(m_x->c) != 0) {
        error = "cannot connect to the display (is DISPLAY set?)";
        xcb_disconnect(m_x->c);
        m_x->c = nullptr;
        return false;
    }
    xcb_connection_t* c = m_x->c;
    auto screens = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber && screens.rem > 1; ++i) {
        xcb_screen_next(&screens);
    }
    const xcb_screen_t* screen = screens.data;
    m_x->msbFirst = xcb_get_setup(c)->image_byte_order == XCB_IMAGE_ORDER_MSB_FIRST;
    for (auto depth = xcb_screen_allowed_depths_iterator(screen); depth.rem != 0;
         xcb_depth_next(&depth)) {
        for (auto visual = xcb_depth_visuals_iterator(depth.data); visual.rem != 0;
             xcb_visualtype_next(&visual)) {
            if (visual.data->visual_id == screen->root_visual) {
                m_x->masks[0] = visual.data->red_mask;
                m_x->masks[1] = visual.data->green_mask;
                m_x->masks[2] = visual.data->blue_mask;
            }
        }
    }
    m_x->window = xcb_generate_id(c);
    const std::uint32_t values[] = {screen->black_pixel, XCB_EVENT_MASK_STRUCTURE_NOTIFY};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, m_x->window, screen->root, 0, 0,
                      static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height), 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual,
                      XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, m_x->window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        static_cast<std::uint32_t>(title.size()), title.data());
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, m_x->window, Atom(c, "_NET_WM_NAME"),
                        Atom(c, "UTF8_STRING"), 8, static_cast<std::uint32_t>(title.size()),
                        title.data());
    // Instance and class, each ending in a zero byte.
    static constexpr char kClass[] = "korvane-view\0KorvaneView";
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, m_x->window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING,
                        8, sizeof kClass, kClass);
    SetFixedSize(c, m_x->window, width, height);
    m_x->width = width;
    m_x->height = height;
    // The close button sends a message instead of killing the connection.
    m_x->protocols = Atom(c, "WM_PROTOCOLS");
    m_x->deleteWindow = Atom(c, "WM_DELETE_WINDOW");
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, m_x->window, m_x->protocols, XCB_ATOM_ATOM, 32, 1,
                        &m_x->deleteWindow);
    xcb_map_window(c, m_x->window);
    // Mapped before the view is made a child of it.
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    m_x->open = true;
    return true;
}

void TopLevelWindow::Resize(int width, int height) {
    if (m_x->c == nullptr) {
        return;
    }
    SetFixedSize(m_x->c, m_x->window, width, height);
    const std::uint32_t size[] = {static_cast<std::uint32_t>(width),
                                  static_cast<std::uint32_t>(height)};
    xcb_configure_window(m_x->c, m_x->window, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT,
                         size);
    // Done before the caller reads or draws at the new size.
    std::free(xcb_get_input_focus_reply(m_x->c, xcb_get_input_focus(m_x->c), nullptr));
    m_x->width = width;
    m_x->height = height;
}

std::uint32_t TopLevelWindow::WindowId() const {
    return m_x->window;
}

int TopLevelWindow::FileDescriptor() const {
    return m_x->c != nullptr ? xcb_get_file_descriptor(m_x->c) : -1;
}

void TopLevelWindow::WaitForInput(int otherFd, int timeoutMs) const {
    std::array<pollfd, 2> fds{};
    nfds_t count = 0;
    if (FileDescriptor() >= 0) {
        fds[count++] = {FileDescriptor(), POLLIN, 0};
    }
    if (otherFd >= 0) {
        fds[count++] = {otherFd, POLLIN, 0};
    }
    poll(fds.data(), count, timeoutMs);
}

bool TopLevelWindow::HandleEvents() {
    if (m_x->c == nullptr) {
        return false;
    }
    while (xcb_generic_event_t* event = xcb_poll_for_event(m_x->c)) {
        const auto type = static_cast<unsigned>(event->response_type & 0x7FU);
        if (type == XCB_CLIENT_MESSAGE) {
            const auto* message = reinterpret_cast<const xcb_client_message_event_t*>(event);
            if (message->type == m_x->protocols && message->data.data32[0] == m_x->deleteWindow) {
                m_x->open = false;
            }
        } else if (type == XCB_DESTROY_NOTIFY) {
            m_x->open = false;
        }
        std::free(event);
    }
    if (xcb_connection_has_error(m_x->c) != 0) {
        m_x->open = false;
    }
    return m_x->open;
}

bool TopLevelWindow::SaveScreenshot(const std::string& path, std::string& error) {
    if (m_x->c == nullptr) {
        error = "no window";
        return false;
    }
    xcb_connection_t* c = m_x->c;
    const int width = m_x->width;
    const int height = m_x->height;
    const auto rowWords = static_cast<std::size_t>(width);
    std::vector<std::uint32_t> pixels(rowWords * static_cast<std::size_t>(height));
    // In strips, each reply well under the server's request limit.
    constexpr int kStrip = 256;
    for (int top = 0; top < height; top += kStrip) {
        const int rows = std::min(kStrip, height - top);
        xcb_get_image_reply_t* reply = xcb_get_image_reply(
            c,
            xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, m_x->window, 0,
                          static_cast<std::int16_t>(top), static_cast<std::uint16_t>(width),
                          static_cast<std::uint16_t>(rows), ~0U),
            nullptr);
        if (reply == nullptr || reply->depth < 24 ||
            static_cast<std::size_t>(xcb_get_image_data_length(reply)) <
                rowWords * static_cast<std::size_t>(rows) * 4) {
            std::free(reply);
            error = "cannot read the window's pixels";
            return false;
        }
        const auto* data = xcb_get_image_data(reply);
        // 32-bit words in the server's byte order and channel layout, to opaque ARGB words.
        for (std::size_t i = 0; i < rowWords * static_cast<std::size_t>(rows); ++i) {
            const std::uint8_t* b = data + (i * 4);
            const std::uint32_t word =
                m_x->msbFirst ? (std::uint32_t{b[0]} << 24U) | (std::uint32_t{b[1]} << 16U) |
                                    (std::uint32_t{b[2]} << 8U) | b[3]
                              : (std::uint32_t{b[3]} << 24U) | (std::uint32_t{b[2]} << 16U) |
                                    (std::uint32_t{b[1]} << 8U) | b[0];
            pixels[(static_cast<std::size_t>(top) * rowWords) + i] =
                0xFF000000U | (Channel(word, m_x->masks[0]) << 16U) |
                (Channel(word, m_x->masks[1]) << 8U) | Channel(word, m_x->masks[2]);
        }
        std::free(reply);
    }
    cairo_surface_t* surface =
        cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(pixels.data()),
                                            CAIRO_FORMAT_ARGB32, width, height, width * 4);
    const cairo_status_t status = cairo_surface_write_to_png(surface, path.c_str());
    cairo_surface_destroy(surface);
    if (status != CAIRO_STATUS_SUCCESS) {
        error = std::string("cannot write: ") + cairo_status_to_string(status);
        return false;
    }
    return true;
}

}  // namespace KorvaneView
