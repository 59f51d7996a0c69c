// The plug-in's GUI as an LV2 editor: an algorithm of its own (LV2 editors share no memory with
// the processing side) on the reference host, its standard GUI in a view that is a child of the
// host's window, mouse changes written to the host's control ports and the ports' values
// followed.
#pragma once

#include "host/kvhost/kvhost.h"
#include "host/lv2/lv2_plugin.h"

#include "korvane/gui/pvm/plugin_view.h"
#include "korvane/gui/pvm/res_image_source.h"
#include "korvane/gui/standard_gui.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace KorvaneLv2 {

class Lv2Editor {
public:
    // A control port's new real-world value, for the host.
    using WritePort = std::function<void(std::uint32_t port, float value)>;
    // A gesture on a control port starts (true) or ends.
    using TouchPort = std::function<void(std::uint32_t port, bool grabbed)>;

    Lv2Editor() = default;
    ~Lv2Editor();
    Lv2Editor(const Lv2Editor&) = delete;
    Lv2Editor& operator=(const Lv2Editor&) = delete;

    // Creates the plug-in of `bundlePath` and its GUI in a view that is a child of the X11
    // window `parent`; an empty text on success, else what failed. `touch` may be empty.
    // [gui-thread]
    std::string Open(const std::string& bundlePath, std::uint32_t parent, WritePort write,
                     TouchPort touch);

    // A value the host reports for port `index`: control inputs and the outputs that carry the
    // plug-in's own changes move the GUI's control; other ports are ignored. [gui-thread]
    void PortEvent(std::uint32_t index, float value);
    // Handles the display's events, applies the GUI's changes, writes the ports the user
    // moved and draws what changed. [gui-thread]
    void Idle();

    [[nodiscard]] std::uint32_t Widget() const { return m_view ? m_view->GetNativeView() : 0; }
    [[nodiscard]] int Width() const { return m_width; }
    [[nodiscard]] int Height() const { return m_height; }
    [[nodiscard]] const std::vector<ControlPort>& Controls() const { return m_controls; }
    // The index of the first control input port: the audio ports come first.
    [[nodiscard]] std::uint32_t FirstControlPort() const { return m_firstControl; }
    // The real-world value the GUI's algorithm holds for control `control` now.
    [[nodiscard]] double Value(std::size_t control);

private:
    // The control a port index stands for, input or output; nothing for any other port.
    [[nodiscard]] std::optional<std::size_t> ControlOf(std::uint32_t index) const;
    void Draw();

    KorvaneHost::kvhost::Plugin m_plugin;
    std::unique_ptr<kvKorvaneV10_0_3::CStandardGUI_X> m_gui;
    std::unique_ptr<kvKorvaneV10_0_3::PluginViewManager::KCResImageSource> m_images;
    std::unique_ptr<kvKorvaneV10_0_3::PluginViewManager::KCPluginView> m_view;
    std::vector<ControlPort> m_controls;
    // Per control: the port value the host holds as far as the editor knows, so only the
    // user's changes are written.
    std::vector<float> m_known;
    // Per control: one that moves several parameters and whose lead has a control of its own;
    // the user's gestures on that parameter are written to its own control only.
    std::vector<bool> m_indirect;
    std::uint32_t m_firstControl = 0;
    WritePort m_write;
    TouchPort m_touch;
    int m_width = 0;
    int m_height = 0;
};

}  // namespace KorvaneLv2
