// The cross-compiled test modules, loaded from their packed files through SecureLibrary and driven
// the way the host drives a module: exports and binding on the GUI thread (this test's thread),
// enumeration and tests on one worker thread, progress and abort from the GUI thread while a test
// runs. The modules' maps and strings are read in place, device ids cross by value, and the
// interface object goes back through delete_module_interface before the module is unmapped.
#include "call_record.h"
#include "module_contract.h"
#include "secure_library.h"
#include "process_state.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <regex>
#include <sstream>
#include <system_error>
#include <thread>

using zvk_test_modules::RecordedCall;

namespace {

// The one worker thread: runs posted jobs one after another, like the host's worker.
class Worker {
public:
    Worker() : thread([this] { loop(); }) {}
    ~Worker() {
        {
            std::lock_guard<std::mutex> lock(mutex);
            stopping = true;
        }
        wake.notify_one();
        thread.join();
    }

    template <class F> auto post(F job) -> std::future<decltype(job())> {
        auto task = std::make_shared<std::packaged_task<decltype(job())()>>(job);
        {
            std::lock_guard<std::mutex> lock(mutex);
            jobs.push_back([task] { (*task)(); });
        }
        wake.notify_one();
        return task->get_future();
    }
    template <class F> auto run(F job) -> decltype(job()) { return post(job).get(); }

    unsigned long id() {
        return run([] { return zvk_test_modules::current_thread_id(); });
    }

private:
    void loop() {
        for (;;) {
            std::function<void()> job;
            {
                std::unique_lock<std::mutex> lock(mutex);
                wake.wait(lock, [this] { return stopping || !jobs.empty(); });
                if (jobs.empty())
                    return;
                job = std::move(jobs.front());
                jobs.pop_front();
            }
            job();
        }
    }

    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::function<void()>> jobs;
    bool stopping = false;
    std::thread thread;
};

std::string module_path(const std::string& stem) {
    const char* folder = std::getenv("ZVK_TEST_MODULES_DIR");
    return std::string(folder ? folder : ".") + "/diag_" + stem + ".dll";
}

// The modules keep their log in \zedra on the system drive.
std::string log_path() {
    return zvk_test::system_drive_folder() + "/zedra/zedra.log";
}

// No log on the system drive, for a test that looks at what the modules log.
void fresh_log() {
    ASSERT_NE(zvk_test::system_drive_folder(), "");
    std::error_code ignored; // a Windows drive exists already, and cannot be made
    std::filesystem::create_directories(zvk_test::system_drive_folder(), ignored);
    std::filesystem::remove(log_path());
}

std::string read_text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The modules' log, with LF line ends (they write it in text mode).
std::string read_log() {
    return zvk_test::from_text_mode(read_text(log_path()));
}

// One module file, loaded; its exports by name.
struct Module {
    SecureLibrary library;

    explicit Module(const std::string& stem) { loaded = library.load(module_path(stem)); }
    bool loaded = false;

    template <class F> F get(const char* name) { return reinterpret_cast<F>(library.resolve(name)); }

    const char* name() { return get<get_module_name_fn>("get_module_name")(); }
    int used_screens() { return get<get_used_screens_fn>("get_used_screens")(); }
    int properties(int bit) { return get<get_screen_properties_fn>("get_screen_properties")(bit); }
    ModuleInterface* bind() { return get<get_module_interface_fn>("get_module_interface")(); }
    void release(ModuleInterface* object) {
        get<delete_module_interface_fn>("delete_module_interface")(object);
    }

