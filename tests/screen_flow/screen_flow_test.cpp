// The main window's screen flow, its relays from the worker and its forwarders to the module.
#include "gui_manager.h"
#include "gui_manager_access.h"
#include "gui_message_boxes.h"
#include "process_state.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>
#include <QTranslator>
#include <QWindow>

using Access = GUIManagerTestAccess;

namespace {

class RecordingModule : public ModuleInterface {
public:
    std::vector<std::string> calls;
    int select_result = 0;
    int busy_runs = 0;       // begin_run reports a busy log this many times
    int refused_selects = 0; // select_device refuses this many times
    std::string result = "HD-42";
    TestStatus status = TestStatus::Aborted;
    ZVK_MODULE_CALL int begin_tests() override { return note("begin_tests"); }
    ZVK_MODULE_CALL int end_tests() override { return note("end_tests"); }
    ZVK_MODULE_CALL int begin_run(std::int64_t t) override {
        note("begin_run " + std::to_string(t));
        return busy_runs > 0 ? (--busy_runs, 1) : 0;
    }
    ZVK_MODULE_CALL int end_run() override { return note("end_run"); }
    ZVK_MODULE_CALL int reserved_6() override { return 0; }
    ZVK_MODULE_CALL int select_device(std::string id, int mask) override {
        note("select_device " + id + " " + std::to_string(mask));
        return refused_selects > 0 ? (--refused_selects, 1) : select_result;
    }
    ZVK_MODULE_CALL int enumerate_devices() override { return 0; }
    ZVK_MODULE_CALL int run_test(int) override { return 0; }
    ZVK_MODULE_CALL int get_test_progress() override { return 57; }
    ZVK_MODULE_CALL int reserved_11() override { return 0; }
    ZVK_MODULE_CALL int reserved_12() override { return 0; }
    ZVK_MODULE_CALL DeviceMap* get_devices() override { return nullptr; }
    ZVK_MODULE_CALL TestMap* get_tests() override { return nullptr; }
    ZVK_MODULE_CALL TestStatus* get_test_status() override { return &status; }
    ZVK_MODULE_CALL const std::string& get_result_code() override { return result; }
    ZVK_MODULE_CALL int reserved_17() override { return 0; }
    ZVK_MODULE_CALL int set_abort(bool a) override { return note(a ? "abort" : "no abort"); }

private:
    int note(const std::string& s) {
        calls.push_back(s);
        return 0;
    }
};

class ScreenFlow : public ::testing::Test {
protected:
    void SetUp() override {
        // The window scans its working folder for modules: give it an empty one.
        saved_dir = QDir::currentPath();
        QDir::setCurrent(zvk_test::fresh_dir("screen_flow"));
        window.reset(new GUIManager(nullptr, Qt::WindowFlags()));
        // A module and a choice, so that reaching the progress screen starts a run (its tests are
        // requested from a worker without a module, so they never end unless a test reports them).
        Access::bind(w(), &module);
        w().devices_selected({"disk0"});
        w().tests_selected({1});
    }
    void TearDown() override {
        window.reset();
        QDir::setCurrent(saved_dir);
    }
    GUIManager& w() { return *window; }
    void with_mask(int mask, int current) {
        Access::used_screens(w()) = mask;
        Access::current_screen(w()) = current;
    }

