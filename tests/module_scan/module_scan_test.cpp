// The module scan of the working folder and the binding of a module, with packed test modules (and
// damaged files) in a folder of the test's own.
#include "call_record.h"
#include "event_wait.h"
#include "gui_manager_access.h"
#include "gui_manager.h"
#include "gui_message_boxes.h"
#include "secure_library.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QTranslator>

#include <atomic>
#include <chrono>
#include <thread>

using zvk_test_modules::RecordedCall;

using Access = GUIManagerTestAccess;

namespace {

QString test_module(const char* stem) {
    return qEnvironmentVariable("ZVK_TEST_MODULES_DIR") + "/diag_" + stem + ".dll";
}

// The call record of a loaded test module, one "operation argument..." text a call, through its
// zvk_call_record export.
std::vector<std::string> calls_from(void* record) {
    std::vector<std::string> calls;
    if (!record)
        return {"no call record"};
    for (const RecordedCall& call :
         zvk_test_modules::parse_call_record(zvk_test_modules::read_call_record(record))) {
        std::string text = call.operation;
        for (const std::string& a : call.arguments)
            text += " " + a;
        calls.push_back(text);
    }
    return calls;
}

std::vector<std::string> calls_of(const QSharedPointer<SecureLibrary>& module) {
    if (!module)
        return {"module not listed"};
    return calls_from(module->resolve("zvk_call_record"));
}

std::vector<RecordedCall> records_of(const QSharedPointer<SecureLibrary>& module) {
    void* record = module ? module->resolve("zvk_call_record") : nullptr;
    if (!record)
        return {};
    return zvk_test_modules::parse_call_record(zvk_test_modules::read_call_record(record));
}

void clear_calls(const QSharedPointer<SecureLibrary>& module) {
    void* clear = module ? module->resolve("zvk_clear_call_record") : nullptr;
    ASSERT_NE(clear, nullptr) << "a listed test module";
    zvk_test_modules::clear_call_record(clear);
}

bool contains(const std::vector<std::string>& calls, const std::string& call) {
    return std::find(calls.begin(), calls.end(), call) != calls.end();
}

bool any_release(const std::vector<std::string>& calls) {
    for (const std::string& call : calls) {
        if (call.rfind("delete_module_interface", 0) == 0)
            return true;
    }
    return false;
}

// The window under construction, for a look at it while one of the scan's boxes is open.
GUIManager* window_being_built() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* window = qobject_cast<GUIManager*>(widget))
            return window;
    }
    return nullptr;
}

// Marks every token it is asked for in the "Translations" context, so a test sees what was translated.
class MarkingTranslator : public QTranslator {
public:
    QString translate(const char* context, const char* source, const char*, int) const override {
        if (QByteArray(context) != "Translations")
            return QString();
        return "<" + QString(source) + ">";
    }
    bool isEmpty() const override { return false; }
};

class Scan : public ::testing::Test {
protected:
    void SetUp() override {
        saved_dir = QDir::currentPath();
        folder = zvk_test::fresh_dir(::testing::UnitTest::GetInstance()->current_test_info()->name());
        QDir::setCurrent(folder);
    }
    void TearDown() override {
        window.reset();
        QDir::setCurrent(saved_dir);
    }
    void put(const QString& name, const std::string& bytes = "not a module file") {
        ASSERT_TRUE(zvk_test::write_file(folder + "/" + name, bytes));
    }
    // A packed test module under a file name of the test's choice.
    void put_module(const char* stem, const QString& name) {
        ASSERT_TRUE(QFile::copy(test_module(stem), folder + "/" + name)) << stem;
    }
    GUIManager& open_window() {
        window.reset(new GUIManager(nullptr, Qt::WindowFlags()));
        return *window;
    }
    std::vector<std::string> box_texts() const {
        std::vector<std::string> texts;
        for (const zvk_test::SeenMessageBox& b : boxes.seen())
            texts.push_back(b.text.toStdString());
        return texts;
    }

    QString saved_dir;
    QString folder;
    zvk_test::MessageBoxCloser boxes;
    std::unique_ptr<GUIManager> window;
};

