#pragma once
// The C runtime's timing, local time and bounded formatting, with the Windows meaning.
#include "win_types.h"

#include <cstddef>
#include <ctime>

typedef int errno_t;
typedef long long __time64_t; // Windows' 64-bit time value (__int64)

namespace zvk_crt {

// Windows' clock(): wall-clock milliseconds since the process started (CLOCKS_PER_SEC is 1000
// there). The C library's ::clock counts processor time in microseconds and stays as it is for the
// code that wants that; code that wants the Windows meaning calls zvk_crt::clock, which on the
// Windows branch is the C runtime's own clock.
std::clock_t clock();

} // namespace zvk_crt

// Local time of a 64-bit time value; EINVAL for a null
// argument or a time that cannot be converted, with every field of *result set to -1.
errno_t _localtime64_s(struct tm* result, const __time64_t* time);

// snprintf that fails rather than cut: -1 and an empty buffer when the text does not fit or the
// buffer is null or empty (where Windows would call its invalid-parameter handler), else the
// characters written without the NUL.
int sprintf_s(char* buffer, std::size_t size, const char* format, ...) __attribute__((format(printf, 3, 4)));