    QString saved_dir;
    RecordingModule module;
    std::unique_ptr<GUIManager> window;
};

TEST_F(ScreenFlow, StartsOnTheMainScreenWithoutModules) {
    EXPECT_EQ(Access::first_screen(w()), ScreenBit::Main);
    EXPECT_EQ(Access::current_screen(w()), ScreenBit::Main);
    EXPECT_EQ(Access::page(w()), 0);
    EXPECT_EQ(Access::used_screens(w()), -1);
    EXPECT_EQ(w().windowTitle(), "ZVK Lite");
    EXPECT_TRUE(w().windowFlags() & Qt::FramelessWindowHint);
}

TEST_F(ScreenFlow, BottomLineShowsSerialAndVersionOnce) {
    // The tests' firmware folder is empty, so the serial is the placeholder.
    EXPECT_EQ(Access::bios_text(w()), "BIOS Serial: Unable to Obtain.");
    EXPECT_EQ(Access::version_text(w()), "Version: 1.0.0.0");
}

TEST_F(ScreenFlow, NextScreenBitFollowsTheMask) {
    struct Case {
        int mask;
        int from;
        int expected;
    } cases[] = {
        {124, 2, 4},
        {124, 4, 8},
        {124, 8, 16},
        {124, 16, 32},
        {124, 32, 0}, // 4+8+16+32+64
        {82, 2, 16},
        {82, 16, 0},              // 2+16+64
        {4 | 8 | 16 | 64, 16, 0}, // no log screen
        {4 | 8, 2, 4},
        {4 | 8, 8, 0}, // no end bit: ends all the same
        {0, 2, 0},     // nothing after main
        {124, 0, 4},
        {124, -3, 4}, // nothing shown yet
        {-1, 2, 4},   // no module bound
    };
    for (const Case& c : cases) {
        with_mask(c.mask, c.from);
        EXPECT_EQ(Access::next_screen_bit(w()), c.expected) << "mask " << c.mask << " from " << c.from;
    }
}

TEST_F(ScreenFlow, PreviousScreenBitFollowsTheMaskDownToMain) {
    struct Case {
        int mask;
        int from;
        int expected;
    } cases[] = {
        {124, 32, 16}, {124, 16, 8},         {124, 8, 4},         {124, 4, 2}, // main is reached though not
                                                                               // in the mask
        {82, 16, 2},   {4 | 16 | 64, 16, 4}, {4 | 16 | 64, 4, 2}, {-1, 8, 4},  {124, 2, 2},
        {124, 0, 2}, // not asked for by the screens; must still end
    };
    for (const Case& c : cases) {
        with_mask(c.mask, c.from);
        EXPECT_EQ(Access::previous_screen_bit(w()), c.expected) << "mask " << c.mask << " from " << c.from;
    }
}

TEST_F(ScreenFlow, WalksThePagesOfTheMaskForwardAndBack) {
    with_mask(124, 2);
    QSignalSpy enumerate(&w(), SIGNAL(run_update_devices()));
    QSignalSpy tests(&w(), SIGNAL(tests_updated(QMap<int, std::string>&)));
    const int pages[] = {1, 2, 3, 4};
    const int bits[] = {4, 8, 16, 32};
    for (int i = 0; i < 4; ++i) {
        w().next_screen();
        EXPECT_EQ(Access::current_screen(w()), bits[i]);
        EXPECT_EQ(Access::page(w()), pages[i]);
        if (bits[i] == ScreenBit::Progress) {
            TestStatus passed = TestStatus::Passed;
            w().update_test_status(1, &passed); // the run's one test ends, and with it the run
        }
    }
    EXPECT_EQ(enumerate.count(), 1);
    EXPECT_EQ(tests.count(), 1);
    // The log screen has no next step: nothing changes.
    w().next_screen();
    EXPECT_EQ(Access::current_screen(w()), 32);
    EXPECT_EQ(Access::page(w()), 4);
    w().previous_screen();
    EXPECT_EQ(Access::current_screen(w()), 16);
    EXPECT_EQ(Access::page(w()), 3);
    // The ended run is on view again; nothing new started.
    EXPECT_EQ(std::count(module.calls.begin(), module.calls.end(), "end_run"), 1);
    EXPECT_EQ(std::count_if(module.calls.begin(), module.calls.end(),
                            [](const std::string& call) { return call.rfind("begin_run", 0) == 0; }),
              1);
}

TEST_F(ScreenFlow, MaskWithoutLogScreenIgnoresViewLogs) {
    with_mask(4 | 8 | 16 | 64, 16);
    Access::set_screen(w(), 16);
    w().next_screen();
    EXPECT_EQ(Access::current_screen(w()), 16);
    EXPECT_EQ(Access::page(w()), 3);
}

TEST_F(ScreenFlow, SetScreenIgnoresValuesThatAreNoScreenBit) {
    for (int value : {0, 1, 3, 6, 64, 128, -1}) {
        with_mask(124, 4);
        Access::set_screen(w(), 4);
        Access::set_screen(w(), value);
        EXPECT_EQ(Access::current_screen(w()), 4) << value;
        EXPECT_EQ(Access::page(w()), 1) << value;
    }
}

TEST_F(ScreenFlow, BackToMainShowsTheFirstScreenAfterResettingTheScreens) {
    QSignalSpy init(&w(), SIGNAL(init_screens(int)));
    QSignalSpy enumerate(&w(), SIGNAL(run_update_devices()));

    with_mask(124, 16);
    Access::set_screen(w(), 16);
    w().back_to_main();
    ASSERT_EQ(init.count(), 1);
    EXPECT_EQ(init.at(0).at(0).toInt(), 2);
    EXPECT_EQ(Access::current_screen(w()), 2);
    EXPECT_EQ(Access::page(w()), 0);

    // A preselected module's sequence starts on its device screen, which enumerates again.
    Access::first_screen(w()) = 4;
    with_mask(4 | 8 | 16 | 64, 16);
    w().back_to_main();
    EXPECT_EQ(init.at(1).at(0).toInt(), 4);
    EXPECT_EQ(Access::current_screen(w()), 4);
    EXPECT_EQ(Access::page(w()), 1);
    EXPECT_EQ(enumerate.count(), 1);
    // Esc or Back on that device screen leads to the main screen.
    w().previous_screen();
    EXPECT_EQ(Access::page(w()), 0);
}

TEST_F(ScreenFlow, LogSelectionPageKeepsTheMainScreenCurrent) {
    w().set_log_selection_screen();
    EXPECT_EQ(Access::page(w()), 5);
    EXPECT_EQ(Access::current_screen(w()), 2);
}

TEST_F(ScreenFlow, ScreenPropertiesDefaultWithoutModule) {
    EXPECT_EQ(w().get_screen_properties(ScreenBit::Devices), ScreenProperty::Default);
    EXPECT_EQ(w().get_screen_properties(ScreenBit::Progress), ScreenProperty::Default);
}

TEST_F(ScreenFlow, RelaysTheWorkersResults) {
    QSignalSpy devices(&w(), SIGNAL(devices_updated(QMap<std::string, std::string>&)));
    QSignalSpy finished(&w(), SIGNAL(test_finished(int, TestStatus)));

    std::map<std::string, std::string> module_map{{"disk0", "Disk Zero"}, {"disk1", "Disk One"}};
    w().update_devices(&module_map);
    module_map.clear(); // the copy is the window's own
    ASSERT_EQ(devices.count(), 1);
    EXPECT_EQ(Access::devices(w()).size(), 2);
    EXPECT_EQ(Access::devices(w()).value("disk1"), "Disk One");
    w().update_devices(nullptr);
    EXPECT_EQ(devices.count(), 1);
    EXPECT_EQ(Access::devices(w()).size(), 2);

    TestStatus status = TestStatus::NotSupported;
    w().update_test_status(8, &status);
    w().update_test_status(16, nullptr);
    ASSERT_EQ(finished.count(), 2);
    EXPECT_EQ(finished.at(0).at(0).toInt(), 8);
    EXPECT_EQ(finished.at(0).at(1).value<TestStatus>(), TestStatus::NotSupported);
    EXPECT_EQ(int(finished.at(1).at(1).value<TestStatus>()), -1);
}

TEST_F(ScreenFlow, ForwardersCallTheModule) {
    module.calls.clear();
    EXPECT_EQ(w().begin_run(1796811302), 0);
    EXPECT_EQ(Access::run_start(w()), 1796811302);
    w().set_abort(false);
    EXPECT_EQ(w().begin_device_tests("disk0", 12), 0);
    module.select_result = 3;
    EXPECT_EQ(w().begin_device_tests("disk1", 4), 3); // refused: no begin_tests
    EXPECT_EQ(w().get_test_progress(), 57);
    EXPECT_EQ(w().get_test_status(), TestStatus::Aborted);
    EXPECT_EQ(w().end_device_tests(), "HD-42");
    w().end_run();
    const std::vector<std::string> expected{"begin_run 1796811302",
                                            "no abort",
                                            "select_device disk0 12",
                                            "begin_tests",
                                            "select_device disk1 4",
                                            "end_tests",
                                            "end_run"};
    EXPECT_EQ(module.calls, expected);
}

int count_starting(const std::vector<std::string>& calls, const std::string& prefix) {
    return int(std::count_if(calls.begin(), calls.end(),
                             [&](const std::string& call) { return call.rfind(prefix, 0) == 0; }));
}

TEST_F(ScreenFlow, ARunThatCannotStartNeverLeadsBackIntoTheProgressScreen) {
    zvk_test::MessageBoxCloser boxes;
    // Should the flow go round and round, this ends it after a few rounds by making the main screen
    // the first screen, so that the test fails instead of hanging.
    int resets = 0;
    QObject::connect(&w(), &GUIManager::init_screens, [&](int) {
        if (++resets > 4)
            Access::first_screen(w()) = ScreenBit::Main;
    });
    const QMap<int, std::string> one_test{{1, "ReadTest"}};
    struct Case {
        const char* what;
        int busy_runs;
        int refused_selects;
        QVector<std::string> devices; // chosen; none is listed
        QMap<int, std::string> tests; // the module's, all chosen
        int begin_runs;
        int busy_boxes;
    } cases[] = {
        {"busy log", 1000, 0, {"disk0"}, one_test, 1, 1},
        {"refused first device", 0, 1000, {"disk0"}, one_test, 1, 0},
        {"no device", 0, 0, {}, one_test, 0, 0},
        {"no test", 0, 0, {"disk0"}, {}, 0, 0},
    };
    // Reached at the end of an ended run (Back to menu) and from a module button on the main page.
    for (const char* way : {"back to main", "module button"}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(way) + ", " + c.what);
            module.calls.clear();
            module.busy_runs = c.busy_runs;
            module.refused_selects = c.refused_selects;
            boxes.clear();
            Access::tests(w()) = c.tests;
            w().devices_selected(c.devices);
            w().tests_selected(QVector<int>(c.tests.keyBegin(), c.tests.keyEnd()));
            Access::first_screen(w()) = ScreenBit::Progress;
            resets = 0;
            if (std::string(way) == "back to main") {
                with_mask(16 | 64, 16);
                w().back_to_main();
            } else {
                with_mask(16 | 64, 2);
                w().next_screen();
            }
            EXPECT_LE(resets, 2) << "the flow went back into the progress screen";
            EXPECT_EQ(Access::page(w()), 0);
            EXPECT_EQ(Access::current_screen(w()), ScreenBit::Main);
            EXPECT_EQ(count_starting(module.calls, "begin_run"), c.begin_runs);
            EXPECT_EQ(boxes.seen().size(), c.busy_boxes);
            // The refused run is forgotten and the window may close.
            EXPECT_EQ(Access::device_block_count(w()), 0);
            EXPECT_TRUE(Access::close_button(w())->isEnabled());
        }
    }
}

