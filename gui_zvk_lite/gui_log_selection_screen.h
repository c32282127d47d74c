#pragma once
// The screen that shows every logged run whose start lies in a chosen range of calendar days.
#include "ui_log_selection_Frame.h"

#include <QFrame>
#include <QString>

class GUIManager;
class LogViewLoader;
class QKeyEvent;

class GUILogSelectionScreen : public QFrame {
    Q_OBJECT
public:
    explicit GUILogSelectionScreen(GUIManager* manager);
    // Prepares the page for showing: today to today, Search enabled, no message, an empty view.
    void reset();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private slots:
    void date_changed();
    void update_logs();

private:
    // The grey bar with a message; the view stays empty.
    void show_status(const QString& message);

    Ui_log_selection_Frame ui;
    GUIManager* manager;
    LogViewLoader* loader; // belongs to the view
};
