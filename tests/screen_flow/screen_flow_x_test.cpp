// The screen flow on a real X server, driven with real pointer and key input as a user drives it:
// Esc on the device screen's loading view of a window that was never activated, and bursts of quick
// clicks on the buttons that lead from one screen to the next, which lie on the same spot. Bursts come
// from a thread of their own in real time, so that the program runs between the clicks as it does for
// a user. The program runs
// on its own Xvfb (X_SERVER); without one the tests report themselves skipped.
#include "call_record.h"
#include "event_wait.h"
#include "gui_manager_access.h"
#include "gui_module_window.h"
#include "process_state.h"
#include "secure_library.h"
#include "test_support.h"
#include "x_input.h"
#include "x_server.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QCheckBox>
#include <QListWidget>
#include <QStyle>
#include <QStyleOptionButton>
#include <QMouseEvent>
#include <QStyleHints>
#include <QTest>
#include <QWindow>

#include <sstream>
#include <string>
#include <vector>

using Access = GUIManagerTestAccess;

namespace {

// The time stamps of the presses that reach a window, by the server's clock as Qt hands them on,
// swallowed or not.
class PressTimes : public QObject {
public:
    explicit PressTimes(QWindow* window_) : window(window_) {
        QCoreApplication::instance()->installEventFilter(this);
    }
    ~PressTimes() override { QCoreApplication::instance()->removeEventFilter(this); }
    std::vector<quint64> times;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == window && event->type() == QEvent::MouseButtonPress)
            times.push_back(static_cast<QMouseEvent*>(event)->timestamp());
        return false;
    }

private:
    QWindow* window;
};

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
        // The module's log starts empty: it holds this window's runs alone.
        QFile::remove(QString::fromStdString(zvk_test::system_drive_folder()) + "/zedra/zedra.log");
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
    // The standard module's device list, reached by a click on its button, and the double-click
    // interval of that click past.
    void to_the_device_list(const QString& suffix = QString()) {
        open({"standard"}, suffix);
        QAbstractButton* button = modules->module_button("StandardModule");
        ASSERT_NE(button, nullptr);
        const QPoint at = centre(button);
        pointer->click(at.x(), at.y());
        ASSERT_TRUE(zvk_test::wait_until([&] { return Access::page(w()) == 1; }));
        ASSERT_TRUE(modules->wait_for_devices());
        zvk_test::process_events_for(interval() + 100);
    }
    static int interval() { return QGuiApplication::styleHints()->mouseDoubleClickInterval(); }
    static std::string display() { return zvk_test::shared_x_server()->display(); }
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

// The runs the modules logged, and how many of their tests were aborted.
struct LoggedRuns {
    int runs = 0;
    int aborted = 0;
};
LoggedRuns logged_runs() {
    std::istringstream log(
        zvk_test::read_file(QString::fromStdString(zvk_test::system_drive_folder()) + "/zedra/zedra.log"));
    LoggedRuns logged;
    std::string line;
    while (std::getline(log, line)) {
        logged.runs += line.rfind("+++ ", 0) == 0;
        logged.aborted +=
            line.find(" STOP ") != std::string::npos && line.find(" ABORTED ") != std::string::npos;
    }
    return logged;
}

