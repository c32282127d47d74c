// The worker object: module calls on the worker thread, results queued back to the GUI thread.
#include "checked_connect.h"
#include "event_wait.h"
#include "module_thread.h"
#include "worker_idle_watch_access.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QMetaMethod>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// A module's interface object on the host side. It records every call with the thread it came
// from; run_test can take a while, moving its progress, and honours an abort as a module must.
class FakeModule : public ModuleInterface {
public:
    struct Call {
        std::string what;
        QThread* thread;
    };

    DeviceMap devices{{"disk0", "Hard Disk"}};
    std::map<int, TestStatus> statuses; // one status object per test code, as the module keeps them
    int test_steps = 0;                 // run_test takes test_steps times 100 ms
    int enumerate_ms = 0;
    std::atomic<bool> inside_call{false};
    std::atomic<int> progress{0};
    std::atomic<bool> abort_requested{false};
    std::atomic<int> running{0};
    std::atomic<int> most_running{0};

    std::vector<Call> calls() {
        std::lock_guard<std::mutex> lock(mutex);
        return recorded;
    }
    std::vector<std::string> call_names() {
        std::vector<std::string> names;
        for (const Call& c : calls())
            names.push_back(c.what);
        return names;
    }

    ZVK_MODULE_CALL int enumerate_devices() override {
        inside_call = true;
        note("enumerate_devices");
        std::this_thread::sleep_for(std::chrono::milliseconds(enumerate_ms));
        inside_call = false;
        return 0;
    }
    ZVK_MODULE_CALL DeviceMap* get_devices() override {
        note("get_devices");
        return &devices;
    }
    ZVK_MODULE_CALL int run_test(int code) override {
        inside_call = true;
        note("run_test " + std::to_string(code));
        most_running = std::max(most_running.load(), ++running);
        progress = 0;
        TestStatus outcome = TestStatus::Passed;
        for (int step = 1; step <= test_steps; ++step) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            if (abort_requested) {
                outcome = TestStatus::Aborted;
                break;
            }
            progress = step * 100 / test_steps;
        }
        {
            std::lock_guard<std::mutex> lock(mutex);
            statuses[code] = code == 2 ? TestStatus::Failed : outcome;
            last_code = code;
        }
        --running;
        inside_call = false;
        note("run_test returned");
        return 0;
    }
    ZVK_MODULE_CALL TestStatus* get_test_status() override {
        note("get_test_status");
        std::lock_guard<std::mutex> lock(mutex);
        return &statuses[last_code];
    }
    ZVK_MODULE_CALL int get_test_progress() override { return progress; }
    ZVK_MODULE_CALL int set_abort(bool value) override {
        abort_requested = value;
        return 0;
    }

    // Never called on the worker.
    ZVK_MODULE_CALL int begin_tests() override { return note("begin_tests"); }
    ZVK_MODULE_CALL int end_tests() override { return note("end_tests"); }
    ZVK_MODULE_CALL int begin_run(std::int64_t) override { return note("begin_run"); }
    ZVK_MODULE_CALL int end_run() override { return note("end_run"); }
    ZVK_MODULE_CALL int reserved_6() override { return note("reserved_6"); }
    ZVK_MODULE_CALL int select_device(std::string, int) override { return note("select_device"); }
    ZVK_MODULE_CALL int reserved_11() override { return note("reserved_11"); }
    ZVK_MODULE_CALL int reserved_12() override { return note("reserved_12"); }
    ZVK_MODULE_CALL TestMap* get_tests() override {
        note("get_tests");
        return nullptr;
    }
    ZVK_MODULE_CALL const std::string& get_result_code() override {
        note("get_result_code");
        return result;
    }
    ZVK_MODULE_CALL int reserved_17() override { return note("reserved_17"); }

private:
    int note(const std::string& what) {
        std::lock_guard<std::mutex> lock(mutex);
        recorded.push_back({what, QThread::currentThread()});
        return 0;
    }
    std::mutex mutex;
    std::vector<Call> recorded;
    int last_code = 0;
    std::string result = "R";
};

} // namespace

// Stands in for the main window: receives the worker's results in the slots the worker connects to.
class RecordingOwner : public QObject {
    Q_OBJECT
public:
    struct Result {
        std::string what;
        int code;
        const void* pointer;
        TestStatus status;
        QThread* thread;
    };
    std::vector<Result> results;

public slots:
    void update_devices(std::map<std::string, std::string>* dev_list) {
        results.push_back({"devices_updated", 0, dev_list, TestStatus::Passed, QThread::currentThread()});
    }
    void update_test_status(int code, TestStatus* status) {
        results.push_back({"test_finished", code, status, *status, QThread::currentThread()});
    }
};

// Stands in for the main window as the sender of the two requests. ping is answered by pong from the
// worker thread once the worker has got through everything queued before it.
class Requester : public QObject {
    Q_OBJECT
signals:
    void run_update_devices();
    void run_test(int test_code);
    void ping();
    void pong();
};

