// The keys that move the two log views do the same whatever the view holds: a past-logs result set
// into the view as one text, a long one shown a few runs at a time, and the run just made on the log
// screen.
#include "event_wait.h"
#include "gui_log_screen.h"
#include "gui_log_selection_screen.h"
#include "log_fixture.h"
#include "log_run_pager.h"

#include <gtest/gtest.h>

#include <QDateEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextEdit>

#include <algorithm>
#include <string>

using namespace log_fixture;

namespace {

enum class Move { to_start, to_end, page_down, page_up, line_down, line_up, none };

const struct KeyCase {
    const char* name;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    Move move;
} key_cases[] = {
    {"Home", Qt::Key_Home, Qt::NoModifier, Move::to_start},
    {"End", Qt::Key_End, Qt::NoModifier, Move::to_end},
    {"Ctrl+Home", Qt::Key_Home, Qt::ControlModifier, Move::to_start},
    {"Ctrl+End", Qt::Key_End, Qt::ControlModifier, Move::to_end},
    {"Home on the keypad", Qt::Key_Home, Qt::KeypadModifier, Move::to_start},
    {"Ctrl+End on the keypad", Qt::Key_End, Qt::ControlModifier | Qt::KeypadModifier, Move::to_end},
    {"Page Down", Qt::Key_PageDown, Qt::NoModifier, Move::page_down},
    {"Page Up", Qt::Key_PageUp, Qt::NoModifier, Move::page_up},
    {"Page Down on the keypad", Qt::Key_PageDown, Qt::KeypadModifier, Move::page_down},
    {"Space", Qt::Key_Space, Qt::NoModifier, Move::page_down},
    {"Shift+Space", Qt::Key_Space, Qt::ShiftModifier, Move::page_up},
    {"Down", Qt::Key_Down, Qt::NoModifier, Move::line_down},
    {"Up", Qt::Key_Up, Qt::NoModifier, Move::line_up},
    {"Ctrl+Down", Qt::Key_Down, Qt::ControlModifier, Move::line_down},
    {"Shift+Home", Qt::Key_Home, Qt::ShiftModifier, Move::none},
    {"Alt+End", Qt::Key_End, Qt::AltModifier, Move::none},
    {"Shift+Ctrl+End", Qt::Key_End, Qt::ShiftModifier | Qt::ControlModifier, Move::none},
};

// Where `move` takes a view whose scroll bar stands at `value`.
int moved(Move move, int value, const QScrollBar& bar) {
    switch (move) {
    case Move::to_start:
        return bar.minimum();
    case Move::to_end:
        return bar.maximum();
    case Move::page_down:
        return std::min(bar.maximum(), value + bar.pageStep());
    case Move::page_up:
        return std::max(bar.minimum(), value - bar.pageStep());
    case Move::line_down:
        return std::min(bar.maximum(), value + bar.singleStep());
    case Move::line_up:
        return std::max(bar.minimum(), value - bar.singleStep());
    case Move::none:
        break;
    }
    return value;
}

class KeysOfLogViews : public Window {
protected:
    static QTextEdit* view_of(QWidget* screen) { return screen->findChild<QTextEdit*>("html_log_textEdit"); }
    static void search(GUILogSelectionScreen& screen, const QDate& first, const QDate& last) {
        screen.findChild<QDateEdit*>("from_dateEdit")->setDate(first);
        screen.findChild<QDateEdit*>("to_dateEdit")->setDate(last);
        QSignalSpy shown(&screen, SIGNAL(logs_shown()));
        screen.findChild<QPushButton*>("search_pushButton")->click();
        ASSERT_TRUE(shown.count() > 0 || shown.wait(60000));
    }
    static void settle(LogRunPager* pager) {
        ASSERT_TRUE(zvk_test::wait_until([pager] { return pager->settled(); }, 60000));
    }
};

// The same runs, once as one text and once a few runs at a time, in views of the same size: every key
// moves both alike, from the same place, by the same amount.
TEST_F(KeysOfLogViews, PastLogsMoveAlikeAsOneTextAndPaged) {
    const QDate today = QDate::currentDate();
    std::string log;
    for (int i = 40; i >= 1; --i)
        log += section(i % 3 ? "StandardModule" : "StatusModule", local_time(today, 0, 0, 0) - i * 3600,
                       "Disk " + std::to_string(i), i % 4 != 0);
    write_log(log);

    GUILogSelectionScreen whole(&w());
    GUILogSelectionScreen paged(&w(), 1000); // a result of more than 1000 characters is paged
    for (GUILogSelectionScreen* screen : {&whole, &paged}) {
        screen->resize(700, 600);
        screen->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(screen));
        screen->reset();
        search(*screen, today.addDays(-2), today);
    }
    QTextEdit* const text = view_of(&whole);
    QTextEdit* const runs = view_of(&paged);
    LogRunPager* const pager = paged.pager();
    ASSERT_FALSE(whole.pager()->active());
    ASSERT_TRUE(pager->active());
    QScrollBar* const text_bar = text->verticalScrollBar();
    QScrollBar* const runs_bar = pager->scroll_bar();
    // Every run in view once, so that the pager knows every height: then its bar is the text's.
    settle(pager);
    while (runs_bar->value() < runs_bar->maximum()) {
        runs_bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
        settle(pager);
    }
    ASSERT_EQ(runs_bar->maximum(), text_bar->maximum());
    ASSERT_EQ(runs_bar->pageStep(), text_bar->pageStep());
    ASSERT_EQ(runs_bar->singleStep(), text_bar->singleStep());

