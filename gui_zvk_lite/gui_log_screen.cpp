#include "gui_log_screen.h"

#include "checked_connect.h"
#include "gui_manager.h"

GUILogScreen::GUILogScreen(GUIManager* manager_) : QFrame(nullptr), manager(manager_) {
    ui.setupUi(this);
    checked_connect(ui.back_pushbutton, SIGNAL(clicked()), manager, SLOT(previous_screen()));
    checked_connect(ui.backToMenu_pushbutton, SIGNAL(clicked()), manager, SLOT(back_to_main()));
}

void GUILogScreen::show_log(QString, std::int64_t) {}
