#pragma once
// Real pointer and key input in an X server through its XTEST extension: the server moves its pointer,
// presses its buttons and its keys as a mouse and a keyboard would, and every client receives the
// events a user's hand gives.
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

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

// Real input sent from a thread of its own, step after step in real time, as a user's hand sends it:
// the program runs between the steps, so what a click starts (a page change, the end of a run) can
// happen before the next click arrives. Input sent from the test's own thread cannot give that: the
// program handles it all at once when the test returns to its event loop. The steps are listed first,
// then start() sends them; the test keeps its event loop running (wait_until(done)) meanwhile.
class XInputSequence {
public:
    // Connects to the server of the given display (":N").
    explicit XInputSequence(const std::string& display);
    // Waits for the steps to end.
    ~XInputSequence();
    XInputSequence(const XInputSequence&) = delete;
    XInputSequence& operator=(const XInputSequence&) = delete;

    // False when the server cannot be reached or lacks the XTEST extension.
    bool ok() const { return pointer->ok() && keyboard->ok(); }

    XInputSequence& move_to(int x, int y);
    XInputSequence& click(int x, int y);
    // count clicks where the pointer is, each press gap_ms after the click before by the server's clock.
    XInputSequence& clicks(int count, int gap_ms);
    XInputSequence& tap(const char* keysym_name);
    XInputSequence& pause(int ms);

    void start();
    // Whether every step has been sent and handled by the server.
    bool done() const { return finished.load(); }

private:
    // Made here, used only by the sending thread once it runs.
    std::unique_ptr<XPointer> pointer;
    std::unique_ptr<XKeyboard> keyboard;
    std::vector<std::function<void()>> steps;
    std::atomic<bool> finished{false};
    std::thread sender;
};

} // namespace zvk_test
