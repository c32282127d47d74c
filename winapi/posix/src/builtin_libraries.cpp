#include "builtin_libraries.h"

#include "library_registry.h"

namespace zvk_winapi {

// The system libraries module images import from are registered here, from the registry's first
// lookup: registration by static initialisers would be dropped by the linker from this static library.
void register_builtin_libraries() {
    std::size_t count = 0;
    const LibraryExport* exports = kernel32_exports(count);
    add_library("KERNEL32.dll", exports, count);
    exports = msvcrt_exports(count);
    add_library("msvcrt.dll", exports, count);
}

} // namespace zvk_winapi
