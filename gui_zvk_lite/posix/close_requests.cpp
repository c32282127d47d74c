#include "close_requests.h"

#include <QApplication>
#include <QObject>
#include <QSocketNotifier>

#include <cerrno>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

namespace {

// The handler may only write to a pipe; the GUI thread reads it through the event loop.
int request_pipe[2] = {-1, -1};

void on_signal(int) {
    int saved = errno;
    char byte = 1;
    ssize_t ignored = ::write(request_pipe[1], &byte, 1); // a full pipe holds a request already
    (void)ignored;
    errno = saved;
}

} // namespace

void close_windows_on_termination_request() {
    if (request_pipe[0] >= 0 || ::pipe2(request_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    // The notifier belongs to the application, and the handler stays until the process ends, so the
    // pipe is never closed under it.
    auto* notifier = new QSocketNotifier(request_pipe[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, qApp, [] {
        char bytes[64];
        while (::read(request_pipe[0], bytes, sizeof bytes) > 0) {
        }
        QApplication::closeAllWindows();
    });
    struct sigaction action = {};
    action.sa_handler = on_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}
