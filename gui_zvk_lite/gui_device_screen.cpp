#include "gui_device_screen.h"

#include "checked_connect.h"
#include "gui_manager.h"
#include "shown_names.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QListWidgetItem>

GUIDeviceScreen::GUIDeviceScreen(GUIManager* manager_)
    : QFrame(nullptr, Qt::WindowFlags()), properties(ScreenProperty::Default), button_group(nullptr),
      manager(manager_) {
    ui.setupUi(this);
    ui.done_frame->hide();
    ui.loading_frame->show();
    ui.select_all_checkBox->hide();

    checked_connect(manager, SIGNAL(init_screens(int)), this, SLOT(init_screen(int)));
    checked_connect(this, SIGNAL(send_devices_selected(QVector<std::string>)), manager,
                    SLOT(devices_selected(QVector<std::string>)));
    // The selection reaches the window before it moves on.
    checked_connect(ui.next_pushButton, SIGNAL(clicked()), this, SLOT(set_devices()));
    checked_connect(ui.next_pushButton, SIGNAL(clicked()), manager, SLOT(next_screen()));
    checked_connect(ui.back_pushButton, SIGNAL(clicked()), manager, SLOT(previous_screen()));
    checked_connect(manager, SIGNAL(devices_updated(QMap<std::string, std::string>&)), this,
                    SLOT(update_devices(QMap<std::string, std::string>&)));
    checked_connect(ui.select_all_checkBox, SIGNAL(clicked()), this, SLOT(update_select_all()));
}

GUIDeviceScreen::~GUIDeviceScreen() {
    delete button_group;
}

void GUIDeviceScreen::init_screen(int first_screen) {
    // Nothing comes before the first screen of the sequence.
    ui.back_pushButton->setVisible(!(first_screen & ScreenBit::Devices));
    properties = manager->get_screen_properties(ScreenBit::Devices);
    const bool read_only = properties & ScreenProperty::ReadOnlyDevices;
    ui.device_no_selection_frame->setVisible(read_only);
    ui.device_selection_frame->setVisible(!read_only);
    ui.next_pushButton->setEnabled(read_only);
    ui.done_frame->hide();
    ui.loading_frame->show();
    ui.device_listWidget->clear();
    row_devices.clear();
    check_states.clear();
}

void GUIDeviceScreen::show_loading() {
    // Esc must reach the screen also while the module enumerates, which may take long or never end.
    setFocus(Qt::ActiveWindowFocusReason);
    ui.done_frame->hide();
    ui.loading_frame->show();
}

void GUIDeviceScreen::update_devices(QMap<std::string, std::string>& dev) {
    setFocus(Qt::ActiveWindowFocusReason);
    devices = dev;
    const int n = devices.size();
    // No box to select all of fewer than two rows; over an empty list it would only enable Next.
    ui.select_all_checkBox->setVisible(n >= 2);
    if (n == 0)
        ui.next_pushButton->setEnabled(false);

    // New devices start checked; devices that are gone lose their state; the others keep theirs.
    for (auto it = devices.begin(); it != devices.end(); ++it) {
        if (!check_states.contains(it.key()))
            check_states.insert(it.key(), Qt::Checked);
    }
    for (auto it = check_states.begin(); it != check_states.end();) {
        if (devices.contains(it.key()))
            ++it;
        else
            it = check_states.erase(it);
    }

    fill_device_list();
    ui.done_frame->show();
    ui.loading_frame->hide();
}

