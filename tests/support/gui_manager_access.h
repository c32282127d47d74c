#pragma once
// The tests' one view into the main window's private state (GUIManager names this class its friend).
// Screen tests add what they need here rather than defining a class of the same name again.
#include "gui_manager.h"

#include <QPushButton>
#include <QStackedWidget>

class GUIManagerTestAccess {
public:
    static int& used_screens(GUIManager& m) { return m.used_screens; }
    static int& current_screen(GUIManager& m) { return m.current_screen; }
    static int& first_screen(GUIManager& m) { return m.first_screen; }
    static int next_screen_bit(GUIManager& m) { return m.next_screen_bit(); }
    static int previous_screen_bit(GUIManager& m) { return m.previous_screen_bit(); }
    static void set_screen(GUIManager& m, int s) { m.set_screen(s); }
    static int page(GUIManager& m) { return m.screen_stack.currentIndex(); }
    static void bind(GUIManager& m, ModuleInterface* object) { m.module_interface = object; }
    static QStringList module_names(GUIManager& m) { return m.modules.keys(); }
    static QSharedPointer<SecureLibrary> module(GUIManager& m, const QString& name) {
        return m.modules.value(name);
    }
    static QMap<QSharedPointer<SecureLibrary>, QSharedPointer<QPixmap>>& images(GUIManager& m) {
        return m.module_images;
    }
    static QString module_name(GUIManager& m) { return m.module_name; }
    static QSharedPointer<SecureLibrary> current_module(GUIManager& m) { return m.current_module; }
    static ModuleInterface* module_interface(GUIManager& m) { return m.module_interface; }
    static QMap<int, std::string>& tests(GUIManager& m) { return m.tests; }
    static QMap<std::string, std::string>& devices(GUIManager& m) { return m.devices; }
    static delete_module_interface_fn& delete_export(GUIManager& m) {
        return m.delete_module_interface_export;
    }
    static std::int64_t run_start(GUIManager& m) { return m.run_start; }
    // The module and run start that the log screen is shown for.
    static void set_run(GUIManager& m, const QString& module, std::int64_t start) {
        m.module_name = module;
        m.run_start = start;
    }
    static GUILogScreen& log_screen(GUIManager& m) { return m.log_screen; }
    static GUILogSelectionScreen& log_selection_screen(GUIManager& m) { return m.log_selection_screen; }
    static QPushButton* close_button(GUIManager& m) { return m.ui.close_pushButton; }
    static QString bios_text(GUIManager& m) { return m.ui.bios_label->text(); }
    static QString version_text(GUIManager& m) { return m.ui.version_label->text(); }
};
