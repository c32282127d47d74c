// A stand-in for the program, run by screen_flow_test as a child process: it builds the main window
// with the command line it was given (its first argument preselects a module, as the program's does),
// in the folder it was started in, and then walks the screens by the steps its further arguments name,
// one at a time. After the window is up, and after each step, it prints the page shown and the number
// of runs the modules have logged so far, on a line of its own among the program's own traces:
//   "flow <step>: page <index of the page>, runs <runs in the log>"
// Steps:
//   module:<display name>  the module's button on the main page; waits for its device list if it leads
//                          to the device screen
//   run                    on the device list: the first device, Next, the first test, Run tests; waits
//                          for the run to end
//   esc                    the Esc key on the page shown
//   <object name>          a click on the push button of that name on the page shown
// A step that cannot be taken prints "flow <step>: " and why, and ends the walk.
#include "event_wait.h"
#include "gui_manager.h"
#include "gui_manager_access.h"
#include "gui_message_boxes.h"
#include "process_state.h"
#include "sanitizer_hooks.h"
#include "test_support.h"

#include <QApplication>
#include <QCheckBox>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <cstdio>
#include <sstream>
#include <string>

using Access = GUIManagerTestAccess;

namespace {

int logged_runs() {
    std::istringstream log(
        zvk_test::read_file(QString::fromStdString(zvk_test::system_drive_folder()) + "/zedra/zedra.log"));
    int runs = 0;
    std::string line;
    while (std::getline(log, line))
        runs += line.rfind("+++ ", 0) == 0;
    return runs;
}

void report(const QString& step, GUIManager& w) {
    std::printf("flow %s: page %d, runs %d\n", qPrintable(step), Access::page(w), logged_runs());
    std::fflush(stdout);
}

// A step that cannot be taken: why, in place of the page.
bool cannot(const QString& step, const char* why) {
    std::printf("flow %s: %s\n", qPrintable(step), why);
    std::fflush(stdout);
    return false;
}

bool shown(QWidget* widget) {
    return widget && widget->isVisible() && widget->isEnabled();
}

// Leaves only the list's first row checked, clicking as a user would.
void check_first_only(QListWidget* list) {
    for (int row = 0; row < list->count(); ++row) {
        auto* box = qobject_cast<QCheckBox*>(list->itemWidget(list->item(row)));
        if (box && box->isChecked() != (row == 0))
            box->click();
    }
}

bool wait_for_devices(GUIManager& w) {
    Ui_device_Frame& form = Access::form(Access::device_screen(w));
    return zvk_test::wait_until(
        [&] { return !form.done_frame->isHidden() && form.loading_frame->isHidden(); });
}

// Carries out one step; false when it could not (the reason is printed instead of the page).
bool take(const QString& step, GUIManager& w) {
    QWidget* page = Access::current_page(w);
    if (step.startsWith("module:")) {
        const QString name = step.mid(int(qstrlen("module:")));
        const QMap<int, QString>& names = Access::button_names(Access::main_screen(w));
        QAbstractButton* button = nullptr;
        for (auto it = names.begin(); it != names.end(); ++it) {
            if (it.value() == name)
                button = Access::button_group(Access::main_screen(w)).button(it.key());
        }
        if (Access::page(w) != 0 || !shown(button))
            return cannot(step, "not shown");
        button->click();
        if (!zvk_test::wait_until([&] { return !Access::switch_pending(w); }))
            return cannot(step, "never bound");
        if (Access::page(w) == 1 && !wait_for_devices(w))
            return cannot(step, "no device list");
        return true;
    }
    if (step == "run") {
        Ui_device_Frame& devices = Access::form(Access::device_screen(w));
        if (Access::page(w) != 1 || !shown(devices.next_pushButton))
            return cannot(step, "no device list");
        check_first_only(devices.device_listWidget);
        devices.next_pushButton->click();
        Ui_test_Frame& tests = Access::form(Access::test_screen(w));
        if (Access::page(w) != 2)
            return cannot(step, "no test list");
        check_first_only(tests.tests_listWidget);
        tests.run_tests_pushButton->click();
        if (!zvk_test::wait_until([&] { return Access::finished(w); }, 30000))
            return cannot(step, "never ended");
        return true;
    }
    if (step == "esc") {
        QTest::keyClick(page, Qt::Key_Escape);
        return true;
    }
    auto* button = page->findChild<QPushButton*>(step);
    if (!shown(button))
        return cannot(step, "not shown");
    button->click();
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    zvk_test::install_sanitizer_hooks();
    QApplication app(argc, argv);
    zvk_test::MessageBoxCloser boxes(true);
    GUIManager window(nullptr, Qt::WindowFlags());
    window.show();
    zvk_test::process_events_for(50);
    report("start", window);
    const QStringList steps = QCoreApplication::arguments().mid(2);
    for (const QString& step : steps) {
        if (!take(step, window))
            break;
        // Whatever the step set going (a run, a device list) has its moment to show.
        zvk_test::process_events_for(50);
        report(step, window);
    }
    // A run the last step started ends before the window goes.
    zvk_test::wait_until([&] { return !Access::running(window); }, 30000);
    return 0;
}
