// Drive letters and host folders (see zvk_posix_paths.h). Paths are handled as lists of names, so
// "." and ".." resolve the same way on both sides and a path can never climb out of a drive's folder.
#include "zvk_posix_paths.h"

#include "win_error.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zvk_winapi {
namespace {

using Names = std::vector<std::string>;

bool is_separator(char c) {
    return c == '\\' || c == '/';
}

char upper_letter(char c) {
    if (c >= 'a' && c <= 'z')
        return static_cast<char>(c - 'a' + 'A');
    return (c >= 'A' && c <= 'Z') ? c : 0;
}

// Appends the names of `text` to `names`, resolving "." and ".." by name; ".." at the root stays there.
void append_names(Names& names, const char* text, bool backslash_separates) {
    std::string name;
    auto flush = [&] {
        if (name == "..") {
            if (!names.empty())
                names.pop_back();
        } else if (!name.empty() && name != ".") {
            names.push_back(name);
        }
        name.clear();
    };
    for (const char* p = text; *p; ++p) {
        if (*p == '/' || (backslash_separates && *p == '\\'))
            flush();
        else
            name += *p;
    }
    flush();
}

std::string join(const Names& names, char separator) {
    std::string out;
    for (const auto& n : names) {
        out += separator;
        out += n;
    }
    return out;
}

std::string host_text(const Names& names) {
    return names.empty() ? std::string("/") : join(names, '/');
}

const char* environment(const char* name) {
    const char* value = std::getenv(name);
    return (value && *value) ? value : nullptr;
}

std::string home_folder() {
    if (const char* home = environment("HOME"))
        return home;
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir)
        return found->pw_dir;
    return {};
}

// The folder of the system drive when ZVK_DRIVE_C does not name one. A relative XDG_DATA_HOME is
// ignored, as the XDG rules say.
std::string default_system_drive() {
    const char* data_home = environment("XDG_DATA_HOME");
    if (data_home && data_home[0] == '/')
        return std::string(data_home) + "/zvk_lite/drive_c";
    std::string home = home_folder();
    if (home.empty() || home[0] != '/')
        return {};
    return home + "/.local/share/zvk_lite/drive_c";
}

// The host folder of a drive (letter in upper case) as names from the root; false for none.
bool drive_folder(char letter, Names& folder) {
    const char variable[] = {'Z', 'V', 'K', '_', 'D', 'R', 'I', 'V', 'E', '_', letter, 0};
    std::string path;
    if (const char* value = environment(variable))
        path = value;
    else if (letter == 'C')
        path = default_system_drive();
    else if (letter == 'Z')
        path = "/";
    if (path.empty() || path[0] != '/')
        return false;
    folder.clear();
    append_names(folder, path.c_str(), false);
    return true;
}

void make_folders(const Names& names) {
    std::string path;
    for (const auto& n : names) {
        path += '/';
        path += n;
        if (::mkdir(path.c_str(), 0777) != 0 && errno != EEXIST)
            return;
    }
}

// The same folder with its links resolved, when it exists.
bool resolved(const Names& folder, Names& out) {
    std::unique_ptr<char, decltype(&std::free)> real(::realpath(host_text(folder).c_str(), nullptr),
                                                     &std::free);
    if (!real)
        return false;
    out.clear();
    append_names(out, real.get(), false);
    return true;
}

bool starts_with(const Names& path, const Names& prefix) {
    if (prefix.size() > path.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (path[i] != prefix[i])
            return false;
    return true;
}

bool current_folder(std::string& out) {
    std::unique_ptr<char, decltype(&std::free)> cwd(::getcwd(nullptr, 0), &std::free);
    if (!cwd) {
        SetLastError(errno == ENOENT   ? ERROR_PATH_NOT_FOUND
                     : errno == EACCES ? ERROR_ACCESS_DENIED
                                       : ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    out = cwd.get();
    return true;
}

// A host path as the drive letter that holds it and the names below that drive's folder.
bool windows_names(const char* host_path, char& letter, Names& names) {
    Names path;
    if (host_path[0] != '/') {
        std::string cwd;
        if (!current_folder(cwd))
            return false;
        append_names(path, cwd.c_str(), false);
    }
    append_names(path, host_path, false);

    std::size_t best_depth = 0;
    char best = 0;
    for (char l = 'A'; l <= 'Z'; ++l) {
        Names folder;
        if (!drive_folder(l, folder))
            continue;
        // A drive named through a link holds the paths below the link and below its target.
        Names real;
        bool has_real = resolved(folder, real);
        for (const Names* f : {&folder, has_real ? &real : nullptr}) {
            if (f && starts_with(path, *f) && (!best || f->size() > best_depth)) {
                best = l;
                best_depth = f->size();
            }
        }
    }
    if (!best) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    for (std::size_t i = best_depth; i < path.size(); ++i) {
        if (path[i].find('\\') != std::string::npos) {
            SetLastError(ERROR_INVALID_NAME); // would read as two names on the way back
            return false;
        }
    }
    letter = best;
    names.assign(path.begin() + static_cast<std::ptrdiff_t>(best_depth), path.end());
    return true;
}

// The current folder as a drive letter and names, for paths that Windows takes from it.
bool current_windows_names(char& letter, Names& names) {
    std::string cwd;
    return current_folder(cwd) && windows_names(cwd.c_str(), letter, names);
}

} // namespace

bool to_host_path(const char* windows_path, std::string& host_path) {
    if (!windows_path) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    const char* p = windows_path;
    if (!*p || (is_separator(p[0]) && is_separator(p[1]))) { // empty, UNC or device path
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }

    char letter = 0;
    Names names;
    if (upper_letter(p[0]) && p[1] == ':') {
        letter = upper_letter(p[0]);
        p += 2;
        if (!is_separator(*p)) { // "C:x": relative to the current folder when that lies on the drive
            char current = 0;
            Names current_names;
            if (current_windows_names(current, current_names) && current == letter)
                names = current_names;
        }
    } else if (is_separator(*p)) { // "\x": the root of the current folder's drive
        if (!current_windows_names(letter, names))
            return false;
        names.clear();
    } else if (!current_windows_names(letter, names)) {
        // The current folder lies on no drive: a relative path can only stay relative.
        std::string relative;
        for (const char* q = p; *q; ++q)
            relative += *q == '\\' ? '/' : *q;
        host_path = relative;
        return true;
    }
    append_names(names, p, true);

    Names folder;
    if (!drive_folder(letter, folder)) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    if (letter == 'C')
        make_folders(folder);
    folder.insert(folder.end(), names.begin(), names.end());
    host_path = host_text(folder);
    return true;
}

bool to_windows_path(const char* host_path, std::string& windows_path) {
    if (!host_path) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (!*host_path) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    char letter = 0;
    Names names;
    if (!windows_names(host_path, letter, names))
        return false;
    windows_path = std::string(1, letter) + ":" + (names.empty() ? std::string("\\") : join(names, '\\'));
    return true;
}

} // namespace zvk_winapi
