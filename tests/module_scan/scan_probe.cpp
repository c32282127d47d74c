// A stand-in for the program, run by module_scan_test as a child process: it builds the main window
// with the command line it was given, in the folder it was started in, closes every message box, and
// prints what the window shows. A module that yields no interface object ends it with exit code 1.
#include "gui_manager.h"
#include "gui_message_boxes.h"
#include "sanitizer_hooks.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include <cstdio>

class GUIManagerTestAccess {
public:
    static void print(GUIManager& m) {
        std::printf("first_screen %d\ncurrent_screen %d\npage %d\nbound %s\nused_screens %d\n",
                    m.first_screen, m.current_screen, m.screen_stack.currentIndex(),
                    m.module_interface ? qPrintable(m.module_name) : "-", m.used_screens);
        for (const QString& name : m.modules.keys())
            std::printf("module %s\n", qPrintable(name));
    }
    static int devices(GUIManager& m) { return int(m.devices.size()); }
    static bool on_device_screen(GUIManager& m) { return m.screen_stack.currentIndex() == 1; }
};

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    zvk_test::install_sanitizer_hooks();
    QApplication app(argc, argv);
    zvk_test::MessageBoxCloser boxes(true);
    GUIManager window(nullptr, Qt::WindowFlags());
    GUIManagerTestAccess::print(window);
    // A window that opens on a device screen has asked for the devices: wait for them.
    if (GUIManagerTestAccess::on_device_screen(window)) {
        QEventLoop wait;
        QObject::connect(&window, &GUIManager::devices_updated, &wait, &QEventLoop::quit);
        QTimer::singleShot(5000, &wait, &QEventLoop::quit);
        wait.exec();
    }
    std::printf("devices %d\n", GUIManagerTestAccess::devices(window));
    std::fflush(stdout);
    return 0;
}
