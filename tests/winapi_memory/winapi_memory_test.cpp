// The virtual-memory and heap stand-in keeps the Windows meaning the in-memory loader relies on:
// reservations never move or overwrite, commits zero-fill once, protections round to pages, and a
// release takes the whole reservation. The kernel's own view (/proc/self/maps) is the witness.
#include "zvk_windows.h"
#include "zvk_posix_memory.h"

#include "memory_map.h"

#include <gtest/gtest.h>

#include <sys/mman.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

using zvk_test::page_permissions;
using zvk_winapi::query_page;

namespace {

constexpr std::size_t kPage = 4096;

unsigned char* at(void* base, std::size_t offset) {
    return static_cast<unsigned char*>(base) + offset;
}

bool all_bytes(const void* p, std::size_t n, unsigned char value) {
    const auto* b = static_cast<const unsigned char*>(p);
    for (std::size_t i = 0; i < n; ++i)
        if (b[i] != value)
            return false;
    return true;
}

// A reservation released at the end of the test.
struct Reserved {
    void* base;
    explicit Reserved(std::size_t size, DWORD type = MEM_RESERVE, DWORD protect = PAGE_READWRITE)
        : base(VirtualAlloc(nullptr, size, type, protect)) {}
    ~Reserved() {
        if (base)
            VirtualFree(base, 0, MEM_RELEASE);
    }
};

// A mapping the stand-in knows nothing about, as a library or the C heap would make.
struct ForeignMapping {
    void* base;
    std::size_t size;
    ForeignMapping(void* where, std::size_t n, int prot) : size(n) {
        int flags = MAP_PRIVATE | MAP_ANONYMOUS | (where ? MAP_FIXED_NOREPLACE : 0);
        base = mmap(where, n, prot, flags, -1, 0);
        if (base == MAP_FAILED)
            base = nullptr;
    }
    ~ForeignMapping() {
        if (base)
            munmap(base, size);
    }
};

} // namespace

TEST(VirtualMemory, ReservationAnywhereIsAlignedAndInaccessible) {
    std::size_t before = zvk_winapi::reservation_count();
    void* base = VirtualAlloc(nullptr, 100000, MEM_RESERVE, PAGE_READWRITE);
    ASSERT_NE(base, nullptr);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(base) % 0x10000, 0u);
    zvk_winapi::PageState s = query_page(at(base, 100000 - 1));
    EXPECT_TRUE(s.reserved);
    EXPECT_FALSE(s.committed);
    EXPECT_EQ(s.reservation_base, base);
    EXPECT_EQ(s.reservation_size, 102400u); // rounded up to whole pages
    EXPECT_FALSE(query_page(at(base, 102400)).reserved);
    EXPECT_EQ(page_permissions(base), "---");
    EXPECT_NE(IsBadReadPtr(base, 1), FALSE);
    EXPECT_EQ(zvk_winapi::reservation_count(), before + 1);

    ASSERT_TRUE(VirtualFree(base, 0, MEM_RELEASE));
    EXPECT_FALSE(query_page(base).reserved);
    EXPECT_EQ(page_permissions(base), "");
    EXPECT_EQ(zvk_winapi::reservation_count(), before);
}

TEST(VirtualMemory, ReservationAtAFreeAddressStaysThereRoundedDownTo64K) {
    auto* free = static_cast<unsigned char*>(zvk_test::free_address(0x10000));
    ASSERT_NE(free, nullptr);
    void* base = VirtualAlloc(free + 0x1234, 0x3000, MEM_RESERVE, PAGE_READWRITE);
    ASSERT_EQ(base, free);
    // The range reaches to the last page the request touches.
    EXPECT_EQ(query_page(base).reservation_size, 0x5000u);
    VirtualFree(base, 0, MEM_RELEASE);
}