    const int start = text_bar->maximum() / 2 + 7;
    for (const KeyCase& c : key_cases) {
        SCOPED_TRACE(c.name);
        text_bar->setValue(start);
        runs_bar->setValue(start);
        settle(pager);
        ASSERT_EQ(runs_bar->value(), start);
        const int expected = moved(c.move, start, *text_bar);
        QTest::keyClick(text, c.key, c.modifiers);
        QTest::keyClick(runs, c.key, c.modifiers);
        settle(pager);
        EXPECT_EQ(text_bar->value(), expected) << "one text";
        EXPECT_EQ(runs_bar->value(), expected) << "paged";
        if (c.move == Move::to_start) {
            EXPECT_EQ(pager->first_run(), 0);
            EXPECT_EQ(runs->verticalScrollBar()->value(), 0);
        }
        if (c.move == Move::to_end) {
            EXPECT_EQ(pager->first_run() + pager->runs_in_document(), 40);
            EXPECT_EQ(runs->verticalScrollBar()->value(), runs->verticalScrollBar()->maximum());
        }
    }
}

// View logs, with a run taller than its view, takes the keys as Past logs does.
TEST_F(KeysOfLogViews, ViewLogsMovesAsPastLogsDoes) {
    const std::int64_t run = 1796811300;
    write_log(section("StandardModule", run, "Disk A"));
    GUILogScreen screen(&w());
    screen.resize(400, 260);
    screen.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&screen));
    QSignalSpy shown(&screen, SIGNAL(log_shown()));
    screen.show_log("StandardModule", std::uint64_t(run));
    ASSERT_TRUE(shown.count() > 0 || shown.wait(60000));
    QTextEdit* const text = view_of(&screen);
    QScrollBar* const bar = text->verticalScrollBar();
    zvk_test::process_events_for(20);
    ASSERT_GT(bar->maximum(), 2 * bar->singleStep()); // it scrolls

    const int start = bar->maximum() / 2 + 3;
    for (const KeyCase& c : key_cases) {
        SCOPED_TRACE(c.name);
        bar->setValue(start);
        QTest::keyClick(text, c.key, c.modifiers);
        EXPECT_EQ(bar->value(), moved(c.move, start, *bar));
    }
}

} // namespace
