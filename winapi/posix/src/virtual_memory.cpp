// Windows virtual memory on mmap/mprotect/madvise/munmap. Every reservation is one anonymous
// mapping that the stand-in tracks page by page, so a commit, protection change or release can be
// checked against what Windows would allow, and IsBadReadPtr can answer without touching memory.
#include "memory_reservations.h"
#include "win_error.h"
#include "win_memory.h"

#include <malloc.h>
#include <sys/mman.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <iterator>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace zvk_winapi {
namespace {

constexpr std::uintptr_t kGranularity = 65536;

std::uintptr_t round_down(std::uintptr_t v, std::uintptr_t unit) {
    return v & ~(unit - 1);
}

// Rounds up; false when the result would not fit.
bool round_up(std::uintptr_t v, std::uintptr_t unit, std::uintptr_t& out) {
    if (v > UINTPTR_MAX - (unit - 1))
        return false;
    out = (v + unit - 1) & ~(unit - 1);
    return true;
}

// The pages that [address, address + size) touches, as Windows rounds them; false on overflow.
bool page_span(std::uintptr_t address, SIZE_T size, std::uintptr_t& start, std::uintptr_t& end) {
    if (size > UINTPTR_MAX - address)
        return false;
    start = round_down(address, kPage);
    return round_up(address + size, kPage, end);
}

} // namespace

std::mutex& memory_lock() {
    static std::mutex m;
    return m;
}

// By base address.
std::map<std::uintptr_t, Reservation>& reservations() {
    static std::map<std::uintptr_t, Reservation> r;
    return r;
}

Reservation* reservation_for(std::uintptr_t start, std::uintptr_t end) {
    auto& table = reservations();
    auto it = table.upper_bound(start);
    if (it == table.begin())
        return nullptr;
    --it;
    Reservation& r = it->second;
    return (start >= r.base && end <= r.end() && start < end) ? &r : nullptr;
}

