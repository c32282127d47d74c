#include "x_server.h"

#include <QByteArray>
#include <QtGlobal>

#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

namespace zvk_test {

namespace {

constexpr int start_timeout_ms = 15000;
constexpr int stop_timeout_ms = 5000;

long long now_ms() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<long long>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

// Waits for the child to end, at most timeout_ms; true when it has ended (and is reaped).
bool reaped_within(pid_t pid, int timeout_ms) {
    const long long end = now_ms() + timeout_ms;
    for (;;) {
        pid_t r = waitpid(pid, nullptr, WNOHANG);
        if (r == pid || (r < 0 && errno != EINTR))
            return true;
        if (now_ms() >= end)
            return false;
        usleep(10000);
    }
}

std::unique_ptr<XServer>& shared() {
    static std::unique_ptr<XServer> server;
    return server;
}

} // namespace

XServer::XServer(int width, int height) {
    int fds[2];
    if (pipe(fds) != 0) {
        why = std::string("no pipe: ") + std::strerror(errno);
        return;
    }
    // Only the write end goes to the server, which writes its display number there once it is ready.
    fcntl(fds[0], F_SETFD, FD_CLOEXEC);

    const std::string fd_text = std::to_string(fds[1]);
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    // -displayfd lets the server pick a display number that is free, race-free among servers started at
    // the same time; -noreset keeps it up while no client is connected.
    std::vector<const char*> args{"Xvfb",         "-displayfd", fd_text.c_str(), "-screen",  "0",
                                  screen.c_str(), "-nolisten",  "tcp",           "-noreset", nullptr};

    pid_t child = fork();
    if (child == 0) {
        // A test program that dies must not leave its server behind.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        // Its messages say nothing to a test; keep the test's output readable.
        int quiet = open("/dev/null", O_WRONLY);
        if (quiet >= 0) {
            dup2(quiet, 1);
            dup2(quiet, 2);
        }
        execvp("Xvfb", const_cast<char* const*>(args.data()));
        _exit(127);
    }
    int spawn_error = errno;
    close(fds[1]);
    if (child < 0) {
        close(fds[0]);
        why = std::string("no process for Xvfb: ") + std::strerror(spawn_error);
        return;
    }
    pid = child;

    std::string number;
    bool complete = false;
    const long long end = now_ms() + start_timeout_ms;
    while (!complete) {
        long long left = end - now_ms();
        if (left <= 0)
            break;
        pollfd p{fds[0], POLLIN, 0};
        int ready = poll(&p, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            break;
        char c = 0;
        ssize_t n = read(fds[0], &c, 1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break; // the server ended without a display (or Xvfb is not installed)
        if (c == '\n')
            complete = !number.empty();
        else if (c >= '0' && c <= '9' && number.size() < 9)
            number += c;
        else
            break;
    }
    close(fds[0]);
    if (!complete) {
        why = "Xvfb reported no display (is the xvfb package installed?)";
        stop();
        return;
    }
    display_name = ":" + number;
}

XServer::~XServer() {
    stop();
}

void XServer::stop() {
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    if (!reaped_within(pid, stop_timeout_ms)) {
        kill(pid, SIGKILL);
        reaped_within(pid, stop_timeout_ms);
    }
    pid = -1;
    display_name.clear();
}

XServer* shared_x_server() {
    return shared().get();
}

void start_shared_x_server() {
    if (!qEnvironmentVariableIsSet("ZVK_TEST_X_SERVER"))
        return;
    shared().reset(new XServer());
    if (!shared()->running())
        return; // stays on the platform CTest gave it; the tests that need the server skip
    qputenv("DISPLAY", QByteArray::fromStdString(shared()->display()));
    qputenv("QT_QPA_PLATFORM", "xcb");
    qunsetenv("WAYLAND_DISPLAY");
}

void stop_shared_x_server() {
    shared().reset();
}

} // namespace zvk_test
