// "KERNEL32.dll" and "msvcrt.dll" of the stand-in, called the way module images call them: looked up
// through LoadLibraryA and GetProcAddress and called with the Windows calling convention.
#include "zvk_windows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

template <class F> F entry(const char* library, const char* name) {
    HMODULE module = LoadLibraryA(library);
    EXPECT_NE(module, nullptr) << library;
    F function =
        module ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
    EXPECT_NE(function, nullptr) << library << "!" << name;
    return function;
}

typedef ZVK_MS_ABI void* (*malloc_fn)(std::size_t);
typedef ZVK_MS_ABI void (*free_fn)(void*);

// What crosses between host and module is std::string and std::map memory: one side allocates it
// with its library's allocator, the other frees it. AddressSanitizer checks that each block goes
// back to the allocator kind that made it.
TEST(SystemLibraries, HeapBlocksCrossBetweenHostAndModule) {
    auto module_malloc = entry<malloc_fn>("msvcrt.dll", "malloc");
    auto module_free = entry<free_fn>("msvcrt.dll", "free");
    ASSERT_TRUE(module_malloc && module_free);
    std::allocator<char> host;

    // The module's string buffer, released by the host's string.
    char* from_module = static_cast<char*>(module_malloc(40));
    ASSERT_NE(from_module, nullptr);
    std::fill(from_module, from_module + 40, 'm');
    host.deallocate(from_module, 40);

    // The host's string buffer, released by the module.
    char* from_host = host.allocate(40);
    std::fill(from_host, from_host + 40, 'h');
    module_free(from_host);

    // malloc(0) gives distinct blocks that free accepts, and free(null) does nothing.
    void* a = module_malloc(0);
    void* b = module_malloc(0);
    EXPECT_NE(a, nullptr);
    EXPECT_NE(a, b);
    module_free(a);
    module_free(b);
    module_free(nullptr);
}

TEST(SystemLibraries, MemoryAndStringFunctionsKeepTheirMeaning) {
    auto memcpy_ = entry<ZVK_MS_ABI void* (*)(void*, const void*, std::size_t)>("msvcrt.dll", "memcpy");
    auto memmove_ = entry<ZVK_MS_ABI void* (*)(void*, const void*, std::size_t)>("msvcrt.dll", "memmove");
    auto memset_ = entry<ZVK_MS_ABI void* (*)(void*, int, std::size_t)>("msvcrt.dll", "memset");
    auto memcmp_ = entry<ZVK_MS_ABI int (*)(const void*, const void*, std::size_t)>("msvcrt.dll", "memcmp");
    auto memchr_ = entry<ZVK_MS_ABI void* (*)(const void*, int, std::size_t)>("msvcrt.dll", "memchr");
    auto strlen_ = entry<ZVK_MS_ABI std::size_t (*)(const char*)>("msvcrt.dll", "strlen");
    ASSERT_TRUE(memcpy_ && memmove_ && memset_ && memcmp_ && memchr_ && strlen_);

    char text[16] = "abcdefgh";
    EXPECT_EQ(memmove_(text + 2, text, 6), text + 2); // overlapping, moved as if through a copy
    EXPECT_STREQ(text, "ababcdef");
    char copy[16] = {};
    EXPECT_EQ(memcpy_(copy, "xyz", 4), copy);
    EXPECT_STREQ(copy, "xyz");
    EXPECT_EQ(memset_(copy, 'q', 2), copy);
    EXPECT_STREQ(copy, "qqz");
    EXPECT_LT(memcmp_("ab\x01", "ab\xff", 3), 0); // bytes compare unsigned
    EXPECT_GT(memcmp_("b", "a", 1), 0);
    EXPECT_EQ(memcmp_("same", "same", 4), 0);
    EXPECT_EQ(memchr_(text, 'c', 8), text + 4);
    EXPECT_EQ(memchr_(text, 'z', 8), nullptr);
    EXPECT_EQ(strlen_("diagnostic"), 10u);
    EXPECT_EQ(strlen_(""), 0u);
}

TEST(SystemLibraries, TimeTicksAndSleep) {
    auto time64 = entry<ZVK_MS_ABI LONGLONG (*)(LONGLONG*)>("msvcrt.dll", "_time64");
    auto ticks = entry<ZVK_MS_ABI ULONGLONG (*)()>("KERNEL32.dll", "GetTickCount64");
    auto sleep = entry<ZVK_MS_ABI void (*)(DWORD)>("KERNEL32.dll", "Sleep");
    ASSERT_TRUE(time64 && ticks && sleep);

    LONGLONG stored = 0;
    LONGLONG before = static_cast<LONGLONG>(std::time(nullptr));
    LONGLONG now = time64(&stored);
    EXPECT_EQ(stored, now);
    EXPECT_GE(now, before);
    EXPECT_LE(now - before, 1);
    EXPECT_GE(time64(nullptr), now);

    ULONGLONG start = ticks();
    auto steady_start = std::chrono::steady_clock::now();
    sleep(60);
    EXPECT_GE(ticks() - start, 59u); // tick rounding aside
    EXPECT_GE(std::chrono::steady_clock::now() - steady_start, std::chrono::milliseconds(60));
    sleep(0); // gives up the time slice and returns
}

