// The pager that shows a long list of runs a few at a time: wherever the user goes, the document holds
// exactly what QTextEdit::setText of those runs' text gives, every run can be reached, and the scroll
// bar the user sees spans them all. Also the sums of run heights behind that scroll bar.
#include "event_wait.h"
#include "log_fixture.h"
#include "log_reader.h"
#include "log_run_pager.h"
#include "past_log_runs.h"
#include "run_heights.h"

#include <gtest/gtest.h>

#include <QAbstractTextDocumentLayout>
#include <QDate>
#include <QImage>
#include <QKeyEvent>
#include <QLocale>
#include <QPixmap>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QTextTable>
#include <QWheelEvent>

#include <atomic>
#include <limits>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <string>

using namespace log_fixture;

namespace {

const std::int64_t first_key = 1796811300;

TEST(RunHeights, SumsAndPlaces) {
    RunHeights h;
    h.assign({10, 0, 5, 20});
    EXPECT_EQ(h.total(), 35);
    const struct {
        std::int64_t y;
        int run;
    } places[] = {{-3, 0}, {0, 0}, {9, 0}, {10, 2}, {14, 2}, {15, 3}, {34, 3}, {35, 3}, {1000, 3}};
    for (const auto& p : places)
        EXPECT_EQ(h.run_at(p.y), p.run) << "y " << p.y;
    EXPECT_EQ(h.top(0), 0);
    EXPECT_EQ(h.top(2), 10);
    EXPECT_EQ(h.top(3), 15);
    h.set(1, 7); // a run measured: every place after it moves
    EXPECT_EQ(h.top(3), 22);
    EXPECT_EQ(h.run_at(12), 1);
    EXPECT_EQ(h.total(), 42);

    // Estimates made again: every height from the old one, in the same memory.
    h.reassign([&h](int run) { return run == 1 ? h.height(run) : 2 * h.height(run); });
    EXPECT_EQ(h.top(2), 27);
    EXPECT_EQ(h.total(), 77);
    EXPECT_EQ(h.run_at(26), 1);
    h.assign(3, 4);
    EXPECT_EQ(h.count(), 3);
    EXPECT_EQ(h.top(2), 8);
    EXPECT_EQ(h.run_at(11), 2);

    RunHeights none;
    none.assign({});
    EXPECT_EQ(none.run_at(0), -1);
    EXPECT_EQ(none.total(), 0);
}

// A log of runs of one to three devices (so of different heights and row counts, odd and even), its
// runs found as a search finds them, and their text as one builder writes it, run by run.
// `whole` as large as `size`, holding `text` set as one text and laid out to its end: what the pager's
// view must read as.
void show_whole_text(QTextEdit& whole, QSize size, const QString& text) {
    whole.setLineWrapMode(QTextEdit::NoWrap);
    whole.setReadOnly(true);
    whole.resize(size);
    whole.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&whole));
    whole.setText(text);
    whole.document()->documentLayout()->documentSize(); // laid out to its end
    zvk_test::process_events_for(20);
}

class Pager : public ::testing::Test {
protected:
    void SetUp() override {
        std::string log;
        for (int i = 0; i < run_count; ++i) {
            const std::int64_t key = first_key + i * 3600;
            for (int d = 0; d <= i % 3; ++d)
                log += section(d == 1 ? "StatusModule" : "StandardModule", key,
                               "Disk " + std::to_string(i) + "." + std::to_string(d), i % 4 != 3);
        }
        write_log(log);
        find_runs();
        parts = texts_of_runs(first_key, first_key + run_count * 3600);

        view.setLineWrapMode(QTextEdit::NoWrap);
        view.setReadOnly(true);
        view.resize(600, 400);
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
        pager = new LogRunPager(&view);
    }
    // The runs as a search finds them, not indexed yet.
    void find_runs() {
        if (pager)
            pager->clear();
        auto reader = std::make_unique<LogReader>();
        ASSERT_EQ(reader->open(), 0);
        reader->parse();
        runs = std::make_unique<PastLogRuns>(std::move(reader), first_key, first_key + run_count * 3600);
        ASSERT_EQ(runs->count(), run_count);
    }
    void index() {
        const std::atomic<bool> stop{false};
        runs->build_index(stop);
        ASSERT_TRUE(runs->indexed());
        pager->index_ready();
    }
    void settle() {
        ASSERT_TRUE(zvk_test::wait_until([this] { return pager->settled(); }, 60000));
    }
    // Shows the runs, indexed, and pages through to the end, so that every run has been laid out once.
    void show_every_run_measured() {
        index();
        pager->show(runs.get());
        pager->index_ready();
        settle();
        while (bar()->value() < bar()->maximum()) {
            bar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
            settle();
        }
    }
    void expect_document_of_its_runs() { log_fixture::expect_document_of_its_runs(&view, *pager, parts); }
    QScrollBar* bar() { return pager->scroll_bar(); }
    int last_in_document() { return pager->first_run() + pager->runs_in_document() - 1; }

