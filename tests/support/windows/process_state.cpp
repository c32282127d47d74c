// The process-wide state of a test on Windows: the C runtime's environment and current folder.
#include "process_state.h"

#include "zvk_windows.h"

#include <gtest/gtest.h>

#include <direct.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace zvk_test {

Environment::~Environment() {
    for (const auto& [name, value] : saved)
        _putenv_s(name.c_str(), value ? value->c_str() : "");
}

void Environment::remember(const std::string& name) {
    if (saved.count(name))
        return;
    const char* value = std::getenv(name.c_str());
    saved[name] = value ? std::optional<std::string>(value) : std::nullopt;
}

void Environment::set(const std::string& name, const std::string& value) {
    remember(name);
    _putenv_s(name.c_str(), value.c_str());
}

void Environment::unset(const std::string& name) {
    remember(name);
    _putenv_s(name.c_str(), ""); // an empty value removes the variable
}

CurrentFolder::CurrentFolder(const std::string& folder) {
    previous = current_host_folder();
    ok = !previous.empty() && _chdir(folder.c_str()) == 0;
}

CurrentFolder::~CurrentFolder() {
    if (ok && _chdir(previous.c_str()) != 0)
        std::abort(); // every later test would run in the wrong folder
}

bool make_folders(const std::string& path) {
    std::error_code error;
    std::filesystem::create_directories(path, error);
    return std::filesystem::is_directory(path, error);
}

std::string system_drive_folder() {
    char windows[MAX_PATH] = {};
    UINT length = GetWindowsDirectoryA(windows, MAX_PATH);
    return length >= 2 && length < MAX_PATH ? std::string(windows, 2) : std::string();
}

std::string windows_form(const std::string& host) {
    // Host paths are Windows paths here; only the separators differ.
    std::string out = host;
    for (char& c : out)
        if (c == '/')
            c = '\\';
    return out;
}

std::string current_host_folder() {
    char* cwd = _getcwd(nullptr, 0);
    std::string s = cwd ? cwd : "";
    std::free(cwd);
    return s;
}

std::string long_folder(const std::string& base) {
    std::string path = base;
    for (int i = 0; path.size() <= 300; ++i)
        path += "/" + std::string(60, char('a' + i));
    EXPECT_TRUE(make_folders(path));
    return path;
}

} // namespace zvk_test
