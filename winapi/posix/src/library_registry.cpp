// The libraries LoadLibraryA hands out on POSIX: tables of functions registered by the stand-in
// (and by the tests' backend), found by name without regard to case, each with a reference count.
#include "library_registry.h"

#include "win_error.h"
#include "win_library.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_set>
#include <vector>

namespace zvk_winapi {
namespace {

// Registration of the built-in libraries must come before the first lookup and before any other
// registration (so a test's replacement is not overwritten later); the flag lets the built-in
// registration itself through.
thread_local bool registering_builtins = false;

LibraryRegistry::Library* library_of(HMODULE module) {
    auto* library = reinterpret_cast<LibraryRegistry::Library*>(module);
    return library_registry().handles.count(library) ? library : nullptr;
}

} // namespace

LibraryRegistry& library_registry() {
    static LibraryRegistry registry;
    return registry;
}

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

void add_library(const char* name, const LibraryExport* exports, std::size_t count) {
    if (!name || !*name)
        return;
    ensure_builtins();
    std::vector<LibraryRegistry::Export> table;
    for (std::size_t i = 0; exports && i < count; ++i)
        table.push_back({exports[i].name ? exports[i].name : "", exports[i].ordinal, exports[i].address});
    LibraryRegistry& registry = library_registry();
    std::lock_guard<std::mutex> g(registry.lock);
    std::unique_ptr<LibraryRegistry::Library>& slot = registry.libraries[library_key(name)];
    if (!slot) {
        slot.reset(new LibraryRegistry::Library);
        registry.handles.insert(slot.get());
    }
    slot->name = name;
    slot->exports = std::move(table);
}

} // namespace zvk_winapi

using namespace zvk_winapi;

HMODULE LoadLibraryA(LPCSTR name) {
    if (!name || !*name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    ensure_builtins();
    LibraryRegistry& registry = library_registry();
    std::lock_guard<std::mutex> g(registry.lock);
    auto it = registry.libraries.find(library_key(name));
    if (it == registry.libraries.end()) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    ++it->second->references;
    return reinterpret_cast<HMODULE>(it->second.get());
}

FARPROC GetProcAddress(HMODULE module, LPCSTR name_or_ordinal) {
    std::lock_guard<std::mutex> g(library_registry().lock);
    LibraryRegistry::Library* library = library_of(module);
    if (!library || library->references == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    std::uintptr_t value = reinterpret_cast<std::uintptr_t>(name_or_ordinal);
    // Values below 64 K are ordinals, as on Windows; function names compare exactly.
    bool by_ordinal = value <= 0xFFFF;
    for (const LibraryRegistry::Export& e : library->exports) {
        bool match =
            by_ordinal ? (value != 0 && e.ordinal == value) : (!e.name.empty() && e.name == name_or_ordinal);
        if (match)
            return reinterpret_cast<FARPROC>(e.address);
    }
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
}

BOOL FreeLibrary(HMODULE module) {
    std::lock_guard<std::mutex> g(library_registry().lock);
    LibraryRegistry::Library* library = library_of(module);
    if (!library || library->references == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    --library->references;
    return TRUE;
}
