#include "program_end.h"

#include <QElapsedTimer>

#include <signal.h>

namespace zvk_test {

ProgramEnd end_by_signal(QProcess& program, int signal, int wait_ms) {
    ProgramEnd end;
    QElapsedTimer ending;
    ending.start();
    ::kill(pid_t(program.processId()), signal);
    while (!end.ended && ending.elapsed() < wait_ms) {
        end.ended = program.waitForFinished(100);
        program.readAllStandardOutput();
    }
    end.took_ms = ending.elapsed();
    if (!end.ended) {
        program.kill();
        program.waitForFinished(5000);
        return end;
    }
    end.status = program.exitStatus();
    end.code = program.exitCode();
    return end;
}

} // namespace zvk_test