TEST_F(ScreenFlow, WithoutATestChoiceTheRunTakesEveryTestOfTheModule) {
    struct Case {
        QVector<int> chosen;
        QMap<int, std::string> tests; // the module's
        const char* first_select;     // null: no run
    } cases[] = {
        {{}, {{1, "ReadTest"}, {4, "VerifyTest"}, {16, "CacheTest"}}, "select_device disk0 21"},
        {{4}, {{1, "ReadTest"}, {4, "VerifyTest"}, {16, "CacheTest"}}, "select_device disk0 4"},
        {{}, {}, nullptr}, // nothing to run: back to the first screen, the module untold
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chosen.size());
        module.calls.clear();
        Access::tests(w()) = c.tests;
        w().tests_selected(c.chosen);
        with_mask(2 | 16 | 64, 2); // no test screen, as no device screen
        w().next_screen();
        if (!c.first_select) {
            EXPECT_EQ(Access::page(w()), 0);
            EXPECT_TRUE(module.calls.empty());
            continue;
        }
        EXPECT_EQ(Access::page(w()), 3);
        ASSERT_GE(module.calls.size(), 3u);
        EXPECT_EQ(module.calls[2], c.first_select);
        w().back_to_main(); // forget the run, which waits for its first test
    }
}

TEST_F(ScreenFlow, TheSecondClickOfADoubleClickDoesNothingOnTheScreenItsFirstClickShowed) {
    // Double clicks come through the window, as the platform delivers them: Qt hands the second click
    // to the widget under the pointer once the first has changed the screen.
    w().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w()));
    QWindow* window = w().windowHandle();
    auto at = [&](QWidget* widget) { return widget->mapTo(&w(), widget->rect().center()); };
    Access::tests(w()) = {{1, "ReadTest"}};
    with_mask(124, 2);
    w().next_screen();
    std::map<std::string, std::string> listed{{"disk0", "Disk Zero"}};
    w().update_devices(&listed);
    QPushButton* next = Access::form(Access::device_screen(w())).next_pushButton;
    ASSERT_TRUE(next->isEnabled());

    // Next, then Run tests on the same spot: the test screen stays.
    QTest::mouseDClick(window, Qt::LeftButton, Qt::NoModifier, at(next));
    EXPECT_EQ(Access::page(w()), 2);
    EXPECT_FALSE(Access::running(w()));

    // A click of its own on Run tests starts the run; a double click on Stop tests then stops it, the
    // page being the same for both of its clicks.
    QPushButton* run = Access::form(Access::test_screen(w())).run_tests_pushButton;
    QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, at(run));
    ASSERT_EQ(Access::page(w()), 3);
    EXPECT_TRUE(Access::running(w()));
    EXPECT_FALSE(Access::stopped(w()));
    QTest::mouseDClick(window, Qt::LeftButton, Qt::NoModifier,
                       at(Access::progress_form(w()).stop_tests_pushButton));
    EXPECT_TRUE(Access::stopped(w()));
    w().back_to_main();
}

