// The log selection screen: every run whose start lies in the chosen days, in local time, oldest
// first; the grey bar when there is none; the limits of the two dates; the way back.
#include "background_job.h"
#include "event_wait.h"
#include "gui_manager_access.h"
#include "heap_in_use.h"
#include "log_fixture.h"
#include "log_reader.h"
#include "log_run_pager.h"
#include "gui_worker_objects.h"

#include <gtest/gtest.h>

#include <QCalendarWidget>
#include <QCoreApplication>
#include <QDate>
#include <QDateEdit>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextEdit>

#include <ctime>
#include <string>

using Access = GUIManagerTestAccess;
using namespace log_fixture;

namespace {

class LogSelection : public Window {
protected:
    void SetUp() override {
        Window::SetUp();
        today = QDate::currentDate();
        w().set_log_selection_screen();
    }
    GUILogSelectionScreen& screen() { return Access::log_selection_screen(w()); }
    template <typename T> T* child(const char* name) {
        T* found = screen().findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QTextEdit* view() { return child<QTextEdit>("html_log_textEdit"); }
    QDateEdit* from() { return child<QDateEdit>("from_dateEdit"); }
    QDateEdit* to() { return child<QDateEdit>("to_dateEdit"); }
    QPushButton* search_button() { return child<QPushButton>("search_pushButton"); }
    bool bar_shown() { return !child<QFrame>("log_status_frame")->isHidden(); }
    QString bar_text() { return child<QLabel>("log_status_label")->text(); }
    QString shown() { return view()->toPlainText(); }

    // A click on Search, and the wait until what it found is in the view.
    void click_search() {
        QSignalSpy shown(&screen(), SIGNAL(logs_shown()));
        search_button()->click();
        ASSERT_TRUE(shown.count() > 0 || shown.wait(60000));
    }
    void search(const QDate& first, const QDate& last) {
        from()->setDate(first);
        to()->setDate(last);
        ASSERT_TRUE(search_button()->isEnabled());
        click_search();
    }
    // The runs found, in the order the view lists them (each run's device is named after it).
    void expect_listed_in_order(const QStringList& names) {
        const QString text = shown();
        qsizetype previous = -1;
        for (const QString& name : names) {
            const qsizetype at = text.indexOf(name);
            EXPECT_GT(at, previous) << name.toStdString() << " in\n" << text.toStdString();
            previous = at;
        }
    }
    void expect_not_listed(const QStringList& names) {
        for (const QString& name : names)
            EXPECT_FALSE(shown().contains(name)) << name.toStdString();
    }
    // The view holds exactly the HTML of every run of the days, rendered as one text.
    void expect_view_holds_every_run(const QDate& first, const QDate& last) {
        const QStringList texts = texts_of_runs(local_time(first, 0, 0, 0), local_time(last, 23, 59, 59));
        EXPECT_EQ(view_content(view()), content_of(texts.join("")));
    }
    void expect_bar(const QString& message) {
        EXPECT_TRUE(bar_shown());
        EXPECT_EQ(bar_text(), message);
        EXPECT_TRUE(view()->document()->isEmpty());
    }

    QDate today;
};

TEST_F(LogSelection, ResetPreparesAnEmptySearchOfToday) {
    // Leave the page in another state first: other dates, a message, Search disabled.
    search(today.addDays(-3), today.addDays(-2));
    from()->setDate(today.addDays(-1));
    to()->setDate(today.addDays(-2));
    ASSERT_FALSE(search_button()->isEnabled());
    ASSERT_TRUE(bar_shown());

    screen().reset();
    EXPECT_EQ(from()->date(), today);
    EXPECT_EQ(to()->date(), today);
    EXPECT_EQ(to()->maximumDate(), today);
    EXPECT_EQ(from()->minimumDate(), QDate(1970, 1, 1));
    EXPECT_EQ(to()->minimumDate(), QDate(1970, 1, 1));
    EXPECT_TRUE(search_button()->isEnabled());
    EXPECT_FALSE(bar_shown());
    EXPECT_EQ(bar_text(), "LogFileNotFound"); // kept, hidden with its bar
    EXPECT_FALSE(child<QFrame>("outer_log_status_frame")->isHidden());
    EXPECT_TRUE(child<QFrame>("log_vizualization_frame")->isHidden());
    EXPECT_TRUE(view()->document()->isEmpty());
    EXPECT_EQ(from()->calendarWidget()->styleSheet(), "* { color: black;}");
    EXPECT_EQ(to()->calendarWidget()->styleSheet(), "* { color: black;}");
}

TEST_F(LogSelection, TodayHoldsItsRunsFromTheFirstToTheLastSecond) {
    write_log(section("StandardModule", local_time(today, 23, 59, 59), "Disk last second") +
              section("StandardModule", local_time(today.addDays(1), 0, 0, 0), "Disk next day") +
              section("StandardModule", local_time(today, 0, 0, 0), "Disk first second") +
              section("StandardModule", local_time(today.addDays(-1), 23, 59, 59), "Disk day before"));
    click_search(); // from and to are today after reset
    EXPECT_FALSE(bar_shown());
    expect_listed_in_order({"Disk first second", "Disk last second"});
    expect_not_listed({"Disk next day", "Disk day before"});
}

TEST_F(LogSelection, ListsEverySectionOfEveryRunOldestFirst) {
    const QDate first = today.addDays(-2);
    write_log(section("StandardModule", local_time(today, 10, 0, 0), "Disk today") +
              section("StandardModule", local_time(first, 10, 0, 0), "Disk two days ago") +
              section("StatusModule", local_time(first.addDays(1), 10, 0, 0), "Disk yesterday A") +
              section("OtherSubsystem", local_time(first.addDays(1), 10, 0, 0), "Disk yesterday B", false) +
              section("StandardModule", local_time(first.addDays(-1), 10, 0, 0), "Disk too early"));
    search(first, today);
    EXPECT_FALSE(bar_shown());
    expect_listed_in_order({"Disk two days ago", "Disk yesterday A", "Disk yesterday B", "Disk today"});
    expect_not_listed({"Disk too early"});

    // Exactly the HTML of those runs, rendered as one text.
    expect_view_holds_every_run(first, today);
}

// Runs enough that their text is too long for one setText: the view holds a few of them at a time,
// exactly as the text of all of them shows them, and every one of them can be reached.
class LongResult : public LogSelection {
protected:
    void SetUp() override {
        LogSelection::SetUp();
        std::string log;
        const std::int64_t midnight = local_time(today, 0, 0, 0);
        for (int i = runs; i >= 1; --i)
            log += section(i % 2 ? "StandardModule" : "StatusModule", midnight - i * 3600,
                           "Disk " + std::to_string(i), i % 5 != 0);
        write_log(log);
        first = today.addDays(-runs / 24 - 1);
        parts = texts_of_runs(local_time(first, 0, 0, 0), local_time(today, 23, 59, 59));
        ASSERT_EQ(parts.size(), runs);
        ASSERT_GT(parts.join("").size(), GUILogSelectionScreen::default_text_limit);
    }
    LogRunPager* pager() { return screen().pager(); }
    void expect_document_of_its_runs() { log_fixture::expect_document_of_its_runs(view(), *pager(), parts); }
    bool at_the_last_run() {
        return pager()->settled() && pager()->first_run() + pager()->runs_in_document() == runs;
    }

