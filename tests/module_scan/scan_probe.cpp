// A stand-in for the program, run by module_scan_test as a child process: it builds the main window
// with the command line it was given, in the folder it was started in, closes every message box, and
// prints what the window shows. A module that yields no interface object ends it with exit code 1.
#include "gui_manager.h"
#include "gui_manager_access.h"
#include "gui_message_boxes.h"
#include "sanitizer_hooks.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include <cstdio>


int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    zvk_test::install_sanitizer_hooks();
    QApplication app(argc, argv);
    zvk_test::MessageBoxCloser boxes(true);
    GUIManager window(nullptr, Qt::WindowFlags());
    using Access = GUIManagerTestAccess;
    std::printf("first_screen %d\ncurrent_screen %d\npage %d\nbound %s\nused_screens %d\n",
                Access::first_screen(window), Access::current_screen(window), Access::page(window),
                Access::module_interface(window) ? qPrintable(Access::module_name(window)) : "-",
                Access::used_screens(window));
    for (const QString& name : Access::module_names(window))
        std::printf("module %s\n", qPrintable(name));
    std::printf("buttons %d\n", int(Access::button_names(Access::main_screen(window)).size()));
    // A window that opens on a device screen has asked for the devices: wait for them.
    if (Access::page(window) == 1) {
        QEventLoop wait;
        QObject::connect(&window, &GUIManager::devices_updated, &wait, &QEventLoop::quit);
        QTimer::singleShot(5000, &wait, &QEventLoop::quit);
        wait.exec();
    }
    std::printf("devices %d\n", int(Access::devices(window).size()));
    std::fflush(stdout);
    return 0;
}
