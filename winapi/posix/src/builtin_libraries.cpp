#include "zvk_posix_libraries.h"

namespace zvk_winapi {

// The system libraries module images import from are registered here, from the registry's first
// lookup: registration by static initialisers would be dropped by the linker from this static library.
void register_builtin_libraries() {}

} // namespace zvk_winapi