    static constexpr int runs = 450;
    QDate first;
    QStringList parts;
};

TEST_F(LongResult, ShowsAFewRunsAtATimeAndReachesEveryOne) {
    zvk_test::WorkerObjectWatch watch;
    search(first, today);
    EXPECT_FALSE(bar_shown());
    ASSERT_TRUE(pager()->active());
    EXPECT_EQ(pager()->first_run(), 0);
    ASSERT_TRUE(zvk_test::wait_until([this] { return pager()->settled(); }, 60000));
    expect_document_of_its_runs();

    // To the end (it waits for the index that the search builds in the background), and back.
    QTest::keyClick(view(), Qt::Key_End);
    ASSERT_TRUE(zvk_test::wait_until([this] { return at_the_last_run(); }, 60000));
    expect_document_of_its_runs();
    pager()->scroll_bar()->setValue(pager()->scroll_bar()->maximum() / 3);
    ASSERT_TRUE(zvk_test::wait_until([this] { return pager()->settled(); }, 60000));
    expect_document_of_its_runs();
    EXPECT_GT(pager()->first_run(), 0);

    // No worker thread made a text document: what crosses to the window's thread is plain text.
    EXPECT_EQ(watch.text_documents(), 0);
}

TEST_F(LongResult, LaterSearchOrLeavingGivesTheSearchUp) {
    QSignalSpy shown(&screen(), SIGNAL(logs_shown()));
    // A reset while the log is read: nothing of that search comes any more.
    from()->setDate(first);
    search_button()->click();
    EXPECT_TRUE(screen().searching());
    screen().reset();
    EXPECT_FALSE(screen().searching());
    EXPECT_FALSE(shown.wait(1000));
    EXPECT_TRUE(view()->document()->isEmpty());

    // A second search while the first one runs: only the second one's runs are shown, once.
    const QDate yesterday = today.addDays(-1);
    from()->setDate(first);
    search_button()->click();
    search(yesterday, yesterday);
    EXPECT_EQ(shown.count(), 1);
    EXPECT_FALSE(pager()->active());
    expect_view_holds_every_run(yesterday, yesterday);
    EXPECT_FALSE(shown.wait(1000));
    expect_view_holds_every_run(yesterday, yesterday);

    // Back, with a long result shown and its index still to come: the page is empty and idle.
    w().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w()));
    search(first, today);
    ASSERT_TRUE(pager()->active());
    child<QPushButton>("back_pushButton")->click();
    EXPECT_EQ(Access::page(w()), 0);
    EXPECT_FALSE(pager()->active());
    EXPECT_FALSE(screen().searching());
    EXPECT_TRUE(view()->document()->isEmpty());
}

