// Past logs over a long result on a real X server, with real pointer and key input: the click on
// Search, the scroll bar dragged to the end, the wheel, Page Down, Home and End. The program runs on
// its own Xvfb (X_SERVER); without one the test reports itself skipped.
#include "event_wait.h"
#include "gui_log_screen.h"
#include "gui_manager_access.h"
#include "log_fixture.h"
#include "log_reader.h"
#include "log_run_pager.h"
#include "past_log_runs.h"
#include "x_input.h"
#include "x_server.h"

#include <gtest/gtest.h>

#include <QAbstractTextDocumentLayout>
#include <QDateEdit>
#include <QImage>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QTextEdit>
#include <QTextTable>
#include <QTextCursor>
#include <QTextBlock>

#include <atomic>
#include <cmath>
#include <optional>
#include <set>
#include <string>

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

        w().move(0, 0);
        w().resize(1024, 768);
        w().show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w()));
        pointer->move_to(1200, 850);
        zvk_test::process_events_for(50);
    }
    void write_runs(int count) {
        std::string log;
        for (int i = 0; i < count; ++i)
            log += section("StandardModule", first_key + std::int64_t(i) * 3600, "Run " + std::to_string(i));
        write_log(log);
    }
    // Past logs from 1 November 2023 to today, the search started with a click, until what it found
    // is in the view.
    void search_runs() {
        click(Access::form(Access::main_screen(w())).past_logs_pushButton);
        ASSERT_TRUE(zvk_test::wait_until([this] { return Access::page(w()) == 5; }));
        screen().findChild<QDateEdit*>("from_dateEdit")->setDate(first_day);
        QSignalSpy shown(&screen(), SIGNAL(logs_shown()));
        click(screen().findChild<QPushButton*>("search_pushButton"));
        ASSERT_TRUE(shown.count() > 0 || shown.wait(60000));
    }
    // The same for a result too long for one text.
    void search_long_result() {
        search_runs();
        ASSERT_TRUE(pager()->active());
        settle();
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
    // The handle of the pager's scroll bar, in the bar's coordinates.
    QRect handle() { return handle_of(bar()); }
    static QRect handle_of(QScrollBar* bar) {
        QStyleOptionSlider option;
        option.initFrom(bar);
        option.orientation = Qt::Vertical;
        option.minimum = bar->minimum();
        option.maximum = bar->maximum();
        option.sliderPosition = option.sliderValue = bar->sliderPosition();
        option.pageStep = bar->pageStep();
        option.singleStep = bar->singleStep();
        return bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, bar);
    }
    GUILogSelectionScreen& screen() { return Access::log_selection_screen(w()); }
    LogRunPager* pager() { return screen().pager(); }
    QTextEdit* view() { return screen().findChild<QTextEdit*>("html_log_textEdit"); }
    QScrollBar* bar() { return pager()->scroll_bar(); }
    int last_in_document() { return pager()->first_run() + pager()->runs_in_document() - 1; }
    void settle() {
        ASSERT_TRUE(zvk_test::wait_until([this] { return pager()->settled(); }, 60000));
    }
    // Until the input has reached the window and done what it should (the window's answer to it comes
    // through the X server, after a while of its own), and the pager has nothing left to do; a minute at
    // most, then what the test expects next fails.
    template <class Done> void settle_at(Done done) {
        zvk_test::wait_until([&] { return done() && pager()->settled(); }, 60000);
    }
    // Runs the event loop a little after each input, as a user's pace leaves it.
    void tap(const char* key, int times = 1) {
        for (int i = 0; i < times; ++i) {
            ASSERT_TRUE(keyboard->tap(key)) << key;
            zvk_test::process_events_for(20);
        }
    }

    static constexpr std::int64_t first_key = 1700000000; // 2023-11-14
    const QDate first_day{2023, 11, 1};
    static constexpr int runs = 1500;
    static constexpr int measured_runs = 300; // each of them seen once: a few seconds
    std::unique_ptr<zvk_test::XPointer> pointer;
    std::unique_ptr<zvk_test::XKeyboard> keyboard;
};