namespace {

// PAGE_* value to PROT_* flags; -1 for a value Windows would refuse or the stand-in does not offer
// (PAGE_GUARD). Write-copy is plain read-write: the mappings are private anyway.
int posix_protection(DWORD protect) {
    DWORD modifiers = protect & ~DWORD(0xFF);
    if (modifiers & ~DWORD(PAGE_NOCACHE | PAGE_WRITECOMBINE))
        return -1;
    if ((modifiers & PAGE_NOCACHE) && (modifiers & PAGE_WRITECOMBINE))
        return -1;
    switch (protect & 0xFF) {
    case PAGE_NOACCESS:
        return PROT_NONE;
    case PAGE_READONLY:
        return PROT_READ;
    case PAGE_READWRITE:
    case PAGE_WRITECOPY:
        return PROT_READ | PROT_WRITE;
    case PAGE_EXECUTE:
        return PROT_EXEC;
    case PAGE_EXECUTE_READ:
        return PROT_READ | PROT_EXEC;
    case PAGE_EXECUTE_READWRITE:
    case PAGE_EXECUTE_WRITECOPY:
        return PROT_READ | PROT_WRITE | PROT_EXEC;
    default:
        return -1;
    }
}

bool readable(DWORD protect) {
    int prot = posix_protection(protect);
    return protect != 0 && prot > 0 && (prot & PROT_READ);
}

LPVOID fail(DWORD error) {
    SetLastError(error);
    return nullptr;
}

BOOL fail_bool(DWORD error) {
    SetLastError(error);
    return FALSE;
}

LPVOID reserve(std::uintptr_t address, SIZE_T size, bool commit, DWORD protect, int prot) {
    std::uintptr_t start = 0, end = 0, length = 0;
    void* mapped = nullptr;
    constexpr int kFlags = MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE;
    if (address) {
        if (!page_span(address, size, start, end))
            return fail(ERROR_INVALID_PARAMETER);
        start = round_down(address, kGranularity);
        length = end - start;
        // Never moves and never replaces: a range that is partly in use is refused.
        mapped = mmap(reinterpret_cast<void*>(start), length, PROT_NONE, kFlags | MAP_FIXED_NOREPLACE, -1, 0);
        if (mapped == MAP_FAILED)
            return fail(errno == ENOMEM ? ERROR_NOT_ENOUGH_MEMORY : ERROR_INVALID_ADDRESS);
        if (reinterpret_cast<std::uintptr_t>(mapped) != start) {
            munmap(mapped, length); // a kernel that took the flag as a mere hint
            return fail(ERROR_INVALID_ADDRESS);
        }
    } else {
        if (!round_up(size, kPage, length) || length > UINTPTR_MAX - kGranularity)
            return fail(ERROR_INVALID_PARAMETER);
        // Over-allocate by one granule and trim, so the start is 64 KB aligned as on Windows.
        void* raw = mmap(nullptr, length + kGranularity, PROT_NONE, kFlags, -1, 0);
        if (raw == MAP_FAILED)
            return fail(ERROR_NOT_ENOUGH_MEMORY);
        std::uintptr_t first = reinterpret_cast<std::uintptr_t>(raw);
        start = round_down(first + kGranularity - 1, kGranularity);
        if (start > first)
            munmap(raw, start - first);
        std::uintptr_t tail = first + length + kGranularity - (start + length);
        if (tail)
            munmap(reinterpret_cast<void*>(start + length), tail);
        mapped = reinterpret_cast<void*>(start);
    }
    // Only a hint: large reservations (a module image of megabytes) may then be backed by huge pages,
    // which spares the kernel one fault per 4 KB page when they are first written. Page-granular
    // protection and decommit still hold; the kernel splits huge pages as needed.
    madvise(mapped, length, MADV_HUGEPAGE);
    if (commit && mprotect(mapped, length, prot) != 0) {
        munmap(mapped, length);
        return fail(ERROR_NOT_ENOUGH_MEMORY);
    }
    Reservation r{start, length, PageStates(length / kPage, commit ? protect : 0)};
    reservations().emplace(start, std::move(r));
    return mapped;
}

LPVOID commit(std::uintptr_t address, SIZE_T size, DWORD protect, int prot) {
    std::uintptr_t start = 0, end = 0;
    if (!page_span(address, size, start, end))
        return fail(ERROR_INVALID_PARAMETER);
    Reservation* r = reservation_for(start, end);
    if (!r)
        return fail(ERROR_INVALID_ADDRESS);
    // Pages never committed or decommitted (MADV_DONTNEED) read as zeros; committed ones keep
    // their content.
    if (mprotect(reinterpret_cast<void*>(start), end - start, prot) != 0)
        return fail(ERROR_NOT_ENOUGH_MEMORY);
    r->protection.set(r->page(start), r->page(end), protect);
    return reinterpret_cast<LPVOID>(start);
}

// The process's own memory map: [start, end) and whether it is readable, in address order.
struct Region {
    std::uintptr_t start, end;
    bool readable;
};

std::vector<Region> read_memory_map() {
    std::vector<Region> regions;
    int fd = open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return regions;
    std::string text;
    char buffer[4096];
    for (;;) {
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        text.append(buffer, std::size_t(n));
    }
    close(fd);
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t eol = text.find('\n', pos);
        if (eol == std::string::npos)
            eol = text.size();
        const char* line = text.c_str() + pos;
        char* rest = nullptr;
        std::uintptr_t start = std::strtoull(line, &rest, 16);
        if (rest && *rest == '-') {
            std::uintptr_t end = std::strtoull(rest + 1, &rest, 16);
            if (rest && *rest == ' ' && end > start)
                regions.push_back({start, end, rest[1] == 'r'});
        }
        pos = eol + 1;
    }
    return regions;
}

} // namespace

} // namespace zvk_winapi

using namespace zvk_winapi;

LPVOID VirtualAlloc(LPVOID address, SIZE_T size, DWORD allocation_type, DWORD protect) {
    if (size == 0 || (allocation_type & ~DWORD(MEM_COMMIT | MEM_RESERVE)) ||
        !(allocation_type & (MEM_COMMIT | MEM_RESERVE)))
        return fail(ERROR_INVALID_PARAMETER);
    int prot = posix_protection(protect);
    if (prot < 0)
        return fail(ERROR_INVALID_PARAMETER);
    std::uintptr_t a = reinterpret_cast<std::uintptr_t>(address);
    std::lock_guard<std::mutex> g(memory_lock());
    // A commit without an address reserves too, as on Windows.
    if ((allocation_type & MEM_RESERVE) || !a)
        return reserve(a, size, (allocation_type & MEM_COMMIT) != 0, protect, prot);
    return commit(a, size, protect, prot);
}

BOOL VirtualProtect(LPVOID address, SIZE_T size, DWORD new_protect, DWORD* old_protect) {
    if (!old_protect || size == 0)
        return fail_bool(ERROR_INVALID_PARAMETER);
    int prot = posix_protection(new_protect);
    if (prot < 0)
        return fail_bool(ERROR_INVALID_PARAMETER);
    std::uintptr_t start = 0, end = 0;
    if (!page_span(reinterpret_cast<std::uintptr_t>(address), size, start, end))
        return fail_bool(ERROR_INVALID_PARAMETER);
    std::lock_guard<std::mutex> g(memory_lock());
    Reservation* r = reservation_for(start, end);
    if (!r)
        return fail_bool(ERROR_INVALID_ADDRESS);
    if (!r->protection.all_of(r->page(start), r->page(end), [](DWORD p) { return p != 0; }))
        return fail_bool(ERROR_INVALID_ADDRESS); // a page that is not committed
    if (mprotect(reinterpret_cast<void*>(start), end - start, prot) != 0)
        return fail_bool(ERROR_INVALID_PARAMETER);
    *old_protect = r->protection[r->page(start)];
    r->protection.set(r->page(start), r->page(end), new_protect);
    return TRUE;
}

