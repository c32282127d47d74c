#include "gui_log_screen.h"

#include "checked_connect.h"
#include "gui_manager.h"
#include "log_reader.h"
#include "log_run_pager.h"
#include "past_log_runs.h"

#include <QCoreApplication>
#include <QHideEvent>
#include <QKeyEvent>

#include <utility>

GUILogScreen::GUILogScreen(GUIManager* manager_, std::int64_t whole_text_limit_)
    : QFrame(nullptr), manager(manager_), text_limit(whole_text_limit_) {
    ui.setupUi(this);
    run_pager = new LogRunPager(ui.html_log_textEdit);
    checked_connect(run_pager, SIGNAL(first_runs_shown()), this, SLOT(first_runs_shown()));
    checked_connect(ui.back_pushbutton, SIGNAL(clicked()), manager, SLOT(previous_screen()));
    checked_connect(ui.backToMenu_pushbutton, SIGNAL(clicked()), manager, SLOT(back_to_main()));
}

GUILogScreen::~GUILogScreen() {
    give_up();
}

bool GUILogScreen::reading() const {
    // A long run's first pieces come into the view a turn after the run has come.
    return job && !(shown_runs && run_pager->runs_in_document() > 0);
}

void GUILogScreen::show_log(QString module, std::uint64_t run_time) {
    setFocus(Qt::ActiveWindowFocusReason);
    give_up();
    auto reader = std::make_unique<LogReader>();
    if (reader->open() != 0) {
        ui.html_log_textEdit->setText(QCoreApplication::translate("Translations", "LogFileNotFound"));
        emit log_shown();
        return;
    }
    // Nothing of an earlier run stays in view while this one is read.
    ui.html_log_textEdit->clear();
    busy.show_over(ui.html_log_textEdit);
    // A log of years of runs takes a second or more to parse: it is read, and the run rendered or
    // indexed, on a thread of its own; the parsed log is freed there too. A run of many records is
    // shown a piece at a time, as a long past-logs result is.
    job = std::make_unique<PastLogSearch::Job>(
        [reader = std::move(reader), module, run_time,
         limit = text_limit](PastLogSearch::Job::Output& output) mutable {
            std::unique_ptr<LogReader> parsed = std::move(reader);
            parsed->set_stop_flag(&output.stop_flag());
            if (parsed->parse() == LOG_PARSE_STOPPED)
                return;
            parsed->set_stop_flag(nullptr);
            // Only the newest run is looked at: the run just made is the last one the module logged.
            auto found = std::make_shared<PastLogRuns>(std::move(parsed), run_time, module);
            gather_freed_memory();
            PastLogSearch::deliver(std::move(found), limit, output);
        },
        this, &GUILogScreen::read_progress);
}

void GUILogScreen::read_progress(PastLogSearch::Step step) {
    switch (step.kind) {
    case PastLogSearch::Step::whole_text:
        give_up();
        if (step.text.isEmpty())
            ui.html_log_textEdit->setText(QCoreApplication::translate("Translations", "IntervalLogNotFound"));
        else
            ui.html_log_textEdit->setText(step.text);
        emit log_shown();
        return;
    case PastLogSearch::Step::many_runs:
        shown_runs = std::move(step.runs);
        run_pager->show(shown_runs.get()); // first_runs_shown() follows
        return;
    case PastLogSearch::Step::indexed:
        run_pager->index_ready();
        job.reset();
        return;
    }
}

void GUILogScreen::first_runs_shown() {
    busy.hide();
    emit log_shown();
}

void GUILogScreen::give_up() {
    busy.hide();
    run_pager->clear();
    // A run of many records is freed elsewhere.
    if (shown_runs)
        drop_elsewhere(std::move(shown_runs));
    job.reset();
}

void GUILogScreen::keyPressEvent(QKeyEvent* event) {
    // Esc is Back; every other key stops here.
    if (event->key() == Qt::Key_Escape)
        manager->previous_screen();
}

void GUILogScreen::hideEvent(QHideEvent* event) {
    // Leaving the page gives up the read under way, and a long run shown; a window minimized does not.
    if (!event->spontaneous())
        give_up();
    QFrame::hideEvent(event);
}
