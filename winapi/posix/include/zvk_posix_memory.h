#pragma once
// POSIX stand-in only: what the virtual-memory stand-in knows about its own reservations, for tests.
// Windows code asks VirtualQuery instead. The functions are the test backend's (library
// zvk_winapi_testing, which only tests link); the program has none of them.
#include "win_types.h"

#include <cstddef>

namespace zvk_winapi {

struct PageState {
    bool reserved;          // the page belongs to a reservation made by VirtualAlloc
    bool committed;         // ... and is committed
    DWORD protection;       // its PAGE_* value while committed, else 0
    void* reservation_base; // start of its reservation, null when not reserved
    SIZE_T reservation_size;
};

// The state of the page that holds `address`.
PageState query_page(const void* address);
// Number of live reservations.
std::size_t reservation_count();

} // namespace zvk_winapi
