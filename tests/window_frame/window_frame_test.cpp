// The frameless window on the offscreen platform: which presses start a drag, the drag itself, the
// double click and the two window buttons that maximize and restore, the drag out of the maximized
// state, and a disabled close button.
#include "event_wait.h"
#include "gui_manager_access.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QTest>

using Access = GUIManagerTestAccess;

namespace {

class WindowFrame : public ::testing::Test {
protected:
    void SetUp() override {
        saved_dir = QDir::currentPath();
        QDir::setCurrent(zvk_test::fresh_dir("window_frame"));
        window.reset(new GUIManager(nullptr, Qt::WindowFlags()));
        w().move(start);
        w().show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    void TearDown() override {
        window.reset();
        QDir::setCurrent(saved_dir);
    }
    GUIManager& w() { return *window; }
    Ui_main_window& ui() { return Access::form(w()); }
    QWidget* logo() { return ui().label; }
    QPoint centre(QWidget* widget) { return widget->rect().center(); }
    // A move without a held button goes through the platform's cursor, which tells the widgets what
    // is under the pointer; presses, releases and moves with a held button go to the widget.
    void move_to(QWidget* widget, QPoint at) { QTest::mouseMove(widget, at); }
    void press(QWidget* widget, QPoint at, Qt::MouseButton button = Qt::LeftButton) {
        move_to(widget, at);
        QTest::mousePress(widget, button, Qt::NoModifier, at);
    }
    void release(QWidget* widget, QPoint at, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseRelease(widget, button, Qt::NoModifier, at);
    }
    void double_click(QWidget* widget) {
        move_to(widget, centre(widget));
        QTest::mouseDClick(widget, Qt::LeftButton, Qt::NoModifier, centre(widget));
        // QTest counts the button as held after a double click until a release.
        release(widget, centre(widget));
    }
    bool maximize_shown() { return !ui().maximize_pushButton->isHidden(); }
    bool restore_shown() { return !ui().normal_pushButton->isHidden(); }

    const QPoint start{30, 40};
    QString saved_dir;
    std::unique_ptr<GUIManager> window;
};

// A point inside the window-button frame that no button covers.
QPoint gap_in(QWidget* frame) {
    for (int y = frame->height() - 1; y >= 0; --y) {
        for (int x = 0; x < frame->width(); ++x) {
            if (!frame->childAt(x, y))
                return QPoint(x, y);
        }
    }
    return QPoint(-1, -1);
}

TEST_F(WindowFrame, OnlyAPressOnTheTitleAreaStartsADrag) {
    const QPoint gap = gap_in(ui().window_buttons_frame);
    ASSERT_GE(gap.x(), 0);
    QWidget* page = Access::main_screen(w()).parentWidget(); // the screen stack
    struct Case {
        const char* where;
        QWidget* widget;
        QPoint at;
        bool drags;
    } cases[] = {
        {"logo label", logo(), centre(logo()), true},
        {"title area beside the logo", ui().top_frame, QPoint(ui().top_frame->width() / 2, 5), true},
        {"between the window buttons", ui().window_buttons_frame, gap, false},
        {"maximize button", ui().maximize_pushButton, centre(ui().maximize_pushButton), false},
        {"screen page", page, centre(page), false},
        {"bottom line", ui().bios_label, centre(ui().bios_label), false},
    };
    for (const Case& c : cases) {
        press(c.widget, c.at);
        EXPECT_EQ(Access::dragging(w()), c.drags) << c.where;
        release(c.widget, c.at);
        EXPECT_FALSE(Access::dragging(w())) << c.where;
    }
    // A release ends a drag wherever it happens, whatever the button.
    press(logo(), centre(logo()));
    move_to(page, centre(page));
    release(page, centre(page), Qt::RightButton);
    EXPECT_FALSE(Access::dragging(w()));
}

TEST_F(WindowFrame, ThePressedPointDecidesWhateverTheHoverStateSays) {
    // The hover state can lag behind: after Restore the window shrinks away from under the pointer, and
    // the restore button's frame stays marked as under the mouse until the pointer crosses it again.
    // Each case marks the widgets as that stale state would, then presses without a move before.
    const QPoint gap = gap_in(ui().window_buttons_frame);
    ASSERT_GE(gap.x(), 0);
    struct Case {
        const char* where;
        QWidget* widget;
        QPoint at;
        bool buttons_hovered; // what the stale state says
        bool title_hovered;
        bool drags;
    } cases[] = {
        {"logo, the buttons marked hovered", logo(), centre(logo()), true, true, true},
        {"logo, the title marked not hovered", logo(), centre(logo()), false, false, true},
        {"between the buttons, marked as the title", ui().window_buttons_frame, gap, false, true, false},
    };
    for (const Case& c : cases) {
        QWidget* buttons[] = {ui().window_buttons_frame, ui().normal_pushButton};
        for (QWidget* button : buttons)
            button->setAttribute(Qt::WA_UnderMouse, c.buttons_hovered);
        ui().top_frame->setAttribute(Qt::WA_UnderMouse, c.title_hovered);
        QTest::mousePress(c.widget, Qt::LeftButton, Qt::NoModifier, c.at);
        EXPECT_EQ(Access::dragging(w()), c.drags) << c.where;
        release(c.widget, c.at);

        QTest::mouseDClick(c.widget, Qt::LeftButton, Qt::NoModifier, c.at);
        release(c.widget, c.at);
        EXPECT_EQ(Access::maximized(w()), c.drags) << c.where;
        if (Access::maximized(w()))
            w().restore();
    }
}

TEST_F(WindowFrame, DraggingTheTitleAreaMovesTheWindow) {
    press(logo(), centre(logo()));
    move_to(logo(), centre(logo()) + QPoint(25, 15));
    EXPECT_EQ(w().pos(), start + QPoint(25, 15));
    release(logo(), centre(logo()));
    // Without a press on the title area, moving the mouse moves nothing.
    move_to(logo(), centre(logo()) + QPoint(60, 60));
    EXPECT_EQ(w().pos(), start + QPoint(25, 15));
}

TEST_F(WindowFrame, DoubleClickOnTheTitleAreaMaximizesAndRestores) {
    const QSize normal = w().size();
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(maximize_shown());
    EXPECT_FALSE(restore_shown());

    // Not on the title area: nothing happens.
    QWidget* page = Access::main_screen(w()).parentWidget();
    double_click(page);
    EXPECT_FALSE(Access::maximized(w()));
    EXPECT_EQ(w().pos(), start);

    double_click(logo());
    EXPECT_TRUE(Access::maximized(w()));
    EXPECT_EQ(w().pos(), QPoint(0, 0));
    EXPECT_EQ(w().size(), area.size().expandedTo(QSize(800, 600)));
    EXPECT_FALSE(maximize_shown());
    EXPECT_TRUE(restore_shown());

    double_click(logo());
    EXPECT_FALSE(Access::maximized(w()));
    EXPECT_EQ(w().pos(), start);
    EXPECT_EQ(w().size(), normal);
    EXPECT_TRUE(maximize_shown());
    EXPECT_FALSE(restore_shown());
}

TEST_F(WindowFrame, MaximizeAndRestoreButtons) {
    ui().maximize_pushButton->click();
    EXPECT_TRUE(Access::maximized(w()));
    EXPECT_EQ(w().pos(), QPoint(0, 0));
    EXPECT_EQ(Access::saved_pos(w()), start);
    EXPECT_FALSE(maximize_shown());
    EXPECT_TRUE(restore_shown());
    ui().normal_pushButton->click();
    EXPECT_FALSE(Access::maximized(w()));
    EXPECT_EQ(w().pos(), start);
    EXPECT_TRUE(maximize_shown());
    EXPECT_FALSE(restore_shown());
}

TEST_F(WindowFrame, DragOutOfTheMaximizedStateKeepsTheCursorsPlaceScaled) {
    // A maximized window 1600 wide whose size before was 800 x 600, pressed at x = 800.
    Access::maximized(w()) = true;
    Access::saved_size(w()) = QSize(800, 600);
    w().resize(1600, 900);
    w().move(0, 0);
    ui().normal_pushButton->show();
    ui().maximize_pushButton->hide();
    Access::dragging(w()) = true;
    Access::drag_offset(w()) = QPoint(800, 30);

    const QPointF at(800, 30);
    QMouseEvent move(QEvent::MouseMove, at, at, at, Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    Access::mouse_move(w(), &move);

    EXPECT_FALSE(Access::maximized(w()));
    EXPECT_EQ(w().size(), QSize(800, 600));
    EXPECT_EQ(Access::drag_offset(w()), QPoint(400, 30));
    // The cursor stays 400 pixels from the left edge and 30 below the top.
    EXPECT_EQ(w().pos(), QPoint(400, 0));
    EXPECT_TRUE(maximize_shown());
    EXPECT_FALSE(restore_shown());

    // The movement alone, through the slot.
    Access::saved_size(w()) = QSize(800, 600);
    w().resize(1600, 900);
    int movement = 0;
    const QPointF right(1200, 10);
    QMouseEvent event(QEvent::MouseMove, right, right, right, Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    w().restore(false, &event, &movement);
    EXPECT_EQ(movement, 600);
    EXPECT_EQ(w().pos(), QPoint(600, 10));
}

TEST_F(WindowFrame, ADisabledCloseButtonNeitherClosesNorStopsTheWorker) {
    w().set_close_enabled(false);
    press(ui().close_pushButton, centre(ui().close_pushButton));
    release(ui().close_pushButton, centre(ui().close_pushButton));
    zvk_test::process_events_for(50);
    EXPECT_TRUE(w().isVisible());
    EXPECT_TRUE(Access::worker_thread(w()).isRunning());

    // The title area still drags.
    press(logo(), centre(logo()));
    move_to(logo(), centre(logo()) + QPoint(10, 20));
    release(logo(), centre(logo()));
    EXPECT_EQ(w().pos(), start + QPoint(10, 20));

    w().set_close_enabled(true);
    press(ui().close_pushButton, centre(ui().close_pushButton));
    release(ui().close_pushButton, centre(ui().close_pushButton));
    EXPECT_FALSE(w().isVisible());
    EXPECT_TRUE(zvk_test::wait_until([this] { return !Access::worker_thread(w()).isRunning(); }));
}

} // namespace
