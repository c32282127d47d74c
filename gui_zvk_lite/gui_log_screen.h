#pragma once
// The screen that shows the log of the run just made: the bound module's sections of the newest run.
#include "ui_log_frame.h"

#include <QFrame>
#include <QString>

#include <cstdint>

class GUIManager;
class QKeyEvent;

class GUILogScreen : public QFrame {
    Q_OBJECT
public:
    explicit GUILogScreen(GUIManager* manager);
    // Reads the whole log anew and shows the sections of `module` in the newest run, provided that
    // run started at `run_time`; otherwise a message saying why nothing is shown.
    void show_log(QString module, std::uint64_t run_time);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    Ui_log_frame ui;
    GUIManager* manager;
};
