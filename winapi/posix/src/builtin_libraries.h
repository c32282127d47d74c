#pragma once
// The export tables of the system libraries the stand-in offers to module images.
#include "zvk_posix_libraries.h"

#include <cstddef>

namespace zvk_winapi {

// "KERNEL32.dll": sleeping, the time, the thread id, the Windows folder, slim locks.
const LibraryExport* kernel32_exports(std::size_t& count);
// "msvcrt.dll": the heap shared with the host, memory and string functions, the time, log files.
const LibraryExport* msvcrt_exports(std::size_t& count);

} // namespace zvk_winapi
