#include "win_os_api.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace zedra_hal {
namespace {

Win_OS_API* instance = nullptr;

// The longest path Windows hands out (32767 characters and the terminator).
constexpr DWORD longest_path = 32768;

} // namespace

Win_OS_API* Win_OS_API::get_instance() {
    if (!instance)
        instance = new (std::nothrow) Win_OS_API();
    return instance;
}

BOOL Win_OS_API::set_console_ctrl_handler(PHANDLER_ROUTINE handler) {
    return SetConsoleCtrlHandler(handler, TRUE);
}

DWORD Win_OS_API::create_thread(HANDLE* thread, SECURITY_ATTRIBUTES* attributes, LPTHREAD_START_ROUTINE start,
                                void* parameter) {
    if (!thread)
        return ERROR_INVALID_PARAMETER; // nowhere to put the handle: do not start a thread nobody can reach
    DWORD id = 0;
    HANDLE handle = CreateThread(attributes, 0, start, parameter, 0, &id);
    if (!handle) {
        DWORD error = GetLastError();
        return error ? error : ERROR_NOT_ENOUGH_MEMORY; // a failure must never read as success
    }
    *thread = handle;
    return 0;
}

HANDLE Win_OS_API::create_event(BOOL initial_state, SECURITY_ATTRIBUTES* attributes, const char* name) {
    return CreateEventA(attributes, FALSE, initial_state, name);
}

bool Win_OS_API::set_event(HANDLE event) {
    return SetEvent(event) != FALSE;
}

int Win_OS_API::wait_for_object(HANDLE object, DWORD milliseconds) {
    switch (WaitForSingleObject(object, milliseconds)) {
    case WAIT_ABANDONED:
        return OS_WAIT_ABANDONED;
    case WAIT_TIMEOUT:
        return OS_WAIT_TIMEOUT;
    case WAIT_FAILED:
        return OS_WAIT_FAILED;
    default:
        return 0;
    }
}

BOOL Win_OS_API::terminate_thread(HANDLE thread) {
    return TerminateThread(thread, 0);
}

HMODULE Win_OS_API::load_library(const char* file_name) {
    return LoadLibraryA(file_name);
}

FARPROC Win_OS_API::get_proc_address(HMODULE* module, const char* name) {
    if (!module) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return GetProcAddress(*module, name);
}

BOOL Win_OS_API::free_library(HMODULE* module) {
    if (!module) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return FreeLibrary(*module);
}

void Win_OS_API::sleep(DWORD milliseconds) {
    Sleep(milliseconds);
}

char Win_OS_API::get_system_drive() {
    if (system_drive)
        return system_drive;
    char folder[MAX_PATH] = {};
    UINT n = GetWindowsDirectoryA(folder, MAX_PATH);
    // A result of MAX_PATH or more is the size needed: the buffer was left untouched.
    if (n != 0 && n < MAX_PATH)
        system_drive = folder[0];
    return system_drive;
}

const char* Win_OS_API::get_current_directory() {
    if (current_directory)
        return current_directory;
    current_directory = static_cast<char*>(std::malloc(MAX_PATH));
    if (!current_directory)
        return nullptr;
    current_directory_size = MAX_PATH;
    DWORD n = GetCurrentDirectoryA(static_cast<DWORD>(current_directory_size), current_directory);
    if (n > current_directory_size) {
        // n is the size needed with the terminator; one byte more is kept as room.
        char* grown = static_cast<char*>(std::realloc(current_directory, std::size_t(n) + 1));
        if (grown) {
            current_directory = grown;
            current_directory_size = n;
            n = GetCurrentDirectoryA(n, current_directory);
        } else {
            n = 0;
        }
    }
    if (n != 0 && n <= current_directory_size)
        return current_directory;
    std::free(current_directory);
    current_directory = nullptr;
    current_directory_size = 0;
    return nullptr;
}

const char* Win_OS_API::get_module_file_name() {
    if (module_file_name)
        return module_file_name;
    module_file_name = static_cast<char*>(std::malloc(MAX_PATH));
    if (!module_file_name)
        return nullptr;
    module_file_name_size = MAX_PATH;
    DWORD n = GetModuleFileNameA(nullptr, module_file_name, MAX_PATH);
    if (n == module_file_name_size) {
        // A result that fills the buffer means the path was cut: read it once more with room for the
        // longest path Windows has.
        char* grown = static_cast<char*>(std::realloc(module_file_name, longest_path));
        if (grown) {
            module_file_name = grown;
            module_file_name_size = longest_path;
            n = GetModuleFileNameA(nullptr, module_file_name, longest_path);
        } else {
            n = 0;
        }
    }
    if (n != 0 && n < module_file_name_size)
        return module_file_name;
    std::free(module_file_name);
    module_file_name = nullptr;
    module_file_name_size = 0;
    return nullptr;
}

const char* Win_OS_API::get_module_directory() {
    if (module_directory)
        return module_directory;
    const char* file = get_module_file_name();
    if (!file)
        return nullptr;
    std::size_t length = std::strlen(file);
    module_directory = static_cast<char*>(std::malloc(length + 1));
    if (!module_directory)
        return nullptr;
    std::memcpy(module_directory, file, length + 1);
    if (char* last = std::strrchr(module_directory, '\\'))
        *last = 0;
    return module_directory;
}

} // namespace zedra_hal
