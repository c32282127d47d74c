#pragma once
// A request from outside to end the program closes the program as the user would, so the program ends
// through its normal path: the event loop returns, the main window is destroyed and the exit code is
// the loop's result. A run under way is not cut off: it is stopped as Stop tests stops it, the module
// ends it, and the window closes then (or after a short bound, for a module that ignores the stop).
// Requests arrive as console control events (SetConsoleCtrlHandler): Ctrl+C and a close request.
// Windows sends a windowed program's own requests (WM_CLOSE, end of session) to its windows, which Qt
// handles; on POSIX the Windows-service stand-in raises the events from SIGINT, SIGTERM and SIGHUP, and
// this is the program's only handling of those signals.
#include <memory>

class QObject;
class TerminationRequestAnswer;

class CloseOnTerminationRequest {
public:
    // application: the QApplication, made on this thread, which must outlive this object.
    explicit CloseOnTerminationRequest(QObject* application);
    ~CloseOnTerminationRequest();
    CloseOnTerminationRequest(const CloseOnTerminationRequest&) = delete;
    CloseOnTerminationRequest& operator=(const CloseOnTerminationRequest&) = delete;

private:
    std::unique_ptr<TerminationRequestAnswer> answer;
};

// Whether a termination request has been answered since the CloseOnTerminationRequest was made. One
// answered before the main window was shown (inside a box of the start-up) closed only that box: the
// start-up then ends the program instead of showing the window. GUI thread only.
bool termination_requested();
