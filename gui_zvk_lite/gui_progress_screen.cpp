#include "gui_progress_screen.h"

#include "checked_connect.h"
#include "gui_manager.h"
#include "test_widget.h"
#include "zvk_windows.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QTimer>
#include <QVBoxLayout>

namespace {

QString translated(const char* key) {
    return QCoreApplication::translate("Translations", key);
}

// One coloured piece of the summary: the count, its words and a full stop, then one blank.
QString summary_fragment(const char* colour, int count, const char* key) {
    return QString("<font color='") + colour + "'><strong>" + QString::number(count, 10) + " " +
           translated(key) + ".</strong></font> ";
}

} // namespace

GUIProgressScreen::GUIProgressScreen(GUIManager* manager_)
    : QFrame(nullptr, Qt::WindowFlags()), stopped(false), running(false), properties(ScreenProperty::Default),
      finished(false), passed_count(0), failed_count(0), not_supported_count(0), aborted_count(0),
      current_device(), current_test(), manager(manager_), timer(nullptr) {
    ui.setupUi(this);
    timer = new QTimer();
    timer->setInterval(100);
    checked_connect(manager, SIGNAL(init_screens(int)), this, SLOT(init_screen(int)));
    checked_connect(manager, SIGNAL(test_finished(int, TestStatus)), this,
                    SLOT(test_finished(int, TestStatus)));
    // The running row first, the overall bar after it.
    checked_connect(timer, SIGNAL(timeout()), this, SLOT(update_test_progress()));
    checked_connect(timer, SIGNAL(timeout()), this, SLOT(update_progress_bar()));
    checked_connect(ui.stop_tests_pushButton, SIGNAL(clicked()), this, SLOT(abort_current_test()));
    checked_connect(ui.back_menu_pushButton, SIGNAL(clicked()), manager, SLOT(back_to_main()));
    checked_connect(ui.view_logs_pushButton, SIGNAL(clicked()), manager, SLOT(next_screen()));
}

GUIProgressScreen::~GUIProgressScreen() {
    delete timer;
}

void GUIProgressScreen::init_screen(int) {
    ui.result_message_frame->hide();
    finished = false;
    stopped = false;
    properties = manager->get_screen_properties(ScreenBit::Progress);
    clear_run();
}

void GUIProgressScreen::clear_run() {
    // The blocks go before the container that is their Qt parent; each leaves it as it is deleted.
    device_widgets.clear();
    test_names.clear();
    device_names.clear();
    tests.clear();
    devices.clear();
    current_device = QVector<std::string>::iterator();
    current_test = QVector<int>::iterator();
}

int GUIProgressScreen::start_tests(QVector<std::string>& selected_devices, QVector<int>& selected_tests,
                                   QMap<std::string, std::string>& device_map,
                                   QMap<int, std::string>& test_map) {
    setFocus(Qt::ActiveWindowFocusReason); // so that Esc reaches the screen
    if (finished)
        return 0; // back from the log screen: the ended run stays on view

    // No device chosen: a read-only device list, where the module decides, or a sequence without the
    // device screen, so the run takes every device the module listed. No test chosen: a sequence
    // without the test screen, so the run takes every test of the module. A run still without a
    // device or a test has nothing to run: back to the first screen, the module untold.
    bool module_as_device = (properties & ScreenProperty::ModuleAsDevice) != 0;
    QVector<std::string> run_devices = selected_devices;
    if (run_devices.isEmpty())
        run_devices = QVector<std::string>(device_map.keyBegin(), device_map.keyEnd());
    QVector<int> run_tests = selected_tests;
    if (run_tests.isEmpty())
        run_tests = QVector<int>(test_map.keyBegin(), test_map.keyEnd());
    if (run_tests.isEmpty() || (!module_as_device && run_devices.isEmpty()))
        return 1;

    int r = manager->begin_run(std::int64_t(_time64(nullptr)));
    if (r != 0) {
        QMessageBox box(QMessageBox::Critical, translated("LogBusyTitle"), translated("LogBusyText"),
                        QMessageBox::Ok, nullptr, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
        box.exec();
        return r;
    }
    manager->set_abort(false);
    ui.view_logs_pushButton->hide();
    ui.back_menu_pushButton->hide();
    ui.stop_tests_pushButton->show();
    ui.stop_tests_pushButton->setEnabled(true);
    ui.main_progressBar->setValue(0);
    ui.main_progress_label->setText("0%");
    running = true;
    tests = run_tests;
    manager->set_close_enabled(false);
    passed_count = failed_count = not_supported_count = aborted_count = 0;
    if (module_as_device) {
        std::string name = manager->get_current_module().toStdString();
        devices = QVector<std::string>{name};
        device_names.clear();
        device_names.insert(name, name);
    } else {
        devices = run_devices;
        device_names = device_map;
    }
    test_names = test_map;
    current_device = devices.begin();
    current_test = tests.begin();
    create_device_widgets();

    r = start_device();
    if (r == 0) {
        timer->start();
        return r;
    }
    // The first device refused: the caller goes back to the first screen. A device the module refused
    // has no tests to end and no result code to give; the module still hears the end of the run it
    // began, and the window may close again.
    running = false;
    manager->set_close_enabled(true);
    manager->end_run();
    return r;
}

void GUIProgressScreen::create_device_widgets() {
    device_widgets.clear();
    auto* container = new QWidget();
    auto* layout = new QVBoxLayout();
    int max_height = 0;
    for (const std::string& id : devices) {
        std::string title =
            manager->translate_tokens(QString::fromStdString(device_names.value(id))).toStdString();
        QSharedPointer<DiagnosticWidget> block(new DiagnosticWidget(title));
        device_widgets.insert(id, block);
        for (int code : tests) {
            std::string token = test_names.value(code);
            block->add_test(code, QCoreApplication::translate("Translations", token.c_str()).toStdString());
        }
        block->fit_height();
        layout->addWidget(block.data());
        max_height += block->height() + 20;
    }
    container->setLayout(layout);
    // As wide as the view and no wider: a long name is shortened in its block instead of pushing the
    // statuses and the result codes past the view's right edge, where no scroll bar reaches.
    container->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::MinimumExpanding);
    container->setMaximumHeight(max_height);
    ui.progress_scrollArea->setWidget(container); // deletes the previous container
}

