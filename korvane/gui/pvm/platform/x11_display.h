// What the self-drawn modal windows (popup menus, text boxes, message boxes) share with the
// views inside the X11 layer: the one connection, the key reading, and the routing of events to
// a modal window while the views' input waits.
#pragma once

#include "korvane/gui/pvm/event_data.h"
#include "korvane/gui/pvm/platform/x11_pixels.h"

#include <xcb/xcb.h>

#include <cstddef>
#include <functional>

namespace kvKorvaneV10_0_3::PluginViewManager {
class KCImageSource;
}

namespace kvKorvaneV10_0_3::PluginViewManager::Native::X11 {

// Null while no view has connected. [gui-thread]
xcb_connection_t* Connection();
const xcb_screen_t* Screen();
KSPixelFormat RootFormat();
std::size_t MaxRequestBytes();

// The window of the view whose event is being handled; 0 outside an event handler.
xcb_window_t ActiveViewWindow();
// The image source of the view whose event is being handled; null outside a handler or when
// the view has none.
KCImageSource* ActiveViewImages();
// The scale of the view whose event is being handled; 1 outside a handler.
double ActiveViewScale();

// Events for `window` go to `handler`. While any modal window is open, the views' input and
// crossing events are kept back, and handed to them once the last modal window is removed.
using KTEventHandler = std::function<void(const xcb_generic_event_t*)>;
void AddModalWindow(xcb_window_t window, KTEventHandler handler);
void RemoveModalWindow(xcb_window_t window);

// The key as the views read it; false for a key the GUI does not act on.
bool ReadKey(const xcb_key_press_event_t* key, KEKeyCode& code, char32_t& character);

// Dispatches until `done` holds or the display connection breaks: a modal window's loop.
void RunModalLoop(const std::function<bool()>& done);

}  // namespace kvKorvaneV10_0_3::PluginViewManager::Native::X11
