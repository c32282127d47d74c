#pragma once
// Tells the GUI thread whether the worker may still be busy with requests sent to it, and runs an
// action once it is not. Each request is followed into the worker's queue by a marker that the worker
// sends straight back; the queue runs in order, so when the last marker is back the worker has returned
// from every module call it was asked for, and every result it sent before has been delivered.
#include <QObject>

#include <functional>

class WorkerIdleWatch : public QObject {
    Q_OBJECT
public:
    // worker: the object whose thread runs the requests. The watch lives in the calling thread and must
    // not be destroyed while that thread still runs.
    explicit WorkerIdleWatch(QObject* worker);

    // To be called right after each request sent to the worker.
    void request_sent();
    bool busy() const;
    // Runs action at once when the worker is idle, else as soon as it is; a later call replaces an
    // action that still waits.
    void when_idle(std::function<void()> action);
    // Drops an action that still waits.
    void cancel();

signals:
    void marker();
    void marker_back();

private:
    friend class WorkerIdleWatchTestAccess;
    void marker_returned();

    int outstanding;
    std::function<void()> action;
};
