// The virtual-memory stand-in's reservations as tests see them.
#include "memory_reservations.h"

namespace zvk_winapi {

PageState query_page(const void* address) {
    std::lock_guard<std::mutex> g(memory_lock());
    const std::uintptr_t a = reinterpret_cast<std::uintptr_t>(address) & ~(kPage - 1);
    Reservation* r = reservation_for(a, a + kPage);
    if (!r)
        return PageState{false, false, 0, nullptr, 0};
    DWORD protect = r->protection[r->page(a)];
    return PageState{true, protect != 0, protect, reinterpret_cast<void*>(r->base), r->size};
}

std::size_t reservation_count() {
    std::lock_guard<std::mutex> g(memory_lock());
    return reservations().size();
}

} // namespace zvk_winapi
