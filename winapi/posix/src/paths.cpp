// The path services over the drive mapping.
#include "win_paths.h"

#include "win_error.h"
#include "zvk_posix_paths.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

const char windows_folder[] = "C:\\Windows";

// Windows' rule for a path handed out whole: its length when it fits with its terminator, else the size
// needed, the buffer untouched.
DWORD hand_out(const std::string& path, DWORD size, LPSTR buffer) {
    if (path.size() + 1 > size)
        return static_cast<DWORD>(path.size() + 1);
    if (!buffer) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::memcpy(buffer, path.c_str(), path.size() + 1);
    return static_cast<DWORD>(path.size());
}

bool program_file(std::string& path) {
    std::vector<char> buffer(256);
    for (;;) {
        ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0) {
            SetLastError(ERROR_FILE_NOT_FOUND);
            return false;
        }
        if (static_cast<std::size_t>(n) < buffer.size()) {
            path.assign(buffer.data(), static_cast<std::size_t>(n));
            return true;
        }
        buffer.resize(buffer.size() * 2);
    }
}

} // namespace

UINT GetWindowsDirectoryA(LPSTR buffer, UINT size) {
    return hand_out(windows_folder, size, buffer);
}

DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer) {
    std::string host;
    {
        char* cwd = ::getcwd(nullptr, 0);
        if (!cwd) {
            SetLastError(errno == EACCES ? ERROR_ACCESS_DENIED : ERROR_PATH_NOT_FOUND);
            return 0;
        }
        host = cwd;
        std::free(cwd);
    }
    std::string path;
    if (!zvk_winapi::to_windows_path(host.c_str(), path))
        return 0;
    return hand_out(path, size, buffer);
}

DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size) {
    if (module) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return 0;
    }
    if (!buffer && size) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string host, path;
    if (!program_file(host) || !zvk_winapi::to_windows_path(host.c_str(), path))
        return 0;
    if (path.size() + 1 <= size) {
        std::memcpy(buffer, path.c_str(), path.size() + 1);
        return static_cast<DWORD>(path.size());
    }
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    if (size == 0)
        return 0;
    std::memcpy(buffer, path.data(), size - 1);
    buffer[size - 1] = 0;
    return size;
}
