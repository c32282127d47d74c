// The program as it ends with work of the log views still running: the program's own start-up with its
// termination requests, a window that searches Past logs over the whole log, and beside the page a job
// whose work does not look at its stop flag for a minute (as freeing a parsed log of many gigabytes
// would take its time). Writes "searching" to its standard output once both run; the test then asks
// it to end.
#include "background_job.h"
#include "event_wait.h"
#include "gui_program_probe.h"
#include "gui_manager_access.h"

#include <QDate>
#include <QDateEdit>
#include <QPushButton>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

namespace {

std::atomic<bool> stubborn_started{false};

// Goes with the window, and gives its job up then.
class Stubborn : public QObject {
public:
    explicit Stubborn(QObject* parent)
        : QObject(parent), job(
                               [](BackgroundJob<int>::Output&) {
                                   stubborn_started = true;
                                   std::this_thread::sleep_for(std::chrono::seconds(60));
                               },
                               this, &Stubborn::got) {}
    void got(int) {}

private:
    BackgroundJob<int> job;
};

void start_search() {
    GUIManager* w = zvk_test::main_window();
    if (!w)
        return;
    w->set_log_selection_screen();
    GUILogSelectionScreen& page = GUIManagerTestAccess::log_selection_screen(*w);
    page.findChild<QDateEdit*>("from_dateEdit")->setDate(QDate(1970, 1, 2));
    page.findChild<QPushButton*>("search_pushButton")->click();
    new Stubborn(w);
    if (!zvk_test::wait_until([&] { return stubborn_started.load() && page.searching(); }))
        return;
    std::printf("searching\n");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    return zvk_test::run_program_probe(argc, argv, &start_search);
}
