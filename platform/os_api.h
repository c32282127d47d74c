#pragma once
// The system's interface to the operating system: console control handler, threads, events, waits,
// sleep, libraries, the system drive, the current folder and the program's own file and folder. The
// class also holds the caches of the path services, so every implementation shares that layout.
#include "zvk_windows.h"

#include <cstdint>

namespace zedra_hal {

// Results of wait_for_object besides 0 (signalled).
enum OsWaitStatus {
    OS_WAIT_ABANDONED = 49,
    OS_WAIT_TIMEOUT = 50,
    OS_WAIT_FAILED = 51,
};

class OS_API {
public:
    virtual BOOL set_console_ctrl_handler(PHANDLER_ROUTINE handler) = 0;
    // 0 and the handle in `thread`, or the system's error code with `thread` untouched.
    virtual DWORD create_thread(HANDLE* thread, SECURITY_ATTRIBUTES* attributes, LPTHREAD_START_ROUTINE start,
                                void* parameter) = 0;
    // An auto-reset event; null on failure.
    virtual HANDLE create_event(BOOL initial_state, SECURITY_ATTRIBUTES* attributes, const char* name) = 0;
    virtual bool set_event(HANDLE event) = 0;
    // 0 when the object was signalled, else OS_WAIT_ABANDONED, OS_WAIT_TIMEOUT or OS_WAIT_FAILED.
    virtual int wait_for_object(HANDLE object, DWORD milliseconds) = 0;
    virtual BOOL terminate_thread(HANDLE thread) = 0;
    virtual HMODULE load_library(const char* file_name) = 0;
    virtual FARPROC get_proc_address(HMODULE* module, const char* name) = 0;
    virtual BOOL free_library(HMODULE* module) = 0;
    virtual void sleep(DWORD milliseconds) = 0;
    // The drive letter of the Windows folder ('C'), or 0 when it cannot be read.
    virtual char get_system_drive() = 0;
    // The paths below are read once and then kept; they belong to this object. Null on failure.
    virtual const char* get_current_directory() = 0;
    virtual const char* get_module_file_name() = 0;
    // The program's folder without a trailing backslash ("C:" for a program at a drive's root).
    virtual const char* get_module_directory() = 0;

    OS_API(const OS_API&) = delete;
    OS_API& operator=(const OS_API&) = delete;

protected:
    OS_API();
    // Not virtual and not public: implementations are never deleted through this interface.
    ~OS_API();

    char* current_directory;
    std::uint64_t current_directory_size;
    char system_drive;
    char* module_file_name;
    std::uint64_t module_file_name_size;
    char* module_directory;
};

} // namespace zedra_hal