    std::vector<RecordedCall> calls() {
        return zvk_test_modules::parse_call_record(
            zvk_test_modules::read_call_record(library.resolve("zvk_call_record")));
    }
    void clear_calls() { zvk_test_modules::clear_call_record(library.resolve("zvk_clear_call_record")); }
};

// The calls of `calls` whose operation is not polled, as "operation argument..." texts.
std::vector<std::string> operations(const std::vector<RecordedCall>& calls) {
    std::vector<std::string> texts;
    for (const RecordedCall& call : calls) {
        if (call.operation == "get_test_progress")
            continue;
        std::string text = call.operation;
        for (const std::string& argument : call.arguments)
            text += " " + argument;
        texts.push_back(text);
    }
    return texts;
}

const std::string long_device = "DEVICE_1_WITH_AN_IDENTIFIER_LONGER_THAN_A_SHORT_STRING";

// ---- every variant, through its exports

enum class Picture { Png, Null, Garbage, NoExport };

struct VariantCase {
    const char* stem;
    bool loads;
    const char* name; // null: get_module_name returns null
    Picture picture;
    int used_screens; // -1: no get_used_screens export
    int devices_property;
    int progress_property;
    int interface_object; // 1 an object, 0 null, -1 no export
};

const VariantCase variant_cases[] = {
    {"standard", true, "StandardModule", Picture::Png, 126, 1, 1, 1},
    {"single", true, "SingleModule", Picture::Png, 126, 1, 1, 1},
    {"read_only", true, "ReadOnlyModule", Picture::Png, 126, 2, 1, 1},
    {"module_device", true, "ModuleDeviceModule", Picture::Png, 126, 1, 4, 1},
    {"no_log_screen", true, "NoLogScreenModule", Picture::Png, 4 | 8 | 16 | 64, 1, 1, 1},
    {"no_end", true, "NoEndModule", Picture::Png, 2 | 4 | 8 | 16 | 32, 1, 1, 1},
    {"progress_first", true, "ProgressFirstModule", Picture::Png, 16 | 64, 1, 1, 1},
    {"straight_run", true, "StraightRunModule", Picture::Png, 2 | 16 | 64, 1, 4, 1},
    {"slow_run_first", true, "SlowRunFirstModule", Picture::Png, 16 | 64, 1, 4, 1},
    {"log_busy_run_first", true, "LogBusyRunFirstModule", Picture::Png, 16 | 64, 1, 4, 1},
    {"no_image", true, "NoImageModule", Picture::NoExport, 126, 1, 1, 1},
    {"null_image", true, "NullImageModule", Picture::Null, 126, 1, 1, 1},
    {"bad_image", true, "BadImageModule", Picture::Garbage, 126, 1, 1, 1},
    {"null_interface", true, "NullInterfaceModule", Picture::Png, 126, 1, 1, 0},
    {"no_interface", true, "NoInterfaceModule", Picture::Png, 126, 1, 1, -1},
    {"no_used_screens", true, "NoUsedScreensModule", Picture::Png, -1, 1, 1, 1},
    {"upper_case", true, "UpperCaseModule", Picture::Png, 126, 1, 1, 1},
    {"null_name", true, nullptr, Picture::Png, 126, 1, 1, 1},
    {"other_section", true, "OtherSectionModule", Picture::Png, 126, 1, 1, 1},
#ifdef _WIN32
    {"unknown_import", true, "UnknownImportModule", Picture::Png, 126, 1, 1, 1}, // Windows has Beep
#else
    {"unknown_import", false, nullptr, Picture::Png, 0, 0, 0, 0}, // the stand-in has no Beep
#endif
};

TEST(TestModules, EachVariantAnswersItsExportsAsConfigured) {
    const unsigned char png_signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    const unsigned long gui = zvk_test_modules::current_thread_id();
    for (const VariantCase& c : variant_cases) {
        SCOPED_TRACE(c.stem);
        Module module(c.stem);
        ASSERT_EQ(module.loaded, c.loads);
        if (!c.loads)
            continue;
        // Export names match without regard to case: the upper-case module is found by these names.
        ASSERT_NE(module.library.resolve("get_module_name"), nullptr);
        ASSERT_NE(module.library.resolve("get_screen_properties"), nullptr);
        ASSERT_NE(module.library.resolve("delete_module_interface"), nullptr);
        ASSERT_EQ(module.library.resolve("get_used_screens") != nullptr, c.used_screens != -1);
        ASSERT_EQ(module.library.resolve("get_module_interface") != nullptr, c.interface_object != -1);
        ASSERT_EQ(module.library.resolve("get_module_image") != nullptr, c.picture != Picture::NoExport);

        // The entry point ran once, on this thread, before anything else.
        std::vector<RecordedCall> calls = module.calls();
        ASSERT_FALSE(calls.empty());
        EXPECT_EQ(calls[0].operation, "DllMain");
        EXPECT_EQ(calls[0].argument(), "1");
        EXPECT_EQ(calls[0].thread, gui);

        const char* name = module.name();
        if (c.name) {
            EXPECT_STREQ(name, c.name);
        } else {
            EXPECT_EQ(name, nullptr);
        }

        if (c.picture != Picture::NoExport) {
            unsigned int length = 12345;
            const unsigned char* picture = module.get<get_module_image_fn>("get_module_image")(&length);
            switch (c.picture) {
            case Picture::Png:
                ASSERT_NE(picture, nullptr);
                ASSERT_GT(length, sizeof png_signature);
                EXPECT_EQ(std::memcmp(picture, png_signature, sizeof png_signature), 0);
                break;
            case Picture::Null:
                EXPECT_EQ(picture, nullptr);
                break;
            default:
                ASSERT_NE(picture, nullptr);
                ASSERT_GT(length, sizeof png_signature);
                EXPECT_NE(std::memcmp(picture, png_signature, sizeof png_signature), 0);
            }
        }
        if (c.used_screens != -1) {
            EXPECT_EQ(module.used_screens(), c.used_screens);
        }
        EXPECT_EQ(module.properties(ScreenBit::Devices), c.devices_property);
        EXPECT_EQ(module.properties(ScreenBit::Progress), c.progress_property);
        EXPECT_EQ(module.properties(ScreenBit::Tests), ScreenProperty::Default);

        if (c.interface_object == 1) {
            ModuleInterface* object = module.bind();
            ASSERT_NE(object, nullptr);
            module.release(object);
        } else if (c.interface_object == 0) {
            EXPECT_EQ(module.bind(), nullptr);
        }
    }
}

// ---- a whole session of the well-behaved module, from both threads

TEST(TestModules, StandardSessionRunsOnTheContractsThreads) {
    fresh_log();
    Module module("standard");
    ASSERT_TRUE(module.loaded);
    Worker worker;
    const unsigned long gui = zvk_test_modules::current_thread_id();
    const unsigned long work = worker.id();
    ASSERT_NE(gui, work);

    // Binding, on the GUI thread; the test map is read in place.
    module.clear_calls();
    ASSERT_EQ(module.used_screens(), 126);
    ModuleInterface* object = module.bind();
    ASSERT_NE(object, nullptr);
    TestMap tests = *object->get_tests();
    EXPECT_EQ(tests, (TestMap{{1, "ReadTest"}, {2, "WriteTest"}, {4, "VerifyTest"}}));
    EXPECT_EQ(module.properties(ScreenBit::Devices), ScreenProperty::Default);

    // Devices, on the worker; the map is read in place here afterwards.
    DeviceMap* found = worker.run([object] {
        object->enumerate_devices();
        return object->get_devices();
    });
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(*found, (DeviceMap{{"DEVICE_0", "HardDisk 0"},
                                 {long_device, "HardDisk 1"},
                                 {"DEVICE_2", "SolidStateDisk 2"}}));

    // The run: one device with a long id and one with a short id, two of the three tests each.
    ASSERT_EQ(object->begin_run(1796811300), 0);
    object->set_abort(false);
    std::vector<std::string> result_codes;
    for (const std::string& device : {long_device, std::string("DEVICE_2")}) {
        ASSERT_EQ(object->select_device(device, 1 | 4), 0);
        object->begin_tests();
        for (int code : {1, 4}) {
            std::future<TestStatus*> status = worker.post([object, code] {
                object->run_test(code);
                return object->get_test_status();
            });
            while (status.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready) {
                int percent = object->get_test_progress();
                EXPECT_GE(percent, 0);
                EXPECT_LE(percent, 100);
            }
            TestStatus* outcome = status.get();
            ASSERT_NE(outcome, nullptr);
            EXPECT_EQ(*outcome, TestStatus::Passed);
            EXPECT_EQ(object->get_test_progress(), 100);
        }
        object->end_tests();
        result_codes.push_back(object->get_result_code());
    }
    object->end_run();
    EXPECT_EQ(result_codes, (std::vector<std::string>{"2-0-0-0-0", "2-0-0-0-0"}));
    module.release(object);

    // Every call arrived once, in order, each on the thread the contract gives it.
    std::vector<RecordedCall> calls = module.calls();
    const std::vector<std::string> worker_operations = {"enumerate_devices", "get_devices", "run_test",
                                                        "get_test_status"};
    for (const RecordedCall& call : calls) {
        bool on_worker = std::find(worker_operations.begin(), worker_operations.end(), call.operation) !=
                         worker_operations.end();
        EXPECT_EQ(call.thread, on_worker ? work : gui) << call.operation;
    }
    std::vector<std::string> expected = {"get_used_screens",
                                         "get_module_interface 1",
                                         "get_tests",
                                         "get_screen_properties 4",
                                         "enumerate_devices",
                                         "get_devices",
                                         "begin_run 1796811300",
                                         "set_abort 0"};
    for (const std::string& device : {long_device, std::string("DEVICE_2")}) {
        expected.insert(expected.end(),
                        {"select_device " + device + " 5", "begin_tests", "run_test 1", "get_test_status",
                         "run_test 4", "get_test_status", "end_tests", "get_result_code"});
    }
    expected.insert(expected.end(), {"end_run", "delete_module_interface 1"});
    EXPECT_EQ(operations(calls), expected);

    // The run went to the log under its start time, one section with both devices.
    std::string log = read_log();
    EXPECT_NE(log.find(" StandardModule 1796811300\n"), std::string::npos) << log;
    EXPECT_NE(log.find("UID: " + long_device + "\n"), std::string::npos) << log;
    EXPECT_NE(log.find("STOP TESTS 2-0-0-0-0\n"), std::string::npos) << log;
    EXPECT_NE(log.find("--- StandardModule\n"), std::string::npos) << log;
}

// ---- the log of one run, line by line

TEST(TestModules, RunIsLoggedInTheLogFormat) {
    fresh_log();
    Module module("single");
    ASSERT_TRUE(module.loaded);
    ModuleInterface* object = module.bind();
    ASSERT_NE(object, nullptr);
    object->enumerate_devices();
    ASSERT_EQ(object->begin_run(1796811300), 0);
    object->set_abort(false);
    ASSERT_EQ(object->select_device("DEVICE_0", 1), 0);
    object->begin_tests();
    object->run_test(1);
    object->end_tests();
    object->end_run();
    module.release(object);

    // Time stamps and durations vary; everything else is fixed.
    std::string log = read_log();
    log = std::regex_replace(log, std::regex("\\b[0-9]{8}T[0-9]{6}UTC\\b"), "<stamp>");
    log = std::regex_replace(log, std::regex(" [0-9]+\\.[0-9]{3}\n"), " <seconds>\n");
    EXPECT_EQ(log, "+++ <stamp> SingleModule 1796811300\n"
                   "UID: DEVICE_0\n"
                   "DISPLAYNAME: HardDisk 0\n"
                   "MODEL: TM-HD-100\n"
                   ">>> RESOURCE PARTITION\n"
                   "INDEX: 0\n"
                   "SIZE: 100 GB\n"
                   "<<< RESOURCE\n"
                   "START TESTS\n"
                   "<stamp> MESSAGE DEVICE_SELECTED 1\n"
                   "<stamp> START READ_TEST\n"
                   "<stamp> STOP READ_TEST SUCCESS <seconds>\n"
                   "STOP TESTS 1-0-0-0-0\n"
                   "--- SingleModule\n");
}

// A module logs its runs under its display name, which the log screen looks for; one variant uses
// another name, so that its runs never show there.
TEST(TestModules, RunSectionIsNamedAfterTheModule) {
    const std::pair<const char*, const char*> cases[] = {{"standard", "StandardModule"},
                                                         {"statuses", "StatusModule"},
                                                         {"other_section", "TEST_OTHER_SECTION"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        fresh_log();
        Module module(c.first);
        ASSERT_TRUE(module.loaded);
        ModuleInterface* object = module.bind();
        ASSERT_NE(object, nullptr);
        ASSERT_EQ(object->begin_run(1796811300), 0);
        object->end_run();
        module.release(object);
        std::string log = read_log();
        log = std::regex_replace(log, std::regex("\\b[0-9]{8}T[0-9]{6}UTC\\b"), "<stamp>");
        EXPECT_EQ(log, "+++ <stamp> " + std::string(c.second) + " 1796811300\n--- " + c.second + "\n");
    }
}

// ---- each status, and one outside 0 to 3

TEST(TestModules, StatusesComeBackAsConfigured) {
    fresh_log();
    Module module("statuses");
    ASSERT_TRUE(module.loaded);
    Worker worker;
    ModuleInterface* object = module.bind();
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->get_tests()->size(), 5u);
    ASSERT_EQ(object->begin_run(1796811300), 0);
    object->set_abort(false);
    ASSERT_EQ(object->select_device("DEVICE_0", 31), 0);
    object->begin_tests();
    std::vector<int> statuses;
    for (int code : {1, 2, 4, 8, 16})
        statuses.push_back(static_cast<int>(*worker.run([object, code] {
            object->run_test(code);
            return object->get_test_status();
        })));
    object->end_tests();
    EXPECT_EQ(statuses, (std::vector<int>{0, 1, 2, 3, 7}));
    EXPECT_EQ(object->get_result_code(), "1-1-1-1-1");
    object->end_run();
    module.release(object);

    std::string log = read_log();
    for (const char* line :
         {" STOP READ_TEST SUCCESS ", " ERROR ERRORS_FOUND 1\n", " STOP WRITE_TEST FAILURE ",
          " STOP VERIFY_TEST NOT_SUPPORTED ", " STOP SEEK_TEST ABORTED ", " STOP CACHE_TEST UNKNOWN "})
        EXPECT_NE(log.find(line), std::string::npos) << line << "\n" << log;
}

// ---- slow work: progress while a test runs, and an abort that the module honours

TEST(TestModules, ProgressAdvancesAndAbortEndsTheRunningTest) {
    Module module("slow");
    ASSERT_TRUE(module.loaded);
    Worker worker;
    ModuleInterface* object = module.bind();
    ASSERT_NE(object, nullptr);

    auto started = std::chrono::steady_clock::now();
    std::size_t device_count = worker.run([object] {
        object->enumerate_devices();
        return object->get_devices()->size();
    });
    EXPECT_EQ(device_count, 2u);
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(1000));

