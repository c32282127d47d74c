// Whole test runs from the main window with the packed test modules: what the screen shows during and
// after a run, and what the module is asked, in which order and on which thread.
#include "call_record.h"
#include "diagnostic_widget.h"
#include "event_wait.h"
#include "gui_manager.h"
#include "gui_manager_access.h"
#include "gui_message_boxes.h"
#include "gui_module_window.h"
#include "secure_library.h"
#include "test_support.h"
#include "test_widget.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QKeySequence>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

#include <algorithm>
#include <map>
#include <set>

using Access = GUIManagerTestAccess;
using zvk_test_modules::RecordedCall;

namespace {

const std::string long_id = "DEVICE_1_WITH_AN_IDENTIFIER_LONGER_THAN_A_SHORT_STRING";
const std::vector<std::string> all_devices{"DEVICE_0", long_id, "DEVICE_2"};

// The calls a test module received, one "operation argument..." text a call. Left out: the progress
// polls, which come at the timer's pace, and the screens' questions for their properties when the flow
// returns to its first screen, which are no part of a run.
std::vector<std::string> calls_of(const QSharedPointer<SecureLibrary>& module) {
    std::vector<std::string> calls;
    void* record = module ? module->resolve("zvk_call_record") : nullptr;
    if (!record)
        return {"no call record"};
    for (const RecordedCall& call :
         zvk_test_modules::parse_call_record(zvk_test_modules::read_call_record(record))) {
        if (call.operation == "get_test_progress" || call.operation == "get_screen_properties")
            continue;
        std::string text = call.operation;
        for (const std::string& a : call.arguments)
            text += " " + a;
        calls.push_back(text);
    }
    return calls;
}

int count_of(const std::vector<std::string>& calls, const std::string& call) {
    return int(std::count(calls.begin(), calls.end(), call));
}

// The calls a well-behaved run of these devices and tests makes after begin_run.
std::vector<std::string> device_calls(const std::vector<std::string>& devices,
                                      const std::vector<int>& tests) {
    int mask = 0;
    for (int code : tests)
        mask |= code;
    std::vector<std::string> calls;
    for (const std::string& id : devices) {
        calls.push_back("select_device " + id + " " + std::to_string(mask));
        calls.push_back("begin_tests");
        for (int code : tests) {
            calls.push_back("run_test " + std::to_string(code));
            calls.push_back("get_test_status");
        }
        calls.push_back("end_tests");
        calls.push_back("get_result_code");
    }
    return calls;
}

QString label_text(QWidget* parent, const char* name) {
    return parent->findChild<QLabel*>(name)->text();
}
bool plate_shown(DiagnosticWidget* block) {
    return block->findChild<QWidget*>("error_frame")->isVisibleTo(block);
}

// The check box of a list row, or null (a read-only list has none).
QCheckBox* row_box(QListWidget* list, int row) {
    QListWidgetItem* item = list->item(row);
    return item ? qobject_cast<QCheckBox*>(list->itemWidget(item)) : nullptr;
}

// Checks exactly the rows whose key is among the wanted ones, clicking as a user would; the rows
// list the keys in ascending order.
template <typename Key>
void check_exactly(QListWidget* list, const QList<Key>& keys, const std::vector<Key>& wanted) {
    for (int row = 0; row < keys.size(); ++row) {
        QCheckBox* box = row_box(list, row);
        if (!box)
            continue;
        bool want = std::find(wanted.begin(), wanted.end(), keys[row]) != wanted.end();
        if (box->isChecked() != want)
            box->click();
    }
}

class ProgressRun : public ::testing::Test {
protected:
    void SetUp() override {
        // Each run reads as the only one in the log; the log screen has no earlier runs to go through.
        QFile::remove(qEnvironmentVariable("ZVK_DRIVE_C") + "/zedra/zedra.log");
    }
    void TearDown() override { modules.reset(); }

    // A window over a working folder with these test modules.
    GUIManager& open_window(const QStringList& stems) {
        modules.reset(new zvk_test::ModuleWindow(
            ::testing::UnitTest::GetInstance()->current_test_info()->name(), stems));
        return w();
    }
    GUIManager& w() { return modules->window(); }
    QSharedPointer<SecureLibrary> module() { return Access::current_module(w()); }
    std::vector<std::string> calls() { return calls_of(module()); }
    void clear_calls() { zvk_test_modules::clear_call_record(module()->resolve("zvk_clear_call_record")); }

