#include "gui_progress_screen.h"

#include "checked_connect.h"
#include "gui_manager.h"

GUIProgressScreen::GUIProgressScreen(GUIManager* manager_) : QFrame(nullptr), manager(manager_) {
    ui.setupUi(this);
    checked_connect(manager, SIGNAL(init_screens(int)), this, SLOT(init_screen(int)));
    checked_connect(manager, SIGNAL(test_finished(int, TestStatus)), this, SLOT(test_finished(int, TestStatus)));
    checked_connect(ui.back_menu_pushButton, SIGNAL(clicked()), manager, SLOT(back_to_main()));
    checked_connect(ui.view_logs_pushButton, SIGNAL(clicked()), manager, SLOT(next_screen()));
}

int GUIProgressScreen::start_tests(QVector<std::string>, QVector<int>, QMap<std::string, std::string>,
                                   QMap<int, std::string>) {
    return 0;
}

void GUIProgressScreen::init_screen(int) {}

void GUIProgressScreen::test_finished(int, TestStatus) {}
