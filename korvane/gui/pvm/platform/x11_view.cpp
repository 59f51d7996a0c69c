// Plug-in views as X11 child windows through xcb, and the GUI thread's event loop over the one
// display connection, opened when the first window view is made.
#include "korvane/gui/pvm/platform/native_view.h"

#include "korvane/gui/pvm/platform/x11_display.h"
#include "korvane/gui/pvm/platform/x11_pixels.h"

#include <cairo.h>
#include <poll.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace kvKorvaneV10_0_3::PluginViewManager {
namespace {

class KCX11View;

// The display connection and what the views share. Everything but the posted functions
// belongs to the GUI thread.
struct KSDisplay {
    xcb_connection_t* connection = nullptr;
    const xcb_setup_t* setup = nullptr;
    bool hasShm = false;
    // The largest request in bytes.
    std::size_t maxRequestBytes = 0;
    // A window of ours that never shows: posted functions wake the loop with a message to it.
    xcb_window_t loopWindow = 0;
    xcb_atom_t wakeAtom = 0;
    xkb_context* xkbContext = nullptr;
    xkb_keymap* keymap = nullptr;
    xkb_state* keyState = nullptr;
    std::map<xcb_window_t, KCX11View*> views;
    // Events xcb read while a handler waited for a reply: the descriptor no longer shows them,
    // so they are kept for the next dispatch, which the loop's timeout asks for at once.
    std::vector<xcb_generic_event_t*> held;
    // Self-drawn modal windows (menus, text boxes, message boxes) and their handlers. While one
    // is open, the views' input and crossing events wait in `deferred` until the last closes.
    std::map<xcb_window_t, Native::X11::KTEventHandler> modal;
    std::vector<xcb_generic_event_t*> deferred;
    // The view whose event is being handled, 0 outside a handler.
    xcb_window_t active = 0;
};

KSDisplay& Display() {
    static KSDisplay display;
    return display;
}

// Functions posted from any thread, run on the GUI thread.
std::mutex& PostedMutex() {
    static std::mutex mutex;
    return mutex;
}
std::deque<std::function<void()>>& Posted() {
    static std::deque<std::function<void()>> posted;
    return posted;
}
// The connection as the posting threads see it (xcb may be used from any thread).
std::atomic<xcb_connection_t*>& PostConnection() {
    static std::atomic<xcb_connection_t*> connection{nullptr};
    return connection;
}

void SetUpKeyboard(KSDisplay& d) {
    if (xkb_x11_setup_xkb_extension(
            d.connection, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
            XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, nullptr, nullptr) == 0) {
        return;  // keys are not delivered without the extension
    }
    const std::int32_t device = xkb_x11_get_core_keyboard_device_id(d.connection);
    d.xkbContext = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    if (device < 0 || d.xkbContext == nullptr) {
        return;
    }
    d.keymap = xkb_x11_keymap_new_from_device(d.xkbContext, d.connection, device,
                                              XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (d.keymap != nullptr) {
        d.keyState = xkb_x11_state_new_from_device(d.keymap, d.connection, device);
    }
}

// Opens the connection named by DISPLAY; false when there is none.
bool Connect() {
    KSDisplay& d = Display();
    if (d.connection != nullptr) {
        return true;
    }
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection) != 0) {
        xcb_disconnect(connection);
        return false;
    }
    d.connection = connection;
    d.setup = xcb_get_setup(connection);
    d.maxRequestBytes = static_cast<std::size_t>(xcb_get_maximum_request_length(connection)) * 4;
    const xcb_query_extension_reply_t* shm = xcb_get_extension_data(connection, &xcb_shm_id);
    if (shm != nullptr && shm->present != 0) {
        xcb_shm_query_version_reply_t* version =
            xcb_shm_query_version_reply(connection, xcb_shm_query_version(connection), nullptr);
        d.hasShm = version != nullptr;
        std::free(version);
    }
    static constexpr char kWake[] = "KORVANE_VIEW_WAKE";
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, sizeof(kWake) - 1, kWake), nullptr);
    d.wakeAtom = atom != nullptr ? atom->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    std::free(atom);
    const xcb_screen_t* screen = xcb_setup_roots_iterator(d.setup).data;
    d.loopWindow = xcb_generate_id(connection);
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, d.loopWindow, screen->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    SetUpKeyboard(d);
    xcb_flush(connection);
    PostConnection().store(connection);
    return true;
}

// The layout of pixels in windows of `visual` at `depth`; bitsPerPixel 0 when unknown.
Native::KSPixelFormat FormatOf(const xcb_setup_t* setup, xcb_visualid_t visual, int depth) {
    Native::KSPixelFormat format;
    format.depth = depth;
    format.bitsPerPixel = 0;
    format.msbFirst = setup->image_byte_order == XCB_IMAGE_ORDER_MSB_FIRST;
    for (auto f = xcb_setup_pixmap_formats_iterator(setup); f.rem != 0; xcb_format_next(&f)) {
        if (f.data->depth == depth) {
            format.bitsPerPixel = f.data->bits_per_pixel;
        }
    }
    for (auto s = xcb_setup_roots_iterator(setup); s.rem != 0; xcb_screen_next(&s)) {
        for (auto dp = xcb_screen_allowed_depths_iterator(s.data); dp.rem != 0;
             xcb_depth_next(&dp)) {
            for (auto v = xcb_depth_visuals_iterator(dp.data); v.rem != 0;
                 xcb_visualtype_next(&v)) {
                if (v.data->visual_id == visual) {
                    format.redMask = v.data->red_mask;
                    format.greenMask = v.data->green_mask;
                    format.blueMask = v.data->blue_mask;
                }
            }
        }
    }
    return format;
}

