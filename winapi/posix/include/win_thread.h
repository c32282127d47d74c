#pragma once
#include "win_types.h"

typedef DWORD(WINAPI* LPTHREAD_START_ROUTINE)(LPVOID parameter);
typedef LPTHREAD_START_ROUTINE PTHREAD_START_ROUTINE;

#define STACK_SIZE_PARAM_IS_A_RESERVATION 0x00010000u

// Starts a thread running `start(parameter)` at once; its handle is signalled when it ends. A stack
// size of 0 takes the default. Creation flags: 0 or STACK_SIZE_PARAM_IS_A_RESERVATION (anything else,
// such as starting suspended, gives null and ERROR_NOT_SUPPORTED). The thread's identifier is its
// host thread id (gettid).
HANDLE CreateThread(LPSECURITY_ATTRIBUTES attributes, SIZE_T stack_size, LPTHREAD_START_ROUTINE start,
                    LPVOID parameter, DWORD creation_flags, LPDWORD thread_id);

// Ends a thread with `exit_code`. Where Windows stops the thread wherever it is, the stand-in ends it at
// its next waiting point (a wait, Sleep, a blocking read...) and unwinds its stack; a thread that never
// waits does not end. TRUE also for a thread that has already ended.
BOOL TerminateThread(HANDLE thread, DWORD exit_code);

#define STILL_ACTIVE 259u

// The value the thread's routine returned, the code TerminateThread gave, or STILL_ACTIVE while it runs.
BOOL GetExitCodeThread(HANDLE thread, LPDWORD exit_code);

// Suspends the calling thread; 0 gives up the rest of its time slice, INFINITE sleeps for good.
void Sleep(DWORD milliseconds);