    // Clicks the module's button on the main screen, the devices once the module has listed them and
    // the tests, then Run; the call record starts empty at the run.
    void start_run(const QString& module_name, const std::vector<std::string>& devices,
                   const std::vector<int>& tests) {
        // Waits for the binding, and for the device list when the device screen came.
        ASSERT_TRUE(modules->choose(module_name));
        ASSERT_EQ(Access::page(w()), 1);
        Ui_device_Frame& device_form = Access::form(Access::device_screen(w()));
        check_exactly(device_form.device_listWidget, Access::devices(w()).keys(), devices);
        device_form.next_pushButton->click();
        ASSERT_EQ(Access::page(w()), 2);
        Ui_test_Frame& test_form = Access::form(Access::test_screen(w()));
        check_exactly(test_form.tests_listWidget, Access::tests(w()).keys(), tests);
        clear_calls();
        test_form.run_tests_pushButton->click();
    }
    bool wait_for_end(int timeout_ms = 30000) {
        return zvk_test::wait_until([&] { return Access::finished(w()); }, timeout_ms);
    }
    bool close_enabled() { return Access::close_button(w())->isEnabled(); }
    QString summary() { return Access::progress_form(w()).tests_results_label->text(); }
    QString overall() { return Access::progress_form(w()).main_progress_label->text(); }
    TestWidget* row(const std::string& device, int code) {
        DiagnosticWidget* block = Access::device_block(w(), device);
        return block ? block->test_widget(code) : nullptr;
    }
    void press_escape() { QTest::keyClick(&Access::progress(w()), Qt::Key_Escape); }
    // The run-end calls of the window's own thread and of the worker.
    void expect_calls_on_their_threads() {
        unsigned long gui = zvk_test_modules::current_thread_id();
        void* record = module()->resolve("zvk_call_record");
        for (const RecordedCall& call :
             zvk_test_modules::parse_call_record(zvk_test_modules::read_call_record(record))) {
            bool worker_call = call.operation == "run_test" || call.operation == "get_test_status";
            EXPECT_EQ(call.thread != gui, worker_call) << call.operation;
        }
    }