    ASSERT_EQ(object->begin_run(1796811300), 0);
    object->set_abort(false);
    ASSERT_EQ(object->select_device("DEVICE_0", 3), 0);
    object->begin_tests();
    std::future<TestStatus*> first = worker.post([object] {
        object->run_test(1);
        return object->get_test_status();
    });
    // Wait for the progress to move, then abort in the middle of the test.
    std::vector<int> seen;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (seen.empty() || seen.back() < 10) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline);
        seen.push_back(object->get_test_progress());
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_LT(seen.back(), 100);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    auto aborted = std::chrono::steady_clock::now();
    object->set_abort(true);
    ASSERT_EQ(first.wait_for(std::chrono::seconds(2)), std::future_status::ready) << "abort not honoured";
    EXPECT_LT(std::chrono::steady_clock::now() - aborted, std::chrono::milliseconds(1000));
    EXPECT_EQ(*first.get(), TestStatus::Aborted);
    EXPECT_LT(object->get_test_progress(), 100);

    // The host still asks for the remaining test: it ends at once, aborted too.
    started = std::chrono::steady_clock::now();
    TestStatus second = *worker.run([object] {
        object->run_test(2);
        return object->get_test_status();
    });
    EXPECT_EQ(second, TestStatus::Aborted);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(1000));
    object->end_tests();
    EXPECT_EQ(object->get_result_code(), "0-0-0-2-0");
    object->end_run();
    module.release(object);
}