    static constexpr int run_count = 40;
    std::unique_ptr<PastLogRuns> runs;
    QStringList parts;
    QTextEdit view;
    LogRunPager* pager = nullptr;
};

TEST_F(Pager, ShowsTheFirstRunsAtTheNextTurnInTheirOwnScrollBar) {
    QSignalSpy first_runs(pager, SIGNAL(first_runs_shown()));
    pager->show(runs.get());
    EXPECT_EQ(pager->runs_in_document(), 0); // the first run comes at the next turn of the event loop
    EXPECT_FALSE(pager->settled());
    ASSERT_TRUE(first_runs.wait(10000));
    EXPECT_EQ(pager->first_run(), 0);
    EXPECT_GE(pager->runs_in_document(), 1);
    settle();
    EXPECT_EQ(first_runs.count(), 1); // once a show
    expect_document_of_its_runs();
    EXPECT_LT(pager->runs_in_document(), run_count); // only the runs around the view
    EXPECT_TRUE(bar()->isVisible());
    EXPECT_FALSE(view.verticalScrollBar()->isVisible());
    EXPECT_EQ(bar()->value(), 0);
    EXPECT_GT(bar()->maximum(), view.document()->size().height()); // spans every run

    pager->clear();
    EXPECT_FALSE(pager->active());
    EXPECT_TRUE(view.document()->isEmpty());
    EXPECT_FALSE(bar()->isVisible());
    EXPECT_FALSE(view.verticalScrollBar()->isHidden());
    EXPECT_EQ(view.verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
}

// The runs are laid out as wide as setText of their whole text lays it out in a view of the same size:
// as wide as the viewport, which Qt's view gives a text with tables when it is resized, as it is when
// setText shows the scroll bar. The pager gives its document that width itself
// (LogRunPager::lay_out_as_set_text); should a Qt release lay such a text out otherwise, this fails.
TEST_F(Pager, LaysItsRunsOutAsWideAsSetTextDoes) {
    QTextEdit same;
    same.setLineWrapMode(QTextEdit::NoWrap);
    same.setReadOnly(true);
    same.resize(view.size());
    same.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&same));
    same.setText(parts.join(""));
    zvk_test::process_events_for(50);
    EXPECT_EQ(same.document()->pageSize().width(), same.viewport()->width()); // Qt's way

    view.clear(); // a view emptied lays out 0 pixels wide again
    zvk_test::process_events_for(50);
    pager->show(runs.get());
    EXPECT_EQ(view.document()->pageSize().width(), same.document()->pageSize().width()); // before any event
    EXPECT_EQ(view.viewport()->width(), same.viewport()->width());
    index();
    for (const QSize size : {QSize(900, 300), QSize(450, 700)}) {
        SCOPED_TRACE(size.width());
        same.resize(size);
        view.resize(size);
        zvk_test::process_events_for(50);
        settle();
        EXPECT_EQ(same.document()->pageSize().width(), same.viewport()->width());
        EXPECT_EQ(view.document()->pageSize().width(), same.document()->pageSize().width());
    }
    // A far place: the document is built anew there.
    bar()->setValue(bar()->maximum() / 2);
    settle();
    EXPECT_EQ(view.document()->pageSize().width(), same.document()->pageSize().width());
    expect_document_of_its_runs();
}