void GUIDeviceScreen::fill_device_list() {
    if (properties & ScreenProperty::ReadOnlyDevices) {
        ui.device_no_selection_listWidget->clear();
        int row = 0;
        for (auto it = devices.begin(); it != devices.end(); ++it, ++row) {
            const QString text = manager->translate_tokens(QString::fromStdString(it.value()));
            auto* label = new QLabel(text, nullptr, Qt::WindowFlags());
            label->setTextFormat(Qt::PlainText); // a name, never markup
            auto* item = new QListWidgetItem(ui.device_no_selection_listWidget, row);
            item->setSizeHint(label->sizeHint());
            ui.device_no_selection_listWidget->setItemWidget(item, label);
        }
        return;
    }

    bool all = true;
    bool any = false;
    ui.device_listWidget->clear();
    row_devices.clear();
    if (devices.size() >= 2)
        ui.select_all_checkBox->show();

    delete button_group;
    button_group = new QButtonGroup(nullptr);
    button_group->setExclusive(false);
    checked_connect(button_group, SIGNAL(buttonClicked(QAbstractButton*)), this,
                    SLOT(update_item(QAbstractButton*)));

    int row = 0;
    for (auto it = devices.begin(); it != devices.end(); ++it, ++row) {
        const QString text = manager->translate_tokens(QString::fromStdString(it.value()));
        auto* box = new QCheckBox(button_text(text), nullptr);
        button_group->addButton(box);
        auto* item = new QListWidgetItem(ui.device_listWidget, row);
        // The row takes the box's height: a row of the font's height cuts the indicator.
        item->setSizeHint(box->sizeHint());
        ui.device_listWidget->setItemWidget(item, box);
        const int state = check_states.value(it.key());
        box->setCheckState(static_cast<Qt::CheckState>(state));
        if (state != Qt::Unchecked)
            any = true;
        else
            all = false;
        row_devices[row] = it.key();
    }
    ui.select_all_checkBox->setChecked(all);
    ui.next_pushButton->setEnabled(any);
}

QCheckBox* GUIDeviceScreen::row_box(int row) {
    return qobject_cast<QCheckBox*>(ui.device_listWidget->itemWidget(ui.device_listWidget->item(row)));
}

void GUIDeviceScreen::update_item(QAbstractButton* item) {
    auto* clicked = qobject_cast<QCheckBox*>(item);
    if (!clicked)
        return;
    const Qt::CheckState s = clicked->checkState();
    bool none_checked = true;
    bool all_checked = true;
    for (int row = 0; row < ui.device_listWidget->count(); ++row) {
        QCheckBox* box = row_box(row);
        if (box && box->checkState() == Qt::Checked)
            none_checked = false;
        else
            all_checked = false;
        if (box == clicked)
            check_states[row_devices.value(ui.device_listWidget->item(row)->type())] = s;
    }
    if (s == Qt::Checked) {
        if (all_checked)
            ui.select_all_checkBox->setChecked(true);
        ui.next_pushButton->setEnabled(true);
    } else {
        if (none_checked)
            ui.next_pushButton->setEnabled(false);
        ui.select_all_checkBox->setChecked(false);
    }
}

void GUIDeviceScreen::update_select_all() {
    const Qt::CheckState s = ui.select_all_checkBox->checkState();
    for (int row = 0; row < ui.device_listWidget->count(); ++row) {
        if (QCheckBox* box = row_box(row)) {
            box->setCheckState(s);
            check_states[row_devices.value(ui.device_listWidget->item(row)->type())] = s;
        }
    }
    ui.next_pushButton->setEnabled(s == Qt::Checked && ui.device_listWidget->count() > 0);
}

QVector<std::string> GUIDeviceScreen::get_checked_devices() {
    QVector<std::string> ids;
    for (int row = 0; row < ui.device_listWidget->count(); ++row) {
        QCheckBox* box = row_box(row);
        if (box && box->checkState() == Qt::Checked)
            ids.append(row_devices.value(ui.device_listWidget->item(row)->type()));
    }
    return ids;
}

void GUIDeviceScreen::set_devices() {
    emit send_devices_selected(get_checked_devices());
}

void GUIDeviceScreen::keyPressEvent(QKeyEvent* event) {
    // Esc goes back, also where Back is hidden; every other key stops here.
    if (event->key() == Qt::Key_Escape)
        manager->previous_screen();
}
