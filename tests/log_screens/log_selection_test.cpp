// The log selection screen: every run whose start lies in the chosen days, in local time, oldest
// first; the grey bar when there is none; the limits of the two dates; the way back.
#include "gui_manager_access.h"
#include "log_fixture.h"
#include "log_html.h"
#include "log_reader.h"
#include "log_view_loader.h"

#include <gtest/gtest.h>

#include <QCalendarWidget>
#include <QCoreApplication>
#include <QDate>
#include <QDateEdit>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextEdit>

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

    void search(const QDate& first, const QDate& last) {
        from()->setDate(first);
        to()->setDate(last);
        ASSERT_TRUE(search_button()->isEnabled());
        search_button()->click();
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
        LogReader reader;
        ASSERT_EQ(reader.open(), 0);
        reader.parse();
        reader.set_interval(local_time(first, 0, 0, 0), local_time(last, 23, 59, 59));
        LogHtml html;
        while (html.add_group(reader.next_group(), 0, "ALL")) {
        }
        EXPECT_EQ(view_content(view()), content_of(html.html()));
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
    search_button()->click(); // from and to are today after reset
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

// Enough runs that their text goes into the view in pieces: the view ends with exactly the whole
// text, and a reset while the pieces are under way leaves the view empty.
TEST_F(LogSelection, LongResultEndsAsTheWholeText) {
    std::string log;
    const std::int64_t midnight = local_time(today, 0, 0, 0);
    for (int i = 450; i >= 1; --i)
        log += section("StandardModule", midnight - i * 3600, "Disk " + std::to_string(i));
    write_log(log);
    const QDate first = today.addDays(-20);

    LogViewLoader* loader = view()->findChild<LogViewLoader*>();
    ASSERT_NE(loader, nullptr);
    QSignalSpy loaded(loader, SIGNAL(loaded()));
    search(first, today);
    EXPECT_FALSE(bar_shown());
    ASSERT_TRUE(loader->loading());
    ASSERT_TRUE(loaded.wait(120000));

    expect_view_holds_every_run(first, today);

    search(first, today);
    ASSERT_TRUE(loader->loading());
    screen().reset();
    EXPECT_FALSE(loader->loading());
    EXPECT_FALSE(loaded.wait(2000));
    EXPECT_TRUE(view()->document()->isEmpty());
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

TEST_F(LogSelection, WithoutLogFileTheBarSaysSo) {
    remove_log_folder();
    search_button()->click();
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