// Every way of moving reaches every run, and each place holds exactly its runs.
TEST_F(Pager, EveryRunCanBeReachedEveryWay) {
    const struct {
        const char* way;
        std::function<void(QTextEdit*, QScrollBar*)> step;
    } ways[] = {
        {"bar page step",
         [](QTextEdit*, QScrollBar* b) { b->triggerAction(QAbstractSlider::SliderPageStepAdd); }},
        {"Page Down", [](QTextEdit* v, QScrollBar*) { QTest::keyClick(v, Qt::Key_PageDown); }},
        {"wheel",
         [](QTextEdit* v, QScrollBar*) {
             QWheelEvent wheel(QPointF(50, 50), v->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, -360),
                               Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
             QCoreApplication::sendEvent(v->viewport(), &wheel);
         }},
    };
    index();
    for (const auto& way : ways) {
        SCOPED_TRACE(way.way);
        pager->show(runs.get());
        pager->index_ready();
        settle();
        std::set<int> seen;
        for (int step = 0; step < 2000 && last_in_document() < run_count - 1; ++step) {
            way.step(&view, bar());
            settle();
            for (int i = pager->first_run(); i <= last_in_document(); ++i)
                seen.insert(i);
            if (step % 7 == 0)
                expect_document_of_its_runs();
        }
        // On to the very end.
        for (int step = 0; step < 200 && bar()->value() < bar()->maximum(); ++step) {
            way.step(&view, bar());
            settle();
        }
        EXPECT_EQ(int(seen.size()), run_count);
        EXPECT_EQ(last_in_document(), run_count - 1);
        EXPECT_EQ(bar()->value(), bar()->maximum());
        EXPECT_EQ(view.verticalScrollBar()->value(), view.verticalScrollBar()->maximum());
        expect_document_of_its_runs();
    }
}

TEST_F(Pager, DraggedToAnyPlaceShowsTheRunThere) {
    pager->show(runs.get());
    index();
    settle();
    for (int percent : {50, 100, 10, 0, 75}) {
        SCOPED_TRACE(percent);
        bar()->setValue(bar()->maximum() * percent / 100);
        settle();
        expect_document_of_its_runs();
        if (percent == 0) {
            EXPECT_EQ(pager->first_run(), 0);
        }
        if (percent == 100) {
            EXPECT_EQ(last_in_document(), run_count - 1);
        }
        // Where the user put it, but for the estimates of heights that measured runs have corrected.
        if (percent == 0 || percent == 100) {
            EXPECT_EQ(bar()->value(), bar()->maximum() * percent / 100);
        } else {
            EXPECT_NEAR(bar()->value(), bar()->maximum() * percent / 100, bar()->maximum() / 20);
        }
    }
    // Home and End go to the first and the last run of all.
    QTest::keyClick(&view, Qt::Key_End);
    settle();
    EXPECT_EQ(last_in_document(), run_count - 1);
    EXPECT_EQ(bar()->value(), bar()->maximum());
    QTest::keyClick(&view, Qt::Key_Home, Qt::ControlModifier);
    settle();
    EXPECT_EQ(pager->first_run(), 0);
    EXPECT_EQ(bar()->value(), 0);
    EXPECT_EQ(view.verticalScrollBar()->value(), 0);
}

// With every run's height known, a drag shows exactly the place of the whole text that the handle was
// let go at, as the whole text set into a view of the same size shows it there, and the handle stays
// under the pointer all the way.
TEST_F(Pager, DragLandsWhereTheHandleIsDropped) {
    show_every_run_measured();
    QTextEdit whole;
    ASSERT_NO_FATAL_FAILURE(show_whole_text(whole, view.size(), parts.join("")));
    ASSERT_EQ(bar()->maximum(), whole.verticalScrollBar()->maximum()); // the heights are known

    std::mt19937 random(29);
    for (int drag = 0; drag < 60; ++drag) {
        const int from = bar()->value();
        const int to = std::uniform_int_distribution<int>(0, bar()->maximum())(random);
        SCOPED_TRACE("drag " + std::to_string(drag) + " from " + std::to_string(from) + " to " +
                     std::to_string(to));
        // Pressed on the handle, moved there in five steps as a hand moves it, let go.
        bar()->setSliderDown(true);
        for (int step = 1; step <= 5; ++step) {
            const int position = from + (to - from) * step / 5;
            bar()->setSliderPosition(position);
            zvk_test::process_events_for(5);
            EXPECT_EQ(bar()->value(), position) << "step " << step;
        }
        settle();
        EXPECT_EQ(bar()->value(), to) << "held";
        bar()->setSliderDown(false);
        settle();
        EXPECT_EQ(bar()->value(), to) << "let go";
        whole.verticalScrollBar()->setValue(to);
        const std::optional<int> shift = vertical_shift(view.viewport()->grab().toImage(),
                                                        whole.viewport()->grab().toImage(), view.height());
        ASSERT_TRUE(shift.has_value()) << "the view shows another text";
        EXPECT_LE(std::abs(*shift), 2) << "the view shows the place " << to + *shift;
    }
}