    zvk_test::MessageBoxCloser boxes;
    std::unique_ptr<zvk_test::ModuleWindow> modules;
};

TEST_F(ProgressRun, AllPassedRunShowsTheGreenTextAloneAndEachDevicesResultCode) {
    open_window({"standard"});
    start_run("StandardModule", all_devices, {1, 2, 4});
    ASSERT_EQ(Access::page(w()), 3);
    EXPECT_FALSE(close_enabled()); // from the start of the run
    EXPECT_TRUE(Access::running(w()));
    EXPECT_TRUE(Access::polling(w()));
    Ui_progress_Frame& form = Access::progress_form(w());
    EXPECT_FALSE(form.back_menu_pushButton->isVisibleTo(&Access::progress(w())));
    EXPECT_FALSE(form.view_logs_pushButton->isVisibleTo(&Access::progress(w())));
    EXPECT_TRUE(form.stop_tests_pushButton->isEnabled());
    EXPECT_EQ(row("DEVICE_0", 1)->status(), TestWidgetStatus::Running);
    EXPECT_EQ(row("DEVICE_0", 2)->status(), TestWidgetStatus::Waiting);

    // The running row follows the module's progress; the window stays closed to the close button.
    EXPECT_TRUE(zvk_test::wait_until([&] {
        TestWidget* r = row("DEVICE_0", 2);
        return r->status() == TestWidgetStatus::Running && r->progress() > 0 && r->progress() < 100;
    }));
    EXPECT_FALSE(close_enabled());
    ASSERT_TRUE(wait_for_end());

    EXPECT_TRUE(close_enabled());
    EXPECT_FALSE(Access::polling(w()));
    EXPECT_EQ(summary(), "<font color='Green'><strong>AllPassed.</strong></font>");
    EXPECT_TRUE(form.result_message_frame->isVisibleTo(&Access::progress(w())));
    EXPECT_TRUE(form.back_menu_pushButton->isVisibleTo(&Access::progress(w())));
    EXPECT_FALSE(form.stop_tests_pushButton->isVisibleTo(&Access::progress(w())));
    EXPECT_EQ(overall(), "100%");
    EXPECT_EQ(form.main_progressBar->value(), 100);
    ASSERT_EQ(Access::device_block_count(w()), 3);
    for (const std::string& id : all_devices) {
        DiagnosticWidget* block = Access::device_block(w(), id);
        EXPECT_TRUE(plate_shown(block)) << id;
        EXPECT_EQ(label_text(block, "error_code_label"), "3-0-0-0-0") << id;
        for (int code : {1, 2, 4}) {
            EXPECT_EQ(row(id, code)->status(), TestWidgetStatus::Passed);
            EXPECT_EQ(row(id, code)->progress(), 100);
        }
    }
    EXPECT_EQ(label_text(Access::device_block(w(), "DEVICE_2"), "device_name_label"), "SolidStateDisk 2 ");

    std::vector<std::string> expected{"begin_run " + std::to_string(Access::run_start(w())), "set_abort 0"};
    for (const std::string& call : device_calls(all_devices, {1, 2, 4}))
        expected.push_back(call);
    expected.push_back("end_run");
    EXPECT_EQ(calls(), expected);
    expect_calls_on_their_threads();

    // The module wrote the run's section of the log under the run's start time.
    std::string log = zvk_test::read_file(qEnvironmentVariable("ZVK_DRIVE_C") + "/zedra/zedra.log");
    size_t opened = log.find(" StandardModule " + std::to_string(Access::run_start(w())) + "\n");
    ASSERT_NE(opened, std::string::npos);
    EXPECT_NE(log.find("--- StandardModule\n", opened), std::string::npos);

    // To the log screen and back: the ended run stays as it was and nothing starts.
    form.view_logs_pushButton->click();
    EXPECT_EQ(Access::page(w()), 4);
    w().previous_screen();
    EXPECT_EQ(Access::page(w()), 3);
    EXPECT_EQ(calls(), expected);
    EXPECT_EQ(summary(), "<font color='Green'><strong>AllPassed.</strong></font>");
    form.back_menu_pushButton->click();
    EXPECT_EQ(Access::page(w()), 0);
    EXPECT_EQ(Access::device_block_count(w()), 0);
}

TEST_F(ProgressRun, SummaryCountsEachStatusInItsColourAndSkipsOtherValues) {
    open_window({"statuses"});
    start_run("StatusModule", {"DEVICE_0", long_id}, {1, 2, 4, 8, 16});
    ASSERT_TRUE(wait_for_end());
    EXPECT_EQ(summary(), "<font color='Green'><strong>2 TestsPassed.</strong></font> "
                         "<font color='Red'><strong>2 ErrorsDetected.</strong></font> "
                         "<font color='Orange'><strong>2 TestsAborted.</strong></font> "
                         "<font color='Gray'><strong>2 TestsUnavailable.</strong></font> ");
    const int shown[] = {TestWidgetStatus::Passed, TestWidgetStatus::Failed, TestWidgetStatus::NotSupported,
                         TestWidgetStatus::Aborted,
                         TestWidgetStatus::Running}; // status 7: the row keeps what it had
    for (const std::string& id : {std::string("DEVICE_0"), long_id}) {
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(row(id, 1 << i)->status(), shown[i]) << id << " test " << (1 << i);
            EXPECT_EQ(row(id, 1 << i)->progress(), 100);
        }
        EXPECT_EQ(label_text(Access::device_block(w(), id), "error_code_label"), "1-1-1-1-1");
    }
    EXPECT_EQ(overall(), "100%");
}

TEST_F(ProgressRun, StopAsksForAnAbortAndStillRequestsEveryRemainingTest) {
    open_window({"slow"});
    start_run("SlowModule", {"DEVICE_0", long_id}, {1, 2});
    ASSERT_TRUE(zvk_test::wait_until([&] { return row("DEVICE_0", 1)->progress() > 0; }));
    Ui_progress_Frame& form = Access::progress_form(w());
    form.stop_tests_pushButton->click();
    EXPECT_TRUE(Access::stopped(w()));
    EXPECT_FALSE(Access::polling(w()));
    // Aborting: Stop stays and only repeats the request; Esc does nothing.
    EXPECT_TRUE(form.stop_tests_pushButton->isVisibleTo(&Access::progress(w())));
    EXPECT_TRUE(form.stop_tests_pushButton->isEnabled());
    form.stop_tests_pushButton->click();
    press_escape();
    EXPECT_EQ(Access::page(w()), 3);
    EXPECT_EQ(count_of(calls(), "set_abort 1"), 2);

    // No later row shows Running; from the first device's end on the bar reads 100.
    bool later_row_ran = false, bar_below_100 = false;
    ASSERT_TRUE(zvk_test::wait_until([&] {
        for (auto [id, code] : {std::pair<std::string, int>("DEVICE_0", 2), {long_id, 1}, {long_id, 2}})
            later_row_ran |= row(id, code)->status() == TestWidgetStatus::Running;
        if (plate_shown(Access::device_block(w(), "DEVICE_0")))
            bar_below_100 |= form.main_progressBar->value() != 100 || overall() != "100%";
        return Access::finished(w());
    }));
    EXPECT_FALSE(later_row_ran);
    EXPECT_FALSE(bar_below_100);
    EXPECT_TRUE(close_enabled());

    std::vector<std::string> run = calls();
    EXPECT_EQ(count_of(run, "run_test 1"), 2);
    EXPECT_EQ(count_of(run, "run_test 2"), 2);
    EXPECT_EQ(count_of(run, "end_tests"), 2);
    EXPECT_EQ(count_of(run, "get_result_code"), 2);
    EXPECT_EQ(count_of(run, "end_run"), 1);
    EXPECT_EQ(run.back(), "end_run");
    for (auto [id, code] :
         {std::pair<std::string, int>("DEVICE_0", 1), {"DEVICE_0", 2}, {long_id, 1}, {long_id, 2}})
        EXPECT_EQ(row(id, code)->status(), TestWidgetStatus::Aborted) << id << " " << code;
    EXPECT_EQ(summary(), "<font color='Orange'><strong>4 TestsAborted.</strong></font> ");

    // Ended after an abort: Esc leads back to the first screen at once.
    press_escape();
    EXPECT_EQ(Access::page(w()), 0);
}

