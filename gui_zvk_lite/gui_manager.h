#pragma once
// The program's main window: owns the six screens and the worker thread, holds the bound module's
// state and relays between the screens, the module and the worker.
#include "double_click_guard.h"
#include "module_contract.h"
#include "ui_main_window.h"

#include "gui_device_screen.h"
#include "gui_log_screen.h"
#include "gui_log_selection_screen.h"
#include "gui_main_screen.h"
#include "gui_progress_screen.h"
#include "gui_test_screen.h"

#include <QMainWindow>
#include <QMap>
#include <QPixmap>
#include <QPoint>
#include <QSharedPointer>
#include <QSize>
#include <QStackedWidget>
#include <QStringList>
#include <QString>
#include <QThread>
#include <QVector>

#include <ctime>
#include <map>
#include <memory>
#include <string>

class ModuleThread;
class WorkerIdleWatch;

class SecureLibrary;
class QCloseEvent;
class QMouseEvent;

// The module named by the program's arguments: the piece after the first "--" of the first argument;
// empty when there is none.
QString command_line_module(const QStringList& args);

class GUIManager : public QMainWindow {
    Q_OBJECT
    friend class GUIManagerTestAccess;

public:
    explicit GUIManager(QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());
    ~GUIManager() override;

    QString get_current_module();
    ModuleInterface* get_interface();
    int begin_device_tests(std::string device_id, int test_mask);
    QString end_device_tests();
    int begin_run(std::int64_t start);
    void end_run();
    void start_test(int code);
    int get_test_progress();
    TestStatus get_test_status();
    int get_screen_properties(int screen_bit);
    void set_abort(bool value);
    QString translate_tokens(QString text);
    void set_minimize_enabled(bool enabled);
    void set_normal_enabled(bool enabled);
    void set_maximize_enabled(bool enabled);
    // Disabled from the start of a run to its end: neither the close button nor a close from the window
    // system (Alt+F4, a taskbar's Close) cuts a run off.
    void set_close_enabled(bool enabled);
    // A termination request: with a run under way, stops it as Stop tests does and closes the window
    // once the module has ended it, or after a short bound should the module ignore the stop; true
    // then. False when no run is under way: the caller closes the window.
    bool close_after_run();
    // Asks the worker to end and waits for it at most wait_ms; false when it is still inside a module
    // call then. Nothing still queued for it runs.
    bool end_worker(int wait_ms);

signals:
    void module_loaded();
    void init_screens(int first_screen);
    void devices_updated(QMap<std::string, std::string>& devices);
    void tests_updated(QMap<int, std::string>& tests);
    void test_finished(int code, TestStatus status);
    void thread_start();
    void run_update_devices();
    void run_test(int test_code);

public slots:
    void zvk_lite_close();
    void init_module(const QString& name);
    void update_devices(std::map<std::string, std::string>* dev_list);
    void update_test_status(int code, TestStatus* status);
    void devices_selected(QVector<std::string> ids);
    void tests_selected(QVector<int> tests_code);
    void next_screen();
    void previous_screen();
    void back_to_main();
    void set_log_selection_screen();
    void maximize();
    void restore(bool use_previous_position = true, QMouseEvent* e = nullptr, int* movement = nullptr);

protected:
    void closeEvent(QCloseEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;

private:
    void set_screen(int s);
    // A run that start_tests refused: back to the first screen. A sequence that began with the run
    // begins at the main page from then on, so that no way back to it starts a run.
    void run_refused();
    int next_screen_bit();
    int previous_screen_bit();
    QString get_command_line_module();
    void scan_modules(const char* preselected);
    bool has_required_exports(QSharedPointer<SecureLibrary> library);
    void show_invalid_module(const QString& file_name);
    void bind_module(const QString& name);
    void finish_module_switch(const QString& name);
    void cancel_module_switch();
    void unload_module();
    [[noreturn]] void reject_module();
    void request_sent();
    void set_info_labels();
    void init_window_buttons();
    // Whether a point of the window (its own coordinates) lies on the title area.
    bool on_title_area(const QPoint& at);
    void stop_worker();

    Ui_main_window ui;
    QSharedPointer<SecureLibrary> current_module;
    ModuleInterface* module_interface;
    QString module_name;
    QMap<QString, QSharedPointer<SecureLibrary>> modules;
    QMap<QSharedPointer<SecureLibrary>, QSharedPointer<QPixmap>> module_images;
    QMap<std::string, std::string> devices;
    QMap<int, std::string> tests;
    QVector<std::string> selected_devices;
    QVector<int> selected_tests;
    get_module_name_fn get_module_name_export;
    get_module_image_fn get_module_image_export;
    get_used_screens_fn get_used_screens_export;
    get_screen_properties_fn get_screen_properties_export;
    get_module_interface_fn get_module_interface_export;
    delete_module_interface_fn delete_module_interface_export;
    int used_screens;
    int current_screen;
    int first_screen;
    QStackedWidget screen_stack;
    GUIMainScreen main_screen;
    GUIDeviceScreen device_screen;
    GUIProgressScreen progress_screen;
    GUITestScreen test_screen;
    GUILogScreen log_screen;
    GUILogSelectionScreen log_selection_screen;
    ModuleThread* module_thread;
    QThread worker_thread;
    bool maximized;
    bool dragging;
    QPoint drag_offset;
    QPoint saved_pos;
    QSize saved_size;
    std::int64_t run_start;
    // A module switch waits while the worker may still be inside a call on the bound interface object.
    std::unique_ptr<WorkerIdleWatch> worker_idle;
    bool switch_pending;
    bool advance_after_switch;
    DoubleClickGuard double_click_guard;
    bool close_enabled;
    // A termination request came during the run: the window closes when the run ends.
    bool close_when_run_ends;
};
