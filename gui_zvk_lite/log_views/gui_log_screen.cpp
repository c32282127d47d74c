#include "gui_log_screen.h"

#include "checked_connect.h"
#include "gui_manager.h"
#include "log_html.h"
#include "log_reader.h"
#include "log_view_keys.h"

#include <QCoreApplication>
#include <QHideEvent>
#include <QKeyEvent>

#include <utility>

GUILogScreen::GUILogScreen(GUIManager* manager_) : QFrame(nullptr), manager(manager_) {
    ui.setupUi(this);
    new LogViewKeys(ui.html_log_textEdit); // belongs to the view
    checked_connect(ui.back_pushbutton, SIGNAL(clicked()), manager, SLOT(previous_screen()));
    checked_connect(ui.backToMenu_pushbutton, SIGNAL(clicked()), manager, SLOT(back_to_main()));
}

GUILogScreen::~GUILogScreen() {
    give_up();
}

void GUILogScreen::show_log(QString module, std::uint64_t run_time) {
    setFocus(Qt::ActiveWindowFocusReason);
    give_up();
    auto reader = std::make_shared<LogReader>();
    if (reader->open() != 0) {
        ui.html_log_textEdit->setText(QCoreApplication::translate("Translations", "LogFileNotFound"));
        emit log_shown();
        return;
    }
    // Nothing of an earlier run stays in view while this one is read.
    ui.html_log_textEdit->clear();
    result = std::make_shared<Result>();
    // A log of years of runs takes a second or more to parse: it is read, and the run rendered, on a
    // thread of its own; the parsed log is freed there too.
    job = std::make_unique<BackgroundJob>(
        [result = result, reader = std::move(reader), module, run_time](BackgroundJob& job) mutable {
            reader->set_stop_flag(&job.stop_requested());
            if (reader->parse() == LOG_PARSE_STOPPED)
                return;
            // Only the newest run is looked at: the run just made is the last one the module logged.
            LogHtml html;
            html.add_group(reader->last_group(), run_time, module);
            reader.reset();
            gather_freed_memory();
            {
                std::lock_guard<std::mutex> lock(result->mutex);
                result->done = true;
                result->html = html.take_html();
            }
            job.notify();
        },
        this, SLOT(log_read()));
}

void GUILogScreen::log_read() {
    if (!job || !result)
        return; // given up meanwhile
    QString text;
    {
        std::lock_guard<std::mutex> lock(result->mutex);
        if (!result->done)
            return;
        text = std::move(result->html);
    }
    give_up();
    if (text.isEmpty())
        ui.html_log_textEdit->setText(QCoreApplication::translate("Translations", "IntervalLogNotFound"));
    else
        ui.html_log_textEdit->setText(text);
    emit log_shown();
}

void GUILogScreen::give_up() {
    if (job)
        given_up.add(std::move(job));
    result.reset();
}

void GUILogScreen::keyPressEvent(QKeyEvent* event) {
    // Esc is Back; every other key stops here.
    if (event->key() == Qt::Key_Escape)
        manager->previous_screen();
}

void GUILogScreen::hideEvent(QHideEvent* event) {
    // Leaving the page gives up the read under way; a window minimized does not.
    if (!event->spontaneous())
        give_up();
    QFrame::hideEvent(event);
}
