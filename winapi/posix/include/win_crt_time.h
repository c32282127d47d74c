#pragma once
#include "win_types.h"

#include <cstddef>
#include <cstdint>
#include <ctime>

// The C runtime's 64-bit time functions, with their Windows range: 1970-01-01 00:00:00 to
// 3000-12-31 23:59:59 UTC.
typedef long long __time64_t; // __int64, as Windows has it
#define _MAX__TIME64_T 32535215999LL

// Seconds since 1970 (UTC), also stored through `out` when it is not null.
__time64_t _time64(__time64_t* out);
// The UTC date and time of a time value in storage of the calling thread, overwritten by its next call;
// null (errno EINVAL) for a null pointer or a time outside the range.
struct tm* _gmtime64(const __time64_t* time);
// later - earlier in seconds.
double _difftime64(__time64_t later, __time64_t earlier);

// printf formatting into at most `count` bytes. Windows' rule: the text's length when it fits; when it
// fills the buffer exactly, its length with no terminator written; when it is longer, -1 and the first
// `count` characters, again without a terminator.
int _snprintf(char* buffer, std::size_t count, const char* format, ...) __attribute__((format(printf, 3, 4)));