// The program started with a module preselected whose sequence begins with the run (diag_progress_first:
// no device is listed before it, so the run cannot start), with diag_standard beside it. The window
// opens on the main page; from then on no way back to that page may start a run.
TEST(PreselectedRunFirst, AfterItsRunCouldNotStartNoWayBackToTheMainPageStartsARun) {
    struct Step {
        const char* step; // as flow_probe takes it
        int page;         // shown after it
        int runs;         // logged after it
    };
    struct Case {
        const char* what;
        std::vector<Step> steps;
    } cases[] = {
        {"with runs in between",
         {
             {"module:StandardModule", 1, 0},
             {"run", 3, 1},
             {"back_menu_pushButton", 0, 1},
             {"past_logs_pushButton", 5, 1},
             {"back_pushButton", 0, 1},
             {"module:StandardModule", 1, 1},
             {"run", 3, 2},
             {"esc", 3, 2}, // an ended run: the first Esc only asks the module for an abort
             {"esc", 0, 2},
             {"past_logs_pushButton", 5, 2},
             {"esc", 0, 2},
             {"module:StandardModule", 1, 2},
             {"run", 3, 3},
             {"view_logs_pushButton", 4, 3},
             {"backToMenu_pushbutton", 0, 3},
             // The preselected module chosen again: its run still cannot start.
             {"module:ProgressFirstModule", 0, 3},
             {"past_logs_pushButton", 5, 3},
             {"back_pushButton", 0, 3},
         }},
        {"without a run",
         {
             {"module:StandardModule", 1, 0},
             {"esc", 0, 0},
             {"past_logs_pushButton", 5, 0},
             {"back_pushButton", 0, 0},
             {"past_logs_pushButton", 5, 0},
             {"esc", 0, 0},
             {"module:StandardModule", 1, 0},
             {"back_pushButton", 0, 0},
             {"past_logs_pushButton", 5, 0},
             {"back_pushButton", 0, 0},
         }},
    };
    const QString log = QString::fromStdString(zvk_test::system_drive_folder()) + "/zedra/zedra.log";
    const QString modules = qEnvironmentVariable("ZVK_TEST_MODULES_DIR");
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString dir = zvk_test::fresh_dir("preselected_run_first_" + QString::number(n++));
        for (const char* stem : {"progress_first", "standard"})
            ASSERT_TRUE(QFile::copy(modules + "/diag_" + stem + ".dll", dir + "/diag_" + stem + ".dll"));
        QFile::remove(log);
        QStringList args{"--progress_first"};
        std::string expected = "flow start: page 0, runs 0\n";
        for (const Step& step : c.steps) {
            args << step.step;
            expected += "flow " + std::string(step.step) + ": page " + std::to_string(step.page) + ", runs " +
                        std::to_string(step.runs) + "\n";
        }
        QProcess probe;
        probe.setWorkingDirectory(dir);
        probe.start(FLOW_PROBE, args);
        ASSERT_TRUE(probe.waitForFinished(240000)) << "the probe did not end";
        EXPECT_EQ(probe.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(probe.exitCode(), 0);
        // The probe's lines, without the log reader's traces.
        std::string shown;
        for (const QByteArray& line : probe.readAllStandardOutput().split('\n')) {
            if (line.startsWith("flow "))
                shown += line.toStdString() + "\n";
        }
        const std::string err = probe.readAllStandardError().toStdString();
        EXPECT_EQ(shown, expected) << err;
        EXPECT_EQ(err.find("message box"), std::string::npos) << err;
    }
}