TEST(VirtualMemory, ReservationOverlappingAnyMappingFailsAndTouchesNothing) {
    auto* hole = static_cast<unsigned char*>(zvk_test::free_address(0x40000));
    ASSERT_NE(hole, nullptr);
    // A foreign mapping in the second granule, one of ours in the fourth.
    ForeignMapping foreign(hole + 0x10000, 0x10000, PROT_READ | PROT_WRITE);
    ASSERT_NE(foreign.base, nullptr);
    std::memset(foreign.base, 0x5A, 0x10000);
    void* ours = VirtualAlloc(hole + 0x30000, 0x10000, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    ASSERT_EQ(ours, hole + 0x30000);
    std::memset(ours, 0xA5, 0x10000);

    struct Case {
        const char* what;
        std::size_t offset, size;
    } cases[] = {
        {"exactly the foreign mapping", 0x10000, 0x10000},
        {"ending inside it", 0x0, 0x10001},
        {"inside it, rounded down onto it", 0x18000, 0x1000},
        {"spanning past it", 0x0, 0x30000},
        {"one of the stand-in's own", 0x30000, 0x1000},
        {"starting free and running into ours", 0x20000, 0x10001},
    };
    std::size_t count = zvk_winapi::reservation_count();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetLastError(0);
        EXPECT_EQ(VirtualAlloc(hole + c.offset, c.size, MEM_RESERVE, PAGE_READWRITE), nullptr);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_ADDRESS));
        EXPECT_EQ(zvk_winapi::reservation_count(), count);
    }
    EXPECT_TRUE(all_bytes(foreign.base, 0x10000, 0x5A));
    EXPECT_TRUE(all_bytes(ours, 0x10000, 0xA5));
    EXPECT_EQ(page_permissions(foreign.base), "rw-");
    EXPECT_EQ(page_permissions(hole), ""); // the failed attempts left nothing behind
    EXPECT_EQ(page_permissions(hole + 0x20000), "");
    VirtualFree(ours, 0, MEM_RELEASE);
}

TEST(VirtualMemory, FirstCommitZeroFillsAndLaterCommitsKeepContent) {
    Reserved r(4 * kPage);
    ASSERT_NE(r.base, nullptr);
    ASSERT_EQ(VirtualAlloc(at(r.base, kPage + 10), 20, MEM_COMMIT, PAGE_READWRITE), at(r.base, kPage));
    std::memset(at(r.base, kPage), 0x77, kPage);
    EXPECT_EQ(query_page(at(r.base, 0)).committed, false);

    ASSERT_EQ(VirtualAlloc(r.base, 3 * kPage, MEM_COMMIT, PAGE_READWRITE), r.base);
    EXPECT_TRUE(all_bytes(at(r.base, 0), kPage, 0));
    EXPECT_TRUE(all_bytes(at(r.base, kPage), kPage, 0x77));
    EXPECT_TRUE(all_bytes(at(r.base, 2 * kPage), kPage, 0));
    EXPECT_FALSE(query_page(at(r.base, 3 * kPage)).committed);

    // Decommitted pages come back as zeros.
    std::memset(r.base, 0x11, 3 * kPage);
    ASSERT_TRUE(VirtualFree(at(r.base, kPage), kPage, MEM_DECOMMIT));
    EXPECT_FALSE(query_page(at(r.base, kPage)).committed);
    EXPECT_EQ(page_permissions(at(r.base, kPage)), "---");
    EXPECT_NE(IsBadReadPtr(at(r.base, kPage), 1), FALSE);
    ASSERT_NE(VirtualAlloc(at(r.base, kPage), kPage, MEM_COMMIT, PAGE_READWRITE), nullptr);
    EXPECT_TRUE(all_bytes(at(r.base, kPage), kPage, 0));
    EXPECT_TRUE(all_bytes(at(r.base, 0), kPage, 0x11));
}

TEST(VirtualMemory, ReserveAndCommitInOneCall) {
    for (DWORD type : {DWORD(MEM_RESERVE | MEM_COMMIT), DWORD(MEM_COMMIT)}) {
        Reserved r(3 * kPage, type);
        ASSERT_NE(r.base, nullptr);
        EXPECT_TRUE(all_bytes(r.base, 3 * kPage, 0));
        EXPECT_EQ(query_page(at(r.base, 2 * kPage)).protection, DWORD(PAGE_READWRITE));
        EXPECT_EQ(page_permissions(r.base), "rw-");
    }
}