namespace {

class Worker : public ::testing::Test {
protected:
    void SetUp() override {
        thread.start(QThread::InheritPriority);
        worker = new ModuleThread(&owner);
        worker->moveToThread(&thread);
        checked_connect(&requester, SIGNAL(run_update_devices()), worker, SLOT(update_devices()));
        checked_connect(&requester, SIGNAL(run_test(int)), worker, SLOT(run_test(int)));
        QObject::connect(&requester, &Requester::ping, worker, [this] { emit requester.pong(); });
        QObject::connect(&requester, &Requester::pong, &requester, [this] { ++pongs; });
    }
    void TearDown() override {
        thread.quit();
        thread.wait();
        // The program never deletes the worker object; here the thread has ended, so it can go.
        delete worker;
    }
    // Every request queued so far has run on the worker and every result it sent has arrived.
    void settle() {
        int expected = pongs + 1;
        emit requester.ping();
        ASSERT_TRUE(zvk_test::wait_until([&] { return pongs == expected; }));
    }
    bool results_arrived(size_t count) {
        return zvk_test::wait_until([&] { return owner.results.size() >= count; });
    }

    QThread thread;
    RecordingOwner owner;
    Requester requester;
    ModuleThread* worker = nullptr;
    FakeModule module;
    int pongs = 0;
};

TEST_F(Worker, MetaObjectHoldsTheTwoSignalsThenTheTwoSlots) {
    const QMetaObject* meta = worker->metaObject();
    struct Method {
        QMetaMethod::MethodType type;
        const char* signature;
    } methods[] = {
        {QMetaMethod::Signal, "devices_updated(std::map<std::string,std::string>*)"},
        {QMetaMethod::Signal, "test_finished(int,TestStatus*)"},
        {QMetaMethod::Slot, "update_devices()"},
        {QMetaMethod::Slot, "run_test(int)"},
    };
    ASSERT_EQ(meta->methodCount() - meta->methodOffset(), 4);
    for (int i = 0; i < 4; ++i) {
        QMetaMethod m = meta->method(meta->methodOffset() + i);
        EXPECT_EQ(m.methodType(), methods[i].type) << i;
        EXPECT_EQ(m.methodSignature().toStdString(), methods[i].signature) << i;
    }
}

TEST_F(Worker, DoesNothingWithoutAnInterfaceObject) {
    emit requester.run_update_devices();
    emit requester.run_test(4);
    settle();
    EXPECT_TRUE(owner.results.empty());
    EXPECT_TRUE(module.calls().empty());

    // Bound later, the same requests reach the module.
    worker->set_interface(&module);
    emit requester.run_update_devices();
    ASSERT_TRUE(results_arrived(1));
    EXPECT_EQ(owner.results[0].pointer, &module.devices);
}

TEST_F(Worker, RequestsRunOnTheWorkerAndResultsArriveOnTheGuiThread) {
    worker->set_interface(&module);
    QThread* gui = QThread::currentThread();
    ASSERT_NE(gui, &thread);

    emit requester.run_update_devices();
    emit requester.run_test(2);
    ASSERT_TRUE(results_arrived(2));

    const std::vector<std::string> expected{"enumerate_devices", "get_devices", "run_test 2",
                                            "run_test returned", "get_test_status"};
    EXPECT_EQ(module.call_names(), expected);
    for (const FakeModule::Call& c : module.calls())
        EXPECT_EQ(c.thread, &thread) << c.what;

    ASSERT_EQ(owner.results.size(), 2u);
    EXPECT_EQ(owner.results[0].what, "devices_updated");
    EXPECT_EQ(owner.results[0].pointer, &module.devices); // the module's own map, not a copy
    EXPECT_EQ(owner.results[1].what, "test_finished");
    EXPECT_EQ(owner.results[1].code, 2);
    EXPECT_EQ(owner.results[1].status, TestStatus::Failed);
    for (const RecordingOwner::Result& r : owner.results)
        EXPECT_EQ(r.thread, gui) << r.what;
}

TEST_F(Worker, TestsQueuedBackToBackRunInRequestOrder) {
    worker->set_interface(&module);
    module.test_steps = 2;
    emit requester.run_test(1);
    emit requester.run_test(2);
    emit requester.run_test(4);
    ASSERT_TRUE(results_arrived(3));
    settle();

    const std::vector<std::string> expected{"run_test 1", "run_test returned", "get_test_status",
                                            "run_test 2", "run_test returned", "get_test_status",
                                            "run_test 4", "run_test returned", "get_test_status"};
    EXPECT_EQ(module.call_names(), expected);
    EXPECT_EQ(module.most_running, 1);
    ASSERT_EQ(owner.results.size(), 3u);
    const int codes[] = {1, 2, 4};
    const TestStatus statuses[] = {TestStatus::Passed, TestStatus::Failed, TestStatus::Passed};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(owner.results[i].code, codes[i]);
        EXPECT_EQ(owner.results[i].pointer, &module.statuses[codes[i]]);
        EXPECT_EQ(owner.results[i].status, statuses[i]);
    }
}

