// Popup menus, edit boxes and message boxes as override-redirect X11 windows drawn by the
// library's renderer. Each holds the pointer and the keyboard and runs a nested loop until the
// user answers; the views' input waits meanwhile.
#include "korvane/gui/pvm/platform/native_view.h"

#include "korvane/gs/gs_writer.h"
#include "korvane/gui/pvm/gs_renderer.h"
#include "korvane/gui/pvm/image_source.h"
#include "korvane/gui/pvm/platform/x11_display.h"
#include "korvane/gui/pvm/plugin_view.h"
#include "korvane/gui/pvm/text_field.h"
#include "korvane/gui/pvm/text_measure.h"

#include <cairo.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kvKorvaneV10_0_3::PluginViewManager {
namespace {

namespace X11 = Native::X11;

constexpr const char* kFontName = "Sans";
constexpr int kFontSize = 12;
const KCRGBAColor kBackground{244, 244, 244, 255};
const KCRGBAColor kBorder{90, 90, 90, 255};
const KCRGBAColor kText{20, 20, 20, 255};
const KCRGBAColor kDisabledText{150, 150, 150, 255};
const KCRGBAColor kHighlight{52, 101, 164, 255};
const KCRGBAColor kHighlightText{255, 255, 255, 255};
const KCRGBAColor kField{255, 255, 255, 255};

std::function<void(std::uint32_t)>& ShownHook() {
    static std::function<void(std::uint32_t)> hook;
    return hook;
}

KURect<short> Rect(int top, int left, int bottom, int right) {
    return {static_cast<short>(top), static_cast<short>(left), static_cast<short>(bottom),
            static_cast<short>(right)};
}

int TextWidth(std::string_view text, int size = kFontSize) {
    KCFontDescription font;
    font.name = kFontName;
    font.size = size;
    return GetTextWidth(font, text);
}

// One line of text inside a box of the stream, vertically centred.
void DrawText(kvGS::KCGraphicStreamBinaryWriter& w, std::string_view text, const KURect<short>& box,
              const KCRGBAColor& color, kvGS::KTGSCode align = kvGS::eGSLeft,
              int size = kFontSize) {
    w.Font(kFontName, size, color, 0);
    kvGS::KCStGSFrameStructWriter frame(w, KURect<int>(box.top, box.left, box.bottom, box.right),
                                        0);
    w.DrawTheText(text, 0, align, kvGS::eGSVCenter);
}

// Where a view's point is on the screen; false when the window is gone.
bool ToRoot(xcb_window_t window, int x, int y, int& rootX, int& rootY) {
    xcb_connection_t* c = X11::Connection();
    xcb_translate_coordinates_reply_t* r = xcb_translate_coordinates_reply(
        c,
        xcb_translate_coordinates(c, window, X11::Screen()->root, static_cast<std::int16_t>(x),
                                  static_cast<std::int16_t>(y)),
        nullptr);
    if (r == nullptr) {
        return false;
    }
    rootX = r->dst_x;
    rootY = r->dst_y;
    std::free(r);
    return true;
}

// The window a dialog is shown over: the asked view's, or the view handling the event.
xcb_window_t OwnerWindow(const KCPluginView* view) {
    if (view != nullptr && view->GetNativeView() != 0) {
        return view->GetNativeView();
    }
    return X11::ActiveViewWindow();
}

// Screen pixels per GUI unit of that window's view: places given in the GUI's units go there.
double OwnerScale(const KCPluginView* view) {
    if (view != nullptr && view->GetNativeView() != 0) {
        return view->GetScaleFactor();
    }
    return X11::ActiveViewScale();
}

int ToPixels(int units, double scale) {
    return static_cast<int>(std::lround(units * scale));
}

// Screen pixels that `units` of a stream drawn at `scale` cover, as the renderer sizes them.
int PixelsOf(int units, double scale) {
    return static_cast<int>(std::ceil(units * scale));
}

// A top-level override-redirect window showing what a graphic stream draws. Its place is in
// root pixels; its size, its drawing and the points it gives back are in units, drawn at
// `scale` pixels each (a scaled view's modal windows grow with it).
class KCSelfDrawnWindow {
public:
    KCSelfDrawnWindow(int x, int y, int width, int height, double scale = 1.0)
        : m_x(x), m_y(y), m_width(width), m_height(height), m_format(X11::RootFormat()) {
        m_renderer.SetScale(scale);
        m_scale = m_renderer.GetScale();
        m_pixelWidth = PixelsOf(width, m_scale);
        m_pixelHeight = PixelsOf(height, m_scale);
        xcb_connection_t* c = X11::Connection();
        const xcb_screen_t* screen = X11::Screen();
        m_window = xcb_generate_id(c);
        const std::uint32_t events = XCB_EVENT_MASK_EXPOSURE | XCB_EVENT_MASK_BUTTON_PRESS |
                                     XCB_EVENT_MASK_BUTTON_RELEASE | XCB_EVENT_MASK_POINTER_MOTION |
                                     XCB_EVENT_MASK_KEY_PRESS | XCB_EVENT_MASK_ENTER_WINDOW |
                                     XCB_EVENT_MASK_LEAVE_WINDOW | XCB_EVENT_MASK_FOCUS_CHANGE;
        const std::uint32_t values[] = {XCB_BACK_PIXMAP_NONE, 1, events};
        xcb_create_window(
            c, XCB_COPY_FROM_PARENT, m_window, screen->root, static_cast<std::int16_t>(x),
            static_cast<std::int16_t>(y), static_cast<std::uint16_t>(m_pixelWidth),
            static_cast<std::uint16_t>(m_pixelHeight), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
            screen->root_visual, XCB_CW_BACK_PIXMAP | XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK,
            values);
        m_gc = xcb_generate_id(c);
        const std::uint32_t gcValues[] = {0};
        xcb_create_gc(c, m_gc, m_window, XCB_GC_GRAPHICS_EXPOSURES, gcValues);
    }
    KCSelfDrawnWindow(const KCSelfDrawnWindow&) = delete;
    KCSelfDrawnWindow& operator=(const KCSelfDrawnWindow&) = delete;
    ~KCSelfDrawnWindow() {
        xcb_connection_t* c = X11::Connection();
        X11::RemoveModalWindow(m_window);
        xcb_free_gc(c, m_gc);
        xcb_destroy_window(c, m_window);
        xcb_flush(c);
    }