KTModifierState ModifiersOf(std::uint16_t state) {
    KTModifierState modifiers{};
    modifiers[eModPrimary] = (state & XCB_MOD_MASK_CONTROL) != 0;
    modifiers[eModSecondary] = (state & XCB_MOD_MASK_4) != 0;
    modifiers[eModShift] = (state & XCB_MOD_MASK_SHIFT) != 0;
    modifiers[eModAlt] = (state & XCB_MOD_MASK_1) != 0;
    return modifiers;
}

KEKeyCode KeyCodeOf(xkb_keysym_t sym) {
    switch (sym) {
        case XKB_KEY_Return:
        case XKB_KEY_KP_Enter:
            return eKeyEnter;
        case XKB_KEY_Escape:
            return eKeyEscape;
        case XKB_KEY_Tab:
        case XKB_KEY_ISO_Left_Tab:
            return eKeyTab;
        case XKB_KEY_BackSpace:
            return eKeyBackspace;
        case XKB_KEY_Delete:
        case XKB_KEY_KP_Delete:
            return eKeyDelete;
        case XKB_KEY_Left:
        case XKB_KEY_KP_Left:
            return eKeyLeft;
        case XKB_KEY_Right:
        case XKB_KEY_KP_Right:
            return eKeyRight;
        case XKB_KEY_Up:
        case XKB_KEY_KP_Up:
            return eKeyUp;
        case XKB_KEY_Down:
        case XKB_KEY_KP_Down:
            return eKeyDown;
        case XKB_KEY_Home:
        case XKB_KEY_KP_Home:
            return eKeyHome;
        case XKB_KEY_End:
        case XKB_KEY_KP_End:
            return eKeyEnd;
        case XKB_KEY_Page_Up:
        case XKB_KEY_KP_Page_Up:
            return eKeyPageUp;
        case XKB_KEY_Page_Down:
        case XKB_KEY_KP_Page_Down:
            return eKeyPageDown;
        default:
            return eKeyNone;
    }
}

class KCX11View final : public KCPluginView {
public:
    // `parentAttributes`, `parentGeometry`: the parent's, as the caller read them.
    KCX11View(const KCPluginViewCreateOptions& options, Native::KSPixelFormat format, int depth,
              const xcb_get_window_attributes_reply_t& parentAttributes,
              const xcb_get_geometry_reply_t& parentGeometry)
        : KCPluginView(options),
          m_parent(options.parent),
          m_format(format),
          m_depth(depth),
          m_useShm(options.useSharedMemory && Display().hasShm) {
        KSDisplay& d = Display();
        xcb_connection_t* c = d.connection;
        m_window = xcb_generate_id(c);
        const std::uint32_t events = XCB_EVENT_MASK_EXPOSURE | XCB_EVENT_MASK_BUTTON_PRESS |
                                     XCB_EVENT_MASK_BUTTON_RELEASE | XCB_EVENT_MASK_POINTER_MOTION |
                                     XCB_EVENT_MASK_KEY_PRESS | XCB_EVENT_MASK_FOCUS_CHANGE |
                                     XCB_EVENT_MASK_ENTER_WINDOW | XCB_EVENT_MASK_LEAVE_WINDOW;
        // No background: the image covers the window, so exposure does not flicker.
        const std::uint32_t values[] = {XCB_BACK_PIXMAP_NONE, events};
        xcb_create_window(
            c, XCB_COPY_FROM_PARENT, m_window, m_parent, static_cast<std::int16_t>(Px(options.x)),
            static_cast<std::int16_t>(Px(options.y)), static_cast<std::uint16_t>(Px(options.width)),
            static_cast<std::uint16_t>(Px(options.height)), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
            XCB_COPY_FROM_PARENT, XCB_CW_BACK_PIXMAP | XCB_CW_EVENT_MASK, values);
        m_gc = xcb_generate_id(c);
        const std::uint32_t gcValues[] = {0};
        xcb_create_gc(c, m_gc, m_window, XCB_GC_GRAPHICS_EXPOSURES, gcValues);
        d.views[m_window] = this;
        FollowParent(c, parentAttributes, parentGeometry);
        // Clicks are counted on the server's clock, which stamps each input event.
        GetDispatcher().SetClock([this] { return m_eventTimeUs; });
        xcb_flush(c);
    }

