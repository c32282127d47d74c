#pragma once
// Windows build: the real Windows headers, and the C runtime headers of the Windows-only names the
// system uses.
#include <windows.h>
// COM and WMI (SMBIOS), and the compiler's COM support (_com_error).
#include <wbemidl.h>
#include <comdef.h>
// The C runtime's clock, _localtime64_s and sprintf_s.
#include <cstdio>
#include <ctime>
// _fsopen and _SH_DENYNO, _mkdir, _time64, _gmtime64, _difftime64, _snprintf, _strnicmp.
#include <direct.h>
#include <io.h>
#include <share.h>
#include <stdio.h>
#include <string.h>
#include <time.h>

// The calling convention of Windows functions, which the POSIX build has to ask for by name; here it
// is the compiler's own.
#define ZVK_MS_ABI

// The POSIX build gives Windows' clock (milliseconds since the process started) its own name, so
// that the C library's processor-time clock stays intact there; here it is the runtime's own.
namespace zvk_crt {
using ::clock;
}