    [[nodiscard]] xcb_window_t Id() const { return m_window; }
    [[nodiscard]] bool Contains(int rootX, int rootY) const {
        return rootX >= m_x && rootX < m_x + m_pixelWidth && rootY >= m_y &&
               rootY < m_y + m_pixelHeight;
    }
    // Place on the screen and size there, in pixels.
    [[nodiscard]] int X() const { return m_x; }
    [[nodiscard]] int Y() const { return m_y; }
    [[nodiscard]] int PixelWidth() const { return m_pixelWidth; }
    // Size in units.
    [[nodiscard]] int Width() const { return m_width; }
    [[nodiscard]] int Height() const { return m_height; }
    // The unit a root pixel lies in, relative to the window's top-left.
    [[nodiscard]] int LocalX(int rootX) const { return ToUnit(rootX - m_x); }
    [[nodiscard]] int LocalY(int rootY) const { return ToUnit(rootY - m_y); }
    // Where the stream's "ePNG" records find their pixels (not owned; may be null).
    void SetImageSource(KCImageSource* images) { m_renderer.SetImageSource(images); }

    void Map(X11::KTEventHandler handler) {
        X11::AddModalWindow(m_window, std::move(handler));
        xcb_connection_t* c = X11::Connection();
        const std::uint32_t above[] = {XCB_STACK_MODE_ABOVE};
        xcb_configure_window(c, m_window, XCB_CONFIG_WINDOW_STACK_MODE, above);
        xcb_map_window(c, m_window);
        xcb_flush(c);
    }

    // Renders the stream (sized as the window) and copies it to the window in row strips.
    void Show(const kvGS::KCGraphicStreamBinaryWriter& writer) {
        const auto& stream = writer.GetStream();
        if (writer.GetError() != eNoErr ||
            m_renderer.RenderInProcess(static_cast<const char*>(stream.ptr), stream.size) !=
                eNoErr) {
            return;
        }
        cairo_surface_t* surface = m_renderer.GetSurface();
        cairo_surface_flush(surface);
        const int width = m_renderer.GetWidth();
        const int height = m_renderer.GetHeight();
        const auto stride = static_cast<std::size_t>(cairo_image_surface_get_stride(surface));
        const auto rowBytes = static_cast<std::size_t>(width) * 4;
        m_pixels.resize(rowBytes * static_cast<std::size_t>(height));
        Native::ConvertPixels(cairo_image_surface_get_data(surface), stride, width, height,
                              m_format, m_pixels.data());
        xcb_connection_t* c = X11::Connection();
        constexpr std::size_t kRequestHeader = 24;
        const std::size_t room = X11::MaxRequestBytes() - kRequestHeader;
        const int rowsPerStrip = std::max(1, static_cast<int>(room / rowBytes));
        for (int top = 0; top < height; top += rowsPerStrip) {
            const int rows = std::min(rowsPerStrip, height - top);
            xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, m_window, m_gc,
                          static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(rows), 0,
                          static_cast<std::int16_t>(top), 0,
                          static_cast<std::uint8_t>(X11::Screen()->root_depth),
                          static_cast<std::uint32_t>(rowBytes * static_cast<std::size_t>(rows)),
                          m_pixels.data() + (rowBytes * static_cast<std::size_t>(top)));
        }
        xcb_flush(c);
    }

private:
    [[nodiscard]] int ToUnit(int pixels) const {
        return static_cast<int>(std::floor(pixels / m_scale));
    }

    int m_x;
    int m_y;
    int m_width;
    int m_height;
    double m_scale = 1.0;
    int m_pixelWidth = 0;
    int m_pixelHeight = 0;
    Native::KSPixelFormat m_format;
    xcb_window_t m_window = 0;
    xcb_gcontext_t m_gc = 0;
    KCGraphicStreamToCairo m_renderer;
    std::vector<std::uint8_t> m_pixels;
};

// The pointer and keyboard held for a modal window, given back when it goes.
class KCGrab {
public:
    explicit KCGrab(xcb_window_t window) {
        xcb_connection_t* c = X11::Connection();
        // Every pointer event reports to `window`, even over the views: the handlers place it
        // by its root position.
        const std::uint16_t mask = XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE |
                                   XCB_EVENT_MASK_POINTER_MOTION;
        const xcb_grab_pointer_cookie_t pointer =
            xcb_grab_pointer(c, 0, window, mask, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC, XCB_NONE,
                             XCB_NONE, XCB_CURRENT_TIME);
        const xcb_grab_keyboard_cookie_t keyboard = xcb_grab_keyboard(
            c, 0, window, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        m_sequence = keyboard.sequence;
        xcb_grab_pointer_reply_t* p = xcb_grab_pointer_reply(c, pointer, nullptr);
        xcb_grab_keyboard_reply_t* k = xcb_grab_keyboard_reply(c, keyboard, nullptr);
        m_ok = p != nullptr && p->status == XCB_GRAB_STATUS_SUCCESS && k != nullptr &&
               k->status == XCB_GRAB_STATUS_SUCCESS;
        m_pointerSequence = pointer.sequence;
        std::free(p);
        std::free(k);
    }
    KCGrab(const KCGrab&) = delete;
    KCGrab& operator=(const KCGrab&) = delete;
    ~KCGrab() {
        xcb_connection_t* c = X11::Connection();
        xcb_ungrab_keyboard(c, XCB_CURRENT_TIME);
        // Waited for, so the pointer and keyboard are free for others when the modal call
        // returns: input another client sends right after would still reach the dead window.
        std::free(xcb_request_check(c, xcb_ungrab_pointer_checked(c, XCB_CURRENT_TIME)));
    }
    [[nodiscard]] bool Ok() const { return m_ok; }

    // True when a crossing or focus change says someone else took or ended the grab.
    [[nodiscard]] bool IsLostBy(const xcb_generic_event_t* event) const {
        std::uint8_t mode = 0;
        switch (event->response_type & 0x7FU) {
            case XCB_ENTER_NOTIFY:
            case XCB_LEAVE_NOTIFY:
                mode = reinterpret_cast<const xcb_enter_notify_event_t*>(event)->mode;
                break;
            case XCB_FOCUS_OUT:
                mode = reinterpret_cast<const xcb_focus_out_event_t*>(event)->mode;
                break;
            default:
                return false;
        }
        if (mode != XCB_NOTIFY_MODE_GRAB && mode != XCB_NOTIFY_MODE_UNGRAB) {
            return false;
        }
        // The server stamps the events our own grabs caused with their request numbers.
        return event->sequence != static_cast<std::uint16_t>(m_sequence) &&
               event->sequence != static_cast<std::uint16_t>(m_pointerSequence);
    }

private:
    bool m_ok = false;
    unsigned int m_sequence = 0;
    unsigned int m_pointerSequence = 0;
};

void NotifyShown(xcb_window_t window) {
    // A copy: the hook may replace the hook.
    const std::function<void(std::uint32_t)> hook = ShownHook();
    if (hook) {
        hook(window);
    }
}

// ------------------------------------------------------------------ popup menus

constexpr int kRowHeight = 20;
constexpr int kSeparatorHeight = 9;
constexpr int kPadding = 3;
constexpr int kCheckColumn = 20;
constexpr int kArrowColumn = 18;
// A menu taller than the screen scrolls between two bands with arrows, this high.
constexpr int kScrollBand = 14;
// Rows one wheel notch scrolls.
constexpr int kWheelRows = 3;
// Item images are scaled to the row height; a wide one is narrowed to this many rows' width.
constexpr int kMaxImageRows = 3;

// How a menu's rows look: compact for the mouse, or taller for a finger with the items' touch
// data (a detail line under the text and an icon).
struct KSMenuStyle {
    bool touch = false;
    int rowHeight = kRowHeight;
    int fontSize = kFontSize;
    int detailSize = 0;
    // Pixels above and below an item's image or icon within its row.
    int imageInset = 0;
};
constexpr KSMenuStyle kMouseStyle{};
constexpr KSMenuStyle kTouchStyle{true, 44, 14, 11, 6};

class KCPopupMenu {
public:
    // `images`: where the items' image ids are looked up (null: no images drawn).
    // `scale`: screen pixels per unit of the rows, texts and images (the view's scale).
    KCPopupMenu(KCPopupMenuItemData& chosen, KCImageSource* images, double scale)
        : m_chosen(chosen), m_images(images), m_scale(scale) {}

