// The log views' work on threads of its own: each result reaches its receiver typed, in order, on the
// receiver's thread; giving a job up waits for nothing and nothing of it arrives afterwards; what it
// made is never freed on the thread that gave it up; a receiver that goes first gets nothing; jobs
// given up that still run do not hold back the next; the end of the program waits for them only as
// long as it is told to.
#include "background_job.h"
#include "event_wait.h"

#include <gtest/gtest.h>

#include <QObject>
#include <QThread>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// Holds the work until the test opens it.
class Gate {
public:
    void open() {
        std::lock_guard<std::mutex> lock(mutex);
        opened = true;
        changed.notify_all();
    }
    void pass() {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [this] { return opened; });
    }

private:
    std::mutex mutex;
    std::condition_variable changed;
    bool opened = false;
};

// Says on which thread it went.
struct Probe {
    explicit Probe(std::atomic<std::thread::id>* gone_on_) : gone_on(gone_on_) {}
    ~Probe() { gone_on->store(std::this_thread::get_id()); }
    std::atomic<std::thread::id>* gone_on;
};
using ProbeRef = std::shared_ptr<Probe>;

class Receiver : public QObject {
public:
    void got_number(int value) {
        numbers.push_back(value);
        on_window_thread = on_window_thread && QThread::currentThread() == thread();
    }
    void got_probe(ProbeRef) { ++probes; }

    std::vector<int> numbers;
    bool on_window_thread = true;
    int probes = 0;
};

using NumberJob = BackgroundJob<int>;
using ProbeJob = BackgroundJob<ProbeRef>;

bool all_jobs_ended() {
    return wait_for_background_jobs(30000);
}

TEST(BackgroundJob, ResultsArriveTypedInOrderOnTheReceiversThread) {
    Receiver receiver;
    NumberJob job(
        [](NumberJob::Output& out) {
            for (int i = 0; i < 100; ++i)
                out.deliver(i);
        },
        &receiver, &Receiver::got_number);
    ASSERT_TRUE(zvk_test::wait_until([&] { return receiver.numbers.size() == 100; }));
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(receiver.numbers[std::size_t(i)], i);
    EXPECT_TRUE(receiver.on_window_thread);
    EXPECT_TRUE(all_jobs_ended());
}

TEST(BackgroundJob, GivingUpWaitsForNothingAndNothingArrivesAfterwards) {
    Receiver receiver;
    auto gate = std::make_shared<Gate>();
    std::atomic<bool> saw_stop{false};
    std::atomic<bool> returned{false};
    std::atomic<std::thread::id> late_probe_gone{};
    auto job = std::make_unique<ProbeJob>(
        [&, gate](ProbeJob::Output& out) {
            out.deliver(nullptr);
            gate->pass();
            saw_stop = out.stopped();
            out.deliver(std::make_shared<Probe>(&late_probe_gone)); // after the job was given up
            returned = true;
        },
        &receiver, &Receiver::got_probe);
    ASSERT_TRUE(zvk_test::wait_until([&] { return receiver.probes == 1; }));
    job.reset(); // gives up while the work is held at the gate
    EXPECT_FALSE(returned);
    gate->open();
    ASSERT_TRUE(all_jobs_ended());
    EXPECT_TRUE(returned);
    EXPECT_TRUE(saw_stop) << "the work sees its stop flag";
    EXPECT_NE(late_probe_gone.load(), std::this_thread::get_id()) << "a late result goes with the work";
    zvk_test::process_events_for(100);
    EXPECT_EQ(receiver.probes, 1);
}

// A result delivered but not taken yet when the job is given up (its call is queued): it never
// arrives, and it is freed on another thread.
TEST(BackgroundJob, ResultNotTakenWhenGivenUpIsFreedElsewhere) {
    Receiver receiver;
    std::atomic<std::thread::id> gone_on{};
    auto job = std::make_unique<ProbeJob>(
        [&](ProbeJob::Output& out) { out.deliver(std::make_shared<Probe>(&gone_on)); }, &receiver,
        &Receiver::got_probe);
    ASSERT_TRUE(all_jobs_ended()); // its result waits, its thread has ended
    job->give_up();
    ASSERT_TRUE(all_jobs_ended());
    EXPECT_NE(gone_on.load(), std::thread::id());
    EXPECT_NE(gone_on.load(), std::this_thread::get_id());
    zvk_test::process_events_for(100);
    EXPECT_EQ(receiver.probes, 0);
    job.reset(); // once more: nothing happens
}

// The receiver goes first, while the work still runs and with a result queued to it: nothing reaches
// it, and the job can still be given up afterwards.
TEST(BackgroundJob, ReceiverThatGoesFirstGetsNothing) {
    auto receiver = std::make_unique<Receiver>();
    auto gate = std::make_shared<Gate>();
    std::atomic<std::thread::id> queued_gone{};
    std::atomic<std::thread::id> late_gone{};
    std::atomic<bool> delivered{false};
    auto job = std::make_unique<ProbeJob>(
        [&, gate](ProbeJob::Output& out) {
            out.deliver(std::make_shared<Probe>(&queued_gone));
            delivered = true;
            gate->pass();
            out.deliver(std::make_shared<Probe>(&late_gone));
        },
        receiver.get(), &Receiver::got_probe);
    // Without running the event loop: the result's call stays queued.
    while (!delivered)
        std::this_thread::yield();
    receiver.reset();
    gate->open();
    ASSERT_TRUE(all_jobs_ended());
    zvk_test::process_events_for(100);
    job.reset();
    ASSERT_TRUE(all_jobs_ended());
    EXPECT_NE(queued_gone.load(), std::thread::id());
    EXPECT_NE(queued_gone.load(), std::this_thread::get_id()) << "freed elsewhere";
    EXPECT_NE(late_gone.load(), std::thread::id());
    EXPECT_NE(late_gone.load(), std::this_thread::get_id());
}

// Jobs given up that are still running (a read ending, a parsed log being freed) leave the next job
// its own thread: more of them than the machine has cores do not hold it back.
TEST(BackgroundJob, JobsGivenUpThatStillRunDoNotHoldBackTheNext) {
    Receiver receiver;
    auto gate = std::make_shared<Gate>();
    std::atomic<int> held{0};
    const int count = 2 * QThread::idealThreadCount() + 2;
    for (int i = 0; i < count; ++i) {
        NumberJob given_up(
            [&held, gate](NumberJob::Output&) {
                ++held;
                gate->pass();
                --held;
            },
            &receiver, &Receiver::got_number);
    }
    ASSERT_TRUE(zvk_test::wait_until([&] { return held == count; }));
    NumberJob next([](NumberJob::Output& out) { out.deliver(7); }, &receiver, &Receiver::got_number);
    EXPECT_TRUE(zvk_test::wait_until([&] { return !receiver.numbers.empty(); }));
    EXPECT_EQ(held, count) << "the others were still running";
    gate->open();
    EXPECT_TRUE(all_jobs_ended());
    EXPECT_EQ(receiver.numbers, std::vector<int>{7});
}

TEST(BackgroundJob, EndOfProgramWaitsOnlyAsLongAsItIsTold) {
    Receiver receiver;
    auto gate = std::make_shared<Gate>();
    {
        NumberJob job([gate](NumberJob::Output&) { gate->pass(); }, &receiver, &Receiver::got_number);
    }
    EXPECT_FALSE(wait_for_background_jobs(50));
    gate->open();
    EXPECT_TRUE(all_jobs_ended());
    EXPECT_TRUE(wait_for_background_jobs(0));
}

} // namespace