TEST_F(Scan, EmptyFolderStartsOnTheMainScreen) {
    put("other.dll");
    put("diag_x.txt");
    GUIManager& w = open_window();
    EXPECT_TRUE(boxes.seen().isEmpty());
    EXPECT_TRUE(Access::module_names(w).isEmpty());
    EXPECT_EQ(Access::first_screen(w), ScreenBit::Main);
    EXPECT_EQ(Access::current_screen(w), ScreenBit::Main);
    EXPECT_EQ(Access::page(w), 0);
    EXPECT_EQ(Access::module_interface(w), nullptr);
}

TEST_F(Scan, FilesThatDoNotLoadAreReportedOneByOneInNameOrderIgnoringCase) {
    for (const char* name : {"diag_b.dll", "DIAG_C.DLL", "diag_A.dll", "diag_storage.dll", "diag_memory.dll",
                             "diag_Storage.dll", "diag_diag_x.dll.dll", "diag_.dll", "zdiag_y.dll"})
        put(name);
    QDir().mkdir(folder + "/diag_folder.dll"); // QDir lists folders as well
    GUIManager& w = open_window();

    const std::vector<std::string> expected{
        "InvalidModule",           "InvalidModuleA",       "InvalidModuleb",
        "InvalidModuleDIAG_C.DLL", "InvalidModulex",       "InvalidModulefolder",
        "InvalidModuleMemory",     "InvalidModuleStorage", "InvalidModuleStorage",
    };
    EXPECT_EQ(box_texts(), expected);
    for (const zvk_test::SeenMessageBox& b : boxes.seen()) {
        EXPECT_EQ(b.title, "InvalidModuleTitle");
        EXPECT_EQ(b.icon, QMessageBox::Critical);
        EXPECT_EQ(b.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        EXPECT_TRUE(b.flags & Qt::Dialog);
        EXPECT_TRUE(b.flags & Qt::MSWindowsFixedSizeDialogHint);
        EXPECT_FALSE(b.has_parent);
        EXPECT_TRUE(b.modal);
    }
    EXPECT_TRUE(Access::module_names(w).isEmpty());
    EXPECT_EQ(Access::page(w), 0);
}

TEST_F(Scan, StorageAndMemoryAreTranslatedOnlyForTheirExactFileNames) {
    for (const char* name : {"diag_storage.dll", "diag_memory.dll", "diag_Memory.dll", "diag_storage2.dll"})
        put(name);
    MarkingTranslator marks;
    QCoreApplication::installTranslator(&marks);
    open_window();
    QCoreApplication::removeTranslator(&marks);

    const std::vector<std::string> expected{"<InvalidModule><Memory>", "<InvalidModule>Memory",
                                            "<InvalidModule><Storage>", "<InvalidModule>storage2"};
    EXPECT_EQ(box_texts(), expected);
    ASSERT_FALSE(boxes.seen().isEmpty());
    EXPECT_EQ(boxes.seen()[0].title, "<InvalidModuleTitle>");
}

TEST_F(Scan, AFileNameIsShownAsPlainText) {
    put("diag_<b>bold<b>.dll");
    open_window();
    ASSERT_EQ(boxes.seen().size(), 1);
    EXPECT_EQ(boxes.seen()[0].text.toStdString(), "InvalidModule<b>bold<b>");
    EXPECT_EQ(boxes.seen()[0].text_format, Qt::PlainText);
}

TEST_F(Scan, ValidModulesAreListedByDisplayNameWithTheirPictures) {
    put_module("standard", "diag_standard.dll");
    put_module("no_image", "diag_no_image.dll");
    put_module("null_image", "diag_null_image.dll");
    put_module("bad_image", "diag_bad_image.dll");
    put_module("upper_case", "diag_upper.dll");
    put_module("null_name", "diag_null_name.dll");
    put_module("no_used_screens", "diag_lacking.dll"); // a required export missing: dropped silently
    put_module("unknown_import", "diag_refused.dll");  // does not load
    put("diag_storage.dll");                           // damaged; the scan goes on after it
    GUIManager& w = open_window();

    const std::vector<std::string> expected_boxes{"InvalidModulerefused", "InvalidModuleStorage"};
    EXPECT_EQ(box_texts(), expected_boxes);
    const QStringList names{
        "", "BadImageModule", "NoImageModule", "NullImageModule", "StandardModule", "UpperCaseModule"};
    ASSERT_EQ(Access::module_names(w), names);

    struct Picture {
        const char* module;
        bool entry;
        bool empty;
    } pictures[] = {
        {"StandardModule", true, false}, {"UpperCaseModule", true, false}, {"", true, false},
        {"NoImageModule", false, true},  {"NullImageModule", true, true},  {"BadImageModule", true, true},
    };
    auto& images = Access::images(w);
    EXPECT_EQ(images.size(), 5);
    for (const Picture& p : pictures) {
        QSharedPointer<SecureLibrary> module = Access::module(w, p.module);
        ASSERT_EQ(images.contains(module), p.entry) << p.module;
        if (p.entry) {
            EXPECT_EQ(images.value(module)->isNull(), p.empty) << p.module;
        }
    }

    // The scan asks each module for its name, then for its picture where it has the export, nothing else.
    const std::vector<std::string> with_image{"DllMain 1", "get_module_name", "get_module_image"};
    const std::vector<std::string> without_image{"DllMain 1", "get_module_name"};
    EXPECT_EQ(calls_of(Access::module(w, "StandardModule")), with_image);
    EXPECT_EQ(calls_of(Access::module(w, "NoImageModule")), without_image);
    EXPECT_EQ(Access::page(w), 0);
    EXPECT_EQ(Access::module_interface(w), nullptr);
}

TEST_F(Scan, OfTwoFilesWithOneDisplayNameTheLaterInNameOrderIsListed) {
    put_module("standard", "diag_b.dll");
    put_module("standard", "diag_A.dll");
    put("diag_Ax.dll"); // its box opens between the two: after diag_A.dll, before diag_b.dll
    QSharedPointer<SecureLibrary> loaded_first;
    int listed_at_box = -1;
    boxes.on_box([&](const zvk_test::SeenMessageBox&) {
        GUIManager* w = window_being_built();
        ASSERT_NE(w, nullptr);
        listed_at_box = Access::module_names(*w).size();
        loaded_first = Access::module(*w, "StandardModule");
    });
    GUIManager& w = open_window();

    ASSERT_EQ(listed_at_box, 1);
    ASSERT_FALSE(loaded_first.isNull());
    EXPECT_EQ(Access::module_names(w), QStringList{"StandardModule"});
    EXPECT_NE(Access::module(w, "StandardModule"), loaded_first);
    // Both stay loaded: the earlier one keeps its picture entry.
    EXPECT_EQ(Access::images(w).size(), 2);
    EXPECT_TRUE(Access::images(w).contains(loaded_first));
}

// The program's start with a command line, in a child process (scan_probe) that prints what the
// window shows.
struct ProbeResult {
    int exit_code = -1;
    std::string out;
    std::string err;
};

ProbeResult run_probe(const QString& folder, const QStringList& args) {
    QProcess probe;
    probe.setWorkingDirectory(folder);
    probe.start(SCAN_PROBE, args);
    ProbeResult result;
    if (!probe.waitForFinished(60000)) {
        probe.kill();
        probe.waitForFinished();
        return result;
    }
    result.exit_code = probe.exitStatus() == QProcess::NormalExit ? probe.exitCode() : -2;
    result.out = probe.readAllStandardOutput().toStdString();
    result.err = probe.readAllStandardError().toStdString();
    return result;
}

TEST_F(Scan, TheCommandLinePreselectsTheModuleOfThatExactFileName) {
    struct Case {
        const char* argument;
        const char* stem;
        const char* file;
        const char* shows; // lines the probe prints
    } cases[] = {
        // No main screen in its mask: the window opens on the device screen, which enumerates.
        {"--name", "no_log_screen", "diag_name.dll",
         "first_screen 4\ncurrent_screen 4\npage 1\nbound NoLogScreenModule\nused_screens 92\n"
         "module NoLogScreenModule\ndevices 3\n"},
        // All screens: bound, and the first screen is the main screen.
        {"--name", "standard", "diag_name.dll",
         "first_screen 2\ncurrent_screen 2\npage 0\nbound StandardModule\nused_screens 126\nbuttons 1\n"},
        // The sequence begins with the run, which has no device: the main page with its module buttons,
        // not the run tried again and again, and the first screen from then on.
        {"--name", "progress_first", "diag_name.dll",
         "first_screen 2\ncurrent_screen 2\npage 0\nbound ProgressFirstModule\nused_screens 80\n"
         "buttons 1\n"},
        // The file-name comparison is case-sensitive.
        {"--Storage", "no_log_screen", "diag_storage.dll",
         "first_screen 2\ncurrent_screen 2\npage 0\nbound -\n"},
        {"--other", "no_log_screen", "diag_name.dll", "first_screen 2\npage 0\nbound -\n"},
        // A module without a display name cannot be preselected.
        {"--nameless", "null_name", "diag_nameless.dll", "first_screen 2\npage 0\nbound -\n"},
        // A module lacking get_module_interface is dropped at the scan, so nothing is bound.
        {"--no_interface", "no_interface", "diag_no_interface.dll", "first_screen 2\npage 0\nbound -\n"},
        {"", "no_log_screen", "diag_name.dll", "first_screen 2\npage 0\nbound -\n"},
    };
    for (const Case& c : cases) {
        QString dir = zvk_test::fresh_dir(QString("probe_") + c.argument + c.stem);
        ASSERT_TRUE(QFile::copy(test_module(c.stem), dir + "/" + c.file));
        QStringList args;
        if (*c.argument)
            args << c.argument;
        ProbeResult r = run_probe(dir, args);
        ASSERT_EQ(r.exit_code, 0) << c.argument << " " << c.stem << "\n" << r.err;
        std::istringstream lines(c.shows);
        std::string line;
        while (std::getline(lines, line))
            EXPECT_NE(r.out.find(line + "\n"), std::string::npos)
                << c.argument << " " << c.stem << ": " << line << "\n"
                << r.out;
        EXPECT_EQ(r.err.find("message box"), std::string::npos) << r.err;
    }
}

TEST_F(Scan, AModuleThatYieldsNoInterfaceObjectEndsTheProgramAfterItsBox) {
    QString dir = zvk_test::fresh_dir("probe_null_interface");
    ASSERT_TRUE(QFile::copy(test_module("null_interface"), dir + "/diag_null_interface.dll"));
    ProbeResult r = run_probe(dir, {"--null_interface"});
    EXPECT_EQ(r.exit_code, 1) << r.err;
    EXPECT_NE(r.err.find("message box: InauthenticModuleTitle | InauthenticModule\n"), std::string::npos)
        << r.err;
    EXPECT_EQ(r.out.find("first_screen"), std::string::npos) << "the window was never finished";
}

// ---- binding

// Stands in for a module's delete_module_interface export, to look at the modules at the moment of
// the release.
struct ReleaseWatch {
    delete_module_interface_fn real = nullptr;
    std::function<void(ModuleInterface*)> at_release;
    int releases = 0;
};
ReleaseWatch release_watch;

ZVK_MODULE_CALL void watched_release(ModuleInterface* object) {
    ++release_watch.releases;
    if (release_watch.at_release)
        release_watch.at_release(object);
    release_watch.real(object);
}

class Binding : public Scan {
protected:
    void SetUp() override {
        Scan::SetUp();
        release_watch = ReleaseWatch();
    }
    // From now on the bound module's release goes through watched_release.
    void watch_release(GUIManager& w, std::function<void(ModuleInterface*)> at_release) {
        release_watch.real = Access::delete_export(w);
        release_watch.at_release = std::move(at_release);
        release_watch.releases = 0;
        Access::delete_export(w) = watched_release;
    }
};

TEST_F(Binding, AnnouncesTheNewSequenceThenTheTests) {
    put_module("standard", "diag_standard.dll");
    GUIManager& w = open_window();
    QSharedPointer<SecureLibrary> module = Access::module(w, "StandardModule");
    clear_calls(module);
    std::vector<std::string> signals_seen;
    QObject::connect(&w, &GUIManager::init_screens,
                     [&](int first) { signals_seen.push_back("init_screens " + std::to_string(first)); });
    QObject::connect(&w, &GUIManager::tests_updated, [&](QMap<int, std::string>& tests) {
        signals_seen.push_back("tests_updated " + std::to_string(tests.size()));
    });

    w.init_module("StandardModule");
    const std::vector<std::string> expected_signals{"init_screens 2", "tests_updated 3"};
    EXPECT_EQ(signals_seen, expected_signals);
    std::vector<std::string> calls = calls_of(module);
    ASSERT_GE(calls.size(), 3u);
    const std::vector<std::string> binding{"get_used_screens", "get_module_interface 1", "get_tests"};
    EXPECT_EQ(std::vector<std::string>(calls.begin(), calls.begin() + 3), binding);

    EXPECT_EQ(Access::module_name(w), "StandardModule");
    EXPECT_EQ(Access::current_module(w), module);
    EXPECT_EQ(Access::used_screens(w), 126);
    EXPECT_NE(Access::module_interface(w), nullptr);
    const QMap<int, std::string> tests{{1, "ReadTest"}, {2, "WriteTest"}, {4, "VerifyTest"}};
    EXPECT_EQ(Access::tests(w), tests);

    // The worker has the object too: the device screen's enumeration reaches the module there.
    w.next_screen();
    EXPECT_EQ(Access::page(w), 1);
    ASSERT_TRUE(zvk_test::wait_until([&] { return Access::devices(w).size() == 3; }));
    std::vector<RecordedCall> records = records_of(module);
    unsigned long gui = zvk_test_modules::current_thread_id();
    for (const RecordedCall& call : records) {
        bool on_worker = call.operation == "enumerate_devices" || call.operation == "get_devices";
        EXPECT_EQ(call.thread != gui, on_worker) << call.operation;
    }
}

TEST_F(Binding, TheSameModuleTwiceReleasesItsObjectAndAsksForANewOne) {
    put_module("standard", "diag_standard.dll");
    GUIManager& w = open_window();
    QSharedPointer<SecureLibrary> module = Access::module(w, "StandardModule");
    w.init_module("StandardModule");
    clear_calls(module);
    w.init_module("StandardModule");
    std::vector<std::string> calls = calls_of(module);
    ASSERT_GE(calls.size(), 4u);
    const std::vector<std::string> rebinding{"delete_module_interface 1", "get_used_screens",
                                             "get_module_interface 2", "get_tests"};
    EXPECT_EQ(std::vector<std::string>(calls.begin(), calls.begin() + 4), rebinding);
    // (The new object may well take the old one's memory: the serials tell them apart.)
    EXPECT_NE(Access::module_interface(w), nullptr);
    EXPECT_EQ(Access::tests(w).size(), 3);
}

TEST_F(Binding, ASecondModuleIsCalledOnlyAfterTheFirstReleasedItsObject) {
    put_module("standard", "diag_standard.dll");
    put_module("single", "diag_single.dll");
    GUIManager& w = open_window();
    QSharedPointer<SecureLibrary> first = Access::module(w, "StandardModule");
    QSharedPointer<SecureLibrary> second = Access::module(w, "SingleModule");
    w.init_module("StandardModule");
    ModuleInterface* first_object = Access::module_interface(w);
    clear_calls(second);
    std::vector<std::string> second_at_release;
    ModuleInterface* released = nullptr;
    watch_release(w, [&](ModuleInterface* object) {
        released = object;
        second_at_release = calls_of(second);
    });

    w.init_module("SingleModule");
    EXPECT_EQ(release_watch.releases, 1);
    EXPECT_EQ(released, first_object);
    EXPECT_TRUE(second_at_release.empty()) << second_at_release.front();
    EXPECT_EQ(calls_of(first).back(), "delete_module_interface 1");
    std::vector<std::string> calls = calls_of(second);
    ASSERT_GE(calls.size(), 3u);
    const std::vector<std::string> binding{"get_used_screens", "get_module_interface 1", "get_tests"};
    EXPECT_EQ(std::vector<std::string>(calls.begin(), calls.begin() + 3), binding);
    EXPECT_EQ(Access::tests(w).size(), 1);

    // The end of the program releases the bound object, once.
    ModuleInterface* second_object = Access::module_interface(w);
    watch_release(w, [&](ModuleInterface* object) { released = object; });
    window.reset();
    EXPECT_EQ(release_watch.releases, 1);
    EXPECT_EQ(released, second_object);
}

// ---- a module switch, or the end of the program, while the worker is inside a module call

class BusyWorker : public Binding {
protected:
    void TearDown() override {
        // A test that stopped early may leave the enumeration held; the window's end waits for it.
        gate.open();
        Binding::TearDown();
    }
    // The slow module bound, its device screen shown and left for the main screen while its
    // enumeration is held inside the module, until the test opens the gate.
    GUIManager& leave_a_loading_device_screen() {
        put_module("slow", "diag_slow.dll");
        put_module("standard", "diag_standard.dll");
        put_module("single", "diag_single.dll");
        GUIManager& w = open_window();
        slow = Access::module(w, "SlowModule");
        EXPECT_FALSE(slow.isNull());
        gate.install(slow->resolve("zvk_hold_enumeration"));
        gate.close();
        w.init_module("SlowModule");
        w.next_screen();
        EXPECT_EQ(Access::page(w), 1);
        EXPECT_TRUE(zvk_test::wait_until([&] { return contains(calls_of(slow), "enumerate_devices"); }));
        w.previous_screen();
        EXPECT_EQ(Access::page(w), 0);
        return w;
    }
    // What the slow module's record shows at a moment: whether its enumeration has returned.
    static bool enumeration_returned(const std::vector<std::string>& calls) {
        return !calls.empty() && calls.back() == "get_devices";
    }
    QSharedPointer<SecureLibrary> slow;
    zvk_test_modules::EnumerationGate gate; // outlives the window, which unmaps the module
};

TEST_F(BusyWorker, AModuleButtonWaitsForTheCallAndTheWindowKeepsRunning) {
    GUIManager& w = leave_a_loading_device_screen();
    QSharedPointer<SecureLibrary> next = Access::module(w, "StandardModule");
    clear_calls(next);
    int devices_delivered = 0;
    QObject::connect(&w, &GUIManager::devices_updated, [&] { ++devices_delivered; });
    struct AtRelease {
        std::vector<std::string> slow_calls, next_calls;
        int devices_delivered;
    } at_release{};
    watch_release(w, [&](ModuleInterface*) {
        at_release = {calls_of(slow), calls_of(next), devices_delivered};
    });
    int ticks = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] { ++ticks; });
    tick.start(20);

    // The main screen's module button: the choice, then the move to its first screen.
    w.init_module("StandardModule");
    w.next_screen();
    EXPECT_EQ(release_watch.releases, 0);
    EXPECT_TRUE(calls_of(next).empty());
    EXPECT_EQ(Access::page(w), 0);
    EXPECT_EQ(Access::module_name(w), "SlowModule");
    EXPECT_NE(QGuiApplication::overrideCursor(), nullptr);

    // The window's events keep running while the switch waits for the held call.
    ASSERT_TRUE(zvk_test::wait_until([&] { return ticks >= 10; }));
    EXPECT_EQ(release_watch.releases, 0);
    EXPECT_EQ(Access::module_name(w), "SlowModule");
    EXPECT_FALSE(enumeration_returned(calls_of(slow)));

    gate.open();
    ASSERT_TRUE(zvk_test::wait_until([&] { return Access::module_name(w) == "StandardModule"; }));
    EXPECT_EQ(release_watch.releases, 1);
    EXPECT_TRUE(enumeration_returned(at_release.slow_calls)) << at_release.slow_calls.back();
    EXPECT_TRUE(at_release.next_calls.empty()) << at_release.next_calls.front();
    EXPECT_EQ(at_release.devices_delivered, 1) << "the slow module's devices arrived while it was bound";
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

    // The button's move to the module's first screen came after the binding: the device screen of
    // the new module, which enumerates its own devices.
    EXPECT_EQ(Access::page(w), 1);
    ASSERT_TRUE(zvk_test::wait_until([&] { return Access::devices(w).size() == 3; }));
    std::vector<std::string> calls = calls_of(next);
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls[0], "get_used_screens");
    EXPECT_TRUE(contains(calls, "enumerate_devices"));
}

