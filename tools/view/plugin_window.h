// A plug-in's GUI shown in a top-level window of its own and driven as a host drives it: the
// view is a child of the window, input goes to the GUI, and an idle timer plays the audio
// thread's block, runs the GUI's idle pass and draws the window again whenever the GUI asks,
// so parameter changes from the host (automation) show without any input.
#pragma once

#include "host/kvhost/kvhost.h"
#include "tools/view/platform/top_level_window.h"

#include "korvane/gui/pvm/plugin_view.h"
#include "korvane/gui/pvm/res_image_source.h"
#include "korvane/gui/standard_gui.h"

#include <memory>
#include <string>

namespace KorvaneView {

class PluginWindow {
public:
    static constexpr int kIdleIntervalMs = 30;

    // `gui` is built for `plugin` (kvhost::BuildGUI); both outlive the window.
    PluginWindow(KorvaneHost::kvhost::Plugin& plugin, kvKorvaneV10_0_3::CStandardGUI_X& gui);
    ~PluginWindow();
    PluginWindow(const PluginWindow&) = delete;
    PluginWindow& operator=(const PluginWindow&) = delete;

    // Opens the window at the GUI's size times the view's scale (`scale` pixels per GUI unit,
    // 1 to 4, or KCPluginViewCreateOptions::kAutomaticScale to let the view pick it), titled
    // with the plug-in's name, makes the view in it, draws the GUI and starts the idle timer.
    KorvaneHost::kvhost::Status Open(bool useSharedMemory = true, double scale = 1.0);
    // Runs the event loop for `ms` milliseconds (forever when negative) or until the window is
    // closed; false once it was closed.
    bool Run(int ms);
    // The idle pass the timer runs; draws when the GUI needs it.
    void Idle();

    [[nodiscard]] TopLevelWindow& Window() { return m_window; }
    [[nodiscard]] kvKorvaneV10_0_3::PluginViewManager::KCPluginView* View() { return m_view.get(); }
    // The window's size in pixels and the view's pixels per GUI unit.
    [[nodiscard]] int Width() const { return m_width; }
    [[nodiscard]] int Height() const { return m_height; }
    [[nodiscard]] double Scale() const { return m_view ? m_view->GetScaleFactor() : 1.0; }
    // How often the window was drawn.
    [[nodiscard]] int DrawCount() const { return m_draws; }

private:
    KorvaneHost::kvhost::Status Draw();

    KorvaneHost::kvhost::Plugin& m_plugin;
    kvKorvaneV10_0_3::CStandardGUI_X& m_gui;
    kvKorvaneV10_0_3::PluginViewManager::KCResImageSource m_images;
    TopLevelWindow m_window;
    std::unique_ptr<kvKorvaneV10_0_3::PluginViewManager::KCPluginView> m_view;
    int m_width = 0;
    int m_height = 0;
    int m_draws = 0;
    bool m_open = false;
};

}  // namespace KorvaneView
