// The end of the program while work of the log views still runs (a search under way, a job that does
// not stop at once): a termination request closes the window, the searches are given up, and the
// process ends after a short grace time with the event loop's result. So does the close button while
// the search is blocked writing to a standard output that nobody reads.
#include "log_fixture.h"
#include "program_end.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

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

TEST(LogExit, TheCloseButtonEndsTheProgramWhileStandardOutputIsNotRead) {
    // A few megabytes of log: its trace fills the pipe many times over.
    std::string log;
    for (int i = 0; i < 10000; ++i)
        log += log_fixture::section("StandardModule", 1796811300 + i * 3600, "Disk " + std::to_string(i));
    log_fixture::write_log(log);
    const QString folder = zvk_test::fresh_dir("log_exit_unread");
    const QString objects = zvk_test::fresh_dir("log_exit_unread_objects");
    // Standard output: a pipe whose reader is open and never reads, as `zvk_lite | less` left on its
    // first page.
    const QByteArray fifo = (folder + "/stdout.fifo").toLocal8Bit();
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
    const int reader = ::open(fifo.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    auto start = [&](QProcess& program, const char* mode) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("ZVK_KERNEL_OBJECTS_DIR", objects);
        program.setProcessEnvironment(env);
        program.setWorkingDirectory(folder);
        program.setReadChannel(QProcess::StandardError);
        program.start(LOG_EXIT_PROBE, {mode});
        return program.waitForStarted();
    };
    auto wait_for_line = [](QProcess& program, const QByteArray& line, QByteArray& err) {
        QElapsedTimer waiting;
        waiting.start();
        while (!err.contains(line) && waiting.elapsed() < 60000 && program.state() == QProcess::Running) {
            program.waitForReadyRead(1000);
            err += program.readAllStandardError();
        }
        return err.contains(line);
    };

    QProcess program;
    program.setStandardOutputFile(QString::fromLocal8Bit(fifo));
    ASSERT_TRUE(start(program, "close"));
    QByteArray err;
    ASSERT_TRUE(wait_for_line(program, "closing\n", err)) << err.toStdString();
    QElapsedTimer closing;
    closing.start();
    const bool ended = program.waitForFinished(30000);
    const qint64 took_ms = closing.elapsed();
    ::close(reader);
    if (!ended) {
        program.kill();
        program.waitForFinished(5000);
    }
    ASSERT_TRUE(ended) << "the process stayed after its window had gone";
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    // Background grace 2 s, the output's 0.5 s, and a margin for a loaded machine and the sanitizer
    // builds.
    EXPECT_LT(took_ms, 2000 + 500 + 8000);

    // The single-instance name went with the process: the next start shows the window.
    QProcess next;
    ASSERT_TRUE(start(next, "window"));
    QByteArray next_err;
    EXPECT_TRUE(wait_for_line(next, "window shown\n", next_err)) << next_err.toStdString();
    EXPECT_TRUE(next.waitForFinished(30000));
    EXPECT_EQ(next.exitCode(), 0);
}

} // namespace
