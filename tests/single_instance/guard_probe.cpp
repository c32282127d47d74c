// A process that holds a single-instance guard, driven by the tests through its standard streams.
//   guard_probe NAME [--umask OCTAL] [--user UID] [--barrier FILE]
// Sets the umask and drops to the user id when asked, waits for a first line on stdin (with --barrier
// it then prints "ready" and waits until it can lock FILE, which the test holds locked to release all
// probes at the same instant), creates the guard, prints "first" or "running" with the last error, then waits
// for a second line:
//   "exit" ends the process without closing the guard (no destructors run),
//   "abort" crashes it; end of input or any other line closes the guard and exits normally.
#include "single_instance_guard.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: guard_probe NAME [--umask OCTAL] [--user UID]\n");
        return 2;
    }
    const char* barrier = nullptr;
    for (int i = 2; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--umask") == 0) {
            ::umask(mode_t(std::strtoul(argv[i + 1], nullptr, 8)));
        } else if (std::strcmp(argv[i], "--user") == 0) {
            auto id = static_cast<uid_t>(std::strtoul(argv[i + 1], nullptr, 10));
            if (::setgid(id) != 0 || ::setuid(id) != 0) {
                std::perror("setuid");
                return 3;
            }
        } else if (std::strcmp(argv[i], "--barrier") == 0) {
            barrier = argv[i + 1];
        }
    }
    std::string line;
    std::getline(std::cin, line);
    if (barrier) {
        std::cout << "ready" << std::endl;
        int fd = ::open(barrier, O_RDONLY | O_CLOEXEC);
        struct flock lock = {};
        lock.l_type = F_RDLCK;
        lock.l_whence = SEEK_SET;
        lock.l_len = 1;
        if (fd < 0 || ::fcntl(fd, F_OFD_SETLKW, &lock) != 0) {
            std::perror("barrier");
            return 4;
        }
    }
    SingleInstanceGuard guard(argv[1]);
    DWORD error = GetLastError();
    std::cout << (guard.is_already_running() ? "running " : "first ") << error << std::endl;
    if (!std::getline(std::cin, line))
        return 0;
    if (line == "exit")
        std::_Exit(0);
    if (line == "abort")
        std::abort();
    return 0;
}