    // Shows `menu` with its top-left corner at the root point and waits for the answer. A
    // touch-friendly menu shows its whole tree, sub-menus too, in the touch style.
    bool Run(const KSMenu& menu, int rootX, int rootY) {
        const KCMenuCreationOptions* options = GetMenuCreationOptions(&menu);
        m_style = options != nullptr && options->touchFriendly ? kTouchStyle : kMouseStyle;
        Open(menu, rootX, rootY);
        if (m_levels.empty()) {
            return false;
        }
        m_grab.emplace(m_levels.front().window->Id());
        if (!m_grab->Ok()) {
            m_levels.clear();
            return false;
        }
        NotifyShown(m_levels.front().window->Id());
        X11::RunModalLoop([this] { return m_done; });
        m_levels.clear();
        m_grab.reset();
        return m_answered;
    }

private:
    struct Level {
        const KSMenu* menu = nullptr;
        std::vector<KCMenuItemInfo> items;
        std::vector<int> tops;  // each item's top in the window, and the bottom after the last
        int hover = -1;
        // Width of the image column between the check marks and the text: 0 when no item
        // names an image, so every text starts at the same place whether its image exists.
        int imageColumn = 0;
        // Set when the items do not fit on the screen: `scroll` pixels of them are above the
        // top band, and the bands scroll by a page when pressed.
        bool scrollable = false;
        int scroll = 0;
        std::unique_ptr<KCSelfDrawnWindow> window;

        // What is added to an item's top to place it in the window.
        [[nodiscard]] int Offset() const {
            return scrollable ? kScrollBand - kPadding - scroll : 0;
        }
        // Height of the items' part of the window.
        [[nodiscard]] int Viewport() const {
            return window->Height() - (scrollable ? 2 * kScrollBand : 2 * kPadding);
        }
        [[nodiscard]] int MaxScroll() const {
            return std::max(0, tops.back() - kPadding - Viewport());
        }
        // Scrolls by `pixels` within the items; false when it stayed.
        bool ScrollBy(int pixels) {
            const int was = scroll;
            scroll = std::clamp(scroll + pixels, 0, MaxScroll());
            return scroll != was;
        }
        // Scrolls the least that shows the whole item.
        void Reveal(int item) {
            if (!scrollable || item < 0) {
                return;
            }
            const int top = tops[static_cast<std::size_t>(item)] - kPadding;
            const int bottom = tops[static_cast<std::size_t>(item) + 1] - kPadding;
            if (top < scroll) {
                scroll = top;
            } else if (bottom > scroll + Viewport()) {
                scroll = bottom - Viewport();
            }
            scroll = std::clamp(scroll, 0, MaxScroll());
        }
    };

    // The rectangle an item's image is drawn in: the row's height, the width keeping the
    // image's proportions within the column. Empty when the image is missing.
    [[nodiscard]] KURect<short> ImageRect(const KCMenuItemInfo& item, int top, int bottom,
                                          int column) const {
        const short id = ImageID(item);
        const KCImagePixels* image =
            m_images == nullptr || id == kNoImageResID ? nullptr : m_images->GetImage(id, {});
        if (image == nullptr || image->Empty()) {
            return {};
        }
        top += m_style.imageInset;
        bottom -= m_style.imageInset;
        const int height = bottom - top;
        // 64 bits: a very wide image must not overflow on its way to the clamp.
        const auto scaled = (static_cast<std::int64_t>(image->width) * height) / image->height;
        const int width = static_cast<int>(std::clamp<std::int64_t>(scaled, 1, column));
        return Rect(top, kCheckColumn, bottom, kCheckColumn + width);
    }

    static bool IsSelectable(const KCMenuItemInfo& item) { return item.enabled && !item.separator; }

