// The log screen: the bound module's sections of the newest run, or a message saying why there are
// none, and its way back.
#include "event_wait.h"
#include "gui_manager_access.h"
#include "log_fixture.h"
#include "log_html.h"
#include "log_reader.h"
#include "log_run_pager.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QKeyEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextEdit>

#include <optional>

using Access = GUIManagerTestAccess;
using namespace log_fixture;

namespace {

const std::int64_t run_key = 1796811300; // 2026-12-09 10:15:00 UTC
const std::int64_t later_key = run_key + 600;

class LogScreen : public Window {
protected:
    GUILogScreen& screen() { return Access::log_screen(w()); }
    QTextEdit* view() { return screen().findChild<QTextEdit*>("html_log_textEdit"); }
    QString shown() { return view()->toPlainText(); }
    // show_log, and the wait until its text is in the view.
    void show(const QString& module, std::int64_t run) {
        QSignalSpy done(&screen(), SIGNAL(log_shown()));
        screen().show_log(module, std::uint64_t(run));
        ASSERT_TRUE(done.count() > 0 || done.wait(60000));
        EXPECT_FALSE(screen().reading());
    }
};

struct MessageCase {
    const char* what;
    std::optional<std::string> log; // none: no log file
    const char* module;
    std::int64_t run;
    const char* message;
};

TEST_F(LogScreen, ShowsWhyNothingOfTheRunIsThere) {
    const MessageCase cases[] = {
        {"no log file", std::nullopt, "StandardModule", run_key, "LogFileNotFound"},
        {"empty log", "", "StandardModule", run_key, "IntervalLogNotFound"},
        {"lines that form no run", "UID: DEVICE_0\nSTART TESTS\nsome words\n--- StandardModule\n",
         "StandardModule", run_key, "IntervalLogNotFound"},
        {"another run logged later",
         section("StandardModule", run_key, "Disk A") + section("StandardModule", later_key, "Disk B"),
         "StandardModule", run_key, "IntervalLogNotFound"},
        {"no section of the module", section("OtherModule", run_key, "Disk A"), "StandardModule", run_key,
         "IntervalLogNotFound"},
        {"no run made yet", section("StandardModule", run_key, "Disk A"), "StandardModule", 0,
         "IntervalLogNotFound"},
    };
    for (const MessageCase& c : cases) {
        SCOPED_TRACE(c.what);
        remove_log_folder();
        if (c.log)
            write_log(*c.log);
        // Each showing replaces what the view held before.
        view()->setText("<b>earlier</b> text");
        show(c.module, c.run);
        EXPECT_EQ(shown(), c.message);
    }
}

TEST_F(LogScreen, MissingFolderIsMadeAndTheFileReportedMissing) {
    remove_log_folder();
    show("StandardModule", run_key);
    EXPECT_EQ(shown(), "LogFileNotFound");
    EXPECT_TRUE(QDir(log_folder()).exists());
}

struct ContentCase {
    const char* what;
    std::string log;
    const char* module;
    std::int64_t run;
    QStringList shown;
    QStringList hidden;
};

TEST_F(LogScreen, ShowsTheModulesSectionsOfTheNewestRun) {
    const ContentCase cases[] = {
        {"the module's section beside another module's",
         section("OtherModule", run_key, "Disk B") + section("StandardModule", run_key, "Disk A"),
         "StandardModule",
         run_key,
         {"Disk A", "TM-HD-100", "1-0-0-0-0"},
         {"Disk B"}},
        {"a section name in other letter case",
         section("STANDARDMODULE", run_key, "Disk A"),
         "StandardModule",
         run_key,
         {"Disk A"},
         {}},
        {"an older run of the module before it",
         section("StandardModule", run_key - 3600, "Disk Old") + section("StandardModule", run_key, "Disk A"),
         "StandardModule",
         run_key,
         {"Disk A"},
         {"Disk Old"}},
        {"a section left open: broken",
         section("StandardModule", run_key, "Disk A", false) + section("OtherModule", run_key, "Disk B"),
         "StandardModule",
         run_key,
         {"Disk A", "LogBroken"},
         {"Disk B"}},
        {"a module named ALL: every section of the newest run, whatever its start",
         section("StandardModule", run_key - 3600, "Disk Old") +
             section("StandardModule", run_key, "Disk A") + section("OtherModule", run_key, "Disk B"),
         "all",
         12345,
         {"Disk A", "Disk B"},
         {"Disk Old"}},
    };
    for (const ContentCase& c : cases) {
        SCOPED_TRACE(c.what);
        write_log(c.log);
        view()->setText("earlier text");
        show(c.module, c.run);
        const QString text = shown();
        for (const QString& part : c.shown)
            EXPECT_TRUE(text.contains(part)) << part.toStdString() << " in\n" << text.toStdString();
        for (const QString& part : c.hidden)
            EXPECT_FALSE(text.contains(part)) << part.toStdString() << " in\n" << text.toStdString();
        EXPECT_FALSE(text.contains("earlier text"));
    }
}

TEST_F(LogScreen, ViewHoldsExactlyTheRenderedHtml) {
    write_log(section("StandardModule", run_key, "Disk A") + section("OtherModule", run_key, "Disk B"));
    show("StandardModule", run_key);

    LogReader reader;
    ASSERT_EQ(reader.open(), 0);
    reader.parse();
    LogHtml html;
    html.add_group(reader.last_group(), run_key, "StandardModule");
    EXPECT_EQ(view_content(view()), content_of(html.html()));
}

// The log is read on a thread of its own: meanwhile nothing of an earlier run is in view, and a later
// showing, or leaving the page, gives the read up.
TEST_F(LogScreen, ReadUnderWayIsGivenUpByTheNextOrByLeaving) {
    std::string log;
    for (int i = 0; i < 3000; ++i)
        log += section("StandardModule", run_key - 3600 * (3000 - i), "Disk " + std::to_string(i));
    write_log(log + section("StandardModule", run_key, "Disk A") + section("OtherModule", run_key, "Disk B"));
    QSignalSpy done(&screen(), SIGNAL(log_shown()));
    view()->setText("earlier text");
    screen().show_log("OtherModule", run_key);
    EXPECT_TRUE(screen().reading());
    EXPECT_TRUE(view()->document()->isEmpty());
    show("StandardModule", run_key);
    EXPECT_EQ(done.count(), 1);
    EXPECT_TRUE(shown().contains("Disk A"));
    EXPECT_FALSE(shown().contains("Disk B"));
    EXPECT_FALSE(done.wait(500));

    // Leaving the page while the log is read.
    w().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w()));
    Access::used_screens(w()) = 2 | 32 | 64;
    Access::first_screen(w()) = 2;
    Access::set_run(w(), "StandardModule", run_key);
    Access::set_screen(w(), 32);
    EXPECT_TRUE(screen().reading());
    QTest::keyClick(&screen(), Qt::Key_Escape);
    EXPECT_EQ(Access::page(w()), 0);
    EXPECT_FALSE(screen().reading());
    EXPECT_FALSE(done.wait(500));
}

