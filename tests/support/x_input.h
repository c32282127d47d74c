#pragma once
// Real pointer and key input in an X server through its XTEST extension: the server moves its pointer,
// presses its buttons and its keys as a mouse and a keyboard would, and every client receives the
// events a user's hand gives.
#include <string>

namespace zvk_test {

class XPointer {
public:
    // Connects to the server of the given display (":N").
    explicit XPointer(const std::string& display);
    ~XPointer();
    XPointer(const XPointer&) = delete;
    XPointer& operator=(const XPointer&) = delete;

    // False when the server cannot be reached or lacks the XTEST extension.
    bool ok() const { return connection != nullptr; }

    // Each call returns once the server has handled it. Positions are screen coordinates; button 1 is
    // the left button.
    void move_to(int x, int y);
    void press(int button = 1);
    void release(int button = 1);
    void click(int x, int y, int button = 1);
    // Clicks count times where the pointer is, each press gap_ms after the click before by the
    // server's clock: the server waits out the gaps itself, so a busy client does not stretch them.
    // Returns once the server has handled the last release.
    void clicks(int count, int gap_ms, int button = 1);

private:
    void* connection = nullptr; // the Xlib Display
};

class XKeyboard {
public:
    // Connects to the server of the given display (":N").
    explicit XKeyboard(const std::string& display);
    ~XKeyboard();
    XKeyboard(const XKeyboard&) = delete;
    XKeyboard& operator=(const XKeyboard&) = delete;

    // False when the server cannot be reached or lacks the XTEST extension.
    bool ok() const { return connection != nullptr; }

    // Presses and releases the key of an X key symbol name ("Escape", "a", "Return"); returns once the
    // server has handled both, false when the server's keyboard has no such key.
    bool tap(const char* keysym_name);
    // The same with another key ("Control_L", "Shift_L") held down meanwhile.
    bool tap_with(const char* held_keysym_name, const char* keysym_name);

private:
    void* connection = nullptr; // the Xlib Display
};

} // namespace zvk_test