BOOL VirtualFree(LPVOID address, SIZE_T size, DWORD free_type) {
    std::uintptr_t a = reinterpret_cast<std::uintptr_t>(address);
    std::lock_guard<std::mutex> g(memory_lock());
    auto& table = reservations();
    if (free_type == MEM_RELEASE) {
        if (size != 0)
            return fail_bool(ERROR_INVALID_PARAMETER);
        auto it = table.find(a);
        if (it == table.end())
            return fail_bool(ERROR_INVALID_ADDRESS);
        munmap(address, it->second.size);
        table.erase(it);
        return TRUE;
    }
    if (free_type != MEM_DECOMMIT)
        return fail_bool(ERROR_INVALID_PARAMETER);
    std::uintptr_t start = 0, end = 0;
    Reservation* r = nullptr;
    if (size == 0) {
        // The whole reservation, and only from its start (Windows refuses size 0 elsewhere).
        auto it = table.find(a);
        if (it == table.end())
            return fail_bool(ERROR_INVALID_PARAMETER);
        r = &it->second;
        start = r->base;
        end = r->end();
    } else {
        if (!page_span(a, size, start, end))
            return fail_bool(ERROR_INVALID_PARAMETER);
        r = reservation_for(start, end);
        if (!r)
            return fail_bool(ERROR_INVALID_ADDRESS);
    }
    void* p = reinterpret_cast<void*>(start);
    // Inaccessible at once; MADV_DONTNEED drops the content, so a later commit reads zeros.
    if (mprotect(p, end - start, PROT_NONE) != 0 || madvise(p, end - start, MADV_DONTNEED) != 0)
        return fail_bool(ERROR_INVALID_PARAMETER);
    r->protection.set(r->page(start), r->page(end), 0);
    return TRUE;
}

BOOL IsBadReadPtr(const void* address, UINT_PTR size) {
    if (size == 0)
        return FALSE;
    std::uintptr_t start = reinterpret_cast<std::uintptr_t>(address);
    if (!start || size > UINTPTR_MAX - start)
        return TRUE;
    std::uintptr_t end = start + size;
    std::lock_guard<std::mutex> g(memory_lock());
    auto& table = reservations();
    std::vector<Region> map;
    bool map_read = false;
    std::uintptr_t at = start;
    while (at < end) {
        std::uintptr_t page = round_down(at, kPage);
        if (Reservation* r = reservation_for(page, page + kPage)) {
            // Our own reservation: the page table we keep is exact.
            std::uintptr_t stop = end < r->end() ? end : r->end();
            if (!r->protection.all_of(r->page(page), r->page(stop - 1) + 1, readable))
                return TRUE;
            at = stop;
            continue;
        }
        if (!map_read) {
            map = read_memory_map();
            map_read = true;
        }
        auto it = map.begin();
        while (it != map.end() && it->end <= at)
            ++it;
        if (it == map.end() || it->start > at || !it->readable)
            return TRUE;
        std::uintptr_t stop = it->end < end ? it->end : end;
        // A mapping the kernel merged with one of ours must not hide our page states.
        auto next = table.upper_bound(at);
        if (next != table.end() && next->first < stop)
            stop = next->first;
        at = stop;
    }
    return FALSE;
}

namespace {
// The process heap's handle: any distinct non-null address.
char process_heap_marker;
} // namespace

HANDLE GetProcessHeap() {
    return &process_heap_marker;
}

LPVOID HeapAlloc(HANDLE heap, DWORD flags, SIZE_T size) {
    if (heap != &process_heap_marker)
        return fail(ERROR_INVALID_HANDLE);
    // A block of size 0 is still a distinct block, as on Windows.
    void* block = (flags & HEAP_ZERO_MEMORY) ? std::calloc(1, size ? size : 1) : std::malloc(size ? size : 1);
    if (!block)
        return fail(ERROR_NOT_ENOUGH_MEMORY);
    return block;
}

SIZE_T HeapCompact(HANDLE heap, DWORD) {
    if (heap != &process_heap_marker) {
        fail(ERROR_INVALID_HANDLE);
        return 0;
    }
    // glibc gathers freed small blocks only when a large request comes, whichever thread makes it and
    // with the arena locked meanwhile; this does it here.
    malloc_trim(0);
    return 1;
}

BOOL HeapFree(HANDLE heap, DWORD, LPVOID block) {
    if (heap != &process_heap_marker)
        return fail_bool(ERROR_INVALID_HANDLE);
    std::free(block);
    return TRUE;
}
