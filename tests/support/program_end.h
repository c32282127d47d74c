#pragma once
// The end of a program that a test started, asked for by a signal as the desktop or a terminal asks.
#include <QProcess>

namespace zvk_test {

struct ProgramEnd {
    bool ended = false;                                // within the time given
    QProcess::ExitStatus status = QProcess::CrashExit; // as it ended
    int code = -1;
    qint64 took_ms = 0; // from the signal to the end
};

// Sends `signal` to the program and waits up to `wait_ms` for it to end, reading what it writes to
// its standard output meanwhile, so that a full pipe never holds it up. One that has not ended by then
// is killed.
ProgramEnd end_by_signal(QProcess& program, int signal, int wait_ms = 30000);

} // namespace zvk_test
