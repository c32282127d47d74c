#pragma once
// The tests' one view into the main window's private state (GUIManager names this class its friend).
// Screen tests add what they need here rather than defining a class of the same name again.
#include "gui_manager.h"
#include "worker_idle_watch.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QPushButton>
#include <QStackedWidget>
#include <QThread>
#include <QTimer>

class GUIManagerTestAccess {
public:
    static int& used_screens(GUIManager& m) { return m.used_screens; }
    static int& current_screen(GUIManager& m) { return m.current_screen; }
    static int& first_screen(GUIManager& m) { return m.first_screen; }
    static int next_screen_bit(GUIManager& m) { return m.next_screen_bit(); }
    static int previous_screen_bit(GUIManager& m) { return m.previous_screen_bit(); }
    static void set_screen(GUIManager& m, int s) { m.set_screen(s); }
    static int page(GUIManager& m) { return m.screen_stack.currentIndex(); }
    static QWidget* current_page(GUIManager& m) { return m.screen_stack.currentWidget(); }
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
    static QVector<std::string>& selected_devices(GUIManager& m) { return m.selected_devices; }
    static QVector<int>& selected_tests(GUIManager& m) { return m.selected_tests; }

    // The window frame.
    static Ui_main_window& form(GUIManager& m) { return m.ui; }
    static bool& maximized(GUIManager& m) { return m.maximized; }
    static bool& dragging(GUIManager& m) { return m.dragging; }
    static QPoint& drag_offset(GUIManager& m) { return m.drag_offset; }
    static QPoint& saved_pos(GUIManager& m) { return m.saved_pos; }
    static QSize& saved_size(GUIManager& m) { return m.saved_size; }
    static QThread& worker_thread(GUIManager& m) { return m.worker_thread; }
    // Whether the worker may still be inside a module call or hold results not yet delivered.
    static bool worker_busy(GUIManager& m) { return m.worker_idle->busy(); }
    // Whether a module button's binding still waits for the worker.
    static bool switch_pending(GUIManager& m) { return m.switch_pending; }
    static void mouse_move(GUIManager& m, QMouseEvent* e) { m.mouseMoveEvent(e); }

    // The main screen.
    static GUIMainScreen& main_screen(GUIManager& m) { return m.main_screen; }
    static Ui_main_Frame& form(GUIMainScreen& s) { return s.ui; }
    static QButtonGroup& button_group(GUIMainScreen& s) { return s.button_group; }
    static QGridLayout* grid(GUIMainScreen& s) { return s.grid; }
    static int columns(GUIMainScreen& s) { return s.columns; }
    static QMap<int, QString>& button_names(GUIMainScreen& s) { return s.button_names; }

    // The device screen.
    static GUIDeviceScreen& device_screen(GUIManager& m) { return m.device_screen; }
    static Ui_device_Frame& form(GUIDeviceScreen& s) { return s.ui; }
    static QMap<std::string, int>& check_states(GUIDeviceScreen& s) { return s.check_states; }
    static int properties(GUIDeviceScreen& s) { return s.properties; }

    // The test screen.
    static GUITestScreen& test_screen(GUIManager& m) { return m.test_screen; }
    static Ui_test_Frame& form(GUITestScreen& s) { return s.ui; }
    static bool advanced_mode(GUITestScreen& s) { return s.advanced_mode; }

    // The progress screen's run.
    static GUIProgressScreen& progress(GUIManager& m) { return m.progress_screen; }
    static Ui_progress_Frame& progress_form(GUIManager& m) { return m.progress_screen.ui; }
    static bool stopped(GUIManager& m) { return m.progress_screen.stopped; }
    static bool running(GUIManager& m) { return m.progress_screen.running; }
    static bool finished(GUIManager& m) { return m.progress_screen.finished; }
    static bool polling(GUIManager& m) { return m.progress_screen.timer->isActive(); }
    // The device block of a device id, or null.
    static DiagnosticWidget* device_block(GUIManager& m, const std::string& id) {
        return m.progress_screen.device_widgets.value(id).data();
    }
    static int device_block_count(GUIManager& m) { return int(m.progress_screen.device_widgets.size()); }
    static void update_progress_bar(GUIManager& m) { m.progress_screen.update_progress_bar(); }
};
