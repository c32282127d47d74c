#include "gui_manager.h"

#include "checked_connect.h"
#include "module_thread.h"
#include "secure_library.h"
#include "worker_idle_watch.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QStringList>

#include <sstream>
#include <vector>

namespace {

// The worker objects are never deleted: they live until the process ends. Held here, they stay
// reachable for that whole time, so leak checkers do not report them.
void keep_for_process_life(ModuleThread* worker) {
    static auto* const workers = new std::vector<ModuleThread*>;
    workers->push_back(worker);
}

} // namespace

GUIManager::GUIManager(QWidget* parent, Qt::WindowFlags flags)
    : QMainWindow(parent, flags), module_interface(nullptr), get_module_name_export(nullptr),
      get_module_image_export(nullptr), get_used_screens_export(nullptr),
      get_screen_properties_export(nullptr), get_module_interface_export(nullptr),
      delete_module_interface_export(nullptr), used_screens(-1), current_screen(0), first_screen(0),
      screen_stack(nullptr), main_screen(this), device_screen(this), progress_screen(this), test_screen(this),
      log_screen(this), log_selection_screen(this), module_thread(nullptr), worker_thread(nullptr),
      maximized(false), dragging(false), run_start(0), switch_pending(false), advance_after_switch(false),
      double_click_guard(&screen_stack), close_enabled(true), close_when_run_ends(false) {
    // The images live in the GUI library, which is static: make sure its resources are registered.
    Q_INIT_RESOURCE(gui_zvk_lite);
    worker_thread.start(QThread::InheritPriority);
    module_thread = new ModuleThread(this);
    keep_for_process_life(module_thread);
    module_thread->moveToThread(&worker_thread);
    worker_idle.reset(new WorkerIdleWatch(module_thread));

    ui.setupUi(this);

    ui.screens_verticalLayout->addWidget(&screen_stack);
    screen_stack.addWidget(&main_screen);
    screen_stack.addWidget(&device_screen);
    screen_stack.addWidget(&test_screen);
    screen_stack.addWidget(&progress_screen);
    screen_stack.addWidget(&log_screen);
    screen_stack.addWidget(&log_selection_screen);
    screen_stack.setCurrentIndex(0);
    screen_stack.setStyleSheet("background-color: rgb(255, 255, 255)");

    init_window_buttons();

    checked_connect(this, SIGNAL(run_update_devices()), module_thread, SLOT(update_devices()));
    checked_connect(this, SIGNAL(run_test(int)), module_thread, SLOT(run_test(int)));
    checked_connect(ui.maximize_pushButton, SIGNAL(clicked()), this, SLOT(maximize()));
    checked_connect(ui.normal_pushButton, SIGNAL(clicked()), this, SLOT(restore()));
    checked_connect(ui.close_pushButton, SIGNAL(clicked()), this, SLOT(zvk_lite_close()));

    ui.normal_pushButton->hide();
    setWindowFlags(Qt::FramelessWindowHint);

    QString name = get_command_line_module();
    if (name.isEmpty()) {
        scan_modules(nullptr);
    } else {
        std::string preselected = name.toStdString();
        scan_modules(preselected.c_str());
    }

    set_info_labels();
    set_screen(current_screen);
}

GUIManager::~GUIManager() {
    // A module call may still run on the worker (an enumeration the window was closed over). The
    // bound object is released only after it has returned, and the worker thread must not run while
    // its thread object goes or the modules are unmapped: stop the worker first, which waits for that
    // call and runs nothing that is still queued.
    cancel_module_switch();
    stop_worker();
    unload_module();
}

void GUIManager::stop_worker() {
    if (worker_thread.isRunning()) {
        worker_thread.quit();
        worker_thread.wait();
    }
}

bool GUIManager::end_worker(int wait_ms) {
    worker_thread.quit();
    return worker_thread.wait(QDeadlineTimer(wait_ms));
}

QString GUIManager::get_current_module() {
    return module_name;
}

ModuleInterface* GUIManager::get_interface() {
    return module_interface;
}

int GUIManager::begin_device_tests(std::string device_id, int test_mask) {
    int result = module_interface->select_device(device_id, test_mask);
    if (result == 0)
        module_interface->begin_tests();
    return result;
}

QString GUIManager::end_device_tests() {
    module_interface->end_tests();
    return QString(module_interface->get_result_code().c_str());
}

int GUIManager::begin_run(std::int64_t start) {
    run_start = start;
    return module_interface->begin_run(start);
}

void GUIManager::end_run() {
    module_interface->end_run();
}

void GUIManager::start_test(int code) {
    emit run_test(code);
    request_sent();
}

void GUIManager::request_sent() {
    worker_idle->request_sent();
}

int GUIManager::get_test_progress() {
    return module_interface->get_test_progress();
}

