#pragma once
// POSIX stand-in only: the libraries that LoadLibraryA can hand out. Functions that module code calls
// must use the Windows calling convention (ZVK_MS_ABI).
#include "win_types.h"

#include <cstddef>

namespace zvk_winapi {

struct LibraryExport {
    const char* name; // null for an export reachable by ordinal only
    WORD ordinal;     // 0 for an export reachable by name only
    void* address;
};

// For tests, from the test backend (library zvk_winapi_testing, which only tests link): adds (or
// replaces) a library under `name`; the table is copied. Replacing keeps the library's handle and
// reference count: handles already given out see the new table.
void register_library(const char* name, const LibraryExport* exports, std::size_t count);

// For tests, from the test backend: how many LoadLibraryA calls of the library `name` are not yet matched by
// FreeLibrary; -1 for a library the stand-in does not offer.
long library_reference_count(const char* name);

// Registers the system libraries the stand-in offers ("KERNEL32.dll", "msvcrt.dll"). Called once by
// the library registry before its first lookup; defined in builtin_libraries.cpp.
void register_builtin_libraries();

} // namespace zvk_winapi
