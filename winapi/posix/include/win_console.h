#pragma once
#include "win_types.h"

// Console control events. The stand-in raises them from the host's signals: SIGINT (Ctrl+C) as
// CTRL_C_EVENT, SIGQUIT (Ctrl+\) as CTRL_BREAK_EVENT, SIGTERM (a request to end, as End Task) and
// SIGHUP (the terminal closed) as CTRL_CLOSE_EVENT. Its signal handler only queues the event; handlers
// run on a thread of their own, one event at a time, the last one added first, until one returns TRUE.
// Then, as on Windows: an unhandled Ctrl+C or Ctrl+Break ends the process, and a close event ends it once
// the handlers have returned, whatever they returned (the process ends by the signal that raised the
// event). Signals only take this road once a handler (or the null handler) has been added, and a signal
// that was ignored at that moment (nohup) stays ignored.
#define CTRL_C_EVENT 0
#define CTRL_BREAK_EVENT 1
#define CTRL_CLOSE_EVENT 2
#define CTRL_LOGOFF_EVENT 5
#define CTRL_SHUTDOWN_EVENT 6

typedef BOOL(WINAPI* PHANDLER_ROUTINE)(DWORD control_type);

// Adds (`add` TRUE) or removes a handler. A null handler with TRUE makes the process ignore Ctrl+C,
// with FALSE restores it. Removing a handler that was not added gives FALSE and ERROR_INVALID_PARAMETER.
BOOL SetConsoleCtrlHandler(PHANDLER_ROUTINE handler, BOOL add);
