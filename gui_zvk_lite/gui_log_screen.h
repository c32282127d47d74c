#pragma once
// The screen that shows the log of the run just made.
#include "ui_log_frame.h"

#include <QFrame>
#include <QString>

#include <cstdint>

class GUIManager;

class GUILogScreen : public QFrame {
    Q_OBJECT
public:
    explicit GUILogScreen(GUIManager* manager);
    void show_log(QString module, std::int64_t run_time);

private:
    Ui_log_frame ui;
    GUIManager* manager;
};
