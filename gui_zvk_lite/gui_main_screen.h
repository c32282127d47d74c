#pragma once
// The screen where the user picks a module: one button a module (its picture above its translated
// name) in a grid whose number of columns follows the screen's width, and the past-logs button.
#include "ui_main_Frame.h"

#include <QButtonGroup>
#include <QFrame>
#include <QMap>
#include <QPixmap>
#include <QSharedPointer>
#include <QString>

class GUIManager;
class SecureLibrary;
class QGridLayout;
class QResizeEvent;
class QWidget;

class GUIMainScreen : public QFrame {
    Q_OBJECT
    friend class GUIManagerTestAccess;

public:
    explicit GUIMainScreen(GUIManager* manager);
    ~GUIMainScreen() override;

    // Rebuilds the module buttons from the module list; called before the screen is shown.
    void set_modules(QMap<QString, QSharedPointer<SecureLibrary>>& modules,
                     QMap<QSharedPointer<SecureLibrary>, QSharedPointer<QPixmap>>& images);
    void clear_buttons();
    void create_buttons(QMap<QString, QSharedPointer<SecureLibrary>>& modules,
                        QMap<QSharedPointer<SecureLibrary>, QSharedPointer<QPixmap>>& images);

signals:
    void button_clicked(const QString& name);

public slots:
    void check_button(int id);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // The width of a grid cell: the nominal one, or the widest button's where a name is wider, so that
    // the columns of a long name stay inside the screen.
    int cell_width() const;
    int count_columns(int w) const;
    // Puts the buttons into the grid in id order, columns a row.
    void place_buttons();

    Ui_main_Frame ui;
    QMap<int, QString> button_names;
    QButtonGroup button_group;
    QWidget* buttons_widget;
    QGridLayout* grid;
    int columns;
    int button_width;
    int horizontal_spacing;
    int laid_out_width; // the screen's width at the last resize; -1 before the first
    GUIManager* manager;
};