// Steps queued faster than runs come into the document (Page Down pressed many times at once, a quick
// turn of the wheel) go as far as the same steps go in the whole text, down and back up again.
TEST_F(Pager, QueuedStepsGoAsFarAsInTheWholeText) {
    show_every_run_measured();
    QTextEdit whole;
    ASSERT_NO_FATAL_FAILURE(show_whole_text(whole, view.size(), parts.join("")));
    ASSERT_EQ(bar()->maximum(), whole.verticalScrollBar()->maximum());

    const struct {
        const char* way;
        std::function<void(QTextEdit*, bool)> post; // one step, down or up
    } ways[] = {
        {"Page Down and Page Up",
         [](QTextEdit* v, bool down) {
             QCoreApplication::postEvent(
                 v,
                 new QKeyEvent(QEvent::KeyPress, down ? Qt::Key_PageDown : Qt::Key_PageUp, Qt::NoModifier));
         }},
        {"wheel",
         [](QTextEdit* v, bool down) {
             QCoreApplication::postEvent(v->viewport(),
                                         new QWheelEvent(QPointF(50, 50), v->mapToGlobal(QPointF(50, 50)),
                                                         QPoint(), QPoint(0, down ? -120 : 120), Qt::NoButton,
                                                         Qt::NoModifier, Qt::NoScrollPhase, false));
         }},
    };
    for (const auto& way : ways) {
        for (const int steps : {10, 25}) {
            SCOPED_TRACE(testing::Message() << way.way << ", " << steps << " steps");
            bar()->setValue(0);
            settle();
            whole.verticalScrollBar()->setValue(0);
            for (bool down : {true, false}) {
                for (int step = 0; step < steps; ++step) {
                    way.post(&view, down);
                    way.post(&whole, down);
                }
                settle();
                zvk_test::process_events_for(20);
                settle();
                if (down) {
                    ASSERT_GT(whole.verticalScrollBar()->value(), 0);
                }
                EXPECT_EQ(bar()->value(), whole.verticalScrollBar()->value()) << (down ? "down" : "back up");
                const std::optional<int> shift = vertical_shift(
                    view.viewport()->grab().toImage(), whole.viewport()->grab().toImage(), view.height());
                ASSERT_TRUE(shift.has_value()) << "the view shows another text";
                EXPECT_LE(std::abs(*shift), 2);
            }
        }
    }
}

// While runs are still being measured, the place a value of the bar stands for moves as their heights
// come; the handle stays under the pointer all the same until it is let go.
TEST_F(Pager, HandleStaysUnderThePointerWhileRunsAreMeasured) {
    index();
    pager->show(runs.get());
    pager->index_ready();
    settle();
    const int top = bar()->maximum();
    bar()->setSliderDown(true);
    for (int step = 1; step <= 10; ++step) {
        const int position = top * step / 11;
        bar()->setSliderPosition(position);
        zvk_test::process_events_for(5);
        EXPECT_EQ(bar()->value(), position) << "step " << step;
    }
    settle();
    EXPECT_EQ(bar()->value(), top * 10 / 11);
    bar()->setSliderDown(false);
    settle();
    expect_document_of_its_runs();
    EXPECT_NEAR(bar()->value(), top * 10 / 11, top / 20); // where the measured heights put that place
}