// ---- the enumeration gate: a test holds the call inside the module for as long as it needs

TEST(TestModules, AClosedGateHoldsTheEnumerationAfterItsRecordUntilItOpens) {
    Module module("standard");
    ASSERT_TRUE(module.loaded);
    zvk_test_modules::EnumerationGate gate;
    Worker worker;
    // Opened before the worker joins, also when an assertion ends the test early.
    struct OpenAtEnd {
        zvk_test_modules::EnumerationGate& gate;
        ~OpenAtEnd() { gate.open(); }
    } open_at_end{gate};
    ModuleInterface* object = module.bind();
    ASSERT_NE(object, nullptr);
    auto enumerate = [object] {
        object->enumerate_devices();
        return object->get_devices()->size();
    };
    gate.install(module.library.resolve("zvk_hold_enumeration"));
    gate.close();
    module.clear_calls();
    std::future<std::size_t> held = worker.post(enumerate);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (operations(module.calls()).empty()) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the held call was never recorded";
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(operations(module.calls()), std::vector<std::string>{"enumerate_devices"});
    EXPECT_EQ(held.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout)
        << "returned through a closed gate";

    gate.open();
    ASSERT_EQ(held.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(held.get(), 3u);
    EXPECT_EQ(worker.run(enumerate), 3u) << "an open gate holds nothing";
    module.release(object);
}

// ---- refusals: the log busy, devices refused

struct RefusalCase {
    const char* stem;
    int begin_run;                // expected result of begin_run
    std::vector<std::string> ids; // devices selected in turn
    std::vector<int> select;      // expected results of select_device
};

TEST(TestModules, RunAndDeviceRefusals) {
    const RefusalCase cases[] = {
        {"log_busy", 1, {}, {}},
        {"standard", 0, {"DEVICE_0", long_device, "DEVICE_2"}, {0, 0, 0}},
        {"refuse_first", 0, {"DEVICE_0", long_device, "DEVICE_2"}, {1, 0, 0}},
        {"refuse_second", 0, {"DEVICE_0", long_device, "DEVICE_2"}, {0, 1, 0}},
        // The module as its own device: selected by its display name.
        {"module_device", 0, {"ModuleDeviceModule"}, {0}},
    };
    for (const RefusalCase& c : cases) {
        SCOPED_TRACE(c.stem);
        fresh_log();
        Module module(c.stem);
        ASSERT_TRUE(module.loaded);
        ModuleInterface* object = module.bind();
        ASSERT_NE(object, nullptr);
        object->enumerate_devices();
        EXPECT_EQ(object->begin_run(1796811300), c.begin_run);
        std::vector<int> results;
        for (const std::string& id : c.ids)
            results.push_back(object->select_device(id, 1));
        EXPECT_EQ(results, c.select);
        std::string log = read_log();
        if (c.begin_run != 0) {
            EXPECT_EQ(log, "") << "a refused run writes nothing";
        }
        for (std::size_t i = 0; i < c.ids.size(); ++i)
            EXPECT_EQ(log.find("UID: " + c.ids[i] + "\n") != std::string::npos, c.select[i] == 0) << c.ids[i];
        if (c.begin_run == 0)
            object->end_run();
        module.release(object);
    }
}

// ---- the interface object goes back once

TEST(TestModules, InterfaceObjectsAreHandedBackOnce) {
    Module module("standard");
    ASSERT_TRUE(module.loaded);
    ModuleInterface* first = module.bind();
    ModuleInterface* second = module.bind();
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, first);
    module.clear_calls();
    module.release(first);
    module.release(first);
    module.release(nullptr);
    module.release(second);
    EXPECT_EQ(operations(module.calls()),
              (std::vector<std::string>{"delete_module_interface 1", "delete_module_interface unknown",
                                        "delete_module_interface unknown", "delete_module_interface 2"}));
}

} // namespace
