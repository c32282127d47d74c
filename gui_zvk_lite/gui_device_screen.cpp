#include "gui_device_screen.h"

#include "checked_connect.h"
#include "gui_manager.h"

GUIDeviceScreen::GUIDeviceScreen(GUIManager* manager_) : QFrame(nullptr), manager(manager_) {
    ui.setupUi(this);
    checked_connect(manager, SIGNAL(init_screens(int)), this, SLOT(init_screen(int)));
    checked_connect(this, SIGNAL(send_devices_selected(QVector<std::string>)), manager,
                    SLOT(devices_selected(QVector<std::string>)));
    checked_connect(ui.next_pushButton, SIGNAL(clicked()), this, SLOT(set_devices()));
    checked_connect(ui.next_pushButton, SIGNAL(clicked()), manager, SLOT(next_screen()));
    checked_connect(ui.back_pushButton, SIGNAL(clicked()), manager, SLOT(previous_screen()));
    checked_connect(manager, SIGNAL(devices_updated(QMap<std::string, std::string>&)), this,
                    SLOT(update_devices(QMap<std::string, std::string>&)));
}

void GUIDeviceScreen::show_loading() {}

void GUIDeviceScreen::init_screen(int) { devices.clear(); }

void GUIDeviceScreen::update_devices(QMap<std::string, std::string>& dev) { devices = dev; }

void GUIDeviceScreen::set_devices() {
    QVector<std::string> ids;
    for (auto it = devices.begin(); it != devices.end(); ++it)
        ids.append(it.key());
    emit send_devices_selected(ids);
}
