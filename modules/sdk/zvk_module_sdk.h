#pragma once
// What a diagnostic module built with the SDK includes: the module contract, the Windows and C
// runtime declarations of the mingw-w64 toolchain, and the export macro. Modules run inside the
// host process and may import only what the host offers: from "msvcrt.dll" the heap (malloc, free),
// abort, memchr, memcmp, memcpy, memmove, memset, strlen, _fsopen, fwrite, fclose, _mkdir, _time64;
// from "KERNEL32.dll" Sleep, GetTickCount64, GetCurrentThreadId, GetWindowsDirectoryA,
// AcquireSRWLockExclusive, ReleaseSRWLockExclusive. A module that imports anything else is refused
// at load. Check with: x86_64-w64-mingw32-objdump -p module.dll
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "module_contract.h"

// Marks one of the contract's functions for export under its plain name.
#define ZVK_MODULE_EXPORT extern "C" __declspec(dllexport)

// The module's own entry point, called by the runtime after the static constructors (attach) and
// before the static destructors (detach). Every module defines it.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);
