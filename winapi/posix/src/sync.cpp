// Waits and events.
#include "waitable.h"

#include "win_error.h"
#include "win_sync.h"

#include <cerrno>
#include <ctime>

namespace zvk_winapi {

Waitable::Waitable() {
    pthread_mutex_init(&mutex, nullptr);
    pthread_condattr_t attributes;
    pthread_condattr_init(&attributes);
    pthread_condattr_setclock(&attributes, CLOCK_MONOTONIC); // a clock change must not stretch a time-out
    pthread_cond_init(&condition, &attributes);
    pthread_condattr_destroy(&attributes);
}

Waitable::~Waitable() {
    pthread_cond_destroy(&condition);
    pthread_mutex_destroy(&mutex);
}

DWORD Waitable::wait(DWORD milliseconds) {
    // A thread terminated before it got here ends here, before it holds anything.
    pthread_testcancel();
    timespec deadline{};
    if (milliseconds != INFINITE) {
        clock_gettime(CLOCK_MONOTONIC, &deadline);
        deadline.tv_sec += static_cast<time_t>(milliseconds / 1000);
        deadline.tv_nsec += static_cast<long>(milliseconds % 1000) * 1000000L;
        if (deadline.tv_nsec >= 1000000000L) {
            deadline.tv_sec += 1;
            deadline.tv_nsec -= 1000000000L;
        }
    }
    Lock lock(*this);
    while (!take_signal()) {
        if (milliseconds == INFINITE) {
            pthread_cond_wait(&condition, &mutex);
        } else if (milliseconds == 0 || pthread_cond_timedwait(&condition, &mutex, &deadline) == ETIMEDOUT) {
            return take_signal() ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
        }
    }
    return WAIT_OBJECT_0;
}

namespace {

class Event final : public Waitable {
public:
    Event(bool manual_reset, bool signalled) : manual_reset(manual_reset), signalled(signalled) {}

    void set(bool state) {
        Lock lock(*this);
        signalled = state;
        if (state)
            changed();
    }

private:
    bool take_signal() override {
        if (!signalled)
            return false;
        if (!manual_reset)
            signalled = false;
        return true;
    }

    const bool manual_reset;
    bool signalled;
};

BOOL set_state(HANDLE handle, bool state) {
    Event* event = object_of<Event>(handle);
    if (!event) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    event->set(state);
    return TRUE;
}

} // namespace
} // namespace zvk_winapi

HANDLE CreateEventA(LPSECURITY_ATTRIBUTES, BOOL manual_reset, BOOL initial_state, LPCSTR name) {
    if (name && *name) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    HANDLE event = zvk_winapi::publish(new zvk_winapi::Event(manual_reset != FALSE, initial_state != FALSE));
    SetLastError(ERROR_SUCCESS); // the name did not exist before
    return event;
}

BOOL SetEvent(HANDLE event) {
    return zvk_winapi::set_state(event, true);
}
BOOL ResetEvent(HANDLE event) {
    return zvk_winapi::set_state(event, false);
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    auto* object = zvk_winapi::object_of<zvk_winapi::Waitable>(handle);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    return object->wait(milliseconds);
}