int GUIProgressScreen::start_device() {
    int test_mask = 0;
    for (int code : tests)
        test_mask |= code;
    int r = manager->begin_device_tests(*current_device, test_mask);
    if (r == 0)
        start_next_test();
    return r;
}

void GUIProgressScreen::start_next_test() {
    manager->start_test(*current_test);
    if (!stopped) {
        if (TestWidget* row = current_row(*current_test))
            row->set_status(TestWidgetStatus::Running);
    }
}

void GUIProgressScreen::test_finished(int code, TestStatus status) {
    // Only the answer to a test of a run under way moves the run on.
    if (!at_a_test())
        return;
    TestWidget* row = current_row(code);
    int row_status = -1;
    switch (status) {
    case TestStatus::Passed:
        row_status = TestWidgetStatus::Passed;
        ++passed_count;
        break;
    case TestStatus::Failed:
        row_status = TestWidgetStatus::Failed;
        ++failed_count;
        break;
    case TestStatus::NotSupported:
        row_status = TestWidgetStatus::NotSupported;
        ++not_supported_count;
        break;
    case TestStatus::Aborted:
        row_status = TestWidgetStatus::Aborted;
        ++aborted_count;
        break;
    }
    if (row) {
        if (row_status >= 0)
            row->set_status(row_status);
        row->set_progress(100);
    }
    ++current_test;
    if (current_test != tests.end())
        start_next_test();
    else
        device_finished();
}

void GUIProgressScreen::show_result_code() {
    QString text = manager->end_device_tests();
    if (QSharedPointer<DiagnosticWidget> block = device_widgets.value(*current_device))
        block->set_result_code(text.toStdString());
}

void GUIProgressScreen::report_refused_device() {
    // The module is told nothing more about a device it refused: no end of its tests, no result code.
    QSharedPointer<DiagnosticWidget> block = device_widgets.value(*current_device);
    for (int code : tests) {
        ++not_supported_count;
        if (TestWidget* row = block ? block->test_widget(code) : nullptr) {
            row->set_status(TestWidgetStatus::NotSupported);
            row->set_progress(100);
        }
    }
}

void GUIProgressScreen::device_finished() {
    show_result_code();
    ++current_device;
    // A refused device runs no test, so no answer would ever move the run on from it: its tests are
    // reported as not available at once and the run goes on with the next device.
    while (current_device != devices.end()) {
        current_test = tests.begin();
        if (start_device() == 0)
            break;
        report_refused_device();
        ++current_device;
    }
    if (current_device == devices.end())
        end_of_run();
    update_progress_bar();
}

void GUIProgressScreen::end_of_run() {
    running = false;
    finished = true;
    timer->stop();
    ui.back_menu_pushButton->show();
    ui.view_logs_pushButton->show();
    ui.stop_tests_pushButton->hide();
    manager->set_close_enabled(true);
    manager->end_run();
    ui.result_message_frame->show();
    ui.tests_results_label->setText(summary());
}

QString GUIProgressScreen::summary() const {
    if (devices.size() * tests.size() == passed_count)
        return "<font color='Green'><strong>" + translated("AllPassed") + ".</strong></font>";
    QString text;
    if (passed_count > 0)
        text += summary_fragment("Green", passed_count, "TestsPassed");
    if (failed_count > 0)
        text += summary_fragment("Red", failed_count, "ErrorsDetected");
    if (aborted_count > 0)
        text += summary_fragment("Orange", aborted_count, "TestsAborted");
    if (not_supported_count > 0)
        text += summary_fragment("Gray", not_supported_count, "TestsUnavailable");
    return text;
}

void GUIProgressScreen::update_test_progress() {
    if (!at_a_test())
        return;
    int p = manager->get_test_progress();
    if (TestWidget* row = current_row(*current_test))
        row->set_progress(p);
}

void GUIProgressScreen::update_progress_bar() {
    int v = 100;
    if (!stopped) {
        qint64 sum = 0;
        for (const QSharedPointer<DiagnosticWidget>& block : device_widgets)
            sum += block->average_progress();
        if (device_widgets.size() > 1)
            sum /= device_widgets.size();
        v = int(sum);
    }
    ui.main_progressBar->setValue(v);
    ui.main_progress_label->setText(QString::number(v, 10) + "%");
}

void GUIProgressScreen::abort_current_test() {
    manager->set_abort(true);
    timer->stop();
    stopped = true;
}

void GUIProgressScreen::keyPressEvent(QKeyEvent* event) {
    // Every other key is taken here and does nothing.
    if (event->key() != Qt::Key_Escape)
        return;
    if (!stopped)
        abort_current_test();
    else if (!running)
        manager->back_to_main();
}

bool GUIProgressScreen::at_a_test() const {
    return running && current_device != QVector<std::string>::iterator() && current_device != devices.end() &&
           current_test != QVector<int>::iterator() && current_test != tests.end();
}

TestWidget* GUIProgressScreen::current_row(int code) const {
    QSharedPointer<DiagnosticWidget> block = device_widgets.value(*current_device);
    return block ? block->test_widget(code) : nullptr;
}