TEST(VirtualMemory, CommitOutsideOneReservationFails) {
    Reserved r(2 * kPage);
    ASSERT_NE(r.base, nullptr);
    ForeignMapping foreign(nullptr, kPage, PROT_NONE);
    std::size_t count = zvk_winapi::reservation_count();
    EXPECT_EQ(VirtualAlloc(at(r.base, kPage), kPage + 1, MEM_COMMIT, PAGE_READWRITE), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_ADDRESS));
    EXPECT_EQ(VirtualAlloc(foreign.base, kPage, MEM_COMMIT, PAGE_READWRITE), nullptr);
    EXPECT_EQ(page_permissions(foreign.base), "---");
    EXPECT_FALSE(query_page(at(r.base, kPage)).committed); // a failed commit commits nothing
    EXPECT_EQ(zvk_winapi::reservation_count(), count);
}

TEST(VirtualMemory, ArgumentsWindowsRefuses) {
    EXPECT_EQ(VirtualAlloc(nullptr, 0, MEM_RESERVE, PAGE_READWRITE), nullptr);
    EXPECT_EQ(VirtualAlloc(nullptr, kPage, 0, PAGE_READWRITE), nullptr);
    EXPECT_EQ(VirtualAlloc(nullptr, kPage, MEM_RESERVE | MEM_DECOMMIT, PAGE_READWRITE), nullptr);
    for (DWORD protect : {DWORD(0), DWORD(3), DWORD(PAGE_READWRITE | PAGE_GUARD),
                          DWORD(PAGE_READWRITE | PAGE_NOCACHE | PAGE_WRITECOMBINE)}) {
        SCOPED_TRACE(protect);
        EXPECT_EQ(VirtualAlloc(nullptr, kPage, MEM_RESERVE, protect), nullptr);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    }
    EXPECT_EQ(
        VirtualAlloc(reinterpret_cast<void*>(UINTPTR_MAX - kPage), 2 * kPage, MEM_RESERVE, PAGE_READWRITE),
        nullptr);
}

TEST(VirtualMemory, EachProtectionMapsToItsPosixEquivalent) {
    struct Case {
        DWORD protect;
        const char* permissions;
        bool readable;
    } cases[] = {
        {PAGE_NOACCESS, "---", false},
        {PAGE_READONLY, "r--", true},
        {PAGE_READWRITE, "rw-", true},
        {PAGE_WRITECOPY, "rw-", true},
        {PAGE_EXECUTE, "--x", false},
        {PAGE_EXECUTE_READ, "r-x", true},
        {PAGE_EXECUTE_READWRITE, "rwx", true},
        {PAGE_EXECUTE_WRITECOPY, "rwx", true},
        {PAGE_READONLY | PAGE_NOCACHE, "r--", true},
        {PAGE_EXECUTE_READ | PAGE_WRITECOMBINE, "r-x", true},
    };
    Reserved r(kPage, MEM_RESERVE | MEM_COMMIT);
    ASSERT_NE(r.base, nullptr);
    DWORD previous = PAGE_READWRITE;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.protect);
        DWORD old = 0;
        ASSERT_TRUE(VirtualProtect(r.base, 1, c.protect, &old));
        EXPECT_EQ(old, previous);
        EXPECT_EQ(page_permissions(r.base), c.permissions);
        EXPECT_EQ(IsBadReadPtr(r.base, 1) == FALSE, c.readable);
        EXPECT_EQ(query_page(r.base).protection, c.protect);
        previous = c.protect;
    }
}

TEST(VirtualMemory, ProtectionCoversEveryPageTheRangeTouches) {
    Reserved r(3 * kPage, MEM_RESERVE | MEM_COMMIT);
    ASSERT_NE(r.base, nullptr);
    DWORD old = 0;
    ASSERT_TRUE(VirtualProtect(at(r.base, kPage - 1), 2, PAGE_READONLY, &old));
    EXPECT_EQ(old, DWORD(PAGE_READWRITE));
    EXPECT_EQ(page_permissions(at(r.base, 0)), "r--");
    EXPECT_EQ(page_permissions(at(r.base, kPage)), "r--");
    EXPECT_EQ(page_permissions(at(r.base, 2 * kPage)), "rw-");
    EXPECT_EQ(query_page(at(r.base, 2 * kPage)).protection, DWORD(PAGE_READWRITE));
}

