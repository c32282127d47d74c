#pragma once
// What the kernel says about the process's memory, independently of the Windows stand-in.
#include <cstddef>
#include <string>

namespace zvk_test {

// "rwx"-style permissions of the page that holds `address` (from /proc/self/maps), or "" when no
// mapping covers it.
std::string page_permissions(const void* address);

// How many bytes of the pages of [start, start + size) are in memory (mincore): pages the process
// never touched are not, so this shows whether code walked over a large mapping. -1 when the kernel
// cannot tell.
std::size_t resident_bytes(const void* start, std::size_t size);

// An address, 64 KB aligned, where `size` bytes and a further 64 KB after them are free just now.
void* free_address(std::size_t size);

} // namespace zvk_test
