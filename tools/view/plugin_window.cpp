// The viewer's window: the plug-in's view inside a top-level window, and the loop a host's GUI
// thread runs for it.
#include "tools/view/plugin_window.h"

#include "korvane/algorithm/param_base.h"
#include "korvane/gs/gs_writer.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace KorvaneView {

namespace kv = kvKorvaneV10_0_3;
namespace PVM = kv::PluginViewManager;
using KorvaneHost::kvhost::Error;
using KorvaneHost::kvhost::kExitFailure;
using KorvaneHost::kvhost::Status;

PluginWindow::PluginWindow(KorvaneHost::kvhost::Plugin& plugin, kv::CStandardGUI_X& gui)
    : m_plugin(plugin), m_gui(gui), m_images(plugin.Container()) {}

PluginWindow::~PluginWindow() {
    m_gui.SetPluginView(nullptr);
}

Status PluginWindow::Open(bool useSharedMemory, double scale) {
    const auto& rect = m_gui.GetGUIRect();
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) {
        return Error{m_plugin.Name(), "the GUI has no size", kExitFailure};
    }
    std::string why;
    if (!m_window.Open(m_plugin.Name(), width, height, why)) {
        return Error{"display", why, kExitFailure};
    }
    PVM::KCPluginViewCreateOptions options;
    options.parent = m_window.WindowId();
    options.width = width;
    options.height = height;
    options.scale = scale;
    options.useSharedMemory = useSharedMemory;
    options.receiver = &m_gui;
    options.images = &m_images;
    if (const kv::KTErr err = PVM::CreatePluginView(options, m_view); err != kv::eNoErr) {
        return Error{m_plugin.Name(), "no view on this display (" + std::to_string(err) + ")",
                     kExitFailure};
    }
    // The view picks an automatic scale only once it exists; the window then takes its size.
    m_width = static_cast<int>(std::ceil(width * m_view->GetScaleFactor()));
    m_height = static_cast<int>(std::ceil(height * m_view->GetScaleFactor()));
    if (m_width != width || m_height != height) {
        m_window.Resize(m_width, m_height);
    }
    m_gui.SetPluginView(m_view.get());
    if (const kv::KTErr err = m_view->Show(); err != kv::eNoErr) {
        return Error{m_plugin.Name(), "the view does not show (" + std::to_string(err) + ")",
                     kExitFailure};
    }
    if (auto err = Draw()) {
        return err;
    }
    m_view->GetTimers().Start(static_cast<std::uint64_t>(kIdleIntervalMs) * 1000,
                              [this] { Idle(); });
    m_open = true;
    return std::nullopt;
}

void PluginWindow::Idle() {
    // The block a host's audio thread would process: it applies what the GUI and the host
    // posted since the last one.
    m_plugin.Host().ProcessBlock();
    // Only the parameters that changed since the last pass: level 0 would refresh, and so
    // redraw, every control at every tick.
    static_cast<void>(m_gui.DoIdle(kv::eUpdateLevelRefresh));
    if (m_gui.NeedToRedrawGUI()) {
        static_cast<void>(Draw());
    }
}

Status PluginWindow::Draw() {
    const int threshold = m_gui.GetGraphicStreamDataPtrThreshold();
    kv::kvGS::KCGraphicStreamBinaryWriter writer(static_cast<unsigned int>(std::max(threshold, 0)));
    m_gui.GetDrawInstructions(writer);
    kv::KTErr err = writer.GetError();
    if (err == kv::eNoErr) {
        err = m_view->Draw(static_cast<const char*>(writer.GetStream().ptr),
                           writer.GetStream().size, true);
    }
    if (err != kv::eNoErr) {
        return Error{m_plugin.Name(), "the GUI does not draw (" + std::to_string(err) + ")",
                     kExitFailure};
    }
    ++m_draws;
    return std::nullopt;
}

bool PluginWindow::Run(int ms) {
    using Clock = std::chrono::steady_clock;
    const auto end = Clock::now() + std::chrono::milliseconds(std::max(ms, 0));
    while (m_open) {
        static_cast<void>(PVM::DispatchEvents());
        m_open = m_window.HandleEvents();
        const auto now = Clock::now();
        if (!m_open || (ms >= 0 && now >= end)) {
            break;
        }
        int timeout = PVM::GetEventLoopTimeoutMs();
        if (ms >= 0) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - now).count();
            timeout =
                timeout < 0 ? static_cast<int>(left) : std::min(timeout, static_cast<int>(left));
        }
        m_window.WaitForInput(PVM::GetEventLoopFileDescriptor(), timeout);
    }
    return m_open;
}

}  // namespace KorvaneView
