// LoadLibraryA, GetProcAddress and FreeLibrary over the stand-in's own libraries: names without
// regard to case, functions by name and by ordinal, a reference count per library.
#include "zvk_windows.h"
#include "zvk_posix_libraries.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

using zvk_winapi::library_reference_count;
using zvk_winapi::LibraryExport;

namespace {

ZVK_MS_ABI int first() {
    return 1;
}
ZVK_MS_ABI int second() {
    return 2;
}
ZVK_MS_ABI int third() {
    return 3;
}

template <class F> void* address_of(F* f) {
    return reinterpret_cast<void*>(f);
}

void register_sample(const char* name) {
    const LibraryExport exports[] = {
        {"First", 0, address_of(first)},
        {"second", 2, address_of(second)},
        {nullptr, 7, address_of(third)},
    };
    zvk_winapi::register_library(name, exports, 3);
}

} // namespace

TEST(LibraryRegistry, NamesMatchAsWindowsMatchesThem) {
    register_sample("Sample_Lib.dll");
    struct Case {
        const char* name;
        bool found;
    } cases[] = {
        {"Sample_Lib.dll", true},
        {"SAMPLE_LIB.DLL", true},
        {"sample_lib", true},                            // ".dll" is assumed without an extension
        {"C:\\Windows\\System32\\sample_lib.dll", true}, // the folder does not matter
        {"sample_lib.", false},                          // a trailing dot means: no extension at all
        {"sample_lib.exe", false},
        {"sample", false},
        {"", false},
        {nullptr, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name ? c.name : "(null)");
        SetLastError(0);
        HMODULE h = LoadLibraryA(c.name);
        EXPECT_EQ(h != nullptr, c.found);
        if (h) {
            EXPECT_TRUE(FreeLibrary(h));
        } else {
            EXPECT_NE(GetLastError(), DWORD(0));
        }
    }
    EXPECT_EQ(library_reference_count("sample_lib.dll"), 0);
    SetLastError(0);
    EXPECT_EQ(LoadLibraryA("no_such_library.dll"), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_MOD_NOT_FOUND));
}

TEST(LibraryRegistry, FunctionsByExactNameOrByOrdinal) {
    register_sample("procs.dll");
    HMODULE h = LoadLibraryA("procs.dll");
    ASSERT_NE(h, nullptr);
    struct Case {
        LPCSTR name_or_ordinal;
        void* expected;
    } cases[] = {
        {"First", address_of(first)},
        {"second", address_of(second)},
        {"first", nullptr}, // function names compare exactly, as on Windows
        {"third", nullptr}, // reachable by ordinal only
        {reinterpret_cast<LPCSTR>(ULONG_PTR(2)), address_of(second)},
        {reinterpret_cast<LPCSTR>(ULONG_PTR(7)), address_of(third)},
        {reinterpret_cast<LPCSTR>(ULONG_PTR(1)), nullptr},
        {nullptr, nullptr}, // ordinal 0 is no ordinal
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(reinterpret_cast<ULONG_PTR>(c.name_or_ordinal) > 0xFFFF ? c.name_or_ordinal : "ordinal");
        SetLastError(0);
        FARPROC f = GetProcAddress(h, c.name_or_ordinal);
        EXPECT_EQ(reinterpret_cast<void*>(f), c.expected);
        if (!f) {
            EXPECT_EQ(GetLastError(), DWORD(ERROR_PROC_NOT_FOUND));
        }
    }
    void* seventh = reinterpret_cast<void*>(GetProcAddress(h, reinterpret_cast<LPCSTR>(ULONG_PTR(7))));
    auto call = reinterpret_cast<int(ZVK_MS_ABI*)()>(seventh);
    EXPECT_EQ(call(), 3);
    FreeLibrary(h);
}

TEST(LibraryRegistry, ReferenceCountFollowsLoadsAndFrees) {
    register_sample("counted.dll");
    HMODULE a = LoadLibraryA("counted.dll");
    HMODULE b = LoadLibraryA("COUNTED");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a, b); // one library, one handle
    EXPECT_EQ(library_reference_count("counted.dll"), 2);
    EXPECT_TRUE(FreeLibrary(a));
    EXPECT_NE(GetProcAddress(b, "First"), nullptr);
    EXPECT_TRUE(FreeLibrary(b));
    EXPECT_EQ(library_reference_count("counted.dll"), 0);
    // A library no longer loaded gives no functions and cannot be freed again.
    EXPECT_EQ(GetProcAddress(a, "First"), nullptr);
    EXPECT_FALSE(FreeLibrary(a));
    EXPECT_EQ(library_reference_count("counted.dll"), 0);
    int not_a_library = 0;
    EXPECT_FALSE(FreeLibrary(reinterpret_cast<HMODULE>(&not_a_library)));
    EXPECT_EQ(GetProcAddress(reinterpret_cast<HMODULE>(&not_a_library), "First"), nullptr);
    EXPECT_EQ(GetProcAddress(nullptr, "First"), nullptr);
    EXPECT_EQ(library_reference_count("never_registered.dll"), -1);
}

TEST(LibraryRegistry, RegistrationCopiesTheTableAndReplacementKeepsHandles) {
    std::string name = "volatile";
    std::vector<std::string> names{"made_up"};
    {
        std::vector<LibraryExport> exports{{names[0].c_str(), 0, address_of(first)}};
        zvk_winapi::register_library((name + ".dll").c_str(), exports.data(), exports.size());
    }
    names[0] = "overwritten";
    name = "other";
    HMODULE h = LoadLibraryA("volatile.dll");
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(h, "made_up")), address_of(first));

    const LibraryExport replacement[] = {{"made_up", 0, address_of(second)}};
    zvk_winapi::register_library("VOLATILE.DLL", replacement, 1);
    EXPECT_EQ(LoadLibraryA("volatile.dll"), h);
    EXPECT_EQ(library_reference_count("volatile.dll"), 2);
    EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(h, "made_up")), address_of(second));
    FreeLibrary(h);
    FreeLibrary(h);
}

TEST(LibraryRegistry, ConcurrentLoadsAndFreesBalance) {
    register_sample("shared.dll");
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&failures] {
            for (int i = 0; i < 1000; ++i) {
                HMODULE h = LoadLibraryA("Shared.dll");
                if (!h || !GetProcAddress(h, "second") || !FreeLibrary(h))
                    ++failures;
            }
        });
    }
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(library_reference_count("shared.dll"), 0);
}
