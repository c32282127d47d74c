// What Windows says about the process's memory (VirtualQuery), in the "rwx" form of the POSIX build.
#include "memory_map.h"

#include "zvk_windows.h"

#include <cstdint>

namespace zvk_test {

std::string page_permissions(const void* address) {
    MEMORY_BASIC_INFORMATION info{};
    if (VirtualQuery(address, &info, sizeof info) != sizeof info || info.State == MEM_FREE)
        return "";
    if (info.State != MEM_COMMIT)
        return "---";
    switch (info.Protect & 0xFF) {
    case PAGE_READONLY:
        return "r--";
    case PAGE_READWRITE:
    case PAGE_WRITECOPY:
        return "rw-";
    case PAGE_EXECUTE:
        return "--x";
    case PAGE_EXECUTE_READ:
        return "r-x";
    case PAGE_EXECUTE_READWRITE:
    case PAGE_EXECUTE_WRITECOPY:
        return "rwx";
    default:
        return "---";
    }
}

void* free_address(std::size_t size) {
    // Reserve the range with room to align and a guard after it, then give it back.
    std::size_t span = size + 3 * 0x10000;
    void* p = VirtualAlloc(nullptr, span, MEM_RESERVE, PAGE_NOACCESS);
    if (!p)
        return nullptr;
    VirtualFree(p, 0, MEM_RELEASE);
    std::uintptr_t aligned = (reinterpret_cast<std::uintptr_t>(p) + 0xFFFF) & ~std::uintptr_t(0xFFFF);
    return reinterpret_cast<void*>(aligned);
}

} // namespace zvk_test