    void Open(const KSMenu& menu, int rootX, int rootY) {
        Level level;
        level.menu = &menu;
        const int count = GetMenuItemCount(&menu);
        int textWidth = 0;
        int top = kPadding;
        for (int i = 0; i < count; ++i) {
            KCMenuItemInfo info;
            if (GetMenuItemByIndex(&menu, i, info) != eNoErr) {
                continue;
            }
            level.tops.push_back(top);
            top += info.separator ? kSeparatorHeight : m_style.rowHeight;
            textWidth = std::max(textWidth, TextWidth(info.text, m_style.fontSize));
            if (m_style.touch && !info.touch.detail.empty()) {
                textWidth = std::max(textWidth, TextWidth(info.touch.detail, m_style.detailSize));
            }
            if (!info.separator && ImageID(info) != kNoImageResID) {
                const int iconHeight = m_style.rowHeight - (2 * m_style.imageInset);
                level.imageColumn = std::max(
                    {level.imageColumn, iconHeight,
                     ImageRect(info, 0, m_style.rowHeight, kMaxImageRows * iconHeight).right -
                         kCheckColumn});
            }
            level.items.push_back(std::move(info));
        }
        const int textLeft = kCheckColumn + ImageGap(level.imageColumn);
        const int width = std::max(80, textLeft + textWidth + kArrowColumn + 8);
        level.tops.push_back(top);
        // Kept on the screen: moved left or up when it would leave it, and made to scroll
        // when it is taller.
        const xcb_screen_t* screen = X11::Screen();
        int height = top + kPadding;
        const auto screenUnits = static_cast<int>(std::floor(screen->height_in_pixels / m_scale));
        if (height > screenUnits) {
            height = screenUnits;
            level.scrollable = true;
        }
        const int x =
            std::max(0, std::min(rootX, screen->width_in_pixels - PixelsOf(width, m_scale)));
        const int y =
            std::max(0, std::min(rootY, screen->height_in_pixels - PixelsOf(height, m_scale)));
        level.window = std::make_unique<KCSelfDrawnWindow>(x, y, width, height, m_scale);
        level.window->SetImageSource(m_images);
        m_levels.push_back(std::move(level));
        const std::size_t index = m_levels.size() - 1;
        m_levels[index].window->Map([this](const xcb_generic_event_t* event) { Handle(event); });
        Draw(index);
    }

    void Draw(std::size_t index) {
        Level& level = m_levels[index];
        const int width = level.window->Width();
        const int height = level.window->Height();
        kvGS::KCGraphicStreamBinaryWriter w;
        kvGS::SGSStream stream;
        stream.rect = {0, 0, width, height};
        {
            kvGS::KCStGSStreamStructWriter guard(w, stream);
            w.DrawSolidRect(kBackground, Rect(0, 0, height, width));
            w.DrawWireRect(kBorder, Rect(0, 0, height - 1, width - 1), 1.0F);
            const int offset = level.Offset();
            for (std::size_t i = 0; i < level.items.size(); ++i) {
                const KCMenuItemInfo& item = level.items[i];
                const int top = level.tops[i] + offset;
                const int bottom = level.tops[i + 1] + offset;
                if (bottom <= 0 || top >= height) {
                    continue;  // scrolled out of the window
                }
                if (item.separator) {
                    const auto mid = static_cast<short>((top + bottom) / 2);
                    w.DrawLine(kDisabledText, {6, mid}, {static_cast<short>(width - 6), mid}, 1.0F,
                               false);
                    continue;
                }
                const bool hot = static_cast<int>(i) == level.hover && IsSelectable(item);
                if (hot) {
                    w.DrawSolidRect(kHighlight, Rect(top, 1, bottom, width - 1));
                }
                const KCRGBAColor& color =
                    !item.enabled ? kDisabledText : (hot ? kHighlightText : kText);
                if (item.IsChecked()) {
                    const auto mid = static_cast<short>((top + bottom) / 2);
                    w.DrawLine(color, {5, mid}, {9, static_cast<short>(mid + 4)}, 2.0F, true);
                    w.DrawLine(color, {9, static_cast<short>(mid + 4)},
                               {15, static_cast<short>(mid - 5)}, 2.0F, true);
                }
                if (level.imageColumn > 0) {
                    const KURect<short> image = ImageRect(item, top, bottom, level.imageColumn);
                    if (image.right > image.left) {
                        w.DrawPNGScaled(ImageID(item), image);
                    }
                }
                const int textLeft = kCheckColumn + ImageGap(level.imageColumn);
                if (m_style.touch && !item.touch.detail.empty()) {
                    // The text in the upper part of the row, the detail line under it.
                    const int split = top + (m_style.rowHeight * 11 / 20);
                    DrawText(w, item.text, Rect(top + 2, textLeft, split, width - kArrowColumn),
                             color, kvGS::eGSLeft, m_style.fontSize);
                    DrawText(w, item.touch.detail,
                             Rect(split - 2, textLeft, bottom - 4, width - kArrowColumn),
                             hot ? kHighlightText : kDisabledText, kvGS::eGSLeft,
                             m_style.detailSize);
                } else {
                    DrawText(w, item.text, Rect(top, textLeft, bottom, width - kArrowColumn), color,
                             kvGS::eGSLeft, m_style.fontSize);
                }
                if (item.subMenu != nullptr) {
                    const auto mid = static_cast<short>((top + bottom) / 2);
                    const auto x = static_cast<short>(width - 12);
                    w.DrawLine(color, {x, static_cast<short>(mid - 4)},
                               {static_cast<short>(x + 4), mid}, 1.5F, true);
                    w.DrawLine(color, {static_cast<short>(x + 4), mid},
                               {x, static_cast<short>(mid + 4)}, 1.5F, true);
                }
            }
            if (level.scrollable) {
                DrawScrollBands(w, level, width, height);
            }
        }
        level.window->Show(w);
    }

    // The bands over the items scrolled out, each with an arrow, grey when it cannot scroll.
    static void DrawScrollBands(kvGS::KCGraphicStreamBinaryWriter& w, const Level& level, int width,
                                int height) {
        const auto mid = static_cast<short>(width / 2);
        const KCRGBAColor& up = level.scroll > 0 ? kText : kDisabledText;
        const KCRGBAColor& down = level.scroll < level.MaxScroll() ? kText : kDisabledText;
        w.DrawSolidRect(kBackground, Rect(1, 1, kScrollBand, width - 1));
        w.DrawLine(up, {static_cast<short>(mid - 5), 10}, {mid, 4}, 1.5F, true);
        w.DrawLine(up, {mid, 4}, {static_cast<short>(mid + 5), 10}, 1.5F, true);
        const int bottom = height - kScrollBand;
        w.DrawSolidRect(kBackground, Rect(bottom, 1, height - 1, width - 1));
        w.DrawLine(down, {static_cast<short>(mid - 5), static_cast<short>(bottom + 4)},
                   {mid, static_cast<short>(bottom + 10)}, 1.5F, true);
        w.DrawLine(down, {mid, static_cast<short>(bottom + 10)},
                   {static_cast<short>(mid + 5), static_cast<short>(bottom + 4)}, 1.5F, true);
    }

    // -1 above the items (the top scroll band), 1 below them, 0 over them.
    [[nodiscard]] static int BandAt(const Level& level, int rootY) {
        if (!level.scrollable) {
            return 0;
        }
        const int y = level.window->LocalY(rootY);
        if (y < kScrollBand) {
            return -1;
        }
        return y >= level.window->Height() - kScrollBand ? 1 : 0;
    }