TEST_F(BusyWorker, AWaitingChoiceIsReplacedByALaterButtonAndGivenUpByLeavingTheMainScreen) {
    GUIManager& w = leave_a_loading_device_screen();
    QSharedPointer<SecureLibrary> standard = Access::module(w, "StandardModule");
    QSharedPointer<SecureLibrary> single = Access::module(w, "SingleModule");
    clear_calls(standard);
    clear_calls(single);
    w.init_module("StandardModule");
    w.next_screen();
    w.init_module("SingleModule");
    w.next_screen();
    EXPECT_EQ(Access::module_name(w), "SlowModule");
    gate.open();
    ASSERT_TRUE(zvk_test::wait_until([&] { return Access::module_name(w) == "SingleModule"; }));
    EXPECT_TRUE(calls_of(standard).empty());
    EXPECT_EQ(calls_of(single).at(0), "get_used_screens");
    EXPECT_EQ(Access::page(w), 1);
    ASSERT_TRUE(zvk_test::wait_until([&] { return Access::devices(w).size() == 1; }));

    // Once more with the slow module, and this time the past-logs page is chosen while it waits.
    // The worker may not be idle yet after the single module's enumeration: then this choice waits
    // too, and its move to the device screen follows the binding.
    w.previous_screen();
    clear_calls(slow);
    gate.close();
    w.init_module("SlowModule");
    w.next_screen();
    ASSERT_TRUE(zvk_test::wait_until([&] { return contains(calls_of(slow), "enumerate_devices"); }));
    EXPECT_EQ(Access::module_name(w), "SlowModule");
    EXPECT_EQ(Access::page(w), 1);
    w.previous_screen();
    clear_calls(standard);
    clear_calls(slow);
    w.init_module("StandardModule");
    w.next_screen();
    w.set_log_selection_screen();
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    // Once the worker is idle, a choice that had not been given up would have been bound.
    gate.open();
    ASSERT_TRUE(zvk_test::wait_until([&] { return !Access::worker_busy(w); }));
    zvk_test::process_events_for(50);
    EXPECT_TRUE(calls_of(standard).empty());
    EXPECT_TRUE(enumeration_returned(calls_of(slow)));
    EXPECT_FALSE(any_release(calls_of(slow)));
    EXPECT_EQ(Access::module_name(w), "SlowModule");
    EXPECT_EQ(Access::page(w), 5);
}

