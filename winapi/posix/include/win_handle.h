#pragma once
#include "win_types.h"

#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1)))

// Closes a kernel-object handle made by this stand-in (mutex, event, thread).
BOOL CloseHandle(HANDLE handle);
