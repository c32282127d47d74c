#pragma once
// The screen where the user picks the devices to test.
#include "ui_device_Frame.h"

#include <QFrame>
#include <QMap>
#include <QVector>

#include <string>

class GUIManager;

class GUIDeviceScreen : public QFrame {
    Q_OBJECT
public:
    explicit GUIDeviceScreen(GUIManager* manager);
    void show_loading();

signals:
    void send_devices_selected(QVector<std::string> ids);

public slots:
    void init_screen(int first_screen);
    void update_devices(QMap<std::string, std::string>& dev);
    void set_devices();

private:
    Ui_device_Frame ui;
    QMap<std::string, std::string> devices;
    GUIManager* manager;
};