TEST_F(BusyWorker, TheEndOfTheProgramWaitsForTheCallBeforeReleasingAndUnmapping) {
    for (bool close_button : {false, true}) {
        SCOPED_TRACE(close_button ? "close button" : "window destroyed");
        GUIManager& w = leave_a_loading_device_screen();
        ASSERT_FALSE(slow.isNull());
        void* record = slow->resolve("zvk_call_record");
        std::vector<std::string> at_release;
        watch_release(w, [&](ModuleInterface*) { at_release = calls_from(record); });
        slow.reset(); // the window holds the last references: it unmaps the module as it goes
        if (close_button) {
            // Closes the window at once, while the call is still held; the worker ends when the
            // call has returned.
            Access::close_button(w)->click();
            EXPECT_FALSE(w.isVisible());
            EXPECT_FALSE(enumeration_returned(calls_from(record)));
        }
        // The gate opens from another thread while this one is inside the window's end; the delay
        // gives an end that did not wait for the call the time to release or unmap under it.
        std::atomic<bool> opened{false};
        std::thread opener([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            opened = true;
            gate.open();
        });
        window.reset();
        EXPECT_TRUE(opened) << "the end returned before the call could";
        opener.join();
        EXPECT_EQ(release_watch.releases, 1);
        EXPECT_TRUE(enumeration_returned(at_release));
        TearDown();
        SetUp();
    }
}

} // namespace