    // Scrolls the level by `pixels`, closes its sub-menus and puts the hover under the pointer.
    void Scroll(std::size_t index, int pixels, int rootY) {
        Level& level = m_levels[index];
        if (!level.ScrollBy(pixels)) {
            return;
        }
        CloseDeeperThan(index);
        level.hover = ItemAt(level, rootY);
        Draw(index);
    }

    // The deepest level under the root point, or -1.
    [[nodiscard]] int LevelAt(int rootX, int rootY) const {
        for (int i = static_cast<int>(m_levels.size()) - 1; i >= 0; --i) {
            if (m_levels[static_cast<std::size_t>(i)].window->Contains(rootX, rootY)) {
                return i;
            }
        }
        return -1;
    }

    [[nodiscard]] int ItemAt(const Level& level, int rootY) const {
        if (BandAt(level, rootY) != 0) {
            return -1;
        }
        const int y = level.window->LocalY(rootY) - level.Offset();
        for (std::size_t i = 0; i < level.items.size(); ++i) {
            if (y >= level.tops[i] && y < level.tops[i + 1]) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }

    void CloseDeeperThan(std::size_t index) {
        while (m_levels.size() > index + 1) {
            m_levels.pop_back();
        }
    }

    void SetHover(std::size_t index, int item) {
        Level& level = m_levels[index];
        if (level.hover == item) {
            return;
        }
        level.hover = item;
        CloseDeeperThan(index);
        Draw(index);
    }

    // Opens the hovered item's sub-menu beside it.
    void OpenSubMenu(std::size_t index) {
        const Level& level = m_levels[index];
        if (level.hover < 0) {
            return;
        }
        const KCMenuItemInfo& item = level.items[static_cast<std::size_t>(level.hover)];
        if (item.subMenu == nullptr || !item.enabled || m_levels.size() > index + 1) {
            return;
        }
        const int x = level.window->X() + level.window->PixelWidth() - ToPixels(2, m_scale);
        const int y =
            level.window->Y() +
            ToPixels(level.tops[static_cast<std::size_t>(level.hover)] + level.Offset() - kPadding,
                     m_scale);
        Open(*item.subMenu, x, y);
        NotifyShown(m_levels.back().window->Id());
    }

    void Choose(std::size_t index, int item) {
        const Level& level = m_levels[index];
        const KCMenuItemInfo& info = level.items[static_cast<std::size_t>(item)];
        if (!info.IsChoosable()) {
            return;
        }
        m_chosen.menu = level.menu;
        m_chosen.index = item;
        m_answered = true;
        m_done = true;
    }

    void Move(std::size_t index, int step) {
        Level& level = m_levels[index];
        const int count = static_cast<int>(level.items.size());
        int item = level.hover;
        for (int tries = 0; tries < count; ++tries) {
            item = item < 0 ? (step > 0 ? 0 : count - 1) : (item + step + count) % count;
            if (IsSelectable(level.items[static_cast<std::size_t>(item)])) {
                level.Reveal(item);  // the keyboard's item stays in sight
                SetHover(index, item);
                return;
            }
        }
    }

    // Moves the hover about a window's height of items, to an enabled one.
    void Page(std::size_t index, int direction) {
        Level& level = m_levels[index];
        const int count = static_cast<int>(level.items.size());
        const int rows = std::max(1, level.Viewport() / m_style.rowHeight);
        int item = std::clamp(level.hover < 0 ? 0 : level.hover + (direction * rows), 0, count - 1);
        while (item >= 0 && item < count &&
               !IsSelectable(level.items[static_cast<std::size_t>(item)])) {
            item += direction;
        }
        if (item >= 0 && item < count) {
            level.Reveal(item);
            SetHover(index, item);
        }
    }

    void Key(const xcb_key_press_event_t* key) {
        KEKeyCode code = eKeyNone;
        char32_t character = 0;
        if (!X11::ReadKey(key, code, character)) {
            return;
        }
        const std::size_t deepest = m_levels.size() - 1;
        Level& level = m_levels[deepest];
        switch (code) {
            case eKeyEscape:
                m_done = true;
                break;
            case eKeyUp:
                Move(deepest, -1);
                break;
            case eKeyDown:
                Move(deepest, 1);
                break;
            case eKeyHome:
                level.hover = -1;
                Move(deepest, 1);
                break;
            case eKeyEnd:
                level.hover = -1;
                Move(deepest, -1);
                break;
            case eKeyPageUp:
            case eKeyPageDown:
                Page(deepest, code == eKeyPageDown ? 1 : -1);
                break;
            case eKeyLeft:
                if (deepest > 0) {
                    m_levels.pop_back();
                }
                break;
            case eKeyRight:
            case eKeyEnter:
                if (level.hover >= 0) {
                    const KCMenuItemInfo& item = level.items[static_cast<std::size_t>(level.hover)];
                    if (item.subMenu != nullptr) {
                        OpenSubMenu(deepest);
                        Move(m_levels.size() - 1, 1);
                    } else if (code == eKeyEnter) {
                        Choose(deepest, level.hover);
                    }
                }
                break;
            default:
                break;
        }
    }

    void Handle(const xcb_generic_event_t* event) {
        if (m_done || m_levels.empty()) {
            return;
        }
        if (m_grab && m_grab->IsLostBy(event)) {
            m_done = true;  // someone else holds the pointer or keyboard now
            return;
        }
        switch (event->response_type & 0x7FU) {
            case XCB_EXPOSE: {
                const auto* expose = reinterpret_cast<const xcb_expose_event_t*>(event);
                for (std::size_t i = 0; i < m_levels.size(); ++i) {
                    if (m_levels[i].window->Id() == expose->window && expose->count == 0) {
                        Draw(i);
                    }
                }
                break;
            }
            case XCB_MOTION_NOTIFY: {
                const auto* motion = reinterpret_cast<const xcb_motion_notify_event_t*>(event);
                const int at = LevelAt(motion->root_x, motion->root_y);
                if (at < 0) {
                    break;
                }
                m_moved = true;
                const auto index = static_cast<std::size_t>(at);
                SetHover(index, ItemAt(m_levels[index], motion->root_y));
                OpenSubMenu(index);
                break;
            }
            case XCB_BUTTON_PRESS: {
                const auto* press = reinterpret_cast<const xcb_button_press_event_t*>(event);
                const int at = LevelAt(press->root_x, press->root_y);
                if (press->detail == 4 || press->detail == 5) {
                    // The wheel scrolls the menu under the pointer; it never chooses.
                    if (at >= 0) {
                        Scroll(static_cast<std::size_t>(at),
                               (press->detail == 4 ? -1 : 1) * kWheelRows * m_style.rowHeight,
                               press->root_y);
                    }
                    break;
                }
                if (press->detail > 3) {
                    break;
                }
                if (at < 0) {
                    m_done = true;  // a click outside dismisses
                    break;
                }
                m_pressedInside = true;
                const auto index = static_cast<std::size_t>(at);
                if (const int band = BandAt(m_levels[index], press->root_y); band != 0) {
                    const Level& level = m_levels[index];
                    Scroll(index,
                           band * std::max(m_style.rowHeight, level.Viewport() - m_style.rowHeight),
                           press->root_y);
                    break;
                }
                SetHover(index, ItemAt(m_levels[index], press->root_y));
                OpenSubMenu(index);
                break;
            }
            case XCB_BUTTON_RELEASE: {
                const auto* release = reinterpret_cast<const xcb_button_release_event_t*>(event);
                // The release of the click that opened the menu chooses only after the pointer
                // moved onto an item.
                if (release->detail > 3 || (!m_pressedInside && !m_moved)) {
                    break;
                }
                const int at = LevelAt(release->root_x, release->root_y);
                if (at >= 0) {
                    const auto index = static_cast<std::size_t>(at);
                    const int item = ItemAt(m_levels[index], release->root_y);
                    if (item >= 0) {
                        Choose(index, item);
                    }
                }
                break;
            }
            case XCB_KEY_PRESS:
                Key(reinterpret_cast<const xcb_key_press_event_t*>(event));
                break;
            default:
                break;
        }
    }

    // The image drawn at the item's left: in the touch style its icon, or its image without one.
    [[nodiscard]] short ImageID(const KCMenuItemInfo& item) const {
        return m_style.touch && item.touch.iconResID != kNoImageResID ? item.touch.iconResID
                                                                      : item.imageResID;
    }

    // The image column and the space after it (none without images).
    static int ImageGap(int imageColumn) { return imageColumn > 0 ? imageColumn + 4 : 0; }

    KCPopupMenuItemData& m_chosen;
    KCImageSource* m_images;
    double m_scale;
    KSMenuStyle m_style;
    std::vector<Level> m_levels;
    std::optional<KCGrab> m_grab;
    bool m_done = false;
    bool m_answered = false;
    bool m_moved = false;
    bool m_pressedInside = false;
};

// ------------------------------------------------------------------ text fields

using detail::KCTextField;

// A second press of the left button within this time and distance of the first selects all.
constexpr std::uint32_t kDoubleClickMilliseconds = KCPluginView::kDoubleClickMicroseconds / 1000;
constexpr int kDoubleClickDistance = 4;

// Mouse input to an edit field: presses place the caret (a double click selects all) and a
// drag with the left button held selects. Positions are relative to the field.
class KCFieldMouse {
public:
    // Returns true when the field changed.
    bool Press(KCTextField& field, const xcb_button_press_event_t* press, int x) {
        const bool twice = m_pressed && press->time - m_time <= kDoubleClickMilliseconds &&
                           std::abs(press->root_x - m_x) <= kDoubleClickDistance &&
                           std::abs(press->root_y - m_y) <= kDoubleClickDistance;
        // A third press starts over rather than making another double click.
        m_pressed = !twice;
        m_time = press->time;
        m_x = press->root_x;
        m_y = press->root_y;
        if (twice) {
            m_dragging = false;
            field.SelectAll();
            return true;
        }
        m_dragging = true;
        field.Press(x, (press->state & XCB_MOD_MASK_SHIFT) != 0);
        return true;
    }
    bool Motion(KCTextField& field, int x) {
        if (!m_dragging) {
            return false;
        }
        field.Drag(x);
        return true;
    }
    void Release() { m_dragging = false; }

private:
    bool m_pressed = false;
    bool m_dragging = false;
    std::uint32_t m_time = 0;
    int m_x = 0;
    int m_y = 0;
};

// Reads a key for an edit field; false when it is not one.
bool FieldKey(const xcb_key_press_event_t* key, KEKeyCode& code, char32_t& character,
              bool& extend) {
    extend = (key->state & XCB_MOD_MASK_SHIFT) != 0;
    return X11::ReadKey(key, code, character);
}

bool& TextBoxQuit() {
    static bool quit = false;
    return quit;
}

// ------------------------------------------------------------------ message boxes and dialogs

struct KSDialogButton {
    std::string label;
    KEMessageBoxAnswer answer;
    KURect<short> rect;
};

std::vector<KSDialogButton> ButtonsOf(KEMessageBoxButtons buttons) {
    switch (buttons) {
        case eMBOkCancel:
            return {{"OK", eMBOkAnswer, {}}, {"Cancel", eMBCancelled, {}}};
        case eMBYesNo:
            return {{"Yes", eMBYes, {}}, {"No", eMBNo, {}}};
        case eMBYesNoCancel:
            return {{"Yes", eMBYes, {}}, {"No", eMBNo, {}}, {"Cancel", eMBCancelled, {}}};
        case eMBOk:
        default:
            return {{"OK", eMBOkAnswer, {}}};
    }
}

std::vector<std::string> LinesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end == std::string::npos ? end : end - start));
        if (end == std::string::npos) {
            return lines;
        }
        start = end + 1;
    }
}

