#include "close_requests.h"

#include <QMetaObject>
#include <QObject>

#include <mutex>

// After Qt's headers, so that the Windows headers' macros (min, max) do not reach them.
#include "zvk_windows.h"

namespace {

// Handlers run on a thread of the system's (POSIX: of the stand-in's); the application they post to
// is set and cleared under the lock, so a late event never reaches a destroyed one.
std::mutex target_lock;
QObject* target = nullptr;

// After a close event the process ends once the handlers return, as on Windows, which gives a
// console process this long to end by itself. Its normal end comes first and takes this thread along.
const DWORD close_grace_ms = 5000;

BOOL WINAPI on_control_event(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_CLOSE_EVENT)
        return FALSE; // Ctrl+Break and the rest keep their default: the process ends
    {
        std::lock_guard<std::mutex> g(target_lock);
        // By name, so that Qt alone makes, carries and frees the queued call.
        if (target)
            QMetaObject::invokeMethod(target, "closeAllWindows", Qt::QueuedConnection);
    }
    if (event == CTRL_CLOSE_EVENT)
        Sleep(close_grace_ms);
    return TRUE;
}

} // namespace

CloseOnTerminationRequest::CloseOnTerminationRequest(QObject* application) {
    {
        std::lock_guard<std::mutex> g(target_lock);
        target = application;
    }
    SetConsoleCtrlHandler(on_control_event, TRUE);
}

CloseOnTerminationRequest::~CloseOnTerminationRequest() {
    SetConsoleCtrlHandler(on_control_event, FALSE);
    std::lock_guard<std::mutex> g(target_lock);
    target = nullptr;
}
