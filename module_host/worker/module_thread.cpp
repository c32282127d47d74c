#include "module_thread.h"

#include "checked_connect.h"

ModuleThread::ModuleThread(QObject* owner_) : QObject(nullptr), owner(owner_), module_interface(nullptr) {
    checked_connect(this, SIGNAL(devices_updated(std::map<std::string, std::string> *)), owner,
                    SLOT(update_devices ( std::map<std::string, std::string> *)));
    checked_connect(this, SIGNAL(test_finished(int, TestStatus *)), owner,
                    SLOT(update_test_status ( int, TestStatus *)));
}

void ModuleThread::set_interface(ModuleInterface* object) { module_interface = object; }

void ModuleThread::update_devices() {
    if (!module_interface)
        return;
    module_interface->enumerate_devices();
    emit devices_updated(module_interface->get_devices());
}

void ModuleThread::run_test(int test_code) {
    if (!module_interface)
        return;
    module_interface->run_test(test_code);
    emit test_finished(test_code, module_interface->get_test_status());
}