// A result of exactly the whole-text limit goes into the view as one text; with one character more
// than the limit it is shown a few runs at a time.
TEST_F(LogSelection, WholeTextLimitIsTheLongestResultShownAsOneText) {
    write_log(section("StandardModule", local_time(today, 10, 0, 0), "Disk A") +
              section("StatusModule", local_time(today, 11, 0, 0), "Disk B", false) +
              section("StandardModule", local_time(today, 12, 0, 0), "Disk C"));
    const QString text = texts_of_runs(local_time(today, 0, 0, 0), local_time(today, 23, 59, 59)).join("");
    const std::int64_t length = text.size();
    const struct {
        std::int64_t limit;
        bool one_text;
    } limits[] = {{length, true}, {length - 1, false}, {length + 1, true}, {1, false}};
    for (const auto& l : limits) {
        SCOPED_TRACE("limit " + std::to_string(l.limit) + " for " + std::to_string(length));
        GUILogSelectionScreen limited(&w(), l.limit);
        limited.reset(); // today to today
        QSignalSpy shown(&limited, SIGNAL(logs_shown()));
        limited.findChild<QPushButton*>("search_pushButton")->click();
        ASSERT_TRUE(shown.count() > 0 || shown.wait(60000));
        QTextEdit* const text_view = limited.findChild<QTextEdit*>("html_log_textEdit");
        EXPECT_NE(limited.pager()->active(), l.one_text);
        if (l.one_text) {
            EXPECT_EQ(view_content(text_view), content_of(text));
        } else {
            EXPECT_EQ(limited.pager()->first_run(), 0);
        }
    }
}

// While a search reads the log the busy cursor is over the view (its text, frame and scroll bars); it
// goes when what the search found is shown, whatever that is, and when the search is given up.
TEST_F(LongResult, BusyCursorFromTheSearchUntilWhatItFoundIsShown) {
    const log_fixture::ViewCursor cursor(view());
    ASSERT_FALSE(cursor.busy());
    const QDate yesterday = today.addDays(-1);
    const struct {
        const char* what;
        QDate from, to;
    } searches[] = {
        {"a long result, until its first runs", first, today},
        {"a short result, until its text", yesterday, yesterday},
        {"no run in the days, until the message", today.addDays(1), today.addDays(1)},
    };
    for (const auto& s : searches) {
        SCOPED_TRACE(s.what);
        from()->setDate(s.from);
        to()->setMaximumDate(s.to);
        to()->setDate(s.to);
        QSignalSpy shown_spy(&screen(), SIGNAL(logs_shown()));
        search_button()->click();
        EXPECT_TRUE(cursor.busy()); // what it finds comes through the event loop, later
        ASSERT_TRUE(shown_spy.wait(60000));
        EXPECT_TRUE(cursor.normal());
    }

    // Given up: by a reset, by the next search (busy again for that one), by leaving the page.
    from()->setDate(first);
    to()->setDate(today);
    search_button()->click();
    screen().reset();
    EXPECT_TRUE(cursor.normal());
    from()->setDate(first);
    search_button()->click();
    search_button()->click();
    EXPECT_TRUE(cursor.busy());
    QSignalSpy shown_spy(&screen(), SIGNAL(logs_shown()));
    ASSERT_TRUE(shown_spy.wait(60000));
    EXPECT_TRUE(cursor.normal());
    w().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w()));
    search_button()->click();
    EXPECT_TRUE(cursor.busy());
    child<QPushButton>("back_pushButton")->click();
    EXPECT_TRUE(cursor.normal());

    // Without a log file the message comes at once: the cursor never changes.
    remove_log_folder();
    w().set_log_selection_screen();
    search_button()->click();
    EXPECT_TRUE(cursor.normal());
    expect_bar("LogFileNotFound");
}

