#include "win_crt_file.h"

#include "zvk_posix_paths.h"

#include <cerrno>
#include <cstring>
#include <string>

#include <sys/stat.h>

namespace {

// Windows' mode letters as the host's fopen understands them; false for a mode Windows would refuse.
bool host_mode(const char* mode, std::string& out) {
    if (!mode || !mode[0] || !std::strchr("rwa", mode[0]))
        return false;
    out = mode[0];
    bool plus = false, kind = false, exclusive = false;
    for (const char* p = mode + 1; *p; ++p) {
        switch (*p) {
        case '+':
            if (plus)
                return false;
            plus = true;
            break;
        case 'b':
        case 't':
            if (kind)
                return false;
            kind = true;
            break;
        case 'x':
            if (exclusive || mode[0] != 'w')
                return false;
            exclusive = true;
            break;
        case 'c': // commit to disk on fflush
        case 'n':
        case 'S': // caching hints
        case 'R':
        case 'T': // temporary file hints
        case 'D':
        case 'N': // not inherited: always so here
            break;
        default:
            return false;
        }
    }
    if (plus)
        out += '+';
    if (exclusive)
        out += 'x';
    out += 'e'; // a child process does not inherit the descriptor
    return true;
}

bool host_path(const char* path, std::string& out) {
    if (!path) {
        errno = EINVAL;
        return false;
    }
    if (!zvk_winapi::to_host_path(path, out)) {
        errno = ENOENT;
        return false;
    }
    return true;
}

} // namespace

FILE* _fsopen(const char* path, const char* mode, int share_flag) {
    std::string host, how;
    if (!host_mode(mode, how) || share_flag != _SH_DENYNO) {
        errno = EINVAL;
        return nullptr;
    }
    if (!host_path(path, host))
        return nullptr;
    // Windows opens no folder as a file, in any mode: the runtime reports that as access denied. The
    // host's fopen opens a folder for reading, so the open file itself is asked what it is (a look at
    // the name before the open could be outdated by a rename in between).
    FILE* file = std::fopen(host.c_str(), how.c_str());
    struct stat status {};
    if (!file) {
        // "wx" finds the name taken before it finds a folder; Windows says access denied all the same.
        const int error = errno;
        const bool folder = error == EISDIR || (error == EEXIST && ::stat(host.c_str(), &status) == 0 &&
                                                S_ISDIR(status.st_mode));
        errno = folder ? EACCES : error;
        return nullptr;
    }
    if (::fstat(::fileno(file), &status) == 0 && S_ISDIR(status.st_mode)) {
        std::fclose(file);
        errno = EACCES;
        return nullptr;
    }
    return file;
}

int _mkdir(const char* path) {
    std::string host;
    if (!host_path(path, host))
        return -1;
    if (::mkdir(host.c_str(), 0777) == 0)
        return 0;
    if (errno == ENOTDIR)
        errno = ENOENT;
    return -1;
}
