// Native plug-in views: the window a plug-in's GUI draws into and takes input from, and the GUI
// thread's event loop that serves them. A view renders the GUI's graphic stream with the Cairo
// renderer and shows it; its dispatcher turns the window system's input into the event record.
// The display-less kind keeps only the image, for tools that run without a display.
#pragma once

#include "korvane/core/error_codes.h"
#include "korvane/core/export.h"
#include "korvane/core/geometry.h"
#include "korvane/gui/pvm/event_dispatcher.h"
#include "korvane/gui/pvm/event_receiver.h"
#include "korvane/gui/pvm/gs_renderer.h"
#include "korvane/gui/pvm/micro_clock.h"
#include "korvane/gui/pvm/view_requests.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>

namespace kvKorvaneV10_0_3::PluginViewManager {

class KCImageSource;

// Repeating timers of one view on a monotonic microsecond clock. [gui-thread]
class KORVANE_API KCViewTimers {
public:
    static constexpr std::uint64_t kNoDeadline = UINT64_MAX;

    explicit KCViewTimers(KTMicroClock clock = {});
    void SetClock(KTMicroClock clock);
    [[nodiscard]] std::uint64_t Now() const;

    // Calls `callback` every `intervalUs` (at least 1 ms) from now on; returns the timer's id
    // (positive).
    int Start(std::uint64_t intervalUs, std::function<void()> callback);
    void Stop(int id);
    void StopAll();
    [[nodiscard]] bool IsRunning(int id) const { return m_timers.count(id) != 0; }
    [[nodiscard]] std::size_t Count() const { return m_timers.size(); }

    // The clock's time when the next timer is due; kNoDeadline without timers.
    [[nodiscard]] std::uint64_t NextDeadline() const;
    // Runs each timer that is due once (a late timer does not run its missed turns) and
    // schedules its next turn from now. A callback may start and stop timers. Returns how many
    // ran.
    int RunDue();

private:
    struct Timer {
        std::uint64_t interval;
        std::uint64_t due;
        std::function<void()> callback;
    };
    KTMicroClock m_clock;
    std::map<int, Timer> m_timers;
    int m_nextId = 1;
};

struct KCPluginViewCreateOptions {
    // The native window the view is made a child of (an X11 window id). Ignored when headless.
    std::uint32_t parent = 0;
    // A view with no window, backed only by its image.
    bool headless = false;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    // Copy to the window through shared memory when the server offers it; off, the image goes
    // in plain requests, split into row strips.
    bool useSharedMemory = true;
    KCViewEventReceiver* receiver = nullptr;
    KCImageSource* images = nullptr;
    // Timers and click timing; the monotonic system clock when empty.
    KTMicroClock clock;
    // Screen pixels per GUI unit, for high-density screens (1 to 4). kAutomaticScale lets a
    // window view pick it: KORVANE_GUI_SCALE from the environment, else the X resources'
    // Xft.dpi / 96, else 1; a headless view then draws at 1. The rest of the view's interface
    // (position, size, bounds, input, warps) stays in GUI units.
    static constexpr double kAutomaticScale = 0;
    double scale = 1;
};

// One plug-in view. Made and used on the GUI thread. [gui-thread]
class KORVANE_API KCPluginView : public KCPluginViewAbs {
public:
    static constexpr std::uint64_t kDoubleClickMicroseconds = 400'000;

    KCPluginView(const KCPluginView&) = delete;
    KCPluginView& operator=(const KCPluginView&) = delete;
    ~KCPluginView() override;

    // The native window (0 for a headless view) and the window it is a child of.
    [[nodiscard]] virtual std::uint32_t GetNativeView() const { return 0; }
    [[nodiscard]] virtual std::uint32_t GetNativeParentView() const { return 0; }
    [[nodiscard]] bool IsHeadless() const { return GetNativeView() == 0; }
    // Position in the parent and size.
    [[nodiscard]] KURect<int> GetViewBounds() const;

    virtual KTErr Show() { return eNoErr; }
    virtual KTErr Hide() { return eNoErr; }
    virtual KTErr Resize(int width, int height);
    virtual KTErr Move(int x, int y);