TEST_F(ScreenFlowX, ABurstOfClicksOnNextOrRunTestsGoesOneScreenOn) {
    // Next, Run tests and Stop tests lie on one spot: every click after the first lands on the button of
    // the screen that the first click showed.
    struct Case {
        bool on_run_tests; // else on Next
        int clicks;
    } cases[] = {{false, 2}, {false, 3}, {false, 5}, {true, 2}, {true, 3}, {true, 5}};
    for (const Case& c : cases) {
        const QString what = QString(c.on_run_tests ? "run_tests_" : "next_") + QString::number(c.clicks);
        SCOPED_TRACE(what.toStdString());
        to_the_device_list(what);
        if (c.on_run_tests) {
            const QPoint next = centre(device_form().next_pushButton);
            pointer->click(next.x(), next.y());
            ASSERT_TRUE(zvk_test::wait_until([&] { return Access::page(w()) == 2; }));
            zvk_test::process_events_for(interval() + 100);
        }
        QWidget* target = c.on_run_tests ? static_cast<QWidget*>(test_form().run_tests_pushButton)
                                         : device_form().next_pushButton;
        const QPoint at = centre(target);
        pointer->move_to(at.x(), at.y());
        zvk_test::process_events_for(30);
        PressTimes presses(w().windowHandle());
        {
            zvk_test::XInputSequence hand(display());
            hand.clicks(c.clicks, 90).start();
            ASSERT_TRUE(zvk_test::wait_until([&] { return hand.done(); }));
        }
        ASSERT_TRUE(zvk_test::wait_until([&] { return int(presses.times.size()) == c.clicks; }));
        for (size_t i = 1; i < presses.times.size(); ++i)
            ASSERT_LT(presses.times[i] - presses.times[i - 1], quint64(interval()))
                << "the server spaced presses " << i - 1 << " and " << i << " further apart than asked";
        zvk_test::process_events_for(interval() + 100); // whatever the later clicks did has happened

        if (!c.on_run_tests) {
            EXPECT_TRUE(covers(test_form().run_tests_pushButton, at));
            EXPECT_EQ(Access::page(w()), 2) << "the burst went past the test screen";
            EXPECT_FALSE(Access::running(w()));
            EXPECT_EQ(logged_runs().runs, 0);
            // A click after the pause is a click of its own: Run tests.
            pointer->click(at.x(), at.y());
            EXPECT_TRUE(zvk_test::wait_until([&] { return Access::page(w()) == 3 && Access::running(w()); }));
        } else {
            EXPECT_TRUE(covers(progress_form().stop_tests_pushButton, at));
            EXPECT_EQ(Access::page(w()), 3);
            EXPECT_FALSE(Access::stopped(w())) << "the burst stopped the run it started";
        }
        ASSERT_TRUE(zvk_test::wait_until([&] { return Access::finished(w()); }, 30000));
        EXPECT_EQ(progress_form().tests_results_label->text().toStdString(),
                  "<font color='Green'><strong>AllPassed.</strong></font>");
        const LoggedRuns logged = logged_runs();
        EXPECT_EQ(logged.runs, 1);
        EXPECT_EQ(logged.aborted, 0);
        if (c.on_run_tests && c.clicks == 5) {
            zvk_test::process_events_for(100); // the summary laid out
            w().grab().save(qEnvironmentVariable("ZVK_TEST_WORK_DIR") + "/burst_on_run_tests.png");
        }
    }
}

TEST_F(ScreenFlowX, APressElsewhereWithinTheDoubleClickIntervalActs) {
    to_the_device_list();
    const QPoint next = centre(device_form().next_pushButton);
    // Should the machine hold a press back past the interval, the attempt shows nothing: another one.
    bool within = false;
    for (int attempt = 0; attempt < 5 && !within; ++attempt) {
        SCOPED_TRACE(attempt);
        PressTimes presses(w().windowHandle());
        pointer->move_to(next.x(), next.y());
        zvk_test::process_events_for(30);
        QElapsedTimer since_next;
        pointer->press();
        since_next.start();
        pointer->release();
        ASSERT_TRUE(zvk_test::wait_until([&] { return Access::page(w()) == 2; }));
        QPushButton* back = test_form().back_pushButton;
        const QPoint at = centre(back);
        ASSERT_FALSE(covers(back, next));
        pointer->move_to(at.x(), at.y());
        while (since_next.elapsed() < 250)
            zvk_test::process_events_for(5);
        pointer->press();
        pointer->release();
        EXPECT_TRUE(zvk_test::wait_until([&] { return Access::page(w()) == 1; }))
            << "Back, pressed 250 ms after Next, did nothing";
        ASSERT_TRUE(modules->wait_for_devices());
        ASSERT_EQ(presses.times.size(), 2u);
        within = presses.times[1] - presses.times[0] < quint64(interval());
        zvk_test::process_events_for(interval() + 100);
    }
    EXPECT_TRUE(within) << "no attempt had its two presses within the double-click interval";
    EXPECT_EQ(logged_runs().runs, 0);
}

