#include "background_job.h"

#include "zvk_windows.h"

#include <QCoreApplication>

#include <chrono>
#include <condition_variable>

namespace {

std::mutex threads_mutex;
std::condition_variable threads_ended;
int running_threads = 0;
bool waits_at_application_end = false;

// The threads of jobs given up end before Qt's own objects go, whichever way the application ends
// (the program itself waits for them once its window has gone, for a short while only).
constexpr int application_end_wait_ms = 10000;
void wait_at_application_end() {
    wait_for_background_jobs(application_end_wait_ms);
}

} // namespace

void gather_freed_memory() {
    HeapCompact(GetProcessHeap(), 0);
}

bool wait_for_background_jobs(int ms) {
    std::unique_lock<std::mutex> lock(threads_mutex);
    return threads_ended.wait_for(lock, std::chrono::milliseconds(ms), [] { return running_threads == 0; });
}

namespace background_job_detail {

void thread_started() {
    std::lock_guard<std::mutex> lock(threads_mutex);
    ++running_threads;
    if (!waits_at_application_end) {
        waits_at_application_end = true;
        qAddPostRoutine(wait_at_application_end);
    }
}

Courier::Courier(QObject* receiver, std::weak_ptr<Link> link_) : QObject(receiver), link(std::move(link_)) {}

Courier::~Courier() {
    std::shared_ptr<Link> shared = link.lock();
    if (!shared)
        return;
    {
        std::lock_guard<std::mutex> lock(shared->mutex);
        shared->courier = nullptr;
    }
    // This may have become the last reference to the job's results: they go elsewhere.
    drop_elsewhere(std::move(shared));
}

void thread_ended() {
    std::lock_guard<std::mutex> lock(threads_mutex);
    if (--running_threads == 0)
        threads_ended.notify_all();
}

} // namespace background_job_detail
