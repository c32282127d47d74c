#include "gui_test_screen.h"

#include "checked_connect.h"
#include "gui_manager.h"

GUITestScreen::GUITestScreen(GUIManager* manager_) : QFrame(nullptr), manager(manager_) {
    ui.setupUi(this);
    checked_connect(manager, SIGNAL(init_screens(int)), this, SLOT(init_screen(int)));
    checked_connect(ui.run_tests_pushButton, SIGNAL(clicked()), this, SLOT(get_selected_tests()));
    checked_connect(ui.run_tests_pushButton, SIGNAL(clicked()), manager, SLOT(next_screen()));
    checked_connect(this, SIGNAL(send_selected_tests(QVector<int>)), manager, SLOT(tests_selected(QVector<int>)));
    checked_connect(ui.back_pushButton, SIGNAL(clicked()), manager, SLOT(previous_screen()));
    checked_connect(manager, SIGNAL(tests_updated(QMap<int, std::string>&)), this,
                    SLOT(update_tests(QMap<int, std::string>&)));
}

void GUITestScreen::init_screen(int) { tests.clear(); }

void GUITestScreen::update_tests(QMap<int, std::string>& tests_) { tests = tests_; }

void GUITestScreen::get_selected_tests() { emit send_selected_tests(QVector<int>(tests.keyBegin(), tests.keyEnd())); }