TEST_F(ProgressRun, EscapeAbortsARunningRunAndAfterANormalEndTakesTwoPresses) {
    open_window({"slow", "single"});
    start_run("SlowModule", {"DEVICE_0"}, {1});
    ASSERT_TRUE(Access::running(w()));
    press_escape(); // running: abort
    EXPECT_TRUE(Access::stopped(w()));
    EXPECT_EQ(count_of(calls(), "set_abort 1"), 1);
    ASSERT_TRUE(wait_for_end());
    press_escape(); // ended after an abort: straight back
    ASSERT_EQ(Access::page(w()), 0);

    start_run("SingleModule", {"DEVICE_0"}, {1});
    ASSERT_TRUE(wait_for_end());
    QTest::keyClick(&Access::progress(w()), Qt::Key_A); // other keys do nothing
    EXPECT_EQ(calls().back(), "end_run");
    press_escape(); // ended: the module hears an abort, the run ends after it
    EXPECT_EQ(calls().back(), "set_abort 1");
    EXPECT_EQ(Access::page(w()), 3);
    press_escape();
    EXPECT_EQ(Access::page(w()), 0);
}

TEST_F(ProgressRun, RefusedFirstDeviceEndsTheRunAndReturnsToTheFirstScreen) {
    open_window({"refuse_first"});
    start_run("RefuseFirstModule", all_devices, {1, 2, 4});
    EXPECT_EQ(Access::page(w()), 0);
    EXPECT_TRUE(close_enabled());
    EXPECT_FALSE(Access::running(w()));
    EXPECT_EQ(Access::device_block_count(w()), 0);
    // Nothing more about the refused device; the run the module began ends.
    const std::vector<std::string> expected{"begin_run " + std::to_string(Access::run_start(w())),
                                            "set_abort 0", "select_device DEVICE_0 7", "end_run"};
    EXPECT_EQ(calls(), expected);
}

TEST_F(ProgressRun, RefusedLaterDeviceIsReportedNotAvailableAndTheRunGoesOn) {
    open_window({"refuse_second"});
    start_run("RefuseSecondModule", all_devices, {1, 2, 4});
    ASSERT_TRUE(wait_for_end());
    EXPECT_TRUE(close_enabled());
    // The module hears nothing more about the device it refused: no end of its tests, no result code.
    std::vector<std::string> expected{"begin_run " + std::to_string(Access::run_start(w())), "set_abort 0"};
    for (const std::string& call : device_calls({"DEVICE_0"}, {1, 2, 4}))
        expected.push_back(call);
    expected.push_back("select_device " + long_id + " 7");
    for (const std::string& call : device_calls({"DEVICE_2"}, {1, 2, 4}))
        expected.push_back(call);
    expected.push_back("end_run");
    EXPECT_EQ(calls(), expected);

    DiagnosticWidget* refused = Access::device_block(w(), long_id);
    EXPECT_FALSE(plate_shown(refused));
    for (int code : {1, 2, 4}) {
        EXPECT_EQ(row(long_id, code)->status(), TestWidgetStatus::NotSupported) << code;
        EXPECT_EQ(row(long_id, code)->progress(), 100) << code;
        EXPECT_EQ(label_text(row(long_id, code), "test_status").toStdString(), "NotSupported") << code;
        EXPECT_EQ(row("DEVICE_2", code)->status(), TestWidgetStatus::Passed) << code;
    }
    EXPECT_EQ(label_text(Access::device_block(w(), "DEVICE_2"), "error_code_label").toStdString(),
              "3-0-0-0-0");
    EXPECT_EQ(overall().toStdString(), "100%");
    EXPECT_EQ(Access::progress_form(w()).main_progressBar->value(), 100);
    EXPECT_EQ(summary().toStdString(), "<font color='Green'><strong>6 TestsPassed.</strong></font> "
                                       "<font color='Gray'><strong>3 TestsUnavailable.</strong></font> ");
}

