#include "x_input.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <chrono>

namespace zvk_test {

namespace {

Display* as_display(void* connection) {
    return static_cast<Display*>(connection);
}

// A connection to the display's server when it has XTEST; null otherwise.
Display* open_with_xtest(const std::string& display) {
    Display* d = XOpenDisplay(display.c_str());
    if (!d)
        return nullptr;
    int event_base = 0, error_base = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(d, &event_base, &error_base, &major, &minor)) {
        XCloseDisplay(d);
        return nullptr;
    }
    return d;
}

} // namespace

XPointer::XPointer(const std::string& display) : connection(open_with_xtest(display)) {}

XPointer::~XPointer() {
    if (connection)
        XCloseDisplay(as_display(connection));
}

void XPointer::move_to(int x, int y) {
    if (!connection)
        return;
    XTestFakeMotionEvent(as_display(connection), -1, x, y, CurrentTime);
    XSync(as_display(connection), False);
}

void XPointer::press(int button) {
    if (!connection)
        return;
    XTestFakeButtonEvent(as_display(connection), static_cast<unsigned>(button), True, CurrentTime);
    XSync(as_display(connection), False);
}

void XPointer::release(int button) {
    if (!connection)
        return;
    XTestFakeButtonEvent(as_display(connection), static_cast<unsigned>(button), False, CurrentTime);
    XSync(as_display(connection), False);
}

void XPointer::click(int x, int y, int button) {
    move_to(x, y);
    press(button);
    release(button);
}

void XPointer::clicks(int count, int gap_ms, int button) {
    if (!connection)
        return;
    Display* d = as_display(connection);
    for (int i = 0; i < count; ++i) {
        // A delay holds this connection's later requests too, so each gap is counted from the release
        // before it.
        XTestFakeButtonEvent(d, static_cast<unsigned>(button), True, i == 0 ? CurrentTime : gap_ms);
        XTestFakeButtonEvent(d, static_cast<unsigned>(button), False, CurrentTime);
    }
    XSync(d, False);
}

XKeyboard::XKeyboard(const std::string& display) : connection(open_with_xtest(display)) {}

XKeyboard::~XKeyboard() {
    if (connection)
        XCloseDisplay(as_display(connection));
}

namespace {

// The server's key for an X key symbol name; 0 when its keyboard has none.
KeyCode key_code(Display* d, const char* keysym_name) {
    const KeySym symbol = XStringToKeysym(keysym_name);
    return symbol == NoSymbol ? 0 : XKeysymToKeycode(d, symbol);
}

} // namespace

bool XKeyboard::tap(const char* keysym_name) {
    if (!connection)
        return false;
    Display* d = as_display(connection);
    const KeyCode code = key_code(d, keysym_name);
    if (code == 0)
        return false;
    XTestFakeKeyEvent(d, code, True, CurrentTime);
    XTestFakeKeyEvent(d, code, False, CurrentTime);
    XSync(d, False);
    return true;
}

bool XKeyboard::tap_with(const char* held_keysym_name, const char* keysym_name) {
    if (!connection)
        return false;
    Display* d = as_display(connection);
    const KeyCode held = key_code(d, held_keysym_name);
    const KeyCode code = key_code(d, keysym_name);
    if (held == 0 || code == 0)
        return false;
    XTestFakeKeyEvent(d, held, True, CurrentTime);
    XTestFakeKeyEvent(d, code, True, CurrentTime);
    XTestFakeKeyEvent(d, code, False, CurrentTime);
    XTestFakeKeyEvent(d, held, False, CurrentTime);
    XSync(d, False);
    return true;
}

XInputSequence::XInputSequence(const std::string& display)
    : pointer(new XPointer(display)), keyboard(new XKeyboard(display)) {}

XInputSequence::~XInputSequence() {
    if (sender.joinable())
        sender.join();
}

XInputSequence& XInputSequence::move_to(int x, int y) {
    steps.push_back([this, x, y] { pointer->move_to(x, y); });
    return *this;
}

XInputSequence& XInputSequence::click(int x, int y) {
    steps.push_back([this, x, y] { pointer->click(x, y); });
    return *this;
}

XInputSequence& XInputSequence::clicks(int count, int gap_ms) {
    steps.push_back([this, count, gap_ms] { pointer->clicks(count, gap_ms); });
    return *this;
}

XInputSequence& XInputSequence::tap(const char* keysym_name) {
    const std::string name = keysym_name;
    steps.push_back([this, name] { keyboard->tap(name.c_str()); });
    return *this;
}

XInputSequence& XInputSequence::pause(int ms) {
    steps.push_back([ms] { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); });
    return *this;
}

void XInputSequence::start() {
    sender = std::thread([this] {
        for (const std::function<void()>& step : steps)
            step();
        finished.store(true);
    });
}

} // namespace zvk_test
