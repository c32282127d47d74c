#pragma once
// Tells a starting process whether another instance of the program runs on the machine: every
// instance creates one named mutex and keeps it open for its whole life; only its existence counts.
#include "zvk_windows.h"

class SingleInstanceGuard {
public:
    // Creates or opens the named mutex and remembers whether it existed.
    explicit SingleInstanceGuard(const char* name);
    ~SingleInstanceGuard();
    SingleInstanceGuard(const SingleInstanceGuard&) = delete;
    SingleInstanceGuard& operator=(const SingleInstanceGuard&) = delete;

    // True exactly when the mutex existed already (ERROR_ALREADY_EXISTS). A failed creation counts as
    // the first instance: nothing may keep the program from starting.
    bool is_already_running();

private:
    DWORD last_error; // GetLastError right after the creation, success or not
    HANDLE mutex;     // null once closed, or when the creation failed
};
