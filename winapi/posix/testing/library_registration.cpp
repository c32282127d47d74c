// Libraries of the tests' own for LoadLibraryA, and the reference counts of the registry.
#include "library_registry.h"

namespace zvk_winapi {

void register_library(const char* name, const LibraryExport* exports, std::size_t count) {
    add_library(name, exports, count);
}

long library_reference_count(const char* name) {
    if (!name)
        return -1;
    ensure_builtins();
    LibraryRegistry& registry = library_registry();
    std::lock_guard<std::mutex> g(registry.lock);
    auto it = registry.libraries.find(library_key(name));
    return it == registry.libraries.end() ? -1 : it->second->references;
}

} // namespace zvk_winapi
