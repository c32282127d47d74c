#pragma once
#include "win_types.h"

// Paths as Windows gives them: drive letter, colon, backslashes. Host folders reach them through the
// drive mapping of zvk_posix_paths.h.
#define MAX_PATH 260

// The Windows folder, "C:\Windows". Returns its length without the terminator; when `size` (in bytes,
// terminator included) is too small, the size needed with the terminator and the buffer unchanged.
UINT GetWindowsDirectoryA(LPSTR buffer, UINT size);

// The current folder in its Windows form, with the same result rule as GetWindowsDirectoryA (a null
// buffer with size 0 asks for the size). 0 and the last error when the folder cannot be read (it was
// removed) or lies on no drive.
DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer);

// The program's own file in its Windows form (`module` null; the stand-in's libraries have no file, so
// any other handle gives 0 and ERROR_MOD_NOT_FOUND). Returns the length without the terminator. When the
// buffer is too small the path is cut to size - 1 characters and terminated, the result is `size` and
// the last error ERROR_INSUFFICIENT_BUFFER (for size 0: result 0, nothing written).
DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size);
