#pragma once
// The screen that shows the log of the run just made: the bound module's sections of the newest run.
#include "background_job.h"
#include "ui_log_frame.h"
#include "view_busy_cursor.h"

#include <QFrame>
#include <QString>

#include <cstdint>
#include <memory>

class GUIManager;
class QHideEvent;
class QKeyEvent;

class GUILogScreen : public QFrame {
    Q_OBJECT
public:
    explicit GUILogScreen(GUIManager* manager);
    ~GUILogScreen() override;
    // Reads the whole log anew and shows the sections of `module` in the newest run, provided that
    // run started at `run_time`; otherwise a message saying why nothing is shown. The log is read on
    // a thread of its own: the view is empty, with the busy cursor over it, until the text comes.
    void show_log(QString module, std::uint64_t run_time);
    // The log is being read; its text is not in the view yet.
    bool reading() const { return job != nullptr; }

signals:
    // The text of the last show_log is in the view.
    void log_shown();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // The read's outcome: the HTML of the run, empty when nothing matched.
    void log_read(QString html);
    void give_up();

    Ui_log_frame ui;
    GUIManager* manager;
    ViewBusyCursor busy;
    std::unique_ptr<BackgroundJob<QString>> job;
};