// A modal window with a title, lines of text, an optional edit field and a row of buttons.
class KCDialog {
public:
    static constexpr int kTitleHeight = 24;
    static constexpr int kLineHeight = 18;
    static constexpr int kButtonHeight = 26;
    static constexpr int kButtonWidth = 76;
    static constexpr int kMargin = 12;

    // `scale`: screen pixels per unit of the dialog (the scale of the view it shows over).
    KCDialog(std::string title, const std::string& message, std::vector<KSDialogButton> buttons,
             std::optional<std::pair<std::string, std::string>> field, double scale)
        : m_scale(scale),
          m_title(std::move(title)),
          m_lines(LinesOf(message)),
          m_buttons(std::move(buttons)),
          m_fieldText(std::move(field)) {}

    // Shows the dialog centred over `owner` (the screen when 0) and waits.
    KEMessageBoxAnswer Run(xcb_window_t owner) {
        int width = std::max<int>(220, TextWidth(m_title) + (2 * kMargin));
        for (const std::string& line : m_lines) {
            width = std::max(width, TextWidth(line) + (2 * kMargin));
        }
        const int buttonsWidth = static_cast<int>(m_buttons.size()) * (kButtonWidth + 8);
        width = std::max(width, buttonsWidth + (2 * kMargin));
        int y = kTitleHeight + kMargin + (static_cast<int>(m_lines.size()) * kLineHeight);
        if (m_fieldText) {
            m_fieldRect = Rect(y + 6, kMargin, y + 6 + 24, width - kMargin);
            m_field.emplace(m_fieldText->first, m_fieldText->second, width - (2 * kMargin),
                            kFontSize);
            y += 36;
        }
        const int height = y + kMargin + kButtonHeight + kMargin;
        int left = width - kMargin - buttonsWidth + 8;
        for (KSDialogButton& button : m_buttons) {
            button.rect =
                Rect(height - kMargin - kButtonHeight, left, height - kMargin, left + kButtonWidth);
            left += kButtonWidth + 8;
        }
        const xcb_screen_t* screen = X11::Screen();
        int centreX = screen->width_in_pixels / 2;
        int centreY = screen->height_in_pixels / 2;
        if (owner != 0) {
            xcb_connection_t* c = X11::Connection();
            xcb_get_geometry_reply_t* g =
                xcb_get_geometry_reply(c, xcb_get_geometry(c, owner), nullptr);
            if (g != nullptr) {
                int x = 0;
                int y0 = 0;
                if (ToRoot(owner, g->width / 2, g->height / 2, x, y0)) {
                    centreX = x;
                    centreY = y0;
                }
                std::free(g);
            }
        }
        const int pixelWidth = PixelsOf(width, m_scale);
        const int pixelHeight = PixelsOf(height, m_scale);
        const int x =
            std::max(0, std::min(centreX - (pixelWidth / 2), screen->width_in_pixels - pixelWidth));
        const int top = std::max(
            0, std::min(centreY - (pixelHeight / 2), screen->height_in_pixels - pixelHeight));
        m_window = std::make_unique<KCSelfDrawnWindow>(x, top, width, height, m_scale);
        Draw();
        m_window->Map([this](const xcb_generic_event_t* event) { Handle(event); });
        KCGrab grab(m_window->Id());
        if (!grab.Ok()) {
            m_window.reset();
            return eMBCancelled;
        }
        m_grab = &grab;
        Draw();
        NotifyShown(m_window->Id());
        X11::RunModalLoop([this] { return m_done; });
        m_grab = nullptr;
        m_window.reset();
        return m_answer;
    }

