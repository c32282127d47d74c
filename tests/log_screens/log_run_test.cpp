// A run made through the window with the packed test modules, then its log: View logs shows the
// run's section, and the past-logs page finds it among today's runs.
#include "event_wait.h"
#include "gui_manager_access.h"
#include "gui_message_boxes.h"
#include "gui_module_window.h"
#include "log_html.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFrame>
#include <QPushButton>
#include <QTextEdit>

using Access = GUIManagerTestAccess;

namespace {

class LogOfARun : public ::testing::Test {
protected:
    void SetUp() override { QFile::remove(qEnvironmentVariable("ZVK_DRIVE_C") + "/zedra/zedra.log"); }

    // Chooses the module, keeps its devices and tests as offered (all of them), runs them and waits
    // for the end of the run.
    void run(const QStringList& stems, const QString& module) {
        modules.reset(new zvk_test::ModuleWindow(
            ::testing::UnitTest::GetInstance()->current_test_info()->name(), stems));
        ASSERT_TRUE(modules->choose(module));
        ASSERT_EQ(Access::page(w()), 1);
        Access::form(Access::device_screen(w())).next_pushButton->click();
        ASSERT_EQ(Access::page(w()), 2);
        Access::form(Access::test_screen(w())).run_tests_pushButton->click();
        ASSERT_EQ(Access::page(w()), 3);
        ASSERT_TRUE(zvk_test::wait_until([&] { return Access::finished(w()); }, 60000));
    }
    GUIManager& w() { return modules->window(); }
    // The log screen's text, once the read that showing it started has brought it.
    QString log_view_text() {
        GUILogScreen& screen = Access::log_screen(w());
        EXPECT_TRUE(zvk_test::wait_until([&] { return !screen.reading(); }, 60000));
        return screen.findChild<QTextEdit*>("html_log_textEdit")->toPlainText();
    }
    static QString code(const char* log_code) { return QString::fromStdString(translate_log_code(log_code)); }

    zvk_test::MessageBoxCloser boxes;
    std::unique_ptr<zvk_test::ModuleWindow> modules;
};

TEST_F(LogOfARun, ViewLogsShowsTheRunAndPastLogsFindsIt) {
    run({"standard"}, "StandardModule");
    Access::progress_form(w()).view_logs_pushButton->click();
    ASSERT_EQ(Access::page(w()), 4);
    const QString shown = log_view_text();
    for (const QString& part :
         {QString("HardDisk 0"), QString("HardDisk 1"), QString("SolidStateDisk 2"), QString("3-0-0-0-0"),
          code("READ_TEST"), code("WRITE_TEST"), code("VERIFY_TEST"), code("SUCCESS")})
        EXPECT_TRUE(shown.contains(part)) << part.toStdString() << " in\n" << shown.toStdString();

    // Back to the menu, then the past logs of today.
    Access::log_screen(w()).findChild<QPushButton*>("backToMenu_pushbutton")->click();
    ASSERT_EQ(Access::page(w()), 0);
    Access::form(Access::main_screen(w())).past_logs_pushButton->click();
    ASSERT_EQ(Access::page(w()), 5);
    GUILogSelectionScreen& past = Access::log_selection_screen(w());
    past.findChild<QPushButton*>("search_pushButton")->click();
    ASSERT_TRUE(zvk_test::wait_until([&] { return !past.searching(); }, 60000));
    EXPECT_TRUE(past.findChild<QFrame*>("log_status_frame")->isHidden());
    const QString listed = past.findChild<QTextEdit*>("html_log_textEdit")->toPlainText();
    for (const QString& part : {QString("HardDisk 0"), QString("SolidStateDisk 2"), code("VERIFY_TEST")})
        EXPECT_TRUE(listed.contains(part)) << part.toStdString() << " in\n" << listed.toStdString();
}

TEST_F(LogOfARun, ModuleLoggingUnderAnotherNameHasNoLogToShow) {
    run({"other_section"}, "OtherSectionModule");
    Access::progress_form(w()).view_logs_pushButton->click();
    ASSERT_EQ(Access::page(w()), 4);
    EXPECT_EQ(log_view_text(), "IntervalLogNotFound");
}

} // namespace
