#pragma once
#include "win_types.h"

// Creates a mutex, or opens the existing one of that name. A name is visible to every process of the
// machine with the prefix "Global\", else to the processes of the calling user ("Local\" or no prefix);
// the rest of the name holds no backslash. The name exists while any process holds a handle to it, and
// goes with the last one however that process ends. On success the last error is ERROR_ALREADY_EXISTS
// when the name existed, else 0; on failure the result is null.
// Limits of the stand-in: security attributes and initial ownership are not modelled (pass null and
// FALSE), and nothing waits on or releases these mutexes; they serve as named markers.
// The names live as files in /tmp, or in the folder that ZVK_KERNEL_OBJECTS_DIR names (tests give each
// test a namespace of its own that way).
HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES attributes, BOOL initial_owner, LPCSTR name);