TEST(VirtualMemory, ProtectionOfPagesNotCommittedOrNotOursFails) {
    Reserved r(3 * kPage);
    ASSERT_NE(r.base, nullptr);
    ASSERT_NE(VirtualAlloc(r.base, kPage, MEM_COMMIT, PAGE_READWRITE), nullptr);
    DWORD old = 0;
    // The second page is only reserved: nothing changes, not even the first page.
    EXPECT_FALSE(VirtualProtect(r.base, 2 * kPage, PAGE_READONLY, &old));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_ADDRESS));
    EXPECT_EQ(page_permissions(r.base), "rw-");
    EXPECT_FALSE(VirtualProtect(r.base, 4 * kPage, PAGE_READONLY, &old)); // past the reservation
    EXPECT_FALSE(VirtualProtect(r.base, kPage, PAGE_READONLY, nullptr));
    EXPECT_FALSE(VirtualProtect(r.base, kPage, 0, &old));
    EXPECT_FALSE(VirtualProtect(r.base, 0, PAGE_READONLY, &old));
    int local = 0;
    EXPECT_FALSE(VirtualProtect(&local, sizeof local, PAGE_READONLY, &old));
    EXPECT_EQ(page_permissions(r.base), "rw-");
}

TEST(VirtualMemory, EveryPageKeepsItsLastStateThroughOverlappingChanges) {
    // Commits, protection changes and decommits over overlapping ranges, checked page by page
    // against a plain model after each step (what the stand-in and the kernel both say).
    constexpr std::size_t pages = 40;
    Reserved r(pages * kPage);
    ASSERT_NE(r.base, nullptr);
    std::vector<DWORD> model(pages, 0);
    const DWORD protections[] = {PAGE_READWRITE, PAGE_READONLY, PAGE_NOACCESS, PAGE_EXECUTE_READ};
    std::uint32_t random = 12345;
    auto next = [&](std::uint32_t n) {
        random = random * 1103515245u + 12345u;
        return (random >> 16) % n;
    };
    for (int step = 0; step < 300; ++step) {
        SCOPED_TRACE(step);
        std::size_t first = next(pages), last = first + 1 + next(std::uint32_t(pages - first));
        DWORD protect = protections[next(4)];
        void* start = at(r.base, first * kPage);
        SIZE_T size = (last - first) * kPage;
        switch (next(3)) {
        case 0:
            ASSERT_NE(VirtualAlloc(start, size, MEM_COMMIT, protect), nullptr);
            std::fill(model.begin() + long(first), model.begin() + long(last), protect);
            break;
        case 1: {
            DWORD old = 0;
            bool committed = std::all_of(model.begin() + long(first), model.begin() + long(last),
                                         [](DWORD p) { return p != 0; });
            ASSERT_EQ(bool(VirtualProtect(start, size, protect, &old)), committed);
            if (committed) {
                EXPECT_EQ(old, model[first]);
                std::fill(model.begin() + long(first), model.begin() + long(last), protect);
            }
            break;
        }
        default:
            ASSERT_TRUE(VirtualFree(start, size, MEM_DECOMMIT));
            std::fill(model.begin() + long(first), model.begin() + long(last), DWORD(0));
        }
        for (std::size_t page = 0; page < pages; ++page)
            ASSERT_EQ(query_page(at(r.base, page * kPage)).protection, model[page]) << "page " << page;
        // The kernel's view of the changed pages and their neighbours.
        for (std::size_t page = first ? first - 1 : 0; page < pages && page <= last; ++page) {
            bool readable = model[page] == PAGE_READWRITE || model[page] == PAGE_READONLY ||
                            model[page] == PAGE_EXECUTE_READ;
            ASSERT_EQ(page_permissions(at(r.base, page * kPage))[0] == 'r', readable) << "page " << page;
        }
        bool range_readable =
            std::all_of(model.begin() + long(first), model.begin() + long(last), [](DWORD p) {
                return p == PAGE_READWRITE || p == PAGE_READONLY || p == PAGE_EXECUTE_READ;
            });
        EXPECT_EQ(!IsBadReadPtr(start, UINT_PTR(size)), range_readable);
    }
}