    ~KCX11View() override {
        KSDisplay& d = Display();
        xcb_connection_t* c = d.connection;
        d.views.erase(m_window);
        ReleaseShm();
        if (m_invisibleCursor != 0) {
            xcb_free_cursor(c, m_invisibleCursor);
        }
        if (m_captured) {
            xcb_ungrab_pointer(c, XCB_CURRENT_TIME);
        }
        xcb_free_gc(c, m_gc);
        xcb_destroy_window(c, m_window);
        xcb_flush(c);
    }

    [[nodiscard]] std::uint32_t GetNativeView() const override { return m_window; }
    [[nodiscard]] std::uint32_t GetNativeParentView() const override { return m_parent; }

    KTErr Show() override {
        xcb_map_window(Display().connection, m_window);
        xcb_flush(Display().connection);
        return eNoErr;
    }
    KTErr Hide() override {
        xcb_unmap_window(Display().connection, m_window);
        xcb_flush(Display().connection);
        return eNoErr;
    }
    KTErr Resize(int width, int height) override {
        const KTErr err = KCPluginView::Resize(width, height);
        if (err != eNoErr) {
            return err;
        }
        const std::uint32_t values[] = {static_cast<std::uint32_t>(Px(width)),
                                        static_cast<std::uint32_t>(Px(height))};
        xcb_configure_window(Display().connection, m_window,
                             XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, values);
        xcb_flush(Display().connection);
        return eNoErr;
    }
    KTErr Move(int x, int y) override {
        static_cast<void>(KCPluginView::Move(x, y));
        const std::uint32_t values[] = {static_cast<std::uint32_t>(Px(x)),
                                        static_cast<std::uint32_t>(Px(y))};
        xcb_configure_window(Display().connection, m_window,
                             XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y, values);
        xcb_flush(Display().connection);
        return eNoErr;
    }

    KTErr Present() override;
    [[nodiscard]] bool IsSharedMemoryInUse() const override { return m_shmSeg != 0 && m_useShm; }

    KTErr SetPointerCaptured(bool captured) override {
        xcb_connection_t* c = Display().connection;
        if (captured == m_captured) {
            return eNoErr;
        }
        if (captured) {
            const std::uint16_t mask = XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE |
                                       XCB_EVENT_MASK_POINTER_MOTION;
            const xcb_grab_pointer_cookie_t cookie =
                xcb_grab_pointer(c, 0, m_window, mask, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC,
                                 XCB_NONE, XCB_NONE, XCB_CURRENT_TIME);
            m_ownGrabSequence = cookie.sequence;
            xcb_grab_pointer_reply_t* reply = xcb_grab_pointer_reply(c, cookie, nullptr);
            const bool ok = reply != nullptr && reply->status == XCB_GRAB_STATUS_SUCCESS;
            std::free(reply);
            if (!ok) {
                return eOperatingSystemNotSupported;
            }
        } else {
            const xcb_void_cookie_t cookie = xcb_ungrab_pointer_checked(c, XCB_CURRENT_TIME);
            m_ownGrabSequence = cookie.sequence;
            // Waited for, so the pointer is free for others when this returns.
            std::free(xcb_request_check(c, cookie));
        }
        return KCPluginView::SetPointerCaptured(captured);
    }

    KTErr SetCursorHidden(bool hidden) override {
        xcb_connection_t* c = Display().connection;
        if (hidden && m_invisibleCursor == 0) {
            // A cursor whose mask is empty shows nothing.
            const xcb_pixmap_t pixmap = xcb_generate_id(c);
            xcb_create_pixmap(c, 1, pixmap, m_window, 1, 1);
            m_invisibleCursor = xcb_generate_id(c);
            xcb_create_cursor(c, m_invisibleCursor, pixmap, pixmap, 0, 0, 0, 0, 0, 0, 0, 0);
            xcb_free_pixmap(c, pixmap);
        }
        const std::uint32_t values[] = {hidden ? m_invisibleCursor
                                               : static_cast<std::uint32_t>(XCB_NONE)};
        xcb_change_window_attributes(c, m_window, XCB_CW_CURSOR, values);
        xcb_flush(c);
        return KCPluginView::SetCursorHidden(hidden);
    }

    KTErr WarpPointer(KCEventData::Point location) override {
        xcb_connection_t* c = Display().connection;
        xcb_warp_pointer(c, XCB_NONE, m_window, 0, 0, 0, 0,
                         static_cast<std::int16_t>(Px(location.x)),
                         static_cast<std::int16_t>(Px(location.y)));
        xcb_flush(c);
        return KCPluginView::WarpPointer(location);
    }

    void Handle(const xcb_generic_event_t* event);

