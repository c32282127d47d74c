#pragma once
// The reservations that the virtual-memory stand-in tracks page by page, shared with the tests'
// backend (zvk_winapi_testing), which reports them to tests.
#include "page_states.h"
#include "zvk_posix_memory.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <vector>

namespace zvk_winapi {

constexpr std::uintptr_t kPage = 4096;

struct Reservation {
    std::uintptr_t base;
    std::uintptr_t size;
    PageStates protection; // per page: the PAGE_* value while committed, 0 while reserved

    std::uintptr_t end() const { return base + size; }
    std::size_t page(std::uintptr_t address) const { return (address - base) / kPage; }
};

// Guards the table and every reservation in it.
std::mutex& memory_lock();
// By base address.
std::map<std::uintptr_t, Reservation>& reservations();
// The reservation that holds the whole of [start, end), or null. With the lock held.
Reservation* reservation_for(std::uintptr_t start, std::uintptr_t end);

} // namespace zvk_winapi
