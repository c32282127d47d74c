#pragma once
// Windows build: the real Windows headers, and the C runtime headers of the Windows-only names the
// system uses (_fsopen and _SH_DENYNO, _mkdir, _time64 and _gmtime64, _snprintf, _strnicmp).
#include <windows.h>

#include <direct.h>
#include <io.h>
#include <share.h>
#include <stdio.h>
#include <string.h>
#include <time.h>
