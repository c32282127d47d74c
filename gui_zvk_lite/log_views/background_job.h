#pragma once
// Work on a thread of its own while the window goes on answering: reading and indexing a large log
// takes seconds. A job hands each of its results, typed, to a member function of its receiver, on the
// receiver's thread. Giving a job up (or destroying it) raises its stop flag, which the work looks at
// between small steps, and forgets it at once: nothing of it arrives any more, nothing of it is waited
// for, and nothing it made is freed on the thread that gave it up.
//
// Each job has a thread of its own, not one of a pool: a job given up may go on for a moment (it frees
// what it held, a parsed log of gigabytes among them), and it must not hold back the next one. The
// results cross under the job's own lock, which ThreadSanitizer sees; it sees none of the locks inside
// the distribution's Qt (QFuture's result store among them).
#include <QObject>
#include <QPointer>

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

// For a thread that has just dropped a parsed log: the allocator gathers the millions of blocks freed
// now, on this thread. Left to itself it does so at the next large request in that part of the heap,
// made by whichever thread, and keeps that part locked meanwhile: the window's thread, freeing a string
// that a worker made, would stop there for a tenth of a second.
void gather_freed_memory();

// For the end of the program, once the window has gone and its views have given their jobs up: waits
// at most `ms` for the jobs' threads still ending. False when some still run.
bool wait_for_background_jobs(int ms);

namespace background_job_detail {

// Every job's thread is counted, for wait_for_background_jobs.
void thread_started();
void thread_ended();

// Runs `task` on a thread of its own, which ends without being waited for. What the task holds goes
// with it, on that thread.
template <class Task> void run_on_own_thread(Task task) {
    thread_started();
    std::thread([task = std::move(task)]() mutable {
        {
            Task own = std::move(task);
            own();
        }
        thread_ended();
    }).detach();
}

} // namespace background_job_detail

// Drops `object` (the last reference that this thread holds to a parsed log, say) on a thread of its
// own and gathers what that freed there: the end of a parsed log frees millions of small blocks, which
// would stop the window for a moment.
template <class T> void drop_elsewhere(T object) {
    background_job_detail::run_on_own_thread([held = std::move(object)]() mutable {
        {
            T dropped = std::move(held); // moved, never copied: no copy may stay behind and be the last
        }
        gather_freed_memory();
    });
}

namespace background_job_detail {

class Courier;

// What a job's thread and the courier share: the courier to tell, null once the job was given up or
// the courier went with its receiver.
struct Link {
    std::mutex mutex;
    Courier* courier = nullptr;
};

// Lives on the receiver's thread, as its child; a job's thread emits its signal, queued, to say that a
// result waits.
class Courier : public QObject {
    Q_OBJECT
public:
    Courier(QObject* receiver, std::weak_ptr<Link> link);
    // A courier that goes with its receiver, before the job: no result is queued to it any more.
    ~Courier() override;
    // The job was given up: the courier goes without a word to it.
    void forget() {
        current = false;
        link.reset();
    }
    bool current = true; // read and written on this object's thread only

signals:
    void arrived();

private:
    std::weak_ptr<Link> link;
};

} // namespace background_job_detail

template <class Result> class BackgroundJob {
    struct Channel : background_job_detail::Link {
        std::atomic<bool> stop{false};
        std::deque<Result> results; // not taken yet
    };

public:
    // What the work is handed.
    class Output {
    public:
        explicit Output(std::shared_ptr<Channel> channel_) : channel(std::move(channel_)) {}
        const std::atomic<bool>& stop_flag() const { return channel->stop; }
        bool stopped() const { return channel->stop.load(); }
        // Queues `result` for the receiver; once the job is given up, drops it here instead.
        void deliver(Result result) {
            std::unique_lock<std::mutex> lock(channel->mutex);
            if (!channel->courier) {
                lock.unlock();
                return; // `result` goes here, on this thread
            }
            channel->results.push_back(std::move(result));
            // Under the lock: the receiver's thread cannot take the courier away meanwhile.
            emit channel->courier->arrived();
        }

    private:
        std::shared_ptr<Channel> channel;
    };

    // Starts `work(Output&)` on a thread of its own. Each result it delivers reaches
    // `(receiver->*on_result)(result)` on the receiver's thread, in order, as long as this job lives
    // and has not been given up.
    template <class Work, class Receiver>
    BackgroundJob(Work work, Receiver* receiver, void (Receiver::*on_result)(Result))
        : channel(std::make_shared<Channel>()),
          courier(new background_job_detail::Courier(receiver, std::weak_ptr<Channel>(channel))) {
        channel->courier = courier;
        // The courier lives no longer than the receiver (its parent), and a call queued to it goes with
        // it: no result reaches a receiver that is gone.
        background_job_detail::Courier* const c = courier;
        Channel* const ch = channel.get(); // held by this job while `c->current`
        QObject::connect(
            courier, &background_job_detail::Courier::arrived, courier,
            [c, ch, receiver, on_result] {
                if (!c->current)
                    return; // given up after this call was queued
                Result result;
                {
                    std::lock_guard<std::mutex> lock(ch->mutex);
                    if (ch->results.empty())
                        return;
                    result = std::move(ch->results.front());
                    ch->results.pop_front();
                }
                (receiver->*on_result)(std::move(result));
            },
            Qt::QueuedConnection);
        background_job_detail::run_on_own_thread(
            [work = std::move(work), output = Output(channel)]() mutable {
                {
                    Work own = std::move(work); // what it holds goes before the gathering
                    own(output);
                }
                // A job stopped part-way has dropped what it had read: gather it now, on this thread.
                if (output.stopped())
                    gather_freed_memory();
            });
    }

    ~BackgroundJob() { give_up(); }
    BackgroundJob(const BackgroundJob&) = delete;
    BackgroundJob& operator=(const BackgroundJob&) = delete;

    // Stops the work and forgets it; also from inside its own on_result, and after the receiver went.
    void give_up() {
        if (!channel)
            return;
        std::deque<Result> left;
        {
            std::lock_guard<std::mutex> lock(channel->mutex);
            channel->courier = nullptr;
            left = std::move(channel->results);
        }
        channel->stop.store(true);
        if (courier) {
            courier->forget();
            // It may be calling on_result right now; its queued calls go with it.
            courier->deleteLater();
        }
        // Results not taken may hold much (a search's runs): they are freed elsewhere.
        if (!left.empty())
            drop_elsewhere(std::move(left));
        channel.reset();
    }

private:
    std::shared_ptr<Channel> channel;                 // null once given up
    QPointer<background_job_detail::Courier> courier; // a child of the receiver
};