// Stop tests makes the standard module return its remaining tests at once: the run ends a few
// milliseconds after the click, and View logs takes Stop's spot before the next click of a double click.
TEST_F(ScreenFlowX, ABurstOfClicksOnStopTestsLeavesTheAbortedRunOnView) {
    for (int clicks : {2, 3}) {
        SCOPED_TRACE(clicks);
        to_the_device_list(QString::number(clicks));
        const QPoint at = centre(device_form().next_pushButton);
        pointer->click(at.x(), at.y());
        ASSERT_TRUE(zvk_test::wait_until([&] { return Access::page(w()) == 2; }));
        zvk_test::process_events_for(interval() + 100);
        pointer->click(at.x(), at.y());
        ASSERT_TRUE(zvk_test::wait_until([&] { return Access::page(w()) == 3 && Access::running(w()); }));
        zvk_test::process_events_for(interval() + 100);
        ASSERT_TRUE(Access::running(w())) << "the run ended before Stop";
        ASSERT_TRUE(covers(progress_form().stop_tests_pushButton, at));

        PressTimes presses(w().windowHandle());
        {
            zvk_test::XInputSequence hand(display());
            hand.clicks(clicks, 90).start();
            ASSERT_TRUE(zvk_test::wait_until([&] { return hand.done(); }));
        }
        ASSERT_TRUE(zvk_test::wait_until([&] { return int(presses.times.size()) == clicks; }));
        for (size_t i = 1; i < presses.times.size(); ++i)
            ASSERT_LT(presses.times[i] - presses.times[i - 1], quint64(interval()));
        zvk_test::process_events_for(interval() + 100);

        EXPECT_TRUE(Access::stopped(w()));
        EXPECT_TRUE(Access::finished(w())) << "the run did not end between the clicks";
        EXPECT_TRUE(covers(progress_form().view_logs_pushButton, at));
        EXPECT_EQ(Access::page(w()), 3) << "the burst opened the log screen";
        EXPECT_GT(logged_runs().aborted, 0);
        if (clicks == 3)
            w().grab().save(qEnvironmentVariable("ZVK_TEST_WORK_DIR") + "/burst_on_stop_tests.png");

        // A click after the pause is a click of its own: View logs.
        pointer->click(at.x(), at.y());
        EXPECT_TRUE(zvk_test::wait_until([&] { return Access::page(w()) == 4; }));
    }
}

// The device screen's first row lies where the test screen has no button: a click there, Esc back to
// the device screen, and a click on the same spot within the double-click interval.
TEST_F(ScreenFlowX, AClickAfterEscIsNotTakenForTheBurstOfTheClickBefore) {
    to_the_device_list();
    QListWidget* list = device_form().device_listWidget;
    const std::string first_id = Access::check_states(Access::device_screen(w())).firstKey();
    auto* box = qobject_cast<QCheckBox*>(list->itemWidget(list->item(0)));
    ASSERT_NE(box, nullptr);
    // The box takes clicks on its mark and its text only, not on the rest of its row.
    QStyleOptionButton option;
    option.initFrom(box);
    const QPoint spot =
        box->mapToGlobal(box->style()->subElementRect(QStyle::SE_CheckBoxClickRect, &option, box).center());
    const QPoint next = centre(device_form().next_pushButton);
    pointer->click(next.x(), next.y());
    ASSERT_TRUE(zvk_test::wait_until([&] { return Access::page(w()) == 2; }));
    zvk_test::process_events_for(interval() + 100);

    bool within = false;
    for (int attempt = 0; attempt < 5 && !within; ++attempt) {
        SCOPED_TRACE(attempt);
        const int before = Access::check_states(Access::device_screen(w())).value(first_id);
        PressTimes presses(w().windowHandle());
        {
            zvk_test::XInputSequence hand(display());
            hand.click(spot.x(), spot.y())
                .pause(40)
                .tap("Escape")
                .pause(120)
                .click(spot.x(), spot.y())
                .start();
            ASSERT_TRUE(zvk_test::wait_until([&] { return hand.done(); }));
        }
        ASSERT_TRUE(zvk_test::wait_until([&] { return presses.times.size() == 2u; }));
        zvk_test::process_events_for(interval() + 100);
        ASSERT_EQ(Access::page(w()), 1);
        within = presses.times[1] - presses.times[0] < quint64(interval());
        if (within) {
            EXPECT_NE(Access::check_states(Access::device_screen(w())).value(first_id), before)
                << "the click on the device's box after Esc was swallowed";
        }
        // Back to the test screen for the next attempt.
        pointer->click(next.x(), next.y());
        ASSERT_TRUE(zvk_test::wait_until([&] { return Access::page(w()) == 2; }));
        zvk_test::process_events_for(interval() + 100);
    }
    EXPECT_TRUE(within) << "no attempt had its two presses within the double-click interval";
}

} // namespace