TestStatus GUIManager::get_test_status() {
    return *module_interface->get_test_status();
}

int GUIManager::get_screen_properties(int screen_bit) {
    if (!get_screen_properties_export)
        return ScreenProperty::Default;
    return get_screen_properties_export(screen_bit);
}

void GUIManager::set_abort(bool value) {
    module_interface->set_abort(value);
}

QString GUIManager::translate_tokens(QString text) {
    std::istringstream words(text.toStdString());
    QString result;
    std::string word;
    while (words >> word) {
        result += QCoreApplication::translate("Translations", word.c_str());
        result += " ";
    }
    return result;
}

void GUIManager::update_devices(std::map<std::string, std::string>* dev_list) {
    // A module that hands out no map leaves the device screen on its loading view.
    if (!dev_list)
        return;
    QMap<std::string, std::string> copy;
    for (const auto& entry : *dev_list)
        copy.insert(entry.first, entry.second);
    devices = copy;
    emit devices_updated(devices);
}

void GUIManager::update_test_status(int code, TestStatus* status) {
    // No status object: reported as a value outside 0 to 3, which the progress screen shows as no status.
    TestStatus value = status ? *status : static_cast<TestStatus>(-1);
    emit test_finished(code, value);
}

void GUIManager::devices_selected(QVector<std::string> ids) {
    selected_devices = ids;
}

void GUIManager::tests_selected(QVector<int> tests_code) {
    selected_tests = tests_code;
}

void GUIManager::next_screen() {
    // A module button whose binding waits for the worker: move on once the module is bound.
    if (switch_pending) {
        advance_after_switch = true;
        return;
    }
    set_screen(next_screen_bit());
}

void GUIManager::previous_screen() {
    set_screen(previous_screen_bit());
}

void GUIManager::back_to_main() {
    emit init_screens(first_screen);
    current_screen = first_screen;
    set_screen(first_screen);
}

void GUIManager::run_refused() {
    // A sequence that begins with the run: going back to its first screen would try the run again, for
    // ever, and once the user has bound another module on the main page, every way back to the first
    // screen would start a run of that module that nobody asked for. The main page is the first screen
    // from now on.
    if (first_screen == ScreenBit::Progress)
        first_screen = ScreenBit::Main;
    back_to_main();
}

void GUIManager::set_log_selection_screen() {
    // Leaving the main screen gives up a module choice that still waits for the worker.
    cancel_module_switch();
    log_selection_screen.reset();
    screen_stack.setCurrentWidget(&log_selection_screen);
}

void GUIManager::set_screen(int s) {
    int old = current_screen;
    current_screen = s;
    QWidget* page = nullptr;
    switch (s) {
    case ScreenBit::Main:
        main_screen.set_modules(modules, module_images);
        page = &main_screen;
        break;
    case ScreenBit::Devices:
        // Current before it is prepared: the focus it takes then reaches the window, also one that the
        // click which led here has not activated yet, so that Esc works on the loading view.
        screen_stack.setCurrentWidget(&device_screen);
        device_screen.show_loading();
        emit run_update_devices();
        request_sent();
        page = &device_screen;
        break;
    case ScreenBit::Tests:
        emit tests_updated(tests);
        page = &test_screen;
        break;
    case ScreenBit::Progress:
        if (progress_screen.start_tests(selected_devices, selected_tests, devices, tests) != 0) {
            run_refused();
            return;
        }
        page = &progress_screen;
        break;
    case ScreenBit::Log:
        log_screen.show_log(QString(module_name), run_start);
        page = &log_screen;
        break;
    default:
        current_screen = old;
        return;
    }
    screen_stack.setCurrentWidget(page);
}

int GUIManager::next_screen_bit() {
    if (current_screen <= 0)
        current_screen = 1;
    int b = current_screen << 1;
    // Bounded at the end bit, so a mask without it still ends the sequence.
    while (b < ScreenBit::End && !(b & used_screens))
        b <<= 1;
    if (b >= ScreenBit::End)
        return 0;
    return b;
}

int GUIManager::previous_screen_bit() {
    int b = current_screen >> 1;
    // Ends at the main screen, and at nothing when called from the main screen or below.
    while (b > ScreenBit::Main && !(b & used_screens))
        b >>= 1;
    if (b < ScreenBit::Main)
        return ScreenBit::Main;
    return b;
}

QString GUIManager::get_command_line_module() {
    return command_line_module(QCoreApplication::arguments());
}

QString command_line_module(const QStringList& args) {
    if (args.size() > 1) {
        QStringList parts = args[1].split("--", Qt::KeepEmptyParts, Qt::CaseSensitive);
        if (parts.size() > 1)
            return parts[1];
    }
    return QString();
}