    // The parent now has this size in pixels: the view keeps its place and takes the rest of the
    // parent, shows its image again and tells the GUI. A move or restack of the parent changes
    // nothing.
    void ParentConfigured(int width, int height) {
        if (width == m_parentWidth && height == m_parentHeight) {
            return;
        }
        m_parentWidth = width;
        m_parentHeight = height;
        const KURect<int> bounds = GetViewBounds();
        const int newWidth = std::max(1, Units(width) - bounds.left);
        const int newHeight = std::max(1, Units(height) - bounds.top);
        if (newWidth == bounds.right - bounds.left && newHeight == bounds.bottom - bounds.top) {
            return;
        }
        static_cast<void>(Resize(newWidth, newHeight));
        static_cast<void>(Present());
        GetDispatcher().ViewResized(GetViewBounds());
    }

private:
    // Asks for the parent's configure events, keeping what else this connection selected on
    // it, and notes its size, so that only a change of size is followed.
    void FollowParent(xcb_connection_t* c, const xcb_get_window_attributes_reply_t& attributes,
                      const xcb_get_geometry_reply_t& geometry) {
        const std::uint32_t mask[] = {attributes.your_event_mask | XCB_EVENT_MASK_STRUCTURE_NOTIFY};
        xcb_change_window_attributes(c, m_parent, XCB_CW_EVENT_MASK, mask);
        m_parentWidth = geometry.width;
        m_parentHeight = geometry.height;
    }
    // GUI units to screen pixels and back (a point inside a pixel belongs to its unit).
    [[nodiscard]] int Px(int units) const {
        return static_cast<int>(std::lround(units * GetScaleFactor()));
    }
    [[nodiscard]] int Units(int pixels) const {
        return static_cast<int>(std::floor(pixels / GetScaleFactor()));
    }
    [[nodiscard]] KCEventData::Point PointOf(std::int16_t x, std::int16_t y) const {
        return {static_cast<short>(Units(x)), static_cast<short>(Units(y))};
    }
    // Paints the part of the window the image does not cover (a view larger than its GUI).
    void ClearBeyond(int width, int height) {
        const KURect<int> bounds = GetViewBounds();
        const int viewWidth = Px(bounds.right - bounds.left);
        const int viewHeight = Px(bounds.bottom - bounds.top);
        if (width >= viewWidth && height >= viewHeight) {
            return;
        }
        xcb_connection_t* c = Display().connection;
        const std::uint32_t black[] = {Native::X11::Screen()->black_pixel};
        xcb_change_gc(c, m_gc, XCB_GC_FOREGROUND, black);
        const xcb_rectangle_t rects[] = {
            {static_cast<std::int16_t>(width), 0,
             static_cast<std::uint16_t>(std::max(0, viewWidth - width)),
             static_cast<std::uint16_t>(viewHeight)},
            {0, static_cast<std::int16_t>(height), static_cast<std::uint16_t>(width),
             static_cast<std::uint16_t>(std::max(0, viewHeight - height))}};
        xcb_poly_fill_rectangle(c, m_window, m_gc, 2, rects);
    }

    bool AttachShm(std::size_t bytes);
    void ReleaseShm();
    KTErr PutStrips(const std::uint8_t* pixels, int width, int height);
    void Stamp(xcb_timestamp_t time) { m_eventTimeUs = static_cast<std::uint64_t>(time) * 1000; }
    void EndDragOnGrabChange(std::uint8_t mode, std::uint16_t sequence);

    xcb_window_t m_window = 0;
    xcb_window_t m_parent;
    xcb_gcontext_t m_gc = 0;
    xcb_cursor_t m_invisibleCursor = 0;
    Native::KSPixelFormat m_format;
    int m_depth;
    bool m_useShm;
    // The request number of the view's latest grab or ungrab.
    std::optional<unsigned int> m_ownGrabSequence;
    std::uint64_t m_eventTimeUs = 0;
    // The parent's size as last seen.
    int m_parentWidth = 0;
    int m_parentHeight = 0;
    // The shared-memory segment and whether the server may still be reading it.
    xcb_shm_seg_t m_shmSeg = 0;
    std::uint8_t* m_shmPixels = nullptr;
    std::size_t m_shmBytes = 0;
    bool m_shmBusy = false;
    std::vector<std::uint8_t> m_converted;
};

bool KCX11View::AttachShm(std::size_t bytes) {
    if (m_shmSeg != 0 && m_shmBytes >= bytes) {
        return true;
    }
    ReleaseShm();
    xcb_connection_t* c = Display().connection;
    const int id = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (id < 0) {
        return false;
    }
    void* address = shmat(id, nullptr, 0);
    if (address == reinterpret_cast<void*>(-1)) {  // NOLINT(performance-no-int-to-ptr)
        shmctl(id, IPC_RMID, nullptr);
        return false;
    }
    m_shmSeg = xcb_generate_id(c);
    xcb_generic_error_t* error = xcb_request_check(
        c, xcb_shm_attach_checked(c, m_shmSeg, static_cast<std::uint32_t>(id), 0));
    // Marked for removal now: it goes away with the last detach, even if the process dies.
    shmctl(id, IPC_RMID, nullptr);
    if (error != nullptr) {
        std::free(error);
        shmdt(address);
        m_shmSeg = 0;
        return false;
    }
    m_shmPixels = static_cast<std::uint8_t*>(address);
    m_shmBytes = bytes;
    return true;
}