TEST_F(Worker, GuiThreadKeepsRunningAndPollingDuringALongTest) {
    worker->set_interface(&module);
    module.test_steps = 20; // two seconds
    std::vector<int> polled;
    int ticks_before_result = 0;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (owner.results.empty()) {
            ++ticks_before_result;
            polled.push_back(module.get_test_progress());
        }
    });
    poll.start(100);
    emit requester.run_test(8);
    ASSERT_TRUE(results_arrived(1));
    poll.stop();

    EXPECT_GE(ticks_before_result, 12);
    int distinct_between = 0;
    for (size_t i = 0; i < polled.size(); ++i) {
        if (i > 0) {
            EXPECT_GE(polled[i], polled[i - 1]);
        }
        if (polled[i] > 0 && polled[i] < 100 && (i == 0 || polled[i] != polled[i - 1]))
            ++distinct_between;
    }
    EXPECT_GE(distinct_between, 5) << "the progress seen while the test ran";
    EXPECT_EQ(owner.results[0].status, TestStatus::Passed);
}

TEST_F(Worker, AnAbortedTestStillReportsItsStatus) {
    worker->set_interface(&module);
    module.test_steps = 50;
    emit requester.run_test(16);
    ASSERT_TRUE(zvk_test::wait_until([&] { return module.get_test_progress() > 0; }));
    module.set_abort(true);
    ASSERT_TRUE(results_arrived(1));
    EXPECT_EQ(owner.results[0].code, 16);
    EXPECT_EQ(owner.results[0].status, TestStatus::Aborted);
    const std::vector<std::string> expected{"run_test 16", "run_test returned", "get_test_status"};
    EXPECT_EQ(module.call_names(), expected);
}

// The watch that lets the main window wait for the worker before it releases a module.
class IdleWatch : public Worker {
protected:
    void SetUp() override {
        Worker::SetUp();
        watch.reset(new WorkerIdleWatch(worker));
        worker->set_interface(&module);
    }
    void TearDown() override {
        Worker::TearDown();
        watch.reset();
    }
    void request_devices() {
        emit requester.run_update_devices();
        watch->request_sent();
    }
    void request_test(int code) {
        emit requester.run_test(code);
        watch->request_sent();
    }
    // What the worker and its results look like when an action runs.
    struct Seen {
        bool inside_call;
        size_t results;
    };
    std::function<void()> recording(std::vector<Seen>& seen) {
        return [this, &seen] { seen.push_back({module.inside_call, owner.results.size()}); };
    }
    std::unique_ptr<WorkerIdleWatch> watch;
};

TEST_F(IdleWatch, RunsAtOnceWhenNothingWasSent) {
    std::vector<Seen> seen;
    watch->when_idle(recording(seen));
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_FALSE(WorkerIdleWatchTestAccess::waiting(*watch));
}

TEST_F(IdleWatch, WaitsForTheCallsAndResultsOfEveryRequestSent) {
    struct Case {
        const char* name;
        std::vector<int> requests; // 0 asks for the devices, else for that test
        size_t results;
    } cases[] = {
        {"slow enumeration", {0}, 1},
        {"enumeration then two tests", {0, 1, 2}, 3},
        {"a test", {4}, 1},
    };
    module.enumerate_ms = 600;
    module.test_steps = 2;
    for (const Case& c : cases) {
        owner.results.clear();
        std::vector<Seen> seen;
        for (int r : c.requests)
            r == 0 ? request_devices() : request_test(r);
        ASSERT_TRUE(zvk_test::wait_until([&] { return module.inside_call.load(); })) << c.name;
        EXPECT_TRUE(watch->busy()) << c.name;
        watch->when_idle(recording(seen));
        EXPECT_TRUE(seen.empty()) << c.name;
        ASSERT_TRUE(zvk_test::wait_until([&] { return !seen.empty(); })) << c.name;
        zvk_test::process_events_for(50);
        ASSERT_EQ(seen.size(), 1u) << c.name;
        EXPECT_FALSE(seen[0].inside_call) << c.name;
        EXPECT_EQ(seen[0].results, c.results) << c.name;
        EXPECT_FALSE(watch->busy()) << c.name;
    }
}

TEST_F(IdleWatch, ALaterActionReplacesAWaitingOneAndCancelDropsIt) {
    module.enumerate_ms = 300;
    std::vector<Seen> first, second, third;
    request_devices();
    watch->when_idle(recording(first));
    watch->when_idle(recording(second));
    ASSERT_TRUE(zvk_test::wait_until([&] { return !watch->busy(); }));
    EXPECT_TRUE(first.empty());
    EXPECT_EQ(second.size(), 1u);

    request_devices();
    watch->when_idle(recording(third));
    EXPECT_TRUE(WorkerIdleWatchTestAccess::waiting(*watch));
    watch->cancel();
    EXPECT_FALSE(WorkerIdleWatchTestAccess::waiting(*watch));
    ASSERT_TRUE(zvk_test::wait_until([&] { return !watch->busy(); }));
    EXPECT_TRUE(third.empty());
}

} // namespace

#include "module_worker_test.moc"
