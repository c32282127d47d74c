#pragma once
// The screen where the user picks the tests to run: the module's tests as check boxes, all checked,
// in a list that starts folded away behind the options button.
#include "ui_test_Frame.h"

#include <QFrame>
#include <QMap>
#include <QVector>

#include <string>

class GUIManager;
class QAbstractButton;
class QButtonGroup;
class QKeyEvent;

class GUITestScreen : public QFrame {
    Q_OBJECT
    friend class GUIManagerTestAccess;

public:
    explicit GUITestScreen(GUIManager* manager);
    ~GUITestScreen() override;

    void set_test_tooltip(std::string name, QWidget* box);

signals:
    void send_selected_tests(QVector<int> tests);

public slots:
    void init_screen(int first_screen);
    void update_tests(QMap<int, std::string>& tests);

private slots:
    void update_select_all();
    void update_item(QAbstractButton* button);
    void get_selected_tests();
    void advanced_clicked();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QCheckBox* row_box(int row);

    bool advanced_mode;
    Ui_test_Frame ui;
    // The window, as the receiver of the connections and the target of Esc; not owned.
    QWidget* manager;
    QButtonGroup* button_group;
};
