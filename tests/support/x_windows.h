#pragma once
// What a window manager sees of a program's windows on an X server, and the close request it sends
// (Alt+F4, a taskbar's Close): the client message WM_PROTOCOLS / WM_DELETE_WINDOW.
#include <string>
#include <vector>

namespace zvk_test {

struct XWindowInfo {
    unsigned long id = 0;
    std::string title; // WM_NAME
    bool viewable = false;
};

class XWindows {
public:
    // Connects to the server of the given display (":N").
    explicit XWindows(const std::string& display);
    ~XWindows();
    XWindows(const XWindows&) = delete;
    XWindows& operator=(const XWindows&) = delete;

    bool ok() const { return connection != nullptr; }

    // The top-level windows of a process (by their _NET_WM_PID) that are shown.
    std::vector<XWindowInfo> shown_windows(long pid);
    // Sends the window the close request exactly as a window manager does: a ClientMessage of type
    // WM_PROTOCOLS, format 32, holding WM_DELETE_WINDOW and a time, to the window alone. False when the
    // window does not take the protocol (it is not in its WM_PROTOCOLS) or the server cannot be reached.
    bool request_close(unsigned long window);

private:
    void* connection = nullptr; // the Xlib Display
};

} // namespace zvk_test
