#pragma once
// The screen where the user picks a module.
#include "ui_main_Frame.h"

#include <QFrame>
#include <QMap>
#include <QPixmap>
#include <QSharedPointer>
#include <QString>

class GUIManager;
class SecureLibrary;

class GUIMainScreen : public QFrame {
    Q_OBJECT
public:
    explicit GUIMainScreen(GUIManager* manager);
    void set_modules(QMap<QString, QSharedPointer<SecureLibrary>>& modules,
                     QMap<QSharedPointer<SecureLibrary>, QSharedPointer<QPixmap>>& images);

signals:
    void button_clicked(const QString& name);

public slots:
    void check_button(int id);

private:
    Ui_main_Frame ui;
    QMap<int, QString> button_names;
    GUIManager* manager;
};