// While the log is read the busy cursor is over the view (its text, frame and scroll bars); it goes
// when the text or the message comes, and when the read is given up.
TEST_F(LogScreen, BusyCursorWhileTheLogIsRead) {
    const log_fixture::ViewCursor cursor(view());
    ASSERT_FALSE(cursor.busy());
    write_log(section("StandardModule", run_key, "Disk A"));
    for (const char* module : {"StandardModule", "OtherModule"}) { // the run's text, then a message
        SCOPED_TRACE(module);
        QSignalSpy done(&screen(), SIGNAL(log_shown()));
        screen().show_log(module, std::uint64_t(run_key));
        EXPECT_TRUE(cursor.busy()); // the text comes through the event loop, later
        ASSERT_TRUE(done.wait(60000));
        EXPECT_TRUE(cursor.normal());
    }

    // Given up by the next showing, which is busy in its turn, and by leaving the page.
    screen().show_log("OtherModule", std::uint64_t(run_key));
    QSignalSpy done(&screen(), SIGNAL(log_shown()));
    screen().show_log("StandardModule", std::uint64_t(run_key));
    EXPECT_TRUE(cursor.busy());
    ASSERT_TRUE(done.wait(60000));
    EXPECT_TRUE(cursor.normal());
    w().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w()));
    Access::used_screens(w()) = 2 | 32 | 64;
    Access::first_screen(w()) = 2;
    Access::set_run(w(), "StandardModule", run_key);
    Access::set_screen(w(), 32);
    EXPECT_TRUE(cursor.busy());
    QTest::keyClick(&screen(), Qt::Key_Escape);
    EXPECT_TRUE(cursor.normal());

    // Without a log file the message comes at once: the cursor never changes.
    remove_log_folder();
    screen().show_log("StandardModule", std::uint64_t(run_key));
    EXPECT_TRUE(cursor.normal());
    EXPECT_EQ(shown(), "LogFileNotFound");
}

