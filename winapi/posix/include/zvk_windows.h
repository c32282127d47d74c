#pragma once
// POSIX build: the subset of the Windows API that the system calls, with the Windows names and
// meanings, implemented in winapi/posix/src. Each header holds one area.
#include "win_types.h"
#include "win_error.h"
#include "win_handle.h"
#include "win_memory.h"
#include "win_pe.h"
#include "win_library.h"
#include "win_mutex.h"
#include "win_sync.h"
#include "win_thread.h"
#include "win_console.h"
#include "win_paths.h"
#include "win_crt_string.h"
#include "win_crt_time.h"
#include "win_crt_file.h"
#include "win_crt_misc.h"
#include "win_com.h"