TEST_F(ProgressRun, BusyLogShowsItsBoxAndReturnsWithoutFurtherCalls) {
    open_window({"log_busy"});
    start_run("LogBusyModule", all_devices, {1});
    ASSERT_EQ(boxes.seen().size(), 1);
    const zvk_test::SeenMessageBox& box = boxes.seen()[0];
    EXPECT_EQ(box.title, "LogBusyTitle");
    EXPECT_EQ(box.text, "LogBusyText");
    EXPECT_EQ(box.icon, QMessageBox::Critical);
    EXPECT_EQ(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_TRUE(box.modal);
    EXPECT_FALSE(box.has_parent);
    EXPECT_EQ(Access::page(w()), 0);
    EXPECT_TRUE(close_enabled());
    zvk_test::process_events_for(300); // no test would be requested later either
    const std::vector<std::string> expected{"begin_run " + std::to_string(Access::run_start(w()))};
    EXPECT_EQ(calls(), expected);
}

TEST_F(ProgressRun, ModuleAsDeviceRunsOneBlockTitledWithTheModulesWords) {
    open_window({"module_device"});
    start_run("ModuleDeviceModule", {"DEVICE_0", "DEVICE_2"}, {2});
    ASSERT_TRUE(wait_for_end());
    ASSERT_EQ(Access::device_block_count(w()), 1);
    DiagnosticWidget* block = Access::device_block(w(), "ModuleDeviceModule");
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(label_text(block, "device_name_label"), "ModuleDeviceModule ");
    std::vector<std::string> run = calls();
    ASSERT_GE(run.size(), 3u);
    EXPECT_EQ(run[2], "select_device ModuleDeviceModule 2");
}

TEST_F(ProgressRun, ReadOnlyDeviceListRunsEveryDeviceTheModuleListed) {
    open_window({"read_only"});
    start_run("ReadOnlyModule", {}, {1});
    ASSERT_TRUE(wait_for_end());
    EXPECT_EQ(Access::device_block_count(w()), 3);
    std::vector<std::string> expected{"begin_run " + std::to_string(Access::run_start(w())), "set_abort 0"};
    for (const std::string& call : device_calls(all_devices, {1}))
        expected.push_back(call);
    expected.push_back("end_run");
    EXPECT_EQ(calls(), expected);
}

// The calls from the run's begin_run on.
std::vector<std::string> run_calls(const std::vector<std::string>& calls) {
    auto begin = std::find_if(calls.begin(), calls.end(),
                              [](const std::string& call) { return call.rfind("begin_run", 0) == 0; });
    return std::vector<std::string>(begin, calls.end());
}

// The calls of a whole well-behaved run of these devices and tests.
std::vector<std::string> whole_run(std::int64_t start, const std::vector<std::string>& devices,
                                   const std::vector<int>& tests) {
    std::vector<std::string> expected{"begin_run " + std::to_string(start), "set_abort 0"};
    for (const std::string& call : device_calls(devices, tests))
        expected.push_back(call);
    expected.push_back("end_run");
    return expected;
}

TEST_F(ProgressRun, ASequenceWithoutTheTestScreenRunsEveryTestOfTheModule) {
    open_window({"straight_run"});
    ASSERT_TRUE(modules->click_module("StraightRunModule"));
    ASSERT_EQ(Access::page(w()), 3) << "the run did not start";
    ASSERT_TRUE(wait_for_end());
    EXPECT_EQ(summary(), "<font color='Green'><strong>AllPassed.</strong></font>");
    EXPECT_EQ(run_calls(calls()), whole_run(Access::run_start(w()), {"StraightRunModule"}, {1, 2}));
}

TEST_F(ProgressRun, ARunNeverTakesTheTestsChosenForTheModuleBoundBefore) {
    open_window({"standard", "straight_run"});
    // Test 4 is one the next module does not have.
    start_run("StandardModule", {"DEVICE_2"}, {4});
    ASSERT_TRUE(wait_for_end());
    Access::progress_form(w()).back_menu_pushButton->click();
    ASSERT_EQ(Access::page(w()), 0);

    ASSERT_TRUE(modules->click_module("StraightRunModule"));
    ASSERT_EQ(Access::page(w()), 3);
    ASSERT_TRUE(wait_for_end());
    EXPECT_EQ(run_calls(calls()), whole_run(Access::run_start(w()), {"StraightRunModule"}, {1, 2}));
}

TEST_F(ProgressRun, ARunNeverTakesTheDevicesListedByTheModuleBoundBefore) {
    open_window({"standard", "progress_first"});
    ASSERT_TRUE(modules->choose("StandardModule"));
    ASSERT_EQ(Access::devices(w()).size(), 3);
    w().previous_screen(); // back without a choice
    ASSERT_EQ(Access::page(w()), 0);

    // Its sequence lists no device and the module is not its own device: there is nothing to run.
    ASSERT_TRUE(modules->click_module("ProgressFirstModule"));
    EXPECT_EQ(Access::module_name(w()), "ProgressFirstModule");
    EXPECT_EQ(Access::page(w()), 0);
    EXPECT_TRUE(Access::devices(w()).isEmpty());
    EXPECT_TRUE(run_calls(calls()).empty()) << run_calls(calls()).front();
    EXPECT_TRUE(close_enabled());
}

// A module whose tests never report back, so that the rows keep the progress a test gives them.
class QuietModule : public ModuleInterface {
public:
    std::string result;
    TestStatus status = TestStatus::Passed;
    ZVK_MODULE_CALL int begin_tests() override { return 0; }
    ZVK_MODULE_CALL int end_tests() override { return 0; }
    ZVK_MODULE_CALL int begin_run(std::int64_t) override { return 0; }
    ZVK_MODULE_CALL int end_run() override { return 0; }
    ZVK_MODULE_CALL int reserved_6() override { return 0; }
    ZVK_MODULE_CALL int select_device(std::string, int) override { return 0; }
    ZVK_MODULE_CALL int enumerate_devices() override { return 0; }
    ZVK_MODULE_CALL int run_test(int) override { return 0; }
    ZVK_MODULE_CALL int get_test_progress() override { return 100; }
    ZVK_MODULE_CALL int reserved_11() override { return 0; }
    ZVK_MODULE_CALL int reserved_12() override { return 0; }
    ZVK_MODULE_CALL DeviceMap* get_devices() override { return nullptr; }
    ZVK_MODULE_CALL TestMap* get_tests() override { return nullptr; }
    ZVK_MODULE_CALL TestStatus* get_test_status() override { return &status; }
    ZVK_MODULE_CALL const std::string& get_result_code() override { return result; }
    ZVK_MODULE_CALL int reserved_17() override { return 0; }
    ZVK_MODULE_CALL int set_abort(bool) override { return 0; }
};

TEST_F(ProgressRun, OverallProgressIsTheMeanOfTheDeviceMeans) {
    struct Case {
        std::vector<std::vector<int>> rows; // progress of each device's rows
        QString overall;
    } cases[] = {
        {{{100, 100, 50}, {0, 0, 0}}, "41%"},
        {{{100, 100, 50}}, "83%"}, // one device: its own average, not divided
        {{{100, 50, 0}, {100, 100, 50}, {100, 100, 100}}, "77%"},
    };
    open_window({});
    QuietModule quiet;
    Access::bind(w(), &quiet);
    for (const Case& c : cases) {
        std::vector<std::string> ids;
        for (size_t d = 0; d < c.rows.size(); ++d)
            ids.push_back("disk" + std::to_string(d));
        w().devices_selected(QVector<std::string>(ids.begin(), ids.end()));
        w().tests_selected({1, 2, 4});
        Access::set_screen(w(), ScreenBit::Progress);
        ASSERT_EQ(Access::page(w()), 3);
        for (size_t d = 0; d < c.rows.size(); ++d)
            for (size_t t = 0; t < 3; ++t)
                row(ids[d], 1 << t)->set_progress(c.rows[d][t]);
        Access::update_progress_bar(w());
        EXPECT_EQ(overall(), c.overall);
        EXPECT_EQ(Access::progress_form(w()).main_progressBar->value(), c.overall.chopped(1).toInt());
        Access::progress(w()).init_screen(ScreenBit::Main); // forget the run for the next case
    }
    Access::bind(w(), nullptr);
}

// Whether a widget lies wholly inside the visible part of a scroll area, once the area has scrolled to
// it as far as its scroll bars let it.
bool reachable(QScrollArea* area, QWidget* widget) {
    area->ensureWidgetVisible(widget, 0, 0);
    zvk_test::process_events_for(10);
    QWidget* view = area->viewport();
    return view->rect().contains(QRect(widget->mapTo(view, QPoint(0, 0)), widget->size()));
}
// Whether a widget lies wholly inside another that holds it.
bool inside(QWidget* outer, QWidget* widget) {
    return outer->rect().contains(QRect(widget->mapTo(outer, QPoint(0, 0)), widget->size()));
}
// A name of the given length made of words, as a translation may give it.
std::string long_name(const std::string& start, int length) {
    std::string name = start;
    for (int i = 0; int(name.size()) < length; ++i)
        name += " word" + std::to_string(i);
    return name.substr(0, size_t(length));
}

// Long names at the window's minimum size: every check box and button of the device and
// test screens, and every status word, progress bar and result code of the run in view; each name that
// does not fit ends in an ellipsis and shows whole in its tool tip.
TEST_F(ProgressRun, LongNamesHideNoStatusProgressOrResultCodeAt800x600) {
    open_window({"standard"});
    w().resize(800, 600);
    w().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w()));
    ASSERT_TRUE(modules->choose("StandardModule"));
    std::map<std::string, std::string> device_names;
    // A device name of 120 characters, and a test name of 160, leave no room for the whole name.
    for (const std::string& id : all_devices)
        device_names[id] = long_name("Device " + id, id == "DEVICE_2" ? 120 : 80);
    w().update_devices(&device_names);
    for (auto it = Access::tests(w()).begin(); it != Access::tests(w()).end(); ++it)
        it.value() = long_name("Test" + std::to_string(it.key()), it.key() == 4 ? 160 : 80);
    Access::test_screen(w()).init_screen(ScreenBit::Main); // filled anew with these names when shown
    zvk_test::process_events_for(50);
    const QString shots = qEnvironmentVariable("ZVK_TEST_WORK_DIR");
    w().grab().save(shots + "/long_names_devices.png");

    Ui_device_Frame& device_form = Access::form(Access::device_screen(w()));
    GUIDeviceScreen& device_screen = Access::device_screen(w());
    for (QWidget* button : std::vector<QWidget*>{device_form.next_pushButton, device_form.back_pushButton})
        EXPECT_TRUE(inside(&device_screen, button)) << button->objectName().toStdString();
    for (int row = 0; row < device_form.device_listWidget->count(); ++row) {
        QCheckBox* box = row_box(device_form.device_listWidget, row);
        ASSERT_NE(box, nullptr);
        // The check mark sits at the box's left end.
        EXPECT_TRUE(device_form.device_listWidget->viewport()->rect().contains(
            box->mapTo(device_form.device_listWidget->viewport(), QPoint(0, box->height() / 2))))
            << row;
    }

    device_form.next_pushButton->click();
    ASSERT_EQ(Access::page(w()), 2);
    Ui_test_Frame& test_form = Access::form(Access::test_screen(w()));
    test_form.advanced_pushButton->click();
    zvk_test::process_events_for(50);
    w().grab().save(shots + "/long_names_tests.png");
    GUITestScreen& test_screen = Access::test_screen(w());
    for (QWidget* button : std::vector<QWidget*>{test_form.run_tests_pushButton, test_form.back_pushButton,
                                                 test_form.advanced_pushButton})
        EXPECT_TRUE(inside(&test_screen, button)) << button->objectName().toStdString();
    for (int row = 0; row < test_form.tests_listWidget->count(); ++row) {
        QCheckBox* box = row_box(test_form.tests_listWidget, row);
        ASSERT_NE(box, nullptr);
        EXPECT_TRUE(test_form.tests_listWidget->viewport()->rect().contains(
            box->mapTo(test_form.tests_listWidget->viewport(), QPoint(0, box->height() / 2))))
            << row;
    }

    test_form.run_tests_pushButton->click();
    ASSERT_EQ(Access::page(w()), 3);
    QScrollArea* area = Access::progress_form(w()).progress_scrollArea;
    ASSERT_TRUE(
        zvk_test::wait_until([&] { return row("DEVICE_0", 2)->status() == TestWidgetStatus::Running; }));
    QWidget* bar = row("DEVICE_0", 2)->findChild<QWidget*>("test_progressBar");
    EXPECT_TRUE(reachable(area, bar)) << "the running test's progress bar";
    EXPECT_TRUE(reachable(area, row("DEVICE_0", 2)->findChild<QWidget*>("progress_label")));
    w().grab().save(shots + "/long_names_running.png");
    ASSERT_TRUE(wait_for_end());
    zvk_test::process_events_for(50);
    area->verticalScrollBar()->setValue(0);
    w().grab().save(shots + "/long_names_ended.png");

    for (const std::string& id : all_devices) {
        SCOPED_TRACE(id);
        DiagnosticWidget* block = Access::device_block(w(), id);
        EXPECT_TRUE(reachable(area, block->findChild<QWidget*>("error_frame"))) << "the result code";
        EXPECT_TRUE(reachable(area, block->findChild<QWidget*>("error_code_label")));
        QLabel* title = block->findChild<QLabel*>("device_name_label");
        EXPECT_TRUE(reachable(area, title));
        const QString whole = w().translate_tokens(QString::fromStdString(device_names[id]));
        if (id == "DEVICE_2" || title->text() != whole) {
            EXPECT_TRUE(title->text().endsWith(QChar(0x2026))) << title->text().toStdString();
            EXPECT_TRUE(whole.startsWith(title->text().chopped(1)));
            EXPECT_TRUE(title->toolTip().contains(whole)) << title->toolTip().toStdString();
        }
        for (int code : {1, 2, 4}) {
            SCOPED_TRACE(code);
            TestWidget* r = row(id, code);
            EXPECT_TRUE(reachable(area, r->findChild<QWidget*>("test_status"))) << "the status word";
            EXPECT_TRUE(reachable(area, r->findChild<QWidget*>("img_label"))) << "the status icon";
            QLabel* name = r->findChild<QLabel*>("test_name_label");
            EXPECT_TRUE(reachable(area, name));
            const QString whole = QString::fromStdString(Access::tests(w()).value(code));
            if (code == 4 || name->text() != whole) {
                EXPECT_TRUE(name->text().endsWith(QChar(0x2026))) << name->text().toStdString();
                EXPECT_TRUE(whole.startsWith(name->text().chopped(1)));
                EXPECT_TRUE(name->toolTip().contains(whole)) << name->toolTip().toStdString();
            }
        }
    }
}

