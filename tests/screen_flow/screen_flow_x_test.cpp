// The screen flow on a real X server, driven with real pointer and key input as a user drives it:
// Esc on the device screen's loading view of a window that was never activated, and double clicks on
// the buttons that lead from one screen to the next, which lie on the same spot. The program runs on
// its own Xvfb (X_SERVER); without one the tests report themselves skipped.
#include "call_record.h"
#include "event_wait.h"
#include "gui_manager_access.h"
#include "gui_module_window.h"
#include "secure_library.h"
#include "x_input.h"
#include "x_server.h"

#include <gtest/gtest.h>

#include <QTest>

#include <chrono>
#include <thread>

using Access = GUIManagerTestAccess;

namespace {

class ScreenFlowX : public ::testing::Test {
protected:
    void SetUp() override {
        ZVK_REQUIRE_X_SERVER();
        const std::string display = zvk_test::shared_x_server()->display();
        pointer.reset(new zvk_test::XPointer(display));
        keyboard.reset(new zvk_test::XKeyboard(display));
        ASSERT_TRUE(pointer->ok() && keyboard->ok()) << "no XTEST on the server";
    }
    void TearDown() override { close_window(); }

    // A new window, shown and never activated: the server has no window manager to activate it.
    void open(const QStringList& stems, const QString& suffix = QString()) {
        close_window();
        const QString name = ::testing::UnitTest::GetInstance()->current_test_info()->name() + suffix;
        modules.reset(new zvk_test::ModuleWindow(name, stems));
        w().move(100, 120);
        w().show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w()));
        pointer->move_to(5, 5); // away from the window, so that the first motion enters it
        zvk_test::process_events_for(50);
    }
    void close_window() {
        gate.open(); // a held enumeration returns, so that the window can end its worker
        modules.reset();
    }
    GUIManager& w() { return modules->window(); }
    QPoint centre(QWidget* widget) { return widget->mapToGlobal(widget->rect().center()); }
    // Whether the widget lies under the screen point, where the second click of a double click lands.
    bool covers(QWidget* widget, QPoint at) { return widget->rect().contains(widget->mapFromGlobal(at)); }
    // Clicks as xdotool's "click --repeat 2" does: two clicks 100 ms apart by the server's clock,
    // within Qt's double-click interval however slowly the window then handles them.
    void double_click(QWidget* widget) {
        const QPoint at = centre(widget);
        pointer->move_to(at.x(), at.y());
        zvk_test::process_events_for(30);
        pointer->press();
        pointer->release();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        pointer->press();
        pointer->release();
        zvk_test::process_events_for(200);
    }
    // The standard module's device list, reached by a click on its button, and the double-click
    // interval of that click past.
    void to_the_device_list() {
        open({"standard"});
        QAbstractButton* button = modules->module_button("StandardModule");
        ASSERT_NE(button, nullptr);
        const QPoint at = centre(button);
        pointer->click(at.x(), at.y());
        ASSERT_TRUE(zvk_test::wait_until([&] { return Access::page(w()) == 1; }));
        ASSERT_TRUE(modules->wait_for_devices());
        zvk_test::process_events_for(500);
    }
    Ui_device_Frame& device_form() { return Access::form(Access::device_screen(w())); }
    Ui_test_Frame& test_form() { return Access::form(Access::test_screen(w())); }
    Ui_progress_Frame& progress_form() { return Access::progress_form(w()); }

    std::unique_ptr<zvk_test::XPointer> pointer;
    std::unique_ptr<zvk_test::XKeyboard> keyboard;
    zvk_test_modules::EnumerationGate gate; // outlives every window, which unmaps the module
    std::unique_ptr<zvk_test::ModuleWindow> modules;
};

TEST_F(ScreenFlowX, EscLeavesTheLoadingDeviceScreenOfAWindowNotYetActivated) {
    // The loss depended on when the activation that the click asks for arrives: several windows.
    for (int attempt = 0; attempt < 6; ++attempt) {
        SCOPED_TRACE(attempt);
        open({"slow"}, QString::number(attempt));
        ASSERT_FALSE(w().isActiveWindow());
        // The module's enumeration hangs: the loading view stays until the user leaves it.
        gate.close();
        gate.install(Access::module(w(), "SlowModule")->resolve("zvk_hold_enumeration"));
        QAbstractButton* button = modules->module_button("SlowModule");
        ASSERT_NE(button, nullptr);
        const QPoint at = centre(button);
        pointer->click(at.x(), at.y()); // one instant press and release
        ASSERT_TRUE(zvk_test::wait_until([&] { return Access::page(w()) == 1; }));
        ASSERT_FALSE(device_form().loading_frame->isHidden());
        keyboard->tap("Escape"); // at once, while the activation the click asked for may still come
        EXPECT_TRUE(zvk_test::wait_until([&] { return Access::page(w()) == 0; }, 2000))
            << "Esc was lost on the loading view";
        EXPECT_EQ(Access::current_screen(w()), ScreenBit::Main);
    }
}

TEST_F(ScreenFlowX, ADoubleClickOnNextShowsTheTestScreen) {
    to_the_device_list();
    // Next and Run tests lie on the same spot: the second click lands on Run tests.
    const QPoint next = centre(device_form().next_pushButton);
    double_click(device_form().next_pushButton);
    EXPECT_FALSE(Access::running(w())) << "the second click started the run";
    ASSERT_EQ(Access::page(w()), 2);
    EXPECT_TRUE(covers(test_form().run_tests_pushButton, next));

    // A click past the interval is a click of its own.
    zvk_test::process_events_for(500);
    pointer->click(next.x(), next.y());
    EXPECT_TRUE(zvk_test::wait_until([&] { return Access::page(w()) == 3 && Access::running(w()); }));
}

TEST_F(ScreenFlowX, ADoubleClickOnRunTestsRunsWithoutStopping) {
    to_the_device_list();
    const QPoint next = centre(device_form().next_pushButton);
    pointer->click(next.x(), next.y());
    ASSERT_TRUE(zvk_test::wait_until([&] { return Access::page(w()) == 2; }));
    zvk_test::process_events_for(500);

    // Run tests and Stop tests lie on the same spot: the second click lands on Stop tests.
    const QPoint run = centre(test_form().run_tests_pushButton);
    double_click(test_form().run_tests_pushButton);
    ASSERT_EQ(Access::page(w()), 3);
    EXPECT_TRUE(covers(progress_form().stop_tests_pushButton, run));
    EXPECT_FALSE(Access::stopped(w())) << "the second click stopped the run";
    ASSERT_TRUE(zvk_test::wait_until([&] { return Access::finished(w()); }, 30000));
    EXPECT_EQ(progress_form().tests_results_label->text().toStdString(),
              "<font color='Green'><strong>AllPassed.</strong></font>");
}

} // namespace