// A run of many records (a failing disk's bad sectors) is shown as a long past-logs result is, a piece
// at a time: the window's thread never renders or lays out the whole run. Only the module's section
// of the run is there, and every record can be reached.
TEST_F(LogScreen, RunOfManyRecordsIsShownInPieces) {
    const int records = 3000;
    write_log(section("StandardModule", run_key - 3600, "Disk 0") +
              long_section("StandardModule", run_key, "Failing disk", records) +
              section("OtherModule", run_key, "Disk B"));
    show("StandardModule", run_key);
    LogRunPager* pager = screen().pager();
    ASSERT_TRUE(pager->active());
    ASSERT_TRUE(zvk_test::wait_until([&] { return pager->settled(); }, 60000));
    EXPECT_EQ(pager->first_run(), 0);
    EXPECT_LE(pager->runs_in_document(), 3);
    EXPECT_TRUE(shown().contains("Failing disk"));
    EXPECT_FALSE(shown().contains("Warning BadSector " + QString::number(1000 + records - 1)));
    QTest::keyClick(view(), Qt::Key_End);
    ASSERT_TRUE(zvk_test::wait_until([&] { return pager->settled(); }, 60000));
    EXPECT_TRUE(shown().contains("Warning BadSector " + QString::number(1000 + records - 1)));
    EXPECT_TRUE(shown().trimmed().endsWith("Stop tests"));
    EXPECT_FALSE(shown().contains("Disk B"));
    EXPECT_FALSE(shown().contains("Disk 0"));

    // Another showing gives the pieces up.
    write_log(section("StandardModule", run_key, "Disk A"));
    show("StandardModule", run_key);
    EXPECT_FALSE(pager->active());
    EXPECT_TRUE(shown().contains("Disk A"));
}

class LogScreenFlow : public LogScreen {
protected:
    void SetUp() override {
        LogScreen::SetUp();
        // Main, tests and log: Back from the log screen leads to the test screen.
        Access::used_screens(w()) = 2 | 8 | 32 | 64;
        Access::first_screen(w()) = 2;
        Access::set_run(w(), "StandardModule", run_key);
        write_log(section("StandardModule", run_key, "Disk A"));
        show_page();
    }
    void show_page() {
        QSignalSpy done(&screen(), SIGNAL(log_shown()));
        Access::set_screen(w(), 32);
        ASSERT_TRUE(done.count() > 0 || done.wait(60000));
    }
    void expect_still_on_log_screen() {
        EXPECT_EQ(Access::current_screen(w()), 32);
        EXPECT_EQ(Access::page(w()), 4);
    }
};

TEST_F(LogScreenFlow, ShowingTheScreenRendersTheRunJustMade) {
    expect_still_on_log_screen();
    EXPECT_TRUE(shown().contains("Disk A"));
}

TEST_F(LogScreenFlow, EscAndBackGoToThePreviousScreen) {
    QTest::keyClick(&screen(), Qt::Key_Escape);
    EXPECT_EQ(Access::current_screen(w()), 8);
    EXPECT_EQ(Access::page(w()), 2);

    show_page();
    screen().findChild<QPushButton*>("back_pushbutton")->click();
    EXPECT_EQ(Access::current_screen(w()), 8);
    EXPECT_EQ(Access::page(w()), 2);
}

TEST_F(LogScreenFlow, BackToMenuGoesToTheFirstScreen) {
    QSignalSpy init(&w(), SIGNAL(init_screens(int)));
    screen().findChild<QPushButton*>("backToMenu_pushbutton")->click();
    EXPECT_EQ(init.count(), 1);
    EXPECT_EQ(Access::current_screen(w()), 2);
    EXPECT_EQ(Access::page(w()), 0);
}

TEST_F(LogScreenFlow, OtherKeysStopAtTheScreenAndDoNothing) {
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Backspace, Qt::Key_A, Qt::Key_Left}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(&screen(), &press);
        EXPECT_TRUE(press.isAccepted()) << key;
    }
    expect_still_on_log_screen();
    EXPECT_TRUE(shown().contains("Disk A"));
}

} // namespace
