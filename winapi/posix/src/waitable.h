#pragma once
// Kernel objects that WaitForSingleObject can wait on: events and threads. Each keeps its state under
// its own lock and wakes its waiters when that state changes. Built on pthreads directly: a wait must be
// a cancellation point that unwinds cleanly (TerminateThread), and time-outs run on the monotonic clock.
#include "kernel_object.h"

#include <pthread.h>

namespace zvk_winapi {

class Waitable : public KernelObject {
public:
    // WAIT_OBJECT_0 once the object is signalled (taking the signal where the kind consumes it), or
    // WAIT_TIMEOUT.
    DWORD wait(DWORD milliseconds);

protected:
    Waitable();
    ~Waitable() override;

    // With the lock held: whether the object is signalled; consumes the signal where the kind does.
    virtual bool take_signal() = 0;

    // Holds the object's lock for a scope; unlocks also while a cancelled thread unwinds.
    class Lock {
    public:
        explicit Lock(Waitable& w) : w(w) { pthread_mutex_lock(&w.mutex); }
        ~Lock() { pthread_mutex_unlock(&w.mutex); }
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;

    private:
        Waitable& w;
    };
    // With the lock held: the state changed, waiters look again.
    void changed() { pthread_cond_broadcast(&condition); }
    // With the lock held: sleeps until the next changed().
    void await_change() { pthread_cond_wait(&condition, &mutex); }

private:
    pthread_mutex_t mutex;
    pthread_cond_t condition;
};

} // namespace zvk_winapi
