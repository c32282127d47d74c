// Module scan and binding.
#include "gui_manager.h"

#include "module_thread.h"
#include "secure_library.h"

#include <cstdlib>

void GUIManager::scan_modules(const char*) {
    first_screen = ScreenBit::Main;
    current_screen = ScreenBit::Main;
}

bool GUIManager::has_required_exports(QSharedPointer<SecureLibrary>) { return false; }

void GUIManager::init_module(const QString& name) {
    unload_module();
    current_module = modules.value(name);
    module_name = name;
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

void GUIManager::reject_module() { std::exit(1); }
