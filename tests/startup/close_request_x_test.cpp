// The built program asked to close while a run lasts, on an X server of its own: by the window system
// (the client message a window manager sends for Alt+F4 or a taskbar's Close) and by a termination
// request (SIGTERM, SIGINT, SIGHUP); and SIGINT while the start-up shows a box of its own. The
// modules' log on drive C: tells what ran: no request may leave the run's section open.
#include "program_end.h"
#include "process_state.h"
#include "test_support.h"
#include "x_server.h"
#include "x_windows.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QThread>

#include <string>
#include <vector>

#include <signal.h>

namespace {

const char main_window_title[] = "ZVK Lite";

std::string log_path() {
    return zvk_test::system_drive_folder() + "/zedra/zedra.log";
}

// The lines of the module's last run in the log: from its "+++ " line on, through its "--- " line when
// the module closed the section.
std::vector<std::string> last_run(const std::string& module) {
    const std::string log = zvk_test::read_file(QString::fromStdString(log_path()));
    std::vector<std::string> lines, run;
    size_t at = 0;
    while (at < log.size()) {
        size_t end = log.find('\n', at);
        if (end == std::string::npos)
            end = log.size();
        lines.push_back(log.substr(at, end - at));
        at = end + 1;
    }
    for (const std::string& line : lines) {
        if (line.rfind("+++ ", 0) == 0 && line.find(" " + module + " ") != std::string::npos)
            run.clear();
        run.push_back(line);
    }
    if (run.empty() || run.front().rfind("+++ ", 0) != 0)
        return {};
    return run;
}

int count_prefix(const std::vector<std::string>& lines, const std::string& prefix) {
    int n = 0;
    for (const std::string& line : lines)
        n += line.rfind(prefix, 0) == 0 ? 1 : 0;
    return n;
}

// The outcome words of the run's tests, in order ("SUCCESS", "ABORTED" ...).
std::vector<std::string> outcomes(const std::vector<std::string>& run) {
    std::vector<std::string> words;
    for (const std::string& line : run) {
        // "<stamp> STOP <test> <outcome> <seconds>"
        size_t stop = line.find(" STOP ");
        if (stop == std::string::npos || line.rfind("STOP TESTS", 0) == 0)
            continue;
        size_t name_end = line.find(' ', stop + 6);
        size_t word_end = line.find(' ', name_end + 1);
        words.push_back(line.substr(name_end + 1, word_end - name_end - 1));
    }
    return words;
}

bool section_closed(const std::vector<std::string>& run, const std::string& module) {
    return !run.empty() && run.back() == "--- " + module &&
           count_prefix(run, "START TESTS") == count_prefix(run, "STOP TESTS ");
}

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

bool wait_for(const std::function<bool()>& done, int timeout_ms) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeout_ms)
            return false;
        QThread::msleep(20);
    }
    return true;
}

// The built program with one module file of the tests, bound from the command line, on the test's X
// server, beside damaged module files of the given names, if any. What it writes is read and dropped, so
// no full pipe holds it up.
class Program {
public:
    explicit Program(const char* stem, const QStringList& damaged = {}) {
        const QString folder = zvk_test::fresh_dir(QString("close_request_") + stem);
        const QString file = QString("diag_") + stem + ".dll";
        copied = QFile::copy(qEnvironmentVariable("ZVK_TEST_MODULES_DIR") + "/" + file, folder + "/" + file);
        for (const QString& name : damaged) {
            QFile bad(folder + "/" + name);
            copied = copied && bad.open(QIODevice::WriteOnly) && bad.write("not a module file") > 0;
        }
        QFile::remove(QString::fromStdString(log_path()));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("ZVK_KERNEL_OBJECTS_DIR", zvk_test::fresh_dir(QString("close_request_objects_") + stem));
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(folder);
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(ZVK_LITE_PROGRAM, {QString("--") + stem});
        started = process.waitForStarted();
    }
    ~Program() {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
        }
    }
    bool running() {
        // Without an event loop the process's state is brought up to date only by a wait.
        process.waitForFinished(0);
        process.readAll();
        return process.state() == QProcess::Running;
    }
    // The program's shown window of that title; 0 when there is none.
    unsigned long shown_window(zvk_test::XWindows& x, const std::string& title) {
        for (const zvk_test::XWindowInfo& w : x.shown_windows(long(process.processId())))
            if (w.title == title)
                return w.id;
        return 0;
    }
    bool ends_within(int ms) {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms) {
            if (process.waitForFinished(100))
                return true;
            process.readAll();
        }
        return false;
    }

    bool copied = false;
    QProcess process;
    bool started = false;
};

const char slow_module[] = "SlowRunFirstModule";

// The run has reached its second test: the first one's answer went through the window's event loop,
// so the program is past its start-up (which a sanitizer build makes slow) and answers requests.
bool second_test_begun() {
    const std::vector<std::string> run = last_run(slow_module);
    return outcomes(run).size() == 1 &&
           zvk_test::read_file(QString::fromStdString(log_path())).find(" START WRITE_TEST") !=
               std::string::npos;
}