// Without the index only the runs after those rendered can be rendered: the end waits for it, with
// nothing of the old place in view and the busy cursor over the view meanwhile, and comes as soon as
// the index does.
TEST_F(Pager, EndBeforeTheIndexWaitsForItUnderTheBusyCursor) {
    const struct {
        const char* way;
        std::function<void(QTextEdit*, QScrollBar*)> to_end;
    } ways[] = {
        {"End", [](QTextEdit* v, QScrollBar*) { QTest::keyClick(v, Qt::Key_End); }},
        {"Ctrl+End", [](QTextEdit* v, QScrollBar*) { QTest::keyClick(v, Qt::Key_End, Qt::ControlModifier); }},
        {"handle dragged to the bottom",
         [](QTextEdit*, QScrollBar* b) {
             b->setSliderDown(true);
             for (int step = 1; step <= 4; ++step) {
                 b->setSliderPosition(b->maximum() * step / 4);
                 zvk_test::process_events_for(5);
             }
             b->setSliderDown(false);
         }},
    };
    const ViewCursor cursor(&view);
    for (const auto& way : ways) {
        SCOPED_TRACE(way.way);
        find_runs();
        pager->show(runs.get());
        settle();
        EXPECT_TRUE(cursor.normal());
        way.to_end(&view, bar());
        zvk_test::process_events_for(50);
        EXPECT_FALSE(pager->settled());
        EXPECT_TRUE(view.document()->isEmpty());
        EXPECT_TRUE(cursor.busy());
        index();
        settle();
        EXPECT_EQ(last_in_document(), run_count - 1);
        EXPECT_EQ(bar()->value(), bar()->maximum());
        EXPECT_EQ(view.verticalScrollBar()->value(), view.verticalScrollBar()->maximum());
        EXPECT_TRUE(cursor.normal());
        expect_document_of_its_runs();
    }
    // Given up while it waits, the view gets its cursor back.
    find_runs();
    pager->show(runs.get());
    settle();
    QTest::keyClick(&view, Qt::Key_End);
    zvk_test::process_events_for(20);
    EXPECT_TRUE(cursor.busy());
    pager->clear();
    EXPECT_TRUE(cursor.normal());
}

TEST_F(Pager, ResizedViewStillShowsItsRuns) {
    pager->show(runs.get());
    index();
    bar()->setValue(bar()->maximum() / 2);
    settle();
    const int run = pager->first_run();
    view.resize(900, 200);
    settle();
    view.resize(500, 700);
    settle();
    expect_document_of_its_runs();
    EXPECT_LE(std::abs(pager->first_run() - run), 1);
}

