#include "worker_idle_watch.h"

WorkerIdleWatch::WorkerIdleWatch(QObject* worker) : QObject(nullptr), outstanding(0) {
    // The echo runs in the worker's thread, after whatever was queued there before the marker.
    connect(this, &WorkerIdleWatch::marker, worker, [this] { emit marker_back(); });
    connect(this, &WorkerIdleWatch::marker_back, this, &WorkerIdleWatch::marker_returned);
}

void WorkerIdleWatch::request_sent() {
    ++outstanding;
    emit marker();
}

bool WorkerIdleWatch::busy() const {
    return outstanding > 0;
}

void WorkerIdleWatch::when_idle(std::function<void()> next) {
    if (!busy()) {
        action = nullptr;
        next();
        return;
    }
    action = std::move(next);
}

void WorkerIdleWatch::cancel() {
    action = nullptr;
}

void WorkerIdleWatch::marker_returned() {
    if (--outstanding > 0 || !action)
        return;
    std::function<void()> run = std::move(action);
    action = nullptr;
    run();
}
