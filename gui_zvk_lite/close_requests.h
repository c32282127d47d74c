#pragma once
// A request from outside to end the program (on POSIX the signals SIGTERM and SIGINT) closes every
// window, as the user would, so the program ends through its normal path: the event loop returns, the
// main window is destroyed and the exit code is the loop's result. Windows delivers such requests to
// the windows themselves, so there this does nothing. Call once, after the QApplication exists.
void close_windows_on_termination_request();