// One run of many records, and one of many devices, among short ones are shown in pieces of about a
// hundred rows. Wherever the user
// goes, before the index and after it, the document holds exactly its pieces; every piece is reached;
// and the pieces one after the other read as the whole text: the same rows in the same order with the
// same backgrounds.
TEST(PagerOfOneLongRun, ReadsAsTheWholeText) {
    const int records = 1234;
    std::string log = section("StandardModule", first_key, "Disk A");
    log += long_section("STORAGE", first_key + 3600, "Failing disk", records);
    log += many_devices_section("STORAGE", first_key + 5400, 300);
    log += section("StatusModule", first_key + 7200, "Disk B") +
           section("StandardModule", first_key + 7200, "Disk C");
    write_log(log);
    auto reader = std::make_unique<LogReader>();
    ASSERT_EQ(reader->open(), 0);
    reader->parse();
    PastLogRuns runs(std::move(reader), first_key, first_key + 7200);
    ASSERT_EQ(runs.run_count(), 4);
    ASSERT_GE(runs.count(), 2 + records / PastLogRuns::piece_rows + 300 * 9 / (2 * PastLogRuns::piece_rows));

    QStringList pieces;
    std::int64_t rows_before = 0;
    for (int i = 0; i < runs.count(); ++i) {
        int rows = 0;
        pieces << runs.html(i, rows_before, &rows);
        EXPECT_LE(rows, 2 * PastLogRuns::piece_rows) << "piece " << i;
        rows_before += rows;
    }
    const QStringList whole_rows = table_rows_of(texts_of_runs(first_key, first_key + 7200).join(""));
    ASSERT_GT(whole_rows.size(), records);
    EXPECT_EQ(table_rows_of(pieces.join("")), whole_rows);

    QTextEdit view;
    view.setLineWrapMode(QTextEdit::NoWrap);
    view.setReadOnly(true);
    view.resize(900, 400); // as wide as every run: no horizontal scroll bar comes and goes
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    auto* pager = new LogRunPager(&view);
    pager->show(&runs);
    std::set<int> seen;
    for (int step = 0; step < 5000; ++step) {
        ASSERT_TRUE(zvk_test::wait_until([&] { return pager->settled(); }, 60000));
        if (step == 40) {
            const std::atomic<bool> stop{false};
            runs.build_index(stop);
            pager->index_ready();
            continue;
        }
        for (int i = pager->first_run(); i < pager->first_run() + pager->runs_in_document(); ++i)
            seen.insert(i);
        if (step % 5 == 0)
            expect_document_of_its_runs(&view, *pager, pieces);
        // The bar at its end while the view is not would stop the walk: a step goes as far as in the view.
        if (pager->scroll_bar()->value() == pager->scroll_bar()->maximum()) {
            EXPECT_EQ(pager->first_run() + pager->runs_in_document(), runs.count());
            EXPECT_EQ(view.verticalScrollBar()->value(), view.verticalScrollBar()->maximum());
            break;
        }
        QTest::keyClick(&view, Qt::Key_PageDown);
    }
    EXPECT_EQ(int(seen.size()), runs.count());
    EXPECT_EQ(pager->first_run() + pager->runs_in_document(), runs.count());
    expect_document_of_its_runs(&view, *pager, pieces);

    // Every piece measured: each place shows what the whole text shows there, the table's rows where
    // the one table has them, their columns lined up.
    QTextEdit whole;
    ASSERT_NO_FATAL_FAILURE(
        show_whole_text(whole, view.size(), texts_of_runs(first_key, first_key + 7200).join("")));
    QScrollBar* bar = pager->scroll_bar();
    ASSERT_EQ(bar->maximum(), whole.verticalScrollBar()->maximum());
    for (int sevenths = 0; sevenths <= 7; ++sevenths) {
        const int place = bar->maximum() * sevenths / 7;
        SCOPED_TRACE(place);
        bar->setValue(place);
        ASSERT_TRUE(zvk_test::wait_until([&] { return pager->settled(); }, 60000));
        whole.verticalScrollBar()->setValue(place);
        const QRect top(0, 0, view.viewport()->width(), view.viewport()->height() - 40);
        const std::optional<int> shift = vertical_shift(view.viewport()->grab(top).toImage(),
                                                        whole.viewport()->grab(top).toImage(), view.height());
        ASSERT_TRUE(shift.has_value()) << "the view shows another text";
        EXPECT_LE(std::abs(*shift), 2) << "the view shows the place " << place + *shift;
    }
}

