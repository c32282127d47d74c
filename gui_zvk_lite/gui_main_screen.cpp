#include "gui_main_screen.h"

#include "checked_connect.h"
#include "gui_manager.h"
#include "shown_names.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QGridLayout>
#include <QIcon>
#include <QResizeEvent>
#include <QScrollBar>
#include <QToolButton>

namespace {

// Four rules; the runs of white space between them are the parser's to skip.
const char* const module_button_style =
    "QToolButton{border: 1px solid #ffffff;}"
    "\t\t\t\t\t\t\t\t\t\t\t   "
    "QToolButton:hover{border: 1px solid #6ebfff; background-color: #dbfeff;}"
    "\t\t\t\t\t\t\t\t\t   "
    "QToolButton:pressed{border: 1px solid #6ebfff; background-color: #dbfeff;}"
    " "
    "QToolButton:focus{border: 1px solid #000000; border-style: dashed;}"
    "\t\t\t\t\t\t\t\t    ";

} // namespace

GUIMainScreen::GUIMainScreen(GUIManager* manager_)
    : QFrame(nullptr, Qt::WindowFlags()), button_group(nullptr), buttons_widget(nullptr), grid(nullptr),
      // Replaced by the first resize event, which comes when the screen is first shown.
      columns(1), button_width(100), horizontal_spacing(0), laid_out_width(-1), manager(manager_) {
    ui.setupUi(this);
    buttons_widget = new QWidget();
    ui.buttons_scrollArea->setWidget(buttons_widget);
    // Wheel focus alone: the area takes the focus neither by tab nor by click.
    ui.buttons_scrollArea->setFocusPolicy(static_cast<Qt::FocusPolicy>(4));

    // Qt 6 names the id-carrying click signal idClicked(int).
    checked_connect(&button_group, SIGNAL(idClicked(int)), this, SLOT(check_button(int)));
    checked_connect(this, SIGNAL(button_clicked(const QString&)), manager, SLOT(init_module(const QString&)));
    checked_connect(this, SIGNAL(button_clicked(const QString&)), manager, SLOT(next_screen()));
    checked_connect(ui.past_logs_pushButton, SIGNAL(clicked()), manager, SLOT(set_log_selection_screen()));
}

GUIMainScreen::~GUIMainScreen() {
    clear_buttons();
}

void GUIMainScreen::set_modules(QMap<QString, QSharedPointer<SecureLibrary>>& modules,
                                QMap<QSharedPointer<SecureLibrary>, QSharedPointer<QPixmap>>& images) {
    clear_buttons();
    create_buttons(modules, images);
}

void GUIMainScreen::clear_buttons() {
    const int count = button_names.size();
    for (int id = 0; id < count; ++id) {
        QAbstractButton* button = button_group.button(id);
        if (!button)
            continue;
        button_group.removeButton(button);
        delete button;
    }
    button_names.clear();
}

void GUIMainScreen::create_buttons(QMap<QString, QSharedPointer<SecureLibrary>>& modules,
                                   QMap<QSharedPointer<SecureLibrary>, QSharedPointer<QPixmap>>& images) {
    delete grid;
    grid = new QGridLayout();
    grid->setContentsMargins(6, 3, 6, 6);
    grid->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    buttons_widget->setLayout(grid);

    int row = 0;
    int column = 0;
    int id = 0;
    for (auto it = modules.begin(); it != modules.end(); ++it) {
        if (column == columns) {
            column = 0;
            ++row;
        }
        auto* button = new QToolButton();
        // A module without a picture shows none.
        QPixmap picture;
        QSharedPointer<QPixmap> image = images.value(it.value());
        if (image)
            picture = *image;
        button->setIcon(QIcon(picture));
        button->setStyleSheet(module_button_style);
        const std::string key = it.key().toStdString();
        button->setText(button_text(QCoreApplication::translate("Translations", key.c_str())));
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        const QSize picture_size = picture.rect().size();
        button->setIconSize(QSize(qRound(picture_size.width() / 2.0), qRound(picture_size.height() / 2.0)));
        button_group.addButton(button, id);
        button_names[id] = it.key();
        ++id;
        grid->addWidget(button, row, column);
        ++column;
    }
    // New names may be wider than the cell the columns were counted with.
    if (laid_out_width >= 0) {
        columns = count_columns(laid_out_width);
        place_buttons();
    }
}

void GUIMainScreen::check_button(int id) {
    emit button_clicked(button_names.value(id));
}

void GUIMainScreen::resizeEvent(QResizeEvent* event) {
    // Before the first set of buttons there is no grid: nothing to read and nothing to lay out.
    if (!grid)
        return;
    horizontal_spacing = grid->horizontalSpacing();
    laid_out_width = event->size().width();
    columns = count_columns(laid_out_width);
    place_buttons();
}

int GUIMainScreen::cell_width() const {
    int widest = button_width;
    const QList<QAbstractButton*> buttons = button_group.buttons();
    for (const QAbstractButton* button : buttons)
        widest = qMax(widest, button->sizeHint().width());
    return widest;
}

int GUIMainScreen::count_columns(int w) const {
    const int s = ui.buttons_scrollArea->horizontalScrollBar()->sizeHint().width();
    const int cell = cell_width() + horizontal_spacing;
    // At least one column: a screen narrower than one cell still shows its buttons one a row.
    return cell > 0 ? qMax(1, (w + horizontal_spacing - s) / cell) : 1;
}

void GUIMainScreen::place_buttons() {
    const QList<QAbstractButton*> buttons = button_group.buttons();
    for (QAbstractButton* button : buttons)
        grid->removeWidget(button);
    int row = 0;
    int column = 0;
    for (QAbstractButton* button : buttons) {
        if (column == columns) {
            column = 0;
            ++row;
        }
        grid->addWidget(button, row, column);
        ++column;
    }
}
