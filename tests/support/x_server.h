#pragma once
// A private X server (Xvfb) for tests that need real windows and real input events, as a user's
// desktop gives them. Each server takes a display number that no other server uses, so tests (and
// other programs of the machine) running at the same time do not meet.
//
// A test program registered with zvk_add_test(... X_SERVER) gets one server for its whole run,
// started by the test entry point before the application object, which then talks to it (platform
// "xcb"). Where no server can start, the program stays on the offscreen platform and the tests that
// need the server report themselves skipped: ZVK_REQUIRE_X_SERVER() at the top of such a test.
#include <string>

#include <sys/types.h>

namespace zvk_test {

class XServer {
public:
    // Starts Xvfb with one screen of the given size (24-bit colour) and waits until it takes clients.
    XServer(int width = 1600, int height = 900);
    // Stops the server and waits for it to end.
    ~XServer();
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    bool running() const { return pid > 0; }
    // The DISPLAY value of the server (":N"); empty when it is not running.
    const std::string& display() const { return display_name; }
    // Why the server is not running; empty when it is.
    const std::string& failure() const { return why; }

private:
    void stop();

    pid_t pid = -1;
    std::string display_name;
    std::string why;
};

// The test program's own server (see above); null in a program registered without X_SERVER.
XServer* shared_x_server();

// Called by the test entry point before the application object exists: starts the shared server
// when the program was registered with X_SERVER, and points Qt at it.
void start_shared_x_server();
void stop_shared_x_server();

} // namespace zvk_test

// The test needs the real X server: it is reported skipped, not passed, where none could start.
#define ZVK_REQUIRE_X_SERVER()                                                                               \
    do {                                                                                                     \
        ::zvk_test::XServer* zvk_x = ::zvk_test::shared_x_server();                                          \
        if (!zvk_x || !zvk_x->running())                                                                     \
            GTEST_SKIP() << "no X server: "                                                                  \
                         << (zvk_x ? zvk_x->failure()                                                        \
                                   : std::string("the program is not registered X_SERVER"));                 \
    } while (0)
