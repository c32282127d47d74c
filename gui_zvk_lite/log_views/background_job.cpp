#include "background_job.h"

#include "zvk_windows.h"

#include <QByteArray>
#include <QMetaObject>
#include <QObject>
#include <QtGlobal>

#include <algorithm>
#include <utility>

namespace {

// SLOT(name()) is "1name()": the name alone, which invokeMethod takes.
QByteArray method_name(const char* slot) {
    QByteArray name(slot ? slot : "");
    if (!name.isEmpty() && name.at(0) >= '0' && name.at(0) <= '9')
        name.remove(0, 1);
    const int open = name.indexOf('(');
    if (open >= 0)
        name.truncate(open);
    return name;
}

} // namespace

void gather_freed_memory() {
    HeapCompact(GetProcessHeap(), 0);
}

BackgroundJob::BackgroundJob(Work work_, QObject* receiver_, const char* slot)
    : work(std::move(work_)), receiver(receiver_), method(slot) {
    if (receiver) {
        // A wrong name fails only when the call is made: stop here instead.
        const QByteArray signature = QMetaObject::normalizedSignature(method_name(slot) + "()");
        if (receiver->metaObject()->indexOfMethod(signature.constData()) < 0)
            qFatal("no such slot: %s", signature.constData());
    }
    thread = std::thread(&BackgroundJob::run, this);
}

BackgroundJob::~BackgroundJob() {
    stop();
    if (thread.joinable())
        thread.join();
}

void BackgroundJob::run() {
    work(*this);
    // What the work captured goes here, on this thread, not with the job on the window's thread; a
    // job given up may have dropped a parsed log on the way.
    work = nullptr;
    if (stopped())
        gather_freed_memory();
    ended_flag.store(true);
}

void BackgroundJob::notify() {
    if (!receiver)
        return;
    // By name: Qt alone makes, carries and frees the queued call; the results cross under the
    // work's own lock.
    QMetaObject::invokeMethod(receiver, method_name(method).constData(), Qt::QueuedConnection);
}

void GivenUpJobs::add(std::unique_ptr<BackgroundJob> job) {
    jobs.erase(std::remove_if(jobs.begin(), jobs.end(), [](const auto& j) { return j->ended(); }),
               jobs.end());
    if (!job)
        return;
    job->stop();
    jobs.push_back(std::move(job));
}