// Where a tests table's times grow wider (en_US: 9:59 AM to 10:00 AM, day 9 to day 10), the pieces
// before that have only the narrower ones; each piece is a table of its own, and still its records'
// values start where they start in the whole text's one table.
TEST(PagerOfOneLongRun, PiecesOfATableKeepItsColumns) {
    const struct {
        const char* name;
        QDate day;
        int hour;
        int minute;
        const char* wider; // in the first of the wider times
    } cases[] = {{"9:58 AM to 10:01 AM", QDate(2026, 12, 11), 9, 58, "10:00 AM"},
                 {"day 9 to day 10", QDate(2026, 12, 9), 23, 58, "12/10/26"}};
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    // The x of every record's value in the text; with a name, a picture of the view at the start of the
    // last table before the first wider time.
    const auto value_columns = [](const QString& html, const QString& wider, const QString& picture) {
        QTextEdit view;
        view.setLineWrapMode(QTextEdit::NoWrap);
        view.setReadOnly(true);
        view.resize(900, 400);
        view.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&view));
        view.setHtml(html);
        QAbstractTextDocumentLayout* layout = view.document()->documentLayout();
        std::set<int> columns;
        QTextTable* last_table = nullptr;
        int table_top = 0;
        for (QTextBlock block = view.document()->begin(); block.isValid(); block = block.next()) {
            QTextTable* table = QTextCursor(block).currentTable();
            if (!table || table->cellAt(block.position()).column() != 1 ||
                !block.text().startsWith("Warning"))
                continue;
            const QRectF place = layout->blockBoundingRect(block);
            columns.insert(int(place.left()));
            if (table != last_table) {
                last_table = table;
                table_top = int(place.top());
            }
            const int row = table->cellAt(block.position()).row();
            if (!picture.isEmpty() &&
                table->cellAt(row, 0).firstCursorPosition().block().text().contains(wider)) {
                view.verticalScrollBar()->setValue(table_top - 100);
                view.grab().save(QString::fromLocal8Bit(qgetenv("ZVK_TEST_WORK_DIR")) + "/" + picture);
                return std::set<int>(); // the rest is not looked at
            }
        }
        return columns;
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::int64_t key = local_time(c.day, c.hour, c.minute, 0);
        write_log(long_section("STORAGE", key, "Failing disk", 600)); // records 3 a second, 3:20 long
        auto reader = std::make_unique<LogReader>();
        ASSERT_EQ(reader->open(), 0);
        reader->parse();
        PastLogRuns runs(std::move(reader), key, key);
        ASSERT_GE(runs.count(), 4);
        QString pieces;
        std::int64_t rows_before = 0;
        for (int i = 0; i < runs.count(); ++i) {
            int rows = 0;
            pieces += runs.html(i, rows_before, &rows);
            rows_before += rows;
        }
        const std::set<int> whole =
            value_columns(runs.whole_text(std::numeric_limits<std::int64_t>::max()), "", "");
        ASSERT_EQ(whole.size(), 1u);
        EXPECT_EQ(value_columns(pieces, c.wider, ""), whole);
        value_columns(pieces, c.wider, QString("pieces_of_one_table_%1.png").arg(c.hour));
    }
    QLocale::setDefault(saved);
}

// The horizontal scroll bar spans the widest run laid out, as it spans the widest run of the whole
// text, and a place scrolled to the right holds while the wide run leaves the document.
TEST(PagerOfOneWideRun, HorizontalRangeAndPlaceHold) {
    std::string log;
    for (int i = 0; i < 30; ++i)
        log += section("StandardModule", first_key + i * 3600, i == 1 ? std::string(300, 'W') : "Disk");
    write_log(log);
    auto reader = std::make_unique<LogReader>();
    ASSERT_EQ(reader->open(), 0);
    reader->parse();
    PastLogRuns runs(std::move(reader), first_key, first_key + 30 * 3600);
    const std::atomic<bool> stop{false};
    runs.build_index(stop);
    QTextEdit whole;
    QTextEdit view;
    for (QTextEdit* v : {&whole, &view}) {
        v->setLineWrapMode(QTextEdit::NoWrap);
        v->setReadOnly(true);
        v->resize(600, 400);
        v->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(v));
    }
    whole.setText(texts_of_runs(first_key, first_key + 30 * 3600).join(""));
    zvk_test::process_events_for(50);
    auto* pager = new LogRunPager(&view);
    pager->show(&runs);
    pager->index_ready();
    const auto settle = [&] { ASSERT_TRUE(zvk_test::wait_until([&] { return pager->settled(); }, 60000)); };
    settle();
    zvk_test::process_events_for(50);
    QScrollBar* horizontal = view.horizontalScrollBar();
    ASSERT_GT(whole.horizontalScrollBar()->maximum(), 1000);
    EXPECT_EQ(horizontal->maximum(), whole.horizontalScrollBar()->maximum());
    EXPECT_TRUE(horizontal->isVisible());
    const int right = horizontal->maximum() / 2;
    horizontal->setValue(right);
    for (int step = 0; step < 20; ++step) {
        SCOPED_TRACE(step);
        QTest::keyClick(&view, Qt::Key_PageDown);
        settle();
        zvk_test::process_events_for(5);
        EXPECT_EQ(horizontal->maximum(), whole.horizontalScrollBar()->maximum());
        EXPECT_EQ(horizontal->value(), right);
    }
    EXPECT_GT(pager->first_run(), 1); // the wide run has left
    // Far off and back again: the document built anew keeps the place too.
    pager->scroll_bar()->setValue(pager->scroll_bar()->maximum());
    settle();
    pager->scroll_bar()->setValue(0);
    settle();
    zvk_test::process_events_for(5);
    EXPECT_EQ(horizontal->value(), right);
}

} // namespace
