#pragma once
// The tests' view into the worker idle watch (WorkerIdleWatch names this class its friend).
#include "worker_idle_watch.h"

class WorkerIdleWatchTestAccess {
public:
    // Whether an action waits for the worker to become idle.
    static bool waiting(const WorkerIdleWatch& watch) { return bool(watch.action); }
};
