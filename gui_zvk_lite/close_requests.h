#pragma once
// A request from outside to end the program closes every window, as the user would, so the program
// ends through its normal path: the event loop returns, the main window is destroyed and the exit
// code is the loop's result. Requests arrive as console control events (SetConsoleCtrlHandler): Ctrl+C
// and a close request. Windows sends a windowed program's own requests (WM_CLOSE, end of session) to
// its windows, which Qt handles; on POSIX the Windows-service stand-in raises the events from SIGINT,
// SIGTERM and SIGHUP, and this is the program's only handling of those signals.
class QObject;

class CloseOnTerminationRequest {
public:
    // application: the QApplication, which must outlive this object.
    explicit CloseOnTerminationRequest(QObject* application);
    ~CloseOnTerminationRequest();
    CloseOnTerminationRequest(const CloseOnTerminationRequest&) = delete;
    CloseOnTerminationRequest& operator=(const CloseOnTerminationRequest&) = delete;
};
