#pragma once
// The screen that shows every run of a chosen date interval.
#include "ui_log_selection_Frame.h"

#include <QFrame>

class GUIManager;

class GUILogSelectionScreen : public QFrame {
    Q_OBJECT
public:
    explicit GUILogSelectionScreen(GUIManager* manager);
    void reset();

private:
    Ui_log_selection_Frame ui;
    GUIManager* manager;
};
