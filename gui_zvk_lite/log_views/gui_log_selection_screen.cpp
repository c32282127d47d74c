#include "gui_log_selection_screen.h"

#include "checked_connect.h"
#include "gui_manager.h"
#include "log_reader.h"
#include "log_run_pager.h"
#include "past_log_runs.h"

#include <QCalendarWidget>
#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QHideEvent>
#include <QKeyEvent>

#include <limits>

namespace {

const QDate earliest_date(1970, 1, 1);

// A local time as unsigned 32-bit seconds since 1970 UTC. A time outside that range gives the
// largest value: so does the start of 1 January 1970 in a time zone east of UTC, which lies before
// the epoch.
std::uint32_t to_time_t(const QDateTime& time) {
    const qint64 seconds = time.toSecsSinceEpoch();
    if (!time.isValid() || seconds < 0 || seconds > qint64(std::numeric_limits<std::uint32_t>::max()))
        return std::numeric_limits<std::uint32_t>::max();
    return std::uint32_t(seconds);
}

} // namespace

GUILogSelectionScreen::GUILogSelectionScreen(GUIManager* manager_, std::int64_t whole_text_limit_)
    : QFrame(nullptr), manager(manager_), text_limit(whole_text_limit_) {
    ui.setupUi(this);
    run_pager = new LogRunPager(ui.html_log_textEdit);
    checked_connect(run_pager, SIGNAL(first_runs_shown()), this, SLOT(first_runs_shown()));
    ui.log_vizualization_frame->hide();
    // The dates are set before the connections exist, so construction runs no date_changed.
    ui.from_dateEdit->setDate(QDate::currentDate());
    ui.to_dateEdit->setDate(QDate::currentDate());
    ui.from_dateEdit->calendarWidget()->setStyleSheet("* { color: black;}");
    ui.to_dateEdit->calendarWidget()->setStyleSheet("* { color: black;}");
    checked_connect(ui.back_pushButton, SIGNAL(clicked()), manager, SLOT(back_to_main()));
    checked_connect(ui.from_dateEdit, SIGNAL(dateChanged(const QDate&)), this, SLOT(date_changed()));
    checked_connect(ui.to_dateEdit, SIGNAL(dateChanged(const QDate&)), this, SLOT(date_changed()));
    checked_connect(ui.search_pushButton, SIGNAL(clicked()), this, SLOT(update_logs()));
}

GUILogSelectionScreen::~GUILogSelectionScreen() {
    give_up();
}

void GUILogSelectionScreen::reset() {
    give_up();
    ui.html_log_textEdit->clear();
    ui.from_dateEdit->setDate(QDate::currentDate());
    ui.to_dateEdit->setDate(QDate::currentDate());
    ui.to_dateEdit->setMaximumDate(QDate::currentDate());
    ui.search_pushButton->setEnabled(true);
    ui.log_vizualization_frame->hide();
    ui.log_status_frame->hide();
    ui.outer_log_status_frame->show();
}

bool GUILogSelectionScreen::searching() const {
    // The outcome is known on the search's thread before it reaches the view through the event loop,
    // and the first of many runs comes into the view a turn after the runs have come.
    return search && !(shown_runs && run_pager->runs_in_document() > 0);
}

void GUILogSelectionScreen::date_changed() {
    const QDate from = ui.from_dateEdit->date();
    const QDate to = ui.to_dateEdit->date();
    ui.search_pushButton->setEnabled(!(from > to || from < earliest_date));
}

void GUILogSelectionScreen::update_logs() {
    setFocus(Qt::ActiveWindowFocusReason);
    give_up();
    ui.html_log_textEdit->clear();
    auto reader = std::make_unique<LogReader>();
    ui.log_status_frame->hide();
    if (reader->open() != 0) {
        show_status(QCoreApplication::translate("Translations", "LogFileNotFound"));
        emit logs_shown();
        return;
    }
    // From the first instant of the from-day to the last second of the to-day, local time. On a day
    // whose clock springs forward at midnight the day begins at 01:00: 00:00 never happens there. A
    // day ends one millisecond before the next one begins: where the clock goes back at midnight,
    // 23:00 to 23:59:59 happen twice, and endOfDay gives the first of them, which would leave the
    // hour after it to no day.
    const std::uint32_t from = to_time_t(ui.from_dateEdit->date().startOfDay(Qt::LocalTime));
    const std::uint32_t to =
        to_time_t(ui.to_dateEdit->date().addDays(1).startOfDay(Qt::LocalTime).addMSecs(-1));
    // The log is read, and the runs rendered or indexed, on threads of their own: a log of years of
    // daily runs takes seconds.
    busy.show_over(ui.html_log_textEdit);
    search = std::make_unique<PastLogSearch::Job>(
        PastLogSearch(std::move(reader), std::int64_t(from), std::int64_t(to), text_limit), this,
        &GUILogSelectionScreen::search_progress);
}

void GUILogSelectionScreen::search_progress(PastLogSearch::Step step) {
    switch (step.kind) {
    case PastLogSearch::Step::whole_text:
        give_up();
        if (step.text.isEmpty())
            show_status(QCoreApplication::translate("Translations", "IntervalLogNotFound"));
        else
            ui.html_log_textEdit->setText(step.text);
        emit logs_shown();
        return;
    case PastLogSearch::Step::many_runs:
        shown_runs = std::move(step.runs);
        run_pager->show(shown_runs.get()); // first_runs_shown() follows
        return;
    case PastLogSearch::Step::indexed:
        run_pager->index_ready();
        // The search has nothing more to give; its thread ends on its own.
        search.reset();
        return;
    }
}

void GUILogSelectionScreen::first_runs_shown() {
    busy.hide();
    emit logs_shown();
}

void GUILogSelectionScreen::give_up() {
    busy.hide();
    run_pager->clear();
    // The runs may hold much of a log of years: they are freed elsewhere.
    if (shown_runs)
        drop_elsewhere(std::move(shown_runs));
    search.reset();
}

void GUILogSelectionScreen::show_status(const QString& message) {
    ui.log_status_frame->show();
    ui.log_status_label->setText(message);
}

void GUILogSelectionScreen::keyPressEvent(QKeyEvent* event) {
    // Esc leaves the page as Back does; every other key stops here.
    if (event->key() == Qt::Key_Escape)
        manager->back_to_main();
}

void GUILogSelectionScreen::hideEvent(QHideEvent* event) {
    // Leaving the page gives the search up, with what it holds of the log; a window minimized does not.
    if (!event->spontaneous())
        give_up();
    QFrame::hideEvent(event);
}
