// The end of the program while the worker is inside a module call that does not return: a termination
// request stops the run, closes the window when the module has not ended it after a short wait, and
// the process ends after a short grace time with the event loop's result instead of waiting for the
// call.
#include "program_end.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <signal.h>

namespace {

TEST(RunExit, TerminationDuringAModuleCallThatDoesNotReturnEndsWithinTheGraceTime) {
    // Stop pressed before a close request (SIGTERM), and Ctrl+C alone, which stops the run itself and
    // has no forced end after 5 s to fall back on: the window closes 2 s after the request all the same.
    struct Case {
        bool press_stop;
        int signal;
    } cases[] = {{true, SIGTERM}, {false, SIGINT}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.signal);
        QString folder = zvk_test::fresh_dir("run_exit");
        ASSERT_TRUE(QFile::copy(qEnvironmentVariable("ZVK_TEST_MODULES_DIR") + "/diag_ignore_abort.dll",
                                folder + "/diag_ignore_abort.dll"));
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("ZVK_KERNEL_OBJECTS_DIR", zvk_test::fresh_dir("run_exit_objects"));
        program.setProcessEnvironment(env);
        program.setWorkingDirectory(folder);
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program.start(RUN_EXIT_PROBE, c.press_stop ? QStringList() : QStringList{"no-stop"});
        ASSERT_TRUE(program.waitForStarted());

        // The module's test has begun and ignores every abort for a minute.
        QByteArray out;
        QElapsedTimer waiting;
        waiting.start();
        while (!out.contains("running\n") && waiting.elapsed() < 60000 &&
               program.state() == QProcess::Running) {
            program.waitForReadyRead(1000);
            out += program.readAllStandardOutput();
        }
        ASSERT_TRUE(out.contains("running\n")) << out.toStdString();
        // Stop was pressed; the window answered while the module's call went on.
        while (c.press_stop && !out.contains("stop answered\n") && waiting.elapsed() < 60000 &&
               program.state() == QProcess::Running) {
            program.waitForReadyRead(1000);
            out += program.readAllStandardOutput();
        }
        EXPECT_TRUE(!c.press_stop || out.contains("stop answered\n")) << out.toStdString();

        const zvk_test::ProgramEnd end = zvk_test::end_by_signal(program, c.signal);
        ASSERT_TRUE(end.ended);
        EXPECT_EQ(end.status, QProcess::NormalExit);
        EXPECT_EQ(end.code, 0);
        // The wait for the run's end (2 s) and the grace time (2 s), and a margin for a loaded machine and
        // the sanitizer builds.
        EXPECT_LT(end.took_ms, 2000 + 2000 + 4000);
    }
}

} // namespace
