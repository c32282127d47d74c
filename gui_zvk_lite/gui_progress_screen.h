#pragma once
// The screen that runs the chosen tests and shows their progress and results.
#include "module_contract.h"
#include "ui_progress_Frame.h"

#include <QFrame>
#include <QMap>
#include <QVector>

#include <string>

class GUIManager;

class GUIProgressScreen : public QFrame {
    Q_OBJECT
public:
    explicit GUIProgressScreen(GUIManager* manager);
    int start_tests(QVector<std::string> devices, QVector<int> tests,
                    QMap<std::string, std::string> device_names, QMap<int, std::string> test_names);

public slots:
    void init_screen(int first_screen);
    void test_finished(int code, TestStatus status);

private:
    Ui_progress_Frame ui;
    GUIManager* manager;
};
