#include "single_instance_guard.h"

SingleInstanceGuard::SingleInstanceGuard(const char* name) {
    mutex = CreateMutexA(nullptr, FALSE, name);
    last_error = GetLastError();
}

SingleInstanceGuard::~SingleInstanceGuard() {
    if (mutex) {
        CloseHandle(mutex);
        mutex = nullptr;
    }
}

bool SingleInstanceGuard::is_already_running() {
    return last_error == ERROR_ALREADY_EXISTS;
}