// One day searched in a log of many days: with its runs shown (a few at a time), the screen keeps
// those runs and nothing of the rest of the parsed log.
TEST_F(LogSelection, OneDayOfManyKeepsOnlyItsRuns) {
    const int days = 250;
    const int per_day = 6;
    std::string log;
    for (int day = days; day >= 1; --day) {
        for (int run = 0; run < per_day; ++run)
            log += section("StandardModule", local_time(today.addDays(-day), 2 + 3 * run, 0, 0),
                           "Disk " + std::to_string(day) + "." + std::to_string(run));
    }
    write_log(log);
    // What the parsed log takes.
    zvk_test::process_events_for(0);
    std::size_t parsed_bytes = 0;
    {
        const std::size_t before = zvk_test::heap_bytes_in_use();
        LogReader reader;
        ASSERT_EQ(reader.open(), 0);
        reader.parse();
        parsed_bytes = zvk_test::heap_bytes_in_use() - before;
    }

    // A page whose results go to the pager from a few characters on.
    GUILogSelectionScreen page(&w(), 1000);
    page.resize(800, 600);
    page.reset();
    const QDate day = today.addDays(-days / 2);
    page.findChild<QDateEdit*>("from_dateEdit")->setDate(day);
    page.findChild<QDateEdit*>("to_dateEdit")->setDate(day);
    zvk_test::process_events_for(0);
    ASSERT_TRUE(wait_for_background_jobs(30000));
    const std::size_t before = zvk_test::heap_bytes_in_use();
    QSignalSpy shown_spy(&page, SIGNAL(logs_shown()));
    page.findChild<QPushButton*>("search_pushButton")->click();
    ASSERT_TRUE(shown_spy.wait(60000));
    ASSERT_TRUE(page.pager()->active());
    ASSERT_TRUE(zvk_test::wait_until([&] { return page.pager()->settled(); }, 60000));
    ASSERT_TRUE(wait_for_background_jobs(30000)); // the index is built, the rest freed
    zvk_test::process_events_for(50);
    const std::size_t kept = zvk_test::heap_bytes_in_use() - before;
    EXPECT_LT(kept, parsed_bytes / 4) << "kept " << kept << " bytes; the parsed log takes " << parsed_bytes;
}

TEST_F(LogSelection, DateLimitsDecideWhetherSearchIsPossible) {
    to()->setDate(today.addDays(1));
    EXPECT_EQ(to()->date(), today); // not after today
    from()->setDate(today.addDays(1));
    EXPECT_EQ(from()->date(), today.addDays(1));
    EXPECT_FALSE(search_button()->isEnabled()); // from after to
    from()->setDate(today);
    EXPECT_TRUE(search_button()->isEnabled());

    from()->setDate(QDate(1969, 12, 31));
    to()->setDate(QDate(1969, 6, 1));
    EXPECT_EQ(from()->date(), QDate(1970, 1, 1));
    EXPECT_EQ(to()->date(), QDate(1970, 1, 1));
    EXPECT_TRUE(search_button()->isEnabled()); // one day, the first there is

    from()->setDate(QDate(1970, 1, 2));
    EXPECT_FALSE(search_button()->isEnabled());
}

TEST_F(LogSelection, FirstDayOf1970) {
    write_log(section("StandardModule", 100, "Disk of 1970") +
              section("StandardModule", local_time(today, 10, 0, 0), "Disk today"));
    search(QDate(1970, 1, 1), today);
    if (local_time(QDate(1970, 1, 1), 0, 0, 0) < 0) {
        // East of UTC that day begins before 1970 UTC, which the bound cannot hold: it becomes the
        // largest value, above every run.
        expect_bar("IntervalLogNotFound");
    } else {
        EXPECT_FALSE(bar_shown());
        expect_listed_in_order({"Disk of 1970", "Disk today"});
    }
}

