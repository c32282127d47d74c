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

GUILogScreen::~GUILogScreen() = default;

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
    // A log of years of runs takes a second or more to parse: it is read, and the run rendered, on a
    // thread of its own; the parsed log is freed there too.
    job = std::make_unique<BackgroundJob<QString>>(
        [reader = std::move(reader), module, run_time](BackgroundJob<QString>::Output& output) mutable {
            std::unique_ptr<LogReader> parsed = std::move(reader);
            parsed->set_stop_flag(&output.stop_flag());
            if (parsed->parse() == LOG_PARSE_STOPPED)
                return;
            // Only the newest run is looked at: the run just made is the last one the module logged.
            LogHtml html;
            html.add_group(parsed->last_group(), run_time, module);
            parsed.reset();
            gather_freed_memory();
            output.deliver(html.take_html());
        },
        this, &GUILogScreen::log_read);
}

void GUILogScreen::log_read(QString html) {
    give_up();
    if (html.isEmpty())
        ui.html_log_textEdit->setText(QCoreApplication::translate("Translations", "IntervalLogNotFound"));
    else
        ui.html_log_textEdit->setText(html);
    emit log_shown();
}

void GUILogScreen::give_up() {
    job.reset();
    busy.hide();
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
