#include "win_crt_time.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

__time64_t _time64(__time64_t* out) {
    __time64_t now = static_cast<__time64_t>(std::time(nullptr));
    if (out)
        *out = now;
    return now;
}

struct tm* _gmtime64(const __time64_t* time) {
    static thread_local struct tm broken_down;
    if (!time || *time < 0 || *time > _MAX__TIME64_T) {
        errno = EINVAL;
        return nullptr;
    }
    std::time_t t = static_cast<std::time_t>(*time);
    return gmtime_r(&t, &broken_down);
}

double _difftime64(__time64_t later, __time64_t earlier) {
    return static_cast<double>(later) - static_cast<double>(earlier); // no overflow at the extremes
}

int _snprintf(char* buffer, std::size_t count, const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    int length = std::vsnprintf(buffer, count, format, args);
    va_end(args);
    if (length >= 0 && static_cast<std::size_t>(length) >= count) {
        // vsnprintf spent the last byte on a terminator; Windows fills it with text instead.
        std::vector<char> whole(static_cast<std::size_t>(length) + 1);
        std::vsnprintf(whole.data(), whole.size(), format, again);
        if (count)
            std::memcpy(buffer, whole.data(), count);
        if (static_cast<std::size_t>(length) > count)
            length = -1;
    }
    va_end(again);
    return length;
}
