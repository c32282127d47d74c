// Module scan and binding: the module files of the working folder become the module list; a picked
// module becomes the bound module that the screens talk to.
#include "gui_manager.h"

#include "close_requests.h"
#include "module_thread.h"
#include "output_flush.h"
#include "secure_library.h"
#include "worker_idle_watch.h"

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QMessageBox>

namespace {

// How long the exit of a rejected module waits for the output streams (standard output may be a pipe
// that nobody reads).
constexpr int output_flush_grace_ms = 500;

template <typename Function>
Function resolve_export(const QSharedPointer<SecureLibrary>& library, const char* name) {
    return reinterpret_cast<Function>(library->resolve(std::string(name)));
}

void show_critical_box(const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Ok, nullptr,
                    Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    // The text carries a file name: never let it be taken for markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

} // namespace

void GUIManager::scan_modules(const char* preselected) {
    QString preselected_file;
    if (preselected)
        preselected_file = QString("diag_") + QString(preselected) + ".dll";
    QString preselected_module;

    QDir folder = QDir::current();
    folder.setNameFilters(QStringList(QString("diag_") + "*.dll"));
    // Name order ignoring case, and names matched ignoring case, on every system (QDir's defaults).
    folder.setSorting(QDir::Name | QDir::IgnoreCase);
    folder.setFilter(QDir::AllEntries);
    const QStringList entries = folder.entryList();

    for (const QString& entry : entries) {
        // Ctrl+C or a close request answered in a box of the scan: the program is ending, so no
        // further box shows and no preselected run begins.
        if (termination_requested())
            break;
        QSharedPointer<SecureLibrary> library(new SecureLibrary());
        library->load(entry.toStdString());
        if (!library->is_loaded()) {
            show_invalid_module(entry);
            continue;
        }
        if (!has_required_exports(library))
            continue; // dropped without a word; the last reference unmaps it

        auto name_export = resolve_export<get_module_name_fn>(library, "get_module_name");
        QString display_name(name_export());
        modules[display_name] = library;
        if (!preselected_file.isEmpty() && entry == preselected_file)
            preselected_module = display_name;

        auto image_export = resolve_export<get_module_image_fn>(library, "get_module_image");
        if (image_export) {
            unsigned int length = 0;
            const unsigned char* bytes = image_export(&length);
            QSharedPointer<QPixmap> picture(new QPixmap());
            if (bytes)
                picture->loadFromData(bytes, length, nullptr, Qt::AutoColor);
            module_images[library] = picture;
        }
    }

    // A module without a name cannot be preselected.
    if (preselected_module.isEmpty() || termination_requested()) {
        first_screen = ScreenBit::Main;
        current_screen = ScreenBit::Main;
    } else {
        init_module(preselected_module);
        first_screen = current_screen = next_screen_bit();
    }
}

void GUIManager::show_invalid_module(const QString& file_name) {
    QString display = file_name;
    display.remove("diag_", Qt::CaseSensitive);
    display.remove(".dll", Qt::CaseSensitive);
    if (display == "storage")
        display = QCoreApplication::translate("Translations", "Storage");
    else if (display == "memory")
        display = QCoreApplication::translate("Translations", "Memory");
    show_critical_box(QCoreApplication::translate("Translations", "InvalidModuleTitle"),
                      QCoreApplication::translate("Translations", "InvalidModule") + display);
}

bool GUIManager::has_required_exports(QSharedPointer<SecureLibrary> library) {
    const char* required[] = {"get_module_name", "get_used_screens", "get_screen_properties",
                              "get_module_interface", "delete_module_interface"};
    for (const char* name : required) {
        if (!library->resolve(std::string(name)))
            return false;
    }
    return true;
}

void GUIManager::init_module(const QString& name) {
    if (!modules.contains(name))
        return;
    // The worker may still be inside a call on the bound object (the main screen can be reached while
    // the device screen loads). Releasing the object or setting the worker's pointer now would pull it
    // from under that call, so the binding waits until the worker has returned from everything it was
    // asked for; the window stays usable meanwhile, and a later module button replaces the choice.
    if (worker_idle->busy()) {
        if (!switch_pending)
            QGuiApplication::setOverrideCursor(Qt::BusyCursor);
        switch_pending = true;
        advance_after_switch = false;
        worker_idle->when_idle([this, name] { finish_module_switch(name); });
        return;
    }
    bind_module(name);
}

void GUIManager::finish_module_switch(const QString& name) {
    bool advance = advance_after_switch;
    cancel_module_switch();
    bind_module(name);
    if (advance)
        next_screen();
}

void GUIManager::cancel_module_switch() {
    if (!switch_pending)
        return;
    worker_idle->cancel();
    switch_pending = false;
    advance_after_switch = false;
    QGuiApplication::restoreOverrideCursor();
}

void GUIManager::bind_module(const QString& name) {
    unload_module();
    current_module = modules.value(name);
    module_name = name;
    // Device ids and test codes name things of the module that listed them: a run of this module
    // takes only its own, listed and chosen after this.
    devices.clear();
    selected_devices.clear();
    selected_tests.clear();

    get_used_screens_export = resolve_export<get_used_screens_fn>(current_module, "get_used_screens");
    used_screens = get_used_screens_export();
    get_screen_properties_export =
        resolve_export<get_screen_properties_fn>(current_module, "get_screen_properties");

    get_module_interface_export =
        resolve_export<get_module_interface_fn>(current_module, "get_module_interface");
    if (!get_module_interface_export)
        reject_module();
    module_interface = get_module_interface_export();
    if (!module_interface)
        reject_module();
    module_thread->set_interface(module_interface);

    delete_module_interface_export =
        resolve_export<delete_module_interface_fn>(current_module, "delete_module_interface");

    // No module hands out no test list; should one, it has no tests.
    QMap<int, std::string> copy;
    if (const TestMap* list = module_interface->get_tests()) {
        for (const auto& entry : *list)
            copy.insert(entry.first, entry.second);
    }
    tests = copy;

    emit init_screens(first_screen);
    emit tests_updated(tests);
}

void GUIManager::unload_module() {
    if (module_interface && delete_module_interface_export)
        delete_module_interface_export(module_interface);
    used_screens = 0;
    module_interface = nullptr;
    get_module_name_export = nullptr;
    get_used_screens_export = nullptr;
    get_screen_properties_export = nullptr;
    get_module_interface_export = nullptr;
    delete_module_interface_export = nullptr;
}

void GUIManager::reject_module() {
    show_critical_box(QCoreApplication::translate("Translations", "InauthenticModuleTitle"),
                      QCoreApplication::translate("Translations", "InauthenticModule"));
    // Bindings happen only while the worker is idle; ending its thread first keeps it out of the way
    // of what the C runtime tears down on exit.
    stop_worker();
    exit_process(1, output_flush_grace_ms);
}
