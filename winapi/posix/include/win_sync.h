#pragma once
#include "win_types.h"

// Events and waits. The stand-in's objects are process-local: events have no names.

#define INFINITE 0xFFFFFFFFu
#define WAIT_OBJECT_0 0x00000000u
#define WAIT_ABANDONED 0x00000080u
#define WAIT_TIMEOUT 0x00000102u
#define WAIT_FAILED 0xFFFFFFFFu

// An event, signalled from the start when `initial_state` is TRUE. An auto-reset event (`manual_reset`
// FALSE) lets one wait through per SetEvent; a manual-reset one stays signalled until ResetEvent. Null
// and ERROR_NOT_SUPPORTED for a name (the security attributes are not modelled).
HANDLE CreateEventA(LPSECURITY_ATTRIBUTES attributes, BOOL manual_reset, BOOL initial_state, LPCSTR name);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);

// Waits up to `milliseconds` (INFINITE: without limit, 0: only looks) for an event to be signalled or a
// thread to end. WAIT_OBJECT_0, WAIT_TIMEOUT, or WAIT_FAILED with ERROR_INVALID_HANDLE for a handle that
// is no event or thread.
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
