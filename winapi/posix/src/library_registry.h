#pragma once
// The registry behind LoadLibraryA, GetProcAddress and FreeLibrary, shared with the built-in
// libraries and with the tests' backend (zvk_winapi_testing), which registers libraries of its own
// and reads the reference counts.
#include "zvk_posix_libraries.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_set>
#include <vector>

namespace zvk_winapi {

struct LibraryRegistry {
    struct Export {
        std::string name; // empty: reachable by ordinal only
        WORD ordinal;     // 0: reachable by name only
        void* address;
    };
    struct Library {
        std::string name;
        std::vector<Export> exports;
        long references = 0;
    };
    std::mutex lock;
    // By the key of their name (library_key); entries are never removed, so handles stay valid.
    std::map<std::string, std::unique_ptr<Library>> libraries;
    std::unordered_set<const Library*> handles;
};
LibraryRegistry& library_registry();

// The name as Windows matches it: the file name without its folder, ".dll" added when it has no
// extension (a trailing dot means "no extension, add none"), folded to lower case by hand (ASCII,
// whatever the locale).
std::string library_key(const char* name);

// Registers the built-in libraries once, before the first lookup or registration.
void ensure_builtins();

// Adds (or replaces) a library under `name`; the table is copied. Replacing keeps the library's
// handle and reference count: handles already given out see the new table.
void add_library(const char* name, const LibraryExport* exports, std::size_t count);

} // namespace zvk_winapi
