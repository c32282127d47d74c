// The program as it ends while a module call does not return: the program's own start-up with its
// termination requests, and a window driven into a run of diag_ignore_abort. Writes "running" to its
// standard output once the module's test has begun, presses Stop and writes "stop answered" when the
// request reached the module while the run goes on; the test then asks it to end. With the argument
// "no-stop" it leaves Stop alone.
#include "call_record.h"
#include "event_wait.h"
#include "gui_program_probe.h"
#include "gui_manager_access.h"
#include "secure_library.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

namespace {

bool test_running(GUIManager& w) {
    void* record = GUIManagerTestAccess::current_module(w)->resolve("zvk_call_record");
    return zvk_test_modules::read_call_record(record).find(" run_test 1\n") != std::string::npos;
}

bool abort_requested(GUIManager& w) {
    void* record = GUIManagerTestAccess::current_module(w)->resolve("zvk_call_record");
    return zvk_test_modules::read_call_record(record).find(" set_abort 1\n") != std::string::npos;
}

// Module, device and test, as the screens would hand them over.
void start_run() {
    GUIManager* w = zvk_test::main_window();
    if (!w)
        return;
    w->init_module("IgnoreAbortModule");
    w->next_screen();
    if (!zvk_test::wait_until([&] { return !GUIManagerTestAccess::devices(*w).isEmpty(); }))
        return;
    w->devices_selected({"DEVICE_0"});
    w->next_screen();
    w->tests_selected({1});
    w->next_screen();
    if (!zvk_test::wait_until([&] { return test_running(*w); }))
        return;
    std::printf("running\n");
    std::fflush(stdout);
    // With the argument "no-stop" the run is left as it is: the termination request is the first stop.
    const QStringList args = QCoreApplication::arguments();
    if (args.size() > 1 && args[1] == "no-stop")
        return;
    // Stop answers while the module's call goes on: the request reaches the module and the run waits.
    GUIManagerTestAccess::progress_form(*w).stop_tests_pushButton->click();
    zvk_test::process_events_for(300);
    if (GUIManagerTestAccess::stopped(*w) && GUIManagerTestAccess::running(*w) && abort_requested(*w))
        std::printf("stop answered\n");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    return zvk_test::run_program_probe(argc, argv, &start_run);
}
