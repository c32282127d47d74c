#pragma once
// The position of a virtual operation in its class's table: a pointer to a virtual member function
// holds 1 + the byte offset of its table entry (the Itanium C++ ABI, which GCC and mingw-w64 follow).
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace zvk_test {

// -1 for a function that is not virtual.
template <class PMF> long table_position(PMF pmf) {
    struct {
        std::uintptr_t ptr;
        std::ptrdiff_t adj;
    } raw;
    static_assert(sizeof(raw) == sizeof(pmf), "member pointer layout");
    std::memcpy(&raw, &pmf, sizeof raw);
    if ((raw.ptr & 1u) == 0)
        return -1;
    return long((raw.ptr - 1) / sizeof(void*));
}

} // namespace zvk_test