void KCX11View::ReleaseShm() {
    if (m_shmSeg == 0) {
        return;
    }
    xcb_connection_t* c = Display().connection;
    xcb_shm_detach(c, m_shmSeg);
    // The server must be done with the segment before it is unmapped here.
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    shmdt(m_shmPixels);
    m_shmSeg = 0;
    m_shmPixels = nullptr;
    m_shmBytes = 0;
    m_shmBusy = false;
}

KTErr KCX11View::PutStrips(const std::uint8_t* pixels, int width, int height) {
    xcb_connection_t* c = Display().connection;
    constexpr std::size_t kRequestHeader = 24;  // a PutImage request without its data
    const auto rowBytes = static_cast<std::size_t>(width) * 4;
    const std::size_t room =
        Display().maxRequestBytes > kRequestHeader ? Display().maxRequestBytes - kRequestHeader : 0;
    const int rowsPerStrip = static_cast<int>(std::min<std::size_t>(room / rowBytes, 0x7FFF));
    if (rowsPerStrip <= 0) {
        return eOperatingSystemNotSupported;
    }
    for (int top = 0; top < height; top += rowsPerStrip) {
        const int rows = std::min(rowsPerStrip, height - top);
        xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, m_window, m_gc,
                      static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(rows), 0,
                      static_cast<std::int16_t>(top), 0, static_cast<std::uint8_t>(m_depth),
                      static_cast<std::uint32_t>(rowBytes * static_cast<std::size_t>(rows)),
                      pixels + (rowBytes * static_cast<std::size_t>(top)));
    }
    xcb_flush(c);
    return eNoErr;
}

KTErr KCX11View::Present() {
    cairo_surface_t* surface = GetRenderer().GetSurface();
    if (surface == nullptr) {
        return eNoErr;  // nothing drawn yet
    }
    cairo_surface_flush(surface);
    const int width = GetRenderer().GetWidth();
    const int height = GetRenderer().GetHeight();
    const auto stride = static_cast<std::size_t>(cairo_image_surface_get_stride(surface));
    const std::uint8_t* data = cairo_image_surface_get_data(surface);
    const std::size_t bytes =
        static_cast<std::size_t>(width) * 4 * static_cast<std::size_t>(height);
    xcb_connection_t* c = Display().connection;
    ClearBeyond(width, height);
    if (m_useShm && AttachShm(bytes)) {
        if (m_shmBusy) {
            // The previous copy may still be read: wait for the server before overwriting it.
            std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
        }
        Native::ConvertPixels(data, stride, width, height, m_format, m_shmPixels);
        xcb_shm_put_image(c, m_window, m_gc, static_cast<std::uint16_t>(width),
                          static_cast<std::uint16_t>(height), 0, 0,
                          static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height), 0,
                          0, static_cast<std::uint8_t>(m_depth), XCB_IMAGE_FORMAT_Z_PIXMAP, 0,
                          m_shmSeg, 0);
        m_shmBusy = true;
        xcb_flush(c);
        return eNoErr;
    }
    m_useShm = false;  // the server refused the segment: plain requests from now on
    const std::uint8_t* pixels = data;
    if (!m_format.IsRendererLayout() || stride != static_cast<std::size_t>(width) * 4) {
        m_converted.resize(bytes);
        Native::ConvertPixels(data, stride, width, height, m_format, m_converted.data());
        pixels = m_converted.data();
    }
    return PutStrips(pixels, width, height);
}

void KCX11View::EndDragOnGrabChange(std::uint8_t mode, std::uint16_t sequence) {
    if (mode != XCB_NOTIFY_MODE_GRAB && mode != XCB_NOTIFY_MODE_UNGRAB) {
        return;
    }
    // The server stamps the crossings our own grab or ungrab caused with that request's
    // number: a relative drag grabbing the pointer goes on.
    if (m_ownGrabSequence.has_value() &&
        sequence == static_cast<std::uint16_t>(*m_ownGrabSequence)) {
        return;
    }
    // Someone else took or ended the pointer grab: the release will not come here.
    GetDispatcher().FocusLost();
}