TEST_F(PastLogsX, LongResultIsScrolledThroughWithRealInput) {
    write_runs(runs);
    search_long_result();
    EXPECT_EQ(pager()->first_run(), 0);
    ASSERT_TRUE(bar()->isVisible());

    // The handle dragged down past the end of its groove, in small steps as a hand moves it.
    const QPoint from = bar()->mapToGlobal(handle().center());
    const QPoint to = bar()->mapToGlobal(QPoint(handle().center().x(), bar()->height() + 30));
    pointer->move_to(from.x(), from.y());
    zvk_test::process_events_for(30);
    pointer->press();
    for (int i = 1; i <= 20; ++i) {
        pointer->move_to(from.x(), from.y() + (to.y() - from.y()) * i / 20);
        zvk_test::process_events_for(15);
    }
    pointer->release();
    settle_at([this] { return bar()->value() == bar()->maximum(); });
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
    settle_at([&] { return bar()->value() < at_end; });
    EXPECT_LT(bar()->value(), at_end);

    // The keys, once a click has given the text the focus.
    click(view()->viewport());
    tap("Home");
    settle_at([this] { return bar()->value() == 0; });
    EXPECT_EQ(pager()->first_run(), 0);
    EXPECT_EQ(bar()->value(), 0);
    int before = bar()->value();
    for (int i = 0; i < 8; ++i) {
        tap("Next");
        settle_at([&] { return bar()->value() > before; });
        EXPECT_GT(bar()->value(), before) << "Page Down " << i;
        before = bar()->value();
    }
    tap("End");
    settle_at([this] { return bar()->value() == bar()->maximum(); });
    EXPECT_EQ(last_in_document(), runs - 1);
    EXPECT_EQ(bar()->value(), bar()->maximum());
    // With Ctrl too, as in a text shown whole.
    ASSERT_TRUE(keyboard->tap_with("Control_L", "Home"));
    settle_at([this] { return bar()->value() == 0; });
    EXPECT_EQ(pager()->first_run(), 0);
    ASSERT_TRUE(keyboard->tap_with("Control_L", "End"));
    settle_at([this] { return bar()->value() == bar()->maximum(); });
    EXPECT_EQ(last_in_document(), runs - 1);

    view()->window()->grab().save(QString::fromLocal8Bit(qgetenv("ZVK_TEST_WORK_DIR")) +
                                  "/past_logs_end.png");
}

// Once every run has been in view (so every height is known), the handle dragged by the pointer stays
// under it, and the view shows the place of the whole text that the handle was let go at.
TEST_F(PastLogsX, DraggedHandleStaysUnderThePointerAndShowsItsPlace) {
    write_runs(measured_runs);
    search_long_result();
    while (bar()->value() < bar()->maximum()) {
        bar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
        settle();
    }
    // The whole text as one view of the same size and look shows it, laid over the view while it is
    // looked at.
    QTextEdit whole(view()->parentWidget());
    whole.setFrameShape(QFrame::NoFrame);
    whole.setLineWrapMode(QTextEdit::NoWrap);
    whole.setReadOnly(true);
    whole.setGeometry(view()->geometry());
    whole.setText(
        texts_of_runs(local_time(first_day, 0, 0, 0), local_time(QDate::currentDate(), 23, 59, 59)).join(""));
    whole.show();
    whole.document()->documentLayout()->documentSize();
    zvk_test::process_events_for(50);
    whole.hide();
    ASSERT_EQ(whole.viewport()->size(), view()->viewport()->size());
    ASSERT_EQ(bar()->maximum(), whole.verticalScrollBar()->maximum()); // every height known

    const int groove_top = handle().height() / 2 + 1;
    const int groove_bottom = bar()->height() - handle().height() / 2 - 1;
    // Down and up the groove, the handle grabbed off its centre as a hand grabs it.
    for (const double place : {0.62, 0.18, 0.93, 0.47, 0.05, 0.71}) {
        SCOPED_TRACE(place);
        const QRect grabbed = handle();
        const QPoint from =
            bar()->mapToGlobal(QPoint(grabbed.center().x(), grabbed.top() + grabbed.height() / 3));
        const int grip = from.y() - bar()->mapToGlobal(grabbed.topLeft()).y();
        const int to_y =
            bar()->mapToGlobal(QPoint(0, groove_top + int((groove_bottom - groove_top) * place))).y();
        pointer->move_to(from.x(), from.y());
        zvk_test::process_events_for(30);
        pointer->press();
        zvk_test::process_events_for(30);
        for (int i = 1; i <= 12; ++i) {
            const int y = from.y() + (to_y - from.y()) * i / 12;
            pointer->move_to(from.x(), y);
            const auto handle_at = [&] { return bar()->mapToGlobal(handle().topLeft()).y() + grip; };
            zvk_test::wait_until([&] { return std::abs(handle_at() - y) <= 1; }, 2000);
            EXPECT_NEAR(handle_at(), y, 1) << "step " << i;
        }
        settle();
        const int dropped = bar()->value();
        EXPECT_NEAR(bar()->mapToGlobal(handle().topLeft()).y() + grip, to_y, 1) << "held";
        pointer->release();
        settle();
        EXPECT_EQ(bar()->value(), dropped) << "let go";

        whole.verticalScrollBar()->setValue(dropped);
        whole.show();
        zvk_test::process_events_for(20);
        const QImage expected = whole.viewport()->grab().toImage();
        whole.hide();
        zvk_test::process_events_for(20);
        const std::optional<int> shift =
            vertical_shift(view()->viewport()->grab().toImage(), expected, view()->height());
        ASSERT_TRUE(shift.has_value()) << "the view shows another text";
        EXPECT_LE(std::abs(*shift), 2)
            << "the view shows the place " << dropped + *shift << ", not " << dropped;
    }
    view()->window()->grab().save(QString::fromLocal8Bit(qgetenv("ZVK_TEST_WORK_DIR")) +
                                  "/past_logs_dragged.png");
}