TEST(SystemLibraries, ThreadIdsTellThreadsApart) {
    auto thread_id = entry<ZVK_MS_ABI DWORD (*)()>("KERNEL32.dll", "GetCurrentThreadId");
    ASSERT_TRUE(thread_id);
    DWORD mine = thread_id();
    EXPECT_EQ(thread_id(), mine);
    DWORD other = 0;
    std::thread([&] { other = thread_id(); }).join();
    EXPECT_NE(other, 0u);
    EXPECT_NE(other, mine);
}

// A module's SRWLOCK is a zeroed pointer-sized word; many threads contend for it.
TEST(SystemLibraries, SlimLockExcludesOtherThreads) {
    typedef ZVK_MS_ABI void (*lock_fn)(void*);
    auto acquire = entry<lock_fn>("KERNEL32.dll", "AcquireSRWLockExclusive");
    auto release = entry<lock_fn>("KERNEL32.dll", "ReleaseSRWLockExclusive");
    ASSERT_TRUE(acquire && release);

    void* lock = nullptr;
    long counter = 0; // plain on purpose: only the lock protects it
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 20000; ++i) {
                acquire(&lock);
                counter = counter + 1;
                release(&lock);
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(counter, 80000);
    EXPECT_EQ(lock, nullptr) << "a released lock is free again";
}

// A module appends to "C:\zedra\zedra.log" on the drive of the Windows folder; the host reads the
// same file through the drive mapping.
TEST(SystemLibraries, LogFileGoesThroughTheDriveMapping) {
    auto windows_directory = entry<ZVK_MS_ABI UINT (*)(char*, UINT)>("KERNEL32.dll", "GetWindowsDirectoryA");
    auto make_folder = entry<ZVK_MS_ABI int (*)(const char*)>("msvcrt.dll", "_mkdir");
    auto open = entry<ZVK_MS_ABI FILE* (*)(const char*, const char*, int)>("msvcrt.dll", "_fsopen");
    auto write = entry<ZVK_MS_ABI std::size_t (*)(const void*, std::size_t, std::size_t, FILE*)>("msvcrt.dll",
                                                                                                 "fwrite");
    auto close = entry<ZVK_MS_ABI int (*)(FILE*)>("msvcrt.dll", "fclose");
    ASSERT_TRUE(windows_directory && make_folder && open && write && close);
    const char* drive = std::getenv("ZVK_DRIVE_C");
    ASSERT_NE(drive, nullptr);
    std::filesystem::remove_all(drive);
    std::filesystem::create_directories(drive);

    char folder[MAX_PATH] = {};
    UINT length = windows_directory(folder, MAX_PATH);
    ASSERT_GT(length, 2u);
    EXPECT_EQ(length, std::strlen(folder));
    EXPECT_EQ(std::string(folder, 3), "C:\\");

    EXPECT_EQ(make_folder("C:\\zedra"), 0);
    EXPECT_EQ(make_folder("C:\\zedra"), -1) << "exists already";
    const int share_deny_none = 0x40;
    for (const char* line : {"one\n", "two\n"}) {
        FILE* file = open("C:\\zedra\\zedra.log", "a", share_deny_none);
        ASSERT_NE(file, nullptr);
        EXPECT_EQ(write(line, 1, 4, file), 4u);
        EXPECT_EQ(close(file), 0);
    }
    std::ifstream in(std::string(drive) + "/zedra/zedra.log", std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), "one\ntwo\n");
    EXPECT_EQ(open("C:\\no_such_folder\\zedra.log", "a", share_deny_none), nullptr);
}

TEST(SystemLibraries, FunctionsModulesDoNotImportAreNotOffered) {
    HMODULE kernel32 = LoadLibraryA("KERNEL32.dll");
    HMODULE msvcrt = LoadLibraryA("msvcrt.dll");
    ASSERT_NE(kernel32, nullptr);
    ASSERT_NE(msvcrt, nullptr);
    EXPECT_EQ(GetProcAddress(kernel32, "Beep"), nullptr);
    EXPECT_EQ(GetProcAddress(msvcrt, "printf"), nullptr);
}

} // namespace
