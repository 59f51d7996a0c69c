// The LV2 editor: the plug-in's GUI in the host's window, kept in step with the host's control
// ports in both directions.
#include "host/lv2/lv2_editor.h"

#include "host/kvhost/kvhost.h"
#include "host/lv2/lv2_plugin.h"

#include "korvane/algorithm/param_base.h"
#include "korvane/gs/gs_writer.h"
#include "korvane/gui/pvm/plugin_view.h"
#include "korvane/gui/pvm/res_image_source.h"
#include "korvane/gui/standard_gui.h"
#include "korvane/process/host_callback.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>
#include <vector>

namespace KorvaneLv2 {

namespace kv = kvKorvaneV10_0_3;
namespace PVM = kv::PluginViewManager;
namespace PM = kv::ProcessMemory;

class Lv2Editor::Impl {
public:
    Impl() = default;
    ~Impl();
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;

    std::string Open(const std::string& bundlePath, std::uint32_t parent, WritePort write,
                     TouchPort touch);
    void PortEvent(std::uint32_t index, float value);
    void Idle();
    void SetResizeHost(ResizeHost resize) { m_resizeHost = std::move(resize); }
    bool Resize(int width, int height) {
        if (!m_view || width <= 0 || height <= 0) {
            return false;
        }
        // The host speaks in screen pixels, the view in the GUI's units.
        const double scale = m_view->GetScaleFactor();
        const int units = std::max(1, static_cast<int>(width / scale));
        if (m_view->Resize(units, std::max(1, static_cast<int>(height / scale))) != kv::eNoErr) {
            return false;
        }
        static_cast<void>(m_view->Present());
        return true;
    }

    [[nodiscard]] std::uint32_t Widget() const { return m_view ? m_view->GetNativeView() : 0; }
    // The GUI's size on the screen, in pixels.
    [[nodiscard]] int Width() const { return Pixels(m_width); }
    [[nodiscard]] int Height() const { return Pixels(m_height); }

private:
    [[nodiscard]] int Pixels(int units) const {
        return m_view ? static_cast<int>(std::lround(units * m_view->GetScaleFactor())) : units;
    }
    // The real-world value the GUI's algorithm holds for control `control` now.
    [[nodiscard]] double Value(std::size_t control);
    // The control a port index stands for, input or output; nothing for any other port.
    [[nodiscard]] std::optional<std::size_t> ControlOf(std::uint32_t index) const;
    void Draw();

