// The frameless window on a real X server, moved and clicked with real pointer input: the title-area
// drag, the double click, the drag out of the maximized state, and a module button that binds its
// module. The program runs on its own Xvfb (X_SERVER); without one the tests report themselves skipped.
#include "event_wait.h"
#include "gui_manager_access.h"
#include "gui_module_window.h"
#include "x_input.h"
#include "x_server.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <QTest>

using Access = GUIManagerTestAccess;

namespace {

class WindowFrameX : public ::testing::Test {
protected:
    void SetUp() override {
        ZVK_REQUIRE_X_SERVER();
        pointer.reset(new zvk_test::XPointer(zvk_test::shared_x_server()->display()));
        ASSERT_TRUE(pointer->ok()) << "no XTEST on the server";
    }
    void open(const QStringList& stems) {
        const QString name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        modules.reset(new zvk_test::ModuleWindow(name, stems));
        w().move(start);
        w().show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w()));
        ASSERT_TRUE(zvk_test::wait_until([this] { return w().pos() == start; })) << "window placed";
        // The pointer starts away from the window, so the first motion enters it as a hand would.
        pointer->move_to(5, 5);
        zvk_test::process_events_for(50);
    }
    void TearDown() override { modules.reset(); }
    GUIManager& w() { return modules->window(); }
    Ui_main_window& ui() { return Access::form(w()); }
    QPoint logo_centre() { return ui().label->mapToGlobal(ui().label->rect().center()); }
    // Moves the pointer in small steps, as a hand does, letting the window follow each one.
    void glide(QPoint from, QPoint to) {
        const int steps = 8;
        for (int i = 1; i <= steps; ++i) {
            pointer->move_to(from.x() + (to.x() - from.x()) * i / steps,
                             from.y() + (to.y() - from.y()) * i / steps);
            zvk_test::process_events_for(10);
        }
    }
    void double_click(QPoint at) {
        pointer->move_to(at.x(), at.y());
        zvk_test::process_events_for(30);
        pointer->press();
        pointer->release();
        pointer->press();
        pointer->release();
    }

    const QPoint start{100, 120};
    std::unique_ptr<zvk_test::XPointer> pointer;
    std::unique_ptr<zvk_test::ModuleWindow> modules;
};

TEST_F(WindowFrameX, DraggingTheLogoMovesTheWindow) {
    open({});
    const QPoint from = logo_centre();
    pointer->move_to(from.x(), from.y());
    zvk_test::process_events_for(30);
    pointer->press();
    ASSERT_TRUE(zvk_test::wait_until([this] { return Access::dragging(w()); })) << "the press starts a drag";
    glide(from, from + QPoint(140, 90));
    pointer->release();
    EXPECT_TRUE(zvk_test::wait_until([this] { return !Access::dragging(w()); }));
    EXPECT_TRUE(zvk_test::wait_until([this] { return w().pos() == start + QPoint(140, 90); }))
        << "window at " << w().pos().x() << ", " << w().pos().y();
}

TEST_F(WindowFrameX, DoubleClickMaximizesAndRestores) {
    open({});
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    double_click(logo_centre());
    ASSERT_TRUE(zvk_test::wait_until([this] { return Access::maximized(w()); }));
    EXPECT_TRUE(zvk_test::wait_until([&] { return w().geometry() == QRect(QPoint(0, 0), area.size()); }))
        << "maximized to " << w().width() << " x " << w().height();
    EXPECT_TRUE(ui().maximize_pushButton->isHidden());
    EXPECT_FALSE(ui().normal_pushButton->isHidden());

    zvk_test::process_events_for(600); // past the double-click interval
    double_click(logo_centre());
    ASSERT_TRUE(zvk_test::wait_until([this] { return !Access::maximized(w()); }));
    EXPECT_TRUE(zvk_test::wait_until([this] { return w().geometry() == QRect(start, QSize(800, 600)); }));
    EXPECT_FALSE(ui().maximize_pushButton->isHidden());
    EXPECT_TRUE(ui().normal_pushButton->isHidden());
}

