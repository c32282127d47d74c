#pragma once
// The screen where the user picks the devices of the bound module to test: a loading view while the
// module enumerates, then the devices as check boxes, or as plain labels where the module decides.
#include "ui_device_Frame.h"

#include <QFrame>
#include <QMap>
#include <QVector>

#include <string>

class GUIManager;
class QAbstractButton;
class QButtonGroup;
class QKeyEvent;

class GUIDeviceScreen : public QFrame {
    Q_OBJECT
    friend class GUIManagerTestAccess;

public:
    explicit GUIDeviceScreen(GUIManager* manager);
    ~GUIDeviceScreen() override;

    void show_loading();
    void fill_device_list();
    QVector<std::string> get_checked_devices();

signals:
    void send_devices_selected(QVector<std::string> ids);

public slots:
    void init_screen(int first_screen);
    void update_devices(QMap<std::string, std::string>& dev);
    void update_select_all();
    void update_item(QAbstractButton* item);
    void set_devices();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QCheckBox* row_box(int row);

    int properties;
    Ui_device_Frame ui;
    QMap<std::string, std::string> devices;
    // The user's choice per device id; outlives the check boxes, which every update rebuilds.
    QMap<std::string, int> check_states;
    QMap<int, std::string> row_devices;
    QButtonGroup* button_group;
    GUIManager* manager;
};
