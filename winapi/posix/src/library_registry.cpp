// The libraries LoadLibraryA hands out on POSIX: tables of functions registered by the stand-in
// (and by tests), found by name without regard to case, each with a reference count.
#include "win_error.h"
#include "win_library.h"
#include "zvk_posix_libraries.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_set>
#include <vector>

namespace zvk_winapi {
namespace {

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

std::mutex& lock() {
    static std::mutex m;
    return m;
}
// By the key of their name (see library_key); entries are never removed, so handles stay valid.
std::map<std::string, std::unique_ptr<Library>>& libraries() {
    static std::map<std::string, std::unique_ptr<Library>> l;
    return l;
}
std::unordered_set<const Library*>& handles() {
    static std::unordered_set<const Library*> h;
    return h;
}

// The name as Windows matches it: the file name without its folder, ".dll" added when it has no
// extension (a trailing dot means "no extension, add none"), folded to lower case by hand (ASCII,
// whatever the locale).
std::string library_key(const char* name) {
    std::string key(name);
    std::size_t slash = key.find_last_of("\\/");
    if (slash != std::string::npos)
        key.erase(0, slash + 1);
    if (!key.empty() && key.back() == '.')
        key.pop_back();
    else if (key.find('.') == std::string::npos)
        key += ".dll";
    for (char& c : key)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return key;
}

// Registration of the built-in libraries must come before the first lookup and before any other
// registration (so a test's replacement is not overwritten later); the flag lets the built-in
// registration itself through.
thread_local bool registering_builtins = false;

void ensure_builtins() {
    static std::once_flag once;
    if (registering_builtins)
        return;
    std::call_once(once, [] {
        registering_builtins = true;
        register_builtin_libraries();
        registering_builtins = false;
    });
}

Library* library_of(HMODULE module) {
    auto* library = reinterpret_cast<Library*>(module);
    return handles().count(library) ? library : nullptr;
}

} // namespace

void register_library(const char* name, const LibraryExport* exports, std::size_t count) {
    if (!name || !*name)
        return;
    ensure_builtins();
    std::vector<Export> table;
    for (std::size_t i = 0; exports && i < count; ++i)
        table.push_back({exports[i].name ? exports[i].name : "", exports[i].ordinal, exports[i].address});
    std::lock_guard<std::mutex> g(lock());
    std::unique_ptr<Library>& slot = libraries()[library_key(name)];
    if (!slot) {
        slot.reset(new Library);
        handles().insert(slot.get());
    }
    slot->name = name;
    slot->exports = std::move(table);
}

long library_reference_count(const char* name) {
    if (!name)
        return -1;
    ensure_builtins();
    std::lock_guard<std::mutex> g(lock());
    auto it = libraries().find(library_key(name));
    return it == libraries().end() ? -1 : it->second->references;
}

} // namespace zvk_winapi

using namespace zvk_winapi;

HMODULE LoadLibraryA(LPCSTR name) {
    if (!name || !*name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    ensure_builtins();
    std::lock_guard<std::mutex> g(lock());
    auto it = libraries().find(library_key(name));
    if (it == libraries().end()) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    ++it->second->references;
    return reinterpret_cast<HMODULE>(it->second.get());
}

FARPROC GetProcAddress(HMODULE module, LPCSTR name_or_ordinal) {
    std::lock_guard<std::mutex> g(lock());
    Library* library = library_of(module);
    if (!library || library->references == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    std::uintptr_t value = reinterpret_cast<std::uintptr_t>(name_or_ordinal);
    // Values below 64 K are ordinals, as on Windows; function names compare exactly.
    bool by_ordinal = value <= 0xFFFF;
    for (const Export& e : library->exports) {
        bool match =
            by_ordinal ? (value != 0 && e.ordinal == value) : (!e.name.empty() && e.name == name_or_ordinal);
        if (match)
            return reinterpret_cast<FARPROC>(e.address);
    }
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
}

BOOL FreeLibrary(HMODULE module) {
    std::lock_guard<std::mutex> g(lock());
    Library* library = library_of(module);
    if (!library || library->references == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    --library->references;
    return TRUE;
}
