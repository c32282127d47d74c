// The screen flow on a real X server, driven with real pointer and key input as a user drives it:
// Esc on the device screen's loading view of a window that was never activated. The program runs on
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
    Ui_device_Frame& device_form() { return Access::form(Access::device_screen(w())); }

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

} // namespace
