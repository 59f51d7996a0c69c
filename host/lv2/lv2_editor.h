// The plug-in's GUI as an LV2 editor: an algorithm of its own (LV2 editors share no memory with
// the processing side) on the reference host, its standard GUI in a view that is a child of the
// host's window, mouse changes written to the host's control ports and the ports' values
// followed. Installed with the wrapper: it names nothing of the host or GUI it is built on.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace KorvaneLv2 {

class Lv2Editor {
public:
    // A control port's new real-world value, for the host.
    using WritePort = std::function<void(std::uint32_t port, float value)>;
    // A gesture on a control port starts (true) or ends.
    using TouchPort = std::function<void(std::uint32_t port, bool grabbed)>;
    // The editor asks the host to give its window this size.
    using ResizeHost = std::function<void(int width, int height)>;

    Lv2Editor();
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
    // moved and draws what changed; a GUI that changed its size asks the host for it through
    // the function `SetResizeHost` gave. [gui-thread]
    void Idle();
    // Where the editor's own size changes go (empty: nowhere). [gui-thread]
    void SetResizeHost(ResizeHost resize);
    // The host gives the editor's view this size; the GUI keeps its own at the view's top-left
    // and the rest is black. False for a size that is not positive, or before Open. [gui-thread]
    bool Resize(int width, int height);

    // The view's X11 window, and the GUI's size on the screen in pixels, once open. [gui-thread]
    [[nodiscard]] std::uint32_t Widget() const;
    [[nodiscard]] int Width() const;
    [[nodiscard]] int Height() const;

private:
    class Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace KorvaneLv2
