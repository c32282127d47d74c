#include "module_thread.h"

#include "checked_connect.h"

#include <QThread>

// The worker thread is never ended inside a module call: the module would be left half-way, with its
// locks held and its objects half changed, and on Linux the cancellation cannot even unwind through
// the module's code, so the thread would vanish without its QThread ever noticing. A request to
// terminate the worker during a call (the close button) takes effect as soon as the call returns.
namespace {
// QThread offers the switch to its subclasses only.
class Termination : public QThread {
public:
    static void allow(bool allowed) { QThread::setTerminationEnabled(allowed); }
};
} // namespace

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
    Termination::allow(false);
    module_interface->enumerate_devices();
    std::map<std::string, std::string>* dev_list = module_interface->get_devices();
    Termination::allow(true);
    emit devices_updated(dev_list);
}

void ModuleThread::run_test(int test_code) {
    if (!module_interface)
        return;
    Termination::allow(false);
    module_interface->run_test(test_code);
    TestStatus* status = module_interface->get_test_status();
    Termination::allow(true);
    emit test_finished(test_code, status);
}