TEST_F(ScreenFlow, APressOfABurstWhoseReleaseAModalBoxTookLeavesTheNextPressAlone) {
    // Presses go through the platform's own path with time stamps of the test's choosing, so that Qt
    // and the window see a burst as a user's hand gives one.
    w().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w()));
    QWindow* window = w().windowHandle();
    Access::tests(w()) = {{1, "ReadTest"}};
    with_mask(124, 2);
    w().next_screen();
    std::map<std::string, std::string> listed{{"disk0", "Disk Zero"}};
    w().update_devices(&listed);
    QPushButton* next = Access::form(Access::device_screen(w())).next_pushButton;
    ASSERT_TRUE(next->isEnabled());
    const QPoint at = next->mapTo(&w(), next->rect().center());
    const int start = QTest::lastMouseTimestamp + 10000; // later than any press before
    auto send = [&](QEvent::Type type, int time) {
        const Qt::MouseButtons held = type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
        qt_handleMouseEvent(window, at, window->mapToGlobal(at), held, Qt::LeftButton, type, Qt::NoModifier,
                            time);
    };

    send(QEvent::MouseButtonPress, start);
    send(QEvent::MouseButtonRelease, start + 20);
    ASSERT_EQ(Access::page(w()), 2);
    // The burst's next press does nothing; a modal box that opens before its release takes the release
    // (the window behind the box gets none).
    send(QEvent::MouseButtonPress, start + 90);
    zvk_test::MessageBoxCloser boxes;
    boxes.on_box([&](const zvk_test::SeenMessageBox&) { send(QEvent::MouseButtonRelease, start + 150); });
    QMessageBox box(QMessageBox::Critical, "LogBusyTitle", "LogBusyText", QMessageBox::Ok);
    box.exec();
    ASSERT_EQ(boxes.seen().size(), 1);
    EXPECT_EQ(Access::page(w()), 2);
    EXPECT_FALSE(Access::running(w()));

    // A click after a pause is a click of its own: Run tests.
    send(QEvent::MouseButtonPress, start + 3000);
    send(QEvent::MouseButtonRelease, start + 3020);
    QTest::lastMouseTimestamp = start + 4000;
    EXPECT_EQ(Access::page(w()), 3);
    EXPECT_TRUE(Access::running(w()));
    w().back_to_main();
}

