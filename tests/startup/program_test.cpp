// The real program as a child process: its guard is there before main runs and goes with the process
// however it ends, a second start makes no main window, the translator follows the system locale, and
// closing the windows (which a termination request does) ends it with the event loop's result.
#include "program_end.h"
#include "single_instance_guard.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <memory>

#include <signal.h>

namespace {

const char program_mutex[] = "Global\\{2194ABA1-BFFA-4e6b-8C26-D191BB16F9E6}";

class Program {
public:
    Program(const QString& work_dir, const QString& locale) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("LC_ALL", locale);
        env.insert("QT_FORCE_STDERR_LOGGING", "1");
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(work_dir);
        process.setReadChannel(QProcess::StandardError); // the debug output
        process.start(ZVK_LITE_PROGRAM, {});
    }
    ~Program() {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
        }
    }
    // Waits until the program has written the line to its debug output.
    bool wrote(const QString& line) {
        QElapsedTimer t;
        t.start();
        while (!err.contains(line)) {
            if (t.elapsed() > 30000 ||
                (!process.waitForReadyRead(1000) && process.state() == QProcess::NotRunning))
                return err.contains(line);
            err += QString::fromLocal8Bit(process.readAllStandardError());
        }
        return true;
    }
    // Whether the main window's worker thread runs (Qt names its threads after their class); waits for
    // it up to the given time.
    bool has_worker_thread(int wait_ms) {
        QElapsedTimer t;
        t.start();
        do {
            QDir tasks(QString("/proc/%1/task").arg(process.processId()));
            for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
                if (zvk_test::read_file(tasks.filePath(task) + "/comm") == "QThread\n")
                    return true;
            QThread::msleep(20);
        } while (t.elapsed() < wait_ms);
        return false;
    }
    // Asks the program to end as the desktop (SIGTERM), Ctrl+C (SIGINT) or a closed terminal (SIGHUP)
    // would, and waits for its exit code.
    int terminate(int signal = SIGTERM) {
        const zvk_test::ProgramEnd end = zvk_test::end_by_signal(process, signal);
        ended_after_ms = end.took_ms;
        if (!end.ended || end.status != QProcess::NormalExit)
            return -1;
        return end.code;
    }
    QProcess process;
    QString err;
    qint64 ended_after_ms = 0; // from the last terminate() request
};

class ProgramStart : public ::testing::Test {
protected:
    void SetUp() override {
        objects = zvk_test::fresh_dir("objects");
        qputenv("ZVK_KERNEL_OBJECTS_DIR", objects.toLocal8Bit());
        work = zvk_test::fresh_dir("run");
    }
    QString objects;
    QString work;
};

TEST_F(ProgramStart, FirstStartHoldsTheNameAndEndsWithTheLoopWhenItsWindowCloses) {
    // The translator comes from the system locale; the lines show which way it went. The last case is
    // what the README's start command does: the run folder that the build fills.
    const QString run_dir = qEnvironmentVariable("ZVK_RUN_DIR");
    struct Case {
        const char* locale;
        QString dir;
        bool english_file; // put a copy of the built translator file there
        QStringList lines;
        int end_signal; // how the program is asked to end
    } cases[] = {
        {"C", work, false, {"Default language not found...", "Executing with tokens."}, SIGTERM},
        {"de_DE.UTF-8",
         work,
         true,
         {"\"Language was not loaded - System's Language: de_DE\"", "Loading default language."},
         SIGINT},
        {"C",
         run_dir,
         false,
         {"\"Language was not loaded - System's Language: C\"", "Loading default language."},
         SIGHUP},
    };
    for (const Case& c : cases) {
        QFile::remove(work + "/gui_zvk_lite_en.qm");
        if (c.english_file) {
            ASSERT_TRUE(QFile::copy(run_dir + "/gui_zvk_lite_en.qm", work + "/gui_zvk_lite_en.qm"));
        }
        Program program(c.dir, c.locale);
        for (const QString& line : c.lines) {
            EXPECT_TRUE(program.wrote(line)) << c.locale << ": " << program.err.toStdString();
        }
        EXPECT_TRUE(program.has_worker_thread(20000)) << "no main window made";
        {
            SingleInstanceGuard probe(program_mutex);
            EXPECT_TRUE(probe.is_already_running()) << "the program holds its name while it runs";
        }
        EXPECT_EQ(program.terminate(c.end_signal), 0)
            << c.end_signal << ", ended after " << program.ended_after_ms
            << " ms: " << program.err.toStdString();
        SingleInstanceGuard after(program_mutex);
        EXPECT_FALSE(after.is_already_running()) << "the name went with the program";
    }
}

TEST_F(ProgramStart, SecondStartShowsOnlyTheBoxAndEndsWhenItCloses) {
    Program first(work, "C");
    ASSERT_TRUE(first.wrote("Executing with tokens."));
    ASSERT_TRUE(first.has_worker_thread(20000));
    Program second(work, "C");
    ASSERT_TRUE(second.wrote("Executing with tokens.")) << second.err.toStdString();
    // The box is all: the second process never builds the main window and its worker.
    EXPECT_FALSE(second.has_worker_thread(1500));
    EXPECT_EQ(second.terminate(), 0) << second.err.toStdString();
    // The second one's exit leaves the first one's name in place.
    SingleInstanceGuard probe(program_mutex);
    EXPECT_TRUE(probe.is_already_running());
}

TEST_F(ProgramStart, AKilledInstanceDoesNotKeepTheNextFromStarting) {
    {
        Program first(work, "C");
        ASSERT_TRUE(first.wrote("Executing with tokens."));
        ASSERT_TRUE(first.has_worker_thread(20000));
        first.process.kill(); // SIGKILL: no exit code, no destructors, no atexit
        ASSERT_TRUE(first.process.waitForFinished(10000));
    }
    Program next(work, "C");
    ASSERT_TRUE(next.wrote("Executing with tokens."));
    EXPECT_TRUE(next.has_worker_thread(20000)) << "the next start is the first instance again";
    EXPECT_EQ(next.terminate(), 0);
}

} // namespace
