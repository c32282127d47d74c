#include "gui_test_screen.h"

#include "checked_connect.h"
#include "gui_manager.h"
#include "shown_names.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QListWidget>
#include <QListWidgetItem>

GUITestScreen::GUITestScreen(GUIManager* manager_)
    : QFrame(nullptr, Qt::WindowFlags()), advanced_mode(false), manager(manager_), button_group(nullptr) {
    ui.setupUi(this);
    ui.select_all_checkBox->hide();

    checked_connect(manager, SIGNAL(init_screens(int)), this, SLOT(init_screen(int)));
    // The codes reach the window before it moves on to start the run with them.
    checked_connect(ui.run_tests_pushButton, SIGNAL(clicked()), this, SLOT(get_selected_tests()));
    checked_connect(ui.run_tests_pushButton, SIGNAL(clicked()), manager, SLOT(next_screen()));
    checked_connect(this, SIGNAL(send_selected_tests(QVector<int>)), manager,
                    SLOT(tests_selected(QVector<int>)));
    checked_connect(ui.back_pushButton, SIGNAL(clicked()), manager, SLOT(previous_screen()));
    checked_connect(ui.select_all_checkBox, SIGNAL(clicked()), this, SLOT(update_select_all()));
    checked_connect(ui.advanced_pushButton, SIGNAL(clicked()), this, SLOT(advanced_clicked()));
    checked_connect(manager, SIGNAL(tests_updated(QMap<int, std::string>&)), this,
                    SLOT(update_tests(QMap<int, std::string>&)));
    ui.advanced_pushButton->setText(tr("SelectTestsOptions"));
}

GUITestScreen::~GUITestScreen() {
    delete button_group;
}

void GUITestScreen::init_screen(int first_screen) {
    // Nothing comes before the first screen of the sequence.
    ui.back_pushButton->setVisible(!(first_screen & ScreenBit::Tests));
    ui.tests_listWidget->clear();
    ui.select_all_checkBox->setChecked(true);
    advanced_mode = false;
    ui.test_selection_frame->hide();
    ui.run_tests_pushButton->setEnabled(false);
    ui.advanced_pushButton->setText(tr("SelectTestsOptions"));
}

void GUITestScreen::update_tests(QMap<int, std::string>& tests) {
    setFocus(Qt::ActiveWindowFocusReason);
    // A list already filled keeps the user's choice.
    if (ui.tests_listWidget->count() > 0)
        return;

    delete button_group;
    button_group = new QButtonGroup(nullptr);
    button_group->setExclusive(false);
    checked_connect(button_group, SIGNAL(buttonClicked(QAbstractButton*)), this,
                    SLOT(update_item(QAbstractButton*)));

    for (auto it = tests.begin(); it != tests.end(); ++it) {
        const QString name = QCoreApplication::translate("Translations", it.value().c_str());
        // The item's type is where the row keeps its test code.
        auto* item = new QListWidgetItem(nullptr, it.key());
        auto* box = new QCheckBox(button_text(name), nullptr);
        set_test_tooltip(it.value(), box);
        button_group->addButton(box);
        // The row takes the box's height: a row of the font's height cuts the indicator.
        item->setSizeHint(box->sizeHint());
        ui.tests_listWidget->addItem(item);
        ui.tests_listWidget->setItemWidget(item, box);
    }
    ui.select_all_checkBox->setVisible(tests.size() >= 2);
    update_select_all();
}

void GUITestScreen::set_test_tooltip(std::string name, QWidget* box) {
    if (name == "SmartDriveSelfTest")
        box->setToolTip("This is the SmartDriveSelfTest");
}

QCheckBox* GUITestScreen::row_box(int row) {
    return qobject_cast<QCheckBox*>(ui.tests_listWidget->itemWidget(ui.tests_listWidget->item(row)));
}

void GUITestScreen::update_select_all() {
    const Qt::CheckState state = ui.select_all_checkBox->checkState();
    for (int row = 0; row < ui.tests_listWidget->count(); ++row) {
        if (QCheckBox* box = row_box(row))
            box->setCheckState(state);
    }
    ui.run_tests_pushButton->setEnabled(state == Qt::Checked && ui.tests_listWidget->count() > 0);
}

void GUITestScreen::update_item(QAbstractButton* button) {
    auto* clicked = qobject_cast<QCheckBox*>(button);
    if (!clicked)
        return;
    bool all_checked = true;
    bool none_checked = true;
    for (int row = 0; row < ui.tests_listWidget->count(); ++row) {
        QCheckBox* box = row_box(row);
        if (box && box->checkState() == Qt::Checked)
            none_checked = false;
        else
            all_checked = false;
    }
    if (clicked->checkState() == Qt::Checked) {
        if (all_checked)
            ui.select_all_checkBox->setChecked(true);
        ui.run_tests_pushButton->setEnabled(true);
    } else {
        if (none_checked)
            ui.run_tests_pushButton->setEnabled(false);
        ui.select_all_checkBox->setChecked(false);
    }
}

void GUITestScreen::get_selected_tests() {
    QVector<int> codes;
    for (int row = 0; row < ui.tests_listWidget->count(); ++row) {
        QCheckBox* box = row_box(row);
        if (box && box->checkState() == Qt::Checked)
            codes.append(ui.tests_listWidget->item(row)->type());
    }
    emit send_selected_tests(codes);
}

void GUITestScreen::advanced_clicked() {
    advanced_mode = !advanced_mode;
    ui.test_selection_frame->setVisible(advanced_mode);
    if (advanced_mode) {
        ui.advanced_pushButton->setText(tr("DefaultTestsOptions"));
        ui.test_selection_label->setToolTip(tr("HideTestsTooltip"));
    } else {
        ui.advanced_pushButton->setText(tr("SelectTestsOptions"));
        ui.test_selection_label->setToolTip(tr("ShowTestsTooltip"));
    }
}

void GUITestScreen::keyPressEvent(QKeyEvent* event) {
    // Esc goes back, also where Back is hidden; every other key stops here.
    if (event->key() == Qt::Key_Escape)
        static_cast<GUIManager*>(manager)->previous_screen();
}
