#pragma once
// Work on a thread of its own while the window goes on answering: reading and indexing a large log
// takes seconds. The window's thread gives a job up at once: it raises the job's stop flag, which the
// work looks at between small steps, and hands the job to GivenUpJobs, which waits for nothing.
#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

class QObject;

// For a thread that has just dropped a parsed log: the allocator gathers the millions of blocks freed
// now, on this thread. Left to itself it does so at the next large request in that part of the heap,
// made by whichever thread, and keeps that part locked meanwhile: the window's thread, freeing a string
// that a worker made, would stop there for a tenth of a second.
void gather_freed_memory();

class BackgroundJob {
public:
    using Work = std::function<void(BackgroundJob& job)>;

    // Starts `work` on a new thread. `slot` (as SLOT() gives it, no arguments) of `receiver` is what
    // notify() calls; the receiver must outlive the job.
    BackgroundJob(Work work, QObject* receiver = nullptr, const char* slot = nullptr);
    // Stops the work and waits for its thread. A job that was stopped gathers what its work freed
    // (gather_freed_memory) before it ends.
    ~BackgroundJob();
    BackgroundJob(const BackgroundJob&) = delete;
    BackgroundJob& operator=(const BackgroundJob&) = delete;

    void stop() { stop_flag.store(true); }
    const std::atomic<bool>& stop_requested() const { return stop_flag; }
    bool stopped() const { return stop_flag.load(); }
    // The work has returned (and dropped everything it held).
    bool ended() const { return ended_flag.load(); }

    // For the work: has the receiver's slot called on the receiver's thread, queued.
    void notify();

private:
    void run();

    Work work;
    QObject* const receiver;
    const char* const method; // the slot's name, without its arguments
    std::atomic<bool> stop_flag{false};
    std::atomic<bool> ended_flag{false};
    std::thread thread; // last: it starts once everything above is set
};

// Jobs that were given up and may still be running: each is stopped and kept until its thread has
// ended, so that giving a job up never waits for it.
class GivenUpJobs {
public:
    GivenUpJobs() = default;
    // Waits for the jobs still running.
    ~GivenUpJobs() = default;

    void add(std::unique_ptr<BackgroundJob> job);
    // Drops the last reference that the window's thread holds to `object` on a thread of its own: the
    // end of a parsed log frees millions of small blocks, which would stop the window for a moment.
    template <class T> void dispose(std::shared_ptr<T> object) {
        // Moved, never copied: no copy may stay behind here and be the last one.
        if (object)
            add(std::make_unique<BackgroundJob>(
                [held = std::move(object)](BackgroundJob&) mutable { held.reset(); }));
    }

private:
    std::vector<std::unique_ptr<BackgroundJob>> jobs;
};