    // Renders the stream (sized by its frame) and shows it in the window. `inProcess`: the
    // stream was just written by this process, "DataPtr" payloads are followed. The
    // renderer's errors, or the window system's.
    KTErr Draw(const char* stream, std::size_t length, bool inProcess = true);
    // Shows the latest render again (what a window that was uncovered needs).
    virtual KTErr Present() { return eNoErr; }
    // True when the latest copy to the window went through shared memory.
    [[nodiscard]] virtual bool IsSharedMemoryInUse() const { return false; }

    [[nodiscard]] KCGraphicStreamToCairo& GetRenderer() { return m_renderer; }
    [[nodiscard]] KCEventDispatcher& GetDispatcher() { return m_dispatcher; }
    [[nodiscard]] KCViewTimers& GetTimers() { return m_timers; }
    // Screen pixels per GUI unit: the renderer draws at this scale, input is mapped back.
    [[nodiscard]] double GetScaleFactor() const { return m_renderer.GetScale(); }

    // Relative drags: hold every pointer event for this view, hide the pointer, move it to a
    // point of the view. A headless view has no pointer and does nothing.
    KTErr SetPointerCaptured(bool captured) override;
    KTErr SetCursorHidden(bool hidden) override;
    KTErr WarpPointer(KCEventData::Point location) override;
    [[nodiscard]] bool IsPointerCaptured() const { return m_captured; }
    [[nodiscard]] bool IsCursorHidden() const { return m_cursorHidden; }

    // Not available on this platform: eOperatingSystemNotSupported.
    KTErr CreateWebView(const char* url);
    KTErr RegisterForDragAndDrop();
    KTErr EnableTouch();

protected:
    explicit KCPluginView(const KCPluginViewCreateOptions& options);
    KURect<int> m_bounds;
    bool m_captured = false;
    bool m_cursorHidden = false;

private:
    KCGraphicStreamToCairo m_renderer;
    KCEventDispatcher m_dispatcher;
    KCViewTimers m_timers;
};

// Makes a view: a child window of `options.parent` (connecting to the display named by
// DISPLAY the first time), or a headless one. eGMInvalidImage for a size that is not positive,
// eOperatingSystemNotSupported when there is no display or its pixel format is one the view
// cannot write; the view is null then. [gui-thread]
[[nodiscard]] KORVANE_API KTErr CreatePluginView(const KCPluginViewCreateOptions& options,
                                                 std::unique_ptr<KCPluginView>& view);

// The GUI thread's event loop. The host polls the descriptor for reading, with the timeout that
// GetEventLoopTimeoutMs gives, and calls DispatchEvents whenever the poll returns.

// The display connection's descriptor; -1 while no view has connected.
[[nodiscard]] KORVANE_API int GetEventLoopFileDescriptor();
// True once a view has connected to the display.
[[nodiscard]] KORVANE_API bool IsDisplayConnected();
// Handles every queued event, runs the functions posted to the GUI thread and the timers that
// are due. eNoErr, or eOperatingSystemNotSupported when the display connection broke.
KORVANE_API KTErr DispatchEvents();
// Milliseconds until the next timer of any view is due (0 when one is due); -1 without timers.
[[nodiscard]] KORVANE_API int GetEventLoopTimeoutMs();
// Runs `function` on the GUI thread at its next dispatch, waking its poll. [any-thread]
KORVANE_API void PostToGUIThread(std::function<void()> function);
// Polls and dispatches for `ms` milliseconds: what a test or a small tool runs as its loop.
KORVANE_API void RunEventLoopFor(int ms);
// Called on the GUI thread each time a self-drawn modal window (popup menu or sub-menu, text
// box, message box, dialog) is shown and holds the pointer and keyboard, before its loop waits
// for input: what tests use to give it input. Empty by default. [gui-thread]
KORVANE_API void SetModalWindowShownHook(std::function<void(std::uint32_t window)> hook);

}  // namespace kvKorvaneV10_0_3::PluginViewManager