void KCX11View::Handle(const xcb_generic_event_t* event) {
    KCEventDispatcher& dispatcher = GetDispatcher();
    switch (event->response_type & 0x7FU) {
        case XCB_EXPOSE: {
            const auto* expose = reinterpret_cast<const xcb_expose_event_t*>(event);
            if (expose->count == 0) {
                static_cast<void>(Present());
            }
            break;
        }
        case XCB_BUTTON_PRESS: {
            const auto* press = reinterpret_cast<const xcb_button_press_event_t*>(event);
            Stamp(press->time);
            const KCEventData::Point where = PointOf(press->event_x, press->event_y);
            const KTModifierState modifiers = ModifiersOf(press->state);
            switch (press->detail) {
                case 1:
                case 2:
                case 3:
                    // The view takes the keyboard when clicked, as a native control would.
                    xcb_set_input_focus(Display().connection, XCB_INPUT_FOCUS_PARENT, m_window,
                                        press->time);
                    dispatcher.ButtonPress(static_cast<KEMouseButton>(press->detail - 1), where,
                                           modifiers);
                    break;
                case 4:  // wheel away from the user
                case 6:  // wheel to the left
                    dispatcher.Wheel(where, 1, modifiers);
                    break;
                case 5:
                case 7:
                    dispatcher.Wheel(where, -1, modifiers);
                    break;
                default:
                    break;
            }
            break;
        }
        case XCB_BUTTON_RELEASE: {
            const auto* release = reinterpret_cast<const xcb_button_release_event_t*>(event);
            Stamp(release->time);
            if (release->detail >= 1 && release->detail <= 3) {
                dispatcher.ButtonRelease(static_cast<KEMouseButton>(release->detail - 1),
                                         PointOf(release->event_x, release->event_y),
                                         ModifiersOf(release->state));
            }
            break;
        }
        case XCB_MOTION_NOTIFY: {
            const auto* motion = reinterpret_cast<const xcb_motion_notify_event_t*>(event);
            Stamp(motion->time);
            dispatcher.Motion(PointOf(motion->event_x, motion->event_y),
                              ModifiersOf(motion->state));
            break;
        }
        case XCB_KEY_PRESS: {
            const auto* key = reinterpret_cast<const xcb_key_press_event_t*>(event);
            Stamp(key->time);
            KEKeyCode code = eKeyNone;
            char32_t character = 0;
            if (Native::X11::ReadKey(key, code, character)) {
                dispatcher.Key(code, character, ModifiersOf(key->state));
            }
            break;
        }
        case XCB_FOCUS_OUT: {
            const auto* focus = reinterpret_cast<const xcb_focus_out_event_t*>(event);
            // Focus moving into a child, or to this window from the pointer's (what a click
            // taking the keyboard causes), is not a loss.
            if (focus->detail != XCB_NOTIFY_DETAIL_INFERIOR &&
                focus->detail != XCB_NOTIFY_DETAIL_POINTER) {
                dispatcher.FocusLost();
            }
            break;
        }
        case XCB_ENTER_NOTIFY:
        case XCB_LEAVE_NOTIFY: {
            const auto* crossing = reinterpret_cast<const xcb_enter_notify_event_t*>(event);
            EndDragOnGrabChange(crossing->mode, crossing->sequence);
            break;
        }
        default:
            break;
    }
}

// Events for the same window whose later motion replaces an earlier one are dropped, so a busy
// GUI sees where the pointer is now rather than every step of the way.
bool IsMergedMotion(const xcb_generic_event_t* event, const xcb_generic_event_t* next) {
    if ((event->response_type & 0x7FU) != XCB_MOTION_NOTIFY || next == nullptr ||
        (next->response_type & 0x7FU) != XCB_MOTION_NOTIFY) {
        return false;
    }
    const auto* a = reinterpret_cast<const xcb_motion_notify_event_t*>(event);
    const auto* b = reinterpret_cast<const xcb_motion_notify_event_t*>(next);
    return a->event == b->event && a->state == b->state;
}

xcb_window_t WindowOf(const xcb_generic_event_t* event) {
    switch (event->response_type & 0x7FU) {
        case XCB_EXPOSE:
            return reinterpret_cast<const xcb_expose_event_t*>(event)->window;
        case XCB_BUTTON_PRESS:
        case XCB_BUTTON_RELEASE:
        case XCB_MOTION_NOTIFY:
        case XCB_KEY_PRESS:
        case XCB_KEY_RELEASE:
            return reinterpret_cast<const xcb_button_press_event_t*>(event)->event;
        case XCB_ENTER_NOTIFY:
        case XCB_LEAVE_NOTIFY:
            return reinterpret_cast<const xcb_enter_notify_event_t*>(event)->event;
        case XCB_FOCUS_IN:
        case XCB_FOCUS_OUT:
            return reinterpret_cast<const xcb_focus_out_event_t*>(event)->event;
        case XCB_CONFIGURE_NOTIFY:
            return reinterpret_cast<const xcb_configure_notify_event_t*>(event)->event;
        default:
            return 0;
    }
}

bool IsInputOrCrossing(const xcb_generic_event_t* event) {
    switch (event->response_type & 0x7FU) {
        case XCB_BUTTON_PRESS:
        case XCB_BUTTON_RELEASE:
        case XCB_MOTION_NOTIFY:
        case XCB_KEY_PRESS:
        case XCB_KEY_RELEASE:
        case XCB_ENTER_NOTIFY:
        case XCB_LEAVE_NOTIFY:
        case XCB_FOCUS_IN:
        case XCB_FOCUS_OUT:
            return true;
        default:
            return false;
    }
}

void RunPosted() {
    std::deque<std::function<void()>> run;
    {
        const std::lock_guard<std::mutex> lock(PostedMutex());
        run.swap(Posted());
    }
    for (auto& function : run) {
        if (function) {
            function();
        }
    }
}

}  // namespace

