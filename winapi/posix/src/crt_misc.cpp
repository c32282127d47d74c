#include "win_crt_misc.h"

#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

std::chrono::steady_clock::time_point process_start() {
    static const auto start = std::chrono::steady_clock::now();
    return start;
}
// Taken while the program starts, as the Windows runtime takes its start when it initialises.
const auto taken_at_start = process_start();

} // namespace

std::clock_t zvk_crt::clock() {
    (void)taken_at_start;
    const auto elapsed = std::chrono::steady_clock::now() - process_start();
    return std::clock_t(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

errno_t _localtime64_s(struct tm* result, const __time64_t* time) {
    if (!result)
        return EINVAL;
    if (time && *time >= 0) {
        const std::time_t t = *time;
        if (localtime_r(&t, result))
            return 0;
    }
    std::memset(result, 0, sizeof *result);
    result->tm_sec = result->tm_min = result->tm_hour = -1;
    result->tm_mday = result->tm_mon = result->tm_year = -1;
    result->tm_wday = result->tm_yday = result->tm_isdst = -1;
    return EINVAL;
}

int sprintf_s(char* buffer, std::size_t size, const char* format, ...) {
    if (!buffer || size == 0)
        return -1;
    if (!format) {
        buffer[0] = '\0';
        return -1;
    }
    va_list args;
    va_start(args, format);
    const int written = std::vsnprintf(buffer, size, format, args);
    va_end(args);
    if (written < 0 || std::size_t(written) >= size) {
        buffer[0] = '\0';
        errno = ERANGE;
        return -1;
    }
    return written;
}