    [[nodiscard]] const std::optional<KCTextField>& Field() const { return m_field; }

private:
    void Draw() {
        const int width = m_window->Width();
        const int height = m_window->Height();
        kvGS::KCGraphicStreamBinaryWriter w;
        kvGS::SGSStream stream;
        stream.rect = {0, 0, width, height};
        {
            kvGS::KCStGSStreamStructWriter guard(w, stream);
            w.DrawSolidRect(kBackground, Rect(0, 0, height, width));
            w.DrawSolidRect(kHighlight, Rect(0, 0, kTitleHeight, width));
            DrawText(w, m_title, Rect(0, kMargin, kTitleHeight, width - kMargin), kHighlightText);
            int y = kTitleHeight + kMargin;
            for (const std::string& line : m_lines) {
                DrawText(w, line, Rect(y, kMargin, y + kLineHeight, width - kMargin), kText);
                y += kLineHeight;
            }
            if (m_field) {
                m_field->Draw(w, m_fieldRect);
            }
            for (const KSDialogButton& button : m_buttons) {
                w.DrawSolidRect(kField, button.rect);
                w.DrawWireRect(kBorder,
                               Rect(button.rect.top, button.rect.left, button.rect.bottom - 1,
                                    button.rect.right - 1),
                               1.0F);
                DrawText(w, button.label, button.rect, kText, kvGS::eGSHCenter);
            }
            w.DrawWireRect(kBorder, Rect(0, 0, height - 1, width - 1), 1.0F);
        }
        m_window->Show(w);
    }

    void Answer(KEMessageBoxAnswer answer) {
        m_answer = answer;
        m_done = true;
    }

    void Handle(const xcb_generic_event_t* event) {
        if (m_done) {
            return;
        }
        if (m_grab != nullptr && m_grab->IsLostBy(event)) {
            Answer(eMBCancelled);
            return;
        }
        switch (event->response_type & 0x7FU) {
            case XCB_EXPOSE:
                if (reinterpret_cast<const xcb_expose_event_t*>(event)->count == 0) {
                    Draw();
                }
                break;
            case XCB_BUTTON_PRESS: {
                const auto* press = reinterpret_cast<const xcb_button_press_event_t*>(event);
                m_pressed = press->detail == 1 ? FindButton(press->root_x, press->root_y) : -1;
                const int x = m_window->LocalX(press->root_x);
                const int y = m_window->LocalY(press->root_y);
                if (press->detail == 1 && m_field && x >= m_fieldRect.left &&
                    x < m_fieldRect.right && y >= m_fieldRect.top && y < m_fieldRect.bottom &&
                    m_mouse.Press(*m_field, press, x - m_fieldRect.left)) {
                    Draw();
                }
                break;
            }
            case XCB_MOTION_NOTIFY: {
                const auto* motion = reinterpret_cast<const xcb_motion_notify_event_t*>(event);
                if (m_field &&
                    m_mouse.Motion(*m_field, m_window->LocalX(motion->root_x) - m_fieldRect.left)) {
                    Draw();
                }
                break;
            }
            case XCB_BUTTON_RELEASE: {
                const auto* release = reinterpret_cast<const xcb_button_release_event_t*>(event);
                m_mouse.Release();
                // A button answers when pressed and released on it; elsewhere clicks are ignored.
                if (release->detail == 1 && m_pressed >= 0 &&
                    FindButton(release->root_x, release->root_y) == m_pressed) {
                    Answer(m_buttons[static_cast<std::size_t>(m_pressed)].answer);
                }
                m_pressed = -1;
                break;
            }
            case XCB_KEY_PRESS: {
                KEKeyCode code = eKeyNone;
                char32_t character = 0;
                bool extend = false;
                if (!FieldKey(reinterpret_cast<const xcb_key_press_event_t*>(event), code,
                              character, extend)) {
                    break;
                }
                if (code == eKeyEscape) {
                    Answer(eMBCancelled);
                } else if (code == eKeyEnter) {
                    Answer(m_buttons.front().answer);
                } else if (m_field && m_field->Key(code, character, extend)) {
                    Draw();
                }
                break;
            }
            default:
                break;
        }
    }

