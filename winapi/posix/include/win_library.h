#pragma once
#include "win_types.h"

// Libraries by name, as the Windows loader offers them. Here the stand-in offers its own libraries
// (see zvk_posix_libraries.h); names compare without regard to case; an unknown library or function
// gives null.
HMODULE LoadLibraryA(LPCSTR name);
FARPROC GetProcAddress(HMODULE module, LPCSTR name_or_ordinal);
BOOL FreeLibrary(HMODULE module);
