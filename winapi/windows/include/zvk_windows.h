#pragma once
// Windows build: the real Windows headers.
#include <windows.h>
// COM and WMI (SMBIOS), and the compiler's COM support (_com_error).
#include <wbemidl.h>
#include <comdef.h>
// The C runtime's clock, _localtime64_s and sprintf_s.
#include <cstdio>
#include <ctime>

// The POSIX build gives Windows' clock (milliseconds since the process started) its own name, so
// that the C library's processor-time clock stays intact there; here it is the runtime's own.
namespace zvk_crt {
using ::clock;
}
