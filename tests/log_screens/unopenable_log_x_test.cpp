// A folder where the modules' log should be, met as a user meets it on a real X server with real
// pointer input: a whole run of the standard module (which cannot log it), then View logs and the
// past logs of today. Both views say that the log file cannot be opened, rather than that it holds no
// run. The program runs on its own Xvfb (X_SERVER); without one the test reports itself skipped.
#include "event_wait.h"
#include "gui_manager_access.h"
#include "gui_module_window.h"
#include "x_input.h"
#include "x_server.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>

using Access = GUIManagerTestAccess;

namespace {

class UnopenableLogX : public ::testing::Test {
protected:
    void SetUp() override {
        ZVK_REQUIRE_X_SERVER();
        pointer.reset(new zvk_test::XPointer(zvk_test::shared_x_server()->display()));
        ASSERT_TRUE(pointer->ok()) << "no XTEST on the server";
        QDir(log_folder()).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(log_path()));
        ASSERT_TRUE(zvk_test::write_file(log_path() + "/zedra.log", "+++ 20261209T101502UTC STORAGE 1\n"));

        modules.reset(new zvk_test::ModuleWindow(
            ::testing::UnitTest::GetInstance()->current_test_info()->name(), {"standard"}));
        w().move(0, 0);
        w().resize(1024, 768);
        w().show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w()));
        pointer->move_to(1200, 850); // away from the window, so that the first motion enters it
        zvk_test::process_events_for(50);
    }
    void TearDown() override {
        modules.reset();
        pointer.reset();
        QDir(log_folder()).removeRecursively();
    }
    static QString log_folder() { return qEnvironmentVariable("ZVK_DRIVE_C") + "/zedra"; }
    static QString log_path() { return log_folder() + "/zedra.log"; }
    GUIManager& w() { return modules->window(); }

    // One click in the middle of the widget; then a pause past the double-click interval, since the
    // buttons that lead on lie on one spot.
    void click(QWidget* widget) {
        ASSERT_NE(widget, nullptr);
        const QPoint at = widget->mapToGlobal(widget->rect().center());
        pointer->move_to(at.x(), at.y());
        zvk_test::process_events_for(30);
        pointer->press();
        pointer->release();
        zvk_test::process_events_for(QApplication::doubleClickInterval() + 100);
    }
    void screenshot(const char* name) {
        w().grab().save(qEnvironmentVariable("ZVK_TEST_WORK_DIR") + "/" + name);
    }

    std::unique_ptr<zvk_test::XPointer> pointer;
    std::unique_ptr<zvk_test::ModuleWindow> modules;
};

TEST_F(UnopenableLogX, BothLogViewsSayTheLogFileIsNotFound) {
    click(modules->module_button("StandardModule"));
    ASSERT_TRUE(
        zvk_test::wait_until([this] { return Access::page(w()) == 1 && !Access::switch_pending(w()); }));
    ASSERT_TRUE(modules->wait_for_devices());
    click(Access::form(Access::device_screen(w())).next_pushButton);
    ASSERT_TRUE(zvk_test::wait_until([this] { return Access::page(w()) == 2; }));
    click(Access::form(Access::test_screen(w())).run_tests_pushButton);
    ASSERT_TRUE(zvk_test::wait_until([this] { return Access::finished(w()); }, 60000));

    // View logs.
    click(Access::progress_form(w()).view_logs_pushButton);
    ASSERT_TRUE(zvk_test::wait_until([this] { return Access::page(w()) == 4; }));
    GUILogScreen& log_screen = Access::log_screen(w());
    ASSERT_TRUE(zvk_test::wait_until([&] { return !log_screen.reading(); }, 60000));
    EXPECT_EQ(log_screen.findChild<QTextEdit*>("html_log_textEdit")->toPlainText().toStdString(),
              "LogFileNotFound");
    screenshot("view_logs.png");

    // Back to the menu, then the past logs of today.
    click(log_screen.findChild<QPushButton*>("backToMenu_pushbutton"));
    ASSERT_TRUE(zvk_test::wait_until([this] { return Access::page(w()) == 0; }));
    click(Access::form(Access::main_screen(w())).past_logs_pushButton);
    ASSERT_TRUE(zvk_test::wait_until([this] { return Access::page(w()) == 5; }));
    GUILogSelectionScreen& past = Access::log_selection_screen(w());
    QFrame* bar = past.findChild<QFrame*>("log_status_frame");
    ASSERT_TRUE(bar->isHidden());
    click(past.findChild<QPushButton*>("search_pushButton"));
    ASSERT_TRUE(zvk_test::wait_until([&] { return !past.searching() && !bar->isHidden(); }, 60000));
    EXPECT_EQ(past.findChild<QLabel*>("log_status_label")->text().toStdString(), "LogFileNotFound");
    EXPECT_TRUE(past.findChild<QTextEdit*>("html_log_textEdit")->document()->isEmpty());
    screenshot("past_logs.png");

    // The folder stays as it was.
    EXPECT_TRUE(QFileInfo(log_path()).isDir());
    EXPECT_EQ(zvk_test::read_file(log_path() + "/zedra.log"), "+++ 20261209T101502UTC STORAGE 1\n");
}

} // namespace