// The runs' index comes while the user holds the handle (as it does in the first seconds of a long
// result): the handle stays under the pointer, the view where it is; once the handle is let go, the
// bar spans the runs by the index's estimates and the view still shows the same place.
TEST_F(PastLogsX, HeldHandleStaysUnderThePointerWhenTheIndexComes) {
    // A few short runs, then long ones: the heights estimated from the first runs measured are far
    // from those that the runs' lengths give.
    constexpr int count = 400;
    std::string log;
    for (int i = 0; i < count; ++i) {
        const std::int64_t key = first_key + std::int64_t(i) * 3600;
        const int sections = i < 20 ? 1 : 5;
        for (int d = 0; d < sections; ++d)
            log += section("Module" + std::to_string(d), key,
                           "Run " + std::to_string(i) + "." + std::to_string(d));
    }
    write_log(log);
    auto reader = std::make_unique<LogReader>();
    ASSERT_EQ(reader->open(), 0);
    reader->parse();
    PastLogRuns found(std::move(reader), first_key, first_key + count * 3600);
    ASSERT_EQ(found.count(), count);

    QTextEdit text;
    text.setLineWrapMode(QTextEdit::NoWrap);
    text.setReadOnly(true);
    text.move(0, 0);
    text.resize(600, 500);
    text.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&text));
    LogRunPager* const runs_pager = new LogRunPager(&text);
    QScrollBar* const runs_bar = runs_pager->scroll_bar();
    runs_pager->show(&found);
    ASSERT_TRUE(zvk_test::wait_until([&] { return runs_pager->settled(); }, 60000));
    ASSERT_FALSE(found.indexed());

    const auto handle_top = [&] { return runs_bar->mapToGlobal(handle_of(runs_bar).topLeft()).y(); };
    const QRect grabbed = handle_of(runs_bar);
    const QPoint from =
        runs_bar->mapToGlobal(QPoint(grabbed.center().x(), grabbed.top() + grabbed.height() / 3));
    const int grip = from.y() - handle_top();
    // The held handle moved to `at`: once the bar has taken the move, the handle is under the pointer.
    const auto drag_to = [&](int at) {
        const int before = runs_bar->sliderPosition();
        pointer->move_to(from.x(), at);
        ASSERT_TRUE(zvk_test::wait_until([&] { return runs_bar->sliderPosition() != before; }, 2000));
        EXPECT_NEAR(handle_top() + grip, at, 1);
        ASSERT_TRUE(zvk_test::wait_until([&] { return runs_pager->settled(); }, 60000));
    };
    pointer->move_to(from.x(), from.y());
    zvk_test::process_events_for(30);
    pointer->press();
    zvk_test::process_events_for(30);
    // Down a little, pixel by pixel: still among the runs that can be shown without the index, which
    // come as the view moves on.
    const int y = from.y() + 4;
    for (int at = from.y() + 1; at <= y; ++at)
        drag_to(at);
    ASSERT_TRUE(runs_bar->isSliderDown());
    ASSERT_GT(runs_pager->runs_in_document(), 0);
    const int top_held = handle_top();
    const int maximum = runs_bar->maximum();
    const QImage held = text.viewport()->grab().toImage();

    const std::atomic<bool> stop{false};
    found.build_index(stop);
    ASSERT_TRUE(found.indexed());
    runs_pager->index_ready();
    zvk_test::process_events_for(100);
    ASSERT_TRUE(zvk_test::wait_until([&] { return runs_pager->settled(); }, 60000));
    EXPECT_EQ(handle_top(), top_held) << "the handle left the pointer";
    EXPECT_NEAR(handle_top() + grip, y, 1);
    EXPECT_EQ(runs_bar->maximum(), maximum);
    std::optional<int> shift = vertical_shift(text.viewport()->grab().toImage(), held, text.height());
    ASSERT_TRUE(shift.has_value()) << "the view shows another text";
    EXPECT_EQ(*shift, 0) << "the view moved";

    // Still held, a little further down: the handle follows the pointer as before.
    for (int at = y + 1; at <= y + 3; ++at)
        drag_to(at);
    const QImage before_release = text.viewport()->grab().toImage();
    pointer->release();
    zvk_test::process_events_for(50);
    ASSERT_TRUE(zvk_test::wait_until([&] { return runs_pager->settled(); }, 60000));
    EXPECT_FALSE(runs_bar->isSliderDown());
    EXPECT_GT(runs_bar->maximum(), 2 * maximum); // the long runs are counted now
    shift = vertical_shift(text.viewport()->grab().toImage(), before_release, text.height());
    ASSERT_TRUE(shift.has_value()) << "the view shows another text";
    EXPECT_EQ(*shift, 0) << "the view moved";
    text.window()->grab().save(QString::fromLocal8Bit(qgetenv("ZVK_TEST_WORK_DIR")) +
                               "/held_handle_let_go.png");
}

