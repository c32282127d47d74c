#include "x_windows.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace zvk_test {

namespace {

Display* as_display(void* connection) {
    return static_cast<Display*>(connection);
}

// A window's CARDINAL property, or -1.
long cardinal(Display* d, Window w, Atom property) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    long value = -1;
    if (XGetWindowProperty(d, w, property, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after, &data) ==
            Success &&
        data && type == XA_CARDINAL && format == 32 && count == 1)
        value = long(*reinterpret_cast<unsigned long*>(data));
    if (data)
        XFree(data);
    return value;
}

} // namespace

XWindows::XWindows(const std::string& display) : connection(XOpenDisplay(display.c_str())) {}

XWindows::~XWindows() {
    if (connection)
        XCloseDisplay(as_display(connection));
}

std::vector<XWindowInfo> XWindows::shown_windows(long pid) {
    std::vector<XWindowInfo> found;
    if (!connection)
        return found;
    Display* d = as_display(connection);
    Atom pid_atom = XInternAtom(d, "_NET_WM_PID", False);
    Window root = DefaultRootWindow(d), parent = 0, *children = nullptr;
    unsigned int count = 0;
    // Without a window manager a program's top-level windows are children of the root.
    if (!XQueryTree(d, root, &root, &parent, &children, &count))
        return found;
    for (unsigned int i = 0; i < count; ++i) {
        XWindowAttributes attributes;
        if (cardinal(d, children[i], pid_atom) != pid || !XGetWindowAttributes(d, children[i], &attributes))
            continue;
        XWindowInfo info;
        info.id = children[i];
        info.viewable = attributes.map_state == IsViewable;
        char* name = nullptr;
        if (XFetchName(d, children[i], &name) && name) {
            info.title = name;
            XFree(name);
        }
        if (info.viewable)
            found.push_back(info);
    }
    if (children)
        XFree(children);
    return found;
}

bool XWindows::request_close(unsigned long window) {
    if (!connection)
        return false;
    Display* d = as_display(connection);
    Atom protocols = XInternAtom(d, "WM_PROTOCOLS", False);
    Atom delete_window = XInternAtom(d, "WM_DELETE_WINDOW", False);
    Atom* taken = nullptr;
    int count = 0;
    bool takes_it = false;
    if (XGetWMProtocols(d, window, &taken, &count)) {
        for (int i = 0; i < count; ++i)
            takes_it = takes_it || taken[i] == delete_window;
        XFree(taken);
    }
    if (!takes_it)
        return false;
    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = protocols;
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(delete_window);
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, window, False, NoEventMask, &event);
    XSync(d, False);
    return true;
}

} // namespace zvk_test
