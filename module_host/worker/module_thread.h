#pragma once
// The object that lives on the worker thread: it makes the module calls that belong there and sends
// their results back to the main window as queued signals.
#include "module_contract.h"

#include <QObject>

class ModuleThread : public QObject {
    Q_OBJECT
public:
    // owner receives devices_updated and test_finished in its slots
    // update_devices(std::map<std::string,std::string>*) and update_test_status(int,TestStatus*).
    explicit ModuleThread(QObject* owner);
    void set_interface(ModuleInterface* object);

signals:
    void devices_updated(std::map<std::string, std::string>* dev_list);
    void test_finished(int test_code, TestStatus* status);

public slots:
    void update_devices();
    void run_test(int test_code);

private:
    QObject* owner;
    ModuleInterface* module_interface;
};