TEST(CommandLine, ModuleNameIsThePieceAfterTheFirstDoubleDash) {
    struct Case {
        QStringList args;
        QString expected;
    } cases[] = {
        {{"zvk_lite", "--storage"}, "storage"},
        {{"zvk_lite", "storage"}, ""},
        {{"zvk_lite", "a--b--c"}, "b"},
        {{"zvk_lite", "--"}, ""},
        {{"zvk_lite"}, ""},
        {{"zvk_lite", "-storage", "--memory"}, ""}, // only the first argument counts
    };
    for (const Case& c : cases)
        EXPECT_EQ(command_line_module(c.args), c.expected) << c.args.join(' ').toStdString();
}

// Upper-cases every word it is asked for in the "Translations" context.
class UpperTranslator : public QTranslator {
public:
    QString translate(const char* context, const char* source, const char*, int) const override {
        if (QByteArray(context) != "Translations")
            return QString();
        return QString(source).toUpper();
    }
    bool isEmpty() const override { return false; }
};

TEST_F(ScreenFlow, TranslateTokensTranslatesWordByWord) {
    struct Case {
        QString text;
        QString plain;
        QString translated;
    } cases[] = {
        {"  Hard \t  Disk   ", "Hard Disk ", "HARD DISK "},
        {"Disk", "Disk ", "DISK "},
        {"", "", ""},
        {"   \t ", "", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(w().translate_tokens(c.text), c.plain) << c.text.toStdString();
    UpperTranslator upper;
    QCoreApplication::installTranslator(&upper);
    for (const Case& c : cases)
        EXPECT_EQ(w().translate_tokens(c.text), c.translated) << c.text.toStdString();
    QCoreApplication::removeTranslator(&upper);
}

} // namespace