// A name holding a shortcut marker and markup reads as the module gives it on the device, test and
// progress screens: the marker shown and no shortcut made, the markup shown as text.
TEST_F(ProgressRun, NamesReadAsTheModuleGivesThemOnEveryScreen) {
    const std::string device = "R&D <b>Disk</b>";
    const std::string test = "Read & <i>Write</i>";
    const QString device_title = QString::fromStdString(device) + " "; // word by word, each with a blank
    auto shows_as_given = [](QAbstractButton* button, const QString& name) {
        EXPECT_TRUE(QKeySequence::mnemonic(button->text()).isEmpty()) << "a shortcut";
        EXPECT_EQ(QString(button->text()).replace("&&", "&"), name);
    };
    open_window({"standard", "read_only"});
    w().resize(800, 600);
    w().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w()));
    ASSERT_TRUE(modules->choose("StandardModule"));
    std::map<std::string, std::string> names{{"DEVICE_0", device}};
    w().update_devices(&names);
    Access::tests(w()) = QMap<int, std::string>{{1, test}};
    Access::test_screen(w()).init_screen(ScreenBit::Main); // filled anew with this name when shown
    Ui_device_Frame& device_form = Access::form(Access::device_screen(w()));
    shows_as_given(row_box(device_form.device_listWidget, 0), device_title);

    device_form.next_pushButton->click();
    Ui_test_Frame& test_form = Access::form(Access::test_screen(w()));
    shows_as_given(row_box(test_form.tests_listWidget, 0), QString::fromStdString(test));

    test_form.run_tests_pushButton->click();
    ASSERT_EQ(Access::page(w()), 3);
    ASSERT_TRUE(wait_for_end());
    zvk_test::process_events_for(50);
    w().grab().save(qEnvironmentVariable("ZVK_TEST_WORK_DIR") + "/names_as_given.png");
    QLabel* title = Access::device_block(w(), "DEVICE_0")->findChild<QLabel*>("device_name_label");
    EXPECT_EQ(title->textFormat(), Qt::PlainText);
    EXPECT_EQ(title->text(), device_title);
    QLabel* name = row("DEVICE_0", 1)->findChild<QLabel*>("test_name_label");
    EXPECT_EQ(name->textFormat(), Qt::PlainText);
    EXPECT_EQ(name->text(), QString::fromStdString(test));

    // A read-only device list shows its names as labels.
    Access::progress_form(w()).back_menu_pushButton->click();
    ASSERT_TRUE(modules->choose("ReadOnlyModule"));
    w().update_devices(&names);
    QListWidget* list = device_form.device_no_selection_listWidget;
    auto* label = qobject_cast<QLabel*>(list->itemWidget(list->item(0)));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->textFormat(), Qt::PlainText);
    EXPECT_EQ(label->text(), device_title);
}

} // namespace