TEST(CloseRequestX, AWindowSystemCloseDuringARunIsRefusedAndCloseWorksAgainAfterIt) {
    ZVK_REQUIRE_X_SERVER();
    zvk_test::XWindows x(zvk_test::shared_x_server()->display());
    ASSERT_TRUE(x.ok());
    // Bound at start, the module begins with its run: three tests of 2 s.
    Program program("slow_run_first");
    ASSERT_TRUE(program.copied && program.started);
    unsigned long window = 0;
    ASSERT_TRUE(wait_for(
        [&] { return program.running() && (window = program.shown_window(x, main_window_title)); }, 90000))
        << "the window did not show";
    ASSERT_TRUE(wait_for(second_test_begun, 60000)) << joined(last_run(slow_module));

    ASSERT_TRUE(x.request_close(window)) << "the window does not take WM_DELETE_WINDOW";
    QThread::msleep(1000);
    ASSERT_TRUE(program.running()) << "a close from the window system ended the program during its run";
    EXPECT_EQ(program.shown_window(x, main_window_title), window);
    // The run goes on to its end, every test passed, and the module closes its section.
    ASSERT_TRUE(wait_for([] { return section_closed(last_run(slow_module), slow_module); }, 60000))
        << "running: " << program.running() << "\n"
        << joined(last_run(slow_module));
    EXPECT_EQ(outcomes(last_run(slow_module)), std::vector<std::string>(3, "SUCCESS"));
    // Nothing was kept for later: the ended run stays on view.
    QThread::msleep(1000);
    EXPECT_TRUE(program.running());
    EXPECT_EQ(program.shown_window(x, main_window_title), window);

    // After the run a close from the window system closes the window, as the close button does.
    ASSERT_TRUE(x.request_close(window));
    ASSERT_TRUE(program.ends_within(30000));
    EXPECT_EQ(program.process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.process.exitCode(), 0);
}

TEST(CloseRequestX, ATerminationRequestDuringARunStopsItLetsTheModuleEndItAndCloses) {
    ZVK_REQUIRE_X_SERVER();
    zvk_test::XWindows x(zvk_test::shared_x_server()->display());
    ASSERT_TRUE(x.ok());
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        Program program("slow_run_first");
        ASSERT_TRUE(program.copied && program.started);
        ASSERT_TRUE(
            wait_for([&] { return program.running() && program.shown_window(x, main_window_title); }, 90000));
        ASSERT_TRUE(wait_for(second_test_begun, 60000)) << joined(last_run(slow_module));

        // A close request (SIGTERM, SIGHUP) would end the process by force 5 s after it: a normal exit
        // with the loop's result is the program's own end, before that.
        const zvk_test::ProgramEnd end = zvk_test::end_by_signal(program.process, signal);
        ASSERT_TRUE(end.ended);
        EXPECT_EQ(end.status, QProcess::NormalExit);
        EXPECT_EQ(end.code, 0);
        // Stopped as Stop tests stops it: the running test and those after it are aborted (the second
        // and the third, unless a loaded machine delays the request), every test has its end, and the
        // module ended the device and the run.
        const std::vector<std::string> run = last_run(slow_module);
        EXPECT_TRUE(section_closed(run, slow_module)) << joined(run);
        const std::vector<std::string> ends = outcomes(run);
        ASSERT_EQ(ends.size(), 3u) << joined(run);
        EXPECT_EQ(ends.front(), "SUCCESS");
        EXPECT_EQ(ends.back(), "ABORTED") << joined(run);
    }
}

TEST(CloseRequestX, CtrlCWhileTheStartUpShowsTheLogBusyBoxEndsTheProgram) {
    ZVK_REQUIRE_X_SERVER();
    zvk_test::XWindows x(zvk_test::shared_x_server()->display());
    ASSERT_TRUE(x.ok());
    // Bound at start, the module's run cannot begin (its log is busy): the box shows before the window.
    // No translator in the folder, so the box's title is its token.
    Program program("log_busy_run_first");
    ASSERT_TRUE(program.copied && program.started);
    ASSERT_TRUE(wait_for([&] { return program.running() && program.shown_window(x, "LogBusyTitle"); }, 90000))
        << "the box did not show";
    EXPECT_EQ(program.shown_window(x, main_window_title), 0u);

    const zvk_test::ProgramEnd end = zvk_test::end_by_signal(program.process, SIGINT, 15000);
    ASSERT_TRUE(end.ended) << "the program went on after Ctrl+C";
    EXPECT_EQ(end.status, QProcess::NormalExit);
    EXPECT_EQ(end.code, 0);
}

TEST(CloseRequestX, CtrlCInTheFirstOfTheScansBoxesEndsTheProgramWithoutTheOthersOrARun) {
    ZVK_REQUIRE_X_SERVER();
    zvk_test::XWindows x(zvk_test::shared_x_server()->display());
    ASSERT_TRUE(x.ok());
    // Two damaged files come before the module in name order: each would show its "InvalidModule"
    // box, and then the preselected module would begin its run.
    Program program("slow_run_first", {"diag_broken_a.dll", "diag_broken_b.dll"});
    ASSERT_TRUE(program.copied && program.started);
    ASSERT_TRUE(
        wait_for([&] { return program.running() && program.shown_window(x, "InvalidModuleTitle"); }, 90000))
        << "the box did not show";

    const zvk_test::ProgramEnd end = zvk_test::end_by_signal(program.process, SIGINT, 15000);
    ASSERT_TRUE(end.ended) << "the program went on after Ctrl+C (another box, or the window)";
    EXPECT_EQ(end.status, QProcess::NormalExit);
    EXPECT_EQ(end.code, 0);
    EXPECT_TRUE(last_run(slow_module).empty()) << "a run began after Ctrl+C:\n"
                                               << joined(last_run(slow_module));
}

} // namespace