// Home and End, alone and with Ctrl, typed on the keyboard, go to the start and the end of a result
// shown as one text and of the log screen's run, as they do in a long result.
TEST_F(PastLogsX, TheEndsAreReachedByTheSameKeysInEveryLogView) {
    write_runs(12);
    search_runs();
    ASSERT_FALSE(pager()->active()); // one text
    const auto expect_ends_by_keys = [this](QTextEdit* text) {
        QScrollBar* const own = text->verticalScrollBar();
        ASSERT_GT(own->maximum(), 0);
        click(text->viewport());
        zvk_test::process_events_for(30);
        ASSERT_TRUE(text->hasFocus());
        const struct {
            const char* held;
            const char* key;
            bool to_end;
        } taps[] = {{nullptr, "End", true},
                    {"Control_L", "Home", false},
                    {"Control_L", "End", true},
                    {nullptr, "Home", false}};
        for (const auto& t : taps) {
            SCOPED_TRACE(std::string(t.held ? "Ctrl+" : "") + t.key);
            ASSERT_TRUE(t.held ? keyboard->tap_with(t.held, t.key) : keyboard->tap(t.key));
            EXPECT_TRUE(zvk_test::wait_until(
                [&] { return own->value() == (t.to_end ? own->maximum() : own->minimum()); }, 2000))
                << own->value() << " of " << own->maximum();
        }
    };
    {
        SCOPED_TRACE("Past logs");
        expect_ends_by_keys(view());
    }

    // The log screen of the newest run, in a window of its own beside the main one.
    GUILogScreen log_screen(&w());
    log_screen.move(1100, 0);
    log_screen.resize(450, 320);
    log_screen.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&log_screen));
    QSignalSpy shown(&log_screen, SIGNAL(log_shown()));
    log_screen.show_log("StandardModule", std::uint64_t(first_key + 11 * 3600));
    ASSERT_TRUE(shown.count() > 0 || shown.wait(60000));
    {
        SCOPED_TRACE("View logs");
        expect_ends_by_keys(log_screen.findChild<QTextEdit*>("html_log_textEdit"));
    }
}