namespace Native {

namespace {

// The scale a view gets when the host names none: KORVANE_GUI_SCALE, else the X resources'
// Xft.dpi over the standard 96, else 1.
double AutomaticScale(xcb_connection_t* c) {
    const auto parse = [](std::string_view text, double& value) {
        while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
            text.remove_prefix(1);
        }
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
        return ec == std::errc() && end != text.data() && std::isfinite(value) && value > 0;
    };
    double value = 0;
    if (const char* env = std::getenv("KORVANE_GUI_SCALE"); env != nullptr && parse(env, value)) {
        return value;
    }
    const xcb_screen_t* screen = xcb_setup_roots_iterator(Display().setup).data;
    xcb_get_property_reply_t* r =
        xcb_get_property_reply(c,
                               xcb_get_property(c, 0, screen->root, XCB_ATOM_RESOURCE_MANAGER,
                                                XCB_ATOM_STRING, 0, 1U << 16U),
                               nullptr);
    double scale = 1.0;
    if (r != nullptr) {
        const std::string_view resources(
            static_cast<const char*>(xcb_get_property_value(r)),
            static_cast<std::size_t>(xcb_get_property_value_length(r)));
        constexpr std::string_view kKey = "Xft.dpi:";
        for (std::size_t at = 0; at < resources.size();) {
            const std::size_t end = std::min(resources.find('\n', at), resources.size());
            const std::string_view line = resources.substr(at, end - at);
            if (line.substr(0, kKey.size()) == kKey && parse(line.substr(kKey.size()), value)) {
                scale = value / 96.0;
            }
            at = end + 1;
        }
        std::free(r);
    }
    return scale;
}

}  // namespace

KTErr CreateWindowView(const KCPluginViewCreateOptions& options,
                       std::unique_ptr<KCPluginView>& view) {
    if (!Connect()) {
        return eOperatingSystemNotSupported;
    }
    KSDisplay& d = Display();
    xcb_connection_t* c = d.connection;
    xcb_get_window_attributes_reply_t* attributes =
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, options.parent), nullptr);
    xcb_get_geometry_reply_t* geometry =
        xcb_get_geometry_reply(c, xcb_get_geometry(c, options.parent), nullptr);
    KTErr err = eOperatingSystemNotSupported;
    if (attributes != nullptr && geometry != nullptr) {
        const KSPixelFormat format = FormatOf(d.setup, attributes->visual, geometry->depth);
        if (format.IsSupported()) {
            KCPluginViewCreateOptions scaled = options;
            scaled.scale = options.scale > 0 ? options.scale : AutomaticScale(c);
            view = std::make_unique<KCX11View>(scaled, format, geometry->depth, *attributes,
                                               *geometry);
            err = eNoErr;
        }
    }
    std::free(attributes);
    std::free(geometry);
    return err;
}

namespace X11 {

xcb_connection_t* Connection() {
    return Display().connection;
}

const xcb_screen_t* Screen() {
    const KSDisplay& d = Display();
    return d.setup != nullptr ? xcb_setup_roots_iterator(d.setup).data : nullptr;
}

KSPixelFormat RootFormat() {
    const KSDisplay& d = Display();
    const xcb_screen_t* screen = Screen();
    return FormatOf(d.setup, screen->root_visual, screen->root_depth);
}

std::size_t MaxRequestBytes() {
    return Display().maxRequestBytes;
}

xcb_window_t ActiveViewWindow() {
    return Display().active;
}

KCImageSource* ActiveViewImages() {
    const KSDisplay& d = Display();
    const auto found = d.views.find(d.active);
    return found == d.views.end() ? nullptr : found->second->GetRenderer().GetImageSource();
}

double ActiveViewScale() {
    const KSDisplay& d = Display();
    const auto found = d.views.find(d.active);
    return found == d.views.end() ? 1.0 : found->second->GetScaleFactor();
}

void AddModalWindow(xcb_window_t window, KTEventHandler handler) {
    Display().modal[window] = std::move(handler);
}

void RemoveModalWindow(xcb_window_t window) {
    KSDisplay& d = Display();
    d.modal.erase(window);
    if (d.modal.empty() && !d.deferred.empty()) {
        // What the views missed comes first at the next dispatch, which runs at once.
        d.held.insert(d.held.begin(), d.deferred.begin(), d.deferred.end());
        d.deferred.clear();
    }
}

bool ReadKey(const xcb_key_press_event_t* key, KEKeyCode& code, char32_t& character) {
    KSDisplay& d = Display();
    if (d.keyState == nullptr) {
        return false;
    }
    // The event's own modifier and group state, not the keyboard's present one. Control is
    // left out: the GUI gets Primary with the character, not a control code.
    xkb_state_update_mask(d.keyState, key->state & 0xFFU & ~XCB_MOD_MASK_CONTROL, 0, 0, 0, 0,
                          (key->state >> 13U) & 3U);
    const xkb_keysym_t sym = xkb_state_key_get_one_sym(d.keyState, key->detail);
    const char32_t utf32 = xkb_state_key_get_utf32(d.keyState, key->detail);
    code = KeyCodeOf(sym);
    if (code == eKeyNone && utf32 >= 0x20 && utf32 != 0x7F) {
        code = eKeyCharacter;
    }
    character = code == eKeyCharacter ? utf32 : 0;
    return code != eKeyNone;
}

void RunModalLoop(const std::function<bool()>& done) {
    while (!done()) {
        if (DispatchEvents() != eNoErr) {
            return;  // the display is gone: nothing will answer
        }
        if (done()) {
            return;
        }
        int timeout = GetEventLoopTimeoutMs();
        // Posted functions wake the poll; the cap keeps a lost wake-up from hanging a menu.
        timeout = timeout < 0 ? 100 : std::min(timeout, 100);
        pollfd wait{GetEventLoopFileDescriptor(), POLLIN, 0};
        poll(&wait, 1, timeout);
    }
}

}  // namespace X11
}  // namespace Native

