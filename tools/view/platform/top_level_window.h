// The viewer's own top-level window on the display: the parent the plug-in's view is made a
// child of, with a title, a fixed size and the window manager's close button, and its pixels
// saved as a PNG file. Holds a display connection of its own, apart from the library's.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace KorvaneView {

class TopLevelWindow {
public:
    TopLevelWindow();
    ~TopLevelWindow();
    TopLevelWindow(const TopLevelWindow&) = delete;
    TopLevelWindow& operator=(const TopLevelWindow&) = delete;

    // Connects to the display named by DISPLAY and maps a window of `width` × `height` titled
    // `title`; false (with `error` set) when there is no display.
    bool Open(const std::string& title, int width, int height, std::string& error);
    // Gives the open window a new fixed size (the view's pixels at its scale).
    void Resize(int width, int height);
    [[nodiscard]] std::uint32_t WindowId() const;
    // The connection's descriptor, to poll beside the library's; -1 before Open.
    [[nodiscard]] int FileDescriptor() const;
    // Waits up to `timeoutMs` (forever when negative) for input on this window's connection or
    // on `otherFd` (ignored when negative): the library's display connection.
    void WaitForInput(int otherFd, int timeoutMs) const;
    // Handles the queued events; false once the window was closed (or the display went away).
    bool HandleEvents();
    // Reads the window's pixels, its child views included, and writes them as a PNG file;
    // false (with `error` set) when the pixels cannot be read or the file written.
    bool SaveScreenshot(const std::string& path, std::string& error);

private:
    struct Connection;
    std::unique_ptr<Connection> m_x;
};

}  // namespace KorvaneView
