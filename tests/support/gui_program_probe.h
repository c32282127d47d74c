#pragma once
// For a probe program that is the program itself, started as the program starts (its single-instance
// guard, its termination requests, run_program), with a step of the probe's own once the event loop
// runs. Only for probes that link the program's library.
#include "close_requests.h"
#include "gui_manager.h"
#include "single_instance_guard.h"
#include "start_up.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

namespace zvk_test {

// The program's main window, once run_program has made it.
inline GUIManager* main_window() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* window = qobject_cast<GUIManager*>(widget))
            return window;
    }
    return nullptr;
}

// main() of such a probe: `first_step` runs at the first turn of the event loop.
inline int run_program_probe(int argc, char** argv, void (*first_step)()) {
    SingleInstanceGuard guard("Global\\{2194ABA1-BFFA-4e6b-8C26-D191BB16F9E6}");
    QApplication app(argc, argv);
    CloseOnTerminationRequest close_on_request(&app);
    QTimer::singleShot(0, first_step);
    return run_program(app, guard);
}

} // namespace zvk_test
