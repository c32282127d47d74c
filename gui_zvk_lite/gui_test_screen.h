#pragma once
// The screen where the user picks the tests to run.
#include "ui_test_Frame.h"

#include <QFrame>
#include <QMap>
#include <QVector>

#include <string>

class GUIManager;

class GUITestScreen : public QFrame {
    Q_OBJECT
public:
    explicit GUITestScreen(GUIManager* manager);

signals:
    void send_selected_tests(QVector<int> tests);

public slots:
    void init_screen(int first_screen);
    void update_tests(QMap<int, std::string>& tests);

private slots:
    void get_selected_tests();

private:
    Ui_test_Frame ui;
    QMap<int, std::string> tests;
    GUIManager* manager;
};