TEST(VirtualMemory, AReservationOfGigabytesKeepsPageStatesAtBothEnds) {
    constexpr std::size_t size = std::size_t(4) << 30;
    Reserved r(size, MEM_RESERVE | MEM_COMMIT);
    ASSERT_NE(r.base, nullptr);
    DWORD old = 0;
    ASSERT_TRUE(VirtualProtect(at(r.base, size - kPage), kPage, PAGE_READONLY, &old));
    ASSERT_TRUE(VirtualFree(at(r.base, kPage), size - 3 * kPage, MEM_DECOMMIT));
    EXPECT_EQ(query_page(r.base).protection, DWORD(PAGE_READWRITE));
    EXPECT_FALSE(query_page(at(r.base, size / 2)).committed);
    EXPECT_EQ(query_page(at(r.base, size - 2 * kPage)).protection, DWORD(PAGE_READWRITE));
    EXPECT_EQ(query_page(at(r.base, size - kPage)).protection, DWORD(PAGE_READONLY));
    EXPECT_FALSE(IsBadReadPtr(at(r.base, size - 2 * kPage), 2 * kPage));
    EXPECT_TRUE(IsBadReadPtr(r.base, 2 * kPage));
}

TEST(VirtualMemory, ReleaseTakesTheWholeReservationAndOnlyFromItsStart) {
    void* base = VirtualAlloc(nullptr, 4 * kPage, MEM_RESERVE, PAGE_READWRITE);
    ASSERT_NE(base, nullptr);
    ASSERT_NE(VirtualAlloc(at(base, 2 * kPage), kPage, MEM_COMMIT, PAGE_READWRITE), nullptr);
    EXPECT_FALSE(VirtualFree(base, kPage, MEM_RELEASE));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(VirtualFree(at(base, kPage), 0, MEM_RELEASE));
    EXPECT_FALSE(VirtualFree(base, 0, MEM_RELEASE | MEM_DECOMMIT));
    EXPECT_EQ(page_permissions(at(base, 2 * kPage)), "rw-");

    ASSERT_TRUE(VirtualFree(base, 0, MEM_RELEASE));
    for (std::size_t page = 0; page < 4; ++page)
        EXPECT_EQ(page_permissions(at(base, page * kPage)), "") << page;
    EXPECT_FALSE(VirtualFree(base, 0, MEM_RELEASE));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_ADDRESS));
}

TEST(VirtualMemory, DecommitOfSizeZeroTakesTheWholeReservationFromItsStartOnly) {
    Reserved r(3 * kPage, MEM_RESERVE | MEM_COMMIT);
    ASSERT_NE(r.base, nullptr);
    EXPECT_FALSE(VirtualFree(at(r.base, kPage), 0, MEM_DECOMMIT));
    EXPECT_TRUE(query_page(at(r.base, kPage)).committed);
    ASSERT_TRUE(VirtualFree(r.base, 0, MEM_DECOMMIT));
    for (std::size_t page = 0; page < 3; ++page)
        EXPECT_FALSE(query_page(at(r.base, page * kPage)).committed) << page;
    EXPECT_TRUE(query_page(r.base).reserved);
    // Decommitting pages that are not committed is no error, as on Windows.
    EXPECT_TRUE(VirtualFree(r.base, kPage, MEM_DECOMMIT));
}

