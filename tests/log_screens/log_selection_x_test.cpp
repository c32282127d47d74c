// Past logs over a long result on a real X server, with real pointer and key input: the click on
// Search, the scroll bar dragged to the end, the wheel, Page Down, Home and End. The program runs on
// its own Xvfb (X_SERVER); without one the test reports itself skipped.
#include "event_wait.h"
#include "gui_manager_access.h"
#include "log_fixture.h"
#include "log_run_pager.h"
#include "x_input.h"
#include "x_server.h"

#include <gtest/gtest.h>

#include <QDateEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QTextEdit>

using Access = GUIManagerTestAccess;
using namespace log_fixture;

namespace {

class PastLogsX : public Window {
protected:
    void SetUp() override {
        ZVK_REQUIRE_X_SERVER();
        Window::SetUp();
        const std::string display = zvk_test::shared_x_server()->display();
        pointer.reset(new zvk_test::XPointer(display));
        keyboard.reset(new zvk_test::XKeyboard(display));
        ASSERT_TRUE(pointer->ok() && keyboard->ok()) << "no XTEST on the server";

        std::string log;
        for (int i = 0; i < runs; ++i)
            log += section("StandardModule", first_key + std::int64_t(i) * 3600, "Run " + std::to_string(i));
        write_log(log);

        w().move(0, 0);
        w().resize(1024, 768);
        w().show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w()));
        pointer->move_to(1200, 850);
        zvk_test::process_events_for(50);
    }
    void TearDown() override {
        pointer.reset();
        keyboard.reset();
        Window::TearDown();
    }
    void click(QWidget* widget) {
        const QPoint at = widget->mapToGlobal(widget->rect().center());
        pointer->move_to(at.x(), at.y());
        zvk_test::process_events_for(30);
        pointer->press();
        pointer->release();
    }
    GUILogSelectionScreen& screen() { return Access::log_selection_screen(w()); }
    LogRunPager* pager() { return screen().pager(); }
    QTextEdit* view() { return screen().findChild<QTextEdit*>("html_log_textEdit"); }
    QScrollBar* bar() { return pager()->scroll_bar(); }
    int last_in_document() { return pager()->first_run() + pager()->runs_in_document() - 1; }
    void settle() {
        ASSERT_TRUE(zvk_test::wait_until([this] { return pager()->settled(); }, 60000));
    }
    // Runs the event loop a little after each input, as a user's pace leaves it.
    void tap(const char* key, int times = 1) {
        for (int i = 0; i < times; ++i) {
            ASSERT_TRUE(keyboard->tap(key)) << key;
            zvk_test::process_events_for(20);
        }
    }

    static constexpr std::int64_t first_key = 1700000000; // 2023-11-14
    static constexpr int runs = 1500;
    std::unique_ptr<zvk_test::XPointer> pointer;
    std::unique_ptr<zvk_test::XKeyboard> keyboard;
};

TEST_F(PastLogsX, LongResultIsScrolledThroughWithRealInput) {
    click(Access::form(Access::main_screen(w())).past_logs_pushButton);
    ASSERT_TRUE(zvk_test::wait_until([this] { return Access::page(w()) == 5; }));
    screen().findChild<QDateEdit*>("from_dateEdit")->setDate(QDate(2023, 11, 1));
    click(screen().findChild<QPushButton*>("search_pushButton"));
    ASSERT_TRUE(zvk_test::wait_until([this] { return pager()->active(); }, 60000));
    settle();
    EXPECT_EQ(pager()->first_run(), 0);
    ASSERT_TRUE(bar()->isVisible());

    // The handle dragged down past the end of its groove, in small steps as a hand moves it.
    QStyleOptionSlider option;
    option.initFrom(bar());
    option.orientation = Qt::Vertical;
    option.minimum = bar()->minimum();
    option.maximum = bar()->maximum();
    option.sliderPosition = option.sliderValue = bar()->value();
    option.pageStep = bar()->pageStep();
    const QRect handle =
        bar()->style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, bar());
    const QPoint from = bar()->mapToGlobal(handle.center());
    const QPoint to = bar()->mapToGlobal(QPoint(handle.center().x(), bar()->height() + 30));
    pointer->move_to(from.x(), from.y());
    zvk_test::process_events_for(30);
    pointer->press();
    for (int i = 1; i <= 20; ++i) {
        pointer->move_to(from.x(), from.y() + (to.y() - from.y()) * i / 20);
        zvk_test::process_events_for(15);
    }
    pointer->release();
    settle();
    EXPECT_EQ(last_in_document(), runs - 1);
    EXPECT_EQ(bar()->value(), bar()->maximum());
    EXPECT_EQ(view()->verticalScrollBar()->value(), view()->verticalScrollBar()->maximum());
    EXPECT_TRUE(view()->toPlainText().contains("Run " + QString::number(runs - 1)));

    // The wheel over the text, up by ten notches.
    const QPoint middle = view()->viewport()->mapToGlobal(view()->viewport()->rect().center());
    pointer->move_to(middle.x(), middle.y());
    const int at_end = bar()->value();
    for (int i = 0; i < 10; ++i) {
        pointer->press(4);
        pointer->release(4);
        zvk_test::process_events_for(15);
    }
    settle();
    EXPECT_LT(bar()->value(), at_end);

    // The keys, once a click has given the text the focus.
    click(view()->viewport());
    tap("Home");
    settle();
    EXPECT_EQ(pager()->first_run(), 0);
    EXPECT_EQ(bar()->value(), 0);
    int before = bar()->value();
    for (int i = 0; i < 8; ++i) {
        tap("Next");
        settle();
        EXPECT_GT(bar()->value(), before) << "Page Down " << i;
        before = bar()->value();
    }
    tap("End");
    settle();
    EXPECT_EQ(last_in_document(), runs - 1);
    EXPECT_EQ(bar()->value(), bar()->maximum());

    view()->window()->grab().save(QString::fromLocal8Bit(qgetenv("ZVK_TEST_WORK_DIR")) +
                                  "/past_logs_end.png");
}

} // namespace