    KorvaneHost::kvhost::Plugin m_plugin;
    std::unique_ptr<kv::CStandardGUI_X> m_gui;
    std::unique_ptr<PVM::KCResImageSource> m_images;
    std::unique_ptr<PVM::KCPluginView> m_view;
    std::vector<ControlPort> m_controls;
    // Per control: the port value the host holds as far as the editor knows, so only the
    // user's changes are written.
    std::vector<float> m_known;
    // Per control: one that moves several parameters and whose lead has a control of its own;
    // the user's gestures on that parameter are written to its own control only.
    std::vector<bool> m_indirect;
    // The index of the first control input port: the audio ports come first.
    std::uint32_t m_firstControl = 0;
    WritePort m_write;
    TouchPort m_touch;
    ResizeHost m_resizeHost;
    int m_width = 0;
    int m_height = 0;
};

Lv2Editor::Lv2Editor() : m_impl(std::make_unique<Impl>()) {}
Lv2Editor::~Lv2Editor() = default;

std::string Lv2Editor::Open(const std::string& bundlePath, std::uint32_t parent, WritePort write,
                            TouchPort touch) {
    return m_impl->Open(bundlePath, parent, std::move(write), std::move(touch));
}

void Lv2Editor::PortEvent(std::uint32_t index, float value) {
    m_impl->PortEvent(index, value);
}

void Lv2Editor::Idle() {
    m_impl->Idle();
}

void Lv2Editor::SetResizeHost(ResizeHost resize) {
    m_impl->SetResizeHost(std::move(resize));
}

bool Lv2Editor::Resize(int width, int height) {
    return m_impl->Resize(width, height);
}

std::uint32_t Lv2Editor::Widget() const {
    return m_impl->Widget();
}

int Lv2Editor::Width() const {
    return m_impl->Width();
}

int Lv2Editor::Height() const {
    return m_impl->Height();
}

Lv2Editor::Impl::~Impl() {
    if (m_gui) {
        m_gui->SetPluginView(nullptr);
    }
    m_view.reset();
    m_gui.reset();
}

std::string Lv2Editor::Impl::Open(const std::string& bundlePath, std::uint32_t parent,
                                  WritePort write, TouchPort touch) {
    m_write = std::move(write);
    m_touch = std::move(touch);
    if (auto err = m_plugin.Open(bundlePath)) {
        return err->what + ": " + err->why;
    }
    m_controls = DescribeControls(m_plugin.Alg());
    m_firstControl =
        static_cast<std::uint32_t>(m_plugin.Alg().GetNumInputs() + m_plugin.Alg().GetNumOutputs());
    m_known.clear();
    for (const ControlPort& control : m_controls) {
        m_known.push_back(static_cast<float>(ControlValue(m_plugin.Alg(), control)));
    }
    // A gesture on a parameter reaches every control it leads. The user moved the parameter:
    // its own control is written, not one that moves several parameters with it (the EQ's
    // "All Gains" follows band 1's gain), which the processing side would apply as a move of
    // all of them.
    m_indirect.assign(m_controls.size(), false);
    for (std::size_t i = 0; i < m_controls.size(); ++i) {
        if (m_plugin.Alg().GetNumRegisteredParamsForControl(m_controls[i].control) <= 1) {
            continue;
        }
        for (const auto& other : m_controls) {
            if (other.lead == m_controls[i].lead &&
                m_plugin.Alg().GetNumRegisteredParamsForControl(other.control) == 1) {
                m_indirect[i] = true;
            }
        }
    }
    m_gui = std::make_unique<kv::CStandardGUI_X>(m_plugin.Container());
    if (auto err = KorvaneHost::kvhost::BuildGUI(m_plugin, *m_gui, std::nullopt)) {
        return err->what + ": " + err->why;
    }
    const auto& rect = m_gui->GetGUIRect();
    m_width = rect.right - rect.left;
    m_height = rect.bottom - rect.top;
    if (m_width <= 0 || m_height <= 0) {
        return m_plugin.Name() + ": the GUI has no size";
    }
    m_images = std::make_unique<PVM::KCResImageSource>(m_plugin.Container());
    PVM::KCPluginViewCreateOptions options;
    options.parent = parent;
    options.width = m_width;
    options.height = m_height;
    options.receiver = m_gui.get();
    options.images = m_images.get();
    // A high-density screen gets the GUI at its scale (the environment or the X resources).
    options.scale = PVM::KCPluginViewCreateOptions::kAutomaticScale;
    if (const kv::KTErr err = PVM::CreatePluginView(options, m_view); err != kv::eNoErr) {
        return m_plugin.Name() + ": no view on this display (" + std::to_string(err) + ")";
    }
    m_gui->SetPluginView(m_view.get());
    if (const kv::KTErr err = m_view->Show(); err != kv::eNoErr) {
        return m_plugin.Name() + ": the view does not show (" + std::to_string(err) + ")";
    }
    // Building the GUI touched nothing the host needs to hear of.
    static_cast<void>(m_plugin.Host().Events().Take());
    Draw();
    return {};
}

std::optional<std::size_t> Lv2Editor::Impl::ControlOf(std::uint32_t index) const {
    const std::size_t count = m_controls.size();
    if (index < m_firstControl || index >= m_firstControl + 2 * count) {
        return std::nullopt;
    }
    return (index - m_firstControl) % count;
}

double Lv2Editor::Impl::Value(std::size_t control) {
    return ControlValue(m_plugin.Alg(), m_controls.at(control));
}

void Lv2Editor::Impl::PortEvent(std::uint32_t index, float value) {
    const auto control = ControlOf(index);
    if (!control || !std::isfinite(value)) {
        return;
    }
    // While the user holds the control, the host's values are older than the user's: an echo
    // of an earlier write, or the processing side's report of one.
    const std::vector<std::int64_t> held = m_plugin.Host().OpenGestures();
    if (std::find(held.begin(), held.end(), m_controls[*control].control) != held.end()) {
        return;
    }
    // Ports hold floats: a value the GUI already shows is no change.
    if (static_cast<float>(Value(*control)) == value) {
        m_known[*control] = value;
        return;
    }
    ApplyControl(m_plugin.Alg(), m_controls[*control], value);
    m_plugin.Host().ProcessBlock();
    // What the GUI's algorithm made of it (a discrete control lands on a state), so the next
    // pass does not write it back as the user's.
    m_known[*control] = static_cast<float>(Value(*control));
    // The change came from the host: its notifications are not the user's gestures.
    static_cast<void>(m_plugin.Host().Events().Take());
}

void Lv2Editor::Impl::Idle() {
    if (!m_view) {
        return;
    }
    // Input, the GUI thread's posted functions and the view's timers.
    static_cast<void>(PVM::DispatchEvents());
    // The block a host's audio thread would process: what the GUI posted lands in the
    // algorithm's process memory, which the GUI's meters and graphs read.
    m_plugin.Host().ProcessBlock();

    const auto portOf = [this](std::size_t control) {
        return m_firstControl + static_cast<std::uint32_t>(control);
    };
    const auto find = [this](std::int64_t hostIndex) -> std::optional<std::size_t> {
        for (std::size_t i = 0; i < m_controls.size(); ++i) {
            if (static_cast<std::int64_t>(m_controls[i].control) == hostIndex && !m_indirect[i]) {
                return i;
            }
        }
        return std::nullopt;
    };
    const auto writeIfMoved = [&](std::size_t control) {
        const auto value = static_cast<float>(Value(control));
        if (value != m_known[control]) {
            m_known[control] = value;
            if (m_write) {
                m_write(portOf(control), value);
            }
        }
    };
    // Only controls the user holds or held since the last pass are written: the others that
    // move with them (one control setting several) reach the host through the processing
    // side's own output ports, and writing them too would apply such a change twice.
    for (const KorvaneHost::HostEvent& event : m_plugin.Host().Events().Take()) {
        const bool touch = event.selector == PM::eSelAutomationTouch;
        if (!touch && event.selector != PM::eSelAutomationRelease) {
            continue;
        }
        const auto control = find(event.a);
        if (!control) {
            continue;
        }
        if (touch) {
            if (m_touch) {
                m_touch(portOf(*control), true);
            }
        } else {
            writeIfMoved(*control);
            if (m_touch) {
                m_touch(portOf(*control), false);
            }
        }
    }
    for (const std::int64_t held : m_plugin.Host().OpenGestures()) {
        if (const auto control = find(held)) {
            writeIfMoved(*control);
        }
    }

    // Only the parameters that changed since the last pass: level 0 would redraw every control.
    static_cast<void>(m_gui->DoIdle(kv::eUpdateLevelRefresh));
    // A GUI that took another size (another skin) gets a view of that size and asks the host
    // for it; the host's resizing of its window then reaches the view as well.
    const auto& rect = m_gui->GetGUIRect();
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width > 0 && height > 0 && (width != m_width || height != m_height)) {
        m_width = width;
        m_height = height;
        static_cast<void>(m_view->Resize(width, height));
        if (m_resizeHost) {
            m_resizeHost(Pixels(width), Pixels(height));
        }
        Draw();
        return;
    }
    if (m_gui->NeedToRedrawGUI()) {
        Draw();
    }
}

void Lv2Editor::Impl::Draw() {
    const int threshold = m_gui->GetGraphicStreamDataPtrThreshold();
    kv::kvGS::KCGraphicStreamBinaryWriter writer(static_cast<unsigned int>(std::max(threshold, 0)));
    m_gui->GetDrawInstructions(writer);
    if (writer.GetError() == kv::eNoErr) {
        static_cast<void>(m_view->Draw(static_cast<const char*>(writer.GetStream().ptr),
                                       writer.GetStream().size, true));
    }
}

}  // namespace KorvaneLv2
