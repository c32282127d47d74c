#include "process_state.h"

#include "zvk_posix_paths.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include <sys/stat.h>
#include <unistd.h>

namespace zvk_test {

Environment::~Environment() {
    for (const auto& [name, value] : saved) {
        if (value)
            ::setenv(name.c_str(), value->c_str(), 1);
        else
            ::unsetenv(name.c_str());
    }
}

void Environment::remember(const std::string& name) {
    if (saved.count(name))
        return;
    const char* value = std::getenv(name.c_str());
    saved[name] = value ? std::optional<std::string>(value) : std::nullopt;
}

void Environment::set(const std::string& name, const std::string& value) {
    remember(name);
    ::setenv(name.c_str(), value.c_str(), 1);
}

void Environment::unset(const std::string& name) {
    remember(name);
    ::unsetenv(name.c_str());
}

CurrentFolder::CurrentFolder(const std::string& folder) {
    if (char* cwd = ::getcwd(nullptr, 0)) {
        previous = cwd;
        std::free(cwd);
    }
    ok = !previous.empty() && ::chdir(folder.c_str()) == 0;
}

CurrentFolder::~CurrentFolder() {
    if (ok && ::chdir(previous.c_str()) != 0)
        std::abort(); // every later test would run in the wrong folder
}

bool make_folders(const std::string& path) {
    for (std::size_t at = 1; at <= path.size(); ++at) {
        if (at == path.size() || path[at] == '/') {
            std::string part = path.substr(0, at);
            if (::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST)
                return false;
        }
    }
    return true;
}

std::string system_drive_folder() {
    const char* drive = std::getenv("ZVK_DRIVE_C");
    return drive ? drive : "";
}

std::string windows_form(const std::string& host) {
    std::string out;
    EXPECT_TRUE(zvk_winapi::to_windows_path(host.c_str(), out)) << host;
    return out;
}

std::string current_host_folder() {
    char* cwd = ::getcwd(nullptr, 0);
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
