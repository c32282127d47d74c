// The end of the program while work of the log views still runs (a search under way, a job that does
// not stop at once): a termination request closes the window, the searches are given up, and the
// process ends after a short grace time with the event loop's result.
#include "log_fixture.h"
#include "program_end.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>

#include <signal.h>

namespace {

TEST(LogExit, TerminationWhileTheLogViewsWorkEndsWithinTheGraceTime) {
    // Runs enough that the search is still reading when the request comes, on a fast machine too.
    std::string log;
    for (int i = 0; i < 20000; ++i)
        log += log_fixture::section("StandardModule", 1796811300 + i * 3600, "Disk " + std::to_string(i));
    log_fixture::write_log(log);
    const QString folder = zvk_test::fresh_dir("log_exit");
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("ZVK_KERNEL_OBJECTS_DIR", zvk_test::fresh_dir("log_exit_objects"));
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(folder);
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.start(LOG_EXIT_PROBE, {});
    ASSERT_TRUE(program.waitForStarted());

    // The parser traces every line to the same output: only its end is kept, long enough for the word
    // to be found when a read splits it.
    QByteArray tail;
    bool searching = false;
    QElapsedTimer waiting;
    waiting.start();
    while (!searching && waiting.elapsed() < 60000 && program.state() == QProcess::Running) {
        program.waitForReadyRead(1000);
        tail = tail.right(16) + program.readAllStandardOutput();
        searching = tail.contains("searching\n");
    }
    ASSERT_TRUE(searching);

    const zvk_test::ProgramEnd end = zvk_test::end_by_signal(program, SIGTERM);
    ASSERT_TRUE(end.ended);
    EXPECT_EQ(end.status, QProcess::NormalExit);
    EXPECT_EQ(end.code, 0);
    // Grace time 2 s, and a margin for a loaded machine and the sanitizer builds; the stubborn job
    // alone would take a minute.
    EXPECT_LT(end.took_ms, 2000 + 8000);
}

} // namespace