    // The button under the root point, or -1.
    [[nodiscard]] int FindButton(int rootX, int rootY) const {
        const int x = m_window->LocalX(rootX);
        const int y = m_window->LocalY(rootY);
        for (std::size_t i = 0; i < m_buttons.size(); ++i) {
            const KURect<short>& r = m_buttons[i].rect;
            if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }

    double m_scale;
    std::string m_title;
    std::vector<std::string> m_lines;
    std::vector<KSDialogButton> m_buttons;
    std::optional<std::pair<std::string, std::string>> m_fieldText;  // text, acceptable
    std::optional<KCTextField> m_field;
    KURect<short> m_fieldRect;
    KCFieldMouse m_mouse;
    std::unique_ptr<KCSelfDrawnWindow> m_window;
    const KCGrab* m_grab = nullptr;
    int m_pressed = -1;
    bool m_done = false;
    KEMessageBoxAnswer m_answer = eMBCancelled;
};

}  // namespace

void SetModalWindowShownHook(std::function<void(std::uint32_t window)> hook) {
    ShownHook() = std::move(hook);
}

namespace Native {

bool PresentPopupMenu(const KSMenu& menu, KCPoint2D<short> where, KCPopupMenuItemData& chosen) {
    const xcb_window_t owner = X11::ActiveViewWindow();
    if (X11::Connection() == nullptr || owner == 0) {
        return false;
    }
    int x = 0;
    int y = 0;
    const double scale = X11::ActiveViewScale();
    if (!ToRoot(owner, ToPixels(where.x, scale), ToPixels(where.y, scale), x, y)) {
        return false;
    }
    KCPopupMenu popup(chosen, X11::ActiveViewImages(), scale);
    return popup.Run(menu, x, y);
}

KTErr RunTextBox(const KCTextBoxOptions& options, std::string& text) {
    const xcb_window_t owner = OwnerWindow(options.view);
    if (X11::Connection() == nullptr || owner == 0) {
        return eOperatingSystemNotSupported;
    }
    int x = 0;
    int y = 0;
    // The box covers the control on the screen: at a view's scale, it and its text grow too.
    const double scale = OwnerScale(options.view);
    if (!ToRoot(owner, ToPixels(options.rect.left, scale), ToPixels(options.rect.top, scale), x,
                y)) {
        return eOperatingSystemNotSupported;
    }
    const int width = std::max(8, ToPixels(options.rect.right - options.rect.left, scale));
    const int height = std::max(8, ToPixels(options.rect.bottom - options.rect.top, scale));
    KCTextField field(options.text, options.acceptable, width, ToPixels(options.fontSize, scale));
    KCFieldMouse mouse;
    KCSelfDrawnWindow window(x, y, width, height);
    bool done = false;
    bool committed = false;
    TextBoxQuit() = false;
    std::optional<KCGrab> grab;
    const auto draw = [&] {
        kvGS::KCGraphicStreamBinaryWriter w;
        kvGS::SGSStream stream;
        stream.rect = {0, 0, width, height};
        {
            kvGS::KCStGSStreamStructWriter guard(w, stream);
            field.Draw(w, Rect(0, 0, height, width));
        }
        window.Show(w);
    };
    window.Map([&](const xcb_generic_event_t* event) {
        if (done) {
            return;
        }
        if (grab && grab->IsLostBy(event)) {
            done = true;  // the keyboard went elsewhere: cancelled
            return;
        }
        switch (event->response_type & 0x7FU) {
            case XCB_EXPOSE:
                draw();
                break;
            case XCB_BUTTON_PRESS: {
                const auto* press = reinterpret_cast<const xcb_button_press_event_t*>(event);
                if (press->detail > 3) {
                    break;
                }
                if (!window.Contains(press->root_x, press->root_y)) {
                    done = true;  // a click elsewhere cancels
                } else if (press->detail == 1 &&
                           mouse.Press(field, press, press->root_x - window.X())) {
                    draw();
                }
                break;
            }
            case XCB_MOTION_NOTIFY:
                if (mouse.Motion(field,
                                 reinterpret_cast<const xcb_motion_notify_event_t*>(event)->root_x -
                                     window.X())) {
                    draw();
                }
                break;
            case XCB_BUTTON_RELEASE:
                mouse.Release();
                break;
            case XCB_KEY_PRESS: {
                KEKeyCode code = eKeyNone;
                char32_t character = 0;
                bool extend = false;
                if (!FieldKey(reinterpret_cast<const xcb_key_press_event_t*>(event), code,
                              character, extend)) {
                    break;
                }
                if (code == eKeyEnter) {
                    committed = true;
                    done = true;
                } else if (code == eKeyEscape) {
                    done = true;
                } else if (field.Key(code, character, extend)) {
                    draw();
                }
                break;
            }
            default:
                break;
        }
    });
    grab.emplace(window.Id());
    if (!grab->Ok()) {
        return eOperatingSystemNotSupported;
    }
    draw();
    NotifyShown(window.Id());
    X11::RunModalLoop([&] { return done || TextBoxQuit(); });
    grab.reset();
    if (!committed) {
        return eUserCanceled;
    }
    text = field.Text();
    return eNoErr;
}

void QuitTextBox() {
    TextBoxQuit() = true;
}

KEMessageBoxAnswer RunMessageBox(const KCMessageBoxCreateOptions& options) {
    if (X11::Connection() == nullptr) {
        return eMBCancelled;
    }
    KCDialog dialog(options.title, options.message, ButtonsOf(options.buttons), std::nullopt,
                    OwnerScale(options.view));
    return dialog.Run(OwnerWindow(options.view));
}

KTErr RunTextDialog(KCGetUserTextCreateOpts& options) {
    if (X11::Connection() == nullptr) {
        return eUserCanceled;
    }
    KCDialog dialog(options.title, options.prompt, ButtonsOf(eMBOkCancel),
                    std::make_pair(options.text, options.acceptable), OwnerScale(options.view));
    if (dialog.Run(OwnerWindow(options.view)) != eMBOkAnswer) {
        return eUserCanceled;
    }
    options.text = dialog.Field()->Text();
    return eNoErr;
}

}  // namespace Native
}  // namespace kvKorvaneV10_0_3::PluginViewManager
