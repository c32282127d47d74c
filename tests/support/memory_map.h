#pragma once
// What the kernel says about the process's memory, independently of the Windows stand-in.
#include <cstddef>
#include <string>

namespace zvk_test {

// "rwx"-style permissions of the page that holds `address` (from /proc/self/maps), or "" when no
// mapping covers it.
std::string page_permissions(const void* address);

// An address, 64 KB aligned, where `size` bytes and a further 64 KB after them are free just now.
void* free_address(std::size_t size);

} // namespace zvk_test
