#include "korvane/gui/pvm/plugin_view.h"

#include "korvane/gui/pvm/platform/native_view.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace kvKorvaneV10_0_3::PluginViewManager {
namespace {

// The live views, for the event loop's timers. [gui-thread]
std::vector<KCPluginView*>& LiveViews() {
    static std::vector<KCPluginView*> views;
    return views;
}

class KCHeadlessView final : public KCPluginView {
public:
    explicit KCHeadlessView(const KCPluginViewCreateOptions& options) : KCPluginView(options) {}
};

}  // namespace

KCViewTimers::KCViewTimers(KTMicroClock clock) : m_clock(std::move(clock)) {}

void KCViewTimers::SetClock(KTMicroClock clock) {
    m_clock = std::move(clock);
}

std::uint64_t KCViewTimers::Now() const {
    return m_clock ? m_clock() : SteadyMicroseconds();
}

int KCViewTimers::Start(std::uint64_t intervalUs, std::function<void()> callback) {
    const std::uint64_t interval = std::max<std::uint64_t>(intervalUs, 1000);
    const int id = m_nextId++;
    m_timers[id] = Timer{interval, Now() + interval, std::move(callback)};
    return id;
}

void KCViewTimers::Stop(int id) {
    m_timers.erase(id);
}

void KCViewTimers::StopAll() {
    m_timers.clear();
}

std::uint64_t KCViewTimers::NextDeadline() const {
    std::uint64_t first = kNoDeadline;
    for (const auto& [id, timer] : m_timers) {
        first = std::min(first, timer.due);
    }
    return first;
}

int KCViewTimers::RunDue() {
    const std::uint64_t now = Now();
    std::vector<int> due;
    for (const auto& [id, timer] : m_timers) {
        if (timer.due <= now) {
            due.push_back(id);
        }
    }
    int ran = 0;
    for (const int id : due) {
        auto found = m_timers.find(id);
        if (found == m_timers.end()) {
            continue;  // an earlier callback stopped it
        }
        found->second.due = now + found->second.interval;
        // A copy: the callback may stop its own timer.
        const std::function<void()> callback = found->second.callback;
        if (callback) {
            callback();
        }
        ++ran;
    }
    return ran;
}

KCPluginView::KCPluginView(const KCPluginViewCreateOptions& options)
    : m_bounds(options.y, options.x, options.y + options.height, options.x + options.width),
      m_renderer(options.images),
      m_dispatcher(options.receiver, options.clock),
      m_timers(options.clock) {
    m_dispatcher.SetDoubleClickTime(kDoubleClickMicroseconds);
    m_renderer.SetScale(options.scale > 0 ? options.scale : 1.0);
    LiveViews().push_back(this);
}

KCPluginView::~KCPluginView() {
    auto& views = LiveViews();
    views.erase(std::remove(views.begin(), views.end(), this), views.end());
}

KURect<int> KCPluginView::GetViewBounds() const {
    return m_bounds;
}

KTErr KCPluginView::Resize(int width, int height) {
    if (width <= 0 || height <= 0) {
        return eGMInvalidImage;
    }
    m_bounds.right = m_bounds.left + width;
    m_bounds.bottom = m_bounds.top + height;
    return eNoErr;
}

KTErr KCPluginView::Move(int x, int y) {
    const int width = m_bounds.right - m_bounds.left;
    const int height = m_bounds.bottom - m_bounds.top;
    m_bounds = KURect<int>(y, x, y + height, x + width);
    return eNoErr;
}

KTErr KCPluginView::Draw(const char* stream, std::size_t length, bool inProcess) {
    const KTErr err =
        inProcess ? m_renderer.RenderInProcess(stream, length) : m_renderer.Render(stream, length);
    if (err != eNoErr) {
        return err;
    }
    return Present();
}

KTErr KCPluginView::SetPointerCaptured(bool captured) {
    m_captured = captured;
    return eNoErr;
}

KTErr KCPluginView::SetCursorHidden(bool hidden) {
    m_cursorHidden = hidden;
    return eNoErr;
}

KTErr KCPluginView::WarpPointer(KCEventData::Point location) {
    m_dispatcher.Warp(location);
    return eNoErr;
}

KTErr KCPluginView::CreateWebView(const char* /*url*/) {
    return eOperatingSystemNotSupported;
}

KTErr KCPluginView::RegisterForDragAndDrop() {
    return eOperatingSystemNotSupported;
}

KTErr KCPluginView::EnableTouch() {
    return eOperatingSystemNotSupported;
}

KTErr CreatePluginView(const KCPluginViewCreateOptions& options,
                       std::unique_ptr<KCPluginView>& view) {
    view.reset();
    if (options.width <= 0 || options.height <= 0) {
        return eGMInvalidImage;
    }
    if (options.headless) {
        view = std::make_unique<KCHeadlessView>(options);
        return eNoErr;
    }
    return Native::CreateWindowView(options, view);
}

namespace Native {

int RunDueTimersOfAllViews() {
    int ran = 0;
    // A copy: a timer may dispose of a view.
    const std::vector<KCPluginView*> views = LiveViews();
    for (KCPluginView* view : views) {
        const auto& live = LiveViews();
        if (std::find(live.begin(), live.end(), view) != live.end()) {
            ran += view->GetTimers().RunDue();
        }
    }
    return ran;
}

int TimerTimeoutMsOfAllViews() {
    std::int64_t first = -1;
    for (KCPluginView* view : LiveViews()) {
        KCViewTimers& timers = view->GetTimers();
        const std::uint64_t deadline = timers.NextDeadline();
        if (deadline == KCViewTimers::kNoDeadline) {
            continue;
        }
        const std::uint64_t now = timers.Now();
        // Rounded up, so a poll that times out finds the timer due.
        const auto ms =
            static_cast<std::int64_t>(deadline > now ? (deadline - now + 999) / 1000 : 0);
        first = first < 0 ? ms : std::min(first, ms);
    }
    return static_cast<int>(std::min<std::int64_t>(first, INT32_MAX));
}

}  // namespace Native
}  // namespace kvKorvaneV10_0_3::PluginViewManager
