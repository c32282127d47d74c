#pragma once
// What the process's heap holds in blocks in use, for tests that show what a program keeps.
#include <cstddef>

namespace zvk_test {

// Bytes in blocks allocated and not freed yet: glibc's count, or the sanitizer's where one replaces the
// allocator.
std::size_t heap_bytes_in_use();

} // namespace zvk_test
