#include "gui_log_selection_screen.h"

#include "checked_connect.h"
#include "gui_manager.h"
#include "log_html.h"
#include "log_reader.h"
#include "log_view_loader.h"

#include <QCalendarWidget>
#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QKeyEvent>
#include <QTime>
#include <QVector>

#include <cstdint>
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

GUILogSelectionScreen::GUILogSelectionScreen(GUIManager* manager_) : QFrame(nullptr), manager(manager_) {
    ui.setupUi(this);
    loader = new LogViewLoader(ui.html_log_textEdit);
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

void GUILogSelectionScreen::reset() {
    loader->cancel();
    ui.html_log_textEdit->clear();
    ui.from_dateEdit->setDate(QDate::currentDate());
    ui.to_dateEdit->setDate(QDate::currentDate());
    ui.to_dateEdit->setMaximumDate(QDate::currentDate());
    ui.search_pushButton->setEnabled(true);
    ui.log_vizualization_frame->hide();
    ui.log_status_frame->hide();
    ui.outer_log_status_frame->show();
}

void GUILogSelectionScreen::date_changed() {
    const QDate from = ui.from_dateEdit->date();
    const QDate to = ui.to_dateEdit->date();
    ui.search_pushButton->setEnabled(!(from > to || from < earliest_date));
}

void GUILogSelectionScreen::update_logs() {
    setFocus(Qt::ActiveWindowFocusReason);
    loader->cancel();
    ui.html_log_textEdit->clear();
    LogReader reader;
    LogHtml html;
    ui.log_status_frame->hide();
    if (reader.open() != 0) {
        show_status(QCoreApplication::translate("Translations", "LogFileNotFound"));
        return;
    }
    reader.parse();

    // From the first second of the from-day to the last second of the to-day, local time.
    const std::uint32_t from =
        to_time_t(QDateTime(ui.from_dateEdit->date(), QTime(0, 0, 0, 0), Qt::LocalTime));
    const std::uint32_t to =
        to_time_t(QDateTime(ui.to_dateEdit->date(), QTime(23, 59, 59, 999), Qt::LocalTime));
    reader.set_interval(std::int64_t(from), std::int64_t(to));
    // Every section of every run in the range, oldest run first; the run time is not compared. Each
    // run's text stands on its own, so a long result can go into the view in pieces.
    QVector<qsizetype> run_starts;
    bool more = true;
    while (more) {
        run_starts.append(html.html().size());
        more = html.add_group(reader.next_group(), 0, QStringLiteral("ALL"));
    }

    const QString text = html.html();
    if (text.isEmpty())
        show_status(QCoreApplication::translate("Translations", "IntervalLogNotFound"));
    else
        loader->show(text, run_starts);
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
