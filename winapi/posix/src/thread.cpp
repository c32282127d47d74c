// Threads. Each runs detached and holds a reference to its object, so the handle can be closed while it
// runs; the object records the end for waiters. TerminateThread cancels the pthread: deferred
// cancellation ends it at its next cancellation point and unwinds its stack, the nearest safe thing to
// Windows' immediate stop.
#include "waitable.h"

#include "win_error.h"
#include "win_handle.h"
#include "win_sync.h"
#include "win_thread.h"

#include <cerrno>

#include <sched.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace zvk_winapi {
namespace {

class Thread final : public Waitable {
public:
    Thread(LPTHREAD_START_ROUTINE start, LPVOID parameter) : start(start), parameter(parameter) {}

    static void* run(void* self) {
        auto* thread = static_cast<Thread*>(self);
        {
            Lock lock(*thread);
            thread->id = static_cast<DWORD>(syscall(SYS_gettid));
            thread->changed();
        }
        // Runs when the routine returns and while a terminated thread unwinds.
        struct Ending {
            Thread* thread;
            DWORD code = 0;
            bool returned = false;
            ~Ending() {
                int ignored;
                pthread_setcancelstate(PTHREAD_CANCEL_DISABLE, &ignored);
                thread->end(returned, code);
                thread->release();
            }
        } ending{thread};
        ending.code = thread->start(thread->parameter);
        ending.returned = true;
        return nullptr;
    }

    // The creator waits for the identifier, so the thread is running when CreateThread returns.
    DWORD started_id() {
        Lock lock(*this);
        while (!id)
            await_change();
        return id;
    }

    // Returns whether the calling thread cancelled itself.
    bool terminate(DWORD code) {
        Lock lock(*this);
        if (ended || terminating)
            return false;
        terminating = true;
        exit_code = code;
        // Safe under the lock: the thread records its end under it, so it has not gone yet.
        pthread_cancel(pthread);
        return pthread_equal(pthread, pthread_self()) != 0;
    }

    // STILL_ACTIVE while it runs.
    DWORD result() {
        Lock lock(*this);
        return ended ? exit_code : STILL_ACTIVE;
    }

    pthread_t pthread{};

private:
    void end(bool returned, DWORD code) {
        Lock lock(*this);
        if (returned && !terminating)
            exit_code = code;
        ended = true;
        changed();
    }
    bool take_signal() override { return ended; }

    const LPTHREAD_START_ROUTINE start;
    const LPVOID parameter;
    DWORD id = 0;
    DWORD exit_code = 0;
    bool terminating = false;
    bool ended = false;
};

// Sleeping is a wait that nothing ends: a cancellation point like every other wait, on the monotonic
// clock, that sanitizers follow through TerminateThread.
class Pause final : public Waitable {
public:
    Pause() = default;
    ~Pause() override = default;

private:
    bool take_signal() override { return false; }
};

} // namespace
} // namespace zvk_winapi

HANDLE CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T stack_size, LPTHREAD_START_ROUTINE start, LPVOID parameter,
                    DWORD creation_flags, LPDWORD thread_id) {
    if (!start) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (creation_flags & ~STACK_SIZE_PARAM_IS_A_RESERVATION) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    if (stack_size) {
        long page = sysconf(_SC_PAGESIZE);
        SIZE_T smallest = static_cast<SIZE_T>(PTHREAD_STACK_MIN);
        SIZE_T size = stack_size < smallest ? smallest : stack_size;
        if (page > 0)
            size = (size + static_cast<SIZE_T>(page) - 1) / static_cast<SIZE_T>(page) *
                   static_cast<SIZE_T>(page);
        pthread_attr_setstacksize(&attributes, size);
    }
    auto* thread = new zvk_winapi::Thread(start, parameter);
    HANDLE handle = zvk_winapi::publish(thread);
    thread->add_ref(); // the running thread's own reference
    int failed = pthread_create(&thread->pthread, &attributes, &zvk_winapi::Thread::run, thread);
    pthread_attr_destroy(&attributes);
    if (failed) {
        thread->release();
        CloseHandle(handle);
        SetLastError(failed == EAGAIN ? ERROR_NOT_ENOUGH_MEMORY : ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    DWORD id = thread->started_id();
    if (thread_id)
        *thread_id = id;
    return handle;
}

BOOL TerminateThread(HANDLE handle, DWORD exit_code) {
    auto* thread = zvk_winapi::object_of<zvk_winapi::Thread>(handle);
    if (!thread) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (thread->terminate(exit_code))
        pthread_testcancel(); // a thread that ends itself does not come back
    return TRUE;
}

BOOL GetExitCodeThread(HANDLE handle, LPDWORD exit_code) {
    auto* thread = zvk_winapi::object_of<zvk_winapi::Thread>(handle);
    if (!thread || !exit_code) {
        SetLastError(thread ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return FALSE;
    }
    *exit_code = thread->result();
    return TRUE;
}

void Sleep(DWORD milliseconds) {
    if (milliseconds == 0) {
        sched_yield();
        return;
    }
    zvk_winapi::Pause pause;
    pause.wait(milliseconds);
}
