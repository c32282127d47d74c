// The program's entry. The single-instance guard is made by static initialisation, before main runs,
// and closed at process exit, also when a rejected module ends the process through exit().
#include "close_requests.h"
#include "single_instance_guard.h"
#include "start_up.h"

#include <QApplication>

SingleInstanceGuard single_instance_guard("Global\\{2194ABA1-BFFA-4e6b-8C26-D191BB16F9E6}");

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    CloseOnTerminationRequest close_on_request(&app);
    return run_program(app, single_instance_guard);
}