TEST_F(WindowFrameX, DragOutOfTheMaximizedStateRestoresUnderThePointer) {
    open({});
    ui().maximize_pushButton->click();
    ASSERT_TRUE(zvk_test::wait_until([this] { return w().pos() == QPoint(0, 0) && w().width() == 1600; }));
    // The server's screen is 1600 wide; the window was 800 wide: a press at x = 800 is 400 after restore.
    const QPoint from(800, logo_centre().y());
    pointer->move_to(from.x(), from.y());
    zvk_test::process_events_for(30);
    pointer->press();
    ASSERT_TRUE(zvk_test::wait_until([this] { return Access::dragging(w()); }));
    // Straight down first: the first move, which restores the window, is still at x = 800.
    glide(from, from + QPoint(0, 24));
    glide(from + QPoint(0, 24), from + QPoint(40, 24));
    pointer->release();
    ASSERT_TRUE(zvk_test::wait_until([this] { return !Access::maximized(w()); }));
    EXPECT_EQ(Access::drag_offset(w()).x(), 400);
    const QPoint expected = from + QPoint(40, 24) - QPoint(400, from.y());
    EXPECT_TRUE(zvk_test::wait_until([&] { return w().geometry() == QRect(expected, QSize(800, 600)); }))
        << "window at " << w().x() << ", " << w().y() << " size " << w().width() << " x " << w().height();
}

TEST_F(WindowFrameX, AfterRestoreTheTitleDragsAndDoubleClicksWithoutCrossingTheButtons) {
    open({});
    const QPoint maximize = ui().maximize_pushButton->mapToGlobal(ui().maximize_pushButton->rect().center());
    pointer->click(maximize.x(), maximize.y());
    ASSERT_TRUE(zvk_test::wait_until([this] { return Access::maximized(w()) && w().pos() == QPoint(0, 0); }));
    zvk_test::process_events_for(600); // past the double-click interval
    QPushButton* restore = ui().normal_pushButton;
    ASSERT_TRUE(zvk_test::wait_until([&] { return restore->isVisible(); }));
    const QPoint at = restore->mapToGlobal(restore->rect().center());
    glide(maximize, at);
    ASSERT_TRUE(zvk_test::wait_until([&] { return restore->underMouse(); }));
    pointer->press();
    pointer->release();
    // The window shrinks away from under the pointer, which stays where the restore button was.
    ASSERT_TRUE(zvk_test::wait_until([this] { return w().geometry() == QRect(start, QSize(800, 600)); }));
    ASSERT_FALSE(w().geometry().contains(at));
    zvk_test::process_events_for(600);

    // Straight onto the logo, clear of the window buttons, and a drag.
    const QPoint from = logo_centre();
    pointer->move_to(from.x(), from.y());
    zvk_test::process_events_for(30);
    pointer->press();
    EXPECT_TRUE(zvk_test::wait_until([this] { return Access::dragging(w()); })) << "the press starts no drag";
    glide(from, from + QPoint(60, 40));
    pointer->release();
    EXPECT_TRUE(zvk_test::wait_until([this] { return w().pos() == start + QPoint(60, 40); }))
        << "window at " << w().pos().x() << ", " << w().pos().y();

    // And, past the interval, a double click on the title maximizes the window again.
    zvk_test::process_events_for(600);
    double_click(logo_centre());
    EXPECT_TRUE(zvk_test::wait_until([this] { return Access::maximized(w()); }));
}

TEST_F(WindowFrameX, AModuleButtonClickedBindsItsModule) {
    open({"single", "standard"});
    QAbstractButton* button = modules->module_button("StandardModule");
    ASSERT_NE(button, nullptr);
    const QPoint at = button->mapToGlobal(button->rect().center());
    pointer->click(at.x(), at.y());
    ASSERT_TRUE(zvk_test::wait_until([this] { return Access::page(w()) == 1; }));
    EXPECT_EQ(Access::module_name(w()), "StandardModule");
    EXPECT_TRUE(modules->wait_for_devices());
}

TEST(XServer, ServersStartedTogetherTakeDifferentDisplays) {
    ZVK_REQUIRE_X_SERVER();
    zvk_test::XServer a(640, 480), b(640, 480);
    ASSERT_TRUE(a.running()) << a.failure();
    ASSERT_TRUE(b.running()) << b.failure();
    EXPECT_NE(a.display(), b.display());
    EXPECT_NE(a.display(), zvk_test::shared_x_server()->display());
    EXPECT_TRUE(zvk_test::XPointer(a.display()).ok());
}

} // namespace
