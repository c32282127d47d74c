// Prints what the process-wide operating-system services say about this program's own file, for the
// tests that run a copy of it from chosen folders.
#include "win_os_api.h"

#include <cstdio>

int main() {
    zedra_hal::Win_OS_API* os = zedra_hal::Win_OS_API::get_instance();
    const char* file = os ? os->get_module_file_name() : nullptr;
    const char* folder = os ? os->get_module_directory() : nullptr;
    std::printf("file=%s\nfolder=%s\n", file ? file : "(null)", folder ? folder : "(null)");
    return 0;
}
