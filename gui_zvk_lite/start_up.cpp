#include "start_up.h"

#include "background_job.h"
#include "checked_connect.h"
#include "close_requests.h"
#include "gui_manager.h"
#include "output_flush.h"
#include "single_instance_guard.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDebug>
#include <QFont>
#include <QLocale>
#include <QMessageBox>
#include <QTranslator>

namespace {

// How long the end of the program waits for a worker that is inside a module call.
constexpr int worker_grace_ms = 2000;
// How long it waits, once the window has gone, for the log views' reads that were given up.
constexpr int background_grace_ms = 2000;
// How long the end waits for what the output streams still hold to be written: standard output may be
// a pipe that nobody reads, and a thread blocked in a write to it holds the stream.
constexpr int output_grace_ms = 500;

// Ends the process with `result` without the destructors and exit handlers, which would wait for or
// unmap what still runs on another thread.
[[noreturn]] void end_at_once(int result) {
    end_process_at_once(result, output_grace_ms);
}

} // namespace

bool load_translator(QTranslator& translator, const QString& locale_name) {
    if (translator.load("gui_zvk_lite_" + locale_name)) {
        QCoreApplication::installTranslator(&translator);
        return true;
    }
    if (translator.load("gui_zvk_lite_en")) {
        qDebug() << QString("Language was not loaded - System's Language: ") + locale_name;
        qDebug() << "Loading default language.";
        QCoreApplication::installTranslator(&translator);
        return true;
    }
    qDebug() << "Default language not found...";
    qDebug() << "Executing with tokens.";
    return false;
}

QString application_style_sheet() {
    return "QPushButton{ background-position: center; border: 1px solid #999999; background-image: "
           "url(:/gui_zvk_lite/Resources/Icons/botao_normal.png);}" +
           QString(10, QChar('\t')) +
           "QPushButton:hover{border: 1px solid  #a34407; color: white; background-image: "
           "url(:/gui_zvk_lite/Resources/Icons/botao_mouseover.png);}" +
           QString(8, QChar('\t')) +
           "QPushButton:pressed{border: 1px solid #658f2e; color: white; background-image: "
           "url(:/gui_zvk_lite/Resources/Icons/botao_selected.png);}";
}

int run_program(QApplication& app, SingleInstanceGuard& guard) {
    QTranslator translator;
    QString locale_name = QLocale::system().name();
    load_translator(translator, locale_name);

    if (guard.is_already_running()) {
        QMessageBox box(QMessageBox::Critical,
                        QCoreApplication::translate("Translations", "SingleInstanceAppTitle"),
                        QCoreApplication::translate("Translations", "SingleInstanceApp"), QMessageBox::Ok,
                        nullptr, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
        // Qt builds every message box application-modal; this one blocks nothing, the event loop runs
        // it, and closing it closes the last window, which ends the loop.
        box.setModal(false);
        box.show();
        return app.exec();
    }

    int result = 0;
    {
        GUIManager window(nullptr, Qt::WindowFlags());
        // A termination request answered while the window was being made (a box of the start-up, such
        // as a run that could not start) closed that box: the program ends as it would later.
        if (!termination_requested()) {
            window.show();
            checked_connect(&app, SIGNAL(lastWindowClosed()), &app, SLOT(quit()));
            QFont font("Segoi UI", 8);
            QApplication::setFont(font);
            app.setStyleSheet(application_style_sheet());
            result = app.exec();
        }
        // A module call that does not return (a test that ignores the abort) must not keep the process
        // alive once its window has gone. After a short grace time the process ends with the loop's
        // result at once: the module's code is still running, so its object is not released and it is
        // not unmapped; the system reclaims the memory.
        if (!window.end_worker(worker_grace_ms))
            end_at_once(result);
    }
    // The log views gave their reads up with the window; what those still do (freeing a parsed log)
    // ends soon. Should it not, the process ends all the same: nothing of it is left to keep.
    if (!wait_for_background_jobs(background_grace_ms))
        end_at_once(result);
    // The exit that follows main flushes the streams and waits on them: whatever standard output still
    // holds is written now, within a bound.
    if (!flush_output_within(output_grace_ms))
        end_process_at_once(result, 0); // the flush already had its time
    return result;
}
