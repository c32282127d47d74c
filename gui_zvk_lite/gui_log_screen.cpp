#include "gui_log_screen.h"

#include "checked_connect.h"
#include "gui_manager.h"
#include "log_html.h"
#include "log_reader.h"

#include <QCoreApplication>
#include <QKeyEvent>

GUILogScreen::GUILogScreen(GUIManager* manager_) : QFrame(nullptr), manager(manager_) {
    ui.setupUi(this);
    checked_connect(ui.back_pushbutton, SIGNAL(clicked()), manager, SLOT(previous_screen()));
    checked_connect(ui.backToMenu_pushbutton, SIGNAL(clicked()), manager, SLOT(back_to_main()));
}

void GUILogScreen::show_log(QString module, std::uint64_t run_time) {
    setFocus(Qt::ActiveWindowFocusReason);
    LogReader reader;
    LogHtml html;
    if (reader.open() != 0) {
        ui.html_log_textEdit->setText(QCoreApplication::translate("Translations", "LogFileNotFound"));
        return;
    }
    reader.parse();
    // Only the newest run is looked at: the run just made is the last one the module logged.
    html.add_group(reader.last_group(), run_time, module);
    const QString text = html.html();
    if (text.isEmpty())
        ui.html_log_textEdit->setText(QCoreApplication::translate("Translations", "IntervalLogNotFound"));
    else
        ui.html_log_textEdit->setText(text);
}

void GUILogScreen::keyPressEvent(QKeyEvent* event) {
    // Esc is Back; every other key stops here.
    if (event->key() == Qt::Key_Escape)
        manager->previous_screen();
}
