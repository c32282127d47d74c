// Console control events from the host's signals. The signal handler does nothing but write the event
// to a pipe (async-signal-safe); a thread of its own reads the pipe and runs the handlers, so they may
// do anything a thread may.
#include "win_console.h"

#include "win_error.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <mutex>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

namespace {

struct Source {
    int signal;
    DWORD event;
};
const Source sources[] = {
    {SIGINT, CTRL_C_EVENT},
    {SIGQUIT, CTRL_BREAK_EVENT},
    {SIGTERM, CTRL_CLOSE_EVENT},
    {SIGHUP, CTRL_CLOSE_EVENT},
};

std::mutex& lock() {
    static std::mutex m;
    return m;
}
std::vector<PHANDLER_ROUTINE>& handlers() {
    static std::vector<PHANDLER_ROUTINE> h;
    return h;
}
bool ignore_ctrl_c = false;
bool installed = false;
int event_pipe[2] = {-1, -1};

void on_signal(int signal) {
    int saved = errno;
    unsigned char which = static_cast<unsigned char>(signal);
    ssize_t ignored = ::write(event_pipe[1], &which, 1); // a full pipe drops the event
    (void)ignored;
    errno = saved;
}

// Ends the process by the signal, as it would have ended without a handler.
[[noreturn]] void end_by(int signal) {
    ::signal(signal, SIG_DFL);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, signal);
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    ::raise(signal);
    ::_exit(128 + signal); // only if the signal did not end the process
}

void dispatch(int signal) {
    const Source* source = nullptr;
    for (const auto& s : sources)
        if (s.signal == signal)
            source = &s;
    if (!source)
        return;
    std::vector<PHANDLER_ROUTINE> current;
    {
        std::lock_guard<std::mutex> g(lock());
        if (source->event == CTRL_C_EVENT && ignore_ctrl_c)
            return;
        current = handlers();
    }
    bool handled = false;
    for (auto it = current.rbegin(); it != current.rend() && !handled; ++it)
        handled = (*it)(source->event) != FALSE;
    if (!handled || source->event == CTRL_CLOSE_EVENT)
        end_by(signal);
}

void run_dispatcher() {
    // Whatever the creating thread blocked, this thread takes the signals, so they always arrive.
    sigset_t set;
    sigemptyset(&set);
    for (const auto& s : sources)
        sigaddset(&set, s.signal);
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    for (;;) {
        unsigned char which = 0;
        ssize_t n = ::read(event_pipe[0], &which, 1);
        if (n == 1)
            dispatch(which);
        else if (n < 0 && errno != EINTR)
            return;
    }
}

// With the lock held. Once in place the pipe, the thread and the signal handlers stay for the
// process's life.
bool install() {
    if (installed)
        return true;
    if (::pipe2(event_pipe, O_CLOEXEC) != 0) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    ::fcntl(event_pipe[1], F_SETFL, O_NONBLOCK); // the signal handler must never block
    try {
        std::thread(run_dispatcher).detach();
    } catch (...) {
        ::close(event_pipe[0]);
        ::close(event_pipe[1]);
        event_pipe[0] = event_pipe[1] = -1;
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    struct sigaction action = {};
    action.sa_handler = on_signal;
    sigemptyset(&action.sa_mask);
    for (const auto& s : sources)
        sigaddset(&action.sa_mask, s.signal);
    action.sa_flags = SA_RESTART;
    for (const auto& s : sources) {
        struct sigaction previous = {};
        sigaction(s.signal, nullptr, &previous);
        if (previous.sa_handler != SIG_IGN) // nohup's choice holds
            sigaction(s.signal, &action, nullptr);
    }
    installed = true;
    return true;
}

} // namespace

BOOL SetConsoleCtrlHandler(PHANDLER_ROUTINE handler, BOOL add) {
    std::lock_guard<std::mutex> g(lock());
    if (!handler) {
        if (add && !install())
            return FALSE;
        ignore_ctrl_c = add != FALSE;
        return TRUE;
    }
    auto& list = handlers();
    if (!add) {
        auto it = std::find(list.rbegin(), list.rend(), handler);
        if (it == list.rend()) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        list.erase(std::next(it).base());
        return TRUE;
    }
    if (!install())
        return FALSE;
    list.push_back(handler);
    return TRUE;
}