// Where the clock springs forward at midnight, 00:00 of that day never happens and the day begins at
// 01:00: a search from that day finds its runs from that first instant on. Where it goes back at
// midnight, 23:00 to 23:59:59 happen twice and the day lasts 25 hours: a run of the second of them
// belongs to that day, not to the next one. Every run belongs to exactly one day. The bounds of each
// day are the zone's own rules read off the time-zone database (`TZ=America/Havana date -d @1710046800`
// and the like), not computed here.
TEST_F(LogSelection, DayBoundsWhereTheClockChangesAtMidnight) {
    const struct {
        const char* zone;
        QDate day;
        int hours;                 // 23 where midnight is skipped
        const char* first_instant; // UTC
        const char* last_second;   // UTC
    } days[] = {
        {"America/Havana", QDate(2024, 3, 10), 23, "2024-03-10T05:00:00Z", "2024-03-11T03:59:59Z"},
        {"America/Havana", QDate(2025, 3, 9), 23, "2025-03-09T05:00:00Z", "2025-03-10T03:59:59Z"},
        {"Asia/Beirut", QDate(2024, 3, 31), 23, "2024-03-30T22:00:00Z", "2024-03-31T20:59:59Z"},
        {"America/Santiago", QDate(2024, 9, 8), 23, "2024-09-08T04:00:00Z", "2024-09-09T02:59:59Z"},
        // The clock goes back from 00:00 of the 7th to 23:00 of the 6th.
        {"America/Santiago", QDate(2024, 4, 6), 25, "2024-04-06T03:00:00Z", "2024-04-07T03:59:59Z"},
        {"America/Santiago", QDate(2024, 4, 7), 24, "2024-04-07T04:00:00Z", "2024-04-08T03:59:59Z"},
        {"America/Havana", QDate(2024, 3, 11), 24, "2024-03-11T04:00:00Z", "2024-03-12T03:59:59Z"},
        {"UTC", QDate(2024, 3, 10), 24, "2024-03-10T00:00:00Z", "2024-03-10T23:59:59Z"},
        {"IST-05:30", QDate(2024, 3, 10), 24, "2024-03-09T18:30:00Z", "2024-03-10T18:29:59Z"},
    };
    const QByteArray saved = qgetenv("TZ");
    for (const auto& d : days) {
        SCOPED_TRACE(std::string(d.zone) + " " + d.day.toString(Qt::ISODate).toStdString());
        qputenv("TZ", d.zone);
        tzset();
        const QDateTime midnight(d.day, QTime(0, 0), Qt::LocalTime);
        ASSERT_EQ(!midnight.isValid(), d.hours == 23) << "no time-zone data for the zone?";
        const std::int64_t first = QDateTime::fromString(d.first_instant, Qt::ISODate).toSecsSinceEpoch();
        const std::int64_t last = QDateTime::fromString(d.last_second, Qt::ISODate).toSecsSinceEpoch();
        ASSERT_EQ(last - first, d.hours * 3600 - 1);
        write_log(section("StandardModule", first, "Disk first instant") +
                  section("StandardModule", last, "Disk last second") +
                  section("StandardModule", first - 1, "Disk day before") +
                  section("StandardModule", last + 1, "Disk day after"));
        search(d.day, d.day);
        EXPECT_FALSE(bar_shown());
        expect_listed_in_order({"Disk first instant", "Disk last second"});
        expect_not_listed({"Disk day before", "Disk day after"});
    }
    qputenv("TZ", saved);
    tzset();
}

TEST_F(LogSelection, WithoutLogFileTheBarSaysSo) {
    remove_log_folder();
    click_search();
    expect_bar("LogFileNotFound");
    EXPECT_TRUE(QDir(log_folder()).exists()); // the reader makes the folder
}

TEST_F(LogSelection, EachSearchReplacesTheLastOne) {
    write_log(section("StandardModule", local_time(today, 10, 0, 0), "Disk today"));
    search(today, today);
    EXPECT_FALSE(bar_shown());
    EXPECT_TRUE(shown().contains("Disk today"));

    // A failed search empties the view; a good one after it hides the bar again.
    search(today.addDays(-5), today.addDays(-4));
    expect_bar("IntervalLogNotFound");
    search(today, today);
    EXPECT_FALSE(bar_shown());
    EXPECT_TRUE(shown().contains("Disk today"));

    remove_log_folder();
    search(today, today);
    expect_bar("LogFileNotFound");
}

TEST_F(LogSelection, EscAndBackGoToTheFirstScreen) {
    QSignalSpy init(&w(), SIGNAL(init_screens(int)));
    ASSERT_EQ(Access::page(w()), 5);
    QTest::keyClick(&screen(), Qt::Key_Escape);
    EXPECT_EQ(Access::page(w()), 0);
    EXPECT_EQ(init.count(), 1);

    w().set_log_selection_screen();
    child<QPushButton>("back_pushButton")->click();
    EXPECT_EQ(Access::page(w()), 0);
    EXPECT_EQ(init.count(), 2);
}

TEST_F(LogSelection, OtherKeysStopAtTheScreenAndDoNothing) {
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Backspace, Qt::Key_A, Qt::Key_Up}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(&screen(), &press);
        EXPECT_TRUE(press.isAccepted()) << key;
    }
    EXPECT_EQ(Access::page(w()), 5);
}

} // namespace
