// The program as it ends with work of the log views still running: the program's own start-up with its
// termination requests, a window that searches Past logs over the whole log, and beside the page a job
// whose work does not look at its stop flag for a minute (as freeing a parsed log of many gigabytes
// would take its time). Writes "searching" to its standard output once both run; the test then asks
// it to end.
// With the argument "close": the search alone, then the close button, pressed once the search has had
// time to fill a standard output that nobody reads; "closing" goes to the error output just before.
// With "window": whether the start made the main window ("window shown" or "no window" on the error
// output), then the close button.
#include "background_job.h"
#include "event_wait.h"
#include "gui_program_probe.h"
#include "gui_manager_access.h"

#include <QApplication>
#include <QCoreApplication>
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

GUILogSelectionScreen* search_whole_log(GUIManager& w) {
    w.set_log_selection_screen();
    GUILogSelectionScreen& page = GUIManagerTestAccess::log_selection_screen(w);
    page.findChild<QDateEdit*>("from_dateEdit")->setDate(QDate(1970, 1, 2));
    page.findChild<QPushButton*>("search_pushButton")->click();
    return &page;
}

void start_search() {
    GUIManager* w = zvk_test::main_window();
    if (!w)
        return;
    GUILogSelectionScreen* page = search_whole_log(*w);
    new Stubborn(w);
    if (!zvk_test::wait_until([&] { return stubborn_started.load() && page->searching(); }))
        return;
    std::printf("searching\n");
    std::fflush(stdout);
}

void search_then_close() {
    GUIManager* w = zvk_test::main_window();
    if (!w)
        return;
    GUILogSelectionScreen* page = search_whole_log(*w);
    if (!zvk_test::wait_until([&] { return page->searching(); }))
        return;
    // The reading thread traces every line of the log to standard output, far more than a pipe holds.
    zvk_test::process_events_for(1000);
    std::fprintf(stderr, "closing\n");
    GUIManagerTestAccess::close_button(*w)->click();
}

void report_window() {
    GUIManager* w = zvk_test::main_window();
    std::fprintf(stderr, w && w->isVisible() ? "window shown\n" : "no window\n");
    if (w)
        GUIManagerTestAccess::close_button(*w)->click();
    else
        QApplication::closeAllWindows(); // the box of a second instance
}

void first_step() {
    const QStringList args = QCoreApplication::arguments();
    const QString mode = args.size() > 1 ? args[1] : QString();
    if (mode == "close")
        search_then_close();
    else if (mode == "window")
        report_window();
    else
        start_search();
}

} // namespace

int main(int argc, char** argv) {
    return zvk_test::run_program_probe(argc, argv, &first_step);
}