// One run of many records, shown in pieces: with the handle dragged to the middle by the pointer, the
// view shows one table whose columns line up across the pieces, with backgrounds alternating on, and
// Page Down typed ten times without a pause goes ten pages.
TEST_F(PastLogsX, OneRunOfManyRecordsReadsAsOneTable) {
    const int records = 6000;
    write_log(section("StandardModule", first_key, "Disk 0") +
              long_section("StandardModule", first_key + 3600, "Failing disk", records));
    search_long_result();
    ASSERT_GT(pager()->runs_in_document(), 0);
    const QPoint from = bar()->mapToGlobal(handle().center());
    pointer->move_to(from.x(), from.y());
    zvk_test::process_events_for(30);
    pointer->press();
    for (int i = 1; i <= 10; ++i) {
        pointer->move_to(from.x(), from.y() + bar()->height() / 2 * i / 10);
        zvk_test::process_events_for(15);
    }
    pointer->release();
    settle_at([] { return true; });
    // A piece is many pages long: where the handle let go inside one, with room around the view, a
    // few pages on bring the next into the document.
    if (pager()->runs_in_document() < 2) {
        click(view()->viewport());
        zvk_test::process_events_for(30);
    }
    for (int i = 0; i < 40 && pager()->runs_in_document() < 2; ++i) {
        // Each press is waited for: the server's events reach the window a while after they are sent.
        const int value = view()->verticalScrollBar()->value();
        ASSERT_TRUE(keyboard->tap("Next"));
        zvk_test::wait_until([&] { return view()->verticalScrollBar()->value() != value; }, 2000);
        settle_at([] { return true; });
    }

    // The record at the top of the view, and the height of a row there.
    const auto record_at_top = [this](int* row_height) {
        const QTextCursor at = view()->cursorForPosition(QPoint(view()->viewport()->width() / 2, 2));
        QTextTable* table = at.currentTable();
        if (!table)
            return -1;
        const QTextTableCell cell = table->cellAt(at);
        if (row_height && cell.row() + 1 < table->rows())
            *row_height = int(std::lround(
                view()
                    ->document()
                    ->documentLayout()
                    ->blockBoundingRect(table->cellAt(cell.row() + 1, 1).firstCursorPosition().block())
                    .top() -
                view()
                    ->document()
                    ->documentLayout()
                    ->blockBoundingRect(table->cellAt(cell.row(), 1).firstCursorPosition().block())
                    .top()));
        const QString text = table->cellAt(cell.row(), 1).firstCursorPosition().block().text();
        return text.trimmed().section(' ', -1).toInt() - 1000;
    };
    int row_height = 0;
    const int before = record_at_top(&row_height);
    ASSERT_GT(before, 0);
    ASSERT_GT(row_height, 0);

    // Every record row in the document, of every piece: its value column starts at the same x, and
    // its background alternates with the one before.
    std::set<int> columns;
    QString last_background;
    int record_rows = 0;
    for (QTextBlock block = view()->document()->begin(); block.isValid(); block = block.next()) {
        QTextTable* table = QTextCursor(block).currentTable();
        if (!table || table->columns() != 2 || table->cellAt(block.position()).column() != 1 ||
            !block.text().startsWith("Warning BadSector"))
            continue;
        columns.insert(int(view()->document()->documentLayout()->blockBoundingRect(block).left()));
        const QString background =
            table->cellAt(block.position()).format().background().color().name().toUpper();
        if (record_rows > 0) {
            EXPECT_NE(background, last_background) << block.text().toStdString();
        }
        last_background = background;
        ++record_rows;
    }
    EXPECT_GE(pager()->runs_in_document(), 2); // a table in two pieces at least
    EXPECT_GT(record_rows, PastLogRuns::piece_rows);
    EXPECT_EQ(columns.size(), 1u);
    view()->window()->grab().save(QString::fromLocal8Bit(qgetenv("ZVK_TEST_WORK_DIR")) +
                                  "/past_logs_one_long_run.png");

    // Ten pages, typed at once.
    click(view()->viewport());
    zvk_test::process_events_for(30);
    const int top = record_at_top(nullptr);
    for (int i = 0; i < 10; ++i)
        ASSERT_TRUE(keyboard->tap("Next"));
    const int page = view()->verticalScrollBar()->pageStep();
    settle_at([&] { return record_at_top(nullptr) > top + 5 * page / row_height; });
    zvk_test::process_events_for(100);
    settle();
    EXPECT_NEAR(record_at_top(nullptr) - top, 10 * page / row_height, 1);
}

} // namespace
