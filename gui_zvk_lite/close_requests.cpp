#include "close_requests.h"

#include "gui_manager.h"

#include <QApplication>
#include <QMetaObject>
#include <QObject>
#include <QWidget>

#include <mutex>

// After Qt's headers, so that the Windows headers' macros (min, max) do not reach them.
#include "zvk_windows.h"

// Answers a request on the GUI thread, where the handlers post it.
class TerminationRequestAnswer : public QObject {
    Q_OBJECT
public slots:
    // A shown main window with a run under way closes itself once the run has ended; otherwise every
    // window closes now, boxes included (a box of the start-up, before the main window shows).
    void answer() {
        requested = true;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* window = qobject_cast<GUIManager*>(widget);
            if (window && window->isVisible() && window->close_after_run())
                return;
        }
        QApplication::closeAllWindows();
    }

public:
    bool requested = false;
};

namespace {

// Handlers run on a thread of the system's (POSIX: of the stand-in's); the object they post to is set
// and cleared under the lock, so a late event never reaches a destroyed one.
std::mutex target_lock;
TerminationRequestAnswer* target = nullptr;

// The answer of the program's CloseOnTerminationRequest, read on the GUI thread only.
TerminationRequestAnswer* current_answer = nullptr;

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
            QMetaObject::invokeMethod(target, "answer", Qt::QueuedConnection);
    }
    if (event == CTRL_CLOSE_EVENT)
        Sleep(close_grace_ms);
    return TRUE;
}

} // namespace

CloseOnTerminationRequest::CloseOnTerminationRequest(QObject* application)
    : answer(new TerminationRequestAnswer) {
    // Made on the application's thread, so the handlers' calls run there.
    Q_ASSERT(answer->thread() == application->thread());
    current_answer = answer.get();
    {
        std::lock_guard<std::mutex> g(target_lock);
        target = answer.get();
    }
    SetConsoleCtrlHandler(on_control_event, TRUE);
}

CloseOnTerminationRequest::~CloseOnTerminationRequest() {
    SetConsoleCtrlHandler(on_control_event, FALSE);
    {
        std::lock_guard<std::mutex> g(target_lock);
        target = nullptr;
    }
    current_answer = nullptr;
}

bool termination_requested() {
    return current_answer && current_answer->requested;
}

#include "close_requests.moc"