TEST(VirtualMemory, IsBadReadPtrAnswersFromTheMemoryMap) {
    ForeignMapping pair(nullptr, 2 * kPage, PROT_READ);
    ASSERT_NE(pair.base, nullptr);
    ASSERT_EQ(mprotect(at(pair.base, kPage), kPage, PROT_NONE), 0);
    ForeignMapping gone(nullptr, kPage, PROT_READ);
    ASSERT_NE(gone.base, nullptr);
    munmap(gone.base, kPage);
    void* unmapped = gone.base;
    gone.base = nullptr;
    Reserved ours(2 * kPage);
    ASSERT_NE(ours.base, nullptr);
    ASSERT_NE(VirtualAlloc(ours.base, kPage, MEM_COMMIT, PAGE_READONLY), nullptr);
    int on_stack = 1;
    static const char text[] = "read-only data";

    struct Case {
        const char* what;
        const void* address;
        UINT_PTR size;
        bool bad;
    } cases[] = {
        {"a local variable", &on_stack, sizeof on_stack, false},
        {"constant data", text, sizeof text, false},
        {"nothing at all, even at null", nullptr, 0, false},
        {"null", nullptr, 1, true},
        {"a foreign read-only page", pair.base, kPage, false},
        {"running into a foreign inaccessible page", at(pair.base, kPage - 4), 8, true},
        {"an unmapped page", unmapped, 1, true},
        {"a range that wraps around", reinterpret_cast<void*>(UINTPTR_MAX - 3), 8, true},
        {"a committed read-only page of ours", ours.base, kPage, false},
        {"running into a reserved page of ours", at(ours.base, kPage - 1), 2, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(IsBadReadPtr(c.address, c.size) != FALSE, c.bad);
    }
}

TEST(VirtualMemory, ConcurrentReservationsKeepTheirOwnPages) {
    std::size_t before = zvk_winapi::reservation_count();
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&failures, t] {
            for (int i = 0; i < 100; ++i) {
                void* base = VirtualAlloc(nullptr, 3 * kPage, MEM_RESERVE, PAGE_READWRITE);
                if (!base || !VirtualAlloc(at(base, kPage), kPage, MEM_COMMIT, PAGE_READWRITE)) {
                    ++failures;
                    continue;
                }
                std::memset(at(base, kPage), t, kPage);
                DWORD old = 0;
                if (!VirtualProtect(at(base, kPage), kPage, PAGE_READONLY, &old) ||
                    IsBadReadPtr(at(base, kPage), kPage) || !IsBadReadPtr(base, 1) ||
                    !all_bytes(at(base, kPage), kPage, static_cast<unsigned char>(t)))
                    ++failures;
                if (!VirtualFree(base, 0, MEM_RELEASE))
                    ++failures;
            }
        });
    }
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(zvk_winapi::reservation_count(), before);
}

TEST(ProcessHeap, BlocksComeFromTheCHeap) {
    HANDLE heap = GetProcessHeap();
    ASSERT_NE(heap, nullptr);
    EXPECT_EQ(GetProcessHeap(), heap);
    auto* zeroed = static_cast<unsigned char*>(HeapAlloc(heap, HEAP_ZERO_MEMORY, 1000));
    ASSERT_NE(zeroed, nullptr);
    EXPECT_TRUE(all_bytes(zeroed, 1000, 0));
    void* empty1 = HeapAlloc(heap, 0, 0);
    void* empty2 = HeapAlloc(heap, 0, 0);
    EXPECT_NE(empty1, nullptr);
    EXPECT_NE(empty1, empty2);
    int not_a_heap = 0;
    EXPECT_EQ(HeapAlloc(&not_a_heap, 0, 16), nullptr);
    EXPECT_FALSE(HeapFree(&not_a_heap, 0, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    EXPECT_TRUE(HeapFree(heap, 0, zeroed));
    EXPECT_TRUE(HeapFree(heap, 0, empty1));
    EXPECT_TRUE(HeapFree(heap, 0, empty2));
    EXPECT_TRUE(HeapFree(heap, 0, nullptr));

    // Compacting: something other than 0 (failure) for the process heap.
    EXPECT_NE(HeapCompact(heap, 0), SIZE_T(0));
    SetLastError(0);
    EXPECT_EQ(HeapCompact(&not_a_heap, 0), SIZE_T(0));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
}
