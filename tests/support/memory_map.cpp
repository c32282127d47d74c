#include "memory_map.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

namespace zvk_test {

std::string page_permissions(const void* address) {
    std::uintptr_t a = reinterpret_cast<std::uintptr_t>(address);
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line)) {
        std::istringstream in(line);
        std::string range, perms;
        in >> range >> perms;
        std::size_t dash = range.find('-');
        std::uintptr_t start = std::strtoull(range.substr(0, dash).c_str(), nullptr, 16);
        std::uintptr_t end = std::strtoull(range.substr(dash + 1).c_str(), nullptr, 16);
        if (a >= start && a < end)
            return perms.substr(0, 3);
    }
    return "";
}

std::size_t resident_bytes(const void* start, std::size_t size) {
    const std::uintptr_t page = std::uintptr_t(sysconf(_SC_PAGESIZE));
    std::uintptr_t first = reinterpret_cast<std::uintptr_t>(start) & ~(page - 1);
    std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(start) + size + page - 1) & ~(page - 1);
    std::vector<unsigned char> in_memory((end - first) / page);
    if (in_memory.empty() || mincore(reinterpret_cast<void*>(first), end - first, in_memory.data()) != 0)
        return std::size_t(-1);
    std::size_t pages = 0;
    for (unsigned char flags : in_memory)
        pages += flags & 1;
    return pages * page;
}

void* free_address(std::size_t size) {
    // Map the range with room to align and a guard after it, then give it back.
    std::size_t span = size + 3 * 0x10000;
    void* p = mmap(nullptr, span, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (p == MAP_FAILED)
        return nullptr;
    munmap(p, span);
    std::uintptr_t aligned = (reinterpret_cast<std::uintptr_t>(p) + 0xFFFF) & ~std::uintptr_t(0xFFFF);
    return reinterpret_cast<void*>(aligned);
}

} // namespace zvk_test
