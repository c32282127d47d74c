#pragma once
// The operating-system services on Windows (and on the POSIX stand-in of the same calls).
#include "os_api.h"

namespace zedra_hal {

class Win_OS_API : public OS_API {
public:
    // The process-wide instance, made on the first call and never destroyed; null when it cannot be
    // made. Not synchronised: the GUI thread makes and uses it.
    static Win_OS_API* get_instance();

    Win_OS_API() = default;
    ~Win_OS_API() = default;

    BOOL set_console_ctrl_handler(PHANDLER_ROUTINE handler) override;
    DWORD create_thread(HANDLE* thread, SECURITY_ATTRIBUTES* attributes, LPTHREAD_START_ROUTINE start,
                        void* parameter) override;
    HANDLE create_event(BOOL initial_state, SECURITY_ATTRIBUTES* attributes, const char* name) override;
    bool set_event(HANDLE event) override;
    int wait_for_object(HANDLE object, DWORD milliseconds) override;
    BOOL terminate_thread(HANDLE thread) override;
    HMODULE load_library(const char* file_name) override;
    FARPROC get_proc_address(HMODULE* module, const char* name) override;
    BOOL free_library(HMODULE* module) override;
    void sleep(DWORD milliseconds) override;
    char get_system_drive() override;
    const char* get_current_directory() override;
    const char* get_module_file_name() override;
    const char* get_module_directory() override;
};

} // namespace zedra_hal
