#include "gui_log_selection_screen.h"

#include "checked_connect.h"
#include "gui_manager.h"

GUILogSelectionScreen::GUILogSelectionScreen(GUIManager* manager_) : QFrame(nullptr), manager(manager_) {
    ui.setupUi(this);
    checked_connect(ui.back_pushButton, SIGNAL(clicked()), manager, SLOT(back_to_main()));
}

void GUILogSelectionScreen::reset() {}
