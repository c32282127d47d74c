#include "gui_manager.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    GUIManager window(nullptr, Qt::WindowFlags());
    window.show();
    QObject::connect(&app, SIGNAL(lastWindowClosed()), &app, SLOT(quit()));
    return app.exec();
}