int GetEventLoopFileDescriptor() {
    xcb_connection_t* c = Display().connection;
    return c != nullptr ? xcb_get_file_descriptor(c) : -1;
}

bool IsDisplayConnected() {
    return Display().connection != nullptr;
}

namespace {

// Hands a window's new size to the views that are its children.
void ParentConfigured(KSDisplay& d, const xcb_configure_notify_event_t* configure) {
    std::vector<xcb_window_t> children;
    for (const auto& [window, view] : d.views) {
        if (view->GetNativeParentView() == configure->window) {
            children.push_back(window);
        }
    }
    for (const xcb_window_t window : children) {
        // Looked up again: the GUI told of one view's new size may dispose of another.
        const auto found = d.views.find(window);
        if (found != d.views.end()) {
            found->second->ParentConfigured(configure->width, configure->height);
        }
    }
}

}  // namespace

KTErr DispatchEvents() {
    KSDisplay& d = Display();
    KTErr err = eNoErr;
    if (d.connection != nullptr) {
        std::vector<xcb_generic_event_t*> events;
        events.swap(d.held);
        while (xcb_generic_event_t* event = xcb_poll_for_event(d.connection)) {
            events.push_back(event);
        }
        for (std::size_t i = 0; i < events.size(); ++i) {
            xcb_generic_event_t* event = events[i];
            const xcb_generic_event_t* next = i + 1 < events.size() ? events[i + 1] : nullptr;
            if (IsMergedMotion(event, next)) {
                std::free(event);
                continue;
            }
            const xcb_window_t window = WindowOf(event);
            // Looked up for each event: a handler may open or close a modal window.
            const auto modal = d.modal.find(window);
            if (modal != d.modal.end()) {
                // A copy: the handler may close its own window.
                const Native::X11::KTEventHandler handler = modal->second;
                handler(event);
            } else if (!d.modal.empty() && IsInputOrCrossing(event)) {
                d.deferred.push_back(event);  // for the views once the modal window closes
                continue;
            } else if ((event->response_type & 0x7FU) == XCB_CONFIGURE_NOTIFY) {
                ParentConfigured(d, reinterpret_cast<const xcb_configure_notify_event_t*>(event));
            } else {
                // Looked up for each event: a handler may dispose of a view.
                const auto found = d.views.find(window);
                if (found != d.views.end()) {
                    const xcb_window_t outer = d.active;
                    d.active = window;
                    found->second->Handle(event);
                    d.active = outer;
                }
            }
            std::free(event);
        }
        if (xcb_connection_has_error(d.connection) != 0) {
            err = eOperatingSystemNotSupported;
        }
    }
    RunPosted();
    Native::RunDueTimersOfAllViews();
    if (d.connection != nullptr) {
        xcb_flush(d.connection);
        while (xcb_generic_event_t* event = xcb_poll_for_queued_event(d.connection)) {
            d.held.push_back(event);
        }
    }
    return err;
}

int GetEventLoopTimeoutMs() {
    if (!Display().held.empty()) {
        return 0;
    }
    {
        const std::lock_guard<std::mutex> lock(PostedMutex());
        if (!Posted().empty()) {
            return 0;
        }
    }
    return Native::TimerTimeoutMsOfAllViews();
}

void PostToGUIThread(std::function<void()> function) {
    {
        const std::lock_guard<std::mutex> lock(PostedMutex());
        Posted().push_back(std::move(function));
    }
    xcb_connection_t* c = PostConnection().load();
    if (c == nullptr) {
        return;  // no poll to wake: it runs at the next dispatch
    }
    const KSDisplay& d = Display();
    // A client message to our own hidden window wakes the GUI thread's poll.
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = d.loopWindow;
    message.type = d.wakeAtom;
    xcb_send_event(c, 0, d.loopWindow, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(c);
}

void RunEventLoopFor(int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        static_cast<void>(DispatchEvents());
        const auto now = std::chrono::steady_clock::now();
        if (now >= end) {
            return;
        }
        int timeout =
            static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(end - now).count());
        const int timers = GetEventLoopTimeoutMs();
        if (timers >= 0) {
            timeout = std::min(timeout, timers);
        }
        const int fd = GetEventLoopFileDescriptor();
        if (fd >= 0) {
            pollfd wait{fd, POLLIN, 0};
            poll(&wait, 1, timeout);
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(timeout));
        }
    }
}

}  // namespace kvKorvaneV10_0_3::PluginViewManager
