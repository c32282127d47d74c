#include "gui_main_screen.h"

#include "checked_connect.h"
#include "gui_manager.h"

GUIMainScreen::GUIMainScreen(GUIManager* manager_) : QFrame(nullptr), manager(manager_) {
    ui.setupUi(this);
    checked_connect(this, SIGNAL(button_clicked(const QString&)), manager, SLOT(init_module(const QString&)));
    checked_connect(this, SIGNAL(button_clicked(const QString&)), manager, SLOT(next_screen()));
    checked_connect(ui.past_logs_pushButton, SIGNAL(clicked()), manager, SLOT(set_log_selection_screen()));
}

void GUIMainScreen::set_modules(QMap<QString, QSharedPointer<SecureLibrary>>& modules,
                                QMap<QSharedPointer<SecureLibrary>, QSharedPointer<QPixmap>>&) {
    button_names.clear();
    int id = 0;
    for (auto it = modules.begin(); it != modules.end(); ++it)
        button_names[id++] = it.key();
}

void GUIMainScreen::check_button(int id) { emit button_clicked(button_names.value(id)); }
